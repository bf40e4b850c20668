#include "app/PanelLayout.h"

#include <imgui.h>
#include <imgui_internal.h>

namespace {
std::vector<PanelItem> items;
}

const std::vector<PanelItem> &panelItems() { return items; }

const PanelItem *findPanelItem(const std::string &label) {
    for (const PanelItem &i : items)
        if (i.label == label) return &i;
    return nullptr;
}

void clearPanelItems() { items.clear(); }

void trackItem(const char *label) { trackItemIn(items, label); }

void trackItemIn(std::vector<PanelItem> &list, const char *label) {
    ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    ImGuiWindow *w = ImGui::GetCurrentWindow();
    PanelItem item;
    item.label = label;
    item.x0 = a.x;
    item.y0 = a.y;
    item.x1 = b.x;
    item.y1 = b.y;
    item.clipX0 = w->InnerClipRect.Min.x;
    item.clipY0 = w->InnerClipRect.Min.y;
    item.clipX1 = w->InnerClipRect.Max.x;
    item.clipY1 = w->InnerClipRect.Max.y;
    list.push_back(item);
}

bool trackedButton(const char *label) {
    bool pressed = ImGui::Button(label);
    trackItem(label);
    return pressed;
}

bool trackedCheckbox(const char *label, int &field) {
    bool v = field != 0;
    bool changed = ImGui::Checkbox(label, &v);
    trackItem(label);
    if (changed) field = v ? 1 : 0;
    return changed;
}
