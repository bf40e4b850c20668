// Whole worlds as lines of text (docs/snapshot-format.md): in memory as an
// image, on disk as a file with a checksum per line, read back into the world
// only after every line is checked.
//
// Index of this file (search for "[SECTION] " and the name):
//   names of lines             the codes of the lines' names and value types
//   classes                    class names and bare things of a class
//   writing                    the world archived into an image
//   formatting                 an image as the file's text
//   reading                    the lines of a file or an image, in order
//   checking a file's lines    names, values and checksums split and checked
//   the layout of the things   which things, of which class, in which scope
//   building the world         the world made from the lines, or left empty
//   images and snapshots       the calls of Snapshot.h
#include "io/Snapshot.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "world/AggregateGrid.h"
#include "world/Atom.h"
#include "world/CiliaNode.h"
#include "world/ColorTable.h"
#include "world/DonutNode.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/MetaNode.h"
#include "world/NeighbourGrid.h"
#include "world/AtomSnapshot.h"
#include "world/Pattern.h"
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

// [SECTION] names of lines
// Every line of an image carries the code of its name and value type. Names
// are the literals the archives pass, so a code stays valid for the process;
// the table only grows, so a thread formatting an image reads entries that
// no longer change.

enum FieldType : unsigned char { Int, Unsigned, Float, Bool, Byte, Text, Bare };

struct Field {
    const char *name;
    FieldType type;
    bool startsRecord;  // thing, slotpattern, things, end: what the layout looks for
};

constexpr int kMaxFields = 1 << 12;
Field fields[kMaxFields];
int fieldCount = 0;

uint16_t intern(const char *name, FieldType type) {
    for (int i = 0; i < fieldCount; i++)
        if (fields[i].type == type && std::strcmp(fields[i].name, name) == 0) return static_cast<uint16_t>(i);
    if (fieldCount == kMaxFields) {
        std::fprintf(stderr, "drovan: more than %d snapshot field names\n", kMaxFields);
        std::abort();
    }
    bool head = false;
    for (const char *h : {"thing", "slotpattern", "things", "end"}) head = head || std::strcmp(name, h) == 0;
    fields[fieldCount] = {name, type, head};
    return static_cast<uint16_t>(fieldCount++);
}

// The same literal is met a million times per capture: look it up by address.
uint16_t fieldCode(const char *name, FieldType type) {
    struct Cached {
        const char *name;
        FieldType type;
        uint16_t code;
    };
    constexpr size_t kSize = 4096;
    static Cached cache[kSize];
    uint64_t key = (reinterpret_cast<uintptr_t>(name) << 3) ^ type;
    size_t at = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 52);
    for (size_t n = 0; n < kSize; n++) {
        Cached &c = cache[(at + n) & (kSize - 1)];
        if (c.name == name && c.type == type) return c.code;
        if (!c.name) {
            c = {name, type, intern(name, type)};
            return c.code;
        }
    }
    return intern(name, type);
}

// [SECTION] classes

