#pragma once
#include <cstdio>

// The statistics CSV of `run` and `bench`: one header, then one row per sample.
void writeCsvHeader(FILE *f);
void writeCsvRow(FILE *f);
