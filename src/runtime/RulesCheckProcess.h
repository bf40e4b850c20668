#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>

#include "runtime/RulesCheck.h"

// The loader's check of a rules text, run in a child process: the child
// loads the text into its own copy of the world, so this process's world is
// never touched, the caller's thread never waits for it, and a crash or a
// hang in the check cannot take the program down (a check that runs past its
// time is stopped and says so).
class RulesCheckProcess {
public:
    enum class State { Idle, Running, Finished };
    // What runs in the child in place of the loader (tests use it).
    using Checker = RulesCheck (*)(const std::string &text, const std::string &name);

    explicit RulesCheckProcess(double timeoutSeconds = 5.0, Checker checker = nullptr);
    ~RulesCheckProcess();
    RulesCheckProcess(const RulesCheckProcess &) = delete;
    RulesCheckProcess &operator=(const RulesCheckProcess &) = delete;

    // Starts checking text under the file name name (as the loader's messages
    // name it); a check still running is stopped first. False when no process
    // could be started (the result then says why).
    bool start(const std::string &text, const std::string &name);
    // Takes in what the child has written so far; never blocks.
    State poll();
    // Stops a running check; its result is dropped.
    void stop();
    State state() const { return current; }
    // Once Finished: the check, or (failed) why there is none.
    const RulesCheck &result() const { return checked; }
    bool failed() const { return !failure.empty(); }
    const std::string &why() const { return failure; }

private:
    void finish(int status);

    double timeout;
    Checker checker;
    State current = State::Idle;
    pid_t child = -1;
    int exitStatus = 0;
    int from = -1;
    std::string received;
    std::chrono::steady_clock::time_point started;
    RulesCheck checked;
    std::string failure;
};

// The loader on text in this very process, as a child of RulesCheckProcess
// runs it: the world, the colour table and the settings are replaced by the
// text's, exactly as Load would replace them. Diagnostics come back with the
// text of their line (cut to kDiagnosticTextLength bytes); after
// kMaxDiagnostics, the rest are counted in one last entry.
RulesCheck checkRulesTextReplacingWorld(const std::string &text, const std::string &name);
constexpr size_t kDiagnosticTextLength = 240;
constexpr size_t kMaxDiagnostics = 10000;

// The form a check travels in from the child; decode is false on a damaged
// or cut text.
std::string encodeRulesCheck(const RulesCheck &check);
bool decodeRulesCheck(const std::string &data, RulesCheck &check);
