#include "runtime/Startup.h"

#include <cstdio>

#include "io/NetworkFormat.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "world/BuiltinRules.h"
#include "world/Pattern.h"
#include "world/WorldStore.h"

std::string findScenarioFolder() {
    for (const char *folder : {"./Rules & Scenarios", "../Rules & Scenarios"}) {
        std::string path = std::string(folder) + "/logic.txt";
        if (FILE *f = std::fopen(path.c_str(), "r")) {
            std::fclose(f);
            return folder;
        }
    }
    return std::string();
}

bool readPatternFile(int slot, const std::string &path) {
    Pattern *p = patternSlot(slot);
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    if (p) {
        char why[256] = {};
        if (!readNetwork(*p, f, path.c_str(), why, sizeof why))
            std::printf("pattern file '%s': %s\n", path.c_str(), why[0] ? why : "reading stopped early");
    }
    std::fclose(f);
    return true;
}

StartupResult startWorld(const std::string &rulesPath, const std::string &patternDir, const StartupHooks &hooks,
                         FILE *log) {
    StartupResult result;
    world.worldMinX = 0.0f;
    world.worldMinY = 0.0f;
    world.worldMaxX = 3200.0f;
    world.worldMaxY = 3200.0f;
    world.lastStepTime = hooks.startTime;
    resetWorld();
    loadBuiltinRules();
    rebuildRules();
    if (hooks.resetCamera) hooks.resetCamera();
    initPatternSlots();
    if (hooks.rebuildPanel) hooks.rebuildPanel();

    FILE *f = rulesPath.empty() ? nullptr : std::fopen(rulesPath.c_str(), "r");
    if (!f) return result;
    result.rulesOpened = true;
    result.rulesPath = rulesPath;
    if (hooks.resetCamera) hooks.resetCamera();
    initPatternSlots();
    loadRules(f, rulesPath.c_str(), log);
    if (hooks.rebuildPanel) hooks.rebuildPanel();
    if (!patternDir.empty()) result.patternsRead = readPatternFolder(patternDir);
    return result;
}

int readPatternFolder(const std::string &folder) {
    int read = 0;
    for (int k = 0; k < kPatternSlots; k++)
        if (readPatternFile(k, patternFilePath(folder, k))) read++;
    return read;
}

std::string patternFilePath(const std::string &folder, int slot) {
    return (folder.empty() ? std::string(".") : folder) + "/meta" + std::to_string(slot + 1) + "a.txt";
}
