#include <functional>

#include "support/WorldFixture.h"
#include "world/AggregateGrid.h"
#include "world/CiliaNode.h"
#include "world/DonutNode.h"
#include "world/Pattern.h"
#include "world/WorldDigest.h"

namespace {

class WorldDigestTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorTable[1].nodeKind = 1;
        colorTable[2].nodeKind = 2;
        term = static_cast<TermNode *>(createNode(100, 100, 0));
        donut = static_cast<DonutNode *>(createNode(200, 100, 1));
        cilia = static_cast<CiliaNode *>(createNode(300, 100, 2));
        edge = createEdge(term, donut, 1.0f, false, -1);
        atom = gridAtom(150, 150, 0);
        atom->appendVisited(term->id);
        pattern = new Pattern();
        patternSlots[0].pattern = pattern;
        rebuildColors();
    }
    void TearDown() override {
        patternSlots[0].pattern = nullptr;
        patternSlots[3].grasps = false;
        WorldFixture::TearDown();
    }
    TermNode *term = nullptr;
    DonutNode *donut = nullptr;
    CiliaNode *cilia = nullptr;
    Edge *edge = nullptr;
    Atom *atom = nullptr;
    Pattern *pattern = nullptr;
};

// Every part of the state shows in the digest; the wall clock and the
// step's scratch stamps do not.
TEST_F(WorldDigestTest, EachFieldOfStateChangesTheDigest) {
    ASSERT_TRUE(term && donut && cilia && edge);
    struct Case {
        const char *what;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"setting", [] { world.inertia = 1; }},
        {"clock", [] { world.stepCount++; }},
        {"id counter", [] { world.nextId++; }},
        {"generator", [] { drovanRand(); }},
        {"colour record", [] { colorTable[2].relation[1].affinity = 0.5f; }},
        {"capture arc", [] { colorTable[0].captureArc = 1.0f; }},
        {"pattern slot", [] { patternSlots[3].grasps = true; }},
        {"aggregate grid", [] { world.aggregateGrid->write(0, 10, 10, 1.0f); }},
        {"thing vigour", [this] { donut->vigour = 0.5f; }},
        {"atom velocity", [this] { atom->velocity.y = 1.0f; }},
        {"visited list", [this] { atom->visited[0] = donut->id; }},
        {"node intake", [this] { term->intake[19] = 1.0f; }},
        {"node edge list", [this] { term->edges[0] = nullptr; }},
        {"term collected", [this] { term->collected[2] = 1; }},
        {"donut factor", [this] { donut->donutFactor = 0.25f; }},
        {"cilia beat", [this] { cilia->beatCounter = 3; }},
        {"edge strength", [this] { edge->strength = 0.5f; }},
        {"edge end", [this] { edge->endB.x += 1.0f; }},
        {"pattern records", [this] { pattern->cellRecordCount = 1; }},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        uint64_t before = worldDigest();
        c.change();
        EXPECT_NE(before, worldDigest()) << c.what;
    }
    uint64_t before = worldDigest();
    world.lastStepTime += 5.0f;
    world.collisionPass++;
    term->collisionStamp = 7;
    EXPECT_EQ(before, worldDigest());
}

}  // namespace
