#include "runtime/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char **environ;

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::start(const std::string &program, const std::vector<std::string> &arguments, std::string input,
                         double timeoutSeconds) {
    stop();
    received.clear();
    failure.clear();
    exitStatus = 0;
    ranOut = false;
    limit = timeoutSeconds;
    // The input goes through a socket, so that a child gone early is an
    // error to send() rather than a SIGPIPE to this process.
    int in[2], out[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
        failure = std::strerror(errno);
        current = State::Finished;
        return false;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        failure = std::strerror(errno);
        ::close(in[0]);
        ::close(in[1]);
        current = State::Finished;
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> args = arguments;
    std::vector<char *> argv = {const_cast<char *>(program.c_str())};
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        failure = std::strerror(rc);
        current = State::Finished;
        return false;
    }
    child = pid;
    to = in[1];
    from = out[0];
    ::fcntl(from, F_SETFL, ::fcntl(from, F_GETFL) | O_NONBLOCK);
    request = std::move(input);
    sent = 0;
    started = std::chrono::steady_clock::now();
    current = State::Running;
    return true;
}

ChildProcess::State ChildProcess::poll() {
    if (current != State::Running) return current;
    for (int writes = 0; to >= 0 && writes < 64; writes++) {
        if (sent == request.size()) {
            ::close(to);
            to = -1;
            std::string().swap(request);
            break;
        }
        ssize_t n = ::send(to, request.data() + sent, std::min<size_t>(request.size() - sent, 65536),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN) ::close(to), to = -1;  // it is gone; its status will tell
            break;
        }
    }
    char buffer[65536];
    for (int reads = 0; from >= 0 && reads < 64; reads++) {
        ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) ::close(from), from = -1;
        break;
    }
    if (child > 0) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) child = -1, exitStatus = status;
    }
    if (child < 0 && from < 0) {
        if (to >= 0) ::close(to), to = -1;
        current = State::Finished;
    } else if (child > 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() > limit) {
        stop();
        ranOut = true;
        current = State::Finished;
    }
    return current;
}

void ChildProcess::stop() {
    if (to >= 0) ::close(to);
    if (from >= 0) ::close(from);
    to = from = -1;
    if (child > 0) {
        ::kill(child, SIGKILL);
        int status;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    }
    child = -1;
    std::string().swap(request);
    if (current == State::Running) current = State::Idle;
}

std::string ownProgramPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}
