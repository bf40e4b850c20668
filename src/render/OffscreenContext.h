#pragma once
#include <string>

// A GL context that draws into memory with no display and no X server:
// Mesa's EGL on its surfaceless platform, with a pixel buffer of a fixed size
// as its back buffer. The drawing code is the window's; only the context
// differs. Its source includes the EGL headers, which must not meet the
// world's.
class OffscreenContext {
public:
    OffscreenContext() = default;
    ~OffscreenContext() { close(); }
    OffscreenContext(const OffscreenContext &) = delete;
    OffscreenContext &operator=(const OffscreenContext &) = delete;

    // Makes the context and its width x height buffer current on this thread;
    // on failure says why in plain words.
    bool open(int width, int height, std::string &why);
    void close();
    bool isOpen() const { return context != nullptr; }
    int width() const { return w; }
    int height() const { return h; }

private:
    void *display = nullptr;
    void *surface = nullptr;
    void *context = nullptr;
    int w = 0, h = 0;
};
