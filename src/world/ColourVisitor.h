#pragma once

// Every colour index a thing holds, so that colours can be renumbered (matched
// by name) when new rules replace those in force under a living world.
class ColourVisitor {
public:
    virtual ~ColourVisitor() = default;
    // A colour the thing wears: drawn in it, counted by it. -1 is no colour.
    virtual void worn(int &colour) = 0;
    // A colour the thing only refers to (what it converts, senses, sent).
    virtual void referred(int &colour) = 0;
    // The thing's own table with one entry per colour index.
    virtual void perColour(int *entries) = 0;
    virtual void perColour(float *entries) = 0;
};
