#include "runtime/WorldSnapshot.h"

#include <cstdio>

#include "io/Snapshot.h"
#include "rules/RulesListing.h"
#include "runtime/SafeSave.h"

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
    bool read = readSnapshot(text, path, why);
    // The read (or the world put back after a late fault) left the colour
    // table without the descriptions the listing derives from it.
    rebuildDescriptions();
    return read;
}
