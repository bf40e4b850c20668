#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchRunner.h"
#include "support/TextCapture.h"
#include "support/WorldFixture.h"
#include "io/NetworkFormat.h"
#include "world/Pattern.h"

namespace {

class NetworkFormatTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        initPatternSlots();
        pat = patternSlot(0);
    }
    void TearDown() override {
        initPatternSlots();
        WorldFixture::TearDown();
    }
    static std::string written(Pattern *p) {
        return captured([p](FILE *f) { writeNetwork(*p, f); });
    }
    bool read(Pattern *p, const std::string &text) {
        FILE *f = streamOf(text);
        bool ok = readNetwork(*p, f, "test.txt", why, sizeof why);
        std::fclose(f);
        return ok;
    }
    // The container's rules: numbering by position, edge ends among the nodes,
    // no self-edge, at most one edge per pair of nodes, degrees that count them.
    static void expectSound(Pattern *p) {
        std::set<std::pair<int, int>> pairs;
        std::vector<int> degree(static_cast<size_t>(p->nodeCount));
        for (int i = 0; i < p->nodeCount; i++) {
            ASSERT_NE(p->nodes[i], nullptr);
            EXPECT_TRUE(p->nodes[i]->id == i && p->nodes[i]->nodeIndex == i && isColor(p->nodes[i]->colour()));
        }
        for (int j = 0; j < p->edgeCount; j++) {
            Edge *e = p->edges[j];
            ASSERT_TRUE(e && !e->dead);
            ASSERT_TRUE(e->fromIndex >= 0 && e->fromIndex < p->nodeCount && e->toIndex >= 0 &&
                        e->toIndex < p->nodeCount);
            EXPECT_TRUE(e->fromId == e->fromIndex && e->toId == e->toIndex && e->fromIndex != e->toIndex);
            EXPECT_TRUE(pairs.insert(std::minmax(e->fromIndex, e->toIndex)).second) << "repeated pair";
            degree[static_cast<size_t>(e->fromIndex)]++;
            degree[static_cast<size_t>(e->toIndex)]++;
        }
        for (int i = 0; i < p->nodeCount; i++) {
            Node *n = p->nodes[i];
            EXPECT_EQ(n->inDegree + n->outDegree + n->undirectedDegree, degree[static_cast<size_t>(i)]) << i;
        }
    }

    Pattern *pat = nullptr;
    char why[256] = {};
};

const char *const kExample = "2 1\n"
                             "100.000000 200.000000 0.000000 1\n"
                             "150.500000 -20.000000 1.500000 2\n"
                             "0 1 0\n";

TEST_F(NetworkFormatTest, WritesExactlyAndReadsFreeFormBack) {
    Node *a = pat->addNode(100.0f, 200.0f, 1);
    Node *b = pat->addNode(150.5f, -20.0f, 2);
    b->setAngle(1.5f);
    ASSERT_NE(pat->addEdge(a, b, false, 0), nullptr);
    EXPECT_EQ(written(pat), kExample);

    // Whitespace is free, numbers take any form, trailing words are ignored.
    EXPECT_TRUE(read(pat, "2\t1 100\t200\n0\n1\n\n150.5 -20 1.5e0 2 0 1 0 trailing words are ignored")) << why;
    EXPECT_EQ(written(pat), kExample);
    EXPECT_EQ(world.nodeTableCount, 0) << "pattern nodes and edges stay out of the world";
    EXPECT_TRUE(read(pat, "0 0\n"));
    EXPECT_EQ(written(pat), "0 0\n");
    EXPECT_TRUE(read(pat, "1 0\n0 0 7.0 0\n"));
    EXPECT_NEAR(pat->nodes[0]->angle(), 0.72f, 1e-5f);

    // A directed edge written and read back comes back undirected.
    pat->addEdge(pat->addNode(0, 0, 0), pat->nodes[0], true, -1);
    EXPECT_TRUE(read(pat, written(pat)));
    ASSERT_EQ(pat->edgeCount, 1);
    EXPECT_FALSE(pat->edges[0]->directed);
}

TEST_F(NetworkFormatTest, BadInputStopsOrIsLeftOutWithAReason) {
    struct Case {
        std::string text, why;
        int nodes, edges;
    };
    std::vector<Case> cases;
    std::istringstream file(readFile(std::string(DROVAN_SOURCE_DIR) + "/tests/io/data/network-bad-inputs.txt"));
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("=== ", 0) == 0) {
            std::istringstream header(line.substr(4));
            cases.emplace_back();
            header >> cases.back().nodes >> cases.back().edges >> std::ws;
            std::getline(header, cases.back().why);
        } else if (!cases.empty() && line.rfind('#', 0) != 0) {
            cases.back().text += !line.empty() && line.back() == '\\' ? line.substr(0, line.size() - 1) : line + "\n";
        }
    }
    ASSERT_EQ(cases.size(), 11u);
    for (const Case &c : cases) {
        EXPECT_FALSE(read(pat, c.text)) << c.text;
        EXPECT_NE(std::string(why).find(c.why), std::string::npos) << c.text << " -> " << why;
        EXPECT_EQ(pat->nodeCount, c.nodes) << c.text;
        EXPECT_EQ(pat->edgeCount, c.edges) << c.text;
        expectSound(pat);
    }
    read(pat, cases[9].text);  // left out 2 node lines
    EXPECT_EQ(written(pat), "2 1\n0.000000 0.000000 0.000000 0\n2.000000 2.000000 0.000000 1\n0 1 1\n");
}

