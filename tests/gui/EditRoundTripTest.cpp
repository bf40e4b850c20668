// Random sequences of what a user does in the windows, through the functions
// the windows call (the gesture handlers with the shell's button and
// modifier state, the panel's Load, Save, Start Over, Open World and Save
// World, the settings it writes, Step), without drawing. After each sequence
// the world is saved and reopened and must come back the same: digest,
// listing, patterns and snapshot text. Undo and redo along the way must
// bring back exactly the world remembered (a refused file changing nothing is
// KeepingWork's). A failing sequence prints its seed and its operations; rerun it
// alone with DROVAN_ROUNDTRIP_SEED=S (DROVAN_ROUNDTRIP_SEQUENCES=N runs N
// sequences from that seed on).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/TextCapture.h"
#include "GuiFixture.h"
#include "io/NetworkFormat.h"
#include "io/Snapshot.h"
#include "rules/RulesListing.h"
#include "runtime/UndoHistory.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldSnapshot.h"
#include "runtime/WorldTick.h"
#include "support/WorldState.h"
#include "world/Walkers.h"
#include "world/WorldDigest.h"

namespace {

const std::string kScenarios = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
const char *const kRules[] = {"metanodes.txt",      "cilia.txt",        "donuts.txt", "signals.txt",
                              "discover-edges.txt", "closed-world.txt", "logic.txt"};

bool loadQuietly(const std::string &rules, std::string &why) {
    FILE *quiet = std::fopen("/dev/null", "w");
    bool ok = loadRulesFile(rules, why, quiet);
    std::fclose(quiet);
    return ok;
}
std::string listing() {
    return captured([](FILE *f) { writeRules(f); });
}
std::string patterns() {
    return captured([](FILE *f) {
        for (int k = 0; k < kPatternSlots; k++)
            if (Pattern *p = patternSlot(k)) writeNetwork(*p, f);
    });
}
using State = WorldState;

class Sequence {
public:
    Sequence(uint32_t seed, const std::string &folder) : rng(seed), folder(folder) {}

    std::mt19937 rng;
    std::string folder;
    std::vector<std::string> ops;
    std::string failure;
    UndoHistory history;
    std::vector<State> undoModel, redoModel;  // the worlds the history should give back

    bool failed() const { return !failure.empty(); }
    void fail(const std::string &what) {
        if (failure.empty()) failure = what;
    }
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    float within(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(rng() % 10001) / 10000.0f; }
    void note(const std::string &op) { ops.push_back(op); }

    bool inPattern() const { return panelChoices.currentWindow > 0; }
    // One idle pass's pointer work at p (world units).
    void pointerAt(Vec2 p) {
        if (!inPattern()) {
            ::gesture.hoverId = pickAt(p.x, p.y);
            applyPointer(p);
            return;
        }
        Pattern *pattern = shownPattern();
        if (pattern) pattern->translate(1600.0f, 1600.0f);
        ::gesture.hoverId = pattern ? pattern->hitNode(p.x, p.y) : -1;
        applyPatternPointer(pattern, p);
        if (pattern) pattern->translate(-1600.0f, -1600.0f);
    }
    // Press at a, move to b while held, release there: what a drag does.
    void gesture(Vec2 a, Vec2 b, int mods, bool right = false, bool twice = false) {
        pointerAt(a);
        shell.modifiers = mods;
        shell.doubleClick = twice;
        shell.anyButtonDown = 1;
        shell.leftDown = !right;
        shell.rightDown = right;
        onPress(static_cast<int>(a.x), static_cast<int>(a.y));
        pointerAt(a);
        if (b != a) pointerAt(b);
        shell.anyButtonDown = shell.leftDown = shell.rightDown = 0;
        shell.doubleClick = 0;
        pointerAt(b);
        shell.modifiers = 0;
    }
    Vec2 anywhere() { return Vec2(within(1300.0f, 1900.0f), within(1300.0f, 1900.0f)); }
    // Where a live node not inside a metanode lies, or anywhere.
    Vec2 someNode() {
        std::vector<Vec2> at;
        if (inPattern()) {
            if (Pattern *p = shownPattern())
                for (int i = 0; i < p->nodeCount; i++)
                    if (p->nodes[i]) at.push_back(p->nodes[i]->position() + Vec2(1600.0f, 1600.0f));
        } else {
            for (Thing *t = world.thingList; t; t = t->next)
                if (Node *n = asNode(t))
                    if (!n->dead && !n->container()) at.push_back(n->position());
        }
        return at.empty() ? anywhere() : at[static_cast<size_t>(pick(static_cast<int>(at.size())))];
    }
    Vec2 nudge(Vec2 p) { return p + Vec2(within(-60.0f, 60.0f), within(-60.0f, 60.0f)); }

