#pragma once
#include <cstdint>

// The one reset of the simulation's process-wide state to what a fresh
// process has before start-up: no things and no patterns (the slots empty,
// without rules), an empty colour table, the step clock, simulated time, step
// count and step budget at 0, the speed at its default, ids, visit stamps and
// collision passes counted from 0, no metanode counts, empty neighbour grids
// and the generator at seed. Other settings keep their values (start-up and
// resetSettings set them), and so does the walkers' trace stream (an output,
// not state). A new process-wide variable is reset here. Used wherever a world
// must run as in a fresh process: the bench worlds, the snapshot reader and
// the test fixtures.
void resetToFreshProcess(uint32_t seed = 1);
