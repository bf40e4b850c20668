#pragma once
// Runs the built drovan-batch, and the scratch files and CSV reading the
// tests of both programs share.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

inline const std::string kBundled = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
inline const std::string kBundledLogic = kBundled + "/logic.txt";

// A shell command's exit status and standard output.
inline BatchResult runShell(const std::string &cmd) {
    BatchResult r{-1, ""};
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// The tool's standard output, or with messages its standard error too.
inline BatchResult runBatch(const std::string &args, bool messages = false) {
    return runShell(quote(DROVAN_BATCH) + " " + args + (messages ? " 2>&1" : " 2>/dev/null"));
}

// A run of the tool that exits 0, or a failure that shows what it said.
inline ::testing::AssertionResult ranOk(const std::string &args) {
    BatchResult r = runBatch(args, true);
    if (r.status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << args << " exited " << r.status << ":\n" << r.out;
}

// A result with the exit status given whose output holds the text.
inline ::testing::AssertionResult exitsSaying(const BatchResult &r, int status, const std::string &text) {
    if (r.status == status && r.out.find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << r.status << " (not " << status << ") or no '" << text
                                         << "' in:\n"
                                         << r.out;
}

// Line n of a text, counted from 0 (empty past the end).
inline std::string lineOf(const std::string &text, int n) {
    std::istringstream in(text);
    std::string l;
    for (int i = 0; i <= n; i++)
        if (!std::getline(in, l)) return "";
    return l;
}

// A CSV's rows split into cells, the header first.
inline std::vector<std::vector<std::string>> csvRows(const std::string &text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line, cell; std::getline(in, line);) {
        rows.emplace_back();
        std::istringstream cells(line);
        while (std::getline(cells, cell, ',')) rows.back().push_back(cell);
    }
    return rows;
}

// A table of cases from tests/batch/data: each line "ARGUMENTS => MESSAGE",
// {dir} and {rules} filled in ('#' lines are comments).
inline std::vector<std::pair<std::string, std::string>> caseTable(const std::string &name, const std::string &dir,
                                                                  const std::string &rules) {
    std::vector<std::pair<std::string, std::string>> cases;
    std::istringstream in(readFile(std::string(DROVAN_SOURCE_DIR) + "/tests/batch/data/" + name));
    for (std::string line; std::getline(in, line);) {
        for (auto [from, to] :
             {std::make_pair(std::string("{dir}"), dir), std::make_pair(std::string("{rules}"), rules)})
            for (size_t at; (at = line.find(from)) != std::string::npos;) line.replace(at, from.size(), to);
        size_t cut = line.find(" => ");
        if (line[0] != '#' && cut != std::string::npos) cases.emplace_back(line.substr(0, cut), line.substr(cut + 4));
    }
    return cases;
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

// A test with its own scratch folder.
class ScratchTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    const std::string &dir = scratch.dir;
    std::string path(const std::string &name) const { return scratch.path(name); }
    std::string write(const std::string &name, const std::string &text) const { return scratch.write(name, text); }
};
