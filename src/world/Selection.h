#pragma once

// What the user does to the live world's things by hand, through the
// pointer and the keys: the selection, deleting with it, and dragging.
class Thing;

void clearSelection();
// Kills t and, when t is selected, the whole selection.
void killSelectionWith(Thing *t);
// Draws the highlight of every selected thing but the one with the given id.
void highlightSelectionExcept(int id);
// Selects (or unselects) the nodes of t's connected structure.
void selectComponent(Thing *t, bool value);
// Moves node id by (dx, dy) and, withSelection when it is selected, every
// other selected node with it.
void dragNodes(int id, float dx, float dy, bool withSelection);
