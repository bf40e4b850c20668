// Placeholder bodies; replaced by the metanode work.
#include "world/MetaNode.h"

drovanMetaNode::drovanMetaNode(float x, float y, drovanMetaNodePat *p, int idx) : drovanNode(idx) { (void)p; metaPosition = vec2(x, y); }
drovanMetaNode::~drovanMetaNode() {}
void drovanMetaNode::update() {}
void drovanMetaNode::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanMetaNode::drawHighlight() {}
void drovanMetaNode::thingRemoved(int id) { (void)id; }
void drovanMetaNode::kill() { dead = 1; }
const float *drovanMetaNode::colourRGB() { static float black[3] = {0, 0, 0}; return black; }
void drovanMetaNode::drawInfo() {}
drovanNode *drovanMetaNode::duplicate(bool r) { (void)r; return nullptr; }
void drovanMetaNode::decomposeTouching(drovanNode *o, float d) { (void)o; (void)d; }
int drovanMetaNode::slotInstances() { return 0; }
void drovanMetaNode::applyThrust(float px, float py, float fx, float fy) { (void)px; (void)py; (void)fx; (void)fy; }
void drovanMetaNode::bodyTick(float x, float y, float a) { (void)x; (void)y; (void)a; }
void drovanMetaNode::drawBody(bool h) { (void)h; }
drovanMetaNode *placeMetaNode(int slot, float x, float y) { (void)slot; (void)x; (void)y; return nullptr; }
