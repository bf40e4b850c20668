#pragma once
// The whole world's state through one archive, in a fixed order (for the
// digest, the snapshots and the undo history).

class StateArchive;

// The whole world through one archive, in a fixed order: settings and
// clocks, the generator, the colour table, the pattern slots, the aggregate
// grid, then every registered thing in thingList order.
void archiveWorld(StateArchive &a);
// The parts, for whoever needs them alone.
void archiveWorldStore(StateArchive &a);
void archiveColorTable(StateArchive &a);
void archivePatternSlots(StateArchive &a);
