#include "app/PanelPlots.h"

#include <imgui.h>

#include <cfloat>
#include <cstdio>

#include "app/Panel.h"
#include "app/PanelLayout.h"
#include "app/Statistics.h"
#include "world/ColorTable.h"
#include "world/WorldStore.h"

void drawStatisticsSection() {
    bool open = ImGui::CollapsingHeader("Statistics", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Statistics");
    if (!open) return;
    ImGui::Text("Steps per second: %.1f", stats.stepsPerSecond);
    ImGui::Text("Frame time: %.1f ms", stats.frameMilliseconds);
    ImGui::Text("Steps: %d", world.stepCount);
    // The plots scroll in their own region so that twenty colours never
    // push a control out of sight.
    if (!ImGui::BeginChild("plots", ImVec2(0, 0), true)) {
        ImGui::EndChild();
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
        ImGui::PlotHistogram("##strength", bins, kStrengthBins, 0, overlay, 0.0f, FLT_MAX, ImVec2(width, 50));
        ImGui::PopStyleColor();
    }
    for (int c = 0; c < colorCount; c++) {
        int n = statHistory(c, history);
        const float *rgb = colorTable[c].rgb;
        ImGui::PushID(c);
        ImGui::PushStyleColor(ImGuiCol_PlotLines, ImVec4(rgb[0], rgb[1], rgb[2], 1.0f));
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s %d", colorTable[c].name, counts[c]);
        ImGui::PlotLines("##count", history, n, 0, overlay, 0.0f, FLT_MAX, ImVec2(width, 36));
        ImGui::PopStyleColor();
        ImGui::PopID();
    }
    ImGui::EndChild();
}
