#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/TextCapture.h"
#include "world/ColorTable.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/Pattern.h"
#include "world/Node.h"

// Everything `write` puts into a stream, which also takes the rules diagnostics meanwhile.
template <class F>
std::string written(F write) {
    return captured([&](FILE *f) {
        setRulesDiagnosticStream(f);
        write(f);
        setRulesDiagnosticStream(nullptr);
    });
}

inline std::string load(const std::string &text, const char *path = "logic.txt") {
    return written([&](FILE *log) { loadRules(streamOf(text), path, log); });
}
inline std::string listing() { return written(writeRules); }
inline std::string block(int c, bool descriptionMode) {
    return written([&](FILE *f) { writeColorRules(colorTable[c], f, descriptionMode); });
}

inline std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) all.push_back(l);
    return all;
}

template <class T>
int liveCount() {
    int n = 0;
    for (Thing *t = world.thingList; t; t = t->next) n += dynamic_cast<T *>(t) && !t->dead;
    return n;
}

// One load: its text, the exact diagnostics and summary it writes ("@" stands for
// "'logic.txt':"), lines the listing then holds, and what else must hold.
struct LoadCase {
    std::string text, log, lists = "";
    std::function<void()> check = nullptr;
    const char *path = "logic.txt";
    std::string where = "";  // the case's place in a data file, for failure messages
};

// Every test starts from an empty table, reset settings and an empty world.
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetToFreshProcess();
        resetSettings();
        initPatternSlots();
    }
    void TearDown() override { killAll(); }

    // Runs the cases in order (state carries over); every diagnostic line counts as an error.
    static void run(const std::vector<LoadCase> &cases) {
        for (const LoadCase &c : cases) {
            SCOPED_TRACE(c.where + c.text.substr(0, 120));
            std::string want;
            for (char ch : c.log) want += ch == '@' ? std::string("'logic.txt':") : std::string(1, ch);
            EXPECT_EQ(load(c.text, c.path), want);
            EXPECT_EQ(rulesErrorCount(), std::count(want.begin(), want.end(), '\n') - 1);
            std::string all = "\n" + listing();
            for (const std::string &line : lines(c.lists))
                EXPECT_NE(all.find("\n" + line + "\n"), std::string::npos) << line;
            if (c.check) c.check();
        }
    }
};
