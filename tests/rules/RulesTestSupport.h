#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "rules/ColorTable.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "world/MetaNodePat.h"
#include "world/WorldStore.h"

// A stream holding exactly the given bytes (NULs included), positioned at the start.
inline FILE *streamOf(const std::string &text) {
    FILE *f = std::tmpfile();
    if (!f) return nullptr;
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Collects everything written to a memory stream.
class Capture {
public:
    Capture() { stream = open_memstream(&buffer, &length); }
    ~Capture() {
        if (stream) std::fclose(stream);
        std::free(buffer);
    }
    FILE *file() { return stream; }
    std::string text() {
        std::fflush(stream);
        return std::string(buffer, length);
    }

private:
    char *buffer = nullptr;
    size_t length = 0;
    FILE *stream = nullptr;
};

// Every test starts from an empty table, reset settings and an empty world.
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetColorTable();
        colorCount = 0;
        killAll();
        resetSettings();
        world.speed = 2;
        initPatternSlots();
        setRulesDiagnosticStream(out.file());
    }
    void TearDown() override {
        setRulesDiagnosticStream(nullptr);
        killAll();
    }

    // Loads text as a rules file called logic.txt; returns the diagnostics and
    // the summary line, in the order they were written.
    std::string load(const std::string &text, const char *path = "logic.txt") {
        size_t before = out.text().size();
        loadRules(streamOf(text), path, out.file());
        return out.text().substr(before);
    }

    static std::string listing() {
        Capture c;
        writeRules(c.file());
        return c.text();
    }

    static std::string block(int colour, bool descriptionMode) {
        Capture c;
        writeColorRules(colorTable[colour], c.file(), descriptionMode);
        return c.text();
    }

    Capture out;
};
