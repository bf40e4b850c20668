#include "runtime/RulesCheckProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include "rules/RulesLoader.h"
#include "world/WorldStore.h"

namespace {

// What a memory stream holds once closed.
std::string closeMemoryStream(FILE *f, char *&data, size_t &size) {
    if (f) std::fclose(f);
    std::string text = data ? std::string(data, size) : std::string();
    std::free(data);
    data = nullptr;
    return text;
}

// Line starts of text, so that a diagnostic can carry its line.
std::vector<size_t> lineStarts(const std::string &text) {
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] == '\n') starts.push_back(i + 1);
    return starts;
}

std::string lineText(const std::string &text, const std::vector<size_t> &starts, int line) {
    if (line < 1 || static_cast<size_t>(line) > starts.size()) return std::string();
    size_t from = starts[static_cast<size_t>(line) - 1];
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    if (end > from && text[end - 1] == '\r') end--;
    return text.substr(from, std::min(end - from, kDiagnosticTextLength));
}

// "'NAME':LINE: MESSAGE" as the loader prints it.
RulesDiagnostic parsePrinted(const std::string &printed, const std::string &prefix) {
    RulesDiagnostic d;
    d.message = printed;
    if (printed.compare(0, prefix.size(), prefix) != 0) return d;
    const char *number = printed.c_str() + prefix.size();
    char *end = nullptr;
    long line = std::strtol(number, &end, 10);
    if (end == number || std::strncmp(end, ": ", 2) != 0) return d;
    d.line = static_cast<int>(line);
    d.message = end + 2;
    return d;
}

bool writeAll(int fd, const std::string &data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void putField(std::string &out, const std::string &field) { out += std::to_string(field.size()) + ":" + field; }

bool takeField(const std::string &in, size_t &at, std::string &field) {
    size_t colon = in.find(':', at);
    if (colon == std::string::npos || colon == at || colon - at > 12) return false;
    unsigned long long length = 0;
    for (size_t i = at; i < colon; i++) {
        if (in[i] < '0' || in[i] > '9') return false;
        length = length * 10 + static_cast<unsigned>(in[i] - '0');
    }
    if (length > in.size() - colon - 1) return false;
    field = in.substr(colon + 1, length);
    at = colon + 1 + length;
    return true;
}

bool takeNumber(const std::string &in, size_t &at, long long &v) {
    size_t semi = in.find(';', at);
    if (semi == std::string::npos || semi == at || semi - at > 12) return false;
    char *end = nullptr;
    v = std::strtoll(in.c_str() + at, &end, 10);
    if (end != in.c_str() + semi) return false;
    at = semi + 1;
    return true;
}

const char kRequestMagic[] = "drovan-rules-check 1\n";

}  // namespace

RulesCheck runRulesLoader(const std::string &text, const std::string &name,
                          const std::function<void(FILE *in, const char *name, FILE *log)> &load) {
    RulesCheck result;
    char *diagnosticData = nullptr, *summaryData = nullptr;
    size_t diagnosticSize = 0, summarySize = 0;
    FILE *diagnostics = open_memstream(&diagnosticData, &diagnosticSize);
    FILE *summary = open_memstream(&summaryData, &summarySize);
    std::string copy = text;  // fmemopen wants a writable buffer
    FILE *in = copy.empty() ? std::fopen("/dev/null", "r") : fmemopen(&copy[0], copy.size(), "r");
    if (!diagnostics || !summary || !in) {
        result.refusal = "cannot check '" + name + "': " + std::strerror(errno);
        if (in) std::fclose(in);
        closeMemoryStream(diagnostics, diagnosticData, diagnosticSize);
        closeMemoryStream(summary, summaryData, summarySize);
        return result;
    }
    setRulesDiagnosticStream(diagnostics);
    load(in, name.c_str(), summary);  // closes in
    setRulesDiagnosticStream(nullptr);
    result.readable = true;

    std::string printed = closeMemoryStream(diagnostics, diagnosticData, diagnosticSize);
    size_t slash = name.find_last_of("/\\");
    std::string prefix = "'" + name.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 127) + "':";
    std::vector<size_t> starts = lineStarts(text);
    size_t total = 0;
    for (size_t from = 0; from < printed.size();) {
        size_t end = printed.find('\n', from);
        if (end == std::string::npos) end = printed.size();
        if (++total <= kMaxDiagnostics) {
            RulesDiagnostic d = parsePrinted(printed.substr(from, end - from), prefix);
            d.text = lineText(text, starts, d.line);
            result.diagnostics.push_back(d);
        }
        from = end + 1;
    }
    if (total > kMaxDiagnostics) {
        RulesDiagnostic more;
        more.message = std::to_string(total - kMaxDiagnostics) + " more diagnostics not shown";
        result.diagnostics.push_back(more);
    }
    result.summary = closeMemoryStream(summary, summaryData, summarySize);
    if (!result.summary.empty() && result.summary.back() == '\n') result.summary.pop_back();
    return result;
}

