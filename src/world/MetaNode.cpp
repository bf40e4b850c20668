#include "world/MetaNode.h"

#include <cmath>
#include <deque>
#include <vector>

#include "world/SimTime.h"
#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Edge.h"
#include "world/Pattern.h"
#include "world/NeighbourGrid.h"
#include "world/Painter.h"
#include "world/StateArchive.h"
#include "world/TermNode.h"

namespace {

constexpr int kMaxRecords = 10;

// Saved local frames of a body's nodes while they act in world coordinates.
// Sized to the body on every tick; one set per nesting level so a tick can
// never overwrite another tick's saved frames.
struct BodyScratch {
    std::vector<Vec2> position;
    std::vector<float> angle;
    std::vector<unsigned char> saved;
    std::vector<Node *> sensing;
};
std::deque<BodyScratch> scratchPool;
size_t scratchDepth = 0;

struct ScratchLease {
    BodyScratch *s;
    ScratchLease() {
        if (scratchPool.size() <= scratchDepth) scratchPool.emplace_back();
        s = &scratchPool[scratchDepth++];
    }
    ~ScratchLease() { scratchDepth--; }
    ScratchLease(const ScratchLease &) = delete;
    ScratchLease &operator=(const ScratchLease &) = delete;
};

// Weight of a sensed point seen by a sensing node with a capture arc; false when
// the point lies outside the arc. Without an arc the weight stays 1.
bool arcWeight(Node *s, float mx, float my, float px, float py, float &w) {
    w = 1.0f;
    int c = s->colour();
    if (!isColor(c) || !colorTable[c].hasCaptureArc) return true;
    float h = colorTable[c].captureArc / 2.0f;
    float t0 = wrapAngle(s->angle() - h);
    float t1 = wrapAngle(s->angle() + h);
    float beta = std::atan2(py - my, px - mx);
    if (t1 < t0) {
        t1 += kTurn;
        beta += kTurn;
    }
    if (beta < 0.0f) beta += kTurn;
    if (!(t0 <= beta && beta <= t1)) return false;
    if (h > 0.0f) w = 1.0f - std::fabs(beta - (t0 + h)) / h;
    return true;
}

// Send an amount along every live edge the sensing node keeps.
void sendAlongEdges(Node *s, int output, float amount) {
    Vec2 sp = s->position();
    int cursor = 0;
    while (Edge *e = s->nextAttachedEdge(cursor)) {
        int other = e->fromIndex != s->nodeIndex ? e->fromIndex : e->toIndex;
        Node *n = nodeAt(other);
        if (!n) continue;
        n->receive(sp.x, sp.y, output, s->id, amount);
        e->strength = 1.0f;
    }
}

void addThingRecord(Pattern *b, int input, int output, float factor, int thingId, int nodeIndex) {
    if (b->thingRecordCount >= kMaxRecords) return;
    b->thingRecords[b->thingRecordCount++] = {input, output, factor, thingId, nodeIndex};
}

void addCellRecord(Pattern *b, int input, int output, float factor, int nodeIndex, float x, float y) {
    if (b->cellRecordCount >= kMaxRecords) return;
    b->cellRecords[b->cellRecordCount++] = {input, output, factor, nodeIndex, x, y};
}

}  // namespace

MetaNode::MetaNode(float x, float y, Pattern *slotPattern, int idx) : Node(idx) {
    metaPosition = Vec2(x, y);
    if (!slotPattern) return;
    body = slotPattern->instantiate(0.1f);
    patternIndex = slotPattern->patternIndex;
    if (!body) return;
    for (int i = 0; i < body->nodeCount; i++)
        if (body->nodes[i]) body->nodes[i]->containerNode = this;
    for (int j = 0; j < body->edgeCount; j++)
        if (body->edges[j]) body->edges[j]->containerNode = this;
    bodyRadius = body->patternRadius;
    slotPattern->addInstances(1);
    body->addInstances(1);
}

