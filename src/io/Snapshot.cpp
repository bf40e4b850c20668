#include "io/Snapshot.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Atom.h"
#include "world/CiliaNode.h"
#include "world/DonutNode.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/NeighbourGrid.h"
#include "world/Random.h"
#include "world/StateArchive.h"
#include "world/WorldArchive.h"
#include "world/WorldStore.h"

namespace {

const char kMagic[] = "drovan-snapshot";

uint32_t fnv32(const char *p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 16777619u;
    }
    return h;
}

// ---- classes ---------------------------------------------------------------

const char *className(Thing *t) {
    if (dynamic_cast<Pattern *>(t)) return "MetaNodePat";
    if (dynamic_cast<MetaNode *>(t)) return "MetaNode";
    if (dynamic_cast<CiliaNode *>(t)) return "CiliaNode";
    if (dynamic_cast<DonutNode *>(t)) return "DonutNode";
    if (dynamic_cast<TermNode *>(t)) return "TermNode";
    if (asEdge(t)) return "Edge";
    if (asAtom(t)) return "Atom";
    return nullptr;
}

// A bare thing of a class, registered under a provisional id, in no table.
Thing *makeThing(const std::string &cls, int nodes, int edges) {
    if (cls == "Atom") return new Atom(0.0f, 0.0f, 0, -1);
    if (cls == "TermNode") return new TermNode(0.0f, 0.0f, 0, -1);
    if (cls == "CiliaNode") return new CiliaNode(0.0f, 0.0f, 0, -1);
    if (cls == "DonutNode") return new DonutNode(0.0f, 0.0f, 0, -1);
    if (cls == "MetaNode") return new MetaNode(0.0f, 0.0f, nullptr, -1);
    if (cls == "Edge") return new Edge(nullptr, nullptr, false, -1, false);
    if (cls == "MetaNodePat") {
        Pattern *p = new Pattern();
        p->nodes = nodes > 0 ? new Node *[static_cast<size_t>(nodes)]() : nullptr;
        p->edges = edges > 0 ? new Edge *[static_cast<size_t>(edges)]() : nullptr;
        p->nodeCount = nodes;
        p->edgeCount = edges;
        return p;
    }
    return nullptr;
}

// ---- writing ---------------------------------------------------------------

class TextWriter : public StateArchive {
public:
    std::string out;
    size_t sumFrom = 0;

    void line(const char *name, const std::string &v) {
        out += name;
        if (!v.empty()) out += ' ' + v;
        out += '\n';
    }
    void value(const char *name, int &v) override { line(name, std::to_string(v)); }
    void value(const char *name, unsigned &v) override { line(name, std::to_string(v)); }
    void value(const char *name, bool &v) override { line(name, v ? "1" : "0"); }
    void value(const char *name, unsigned char &v) override { line(name, std::to_string(v)); }
    void value(const char *name, float &v) override {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));  // nine digits give the float back
        line(name, buf);
    }
    // Closes a record: a checksum of every byte since the previous one.
    void sum() {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08x", fnv32(out.data() + sumFrom, out.size() - sumFrom));
        line("sum", buf);
        sumFrom = out.size();
    }
    bool thing(Thing *t, int id) {
        const char *cls = className(t);
        if (!cls) return false;
        std::string head = std::string(cls) + " " + std::to_string(id);
        if (Pattern *p = dynamic_cast<Pattern *>(t))
            head += " " + std::to_string(p->nodeCount) + " " + std::to_string(p->edgeCount);
        line("thing", head);
        t->archive(*this);
        sum();
        return true;
    }
};

