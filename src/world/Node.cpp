// Placeholder bodies; replaced by the simulation core.
#include "world/Node.h"
#include "world/Edge.h"
#include "world/Atom.h"
#include "world/TermNode.h"

drovanNode::drovanNode(int idx) : nodeIndex(idx) {
    if (idx >= 0 && idx < kNodeTableSize) { world.nodeTable[idx] = this; world.nodeTableCount++; }
}
drovanNode::~drovanNode() {}
void drovanNode::thingRemoved(int id) { (void)id; }
bool drovanNode::hitTest(float x, float y) { (void)x; (void)y; return false; }
void drovanNode::drawEdgeHighlights() {}
void drovanNode::moveTo(float x, float y) { setPosition(x, y); }
void drovanNode::moveBy(float dx, float dy) { vec2 p = position(); setPosition(p.x + dx, p.y + dy); }
void drovanNode::push(float dx, float dy, float maxSpeed) { (void)dx; (void)dy; (void)maxSpeed; }
void drovanNode::turn(float dAngle, float maxRate) { (void)dAngle; (void)maxRate; }
void drovanNode::receive(float x, float y, int colour, int senderId, float amount) { (void)x; (void)y; (void)colour; (void)senderId; (void)amount; }
void drovanNode::setAngle(float a) { nodeAngle = a; }
void drovanNode::setTargetAngle(float a) { nodeTargetAngle = a; }
void drovanNode::attachEdge(drovanEdge *e) { (void)e; }
void drovanNode::detachEdge(drovanEdge *e) { (void)e; }
void drovanNode::integrate() {}
drovanEdge *drovanNode::nextAttachedEdge(int &c) { (void)c; return nullptr; }
drovanEdge *drovanNode::nextIncomingEdge(int &c) { (void)c; return nullptr; }
drovanEdge *drovanNode::nextTouchingEdge(int &c) { (void)c; return nullptr; }
void drovanNode::dropWeakestEdge() {}
void drovanNode::setEdgeStrengths(float s) { (void)s; }
void drovanNode::feedOn(drovanAtom *a) { (void)a; }
void drovanNode::killHeldAtoms(int c, int n) { (void)c; (void)n; }
void drovanNode::unregisterNode() {}
drovanNode *createNode(float x, float y, int colour) { (void)x; (void)y; (void)colour; return nullptr; }
int firstFreeNodeSlot() { return -1; }
drovanNode *nodeAt(int index) { return index >= 0 && index < kNodeTableSize ? world.nodeTable[index] : nullptr; }
void enforceAllValences() {}
