#pragma once

class drovanNode;

void worldStep();
void rebuildAtomGrid();
void rebuildNodeGrid();
void annealNetwork();
void annealNode(drovanNode *node);
void relaxCollisions();
void applyForces(float positionFactor, float velocityFactor);
void dragNodes(int id, float dx, float dy, bool withSelection);
