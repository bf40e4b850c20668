#pragma once
#include "app/Panel.h"

// The panel's "Movie" section: the toggle, how Run ahead is recorded, and
// while recording the movie's full path and length.
void drawRecordSection(PanelRequests &requests);
