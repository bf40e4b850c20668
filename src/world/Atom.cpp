// Placeholder bodies; replaced by the simulation core.
#include "world/Atom.h"

drovanAtom::drovanAtom(float x, float y, int c, int creator) { position = vec2(x, y); colour = c; creatorId = creator; }
drovanAtom::~drovanAtom() {}
void drovanAtom::update() {}
void drovanAtom::draw(int pass, int flag) { (void)pass; (void)flag; }
void drovanAtom::thingRemoved(int id) { (void)id; }
void drovanAtom::kill() { dead = 1; }
void drovanAtom::consume(float amount) { (void)amount; }
bool drovanAtom::holdBy(int nodeId) { (void)nodeId; return false; }
void drovanAtom::release() {}
void drovanAtom::leaveEdge() {}
bool drovanAtom::enterEdge(drovanEdge *e, bool a, bool b) { (void)e; (void)a; (void)b; return false; }
void drovanAtom::chooseNextEdge(int nodeId) { (void)nodeId; }
void drovanAtom::rewardVisited(float amount) { (void)amount; }
void drovanAtom::copyVisited(const drovanAtom *other) { (void)other; }
void drovanAtom::appendVisited(int id) { (void)id; }
void drovanAtom::markVisited(int nodeId) { (void)nodeId; }
void drovanAtom::followEdge() {}
void drovanAtom::orbitHolder() {}
void spawnAtoms() {}
