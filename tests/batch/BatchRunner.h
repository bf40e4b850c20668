#pragma once
// Runs the built drovan-batch and collects its standard output.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

struct BatchResult {
    int status;
    std::string out;
};

// A whole file, byte for byte (empty when it cannot be read).
inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string quote(const std::string &s) { return "'" + s + "'"; }

// Standard error is dropped so only the tool's output is compared.
inline BatchResult runBatch(const std::string &args) {
    std::string cmd = quote(DROVAN_BATCH) + " " + args + " 2>/dev/null";
    BatchResult r{-1, ""};
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// A scratch folder for one test, removed with everything in it afterwards.
struct ScratchFolder {
    std::string dir;
    ScratchFolder() {
        char tmpl[] = "/tmp/drovan-batch-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~ScratchFolder() { std::system(("rm -rf " + quote(dir)).c_str()); }
    std::string path(const std::string &name) const { return dir + "/" + name; }
    std::string write(const std::string &name, const std::string &text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }
};
