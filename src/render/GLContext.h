#pragma once

// What the GL context offers besides drawing: the driver's
// description, the viewport and drawing state, reading a frame back, and
// resting on the display connection. Its source includes the window system's
// headers, which must not meet the world's (X11 names a type Atom).
#include <vector>

// Prints the driver's vendor, renderer, version and extensions, then the
// window-system extensions, to standard output.
void printDriverInfo();
void setViewport(int width, int height);
// The GL context current on this thread, the window's or an offscreen one
// (null for none): GL objects belong to the context that made them.
const void *currentGLContext();
// State the world window keeps for all its frames.
void initWorldDrawingState();
// The frame drawn last (the back buffer, or an offscreen context's buffer),
// rgb rows from the bottom, into out.
void readBackBuffer(int width, int height, std::vector<unsigned char> &out);
// The same with four bytes a pixel (red, green, blue, alpha), the layout the
// buffers are drawn in, so reading is a plain copy.
void readBackBufferRgba(int width, int height, std::vector<unsigned char> &out);
// Rests up to the given seconds, waking early when window input arrives on
// the current context's display connection (without one, simply sleeps).
void restOnDisplay(float seconds);