bool writeWorld(TextWriter &w, std::string &why) {
    w.line(kMagic, std::to_string(kSnapshotVersion));
    int colours = colorCount < 0 ? 0 : (colorCount > kMaxColors ? kMaxColors : colorCount);
    w.line("colours", std::to_string(colours));
    for (int c = 0; c < colours; c++) w.line("name", colorTable[c].name);
    archiveColorTable(w);
    // The last step's tallies: the statistics read them until the next step.
    for (int c = 0; c < colours; c++) {
        w.value("nodeTally", colorTable[c].nodeTally);
        for (int &b : colorTable[c].strengthHistogram) w.value("histogram", b);
    }
    w.sum();
    w.line("world", "");
    archiveWorldStore(w);
    w.value("lastStepTime", world.lastStepTime);
    bool grid = world.aggregateGrid != nullptr;
    w.value("aggregateGrid", grid);
    if (grid) world.aggregateGrid->archive(w);
    w.sum();
    w.line("slots", "");
    archivePatternSlots(w);
    w.sum();
    for (int k = 0; k < kPatternSlots; k++) {
        Pattern *p = patternSlots[k].pattern;
        if (!p) continue;
        int contents = 0;
        for (int i = 0; i < p->nodeCount; i++) contents += p->nodes[i] != nullptr;
        for (int j = 0; j < p->edgeCount; j++) contents += p->edges[j] != nullptr;
        w.line("slotpattern", std::to_string(k) + " " + std::to_string(contents));
        if (!w.thing(p, p->id)) return false;
        for (int i = 0; i < p->nodeCount; i++)
            if (p->nodes[i] && !w.thing(p->nodes[i], p->nodes[i]->id)) return false;
        for (int j = 0; j < p->edgeCount; j++)
            if (p->edges[j] && !w.thing(p->edges[j], p->edges[j]->id)) return false;
    }
    int count = 0;
    for (Thing *t = world.thingList; t; t = t->next) count++;
    w.line("things", std::to_string(count));
    for (Thing *t = world.thingList; t; t = t->next)
        if (!w.thing(t, t->id)) {
            why = "thing " + std::to_string(t->id) + " is of a kind snapshots do not know";
            return false;
        }
    w.line("end", "");
    return true;
}

// ---- reading ---------------------------------------------------------------

struct Line {
    int number;
    std::string name, value;
};

struct Entry {
    int line = 0;
    std::string cls;
    int id = -1, nodes = 0, edges = 0;
    Thing *made = nullptr;
};

class TextReader : public StateArchive {
public:
    TextReader(const std::vector<Line> &lines, const std::string &file) : lines(lines), file(file) {}

    const std::vector<Line> &lines;
    std::string file;
    size_t at = 1;  // line 0 is the version line
    std::string error;
    // Allowed ranges of the values of the record being read, by name.
    std::map<std::string, std::pair<long long, long long>> ranges;
    std::map<int, Thing *> *scope = nullptr;

    bool reading() const override { return true; }
    bool ok() const { return error.empty(); }

    void fail(int lineNumber, const std::string &what) {
        if (error.empty()) error = file + ": line " + std::to_string(lineNumber) + ": " + what;
    }
    // The next line, which must carry name; nullptr after a fault.
    const Line *next(const char *name) {
        if (!ok()) return nullptr;
        if (at >= lines.size()) {
            fail(lines.empty() ? 1 : lines.back().number, std::string("ends before '") + name + "'");
            return nullptr;
        }
        const Line &l = lines[at++];
        if (l.name != name) {
            fail(l.number, std::string("'") + name + "' expected, found '" + l.name + "'");
            return nullptr;
        }
        return &l;
    }
    bool integer(const char *name, long long &v, long long lo, long long hi) {
        const Line *l = next(name);
        if (!l) return false;
        auto r = ranges.find(name);
        if (r != ranges.end()) {
            lo = std::max(lo, r->second.first);
            hi = std::min(hi, r->second.second);
        }
        char *end = nullptr;
        errno = 0;
        v = std::strtoll(l->value.c_str(), &end, 10);
        if (l->value.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
            fail(l->number, "bad value '" + l->value + "' for " + name);
            return false;
        }
        return true;
    }
    void value(const char *name, int &v) override {
        long long x;
        if (integer(name, x, INT32_MIN, INT32_MAX)) v = static_cast<int>(x);
    }
    void value(const char *name, unsigned &v) override {
        long long x;
        if (integer(name, x, 0, UINT32_MAX)) v = static_cast<unsigned>(x);
    }
    void value(const char *name, bool &v) override {
        long long x;
        if (integer(name, x, 0, 1)) v = x != 0;
    }
    void value(const char *name, unsigned char &v) override {
        long long x;
        if (integer(name, x, 0, 255)) v = static_cast<unsigned char>(x);
    }
    void value(const char *name, float &v) override {
        const Line *l = next(name);
        if (!l) return;
        char *end = nullptr;
        float x = std::strtof(l->value.c_str(), &end);
        if (l->value.empty() || *end != '\0') {
            fail(l->number, "bad number '" + l->value + "' for " + name);
            return;
        }
        v = x;
    }
    Thing *resolve(int id) override {
        if (id < 0 || !ok()) return nullptr;
        if (!scope) return nullptr;
        auto it = scope->find(id);
        return it != scope->end() ? it->second : nullptr;
    }
    void linkFailed(const char *name, int id) override {
        fail(lines[at - 1].number, std::string(name) + " names " + std::to_string(id) + ", no thing of that kind");
    }
    // A line with a plain text value (colour names).
    std::string text(const char *name) {
        const Line *l = next(name);
        return l ? l->value : std::string();
    }
};

