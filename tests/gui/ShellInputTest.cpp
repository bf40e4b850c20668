#include <cmath>

#include "GuiFixture.h"
#include "app/Input.h"
#include "world/Edge.h"

// Presses, releases and keys as the toolkit delivers them to the shell.
using PointerEdits = GuiTest;

TEST_F(PointerEdits, PressOnEmptyGroundPlacesNodeOfChosenColour) {
    ASSERT_GE(colorCount, 2);
    world.placeColour = 1;
    vec2 pixel(300.0f, 420.0f);
    vec2 spot = screenToWorld(300, 420);
    press(pixel);
    drovanNode *n = findNode(world.pressedId);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(world.createdId, world.pressedId);
    EXPECT_EQ(n->colour(), 1);
    EXPECT_FLOAT_EQ(n->position().x, std::trunc(spot.x));
    EXPECT_FLOAT_EQ(n->position().y, std::trunc(spot.y));
    tick();
    release(pixel);
    tick();
    EXPECT_EQ(liveNodes(), 1);
    EXPECT_EQ(world.pressedId, -1);
}

TEST_F(PointerEdits, PressOnOneNodeAndReleaseOverAnotherMakesAnEdge) {
    drovanNode *a = node(1000.0f, 1000.0f);
    drovanNode *b = node(1600.0f, 1200.0f);
    ASSERT_TRUE(a && b);
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

TEST_F(PointerEdits, ReleaseOverEmptyGroundMakesNoEdgeAndKeepsSelection) {
    drovanNode *a = node(1000.0f, 1000.0f);
    drovanNode *b = node(1600.0f, 1200.0f);
    ASSERT_TRUE(a && b);
    b->selected = 1;
    press(pixelOf(a->position()));
    tick();
    release(pixelOf(vec2(2400.0f, 2400.0f)));
    tick();
    EXPECT_FALSE(joined(a, b));
    EXPECT_TRUE(b->selected);
    EXPECT_EQ(liveNodes(), 2);
}

TEST_F(PointerEdits, PlainClickOnNodeClearsTheSelection) {
    drovanNode *a = node(1000.0f, 1000.0f);
    drovanNode *b = node(1600.0f, 1200.0f);
    ASSERT_TRUE(a && b);
    a->selected = b->selected = 1;
    click(pixelOf(a->position()));
    EXPECT_FALSE(a->selected);
    EXPECT_FALSE(b->selected);
    EXPECT_EQ(liveNodes(), 2);
}

TEST_F(PointerEdits, ControlClickTogglesOneNode) {
    drovanNode *a = node(1000.0f, 1000.0f);
    ASSERT_NE(a, nullptr);
    click(pixelOf(a->position()), kControlMask);
    EXPECT_TRUE(a->selected);
    advance(0.5f);
    click(pixelOf(a->position()), kControlMask);
    EXPECT_FALSE(a->selected);
}

TEST_F(PointerEdits, DoubleClickSelectsTheConnectedStructureOnly) {
    drovanNode *a = node(1000.0f, 1000.0f);
    drovanNode *b = node(1200.0f, 1000.0f);
    drovanNode *c = node(2000.0f, 2000.0f);
    ASSERT_TRUE(a && b && c);
    ASSERT_NE(createEdge(a, b, 1.0f, false, -1), nullptr);
    vec2 p = pixelOf(a->position());
    press(p);
    advance(0.05f);
    release(p);
    advance(0.05f);
    press(p);
    EXPECT_TRUE(shell.doubleClick);
    release(p);
    tick();
    EXPECT_TRUE(a->selected);
    EXPECT_TRUE(b->selected);
    EXPECT_FALSE(c->selected);
}

TEST_F(PointerEdits, DoubleClickTimingAndThirdPress) {
    shellMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
    EXPECT_FALSE(shell.doubleClick) << "the first press after start is never double";
    shellMouse(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
    advance(0.29f);
    shellMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
    EXPECT_TRUE(shell.doubleClick);
    shellMouse(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
    advance(0.05f);
    shellMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
    EXPECT_FALSE(shell.doubleClick) << "a third quick press is single again";
    shellMouse(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
    advance(0.31f);
    shellMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
    EXPECT_FALSE(shell.doubleClick);
    shellMouse(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
}

TEST_F(PointerEdits, BackspaceDeletesTheHoveredNodeOnly) {
    drovanNode *a = node(1000.0f, 1000.0f);
    drovanNode *b = node(2000.0f, 1000.0f);
    ASSERT_TRUE(a && b);
    int ida = a->id, idb = b->id;
    moveTo(pixelOf(a->position()));
    tick();
    EXPECT_EQ(world.hoverId, ida);
    shellKeyboard(8, 0, 0);
    tick();
    EXPECT_EQ(findNode(ida), nullptr);
    EXPECT_NE(findNode(idb), nullptr);
}

TEST_F(PointerEdits, BackspaceWithNothingUnderThePointerDoesNothing) {
    node(1000.0f, 1000.0f);
    moveTo(vec2(10.0f, 790.0f));
    tick();
    shellKeyboard(8, 0, 0);
    tick();
    EXPECT_EQ(liveNodes(), 1);
}

TEST_F(PointerEdits, DigitPlacesAMetanodeOfAFilledSlotAtThePointer) {
    drovanMetaNodePat *slot = patternSlot(2);
    ASSERT_NE(slot, nullptr);
    ASSERT_NE(slot->addNode(0.0f, 0.0f, 0), nullptr);
    ASSERT_NE(slot->addNode(30.0f, 0.0f, 0), nullptr);
    moveTo(pixelOf(vec2(1500.0f, 1500.0f)));
    tick();
    shellKeyboard('5', 0, 0);  // slot 5 is empty
    EXPECT_EQ(liveNodes(), 0);
    shellKeyboard('2', 0, 0);
    int metas = 0;
    for (drovanThing *t = world.thingList; t; t = t->next) {
        drovanNode *n = dynamic_cast<drovanNode *>(t);
        if (n && !n->dead && n->isMeta() && !n->container()) {
            metas++;
            EXPECT_NEAR(n->position().x, world.lastPointer.x, 0.5f);
            EXPECT_NEAR(n->position().y, world.lastPointer.y, 0.5f);
        }
    }
    EXPECT_EQ(metas, 1);
}

// The camera: wheel zoom, right-button pan and the pixel mapping.
using CameraControl = GuiTest;

TEST_F(CameraControl, ScreenAndWorldMappingsInvertEachOther) {
    camera.zoom = 0.8f;
    camera.camX = 1500.0f;
    camera.camY = 1720.0f;
    vec2 w = screenToWorld(123, 456);
    vec2 s = worldToScreen(w);
    EXPECT_NEAR(s.x, 123.0f, 1e-3f);
    EXPECT_NEAR(s.y, 456.0f, 1e-3f);
    camera.zoom = 1.0f;
    camera.camX = camera.camY = 1600.0f;
    vec2 corner = worldToScreen(vec2(3200.0f, 3200.0f));
    EXPECT_FLOAT_EQ(corner.x, 800.0f);
    EXPECT_FLOAT_EQ(corner.y, 800.0f);
}

TEST_F(CameraControl, WheelZoomsByOnePointTwoPerNotchOverATenthOfASecond) {
    shellWheel(0, 1, 400, 400);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoomTo, 1.2f);
    advance(0.05f);
    shellIdle();
    EXPECT_NEAR(camera.zoom, 1.1f, 1e-4f);
    advance(0.06f);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoom, 1.2f);
    shellWheel(0, -1, 400, 400);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoomTo, 1.2f / 1.2f);
    advance(0.2f);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoom, 1.0f);
}

TEST_F(CameraControl, WheelDuringAnAnimationRestartsFromTheEasedZoom) {
    shellWheel(0, 1, 400, 400);
    shellIdle();
    advance(0.05f);
    shellWheel(0, 1, 400, 400);
    shellIdle();
    EXPECT_NEAR(camera.zoomFrom, 1.1f, 1e-4f);
    EXPECT_NEAR(camera.zoomTo, 1.1f * 1.2f, 1e-4f);
}

TEST_F(CameraControl, WheelDoesNothingOverANode) {
    drovanNode *a = node(1600.0f, 1600.0f);
    ASSERT_NE(a, nullptr);
    moveTo(pixelOf(a->position()));
    tick();
    EXPECT_FALSE(camera.panEnabled);
    shellWheel(0, 1, 400, 400);
    shellIdle();
    EXPECT_FLOAT_EQ(camera.zoomTo, 1.0f);
}

TEST_F(CameraControl, RightDragPansWhenNothingIsHovered) {
    moveTo(vec2(400.0f, 400.0f));
    tick();
    ASSERT_TRUE(camera.panEnabled);
    press(vec2(400.0f, 400.0f), GLUT_RIGHT_BUTTON);
    EXPECT_EQ(world.pressedId, -1) << "a pan press is not forwarded";
    shellActiveMotion(410, 395);
    shellActiveMotion(420, 390);
    EXPECT_FLOAT_EQ(camera.camX, 1600.0f + 20.0f * 4.0f);
    EXPECT_FLOAT_EQ(camera.camY, 1600.0f - 10.0f * 4.0f);
    release(vec2(420.0f, 390.0f), GLUT_RIGHT_BUTTON);
    shellActiveMotion(500, 500);
    EXPECT_FLOAT_EQ(camera.camX, 1680.0f);
    EXPECT_EQ(liveNodes(), 0);
}

TEST_F(CameraControl, RightDragOverANodeTurnsItInsteadOfPanning) {
    drovanNode *a = node(1600.0f, 1600.0f);
    ASSERT_NE(a, nullptr);
    vec2 p = pixelOf(a->position());
    moveTo(p);
    tick();
    press(p, GLUT_RIGHT_BUTTON);
    EXPECT_EQ(world.pressedId, a->id);
    EXPECT_TRUE(world.rotating);
    tick();
    shellActiveMotion(static_cast<int>(p.x), static_cast<int>(p.y) + 40);
    tick();
    EXPECT_FLOAT_EQ(camera.camX, 1600.0f);
    EXPECT_FLOAT_EQ(camera.camY, 1600.0f);
    EXPECT_NEAR(a->angle(), std::atan2(1.0f, 0.0f), 1e-3f);
    release(vec2(p.x, p.y + 40.0f), GLUT_RIGHT_BUTTON);
    tick();
    EXPECT_EQ(liveNodes(), 1);
}

TEST_F(CameraControl, ReshapeKeepsTheWindowSquare) {
    shellReshape(900, 600);
    EXPECT_FLOAT_EQ(camera.unitsPerPixel, 3200.0f / 600.0f);
    EXPECT_EQ(shell.windowSide, 600);
    shellReshape(800, 800);
    EXPECT_FLOAT_EQ(camera.unitsPerPixel, 4.0f);
}

// Editing a stored pattern in its own window.
class PatternWindow : public GuiTest {
protected:
    void patternTick() {
        advance(0.02f);
        idleTick();
    }
};

TEST_F(PatternWindow, PressesAddNodesFacingAwayFromTheCentreAndDragsJoinThem) {
    drovanMetaNodePat *p = patternSlot(1);
    ASSERT_NE(p, nullptr);
    world.currentWindow = 2;
    vec2 east = pixelOf(vec2(1700.0f, 1600.0f));
    vec2 south = pixelOf(vec2(1600.0f, 1700.0f));
    press(east);
    patternTick();
    release(east);
    patternTick();
    press(south);
    patternTick();
    release(south);
    patternTick();
    ASSERT_EQ(p->nodeCount, 2);
    EXPECT_NEAR(p->nodes[0]->position().x, 100.0f, 1.0f);
    EXPECT_NEAR(p->nodes[0]->position().y, 0.0f, 1.0f);
    EXPECT_NEAR(p->nodes[0]->angle(), 0.0f, 1e-2f);
    EXPECT_NEAR(p->nodes[1]->angle(), std::atan2(1.0f, 0.0f), 1e-2f);
    EXPECT_EQ(liveNodes(), 0) << "nothing lands in the live world";

    press(east);
    patternTick();
    moveTo(south);
    patternTick();
    release(south);
    patternTick();
    EXPECT_NE(p->findEdge(p->nodes[0], p->nodes[1]), nullptr);

    moveTo(east);
    patternTick();
    EXPECT_EQ(world.hoverId, 0);
    shellKeyboard(8, 0, 0);
    EXPECT_EQ(p->nodeCount, 1);
    world.currentWindow = 0;
}

TEST_F(PatternWindow, BackspaceOverNothingLeavesThePatternAlone) {
    drovanMetaNodePat *p = patternSlot(0);
    ASSERT_NE(p, nullptr);
    p->addNode(0.0f, 0.0f, 0);
    world.currentWindow = 1;
    moveTo(vec2(5.0f, 5.0f));
    patternTick();
    shellKeyboard(8, 0, 0);
    EXPECT_EQ(p->nodeCount, 1);
    world.currentWindow = 0;
}
