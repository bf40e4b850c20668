// libFuzzer target: any bytes as a snapshot, opened as Open World and
// `drovan-batch resume` open one, once as they are and once with the checksum
// lines made to match, so the fuzzer reaches the reader behind them. A
// refused file must leave the world exactly as it was; whatever is read, the
// world must stay whole and writable, and a world it accepts must step.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "io/Snapshot.h"
#include "runtime/Startup.h"
#include "runtime/WorldSnapshot.h"
#include "runtime/WorldTick.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool started = [] {
        setWalkerTraceStream(nullptr);
        startWorld(std::string(), std::string(), StartupHooks());
        return true;
    }();
    (void)started;
    std::string input(reinterpret_cast<const char *>(data), size), why, text;
    for (const std::string &bytes : {input, withMatchingSums(input)}) {
        WorldState before;
        if (openWorldSnapshot(fileHolding(bytes), why)) {
            world.speed = 3;
            for (int pass = 0; pass < 3; pass++) tickWorld(world.lastStepTime + 1.0f);
        } else {
            expectUnchanged(before, "Open World", why);
        }
    }
    snapshotText(text, why);
    return 0;
}
