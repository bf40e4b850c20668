// The plain-text network format of the patterns.
#include "io/NetworkFormat.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "world/ColorTable.h"
#include "world/Edge.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace {

void say(char *why, int whyLength, const char *text) {
    if (why && whyLength > 0) std::snprintf(why, static_cast<size_t>(whyLength), "%s", text);
}

// The fields of a network file, one blank-separated word at a time, so that a
// number is taken whole or not at all ("1.5" is never an int 1 and a ".5").
class FieldReader {
public:
    explicit FieldReader(FILE *s) : stream(s) {}

    // A whole number that fits an int.
    bool whole(int &v, const char *name) {
        if (!word(name)) return false;
        const char *p = field.c_str();
        const char *digits = p + (*p == '-' || *p == '+');
        bool ok = *digits != '\0' && std::strspn(digits, "0123456789") == std::strlen(digits);
        if (!ok) return fail(name, "is not a whole number");
        errno = 0;
        long long x = std::strtoll(p, nullptr, 10);
        if (errno == ERANGE || x < INT_MIN || x > INT_MAX) return fail(name, "is out of range");
        v = static_cast<int>(x);
        return true;
    }

    // Any finite number the "%f" conversion accepts, as a float.
    bool decimal(float &v, const char *name) {
        if (!word(name)) return false;
        char *end = nullptr;
        float x = std::strtof(field.c_str(), &end);
        if (end == field.c_str() || *end != '\0') return fail(name, "is not a number");
        if (!std::isfinite(x)) return fail(name, "is not a finite number");
        v = x;
        return true;
    }

    long line = 1;        // file line of the last field read
    std::string problem;  // empty when the file ended
private:
    // Far longer than any number written; a longer word is damage, not a number.
    static constexpr size_t kLongestField = 4096;

    bool word(const char *name) {
        field.clear();
        int c = std::getc(stream);
        while (c != EOF && std::isspace(c)) {
            if (c == '\n') line++;
            c = std::getc(stream);
        }
        if (c == EOF) return false;
        bool tooLong = false;
        for (; c != EOF && !std::isspace(c); c = std::getc(stream)) {
            if (field.size() < kLongestField)
                field += static_cast<char>(c);
            else
                tooLong = true;
        }
        if (c != EOF) std::ungetc(c, stream);
        return tooLong ? fail(name, "is too long") : true;
    }

    bool fail(const char *name, const char *what) {
        const size_t shown = 40;
        std::string text = field.size() > shown ? field.substr(0, shown) + "..." : field;
        problem = std::string(name) + " field '" + text + "' " + what;
        return false;
    }

    FILE *stream;
    std::string field;
};

unsigned long long pairKey(int a, int b) {
    unsigned lo = static_cast<unsigned>(a < b ? a : b), hi = static_cast<unsigned>(a < b ? b : a);
    return (static_cast<unsigned long long>(lo) << 32) | hi;
}

}  // namespace

void writeNetwork(Pattern &p, FILE *stream) {
    if (!stream) return;
    int liveNodes = 0, liveEdges = 0;
    for (int i = 0; i < p.nodeCount; i++)
        if (p.nodes[i]) liveNodes++;
    for (int j = 0; j < p.edgeCount; j++)
        if (p.edges[j]) liveEdges++;
    std::fprintf(stream, "%d %d\n", liveNodes, liveEdges);
    for (int i = 0; i < p.nodeCount; i++) {
        Node *n = p.nodes[i];
        if (!n) continue;
        Vec2 p = n->position();
        std::fprintf(stream, "%f %f %f %d\n", static_cast<double>(p.x), static_cast<double>(p.y),
                     static_cast<double>(n->angle()), n->colour());
    }
    for (int j = 0; j < p.edgeCount; j++) {
        Edge *e = p.edges[j];
        if (!e) continue;
        std::fprintf(stream, "%d %d %d\n", e->fromId, e->toId, e->edgeColour);
    }
}

namespace {

// What one reading of a file made: entries that belong to no pattern yet.
struct Parsed {
    std::vector<Node *> listed;  // the node list being built
    std::vector<Edge *> joined;  // the edge list being built
    bool stopped = false;        // the file ended early or held a field that does not parse
    std::string why;