    // A press and release at p, and a drag from p to somewhere near.
    void tap(const char *what, Vec2 p, int mods) {
        note(what);
        gesture(p, p, mods);
    }
    void shove(const char *what, Vec2 p, int mods, bool right = false) {
        note(what);
        gesture(p, nudge(p), mods, right);
    }

    void pointerOp() {
        switch (pick(inPattern() ? 5 : 8)) {
        case 0: tap("place", anywhere(), 0); break;
        case 1: note("connect"), gesture(someNode(), someNode(), 0); break;
        case 2: shove("move", someNode(), kShiftMask); break;
        case 3: shove("turn", someNode(), 0, true); break;
        case 4: {
            note("delete");
            pointerAt(someNode());
            if (!inPattern()) remember("delete");
            onKey(8);
            break;
        }
        case 5: shove("copy", someNode(), kAltMask); break;
        case 6: {
            Vec2 p = someNode();
            bool twice = pick(2) == 0;
            note(twice ? "select structure" : "toggle selection");
            gesture(p, p, twice ? pick(2) * kControlMask : kControlMask, false, twice);
            break;
        }
        case 7: {
            int slot = pick(10);
            note("metanode " + std::to_string(slot));
            pointerAt(anywhere());
            onKey('0' + slot);
            break;
        }
        }
    }

    void remember(const std::string &label) {
        std::string why;
        if (!history.remember(label, why)) return fail("remember: " + why);
        undoModel.emplace_back();
        redoModel.clear();
        // The history keeps at most its bound of states.
        while (undoModel.size() + redoModel.size() > UndoHistory::kDefaultStates) undoModel.erase(undoModel.begin());
    }
    void undoOrRedo(bool undo) {
        note(undo ? "undo" : "redo");
        std::vector<State> &from = undo ? undoModel : redoModel, &to = undo ? redoModel : undoModel;
        State now;
        std::string why;
        bool ok = undo ? history.undo(why) : history.redo(why);
        if (ok != !from.empty()) return fail(std::string(undo ? "undo" : "redo") + " answered " + (ok ? "yes" : why));
        if (!ok) return;
        if (State() != from.back()) return fail(std::string(undo ? "undo" : "redo") + " gave another world");
        from.pop_back();
        to.push_back(std::move(now));
    }

    void panelOp() {
        switch (pick(8)) {
        case 0: {
            std::string rules = kScenarios + "/" + kRules[pick(7)];
            note("load " + rules.substr(rules.rfind('/') + 1));
            remember("Load");
            std::string why;
            if (!loadQuietly(rules, why)) fail("load: " + why);
            break;
        }
        case 1: {
            int from = pick(10), into = pick(10);
            note("save pattern " + std::to_string(from) + ", load it into " + std::to_string(into));
            std::string path = folder + "/pattern.txt", why;
            Pattern *p = patternSlot(from);
            if (!p || !savePatternFile(*p, path, why)) return fail("save pattern: " + why);
            if (!loadPatternFile(*patternSlot(into), path, why)) fail("pattern load: " + why);
            break;
        }
        case 2: {
            note("pattern file with odd colours into " + std::to_string(pick(10)));
            std::string path = folder + "/odd.txt", why;
            writeFile(path, "3 3\n0 0 0 0\n40 10 1.5 " + std::to_string(pick(30) - 5) + "\n-30 20 7 1\n0 1 " +
                                std::to_string(pick(60) - 20) + "\n1 2 -7\n2 0 2\n");
            loadPatternFile(*patternSlot(pick(10)), path, why);
            break;
        }
        case 3:
            note("start over");
            remember("Start Over");
            startOver();
            break;
        case 4: {
            note("save world, open it");
            std::string path = folder + "/mid.snap", why;
            if (!saveWorldSnapshot(path, why)) return fail("save world: " + why);
            State before;
            remember("Open World");
            if (!openWorldSnapshot(path, why)) return fail("open world: " + why);
            if (State() != before) fail("the opened world differs from the saved one");
            break;
        }
        case 5: {
            int n = 1 + pick(4);
            note("step " + std::to_string(n));
            for (int i = 0; i < n; i++) stepWorldNow();
            break;
        }
        case 6: undoOrRedo(true); break;
        case 7: undoOrRedo(false); break;
        }
    }

    void settingOp() {
        int *flags[] = {&world.discoverEdges, &world.directedEdges, &world.coloredEdges, &world.fixNodeCollisions,
                        &world.closedWorld,   &world.anneal,        &world.inertia,      &world.renderAtoms};
        switch (pick(6)) {
        case 0: {
            int k = pick(8);
            *flags[k] = !*flags[k];
            note("flip setting " + std::to_string(k));
            break;
        }
        case 1:
            world.nodeCreationRate = within(0.0f, 1.0f);
            world.edgeSpringK = within(0.0f, 1.0f);
            note("rate and spring k");
            break;
        case 2:
            // The "Max edges" group and its action.
            world.edgeConstraint = pick(6);
            world.maxEdges = maxEdgesChoices[world.edgeConstraint].value;
            enforceAllValences();
            note("max edges " + std::to_string(world.edgeConstraint));
            break;
        case 3:
            world.speed = pick(4);
            note("speed " + std::to_string(world.speed));
            break;
        case 4:
            panelChoices.placeColour = colorCount > 0 ? pick(colorCount) : 0;
            note("colour " + std::to_string(panelChoices.placeColour));
            break;
        case 5: {
            // An idle pass of the paused tick: nothing steps, the dead go.
            note("idle pass");
            int speed = world.speed;
            world.speed = 0;
            tickWorld(world.lastStepTime);
            world.speed = speed;
            break;
        }
        }
    }

