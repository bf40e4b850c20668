#include "render/WorldPicture.h"

#include <algorithm>

#include "render/Camera.h"
#include "render/GLContext.h"
#include "render/GLPainter.h"
#include "render/Scene.h"

void drawWorldPicture(int width, int height, const PictureView &view) {
    CameraState kept = camera;
    int side = std::min(width, height);
    camera.zoom = camera.zoomFrom = camera.zoomTo = view.zoom;
    // The view's centre sits where the camera's pan puts the world's centre.
    camera.camX = 3200.0f - view.centreX;
    camera.camY = 3200.0f - view.centreY;
    camera.unitsPerPixel = 3200.0f / static_cast<float>(side);
    camera.marginX = static_cast<float>(width - side) * 0.5f;
    camera.marginY = static_cast<float>(height - side) * 0.5f;
    setViewport(width, height);
    initWorldDrawingState();
    installGLPainter();
    drawLiveFrame(PointerMarks(), false);
    camera = kept;
    startRasterising();
}

void readWorldPicture(int width, int height, std::vector<unsigned char> &rgba) {
    readBackBufferRgba(width, height, rgba);
}

void drawWorldPicture(int width, int height, const PictureView &view, std::vector<unsigned char> &rgba) {
    drawWorldPicture(width, height, view);
    readWorldPicture(width, height, rgba);
}
