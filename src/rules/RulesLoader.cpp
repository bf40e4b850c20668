#include "rules/RulesLoader.h"

#include <cstdarg>
#include <cstring>

#include "world/BuiltinRules.h"
#include "world/ColorTable.h"
#include "rules/RulesListing.h"
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

void loadRules(FILE *stream, const char *path, FILE *log) {
    errorCount = 0;
    colorCount = 0;
    resetSettings();
    killAll();
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
    rebuildRules();
}
