// Placeholder bodies; replaced by the simulation core.
#include "world/CiliaNode.h"

drovanCiliaNode::drovanCiliaNode(float x, float y, int c, int idx) : drovanTermNode(x, y, c, idx) {}
void drovanCiliaNode::update() {}
void drovanCiliaNode::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanCiliaNode::drawHighlight() {}
void drovanCiliaNode::receive(float x, float y, int c, int s, float a) { (void)x; (void)y; (void)c; (void)s; (void)a; }
void drovanCiliaNode::feelAtoms() {}
void drovanCiliaNode::swim() {}
void drovanCiliaNode::drawCilia(bool h, bool b) { (void)h; (void)b; }
