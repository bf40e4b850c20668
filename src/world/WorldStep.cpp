#include "world/WorldStep.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/NeighbourGrid.h"
#include "world/AtomSnapshot.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/WorldStore.h"

namespace {
int declaredColours() { return colorCount < 0 ? 0 : (colorCount > kMaxColors ? kMaxColors : colorCount); }

bool insideMeta(Thing *t) { return t->container() != nullptr; }
}  // namespace

void rebuildAtomGrid() {
    atomGrid.busy = 1;
    // The last atom walk's notes stand when nothing has touched the atoms since.
    bool noted = atomSnapshot.notesValid;
    unsigned long long limit = atomSnapshot.noteLimit;
    atomSnapshot.begin();
    size_t count;
    Thing *const *table = registryTable(count);
    // Newest first. With notes, only the atoms registered since the walk
    // began are visited; the noted ones follow, in the walk's order, which
    // is the same.
    for (size_t i = count; i-- > 0;) {
        if (noted && table[i] && table[i]->serial <= limit) break;
        Atom *a = asAtom(table[i]);
        if (!a || a->dead) continue;
        Vec2 p = a->position;
        int ci, cj;
        bool inside = NeighbourGrid<Atom>::cellOf(p.x, p.y, ci, cj);
        atomSnapshot.add(a, p.x, p.y, inside ? cj * NeighbourGrid<Atom>::kCells + ci : -1);
    }
    atomSnapshot.finish(noted);
    atomGrid.busy = 0;
}

void rebuildNodeGrid() {
    nodeGrid.busy = 1;
    nodeGrid.clear();
    for (Thing *t = firstOfKind(ThingNode); t; t = t->kindNext) {
        Node *n = static_cast<Node *>(t);
        if (n->dead) {
            n->gridNext = nullptr;
            n->gridPrevLink = nullptr;
            continue;
        }
        Vec2 p = n->position();
        // Body nodes sit at their offset from the metanode, unrotated.
        if (MetaNode *m = n->container()) p += m->position();
        nodeGrid.insert(n, p.x, p.y);
    }
    nodeGrid.busy = 0;
}

void worldStep() {
    trimNodeTableEnd();
    spawnAtoms();
    rebuildAtomGrid();
    rebuildNodeGrid();
    clearTallies();
    if (world.anneal) annealNetwork();
    if (world.fixNodeCollisions || world.closedWorld) relaxCollisions();
    updateNodes();
    updateEdges();
    updateAtomsAndOthers();
}

void clearTallies() {
    for (int c = 0; c < declaredColours(); c++) {
        for (int &b : colorTable[c].strengthHistogram) b = 0;
        colorTable[c].nodeTally = 0;
    }
    for (int &m : world.metaCounts) m = 0;
}

void updateNodes() {
    for (int i = 0; i < world.nodeTableEnd; i++) {
        Node *n = world.nodeTable[i];
        if (!n || n->dead || insideMeta(n)) continue;
        if (n->patternIndex >= 0 && n->patternIndex < kPatternSlots) world.metaCounts[n->patternIndex]++;
        n->update();
        int c = n->colour();
        if (isColor(c)) {
            int bin = static_cast<int>(n->strength * 20.0f);
            // A strength driven below 0 by a touching node still counts, in bin 0.
            if (!(bin >= 0)) bin = 0;
            if (bin > 19) bin = 19;
            colorTable[c].strengthHistogram[bin]++;
            colorTable[c].nodeTally++;
        }
    }
}

void updateEdges() {
    for (Thing *t = firstOfKind(ThingEdge); t;) {
        Thing *next = t->kindNext;
        if (!t->dead && !insideMeta(t)) static_cast<Edge *>(t)->update();
        t = next;
    }
}

