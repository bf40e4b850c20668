#include <cstring>

#include "app/App.h"
#include "runtime/RulesCheckProcess.h"

int main(int argc, char **argv) {
    // The rules editor checks its text in a fresh copy of this program, which
    // only reads the text, checks it and answers (runtime/RulesCheckProcess.h).
    if (argc == 2 && std::strcmp(argv[1], kRulesCheckWorkerArgument) == 0) return rulesCheckWorkerMain();
    return drovanMain();
}
