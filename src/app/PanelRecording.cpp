#include "app/PanelRecording.h"

#include <imgui.h>

#include "app/PanelLayout.h"
#include "app/Recording.h"

void drawRecordToggle(PanelRequests &requests) {
    bool on = recording();
    if (ImGui::Checkbox("Record", &on)) requests.toggleRecording = true;
    trackItem("Record");
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Write the view to a movie, a frame per step");
}

void drawRecordStatus() {
    if (!recording()) return;
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
    // The whole path wraps: it is the one place that says where the movie goes.
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(recordingPath().c_str());
    ImGui::PopTextWrapPos();
    trackItem("Record path");
    ImGui::Text("Recording: %.1f s, %ld frames", recordedSeconds(), recordedFrames());
    trackItem("Record length");
}
