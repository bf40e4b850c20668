#include <random>
#include <string>
#include <vector>

#include "RulesTestSupport.h"
#include "world/AggregateGrid.h"

namespace {

class RulesRobustnessTest : public RulesTest {
protected:
    // Loads text and checks that the load ended with its summary line and left
    // a usable colour table.
    void loadSurvives(const std::string &text) {
        std::string log = load(text);
        ASSERT_GE(log.size(), 1u);
        bool summary = endsWith(log, " colors parsed\n") || endsWith(log, "\nNo color rules; loading hard coded rules.\n") ||
                       log == "No color rules; loading hard coded rules.\n";
        EXPECT_TRUE(summary) << "no summary line for input of " << text.size() << " bytes: " << log.substr(log.size() > 300 ? log.size() - 300 : 0);
        EXPECT_GE(colorCount, 1);
        EXPECT_LE(colorCount, 20);
        ASSERT_NE(world.aggregateGrid, nullptr);
        EXPECT_EQ(world.aggregateGrid->layerCount(), colorCount);
    }

    static bool endsWith(const std::string &s, const std::string &end) {
        return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
    }

    static int lineCount(const std::string &s) {
        int n = 0;
        for (char c : s) n += c == '\n';
        return n;
    }
};

const char *const kWords[] = {
    "red", "green", "blue", "Red", "is", "eats", "node", "at", "edge", "from", "to", "with", "id", "strength",
    "all", "none", "any", "and", "into", "decomposes", "converts", "senses", "signals", "meta", "grasps",
    "probability", "atom", "decays", "ages", "when", "reproduces", "=", "*", ";", "\n", "\n", "\r\n",
    "directed", "undirected", "length", "springk", "render", "atoms", "speed", "1", "0.5", "-3", ".25",
    "10.0", "20.0", "7", "/*", "*/", "#", "//", "donut", "cilia", "valence", "capture", "arc", "likes",
};

}  // namespace

TEST_F(RulesRobustnessTest, RandomBytes) {
    std::mt19937 gen(12345);
    for (int round = 0; round < 200; round++) {
        std::string text(gen() % 3000, '\0');
        for (char &c : text) c = static_cast<char>(gen() & 0xff);
        loadSurvives(text);
    }
}

TEST_F(RulesRobustnessTest, RandomTokenSoup) {
    std::mt19937 gen(777);
    const size_t n = sizeof kWords / sizeof kWords[0];
    for (int round = 0; round < 300; round++) {
        std::string text;
        int words = static_cast<int>(gen() % 400);
        for (int i = 0; i < words; i++) {
            text += kWords[gen() % n];
            text += ' ';
        }
        loadSurvives(text);
    }
}

TEST_F(RulesRobustnessTest, EveryTruncationOfAScenario) {
    const std::string scenario =
        "red is 1 0 0\ngreen is 0 1 0 ; blue is 0 0 1\nred eats green\ngreen node probability is 0.5\n"
        "blue converts red and green to blue * 2\nred node reproduces when green = 3\n"
        "red node at 10.0 20.0 with id 7 with strength 0.5\nblue node at 1.0 2.0 with id 8\n"
        "green directed edge from node 7 to node 8 with strength 0.5\nmeta 3 senses node red to blue * 2\n"
        "/* block\ncomment */ anneal 0\nedge springk is .2\n";
    for (size_t cut = 0; cut <= scenario.size(); cut++) loadSurvives(scenario.substr(0, cut));
}

TEST_F(RulesRobustnessTest, HugeTokens) {
    // Ten megabytes of one number.
    loadSurvives("red is 1 0 0\nspeed " + std::string(10 * 1024 * 1024, '9') + "\n");
    EXPECT_EQ(world.speed, 3);

    // A word of a megabyte names a colour by its first 31 characters.
    std::string word(1024 * 1024, 'w');
    EXPECT_EQ(load(word + " is 1 0 0\n" + word + " eats " + word + "\n"), "1 colors parsed\n");
    EXPECT_EQ(std::string(colorTable[0].name), std::string(31, 'w'));

    // Comments of any length.
    loadSurvives("/*" + std::string(2 * 1024 * 1024, 'c') + "*/ red is 1 0 0\n# " + std::string(100000, '#'));
    EXPECT_EQ(colorCount, 1);
}

TEST_F(RulesRobustnessTest, HundredThousandLines) {
    std::string text;
    for (int i = 0; i < 100000; i++) text += (i % 2) ? "red eats blue\n" : "blue node probability is 0.5\n";
    EXPECT_EQ(load(text), "2 colors parsed\n");
    EXPECT_EQ(drovanRules::lineNumber, 100001);

    // The same number of broken lines: none is fatal. The first reports one
    // error; each later one is resumed at its start and reports two.
    text = "# c\n";
    for (int i = 0; i < 100000; i++) text += "red eats blue green\n";
    std::string log = load(text);
    EXPECT_EQ(lineCount(log), 2 * 100000);
    EXPECT_EQ(rulesErrorCount(), 2 * 100000 - 1);
    EXPECT_EQ(log.substr(0, 80), "'logic.txt':2: parse error\n'logic.txt':3: parse error\n"
                                 "'logic.txt':3: expected a ");
    EXPECT_EQ(log.substr(log.size() - 16), "3 colors parsed\n");
}

TEST_F(RulesRobustnessTest, RepeatedErrorsAndStrayCharacters) {
    loadSurvives("red is 1 0 0\n" + std::string(200000, '!'));
    loadSurvives("red is 1 0 0\n" + std::string(200000, '='));
    loadSurvives(std::string(200000, ';') + "red is 1 0 0");
    loadSurvives("red is 1 0 0\n" + std::string(200000, '\0'));
    std::string text = "\n";
    for (int i = 0; i < 20000; i++) text += "red red red = * ";
    loadSurvives(text);
    // Attribute lists of any length do not grow the parse stack.
    text = "red node at 1.0 1.0";
    for (int i = 0; i < 50000; i++) text += " with strength 0.5";
    loadSurvives(text);
    EXPECT_EQ(rulesErrorCount(), 0);
}
