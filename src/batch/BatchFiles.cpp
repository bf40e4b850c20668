#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/SafeSave.h"
#include "batch/BatchCommands.h"
#include "rules/RulesListing.h"

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

bool saveListing(const std::string &path) {
    std::string why;
    if (saveReplacing(path, [](FILE *f) { writeRules(f); }, why)) return true;
    std::fprintf(stderr, "drovan-batch: could not save: %s; the old file is unchanged\n", why.c_str());
    return false;
}
