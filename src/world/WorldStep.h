#pragma once

// One world step, and the stages of it that live in WorldStep.cpp.
class Node;

// One step of the world. In order: trimNodeTableEnd (WorldStore.h), then
// spawnAtoms (Atom.h), then the stages below from rebuildAtomGrid on.
void worldStep();

// Files every live atom into the atom grid's snapshot, newest first.
void rebuildAtomGrid();
// Files every live node into the node grid (a body node at its metanode).
void rebuildNodeGrid();
// Clears what the node updates tally: colour counts, strength histograms, metanode counts.
void clearTallies();
// With "anneal": every free node moves along the pull of its edges.
void annealNetwork();
void annealNode(Node *node);
// With "fix node collisions" or a closed world: overlapping nodes push apart.
void relaxCollisions();
// Moves every node by its force (a velocity with inertia) and clears the force.
void applyForces(float positionFactor, float velocityFactor);
// Updates every node outside a metanode in table order, tallying each.
void updateNodes();
// Updates every edge outside a metanode, newest first.
void updateEdges();
// Updates the atoms and the other things outside a metanode, newest first,
// noting each atom's place for the next atom grid.
void updateAtomsAndOthers();
