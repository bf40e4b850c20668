#include "runtime/Recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "io/Snapshot.h"
#include "runtime/SafeSave.h"
#include "runtime/WorldSnapshot.h"

std::string recoveryPath() {
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/drovan/recovery.snap";
    const char *home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.local/state/drovan/recovery.snap";
    return std::string();
}

RecoveryWriter::RecoveryWriter(const std::string &path) : target(path), worker([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

bool RecoveryWriter::save(std::string &why) {
    if (target.empty()) {
        why = "no folder for a recovery snapshot (neither XDG_STATE_HOME nor HOME is set)";
        return false;
    }
    auto image = std::make_unique<WorldImage>();
    if (!captureWorld(*image, why)) return false;
    {
        std::lock_guard<std::mutex> hold(lock);
        waiting = std::move(image);
    }
    changed.notify_all();
    return true;
}

bool RecoveryWriter::wait(std::string &why) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return !waiting && !writing; });
    why = lastWhy;
    return lastOk;
}

void RecoveryWriter::run() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        changed.wait(hold, [this] { return waiting || stopping; });
        if (!waiting) return;
        std::unique_ptr<WorldImage> image = std::move(waiting);
        writing = true;
        hold.unlock();
        std::string text, why;
        imageText(*image, text);
        image.reset();
        std::error_code ec;
        std::filesystem::path folder = std::filesystem::path(target).parent_path();
        if (!folder.empty() && std::filesystem::create_directories(folder, ec))
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
        bool ok = saveReplacing(target, why, [&text](FILE *f) { std::fwrite(text.data(), 1, text.size(), f); });
        hold.lock();
        writing = false;
        lastOk = ok;
        lastWhy = why;
        changed.notify_all();
    }
}

std::time_t recoveryWrittenAt(const std::string &path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return st.st_mtime;
}

bool restoreRecovery(std::string &why, const std::string &path) {
    if (path.empty()) {
        why = "no recovery snapshot";
        return false;
    }
    return openWorldSnapshot(path, why);
}

bool discardRecovery(const std::string &path) { return path.empty() || unlink(path.c_str()) == 0 || errno == ENOENT; }
