#include "render/OffscreenContext.h"

// Without this, eglplatform.h brings in the X11 headers.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

namespace {
std::string eglFault(const char *what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " (EGL error " + code + ")";
}
}  // namespace

bool OffscreenContext::open(int width, int height, std::string &why) {
    close();
    const char *clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!clientExtensions || !std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") || !getPlatformDisplay) {
        why = "no offscreen drawing: the installed EGL has no surfaceless platform (Debian: install libegl-mesa0 and "
              "libgl1-mesa-dri)";
        return false;
    }
    EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) {
        why = eglFault("no offscreen drawing: Mesa's EGL did not start");
        return false;
    }
    display = dpy;
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(dpy, configAttributes, &config, 1, &configs) || configs < 1) {
        why = eglFault("no offscreen drawing: EGL offers no OpenGL pixel buffer");
        close();
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(dpy, config, size);
    if (surface == EGL_NO_SURFACE) {
        surface = nullptr;
        why = eglFault(("no offscreen drawing: EGL cannot make a " + std::to_string(width) + "x" +
                        std::to_string(height) + " pixel buffer")
                           .c_str());
        close();
        return false;
    }
    // No attributes: the compatibility profile, which keeps the fixed pipeline the window draws with.
    context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(dpy, surface, surface, context)) {
        if (context == EGL_NO_CONTEXT) context = nullptr;
        why = eglFault("no offscreen drawing: EGL cannot make an OpenGL context");
        close();
        return false;
    }
    w = width;
    h = height;
    return true;
}

void OffscreenContext::close() {
    if (!display) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context) eglDestroyContext(display, context);
    if (surface) eglDestroySurface(display, surface);
    eglTerminate(display);
    eglReleaseThread();
    display = surface = context = nullptr;
    w = h = 0;
}
