#pragma once

// Install the OpenGL painter the things draw with.
void installGLPainter();
