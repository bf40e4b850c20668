// The pattern's graph container and its plain-text network format.
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "rules/ColorTable.h"
#include "world/Edge.h"
#include "world/MetaNodePat.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace {

// Most nodes a file may announce: a pattern can never hold more than the node table.
constexpr int kMaxFileNodes = kNodeTableSize;

template <class T>
T **growByOne(T **old, int count, T *added) {
    T **grown = new (std::nothrow) T *[count + 1];
    if (!grown) return nullptr;
    for (int i = 0; i < count; i++) grown[i] = old[i];
    grown[count] = added;
    return grown;
}

void say(char *why, int whyLength, const char *text) {
    if (why && whyLength > 0) std::snprintf(why, static_cast<size_t>(whyLength), "%s", text);
}

// A pattern edge that is not entered in the world is retired here rather than by
// its own kill: kill looks its ends up by id in the live world, where the
// pattern's small ids name unrelated things.
void retirePatternEdge(drovanEdge *e, drovanNode *from, drovanNode *to) {
    if (e->registered) {
        e->kill();
        return;
    }
    int c = e->edgeColour;
    if (e->directed) {
        if (from) from->addOutDegree(c, -1);
        if (to) to->addInDegree(c, -1);
    } else {
        if (to) to->addUndirectedDegree(c, -1);
        if (from) from->addUndirectedDegree(c, -1);
    }
    e->fromId = e->toId = -1;
    e->dead = 1;
}

}  // namespace

void destroyPatternEdge(drovanEdge *e) {
    if (!e) return;
    if (e->registered) {
        e->kill();  // a body edge: the world removes it
        return;
    }
    // Ids of pattern ends are positions, not world ids: never let a destructor
    // look them up in the world.
    e->fromId = e->toId = -1;
    delete e;
}

void destroyPatternNode(drovanNode *n) {
    if (!n) return;
    if (n->registered) {
        n->kill();
        return;
    }
    delete n;
}

void drovanMetaNodePat::writeNetwork(FILE *stream) {
    if (!stream) return;
    int liveNodes = 0, liveEdges = 0;
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i]) liveNodes++;
    for (int j = 0; j < edgeCount; j++)
        if (edges[j]) liveEdges++;
    std::fprintf(stream, "%d %d\n", liveNodes, liveEdges);
    for (int i = 0; i < nodeCount; i++) {
        drovanNode *n = nodes[i];
        if (!n) continue;
        vec2 p = n->position();
        std::fprintf(stream, "%f %f %f %d\n", static_cast<double>(p.x), static_cast<double>(p.y),
                     static_cast<double>(n->angle()), n->colour());
    }
    for (int j = 0; j < edgeCount; j++) {
        drovanEdge *e = edges[j];
        if (!e) continue;
        std::fprintf(stream, "%d %d %d\n", e->fromId, e->toId, e->edgeColour);
    }
}

bool drovanMetaNodePat::readNetwork(FILE *stream, const char *path, char *why, int whyLength) {
    (void)path;
    say(why, whyLength, "");
    while (nodeCount != 0) {
        int before = nodeCount;
        removeNode(0);
        if (nodeCount == before) break;
    }
    // Every edge has two ends, so none should be left; make sure of it.
    if (edgeCount > 0) {
        for (int j = 0; j < edgeCount; j++)
            if (edges[j] && !edges[j]->dead) retirePatternEdge(edges[j], nullptr, nullptr);
        compactEdges(edgeCount);
    }
    if (!stream) {
        say(why, whyLength, "no stream to read");
        return false;
    }

    char text[200];
    int n = 0, e = 0;
    if (std::fscanf(stream, "%d %d", &n, &e) != 2) {
        say(why, whyLength, "stopped at the header: incomplete or unparsable");
        return false;
    }
    bool complete = true;
    int announcedNodes = n, announcedEdges = e;
    if (n < 0) n = 0;
    if (e < 0) e = 0;
    if (n > kMaxFileNodes) {
        n = kMaxFileNodes;
        complete = false;
        std::snprintf(text, sizeof text, "header announces %d nodes; read at most %d", announcedNodes, kMaxFileNodes);
        say(why, whyLength, text);
    }
    long long edgeCap = static_cast<long long>(n) * (n - 1) / 2;
    if (e > edgeCap) {
        e = static_cast<int>(edgeCap);
        if (complete) {
            std::snprintf(text, sizeof text, "header announces %d edges, more than %d nodes can hold; read the first %d",
                          announcedEdges, n, e);
            say(why, whyLength, text);
        }
        complete = false;
    }

    // File position -> node made for it (none when the line made no node).
    std::vector<drovanNode *> made(static_cast<size_t>(n), nullptr);
    int nodesLeftOut = 0, edgesLeftOut = 0;

    for (int i = 0; i < n; i++) {
        float x = 0.0f, y = 0.0f, a = 0.0f;
        int colour = -1;
        if (std::fscanf(stream, "%f %f %f %d", &x, &y, &a, &colour) != 4 || !std::isfinite(x) || !std::isfinite(y) ||
            !std::isfinite(a)) {
            std::snprintf(text, sizeof text, "stopped at node line %d of %d: incomplete or unparsable", i + 1, n);
            say(why, whyLength, text);
            return false;
        }
        // A colour outside the table must never reach createNode.
        drovanNode *node = isColor(colour) ? addNode(x, y, colour) : nullptr;
        if (!node) {
            nodesLeftOut++;
            continue;
        }
        node->setAngle(a);
        made[static_cast<size_t>(i)] = node;
    }

    for (int j = 0; j < e; j++) {
        int from = 0, to = 0, colour = 0;
        if (std::fscanf(stream, "%d %d %d", &from, &to, &colour) != 3) {
            std::snprintf(text, sizeof text, "stopped at edge line %d of %d: incomplete or unparsable", j + 1, e);
            say(why, whyLength, text);
            return false;
        }
        drovanNode *a = from >= 0 && from < n ? made[static_cast<size_t>(from)] : nullptr;
        drovanNode *b = to >= 0 && to < n ? made[static_cast<size_t>(to)] : nullptr;
        if (!a || !b) {
            edgesLeftOut++;
            continue;
        }
        addEdge(a, b, false, colour);  // self-edges and duplicates are refused quietly
    }

    if (complete && (nodesLeftOut || edgesLeftOut)) {
        std::snprintf(text, sizeof text,
                      "read to the end; left out %d node line(s) (colour not in the colour table or node table full) "
                      "and %d edge line(s) naming nodes not read",
                      nodesLeftOut, edgesLeftOut);
        say(why, whyLength, text);
        complete = false;
    }
    return complete;
}

