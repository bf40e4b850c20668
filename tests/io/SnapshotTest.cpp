#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "io/Snapshot.h"
#include "runtime/Startup.h"
#include "support/WorldState.h"
#include "runtime/WorldSnapshot.h"
#include "runtime/WorldTick.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/MetaNode.h"
#include "world/Node.h"
#include "world/Pattern.h"
#include "world/Walkers.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

namespace {

const std::string kScenarios = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";

// Everything after the header and the first row (the resumed run's start row
// repeats the last row of the first part).
std::string rowsAfterFirst(const std::string &csv) {
    size_t header = csv.find('\n');
    return csv.substr(csv.find('\n', header + 1) + 1);
}

std::string setValue(std::string text, const std::string &name, const std::string &value) {
    size_t at = text.find("\n" + name + " ") + name.size() + 2;
    return text.replace(at, text.find('\n', at) - at, value);
}

// The tool run with these arguments, which must succeed.
bool ran(const std::string &args) {
    BatchResult r = runBatch(args);
    EXPECT_EQ(r.status, 0) << args << "\n" << r.out;
    return r.status == 0;
}

// A world started as the programs start it, without their messages.
void startQuietly(const std::string &rules, const std::string &patterns) {
    FILE *quiet = std::fopen("/dev/null", "w");
    startWorld(rules, patterns, StartupHooks(), quiet);
    std::fclose(quiet);
}

class SnapshotTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::string path(const std::string &name) { return scratch.path(name); }
    void SetUp() override { setWalkerTraceStream(nullptr); }
    void TearDown() override {
        killAll();
        initPatternSlots();
        setWalkerTraceStream(stdout);
    }
};

}  // namespace

// N steps, a snapshot, M more: the same rows (digest included), listing and
// final snapshot as N + M steps at once, in the small world of every rule
// family and on worlds full of held atoms, atoms riding edges, copying
// structures and grasping metanodes.
TEST_F(SnapshotTest, ResumeContinuesExactly) {
    const std::string golden = std::string(DROVAN_SOURCE_DIR) + "/tests/world/golden/";
    const std::string patterns = " --patterns " + quote(golden + "patterns");
    struct Case {
        std::string rules, options;
        int n, m;
    } cases[] = {
        {kScenarios + "/logic.txt", " --digest --every 10", 1000, 500},
        {kScenarios + "/logic.txt", " --digest --every 10 --seed 4242", 7, 200},
        // A swimmer placed on a star drains and grasps it while the stars copy themselves.
        {kScenarios + "/metanodes.txt",
         " --digest --every 10 --patterns " + quote(kScenarios) + " --place 1:1600,1600 --place 0:1600,1600", 200, 300},
        {golden + "cilia.txt", patterns + " --place 0:1620,1560", 150, 150},
        {golden + "metanodes.txt", patterns + " --place 1:1600,1600 --place 1:1680,1650 --place 0:1570,1590", 150, 150},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const char *family :
         {"closed-world", "inertia", "capture-arc", "relations", "signals", "conversions", "valence", "donuts"})
        all.push_back({golden + family + ".txt", "", 150, 150});
    for (const Case &c : all) {
        SCOPED_TRACE(c.rules + c.options);
        std::string run = "run " + quote(c.rules) + c.options;
        std::string digest = c.options.find("--digest") == std::string::npos ? "" : " --digest --every 10";
        // Steps, then the rows, the listing and the snapshot, into files named `to`.
        auto steps = [&](int n, const std::string &to) {
            return " --steps " + std::to_string(n) + " --csv " + quote(path(to + ".csv")) + " --save " +
                   quote(path(to + ".txt")) + " --snapshot " + quote(path(to + ".snap"));
        };
        ASSERT_TRUE(ran(run + steps(c.n + c.m, "all")));
        ASSERT_TRUE(ran(run + steps(c.n, "a")));
        ASSERT_TRUE(ran("resume " + quote(path("a.snap")) + digest + steps(c.m, "b")));
        std::string all = readFile(path("all.csv")), a = readFile(path("a.csv")), b = readFile(path("b.csv"));
        EXPECT_EQ(all.substr(0, a.size()), a);
        EXPECT_EQ(all.substr(a.size()), rowsAfterFirst(b));
        EXPECT_EQ(readFile(path("all.txt")), readFile(path("b.txt")));
        EXPECT_EQ(readFile(path("all.snap")), readFile(path("b.snap")));
        std::string snap = readFile(path("a.snap"));
        if (c.n == 1000) {
            EXPECT_NE(snap.find("\nstate 2\n"), std::string::npos) << "no held atoms at the snapshot";
            EXPECT_NE(snap.find("\nstate 1\n"), std::string::npos) << "no atoms on edges at the snapshot";
        }
        if (c.n == 200) {
            // step,time,nodes,edges: three metanodes and the grasp's edge.
            std::string last = a.substr(a.rfind('\n', a.size() - 2) + 1);
            EXPECT_EQ(last.substr(0, last.find(',', last.find(',', 10) + 1)), "200,6.667,3,1");
        }
    }
}