    void discard() {
        for (Edge *e : joined) destroyPatternEdge(e);
        for (Node *n : listed) destroyPatternNode(n);
        listed.clear();
        joined.clear();
    }
};

void parse(FILE *stream, Parsed &out) {
    // Storage grows with the lines actually read, never with what the header promises.
    std::vector<Node *> made;  // file position -> its node, or none
    std::unordered_set<unsigned long long> pairs;
    char text[200];
    FieldReader in(stream);
    auto stop = [&](const char *where) {
        if (in.problem.empty())
            std::snprintf(text, sizeof text, "stopped at %s: the file ends early", where);
        else
            std::snprintf(text, sizeof text, "stopped at %s (file line %ld): %s", where, in.line, in.problem.c_str());
        out.why = text;
        out.stopped = true;
    };

    int n = 0, e = 0;
    if (!in.whole(n, "node count") || !in.whole(e, "edge count")) return stop("the header");
    int nodesLeftOut = 0, edgesLeftOut = 0;

    char where[64];
    for (int i = 0; i < n; i++) {
        float x = 0.0f, y = 0.0f, a = 0.0f;
        int colour = -1;
        if (!in.decimal(x, "x") || !in.decimal(y, "y") || !in.decimal(a, "angle") || !in.whole(colour, "colour")) {
            std::snprintf(where, sizeof where, "node line %d of %d", i + 1, n);
            return stop(where);
        }
        // A colour outside the table must never reach createNode.
        Node *node = isColor(colour) ? detachedNode(x, y, colour) : nullptr;
        made.push_back(node);
        if (!node) {
            nodesLeftOut++;
            continue;
        }
        node->id = node->nodeIndex = static_cast<int>(out.listed.size());
        node->setAngle(a);
        out.listed.push_back(node);
    }

    for (int j = 0; j < e; j++) {
        int from = 0, to = 0, colour = 0;
        if (!in.whole(from, "from") || !in.whole(to, "to") || !in.whole(colour, "colour")) {
            std::snprintf(where, sizeof where, "edge line %d of %d", j + 1, e);
            return stop(where);
        }
        Node *a = from >= 0 && static_cast<size_t>(from) < made.size() ? made[static_cast<size_t>(from)] : nullptr;
        Node *b = to >= 0 && static_cast<size_t>(to) < made.size() ? made[static_cast<size_t>(to)] : nullptr;
        if (!a || !b) {
            edgesLeftOut++;
            continue;
        }
        // Self-edges and repeats in either direction are refused quietly.
        if (a == b || !pairs.insert(pairKey(a->nodeIndex, b->nodeIndex)).second) continue;
        Edge *edge = detachedEdge(a, b, false, colour);
        edge->id = static_cast<int>(out.listed.size() + out.joined.size());
        out.joined.push_back(edge);
    }

    if (nodesLeftOut || edgesLeftOut) {
        std::snprintf(text, sizeof text,
                      "read to the end; left out %d node line(s) (colour not in the colour table or node table full) "
                      "and %d edge line(s) naming nodes not read",
                      nodesLeftOut, edgesLeftOut);
        out.why = text;
    }
}

}  // namespace

bool readNetwork(Pattern &p, FILE *stream, const char *path, char *why, int whyLength) {
    (void)path;
    say(why, whyLength, "");
    if (!stream) {
        p.clear();
        say(why, whyLength, "no stream to read");
        return false;
    }
    Parsed read;
    parse(stream, read);
    p.clear();
    p.adopt(read.listed, read.joined);
    say(why, whyLength, read.why.c_str());
    return read.why.empty();
}

bool replaceNetwork(Pattern &p, FILE *stream, std::string &why) {
    why.clear();
    if (!stream) {
        why = "no stream to read";
        return false;
    }
    // Making a node takes a number from the world's counter: a refused file
    // gives it back, so the world is as it was.
    int nextId = world.nextId;
    bool wrapped = world.idsWrapped;
    Parsed read;
    parse(stream, read);
    why = read.why;
    if (read.stopped) {
        read.discard();
        world.nextId = nextId;
        world.idsWrapped = wrapped;
        return false;
    }
    p.clear();
    p.adopt(read.listed, read.joined);
    return true;
}
