#include <string>
#include <vector>

#include "RulesTestSupport.h"
#include "support/LanguageSources.h"
#include "world/BuiltinRules.h"
#include "world/AggregateGrid.h"

namespace {

using RulesListingTest = RulesTest;

// Rules and expected listings kept whole in tests/rules/data.
std::string dataFile(const char *name) { return readSourceFile(sourcePath(std::string("tests/rules/data/") + name)); }

}  // namespace

TEST_F(RulesListingTest, BuiltInRulesListExactlyAndReadBack) {
    const std::string kBuiltinListing = dataFile("builtin-listing.txt");
    EXPECT_EQ(load(""), "No color rules; loading hard coded rules.\n");
    EXPECT_EQ(listing(), kBuiltinListing);
    EXPECT_EQ(lines(kBuiltinListing).size(), 37u);
    resetWorld();
    loadBuiltinRules();
    rebuildRules();
    EXPECT_EQ(listing(), kBuiltinListing);
    EXPECT_EQ(load(kBuiltinListing), "3 colors parsed\n");
    EXPECT_EQ(listing(), kBuiltinListing);
    loadBuiltinRules();
    colorTable[0].nodeKind = 1;
    EXPECT_EQ(block(0, true), "eats Green\nis donut\n");
}

TEST_F(RulesListingTest, ColourBlocksDescriptionsAndRoundTrip) {
    load(dataFile("colour-block-rules.txt"));
    const std::string want = dataFile("colour-block.txt");
    EXPECT_EQ(block(0, false), want);
    // Description mode drops the header (11 lines) and the leading name; it becomes the description lines.
    std::vector<std::string> description = lines(want);
    description.erase(description.begin(), description.begin() + 11);
    for (std::string &l : description) l = l.compare(0, 2, "x ") ? l : l.substr(2);
    ASSERT_EQ(colorTable[0].descriptionLineCount, 18);
    for (int i = 0; i < 18; i++) EXPECT_STREQ(colorTable[0].descriptionLine(i), description[i].c_str());
    EXPECT_TRUE(!colorTable[0].descriptionLine(18) && !colorTable[0].descriptionLine(-1));
    EXPECT_TRUE(colorTable[4].descriptionLineCount == 0 && !colorTable[4].descriptionLine(0));  // v: nothing to list
    EXPECT_EQ(totalNodeProbability, 0.625f);
    ASSERT_NE(world.aggregateGrid, nullptr);
    EXPECT_EQ(world.aggregateGrid->layerCount(), 5);
    EXPECT_EQ(world.aggregateGrid->layerColour(0)[1], 0.25f);

    std::string first = listing();
    EXPECT_EQ(load(first), "5 colors parsed\n");
    EXPECT_EQ(rulesErrorCount(), 0);
    EXPECT_EQ(listing(), first);
}
