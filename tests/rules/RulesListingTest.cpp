#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "RulesTestSupport.h"
#include "rules/BuiltinRules.h"
#include "world/Node.h"

namespace {

class RulesListingTest : public RulesTest {
protected:
    static std::vector<std::string> sortedLines(const std::string &text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    // The colour blocks: everything before the first empty line.
    static std::string colourPart(const std::string &listing) { return listing.substr(0, listing.find("\n\n") + 1); }
};

const char *const kBuiltinListing =
    "Red is 1.000 0.000 0.000\n"
    "Red node probability is 0.00\n"
    "Red atom probability is 0.00\n"
    "Red size 1.00\n"
    "Red eats Green\n"
    "Green is 0.000 1.000 0.000\n"
    "Green node probability is 0.00\n"
    "Green atom probability is 0.00\n"
    "Green size 1.00\n"
    "Green eats Blue\n"
    "Blue is 0.000 0.000 1.000\n"
    "Blue node probability is 0.00\n"
    "Blue atom probability is 0.00\n"
    "Blue size 1.00\n"
    "Blue eats Red\n"
    "\n"
    "\n"
    "render atoms 1\n"
    "render nodes 1\n"
    "render atom_aggregates 1\n"
    "render edges 1\n"
    "colored_edges 0\n"
    "directed_edges 0\n"
    "discover_edges 0\n"
    "fix_node_collisions 1\n"
    "closed_world 0\n"
    "anneal 1\n"
    "inertia 1\n"
    "node_creation_rate 0.000000\n"
    "edge_constraint 2\n"
    "edge springk is 0.100000\n"
    "\n\n\n\n\n\n";

}  // namespace

TEST_F(RulesListingTest, BuiltInRulesListExactly) {
    EXPECT_EQ(load(""), "No color rules; loading hard coded rules.\n");
    EXPECT_EQ(listing(), kBuiltinListing);

    // The same after a world reset.
    resetWorld();
    EXPECT_EQ(listing(), kBuiltinListing);
    // And the listing reads back to itself.
    EXPECT_EQ(load(kBuiltinListing), "3 colors parsed\n");
    EXPECT_EQ(listing(), kBuiltinListing);
}

TEST_F(RulesListingTest, ColourBlockFormats) {
    load("x is 0.5 0.25 1\nx static\nx sterile\nx node probability .125\nx atom probability 2\nx size .5\n"
         "x edge length 12\nx node decays at 2\nx atom decays at 0.5\n"
         "x eats y\nx likes y\nz poisons x\nx collects w\nx invigoratedby x\nx dislikes x\nv inhibits x\n"
         "x decomposes y into z\nx decomposes z into y * 2\n"
         "x converts y and z to w\nx converts x to y * 2\nx converts w to y and z * 3\n"
         "x is cilia\nx valence is 5\nx node reproduces when z = 4\nx node reproduces when y = 2\n"
         "x capture arc is 45\nx node ages at 3\nx senses y to z\nx signals y with z\n");
    EXPECT_EQ(block(0, false),
              "x is 0.500 0.250 1.000\n"
              "x static\n"
              "x sterile\n"
              "x node probability is 0.12\n"
              "x atom probability is 2.00\n"
              "x size 0.50\n"
              "x edge length is 12.000000\n"
              "x node decays at 2.000000\n"
              "x atom decays at 0.500000\n"
              "x invigoratedby x\n"
              "x dislikes x\n"
              "x eats y\n"
              "x likes y\n"
              "x decomposes y into z\n"
              "z poisons x\n"
              "x decomposes z into y * 2.000\n"
              "x collects w\n"
              "x converts x  to y * 2.000\n"
              "x converts z and y to w\n"
              "x converts w  to y and z * 3.000\n"
              "x is cilia\n"
              "x valence is 5\n"
              "x node reproduces when y = 2\n"
              "x node reproduces when z = 4\n");
    // Description mode drops the header lines and the leading name.
    EXPECT_EQ(block(0, true),
              "invigoratedby x\n"
              "dislikes x\n"
              "eats y\n"
              "likes y\n"
              "decomposes y into z\n"
              "z poisons x\n"
              "decomposes z into y * 2.000\n"
              "collects w\n"
              "converts x  to y * 2.000\n"
              "converts z and y to w\n"
              "converts w  to y and z * 3.000\n"
              "is cilia\n"
              "valence is 5\n"
              "node reproduces when y = 2\n"
              "node reproduces when z = 4\n");
    EXPECT_EQ(colorTable[0].descriptionLineCount, 15);
    EXPECT_STREQ(colorTable[0].descriptionLine(14), "node reproduces when z = 4");
}

TEST_F(RulesListingTest, DonutDescription) {
    loadBuiltinRules();
    colorTable[0].nodeKind = 1;
    EXPECT_EQ(block(0, true), "eats Green\nis donut\n");
}

TEST_F(RulesListingTest, NodesAndEdgesAreListedAndReadBack) {
    load("Red is 1 0 0\nBlue is 0 0 1\n"
         "Red node at 10.0 20.0 with id 7 with strength 0.5\n"
         "Red node at 30.0 40.0 with id 8 with strength 1.0\n"
         "Blue node at 50.0 60.0 with id 9 with strength 0.25\n"
         "directed edge from node 7 to node 8\n"
         "Blue undirected edge from node 8 to node 9\n"
         "edge length is 25\n");
    std::string first = listing();
    EXPECT_NE(first.find("\nRed node at 10.000000 20.000000 with id 7 with strength 0.50\n"), std::string::npos);
    EXPECT_NE(first.find("\nBlue node at 50.000000 60.000000 with id 9 with strength 0.25\n"), std::string::npos);
    EXPECT_NE(first.find("\ndirected edge from node 7 to node 8\n"), std::string::npos);
    EXPECT_NE(first.find("\nBlue undirected edge from node 8 to node 9\n"), std::string::npos);
    EXPECT_NE(first.find("\n\n\nedge length is 25.000000\n"), std::string::npos);

    // Loading the listing back keeps everything it lists (things come back in
    // the opposite registry order, hence the sorted comparison).
    EXPECT_EQ(load(first), "2 colors parsed\n");
    std::string second = listing();
    EXPECT_EQ(colourPart(second), colourPart(first));
    EXPECT_EQ(sortedLines(second), sortedLines(first));

    // Things killed but not yet deleted are not part of the scenario.
    findNode(9)->kill();
    std::string third = listing();
    EXPECT_EQ(third.find("with id 9"), std::string::npos);
    purgeDead();
}

TEST_F(RulesListingTest, ListingReadsBackToItself) {
    load("red is 1 0.5 0.25\ngreen is 0 1 0\nblue is 0 0 1\n"
         "red node probability is 0.25\ngreen atom probability is 0.75\nblue size 0.5\n"
         "red static\ngreen sterile\nblue edge length is 40\n"
         "red node decays at 3\ngreen atom decays at 0.5\n"
         "red eats green\nred likes blue\nred dislikes green\nblue poisons red\ngreen collects all\n"
         "blue invigoratedby red\nred decomposes blue into green * 0.5\n"
         "green converts red and blue to green\nblue converts red to green * 2 and blue\n"
         "red converts red to blue\nred is donut\ngreen is cilia\nblue valence is 2\n"
         "red node reproduces when green = 3\n"
         "render atoms 0\nrender edges 0\ncolored_edges 1\ndirected_edges 1\ndiscover_edges 1\n"
         "fix_node_collisions 0\nclosed_world 1\nanneal 0\ninertia 1\nnode_creation_rate 0.3\n"
         "edge_constraint 4\nedge springk is 0.25\nedge length is 33\n");
    EXPECT_EQ(rulesErrorCount(), 0);
    std::string first = listing();
    EXPECT_EQ(load(first), "3 colors parsed\n");
    EXPECT_EQ(rulesErrorCount(), 0);
    EXPECT_EQ(listing(), first);
    EXPECT_EQ(world.edge_constraint, 4);
    EXPECT_EQ(world.edge_length, 33.0f);
    EXPECT_EQ(world.node_creation_rate, 0.3f);
}
