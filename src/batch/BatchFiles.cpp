#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/SafeSave.h"
#include "batch/BatchCommands.h"
#include "rules/RulesListing.h"
#include "runtime/WorldSnapshot.h"

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
    if (saveReplacing(path, why, [](FILE *f) { writeRules(f); })) {
        if (!listingNote().empty()) std::fprintf(stderr, "drovan-batch: %s\n", listingNote().c_str());
        return true;
    }
    std::fprintf(stderr, "drovan-batch: could not save: %s; the old file is unchanged\n", why.c_str());
    return false;
}

bool saveSnapshotFile(const std::string &path) {
    std::string why;
    if (saveWorldSnapshot(path, why)) return true;
    std::fprintf(stderr, "drovan-batch: could not save the snapshot: %s; the old file is unchanged\n", why.c_str());
    return false;
}

bool parseCount(const std::string &text, long &out) {
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || errno == ERANGE) return false;
    out = v;
    return true;
}

bool parseFinite(const std::string &text, float &out) {
    char *end = nullptr;
    float v = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parseSeed(const std::string &text, uint32_t &seed) {
    char *end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < -2147483648LL || v > 4294967295LL) {
        std::fprintf(stderr, "drovan-batch: --seed takes a 32-bit number, not '%s'\n", text.c_str());
        return false;
    }
    seed = static_cast<uint32_t>(v);
    return true;
}

int parseStepOption(const std::vector<std::string> &args, size_t &i, StepPlan &plan) {
    const std::string &a = args[i];
    if (a == "--digest") {
        plan.digest = true;
        return 1;
    }
    if (a != "--steps" && a != "--every" && a != "--csv" && a != "--save" && a != "--snapshot") return 0;
    if (i + 1 >= args.size()) return -1;
    const std::string &v = args[++i];
    if (a == "--steps") return parseCount(v, plan.steps) ? 1 : -1;
    if (a == "--every") return parseCount(v, plan.every) && plan.every > 0 ? 1 : -1;
    (a == "--csv" ? plan.csv : a == "--save" ? plan.save : plan.snapshot) = v;
    return 1;
}
