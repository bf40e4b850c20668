#include "app/Input.h"

#include <cmath>

#include "app/Shell.h"
#include "render/Camera.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/Walkers.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

Vec2 pointerWorld() { return screenToWorld(shell.pointerX, shell.pointerY); }

PointerMarks pointerMarks() {
    PointerMarks m;
    m.pressedId = world.pressedId;
    m.hoverId = world.hoverId;
    m.rubberBand = !world.dragging && !world.rotating;
    m.pointer = pointerWorld();
    m.placeColour = world.placeColour;
    return m;
}

Pattern *shownPattern() { return world.currentWindow > 0 ? patternSlot(world.currentWindow - 1) : nullptr; }

int pickAt(float x, float y) {
    for (Thing *t = world.thingList; t; t = t->next)
        if (!t->dead && t->hitTest(x, y)) return t->id;
    return -1;
}

// Step 1 of every press.
static void startPress(int x, int y) {
    world.clearOnRelease = 0;
    world.buttonDown = 1;
    world.pressPoint = Vec2(static_cast<float>(x), static_cast<float>(y));
    world.createdId = -1;
    world.hoverId = -1;
    world.rotating = 0;
}

// Step 3: what a press on a thing means for dragging and turning.
static void chooseDragMode() {
    if (world.pressedId != -1) {
        if (shell.rightDown)
            world.rotating = 1;
        else
            world.dragging = (shell.modifiers & kShiftMask) ? 1 : 0;
    } else {
        world.dragging = 0;
    }
}

static void duplicateUnderPointer() {
    Node *n = findNode(world.pressedId);
    if (!n) return;
    if (!n->selected) {
        Node *copy = n->duplicate(false);
        if (copy) {
            world.pressedId = copy->id;
            world.dragging = 1;
        }
        return;
    }
    SelectionWalker spider;
    GraphReplicator replicator(&spider);
    replicator.replicate();
    clearSelection();
    replicator.selectCopies(true);
    world.pressedId = replicator.firstCopyId();
    world.dragging = 1;
}

static void onPatternPress(Pattern *pattern, int x, int y) {
    if (pattern) pattern->translate(1600.0f, 1600.0f);
    startPress(x, y);
    world.pressedId = pattern ? pattern->hitNode(static_cast<float>(x), static_cast<float>(y)) : -1;
    bool alt = (shell.modifiers & kAltMask) != 0;
    if (!(alt && !shell.doubleClick)) {
        chooseDragMode();
        if (world.pressedId == -1 && pattern) {
            float fx = static_cast<float>(x), fy = static_cast<float>(y);
            Node *n = pattern->addNode(fx, fy, world.placeColour);
            if (n) {
                n->setAngle(std::atan2(fy - 1600.0f, fx - 1600.0f));
                world.pressedId = world.createdId = n->id;
            }
        }
        bool control = (shell.modifiers & kControlMask) != 0;
        if (!control && !shell.doubleClick && world.createdId == -1) world.clearOnRelease = 1;
    }
    if (pattern) pattern->translate(-1600.0f, -1600.0f);
}

void onPress(int x, int y) {
    if (world.currentWindow > 0) {
        onPatternPress(shownPattern(), x, y);
        return;
    }
    startPress(x, y);
    world.pressedId = pickAt(static_cast<float>(x), static_cast<float>(y));
    bool alt = (shell.modifiers & kAltMask) != 0;
    bool control = (shell.modifiers & kControlMask) != 0;
    if (alt && !shell.doubleClick) {
        duplicateUnderPointer();
        return;
    }
    chooseDragMode();
    if (world.pressedId == -1) {
        Node *n = createNode(static_cast<float>(x), static_cast<float>(y), world.placeColour);
        if (n) world.pressedId = world.createdId = n->id;
    }
    if (!control && !shell.doubleClick) {
        if (world.createdId == -1) world.clearOnRelease = 1;
        return;
    }
    Thing *t = findThing(world.pressedId);
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
    if (world.currentWindow > 0) {
        if (key != 8) return;
        Pattern *pattern = shownPattern();
        if (pattern) pattern->removeNode(world.hoverId != -1 ? world.hoverId : world.pressedId);
        world.pressedId = world.hoverId = -1;
        return;
    }
    if (key >= '0' && key <= '9') {
        int slot = key - '0';
        Pattern *s = patternSlot(slot);
        if (s && s->nodeCount > 0 && firstFreeNodeSlot() >= 0)
            placeMetaNode(slot, world.lastPointer.x, world.lastPointer.y);
        return;
    }
    if (key == 8) {
        Thing *t = findThing(world.hoverId != -1 ? world.hoverId : world.pressedId);
        if (t) killSelectionWith(t);
    }
}

void applyPointer(Vec2 p) {
    if (world.pressedId != -1) {
        if (shell.rightDown && world.rotating) {
            if (Node *n = findNode(world.pressedId)) {
                Vec2 pos = n->position();
                n->setAngle(std::atan2(p.y - pos.y, p.x - pos.x));
            }
        } else if (!shell.anyButtonDown && !world.dragging) {
            world.hoverId = pickAt(p.x, p.y);
            connectNodes(world.pressedId, world.hoverId, true);
            if (world.hoverId == world.pressedId && world.clearOnRelease) clearSelection();
            world.pressedId = world.hoverId = -1;
        } else if (shell.anyButtonDown && world.dragging) {
            dragNodes(world.pressedId, p.x - world.lastPointer.x, p.y - world.lastPointer.y, true);
        }
    }
    if (!shell.anyButtonDown) {
        world.buttonDown = 0;
        world.pressedId = -1;
    }
    world.lastPointer = p;
}

void applyPatternPointer(Pattern *pattern, Vec2 p) {
    if (world.pressedId != -1) {
        if (shell.rightDown && world.rotating) {
            Node *n = pattern ? dynamic_cast<Node *>(pattern->findThing(world.pressedId)) : nullptr;
            if (n) {
                Vec2 pos = n->position();
                n->setAngle(std::atan2(p.y - pos.y, p.x - pos.x));
            }
        } else if (!shell.anyButtonDown && !world.dragging) {
            if (pattern) {
                world.hoverId = pattern->hitNode(p.x, p.y);
                pattern->connect(world.pressedId, world.hoverId, true);
                if (world.hoverId == world.pressedId && world.clearOnRelease) pattern->clearSelection();
            }
            world.pressedId = world.hoverId = -1;
        } else if (shell.anyButtonDown && world.dragging && pattern) {
            pattern->moveNodeBy(world.pressedId, p.x - world.lastPointer.x, p.y - world.lastPointer.y, true);
        }
    }
    if (!shell.anyButtonDown) {
        world.buttonDown = 0;
        world.pressedId = -1;
    }
    world.lastPointer = p;
}
