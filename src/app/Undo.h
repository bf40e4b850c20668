#pragma once
#include <string>

// Undo in the window: the world as it stood just before an action that
// throws it away ("Start Over", "Load", "Open World", deleting nodes) is kept
// in memory (runtime/UndoHistory.h: at least the last 20 actions, at most
// 40, within 256 MB), and "Undo" (control-Z) brings it back exactly, which
// also takes back the steps run since; "Redo" (control-shift-Z) gives back
// the world undo replaced.

// Keeps the world before the action named label. A failure goes to the
// panel's message line; the action goes on.
void rememberForUndo(const std::string &label);
// The same for an action that may yet be refused: the world is taken first
// and kept only when the action went through (commitUndo).
void prepareUndo(const std::string &label);
void commitUndo();
void undoLastAction();
void redoLastAction();
bool canUndo();
bool canRedo();
// The action undo would take back, or redo do again ("" when none).
std::string undoLabel();
std::string redoLabel();
// Forgets every kept world.
void clearUndo();
