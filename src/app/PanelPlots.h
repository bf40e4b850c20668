#pragma once

// The panel's "Statistics" section: steps per second, frame time and step
// count, the placing colour's strength histogram and each colour's node count
// over recent steps, in a region that scrolls so no control is pushed away.
void drawStatisticsSection();