// A refused file names itself and a line and exits 2; in the window it leaves
// the colours' descriptions (FailedOpenChangesNothing: the rest) as they were.
TEST_F(SnapshotTest, DamagedSnapshotsAreRefusedAndChangeNothing) {
    ASSERT_TRUE(ran("run " + quote(kScenarios + "/metanodes.txt") + " --patterns " + quote(kScenarios) +
                    " --place 1:1600,1600 --steps 30 --snapshot " + quote(path("good.snap"))));
    const std::string good = readFile(path("good.snap"));
    std::string flipped = good, edited = good;
    flipped[good.size() / 2] ^= 0x04;
    edited.replace(edited.find("\nspeed "), 8, "\nspeed 9");
    struct Case {
        const char *name;
        std::string text, says;
    } cases[] = {
        {"empty", "", "line 1: not a drovan snapshot"},
        {"foreign", "# rules\nred is 1 0 0\n", "line 1: not a drovan snapshot"},
        {"newer", "drovan-snapshot 2\n" + good.substr(good.find('\n') + 1), "line 1: snapshot version 2 is newer"},
        {"cut in the first line", good.substr(0, 10), "line 1: not a drovan snapshot"},
        {"cut in a line", good.substr(0, good.find('\n', good.size() / 3) + 3), "truncated, the line has no end"},
        {"cut between records", good.substr(0, good.rfind("\nthing ") + 1), "truncated, no closing 'end'"},
        {"without its end", good.substr(0, good.size() - 4), "truncated, no closing 'end'"},
        {"flipped byte", flipped, "damaged: the checksum does not match"},
        {"edited value", edited, "damaged: the checksum does not match"},
    };
    std::string why;
    ASSERT_TRUE(openWorldSnapshot(path("good.snap"), why)) << why;
    // The colours' descriptions (shown beside their nodes) are no part of the file.
    auto descriptions = [] {
        std::string d;
        for (int c = 0; c < colorCount; c++)
            for (int i = 0; colorTable[c].descriptionLine(i); i++)
                d += std::string(colorTable[c].descriptionLine(i)) + "\n";
        return d;
    };
    const std::string describedBefore = descriptions();
    EXPECT_NE(describedBefore, "") << "an opened world describes its colours";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string bad = scratch.write("bad.snap", c.text);
        BatchResult r = runBatch("resume " + quote(bad) + " --steps 1", true);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.out.find(bad + ": line "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;

        EXPECT_FALSE(openWorldSnapshot(bad, why));
        EXPECT_NE(why.find(c.says), std::string::npos) << why;
        EXPECT_EQ(descriptions(), describedBefore);
    }
}

