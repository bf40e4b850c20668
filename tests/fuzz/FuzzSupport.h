#pragma once
// What the fuzz targets share: a file in memory to hand the programs' own
// open paths, and a check that a refused file changed nothing.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/WorldState.h"

// The path of a file holding exactly these bytes (one file, rewritten per input).
inline std::string fileHolding(const std::string &bytes) {
    static int fd = memfd_create("fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        (!bytes.empty() && pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))) {
        std::perror("fuzz: cannot write the input file");
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

// A refusal that changed the world is a finding.
inline void expectUnchanged(const WorldState &before, const char *what, const std::string &why) {
    if (WorldState() == before) return;
    std::fprintf(stderr, "fuzz: %s refused the input (%s) but changed the world\n", what, why.c_str());
    std::abort();
}
