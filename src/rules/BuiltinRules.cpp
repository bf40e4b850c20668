// Placeholder bodies; replaced by the rules work.
#include "rules/BuiltinRules.h"
void loadBuiltinRules() {}
