#pragma once
// The thing: the base of everything in the world, its kinds, its draw passes
// and its registration.
#include <cstdio>

class MetaNode;
class ColourVisitor;
class StateArchive;

// What a thing is, as far as removal notices need to know. Set by the atom,
// node and edge constructors; everything else stays ThingOther.
enum ThingKind : unsigned char { ThingOther = 0, ThingAtom = 1, ThingNode = 2, ThingEdge = 3 };

// The passes of a frame, drawn in this order (the frame draws the rings
// itself); in each, a thing draws its part of the picture, if any.
enum DrawPass : int {
    PassPattern = -5,    // a pattern window: the pattern draws itself whole
    PassHeldAtoms = -4,  // atoms held by nodes, under everything else
    PassEdges = -3,      // edge lines
    PassArrows = -2,     // the arrowheads of directed edges
    PassRings = -1,      // selection rings
    PassNodes = 0,       // nodes, free atoms and metanode bodies
};

// Base of everything that lives in the world: atoms, nodes, edges, patterns.
// Construction registers the thing (head of thingList, tail of its id bucket);
// destruction of a registered thing unlinks it and tells every other thing.
class Thing {
public:
    Thing();
    virtual ~Thing();
    Thing(const Thing &) = delete;
    Thing &operator=(const Thing &) = delete;

    virtual void update() {}
    virtual void draw(DrawPass pass, int flag) {
        (void)pass;
        (void)flag;
    }
    virtual void drawHighlight() {}
    virtual bool hitTest(float x, float y) {
        (void)x;
        (void)y;
        return false;
    }
    // Another thing is leaving the registry (it is being destroyed).
    virtual void thingRemoved(const Thing *gone) { (void)gone; }
    virtual void kill() { markDead(); }
    virtual void setColour(int colour) { (void)colour; }
    virtual MetaNode *container() { return nullptr; }
    // Every field that decides a later step, base fields first (StateArchive.h).
    virtual void archive(StateArchive &a);
    // Every colour index the thing holds (ColourVisitor.h); a pattern's or a
    // metanode's entries are things of their own and visited as such.
    virtual void visitColours(ColourVisitor &v) { (void)v; }

    // setStrength of any thing: clamped to 0..1.
    void setStrength(float s);
    // Sets dead, telling the store (every kill ends here).
    void markDead();

    // Registry links (see WorldStore).
    Thing **prevLink = nullptr;
    Thing *bucketNext = nullptr;
    Thing **bucketPrevLink = nullptr;
    // The previous thing of the bucket (nullptr at its head), so the bucket
    // tail is known without a walk.
    Thing *bucketPrev = nullptr;
    // Links of the list of registered things of the same kind, newest first.
    Thing **kindPrevLink = nullptr;
    // Registration order: thingList runs from the highest serial down.
    unsigned long long serial = 0;
    int id = -1;
    float vigour = 1.0f;
    // No walk's stamp equals this start value (stamps count up from 0).
    int visitMark = -1;
    int patternIndex = -1;
    // The id whose removal this thing must hear of, when noticeIndexed (see
    // setNoticeKey); only atoms use it.
    int noticeKey = 0;
    // Place in the registration-ordered table of things (see WorldStore).
    int orderSlot = -1;
    // What the list walks and neighbour queries read sits last, next to the
    // first fields of the derived classes.
    float strength = 1.0f;
    Thing *kindNext = nullptr;
    Thing *next = nullptr;
    unsigned char dead = 0;
    unsigned char selected = 0;
    unsigned char registered = 0;
    unsigned char noticeIndexed = 0;
    // Set by things that never refer to an atom, so an atom's removal skips them.
    unsigned char deafToAtoms = 0;
    ThingKind kind = ThingOther;

protected:
    // For the constructors of the known kinds.
    void setKind(ThingKind k);
};
