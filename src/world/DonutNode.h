#pragma once
#include "world/TermNode.h"

// A converter: input atoms touching it become output atoms.
class DonutNode : public TermNode {
public:
    DonutNode(float x, float y, int colour, int nodeIndex);

    void update() override;
    void draw(int pass, int flag) override;
    void drawHighlight() override;
    float baseRadius() override { return 32.0f; }
    float radius() override;
    void addCollected(int colour, int n) override;
    float insetAtEnd(int colour) override;
    float insetAtStart(int colour) override;
    float insetUndirected(int colour) override;
    const float *colourRGB() override;
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    void touchAtoms();
    void convertInput(Atom *atom);

    int donutInput = 0;
    int donutOutput = 0;
    float donutFactor = 0.5f;
    int collectedTotal = 0;
};