void updateAtomsAndOthers() {
    // thingList order is the registry table read backwards. Its loads do not
    // wait on one another as the list's links do; things registered during
    // the walk land past its start, as they land before it in thingList.
    size_t count;
    registryTable(count);
    atomSnapshot.beginNotes(lastSerial());
    for (size_t i = count; i-- > 0;) {
        size_t ahead;
        Thing *const *table = registryTable(ahead);
        // An atom's update reads its first four lines (Atom.h).
        if (i >= 8)
            if (Thing *soon = table[i - 8]) {
                const char *p = reinterpret_cast<const char *>(soon);
                __builtin_prefetch(p + 64);
                __builtin_prefetch(p + 128);
                __builtin_prefetch(p + 192);
            }
        Thing *t = table[i];
        if (!t || t->dead) continue;
        // Atoms first: nearly every entry is one. They are never inside a
        // metanode, and no class derives from the atom.
        if (t->kind == ThingAtom) {
            Atom *a = static_cast<Atom *>(t);
            atomSnapshot.noteUpdating(a);
            a->Atom::update();
            atomSnapshot.noteUpdating(nullptr);
            if (!a->dead) atomSnapshot.note(a, a->position);
        } else if (t->kind == ThingOther && !insideMeta(t)) {
            t->update();
        }
    }
    atomSnapshot.endNotes();
}

void annealNetwork() {
    for (int i = 0; i < world.nodeTableEnd; i++) {
        Node *n = world.nodeTable[i];
        if (n && !n->dead && n->isMovable() && !insideMeta(n)) annealNode(n);
    }
    if (world.inertia)
        applyForces(0.0f, 0.5f);
    else
        applyForces(1.0f, 0.0f);
}

void annealNode(Node *node) {
    if (!node) return;
    Vec2 p = node->position();
    Vec2 sum;
    int cur = 0;
    while (Edge *e = node->nextAttachedEdge(cur)) {
        bool isFrom = e->fromIndex == node->nodeIndex && e->fromId == node->id;
        Vec2 q = isFrom ? e->endB : e->endA;
        Vec2 d = q - p;
        if (d.isZero()) continue;
        Vec2 f = d;
        float L;
        if (restLength(e, L)) {
            float len = d.length();
            f = d * ((len - L) / len);
        }
        if (world.inertia) f = f * world.edgeSpringK;
        f = f * e->strength;
        sum += f;
    }
    if (!world.inertia && sum.length() > 1.5f) sum = sum.withLength(1.5f);
    node->force += sum;
}

namespace {

// Buckets the nodes by their positions at the start of a collision pass, so a
// node meets only the later nodes that can overlap it. Until its own turn a
// node keeps its start position (wrap-around moves a node only at its turn),
// and a node whose radius changes in the pass (a decomposed one) is stamped
// and never checked again, so start radii bound every check.
class CollisionBuckets {
public:
    // False when some radius is not finite: then every pair must be checked.
    bool build() {
        maxRadius = 0.0f;
        bool any = false;
        float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
        for (int i = 0; i < world.nodeTableEnd; i++) {
            Node *n = world.nodeTable[i];
            if (!n || n->dead) continue;
            float r = n->radius();
            if (!std::isfinite(r)) return false;
            radiusOfSlot[i] = r;
            if (r > maxRadius) maxRadius = r;
            Vec2 p = n->position();
            // A node at an infinite or undefined place overlaps nothing.
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            if (!any) {
                minX = maxX = p.x;
                minY = maxY = p.y;
                any = true;
            }
            minX = std::fmin(minX, p.x);
            maxX = std::fmax(maxX, p.x);
            minY = std::fmin(minY, p.y);
            maxY = std::fmax(maxY, p.y);
        }
        originX = minX;
        originY = minY;
        double w = static_cast<double>(maxX) - minX, h = static_cast<double>(maxY) - minY;
        cell = 2.0 * maxRadius + 4.0;
        double span = w > h ? w : h;
        if (span / cell > kMaxCells - 1) cell = span / (kMaxCells - 1);
        inverse = 1.0 / cell;
        nx = static_cast<int>(w / cell) + 1;
        ny = static_cast<int>(h / cell) + 1;
        start.assign(static_cast<size_t>(nx * ny + 1), 0);
        for (int i = 0; i < world.nodeTableEnd; i++) {
            cellOfSlot[i] = -1;
            Node *n = world.nodeTable[i];
            if (!n || n->dead || !any) continue;
            Vec2 p = n->position();
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            cellOfSlot[i] = column(p.x) + nx * row(p.y);
            start[static_cast<size_t>(cellOfSlot[i]) + 1]++;
        }
        for (size_t c = 1; c < start.size(); c++) start[c] += start[c - 1];
        slots.resize(static_cast<size_t>(start.back()));
        places.resize(slots.size());
        std::vector<int> fill(start.begin(), start.end() - 1);
        // Slots go in ascending order within each cell.
        for (int i = 0; i < world.nodeTableEnd; i++)
            if (cellOfSlot[i] >= 0) {
                size_t k = static_cast<size_t>(fill[static_cast<size_t>(cellOfSlot[i])]++);
                slots[k] = i;
                places[k] = {world.nodeTable[i]->position(), radiusOfSlot[i]};
            }
        return true;
    }

