#include "render/GLContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include <poll.h>

#include <cstdio>
#include <ctime>

namespace {
// Optional entry points kept for completeness; nothing draws with them, and
// one the driver lacks simply stays absent.
const char *const kOptionalEntryPoints[] = {
    "glActiveTextureARB", "glClientActiveTextureARB", "glMultiTexCoord2fARB",
    "glBlendEquationEXT", "glBlendColorEXT",          "glLockArraysEXT",
    "glUnlockArraysEXT",  "glPointParameterfARB",     "glPointParameterfvARB",
};
void (*optionalEntryPoints[sizeof kOptionalEntryPoints / sizeof *kOptionalEntryPoints])() = {};
}  // namespace

void printDriverInfo() {
    auto text = [](GLenum name) {
        const GLubyte *s = glGetString(name);
        return s ? reinterpret_cast<const char *>(s) : "";
    };
    std::printf("OpenGL Driver - \n");
    std::printf("Vendor: %s\n", text(GL_VENDOR));
    std::printf("Renderer: %s\n", text(GL_RENDERER));
    std::printf("Version: %s\n", text(GL_VERSION));
    std::printf("Supported Extensions: %s\n", text(GL_EXTENSIONS));
    Display *display = glXGetCurrentDisplay();
    if (display) {
        const char *glx = glXQueryExtensionsString(display, DefaultScreen(display));
        if (glx) std::printf("\nSupported Windows Extensions: %s\n\n", glx);
    }
    for (size_t i = 0; i < sizeof kOptionalEntryPoints / sizeof *kOptionalEntryPoints; i++)
        optionalEntryPoints[i] = glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(kOptionalEntryPoints[i]));
    std::fflush(stdout);
}

const void *currentGLContext() {
    if (const void *window = glXGetCurrentContext()) return window;
    return eglGetCurrentContext();
}

WindowContextAside::WindowContextAside() {
    display = glXGetCurrentDisplay();
    context = glXGetCurrentContext();
    drawable = glXGetCurrentDrawable();
    readable = glXGetCurrentReadDrawable();
    if (display) glXMakeContextCurrent(static_cast<Display *>(display), None, None, nullptr);
}

WindowContextAside::~WindowContextAside() {
    if (display)
        glXMakeContextCurrent(static_cast<Display *>(display), drawable, readable, static_cast<GLXContext>(context));
}

void setViewport(int width, int height) { glViewport(0, 0, width, height); }

void initWorldDrawingState() { glEnable(GL_LINE_SMOOTH); }

namespace {
void readPixels(int width, int height, GLenum format, unsigned char *out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // An offscreen context draws into a framebuffer object, the window into its back buffer.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glReadBuffer(framebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out);
}
}  // namespace

void startRasterising() { glFlush(); }

void readBackBuffer(int width, int height, std::vector<unsigned char> &out) {
    // Every byte is read over: no need to clear what the buffer held.
    out.resize(static_cast<size_t>(width) * height * 3);
    readPixels(width, height, GL_RGB, out.data());
}

void readBackBufferRgba(int width, int height, std::vector<unsigned char> &out) {
    out.resize(static_cast<size_t>(width) * height * 4);
    // The buffer's own layout: the driver copies rows as they stand.
    readPixels(width, height, GL_RGBA, out.data());
}

void restOnDisplay(float seconds) {
    timespec wait;
    wait.tv_sec = static_cast<time_t>(seconds);
    wait.tv_nsec = static_cast<long>((seconds - static_cast<float>(wait.tv_sec)) * 1e9f);
    Display *display = glXGetCurrentDisplay();
    if (!display) {
        nanosleep(&wait, nullptr);
        return;
    }
    XFlush(display);
    if (XPending(display) > 0) return;
    pollfd input = {ConnectionNumber(display), POLLIN, 0};
    ppoll(&input, 1, &wait, nullptr);
}
