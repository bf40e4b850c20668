// libFuzzer target: any bytes as a rules file.
#include <cstdint>
#include <cstdio>

#include "runtime/Startup.h"
#include "rules/RulesLoader.h"
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
    return 0;
}
