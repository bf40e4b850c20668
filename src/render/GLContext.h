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
// Sets the window's context (if current) aside while it lives, and makes
// it current again at its end: a thread holds one kind of context at a
// time, so an offscreen one can be made current meanwhile.
class WindowContextAside {
public:
    WindowContextAside();
    ~WindowContextAside();
    WindowContextAside(const WindowContextAside &) = delete;
    WindowContextAside &operator=(const WindowContextAside &) = delete;

private:
    void *display = nullptr, *context = nullptr;
    unsigned long drawable = 0, readable = 0;
};
// State the world window keeps for all its frames.
void initWorldDrawingState();
// Hands what is queued to the rasteriser and returns at once (its threads
// draw while the caller goes on).
void startRasterising();
// The frame drawn last (the back buffer, or an offscreen context's buffer),
// rgb rows from the bottom, into out.
void readBackBuffer(int width, int height, std::vector<unsigned char> &out);
// The same with four bytes a pixel (red, green, blue, alpha), the layout the
// buffers are drawn in, so reading is a plain copy.
void readBackBufferRgba(int width, int height, std::vector<unsigned char> &out);
// Rests up to the given seconds, waking early when window input arrives on
// the current context's display connection (without one, simply sleeps).
void restOnDisplay(float seconds);
