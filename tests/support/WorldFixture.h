#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/NeighbourGrid.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

// A bare node for exercising the node base, edges, atoms and the step without
// any term-node behaviour.
class TestNode : public Node {
public:
    TestNode(float x, float y, int colour = 0, float r = 10.0f, int slot = -2)
        : Node(slot == -2 ? firstFreeNodeSlot() : slot), pos(x, y), col(colour), rad(r) {}

    float baseRadius() override { return rad; }
    float radius() override { return rad; }
    Vec2 position() override { return pos; }
    void setPosition(float x, float y) override { pos = Vec2(x, y); }
    const float *colourRGB() override { return rgb; }
    Node *duplicate(bool) override { return nullptr; }
    int colour() override { return col; }
    bool isFree() override { return freeNode && Node::isFree(); }
    bool isMovable() override { return freeNode; }
    void addCollected(int, int n) override { collected += n; }
    float insetAtStart(int) override { return inset; }
    float insetAtEnd(int) override { return inset; }
    float insetUndirected(int) override { return inset; }
    void decomposeTouching(Node *, float) override {}

    Vec2 pos;
    int col;
    float rad, inset = 0.0f;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    bool freeNode = true;
    int collected = 0;
};

// A thing that is neither node, edge nor atom (stands in for patterns).
class TestThing : public Thing {};

// Resets the world between tests: no things, start settings, three plain
// colours, empty grids and the generator back at its first state.
class WorldFixture : public ::testing::Test {
protected:
    void SetUp() override { resetWorldForTest(); }
    void TearDown() override { killAll(); }

    static void resetWorldForTest() {
        resetToFreshProcess();
        resetSettings();
        colorCount = 3;
        const char *names[3] = {"Red", "Green", "Blue"};
        for (int i = 0; i < 3; i++) std::strcpy(colorTable[i].name, names[i]), colorTable[i].rgb[i] = 1.0f;
        world.renderAtomAggregates = 0;
    }

    // Live atoms, of one colour or (colour -1) of any.
    static int liveAtoms(int colour = -1) {
        int n = 0;
        for (Thing *t = world.thingList; t; t = t->next)
            if (auto *a = dynamic_cast<Atom *>(t)) n += !a->dead && (colour < 0 || a->colour == colour);
        return n;
    }
    // An atom of the given strength, already in the atom grid.
    static Atom *gridAtom(float x, float y, int c, float s = 1.0f, int creator = -1) {
        Atom *a = new Atom(x, y, c, creator);
        a->strength = s;
        rebuildAtomGrid();
        return a;
    }
};
