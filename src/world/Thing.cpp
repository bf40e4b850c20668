#include "world/Thing.h"

#include "world/WorldStore.h"

drovanThing::drovanThing() { registerThing(this); }

drovanThing::~drovanThing() { destroyThingLinks(this); }

void drovanThing::setStrength(float s) { strength = s < 0.0f ? 0.0f : (s > 1.0f ? 1.0f : s); }

void drovanThing::setKind(ThingKind k) { setThingKind(this, k); }