// Lines of the file, each split into its name and value.
bool splitLines(const std::string &text, const std::string &file, std::vector<Line> &lines, std::string &why) {
    size_t pos = 0;
    int number = 0;
    size_t sumFrom = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        number++;
        if (end == std::string::npos) {
            why = file + ": line " + std::to_string(number) + " (byte " + std::to_string(pos) +
                  "): truncated, the line has no end";
            return false;
        }
        std::string l = text.substr(pos, end - pos);
        size_t space = l.find(' ');
        Line line{number, l.substr(0, space), space == std::string::npos ? std::string() : l.substr(space + 1)};
        if (line.name == "sum") {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%08x", fnv32(text.data() + sumFrom, pos - sumFrom));
            if (line.value != buf) {
                why = file + ": line " + std::to_string(number) + ": damaged: the checksum does not match the lines " +
                      "before it (bytes " + std::to_string(sumFrom) + " to " + std::to_string(pos) + ")";
                return false;
            }
            sumFrom = end + 1;
        } else {
            lines.push_back(line);
        }
        pos = end + 1;
    }
    if (lines.empty() || lines.back().name != "end" || !lines.back().value.empty()) {
        why = file + ": line " + std::to_string(number) + ": truncated, no closing 'end' line";
        return false;
    }
    if (sumFrom != text.size() - 4) {
        why = file + ": line " + std::to_string(number) + ": damaged: lines without a checksum before 'end'";
        return false;
    }
    return true;
}

// The world emptied as a fresh process has it (settings are all read back).
void clearWorld() { resetToFreshProcess(); }

const char *const kThingClasses[] = {"Atom", "TermNode", "CiliaNode", "DonutNode", "MetaNode", "Edge", "MetaNodePat"};

bool knownClass(const std::string &c) {
    for (const char *k : kThingClasses)
        if (c == k) return true;
    return false;
}

bool parseEntry(TextReader &r, const Line &l, Entry &e) {
    char cls[32] = {}, tail = 0;
    int n = std::sscanf(l.value.c_str(), "%31s %d %d %d %c", cls, &e.id, &e.nodes, &e.edges, &tail);
    e.cls = cls;
    bool pattern = e.cls == "MetaNodePat";
    if (n != (pattern ? 4 : 2) || !knownClass(e.cls) || e.id < 0 || e.nodes < 0 || e.edges < 0 ||
        e.nodes > kNodeTableSize || e.edges > 1000000) {
        r.fail(l.number, "bad thing line '" + l.value + "'");
        return false;
    }
    return true;
}

