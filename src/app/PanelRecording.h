#pragma once
#include "app/Panel.h"

// "Record" in the panel's Speed section: the box beside "Step", and while
// recording, below the Run ahead buttons, how Run ahead is recorded and the
// movie's full path and length. Nothing more shows while not recording, so
// the panel keeps its height.
void drawRecordToggle(PanelRequests &requests);
void drawRecordStatus();
