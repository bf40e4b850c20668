#include "render/Camera.h"

#include <cstdlib>

#include "runtime/Clock.h"

CameraState camera;

Vec2 worldToScreen(Vec2 p) {
    float k = 1.0f / camera.unitsPerPixel;
    float sx = ((p.x - 1600.0f) + camera.camX - 1600.0f) * camera.zoom + 1600.0f;
    float sy = ((p.y - 1600.0f) + camera.camY - 1600.0f) * camera.zoom + 1600.0f;
    return Vec2(sx * k + camera.marginX, sy * k + camera.marginY);
}

Vec2 screenToWorld(Vec2 pixel) {
    pixel.x -= camera.marginX;
    pixel.y -= camera.marginY;
    float x = (camera.unitsPerPixel * pixel.x - 1600.0f) / camera.zoom + 1600.0f - camera.camX + 1600.0f;
    float y = (camera.unitsPerPixel * pixel.y - 1600.0f) / camera.zoom + 1600.0f - camera.camY + 1600.0f;
    return Vec2(x, y);
}

Vec2 screenToWorld(int px, int py) { return screenToWorld(Vec2(static_cast<float>(px), static_cast<float>(py))); }

void resetCamera() {
    camera.zoomStart = clockNow();
    camera.zoomFrom = camera.zoom;
    camera.zoomTo = 0.8f;
    camera.camX = 1600.0f;
    camera.camY = 1600.0f;
}

void setPanEnabled(bool flag) { camera.panEnabled = flag ? 1 : 0; }

void advanceZoom(int d) {
    camera.zoom = camera.zoomFrom + (camera.zoomTo - camera.zoomFrom) * clockProgressNow(camera.zoomStart, 0.1f);
    if (camera.panEnabled && d != 0) {
        float f = static_cast<float>(std::abs(d)) * 2.0f * 0.1f + 1.0f;
        float target = d >= 1 ? camera.zoom * f : camera.zoom / f;
        camera.zoomStart = clockNow();
        camera.zoomFrom = camera.zoom;
        camera.zoomTo = target;
    }
}
