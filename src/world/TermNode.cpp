// Placeholder bodies; replaced by the simulation core.
#include "world/TermNode.h"

drovanTermNode::drovanTermNode(float x, float y, int c, int idx) : drovanNode(idx) { nodePosition = vec2(x, y); nodeColour = c; }
void drovanTermNode::update() {}
void drovanTermNode::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanTermNode::drawHighlight() {}
void drovanTermNode::print(FILE *file) { (void)file; }
float drovanTermNode::radius() { return 32.0f; }
void drovanTermNode::addCollected(int c, int n) { (void)c; (void)n; }
void drovanTermNode::enforceValence() {}
const float *drovanTermNode::colourRGB() { static float black[3] = {0, 0, 0}; return black; }
void drovanTermNode::drawInfo() {}
bool drovanTermNode::isMovable() { return true; }
bool drovanTermNode::isFree() { return true; }
drovanNode *drovanTermNode::duplicate(bool r) { (void)r; return nullptr; }
bool drovanTermNode::convertIntake(int c, float a) { (void)c; (void)a; return false; }
void drovanTermNode::decomposeTouching(drovanNode *o, float d) { (void)o; (void)d; }
void drovanTermNode::interactWithAtoms() {}
void drovanTermNode::processIntake() {}
void drovanTermNode::linkLastNode(drovanAtom *a) { (void)a; }
bool drovanTermNode::convertAtom(drovanAtom *a) { (void)a; return false; }
void drovanTermNode::reproduce() {}
void drovanTermNode::decayAndAge() {}
void drovanTermNode::ageBy(float rate) { (void)rate; }