// One thing's record: ranges for its fields, its archive, and its place in the
// node table or adjacency once known.
void readThing(TextReader &r, Entry &e, bool inPattern) {
    const Line *l = r.next("thing");
    if (!l) return;
    Thing *t = e.made;
    r.ranges.clear();
    r.ranges["id"] = {e.id, e.id};
    r.ranges["edgeCount"] = {0, kMaxNodeEdges};
    r.ranges["nodeIndex"] = {-1, kNodeTableSize - 1};
    // Inside a slot's pattern the indexes are positions in the pattern, not table slots.
    if (inPattern) r.ranges["nodeIndex"] = {-1, INT32_MAX};
    r.ranges["fromIndex"] = r.ranges["toIndex"] = r.ranges["nodeIndex"];
    r.ranges["visitedCount"] = {0, kVisitedMax};
    r.ranges["state"] = {0, 2};
    r.ranges["colour"] = {-1, kMaxColors - 1};
    r.ranges["patternIndex"] = {-1, kPatternSlots - 1};
    r.ranges["thingRecordCount"] = r.ranges["cellRecordCount"] = {0, 10};
    if (e.cls == "MetaNodePat") {
        r.ranges["nodeCount"] = {e.nodes, e.nodes};
        r.ranges["edgeCount"] = {e.edges, e.edges};
    }
    t->archive(r);
    r.ranges.clear();
}

// The thing lines of the next count records (read again later by readThing).
void entries(TextReader &r, std::vector<Entry> &list, int count) {
    for (int i = 0; i < count && r.ok(); i++) {
        const Line *l = r.next("thing");
        if (!l) break;
        Entry e;
        e.line = l->number;
        if (!parseEntry(r, *l, e)) break;
        list.push_back(e);
        while (r.at < r.lines.size() && r.lines[r.at].name != "thing" && r.lines[r.at].name != "slotpattern" &&
               r.lines[r.at].name != "things" && r.lines[r.at].name != "end")
            r.at++;
    }
}

// Things kept outside the world's registry while reading: the slot patterns
// and their contents. They belong to nobody until the read succeeded.
struct Loose {
    std::vector<Pattern *> patterns;
    std::vector<Thing *> contents;
    void free() {
        for (PatternSlot &s : patternSlots) s.pattern = nullptr;
        for (Pattern *p : patterns) {
            for (int i = 0; i < p->nodeCount; i++) p->nodes[i] = nullptr;
            for (int j = 0; j < p->edgeCount; j++) p->edges[j] = nullptr;
            delete p;
        }
        for (Thing *t : contents) {
            if (Edge *e = asEdge(t)) {
                e->entered = 0;
                e->fromId = e->toId = -1;  // pattern ends are no world ids
            }
            delete t;
        }
        patterns.clear();
        contents.clear();
    }
};

