#include <map>
#include <string>

#include "RulesGrammar.hpp"
#include "RulesTestSupport.h"

namespace {

using RulesLexerTest = RulesTest;

// Spells a token: colour "name:index", INT as is, FLOAT with an "f", keywords in
// capitals, characters in quotes or as "\xNN".
std::string spell(int k) {
#define K(t) {TOK_##t, #t}
    static const std::map<int, std::string> names = {
        K(ATOM), K(ATOMS), K(ATOM_AGGREGATES), K(EDGE), K(EDGES), K(EDGE_CONSTRAINT), K(DIRECTED),
        K(DIRECTED_EDGES), K(NODE), K(NODE_CREATION_RATE), K(EATS), K(NODES), K(NONE), K(NUL_BYTE), K(EOL)};
#undef K
    char buf[32];
    if (k == TOK_COLOR) return std::string(colorTable[ruleslval.ival].name) + ":" + std::to_string(ruleslval.ival);
    if (k == TOK_INT) return std::to_string(ruleslval.ival);
    if (names.count(k)) return names.at(k);
    if (k == TOK_FLOAT) std::snprintf(buf, sizeof buf, "%gf", static_cast<double>(ruleslval.fval));
    else if (k > ' ' && k < 127) std::snprintf(buf, sizeof buf, "'%c'", k);
    else std::snprintf(buf, sizeof buf, "\\x%02x", k);
    return buf;
}

// Scans text to the end (stopping a runaway scan) and spells its tokens.
std::string scan(const std::string &text) {
    FILE *f = streamOf(text);
    startScanner(f);
    std::string spelled;
    for (int guard = 0, k; guard < 100000 && (k = nextToken()) != 0; guard++) spelled += (guard ? " " : "") + spell(k);
    EXPECT_EQ(nextToken(), 0) << "end of input repeats";
    stopScanner();
    std::fclose(f);
    return spelled;
}

}  // namespace

TEST_F(RulesLexerTest, TokensOfEveryKind) {
    const std::string digits(100000, '7'), big(23, '9');
    struct {
        std::string text, tokens;
    } cases[] = {
        {"red eats blue\n", "red:0 EATS blue:1 EOL"},
        // Case matters; a keyword spelled otherwise, or extended, is a colour name.
        {"red Red Eats eatsx nodes2 nodes", "red:0 Red:1 Eats:2 eatsx:3 nodes2:4 NODES"},
        {"atom atoms atom_aggregates edge edges edge_constraint directed directed_edges node node_creation_rate",
         "ATOM ATOMS ATOM_AGGREGATES EDGE EDGES EDGE_CONSTRAINT DIRECTED DIRECTED_EDGES NODE NODE_CREATION_RATE"},
        {"# note\n// note\n/* note */", "EOL EOL"},
        {"/* one\ntwo\nthree */ red", "red:0"},
        {"/*/ red */ blue", "blue:0"},  // the opening star does not close the comment
        {"/* red\nblue eats", ""},       // an unterminated comment swallows the rest
        {"a#b\nc//d\n", "a:0 EOL c:1 EOL"},
        {"0.5 .5 5. -.5 5 -5 1-2 1e5", "0.5f 0.5f 5f -0.5f 5 -5 1 -2 1 e5:0"},
        {"1.2.3 12abc - .", "1.2f 0.3f 12 abc:0 '-' '.'"},
        {big + " -" + big + " 2147483647 -2147483648", "2147483647 -2147483648 2147483647 -2147483648"},
        // CR before LF belongs to the line break; any other CR, a NUL or a high byte is a character.
        {"red eats blue\r\n# c\r\nblue\r\n", "red:0 EATS blue:1 EOL EOL blue:1 EOL"},
        {std::string("red\rblue\0green = * ; ! \xff", 24), "red:0 \\x0d blue:1 NUL_BYTE green:2 '=' '*' ';' '!' \\xff"},
        {digits + "." + digits + " " + std::string(50000, 'q'), "inff " + std::string(31, 'q') + ":0"},
    };
    for (const auto &c : cases) {
        resetColorTable();
        colorCount = 0;
        EXPECT_EQ(scan(c.text), c.tokens) << c.text.substr(0, 80);
        EXPECT_EQ(drovanRules::lineNumber, 1 + std::count(c.text.begin(), c.text.end(), '\n')) << c.text.substr(0, 80);
    }
}
