#include "runtime/RulesCheckProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include "rules/RulesLoader.h"
#include "runtime/WorldFiles.h"
#include "world/WorldStore.h"

namespace {

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

RulesCheck checkRulesTextReplacingWorld(const std::string &text, const std::string &name) {
    RulesCheck refused;
    refused.refusal = notTextProblem(text, name);
    if (!refused.refusal.empty()) return refused;
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
    out += std::to_string(check.colours.size()) + ";";
    for (const RulesColour &c : check.colours) {
        putField(out, c.name);
        // Each component as the bits of its float, so that it travels exactly.
        for (float v : c.rgb) {
            uint32_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            out += std::to_string(bits) + ";";
        }
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
    if (!takeNumber(in, at, count) || count < 0 || count > 1000) return false;
    for (long long i = 0; i < count; i++) {
        RulesColour c;
        if (!takeField(in, at, c.name)) return false;
        for (float &v : c.rgb) {
            long long bits = 0;
            if (!takeNumber(in, at, bits) || bits < 0 || bits > 0xffffffffLL) return false;
            uint32_t b = static_cast<uint32_t>(bits);
            std::memcpy(&v, &b, sizeof v);
        }
        check.colours.push_back(c);
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
