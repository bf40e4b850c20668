#pragma once
#include <cstdio>

class drovanMetaNode;

// Base of everything that lives in the world: atoms, nodes, edges, patterns.
// Construction registers the thing (head of thingList, tail of its id bucket);
// destruction of a registered thing unlinks it and tells every other thing.
class drovanThing {
public:
    drovanThing();
    virtual ~drovanThing();
    drovanThing(const drovanThing &) = delete;
    drovanThing &operator=(const drovanThing &) = delete;

    virtual void update() {}
    virtual void draw(int pass, int flag) { (void)pass; (void)flag; }
    virtual void drawHighlight() {}
    virtual void print(FILE *file) { (void)file; }
    virtual bool hitTest(float x, float y) { (void)x; (void)y; return false; }
    virtual void thingRemoved(int id) { (void)id; }
    virtual void kill() { dead = 1; }
    virtual void setColour(int colour) { (void)colour; }
    virtual drovanMetaNode *container() { return nullptr; }

    // setStrength of any thing: clamped to 0..1.
    void setStrength(float s);

    // Registry links (see WorldStore).
    drovanThing *next = nullptr;
    drovanThing **prevLink = nullptr;
    drovanThing *bucketNext = nullptr;
    drovanThing **bucketPrevLink = nullptr;
    unsigned char dead = 0;
    unsigned char selected = 0;
    unsigned char registered = 0;
    int id = -1;
    float strength = 1.0f;
    float vigour = 1.0f;
    // No walk's stamp equals this start value (stamps count up from 0).
    int visitMark = -1;
    int patternIndex = -1;
};