const char *className(Thing *t) {
    if (t->kind == ThingAtom) return "Atom";
    if (t->kind == ThingEdge) return "Edge";
    if (dynamic_cast<Pattern *>(t)) return "MetaNodePat";
    if (dynamic_cast<MetaNode *>(t)) return "MetaNode";
    if (dynamic_cast<CiliaNode *>(t)) return "CiliaNode";
    if (dynamic_cast<DonutNode *>(t)) return "DonutNode";
    if (dynamic_cast<TermNode *>(t)) return "TermNode";
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

// [SECTION] writing

class ImageWriter : public StateArchive {
public:
    // hint: lines expected, so the lists are sized once.
    ImageWriter(WorldImage &image, size_t hint) : image(image) {
        image.clear();
        grow(hint);
    }
    // The lists at their length.
    void finish() {
        image.codes.resize(used);
        image.values.resize(used);
    }

    void value(const char *name, int &v) override { put(name, Int, static_cast<uint32_t>(v)); }
    void value(const char *name, unsigned &v) override { put(name, Unsigned, v); }
    void value(const char *name, bool &v) override { put(name, Bool, v ? 1u : 0u); }
    void value(const char *name, unsigned char &v) override { put(name, Byte, v); }
    void value(const char *name, float &v) override {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put(name, Float, bits);
    }
    void values(const char *name, float *v, size_t n) override {
        make(n);
        std::fill(codes + used, codes + used + n, code(name, Float));
        std::memcpy(bits + used, v, n * sizeof(float));
        used += n;
    }
    void values(const char *name, unsigned char *v, size_t n) override {
        make(n);
        std::fill(codes + used, codes + used + n, code(name, Byte));
        for (size_t i = 0; i < n; i++) bits[used + i] = v[i];
        used += n;
    }
    void number(const char *name, int v) { put(name, Int, static_cast<uint32_t>(v)); }
    void text(const char *name, std::string t) {
        image.texts.push_back(std::move(t));
        put(name, Text, static_cast<uint32_t>(image.texts.size() - 1));
    }
    void bare(const char *name) { put(name, Bare, 0); }
    // Closes a record.
    void sum() { image.sums.push_back(static_cast<uint32_t>(used)); }
    bool thing(Thing *t, int id) {
        const char *cls = className(t);
        if (!cls) return false;
        std::string head = std::string(cls) + " " + std::to_string(id);
        if (Pattern *p = dynamic_cast<Pattern *>(t))
            head += " " + std::to_string(p->nodeCount) + " " + std::to_string(p->edgeCount);
        text("thing", std::move(head));
        t->archive(*this);
        sum();
        return true;
    }

private:
    // A million lines per capture: written through plain pointers, names
    // looked up once per run of one name.
    void put(const char *name, FieldType type, uint32_t value) {
        if (used == room) grow(used + 1);
        codes[used] = code(name, type);
        bits[used] = value;
        used++;
    }
    uint16_t code(const char *name, FieldType type) {
        if (name != lastName || type != lastType) {
            lastName = name;
            lastType = type;
            lastCode = fieldCode(name, type);
        }
        return lastCode;
    }
    void make(size_t n) {
        if (used + n > room) grow(used + n);
    }
    void grow(size_t need) {
        room = std::max(need, room * 2);
        image.codes.resize(room);
        image.values.resize(room);
        codes = image.codes.data();
        bits = image.values.data();
    }

    WorldImage &image;
    uint16_t *codes = nullptr;
    uint32_t *bits = nullptr;
    size_t used = 0, room = 0;
    const char *lastName = nullptr;
    FieldType lastType = Bare;
    uint16_t lastCode = 0;
};

bool writeWorld(ImageWriter &w, std::string &why) {
    w.number(kMagic, kSnapshotVersion);
    int colours = colorCount < 0 ? 0 : (colorCount > kMaxColors ? kMaxColors : colorCount);
    w.number("colours", colours);
    for (int c = 0; c < colours; c++) w.text("name", colorTable[c].name);
    archiveColorTable(w);
    // The last step's tallies: the statistics read them until the next step.
    for (int c = 0; c < colours; c++) {
        w.value("nodeTally", colorTable[c].nodeTally);
        for (int &b : colorTable[c].strengthHistogram) w.value("histogram", b);
    }
    w.sum();
    w.bare("world");
    archiveWorldStore(w);
    w.value("lastStepTime", world.lastStepTime);
    bool grid = world.aggregateGrid != nullptr;
    w.value("aggregateGrid", grid);
    if (grid) world.aggregateGrid->archive(w);
    w.sum();
    w.bare("slots");
    archivePatternSlots(w);
    w.sum();
    for (int k = 0; k < kPatternSlots; k++) {
        Pattern *p = patternSlots[k].pattern;
        if (!p) continue;
        int contents = 0;
        for (int i = 0; i < p->nodeCount; i++) contents += p->nodes[i] != nullptr;
        for (int j = 0; j < p->edgeCount; j++) contents += p->edges[j] != nullptr;
        w.text("slotpattern", std::to_string(k) + " " + std::to_string(contents));
        if (!w.thing(p, p->id)) return false;
        for (int i = 0; i < p->nodeCount; i++)
            if (p->nodes[i] && !w.thing(p->nodes[i], p->nodes[i]->id)) return false;
        for (int j = 0; j < p->edgeCount; j++)
            if (p->edges[j] && !w.thing(p->edges[j], p->edges[j]->id)) return false;
    }
    // thingList order, read from the registration table backwards: a walk
    // along the list waits on every link in turn.
    size_t slots;
    Thing *const *table = registryTable(slots);
    int count = 0;
    for (size_t i = 0; i < slots; i++) count += table[i] != nullptr;
    w.number("things", count);
    // A record of its own, so an empty world's file has no unchecked line.
    w.sum();
    for (size_t i = slots; i-- > 0;)
        if (Thing *t = table[i]; t && !w.thing(t, t->id)) {
            why = "thing " + std::to_string(t->id) + " is of a kind snapshots do not know";
            return false;
        }
    w.bare("end");
    return true;
}

// [SECTION] formatting

void appendSum(std::string &out, size_t &from) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "sum %08x\n", fnv32(out.data() + from, out.size() - from));
    out += buf;
    from = out.size();
}

