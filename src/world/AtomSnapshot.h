#pragma once
// The atom query snapshot: the atoms of the atom grid's cells as of the last
// rebuild, with their positions then, and the notes the atom walk leaves for
// the next rebuild.
#include <vector>

#include "world/NeighbourGrid.h"
#include "world/Vec2.h"

class Atom;

// The atoms of atomGrid's cells as of the last rebuild, cell by cell, the
// oldest first, with their positions then. The entries are the cells'
// membership until the next rebuild or clear (less the atoms deleted since,
// see forget); the positions are valid (valid) from the end of a rebuild until
// an atom moves or is deleted. Reading positions from here instead of from
// each atom spares a query most of its memory traffic.
struct AtomSnapshot {
    struct Entry {
        Atom *atom;
        float x, y;
    };
    struct Range {
        int begin, end;
    };
    std::vector<Entry> entries;
    std::vector<Entry> pending;
    std::vector<int> pendingCell;
    bool valid = false;

    // No atoms in any cell (and no notes, below).
    void clear();
    // An atom is being deleted: no walk may hand it out again.
    void forget(const Atom *a);
    // True when a was deleted since the entries were gathered.
    bool forgotten(const Atom *a);
    // Starts a rebuild: no atoms added, none forgotten; the notes stay for finish.
    void begin();
    // Newest first, with the cell entry (j * kCells + i) or -1 outside the
    // grid; atoms outside are left out, as no query reaches them.
    void add(Atom *a, float x, float y, int cell) {
        if (cell < 0) return;
        pending.emplace_back();
        Entry &e = pending.back();
        e.atom = a;
        e.x = x;
        e.y = y;
        pendingCell.push_back(cell);
    }
    // Sorts the added atoms, then (withNotes) the notes of the last atom
    // walk, into the cells; the notes are spent either way.
    void finish(bool withNotes = false);
    // The entries of cell k (j * kCells + i): [begin, end).
    void cellEntries(int k, int &begin, int &end) const {
        size_t w = static_cast<size_t>(k) >> 6;
        if (w < occupied.size() && (occupied[w] >> (k & 63) & 1)) {
            begin = ranges[static_cast<size_t>(k)].begin;
            end = ranges[static_cast<size_t>(k)].end;
        } else {
            begin = end = 0;
        }
    }

    // The entries of the cells first..last of one row (consecutive cells):
    // [begin, end), as their cells follow one another.
    void rowEntries(int first, int last, int &begin, int &end) const {
        begin = end = 0;
        if (first < 0 || first > last || static_cast<size_t>(last >> 6) >= occupied.size()) return;
        int lo = -1, hi = -1;
        for (int w = first >> 6; w <= last >> 6 && lo < 0; w++) {
            unsigned long long m = occupied[static_cast<size_t>(w)];
            if (w == first >> 6) m &= ~0ull << (first & 63);
            if (m) lo = w * 64 + __builtin_ctzll(m);
        }
        if (lo < 0 || lo > last) return;
        for (int w = last >> 6; w >= lo >> 6 && hi < 0; w--) {
            unsigned long long m = occupied[static_cast<size_t>(w)];
            if (w == last >> 6 && (last & 63) != 63) m &= (2ull << (last & 63)) - 1;
            if (m) hi = w * 64 + 63 - __builtin_clzll(m);
        }
        begin = ranges[static_cast<size_t>(lo)].begin;
        end = ranges[static_cast<size_t>(hi)].end;
    }

    // Notes for the next rebuild: the atom walk of a step notes each atom
    // still alive after its update, with its place, so that the rebuild need
    // not visit every atom again; atoms registered after the walk began
    // (serial above noteLimit) it visits itself. Anything else that moves,
    // kills or deletes an atom drops the notes (notesValid).
    void beginNotes(unsigned long long serialLimit);
    void noteUpdating(const Atom *a) { updating = a; }
    void note(Atom *a, Vec2 p) {
        int i, j;
        if (!NeighbourGrid<Atom>::cellOf(p.x, p.y, i, j)) return;
        // Fields written in place: a whole entry built on the stack and
        // copied in stalls on reading back its two halves.
        notes.emplace_back();
        Entry &e = notes.back();
        e.atom = a;
        e.x = p.x;
        e.y = p.y;
        noteCells.push_back(j * NeighbourGrid<Atom>::kCells + i);
    }
    void endNotes() { updating = nullptr; }
    // Something happened to a: the notes stand only if it is the atom being updated.
    void touched(const Atom *a) {
        if (a != updating) notesValid = false;
    }
    std::vector<Entry> notes;
    std::vector<int> noteCells;
    unsigned long long noteLimit = 0;
    bool notesValid = false;

private:
    const Atom *updating = nullptr;
    // A bit per cell that holds entries (none when cleared); only those
    // cells' ranges are written, so a rebuild costs the atoms, not the cells.
    std::vector<unsigned long long> occupied;
    std::vector<Range> ranges;
    std::vector<int> counts;  // all 0 between rebuilds
    std::vector<const Atom *> gone;
    bool goneSorted = true;
};
extern AtomSnapshot atomSnapshot;
inline void atomMoved() {
    atomSnapshot.valid = false;
    atomSnapshot.notesValid = false;
}
// The same, naming the atom that moved.
inline void atomMoved(const Atom *a) {
    atomSnapshot.valid = false;
    atomSnapshot.touched(a);
}
