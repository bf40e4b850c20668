#pragma once
#include "app/Panel.h"

// The panel's "Record" section: the toggle, how Run ahead is recorded, and
// while recording the movie's full path and length.
void drawRecordSection(PanelRequests &requests);
