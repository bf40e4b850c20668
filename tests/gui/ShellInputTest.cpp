#include <cmath>
#include <utility>

#include "GuiFixture.h"
#include "app/Input.h"
#include "world/Edge.h"

// Presses, releases and keys as the toolkit delivers them to the shell.
using PointerEdits = GuiTest;

TEST_F(PointerEdits, PressPlacesANodeAndDragsFromANodeJoinOnlyOntoAnother) {
    ASSERT_GE(colorCount, 2);
    world.placeColour = 1;
    vec2 spot = screenToWorld(300, 420);
    press(vec2(300.0f, 420.0f));
    drovanNode *a = findNode(world.pressedId);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(world.createdId, world.pressedId);
    EXPECT_EQ(a->colour(), 1);
    EXPECT_EQ(a->position(), vec2(std::trunc(spot.x), std::trunc(spot.y)));
    tick();
    release(vec2(300.0f, 420.0f));
    tick();
    EXPECT_EQ(liveNodes(), 1);
    EXPECT_EQ(world.pressedId, -1);

    drovanNode *b = node(1600.0f, 1200.0f);
    b->selected = 1;
    advance(0.5f);  // not a double click
    drag(pixelOf(a->position()), pixelOf(vec2(2400.0f, 2400.0f)));
    EXPECT_FALSE(joined(a, b));
    EXPECT_TRUE(b->selected) << "a drag keeps the selection";
    advance(0.5f);
    press(pixelOf(a->position()));
    EXPECT_EQ(world.pressedId, a->id);
    tick();
    moveTo(pixelOf(b->position()));
    tick();
    release(pixelOf(b->position()));
    tick();
    EXPECT_TRUE(joined(a, b));
    EXPECT_EQ(liveNodes(), 2);
}

TEST_F(PointerEdits, ClicksSelect) {
    drovanNode *a = node(1000.0f, 1000.0f), *b = node(1200.0f, 1000.0f), *c = node(2000.0f, 2000.0f);
    a->selected = c->selected = 1;
    click(pixelOf(a->position()));
    EXPECT_FALSE(a->selected || c->selected) << "a plain click clears the selection";
    for (bool expected : {true, false}) {
        advance(0.5f);
        click(pixelOf(a->position()), kControlMask);
        EXPECT_EQ(a->selected != 0, expected) << "control-click toggles";
    }
    EXPECT_EQ(liveNodes(), 3);

    // A double click selects the connected structure only.
    ASSERT_NE(createEdge(a, b, 1.0f, false, -1), nullptr);
    advance(0.5f);
    vec2 p = pixelOf(a->position());
    press(p);
    advance(0.05f);
    release(p);
    advance(0.05f);
    press(p);
    EXPECT_TRUE(shell.doubleClick);
    release(p);
    tick();
    EXPECT_TRUE(a->selected && b->selected);
    EXPECT_FALSE(c->selected);
}

TEST_F(PointerEdits, DoubleClickTimingAndThirdPress) {
    // Time since the last press, and whether this press is a double.
    const std::pair<float, bool> presses[] = {{0.0f, false},  // the first press after start
                                              {0.29f, true},
                                              {0.05f, false},  // a third quick press is single again
                                              {0.31f, false}};
    for (auto [wait, isDouble] : presses) {
        advance(wait);
        shellMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
        EXPECT_EQ(shell.doubleClick != 0, isDouble) << wait;
        shellMouse(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
    }
}

TEST_F(PointerEdits, BackspaceDeletesTheHoveredNodeOnly) {
    drovanNode *a = node(1000.0f, 1000.0f), *b = node(2000.0f, 1000.0f);
    int ida = a->id, idb = b->id;
    moveTo(vec2(10.0f, 790.0f));
    tick();
    shellKeyboard(8, 0, 0);
    tick();
    EXPECT_EQ(liveNodes(), 2) << "nothing under the pointer";
    moveTo(pixelOf(a->position()));
    tick();
    EXPECT_EQ(world.hoverId, ida);
    shellKeyboard(8, 0, 0);
    tick();
    EXPECT_EQ(findNode(ida), nullptr);
    EXPECT_NE(findNode(idb), nullptr);
}

TEST_F(PointerEdits, DigitPlacesAMetanodeOfAFilledSlotAtThePointer) {
    drovanMetaNodePat *slot = patternSlot(2);
    ASSERT_NE(slot, nullptr);
    ASSERT_TRUE(slot->addNode(0.0f, 0.0f, 0) && slot->addNode(30.0f, 0.0f, 0));
    moveTo(pixelOf(vec2(1500.0f, 1500.0f)));
    tick();
    shellKeyboard('5', 0, 0);  // slot 5 is empty
    EXPECT_EQ(liveNodes(), 0);
    shellKeyboard('2', 0, 0);
    int metas = 0;
    for (drovanThing *t = world.thingList; t; t = t->next) {
        drovanNode *n = dynamic_cast<drovanNode *>(t);
        if (!n || n->dead || !n->isMeta() || n->container()) continue;
        metas++;
        EXPECT_NEAR(n->position().x, world.lastPointer.x, 0.5f);
        EXPECT_NEAR(n->position().y, world.lastPointer.y, 0.5f);
    }
    EXPECT_EQ(metas, 1);
}

// The camera: wheel zoom, right-button pan and the pixel mapping.
using CameraControl = GuiTest;

TEST_F(CameraControl, MappingsInvertEachOtherAndReshapeKeepsTheWindowSquare) {
    camera.zoom = 0.8f;
    camera.camX = 1500.0f;
    camera.camY = 1720.0f;
    vec2 s = worldToScreen(screenToWorld(123, 456));
    EXPECT_NEAR(s.x, 123.0f, 1e-3f);
    EXPECT_NEAR(s.y, 456.0f, 1e-3f);
    camera.zoom = 1.0f;
    camera.camX = camera.camY = 1600.0f;
    EXPECT_EQ(worldToScreen(vec2(3200.0f, 3200.0f)), vec2(800.0f, 800.0f));

    shellReshape(900, 600);
    EXPECT_FLOAT_EQ(camera.unitsPerPixel, 3200.0f / 600.0f);
    EXPECT_EQ(shell.windowSide, 600);
    shellReshape(800, 800);
    EXPECT_FLOAT_EQ(camera.unitsPerPixel, 4.0f);
}

TEST_F(CameraControl, WheelZoomsByOnePointTwoPerNotchOverATenthOfASecond) {
    // Wheel notch (0 for none), seconds waited after it, then zoom and target.
    struct Step { int notch; float wait, zoom, zoomTo; };
    const Step steps[] = {{1, 0.0f, 1.0f, 1.2f}, {0, 0.05f, 1.1f, 1.2f}, {0, 0.06f, 1.2f, 1.2f},
                          {-1, 0.0f, 1.2f, 1.0f}, {0, 0.2f, 1.0f, 1.0f},
                          // A notch during an animation restarts from the eased zoom.
                          {1, 0.05f, 1.1f, 1.2f}, {1, 0.0f, 1.1f, 1.1f * 1.2f}};
    for (const Step &s : steps) {
        if (s.notch) {
            shellWheel(0, s.notch, 400, 400);
            shellIdle();
        }
        advance(s.wait);
        shellIdle();
        EXPECT_NEAR(camera.zoom, s.zoom, 1e-4f) << s.notch << " " << s.wait;
        EXPECT_NEAR(camera.zoomTo, s.zoomTo, 1e-4f);
    }
    EXPECT_NEAR(camera.zoomFrom, 1.1f, 1e-4f);

    drovanNode *a = node(1600.0f, 1600.0f);
    moveTo(pixelOf(a->position()));
    tick();
    EXPECT_FALSE(camera.panEnabled);
    float before = camera.zoomTo;
    shellWheel(0, 1, 400, 400);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoomTo, before) << "no zoom over a node";
}

