#pragma once

// Where the two windows open: both inside the screen from 1280 x 720 up, the
// square world window and the panel beside it, the pair centred, with room
// above and below for a window manager's title bars and task bars.
struct WindowRect {
    int x = 0, y = 0, w = 0, h = 0;
};
struct WindowPlacement {
    WindowRect world, panel;
};

constexpr int kPanelWidth = 264;
// The world window's side and the panel's height at most (on a large screen).
constexpr int kWorldSideMost = 800, kPanelHeightMost = 960;

// For a screen of width by height pixels. Where the two do not fit side by
// side (a screen narrower than about 800 pixels), the panel lies over the
// world window's right edge.
WindowPlacement placeWindows(int screenWidth, int screenHeight);
