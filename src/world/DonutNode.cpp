// Placeholder bodies; replaced by the simulation core.
#include "world/DonutNode.h"

drovanDonutNode::drovanDonutNode(float x, float y, int c, int idx) : drovanTermNode(x, y, c, idx) {}
void drovanDonutNode::update() {}
void drovanDonutNode::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanDonutNode::drawHighlight() {}
float drovanDonutNode::radius() { return 32.0f; }
void drovanDonutNode::addCollected(int c, int n) { (void)c; (void)n; }
float drovanDonutNode::insetAtEnd(int c) { (void)c; return 0; }
float drovanDonutNode::insetAtStart(int c) { (void)c; return 0; }
float drovanDonutNode::insetUndirected(int c) { (void)c; return 0; }
const float *drovanDonutNode::colourRGB() { static float black[3] = {0, 0, 0}; return black; }
void drovanDonutNode::touchAtoms() {}
void drovanDonutNode::convertInput(drovanAtom *a) { (void)a; }
