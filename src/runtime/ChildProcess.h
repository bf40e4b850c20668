#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program run beside this one: its standard input fed from a text, its
// standard output gathered, its standard error ours, all without the caller
// ever waiting on it, and stopped when it runs past its time. Starting one
// copies no memory, however large this process is.
class ChildProcess {
public:
    enum class State { Idle, Running, Finished };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Runs program with arguments (a running one is stopped first). False,
    // with why(), when it cannot be started.
    bool start(const std::string &program, const std::vector<std::string> &arguments, std::string input,
               double timeoutSeconds);
    // Moves at most a few megabytes each way and notes whether it ended.
    State poll();
    // Stops it (SIGKILL) and forgets it.
    void stop();

    State state() const { return current; }
    // Once Finished: its output, and how it ended (a waitpid status), or why
    // it did not run or was stopped.
    const std::string &output() const { return received; }
    int status() const { return exitStatus; }
    bool timedOut() const { return ranOut; }
    const std::string &why() const { return failure; }
    double timeout() const { return limit; }

private:
    State current = State::Idle;
    pid_t child = -1;
    int exitStatus = 0;
    int to = -1, from = -1;
    std::string request, received, failure;
    size_t sent = 0;
    bool ranOut = false;
    double limit = 0.0;
    std::chrono::steady_clock::time_point started;
};

// This program's own file (empty when it cannot be found): the programs start
// copies of themselves, or programs beside them.
std::string ownProgramPath();
