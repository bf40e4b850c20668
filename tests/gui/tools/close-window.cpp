// Asks a window to close as a window manager's close button does (the
// WM_DELETE_WINDOW message): close-window WINDOW_ID. Tests run without a
// window manager, and xdotool's windowclose destroys the window instead.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close-window WINDOW_ID\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "close-window: no display\n");
        return 2;
    }
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::strtoul(argv[1], nullptr, 0);
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, e.xclient.window, False, NoEventMask, &e);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
