// Placeholder bodies; replaced by the rules work.
#include "rules/RulesLoader.h"
void loadRules(FILE *stream, const char *path, FILE *log) { (void)path; (void)log; if (stream) fclose(stream); }
void rulesError(const char *format, ...) { (void)format; }
int rulesErrorCount() { return 0; }