    // Every slot after `after` that overlaps a node of radius r at p, by the
    // pair test's own arithmetic on its start position and radius, ascending.
    // A later node keeps both until it is stamped (see above), so the slots
    // left out are exactly those whose check would find no overlap.
    void later(int after, Vec2 p, float r, std::vector<int> &out) {
        out.clear();
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || start.back() == 0) return;
        double reach = (static_cast<double>(r) + maxRadius) * 1.01 + 2.0 +
                       1e-5 * (std::fabs(static_cast<double>(p.x)) + std::fabs(static_cast<double>(p.y)));
        if (reach < 0.0) return;
        int c0 = column(p.x - reach), c1 = column(p.x + reach);
        int r0 = row(p.y - reach), r1 = row(p.y + reach);
        // Each slot sits in one cell: mark them, then read the marks in
        // ascending order (cheaper than sorting when the cells are crowded),
        // only in the words that got a mark.
        // The cells c0..c1 of a row are next to each other, and so are their slots.
        unsigned long long words = 0;
        for (int j = r0; j <= r1; j++) {
            int from = start[static_cast<size_t>(c0 + nx * j)], to = start[static_cast<size_t>(c1 + nx * j) + 1];
            for (int k = from; k < to; k++) {
                int slot = slots[static_cast<size_t>(k)];
                const Place &at = places[static_cast<size_t>(k)];
                float overlap = approxDistance(p, at.position) - at.radius - r;
                unsigned long long later = (slot > after) & (overlap < 0.0f);
                marks[slot >> 6] |= later << (slot & 63);
                words |= later << (slot >> 6);
            }
        }
        for (; words; words &= words - 1) {
            int w = __builtin_ctzll(words);
            for (unsigned long long m = marks[w]; m; m &= m - 1) out.push_back(w * 64 + __builtin_ctzll(m));
            marks[w] = 0;
        }
    }

private:
    static constexpr int kMaxCells = 256;
    // Any index that never decreases as v grows finds every pair the reach
    // covers; the reciprocal spares a division.
    // Past the first test the cut toward zero is the floor.
    int index(double v, int n) const {
        double k = v * inverse;
        if (!(k >= 0.0)) return 0;
        return k >= n - 1 ? n - 1 : static_cast<int>(k);
    }
    int column(double x) const { return index(x - originX, nx); }
    int row(double y) const { return index(y - originY, ny); }

    float maxRadius = 0.0f;
    double originX = 0.0, originY = 0.0, cell = 1.0, inverse = 1.0;
    int nx = 1, ny = 1;
    struct Place {
        Vec2 position;
        float radius;
    };
    std::vector<int> start, slots;
    std::vector<Place> places;  // of each entry of slots
    int cellOfSlot[kNodeTableSize] = {};
    float radiusOfSlot[kNodeTableSize] = {};
    // One bit per slot, all clear between calls of later().
    unsigned long long marks[(kNodeTableSize + 63) / 64] = {};
    static_assert((kNodeTableSize + 63) / 64 <= 64, "a word of marks per bit of a 64-bit word");
};

CollisionBuckets collisionBuckets;

