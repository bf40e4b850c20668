#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "RulesTestSupport.h"
#include "rules/ColorTable.h"
#include "world/Edge.h"
#include "world/Node.h"

namespace {

class RulesLoaderTest : public RulesTest {
protected:
    static int countNodes() {
        int n = 0;
        for (drovanThing *t = world.thingList; t; t = t->next)
            if (dynamic_cast<drovanNode *>(t) && !t->dead) n++;
        return n;
    }
    static int countEdges() {
        int n = 0;
        for (drovanThing *t = world.thingList; t; t = t->next)
            if (dynamic_cast<drovanEdge *>(t) && !t->dead) n++;
        return n;
    }
};

}  // namespace

TEST_F(RulesLoaderTest, WorkedExampleStoresEveryStatement) {
    world.anneal = 1;
    std::string log = load("red is 1 0 0\n"
                           "green is 0 1 0 ; blue is 0 0 1\n"
                           "red eats green\n"
                           "green node probability is 0.5\n"
                           "blue converts red and green to blue * 2\n"
                           "red node reproduces when green = 3\n"
                           "# comment\n"
                           "anneal 0\n"
                           "edge springk is .2\n");
    EXPECT_EQ(log, "3 colors parsed\n");
    EXPECT_EQ(rulesErrorCount(), 0);
    ASSERT_EQ(colorCount, 3);
    EXPECT_STREQ(colorTable[0].name, "red");
    EXPECT_STREQ(colorTable[1].name, "green");
    EXPECT_STREQ(colorTable[2].name, "blue");
    EXPECT_EQ(colorTable[0].rgb[0], 1.0f);
    EXPECT_EQ(colorTable[1].rgb[1], 1.0f);
    EXPECT_EQ(colorTable[2].rgb[2], 1.0f);
    EXPECT_EQ(colorTable[0].relation[1].kind, RelEats);
    EXPECT_EQ(colorTable[1].nodeProbability, 0.5f);
    EXPECT_EQ(totalNodeProbability, 0.5f);
    const Conversion &a = colorTable[2].conversion[0], &b = colorTable[2].conversion[1];
    EXPECT_TRUE(a.defined);
    EXPECT_TRUE(b.defined);
    EXPECT_EQ(a.partner, 1);
    EXPECT_EQ(b.partner, 0);
    EXPECT_EQ(a.output1, 2);
    EXPECT_EQ(a.factor1, 2.0f);
    EXPECT_EQ(a.output2, -1);
    EXPECT_EQ(colorTable[0].reproduceAt[1], 3);
    EXPECT_EQ(world.anneal, 0);
    EXPECT_EQ(world.edge_springk, 0.2f);
}

TEST_F(RulesLoaderTest, ErrorInTheFirstStatementStopsTheParse) {
    EXPECT_EQ(load("red eat blue\nblue eats red\n"), "'logic.txt':1: parse error\n2 colors parsed\n");
    EXPECT_EQ(findColor("eat"), 1);
    EXPECT_EQ(findColor("blue"), -1);
    EXPECT_EQ(colorTable[0].relation[1].kind, RelNone);
}

TEST_F(RulesLoaderTest, RecoveryResumesAtTheNextStatement) {
    EXPECT_EQ(load("# c\nred eat blue\nblue eats red\n"),
              "'logic.txt':2: parse error\n"
              "'logic.txt':4: parse error\n"
              "'logic.txt':4: expected a semicolon or line break here\n"
              "3 colors parsed\n");
    EXPECT_EQ(colorTable[findColor("blue")].relation[findColor("red")].kind, RelEats);

    EXPECT_EQ(load("red eats blue green eats red\nblue eats red\n"),
              "'logic.txt':1: parse error\n"
              "'logic.txt':2: parse error\n"
              "'logic.txt':2: expected a semicolon or line break here\n"
              "3 colors parsed\n");
    int red = findColor("red"), blue = findColor("blue"), green = findColor("green");
    EXPECT_EQ(colorTable[red].relation[blue].kind, RelEats);
    EXPECT_EQ(colorTable[green].relation[red].kind, RelEats);
    EXPECT_EQ(colorTable[blue].relation[red].kind, RelEats);
    EXPECT_EQ(rulesErrorCount(), 3);

    EXPECT_EQ(load("red eats blue\nred eats\ngreen eats red\nblue eats green\n"),
              "'logic.txt':3: parse error\n"
              "'logic.txt':4: parse error\n"
              "'logic.txt':4: expected a semicolon or line break here\n"
              "3 colors parsed\n");
    red = findColor("red"), blue = findColor("blue"), green = findColor("green");
    EXPECT_EQ(colorTable[red].relation[blue].kind, RelEats);
    EXPECT_EQ(colorTable[green].relation[red].kind, RelEats);
    EXPECT_EQ(colorTable[blue].relation[green].kind, RelEats);

    // A resumed statement of fewer than three tokens raises no second report.
    EXPECT_EQ(load("# c\nred eat blue\nanneal 0\nspeed 1\n"),
              "'logic.txt':2: parse error\n"
              "'logic.txt':4: expected a semicolon or line break here\n"
              "3 colors parsed\n");
    EXPECT_EQ(world.anneal, 0);
    EXPECT_EQ(world.speed, 1);
}

