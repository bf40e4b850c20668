#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/BatchCommands.h"

bool checkReadableFile(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "drovan-batch: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "drovan-batch: cannot read '%s': it is a folder\n", path.c_str());
        return false;
    }
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f) {
        std::fprintf(stderr, "drovan-batch: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::fclose(f);
    return true;
}

bool writeFileSafelyImpl(const std::string &path, void (*write)(void *, void *), void *ctx) {
    std::string temp = path + ".tmp-" + std::to_string(static_cast<long>(getpid()));
    FILE *f = std::fopen(temp.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "drovan-batch: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    write(ctx, f);
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    int err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "drovan-batch: could not save '%s' (%s); the old file is unchanged\n", path.c_str(),
                     std::strerror(err));
    }
    return ok;
}
