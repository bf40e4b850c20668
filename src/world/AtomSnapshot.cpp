#include "world/AtomSnapshot.h"

#include <algorithm>

#include "world/Atom.h"

AtomSnapshot atomSnapshot;

void AtomSnapshot::clear() {
    occupied.clear();
    entries.clear();
    notes.clear();
    noteCells.clear();
    notesValid = false;
    gone.clear();
    goneSorted = true;
    valid = false;
}

void AtomSnapshot::forget(const Atom *a) {
    valid = false;
    // A dead atom was never noted, or its killing dropped the notes.
    if (!a->dead) notesValid = false;
    if (entries.empty()) return;
    goneSorted = goneSorted && (gone.empty() || gone.back() < a);
    gone.push_back(a);
}

bool AtomSnapshot::forgotten(const Atom *a) {
    if (gone.empty()) return false;
    if (!goneSorted) {
        std::sort(gone.begin(), gone.end());
        goneSorted = true;
    }
    return std::binary_search(gone.begin(), gone.end(), a);
}

void AtomSnapshot::beginNotes(unsigned long long serialLimit) {
    notes.clear();
    noteCells.clear();
    noteLimit = serialLimit;
    notesValid = true;
}

void AtomSnapshot::begin() {
    pending.clear();
    pendingCell.clear();
    gone.clear();
    goneSorted = true;
    valid = false;
}

void AtomSnapshot::finish(bool withNotes) {
    if (!withNotes) {
        notes.clear();
        noteCells.clear();
    }
    const size_t cells = static_cast<size_t>(NeighbourGrid<Atom>::kCells) * NeighbourGrid<Atom>::kCells;
    ranges.resize(cells);
    counts.resize(cells);
    occupied.assign((cells + 63) / 64, 0);
    // Count per cell, then give each occupied cell, in cell order, its end
    // (its count goes back to 0); each is filled backwards from there in
    // insertion order: it starts with the atom inserted last, and the ends
    // come down to the starts.
    const std::vector<int> *both[2] = {&pendingCell, &noteCells};
    for (const std::vector<int> *cellsOf : both)
        for (int c : *cellsOf) {
            occupied[static_cast<size_t>(c) >> 6] |= 1ull << (c & 63);
            counts[static_cast<size_t>(c)]++;
        }
    int at = 0;
    for (size_t w = 0; w < occupied.size(); w++)
        for (unsigned long long m = occupied[w]; m; m &= m - 1) {
            size_t c = w * 64 + static_cast<size_t>(__builtin_ctzll(m));
            at += counts[c];
            counts[c] = 0;
            ranges[c].begin = ranges[c].end = at;
        }
    entries.resize(pending.size() + notes.size());
    for (size_t k = 0; k < pending.size(); k++)
        entries[static_cast<size_t>(--ranges[static_cast<size_t>(pendingCell[k])].begin)] = pending[k];
    for (size_t k = 0; k < notes.size(); k++)
        entries[static_cast<size_t>(--ranges[static_cast<size_t>(noteCells[k])].begin)] = notes[k];
    // The notes are spent; the next atom walk takes new ones.
    notes.clear();
    noteCells.clear();
    notesValid = false;
    valid = true;
}
