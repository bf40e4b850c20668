#include "runtime/KeepWorldApply.h"

#include <cstring>

#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/RulesCheckProcess.h"
#include "world/ColorTable.h"
#include "world/ColourRenumber.h"
#include "world/Node.h"
#include "world/StateArchive.h"
#include "world/WorldArchive.h"
#include "world/WorldStore.h"

namespace {

// The rules state's values in archive order, to be put back exactly when the
// text is refused. Links are left alone: replaying does not read them.
class Tape : public StateArchive {
public:
    void value(const char *, int &v) override { put(v); }
    void value(const char *, unsigned &v) override { put(v); }
    void value(const char *, float &v) override { put(v); }
    void value(const char *, bool &v) override { put(v); }
    void value(const char *, unsigned char &v) override { put(v); }
    void rewind() {
        replaying = true;
        at = 0;
    }

private:
    template <class T>
    void put(T &v) {
        static_assert(sizeof(T) <= sizeof(unsigned long long), "one slot per value");
        if (!replaying) {
            unsigned long long slot = 0;
            std::memcpy(&slot, &v, sizeof v);
            values.push_back(slot);
        } else if (at < values.size()) {
            std::memcpy(&v, &values[at++], sizeof v);
        }
    }
    std::vector<unsigned long long> values;
    size_t at = 0;
    bool replaying = false;
};

void recordRules(StateArchive &a) {
    archiveWorldStore(a);
    archiveColorTable(a);
    archivePatternSlots(a);
}

}  // namespace

KeepWorldApply applyRulesKeepingWorld(const std::string &text, const std::string &name) {
    KeepWorldApply result;
    const int oldCount = colorCount;
    char oldNames[kMaxColors][kColorNameLength];
    int tallies[kMaxColors], histograms[kMaxColors][20];
    for (int c = 0; c < oldCount; c++) {
        std::memcpy(oldNames[c], colorTable[c].name, kColorNameLength);
        tallies[c] = colorTable[c].nodeTally;
        std::memcpy(histograms[c], colorTable[c].strengthHistogram, sizeof histograms[c]);
    }
    const int maxEdges = world.maxEdges;
    int valences[kMaxColors];
    for (int c = 0; c < oldCount; c++) valences[c] = colorTable[c].valence;
    bool used[kMaxColors];
    coloursInUse(used);
    Tape before;
    recordRules(before);

    result.check = runRulesLoader(text, name, [&](FILE *in, const char *path, FILE *log) {
        result.statementsNotRun = loadRulesKeepingWorld(in, path, log);
    });

    int newOfOld[kMaxColors];
    for (int c = 0; c < oldCount; c++) {
        newOfOld[c] = findColor(oldNames[c]);
        if (used[c] && newOfOld[c] < 0) result.vanishing.push_back(oldNames[c]);
    }
    if (!result.vanishing.empty()) {
        before.rewind();
        recordRules(before);
        for (int c = 0; c < oldCount; c++) std::memcpy(colorTable[c].name, oldNames[c], kColorNameLength);
        refreshColorTable();
        rebuildDescriptions();
        std::string names;
        for (const std::string &n : result.vanishing) names += (names.empty() ? "" : ", ") + n;
        result.message = "Nothing changed: " + names + (result.vanishing.size() == 1 ? " is" : " are") +
                         " in use and the text does not name " + (result.vanishing.size() == 1 ? "it" : "them") + ".";
        return result;
    }

    renumberColours(newOfOld, oldCount, colorCount);
    for (int c = 0; c < colorCount; c++) {
        colorTable[c].nodeTally = 0;
        std::memset(colorTable[c].strengthHistogram, 0, sizeof colorTable[c].strengthHistogram);
    }
    for (int c = 0; c < oldCount; c++) {
        if (newOfOld[c] < 0) continue;
        colorTable[newOfOld[c]].nodeTally = tallies[c];
        std::memcpy(colorTable[newOfOld[c]].strengthHistogram, histograms[c], sizeof histograms[c]);
    }
    // Limits on edges are enforced as the panel's "Max edges" enforces them,
    // and only when they changed: the world in force may hold nodes past a
    // limit it never enforced (a metanode's body), which the same rules keep.
    bool limitsChanged = world.maxEdges != maxEdges;
    for (int c = 0; c < oldCount; c++)
        limitsChanged |= newOfOld[c] >= 0 && colorTable[newOfOld[c]].valence != valences[c];
    if (limitsChanged) enforceAllValences();
    result.applied = true;
    int added = 0;
    for (int c = 0; c < colorCount; c++) {
        bool old = false;
        for (int o = 0; o < oldCount && !old; o++) old = newOfOld[o] == c;
        added += !old;
    }
    result.message =
        "Rules applied, world kept: " + std::to_string(colorCount) + " colours (" + std::to_string(added) + " new)";
    if (result.statementsNotRun > 0)
        result.message += "; " + std::to_string(result.statementsNotRun) + " node and edge statement" +
                          (result.statementsNotRun == 1 ? " was" : "s were") + " not run";
    if (!result.check.diagnostics.empty())
        result.message += "; " + std::to_string(result.check.diagnostics.size()) + " diagnostic" +
                          (result.check.diagnostics.size() == 1 ? "" : "s");
    result.message += ".";
    return result;
}
