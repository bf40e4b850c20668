#include "world/Painter.h"

static drovanPainter silentPainter;
static drovanPainter *current = &silentPainter;

drovanPainter &painter() { return *current; }
void setPainter(drovanPainter *p) { current = p ? p : &silentPainter; }
