#pragma once
#include <vector>

// Pictures of the live world drawn by the window's own frame code, into
// whatever GL context is current (an offscreen one, or the window's).

// What a picture shows: the world point at its centre and the zoom. The
// default is the window's view after start-up.
struct PictureView {
    float centreX = 1600.0f;
    float centreY = 1600.0f;
    float zoom = 0.8f;
};

// Draws the live world at the view as the window draws it (without pointer
// marks) into the current context's back buffer, width x height pixels, and
// sets the rasteriser going without waiting for it. A picture that is not
// square shows the square view across its shorter side and more of the
// world across the longer. The window's camera is left as it was.
void drawWorldPicture(int width, int height, const PictureView &view);
// The picture drawn last, once the rasteriser is done, into rgba: rows
// bottom first as GL reads them, four bytes a pixel (red, green, blue, alpha).
void readWorldPicture(int width, int height, std::vector<unsigned char> &rgba);
// Both at once.
void drawWorldPicture(int width, int height, const PictureView &view, std::vector<unsigned char> &rgba);
