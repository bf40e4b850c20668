#include <string>

#include "RulesTestSupport.h"
#include "world/Random.h"

using ColorTableTest = RulesTest;

// The loader cuts its words itself; a direct caller's long name is cut before the lookup too.
TEST_F(ColorTableTest, LongNamesAreCutBeforeTheLookup) {
    EXPECT_EQ(declareColor(std::string(40, 'a').c_str()), 0);
    EXPECT_EQ(declareColor((std::string(31, 'a') + "zzz").c_str()), 0);
    EXPECT_EQ(std::string(colorTable[0].name), std::string(31, 'a'));
}

TEST_F(ColorTableTest, SimpleConversionNeedsOneInputAndOneOutput) {
    for (const char *n : {"x", "a", "b", "o"}) declareColor(n);
    ColorRule &a = colorTable[1];
    setConversion(a, 1, 2, 3, 1.0f, -1, 0.0f);
    SimpleConversion s = findSimpleConversion(a);  // two inputs: none; the fallback names the colour itself
    EXPECT_TRUE(!s.found && s.input == 1 && s.output == 1 && s.factor == 0.5f);
    setConversion(a, 3, -1, 1, 2.0f, 2, 1.0f);  // two outputs: none either
    EXPECT_FALSE(findSimpleConversion(a).found);
    setConversion(a, 3, -1, 1, 2.0f, -1, 0.0f);
    s = findSimpleConversion(a);
    EXPECT_TRUE(s.found && s.input == 3 && s.output == 1 && s.factor == 2.0f);
}

TEST_F(ColorTableTest, RandomNodeColourFollowsTheWeights) {
    for (const char *n : {"a", "b", "c"}) declareColor(n);
    rebuildColors();
    uint32_t saved = randState();
    EXPECT_EQ(randomNodeColor(), -1);
    colorTable[1].nodeProbability = colorTable[2].nodeProbability = 0.5f;
    rebuildColors();
    EXPECT_EQ(totalNodeProbability, 1.0f);
    // Two draws a call: the fallback, then the weight.
    setRandState(1);
    int seen[3] = {0, 0, 0};
    for (int i = 0; i < 3000; i++) seen[std::max(0, randomNodeColor())]++;
    EXPECT_TRUE(seen[0] == 0 && seen[1] == 1456 && seen[2] == 1544);
    EXPECT_EQ(randState(), 2729763761u);

    colorCount = 0;  // an empty table yields no colour instead of dividing by zero
    rebuildColors();
    EXPECT_EQ(randomNodeColor(), -1);
    setRandState(saved);
}
