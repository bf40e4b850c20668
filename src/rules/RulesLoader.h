#pragma once
#include <cstdio>

class Thing;

// Read a whole rules file. Closes the stream. log may be null.
void loadRules(FILE *stream, const char *path, FILE *log);
// Reads a rules file over the world in force: the colour table, the settings
// (speed kept) and the pattern slots' rules become the file's, but no thing is
// removed and node and edge statements are read, not run (valences are not
// enforced meanwhile). The things' colour indices, the density grid and the
// valences are the caller's to bring in line (matching colours by name).
// Returns how many node and edge statements were not run. Closes the stream.
int loadRulesKeepingWorld(FILE *stream, const char *path, FILE *log);
// A diagnostic: "'%s':%d: " with the file name and line, the message, a line feed.
void rulesError(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// The same, naming the given line instead of the line being scanned.
void rulesErrorAt(int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Number of diagnostics reported since the last loadRules started.
int rulesErrorCount();

// Calls observer with the number of each grammar rule the parser reduces, as
// bison's report of RulesGrammar.y numbers them (the language reference's test
// uses it to see which forms its examples cover); nullptr stops it.
void setRulesReductionObserver(void (*observer)(int rule));

// How a number in the file becomes a stored value; the listing inverts these
// to write numbers that read back to the very same floats.
float rulesFloat(const char *text);  // the scanner's reading of a number with a "."
float nodeDecayFromFile(float v);
float atomDecayFromFile(float v);
float nodeAgeFromFile(float v);
float captureArcFromFile(float degrees);

// Where diagnostics go (standard output unless a test redirects them);
// null restores standard output.
void setRulesDiagnosticStream(FILE *stream);

// Loader and scanner state, alive during one load.
namespace rulesLoader {
extern int lineNumber;           // line being scanned, from 1
extern Thing *currentThing;      // node or edge whose attributes are being read
extern char rulesFileName[128];  // name printed in diagnostics
extern bool keepWorld;           // node and edge statements are not run
// Counts a node or edge statement that is not run; returns no thing.
Thing *notRun();
}

// The scanner (generated from RulesLexer.l).
// Make the stream current, drop anything read ahead, start at line 1.
void startScanner(FILE *stream);
// Release the scanner's buffers; the stream is left open.
void stopScanner();
// True once a read of the current stream failed (already reported).
bool scannerReadFailed();
// The next token of the current stream; its value is left in ruleslval.
int nextToken();
