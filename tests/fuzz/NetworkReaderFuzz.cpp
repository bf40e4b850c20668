// libFuzzer target: any bytes as a pattern file, read into a slot as start-up
// reads one and written back, then loaded as a pattern window's Load does:
// a file that Load refuses must leave every pattern and the world as they were.
#include <cstdint>
#include <cstdio>

#include "FuzzSupport.h"
#include "io/NetworkFormat.h"
#include "runtime/Startup.h"
#include "runtime/WorldFiles.h"
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

    WorldState before;
    std::string refusal;
    if (!loadPatternFile(*patternSlot(1), fileHolding(std::string(reinterpret_cast<const char *>(data), size)),
                         refusal))
        expectUnchanged(before, "a pattern window's Load", refusal);
    writeNetwork(*patternSlot(1), quiet);
    return 0;
}
