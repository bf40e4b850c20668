#include <cmath>

#include "GuiFixture.h"
#include "app/Input.h"
#include "world/Edge.h"
#include "world/MetaNode.h"

// Presses, releases and keys as the toolkit delivers them to the shell.
using PointerEdits = GuiTest;

TEST_F(PointerEdits, PressPlacesANodeAndReleaseOverAnotherJoinsThem) {
    Vec2 spot = screenToWorld(300, 420);
    button(Vec2(300.0f, 420.0f), GLUT_DOWN);
    Node *a = findNode(gesture.pressedId);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->position(), Vec2(std::trunc(spot.x), std::trunc(spot.y)));
    button(Vec2(300.0f, 420.0f), GLUT_UP);
    tick();

    Node *b = node(1600.0f, 1200.0f);
    advance(0.5f);  // not a double click
    drag(pixelOf(a->position()), pixelOf(Vec2(2400.0f, 2400.0f)));
    EXPECT_EQ(adjacency[a->nodeIndex][b->nodeIndex], nullptr) << "released over nothing";
    advance(0.5f);
    drag(pixelOf(a->position()), pixelOf(b->position()));
    EXPECT_NE(adjacency[a->nodeIndex][b->nodeIndex], nullptr);
    EXPECT_EQ(liveNodes(), 2);
}

TEST_F(PointerEdits, PlainClickClearsAndDoubleClickSelectsTheComponent) {
    Node *a = node(1000.0f, 1000.0f), *b = node(1200.0f, 1000.0f), *c = node(2000.0f, 2000.0f);
    a->selected = c->selected = 1;
    click(pixelOf(a->position()));
    EXPECT_FALSE(a->selected || c->selected);

    ASSERT_NE(createEdge(a, b, 1.0f, false, -1), nullptr);
    advance(0.5f);
    Vec2 p = pixelOf(a->position());
    for (int i = 0; i < 2; i++) {
        button(p, GLUT_DOWN);
        advance(0.05f);
        button(p, GLUT_UP);
    }
    tick();
    EXPECT_TRUE(a->selected && b->selected);
    EXPECT_FALSE(c->selected);
}

TEST_F(PointerEdits, ShiftDragMovesTheSelectionThePressedNodeBelongsTo) {
    Node *a = node(1000.0f, 1000.0f), *b = node(1400.0f, 1000.0f), *c = node(2000.0f, 2000.0f);
    a->selected = b->selected = 1;
    Vec2 from = pixelOf(a->position());
    drag(from, from + Vec2(10.0f, 0.0f), kShiftMask);
    float moved = a->position().x - 1000.0f;
    EXPECT_GT(moved, 1.0f);
    EXPECT_FLOAT_EQ(b->position().x - 1400.0f, moved) << "the selection moves with it";
    EXPECT_FLOAT_EQ(c->position().x, 2000.0f);
}

TEST_F(PointerEdits, BackspaceDeletesTheHoveredNodeAndADigitPlacesAMetanode) {
    Node *a = node(1000.0f, 1000.0f), *b = node(2000.0f, 1000.0f);
    int ida = a->id, idb = b->id;
    moveTo(pixelOf(a->position()));
    tick();
    shellKeyboard(8, 0, 0);
    tick();
    EXPECT_EQ(findNode(ida), nullptr);
    EXPECT_NE(findNode(idb), nullptr);

    ASSERT_TRUE(patternSlot(2)->addNode(0.0f, 0.0f, 0) && patternSlot(2)->addNode(30.0f, 0.0f, 0));
    moveTo(pixelOf(Vec2(1500.0f, 1500.0f)));
    tick();
    shellKeyboard('2', 0, 0);
    int metas = 0;
    for (Thing *t = world.thingList; t; t = t->next) {
        Node *n = dynamic_cast<Node *>(t);
        if (!n || n->dead || !n->isMeta() || n->container()) continue;
        metas++;
        EXPECT_NEAR(n->position().x, gesture.lastPointer.x, 0.5f);
        EXPECT_NEAR(n->position().y, gesture.lastPointer.y, 0.5f);
    }
    EXPECT_EQ(metas, 1);
}

// The camera: wheel zoom and right-button pan.
using CameraControl = GuiTest;

TEST_F(CameraControl, WheelZoomsByOnePointTwoPerNotchOverATenthOfASecond) {
    // Wheel notch (0 for none), seconds waited after it, then zoom and target.
    struct Step {
        int notch;
        float wait, zoom, zoomTo;
    };
    const Step steps[] = {{1, 0.0f, 1.0f, 1.2f},
                          {0, 0.05f, 1.1f, 1.2f},
                          {0, 0.06f, 1.2f, 1.2f},
                          {-1, 0.0f, 1.2f, 1.0f},
                          {0, 0.2f, 1.0f, 1.0f},
                          // A notch during an animation restarts from the eased zoom.
                          {1, 0.05f, 1.1f, 1.2f},
                          {1, 0.0f, 1.1f, 1.1f * 1.2f}};
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
}