drovanNode *drovanMetaNodePat::addNode(float x, float y, int colour) {
    if (!isColor(colour)) return nullptr;
    drovanNode *n = createNode(x, y, colour);
    if (!n) return nullptr;
    // Out of the world again at once: a pattern node holds no table slot and no registry entry.
    int slot = n->nodeIndex;
    n->unregisterNode();
    if (slot >= 0 && slot < kNodeTableSize && world.nodeTable[slot] == n) {
        world.nodeTable[slot] = nullptr;
        world.nodeTableCount--;
    }
    if (n->registered) unregister(n);

    drovanNode **grown = growByOne(nodes, nodeCount, n);
    if (!grown) {
        delete n;
        return nullptr;
    }
    delete[] nodes;
    nodes = grown;
    n->id = nodeCount;
    n->nodeIndex = nodeCount;
    nodeCount++;
    return n;
}

drovanEdge *drovanMetaNodePat::addEdge(drovanNode *a, drovanNode *b, bool directed, int colour) {
    if (!a || !b || a == b) return nullptr;
    if (findEdge(a, b)) return nullptr;
    drovanEdge *e = new drovanEdge(a, b, directed, colour, false);
    unregister(e);
    drovanEdge **grown = growByOne(edges, edgeCount, e);
    if (!grown) {
        retirePatternEdge(e, a, b);
        destroyPatternEdge(e);
        return nullptr;
    }
    delete[] edges;
    edges = grown;
    e->id = nodeCount + edgeCount;
    edgeCount++;
    vec2 pa = a->position(), pb = b->position();
    e->endA = e->lineStart = pa;
    e->endB = e->lineEnd = pb;
    return e;
}

drovanEdge *drovanMetaNodePat::findEdge(drovanNode *a, drovanNode *b) {
    if (!a || !b) return nullptr;
    int ia = a->nodeIndex, ib = b->nodeIndex;
    for (int j = 0; j < edgeCount; j++) {
        drovanEdge *e = edges[j];
        if (!e) continue;
        if ((e->fromIndex == ia && e->toIndex == ib) || (e->fromIndex == ib && e->toIndex == ia)) return e;
    }
    return nullptr;
}

void drovanMetaNodePat::removeNode(int k) {
    if (k < 0 || k >= nodeCount) return;
    int killed = 0;
    for (int j = 0; j < edgeCount; j++) {
        drovanEdge *e = edges[j];
        if (!e || e->dead) continue;
        if (e->fromIndex == k || e->toIndex == k) {
            drovanNode *from = e->fromIndex >= 0 && e->fromIndex < nodeCount ? nodes[e->fromIndex] : nullptr;
            drovanNode *to = e->toIndex >= 0 && e->toIndex < nodeCount ? nodes[e->toIndex] : nullptr;
            retirePatternEdge(e, from, to);
            killed++;
            continue;
        }
        if (e->fromIndex > k) {
            e->fromIndex--;
            e->fromId--;
        }
        if (e->toIndex > k) {
            e->toIndex--;
            e->toId--;
        }
    }
    destroyPatternNode(nodes[k]);
    nodes[k] = nullptr;
    for (int i = k; i + 1 < nodeCount; i++) {
        nodes[i] = nodes[i + 1];
        // A body's nodes keep their world ids and table slots.
        if (nodes[i] && !nodes[i]->registered) {
            nodes[i]->id = i;
            nodes[i]->nodeIndex = i;
        }
    }
    nodeCount--;
    nodes[nodeCount] = nullptr;
    if (nodeCount == 0) {
        delete[] nodes;
        nodes = nullptr;
    }
    compactEdges(killed);
}

void drovanMetaNodePat::compactEdges(int killed) {
    if (killed == 0) return;
    // Size the new list by what actually survives, so a wrong count can never overrun it.
    int keep = 0;
    for (int j = 0; j < edgeCount; j++)
        if (edges[j] && !edges[j]->dead) keep++;
    drovanEdge **kept = keep > 0 ? new drovanEdge *[keep] : nullptr;
    int copied = 0;
    for (int j = 0; j < edgeCount; j++) {
        drovanEdge *e = edges[j];
        if (!e) continue;
        if (e->dead) {
            if (!e->registered) destroyPatternEdge(e);  // a dead world edge is the world's to remove
            edges[j] = nullptr;
            continue;
        }
        if (!e->registered) e->id = nodeCount + copied;
        kept[copied++] = e;
    }
    delete[] edges;
    edges = kept;
    edgeCount = copied;
}
