#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchPictures.h"

// The commands of drovan-batch; each returns the process exit status.
int batchCheck(const std::vector<std::string> &args);
int batchRun(const std::vector<std::string> &args);
int batchPattern(const std::vector<std::string> &args);
int batchBench(const std::vector<std::string> &args);
int batchResume(const std::vector<std::string> &args);
int batchSweep(const std::vector<std::string> &args);
int batchPlot(const std::vector<std::string> &args);

// Draws a sweep's summary (a folder or its summary.csv) or one run's CSV into
// a PNG or SVG file with gnuplot, each colour in its colour from rulesFile
// (empty: the rules the sweep's first run used, or the run's own). Returns 0,
// 1 when gnuplot is missing or fails, 2 for bad input.
int drawPlot(const std::string &input, const std::string &out, const std::string &rulesFile);

// What run and resume do once the world stands: N steps as the live tick runs
// them, a CSV row whenever the step count is a multiple of every and a picture
// whenever it is a multiple of the pictures' every, then the summary line, the
// listing and the snapshot. A picture that cannot be written stops the run
// (status 1).
struct StepPlan {
    std::string csv, save, snapshot;
    long steps = 1000;
    long every = 10;
    bool finalRow = false;  // also a row after the last step
    bool progress = true;   // a progress bar when standard error is a terminal
    bool digest = false;    // the world digest on every row (or printed, without a CSV)
    PicturePlan pictures;   // frames and movie, drawn at the start and every K steps
};
int runSteps(const StepPlan &plan);
// Parses --steps, --csv, --every, --save, --snapshot or --digest at args[i]: 0 when args[i]
// is none of them, -1 when its value is missing or bad, else 1 (i then points
// at the value).
int parseStepOption(const std::vector<std::string> &args, size_t &i, StepPlan &plan);

// Shared helpers.
// A readable regular file? Otherwise prints a clear message on standard error.
bool checkReadableFile(const std::string &path);
// Writes the rules listing through a temporary file; a failure keeps the old
// file and is reported on standard error.
bool saveListing(const std::string &path);
// Writes a snapshot of the whole world, reporting a failure the same way.
bool saveSnapshotFile(const std::string &path);
// A generator state: any 32-bit number (negative ones wrap). Reports a bad one.
bool parseSeed(const std::string &text, uint32_t &seed);
// A whole non-negative decimal number.
bool parseCount(const std::string &text, long &out);
// A number that is the whole of the text and finite.
bool parseFinite(const std::string &text, float &out);