void appendLine(std::string &out, const WorldImage &image, size_t i) {
    const Field &f = fields[image.codes[i]];
    uint32_t bits = image.values[i];
    out += f.name;
    char buf[48];
    char *end = buf;
    switch (f.type) {
    case Bare: break;
    case Text:
        if (!image.texts[bits].empty()) {
            out += ' ';
            out += image.texts[bits];
        }
        break;
    case Float: {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        // Nine significant digits give the float back; the same text as "%.9g".
        end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::general, 9).ptr;
        break;
    }
    case Int: end = std::to_chars(buf, buf + sizeof buf, static_cast<int32_t>(bits)).ptr; break;
    default: end = std::to_chars(buf, buf + sizeof buf, bits).ptr; break;
    }
    if (end != buf) {
        out += ' ';
        out.append(buf, static_cast<size_t>(end - buf));
    }
    out += '\n';
}

// [SECTION] reading

// The lines of a snapshot, read in order: a file's text or an image.
class Records {
public:
    virtual ~Records() = default;
    virtual size_t size() const = 0;
    virtual bool named(size_t i, const char *name) const = 0;
    virtual std::string nameOf(size_t i) const = 0;
    virtual std::string textOf(size_t i) const = 0;
    virtual bool integerOf(size_t i, long long &v) const = 0;
    virtual bool realOf(size_t i, float &v) const = 0;
    virtual int lineOf(size_t i) const = 0;
    // The n lines from i, all named name, as floats or bytes at once; false
    // when they cannot be taken so (then they are read one by one).
    virtual bool reals(size_t i, const char *name, float *v, size_t n) const {
        (void)i, (void)name, (void)v, (void)n;
        return false;
    }
    virtual bool bytes(size_t i, const char *name, unsigned char *v, size_t n) const {
        (void)i, (void)name, (void)v, (void)n;
        return false;
    }
    // Whether line i starts a record the layout looks for (thing,
    // slotpattern, things, end).
    virtual bool startsRecord(size_t i) const {
        return named(i, "thing") || named(i, "slotpattern") || named(i, "things") || named(i, "end");
    }
};

// A file's lines as places in its text (files are below 4 GB).
class TextRecords : public Records {
public:
    explicit TextRecords(const std::string &text) : base(text.data()) {}
    struct Line {
        uint32_t name, value, valueLength, number;
        uint16_t nameLength;
    };
    const char *base;
    std::vector<Line> lines;

    size_t size() const override { return lines.size(); }
    bool named(size_t i, const char *name) const override {
        const Line &l = lines[i];
        return std::strlen(name) == l.nameLength && std::memcmp(base + l.name, name, l.nameLength) == 0;
    }
    std::string nameOf(size_t i) const override { return std::string(base + lines[i].name, lines[i].nameLength); }
    std::string textOf(size_t i) const override { return std::string(base + lines[i].value, lines[i].valueLength); }
    bool integerOf(size_t i, long long &v) const override {
        const Line &l = lines[i];
        const char *value = base + l.value;
        auto r = std::from_chars(value, value + l.valueLength, v);
        if (l.valueLength > 0 && r.ec == std::errc() && r.ptr == value + l.valueLength) return true;
        // What strtoll takes besides (a sign, leading blanks).
        std::string s = textOf(i);
        char *end = nullptr;
        errno = 0;
        v = std::strtoll(s.c_str(), &end, 10);
        return !s.empty() && *end == '\0' && errno != ERANGE;
    }
    bool realOf(size_t i, float &v) const override {
        const Line &l = lines[i];
        const char *value = base + l.value;
        auto r = std::from_chars(value, value + l.valueLength, v);
        if (l.valueLength > 0 && r.ec == std::errc() && r.ptr == value + l.valueLength) return true;
        std::string s = textOf(i);
        char *end = nullptr;
        v = std::strtof(s.c_str(), &end);
        return !s.empty() && *end == '\0';
    }
    int lineOf(size_t i) const override { return static_cast<int>(lines[i].number); }
    bool startsRecord(size_t i) const override {
        char c = base[lines[i].name];
        return (c == 't' || c == 's' || c == 'e') && Records::startsRecord(i);
    }
};

