#pragma once

// Install the OpenGL painter the things draw with.
void installGLPainter();
// Between these, the painter gathers what the things draw and draws it in as
// few GL draws as give the same picture; outside, each call draws at once.
void beginPaintBatch();
void endPaintBatch();
// Spheres up to this radius in pixels draw as textured squares (0: none;
// negative: the usual limit).
void setSphereSquarePixels(float pixels);
// Labels show coordinates from this point along both axes (the world's
// corner, 0, or a pattern window's centre).
void setLabelOrigin(float origin);
