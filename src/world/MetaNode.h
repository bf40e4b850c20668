#pragma once
#include "world/Node.h"

class drovanMetaNodePat;

// A node whose body is a scaled private copy of a pattern.
class drovanMetaNode : public drovanNode {
public:
    drovanMetaNode(float x, float y, drovanMetaNodePat *slotPattern, int nodeIndex);
    ~drovanMetaNode() override;

    void update() override;
    void draw(int pass, int flag) override;
    void drawHighlight() override;
    void thingRemoved(int id) override;
    void kill() override;
    float baseRadius() override { return bodyRadius; }
    float radius() override { return bodyRadius; }
    vec2 position() override { return metaPosition; }
    void setPosition(float x, float y) override { metaPosition = vec2(x, y); }
    bool isMeta() override { return true; }
    const float *colourRGB() override;
    void drawInfo() override;
    drovanNode *duplicate(bool randomColour) override;
    void decomposeTouching(drovanNode *other, float depth) override;
    virtual int slotInstances();

    void applyThrust(float px, float py, float fx, float fy);
    void bodyTick(float x, float y, float a);
    void drawBody(bool highlighted);

    drovanMetaNodePat *body = nullptr;
    vec2 metaPosition;
    float bodyRadius = 32.0f;
};

// Place a metanode of a slot's pattern at a point, as the digit keys do.
drovanMetaNode *placeMetaNode(int slot, float x, float y);