class ImageRecords : public Records {
public:
    explicit ImageRecords(const WorldImage &image) : image(image) {}
    size_t size() const override { return image.codes.size(); }
    bool named(size_t i, const char *name) const override {
        // The reader names a line with the literal the writer used.
        const char *mine = fields[image.codes[i]].name;
        return mine == name || std::strcmp(mine, name) == 0;
    }
    std::string nameOf(size_t i) const override { return fields[image.codes[i]].name; }
    std::string textOf(size_t i) const override {
        if (fields[image.codes[i]].type == Text) return image.texts[image.values[i]];
        std::string line;
        appendLine(line, image, i);
        size_t space = line.find(' ');
        return space == std::string::npos ? std::string() : line.substr(space + 1, line.size() - space - 2);
    }
    bool integerOf(size_t i, long long &v) const override {
        uint32_t bits = image.values[i];
        switch (fields[image.codes[i]].type) {
        case Int: v = static_cast<int32_t>(bits); return true;
        case Unsigned:
        case Bool:
        case Byte: v = bits; return true;
        default: return false;
        }
    }
    bool realOf(size_t i, float &v) const override {
        if (fields[image.codes[i]].type != Float) return false;
        std::memcpy(&v, &image.values[i], sizeof v);
        return true;
    }
    int lineOf(size_t i) const override { return static_cast<int>(i) + 1; }
    bool startsRecord(size_t i) const override { return fields[image.codes[i]].startsRecord; }
    bool reals(size_t i, const char *name, float *v, size_t n) const override {
        if (!run(i, name, Float, n)) return false;
        std::memcpy(v, &image.values[i], n * sizeof(float));
        return true;
    }
    bool bytes(size_t i, const char *name, unsigned char *v, size_t n) const override {
        if (!run(i, name, Byte, n)) return false;
        for (size_t k = 0; k < n; k++) v[k] = static_cast<unsigned char>(image.values[i + k]);
        return true;
    }

private:
    bool run(size_t i, const char *name, FieldType type, size_t n) const {
        if (n == 0 || i + n > image.codes.size() || !named(i, name) || fields[image.codes[i]].type != type)
            return false;
        const uint16_t *c = &image.codes[i];
        for (size_t k = 1; k < n; k++)
            if (c[k] != c[0]) return false;
        return true;
    }

    const WorldImage &image;
};

struct Entry {
    int line = 0;
    std::string cls;
    int id = -1, nodes = 0, edges = 0;
    Thing *made = nullptr;
};

using IdMap = std::unordered_map<int, Thing *>;

class RecordReader : public StateArchive {
public:
    // checked: a file's values are held to their ranges; an image of this
    // process is what the world held and is taken as it is.
    RecordReader(const Records &lines, const std::string &file, bool checked)
        : lines(lines), file(file), checked(checked) {}

    const Records &lines;
    std::string file;
    bool checked;
    size_t at = 1;  // line 0 is the version line
    std::string error;
    // Allowed ranges of the values of the record being read, by name.
    struct Range {
        const char *name;
        long long lo, hi;
    };
    std::vector<Range> ranges;
    // Where links are looked up: the registered things, or these maps in turn.
    bool linksToWorld = false;
    std::vector<const IdMap *> scope;

    bool reading() const override { return true; }
    bool ok() const { return error.empty(); }

