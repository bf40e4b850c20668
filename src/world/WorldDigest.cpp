#include "world/WorldDigest.h"

#include <cstdio>
#include <cstring>

#include "world/StateArchive.h"
#include "world/WorldArchive.h"

namespace {

class DigestArchive : public StateArchive {
public:
    void value(const char *, int &v) override { word(static_cast<uint32_t>(v)); }
    void value(const char *, unsigned &v) override { word(v); }
    void value(const char *, float &v) override {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        word(bits);
    }
    void value(const char *, bool &v) override { byte(v ? 1 : 0); }
    void value(const char *, unsigned char &v) override { byte(v); }

    uint64_t hash = 0xcbf29ce484222325ull;

private:
    void byte(uint8_t b) {
        hash ^= b;
        hash *= 0x100000001b3ull;
    }
    void word(uint32_t w) {
        for (int i = 0; i < 4; i++) byte(static_cast<uint8_t>(w >> (8 * i)));
    }
};

}  // namespace

uint64_t worldDigest() {
    DigestArchive a;
    archiveWorld(a);
    return a.hash;
}

void formatDigest(uint64_t digest, char out[17]) {
    std::snprintf(out, 17, "%016llx", static_cast<unsigned long long>(digest));
}