// A file that passes every checksum but breaks the world's rules is refused,
// naming the line at fault and why; the live world stays exactly as it was,
// also when the fault shows only after the old world was taken down. The
// world: the logic scenario's nodes and edges, its slot patterns (slot 0:
// pattern 10, nodes 0-4, edges 5-8) and two metanodes (80 with body 81, 69
// with body 70); the world's things run from Edge 90 down to TermNode 20.
TEST_F(SnapshotTest, ContentFaultsAreRefusedAndChangeNothing) {
    resetToFreshProcess();  // the ids below
    startQuietly(kScenarios + "/logic.txt", kScenarios);
    placeMetaNode(0, 1600.0f, 1600.0f);
    placeMetaNode(0, 1700.0f, 1650.0f);
    std::string text, why;
    ASSERT_TRUE(snapshotText(text, why));
    const uint64_t before = worldDigest();
    const std::string tooLong(kColorNameLength, 'x');
    // From the line `at` on, the first line named `was` (else the new line's
    // name) becomes `line`; the refusal names the first line from `at` on that
    // starts with `blamed` (empty: the edited line; null: any line).
    struct Fault {
        const char *at;
        std::string line;
        const char *blamed;
        std::string says;
        const char *was = nullptr;
    } faults[] = {
        {"colours 6", "colour 6", "", "'colours' expected, found 'colour'", "colours"},
        {"name Sun", "name " + tooLong, "", "name too long"},
        {"colorCount", "colorCount 0", "", "bad value '0' for colorCount"},
        {"colorCount", "senseCount " + std::to_string(kMaxSenses + 1), "", "bad value '11' for senseCount"},
        {"colorCount", "signalCount -1", "", "bad value '-1' for signalCount"},
        {"world", "speed 4", "", "bad value '4' for speed"},
        {"world", "edge_constraint 6", "", "bad value '6' for edge_constraint"},
        {"world", "nextId 9x", "", "bad value '9x' for nextId"},
        {"world", "idsWrapped 2", "", "bad value '2' for idsWrapped"},
        {"world", "lastStepTime x", "", "bad number 'x' for lastStepTime"},
        {"world", "aggregateGrid 0", "", "aggregate grid mismatch"},
        {"slots", "senseCount 11", "", "bad value '11' for senseCount"},
        {"slots", "pattern 81", "", "pattern names 81, no thing of that kind"},
        {"slots", "pattern 11", nullptr, "slot 0 does not hold its own pattern"},
        {"slotpattern 0", "slotpattern 10 9", "", "bad pattern line '10 9'"},
        {"slotpattern 1", "slotpattern 0 7", "", "slot 0 appears twice"},
        {"slotpattern 0", "thing TermNode 10", "slotpattern 0", "the pattern of slot 0 is incomplete", "thing"},
        {"thing TermNode 0", "thing Atom 0", "", "bad content in the pattern of slot 0"},
        {"thing TermNode 1", "thing TermNode 0", "", "id 0 is used twice in the pattern of slot 0"},
        {"thing MetaNodePat 10", "thing MetaNodePat 90 5 4", "", "id 90 is used twice"},
        {"thing MetaNodePat 10", "thing MetaNodePat 10 2057 4", "", "bad thing line 'MetaNodePat 10 2057 4'"},
        {"thing MetaNodePat 10", "node 5", "", "node names 5, no thing of that kind"},
        {"node 1", "node 0", "thing TermNode 0", "thing 0 does not belong to the pattern of slot 0"},
        {"thing Edge 5", "entered 1", "thing Edge 5", "thing 5 does not belong to the pattern of slot 0"},
        {"things", "things 34", "thing TermNode 20", "'end' expected, found 'thing'"},
        {"thing Edge 90", "thing Edge 90 1", "", "bad thing line 'Edge 90 1'"},
        {"thing Edge 90", "thing Blob 90", "", "bad thing line 'Blob 90'"},
        {"thing Edge 89", "thing Edge 90", "", "id 90 is used twice"},
        {"thing Edge 90", "id 91", "", "bad value '91' for id"},
        {"thing Edge 90", "vigor 1", "", "'vigour' expected, found 'vigor'", "vigour"},
        {"thing Edge 90", "container 81", "", "container names 81, no thing of that kind"},
        {"thing CiliaNode 86", "colour 20", "", "bad value '20' for colour"},
        {"thing CiliaNode 86", "edgeCount 11", "", "bad value '11' for edgeCount"},
        {"thing CiliaNode 86", "nodeIndex 2056", "", "bad value '2056' for nodeIndex"},
        {"thing MetaNodePat 81", "patternIndex 10", "", "bad value '10' for patternIndex"},
        {"thing MetaNodePat 81", "nodeCount 4", "", "bad value '4' for nodeCount"},
        {"thing MetaNodePat 81", "thingRecordCount 11", "", "bad value '11' for thingRecordCount"},
        {"thing MetaNode 80", "body 10", "", "body names 10, no thing of that kind"},
        {"thing MetaNode 69", "body 81", "thing MetaNode 69", "two metanodes share the body 81"},
        {"thing TermNode 22", "nodeIndex 3", "thing TermNode 22", "two nodes in table slot 3"},
        {"thing Edge 32", "fromIndex 100", "thing Edge 32", "edge 32 joins an empty table slot"},
        {"world", "nextId 90", "thing Edge 90", "thing 90 lies past the id counter"},
    };
    auto lineAt = [&](size_t pos) { return 1 + std::count(text.begin(), text.begin() + pos, '\n'); };
    for (const Fault &f : faults) {
        SCOPED_TRACE(f.line);
        size_t at = text.find(std::string("\n") + f.at + "\n");
        if (at == std::string::npos) at = text.find(std::string("\n") + f.at + " ");
        ASSERT_NE(at, std::string::npos) << f.at;
        std::string name = f.was ? f.was : f.line.substr(0, f.line.find(' '));
        size_t from = text.find("\n" + name + " ", at) + 1;
        std::string bad = text;
        bad.replace(from, text.find('\n', from) - from, f.line);
        EXPECT_FALSE(readSnapshot(withMatchingSums(bad), "bad.snap", why));
        if (f.blamed) {
            auto line = lineAt(*f.blamed ? text.find("\n" + std::string(f.blamed), at) + 1 : from);
            EXPECT_EQ(why, "bad.snap: line " + std::to_string(line) + ": " + f.says);
        } else {
            EXPECT_EQ(why.substr(0, 15), "bad.snap: line ") << why;
            EXPECT_EQ(why.substr(why.size() - std::min(why.size(), f.says.size())), f.says) << why;
        }
        EXPECT_EQ(worldDigest(), before);
        std::string again;
        ASSERT_TRUE(snapshotText(again, why));
        ASSERT_TRUE(again == text) << "the world changed";
    }
}

