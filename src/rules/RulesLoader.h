#pragma once
#include <cstdio>

class drovanThing;

// Read a whole rules file. Closes the stream. log may be null.
void loadRules(FILE *stream, const char *path, FILE *log);
// A diagnostic: "'%s':%d: " with the file name and line, the message, a line feed.
void rulesError(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Number of diagnostics reported since the last loadRules started.
int rulesErrorCount();