// N (slot i, at p with radius r) against M: the overlap push of one pair.
void collidePair(Node *N, Node *M, Vec2 p, float r, bool freeN, int pass) {
    Vec2 q = M->position();
    float d = approxDistance(p, q);
    float overlap = d - M->radius() - r;
    if (!(overlap < 0.0f)) return;
    float depth = -overlap;
    M->decomposeTouching(N, depth);
    N->decomposeTouching(M, depth);
    N->collisionStamp = pass;
    M->collisionStamp = pass;
    Vec2 dir = p - q;
    bool freeM = M->isFree();
    if (dir.isZero()) {
        float draw = randUnit();
        // Two bound nodes (a metanode's body) are pushed by neither: the draw
        // is still taken, the direction is not needed.
        if (!freeN && !freeM) return;
        float a = draw * 360.0f * (1.0f / 360.0f) * 6.28f;
        dir = Vec2(std::cos(a), std::sin(a));
    }
    if (!freeN && !freeM) return;
    float len = freeN && freeM ? depth / 2.0f : depth;
    dir = dir.withLength(len);
    if (freeN) N->force += dir;
    if (freeM) M->force -= dir;
}

}  // namespace

void relaxCollisions() {
    int pass = ++world.collisionPass;
    bool bucketed = world.fixNodeCollisions && collisionBuckets.build();
    int tableCount = world.nodeTableCount;
    static std::vector<int> partners;
    for (int i = 0; i < world.nodeTableEnd; i++) {
        Node *N = world.nodeTable[i];
        if (!N || N->dead) continue;
        bool freeN = N->isFree();
        Vec2 p = N->position();
        float r = N->radius();
        if (freeN && world.closedWorld) {
            float fx = std::fmax(0.0f, world.worldMinX - (p.x - r)) + std::fmin(0.0f, world.worldMaxX - (p.x + r));
            float fy = std::fmax(0.0f, world.worldMinY - (p.y - r)) + std::fmin(0.0f, world.worldMaxY - (p.y + r));
            N->force += Vec2(fx, fy);
            if (fx != 0.0f || fy != 0.0f) N->collisionStamp = pass;
        } else if (!insideMeta(N)) {
            if (p.x > world.worldMaxX)
                p.x = p.x - world.worldMaxX + world.worldMinX;
            else if (p.x < world.worldMinX)
                p.x = world.worldMaxX - (world.worldMinX - p.x);
            if (p.y > world.worldMaxY)
                p.y = p.y - world.worldMaxY + world.worldMinY;
            else if (p.y < world.worldMinY)
                p.y = world.worldMaxY - (world.worldMinY - p.y);
            N->setPosition(p.x, p.y);
        }
        if (!world.fixNodeCollisions || N->collisionStamp >= pass || i + 1 >= kNodeTableSize) continue;
        // A node made during the pass is not bucketed: check every pair from then on.
        if (bucketed && world.nodeTableCount != tableCount) bucketed = false;
        if (bucketed) {
            collisionBuckets.later(i, p, r, partners);
            for (int j : partners) {
                Node *M = world.nodeTable[j];
                if (!M || M->dead || M->collisionStamp == pass) continue;
                collidePair(N, M, p, r, freeN, pass);
            }
        } else {
            for (int j = i + 1; j < world.nodeTableEnd; j++) {
                Node *M = world.nodeTable[j];
                if (!M || M->dead || M->collisionStamp == pass) continue;
                collidePair(N, M, p, r, freeN, pass);
            }
        }
    }
    if (world.inertia) {
        applyForces(0.0f, 0.5f);
    } else {
        for (int i = 0; i < world.nodeTableEnd; i++) {
            Node *n = world.nodeTable[i];
            if (n && n->force.length() > 2.0f) n->force = n->force.withLength(2.0f);
        }
        applyForces(1.0f, 0.0f);
    }
}

void applyForces(float positionFactor, float velocityFactor) {
    for (int i = 0; i < world.nodeTableEnd; i++) {
        Node *n = world.nodeTable[i];
        if (!n) continue;
        Vec2 p = n->position() + n->force * positionFactor;
        Vec2 v = n->force * velocityFactor;
        if (world.inertia) {
            n->setPosition(p.x, p.y);
            n->push(v.x, v.y, -1.0f);
        } else {
            // push() would move the node by v from where it was just put:
            // every node keeps its place as given, so both moves go at once.
            n->setPosition(p.x + v.x, p.y + v.y);
        }
        n->force = Vec2();
    }
}
