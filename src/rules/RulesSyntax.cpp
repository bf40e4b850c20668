#include "rules/RulesSyntax.h"

#include <cstring>

namespace {

// The scanner's keywords (RulesLexer.l); a test keeps the two lists equal.
const char *const kKeywords[] = {
    "and",
    "any",
    "all",
    "at",
    "atom",
    "id",
    "into",
    "is",
    "none",
    "to",
    "with",
    "when",
    "eats",
    "poisons",
    "probability",
    "sterile",
    "static",
    "strength",
    "size",
    "converts",
    "collects",
    "decays",
    "ages",
    "invigoratedby",
    "directed",
    "undirected",
    "edge",
    "length",
    "springk",
    "from",
    "node",
    "donut",
    "cilia",
    "likes",
    "dislikes",
    "valence",
    "render",
    "reproduces",
    "decomposes",
    "atoms",
    "nodes",
    "atom_aggregates",
    "edges",
    "directed_edges",
    "discover_edges",
    "closed_world",
    "colored_edges",
    "anneal",
    "inertia",
    "speed",
    "capture",
    "arc",
    "senses",
    "signals",
    "inhibits",
    "meta",
    "grasps",
    "node_creation_rate",
    "fix_node_collisions",
    "edge_constraint",
};
constexpr int kKeywordCount = static_cast<int>(sizeof kKeywords / sizeof kKeywords[0]);

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isWordChar(char c) { return isWordStart(c) || isDigit(c); }

void fill(RulesSyntax *kinds, size_t from, size_t to, RulesSyntax kind) {
    for (size_t i = from; i < to; i++) kinds[i] = kind;
}

// Length of the number starting at i ("-"? digits ("." digits*)? or "-"? "." digits+), or 0.
size_t numberLength(const char *s, size_t i, size_t n) {
    size_t j = i;
    if (j < n && s[j] == '-') j++;
    if (j < n && isDigit(s[j])) {
        while (j < n && isDigit(s[j])) j++;
        if (j < n && s[j] == '.')
            for (j++; j < n && isDigit(s[j]);) j++;
        return j - i;
    }
    if (j + 1 < n && s[j] == '.' && isDigit(s[j + 1])) {
        for (j++; j < n && isDigit(s[j]);) j++;
        return j - i;
    }
    return 0;
}

}  // namespace

bool isRulesKeyword(const char *word, size_t length) {
    for (const char *k : kKeywords)
        if (std::strlen(k) == length && std::memcmp(k, word, length) == 0) return true;
    return false;
}

int rulesKeywordCount() { return kKeywordCount; }
const char *rulesKeyword(int i) { return i >= 0 && i < kKeywordCount ? kKeywords[i] : nullptr; }

void classifyRulesLine(const char *s, size_t n, bool &inBlockComment, RulesSyntax *kinds) {
    size_t i = 0;
    while (i < n) {
        if (inBlockComment) {
            size_t j = i;
            while (j < n && !(s[j] == '*' && j + 1 < n && s[j + 1] == '/')) j++;
            size_t end = j < n ? j + 2 : n;
            fill(kinds, i, end, RulesSyntax::Comment);
            if (j < n) inBlockComment = false;
            i = end;
            continue;
        }
        char c = s[i];
        size_t number = numberLength(s, i, n);
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            // The opening's star never closes it, so "/*/" stays open.
            fill(kinds, i, i + 2, RulesSyntax::Comment);
            inBlockComment = true;
            i += 2;
        } else if (c == '#' || (c == '/' && i + 1 < n && s[i + 1] == '/')) {
            fill(kinds, i, n, RulesSyntax::Comment);
            i = n;
        } else if (number > 0) {
            fill(kinds, i, i + number, RulesSyntax::Number);
            i += number;
        } else if (isWordStart(c)) {
            size_t j = i;
            while (j < n && isWordChar(s[j])) j++;
            fill(kinds, i, j, isRulesKeyword(s + i, j - i) ? RulesSyntax::Keyword : RulesSyntax::Colour);
            i = j;
        } else {
            bool space = c == ' ' || c == '\t' || (c == '\r' && i + 1 == n);
            kinds[i++] = space                                ? RulesSyntax::Space
                         : (c == '=' || c == '*' || c == ';') ? RulesSyntax::Operator
                                                              : RulesSyntax::Other;
        }
    }
}
