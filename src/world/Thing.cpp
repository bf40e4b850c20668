#include "world/Thing.h"

#include "world/StateArchive.h"
#include "world/WorldStore.h"

drovanThing::drovanThing() { registerThing(this); }

drovanThing::~drovanThing() { destroyThingLinks(this); }

void drovanThing::setStrength(float s) { strength = s < 0.0f ? 0.0f : (s > 1.0f ? 1.0f : s); }

void drovanThing::setKind(ThingKind k) { setThingKind(this, k); }

void drovanThing::markDead() {
    dead = 1;
    noteKilled(this);
}

void drovanThing::archive(StateArchive &a) {
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
