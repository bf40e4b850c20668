#include <string>
#include <vector>

#include "RulesTestSupport.h"
#include "world/BuiltinRules.h"
#include "world/AggregateGrid.h"

namespace {

using RulesListingTest = RulesTest;

const std::string kBuiltinListing =
    "Red is 1.000 0.000 0.000\nRed node probability is 0.00\nRed atom probability is 0.00\nRed size 1.00\n"
    "Red eats Green\n"
    "Green is 0.000 1.000 0.000\nGreen node probability is 0.00\nGreen atom probability is 0.00\n"
    "Green size 1.00\nGreen eats Blue\n"
    "Blue is 0.000 0.000 1.000\nBlue node probability is 0.00\nBlue atom probability is 0.00\nBlue size 1.00\n"
    "Blue eats Red\n\n\n"
    "render atoms 1\nrender nodes 1\nrender atom_aggregates 1\nrender edges 1\ncolored_edges 0\ndirected_edges 0\n"
    "discover_edges 0\nfix_node_collisions 1\nclosed_world 0\nanneal 1\ninertia 1\nnode_creation_rate 0.000000\n"
    "edge_constraint 2\nedge springk is 0.100000\n\n\n\n\n\n\n";

}  // namespace

TEST_F(RulesListingTest, BuiltInRulesListExactlyAndReadBack) {
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
    load("x is 0.5 0.25 1\nx static\nx sterile\nx node probability .125\nx atom probability 2\nx size .5\n"
         "x edge length 12\nx node decays at 2\nx atom decays at 0.5\n"
         "x eats y\nx likes y\nz poisons x\nx collects w\nx invigoratedby x\nx dislikes x\nv inhibits x\n"
         "x decomposes y into z\nx decomposes z into y * 2\n"
         "x converts y and z to w\nx converts x to y * 2\nx converts w to y and z * 3\n"
         "x is cilia\nx valence is 5\nx node reproduces when z = 4\nx node reproduces when y = 2\n"
         "x capture arc is 45\nx node ages at 3\nx senses y to z\nx signals y with z\ny converts x to z\ny is donut\n"
         "y node probability 0.5\n");
    const std::string rules =
        "x invigoratedby x\nx dislikes x\nx eats y\nx likes y\nx decomposes y into z\nz poisons x\n"
        "x decomposes z into y * 2.000\nx collects w\nv inhibits x\nx converts x  to y * 2.000\n"
        "x converts z and y to w\nx converts w  to y and z * 3.000\nx is cilia\nx valence is 5\n"
        "x node reproduces when y = 2\nx node reproduces when z = 4\nx senses y to z\nx signals y with z\n";
    EXPECT_EQ(block(0, false), "x is 0.500 0.250 1.000\nx static\nx sterile\nx node probability is 0.125\n"
                               "x atom probability is 2.00\nx size 0.50\nx edge length is 12.000000\n"
                               "x node decays at 2.000000\nx atom decays at 0.500000\nx node ages at 3.000000\n"
                               "x capture arc is 45.000000\n" +
                                   rules);
    // Description mode drops the header and the leading name; it becomes the description lines.
    std::vector<std::string> description = lines(rules);
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
