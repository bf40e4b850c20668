#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Startup.h"
#include "batch/BatchCommands.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"

int batchCheck(const std::vector<std::string> &args) {
    std::string file;
    bool listing = false;
    for (const std::string &a : args) {
        if (a == "--listing") {
            listing = true;
        } else if (file.empty() && (a.empty() || a[0] != '-')) {
            file = a;
        } else {
            std::fprintf(stderr, "drovan-batch check: unexpected argument '%s'\n", a.c_str());
            return 2;
        }
    }
    if (file.empty()) {
        std::fputs("usage: drovan-batch check FILE [--listing]\n", stderr);
        return 2;
    }
    if (!checkReadableFile(file)) return 2;
    StartupResult r = startWorld(file, std::string(), StartupHooks());
    if (!r.rulesOpened) {
        std::fprintf(stderr, "drovan-batch: cannot open '%s'\n", file.c_str());
        return 2;
    }
    int diagnostics = rulesErrorCount();
    if (listing) {
        std::fputs("=== listing\n", stdout);
        writeRules(stdout);
    }
    std::fflush(stdout);
    return diagnostics == 0 ? 0 : 1;
}