// A world saved while paused still runs headless.
TEST_F(SnapshotTest, PausedWorldResumes) {
    ASSERT_TRUE(ran("run " + quote(kScenarios + "/logic.txt") + " --steps 5 --snapshot " + quote(path("a.snap"))));
    std::string paused = scratch.write("p.snap", withMatchingSums(setValue(readFile(path("a.snap")), "speed", "0")));
    BatchResult r = runBatch("resume " + quote(paused) + " --steps 5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 21), "5 steps, time 0.33 s:");
}

namespace {

// A small world edited as the windows edit one: a pattern drawn node, edge,
// node (the order that once gave a node and an edge one number), a metanode
// of it, steps.
void editedWorld() {
    startQuietly(std::string(DROVAN_SOURCE_DIR) + "/tests/world/golden/gestures.txt", std::string());
    Pattern *p = patternSlot(0);
    Node *a = p->addNode(0.0f, 0.0f, 0), *b = p->addNode(30.0f, 0.0f, 1);
    p->addEdge(a, b, false, -1);
    p->addNode(0.0f, 30.0f, 1);
    placeMetaNode(0, 1500.0f, 1500.0f);
    for (int i = 0; i < 5; i++) stepWorldNow();
}

}  // namespace

// The window's and resume's open path: every prefix of an edited world's
// snapshot (ending at each line end and inside each line) and a changed byte
// in every record (with and without its checksum made to match) is refused
// or read whole; a refusal leaves the live world exactly as it was. The live
// world holds a pattern whose node and edge share a number, as the old
// pattern editing left them: putting it back once went through the reader's
// own checks, which refused it and left a half-built world.
TEST_F(SnapshotTest, FailedOpenChangesNothing) {
    editedWorld();
    std::string text, why;
    ASSERT_TRUE(snapshotText(text, why)) << why;
    // A file in memory: thousands of opens without a disk.
    int fd = memfd_create("bad.snap", 0);
    ASSERT_GE(fd, 0);
    std::string file = "/proc/self/fd/" + std::to_string(fd);
    auto open = [&](const std::string &content) {
        if (ftruncate(fd, 0) != 0 || pwrite(fd, content.data(), content.size(), 0) != ssize_t(content.size()))
            ADD_FAILURE() << "cannot write the file in memory";
        return openWorldSnapshot(file, why);
    };
    ASSERT_TRUE(open(text)) << why;
    Pattern *live = patternSlot(0);
    ASSERT_EQ(live->nodeCount, 3);
    live->edges[0]->id = live->nodes[2]->id;

    const WorldState before;
    ASSERT_FALSE(before.image.empty());
    int refused = 0, read = 0;
    auto expectRefusedOrWhole = [&](const std::string &content, const std::string &what) {
        if (open(content)) {
            read++;
            ASSERT_TRUE(restoreWorld(before.image, why)) << why;
            return;
        }
        refused++;
        ASSERT_TRUE(WorldState() == before) << what << ": " << why;
        ASSERT_EQ(patternSlot(0)->edges[0]->id, patternSlot(0)->nodes[2]->id) << what;
    };
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', end + 1)) {
        expectRefusedOrWhole(text.substr(0, end + 1), "cut after byte " + std::to_string(end));
        expectRefusedOrWhole(text.substr(0, end - (end > 0)), "cut before byte " + std::to_string(end));
    }
    EXPECT_EQ(read, 1) << "only the whole file reads";
    std::mt19937 rng(7);
    size_t from = 0;
    int records = 0;
    for (size_t sum = text.find("\nsum "); sum != std::string::npos; sum = text.find("\nsum ", sum + 1), records++) {
        size_t at = from + rng() % (sum - from);
        std::string changed = text;
        changed[at] = changed[at] == '9' ? '1' : static_cast<char>(changed[at] + 1);
        expectRefusedOrWhole(changed, "byte " + std::to_string(at) + " changed");
        expectRefusedOrWhole(withMatchingSums(changed), "byte " + std::to_string(at) + " changed, checksums matched");
        from = text.find('\n', sum + 1) + 1;
    }
    EXPECT_GT(records, 10);
    EXPECT_GE(refused, 2 * std::count(text.begin(), text.end(), '\n') - 1 + records)
        << "a changed byte never passes its checksum";
    close(fd);
}

// A snapshot saved by the window after a node was added to a pattern with
// edges, before that gave the node and an edge one number: it opens with the
// edges numbered anew, and resumes.
TEST_F(SnapshotTest, OldFileWithSharedPatternNumbersOpens) {
    const std::string old = std::string(DROVAN_SOURCE_DIR) + "/tests/io/data/edited-pattern-world.snap";
    std::string why;
    ASSERT_TRUE(openWorldSnapshot(old, why)) << why;
    Pattern *p = patternSlot(0);
    ASSERT_EQ(p->nodeCount, 6);
    ASSERT_EQ(p->edgeCount, 4);
    for (int j = 0; j < p->edgeCount; j++) EXPECT_EQ(p->edges[j]->id, 6 + j) << "edges numbered past the nodes";
    BatchResult r = runBatch("resume " + quote(old) + " --steps 20 --digest");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.substr(0, 9), "20 steps,") << r.out;
}
