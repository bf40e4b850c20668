// libFuzzer target: any bytes as a pattern file, read into a slot and written back.
#include <cstdint>
#include <cstdio>

#include "runtime/Startup.h"
#include "io/NetworkFormat.h"
#include "world/Pattern.h"
#include "world/Walkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static FILE *quiet = [] {
        setWalkerTraceStream(nullptr);
        startWorld(std::string(), std::string(), StartupHooks());  // built-in colours
        return std::fopen("/dev/null", "w");
    }();
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (!in) return 0;
    Pattern *p = patternSlot(0);
    char why[256];
    readNetwork(*p, in, "fuzz.txt", why, sizeof why);
    std::fclose(in);
    writeNetwork(*p, quiet);
    return 0;
}
