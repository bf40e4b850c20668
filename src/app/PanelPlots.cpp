#include "app/PanelPlots.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>

#include "app/Panel.h"
#include "app/PanelLayout.h"
#include "app/Statistics.h"
#include "world/ColorTable.h"
#include "world/WorldStore.h"

namespace {
constexpr float kHistogramHeight = 50.0f, kPlotHeight = 36.0f;
}

void drawStatisticsSection() {
    bool open = ImGui::CollapsingHeader("Statistics", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Statistics");
    if (!open) return;
    ImGui::Text("Steps per second: %.1f", stats.stepsPerSecond);
    ImGui::Text("Frame time: %.1f ms", stats.frameMilliseconds);
    ImGui::Text("Steps: %d", world.stepCount);
    // The plots scroll in their own region so that twenty colours never
    // push a control out of sight. The region shows at least the histogram
    // and four plots: in a shorter window the whole panel scrolls instead.
    const ImGuiStyle &style = ImGui::GetStyle();
    float least = kHistogramHeight + 4.0f * kPlotHeight + 5.0f * style.ItemSpacing.y + 2.0f * style.WindowPadding.y;
    float height = std::max(ImGui::GetContentRegionAvail().y, least);
    if (!ImGui::BeginChild("plots", ImVec2(0, height), true)) {
        ImGui::EndChild();
        trackItem("Statistics plots");
        return;
    }
    static float history[kStatHistory];
    int counts[kMaxColors];
    countNodesByColour(counts);
    float width = ImGui::GetContentRegionAvail().x;
    if (isColor(panelChoices.placeColour)) {
        float bins[kStrengthBins];
        strengthHistogram(panelChoices.placeColour, bins);
        const float *rgb = colorTable[panelChoices.placeColour].rgb;
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s strength", colorTable[panelChoices.placeColour].name);
        ImGui::PushStyleColor(ImGuiCol_PlotHistogram, ImVec4(rgb[0], rgb[1], rgb[2], 1.0f));
        ImGui::PlotHistogram("##strength", bins, kStrengthBins, 0, overlay, 0.0f, FLT_MAX,
                             ImVec2(width, kHistogramHeight));
        ImGui::PopStyleColor();
    }
    for (int c = 0; c < colorCount; c++) {
        int n = statHistory(c, history);
        const float *rgb = colorTable[c].rgb;
        ImGui::PushID(c);
        ImGui::PushStyleColor(ImGuiCol_PlotLines, ImVec4(rgb[0], rgb[1], rgb[2], 1.0f));
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s %d", colorTable[c].name, counts[c]);
        ImGui::PlotLines("##count", history, n, 0, overlay, 0.0f, FLT_MAX, ImVec2(width, kPlotHeight));
        ImGui::PopStyleColor();
        ImGui::PopID();
    }
    ImGui::EndChild();
    trackItem("Statistics plots");
}
