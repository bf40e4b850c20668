#include "runtime/WorldFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "io/NetworkFormat.h"
#include "rules/RulesLoader.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "world/Pattern.h"
#include "world/WorldStore.h"

std::string notTextProblem(const std::string &text, const std::string &name) {
    size_t nul = text.find('\0');
    if (nul != std::string::npos)
        return "'" + name + "' is not a text file: it holds a NUL byte (byte " + std::to_string(nul) + ")";
    // Tabs, line and page breaks are text; a stray escape or two may be too.
    size_t control = 0;
    for (unsigned char c : text)
        control += (c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') || c == 127;
    if (control * 20 > text.size())
        return "'" + name + "' is not a text file: " + std::to_string(control) + " of its " +
               std::to_string(text.size()) + " bytes are control characters";
    return std::string();
}

bool loadRulesFile(const std::string &path, std::string &why, FILE *log) {
    std::string text;
    if (!readWholeFile(path, text, why)) return false;
    return loadRulesText(text, path, why, log);
}

bool loadRulesText(const std::string &constText, const std::string &path, std::string &why, FILE *log) {
    std::string text = constText;
    std::string name = path.empty() ? std::string("listing") : path;
    why = notTextProblem(text, name);
    if (!why.empty()) {
        why += "; nothing was loaded";
        return false;
    }
    // The loader reads the very text that was checked; fmemopen wants at least a byte.
    FILE *f = text.empty() ? std::fopen("/dev/null", "r") : fmemopen(&text[0], text.size(), "r");
    if (!f) {
        why = "cannot read '" + name + "': " + std::strerror(errno);
        return false;
    }
    // The patterns come from beside the file; a text from no file keeps those in force.
    if (!path.empty()) initPatternSlots();
    loadRules(f, name.c_str(), log);
    if (!path.empty()) readPatternFolder(std::filesystem::path(path).parent_path().string());
    if (log) std::fflush(log);
    return true;
}

bool loadPatternFile(Pattern &pattern, const std::string &path, std::string &why) {
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f) {
        why = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    bool ok = replaceNetwork(pattern, f, why);
    std::fclose(f);
    if (!ok)
        why = "'" + path + "' not loaded, the pattern is unchanged: " + why;
    else if (!why.empty())
        why = "'" + path + "': " + why;
    return ok;
}

bool savePatternFile(Pattern &pattern, const std::string &path, std::string &why) {
    return saveReplacing(path, why, [&pattern](FILE *f) { writeNetwork(pattern, f); });
}

std::string patternText(Pattern &pattern) {
    char *data = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&data, &size);
    if (!f) return std::string();
    writeNetwork(pattern, f);
    std::fclose(f);
    std::string text(data, size);
    std::free(data);
    return text;
}

void startOver() {
    deleteAllPatterns();
    killAll();
    initPatternSlots();
}
