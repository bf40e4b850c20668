#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "ListingRoundTrip.h"
#include "support/LanguageSources.h"

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

// The cases of tests/rules/data/loader-cases.txt, each with the check its
// header names; a name the table lacks, or a check no case names, fails.
// Blank lines part the cases: only a rules text keeps them.
std::vector<LoadCase> casesFrom(const char *file, const std::map<std::string, std::function<void()>> &checks) {
    std::vector<LoadCase> cases;
    std::set<std::string> used;
    std::string *into = nullptr;
    int number = 0;
    for (const std::string &line : lines(readSourceFile(sourcePath(std::string("tests/rules/data/") + file)))) {
        number++;
        if (line.rfind("=== ", 0) == 0) {
            cases.push_back({"", "", "", nullptr, "logic.txt", file + (":" + std::to_string(number)) + "\n"});
            std::string name = line.substr(4, line.find(' ', 4) - 4);
            auto check = checks.find(name);
            if (check != checks.end()) cases.back().check = check->second, used.insert(name);
            EXPECT_TRUE(name == "-" || check != checks.end()) << "no check named " << name;
            into = &cases.back().text;
        } else if (into && (line == "--- log" || line == "--- lists")) {
            into = line == "--- log" ? &cases.back().log : &cases.back().lists;
        } else if (into && (!line.empty() || into == &cases.back().text)) {
            *into += line + "\n";
        }
    }
    EXPECT_EQ(used.size(), checks.size()) << "a check no case names";
    return cases;
}

}  // namespace

