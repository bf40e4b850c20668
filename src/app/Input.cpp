#include "app/Input.h"

#include <cmath>

#include "app/Panel.h"
#include "app/Shell.h"
#include "render/Camera.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/Selection.h"
#include "world/Node.h"
#include "world/Walkers.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

Vec2 pointerWorld() { return screenToWorld(shell.pointerX, shell.pointerY); }

Gesture gesture;

void forgetGesture() {
    gesture.pressedId = gesture.hoverId = gesture.createdId = -1;
    gesture.dragging = gesture.rotating = gesture.clearOnRelease = 0;
    if (panelChoices.placeColour >= colorCount) panelChoices.placeColour = 0;
}

PointerMarks pointerMarks() {
    PointerMarks m;
    m.pressedId = gesture.pressedId;
    m.hoverId = gesture.hoverId;
    m.rubberBand = !gesture.dragging && !gesture.rotating;
    m.pointer = pointerWorld();
    m.placeColour = panelChoices.placeColour;
    return m;
}

Pattern *shownPattern() {
    return panelChoices.currentWindow > 0 ? patternSlot(panelChoices.currentWindow - 1) : nullptr;
}

int pickAt(float x, float y) {
    for (Thing *t = world.thingList; t; t = t->next)
        if (!t->dead && t->hitTest(x, y)) return t->id;
    return -1;
}

// The colour a new edge takes: the placing colour with coloured edges.
static int edgeColour() { return world.coloredEdges ? panelChoices.placeColour : -1; }

// Step 1 of every press.
static void startPress(int x, int y) {
    gesture.clearOnRelease = 0;
    gesture.buttonDown = 1;
    gesture.pressPoint = Vec2(static_cast<float>(x), static_cast<float>(y));
    gesture.createdId = -1;
    gesture.hoverId = -1;
    gesture.rotating = 0;
}

// Step 3: what a press on a thing means for dragging and turning.
static void chooseDragMode() {
    if (gesture.pressedId != -1) {
        if (shell.rightDown)
            gesture.rotating = 1;
        else
            gesture.dragging = (shell.modifiers & kShiftMask) ? 1 : 0;
    } else {
        gesture.dragging = 0;
    }
}

static void duplicateUnderPointer() {
    Node *n = findNode(gesture.pressedId);
    if (!n) return;
    if (!n->selected) {
        Node *copy = n->duplicate(false);
        if (copy) {
            gesture.pressedId = copy->id;
            gesture.dragging = 1;
        }
        return;
    }
    SelectionWalker spider;
    GraphReplicator replicator(&spider);
    replicator.replicate();
    clearSelection();
    replicator.selectCopies(true);
    gesture.pressedId = replicator.firstCopyId();
    gesture.dragging = 1;
}

static void onPatternPress(Pattern *pattern, int x, int y) {
    if (pattern) pattern->translate(1600.0f, 1600.0f);
    startPress(x, y);
    gesture.pressedId = pattern ? pattern->hitNode(static_cast<float>(x), static_cast<float>(y)) : -1;
    bool alt = (shell.modifiers & kAltMask) != 0;
    if (!(alt && !shell.doubleClick)) {
        chooseDragMode();
        if (gesture.pressedId == -1 && pattern) {
            float fx = static_cast<float>(x), fy = static_cast<float>(y);
            Node *n = pattern->addNode(fx, fy, panelChoices.placeColour);
            if (n) {
                n->setAngle(std::atan2(fy - 1600.0f, fx - 1600.0f));
                gesture.pressedId = gesture.createdId = n->id;
            }
        }
        bool control = (shell.modifiers & kControlMask) != 0;
        if (!control && !shell.doubleClick && gesture.createdId == -1) gesture.clearOnRelease = 1;
    }
    if (pattern) pattern->translate(-1600.0f, -1600.0f);
}

