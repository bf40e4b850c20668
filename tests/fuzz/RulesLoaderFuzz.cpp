// libFuzzer target: any bytes as a rules file, given to the loader and then
// loaded as the panel's Load does, which first refuses a file that is not
// text: a refused file must leave the world as it was.
#include <cstdint>
#include <cstdio>

#include "FuzzSupport.h"
#include "rules/RulesLoader.h"
#include "runtime/Startup.h"
#include "runtime/WorldFiles.h"
#include "world/Walkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static FILE *quiet = [] {
        FILE *f = std::fopen("/dev/null", "w");
        setRulesDiagnosticStream(f);
        setWalkerTraceStream(nullptr);
        return f;
    }();
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (!in) return 0;  // fmemopen refuses an empty buffer
    loadRules(in, "fuzz.txt", quiet);

    WorldState before;
    std::string why;
    if (!loadRulesFile(fileHolding(std::string(reinterpret_cast<const char *>(data), size)), why, quiet))
        expectUnchanged(before, "Load", why);
    return 0;
}
