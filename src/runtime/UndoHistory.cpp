#include "runtime/UndoHistory.h"

#include "io/Snapshot.h"
#include "rules/RulesListing.h"

struct UndoHistory::State {
    std::string label;
    WorldImage image;
};

namespace {

bool take(WorldImage &image, std::string &why) {
    if (!captureWorld(image, why)) return false;
    // Kept for long: no room to grow.
    image.codes.shrink_to_fit();
    image.values.shrink_to_fit();
    image.texts.shrink_to_fit();
    image.sums.shrink_to_fit();
    return true;
}

const std::string kNone;

}  // namespace

UndoHistory::UndoHistory(size_t maxStates, size_t maxBytes) : maxStates(maxStates), maxBytes(maxBytes) {}
UndoHistory::~UndoHistory() = default;

const std::string &UndoHistory::undoLabel() const { return undoStates.empty() ? kNone : undoStates.back()->label; }
const std::string &UndoHistory::redoLabel() const { return redoStates.empty() ? kNone : redoStates.back()->label; }

bool UndoHistory::remember(const std::string &label, std::string &why) {
    if (!prepare(label, why)) return false;
    commit();
    return true;
}

bool UndoHistory::prepare(const std::string &label, std::string &why) {
    prepared = std::make_unique<State>();
    prepared->label = label;
    if (take(prepared->image, why)) return true;
    prepared.reset();
    return false;
}

void UndoHistory::commit() {
    if (!prepared) return;
    redoStates.clear();
    undoStates.push_back(std::move(prepared));
    trim();
}

bool UndoHistory::undo(std::string &why) { return step(undoStates, redoStates, why); }
bool UndoHistory::redo(std::string &why) { return step(redoStates, undoStates, why); }

bool UndoHistory::step(States &from, States &to, std::string &why) {
    if (from.empty()) {
        why = &from == &undoStates ? "nothing to undo" : "nothing to redo";
        return false;
    }
    auto now = std::make_unique<State>();
    now->label = from.back()->label;
    if (!take(now->image, why)) return false;
    if (!restoreWorld(from.back()->image, why)) {
        // Not an image this process took: the world as it stood goes back.
        std::string again;
        restoreWorld(now->image, again);
        rebuildDescriptions();
        return false;
    }
    from.pop_back();
    rebuildDescriptions();
    to.push_back(std::move(now));
    trim();
    return true;
}

void UndoHistory::clear() {
    undoStates.clear();
    redoStates.clear();
}

size_t UndoHistory::bytes() const {
    size_t n = 0;
    for (const States *side : {&undoStates, &redoStates})
        for (const auto &s : *side) n += s->image.bytes() + s->label.capacity();
    return n;
}

void UndoHistory::trim() {
    while (undoStates.size() + redoStates.size() > 1 &&
           (undoStates.size() + redoStates.size() > maxStates || bytes() > maxBytes)) {
        // The oldest state: the first kept for undo, else the last a redo would reach.
        if (undoStates.size() > (redoStates.empty() ? 1u : 0u))
            undoStates.pop_front();
        else
            redoStates.pop_front();
    }
}