TEST_F(CameraControl, RightDragPansOverNothingAndTurnsAHoveredNode) {
    moveTo(vec2(400.0f, 400.0f));
    tick();
    ASSERT_TRUE(camera.panEnabled);
    press(vec2(400.0f, 400.0f), GLUT_RIGHT_BUTTON);
    EXPECT_EQ(world.pressedId, -1) << "a pan press is not forwarded";
    shellActiveMotion(410, 395);
    shellActiveMotion(420, 390);
    EXPECT_EQ(vec2(camera.camX, camera.camY), vec2(1680.0f, 1560.0f));
    release(vec2(420.0f, 390.0f), GLUT_RIGHT_BUTTON);
    shellActiveMotion(500, 500);
    EXPECT_FLOAT_EQ(camera.camX, 1680.0f);
    EXPECT_EQ(liveNodes(), 0);

    camera.camX = camera.camY = 1600.0f;
    drovanNode *a = node(1600.0f, 1600.0f);
    vec2 p = pixelOf(a->position());
    moveTo(p);
    tick();
    press(p, GLUT_RIGHT_BUTTON);
    EXPECT_EQ(world.pressedId, a->id);
    EXPECT_TRUE(world.rotating);
    tick();
    shellActiveMotion(static_cast<int>(p.x), static_cast<int>(p.y) + 40);
    tick();
    EXPECT_EQ(vec2(camera.camX, camera.camY), vec2(1600.0f, 1600.0f));
    EXPECT_NEAR(a->angle(), std::atan2(1.0f, 0.0f), 1e-3f);
    release(vec2(p.x, p.y + 40.0f), GLUT_RIGHT_BUTTON);
    tick();
    EXPECT_EQ(liveNodes(), 1);
}

// Editing a stored pattern in its own window.
using PatternWindow = GuiTest;

TEST_F(PatternWindow, PressesAddNodesFacingOutDragsJoinAndBackspaceRemoves) {
    drovanMetaNodePat *p = patternSlot(1);
    ASSERT_NE(p, nullptr);
    world.currentWindow = 2;
    vec2 east = pixelOf(vec2(1700.0f, 1600.0f)), south = pixelOf(vec2(1600.0f, 1700.0f));
    click(east);
    click(south);
    ASSERT_EQ(p->nodeCount, 2);
    EXPECT_NEAR(p->nodes[0]->position().x, 100.0f, 1.0f);
    EXPECT_NEAR(p->nodes[0]->position().y, 0.0f, 1.0f);
    EXPECT_NEAR(p->nodes[0]->angle(), 0.0f, 1e-2f);
    EXPECT_NEAR(p->nodes[1]->angle(), std::atan2(1.0f, 0.0f), 1e-2f);
    EXPECT_EQ(liveNodes(), 0) << "nothing lands in the live world";

    drag(east, south);
    EXPECT_NE(p->findEdge(p->nodes[0], p->nodes[1]), nullptr);
    moveTo(vec2(5.0f, 5.0f));
    tick();
    shellKeyboard(8, 0, 0);
    EXPECT_EQ(p->nodeCount, 2) << "backspace over nothing";
    moveTo(east);
    tick();
    EXPECT_EQ(world.hoverId, 0);
    shellKeyboard(8, 0, 0);
    EXPECT_EQ(p->nodeCount, 1);
    world.currentWindow = 0;
}
