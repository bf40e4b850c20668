#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "runtime/RulesCheckProcess.h"

static void usage(FILE *to = stderr) {
    std::fputs(
        "usage: drovan-batch COMMAND ...\n"
        "  check FILE [--listing] [--format plain|gnu]\n"
        "      diagnostics of a rules file; exit 0 clean, 1 diagnostics, 2 unreadable;\n"
        "      --format gnu writes them as FILE:LINE: error: MESSAGE, without the summary line\n"
        "  run FILE [--patterns DIR] [--place SLOT:X,Y]... [--seed S] [--steps N] [--csv OUT] [--every K]\n"
        "      [--digest] [--save OUT] [--snapshot OUT]\n"
        "      start as the program starts and run N steps (default 1000); CSV row every K steps (default 10);\n"
        "      --digest adds the world digest to every row (or prints it); --save writes the rules listing,\n"
        "      --snapshot the whole world at the end\n"
        "  resume SNAP [--seed S] [--steps N] [--csv OUT] [--every K] [--digest] [--save OUT] [--snapshot OUT]\n"
        "      continue a snapshot exactly; --seed replaces the saved generator state\n"
        "  sweep FILE --out DIR [--seeds A..B|S,S,...] [--vary 'STATEMENT WITH {}' V1,V2,...]...\n"
        "      [--patterns DIR] [--place SLOT:X,Y]... [--steps N] [--every K] [--jobs J] [--plot] [--force]\n"
        "      [--list | --index I | --collect]\n"
        "      every seed times every combination of values, each --vary appending its statement to the\n"
        "      rules; J runs at a time (default: the cores); DIR gets run-I.csv, runs.csv and summary.csv.\n"
        "      The same command again finishes an interrupted sweep, running only the runs not yet done.\n"
        "      --list prints the runs, --index I runs only run I, --collect builds runs.csv and summary.csv\n"
        "      (exit 1 naming the runs still missing); --plot also draws summary.png; --force allows more\n"
        "      than 100,000 runs\n"
        "  plot DIR_OR_CSV --out FILE.png|FILE.svg [--rules RULES]\n"
        "      draw a sweep's summary (mean and spread per combination) or one run's CSV with gnuplot\n"
        "  pattern FILE [--rules RULES]\n"
        "      read a pattern file into slot 0 and write it back\n"
        "  bench [--scenario NAME] [--steps N] [--seed S] [--csv OUT [--digest] --save OUT]\n"
        "      speed of the built-in benchmark worlds (small, busy, full, meta; scale-1000 ... scale-80000\n"
        "      only by name), with the smallest and largest sizes measured\n"
        "  --seed S sets the generator's state (any 32-bit number) before start-up; without it the state is 1.\n",
        to);
}

int main(int argc, char **argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == kRulesCheckWorkerArgument) return rulesCheckWorkerMain();
    if (command == "check") return batchCheck(args);
    if (command == "run") return batchRun(args);
    if (command == "pattern") return batchPattern(args);
    if (command == "bench") return batchBench(args);
    if (command == "resume") return batchResume(args);
    if (command == "sweep") return batchSweep(args);
    if (command == "plot") return batchPlot(args);
    if (command == "--help" || command == "-h" || command == "help") {
        usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "drovan-batch: unknown command '%s'\n", command.c_str());
    usage();
    return 2;
}
