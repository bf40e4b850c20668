// Placeholder bodies; replaced by the metanode work.
#include "world/MetaNodePat.h"
#include "world/Random.h"

drovanMetaNodePat::drovanMetaNodePat() {
    float r = randUnit();
    tickPeriod = static_cast<int>((r + 1.0f) * 15.0f);
}
drovanMetaNodePat::~drovanMetaNodePat() { delete[] nodes; delete[] edges; }
void drovanMetaNodePat::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanMetaNodePat::thingRemoved(int id) { (void)id; }
void drovanMetaNodePat::addInstances(int n) { instanceCount += n; if (instanceCount < 0) instanceCount = 0; }
void drovanMetaNodePat::writeNetwork(FILE *s) { fprintf(s, "%d %d\n", nodeCount, edgeCount); }
bool drovanMetaNodePat::readNetwork(FILE *s, const char *p, char *w, int wl) { (void)s; (void)p; (void)w; (void)wl; return true; }
drovanNode *drovanMetaNodePat::addNode(float x, float y, int c) { (void)x; (void)y; (void)c; return nullptr; }
drovanEdge *drovanMetaNodePat::addEdge(drovanNode *a, drovanNode *b, bool d, int c) { (void)a; (void)b; (void)d; (void)c; return nullptr; }
drovanEdge *drovanMetaNodePat::findEdge(drovanNode *a, drovanNode *b) { (void)a; (void)b; return nullptr; }
void drovanMetaNodePat::removeNode(int k) { (void)k; }
void drovanMetaNodePat::compactEdges(int k) { (void)k; }
drovanThing *drovanMetaNodePat::findThing(int id) { (void)id; return nullptr; }
int drovanMetaNodePat::hitNode(float x, float y) { (void)x; (void)y; return -1; }
void drovanMetaNodePat::clearSelection() {}
void drovanMetaNodePat::drawSelectedExcept(int id) { (void)id; }
void drovanMetaNodePat::translate(float dx, float dy) { (void)dx; (void)dy; }
void drovanMetaNodePat::moveNodeBy(int id, float dx, float dy, bool s) { (void)id; (void)dx; (void)dy; (void)s; }
void drovanMetaNodePat::connect(int a, int b, bool s) { (void)a; (void)b; (void)s; }
void drovanMetaNodePat::connectToSelection(drovanNode *a, drovanNode *b, bool d, int c) { (void)a; (void)b; (void)d; (void)c; }
drovanEdge *drovanMetaNodePat::nextEdgeAt(int k, int &c) { (void)k; (void)c; return nullptr; }
drovanMetaNodePat *drovanMetaNodePat::instantiate(float s) { (void)s; return nullptr; }