bool buildWorld(TextReader &r, Loose &loose) {
    // The record layout first: which things, of which class, in which scope.
    size_t start = r.at;
    long long colours;
    if (!r.integer("colours", colours, 0, kMaxColors)) return false;
    std::vector<std::pair<int, std::vector<Entry>>> patterns;
    std::vector<Entry> things;
    while (r.ok() && r.at < r.lines.size()) {
        const Line &l = r.lines[r.at];
        if (l.name == "slotpattern") {
            int slot = -1, count = -1;
            char tail;
            if (std::sscanf(l.value.c_str(), "%d %d %c", &slot, &count, &tail) != 2 || slot < 0 ||
                slot >= kPatternSlots || count < 0) {
                r.fail(l.number, "bad pattern line '" + l.value + "'");
                return false;
            }
            r.at++;
            for (const auto &done : patterns)
                if (done.first == slot) r.fail(l.number, "slot " + std::to_string(slot) + " appears twice");
            patterns.push_back({slot, {}});
            entries(r, patterns.back().second, count + 1);
            if (static_cast<int>(patterns.back().second.size()) != count + 1 ||
                patterns.back().second[0].cls != "MetaNodePat")
                r.fail(l.number, "the pattern of slot " + std::to_string(slot) + " is incomplete");
        } else if (l.name == "things") {
            long long count;
            if (!r.integer("things", count, 0, 100000000)) return false;
            entries(r, things, static_cast<int>(count));
            if (r.ok() && static_cast<long long>(things.size()) != count) r.fail(l.number, "too few things");
            break;
        } else {
            r.at++;
        }
    }
    if (!r.ok()) return false;

    // Make every thing: the world's oldest first, so thingList comes out in
    // the saved order; each takes its saved id.
    // Slot patterns take world-wide ids but no world thing may link to them.
    std::map<int, Thing *> global, slotted;
    auto claim = [&](Entry &e, std::map<int, Thing *> &into) {
        if (global.count(e.id) || slotted.count(e.id)) {
            r.fail(e.line, "id " + std::to_string(e.id) + " is used twice");
            return false;
        }
        e.made = makeThing(e.cls, e.nodes, e.edges);
        changeId(e.made, e.id);
        into[e.id] = e.made;
        return true;
    };
    for (size_t i = things.size(); i-- > 0;)
        if (!claim(things[i], global)) return false;
    std::vector<std::map<int, Thing *>> locals(patterns.size());
    for (size_t k = 0; k < patterns.size(); k++) {
        std::vector<Entry> &list = patterns[k].second;
        if (!claim(list[0], slotted)) return false;
        unregister(list[0].made);
        loose.patterns.push_back(static_cast<Pattern *>(list[0].made));
        for (size_t i = 1; i < list.size(); i++) {
            Entry &e = list[i];
            if (e.cls == "MetaNodePat" || e.cls == "Atom" || e.cls == "MetaNode" || locals[k].count(e.id)) {
                r.fail(e.line, "bad content in the pattern of slot " + std::to_string(patterns[k].first));
                return false;
            }
            e.made = makeThing(e.cls, 0, 0);
            if (Node *n = asNode(e.made)) n->unregisterNode();
            if (e.made->registered) unregister(e.made);
            e.made->id = e.id;
            loose.contents.push_back(e.made);
            locals[k][e.id] = e.made;
        }
    }

    // Then every record in file order.
    r.at = start;
    r.integer("colours", colours, 0, kMaxColors);
    for (int c = 0; c < colours; c++) {
        std::string name = r.text("name");
        if (name.size() >= static_cast<size_t>(kColorNameLength)) r.fail(r.lines[r.at - 1].number, "name too long");
        std::strncpy(colorTable[c].name, name.c_str(), kColorNameLength - 1);
    }
    r.ranges["colorCount"] = {colours, colours};
    r.ranges["senseCount"] = r.ranges["signalCount"] = {0, kMaxSenses};
    archiveColorTable(r);
    r.ranges.clear();
    if (!r.ok()) return false;
    rebuildColors();
    for (int c = 0; c < colours; c++) {
        r.value("nodeTally", colorTable[c].nodeTally);
        for (int &b : colorTable[c].strengthHistogram) r.value("histogram", b);
    }
    r.next("world");
    r.ranges["edge_constraint"] = {0, 5};
    r.ranges["speed"] = {0, 3};
    archiveWorldStore(r);
    r.ranges.clear();
    uint32_t generator = randState();
    int nextId = world.nextId;
    r.value("lastStepTime", world.lastStepTime);
    bool grid = false;
    r.value("aggregateGrid", grid);
    if (grid != (world.aggregateGrid != nullptr)) r.fail(r.lines[r.at - 1].number, "aggregate grid mismatch");
    if (grid && r.ok()) world.aggregateGrid->archive(r);
    r.next("slots");
    r.scope = &slotted;
    r.ranges["senseCount"] = r.ranges["decomposeCount"] = {0, 10};
    archivePatternSlots(r);
    r.ranges.clear();
    for (size_t k = 0; k < patterns.size() && r.ok(); k++) {
        r.next("slotpattern");
        r.scope = &locals[k];
        for (Entry &e : patterns[k].second) readThing(r, e, true);
        // Each content belongs to its pattern once, and a pattern edge is never entered.
        std::map<Thing *, int> owned;
        Pattern *p = static_cast<Pattern *>(patterns[k].second[0].made);
        for (int i = 0; i < p->nodeCount; i++) owned[p->nodes[i]]++;
        for (int j = 0; j < p->edgeCount; j++) owned[p->edges[j]]++;
        for (size_t i = 1; i < patterns[k].second.size() && r.ok(); i++) {
            const Entry &e = patterns[k].second[i];
            Edge *d = asEdge(e.made);
            if (owned[e.made] != 1 || (d && d->entered))
                r.fail(e.line, "thing " + std::to_string(e.id) + " does not belong to the pattern of slot " +
                                   std::to_string(patterns[k].first));
        }
    }
    for (int k = 0; k < kPatternSlots && r.ok(); k++) {
        Thing *want = nullptr;
        for (auto &rec : patterns)
            if (rec.first == k) want = rec.second[0].made;
        if (patternSlots[k].pattern != want)
            r.fail(r.lines[r.at - 1].number, "slot " + std::to_string(k) + " does not hold its own pattern");
    }
    r.scope = &global;
    r.next("things");
    std::map<Thing *, int> bodies;
    for (Entry &e : things) {
        readThing(r, e, false);
        MetaNode *m = dynamic_cast<MetaNode *>(e.made);
        if (r.ok() && m && m->body && bodies[m->body]++)
            r.fail(e.line, "two metanodes share the body " + std::to_string(m->body->id));
    }
    r.next("end");
    if (!r.ok()) return false;

    // Rebuild what is derived: node table, adjacency, removal notices.
    for (Entry &e : things) {
        if (Node *n = asNode(e.made)) {
            if (n->nodeIndex < 0) continue;
            if (world.nodeTable[n->nodeIndex]) {
                r.fail(e.line, "two nodes in table slot " + std::to_string(n->nodeIndex));
                return false;
            }
            placeInNodeTable(n->nodeIndex, n);
        }
        if (e.made->id >= nextId && !world.idsWrapped) {
            r.fail(e.line, "thing " + std::to_string(e.made->id) + " lies past the id counter");
            return false;
        }
    }
    for (Entry &e : things) {
        if (Edge *d = asEdge(e.made)) {
            if (!d->entered) continue;
            if (!nodeAt(d->fromIndex) || !nodeAt(d->toIndex)) {
                r.fail(e.line, "edge " + std::to_string(d->id) + " joins an empty table slot");
                return false;
            }
            setAdjacency(d->fromIndex, d->toIndex, d);
            if (!d->directed) setAdjacency(d->toIndex, d->fromIndex, d);
        } else if (Atom *a = asAtom(e.made)) {
            a->refreshNotice();
        }
    }
    atomMoved();
    world.nextId = nextId;
    setRandState(generator);
    return true;
}

