#pragma once
#include <cstddef>

#include "world/Thing.h"
#include "world/Vec2.h"

// A visitor over the state that decides later steps. Each class lists its
// fields once, in a fixed order; the digest hashes the list now and a
// snapshot reader or writer can walk the same list. Lists go as a count
// followed by the elements; links to other things go as their ids (-1 for none).
class StateArchive {
public:
    virtual ~StateArchive() = default;
    virtual void value(const char *name, int &v) = 0;
    virtual void value(const char *name, unsigned &v) = 0;
    virtual void value(const char *name, float &v) = 0;
    virtual void value(const char *name, bool &v) = 0;
    virtual void value(const char *name, unsigned char &v) = 0;
    // A snapshot reader returns true; then ids read in place of links are
    // for the reader to resolve.
    virtual bool reading() const { return false; }

    // A run of n values of one name (a grid's cells): the same as n calls of
    // value, which archives that keep values apart may do at once.
    virtual void values(const char *name, float *v, size_t n) {
        for (size_t i = 0; i < n; i++) value(name, v[i]);
    }
    virtual void values(const char *name, unsigned char *v, size_t n) {
        for (size_t i = 0; i < n; i++) value(name, v[i]);
    }

    void vec(const char *name, Vec2 &v) {
        value(name, v.x);
        value(name, v.y);
    }
    // The id of a linked thing, or -1. A reader puts back the thing of that id.
    template <class T>
    void link(const char *name, T *&t) {
        int id = t ? t->id : -1;
        value(name, id);
        if (!reading()) return;
        T *found = dynamic_cast<T *>(resolve(id, &isA<T>));
        if (id != -1 && !found) linkFailed(name, id);
        t = found;
    }

protected:
    // The reader's lookup of a linked id among the things that fit the link
    // (inside a pattern a node and an edge may share a number), and its
    // report of one that names no thing of the linked kind.
    virtual Thing *resolve(int id, bool (*fits)(Thing *)) {
        (void)id;
        (void)fits;
        return nullptr;
    }
    template <class T>
    static bool isA(Thing *t) {
        return dynamic_cast<T *>(t) != nullptr;
    }
    virtual void linkFailed(const char *name, int id) {
        (void)name;
        (void)id;
    }
};
