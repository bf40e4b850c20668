#pragma once
#include <cstdio>

struct ColorRule;

// The listing of everything in force, in the rules language.
void writeRules(FILE *stream);
void writeColorRules(const ColorRule &r, FILE *stream, bool descriptionMode);