MetaNode::~MetaNode() {
    // Normally kill has already handed the body to the world; a metanode
    // destroyed alive must not leave its body acting on its own.
    if (body) body->kill();
}

MetaNode *MetaNode::make(float x, float y, Pattern *slotPattern, int idx) {
    if (!slotPattern || idx < 0 || idx >= kNodeTableSize || world.nodeTable[idx]) return nullptr;
    MetaNode *m = new MetaNode(x, y, slotPattern, idx);
    if (!m->body) {
        delete m;
        return nullptr;
    }
    return m;
}

MetaNode *placeMetaNode(int slot, float x, float y) {
    Pattern *p = patternSlot(slot);
    if (!p || p->nodeCount <= 0) return nullptr;
    int i = firstFreeNodeSlot();
    if (i < 0) return nullptr;
    return MetaNode::make(x, y, p, i);
}

void MetaNode::update() {
    integrate();
    float a = angle();
    if (a > 6.28f)
        a = a - 6.28f;
    else if (a < 0.0f)
        a = a + 6.28f;
    setAngle(a);
    bodyTick(metaPosition.x, metaPosition.y, a);
    if (!body || body->dead || strength < 0.05f) kill();
    if (body) bodyRadius = body->patternRadius;
}

void MetaNode::bodyTick(float x, float y, float a) {
    Pattern *b = body;
    if (!b) return;
    ScratchLease lease;
    BodyScratch &s = *lease.s;
    size_t n = b->nodeCount > 0 ? static_cast<size_t>(b->nodeCount) : 0;
    s.position.assign(n, Vec2());
    s.angle.assign(n, 0.0f);
    s.saved.assign(n, 0);

    b->patternRadius = 0.0f;
    int empty = 0;
    for (size_t i = 0; i < n; i++) {
        Node *node = b->nodes[i];
        if (!node) {
            empty++;
            continue;
        }
        Vec2 p = node->position();
        float an = node->angle();
        s.position[i] = p;
        s.angle[i] = an;
        s.saved[i] = 1;
        node->setAngle(an + a);
        float r = std::hypot(p.x, p.y);
        float theta = std::atan2(p.y, p.x) + a;
        node->setPosition(x + r * std::cos(theta), y + r * std::sin(theta));
    }

    b->tickCounter += 1;
    if (b->tickCounter == b->tickPeriod) {
        b->tickCounter = 0;
        sensingPass();
    } else {
        reactionPass();
    }
    feedingPass();

    for (size_t i = 0; i < n; i++) {
        Node *node = b->nodes[i];
        if (node && !node->dead) node->update();
    }

    for (size_t i = 0; i < n; i++) {
        if (!s.saved[i]) continue;
        Node *node = b->nodes[i];
        if (!node) continue;
        node->setPosition(s.position[i].x, s.position[i].y);
        node->setAngle(s.angle[i]);
        if (node->dead) {
            b->nodes[i] = nullptr;
            continue;
        }
        float r = std::hypot(s.position[i].x, s.position[i].y);
        if (r > b->patternRadius) b->patternRadius = r;
    }

    for (int j = 0; j < b->edgeCount; j++) {
        Edge *e = b->edges[j];
        if (!e) continue;
        if (!e->dead) e->update();
        if (e->dead) b->edges[j] = nullptr;
    }

    // The body has fallen apart when a third or more of its entries are empty.
    if (b->nodeCount <= 0 || empty * 3 >= b->nodeCount) b->kill();
}

float MetaNode::senseRadius() {
    if (world.aggregateGrid) return 35.0f * AggregateGrid::kCellW;
    float r = radius();
    float reach = 15.0f * r;
    if (reach > 500.0f) reach = 500.0f;
    return reach + 2.0f * r;
}

float MetaNode::cellSenseRadius() { return 20.0f * AggregateGrid::kCellW; }

