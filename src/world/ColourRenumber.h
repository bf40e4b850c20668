#pragma once
#include "world/ColorTable.h"

// Colours in use and their renumbering, for rules that replace those in force
// while every thing stays: the live things, the pattern slots' drawings and
// the atom density grid.

// used[c] = true for each colour some thing wears (an atom, a node, a
// coloured edge, a node or edge of a pattern, a donut's output).
void coloursInUse(bool used[kMaxColors]);

// Colour c becomes newOfOld[c] (0 <= c < oldCount) everywhere: worn and
// referred colours, per-colour tables (entries of colours without a new index
// are dropped) and the density grid (now newCount layers, coloured from the
// table). A worn colour without a new index is the caller's to prevent.
void renumberColours(const int *newOfOld, int oldCount, int newCount);
