#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"

static void usage() {
    std::fputs(
        "usage:\n"
        "  drovan-batch check FILE [--listing]\n"
        "  drovan-batch run FILE [--patterns DIR] [--place SLOT:X,Y]... [--steps N] [--csv OUT] [--every K] "
        "[--save OUT]\n"
        "  drovan-batch pattern FILE [--rules RULES]\n"
        "  drovan-batch bench [--scenario NAME] [--steps N] [--csv OUT [--digest] --save OUT]\n",
        stderr);
}

int main(int argc, char **argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "check") return batchCheck(args);
    if (command == "run") return batchRun(args);
    if (command == "pattern") return batchPattern(args);
    if (command == "bench") return batchBench(args);
    if (command == "--help" || command == "-h" || command == "help") {
        usage();
        return 0;
    }
    std::fprintf(stderr, "drovan-batch: unknown command '%s'\n", command.c_str());
    usage();
    return 2;
}
