#pragma once
// Recovery snapshots of the live world, kept where the desktop program finds
// them at its next start.
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct WorldImage;

// Recovery snapshots: the live world (things, patterns, colours, settings)
// written now and then and when the program quits, so that work survives a
// crash or a window closed without saving. A recovery snapshot is an
// ordinary snapshot file (Open World and `drovan-batch resume` read it).

// Where the desktop program keeps its recovery snapshot:
// $XDG_STATE_HOME/drovan/recovery.snap, or ~/.local/state/drovan/recovery.snap
// when XDG_STATE_HOME is unset or not absolute. Empty when neither is known
// (no HOME).
std::string recoveryPath();

// Writes recovery snapshots off the calling thread. save() takes the world
// on the calling thread (about 10 ms for the bench's full world) and hands it
// to a writer thread, which formats it and writes it through the safe save,
// making the folder when missing. A save asked for while the previous one is
// being written waits its turn; when several wait, only the newest is written.
class RecoveryWriter {
public:
    explicit RecoveryWriter(const std::string &path = recoveryPath());
    // Waits for the write under way and the one waiting, if any.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter &) = delete;
    RecoveryWriter &operator=(const RecoveryWriter &) = delete;

    // False (with why) when there is no path or the world cannot be taken;
    // nothing is handed over then.
    bool save(std::string &why);
    // Blocks until every snapshot handed over is written. Returns whether the
    // last write succeeded, with why saying what failed (for the quit hook).
    bool wait(std::string &why);
    const std::string &path() const { return target; }

private:
    void run();

    std::string target;
    std::mutex lock;
    std::condition_variable changed;
    std::unique_ptr<WorldImage> waiting;
    bool writing = false, stopping = false;
    bool lastOk = true;
    std::string lastWhy;
    std::thread worker;
};

// At start-up: whether a recovery snapshot lies at path, and when it was
// last written (0 when there is none).
std::time_t recoveryWrittenAt(const std::string &path = recoveryPath());
// Opens the recovery snapshot in place of the live world, as Open World
// does (a damaged file changes nothing; why names the file and line).
bool restoreRecovery(std::string &why, const std::string &path = recoveryPath());
// Removes the recovery snapshot (the user declined it); true when none is left.
bool discardRecovery(const std::string &path = recoveryPath());
