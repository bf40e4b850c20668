#include <cstdio>
#include <cstring>

#include "runtime/RulesCheckProcess.h"

// The rules editor's checker on its own: it links only the world, the rules
// language and the runtime, so it starts in milliseconds, where a copy of the
// desktop program or of drovan-batch first loads the GL, toolkit and movie
// libraries (most of a check's time).
int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], kRulesCheckWorkerArgument) == 0) return rulesCheckWorkerMain();
    std::fprintf(stderr, "drovan-check: the Rules window's checker; drovan starts it as drovan-check %s\n",
                 kRulesCheckWorkerArgument);
    return 2;
}
