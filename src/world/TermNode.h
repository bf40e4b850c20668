#pragma once
// The term node: the ordinary node, run by its colour's rule record.
#include "world/Node.h"

class Atom;
struct ColorRule;

// The ordinary node: its colour's rule record decides what it does each tick.
class TermNode : public Node {
public:
    TermNode(float x, float y, int colour, int nodeIndex);
    ~TermNode() override = default;

    void update() override;
    void draw(DrawPass pass, int flag) override;
    void drawHighlight() override;
    float baseRadius() override { return 32.0f; }
    float radius() override;
    Vec2 position() override { return nodePosition; }
    void setPosition(float x, float y) override { nodePosition = Vec2(x, y); }
    void addCollected(int colour, int n) override;
    void enforceValence() override;
    const float *colourRGB() override;
    void drawInfo() override;
    bool isMovable() override;
    bool isFree() override;
    Node *duplicate(bool randomColour) override;
    int colour() override { return nodeColour; }
    bool convertIntake(int colour, float amount) override;
    void decomposeTouching(Node *other, float depth) override;
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    void interactWithAtoms();
    void processIntake();
    void linkLastNode(Atom *atom);
    bool convertAtom(Atom *atom);
    // Whether this node's colour has a conversion for a (alive) at all.
    bool converts(const Atom *a) const;
    void reproduce();
    // Decay and ageing with the colour's rates and the 0.03 death threshold.
    void decayAndAge();
    // Poisoning-style ageing with the given rate.
    void ageBy(float rate);

    // The rule record of this node's colour (always a row of the table).
    ColorRule &rule() const;
    // Relation kind and affinity toward a colour; none for indexes outside the table.
    int relationKind(int colour) const;
    float relationAffinity(int colour) const;
    // A colour index that can name a row of the table (and so an atom colour).
    static bool inTable(int colour) { return colour >= 0 && colour < kMaxColors; }
    // Most atoms one decomposition or one donut conversion may release at once.
    static constexpr int kMaxReleasedAtoms = 1000;

    Vec2 nodePosition;
    float emitChance = 0.033333335f;
    int nodeColour = 0;
    int collected[kMaxColors] = {};
};
