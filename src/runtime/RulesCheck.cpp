#include "runtime/RulesCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "io/Snapshot.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/SafeSave.h"
#include "runtime/WorldFiles.h"
#include "world/ColorTable.h"
#include "world/WorldStore.h"

namespace {

// What a memory stream holds once closed.
std::string closeMemoryStream(FILE *f, char *&data, size_t &size) {
    if (f) std::fclose(f);
    std::string text = data ? std::string(data, size) : std::string();
    std::free(data);
    data = nullptr;
    return text;
}

// Line starts of text, so that a diagnostic can carry its line.
std::vector<size_t> lineStarts(const std::string &text) {
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] == '\n') starts.push_back(i + 1);
    return starts;
}

std::string lineText(const std::string &text, const std::vector<size_t> &starts, int line) {
    if (line < 1 || static_cast<size_t>(line) > starts.size()) return std::string();
    size_t from = starts[static_cast<size_t>(line) - 1];
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    if (end > from && text[end - 1] == '\r') end--;
    return text.substr(from, std::min(end - from, kDiagnosticTextLength));
}

// "'NAME':LINE: MESSAGE" as the loader prints it.
RulesDiagnostic parsePrinted(const std::string &printed, const std::string &prefix) {
    RulesDiagnostic d;
    d.message = printed;
    if (printed.compare(0, prefix.size(), prefix) != 0) return d;
    const char *number = printed.c_str() + prefix.size();
    char *end = nullptr;
    long line = std::strtol(number, &end, 10);
    if (end == number || std::strncmp(end, ": ", 2) != 0) return d;
    d.line = static_cast<int>(line);
    d.message = end + 2;
    return d;
}

}  // namespace

RulesCheck runRulesLoader(const std::string &text, const std::string &name,
                          const std::function<void(FILE *in, const char *name, FILE *log)> &load) {
    RulesCheck result;
    char *diagnosticData = nullptr, *summaryData = nullptr;
    size_t diagnosticSize = 0, summarySize = 0;
    FILE *diagnostics = open_memstream(&diagnosticData, &diagnosticSize);
    FILE *summary = open_memstream(&summaryData, &summarySize);
    std::string copy = text;  // fmemopen wants a writable buffer
    FILE *in = copy.empty() ? std::fopen("/dev/null", "r") : fmemopen(&copy[0], copy.size(), "r");
    if (!diagnostics || !summary || !in) {
        result.refusal = "cannot check '" + name + "': " + std::strerror(errno);
        if (in) std::fclose(in);
        closeMemoryStream(diagnostics, diagnosticData, diagnosticSize);
        closeMemoryStream(summary, summaryData, summarySize);
        return result;
    }
    setRulesDiagnosticStream(diagnostics);
    load(in, name.c_str(), summary);  // closes in
    setRulesDiagnosticStream(nullptr);
    result.readable = true;

    std::string printed = closeMemoryStream(diagnostics, diagnosticData, diagnosticSize);
    size_t slash = name.find_last_of("/\\");
    std::string prefix = "'" + name.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 127) + "':";
    std::vector<size_t> starts = lineStarts(text);
    size_t total = 0;
    for (size_t from = 0; from < printed.size();) {
        size_t end = printed.find('\n', from);
        if (end == std::string::npos) end = printed.size();
        if (++total <= kMaxDiagnostics) {
            RulesDiagnostic d = parsePrinted(printed.substr(from, end - from), prefix);
            d.text = lineText(text, starts, d.line);
            result.diagnostics.push_back(d);
        }
        from = end + 1;
    }
    if (total > kMaxDiagnostics) {
        RulesDiagnostic more;
        more.message = std::to_string(total - kMaxDiagnostics) + " more diagnostics not shown";
        result.diagnostics.push_back(more);
    }
    for (int c = 0; c < colorCount; c++) {
        RulesColour colour;
        colour.name = colorTable[c].name;
        for (int k = 0; k < 3; k++) colour.rgb[k] = colorTable[c].rgb[k];
        result.colours.push_back(colour);
    }
    result.summary = closeMemoryStream(summary, summaryData, summarySize);
    if (!result.summary.empty() && result.summary.back() == '\n') result.summary.pop_back();
    return result;
}

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
    result = runRulesLoader(text, path, loadRules);
    if (!restoreWorld(kept, why))
        std::fprintf(stderr, "drovan: the world did not come back after a check: %s\n", why.c_str());
    rebuildDescriptions();
    return result;
}