TEST_F(RulesLoaderTest, NodePositionNeedsFloats) {
    EXPECT_EQ(load("red node at 1 2\n"), "'logic.txt':1: parse error\n1 colors parsed\n");
    EXPECT_EQ(countNodes(), 0);
    EXPECT_EQ(load("red node at 1.0 2.0\n"), "1 colors parsed\n");
    EXPECT_EQ(countNodes(), 1);
}

TEST_F(RulesLoaderTest, ValueChecksReportOnTheStatementsLine) {
    EXPECT_EQ(load("red is 2 0 0\n"), "'logic.txt':1: rgb values must be between 0 and 1\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].rgb[0], 1.0f);
    EXPECT_EQ(load("red is -1 0.5 0\n"), "'logic.txt':1: rgb values must be between 0 and 1\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].rgb[0], 0.0f);
    EXPECT_EQ(colorTable[0].rgb[1], 0.5f);

    EXPECT_EQ(load("\n\nred size 1.5\n"), "'logic.txt':3: color sizes must be between 0 and 1\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].size, 1.0f);
    EXPECT_EQ(load("red size 1\nblue size is 0.25"), "2 colors parsed\n");
    EXPECT_EQ(colorTable[0].size, 1.0f);
    EXPECT_EQ(colorTable[1].size, 0.25f);

    EXPECT_EQ(load("red atom decays at -1\n"), "'logic.txt':1: atom decay rate must be >= 0\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].atomDecayRate, 0.02f);
    EXPECT_EQ(load("red node decays at -1\nred node ages at -2\n"),
              "'logic.txt':1: node decay rate must be >= 0\n'logic.txt':2: node age rate must be >= 0\n"
              "1 colors parsed\n");
    EXPECT_EQ(colorTable[0].nodeDecayRate, 0.02f);
    EXPECT_EQ(colorTable[0].nodeAgeRate, 0.03f);
    load("red node decays at 2\nred atom decays at 3\nred node ages at 4\nred capture arc is 90\n");
    EXPECT_EQ(colorTable[0].nodeDecayRate, 2.0f * 0.02f);
    EXPECT_EQ(colorTable[0].atomDecayRate, static_cast<float>(3.0 * 0.02));
    EXPECT_EQ(colorTable[0].nodeAgeRate, 4.0f * 0.03f);
    EXPECT_TRUE(colorTable[0].hasCaptureArc);
    EXPECT_NEAR(colorTable[0].captureArc, 1.57f, 1e-6f);

    EXPECT_EQ(load("red node probability is -1\nred atom probability -3\n"),
              "'logic.txt':1: node probability must be greater than or equal to 0\n"
              "'logic.txt':2: atom probability must be greater than or equal to 0\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].nodeProbability, 0.0f);
    EXPECT_EQ(colorTable[0].atomProbability, 0.0f);
    EXPECT_EQ(load("red probability .5\nred probability is -1\n"),
              "'logic.txt':2: node probability must be greater than or equal to 0\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].nodeProbability, 0.0f);

    EXPECT_EQ(load("red node reproduces when blue = 0\n"),
              "'logic.txt':1: count in reproduce rule must be > 0\n2 colors parsed\n");
    EXPECT_EQ(colorTable[0].reproduceAt[1], -1);
}

TEST_F(RulesLoaderTest, EdgeLengthAndSpringConstant) {
    EXPECT_EQ(load("red edge springk is 0.3\n"),
              "'logic.txt':1: per color edge springk not supported\n"
              "'logic.txt':1: use global setting, ie: edge springk is .1\n1 colors parsed\n");
    EXPECT_EQ(world.edge_springk, 0.1f);
    EXPECT_EQ(load("edge springk is 0.3\nred is 1 1 1"), "1 colors parsed\n");
    EXPECT_EQ(world.edge_springk, 0.3f);

    EXPECT_EQ(load("red edge length is 0\n"), "'logic.txt':1: edge length constraints must be > 0\n1 colors parsed\n");
    EXPECT_FALSE(colorTable[0].hasEdgeLength);
    load("edge length 40\nred edge length 12.5\n");
    EXPECT_EQ(world.edge_length, 40.0f);
    EXPECT_TRUE(colorTable[0].hasEdgeLength);
    EXPECT_EQ(colorTable[0].edgeLength, 12.5f);
    load("edge length is 0\nred is 0 0 0\n");
    EXPECT_EQ(world.edge_length, 0.0f);
}

TEST_F(RulesLoaderTest, DonutNeedsAOneToOneConversion) {
    EXPECT_EQ(load("red is donut\n"),
              "'logic.txt':1: donut conversion not defined for 'red' (a 1 to 1 conversion)\n1 colors parsed\n");
    EXPECT_EQ(colorTable[0].nodeKind, 1);
    EXPECT_EQ(load("red converts blue to green\nred is donut\n"), "3 colors parsed\n");
    EXPECT_EQ(colorTable[0].nodeKind, 1);
    // Two inputs do not count.
    EXPECT_EQ(load("red converts blue and green to red\nred is donut\nblue is cilia\n"),
              "'logic.txt':2: donut conversion not defined for 'red' (a 1 to 1 conversion)\n3 colors parsed\n");
    EXPECT_EQ(colorTable[1].nodeKind, 2);
}

TEST_F(RulesLoaderTest, EdgesNeedDeclaredNodes) {
    EXPECT_EQ(load("red is 1 0 0\ndirected edge from node 5 to node 9 with id 3\n"),
              "'logic.txt':2: node with id 5 undeclared\n'logic.txt':2: node with id 9 undeclared\n"
              "1 colors parsed\n");
    EXPECT_EQ(countEdges(), 0);

    EXPECT_EQ(load("red node at 1.0 2.0 with id 5\n"
                   "directed edge from node 5 to node 9 with id 3\n"),
              "'logic.txt':2: node with id 9 undeclared\n1 colors parsed\n");
    EXPECT_EQ(countEdges(), 0);
    ASSERT_NE(findNode(5), nullptr);
    EXPECT_EQ(findThing(3), nullptr);

    // The strength check runs whether or not a thing was made.
    EXPECT_EQ(load("red is 1 0 0\nundirected edge from node 1 to node 2 with strength 1.5\n"),
              "'logic.txt':2: node with id 1 undeclared\n'logic.txt':2: node with id 2 undeclared\n"
              "'logic.txt':2: strengths must be between 0 and 1\n1 colors parsed\n");
}

TEST_F(RulesLoaderTest, NodesAndEdgesTakeTheirAttributes) {
    EXPECT_EQ(load("red node at 10.0 20.0 with id 7 with strength 0.5\n"
                   "blue node at 30.0 40.0 with id 8 with strength 2.0\n"
                   "blue undirected edge from node 7 to node 8 with strength .25\n"
                   "red node at 5.0 5.0 with id -4\n"),
              "'logic.txt':2: strengths must be between 0 and 1\n2 colors parsed\n");
    drovanNode *a = findNode(7), *b = findNode(8);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->colour(), 0);
    EXPECT_EQ(a->position().x, 10.0f);
    EXPECT_EQ(a->position().y, 20.0f);
    EXPECT_EQ(a->strength, 0.5f);
    EXPECT_EQ(b->strength, 1.0f);
    EXPECT_EQ(countNodes(), 3);
    ASSERT_EQ(countEdges(), 1);
    for (drovanThing *t = world.thingList; t; t = t->next) {
        if (drovanEdge *e = dynamic_cast<drovanEdge *>(t)) {
            EXPECT_EQ(e->edgeColour, 1);
            EXPECT_FALSE(e->directed);
            EXPECT_EQ(e->fromId, 7);
            EXPECT_EQ(e->toId, 8);
            EXPECT_EQ(e->strength, 0.25f);
        } else if (drovanNode *n = dynamic_cast<drovanNode *>(t)) {
            if (n != a && n != b) {
                EXPECT_EQ(n->id, -4);
            }
        }
    }

    // A reload empties the world first.
    load("red is 0 0 0\n");
    EXPECT_EQ(countNodes(), 0);
    EXPECT_EQ(countEdges(), 0);
}

TEST_F(RulesLoaderTest, SettingsAreClampedAndTruncated) {
    load("red is 1 1 1\nspeed 7\nedge_constraint 2.9\nnode_creation_rate 5\nanneal 0.5\ninertia -1\n"
         "render atoms 0\nrender nodes 0\nrender atom_aggregates 0\nrender edges 0\ndirected_edges 3\n"
         "colored_edges 1\ndiscover_edges 1\nfix_node_collisions 0\nclosed_world 1\n");
    EXPECT_EQ(world.speed, 3);
    EXPECT_EQ(world.edge_constraint, 2);
    EXPECT_EQ(world.node_creation_rate, 1.0f);
    EXPECT_EQ(world.anneal, 1);
    EXPECT_EQ(world.inertia, 0);
    EXPECT_EQ(world.render_atoms, 0);
    EXPECT_EQ(world.render_nodes, 0);
    EXPECT_EQ(world.render_atom_aggregates, 0);
    EXPECT_EQ(world.render_edges, 0);
    EXPECT_EQ(world.directed_edges, 1);
    EXPECT_EQ(world.colored_edges, 1);
    EXPECT_EQ(world.discover_edges, 1);
    EXPECT_EQ(world.fix_node_collisions, 0);
    EXPECT_EQ(world.closed_world, 1);

    load("red is 1 1 1\nspeed -2\nanneal -1\nnode_creation_rate -3\nedge_constraint -7.5\n");
    EXPECT_EQ(world.speed, 0);
    EXPECT_EQ(world.anneal, 0);
    EXPECT_EQ(world.node_creation_rate, 0.0f);
    EXPECT_EQ(world.edge_constraint, 0);

    // Speed survives a reload; the other settings start again from their reset values.
    load("red is 1 1 1\n");
    EXPECT_EQ(world.speed, 0);
    EXPECT_EQ(world.closed_world, 0);
    EXPECT_EQ(world.edge_constraint, 3);

    // Numbers beyond the int range do not overflow the truncation.
    std::string huge(60, '9');
    load("red is 1 1 1\nspeed " + huge + ".0\nedge_constraint -" + huge + ".5\n");
    EXPECT_EQ(world.speed, 3);
    EXPECT_EQ(world.edge_constraint, 0);
}

TEST_F(RulesLoaderTest, StatementsReachTheirFields) {
    load("red inhibits all\nblue is 0 0 1\nred inhibits blue\nred inhibits none\n");
    EXPECT_EQ(colorTable[0].relation[0].kind, RelInhibitedBy);
    EXPECT_EQ(colorTable[1].relation[0].kind, RelInhibitedBy);

    load("red is 1 0 0\ngreen poisons red\nred collects any\nred eats green\ngreen invigoratedby red\n"
         "red likes green\nred dislikes red\nred valence is 4\nred sterile\nred is static\n"
         "red decomposes green into blue * 2\nred node decomposes all node into 0.5 * red\n"
         "red senses blue to green * 2\nred signals any with 3 * blue\n");
    const ColorRule &r = colorTable[0];
    EXPECT_EQ(r.relation[0].kind, RelCollects);
    EXPECT_EQ(r.relation[1].kind, RelEats);
    EXPECT_EQ(colorTable[1].relation[0].kind, RelInvigoratedBy);
    EXPECT_EQ(r.relation[1].affinity, 1.0f);
    EXPECT_EQ(r.relation[0].affinity, -1.0f);
    EXPECT_EQ(r.valence, 4);
    EXPECT_TRUE(r.isSterile && r.isStatic);
    EXPECT_TRUE(r.decomposition[5].defined);
    EXPECT_EQ(r.decomposition[1].output, 0);
    EXPECT_EQ(r.decomposition[1].factor, 0.5f);
    ASSERT_EQ(r.senseCount, 1);
    EXPECT_EQ(r.sense[0].source, 2);
    EXPECT_EQ(r.sense[0].output, 1);
    EXPECT_EQ(r.sense[0].factor, 2.0f);
    ASSERT_EQ(r.signalCount, 1);
    EXPECT_EQ(r.signal[0].source, -2);
    EXPECT_EQ(r.signal[0].factor, 3.0f);

    // A single output leaves the second one empty; two outputs in any form.
    load("red converts blue to green * 3\nred converts green blue to red * 2 and blue\n");
    const Conversion &one = colorTable[0].conversion[1];
    EXPECT_EQ(one.partner, 2);  // replaced by the two-input rule
    EXPECT_EQ(one.output1, 0);
    EXPECT_EQ(one.output2, 1);
    load("red converts blue to green * 3\n");
    EXPECT_EQ(one.partner, -1);
    EXPECT_EQ(one.output1, 2);
    EXPECT_EQ(one.factor1, 3.0f);
    EXPECT_EQ(one.output2, -1);
    EXPECT_EQ(one.factor2, 0.0f);
}

TEST_F(RulesLoaderTest, PatternSlotRules) {
    EXPECT_EQ(load("meta 2 senses 3 to red * 2\nmeta 2 decomposes 4 to blue\nmeta 2 senses node red to blue\n"
                   "meta 2 decomposes node all to 2 * red\nmeta 9 grasps\nmeta 10 grasps\nmeta -1 senses 1 to red\n"),
              "'logic.txt':6: no pattern slot 10\n'logic.txt':7: no pattern slot -1\n2 colors parsed\n");
    ASSERT_EQ(slotSenseCount(2), 2);
    EXPECT_EQ(slotSense(2, 0)->input, 3);
    EXPECT_EQ(slotSense(2, 0)->output, 0);
    EXPECT_EQ(slotSense(2, 0)->factor, 2.0f);
    EXPECT_EQ(slotSense(2, 1)->input, 100);
    ASSERT_EQ(slotDecomposeCount(2), 2);
    EXPECT_EQ(slotDecompose(2, 0)->input, 4);
    EXPECT_EQ(slotDecompose(2, 1)->input, 98);
    EXPECT_EQ(slotDecompose(2, 1)->factor, 2.0f);
    EXPECT_TRUE(slotGrasps(9));
    EXPECT_EQ(slotSenseCount(1), 0);
}

TEST_F(RulesLoaderTest, EmptyFilesFallBackOnTheBuiltInRules) {
    EXPECT_EQ(load(""), "No color rules; loading hard coded rules.\n");
    EXPECT_EQ(load("# only\n\n/* comments */\n;;\n"), "No color rules; loading hard coded rules.\n");
    ASSERT_EQ(colorCount, 3);
    EXPECT_STREQ(colorTable[0].name, "Red");
    EXPECT_STREQ(colorTable[2].name, "Blue");
    EXPECT_EQ(world.inertia, 1);
    EXPECT_EQ(world.closed_world, 0);
    EXPECT_EQ(world.edge_constraint, 2);
    EXPECT_EQ(randomNodeColor(), -1);
    EXPECT_EQ(rulesErrorCount(), 0);

    // No stream at all: the built-in rules, and no diagnostic.
    loadRules(nullptr, nullptr, out.file());
    EXPECT_EQ(colorCount, 3);
}

TEST_F(RulesLoaderTest, FileNameIsTheLastPathComponent) {
    EXPECT_EQ(load("red eats\nx", "/a/b/c.txt"), "'c.txt':2: parse error\n1 colors parsed\n");
    EXPECT_EQ(load("red eats\nx", "C:\\rules\\d.txt"), "'d.txt':2: parse error\n1 colors parsed\n");
    EXPECT_EQ(load("red eats\nx", nullptr), "'':2: parse error\n1 colors parsed\n");
    std::string longName(200, 'n');
    EXPECT_EQ(load("red eats\nx", longName.c_str()),
              "'" + std::string(127, 'n') + "':2: parse error\n1 colors parsed\n");
    EXPECT_STREQ(drovanRules::rulesFileName, "");
}

TEST_F(RulesLoaderTest, FullTableNamesTheLineOfTheNewWord) {
    std::string text;
    for (int i = 0; i < 20; i++) text += "c" + std::to_string(i) + " is 0 0 0\n";
    text += "c1 eats\nc2 eats extra\nc3 eats none\n";
    EXPECT_EQ(load(text), "'logic.txt':22: parse error\n"
                          "'logic.txt':22: Color table is full (20 max); cannot declare new color 'extra'\n"
                          "'logic.txt':23: parse error\n"
                          "'logic.txt':23: expected a semicolon or line break here\n"
                          "20 colors parsed\n");
    EXPECT_EQ(colorCount, 20);

    // The word is read as "none": eating it clears the eats entries.
    text = "";
    for (int i = 0; i < 20; i++) text += "c" + std::to_string(i) + " is 0 0 0\n";
    text += "c0 eats all\nc1 eats all\nc0 eats extra\n";
    load(text);
    EXPECT_EQ(colorTable[0].relation[5].kind, RelNone);
    EXPECT_EQ(colorTable[1].relation[5].kind, RelEats);
}

TEST_F(RulesLoaderTest, LongNamesNameOneColour) {
    std::string longer(40, 'x'), other = std::string(31, 'x') + "yz";
    EXPECT_EQ(load(longer + " is 1 0 0\n" + other + " eats " + longer + "\n"), "1 colors parsed\n");
    EXPECT_EQ(std::string(colorTable[0].name), std::string(31, 'x'));
    EXPECT_EQ(colorTable[0].relation[0].kind, RelEats);
}

TEST_F(RulesLoaderTest, LineEndingsAndStrayBytes) {
    std::string lf = "# c\nred eats blue\nblue eat red\nred is 2 0 0\n";
    std::string crlf = "# c\r\nred eats blue\r\nblue eat red\r\nred is 2 0 0\r\n";
    std::string a = load(lf), b = load(crlf);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, "'logic.txt':3: parse error\n'logic.txt':4: rgb values must be between 0 and 1\n"
                 "'logic.txt':5: parse error\n'logic.txt':5: expected a semicolon or line break here\n"
                 "3 colors parsed\n");

    EXPECT_EQ(load(std::string("# c\nred \0 eats\nblue eats red\n", 30)),
              "'logic.txt':2: parse error\n'logic.txt':4: parse error\n"
              "'logic.txt':4: expected a semicolon or line break here\n2 colors parsed\n");
    EXPECT_EQ(colorTable[1].relation[0].kind, RelEats);

    EXPECT_EQ(load("# c\nred eats blue\rblue eats red\n"),
              "'logic.txt':2: parse error\n'logic.txt':3: parse error\n"
              "'logic.txt':3: expected a semicolon or line break here\n2 colors parsed\n");
}

TEST_F(RulesLoaderTest, UnreadableStreamIsReportedNotFatal) {
    FILE *dir = std::fopen("/", "r");
    ASSERT_NE(dir, nullptr);
    std::string log = out.text();
    loadRules(dir, "/", out.file());
    EXPECT_EQ(out.text().substr(log.size()),
              "'':1: cannot read the rules file (Is a directory)\nNo color rules; loading hard coded rules.\n");
    EXPECT_EQ(rulesErrorCount(), 1);
    EXPECT_EQ(colorCount, 3);
    // The scanner works again for the next load.
    EXPECT_EQ(load("red is 1 0 0\n"), "1 colors parsed\n");
}

// A stream that delivers some text and then fails.
ssize_t failingRead(void *cookie, char *buf, size_t size) {
    std::string *rest = static_cast<std::string *>(cookie);
    if (rest->empty()) {
        errno = EIO;
        return -1;
    }
    size_t n = std::min(size, rest->size());
    std::memcpy(buf, rest->data(), n);
    rest->erase(0, n);
    return static_cast<ssize_t>(n);
}

TEST_F(RulesLoaderTest, ReadFailureMidStatementStopsQuietly) {
    struct Case {
        const char *text, *log;
    } cases[] = {
        {"# c\nred eats blue\nred is 1 0",
         "'broken.txt':3: cannot read the rules file (Input/output error)\n2 colors parsed\n"},
        {"# c\nred eat blue\nblue eats red",
         "'broken.txt':2: parse error\n'broken.txt':3: cannot read the rules file (Input/output error)\n"
         "3 colors parsed\n"},
    };
    for (const Case &c : cases) {
        std::string rest = c.text;
        cookie_io_functions_t io = {failingRead, nullptr, nullptr, nullptr};
        FILE *f = fopencookie(&rest, "r", io);
        ASSERT_NE(f, nullptr);
        std::string before = out.text();
        loadRules(f, "broken.txt", out.file());
        EXPECT_EQ(out.text().substr(before.size()), c.log);
    }
    // What was read before the failure is stored.
    EXPECT_EQ(colorTable[2].relation[0].kind, RelEats);
}

TEST_F(RulesLoaderTest, ErrorCountBelongsToTheLastLoad) {
    load("red is 2 0 0\nred size 9\n");
    EXPECT_EQ(rulesErrorCount(), 2);
    load("red is 1 0 0\n");
    EXPECT_EQ(rulesErrorCount(), 0);
}
