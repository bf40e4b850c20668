#pragma once
// The plain-text network format of the patterns: a count line, one line per
// node (x y angle colour) and one per edge (from to colour).
#include <cstdio>

class Pattern;

// Writes the pattern's live entries.
void writeNetwork(Pattern &p, FILE *stream);
// Replaces the pattern's entries by those read from stream. Returns true when
// the whole file was read; otherwise describes in why where it stopped.
bool readNetwork(Pattern &p, FILE *stream, const char *path, char *why = nullptr, int whyLength = 0);
