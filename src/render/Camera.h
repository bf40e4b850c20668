#pragma once
#include "world/Vec2.h"

// The view of the world: zoom about the world centre plus a pan.
struct CameraState {
    float zoom = 1.0f;
    float zoomFrom = 1.0f;
    float zoomTo = 1.0f;
    float zoomStart = 0.0f;
    float camX = 1600.0f;
    float camY = 1600.0f;
    float unitsPerPixel = 4.0f;
    // Pixels a frame wider or taller than its square view shows beyond it on
    // each side (0 in the square window; pictures may be any shape).
    float marginX = 0.0f, marginY = 0.0f;
    unsigned char panEnabled = 0;
    int panAnchorX = 0, panAnchorY = 0;
};
extern CameraState camera;

Vec2 worldToScreen(Vec2 p);
Vec2 screenToWorld(int px, int py);
Vec2 screenToWorld(Vec2 pixel);
void resetCamera();
void setPanEnabled(bool flag);
// One idle pass of the zoom animation with the wheel movement d (-1, 0, +1).
void advanceZoom(int d);
