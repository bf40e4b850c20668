#include <climits>
#include <string>
#include <vector>

#include "RulesGrammar.hpp"
#include "RulesTestSupport.h"

namespace {

struct Token {
    int kind;
    int ival;
    float fval;
};

class RulesLexerTest : public RulesTest {
protected:
    // Scans text to the end; stops early (and fails) on a runaway scan.
    std::vector<Token> scan(const std::string &text) {
        FILE *f = streamOf(text);
        startScanner(f);
        std::vector<Token> tokens;
        for (int guard = 0; guard < 100000; guard++) {
            int k = nextToken();
            if (k == 0) break;
            Token t{k, 0, 0.0f};
            if (k == TOK_INT || k == TOK_COLOR) t.ival = ruleslval.ival;
            if (k == TOK_FLOAT) t.fval = ruleslval.fval;
            tokens.push_back(t);
        }
        EXPECT_EQ(nextToken(), 0) << "end of input repeats";
        stopScanner();
        std::fclose(f);
        return tokens;
    }
    static std::vector<int> kinds(const std::vector<Token> &ts) {
        std::vector<int> k;
        for (const Token &t : ts) k.push_back(t.kind);
        return k;
    }
};

}  // namespace

TEST_F(RulesLexerTest, WordsDeclareColoursInOrderOfFirstUse) {
    auto ts = scan("red eats blue\n");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR, TOK_EATS, TOK_COLOR, TOK_EOL}));
    EXPECT_EQ(ts[0].ival, 0);
    EXPECT_EQ(ts[2].ival, 1);
    EXPECT_EQ(colorCount, 2);
    EXPECT_STREQ(colorTable[0].name, "red");
    EXPECT_STREQ(colorTable[1].name, "blue");
    EXPECT_EQ(drovanRules::lineNumber, 2);

    // Case matters; a keyword spelled otherwise, or extended, is a colour name.
    ts = scan("Red red Eats eatsx nodes2 nodes");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR, TOK_COLOR, TOK_COLOR, TOK_COLOR, TOK_COLOR, TOK_NODES}));
    EXPECT_EQ(ts[0].ival, 2);
    EXPECT_EQ(ts[1].ival, 0);
    EXPECT_EQ(colorCount, 6);
}

TEST_F(RulesLexerTest, LongestKeywordWins) {
    auto ts = scan("atom atoms atom_aggregates edge edges edge_constraint directed directed_edges node "
                   "node_creation_rate");
    EXPECT_EQ(kinds(ts), (std::vector<int>{TOK_ATOM, TOK_ATOMS, TOK_ATOM_AGGREGATES, TOK_EDGE, TOK_EDGES,
                                           TOK_EDGE_CONSTRAINT, TOK_DIRECTED, TOK_DIRECTED_EDGES, TOK_NODE,
                                           TOK_NODE_CREATION_RATE}));
    EXPECT_EQ(colorCount, 0);
}

TEST_F(RulesLexerTest, CommentsMakeNoTokensButCountLines) {
    EXPECT_TRUE(scan("# note").empty());
    EXPECT_TRUE(scan("// note").empty());
    EXPECT_TRUE(scan("/* note */").empty());

    auto ts = scan("/* one\ntwo\nthree */ red");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR}));
    EXPECT_EQ(drovanRules::lineNumber, 3);

    // The opening star does not close the comment.
    ts = scan("/*/ red */ blue");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR}));
    EXPECT_STREQ(colorTable[ts[0].ival].name, "blue");

    // An unterminated comment swallows the rest of the text.
    EXPECT_TRUE(scan("/* red\nblue eats").empty());

    ts = scan("a#b\nc//d\n");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR, TOK_EOL, TOK_COLOR, TOK_EOL}));
    EXPECT_EQ(findColor("b"), -1);
    EXPECT_EQ(findColor("d"), -1);
}

