#include "world/BuiltinRules.h"

#include <cstring>

#include "world/ColorTable.h"
#include "world/WorldStore.h"

void loadBuiltinRules() {
    resetColorTable();
    static const char *const names[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; i++) {
        ColorRule &r = colorTable[i];
        std::strncpy(r.name, names[i], kColorNameLength - 1);
        r.rgb[i] = 1.0f;
        // Each colour eats the next one round the circle.
        r.relation[(i + 1) % 3].kind = RelEats;
    }
    colorCount = 3;
    world.closedWorld = 0;
    world.inertia = 1;
    setEdgeConstraint(2);
}
