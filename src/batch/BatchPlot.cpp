#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/BatchCsv.h"
#include "world/ColorTable.h"
#include "rules/RulesLoader.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "world/Walkers.h"

// Plots are drawn by gnuplot: this file only writes its script (the data
// inline) and runs it.

namespace {

struct Csv {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

bool readCsvFile(const std::string &path, Csv &csv, std::string &why) {
    std::string text;
    if (!readWholeFile(path, text, why)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return why = "'" + path + "' is empty", false;
    csv.header = splitCsvLine(line);
    while (std::getline(in, line)) {
        csv.rows.push_back(splitCsvLine(line));
        if (csv.rows.back().size() != csv.header.size())
            return why = "'" + path + "' line " + std::to_string(csv.rows.size() + 1) + " has " +
                         std::to_string(csv.rows.back().size()) + " fields, the header " +
                         std::to_string(csv.header.size()),
                   false;
    }
    if (csv.rows.empty()) return why = "'" + path + "' has no rows", false;
    return true;
}

int column(const Csv &csv, const std::string &name) {
    for (size_t k = 0; k < csv.header.size(); k++)
        if (csv.header[k] == name) return static_cast<int>(k);
    return -1;
}

// One line of the plot: a column (with its spread across seeds in a summary).
struct Series {
    std::string name;
    int mean = -1, sd = -1;
    std::string rgb;
    bool rightAxis = false;
    bool total = false;  // nodes, edges, atoms, metanodes: dashed beside the colours
};

struct Panel {
    std::string title;
    std::vector<const std::vector<std::string> *> rows;
};

std::string hexColour(const float rgb[3]) {
    char buf[8];
    auto byte = [](float v) { return static_cast<int>(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255.0f)); };
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", byte(rgb[0]), byte(rgb[1]), byte(rgb[2]));
    return buf;
}

// gnuplot's single-quoted text takes a quote doubled.
std::string quoted(const std::string &text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

std::string number(const std::string &field) {
    char *end = nullptr;
    double v = std::strtod(field.c_str(), &end);
    return field.empty() || *end != '\0' || !std::isfinite(v) ? "NaN" : field;
}

bool isFolder(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The rules a sweep's runs were made with: its first run's rules file.
std::string firstRunRules(const std::string &dir) {
    std::string best;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n.compare(0, 4, "run-") == 0 && n.size() > 14 && n.compare(n.size() - 10, 10, ".rules.txt") == 0 &&
                (best.empty() || n < best))
                best = n;
        }
        closedir(d);
    }
    return best.empty() ? best : dir + "/" + best;
}

// The colour table of a rules file, loaded as start-up loads it, quietly.
bool loadColours(const std::string &rules) {
    FILE *quiet = std::fopen("/dev/null", "w");
    setRulesDiagnosticStream(quiet);
    setWalkerTraceStream(nullptr);
    StartupResult r = startWorld(rules, "", StartupHooks(), nullptr);
    setRulesDiagnosticStream(nullptr);
    if (quiet) std::fclose(quiet);
    return r.rulesOpened;
}

bool runGnuplot(const std::string &script) {
    char path[] = "/tmp/drovan-plot-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) {
        std::fprintf(stderr, "drovan-batch plot: cannot write the plot script: %s\n", std::strerror(errno));
        if (fd >= 0) close(fd), unlink(path);
        return false;
    }
    close(fd);
    pid_t pid = fork();
    if (pid == 0) {
        execlp("gnuplot", "gnuplot", "-d", path, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    unlink(path);
    if (pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 127)
        std::fputs("drovan-batch plot: gnuplot is not installed (on Debian: apt-get install gnuplot-nox)\n", stderr);
    else
        std::fputs("drovan-batch plot: gnuplot could not draw the plot\n", stderr);
    return false;
}

}  // namespace

int drawPlot(const std::string &input, const std::string &out, const std::string &rulesFile) {
    auto fail = [](const std::string &why, int status = 2) {
        std::fprintf(stderr, "drovan-batch plot: %s\n", why.c_str());
        return status;
    };
    std::string terminal;
    if (out.size() > 4 && out.compare(out.size() - 4, 4, ".png") == 0)
        terminal = "pngcairo";
    else if (out.size() > 4 && out.compare(out.size() - 4, 4, ".svg") == 0)
        terminal = "svg";
    else
        return fail("--out '" + out + "' must end in .png or .svg");
    std::string csvPath = isFolder(input) ? input + "/summary.csv" : input, why;
    Csv csv;
    if (!readCsvFile(csvPath, csv, why)) return fail(why);
    bool summary = !csv.header.empty() && csv.header[0] == "combination";
    int stepColumn = column(csv, "step");
    if (stepColumn < 0 || (!summary && stepColumn != 0))
        return fail("'" + csvPath + "' is neither a sweep's summary.csv nor a run's CSV");

    // The colours' own colours come from the rules the runs were made with.
    std::string rules = rulesFile;
    std::string folder = csvPath.find('/') == std::string::npos ? "." : csvPath.substr(0, csvPath.rfind('/'));
    if (rules.empty() && summary) rules = firstRunRules(folder);
    if (rules.empty() && !summary && csvPath.size() > 4) {
        std::string beside = csvPath.substr(0, csvPath.size() - 4) + ".rules.txt";
        if (access(beside.c_str(), R_OK) == 0) rules = beside;
    }
    if (!rules.empty() && !loadColours(rules)) return fail("cannot read the rules file '" + rules + "'");
    if (rules.empty())
        std::fprintf(stderr, "drovan-batch plot: no rules file for the colours' own colours (give --rules FILE)\n");

    // Every count over the steps; the simulated time only restates the step.
    std::vector<Series> series;
    size_t first = static_cast<size_t>(stepColumn) + (summary ? 2 : 1);
    const char *others[] = {"#000000", "#808080", "#b08040", "#208080", "#c04080", "#6060c0"};
    int other = 0;
    for (size_t k = first; k < csv.header.size(); k += summary ? 4 : 1) {
        std::string name = csv.header[k];
        if (summary) {
            if (name.size() < 5 || name.compare(name.size() - 5, 5, "_mean") != 0) continue;
            name.resize(name.size() - 5);
        }
        if (name == "time" || name == "digest") continue;
        Series s{name, static_cast<int>(k), summary ? static_cast<int>(k) + 1 : -1, "", name == "atoms", true};
        bool drawn = name == "nodes" || name == "edges" || name == "atoms";
        for (const auto &row : csv.rows) drawn = drawn || std::strtod(row[k].c_str(), nullptr) != 0.0;
        if (!drawn) continue;  // an empty pattern slot, a colour never seen
        int c = rules.empty() ? -1 : findColor(name.c_str());
        s.rgb = c >= 0 ? hexColour(colorTable[c].rgb) : others[other++ % 6];
        s.total = c < 0;
        series.push_back(s);
    }

    // One panel per combination of values (a run's CSV: one panel).
    std::vector<Panel> panels;
    for (size_t r = 0; r < csv.rows.size(); r++) {
        const std::vector<std::string> &row = csv.rows[r];
        if (!summary) {
            if (panels.empty()) panels.push_back(Panel{csvPath.substr(csvPath.rfind('/') + 1), {}});
        } else if (panels.empty() || row[0] != csv.rows[r - 1][0]) {
            std::string title;
            for (int k = 1; k < stepColumn; k++) {
                std::string statement = csv.header[static_cast<size_t>(k)];
                size_t at = statement.find("{}");
                if (at != std::string::npos) statement.replace(at, 2, row[static_cast<size_t>(k)]);
                title += (title.empty() ? "" : "; ") + statement;
            }
            title += (title.empty() ? "" : ": ") + row[static_cast<size_t>(stepColumn) + 1] + " runs";
            panels.push_back(Panel{title, {}});
        }
        panels.back().rows.push_back(&row);
    }

    size_t cols = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(panels.size()))));
    size_t lines = (panels.size() + cols - 1) / cols;
    std::string temp = out + ".saving-" + std::to_string(getpid());
    std::ostringstream gp;
    gp << "set terminal " << terminal << " size " << cols * 800 << "," << lines * 480
       << " noenhanced font 'Sans,10' background '#ffffff'\n"
       << "set output " << quoted(temp) << "\n"
       << "set key outside right top vertical Left reverse\nset xlabel 'step'\nset ytics nomirror\nset y2tics\n"
       << "set yrange [0:*]\nset y2range [0:*]\n"
       << "set ylabel " << quoted(summary ? "count: mean over seeds, band ± 1 sd" : "count") << "\n"
       << "set y2label 'atoms'\nset multiplot layout " << lines << "," << cols << "\n";
    for (size_t p = 0; p < panels.size(); p++) {
        gp << "$d" << p << " << EOD\n";
        for (const auto *row : panels[p].rows) {
            gp << (*row)[static_cast<size_t>(stepColumn)];
            for (const Series &s : series) {
                gp << " " << number((*row)[static_cast<size_t>(s.mean)]);
                if (s.sd >= 0) gp << " " << number((*row)[static_cast<size_t>(s.sd)]);
            }
            gp << "\n";
        }
        gp << "EOD\nset title " << quoted(panels[p].title) << "\nplot ";
        int at = 2;
        for (size_t i = 0; i < series.size(); i++) {
            const Series &s = series[i];
            std::string axes = s.rightAxis ? " axes x1y2" : "", colour = " lc rgb '" + s.rgb + "'";
            if (s.sd >= 0)
                gp << "$d" << p << " using 1:($" << at << "-$" << at + 1 << "):($" << at << "+$" << at + 1
                   << ") with filledcurves fs transparent solid 0.15 noborder" << colour << axes << " notitle, ";
            gp << "$d" << p << " using 1:" << at << " with lines lw 2" << (s.total ? " dt 2" : "") << colour << axes
               << " title " << quoted(s.name + (s.rightAxis ? " (right axis)" : ""))
               << (i + 1 < series.size() ? ", " : "\n");
            at += s.sd >= 0 ? 2 : 1;
        }
    }
    gp << "unset multiplot\nset output\n";
    if (!runGnuplot(gp.str())) {
        std::remove(temp.c_str());
        return 1;
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
        std::remove(temp.c_str());
        return fail("cannot write '" + out + "': " + std::strerror(errno), 1);
    }
    return 0;
}

int batchPlot(const std::vector<std::string> &args) {
    std::string input, out, rules;
    for (size_t i = 0; i < args.size(); i++) {
        if ((args[i] == "--out" || args[i] == "--rules") && i + 1 < args.size())
            (args[i] == "--out" ? out : rules) = args[i + 1], i++;
        else if (input.empty() && !args[i].empty() && args[i][0] != '-')
            input = args[i];
        else
            return std::fprintf(stderr, "drovan-batch plot: unexpected argument '%s'\n", args[i].c_str()), 2;
    }
    if (input.empty() || out.empty()) {
        std::fputs("usage: drovan-batch plot DIR_OR_CSV --out FILE.png|FILE.svg [--rules RULES]\n", stderr);
        return 2;
    }
    return drawPlot(input, out, rules);
}
