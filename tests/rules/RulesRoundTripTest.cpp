// Every scenario we ship or keep, the bench worlds and generated rules files
// come back from their saved listing as the same scenario.
#include <filesystem>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "ListingRoundTrip.h"
#include "benchworlds/BenchScenarios.h"
#include "support/LanguageSources.h"
#include "world/Random.h"

namespace {

using RulesRoundTripTest = RulesTest;

std::vector<std::string> rulesFilesIn(const std::string &folder) {
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        std::string n = entry.path().filename();
        bool pattern = n.rfind("meta", 0) == 0 && n.find("a.txt") != std::string::npos;
        if (entry.path().extension() == ".txt" && !pattern && n != "copyright.txt") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A rules file of such statements in random order, so that colour names first
// appear anywhere and rules replace one another, with numbers of every size
// and precision (among them those that two or three decimals turn into
// another value); then donuts, and a small world of nodes and edges.
std::string generatedRules(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto unit = [&] { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); };
    auto fixed = [](double v, int decimals) {
        char text[96];
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
        return std::string(text);
    };
    const char *tricky[] = {"0.004", "0.003", "0.0004", "0.00000001", "0.125", "1.", ".5", "3"};
    std::string colours[] = {"C0", "C1", "C2", "C3", "C4", "C5", "C6", "C7", "Long" + std::string(30, 'x')};
    int used = 2 + pick(8);  // the long name is among them now and then
    std::function<std::string(char)> value = [&](char kind) -> std::string {
        switch (kind) {
        case 'c': return colours[pick(used)];
        case 's': return pick(5) ? value('c') : pick(2) ? "all" : "none";
        case 'p':
            return pick(3) == 0 ? value('c')
                   : pick(2)    ? value('c') + " * " + value('n')
                                : value('n') + " * " + value('c');
        case 'f': return fixed(unit(), pick(9));
        case 'i': return std::to_string(1 + pick(9));
        default:
            switch (pick(5)) {
            case 0: return tricky[pick(8)];
            case 1: return fixed(unit() * std::pow(10.0, 6 - pick(14)), pick(14));
            case 2: return fixed(unit() * 10.0, 60);  // every digit of a double
            default: return fixed(unit(), 1 + pick(9));
            }
        }
    };
    auto expand = [&](const std::string &form) {
        std::string out;
        for (size_t k = 0; k < form.size(); k++) out += form[k] == '$' ? value(form[++k]) : std::string(1, form[k]);
        return out + "\n";
    };
    std::string t;
    // Statements of every kind; $c is a colour, $s a colour set, $p a product,
    // $n a number, $f a number from 0 to 1, $i a small count.
    static const std::vector<std::string> forms =
        lines(readSourceFile(sourcePath("tests/rules/data/statement-forms.txt")));
    for (int k = 0, n = 20 + pick(80); k < n; k++) t += expand(forms[static_cast<size_t>(pick(int(forms.size())))]);
    // A donut's last conversion rule has one input and one output, as its check asks.
    for (int k = 0, n = pick(4); k < n; k++) {
        std::string c = value('c');
        t += c + " converts " + value('c') + " to " + value('p') + "\n" + c + " is donut\n";
    }
    std::vector<std::string> ids;
    for (int k = 0, n = pick(30); k < n; k++) {
        bool named = pick(4) != 0;  // the others take the next free id
        if (named) ids.push_back(std::to_string(pick(40)));
        t += value('c') + " node at " + (pick(4) ? "" : "-") + fixed(unit() * 3200.0, 1 + pick(7)) + " " +
             fixed(unit() * 3200.0, 6) + (named ? " with id " + ids.back() : "") +
             (pick(2) ? " with strength " + fixed(unit(), 1 + pick(9)) : "") + "\n";
    }
    auto id = [&] { return ids[static_cast<size_t>(pick(static_cast<int>(ids.size())))]; };
    for (int k = 0, n = ids.empty() ? 0 : pick(40); k < n; k++)
        t += (pick(3) ? "" : value('c') + " ") + (pick(2) ? "directed" : "undirected") + " edge from node " + id() +
             " to node " + id() + (pick(2) ? " with strength " + fixed(unit(), 1 + pick(9)) : "") + "\n";
    return t;
}

}  // namespace

TEST_F(RulesRoundTripTest, BundledScenariosAndGoldenRulesFiles) {
    const std::string root = DROVAN_SOURCE_DIR;
    std::vector<std::string> files = rulesFilesIn(root + "/Rules & Scenarios");
    for (const std::string &f : rulesFilesIn(root + "/tests/world/golden")) files.push_back(f);
    EXPECT_GE(files.size(), 18u);
    for (const std::string &f : files) {
        written([&](FILE *log) { loadRules(std::fopen(f.c_str(), "r"), f.c_str(), log); });
        EXPECT_EQ(rulesErrorCount(), 0) << f;
        roundTrip::expectRoundTrip(f);
    }
}

TEST_F(RulesRoundTripTest, BenchWorlds) {
    for (const char *name : {"small", "busy", "full", "meta"}) {
        ASSERT_TRUE(setupBenchScenario(name));
        roundTrip::expectRoundTrip(name);
    }
    setRandState(1);
}

TEST_F(RulesRoundTripTest, GeneratedRulesFiles) {
    for (unsigned seed = 1; seed <= 300; seed++) {
        std::string text = generatedRules(seed);
        // Nothing of the world a file is loaded over may stay: over the last
        // file's world and over another's, the rules and settings are the same
        // (the things' ids go on from the last file's; the speed is the user's).
        auto rules = [] {
            std::string all = roundTrip::scenario();
            return all.substr(0, std::min(all.find("\nedge "), all.find("\nnode ")));
        };
        const int speed = world.speed;
        load(text);
        const std::string over = rules();
        load(generatedRules(seed + 7919));
        world.speed = speed;
        load(text);
        EXPECT_TRUE(rules() == over) << "generated file " << seed << " loaded over two others, "
                                     << roundTrip::firstDifference(rules(), over);
        roundTrip::expectRoundTrip("generated file " + std::to_string(seed) + ":\n" + text);
        if (HasFailure()) break;
    }
}
