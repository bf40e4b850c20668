#include "runtime/RulesCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/Snapshot.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/SafeSave.h"
#include "runtime/WorldFiles.h"
#include "world/WorldStore.h"

namespace {

// What a memory stream holds once closed.
struct MemoryStream {
    char *data = nullptr;
    size_t size = 0;
    FILE *file = open_memstream(&data, &size);
    std::string close() {
        if (file) std::fclose(file);
        file = nullptr;
        std::string text = data ? std::string(data, size) : std::string();
        std::free(data);
        data = nullptr;
        return text;
    }
    ~MemoryStream() { close(); }
};

std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        from = end + 1;
    }
    return lines;
}

// "'NAME':LINE: MESSAGE", NAME being the file name as the loader prints it.
RulesDiagnostic parseDiagnostic(const std::string &printed, const std::string &path,
                                const std::vector<std::string> &lines) {
    RulesDiagnostic d;
    d.message = printed;
    size_t slash = path.find_last_of("/\\");
    std::string prefix = "'" + path.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 127) + "':";
    if (printed.compare(0, prefix.size(), prefix) != 0) return d;
    const char *number = printed.c_str() + prefix.size();
    char *end = nullptr;
    long line = std::strtol(number, &end, 10);
    if (end == number || std::strncmp(end, ": ", 2) != 0) return d;
    d.line = static_cast<int>(line);
    d.message = end + 2;
    if (line >= 1 && static_cast<size_t>(line) <= lines.size()) d.text = lines[static_cast<size_t>(line) - 1];
    return d;
}

}  // namespace

RulesCheck checkRulesFile(const std::string &path) {
    RulesCheck result;
    std::string text;
    if (!readWholeFile(path, text, result.refusal)) return result;
    return checkRulesText(text, path);
}

RulesCheck checkRulesText(const std::string &constText, const std::string &path) {
    RulesCheck result;
    std::string text = constText;
    result.refusal = notTextProblem(text, path);
    if (!result.refusal.empty()) return result;

    WorldImage kept;
    std::string why;
    if (!captureWorld(kept, why)) {
        result.refusal = "cannot check '" + path + "': " + why;
        return result;
    }
    MemoryStream diagnostics, summary;
    FILE *in = text.empty() ? std::fopen("/dev/null", "r") : fmemopen(&text[0], text.size(), "r");
    if (!in || !diagnostics.file || !summary.file) {
        if (in) std::fclose(in);
        result.refusal = "cannot check '" + path + "': " + std::strerror(errno);
        return result;
    }
    setRulesDiagnosticStream(diagnostics.file);
    loadRules(in, path.c_str(), summary.file);
    setRulesDiagnosticStream(nullptr);
    if (!restoreWorld(kept, why))
        std::fprintf(stderr, "drovan: the world did not come back after a check: %s\n", why.c_str());
    rebuildDescriptions();

    result.readable = true;
    std::vector<std::string> lines = linesOf(text);
    for (const std::string &printed : linesOf(diagnostics.close()))
        result.diagnostics.push_back(parseDiagnostic(printed, path, lines));
    result.summary = summary.close();
    if (!result.summary.empty() && result.summary.back() == '\n') result.summary.pop_back();
    return result;
}
