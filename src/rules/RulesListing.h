#pragma once
// The listing: everything in force written back in the rules language, and the
// colours' descriptions rebuilt from it.
#include <cstdio>
#include <string>

struct ColorRule;

// The listing of everything in force, in the rules language.
void writeRules(FILE *stream);
void writeColorRules(const ColorRule &r, FILE *stream, bool descriptionMode);
// Live metanodes, which the listing leaves out with their bodies and edges.
int unlistedMetanodes();
// What a user hears after saving a listing: how many metanodes the file
// lacks and that "Save World" keeps them; empty when it lacks none.
std::string listingNote();
// After the table changed: the world's colour totals and grid, and each
// colour's description (its block of the listing, shown beside its nodes).
void rebuildRules();
// The descriptions alone.
void rebuildDescriptions();
