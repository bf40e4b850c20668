#pragma once
#include <string>
#include <vector>

// The commands of drovan-batch; each returns the process exit status.
int batchCheck(const std::vector<std::string> &args);
int batchRun(const std::vector<std::string> &args);
int batchPattern(const std::vector<std::string> &args);
int batchBench(const std::vector<std::string> &args);

// Shared helpers.
// A readable regular file? Otherwise prints a clear message on standard error.
bool checkReadableFile(const std::string &path);
// Write through a temporary file beside the target, renamed over it only when
// the whole write succeeded. Returns false (with a message on stderr) otherwise.
template <class Writer>
bool writeFileSafely(const std::string &path, Writer write);
bool writeFileSafelyImpl(const std::string &path, void (*write)(void *, void *), void *ctx);

template <class Writer>
bool writeFileSafely(const std::string &path, Writer write) {
    return writeFileSafelyImpl(
        path, [](void *c, void *f) { (*static_cast<Writer *>(c))(f); }, &write);
}
