#include "render/OffscreenContext.h"

// Without this, eglplatform.h brings in the X11 headers.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

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
    const char *extensions = eglQueryString(dpy, EGL_EXTENSIONS);
    // The surfaceless platform's configurations are all for pixel buffers; the context needs one.
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
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!extensions || !std::strstr(extensions, "EGL_KHR_surfaceless_context") || !eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(dpy, configAttributes, &config, 1, &configs) || configs < 1) {
        why = eglFault("no offscreen drawing: EGL offers no OpenGL context without a surface");
        close();
        return false;
    }
    // No attributes: the compatibility profile, which keeps the fixed pipeline the window draws with.
    context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        if (context == EGL_NO_CONTEXT) context = nullptr;
        why = eglFault("no offscreen drawing: EGL cannot make an OpenGL context");
        close();
        return false;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        why = "no offscreen drawing at " + std::to_string(width) + "x" + std::to_string(height) +
              ": the GL draws at most " + std::to_string(largest) + " pixels a side";
        close();
        return false;
    }
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        why = "no offscreen drawing: the GL cannot draw into a " + std::to_string(width) + "x" +
              std::to_string(height) + " buffer";
        close();
        return false;
    }
    w = width;
    h = height;
    return true;
}

void OffscreenContext::close() {
    if (!display) return;
    if (context) {
        if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
        if (colour) glDeleteRenderbuffers(1, &colour);
        if (depth) glDeleteRenderbuffers(1, &depth);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
    }
    eglTerminate(display);
    eglReleaseThread();
    display = context = nullptr;
    framebuffer = colour = depth = 0;
    w = h = 0;
}
