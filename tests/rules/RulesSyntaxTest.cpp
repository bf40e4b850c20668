// The colouring classifier against the scanner itself: same keywords, and on
// every bundled scenario, every example of the reference and random token
// soup, the same kinds in the same order.
#include <random>

#include "RulesGrammar.hpp"
#include "RulesTestSupport.h"
#include "rules/RulesSyntax.h"
#include "support/LanguageSources.h"

namespace {

using RulesSyntaxTest = RulesTest;

// The kinds of the scanner's tokens, runs of one kind merged (colouring does
// not see where two numbers meet), line breaks left out.
std::string scannedKinds(const std::string &text) {
    FILE *f = streamOf(text);
    startScanner(f);
    std::string kinds;
    for (int t; (t = nextToken()) != 0;) {
        char k = t == TOK_FLOAT || t == TOK_INT             ? 'N'
                 : t == TOK_COLOR                           ? 'C'
                 : t >= TOK_AND && t <= TOK_EDGE_CONSTRAINT ? 'K'
                 : t == '=' || t == '*' || t == ';'         ? 'O'
                 : t == TOK_EOL                             ? '\0'
                                                            : '?';
        if (k && (kinds.empty() || kinds.back() != k)) kinds += k;
    }
    stopScanner();
    std::fclose(f);
    return kinds;
}

std::string classifiedKinds(const std::string &text) {
    std::string kinds;
    bool inBlock = false;
    for (const std::string &line : lines(text)) {
        std::vector<RulesSyntax> bytes(line.size());
        classifyRulesLine(line.data(), line.size(), inBlock, bytes.data());
        for (RulesSyntax s : bytes) {
            // Space and comments are nothing the scanner returns.
            char k = std::string("\0\0KNCO?", 7)[static_cast<int>(s)];
            if (k && (kinds.empty() || kinds.back() != k)) kinds += k;
        }
    }
    return kinds;
}

}  // namespace

TEST_F(RulesSyntaxTest, KeywordsAreTheScannersKeywords) {
    std::vector<std::string> ours;
    for (int i = 0; i < rulesKeywordCount(); i++) ours.push_back(rulesKeyword(i));
    EXPECT_EQ(ours, lexerKeywords());
}

TEST_F(RulesSyntaxTest, ClassifiesAsTheScannerScans) {
    std::vector<std::string> texts;
    for (const std::string &path : bundledScenarios()) texts.push_back(readSourceFile(path));
    // Each example of the reference (prose would name more than 20 colours).
    std::string page = readSourceFile(sourcePath("docs/rules-language.md"));
    for (size_t at = 0; (at = page.find("```rules\n", at)) != std::string::npos; at += 9)
        texts.push_back(page.substr(at + 9, page.find("```", at + 9) - at - 9));
    std::mt19937 gen(25);
    // Pieces of token soup, parted by '|'.
    std::vector<std::string> pieces;
    std::istringstream soup(
        "eats|eatsx|nodes2|edge_constraint|Edge|_a|12abc|1.2.3|-.5|5.|-|.|1-2|1e5|/*|*/|/*/|//|#|/|*|"
        "=|;| |\t|\n|\r\n|!|\xc3\xa9|a#b|Sun|0");
    for (std::string piece; std::getline(soup, piece, '|');) pieces.push_back(piece);
    for (int round = 0; round < 300; round++) {
        std::string text;
        for (int i = gen() % 60; i > 0; i--) text += pieces[gen() % pieces.size()];
        texts.push_back(text);
    }
    for (const std::string &text : texts) {
        resetColorTable();
        colorCount = 0;
        SCOPED_TRACE(text.substr(0, 200));
        EXPECT_EQ(classifiedKinds(text), scannedKinds(text));
    }
}
