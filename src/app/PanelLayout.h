#pragma once
#include <string>
#include <vector>

// Where each control lay in the last panel frame, for the layout tests and
// for scripts that click the panel. The panel's widgets record themselves
// here as they are drawn (trackItem after an ImGui item, or the tracked
// widgets below).
struct PanelItem {
    std::string label;
    float x0, y0, x1, y1;
    float clipX0, clipY0, clipX1, clipY1;  // the region that clips it
};
const std::vector<PanelItem> &panelItems();
const PanelItem *findPanelItem(const std::string &label);
// A new frame's layout starts empty.
void clearPanelItems();
// Records the ImGui item drawn last under label (in list: a window of its own
// keeps its own).
void trackItem(const char *label);
void trackItemIn(std::vector<PanelItem> &list, const char *label);
// An ImGui button or check box (on an int field, 0 or 1), tracked.
bool trackedButton(const char *label);
bool trackedCheckbox(const char *label, int &field);
