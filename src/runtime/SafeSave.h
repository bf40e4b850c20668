#pragma once
#include <cstdio>
#include <functional>
#include <string>

// Writes a file through a temporary file beside it and renames it over the
// target only when every write, the flush and the close succeeded, so a
// failed save leaves the old file as it was. On failure returns false and
// describes why.
bool saveReplacing(const std::string &path, std::string &why, const std::function<void(FILE *)> &writer);

// Reads a whole file into text. On failure returns false and describes why
// ("cannot open '...': reason" or "cannot read '...'").
bool readWholeFile(const std::string &path, std::string &text, std::string &why);
