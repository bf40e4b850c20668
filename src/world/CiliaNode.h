#pragma once
#include "world/TermNode.h"

// A swimmer: feels liked and disliked atoms and, inside a metanode, beats.
class CiliaNode : public TermNode {
public:
    CiliaNode(float x, float y, int colour, int nodeIndex);

    void update() override;
    void draw(DrawPass pass, int flag) override;
    void drawHighlight() override;
    void receive(float x, float y, int colour, int senderId, float amount) override;
    void archive(StateArchive &a) override;

    void feelAtoms();
    void swim();
    void drawCilia(bool highlighted, bool withBody);

    Vec2 swimVelocity;
    float swimSpeed = 0.0f;
    float beatForce = 0.0f;
    int beatCounter = 0;
};
