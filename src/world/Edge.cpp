// Placeholder bodies; replaced by the simulation core.
#include "world/Edge.h"
#include "world/Node.h"

drovanEdge::drovanEdge(drovanNode *from, drovanNode *to, bool d, int colour, bool enter) {
    (void)from; (void)to; (void)enter; directed = d; edgeColour = colour;
}
drovanEdge::~drovanEdge() {}
void drovanEdge::update() {}
void drovanEdge::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanEdge::drawHighlight() {}
void drovanEdge::print(FILE *file) { (void)file; }
void drovanEdge::thingRemoved(int id) { (void)id; }
void drovanEdge::kill() { dead = 1; }
void drovanEdge::setColour(int colour) { edgeColour = colour; }
void drovanEdge::refreshGeometry() {}
void drovanEdge::detach() {}
drovanNode *drovanEdge::otherEnd(int idx) { (void)idx; return nullptr; }
drovanEdge *createEdge(drovanNode *from, drovanNode *to, float amount, bool directed, int colour) {
    (void)from; (void)to; (void)amount; (void)directed; (void)colour; return nullptr;
}
drovanEdge *findEdge(int a, int b, bool directedOnly) { (void)a; (void)b; (void)directedOnly; return nullptr; }
drovanEdge *copyEdge(drovanEdge *e, drovanNode *from, drovanNode *to) { (void)e; (void)from; (void)to; return nullptr; }
void connectNodes(int aId, int bId, bool bySelection) { (void)aId; (void)bId; (void)bySelection; }
bool restLength(drovanEdge *e, float &length) { (void)e; length = 0; return false; }
