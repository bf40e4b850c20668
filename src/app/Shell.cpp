#include "app/Shell.h"

#include <GL/freeglut.h>

#include "render/Camera.h"
#include "render/GLContext.h"
#include "render/Primitives.h"
#include "runtime/Clock.h"

ShellState shell;

static int toolkitModifiers() { return glutGetModifiers(); }
int (*shellModifierSource)() = toolkitModifiers;

void setAppMouseHandler(void (*f)(int, int)) { shell.appMouse = f; }
void setAppKeyHandler(void (*f)(int)) { shell.appKey = f; }

void runMainLoop(void (*tick)()) {
    shell.appIdle = tick;
    glutMainLoop();
}

int wheelStep() {
    int d = shell.wheelAccum;
    shell.wheelAccum = 0;
    return d > 0 ? 1 : (d < 0 ? -1 : 0);
}

void shellDisplay() {
    shell.changed = true;
    if (shell.appIdle) shell.appIdle();
}

void shellReshape(int w, int h) {
    int side = w < h ? w : h;
    if (side < 1) side = 1;
    camera.unitsPerPixel = 3200.0f / static_cast<float>(side);
    shell.windowSide = side;
    shell.changed = true;
    if (w != side || h != side) glutReshapeWindow(side, side);
    setViewport(side, side);
}

void shellMotion(int x, int y) {
    shell.changed = true;
    shell.pointerX = x;
    shell.pointerY = y;
}

void shellPanMotion(int x, int y) {
    if (camera.panEnabled) {
        camera.camX += static_cast<float>(x - camera.panAnchorX) * (1.0f / camera.zoom) * camera.unitsPerPixel;
        camera.camY += static_cast<float>(y - camera.panAnchorY) * (1.0f / camera.zoom) * camera.unitsPerPixel;
    }
    camera.panAnchorX = x;
    camera.panAnchorY = y;
    shell.pointerX = x;
    shell.pointerY = y;
    shell.changed = true;
}

// The active-motion callback: the pan motion while a pan is under way.
void shellActiveMotion(int x, int y) {
    if (shell.panMotion)
        shellPanMotion(x, y);
    else
        shellMotion(x, y);
}

static void setActiveMotion(bool pan) { shell.panMotion = pan; }

void shellMouse(int button, int state, int x, int y) {
    float now = clockNow();
    shell.changed = true;
    if (state == GLUT_DOWN) {
        shell.anyButtonDown = 1;
        if (button == GLUT_RIGHT_BUTTON) shell.rightDown = 1;
        if (button == GLUT_LEFT_BUTTON) shell.leftDown = 1;
        shell.modifiers = shellModifierSource ? shellModifierSource() : 0;
        if (shell.doubleClick == 0 && x == shell.lastPressX && y == shell.lastPressY &&
            now - shell.lastPressTime < 0.3f)
            shell.doubleClick = 1;
        else
            shell.doubleClick = 0;
        shell.lastPressTime = now;
        shell.lastPressX = x;
        shell.lastPressY = y;
    } else {
        shell.anyButtonDown = 0;
        if (button == GLUT_RIGHT_BUTTON) shell.rightDown = 0;
        if (button == GLUT_LEFT_BUTTON) shell.leftDown = 0;
    }
    shell.pointerX = x;
    shell.pointerY = y;
    if (button == GLUT_RIGHT_BUTTON && camera.panEnabled) {
        if (state == GLUT_DOWN) {
            camera.panAnchorX = x;
            camera.panAnchorY = y;
            setActiveMotion(true);
        } else {
            setActiveMotion(false);
        }
        return;
    }
    shell.lastButton = button;
    shell.lastState = state;
    if (state == GLUT_DOWN && shell.appMouse) {
        Vec2 w = screenToWorld(x, y);
        shell.appMouse(static_cast<int>(w.x), static_cast<int>(w.y));
    }
    if (state == GLUT_DOWN && button == GLUT_RIGHT_BUTTON) {
        camera.panAnchorX = x;
        camera.panAnchorY = y;
        setActiveMotion(true);
    } else {
        setActiveMotion(false);
    }
}

void shellKeyboard(unsigned char key, int, int) {
    shell.changed = true;
    if (shell.appKey) shell.appKey(key);
}

void shellSpecial(int key, int, int) {
    shell.changed = true;
    int code = key;
    switch (key) {
    case GLUT_KEY_LEFT: code = 28; break;
    case GLUT_KEY_UP: code = 30; break;
    case GLUT_KEY_RIGHT: code = 29; break;
    case GLUT_KEY_DOWN: code = 31; break;
    default: break;
    }
    if (shell.appKey) shell.appKey(code);
}

void shellWheel(int, int direction, int, int) {
    shell.wheelAccum += direction;
    shell.changed = true;
}

void (*shellRestOverride)(float seconds) = nullptr;

void shellRest(float seconds) {
    if (shellRestOverride) {
        shellRestOverride(seconds);
        return;
    }
    if (!(seconds > 0.0f)) return;
    restOnDisplay(seconds);
}

void shellIdle() {
    if (shell.closeAsked) {
        shell.closeAsked = false;
        if (shell.closeHook) shell.closeHook();
    }
    if (!shell.mainWindow) {
        if (shell.idleHook) shell.idleHook();
        return;
    }
    if (glutGetWindow() != shell.mainWindow) glutSetWindow(shell.mainWindow);
    int d = wheelStep();
    advanceZoom(d);
    if (shell.appIdle) shell.appIdle();
    if (shell.idleHook) shell.idleHook();
}

// freeglut destroys a closed window itself; the program goes on and decides.
static void worldWindowClosed() {
    shell.mainWindow = 0;
    shell.closeAsked = true;
}

void createWorldWindow() {
    const WindowRect &r = shell.placement.world;
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    glutInitWindowSize(r.w, r.h);
    glutInitWindowPosition(r.x, r.y);
    shell.mainWindow = glutCreateWindow("Shell");
    glutDisplayFunc(shellDisplay);
    glutPassiveMotionFunc(shellMotion);
    glutMotionFunc(shellActiveMotion);
    glutMouseFunc(shellMouse);
    glutReshapeFunc(shellReshape);
    glutSpecialFunc(shellSpecial);
    glutKeyboardFunc(shellKeyboard);
    glutMouseWheelFunc(shellWheel);
    glutCloseFunc(worldWindowClosed);
    initWorldDrawingState();
    camera.unitsPerPixel = 3200.0f / static_cast<float>(r.w);
    shell.windowSide = r.w;
    setViewport(r.w, r.w);
    shell.changed = true;
}

void shellInit() {
    float now = clockNow();
    camera.zoomStart = now;
    camera.zoomFrom = camera.zoom;
    camera.zoomTo = camera.zoom;
    static char name[] = "grShell";
    static char *argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    // Closing a window does not end the program: it may ask first. Closing
    // the rules editor closes only the editor.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    shell.placement = placeWindows(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    createWorldWindow();
    printDriverInfo();
    shell.lastPressTime = clockNow() - 0.6f;
    glutIdleFunc(shellIdle);
    createSharedQuadric();
    clockInit();
}
