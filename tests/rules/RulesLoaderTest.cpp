#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "ListingRoundTrip.h"

namespace {

using RulesLoaderTest = RulesTest;

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

}  // namespace

TEST_F(RulesLoaderTest, StatementsChecksAndRecovery) {
    std::string twenty, elevenSenses, limits, huge(60, '9'), longName(200, 'n'), x31(31, 'x');
    for (int i = 0; i < 20; i++) twenty += "c" + std::to_string(i) + " is 0 0 0\n";
    for (int i = 0; i < 11; i++) limits += "x signals x with x\nmeta 3 senses node x to x\nmeta 3 decomposes 1 to x\n";
    for (int i = 0; i < 11; i++) elevenSenses += i < 10 ? "x senses y to x\n" : "x senses x to x\n";
    const ColorRule &red = colorTable[0];
    run({
        {"red is 1 0 0\ngreen is 0 1 0 ; blue is 0 0 1\nred eats green\ngreen node probability is 0.5\n"
         "blue converts red and green to blue * 2\nred node reproduces when green = 3\n# comment\nanneal 0\n"
         "edge springk is .2\n",
         "3 colors parsed\n",
         "red is 1.000 0.000 0.000\ngreen is 0.000 1.000 0.000\nblue is 0.000 0.000 1.000\nred eats green\n"
         "green node probability is 0.50\nblue converts green and red to blue * 2.000\n"
         "red node reproduces when green = 3\nanneal 0\n",
         [] {
             const Conversion &a = colorTable[2].conversion[0], &b = colorTable[2].conversion[1];
             EXPECT_TRUE(a.defined && b.defined && a.partner == 1 && b.partner == 0);
             EXPECT_TRUE(a.output1 == 2 && a.output2 == -1);
             EXPECT_TRUE(totalNodeProbability == 0.5f && world.edgeSpringK == 0.2f);
         }},
        // Syntax errors: the very first statement stops the parse, later ones resume.
        {"red eat blue\nblue eats red\n", "@1: parse error\n2 colors parsed\n", "",
         [] { EXPECT_TRUE(findColor("eat") == 1 && findColor("blue") == -1 && !colorTable[0].relation[1].kind); }},
        {"# c\nred eat blue\nblue eats red\n",
         "@2: parse error\n@4: parse error\n@4: expected a semicolon or line break here\n3 colors parsed\n",
         "blue eats red"},
        {"red eats blue green eats red\nblue eats red\n",
         "@1: parse error\n@2: parse error\n@2: expected a semicolon or line break here\n3 colors parsed\n",
         "red eats blue\ngreen eats red\nblue eats red"},
        {"red eats blue\nred eats\ngreen eats red\nblue eats green\n",
         "@3: parse error\n@4: parse error\n@4: expected a semicolon or line break here\n3 colors parsed\n",
         "red eats blue\ngreen eats red\nblue eats green"},
        // A resumed statement of fewer than three tokens raises no second report.
        {"# c\nred eat blue\nanneal 0\nspeed 1\n",
         "@2: parse error\n@4: expected a semicolon or line break here\n"
         "3 colors parsed\n",
         "anneal 0", [] { EXPECT_EQ(world.speed, 1); }},
        {"red node at 1 2\n", "@1: parse error\n1 colors parsed\n", "", [] { EXPECT_EQ(liveCount<Node>(), 0); }},
        {"red node at 1.0 2.0\n", "1 colors parsed\n", "", [] { EXPECT_EQ(liveCount<Node>(), 1); }},
        // Value checks name the statement's own line and judge the value as read.
        {"red is 2 0 0\nblue is -1 0.5 0\n",
         "@1: rgb values must be between 0 and 1\n"
         "@2: rgb values must be between 0 and 1\n2 colors parsed\n",
         "red is 1.000 0.000 0.000\nblue is 0.000 0.500 0.000"},
        {"\n\nred size 1.5\nblue size is 0.25\ngreen size 0.5\ngreen size 1\n",
         "@3: color sizes must be between 0 and 1\n3 colors parsed\n",
         "red size 1.00\nblue size 0.25\ngreen size 1.00"},
        {"red atom decays at -1\nred node decays at -1\nred node ages at -2\n",
         "@1: atom decay rate must be >= 0\n"
         "@2: node decay rate must be >= 0\n@3: node age rate must be >= 0\n1 colors parsed\n",
         "",
         [&] { EXPECT_TRUE(red.atomDecayRate == 0.02f && red.nodeDecayRate == 0.02f && red.nodeAgeRate == 0.03f); }},
        {"red node probability is -1\nred atom probability -3\nblue probability .5\nblue probability is -1\n",
         "@1: node probability must be greater than or equal to 0\n@2: atom probability must be greater than or equal "
         "to 0\n@4: node probability must be greater than or equal to 0\n2 colors parsed\n",
         "red node probability is 0.00\nred atom probability is 0.00\nblue node probability is 0.00"},
        {"red node reproduces when blue = 0\n", "@1: count in reproduce rule must be > 0\n2 colors parsed\n", "",
         [&] { EXPECT_EQ(red.reproduceAt[1], -1); }},
        {"red edge springk is 0.3\n",
         "@1: per color edge springk not supported\n"
         "@1: use global setting, ie: edge springk is .1\n1 colors parsed\n",
         "edge springk is 0.100000"},
        {"edge springk is 0.3\nred is 1 1 1", "1 colors parsed\n", "edge springk is 0.300000"},
        {"red edge length is 0\nedge length 40\nblue edge length 12.5\nedge length is 0\n",
         "@1: edge length constraints must be > 0\n2 colors parsed\n", "blue edge length is 12.500000",
         [&] { EXPECT_TRUE(world.edgeLength == 0.0f && !red.hasEdgeLength); }},
        {"red is donut\nred converts blue to green\nred is donut\ngreen converts blue and red to green\n"
         "green is donut\nblue is cilia\n",
         "@1: donut conversion not defined for 'red' (a 1 to 1 conversion)\n"
         "@5: donut conversion not defined for 'green' (a 1 to 1 conversion)\n3 colors parsed\n",
         "red is donut\ngreen is donut\nblue is cilia"},
        // Nodes and edges.
        {"red node at 1.0 2.0 with id 5\ndirected edge from node 5 to node 9 with id 3\n",
         "@2: node with id 9 undeclared\n1 colors parsed\n", "",
         [] { EXPECT_TRUE(liveCount<Edge>() == 0 && findNode(5) && !findThing(3)); }},
        // Ids at both ends of the int range; nothing lies past the top one.
        {"red node at 1.0 1.0 with id 2147483647\nred node at 2.0 2.0\nred node at 3.0 3.0 with id -2147483648\n",
         "1 colors parsed\n", "red node at 3.000000 3.000000 with id -2147483648 with strength 0.80",
         [] {
             Node *top = findNode(2147483647);
             EXPECT_TRUE(top && top->position().x == 1.0f);
             // The plain node and then the third took the next ids in line, not ones past the top.
             Node *plain = nullptr;
             for (Thing *t = world.thingList; t; t = t->next)
                 if (Node *n = asNode(t)) plain = n->position().x == 2.0f ? n : plain;
             ASSERT_TRUE(plain);
             EXPECT_TRUE(plain->id + 2 == world.nextId && !world.idsWrapped) << plain->id << " " << world.nextId;
         }},
        // A node moved off its id by a later statement takes its edge along.
        {"red node at 100.0 100.0 with id 4\nred node at 150.0 100.0 with id 9\nundirected edge from node 4 to node 9\n"
         "blue node at 900.0 900.0 with id 4\n",
         "2 colors parsed\n", "",
         [] {
             Node *moved = nullptr, *blue = findNode(4);
             Edge *e = nullptr;
             for (Thing *t = world.thingList; t; t = t->next) {
                 if (Node *n = dynamic_cast<Node *>(t); n && n->position().x == 100.0f) moved = n;
                 if (!e) e = dynamic_cast<Edge *>(t);
             }
             ASSERT_TRUE(moved && blue && e && moved->id != 4);
             EXPECT_NE(listing().find("undirected edge from node " + std::to_string(moved->id) + " to node 9\n"),
                       std::string::npos);
             e->kill();
             EXPECT_TRUE(moved->edgeCount == 0 && moved->undirectedDegree == 0 && blue->undirectedDegree == 0);
             purgeDead();
         }},
        {"red is 1 0 0\nundirected edge from node 1 to node 2 with strength 1.5\n",  // checked though no edge is made
         "@2: node with id 1 undeclared\n@2: node with id 2 undeclared\n@2: strengths must be between 0 and 1\n"
         "1 colors parsed\n"},
        {"Red node at 10.0 20.0 with id 7 with strength 0.5\nBlue node at 30.0 40.0 with id 8 with strength 2.0\n"
         "Red node at 5.0 5.0 with id -4\nRed node at 1.0 1.0 with id 9\n"
         "Blue undirected edge from node 8 to node 9 with strength .75\n"
         "directed edge from node 7 to node 8\nedge length is 25\n",
         "@2: strengths must be between 0 and 1\n"
         "2 colors parsed\n",
         "Red node at 10.000000 20.000000 with id 7 with strength 0.50\n"
         "Blue node at 30.000000 40.000000 with id 8 with strength 1.00\n"
         "Blue undirected edge from node 8 to node 9 with strength 0.75\ndirected edge from node 7 to node 8\n"
         "edge length is 25.000000",
         [] {
             int negative = 0, strong = 0;
             for (Thing *t = world.thingList; t; t = t->next) {
                 negative += t->id == -4;
                 strong += dynamic_cast<Edge *>(t) && t->strength == 0.75f;
             }
             EXPECT_TRUE(negative == 1 && strong == 1 && liveCount<Node>() == 4 && liveCount<Edge>() == 2);
             // It reads back to the same listing (things come back in the opposite registry order).
             std::string first = listing();
             EXPECT_EQ(load(first), "2 colors parsed\n");
             std::vector<std::string> a = lines(first), b = lines(listing());
             EXPECT_EQ(b[0], a[0]);
             std::sort(a.begin(), a.end());
             std::sort(b.begin(), b.end());
             EXPECT_EQ(a, b);
             findNode(9)->kill();  // killed but not yet deleted: no longer part of the scenario
             EXPECT_EQ(listing().find("with id 9"), std::string::npos);
             purgeDead();
         }},
        {"red is 0 0 0\n", "1 colors parsed\n", "",  // a reload empties the world first
         [] { EXPECT_EQ(liveCount<Node>() + liveCount<Edge>(), 0); }},
        // Statements reach their fields; colour sets cover the colours declared so far.
        {"x collects all\nz poisons all\nz poisons none\ny eats all\ny collects x\ny eats none\n"
         "x decomposes all into y\nx decomposes none into y\n" +
             elevenSenses,
         "@19: 'x' already has 10 senses rules; this one is dropped\n3 colors parsed\n", "",
         [] {
             const ColorRule &x = colorTable[0], &z = colorTable[1], &y = colorTable[2];
             EXPECT_TRUE(x.relation[0].kind == RelCollects && x.relation[1].kind == RelPoisonedBy);
             EXPECT_FALSE(x.relation[2].kind);
             EXPECT_TRUE(z.relation[1].kind == RelPoisonedBy && y.relation[0].kind == RelCollects);
             EXPECT_TRUE(!y.relation[1].kind && !y.relation[2].kind && x.senseCount == 10 && x.sense[9].source == 2);
             EXPECT_TRUE(!x.decomposition[0].defined && !x.decomposition[19].defined);
         }},
        {limits,
         "@31: 'x' already has 10 signals rules; this one is dropped\n@32: meta 3 already has 10 senses rules; this "
         "one is dropped\n@33: meta 3 already has 10 decomposes rules; this one is dropped\n1 colors parsed\n",
         "", [] { EXPECT_TRUE(colorTable[0].signalCount == 10 && slotSenseCount(3) == 10); }},
        {"red inhibits all\nblue is 0 0 1\nred inhibits blue\nred inhibits none\n", "2 colors parsed\n", "",
         [&] {
             EXPECT_EQ(red.relation[0].kind, RelInhibitedBy);
             EXPECT_EQ(colorTable[1].relation[0].kind, RelInhibitedBy);
         }},
        {"red is 1 0 0\ngreen poisons red\nred collects any\nred eats green\ngreen invigoratedby red\n"
         "red likes green\nred dislikes red\nred valence is 4\nred sterile\nred is static\n"
         "red decomposes green into blue * 2\nred node decomposes all node into 0.5 * red\n"
         "red senses blue to green * 2\nred signals any with 3 * blue\nred node decays at 2\nred atom decays at 3\n"
         "red node ages at 4\nred capture arc is 90\nred is cilia\nred edge length 5\n"
         "red node reproduces when green = 2\n",
         "3 colors parsed\n",
         "red collects red\nred dislikes red\nred eats green\nred likes green\nred valence is 4\nred sterile\n"
         "red static\nred decomposes blue into red * 0.500\ngreen invigoratedby red\nred is cilia\n"
         "red edge length is 5.000000\nred node reproduces when green = 2",
         [&] {
             EXPECT_TRUE(red.nodeDecayRate == 2.0f * 0.02f && red.atomDecayRate == static_cast<float>(3.0 * 0.02));
             EXPECT_TRUE(red.nodeAgeRate == 4.0f * 0.03f && red.hasCaptureArc);
             EXPECT_NEAR(red.captureArc, 1.57f, 1e-6f);
             EXPECT_TRUE(red.decomposition[19].defined && red.senseCount == 1 && red.signalCount == 1);
             EXPECT_TRUE(red.sense[0].source == 2 && red.sense[0].output == 1 && red.sense[0].factor == 2.0f);
             EXPECT_TRUE(red.signal[0].source == -2 && red.signal[0].output == 2 && red.signal[0].factor == 3.0f);
         }},
        // A reload leaves nothing of the earlier file but speed; settings are clamped and truncated.
        {"red is 1 1 1\nspeed 7\nedge_constraint 2.9\nnode_creation_rate 5\nanneal 0.5\ninertia -1\nrender atoms 0\n"
         "render nodes 0\nrender atom_aggregates 0\nrender edges 0\ndirected_edges 3\ncolored_edges 1\n"
         "discover_edges 1\nfix_node_collisions 0\nclosed_world 1\n",
         "1 colors parsed\n",
         "render atoms 0\nrender nodes 0\nrender atom_aggregates 0\nrender edges 0\ncolored_edges 1\ndirected_edges 1\n"
         "discover_edges 1\nfix_node_collisions 0\nclosed_world 1\nanneal 1\ninertia 0\nnode_creation_rate 1.000000\n"
         "edge_constraint 2",
         [&] {
             EXPECT_FALSE(red.senseCount || red.signalCount || red.isSterile || red.isStatic || red.hasCaptureArc ||
                          red.hasEdgeLength || red.nodeKind || red.decomposition[19].defined || red.relation[0].kind ||
                          red.descriptionLineCount || red.captureArc || red.edgeLength || red.relation[0].affinity);
             EXPECT_TRUE(red.valence == -1 && red.reproduceAt[1] == -1 && red.nodeAgeRate == 0.03f && world.speed == 3);
         }},
        {"red is 1 1 1\n", "1 colors parsed\n", "closed_world 0\nedge_constraint 3", [] { EXPECT_EQ(world.speed, 3); }},
        {"red is 1 1 1\nspeed -2\nanneal -1\nnode_creation_rate -3\nedge_constraint -7.5\n", "1 colors parsed\n",
         "anneal 0\nnode_creation_rate 0.000000\nedge_constraint 0", [] { EXPECT_EQ(world.speed, 0); }},
        // A number past a float's range: the statement stores nothing.
        {"red is 1 1 1\nspeed " + huge + ".0\nedge_constraint -" + huge + ".5\n",
         "@2: number " + huge.substr(0, 40) + "... is too large; the statement is ignored\n@3: number -" +
             huge.substr(0, 39) + "... is too large; the statement is ignored\n1 colors parsed\n",
         "edge_constraint 3", [] { EXPECT_EQ(world.speed, 0); }},
        // A one-output rule replaces a two-output one with output2 -1 and factor2 0.
        {"red converts green blue to red * 2 and blue * 5\nred converts blue to green * 3\n", "3 colors parsed\n",
         "red converts green and blue to red * 2.000 and blue * 5.000\nred converts blue  to green * 3.000",
         [&] { EXPECT_TRUE(red.conversion[2].output2 == -1 && red.conversion[2].factor2 == 0.0f); }},
        {"meta 2 senses 3 to red * 2\nmeta 2 decomposes 4 to blue\nmeta 2 senses node red to blue\n"
         "meta 2 decomposes node all to 2 * red\nmeta 9 grasps\nmeta 10 grasps\nmeta -1 senses 1 to red\n",
         "@6: no pattern slot 10\n@7: no pattern slot -1\n2 colors parsed\n", "",
         [] {
             ASSERT_TRUE(slotSenseCount(2) == 2 && slotDecomposeCount(2) == 2);
             const SlotRule *s = slotSense(2, 0), *d = slotDecompose(2, 1);
             EXPECT_TRUE(s->input == 3 && s->output == 0 && s->factor == 2.0f && slotSense(2, 1)->input == 100);
             EXPECT_TRUE(slotDecompose(2, 0)->input == 4 && d->input == 98 && d->factor == 2.0f);
             EXPECT_TRUE(slotGrasps(9) && slotSenseCount(1) == 0);
         }},
        // Without colours the built-in rules are in force.
        {"", "No color rules; loading hard coded rules.\n"},
        {"# only\n\n/* comments */\n;;\n", "No color rules; loading hard coded rules.\n",
         "Red eats Green\nBlue eats Red\ninertia 1\nclosed_world 0\nedge_constraint 2",
         [] { EXPECT_TRUE(colorCount == 3 && randomNodeColor() == -1); }},
        // Diagnostics name the last component of the path, cut to 127 characters.
        {"red eats\nx", "'c.txt':2: parse error\n1 colors parsed\n", "", nullptr, "/a/b/c.txt"},
        {"red eats\nx", "'d.txt':2: parse error\n1 colors parsed\n", "", nullptr, "C:\\rules\\d.txt"},
        {"red eats\nx", "'':2: parse error\n1 colors parsed\n", "", nullptr, nullptr},
        {"red eats\nx", "'" + std::string(127, 'n') + "':2: parse error\n1 colors parsed\n", "",
         [] { EXPECT_STREQ(rulesLoader::rulesFileName, ""); }, longName.c_str()},
        // A full table reports the new word on its own line and reads it as "none".
        {twenty + "c1 eats\nc2 eats extra\nc3 eats none\n",
         "@22: parse error\n@22: Color table is full (20 max); "
         "cannot declare new color 'extra'\n@23: parse error\n@23: expected a semicolon or line break here\n"
         "20 colors parsed\n"},
        {twenty + "c0 eats all\nc1 eats all\nc0 eats " + std::string(40, 'q') + "\n",
         "@23: Color table is full (20 max); cannot declare new color '" + std::string(31, 'q') +
             "'\n20 colors parsed\n",
         "c1 eats c5", [] { EXPECT_FALSE(colorTable[0].relation[5].kind); }},
        {x31 + "yyy is 1 0 0\n" + x31 + "z eats " + x31 + "yyy\n",
         "@2: color names '" + x31 + "yyy' and '" + x31 + "z' share their first 31 characters; both name color '" +
             x31 + "'\n1 colors parsed\n",
         x31 + " eats " + x31},
        // CRLF reads as LF; a lone CR or a NUL is a stray character.
        {"# c\r\nred eats blue\r\nblue eat red\r\nred is 2 0 0\r\n",
         "@3: parse error\n@4: rgb values must be between 0 and 1\n@5: parse error\n"
         "@5: expected a semicolon or line break here\n3 colors parsed\n"},
        {std::string("# c\nred \0 eats\nblue eats red\n", 30),
         "@2: parse error\n@4: parse error\n@4: expected a semicolon or line break here\n2 colors parsed\n",
         "blue eats red"},
        {"# c\nred eats blue\rblue eats red\n",
         "@2: parse error\n@3: parse error\n@3: expected a semicolon or line break here\n2 colors parsed\n"},
    });
}