// The header's counts are the number of lines read, whatever they are: refused
// edge lines count, and a pattern may hold more nodes than the world's table.
TEST_F(NetworkFormatTest, ReadsExactlyTheAnnouncedLines) {
    EXPECT_TRUE(read(pat, "3 4\n0 0 0 0\n1 1 0 1\n2 2 0 2\n0 0 0\n0 1 0\n1 2 0\n0 2 0\n")) << why;
    EXPECT_EQ(written(pat), "3 3\n0.000000 0.000000 0.000000 0\n1.000000 1.000000 0.000000 1\n"
                            "2.000000 2.000000 0.000000 2\n0 1 0\n1 2 0\n0 2 0\n");
    EXPECT_TRUE(read(pat, "2 3\n0 0 0 0\n1 1 0 1\n1 0 0\n0 1 2\n1 1 1\n0 0 0 0\n")) << why;
    EXPECT_EQ(written(pat), "2 1\n0.000000 0.000000 0.000000 0\n1.000000 1.000000 0.000000 1\n1 0 0\n");

    const int n = kNodeTableSize + 2;
    std::string text = std::to_string(n) + " 2\n";
    for (int i = 0; i < n; i++) text += std::to_string(i) + " 0 0 " + std::to_string(i % 3) + "\n";
    text += std::to_string(n - 2) + " " + std::to_string(n - 1) + " 2\n0 1 1\n";
    ASSERT_TRUE(read(pat, text)) << why;
    ASSERT_EQ(pat->nodeCount, n);
    EXPECT_EQ(pat->nodes[n - 1]->position().x, static_cast<float>(n - 1));
    const std::string out = written(pat), tail = "\n2056 2057 2\n0 1 1\n";
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_EQ(world.nodeTableCount, 0);
    expectSound(pat);
}

TEST_F(NetworkFormatTest, RemoveNodeRenumbersNodesAndEdges) {
    Node *n0 = pat->addNode(0, 0, 0), *n1 = pat->addNode(10, 0, 1), *n2 = pat->addNode(20, 0, 2);
    pat->addEdge(n0, n1, true, -1);  // directed: its end's in-degree goes with it
    pat->addEdge(n1, n2, false, 2);
    // A world node whose id equals a pattern position must not be touched.
    Node *w = createNode(500, 500, 0);
    changeId(w, 1);

    pat->removeNode(0);
    pat->removeNode(5);
    pat->removeNode(-1);
    ASSERT_EQ(pat->nodeCount, 2);
    EXPECT_TRUE(pat->nodes[0] == n1 && pat->nodes[1] == n2);
    EXPECT_EQ(n1->undirectedDegree, 1);
    ASSERT_EQ(pat->edgeCount, 1);
    EXPECT_EQ(pat->edges[0]->id, 2);  // nodeCount + position
    std::string text = written(pat);
    EXPECT_EQ(text.substr(text.size() - 7), "\n0 1 2\n") << text;
    EXPECT_TRUE(w->undirectedDegree == 0 && w->id == 1);
    expectSound(pat);
    pat->removeNode(1);  // the last edge goes, from the first node's count too
    ASSERT_EQ(pat->edgeCount, 0);
    expectSound(pat);
}

// Random and mutated files never break the reader, and what it builds always
// writes and reads back to the same text.
TEST_F(NetworkFormatTest, FuzzedFilesLeaveASoundPattern) {
    std::mt19937 gen(20261206);
    auto pick = [&](size_t n) { return static_cast<size_t>(gen() % n); };
    const std::string alphabet = "0123456789 -.\n\te+xn";
    const std::string seedText =
        "5 6\n0 0 0 0\n10 0 1 1\n20 5 2 2\n30 -5 3 0\n40 0 4 1\n0 1 0\n1 2 1\n2 3 2\n3 4 0\n4 0 -1\n1 3 7\n";
    for (int round = 0; round < 400; round++) {
        std::string text;
        if (round % 4 == 0) {
            for (size_t i = 0, len = pick(120); i < len; i++) text += alphabet[pick(alphabet.size())];
        } else {
            text = seedText;
            for (size_t k = 0, edits = 1 + pick(6); k < edits && !text.empty(); k++) {
                size_t at = pick(text.size());
                switch (pick(4)) {
                case 0: text[at] = alphabet[pick(alphabet.size())]; break;
                case 1: text.erase(at, 1 + pick(8)); break;
                case 2: text.insert(at, std::to_string(static_cast<int>(pick(3000)) - 1000)); break;
                default: text.resize(at); break;
                }
            }
        }
        read(pat, text);
        expectSound(pat);
        std::string once = written(pat);
        EXPECT_TRUE(read(patternSlot(1), once)) << "round " << round << ": " << why;
        EXPECT_EQ(written(patternSlot(1)), once) << "round " << round;
        if (HasFailure()) return ADD_FAILURE() << "input was:\n" << text;
    }
    EXPECT_EQ(world.nodeTableCount, 0);
}

}  // namespace
