// What every kind of thing draws, through the painter the simulation draws
// with: one scene of each kind in its passes, highlighted and labelled, and a
// pattern as its window shows it, compared with a kept recording. After an
// intended change of the drawing, regenerate it with
//   DROVAN_REGENERATE_GOLDEN=1 build-release/drovan_tests --gtest_filter='Drawing*'
// and look at the diff before committing it.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "batch/BatchRunner.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "support/WorldFixture.h"
#include "world/CiliaNode.h"
#include "world/MetaNode.h"
#include "world/Painter.h"
#include "world/Pattern.h"
#include "world/Selection.h"

namespace {

class Recorder : public Painter {
public:
    std::ostringstream out;
    void put(const char *what, std::initializer_list<float> v) {
        out << what;
        char buf[32];
        for (float x : v) {
            std::snprintf(buf, sizeof buf, " %.2f", static_cast<double>(x));
            out << buf;
        }
        out << '\n';
    }
    void setColour(float r, float g, float b) override { put("colour", {r, g, b}); }
    void setColour4(float r, float g, float b, float a) override { put("colour4", {r, g, b, a}); }
    void lineWidth(float w) override { put("width", {w}); }
    void pointSize(float s) override { put("point", {s}); }
    void line(float x1, float y1, float x2, float y2, float z) override { put("line", {x1, y1, x2, y2, z}); }
    void sphere(float x, float y, const float rgb[3], float r, float z) override {
        put("sphere", {x, y, rgb[0], rgb[1], rgb[2], r, z});
    }
    void circle(float x, float y, float r, float z) override { put("circle", {x, y, r, z}); }
    void disc(float x, float y, float r, float z) override { put("disc", {x, y, r, z}); }
    void smallDisc(float x, float y, bool large) override { put(large ? "held atom" : "atom", {x, y}); }
    void triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool filled) override {
        put(filled ? "filled triangle" : "triangle", {x1, y1, x2, y2, x3, y3});
    }
    void worldText(float x, float y, const char *text) override {
        put("text", {x, y});
        out << "  " << text << '\n';
    }
    float zoom() override { return 2.0f; }
    float now() override { return 0.3f; }
};

using DrawingTest = WorldFixture;

}  // namespace

TEST_F(DrawingTest, EveryKindOfThingDrawsAsKept) {
    const char rules[] =
        "Plain is 0.9 0.3 0.1\nDonut is 0.6 0.2 0.7\nGrit is 0.45 0.45 0.45\nHoney is 1 0.65 0\n"
        "Swimmer is 0.1 0.3 0.9\nDonut converts Grit to Honey * 0.5\nDonut is donut\nSwimmer is cilia\n"
        "Plain capture arc is 90\nPlain collects Grit\n";
    FILE *f = fmemopen(const_cast<char *>(rules), sizeof rules - 1, "r");
    loadRules(f, "kinds.txt", nullptr);
    rebuildRules();
    initPatternSlots();
    world.simTime = 1.1f;
    Node *a = createNode(1300, 1300, 0), *b = createNode(1450, 1300, 0), *c = createNode(1300, 1450, 4);
    a->setAngle(0.7f);
    a->strength = 0.25f;
    createEdge(a, b, 1.0f, true, -1)->strength = 0.6f;
    createEdge(a, c, 1.0f, false, 3);
    world.coloredEdges = 1;
    (new Atom(1305, 1302, 2, -1))->holdBy(a->id);
    new Atom(1850, 1250, 3, -1);
    createNode(1650, 1350, 1);
    createNode(1700, 1350, 1)->strength = 0.2f;  // a weak donut shrinks
    auto *swimmer = static_cast<CiliaNode *>(createNode(1600, 1600, 4));
    swimmer->setAngle(0.5f);
    swimmer->swimSpeed = 2.0f;
    Pattern *p = patternSlot(0);
    Node *ring[3];
    for (int i = 0; i < 3; i++)
        ring[i] = p->addNode(250.0f * std::cos(2.1f * i), 250.0f * std::sin(2.1f * i), i % 2 ? 0 : 4);
    p->addEdge(ring[0], ring[1], true, -1);
    MetaNode *m = placeMetaNode(0, 1850, 1700);
    ASSERT_NE(m, nullptr);
    m->setAngle(0.4f);
    a->selected = c->selected = 1;

    Recorder rec;
    setPainter(&rec);
    struct Unset {
        ~Unset() { setPainter(nullptr); }
    } unset;  // whatever happens below
    std::vector<Thing *> shown;
    int nodes, edges;
    statusCounts(nodes, edges, &shown);
    for (int pass = PassHeldAtoms; pass <= PassNodes; pass++) {
        rec.out << "pass " << pass << '\n';
        for (Thing *t : shown) t->draw(static_cast<DrawPass>(pass), 0);
    }
    rec.out << "highlights\n";
    highlightSelectionExcept(c->id);
    for (Node *n : {static_cast<Node *>(swimmer), createNode(1800, 1300, 1), static_cast<Node *>(m), b}) {
        n->drawHighlight();
        n->drawInfo();
        n->drawEdgeHighlights();
    }
    a->drawEdgeHighlights();
    rec.out << "pattern window\n";
    p->draw(PassPattern, 0);
    world.renderNodes = world.renderEdges = world.renderAtoms = 0;
    rec.out << "nothing shown\n";
    for (Thing *t : shown) t->draw(PassNodes, 0), t->draw(PassEdges, 0), t->draw(PassHeldAtoms, 0);

    std::string path = std::string(DROVAN_SOURCE_DIR) + "/tests/world/golden/drawing.golden";
    if (std::getenv("DROVAN_REGENERATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << rec.out.str();
        return;
    }
    std::string kept = readFile(path);
    ASSERT_FALSE(kept.empty()) << path;
    EXPECT_TRUE(rec.out.str() == kept) << "the drawing differs from " << path << "; got:\n" << rec.out.str();
    killAll();
    deleteAllPatterns();
    initPatternSlots();
}
