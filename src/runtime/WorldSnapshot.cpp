#include "runtime/WorldSnapshot.h"

#include <cstdio>

#include "io/Snapshot.h"
#include "runtime/SafeSave.h"
#include "world/ColorTable.h"
#include "world/WorldStore.h"

bool saveWorldSnapshot(const std::string &path, std::string &why) {
    std::string text;
    if (!snapshotText(text, why)) {
        why = "'" + path + "' not written: " + why;
        return false;
    }
    return saveReplacing(path, why, [&](FILE *f) { std::fwrite(text.data(), 1, text.size(), f); });
}

bool openWorldSnapshot(const std::string &path, std::string &why) {
    std::string text;
    if (!readWholeFile(path, text, why)) return false;
    if (!readSnapshot(text, path, why)) return false;
    forgetGestures();
    return true;
}

void forgetGestures() {
    world.pressedId = world.hoverId = world.createdId = -1;
    world.dragging = world.rotating = world.clearOnRelease = 0;
    if (world.placeColour >= colorCount) world.placeColour = 0;
}
