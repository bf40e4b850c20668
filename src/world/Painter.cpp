#include "world/Painter.h"

static Painter silentPainter;
static Painter *current = &silentPainter;

Painter &painter() { return *current; }
void setPainter(Painter *p) { current = p ? p : &silentPainter; }
