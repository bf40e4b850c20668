// Placeholder bodies; replaced by the simulation core.
#include "world/WorldStep.h"
#include "world/NeighbourGrid.h"

NeighbourGrid<drovanAtom> atomGrid;
NeighbourGrid<drovanNode> nodeGrid;

void worldStep() {}
void rebuildAtomGrid() {}
void rebuildNodeGrid() {}
void annealNetwork() {}
void annealNode(drovanNode *n) { (void)n; }
void relaxCollisions() {}
void applyForces(float a, float b) { (void)a; (void)b; }
void dragNodes(int id, float dx, float dy, bool s) { (void)id; (void)dx; (void)dy; (void)s; }
void cellWalk(CellWalk &w, float x, float y, float r) { (void)x; (void)y; (void)r; w.done = true; }
bool cellWalkNext(CellWalk &w, float &px, float &py) { (void)w; (void)px; (void)py; return false; }
