#include "app/WindowPlacement.h"

#include <algorithm>

namespace {
constexpr int kTop = 32, kBottom = 32, kGap = 4, kSmallestSide = 320;
}

WindowPlacement placeWindows(int screenWidth, int screenHeight) {
    WindowPlacement p;
    int top = std::min(kTop, screenHeight / 20);
    int height = std::max(1, screenHeight - top - std::min(kBottom, screenHeight / 20));
    int side = std::min({kWorldSideMost, height, screenWidth - kGap - kPanelWidth});
    bool besideEachOther = side >= kSmallestSide;
    if (!besideEachOther) side = std::max(1, std::min({kWorldSideMost, height, screenWidth}));
    p.world = {std::max(0, (screenWidth - side - kGap - kPanelWidth) / 2), top, side, side};
    int panelX = besideEachOther ? p.world.x + side + kGap : std::max(0, screenWidth - kPanelWidth);
    p.panel = {panelX, top, kPanelWidth, std::min(kPanelHeightMost, height)};
    return p;
}