bool readWorld(TextReader &r) {
    Loose loose;
    if (buildWorld(r, loose)) return true;
    loose.free();
    return false;
}

}  // namespace

bool snapshotText(std::string &text, std::string &why) {
    TextWriter w;
    if (!writeWorld(w, why)) return false;
    text.swap(w.out);
    return true;
}

bool readSnapshot(const std::string &text, const std::string &name, std::string &why) {
    why.clear();
    size_t eol = text.find('\n');
    std::string first = text.substr(0, eol == std::string::npos ? std::min<size_t>(text.size(), 64) : eol);
    int version = 0;
    char tail = 0;
    if (first.compare(0, sizeof kMagic, std::string(kMagic) + " ") != 0 ||
        std::sscanf(first.c_str() + sizeof kMagic, "%d%c", &version, &tail) != 1 || version < 1) {
        why = name + ": line 1: not a drovan snapshot";
        return false;
    }
    if (version > kSnapshotVersion) {
        why = name + ": line 1: snapshot version " + std::to_string(version) + " is newer than this program reads (" +
              std::to_string(kSnapshotVersion) + ")";
        return false;
    }
    std::vector<Line> lines;
    if (!splitLines(text, name, lines, why)) return false;

    // Keep the world as it stands, to put it back should the file fail late.
    TextWriter backup;
    std::string ignored;
    bool canRestore = writeWorld(backup, ignored);
    if (!canRestore) {
        why = name + ": the current world cannot be kept aside, so nothing was read";
        return false;
    }
    clearWorld();
    TextReader r(lines, name);
    if (readWorld(r)) return true;
    why = r.error.empty() ? name + ": damaged" : r.error;
    clearWorld();
    std::vector<Line> old;
    std::string bad;
    splitLines(backup.out, "backup", old, bad);
    TextReader restore(old, "backup");
    readWorld(restore);
    return false;
}
