// Every scenario we ship or keep, the bench worlds and generated rules files
// come back from their saved listing as the same scenario.
#include <dirent.h>

#include <random>
#include <string>

#include "ListingRoundTrip.h"
#include "batch/BenchScenarios.h"
#include "world/Random.h"

namespace {

using RulesRoundTripTest = RulesTest;

std::vector<std::string> rulesFilesIn(const std::string &folder) {
    std::vector<std::string> files;
    if (DIR *d = opendir(folder.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            bool pattern = n.rfind("meta", 0) == 0 && n.find("a.txt") != std::string::npos;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".txt") == 0 && !pattern && n != "copyright.txt")
                files.push_back(folder + "/" + n);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A rules file with every kind of statement in random order, colour names
// that first appear anywhere, rules that replace one another, numbers of every
// size and precision (among them those two or three decimals turn into
// another value), and then a small world of nodes and edges.
std::string generatedRules(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto fixed = [](double v, int decimals) {
        char text[96];
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
        return std::string(text);
    };
    auto unit = [&] { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); };
    auto num = [&]() -> std::string {
        switch (pick(6)) {
        case 0: return std::to_string(pick(4));
        case 1: return fixed(unit(), 1 + pick(9));
        case 2: return fixed(unit() * std::pow(10.0, -3 - pick(7)), 12);
        case 3: return fixed(unit() * 5e5, pick(4));
        case 4: return fixed(unit() * 10.0, 60);  // a float's every digit
        default: {
            const char *tricky[] = {"0.004", "0.003", "0.0004", "0.00000001", "0.125", "1.", ".5"};
            return tricky[pick(7)];
        }
        }
    };
    std::vector<std::string> names;
    int colours = 2 + pick(12);
    for (int i = 0; i < colours; i++) names.push_back("C" + std::to_string(i));
    if (pick(3) == 0) names.push_back("Long" + std::string(30, 'x') + std::to_string(seed));
    auto colour = [&] { return names[static_cast<size_t>(pick(static_cast<int>(names.size())))]; };
    auto set = [&] { return pick(6) == 0 ? (pick(2) ? "all" : "none") : colour(); };
    auto product = [&] {
        int f = pick(3);
        return f == 0 ? colour() : f == 1 ? colour() + " * " + num() : num() + " * " + colour();
    };
    const char *flags[] = {"render atoms",        "render nodes",  "render atom_aggregates",
                           "render edges",        "colored_edges", "directed_edges",
                           "discover_edges",      "anneal",        "inertia",
                           "fix_node_collisions", "closed_world"};
    std::string t, donuts;
    for (int k = 0, n = 20 + pick(80); k < n; k++) {
        std::string x = colour() + " ";
        switch (pick(24)) {
        case 0: t += x + "is " + fixed(unit(), pick(5)) + " " + num() + " " + fixed(unit(), 3); break;
        case 1: t += x + (pick(2) ? "static" : "is sterile"); break;
        case 2: t += x + (pick(2) ? "node probability is " : "probability ") + num(); break;
        case 3: t += x + "atom probability " + num(); break;
        case 4: t += x + "size " + fixed(unit(), 1 + pick(6)); break;
        case 5: t += x + "edge length is " + num() + "1"; break;
        case 6: t += x + (pick(2) ? "node decays at " : "atom decays at ") + num(); break;
        case 7: t += x + "node ages at " + num(); break;
        case 8: t += x + "capture arc is " + (pick(3) ? "" : "-") + num(); break;
        case 9: {
            const char *verbs[] = {"eats ", "poisons ", "collects ", "invigoratedby ", "inhibits "};
            t += x + verbs[pick(5)] + set();
            break;
        }
        case 10: t += x + (pick(2) ? "likes " : "dislikes ") + colour(); break;
        case 11: t += x + "valence is " + std::to_string(1 + pick(5)); break;
        case 12: t += x + "node reproduces when " + colour() + " = " + std::to_string(1 + pick(4)); break;
        case 13: t += x + "decomposes " + set() + " into " + product(); break;
        case 14: t += x + "senses " + set() + " to " + product(); break;
        case 15: t += x + "signals " + set() + " with " + product(); break;
        case 16:
        case 17:
            t += x + "converts " + colour() + (pick(2) ? " and " + colour() : "") + " to " + product() +
                 (pick(2) ? " and " + product() : "");
            break;
        case 18: t += x + "is cilia"; break;
        case 19: donuts += x + "converts " + colour() + " to " + product() + "\n" + x + "is donut\n"; break;
        case 20: {
            const char *forms[] = {" senses ", " decomposes ", " senses node ", " decomposes node "};
            int f = pick(4);
            t += "meta " + std::to_string(pick(10)) + forms[f] + (f < 2 ? std::to_string(pick(12)) : set()) + " to " +
                 product();
            break;
        }
        case 21: t += "meta " + std::to_string(pick(10)) + " grasps"; break;
        case 22: t += std::string(flags[pick(11)]) + " " + num(); break;
        default: {
            const char *settings[] = {"node_creation_rate ", "edge springk is ", "edge length is ", "edge_constraint ",
                                      "speed "};
            t += settings[pick(5)] + num();
        }
        }
        t += "\n";
    }
    t += donuts;
    std::vector<int> ids;
    for (int k = 0, n = pick(30); k < n; k++) {
        bool named = pick(4) != 0;  // the others take the next free id
        if (named) ids.push_back(pick(40));
        t += colour() + " node at " + (pick(4) ? "" : "-") + fixed(unit() * 3200.0, 1 + pick(7)) + " " +
             fixed(unit() * 3200.0, 6) + (named ? " with id " + std::to_string(ids.back()) : "") +
             (pick(2) ? " with strength " + fixed(unit(), 1 + pick(9)) : "") + "\n";
    }
    auto id = [&] {
        return std::to_string(ids.empty() ? 0 : ids[static_cast<size_t>(pick(static_cast<int>(ids.size())))]);
    };
    for (int k = 0, n = pick(40); k < n; k++)
        t += (pick(3) ? "" : colour() + " ") + (pick(2) ? "directed" : "undirected") + " edge from node " + id() +
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
        load(text);
        roundTrip::expectRoundTrip("generated file " + std::to_string(seed) + ":\n" + text);
        if (HasFailure()) break;
    }
}