    void windowOp() {
        int k = pick(10) + 1;
        note("Meta " + std::to_string(k));
        panelChoices.currentWindow = k;
        for (int n = 1 + pick(5); n > 0 && !failed(); n--) pointerOp();
        panelChoices.currentWindow = 0;
        ::gesture.pressedId = ::gesture.hoverId = -1;
        note("Main");
    }

    void run(int length) {
        for (int i = 0; i < length && !failed(); i++) {
            int k = pick(10);  // four in ten at the pointer, two in a pattern window, two at the panel
            k < 4 ? pointerOp() : k < 6 ? windowOp() : k < 8 ? panelOp() : settingOp();
        }
        if (!failed()) reopen();
        // What was remembered comes back, newest first.
        while (!failed() && !undoModel.empty()) undoOrRedo(true);
    }

    // Save World, Open World: the same world, and it goes on the same.
    void reopen() {
        std::string path = folder + "/world.snap", why;
        uint64_t digest = worldDigest();
        std::string rules = listing(), shapes = patterns();
        State before;
        if (!saveWorldSnapshot(path, why)) return fail("save world: " + why);
        if (!openWorldSnapshot(path, why)) return fail("open world: " + why);
        if (worldDigest() != digest) return fail("the digest differs after reopening");
        if (listing() != rules) return fail("the listing differs after reopening");
        if (patterns() != shapes) return fail("the patterns differ after reopening");
        if (State() != before) return fail("the snapshot differs after reopening");
        if (pick(8) == 0) {
            for (int i = 0; i < 3; i++) stepWorldNow();
            uint64_t reopened = worldDigest();
            if (!restoreWorld(before.image, why)) return fail("restore: " + why);
            for (int i = 0; i < 3; i++) stepWorldNow();
            if (worldDigest() != reopened) return fail("the reopened world goes on differently");
        }
    }
};

class EditRoundTrip : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        setWalkerTraceStream(nullptr);
        world.speed = 2;
    }
    void TearDown() override {
        panelChoices.currentWindow = 0;
        shell.modifiers = 0;
        forgetGesture();
        setWalkerTraceStream(stdout);
        GuiTest::TearDown();
    }
};

}  // namespace

TEST_F(EditRoundTrip, AnyEditedWorldReopensTheSame) {
    const char *only = std::getenv("DROVAN_ROUNDTRIP_SEED");
    const char *count = std::getenv("DROVAN_ROUNDTRIP_SEQUENCES");
    uint32_t first = only ? static_cast<uint32_t>(std::strtoul(only, nullptr, 10)) : 1;
#if defined(__SANITIZE_ADDRESS__)
    const int runs = 300;  // unoptimised and checked: about a tenth of the speed
#else
    const int runs = 2000;
#endif
    int sequences = count ? std::atoi(count) : (only ? 1 : runs);
    std::string folder = scratchFolder();

    // Each sequence starts from one of the bundled scenarios, loaded once.
    std::vector<WorldImage> starts(sizeof kRules / sizeof *kRules);
    for (size_t i = 0; i < starts.size(); i++) {
        std::string why;
        ASSERT_TRUE(loadQuietly(kScenarios + "/" + kRules[i], why)) << why;
        for (int s = 0; s < 20; s++) stepWorldNow();
        ASSERT_TRUE(captureWorld(starts[i], why)) << why;
    }

    for (int n = 0; n < sequences; n++) {
        uint32_t seed = first + static_cast<uint32_t>(n);
        Sequence s(seed, folder);
        size_t start = static_cast<size_t>(s.pick(static_cast<int>(starts.size())));
        std::string why;
        ASSERT_TRUE(restoreWorld(starts[start], why)) << why;
        s.note(std::string("start from ") + kRules[start]);
        s.run(6 + s.pick(20));
        if (s.failed()) {
            std::ostringstream report;
            report << "seed " << seed << " (rerun with DROVAN_ROUNDTRIP_SEED=" << seed << "): " << s.failure
                   << "\noperations:";
            for (const std::string &op : s.ops) report << "\n  " << op;
            FAIL() << report.str();
        }
    }
    std::system(("rm -rf '" + folder + "'").c_str());
}