// A number past a float's range, in any statement, stores nothing of it.
TEST_F(RulesLoaderTest, ANumberPastAFloatsRangeStoresNothing) {
    const std::string big = "1" + std::string(39, '0') + ".5";  // about 1e39
    const std::string setup = "red is 1 0 0\nred node at 1.0 2.0 with id 4\nred node at 3.0 4.0 with id 5\n";
    const std::string forms =
        "red is # 0 0\nred is 0 0 -#\nred size #\nred atom decays at #\nred node ages at #\n"
        "red node decays at #\nred atom probability #\nred node probability #\nred probability #\n"
        "red capture arc #\nred decomposes red into red * #\nred senses red to # * red\n"
        "red signals red with red * #\nred converts red to red * #\nred converts red to red and # * red\n"
        "red edge length #\nedge length #\nedge springk #\nmeta 1 senses 2 to red * #\n"
        "meta 1 decomposes node red to # * red\nrender atoms -#\nrender nodes -#\nrender atom_aggregates -#\n"
        "render edges -#\ndirected_edges #\ncolored_edges #\ndiscover_edges #\nanneal -#\ninertia #\nspeed #\n"
        "node_creation_rate #\nfix_node_collisions -#\nclosed_world #\nedge_constraint #\nred node at # 1.0\n"
        "red node at 1.0 -# with id 9\nred node at 1.0 2.0 with id 9 with strength #\n"
        "directed edge from node 4 to node 5 with strength #\n";
    load(setup);
    const std::string before = roundTrip::scenario();
    for (std::string form : lines(forms)) {
        size_t at = form.find('#');
        form.replace(at, 1, big);
        std::string number = form[at - 1] == '-' ? "-" + big : big;  // the scanner's token
        SCOPED_TRACE(form);
        EXPECT_EQ(load(setup + form + "\n"), "'logic.txt':4: number " + number.substr(0, 40) +
                                                 "... is too large; the statement is ignored\n" + "1 colors parsed\n");
        EXPECT_TRUE(roundTrip::scenario() == before) << roundTrip::firstDifference(before, roundTrip::scenario());
    }
}

