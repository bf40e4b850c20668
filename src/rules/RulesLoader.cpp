#include "rules/RulesLoader.h"

#include <cstdarg>
#include <cstring>

#include "rules/RulesListing.h"
#include "world/BuiltinRules.h"
#include "world/ColorTable.h"
#include "world/Node.h"
#include "world/Pattern.h"
#include "world/WorldStore.h"

int rulesparse();

namespace rulesLoader {
Thing *currentThing = nullptr;
char rulesFileName[128] = "";
}

namespace {
FILE *diagnosticStream = nullptr;
int errorCount = 0;

// The part of path after its last separator, cut to 127 characters.
void setFileName(const char *path) {
    char *out = rulesLoader::rulesFileName;
    out[0] = '\0';
    if (!path) return;
    const char *base = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\') base = p + 1;
    std::strncpy(out, base, sizeof rulesLoader::rulesFileName - 1);
    out[sizeof rulesLoader::rulesFileName - 1] = '\0';
}
}  // namespace

void setRulesDiagnosticStream(FILE *stream) { diagnosticStream = stream; }

namespace {
void report(int line, const char *format, va_list args) {
    FILE *out = diagnosticStream ? diagnosticStream : stdout;
    errorCount++;
    std::fprintf(out, "'%s':%d: ", rulesLoader::rulesFileName, line);
    std::vfprintf(out, format, args);
    std::fputc('\n', out);
}
}  // namespace

void rulesError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    report(rulesLoader::lineNumber, format, args);
    va_end(args);
}

void rulesErrorAt(int line, const char *format, ...) {
    va_list args;
    va_start(args, format);
    report(line, format, args);
    va_end(args);
}

int rulesErrorCount() { return errorCount; }

float nodeDecayFromFile(float v) { return v * 0.02f; }
float atomDecayFromFile(float v) { return static_cast<float>(static_cast<double>(v) * 0.02); }
float nodeAgeFromFile(float v) { return v * 0.03f; }
float captureArcFromFile(float degrees) {
    return static_cast<float>(static_cast<double>(degrees * 0.0027777778f) * 6.28);
}

namespace {

int notRunCount = 0;

// The file's statements over a reset colour table, then the built-in rules
// if it declared no colour.
void readRules(FILE *stream, const char *path, FILE *log) {
    if (stream) {
        resetColorTable();
        setFileName(path);
        rulesLoader::currentThing = nullptr;
        startScanner(stream);
        rulesparse();
        stopScanner();
        rulesLoader::currentThing = nullptr;
        std::fclose(stream);
        rulesLoader::rulesFileName[0] = '\0';
    }
    if (colorCount == 0) {
        if (log) std::fputs("No color rules; loading hard coded rules.\n", log);
        loadBuiltinRules();
    } else if (log) {
        std::fprintf(log, "%d colors parsed\n", colorCount);
    }
}

}  // namespace

namespace rulesLoader {
bool keepWorld = false;
Thing *notRun() {
    notRunCount++;
    return nullptr;
}
}  // namespace rulesLoader

void loadRules(FILE *stream, const char *path, FILE *log) {
    errorCount = 0;
    colorCount = 0;
    resetSettings();
    killAll();
    // The pattern slots' rules belong to the scenario; their patterns do not.
    clearSlotRules();
    readRules(stream, path, log);
    rebuildRules();
}

int loadRulesKeepingWorld(FILE *stream, const char *path, FILE *log) {
    errorCount = 0;
    notRunCount = 0;
    rulesLoader::keepWorld = true;
    holdValences(true);
    colorCount = 0;
    resetSettings();
    clearSlotRules();
    readRules(stream, path, log);
    holdValences(false);
    rulesLoader::keepWorld = false;
    refreshColorTable();
    rebuildDescriptions();
    return notRunCount;
}
