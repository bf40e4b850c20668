#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/Startup.h"

namespace {

// The loader's "'NAME':LINE: MESSAGE" lines again as FILE:LINE: error: MESSAGE,
// with the path as given so that editors can open it. Other lines (the
// summary) are left out.
void writeGnu(const std::string &captured, const std::string &path) {
    std::string base = path.substr(path.find_last_of("/\\") + 1).substr(0, 127);
    std::string prefix = "'" + base + "':";
    size_t start = 0;
    while (start < captured.size()) {
        size_t end = captured.find('\n', start);
        if (end == std::string::npos) end = captured.size();
        std::string line = captured.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        size_t colon = line.find(": ", prefix.size());
        if (colon == std::string::npos) continue;
        std::printf("%s:%s: error: %s\n", path.c_str(), line.substr(prefix.size(), colon - prefix.size()).c_str(),
                    line.c_str() + colon + 2);
    }
}

}  // namespace

int batchCheck(const std::vector<std::string> &args) {
    std::string file;
    bool listing = false, gnu = false;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &a = args[i];
        if (a == "--listing") {
            listing = true;
        } else if (a == "--format" && i + 1 < args.size() && (args[i + 1] == "gnu" || args[i + 1] == "plain")) {
            gnu = args[++i] == "gnu";
        } else if (file.empty() && (a.empty() || a[0] != '-')) {
            file = a;
        } else {
            std::fprintf(stderr, "drovan-batch check: unexpected argument '%s'\n", a.c_str());
            return 2;
        }
    }
    if (file.empty()) {
        std::fputs("usage: drovan-batch check FILE [--listing] [--format plain|gnu]\n", stderr);
        return 2;
    }
    if (!checkReadableFile(file)) return 2;
    char *captured = nullptr;
    size_t length = 0;
    FILE *capture = gnu ? open_memstream(&captured, &length) : nullptr;
    if (capture) setRulesDiagnosticStream(capture);
    StartupResult r = startWorld(file, std::string(), StartupHooks(), capture ? capture : stdout);
    int diagnostics = rulesErrorCount();
    if (capture) {
        setRulesDiagnosticStream(nullptr);
        std::fclose(capture);
        writeGnu(std::string(captured, length), file);
        std::free(captured);
    }
    if (!r.rulesOpened) {
        std::fprintf(stderr, "drovan-batch: cannot open '%s'\n", file.c_str());
        return 2;
    }
    if (listing) {
        std::fputs("=== listing\n", stdout);
        writeRules(stdout);
    }
    std::fflush(stdout);
    return diagnostics == 0 ? 0 : 1;
}
