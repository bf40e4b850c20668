// The TextMate grammar and the Vim syntax file colour every byte of the bundled
// scenarios, and a line holding every keyword of the scanner, as the
// program's own classifier does (which a rules test holds to the scanner).
// The TextMate grammar runs on Oniguruma, the regex engine editors use for it,
// under the TextMate rule: the earliest match wins, then the first pattern.
#include <gtest/gtest.h>
// Oniguruma's names would clash with the C library's regex.h (which gtest includes).
#define ONIG_ESCAPE_REGEX_T_COLLISION
#define re_registers onig_re_registers
#include <oniguruma.h>
#undef re_registers

#include <cstdlib>
#include <set>
#include <memory>
#include <nlohmann/json.hpp>

#include "batch/BatchRunner.h"
#include "rules/RulesSyntax.h"
#include "rules/RulesTestSupport.h"
#include "support/LanguageSources.h"

namespace {

using Kinds = std::string;  // one letter per byte: s c k n C o x (see letterOf)

char letterOf(RulesSyntax s) { return "sckNCox"[static_cast<int>(s)]; }

std::vector<Kinds> expectedKinds(const std::vector<std::string> &lines) {
    std::vector<Kinds> out;
    bool inBlock = false;
    for (const std::string &l : lines) {
        std::vector<RulesSyntax> k(l.size());
        classifyRulesLine(l.data(), l.size(), inBlock, k.data());
        Kinds s;
        for (RulesSyntax x : k) s += letterOf(x);
        out.push_back(s);
    }
    return out;
}

char letterOfScope(const std::string &scope) {
    auto starts = [&](const char *p) { return scope.rfind(p, 0) == 0; };
    if (scope.empty()) return 's';
    if (starts("comment.")) return 'c';
    if (starts("keyword.operator.") || starts("punctuation.separator.")) return 'o';
    if (starts("keyword.")) return 'k';
    if (starts("constant.numeric.")) return 'N';
    if (starts("variable.other.colour.")) return 'C';
    if (starts("invalid.")) return 'x';
    return '?';
}

// Just enough of a TextMate engine for a flat grammar: match and begin/end
// rules, reached through includes of the repository. Anything else fails.
class TextMate {
public:
    explicit TextMate(const nlohmann::json &g) {
        for (const auto &p : g.at("patterns")) add(g, p);
    }
    ~TextMate() {
        for (Rule &r : rules) onig_free(r.begin), r.end ? onig_free(r.end) : void();
    }

    std::vector<Kinds> colour(const std::vector<std::string> &lines) {
        std::vector<Kinds> out;
        const Rule *open = nullptr;
        for (const std::string &text : lines) {
            std::string line = text + "\n";  // editors hand each line over with its line feed
            Kinds k(text.size(), 's');
            size_t pos = 0;
            while (pos <= text.size()) {
                if (open) {
                    size_t from, to;
                    bool found = search(open->end, line, pos, from, to);
                    size_t stop = found ? to : line.size();
                    mark(k, pos, stop, open->name);
                    if (!found) break;
                    pos = stop, open = nullptr;
                    continue;
                }
                const Rule *best = nullptr;
                size_t bestFrom = 0, bestTo = 0;
                for (const Rule &r : rules) {
                    size_t from, to;
                    if (search(r.begin, line, pos, from, to) && (!best || from < bestFrom))
                        best = &r, bestFrom = from, bestTo = to;
                }
                if (!best || bestFrom >= text.size()) break;
                mark(k, bestFrom, bestTo, best->name);
                if (best->end) open = best;
                pos = bestTo > pos ? bestTo : pos + 1;
            }
            out.push_back(k);
        }
        return out;
    }

private:
    struct Rule {
        OnigRegex begin;
        OnigRegex end;  // null for a match rule
        std::string name;
    };
    std::vector<Rule> rules;

    static OnigRegex compile(const std::string &pattern) {
        OnigRegex re = nullptr;
        OnigErrorInfo info;
        const auto *p = reinterpret_cast<const UChar *>(pattern.data());
        int rc = onig_new(&re, p, p + pattern.size(), ONIG_OPTION_CAPTURE_GROUP, ONIG_ENCODING_UTF8,
                          ONIG_SYNTAX_DEFAULT, &info);
        EXPECT_EQ(rc, ONIG_NORMAL) << "pattern does not compile: " << pattern;
        return rc == ONIG_NORMAL ? re : nullptr;
    }