TEST_F(RulesLoaderTest, StatementsChecksAndRecovery) {
    const ColorRule &red = colorTable[0];
    const std::string longName(200, 'n');
    auto speed = [](int s) { return [s] { EXPECT_EQ(world.speed, s); }; };
    auto nodes = [](int n) { return [n] { EXPECT_EQ(liveCount<Node>(), n); }; };
    std::vector<LoadCase> cases = casesFrom(
        "loader-cases.txt",
        {
            {"conversions",
             [] {
                 const Conversion &a = colorTable[2].conversion[0], &b = colorTable[2].conversion[1];
                 EXPECT_TRUE(a.defined && b.defined && a.partner == 1 && b.partner == 0);
                 EXPECT_TRUE(a.output1 == 2 && a.output2 == -1);
                 EXPECT_TRUE(totalNodeProbability == 0.5f && world.edgeSpringK == 0.2f);
             }},
            {"first-statement-stops",
             [] { EXPECT_TRUE(findColor("eat") == 1 && findColor("blue") == -1 && !colorTable[0].relation[1].kind); }},
            {"speed-0", speed(0)},
            {"speed-1", speed(1)},
            {"speed-3", speed(3)},
            {"no-node", nodes(0)},
            {"one-node", nodes(1)},
            {"rates-kept",
             [&] {
                 EXPECT_TRUE(red.atomDecayRate == 0.02f && red.nodeDecayRate == 0.02f && red.nodeAgeRate == 0.03f);
             }},
            {"reproduce-unset", [&] { EXPECT_EQ(red.reproduceAt[1], -1); }},
            {"edge-length", [&] { EXPECT_TRUE(world.edgeLength == 0.0f && !red.hasEdgeLength); }},
            {"edge-to-undeclared-node", [] { EXPECT_TRUE(liveCount<Edge>() == 0 && findNode(5) && !findThing(3)); }},
            {"id-range",
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
            {"moved-node-takes-its-edge",
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
            {"things-read-back",
             [] {
                 int negative = 0, strong = 0;
                 for (Thing *t = world.thingList; t; t = t->next) {
                     negative += t->id == -4;
                     strong += dynamic_cast<Edge *>(t) && t->strength == 0.75f;
                 }
                 EXPECT_TRUE(negative == 1 && strong == 1 && liveCount<Node>() == 4 && liveCount<Edge>() == 2);
                 roundTrip::expectRoundTrip("named nodes and edges");
                 findNode(9)->kill();  // killed but not yet deleted: no longer part of the scenario
                 EXPECT_EQ(listing().find("with id 9"), std::string::npos);
                 purgeDead();
             }},
            {"world-emptied", [] { EXPECT_EQ(liveCount<Node>() + liveCount<Edge>(), 0); }},
            {"colour-sets",
             [] {
                 const ColorRule &x = colorTable[0], &z = colorTable[1], &y = colorTable[2];
                 EXPECT_TRUE(x.relation[0].kind == RelCollects && x.relation[1].kind == RelPoisonedBy);
                 EXPECT_FALSE(x.relation[2].kind);
                 EXPECT_TRUE(z.relation[1].kind == RelPoisonedBy && y.relation[0].kind == RelCollects);
                 EXPECT_TRUE(!y.relation[1].kind && !y.relation[2].kind && x.senseCount == 10 &&
                             x.sense[9].source == 2);
                 EXPECT_TRUE(!x.decomposition[0].defined && !x.decomposition[19].defined);
             }},
            {"rule-limits", [] { EXPECT_TRUE(colorTable[0].signalCount == 10 && slotSenseCount(3) == 10); }},
            {"inhibits-all",
             [&] {
                 EXPECT_EQ(red.relation[0].kind, RelInhibitedBy);
                 EXPECT_EQ(colorTable[1].relation[0].kind, RelInhibitedBy);
             }},
            {"statement-fields",
             [&] {
                 EXPECT_TRUE(red.nodeDecayRate == 2.0f * 0.02f && red.atomDecayRate == static_cast<float>(3.0 * 0.02));
                 EXPECT_TRUE(red.nodeAgeRate == 4.0f * 0.03f && red.hasCaptureArc);
                 EXPECT_NEAR(red.captureArc, 1.57f, 1e-6f);
                 EXPECT_TRUE(red.decomposition[19].defined && red.senseCount == 1 && red.signalCount == 1);
                 EXPECT_TRUE(red.sense[0].source == 2 && red.sense[0].output == 1 && red.sense[0].factor == 2.0f);
                 EXPECT_TRUE(red.signal[0].source == -2 && red.signal[0].output == 2 && red.signal[0].factor == 3.0f);
             }},
            {"one-output-conversion",
             [&] { EXPECT_TRUE(red.conversion[2].output2 == -1 && red.conversion[2].factor2 == 0.0f); }},
            {"slot-rules",
             [] {
                 ASSERT_TRUE(slotSenseCount(2) == 2 && slotDecomposeCount(2) == 2);
                 const SlotRule *s = slotSense(2, 0), *d = slotDecompose(2, 1);
                 EXPECT_TRUE(s->input == 3 && s->output == 0 && s->factor == 2.0f && slotSense(2, 1)->input == 100);
                 EXPECT_TRUE(slotDecompose(2, 0)->input == 4 && d->input == 98 && d->factor == 2.0f);
                 EXPECT_TRUE(slotGrasps(9) && slotSenseCount(1) == 0);
             }},
            {"builtin-rules", [] { EXPECT_TRUE(colorCount == 3 && randomNodeColor() == -1); }},
            {"full-table", [] { EXPECT_FALSE(colorTable[0].relation[5].kind); }},
        });
    ASSERT_GE(cases.size(), 35u);
    // Texts a data file would not keep as they are: no last line break, paths, CR and NUL.
    cases.insert(
        cases.end(),
        {
            {"edge springk is 0.3\nred is 1 1 1", "1 colors parsed\n", "edge springk is 0.300000"},
            // Diagnostics name the last component of the path, cut to 127 characters.
            {"red eats\nx", "'c.txt':2: parse error\n1 colors parsed\n", "", nullptr, "/a/b/c.txt"},
            {"red eats\nx", "'d.txt':2: parse error\n1 colors parsed\n", "", nullptr, "C:\\rules\\d.txt"},
            {"red eats\nx", "'':2: parse error\n1 colors parsed\n", "", nullptr, nullptr},
            {"red eats\nx", "'" + std::string(127, 'n') + "':2: parse error\n1 colors parsed\n", "",
             [] { EXPECT_STREQ(rulesLoader::rulesFileName, ""); }, longName.c_str()},
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
    run(cases);
}
// A number past a float's range, in any statement, stores nothing of it.
TEST_F(RulesLoaderTest, ANumberPastAFloatsRangeStoresNothing) {
    const std::string big = "1" + std::string(39, '0') + ".5";  // about 1e39
    const std::string setup = "red is 1 0 0\nred node at 1.0 2.0 with id 4\nred node at 3.0 4.0 with id 5\n";
    // Every statement that takes a number, with # where the number goes.
    const std::string forms = readSourceFile(sourcePath("tests/rules/data/number-forms.txt"));
    ASSERT_EQ(lines(forms).size(), 38u);
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
