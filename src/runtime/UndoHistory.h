#pragma once
// The undo history: whole-world states in memory, within bounds on their number
// and bytes.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>

struct WorldImage;

// Whole-world states kept in memory, so that an action that throws a world
// away can be taken back exactly (same digest, listing, patterns, colour
// table and settings). The window calls remember() just before "Start Over",
// Load, Open World and deleting nodes; undo() brings back the world from just
// before the last such action (and so also takes back the steps run since),
// and redo() the world undo replaced.
//
// A state of the bench's full world (about 25,000 things) takes about 6.5 MB
// and 10 ms to keep (bench/README.md), so the bounds keep about 39 of them. At most maxStates states are kept, undo and redo sides
// together, within maxBytes; past either bound the oldest go first, but the
// newest state is always kept.
//
// remember, undo and redo run on the main thread. undo and redo make every
// thing and pattern anew (ids stay; pointers taken before do not) and clear
// the pointer gestures in progress; the window then refreshes its panel and
// statistics.
class UndoHistory {
public:
    static constexpr size_t kDefaultStates = 40;
    static constexpr size_t kDefaultBytes = size_t(256) << 20;

    explicit UndoHistory(size_t maxStates = kDefaultStates, size_t maxBytes = kDefaultBytes);
    ~UndoHistory();

    // Keeps the world as it stands before the action named label ("Start
    // Over", "Load", ...) and forgets what could be redone. False (with why,
    // and nothing kept) when the world cannot be taken.
    bool remember(const std::string &label, std::string &why);
    // The same in two steps, for an action that may yet be refused (a file
    // that does not open): prepare() takes the world and holds it aside,
    // commit() keeps it as remember() would. A refused action does not
    // commit, and undo and redo stay as they were.
    bool prepare(const std::string &label, std::string &why);
    void commit();
    bool canUndo() const { return !undoStates.empty(); }
    bool canRedo() const { return !redoStates.empty(); }
    // The action undo would take back, or redo do again ("" when none).
    const std::string &undoLabel() const;
    const std::string &redoLabel() const;
    // False (with why) when there is nothing to undo or redo, or the world
    // as it stands cannot be taken; the world is then unchanged.
    bool undo(std::string &why);
    bool redo(std::string &why);
    void clear();

    size_t undoCount() const { return undoStates.size(); }
    size_t redoCount() const { return redoStates.size(); }
    size_t bytes() const;

private:
    struct State;
    using States = std::deque<std::unique_ptr<State>>;
    bool step(States &from, States &to, std::string &why);
    void trim();

    size_t maxStates, maxBytes;
    States undoStates, redoStates;  // newest at the back
    std::unique_ptr<State> prepared;
};