TEST_F(RulesLoaderTest, ReadFailuresAreReportedNotFatal) {
    // A folder opens as a file on Linux but fails to read; no stream at all is no error.
    EXPECT_EQ(written([](FILE *log) { loadRules(std::fopen("/", "r"), "/", log); }),
              "'':1: cannot read the rules file (Is a directory)\nNo color rules; loading hard coded rules.\n");
    EXPECT_TRUE(rulesErrorCount() == 1 && colorCount == 3);
    EXPECT_EQ(written([](FILE *log) { loadRules(nullptr, nullptr, log); }),
              "No color rules; loading hard coded rules.\n");
    EXPECT_EQ(rulesErrorCount(), 0);
    // What was read before a failure stays stored.
    std::string rest[] = {"# c\nred eats blue\nred is 1 0", "# c\nred eat blue\nblue eats red"};
    const char *logs[] = {"'broken.txt':3: cannot read the rules file (Input/output error)\n2 colors parsed\n",
                          "'broken.txt':2: parse error\n'broken.txt':3: cannot read the rules file (Input/output "
                          "error)\n3 colors parsed\n"};
    for (int i = 0; i < 2; i++) {
        FILE *f = fopencookie(&rest[i], "r", {failingRead, nullptr, nullptr, nullptr});
        EXPECT_EQ(written([&](FILE *log) { loadRules(f, "broken.txt", log); }), logs[i]);
    }
    EXPECT_EQ(colorTable[2].relation[0].kind, RelEats);
    EXPECT_EQ(load("red is 1 0 0\n"), "1 colors parsed\n");  // the scanner works again
}
