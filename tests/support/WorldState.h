#pragma once
// The world whole, to compare before and after, and hand-edited snapshots
// made to pass their checksums again: shared by the tests and the fuzz targets.
#include <cstdint>
#include <cstdio>
#include <string>

#include "io/Snapshot.h"
#include "world/WorldDigest.h"

struct WorldState {
    WorldImage image;
    uint64_t digest = worldDigest();
    WorldState() {
        std::string why;
        captureWorld(image, why);
    }
    bool operator==(const WorldState &o) const {
        return digest == o.digest && image.codes == o.image.codes && image.values == o.image.values &&
               image.texts == o.image.texts && image.sums == o.image.sums;
    }
    bool operator!=(const WorldState &o) const { return !(*this == o); }
};

// The text with each "sum" line set to the checksum of the lines since the last.
inline std::string withMatchingSums(const std::string &in) {
    std::string out;
    size_t from = 0, pos = 0;
    while (pos < in.size()) {
        size_t end = in.find('\n', pos);
        if (end == std::string::npos) end = in.size();
        if (in.compare(pos, 4, "sum ") == 0) {
            uint32_t h = 2166136261u;
            for (size_t i = from; i < out.size(); i++) h = (h ^ static_cast<unsigned char>(out[i])) * 16777619u;
            char buf[16];
            std::snprintf(buf, sizeof buf, "%08x", h);
            out += std::string("sum ") + buf;
            if (end < in.size()) out += '\n';
            from = out.size();
        } else {
            out.append(in, pos, end - pos + (end < in.size() ? 1 : 0));
        }
        pos = end + 1;
    }
    return out;
}
