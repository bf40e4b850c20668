#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Built-in benchmark worlds spanning the range of world sizes.
struct BenchScenario {
    const char *name;
    const char *description;
    bool inDefaultRun;
};
const std::vector<BenchScenario> &benchScenarios();
// Sets up the named world from scratch (rules, nodes, atoms, metanodes) and
// runs its warm-up steps. The generator starts from seed. Returns false for
// an unknown name.
bool setupBenchScenario(const std::string &name, uint32_t seed = 1);
// One live-tick's simulation work with a step always due.
void benchStep();
