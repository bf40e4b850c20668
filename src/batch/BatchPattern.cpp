#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Startup.h"
#include "io/NetworkFormat.h"
#include "batch/BatchCommands.h"
#include "rules/RulesLoader.h"
#include "world/Pattern.h"

int batchPattern(const std::vector<std::string> &args) {
    std::string file, rules;
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--rules" && i + 1 < args.size()) {
            rules = args[++i];
        } else if (file.empty() && (args[i].empty() || args[i][0] != '-')) {
            file = args[i];
        } else {
            std::fprintf(stderr, "drovan-batch pattern: unexpected argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (file.empty()) {
        std::fputs("usage: drovan-batch pattern FILE [--rules RULES]\n", stderr);
        return 2;
    }
    if (!rules.empty() && !checkReadableFile(rules)) return 2;
    if (!checkReadableFile(file)) return 2;
    // The rules' own messages go to standard error so standard output is the pattern alone.
    setRulesDiagnosticStream(stderr);
    startWorld(rules, std::string(), StartupHooks(), stderr);
    setRulesDiagnosticStream(stdout);
    Pattern *p = patternSlot(0);
    FILE *f = std::fopen(file.c_str(), "r");
    if (!f || !p) {
        std::fprintf(stderr, "drovan-batch: cannot open '%s'\n", file.c_str());
        if (f) std::fclose(f);
        return 2;
    }
    char why[256] = {};
    bool complete = readNetwork(*p, f, file.c_str(), why, sizeof why);
    std::fclose(f);
    writeNetwork(*p, stdout);
    std::fflush(stdout);
    if (!complete) {
        std::fprintf(stderr, "drovan-batch: pattern file '%s': %s\n", file.c_str(),
                     why[0] ? why : "reading stopped early");
        return 1;
    }
    return 0;
}