    void add(const nlohmann::json &g, const nlohmann::json &p) {
        static const std::set<std::string> known = {"name",          "match",       "begin",   "end",
                                                    "beginCaptures", "endCaptures", "include", "patterns"};
        for (const auto &item : p.items())
            if (!known.count(item.key())) ADD_FAILURE() << "the check does not follow the key " << item.key();
        if (p.contains("include")) {
            std::string ref = p.at("include");
            ASSERT_EQ(ref[0], '#') << ref;
            const auto &target = g.at("repository").at(ref.substr(1));
            if (target.contains("patterns"))
                for (const auto &q : target.at("patterns")) add(g, q);
            else
                add(g, target);
        } else if (p.contains("match")) {
            rules.push_back({compile(p.at("match")), nullptr, p.value("name", "")});
        } else {
            ASSERT_TRUE(p.contains("begin") && p.contains("end") && !p.contains("patterns")) << p.dump();
            rules.push_back({compile(p.at("begin")), compile(p.at("end")), p.value("name", "")});
        }
    }

    static bool search(OnigRegex re, const std::string &line, size_t pos, size_t &from, size_t &to) {
        if (!re) return false;
        std::unique_ptr<OnigRegion, void (*)(OnigRegion *)> region(onig_region_new(),
                                                                   [](OnigRegion *r) { onig_region_free(r, 1); });
        const auto *s = reinterpret_cast<const UChar *>(line.data());
        const UChar *end = s + line.size();
        if (onig_search(re, s, end, s + pos, end, region.get(), ONIG_OPTION_NONE) < 0) return false;
        from = static_cast<size_t>(region->beg[0]);
        to = static_cast<size_t>(region->end[0]);
        return true;
    }

    static void mark(Kinds &k, size_t from, size_t to, const std::string &scope) {
        for (size_t i = from; i < to && i < k.size(); i++) k[i] = letterOfScope(scope);
    }
};

// Vim's own highlighting: the syntax group of every byte, through synID(), as letters.
std::vector<Kinds> vimKinds(const std::string &file, std::string &filetype) {
    ScratchFolder scratch;
    std::string out = scratch.path("out.txt");
    std::string command = "RUNTIME=" + quote(sourcePath("editors/vim")) + " TEXT=" + quote(file) +
                          " OUT=" + quote(out) + " vim -N -u NONE -i NONE -n -es -S " +
                          quote(sourcePath("tests/editors/data/check.vim")) + " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> rows = lines(readFile(out));
    if (rows.empty()) return {};
    filetype = rows[0];
    return std::vector<Kinds>(rows.begin() + 1, rows.end());
}

void expectSame(const std::vector<std::string> &lines, const std::vector<Kinds> &want, const std::vector<Kinds> &got,
                const std::string &what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    int shown = 0;
    for (size_t i = 0; i < want.size() && shown < 5; i++)
        if (got[i] != want[i]) {
            shown++;
            ADD_FAILURE() << what << " line " << i + 1 << ":\n  " << lines[i] << "\n  " << want[i] << "  (expected)\n  "
                          << got[i] << "  (" << what << ")";
        }
}

// The bundled scenarios (by path), then every keyword of the scanner and the corners of its rules.
std::vector<std::pair<std::string, std::string>> texts() {
    std::vector<std::pair<std::string, std::string>> all;
    for (const std::string &path : bundledScenarios()) all.push_back({path, readFile(path)});
    std::string words;
    for (const std::string &k : lexerKeywords()) words += k + " ";
    all.push_back({"", words + "\nSun eatsx nodes2 Edge _a 12abc 1.2.3 -.5 5. 1-2 1e5 a#b\n"
                               "x=3*y; ! / . - /x, \xc3\xa9 0\nSun /* open\nstill */ Bun /*/ x\ny */ z // w\n"});
    return all;
}

}  // namespace

TEST(EditorGrammars, TextMateGrammarColoursLikeTheScanner) {
    nlohmann::json grammar = nlohmann::json::parse(readFile(sourcePath("editors/drovan-rules.tmLanguage.json")));
    EXPECT_EQ(grammar.at("scopeName"), "source.drovan-rules");
    TextMate engine(grammar);
    for (const auto &[path, text] : texts()) {
        std::vector<std::string> rows = lines(text);
        expectSame(rows, expectedKinds(rows), engine.colour(rows), "TextMate " + path);
    }
}

TEST(EditorGrammars, VimSyntaxColoursLikeTheScannerAndFindsTheScenarios) {
    ScratchFolder scratch;
    for (auto [path, text] : texts()) {
        if (path.empty()) path = scratch.write("corners.drovan", text);
        std::string filetype;
        std::vector<std::string> rows = lines(text);
        std::vector<Kinds> got = vimKinds(path, filetype);
        EXPECT_EQ(filetype, "drovan") << path;
        expectSame(rows, expectedKinds(rows), got, "Vim " + path);
    }
    std::string filetype;
    vimKinds(sourcePath("Rules & Scenarios/meta1a.txt"), filetype);
    EXPECT_NE(filetype, "drovan") << "a pattern file is not a rules file";
}
