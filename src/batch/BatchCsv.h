#pragma once
#include <cstdio>

// The statistics CSV of `run` and `bench`: one header, then one row per sample.
void writeCsvHeader(FILE *f);
void writeCsvRow(FILE *f);
// Opens a CSV file and writes its header; null (with a message) when it cannot be opened.
FILE *openCsv(const char *path);
