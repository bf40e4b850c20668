#pragma once

class Node;

void worldStep();
void rebuildAtomGrid();
void rebuildNodeGrid();
void annealNetwork();
void annealNode(Node *node);
void relaxCollisions();
void applyForces(float positionFactor, float velocityFactor);
void dragNodes(int id, float dx, float dy, bool withSelection);
