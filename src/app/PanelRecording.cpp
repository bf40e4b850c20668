#include "app/PanelRecording.h"

#include <imgui.h>

#include "app/PanelLayout.h"
#include "app/Recording.h"

void drawRecordSection(PanelRequests &requests) {
    bool open = ImGui::CollapsingHeader("Movie", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Movie section");
    if (!open) return;
    bool on = recording();
    if (ImGui::Checkbox("Record", &on)) requests.toggleRecording = true;
    trackItem("Record");
    ImGui::SameLine();
    ImGui::TextDisabled("a frame per step");
    ImGui::PushID("record");
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Run ahead:");
    ImGui::SameLine();
    int mode = recordingChoices.runAheadEveryK ? 1 : 0;
    if (ImGui::RadioButton("drawn", &mode, 0)) recordingChoices.runAheadEveryK = false;
    trackItem("Record drawn frames");
    ImGui::SameLine();
    if (ImGui::RadioButton("every", &mode, 1)) recordingChoices.runAheadEveryK = true;
    trackItem("Record every K steps");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputInt("##every", &recordingChoices.every, 0, 0);
    trackItem("Record every");
    if (recordingChoices.every < 1) recordingChoices.every = 1;
    ImGui::PopID();
    if (recordingPath().empty()) return;
    // The whole path wraps: it is the one place that says where the movie went.
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(recordingPath().c_str());
    ImGui::PopTextWrapPos();
    trackItem("Record path");
    ImGui::Text("%s%.1f s, %ld frames", on ? "Recording: " : "Recorded: ", recordedSeconds(), recordedFrames());
    trackItem("Record length");
}