void MetaNode::sensingPass() {
    Pattern *b = body;
    if (!b) return;
    std::vector<Node *> sensing;
    sensing.reserve(static_cast<size_t>(b->nodeCount > 0 ? b->nodeCount : 0));
    for (int i = 0; i < b->nodeCount; i++) {
        Node *n = b->nodes[i];
        if (!n || n->dead) continue;
        int c = n->colour();
        if (!isColor(c) || colorTable[c].senseCount <= 0 || n->inhibition() != 0) continue;
        sensing.push_back(n);
    }
    if (sensing.empty()) return;
    b->thingRecordCount = 0;
    b->cellRecordCount = 0;

    const int slot = patternIndex;
    const int slotSenses = slotSenseCount(slot);
    const float x = metaPosition.x, y = metaPosition.y;

    GridQuery<Node> q;
    gridQuery(q, nodeGrid, x, y, senseRadius());
    while (b->thingRecordCount < kMaxRecords) {
        Node *t = gridQueryNext(q);
        if (!t) break;
        if (t == this || t->container() == this) continue;
        int tc = t->colour();
        MetaNode *tm = t->container();
        for (Node *s : sensing) {
            const ColorRule &r = colorTable[s->colour()];
            int count = r.senseCount < kMaxSenses ? r.senseCount : kMaxSenses;
            for (int k = 0; k < count; k++)
                if (r.sense[k].source == tc)
                    addThingRecord(b, r.sense[k].source, r.sense[k].output, r.sense[k].factor, t->id, s->nodeIndex);
            for (int k = 0; k < slotSenses; k++) {
                const SlotRule *e = slotSense(slot, k);
                if (!e) continue;
                if (e->input >= 100) {
                    if (e->input - 100 == tc) addThingRecord(b, e->input, e->output, e->factor, t->id, s->nodeIndex);
                } else if (tm && tm->patternIndex == e->input) {
                    addThingRecord(b, e->input, e->output, e->factor, tm->id, s->nodeIndex);
                }
            }
        }
    }
    gridQueryRelease(q);

    AggregateGrid *g = world.aggregateGrid;
    if (!g) return;
    CellWalk w;
    cellWalk(w, x, y, cellSenseRadius());
    float px = 0.0f, py = 0.0f;
    while (b->cellRecordCount < kMaxRecords && cellWalkNext(w, px, py)) {
        int ci = 0, cj = 0;
        if (!g->cellOf(px, py, ci, cj) || g->cellEmpty(ci, cj)) continue;
        for (Node *s : sensing) {
            const ColorRule &r = colorTable[s->colour()];
            int count = r.senseCount < kMaxSenses ? r.senseCount : kMaxSenses;
            for (int k = 0; k < count; k++)
                if (g->read(r.sense[k].source, px, py) > 0.0f)
                    addCellRecord(b, r.sense[k].source, r.sense[k].output, r.sense[k].factor, s->nodeIndex, px, py);
            for (int k = 0; k < slotSenses; k++) {
                const SlotRule *e = slotSense(slot, k);
                if (!e || e->input < 100) continue;
                if (g->read(e->input - 100, px, py) > 0.0f)
                    addCellRecord(b, e->input - 100, e->output, e->factor, s->nodeIndex, px, py);
            }
        }
    }
}

void MetaNode::reactionPass() {
    Pattern *b = body;
    if (!b) return;
    const float x = metaPosition.x, y = metaPosition.y;
    const float R = senseRadius();
    for (int k = 0; k < b->thingRecordCount && k < kMaxRecords; k++) {
        const Pattern::ThingRecord &rec = b->thingRecords[k];
        Node *sensed = findNode(rec.thingId);
        Node *s = nodeAt(rec.nodeIndex);
        if (!sensed || sensed->dead || !s) continue;
        Vec2 p = sensed->position();
        MetaNode *holder = sensed->container();
        if (holder) p += holder->position();
        float d = approxDistance(p.x - x, p.y - y);
        if (d > R) d = R;
        float w = 1.0f;
        if (!arcWeight(s, x, y, p.x, p.y, w)) continue;
        if (!holder) w = std::fmin(2.0f * w, 1.0f);
        sendAlongEdges(s, rec.output, (1.0f - d / R) * rec.factor * w);
    }

    AggregateGrid *g = world.aggregateGrid;
    if (!g) return;
    const float R2 = cellSenseRadius();
    for (int k = 0; k < b->cellRecordCount && k < kMaxRecords; k++) {
        const Pattern::CellRecord &rec = b->cellRecords[k];
        if (!(g->read(rec.input, rec.x, rec.y) > 0.0f)) continue;
        Node *s = nodeAt(rec.nodeIndex);
        if (!s) continue;
        float d = approxDistance(rec.x - x, rec.y - y);
        float w = 1.0f;
        if (!arcWeight(s, x, y, rec.x, rec.y, w)) continue;
        w = std::fmin(3.0f * w, 1.0f);
        sendAlongEdges(s, rec.output, (1.0f - d / R2) * rec.factor * w);
    }
}

