#pragma once
#include <string>

// A GL context that draws into memory with no display and no X server:
// Mesa's EGL on its surfaceless platform, drawing into a framebuffer object
// of a fixed size (read back several times faster than a pixel buffer
// surface). The drawing code is the window's; only the context differs. Its
// source includes the EGL headers, which must not meet the world's.
class OffscreenContext {
public:
    OffscreenContext() = default;
    ~OffscreenContext() { close(); }
    OffscreenContext(const OffscreenContext &) = delete;
    OffscreenContext &operator=(const OffscreenContext &) = delete;

    // Makes the context current on this thread, drawing into a width x height
    // buffer; on failure says why in plain words. One at a time per process.
    bool open(int width, int height, std::string &why);
    void close();
    bool isOpen() const { return context != nullptr; }
    int width() const { return w; }
    int height() const { return h; }

private:
    void *display = nullptr;
    void *context = nullptr;
    unsigned framebuffer = 0, colour = 0, depth = 0;
    int w = 0, h = 0;
};
