#include "rules/RulesLoader.h"

#include <cstdarg>
#include <cstring>

#include "world/BuiltinRules.h"
#include "world/ColorTable.h"
#include "rules/RulesListing.h"
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

void rulesError(const char *format, ...) {
    FILE *out = diagnosticStream ? diagnosticStream : stdout;
    errorCount++;
    std::fprintf(out, "'%s':%d: ", rulesLoader::rulesFileName, rulesLoader::lineNumber);
    va_list args;
    va_start(args, format);
    std::vfprintf(out, format, args);
    va_end(args);
    std::fputc('\n', out);
}

int rulesErrorCount() { return errorCount; }

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
    for (PatternSlot &s : patternSlots) {
        s.senseCount = s.decomposeCount = 0;
        s.grasps = false;
    }
    readRules(stream, path, log);
    holdValences(false);
    rulesLoader::keepWorld = false;
    refreshColorTable();
    rebuildDescriptions();
    return notRunCount;
}