    void fail(int lineNumber, const std::string &what) {
        if (error.empty()) error = file + ": line " + std::to_string(lineNumber) + ": " + what;
    }
    // The next line, which must carry name; false after a fault.
    bool next(const char *name) {
        if (!ok()) return false;
        if (at >= lines.size()) {
            fail(lines.size() == 0 ? 1 : lines.lineOf(lines.size() - 1), std::string("ends before '") + name + "'");
            return false;
        }
        size_t i = at++;
        if (!lines.named(i, name)) {
            fail(lines.lineOf(i), std::string("'") + name + "' expected, found '" + lines.nameOf(i) + "'");
            return false;
        }
        return true;
    }
    void range(const char *name, long long lo, long long hi) { ranges.push_back({name, lo, hi}); }
    bool integer(const char *name, long long &v, long long lo, long long hi) {
        if (!next(name)) return false;
        if (checked)
            for (const Range &r : ranges)
                if (r.name[0] == name[0] && std::strcmp(r.name, name) == 0) {
                    lo = std::max(lo, r.lo);
                    hi = std::min(hi, r.hi);
                }
        size_t i = at - 1;
        if (!lines.integerOf(i, v) || v < lo || v > hi) {
            fail(lines.lineOf(i), "bad value '" + lines.textOf(i) + "' for " + name);
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
        if (!next(name)) return;
        size_t i = at - 1;
        float x;
        if (!lines.realOf(i, x)) {
            fail(lines.lineOf(i), "bad number '" + lines.textOf(i) + "' for " + name);
            return;
        }
        v = x;
    }
    void values(const char *name, float *v, size_t n) override {
        if (ok() && lines.reals(at, name, v, n))
            at += n;
        else
            StateArchive::values(name, v, n);
    }
    void values(const char *name, unsigned char *v, size_t n) override {
        if (ok() && lines.bytes(at, name, v, n))
            at += n;
        else
            StateArchive::values(name, v, n);
    }
    Thing *resolve(int id, bool (*fits)(Thing *)) override {
        if (id < 0 || !ok()) return nullptr;
        if (linksToWorld) {
            Thing *t = findThing(id);
            return t && fits(t) ? t : nullptr;
        }
        for (const IdMap *m : scope) {
            auto it = m->find(id);
            if (it != m->end() && fits(it->second)) return it->second;
        }
        return nullptr;
    }
    void linkFailed(const char *name, int id) override {
        fail(lines.lineOf(at - 1), std::string(name) + " names " + std::to_string(id) + ", no thing of that kind");
    }
    // A line with a plain text value (colour names, record heads).
    std::string text(const char *name) { return next(name) ? lines.textOf(at - 1) : std::string(); }
    int lineNumber() const { return lines.lineOf(at - 1); }
};

// [SECTION] checking a file's lines

// The lines of a file, each split into its name and value, every checksum
// checked on the way.
bool splitLines(const std::string &text, const std::string &file, TextRecords &out, std::string &why) {
    if (text.size() >= UINT32_MAX) {
        why = file + ": too large for a snapshot";
        return false;
    }
    const char *base = text.data();
    size_t breaks = 0, lastBreak = std::string::npos;
    for (const char *p = base; (p = static_cast<const char *>(std::memchr(p, '\n', text.size() - (p - base)))); p++) {
        breaks++;
        lastBreak = static_cast<size_t>(p - base);
    }
    // A cut file is told at once, without checking every record before the cut.
    if (!text.empty() && text.back() != '\n') {
        why = file + ": line " + std::to_string(breaks + 1) + " (byte " +
              std::to_string(lastBreak == std::string::npos ? 0 : lastBreak + 1) + "): truncated, the line has no end";
        return false;
    }
    if (text.size() < 4 || text.compare(text.size() - 4, 4, "end\n") != 0 ||
        (text.size() > 4 && text[text.size() - 5] != '\n')) {
        why = file + ": line " + std::to_string(breaks) + ": truncated, no closing 'end' line";
        return false;
    }
    size_t pos = 0;
    uint32_t number = 0;
    size_t sumFrom = 0;
    std::vector<TextRecords::Line> &lines = out.lines;
    lines.reserve(breaks);
    while (pos < text.size()) {
        const char *start = base + pos;
        const char *eol = static_cast<const char *>(std::memchr(start, '\n', text.size() - pos));
        number++;
        if (!eol) {
            why = file + ": line " + std::to_string(number) + " (byte " + std::to_string(pos) +
                  "): truncated, the line has no end";
            return false;
        }
        size_t length = static_cast<size_t>(eol - start);
        const char *space = static_cast<const char *>(std::memchr(start, ' ', length));
        size_t nameLength = space ? static_cast<size_t>(space - start) : length;
        TextRecords::Line line;
        line.name = static_cast<uint32_t>(pos);
        line.nameLength = static_cast<uint16_t>(std::min<size_t>(nameLength, UINT16_MAX));
        line.value = static_cast<uint32_t>(space ? pos + nameLength + 1 : pos + length);
        line.valueLength = static_cast<uint32_t>(space ? length - nameLength - 1 : 0);
        line.number = number;
        if (nameLength == 3 && std::memcmp(start, "sum", 3) == 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%08x", fnv32(base + sumFrom, pos - sumFrom));
            if (line.valueLength != 8 || std::memcmp(base + line.value, buf, 8) != 0) {
                why = file + ": line " + std::to_string(number) + ": damaged: the checksum does not match the lines " +
                      "before it (bytes " + std::to_string(sumFrom) + " to " + std::to_string(pos) + ")";
                return false;
            }
            sumFrom = pos + length + 1;
        } else {
            lines.push_back(line);
        }
        pos += length + 1;
    }
    if (lines.empty() || !out.named(lines.size() - 1, "end") || lines.back().valueLength != 0) {
        why = file + ": line " + std::to_string(number) + ": truncated, no closing 'end' line";
        return false;
    }
    // Files of an empty world written before the things line had its own
    // checksum end "things 0", "end".
    if (sumFrom != text.size() - 4 && text.compare(sumFrom, std::string::npos, "things 0\nend\n") != 0) {
        why = file + ": line " + std::to_string(number) + ": damaged: lines without a checksum before 'end'";
        return false;
    }
    return true;
}

// [SECTION] the layout of the things

// The world emptied as a fresh process has it (settings are all read back).
void clearWorld() { resetToFreshProcess(); }

const char *const kThingClasses[] = {"Atom", "TermNode", "CiliaNode", "DonutNode", "MetaNode", "Edge", "MetaNodePat"};

bool knownClass(const std::string &c) {
    for (const char *k : kThingClasses)
        if (c == k) return true;
    return false;
}

bool parseEntry(RecordReader &r, const std::string &value, Entry &e) {
    char cls[32] = {}, tail = 0;
    int n = std::sscanf(value.c_str(), "%31s %d %d %d %c", cls, &e.id, &e.nodes, &e.edges, &tail);
    e.cls = cls;
    bool pattern = e.cls == "MetaNodePat";
    if (n != (pattern ? 4 : 2) || !knownClass(e.cls) || e.id < 0 || e.nodes < 0 || e.edges < 0 ||
        e.nodes > kNodeTableSize || e.edges > 1000000) {
        r.fail(e.line, "bad thing line '" + value + "'");
        return false;
    }
    return true;
}

// One thing's record: ranges for its fields, its archive, and its place in the
// node table or adjacency once known.
void readThing(RecordReader &r, Entry &e, bool inPattern) {
    if (!r.next("thing")) return;
    Thing *t = e.made;
    r.ranges.clear();
    r.range("id", e.id, e.id);
    if (e.cls != "MetaNodePat") r.range("edgeCount", 0, kMaxNodeEdges);
    // Inside a slot's pattern the indexes are positions in the pattern, not table slots.
    long long indexTop = inPattern ? INT32_MAX : kNodeTableSize - 1;
    r.range("nodeIndex", -1, indexTop);
    r.range("fromIndex", -1, indexTop);
    r.range("toIndex", -1, indexTop);
    r.range("visitedCount", 0, kVisitedMax);
    r.range("state", 0, 2);
    // An edge keeps whatever colour a pattern file gave it; things of a colour
    // name a row of the table.
    if (e.cls != "Edge") r.range("colour", -1, kMaxColors - 1);
    r.range("patternIndex", -1, kPatternSlots - 1);
    r.range("thingRecordCount", 0, 10);
    r.range("cellRecordCount", 0, 10);
    if (e.cls == "MetaNodePat") {
        r.range("nodeCount", e.nodes, e.nodes);
        r.range("edgeCount", e.edges, e.edges);
    }
    t->archive(r);
    r.ranges.clear();
}

// The thing lines of the next count records (read again later by readThing).
void entries(RecordReader &r, std::vector<Entry> &list, int count) {
    const Records &lines = r.lines;
    for (int i = 0; i < count && r.ok(); i++) {
        if (!r.next("thing")) break;
        Entry e;
        e.line = r.lineNumber();
        if (!parseEntry(r, lines.textOf(r.at - 1), e)) break;
        list.push_back(e);
        while (r.at < lines.size() && !lines.startsRecord(r.at)) r.at++;
    }
}

// Which things, of which class, in which scope: read from the lines before
// anything of the world is touched.
struct Layout {
    size_t start = 0;
    std::vector<std::pair<int, std::vector<Entry>>> patterns;
    std::vector<Entry> things;
};

bool scanLayout(RecordReader &r, Layout &layout) {
    layout.start = r.at;
    long long colours;
    if (!r.integer("colours", colours, 0, kMaxColors)) return false;
    auto &patterns = layout.patterns;
    while (r.ok() && r.at < r.lines.size()) {
        size_t i = r.at;
        if (r.lines.named(i, "slotpattern")) {
            int line = r.lines.lineOf(i);
            std::string value = r.lines.textOf(i);
            int slot = -1, count = -1;
            char tail;
            if (std::sscanf(value.c_str(), "%d %d %c", &slot, &count, &tail) != 2 || slot < 0 ||
                slot >= kPatternSlots || count < 0) {
                r.fail(line, "bad pattern line '" + value + "'");
                return false;
            }
            r.at++;
            for (const auto &done : patterns)
                if (done.first == slot) r.fail(line, "slot " + std::to_string(slot) + " appears twice");
            patterns.push_back({slot, {}});
            entries(r, patterns.back().second, count + 1);
            if (static_cast<int>(patterns.back().second.size()) != count + 1 ||
                patterns.back().second[0].cls != "MetaNodePat")
                r.fail(line, "the pattern of slot " + std::to_string(slot) + " is incomplete");
            for (size_t k = 1; k < patterns.back().second.size() && r.ok(); k++) {
                const Entry &e = patterns.back().second[k];
                if (e.cls == "MetaNodePat" || e.cls == "Atom" || e.cls == "MetaNode")
                    r.fail(e.line, "bad content in the pattern of slot " + std::to_string(slot));
            }
        } else if (r.lines.named(i, "things")) {
            int line = r.lines.lineOf(i);
            long long count;
            if (!r.integer("things", count, 0, 100000000)) return false;
            entries(r, layout.things, static_cast<int>(count));
            if (r.ok() && static_cast<long long>(layout.things.size()) != count) r.fail(line, "too few things");
            break;
        } else {
            r.at++;
        }
    }
    // Every pattern is whole from here on.
    if (!r.ok()) return false;
    // Ids are the world's: one thing each. Inside a pattern nodes and edges
    // are numbered apart: files written before a pattern's edges were
    // renumbered on every added node may give a node and an edge one number.
    std::unordered_set<int> ids;
    ids.reserve(layout.things.size() + patterns.size());
    auto unique = [&](std::unordered_set<int> &in, const Entry &e, const std::string &where) {
        if (r.ok() && !in.insert(e.id).second) r.fail(e.line, "id " + std::to_string(e.id) + " is used twice" + where);
    };
    for (const Entry &e : layout.things) unique(ids, e, "");
    for (const auto &p : patterns) {
        unique(ids, p.second[0], "");
        std::unordered_set<int> nodes, edges;
        for (size_t k = 1; k < p.second.size(); k++)
            unique(p.second[k].cls == "Edge" ? edges : nodes, p.second[k],
                   " in the pattern of slot " + std::to_string(p.first));
    }
    return r.ok();
}

// [SECTION] building the world

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

// Builds the world of the layout into an emptied world.
bool buildWorld(RecordReader &r, Layout &layout, Loose &loose) {
    auto &patterns = layout.patterns;
    auto &things = layout.things;

    // Make every thing: the world's oldest first, so thingList comes out in
    // the saved order; each takes its saved id. Slot patterns take world-wide
    // ids but no world thing may link to them.
    // Ids were found unique when the layout was read.
    auto claim = [&](Entry &e) {
        e.made = makeThing(e.cls, e.nodes, e.edges);
        changeId(e.made, e.id);
    };
    for (size_t i = things.size(); i-- > 0;) claim(things[i]);
    IdMap slotted;
    std::vector<IdMap> localNodes(patterns.size()), localEdges(patterns.size());
    for (size_t k = 0; k < patterns.size(); k++) {
        std::vector<Entry> &list = patterns[k].second;
        claim(list[0]);
        unregister(list[0].made);
        slotted[list[0].id] = list[0].made;
        loose.patterns.push_back(static_cast<Pattern *>(list[0].made));
        for (size_t i = 1; i < list.size(); i++) {
            Entry &e = list[i];
            IdMap &local = e.cls == "Edge" ? localEdges[k] : localNodes[k];
            e.made = makeThing(e.cls, 0, 0);
            if (Node *n = asNode(e.made)) n->unregisterNode();
            if (e.made->registered) unregister(e.made);
            e.made->id = e.id;
            loose.contents.push_back(e.made);
            local[e.id] = e.made;
        }
    }

    // Then every record in file order.
    r.at = layout.start;
    long long colours;
    r.integer("colours", colours, 0, kMaxColors);
    for (int c = 0; c < colours; c++) {
        std::string name = r.text("name");
        if (name.size() >= static_cast<size_t>(kColorNameLength)) r.fail(r.lineNumber(), "name too long");
        std::strncpy(colorTable[c].name, name.c_str(), kColorNameLength - 1);
    }
    r.range("colorCount", colours, colours);
    r.range("senseCount", 0, kMaxSenses);
    r.range("signalCount", 0, kMaxSenses);
    archiveColorTable(r);
    r.ranges.clear();
    if (!r.ok()) return false;
    rebuildColors();
    for (int c = 0; c < colours; c++) {
        r.value("nodeTally", colorTable[c].nodeTally);
        for (int &b : colorTable[c].strengthHistogram) r.value("histogram", b);
    }
    r.next("world");
    r.range("edge_constraint", 0, 5);
    r.range("speed", 0, 3);
    archiveWorldStore(r);
    r.ranges.clear();
    uint32_t generator = randState();
    int nextId = world.nextId;
    r.value("lastStepTime", world.lastStepTime);
    bool grid = false;
    r.value("aggregateGrid", grid);
    if (grid != (world.aggregateGrid != nullptr)) r.fail(r.lineNumber(), "aggregate grid mismatch");
    if (grid && r.ok()) world.aggregateGrid->archive(r);
    r.next("slots");
    r.scope = {&slotted};
    r.range("senseCount", 0, 10);
    r.range("decomposeCount", 0, 10);
    archivePatternSlots(r);
    r.ranges.clear();
    for (size_t k = 0; k < patterns.size() && r.ok(); k++) {
        r.next("slotpattern");
        r.scope = {&localNodes[k], &localEdges[k]};
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
        // A file's pattern edges take the numbers the container gives them,
        // past the nodes; an image gives back the numbers it was taken with.
        for (int j = 0; r.ok() && r.checked && j < p->edgeCount; j++)
            if (p->edges[j]) p->edges[j]->id = p->nodeCount + j;
    }
    for (int k = 0; k < kPatternSlots && r.ok(); k++) {
        Thing *want = nullptr;
        for (auto &rec : patterns)
            if (rec.first == k) want = rec.second[0].made;
        if (patternSlots[k].pattern != want)
            r.fail(r.lineNumber(), "slot " + std::to_string(k) + " does not hold its own pattern");
    }
    r.scope.clear();
    r.linksToWorld = true;
    r.next("things");
    std::map<Thing *, int> bodies;
    for (Entry &e : things) {
        readThing(r, e, false);
        MetaNode *m = dynamic_cast<MetaNode *>(e.made);
        if (r.ok() && m && m->body && bodies[m->body]++)
            r.fail(e.line, "two metanodes share the body " + std::to_string(m->body->id));
    }
    r.linksToWorld = false;
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

// Builds the world the lines describe in place of the live one. On a fault
// the world is left empty.
bool replaceWorld(RecordReader &r, Layout &layout) {
    clearWorld();
    Loose loose;
    if (buildWorld(r, layout, loose)) return true;
    loose.free();
    clearWorld();
    return false;
}

}  // namespace

// [SECTION] images and snapshots (Snapshot.h)

void WorldImage::clear() {
    codes.clear();
    values.clear();
    texts.clear();
    sums.clear();
}

size_t WorldImage::bytes() const {
    size_t n = codes.capacity() * sizeof(uint16_t) + values.capacity() * sizeof(uint32_t) +
               texts.capacity() * sizeof(std::string) + sums.capacity() * sizeof(uint32_t);
    for (const std::string &t : texts) n += t.capacity() > 15 ? t.capacity() + 1 : 0;
    return n;
}

bool captureWorld(WorldImage &image, std::string &why) {
    static size_t lastLines = 1024, lastTexts = 0;
    ImageWriter w(image, lastLines + lastLines / 8);
    image.texts.reserve(lastTexts + lastTexts / 8);
    if (!writeWorld(w, why)) {
        image.clear();
        return false;
    }
    w.finish();
    lastLines = image.codes.size();
    lastTexts = image.texts.size();
    return true;
}

bool restoreWorld(const WorldImage &image, std::string &why) {
    const std::string name = "image";
    size_t n = image.codes.size();
    bool whole = n > 0 && image.values.size() == n;
    for (size_t i = 0; whole && i < n; i++)
        whole = image.codes[i] < fieldCount &&
                (fields[image.codes[i]].type != Text || image.values[i] < image.texts.size());
    if (!whole || !ImageRecords(image).named(0, kMagic)) {
        why = name + ": not an image of a world";
        return false;
    }
    ImageRecords lines(image);
    RecordReader r(lines, name, false);
    Layout layout;
    if (!scanLayout(r, layout) || !replaceWorld(r, layout)) {
        why = r.error.empty() ? name + ": damaged" : r.error;
        return false;
    }
    return true;
}

void imageText(const WorldImage &image, std::string &text) {
    text.clear();
    text.reserve(image.codes.size() * 18);
    size_t from = 0, s = 0;
    for (size_t i = 0; i < image.codes.size(); i++) {
        for (; s < image.sums.size() && image.sums[s] == i; s++) appendSum(text, from);
        appendLine(text, image, i);
    }
    for (; s < image.sums.size(); s++) appendSum(text, from);
}

bool snapshotText(std::string &text, std::string &why) {
    WorldImage image;
    if (!captureWorld(image, why)) return false;
    imageText(image, text);
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
    TextRecords lines(text);
    if (!splitLines(text, name, lines, why)) return false;
    RecordReader r(lines, name, true);
    Layout layout;
    if (!scanLayout(r, layout)) {
        why = r.error;
        return false;
    }

    // Keep the world as it stands, to put it back should the file fail late.
    WorldImage backup;
    std::string ignored;
    if (!captureWorld(backup, ignored)) {
        why = name + ": the current world cannot be kept aside, so nothing was read";
        return false;
    }
    if (replaceWorld(r, layout)) return true;
    why = r.error.empty() ? name + ": damaged" : r.error;
    std::string lost;
    if (!restoreWorld(backup, lost))
        std::fprintf(stderr, "drovan: the world kept aside did not come back: %s\n", lost.c_str());
    return false;
}
