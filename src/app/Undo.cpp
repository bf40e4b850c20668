#include "app/Undo.h"

#include "app/App.h"
#include "app/Panel.h"
#include "runtime/UndoHistory.h"

namespace {
UndoHistory &history() {
    static UndoHistory kept;
    return kept;
}

void step(bool undo) {
    std::string label = undo ? history().undoLabel() : history().redoLabel();
    std::string why;
    if (!(undo ? history().undo(why) : history().redo(why))) {
        setPanelMessage(std::string(undo ? "Cannot undo: " : "Cannot redo: ") + why);
        return;
    }
    afterWorldReplaced();
    setPanelNote(std::string(undo ? "Undone: " : "Done again: ") + label +
                 (undo ? " (control-shift-Z does it again)" : ""));
}
}  // namespace

void rememberForUndo(const std::string &label) {
    std::string why;
    if (!history().remember(label, why)) setPanelMessage("\"" + label + "\" cannot be undone: " + why);
}

void prepareUndo(const std::string &label) {
    std::string why;
    if (!history().prepare(label, why)) setPanelMessage("\"" + label + "\" cannot be undone: " + why);
}

void commitUndo() { history().commit(); }

void undoLastAction() { step(true); }
void redoLastAction() { step(false); }
bool canUndo() { return history().canUndo(); }
bool canRedo() { return history().canRedo(); }
std::string undoLabel() { return history().undoLabel(); }
std::string redoLabel() { return history().redoLabel(); }
void clearUndo() { history().clear(); }
