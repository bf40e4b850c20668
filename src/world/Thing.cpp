#include "world/Thing.h"

#include "world/StateArchive.h"
#include "world/WorldStore.h"

Thing::Thing() { registerThing(this); }

Thing::~Thing() { destroyThingLinks(this); }

void Thing::setStrength(float s) { strength = s < 0.0f ? 0.0f : (s > 1.0f ? 1.0f : s); }

void Thing::setKind(ThingKind k) { setThingKind(this, k); }

void Thing::markDead() {
    dead = 1;
    noteKilled(this);
}

void Thing::archive(StateArchive &a) {
    unsigned char k = kind;
    a.value("kind", k);
    a.value("id", id);
    a.value("vigour", vigour);
    a.value("patternIndex", patternIndex);
    a.value("strength", strength);
    a.value("dead", dead);
    if (a.reading() && dead) noteKilled(this);
    a.value("selected", selected);
}
