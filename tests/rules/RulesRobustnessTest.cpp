#include <random>
#include <string>
#include <vector>

#include "RulesTestSupport.h"
#include "support/LanguageSources.h"
#include "world/AggregateGrid.h"

namespace {

using RulesRobustnessTest = RulesTest;

// Loads text; the load must end with its summary line and leave a usable colour table.
void loadSurvives(const std::string &text) {
    std::string log = "\n" + load(text), last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_TRUE(last == std::to_string(colorCount) + " colors parsed\n" ||
                last == "No color rules; loading hard coded rules.\n")
        << "input of " << text.size() << " bytes ended with: " << last.substr(0, 200);
    EXPECT_TRUE(colorCount >= 1 && world.aggregateGrid && world.aggregateGrid->layerCount() == colorCount);
}

// Statements of every kind, comments and a small world.
const std::string kScenario = readSourceFile(sourcePath("tests/rules/data/robustness-scenario.txt"));

}  // namespace

TEST_F(RulesRobustnessTest, RandomBytesTokenSoupAndTruncations) {
    std::mt19937 gen(12345);
    for (int round = 0; round < 200; round++) {
        std::string text(gen() % 3000, '\0');
        for (char &c : text) c = static_cast<char>(gen() & 0xff);
        loadSurvives(text);
    }
    std::vector<std::string> words = {"\n", "\n", "\r\n", "*/", "#"};
    std::istringstream in(kScenario);
    for (std::string w; in >> w;) words.push_back(w);
    for (int round = 0; round < 300; round++) {
        std::string text;
        for (int i = static_cast<int>(gen() % 400); i > 0; i--) text += words[gen() % words.size()] + " ";
        loadSurvives(text);
    }
    ASSERT_GT(kScenario.size(), 600u);
    for (size_t cut = 0; cut <= kScenario.size(); cut++) loadSurvives(kScenario.substr(0, cut));
}

TEST_F(RulesRobustnessTest, HugeTokensAndManyLines) {
    loadSurvives("red is 1 0 0\nspeed " + std::string(10 << 20, '9') + "\n");  // ten megabytes of one number
    EXPECT_EQ(world.speed, 3);
    std::string word(1 << 20, 'w');
    EXPECT_EQ(load(word + " is 1 0 0\n" + word + " eats " + word + "\n"), "1 colors parsed\n");
    EXPECT_EQ(std::string(colorTable[0].name), std::string(31, 'w'));
    loadSurvives("/*" + std::string(2 << 20, 'c') + "*/ red is 1 0 0\n# " + std::string(100000, '#'));
    EXPECT_EQ(colorCount, 1);

    std::string text;
    for (int i = 0; i < 100000; i++) text += (i % 2) ? "red eats blue\n" : "blue node probability is 0.5\n";
    EXPECT_EQ(load(text), "2 colors parsed\n");
    EXPECT_EQ(rulesLoader::lineNumber, 100001);
    // As many broken lines: the first reports one error, each later one is resumed
    // at its start and reports two.
    text = "# c\n";
    for (int i = 0; i < 100000; i++) text += "red eats blue green\n";
    std::string log = load(text);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2 * 100000);
    EXPECT_EQ(rulesErrorCount(), 2 * 100000 - 1);
    EXPECT_EQ(log.substr(0, 80), "'logic.txt':2: parse error\n'logic.txt':3: parse error\n'logic.txt':3: expected a ");
    EXPECT_EQ(log.substr(log.size() - 16), "3 colors parsed\n");
}

TEST_F(RulesRobustnessTest, RepeatedErrorsAndLongStatements) {
    for (char c : {'!', '=', '\0'}) loadSurvives("red is 1 0 0\n" + std::string(200000, c));
    loadSurvives(std::string(200000, ';') + "red is 1 0 0");
    std::string text = "\n";
    for (int i = 0; i < 20000; i++) text += "red red red = * ";
    loadSurvives(text);
    // Attribute lists of any length do not grow the parse stack.
    text = "red node at 1.0 1.0";
    for (int i = 0; i < 50000; i++) text += " with strength 0.5";
    loadSurvives(text);
    EXPECT_EQ(rulesErrorCount(), 0);
}