void MetaNode::feedingPass() {
    Pattern *b = body;
    AggregateGrid *g = world.aggregateGrid;
    if (!b || !g) return;
    const float x = metaPosition.x, y = metaPosition.y;
    int ci = 0, cj = 0;
    if (!g->cellOf(x, y, ci, cj) || g->cellEmpty(ci, cj)) return;
    for (int c = 0; c < g->layerCount() && c < kMaxColors; c++) {
        if (!(g->read(c, x, y) > 0.0f)) continue;
        for (int i = 0; i < b->nodeCount; i++) {
            Node *s = b->nodes[i];
            if (!s || s->dead || s->inhibition() != 0) continue;
            float A = g->read(c, x, y);
            if (A <= 0.0f) break;
            float rest = A - 0.1f;
            if (rest < 0.0f) rest = 0.0f;
            int sc = s->colour();
            int kind = isColor(sc) ? colorTable[sc].relation[c].kind : RelNone;
            switch (kind) {
            case RelEats:
                s->strength += A * b->vigour * 0.5f;
                if (s->strength > 1.0f) s->strength = 1.0f;
                g->write(c, x, y, rest);
                break;
            case RelPoisonedBy:
                s->strength -= 0.2f;
                if (s->strength < 0.03f) s->kill();
                if (TermNode *t = dynamic_cast<TermNode *>(s)) t->ageBy(0.2f);
                g->write(c, x, y, rest);
                break;
            case RelCollects:
                // A collecting body node records the colour it collected.
                s->intake[c] += 1.0f;
                g->write(c, x, y, rest);
                break;
            case RelInvigoratedBy:
                s->vigour += b->vigour * 0.1f;
                if (s->vigour > 1.0f) s->vigour = 1.0f;
                g->write(c, x, y, rest);
                break;
            case RelInhibitedBy:
                s->setInhibition(s->inhibition() > 20 ? s->inhibition() : 20);
                g->write(c, x, y, rest);
                break;
            default:
                if (s->convertIntake(c, 1.0f)) g->write(c, x, y, rest);
                break;
            }
        }
    }
}

void MetaNode::applyThrust(float px, float py, float fx, float fy) {
    if (fx == 0.0f && fy == 0.0f) return;
    int n = body ? body->nodeCount : 0;
    float r = radius();
    float inertia = r * r * static_cast<float>(n) * 0.4f;
    Vec2 p = position();
    float lx = p.x - px, ly = p.y - py;
    float leverAngle = std::atan2(ly, lx);
    float forceAngle = std::atan2(fy, fx);
    float tau = std::sqrt(lx * lx + ly * ly) * std::sqrt(fx * fx + fy * fy) * std::sin(leverAngle - forceAngle) *
                0.245f / inertia;
    // An empty or zero-sized body has no inertia to turn: no torque then.
    if (!std::isfinite(leverAngle) || !std::isfinite(forceAngle) || !std::isfinite(tau)) tau = 0.0f;
    turn(tau, -1.0f);
    push(0.7f * fx, 0.7f * fy, 10.0f);
}

