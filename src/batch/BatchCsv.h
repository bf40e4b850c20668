#pragma once
#include <cstdio>
#include <string>
#include <vector>

// The statistics CSV of `run` and `bench`: one header, then one row per sample.
// With the digest on, every row ends with the world digest (16 hex digits).
void setCsvDigest(bool on);
void writeCsvHeader(FILE *f);
void writeCsvRow(FILE *f);
// Opens a CSV file and writes its header; null (with a message) when it cannot be opened.
FILE *openCsv(const char *path);

// A field as a CSV row holds it: quoted when it has a comma, a quote or a line feed.
std::string csvField(const std::string &text);
// The fields of one CSV line, quoted fields unquoted.
std::vector<std::string> splitCsvLine(const std::string &line);
