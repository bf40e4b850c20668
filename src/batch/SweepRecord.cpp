#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "batch/Sweep.h"
#include "runtime/SafeSave.h"

// The record is plain text, one option a line, so a user can read what a
// folder holds. Only what changes a run's result is recorded: --jobs, --plot
// and --force are not.

namespace {

const char *kRecordName = "sweep-options.txt";

// FNV-1a: enough to tell an edited rules file from the one the runs used.
std::string textDigest(const std::string &text) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

// Seeds as written: consecutive ones as A..B.
std::string seedsText(const std::vector<uint32_t> &seeds) {
    std::string text;
    for (size_t i = 0; i < seeds.size();) {
        size_t j = i;
        while (j + 1 < seeds.size() && seeds[j] != UINT32_MAX && seeds[j + 1] == seeds[j] + 1) j++;
        if (!text.empty()) text += ",";
        text += std::to_string(seeds[i]);
        if (j > i) text += (j == i + 1 ? "," : "..") + std::to_string(seeds[j]);
        i = j + 1;
    }
    return text;
}

using Record = std::vector<std::pair<std::string, std::string>>;

Record recordOf(const Sweep &s, const std::string &rulesDigest) {
    Record r;
    r.emplace_back("rules", s.file);
    r.emplace_back("rules-digest", rulesDigest);
    r.emplace_back("patterns", s.patterns.empty() ? "none" : s.patterns);
    for (const std::string &p : s.places) r.emplace_back("place", p);
    r.emplace_back("seeds", seedsText(s.seeds));
    for (const SweepVary &v : s.varies) {
        std::string values;
        for (const std::string &x : v.values) values += (values.empty() ? "" : ",") + x;
        r.emplace_back("vary", "'" + v.statement + "' " + values);
    }
    r.emplace_back("steps", std::to_string(s.steps));
    r.emplace_back("every", std::to_string(s.every));
    return r;
}

std::string recordText(const Record &r) {
    std::string text = "# The options of the runs in this folder; a sweep into it must give the same.\n";
    for (const auto &kv : r) text += kv.first + " " + kv.second + "\n";
    return text;
}

Record parseRecord(const std::string &text) {
    Record r;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t space = line.find(' ');
        r.emplace_back(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
    }
    return r;
}

// Every value of one option, in order.
std::vector<std::string> valuesOf(const Record &r, const std::string &key) {
    std::vector<std::string> v;
    for (const auto &kv : r)
        if (kv.first == key) v.push_back(kv.second);
    return v;
}

std::string joined(const std::vector<std::string> &v) {
    if (v.empty()) return "none";
    std::string text;
    for (const std::string &x : v) text += (text.empty() ? "" : " ") + x;
    return text;
}

// What differs between the folder's record and this sweep, in words.
std::string differences(const Record &was, const Record &now, bool checkRules) {
    std::vector<std::string> keys{"rules-digest", "patterns", "place", "seeds", "vary", "steps", "every"};
    for (const Record *r : {&was, &now})
        for (const auto &kv : *r)
            if (std::find(keys.begin(), keys.end(), kv.first) == keys.end()) keys.push_back(kv.first);
    std::string text;
    for (const std::string &key : keys) {
        std::vector<std::string> a = valuesOf(was, key), b = valuesOf(now, key);
        std::string say;
        if (key == "rules") continue;  // the same file may be named another way: its text decides
        if (key == "rules-digest") {
            if (checkRules && a != b)
                say = "the rules file '" + joined(valuesOf(now, "rules")) +
                      "' is not the text the runs were made with (from '" + joined(valuesOf(was, "rules")) + "')";
        } else if (a != b) {
            say = "--" + key + " was " + joined(a) + " and is now " + joined(b);
        }
        if (!say.empty()) text += (text.empty() ? "" : "; ") + say;
    }
    return text;
}
}  // namespace

bool matchSweepRecord(const Sweep &s, bool create, bool checkRules) {
    std::string rules, why;
    if (checkRules && !readWholeFile(s.file, rules, why)) checkRules = false;
    Record now = recordOf(s, textDigest(rules));
    std::string path = s.out + "/" + kRecordName, text;
    if (!readWholeFile(path, text, why)) {
        if (!create) return true;
        // Written whole beside the record, then linked into place: of
        // several tasks starting at once, one writes it and the others compare.
        std::string temp = path + ".saving-" + std::to_string(getpid()), body = recordText(now);
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        bool written = fd >= 0 && write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
        int err = errno;
        if (fd >= 0 && close(fd) != 0 && written) written = false, err = errno;
        int linked = written ? link(temp.c_str(), path.c_str()) : -1;
        if (written && linked != 0) err = errno;
        unlink(temp.c_str());
        if (linked == 0) return true;
        if (err != EEXIST || !readWholeFile(path, text, why)) {
            std::fprintf(stderr, "drovan-batch sweep: cannot write in '%s': %s\n", s.out.c_str(), std::strerror(err));
            return false;
        }
    }
    std::string diff = differences(parseRecord(text), now, checkRules);
    if (diff.empty()) return true;
    std::fprintf(stderr,
                 "drovan-batch sweep: '%s' holds runs made with other options: %s. Give the same options to finish "
                 "that sweep, or another --out folder.\n",
                 s.out.c_str(), diff.c_str());
    return false;
}