void MetaNode::decomposeTouching(Node *other, float depth) {
    (void)depth;
    if (!body || !other || other->patternIndex < 0) return;
    const int slot = patternIndex;
    const int count = slotDecomposeCount(slot);
    for (int k = 0; k < count; k++) {
        const SlotRule *e = slotDecompose(slot, k);
        if (!e || e->input != other->patternIndex) continue;
        if (!body) return;
        for (int i = 0; i < body->nodeCount; i++) {
            Node *n = body->nodes[i];
            if (n && !n->dead) n->receive(0.0f, 0.0f, e->output, 0, e->factor);
        }
        float s = other->strength - 0.1f;
        if (s < 0.0f) {
            s = 0.0f;
        } else if (slotGrasps(slot)) {
            int cursor = 0;
            if (!nextAttachedEdge(cursor)) createEdge(this, other, 0.0f, true, -1);
        }
        other->setStrength(s);
    }
}

Node *MetaNode::duplicate(bool randomColour) {
    (void)randomColour;
    int n = world.nodeTableCount;
    int i = firstFreeNodeSlot();
    Pattern *p = patternSlot(patternIndex);
    if (i < 0 || !p || !(p->nodeCount + n + 1 < kNodeTableSize)) return nullptr;
    return make(metaPosition.x, metaPosition.y, p, i);
}

void MetaNode::kill() {
    if (dead) return;  // a second kill must not count the instance off twice
    if (Pattern *p = patternSlot(patternIndex)) p->addInstances(-1);
    if (body) {
        body->kill();
        body = nullptr;
    }
    markDead();
}

void MetaNode::thingRemoved(const Thing *gone) {
    Node::thingRemoved(gone);
    if (body && body->id == gone->id) {
        body = nullptr;
        kill();
    }
}

int MetaNode::slotInstances() {
    Pattern *p = patternSlot(patternIndex);
    return p ? p->instances() : 0;
}

const float *MetaNode::colourRGB() {
    static const float black[3] = {0.0f, 0.0f, 0.0f};
    return body ? body->bodyColour() : black;
}

void MetaNode::draw(DrawPass pass, int flag) {
    (void)flag;
    if (pass == PassNodes) drawBody(false);
}

void MetaNode::drawHighlight() { drawBody(true); }

void MetaNode::drawInfo() {
    Painter &p = painter();
    float r = baseRadius();
    float off = r / p.zoom() + r + 16.0f;
    if (off < 20.0f) off = 20.0f;
    float lx = static_cast<float>(static_cast<int>(metaPosition.x + off));
    float ly = static_cast<float>(static_cast<int>(metaPosition.y));
    p.setColour(0.0f, 0.0f, 0.0f);
    p.worldText(lx, ly, "Metanode");
}

void MetaNode::drawBody(bool highlighted) {
    Pattern *b = body;
    if (!b) return;
    const float x = metaPosition.x, y = metaPosition.y, a = angle();
    for (int i = 0; i < b->nodeCount; i++) {
        Node *node = b->nodes[i];
        if (!node) continue;
        Vec2 p = node->position();
        float an = node->angle();
        node->setAngle(an + a);
        float r = std::hypot(p.x, p.y);
        float theta = std::atan2(p.y, p.x) + a;
        node->setPosition(x + r * std::cos(theta), y + r * std::sin(theta));
        node->draw(PassNodes, 1);
        node->setPosition(p.x, p.y);
        node->setAngle(an);
    }
    Painter &pt = painter();
    const float *rgb = slotColour(patternIndex);
    float radius = b->patternRadius;
    if (highlighted) radius += (clockTriangle(pt.now(), 0.0f, 1.5f) + 1.0f) * 2.0f / pt.zoom();
    pt.sphere(x, y, rgb, radius, 0.0f);
    pt.setColour(rgb[0], rgb[1], rgb[2]);
}

void MetaNode::archive(StateArchive &a) {
    Node::archive(a);
    a.link("body", body);
    a.vec("position", metaPosition);
    a.value("bodyRadius", bodyRadius);
}
