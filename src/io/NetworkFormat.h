#pragma once
// The plain-text network format of the patterns: a count line, one line per
// node (x y angle colour) and one per edge (from to colour).
#include <cstdio>
#include <string>

class Pattern;

// Writes the pattern's live entries.
void writeNetwork(Pattern &p, FILE *stream);
// Replaces the pattern's entries by those read from stream. Returns true when
// the whole file was read; otherwise describes in why where it stopped.
bool readNetwork(Pattern &p, FILE *stream, const char *path, char *why = nullptr, int whyLength = 0);
// Load in a pattern window: the whole file is read before the pattern is
// touched. A file that ends early or holds a field that does not parse
// changes nothing (pattern and world) and returns false with why saying where
// it stopped. Otherwise the pattern's entries are replaced and why tells of
// lines left out (colours not in the table), if any.
bool replaceNetwork(Pattern &p, FILE *stream, std::string &why);