TEST_F(CameraControl, RightDragPansOnlyWhenNothingIsHovered) {
    moveTo(Vec2(400.0f, 400.0f));
    tick();
    button(Vec2(400.0f, 400.0f), GLUT_DOWN, GLUT_RIGHT_BUTTON);
    shellActiveMotion(410, 395);
    shellActiveMotion(420, 390);
    EXPECT_EQ(Vec2(camera.camX, camera.camY), Vec2(1680.0f, 1560.0f));
    button(Vec2(420.0f, 390.0f), GLUT_UP, GLUT_RIGHT_BUTTON);
    EXPECT_EQ(liveNodes(), 0);

    camera.camX = camera.camY = 1600.0f;
    Node *spun = node(1600.0f, 1600.0f), *other = node(1000.0f, 1000.0f);
    other->selected = 1;
    Vec2 p = pixelOf(spun->position());
    moveTo(p);
    advance(1.0f);  // not a double click with the pan's press
    tick();
    button(p, GLUT_DOWN, GLUT_RIGHT_BUTTON);
    tick();
    shellActiveMotion(static_cast<int>(p.x), static_cast<int>(p.y) + 40);
    tick();
    EXPECT_EQ(Vec2(camera.camX, camera.camY), Vec2(1600.0f, 1600.0f));
    EXPECT_TRUE(gesture.rotating);
    // Turned toward the pointer below it; letting go over its centre keeps
    // that, and ends the press as a click there would (the selection goes).
    EXPECT_NEAR(std::fabs(spun->angle()), 1.5708f, 0.05f);
    EXPECT_TRUE(other->selected);
    button(p, GLUT_UP, GLUT_RIGHT_BUTTON);
    tick();
    EXPECT_NEAR(std::fabs(spun->angle()), 1.5708f, 0.05f);
    EXPECT_FALSE(other->selected);

    // The same in a pattern window, over one of the pattern's nodes.
    ASSERT_TRUE(patternSlot(1)->addNode(0.0f, 0.0f, 0));
    panelChoices.currentWindow = 2;
    moveTo(p);
    tick();
    button(p, GLUT_DOWN, GLUT_RIGHT_BUTTON);
    shellActiveMotion(static_cast<int>(p.x), static_cast<int>(p.y) + 40);
    EXPECT_EQ(Vec2(camera.camX, camera.camY), Vec2(1600.0f, 1600.0f));
    button(p, GLUT_UP, GLUT_RIGHT_BUTTON);
    panelChoices.currentWindow = 0;
}

// Editing a stored pattern in its own window.
TEST_F(PointerEdits, PatternWindowTakesNewNodesAndEdgesOutOfTheLiveWorld) {
    Pattern *p = patternSlot(1);
    panelChoices.currentWindow = 2;
    Vec2 east = pixelOf(Vec2(1700.0f, 1600.0f)), south = pixelOf(Vec2(1600.0f, 1700.0f));
    click(east);
    click(south);
    drag(east, south);
    panelChoices.currentWindow = 0;
    ASSERT_EQ(p->nodeCount, 2);
    EXPECT_NEAR(p->nodes[0]->position().x, 100.0f, 1.0f);
    EXPECT_NE(p->findEdge(p->nodes[0], p->nodes[1]), nullptr);
    EXPECT_EQ(liveNodes(), 0);
}

// The pointer takes a node anywhere inside its radius and nowhere outside,
// whatever its kind and size; where nodes overlap the newest is taken.
TEST_F(PointerEdits, PickingTakesTheNewestNodeWithinItsRadius) {
    loadRulesText("Plain is 0.9 0.3 0.1\nDonut is 0.6 0.2 0.7\nGrit is 0.5 0.5 0.5\nSwimmer is 0.1 0.3 0.9\n"
                  "Donut converts Grit to Plain\nDonut is donut\nSwimmer is cilia\nGrit size is 0.3\n");
    ASSERT_TRUE(patternSlot(0)->addNode(0.0f, 0.0f, 0) && patternSlot(0)->addNode(300.0f, 0.0f, 0));
    Node *weakDonut = node(1000.0f, 1400.0f, 1);
    weakDonut->strength = 0.2f;
    Node *shown[] = {node(1000.0f, 1000.0f, 0), node(1200.0f, 1000.0f, 1), weakDonut,
                     node(1400.0f, 1000.0f, 3), node(1600.0f, 1000.0f, 2), placeMetaNode(0, 1000.0f, 2000.0f)};
    for (Node *n : shown) {
        ASSERT_NE(n, nullptr);
        Vec2 c = n->position();
        float r = n->radius();
        ASSERT_GT(r, 2.0f);
        for (int k = 0; k < 8; k++) {
            Vec2 dir(std::cos(0.785f * k), std::sin(0.785f * k));
            Vec2 in = c + dir * (r - 0.1f), out = c + dir * (r + 0.1f);
            EXPECT_EQ(pickAt(in.x, in.y), n->id) << n->id << " inside, towards " << k;
            EXPECT_EQ(pickAt(out.x, out.y), -1) << n->id << " outside, towards " << k;
        }
    }
    Node *newer = node(1010.0f, 1000.0f, 0);
    EXPECT_EQ(pickAt(1005.0f, 1000.0f), newer->id);
    newer->kill();
    EXPECT_EQ(pickAt(1005.0f, 1000.0f), shown[0]->id) << "a dead node is never taken";
}