void onPress(int x, int y) {
    if (panelChoices.currentWindow > 0) {
        onPatternPress(shownPattern(), x, y);
        return;
    }
    startPress(x, y);
    gesture.pressedId = pickAt(static_cast<float>(x), static_cast<float>(y));
    bool alt = (shell.modifiers & kAltMask) != 0;
    bool control = (shell.modifiers & kControlMask) != 0;
    if (alt && !shell.doubleClick) {
        duplicateUnderPointer();
        return;
    }
    chooseDragMode();
    if (gesture.pressedId == -1) {
        Node *n = createNode(static_cast<float>(x), static_cast<float>(y), panelChoices.placeColour);
        if (n) gesture.pressedId = gesture.createdId = n->id;
    }
    if (!control && !shell.doubleClick) {
        if (gesture.createdId == -1) gesture.clearOnRelease = 1;
        return;
    }
    Thing *t = findThing(gesture.pressedId);
    if (!t) return;
    if (shell.doubleClick) {
        bool s = t->selected != 0;
        if (!control) {
            clearSelection();
            s = !s;
        }
        selectComponent(t, s);
    } else {
        t->selected = t->selected ? 0 : 1;
    }
}

void onKey(int key) {
    if (panelChoices.currentWindow > 0) {
        if (key != 8) return;
        Pattern *pattern = shownPattern();
        if (pattern) pattern->removeNode(gesture.hoverId != -1 ? gesture.hoverId : gesture.pressedId);
        gesture.pressedId = gesture.hoverId = -1;
        return;
    }
    if (key >= '0' && key <= '9') {
        int slot = key - '0';
        Pattern *s = patternSlot(slot);
        if (s && s->nodeCount > 0 && firstFreeNodeSlot() >= 0)
            placeMetaNode(slot, gesture.lastPointer.x, gesture.lastPointer.y);
        return;
    }
    if (key == 8) {
        if (Thing *t = deleteTarget()) killSelectionWith(t);
    }
}

Thing *deleteTarget() { return findThing(gesture.hoverId != -1 ? gesture.hoverId : gesture.pressedId); }

void applyPointer(Vec2 p) {
    if (gesture.pressedId != -1) {
        if (shell.rightDown && gesture.rotating) {
            if (Node *n = findNode(gesture.pressedId)) {
                Vec2 pos = n->position();
                n->setAngle(std::atan2(p.y - pos.y, p.x - pos.x));
            }
        } else if (!shell.anyButtonDown && !gesture.dragging) {
            gesture.hoverId = pickAt(p.x, p.y);
            connectNodes(gesture.pressedId, gesture.hoverId, true, edgeColour());
            if (gesture.hoverId == gesture.pressedId && gesture.clearOnRelease) clearSelection();
            gesture.pressedId = gesture.hoverId = -1;
        } else if (shell.anyButtonDown && gesture.dragging) {
            dragNodes(gesture.pressedId, p.x - gesture.lastPointer.x, p.y - gesture.lastPointer.y, true);
        }
    }
    if (!shell.anyButtonDown) {
        gesture.buttonDown = 0;
        gesture.pressedId = -1;
    }
    gesture.lastPointer = p;
}

void applyPatternPointer(Pattern *pattern, Vec2 p) {
    if (gesture.pressedId != -1) {
        if (shell.rightDown && gesture.rotating) {
            Node *n = pattern ? dynamic_cast<Node *>(pattern->findThing(gesture.pressedId)) : nullptr;
            if (n) {
                Vec2 pos = n->position();
                n->setAngle(std::atan2(p.y - pos.y, p.x - pos.x));
            }
        } else if (!shell.anyButtonDown && !gesture.dragging) {
            if (pattern) {
                gesture.hoverId = pattern->hitNode(p.x, p.y);
                pattern->connect(gesture.pressedId, gesture.hoverId, true, edgeColour());
                if (gesture.hoverId == gesture.pressedId && gesture.clearOnRelease) pattern->clearSelection();
            }
            gesture.pressedId = gesture.hoverId = -1;
        } else if (shell.anyButtonDown && gesture.dragging && pattern) {
            pattern->moveNodeBy(gesture.pressedId, p.x - gesture.lastPointer.x, p.y - gesture.lastPointer.y, true);
        }
    }
    if (!shell.anyButtonDown) {
        gesture.buttonDown = 0;
        gesture.pressedId = -1;
    }
    gesture.lastPointer = p;
}
