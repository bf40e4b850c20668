#pragma once
#include <string>
#include <utility>
#include <vector>

#include "runtime/ChildProcess.h"
#include "runtime/RulesCheck.h"

// The loader's check of a rules text, run by a worker process (a fresh copy
// of a program started with kRulesCheckWorkerArgument, which runs
// rulesCheckWorkerMain): the worker loads the text into its own empty world,
// so this process's world is never touched, the caller's thread never waits
// for it, and a crash or a hang in the check cannot take the program down (a
// check that runs past its time is stopped and says so).
class RulesCheckProcess {
public:
    enum class State { Idle, Running, Finished };

    // program is run with kRulesCheckWorkerArgument (or, when given, with
    // arguments instead: tests run stand-ins).
    explicit RulesCheckProcess(std::string program, double timeoutSeconds = 5.0,
                               std::vector<std::string> arguments = {});

    // Starts checking text under the file name name (as the loader's messages
    // name it), with the live world's next id so that nodes without one get
    // the ids Load would give them; a check still running is stopped first.
    // False when no process could be started (why() then says why).
    bool start(const std::string &text, const std::string &name);
    // Hands the worker more of the text and takes in what it has written so
    // far; never blocks.
    State poll();
    // Stops a running check; its result is dropped.
    void stop();
    State state() const { return current; }
    // The program the next check runs.
    void setProgram(std::string p) { program = std::move(p); }
    // Once Finished: the check, or (failed) why there is none.
    const RulesCheck &result() const { return checked; }
    bool failed() const { return !failure.empty(); }
    const std::string &why() const { return failure; }

private:
    std::string program;
    std::vector<std::string> arguments;
    double timeout;
    ChildProcess worker;
    State current = State::Idle;
    RulesCheck checked;
    std::string failure;
};

// The argument that makes a program a check worker, and the worker itself:
// reads one request from standard input, writes the check to standard
// output, returns the exit status.
constexpr const char *kRulesCheckWorkerArgument = "--rules-check-worker";
int rulesCheckWorkerMain();

// The loader on text in this very process, as the worker runs it: the world,
// the colour table and the settings are replaced by the text's, exactly as
// Load would replace them. A text that is not text (notTextProblem) is
// refused unread.
RulesCheck checkRulesTextReplacingWorld(const std::string &text, const std::string &name);

// The forms a request and a check travel in; decode is false on a damaged or
// cut text.
std::string encodeRulesCheckRequest(const std::string &text, const std::string &name, int nextId, bool idsWrapped);
bool decodeRulesCheckRequest(const std::string &data, std::string &text, std::string &name, int &nextId,
                             bool &idsWrapped);
std::string encodeRulesCheck(const RulesCheck &check);
bool decodeRulesCheck(const std::string &data, RulesCheck &check);
