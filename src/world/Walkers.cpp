// Placeholder bodies; replaced by the simulation core.
#include "world/Walkers.h"

void drovanSelectionSpider::walk() {}
void drovanComponentSpider::walk() {}
void drovanComponentSpider::visit(drovanNode *n) { (void)n; }
graphReplicator::~graphReplicator() { delete[] copies; }
void graphReplicator::replicate() {}
drovanNode *graphReplicator::copyOf(drovanNode *n, bool c) { (void)n; (void)c; return nullptr; }
drovanNode *graphReplicator::firstCopy() { return nullptr; }
int graphReplicator::firstCopyId() { return -1; }
void graphReplicator::selectCopies(bool f) { (void)f; }
void graphReplicator::selectSources(bool f) { (void)f; }
