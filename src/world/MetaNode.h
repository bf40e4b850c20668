#pragma once
// The metanode: a node whose body is a scaled copy of a slot's pattern, and its
// placing.
#include "world/Node.h"

class Pattern;

// A node whose body is a scaled private copy of a pattern.
class MetaNode : public Node {
public:
    // Prefer make(): a metanode whose body could not be instantiated has no body
    // and dies at its first tick.
    MetaNode(float x, float y, Pattern *slotPattern, int nodeIndex);
    ~MetaNode() override;

    // Build a metanode in a free table slot; nullptr (and nothing left behind)
    // when there is no pattern or its body cannot be instantiated.
    static MetaNode *make(float x, float y, Pattern *slotPattern, int nodeIndex);

    void update() override;
    void draw(DrawPass pass, int flag) override;
    void drawHighlight() override;
    void thingRemoved(const Thing *gone) override;
    void kill() override;
    float baseRadius() override { return bodyRadius; }
    float radius() override { return bodyRadius; }
    Vec2 position() override { return metaPosition; }
    void setPosition(float x, float y) override { metaPosition = Vec2(x, y); }
    bool isMeta() override { return true; }
    const float *colourRGB() override;
    void drawInfo() override;
    Node *duplicate(bool randomColour) override;
    void decomposeTouching(Node *other, float depth) override;
    virtual int slotInstances();
    void archive(StateArchive &a) override;

    void applyThrust(float px, float py, float fx, float fy);
    void bodyTick(float x, float y, float a);
    void drawBody(bool highlighted);

    // Reach of the sensing and reaction passes, and of the aggregate cell walk.
    float senseRadius();
    static float cellSenseRadius();
    void sensingPass();
    void reactionPass();
    void feedingPass();

    Pattern *body = nullptr;
    Vec2 metaPosition;
    float bodyRadius = 32.0f;
};

// Place a metanode of a slot's pattern at a point, as the digit keys do: the
// slot's pattern must hold a node and the node table a free slot (the lowest
// is taken). Returns the metanode or nullptr.
MetaNode *placeMetaNode(int slot, float x, float y);
