#include <string>

#include "RulesTestSupport.h"
#include "rules/BuiltinRules.h"
#include "world/AggregateGrid.h"
#include "world/Random.h"

namespace {

class ColorTableTest : public RulesTest {
protected:
    void declare(std::initializer_list<const char *> names) {
        for (const char *n : names) declareColor(n);
    }
};

}  // namespace

TEST_F(ColorTableTest, DeclaringNamesExactlyAndUpToTwenty) {
    EXPECT_EQ(declareColor("red"), 0);
    EXPECT_EQ(declareColor("Red"), 1);
    EXPECT_EQ(declareColor("red"), 0);
    EXPECT_EQ(findColor("RED"), -1);
    for (int i = 2; i < 20; i++) EXPECT_EQ(declareColor(("c" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(declareColor("one_too_many"), -1);
    EXPECT_EQ(colorCount, 20);
    EXPECT_EQ(out.text(), "'':1: Color table is full (20 max); cannot declare new color 'one_too_many'\n");
    EXPECT_EQ(declareColor("c19"), 19);  // known names still resolve
}

TEST_F(ColorTableTest, LongNamesAreCutTo31Characters) {
    std::string forty(40, 'a');
    int c = declareColor(forty.c_str());
    EXPECT_EQ(std::string(colorTable[c].name), std::string(31, 'a'));
    EXPECT_EQ(declareColor((std::string(31, 'a') + "zzz").c_str()), c);
    EXPECT_EQ(colorCount, 1);
}

TEST_F(ColorTableTest, RelationSets) {
    declare({"x", "y", "z"});
    ColorRule &x = colorTable[0];
    setRelation(x, -2, RelEats);
    for (int c = 0; c < 3; c++) EXPECT_EQ(x.relation[c].kind, RelEats);
    declareColor("w");
    EXPECT_EQ(x.relation[3].kind, RelNone);

    setRelation(x, 1, RelCollects);
    setRelation(x, -1, RelEats);
    EXPECT_EQ(x.relation[0].kind, RelNone);
    EXPECT_EQ(x.relation[1].kind, RelCollects);
    setRelation(x, 7, RelEats);  // not a declared colour
    EXPECT_EQ(x.relation[7].kind, RelNone);

    setIncomingRelation(-1, 0, RelPoisonedBy);
    for (int t = 0; t < 4; t++) EXPECT_NE(colorTable[t].relation[0].kind, RelPoisonedBy);
    setIncomingRelation(-2, 0, RelPoisonedBy);
    for (int t = 0; t < 4; t++) EXPECT_EQ(colorTable[t].relation[0].kind, RelPoisonedBy);
}

TEST_F(ColorTableTest, ConversionsDecompositionsAndLists) {
    declare({"x", "a", "b", "o"});
    ColorRule &x = colorTable[0];
    setConversion(x, 1, 2, 3, 1.0f, -1, 0.0f);
    EXPECT_TRUE(x.conversion[1].defined);
    EXPECT_TRUE(x.conversion[2].defined);
    EXPECT_EQ(x.conversion[1].partner, 2);
    EXPECT_EQ(x.conversion[2].partner, 1);
    EXPECT_FALSE(findSimpleConversion(x).found);
    SimpleConversion none = findSimpleConversion(x);
    EXPECT_EQ(none.input, 0);
    EXPECT_EQ(none.output, 0);
    EXPECT_EQ(none.factor, 0.5f);

    setConversion(x, 3, -1, 1, 2.0f, 2, 1.0f);  // two outputs: not one to one
    EXPECT_FALSE(findSimpleConversion(x).found);
    setConversion(x, 3, -1, 1, 2.0f, -1, 0.0f);
    SimpleConversion s = findSimpleConversion(x);
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.input, 3);
    EXPECT_EQ(s.output, 1);
    EXPECT_EQ(s.factor, 2.0f);

    setDecomposition(x, -2, 3, 0.5f);
    for (const Decomposition &d : x.decomposition) EXPECT_TRUE(d.defined);
    setDecomposition(x, -1, 2, 0.25f);
    for (const Decomposition &d : x.decomposition) EXPECT_FALSE(d.defined);
    setDecomposition(x, 1, 2, 0.25f);
    EXPECT_TRUE(x.decomposition[1].defined);

    for (int i = 0; i < 11; i++) addSenseRule(x, i, 1, static_cast<float>(i));
    EXPECT_EQ(x.senseCount, 10);
    EXPECT_EQ(x.sense[9].source, 9);
}

TEST_F(ColorTableTest, ResetLeavesNothingOfAnEarlierFile) {
    declare({"x"});
    ColorRule &x = colorTable[0];
    x.isStatic = x.isSterile = true;
    x.nodeKind = 2;
    x.valence = 4;
    x.reproduceAt[3] = 5;
    x.hasEdgeLength = x.hasCaptureArc = true;
    x.edgeLength = x.captureArc = 3.0f;
    addSenseRule(x, 1, 1, 1.0f);
    addSignalRule(x, 1, 1, 1.0f);
    x.relation[2] = {RelEats, 1.0f};
    rebuildColors();
    ASSERT_NE(x.description, nullptr);
    resetColorRule(x);
    EXPECT_FALSE(x.isStatic || x.isSterile || x.hasEdgeLength || x.hasCaptureArc);
    EXPECT_EQ(x.nodeKind, 0);
    EXPECT_EQ(x.valence, -1);
    EXPECT_EQ(x.reproduceAt[3], -1);
    EXPECT_EQ(x.edgeLength, 0.0f);
    EXPECT_EQ(x.captureArc, 0.0f);
    EXPECT_EQ(x.senseCount + x.signalCount, 0);
    EXPECT_EQ(x.relation[2].kind, RelNone);
    EXPECT_EQ(x.relation[2].affinity, 0.0f);
    EXPECT_EQ(x.name[0], '\0');
    EXPECT_EQ(x.description, nullptr);
    EXPECT_EQ(x.descriptionLineCount, 0);
}

TEST_F(ColorTableTest, RandomNodeColourFollowsTheWeights) {
    declare({"a", "b", "c"});
    rebuildColors();
    uint32_t saved = randState();
    EXPECT_EQ(randomNodeColor(), -1);

    colorTable[1].nodeProbability = 0.5f;
    colorTable[2].nodeProbability = 0.5f;
    rebuildColors();
    EXPECT_EQ(totalNodeProbability, 1.0f);
    int seen[3] = {0, 0, 0};
    for (int i = 0; i < 3000; i++) {
        int c = randomNodeColor();
        ASSERT_GE(c, 0);
        seen[c]++;
    }
    EXPECT_EQ(seen[0], 0);
    EXPECT_GT(seen[1], 1000);
    EXPECT_GT(seen[2], 1000);

    // Every call takes exactly two draws: fallback first, then the weight.
    setRandState(1);
    drovanRand();
    int second = drovanRand();
    int third = drovanRand();
    setRandState(1);
    int expected = static_cast<float>(second) * 3.0518509e-5f <= 0.5f ? 1 : 2;
    EXPECT_EQ(randomNodeColor(), expected);
    EXPECT_EQ(drovanRand(), third);

    // An empty table yields no colour instead of dividing by zero.
    colorCount = 0;
    rebuildColors();
    EXPECT_EQ(randomNodeColor(), -1);
    setRandState(saved);
}

TEST_F(ColorTableTest, RebuildDerivesTotalsGridAndDescriptions) {
    loadBuiltinRules();
    colorTable[0].nodeProbability = 0.25f;
    colorTable[2].nodeProbability = 0.5f;
    colorTable[0].nodeKind = 1;
    colorTable[1].relation[1].affinity = -1.0f;
    rebuildColors();
    EXPECT_EQ(totalNodeProbability, 0.75f);
    ASSERT_NE(world.aggregateGrid, nullptr);
    EXPECT_EQ(world.aggregateGrid->layerCount(), 3);
    EXPECT_EQ(world.aggregateGrid->layerColour(2)[2], 1.0f);
    EXPECT_EQ(world.aggregateGrid->layerColour(0)[0], 1.0f);

    ASSERT_EQ(colorTable[0].descriptionLineCount, 2);
    EXPECT_STREQ(colorTable[0].descriptionLine(0), "eats Green");
    EXPECT_STREQ(colorTable[0].descriptionLine(1), "is donut");
    EXPECT_EQ(colorTable[0].descriptionLine(2), nullptr);
    EXPECT_EQ(colorTable[0].descriptionLine(-1), nullptr);
    ASSERT_EQ(colorTable[1].descriptionLineCount, 2);
    EXPECT_STREQ(colorTable[1].descriptionLine(0), "dislikes Green");
    EXPECT_STREQ(colorTable[1].descriptionLine(1), "eats Blue");

    // A colour with nothing to describe has an empty description.
    colorTable[2].relation[0].kind = RelNone;
    rebuildColors();
    EXPECT_EQ(colorTable[2].descriptionLineCount, 0);
    EXPECT_EQ(colorTable[2].descriptionLine(0), nullptr);
}
