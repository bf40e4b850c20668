#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole world as text (docs/snapshot-format.md): colour table, settings,
// clocks, generator, pattern slots and every thing with all its fields.
constexpr int kSnapshotVersion = 1;

// A whole world held in memory: the lines of its snapshot, each value kept
// in binary beside the code of its name. Taking one walks the world's fields
// once and formats nothing; putting one back gives the same world (digest,
// listing, patterns and snapshot text). Valid in this process only.
struct WorldImage {
    std::vector<uint16_t> codes;   // per line: its name and the type of its value
    std::vector<uint32_t> values;  // per line: the value's bits, or the index of its text
    std::vector<std::string> texts;
    std::vector<uint32_t> sums;  // the lines before which a record ends

    bool empty() const { return codes.empty(); }
    void clear();
    // Memory held, in bytes.
    size_t bytes() const;
};

// Takes the world as it stands; false (with why) when a thing of an unknown
// class is met.
bool captureWorld(WorldImage &image, std::string &why);
// Replaces the world by the one in the image (taken by captureWorld in this
// process). False only when the image is not one captureWorld made.
bool restoreWorld(const WorldImage &image, std::string &why);
// The snapshot text of an image. Reads no live state, so it may run on
// another thread while the world goes on.
void imageText(const WorldImage &image, std::string &text);

// The world as snapshot text; false (with why) when a thing of an unknown
// class is met.
bool snapshotText(std::string &text, std::string &why);

// Replaces the world by the one in text. The file is checked whole (version,
// checksums, layout) before the world is touched; a fault found while the
// world is built puts the old world back exactly. On any fault (foreign,
// newer, truncated, damaged) returns false with why naming name and the line,
// and the world is as it was before the call. The colours' descriptions (the
// rules listing's) are left for the caller to rebuild.
bool readSnapshot(const std::string &text, const std::string &name, std::string &why);
