#pragma once
#include <cstddef>

// What each byte of a rules text is, for colouring it: the scanner's own
// rules (longest match, keywords before names, comments, numbers), one line at
// a time so that an editor can colour only the lines it shows.
enum class RulesSyntax : unsigned char {
    Space,     // blanks, and what a line break leaves
    Comment,   // "#", "//" to the line's end, "/* ... */"
    Keyword,   // one of the language's keywords
    Number,    // an integer or a float
    Colour,    // any other word: a colour name
    Operator,  // "=", "*", ";"
    Other,     // a character the grammar never takes (a syntax error)
};

// Classifies line[0 .. length) (no line feed; a carriage return at the end is
// Space) into kinds[0 .. length). inBlockComment says whether the line starts
// inside a block comment and is left saying whether the next one does.
void classifyRulesLine(const char *line, size_t length, bool &inBlockComment, RulesSyntax *kinds);

// True when word[0 .. length) is a keyword.
bool isRulesKeyword(const char *word, size_t length);
// The keywords, for editors: count and each in turn.
int rulesKeywordCount();
const char *rulesKeyword(int i);
