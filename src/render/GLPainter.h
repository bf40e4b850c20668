#pragma once

// Install the OpenGL painter the things draw with.
void installGLPainter();
// Between these, the painter gathers what the things draw and draws it in as
// few GL draws as give the same picture; outside, each call draws at once.
void beginPaintBatch();
void endPaintBatch();
