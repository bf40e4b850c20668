#pragma once

class AggregateGrid;

void beginFrame(bool clear);
void applyView();
void drawWorld();
void drawAggregateGrid(const AggregateGrid &grid);
void drawSelectionRings();
void drawStatusLine(int nodes, int edges);
// The frames end with a buffer swap unless swap is false (tests read the back buffer).
void drawLiveFrame(bool swap = true);
void drawPatternFrame(bool swap = true);
