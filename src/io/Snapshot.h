#pragma once
#include <string>

// The whole world as text (docs/snapshot-format.md): colour table, settings,
// clocks, generator, pattern slots and every thing with all its fields.
constexpr int kSnapshotVersion = 1;

// The world as snapshot text; false (with why) when a thing of an unknown
// class is met.
bool snapshotText(std::string &text, std::string &why);

// Replaces the world by the one in text. On any fault (foreign, newer,
// truncated, damaged) returns false with why naming name and the line, and
// the world is as it was before the call. The colours' descriptions (the
// rules listing's) are left for the caller to rebuild.
bool readSnapshot(const std::string &text, const std::string &name, std::string &why);