RulesCheck checkRulesTextReplacingWorld(const std::string &text, const std::string &name) {
    return runRulesLoader(text, name, loadRules);
}

std::string encodeRulesCheck(const RulesCheck &check) {
    std::string out = check.readable ? "R" : "U";
    putField(out, check.refusal);
    putField(out, check.summary);
    out += std::to_string(check.diagnostics.size()) + ";";
    for (const RulesDiagnostic &d : check.diagnostics) {
        out += std::to_string(d.line) + ";";
        putField(out, d.message);
        putField(out, d.text);
    }
    return out + "E";
}

bool decodeRulesCheck(const std::string &in, RulesCheck &check) {
    check = RulesCheck();
    if (in.empty() || (in[0] != 'R' && in[0] != 'U')) return false;
    check.readable = in[0] == 'R';
    size_t at = 1;
    if (!takeField(in, at, check.refusal) || !takeField(in, at, check.summary)) return false;
    long long count = 0;
    if (!takeNumber(in, at, count) || count < 0 || static_cast<unsigned long long>(count) > in.size()) return false;
    for (long long i = 0; i < count; i++) {
        RulesDiagnostic d;
        long long line = 0;
        if (!takeNumber(in, at, line) || line < 0 || line > 0x7fffffff || !takeField(in, at, d.message) ||
            !takeField(in, at, d.text))
            return false;
        d.line = static_cast<int>(line);
        check.diagnostics.push_back(d);
    }
    return at + 1 == in.size() && in[at] == 'E';
}

std::string encodeRulesCheckRequest(const std::string &text, const std::string &name, int nextId, bool idsWrapped) {
    std::string out = kRequestMagic;
    putField(out, name);
    out += std::to_string(nextId) + ";" + (idsWrapped ? "1;" : "0;");
    putField(out, text);
    return out;
}

bool decodeRulesCheckRequest(const std::string &in, std::string &text, std::string &name, int &nextId,
                             bool &idsWrapped) {
    size_t at = sizeof kRequestMagic - 1;
    long long id = 0, wrapped = 0;
    if (in.compare(0, at, kRequestMagic) != 0 || !takeField(in, at, name) || !takeNumber(in, at, id) ||
        !takeNumber(in, at, wrapped) || !takeField(in, at, text) || at != in.size())
        return false;
    if (id < 0 || id > 0x7fffffff || (wrapped != 0 && wrapped != 1)) return false;
    nextId = static_cast<int>(id);
    idsWrapped = wrapped == 1;
    return true;
}

int rulesCheckWorkerMain() {
    std::string request;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    std::string text, name;
    int nextId = 0;
    bool wrapped = false;
    if (!decodeRulesCheckRequest(request, text, name, nextId, wrapped)) {
        std::fputs("drovan: the rules check worker got a damaged request\n", stderr);
        return 2;
    }
    world.nextId = nextId;
    world.idsWrapped = wrapped;
    return writeAll(1, encodeRulesCheck(checkRulesTextReplacingWorld(text, name))) ? 0 : 3;
}

RulesCheckProcess::RulesCheckProcess(std::string p, double timeoutSeconds, std::vector<std::string> args)
    : program(std::move(p)), arguments(std::move(args)), timeout(timeoutSeconds) {
    if (arguments.empty()) arguments = {kRulesCheckWorkerArgument};
}

bool RulesCheckProcess::start(const std::string &text, const std::string &name) {
    checked = RulesCheck();
    failure.clear();
    current = State::Running;
    if (!worker.start(program, arguments, encodeRulesCheckRequest(text, name, world.nextId, world.idsWrapped),
                      timeout)) {
        failure = "cannot start a check with '" + program + "': " + worker.why();
        current = State::Finished;
        return false;
    }
    return true;
}

RulesCheckProcess::State RulesCheckProcess::poll() {
    if (current != State::Running || worker.poll() != ChildProcess::State::Finished) return current;
    current = State::Finished;
    int status = worker.status();
    if (worker.timedOut()) {
        char why[128];
        std::snprintf(why, sizeof why, "the check took longer than %g s and was stopped", timeout);
        failure = why;
    } else if (WIFSIGNALED(status)) {
        failure = std::string("the check stopped unexpectedly (") + strsignal(WTERMSIG(status)) + ")";
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !decodeRulesCheck(worker.output(), checked)) {
        failure = "the check stopped unexpectedly (exit status " +
                  std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        checked = RulesCheck();
    }
    return current;
}

void RulesCheckProcess::stop() {
    worker.stop();
    if (current == State::Running) current = State::Idle;
}
