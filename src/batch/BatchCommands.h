#pragma once
#include <string>
#include <vector>

// The commands of drovan-batch; each returns the process exit status.
int batchCheck(const std::vector<std::string> &args);
int batchRun(const std::vector<std::string> &args);
int batchPattern(const std::vector<std::string> &args);
int batchBench(const std::vector<std::string> &args);

// Shared helpers.
// A readable regular file? Otherwise prints a clear message on standard error.
bool checkReadableFile(const std::string &path);
// Writes the rules listing through a temporary file; a failure keeps the old
// file and is reported on standard error.
bool saveListing(const std::string &path);
