#pragma once
#include <cstdio>

struct ColorRule;

// The listing of everything in force, in the rules language.
void writeRules(FILE *stream);
void writeColorRules(const ColorRule &r, FILE *stream, bool descriptionMode);
// After the table changed: the world's colour totals and grid, and each
// colour's description (its block of the listing, shown beside its nodes).
void rebuildRules();
// Only each colour's description, for a table changed under a living world.
void rebuildDescriptions();