TEST_F(RulesLexerTest, NumbersSplitAsTheLongestMatch) {
    auto ts = scan("0.5 .5 5. -.5 5 -5");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_FLOAT, TOK_FLOAT, TOK_FLOAT, TOK_FLOAT, TOK_INT, TOK_INT}));
    EXPECT_EQ(ts[0].fval, 0.5f);
    EXPECT_EQ(ts[1].fval, 0.5f);
    EXPECT_EQ(ts[2].fval, 5.0f);
    EXPECT_EQ(ts[3].fval, -0.5f);
    EXPECT_EQ(ts[4].ival, 5);
    EXPECT_EQ(ts[5].ival, -5);

    ts = scan("1-2 1e5 1.2.3 12abc");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_INT, TOK_INT, TOK_INT, TOK_COLOR, TOK_FLOAT, TOK_FLOAT, TOK_INT,
                                           TOK_COLOR}));
    EXPECT_EQ(ts[0].ival, 1);
    EXPECT_EQ(ts[1].ival, -2);
    EXPECT_STREQ(colorTable[ts[3].ival].name, "e5");
    EXPECT_EQ(ts[4].fval, 1.2f);
    EXPECT_EQ(ts[5].fval, 0.3f);
    EXPECT_STREQ(colorTable[ts[7].ival].name, "abc");

    // A lone minus or point is a character.
    ts = scan("- .");
    EXPECT_EQ(kinds(ts), (std::vector<int>{'-', '.'}));
}

TEST_F(RulesLexerTest, HugeIntegersClampToTheIntRange) {
    auto ts = scan("99999999999999999999999 -99999999999999999999999 2147483647 -2147483648");
    ASSERT_EQ(ts.size(), 4u);
    EXPECT_EQ(ts[0].ival, INT_MAX);
    EXPECT_EQ(ts[1].ival, INT_MIN);
    EXPECT_EQ(ts[2].ival, INT_MAX);
    EXPECT_EQ(ts[3].ival, INT_MIN);
}

TEST_F(RulesLexerTest, LineEndsAndStrayBytes) {
    // CR before LF is part of the line break; any other CR is a character.
    auto crlf = scan("red eats blue\r\n# c\r\nblue\r\n");
    EXPECT_EQ(drovanRules::lineNumber, 4);
    auto lf = scan("red eats blue\n# c\nblue\n");
    EXPECT_EQ(kinds(crlf), kinds(lf));
    EXPECT_EQ(kinds(scan("red\rblue")), (std::vector<int>{TOK_COLOR, '\r', TOK_COLOR}));

    // A NUL byte is a stray token, not the end of the text.
    auto ts = scan(std::string("red\0blue", 8));
    EXPECT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR, TOK_NUL_BYTE, TOK_COLOR}));

    ts = scan("= * ; ! \xff");
    EXPECT_EQ(kinds(ts), (std::vector<int>{'=', '*', ';', '!', 0xff}));
}

TEST_F(RulesLexerTest, FullTableScansNewWordsAsNone) {
    std::string names;
    for (int i = 0; i < 20; i++) names += "c" + std::to_string(i) + " ";
    scan(names);
    ASSERT_EQ(colorCount, 20);
    auto ts = scan("c3\nextra extra");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR, TOK_EOL, TOK_NONE, TOK_NONE}));
    EXPECT_EQ(out.text(), "'':2: Color table is full (20 max); cannot declare new color 'extra'\n"
                          "'':2: Color table is full (20 max); cannot declare new color 'extra'\n");
}

TEST_F(RulesLexerTest, StartingAgainDropsWhatWasReadAhead) {
    FILE *f = streamOf("red eats blue\ngreen eats red\n");
    startScanner(f);
    EXPECT_EQ(nextToken(), TOK_COLOR);
    std::fclose(f);
    auto ts = scan("yellow");
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_COLOR}));
    EXPECT_EQ(drovanRules::lineNumber, 1);
    EXPECT_EQ(findColor("green"), -1);
}

TEST_F(RulesLexerTest, TokensHaveNoLengthLimit) {
    std::string digits(100000, '7');
    auto ts = scan(digits + "." + digits + " " + std::string(50000, 'q'));
    ASSERT_EQ(kinds(ts), (std::vector<int>{TOK_FLOAT, TOK_COLOR}));
    EXPECT_TRUE(std::isinf(ts[0].fval));
    EXPECT_EQ(std::string(colorTable[ts[1].ival].name), std::string(31, 'q'));
}
