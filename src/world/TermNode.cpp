#include "world/TermNode.h"
#include "world/ColourVisitor.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "world/SimTime.h"
#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/NeighbourGrid.h"
#include "world/AtomNearQuery.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/Saturate.h"
#include "world/StateArchive.h"
#include "world/Walkers.h"

TermNode::TermNode(float x, float y, int c, int idx) : Node(idx) {
    nodePosition = Vec2(x, y);
    if (colorCount > 0) {
        // A colour beyond the declared ones wraps around; never negative.
        nodeColour = ((c % colorCount) + colorCount) % colorCount;
    } else {
        nodeColour = inTable(c) ? c : 0;
    }
    strength = rule().isStatic ? 1.0f : 0.8f;
}

ColorRule &TermNode::rule() const { return colorTable[inTable(nodeColour) ? nodeColour : 0]; }

bool TermNode::converts(const Atom *a) const {
    return !a->dead && inTable(a->colour) && rule().conversion[a->colour].defined;
}

int TermNode::relationKind(int c) const { return inTable(c) ? rule().relation[c].kind : RelNone; }

float TermNode::relationAffinity(int c) const { return inTable(c) ? rule().relation[c].affinity : 0.0f; }

static float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void TermNode::update() {
    int n = inhibition() - 1;
    if (n < 0) n = 0;
    setInhibition(n);
    ColorRule &r = rule();
    if (n == 0) {
        if (!r.isSterile) {
            float c = 0.1f * strength + emitChance;
            if (c > 1.0f) c = 1.0f;
            if (randUnit() < c) new Atom(nodePosition.x, nodePosition.y, nodeColour, id);
        }
        interactWithAtoms();
        processIntake();
    }
    if (!r.isStatic) decayAndAge();
    if (!container()) integrate();
}

void TermNode::decayAndAge() {
    ColorRule &r = rule();
    float s = strength;
    s = s - s * s * r.nodeDecayRate;
    strength = s;
    if (s < 0.03f) kill();
    float v = vigour;
    v = v - (1.05f - v) * (1.05f - v) * r.nodeAgeRate;
    vigour = v;
    if (v < 0.03f) {
        strength = strength - 0.2f * strength;
        if (strength < 0.03f) kill();
    }
}

void TermNode::ageBy(float rate) {
    vigour -= (1.05f - vigour) * (1.05f - vigour) * rate;
    if (vigour < 0.03f) {
        strength = strength * 0.8f;
        if (strength < 0.03f) kill();
    }
}

void TermNode::interactWithAtoms() {
    ColorRule &r = rule();
    float reach = radius() + 2.0f;
    if (MetaNode *m = container()) reach = m->radius() + 2.0f;

    GridQuery<Atom> q;
    gridQuery(q, atomGrid, nodePosition.x, nodePosition.y, reach);
    while (Atom *a = gridQueryNextNear(q, reach, NearApproxLess)) {
        float d = approxDistance(a->position, nodePosition);
        if (!(d < reach)) continue;

        bool counted = true;
        if (r.hasCaptureArc) {
            float half = r.captureArc / 2.0f;
            float lo = angle() - half;
            float hi = angle() + half;
            float theta = std::atan2(a->position.y - nodePosition.y, a->position.x - nodePosition.x);
            if (lo < 0.0f) lo += 6.28f;
            if (hi < 0.0f) hi += 6.28f;
            if (hi < lo) hi += 6.28f;
            if (theta < 0.0f) theta += 6.28f;
            counted = lo <= theta && theta <= hi;
        }

        if (counted && a->creatorId != id) {
            int ac = a->colour;
            switch (relationKind(ac)) {
            case RelEats: {
                if (world.discoverEdges) linkLastNode(a);
                float amount = a->strength * vigour / static_cast<float>(a->visitedCount + 1);
                strength += amount;
                if (strength > 1.0f) strength = 1.0f;
                a->rewardVisited(amount);
                a->kill();
                break;
            }
            case RelPoisonedBy: {
                float p = a->strength * 0.2f;
                strength -= p;
                if (strength < 0.03f) kill();
                ageBy(p);
                a->kill();
                break;
            }
            case RelCollects: {
                a->holdBy(id);
                int at = r.reproduceAt[ac];
                if (at != -1 && collected[ac] >= at) {
                    killHeldAtoms(ac, collected[ac]);
                    reproduce();
                }
                break;
            }
            case RelInvigoratedBy:
                vigour += 0.1f * a->strength * vigour;
                if (vigour > 1.0f) vigour = 1.0f;
                break;
            case RelInhibitedBy: {
                int k = truncSaturating(20.0f * a->strength);
                setInhibition(inhibition() > k ? inhibition() : k);
                break;
            }
            default: break;
            }
            if (!a->dead && a->colour != nodeColour && world.discoverEdges) linkLastNode(a);
            // Most colours convert nothing: settled here without the call.
            if (converts(a)) convertAtom(a);
        }

        a->markVisited(id);
        if (d < 3.0f) a->pendingNode = id;
    }
    gridQueryRelease(q);
}

void TermNode::linkLastNode(Atom *atom) {
    if (!atom) return;
    Node *last = findNode(atom->lastNodeId);
    if (!last) return;
    int c = world.coloredEdges ? atom->colour : -1;
    bool directed = world.directedEdges != 0;
    // createEdge refuses a loop, so an atom last seen here makes no edge.
    if (drovanRand() & 1)
        createEdge(last, this, 0.0f, directed, c);
    else
        createEdge(this, last, 0.0f, directed, c);
}

bool TermNode::convertAtom(Atom *atom) {
    if (!atom || !converts(atom)) return false;
    const Conversion &cv = rule().conversion[atom->colour];

    Atom *partner = nullptr;
    if (cv.partner != -1) {
        if (!inTable(cv.partner) || collected[cv.partner] <= 0) return false;
        // The input itself never doubles as its own partner.
        for (Thing *t = world.thingList; t; t = t->next) {
            if (t->dead || t == atom) continue;
            Atom *h = asAtom(t);
            if (!h || h->state != AtomHeld || h->holderId != id || h->colour != cv.partner) continue;
            if (!partner || h->strength > partner->strength) partner = h;
        }
    }

    float base = atom->strength * vigour;
    if (partner) base = (partner->strength + atom->strength * vigour) * 0.5f;

    const int outputs[2] = {cv.output1, cv.output2};
    const float factors[2] = {cv.factor1, cv.factor2};
    for (int i = 0; i < 2; i++) {
        if (outputs[i] == -1 || !inTable(outputs[i])) continue;
        Atom *made = new Atom(nodePosition.x, nodePosition.y, outputs[i], id);
        made->strength = clamp01(base * factors[i]);
        made->copyVisited(atom);
        if (partner) made->copyVisited(partner);
    }
    atom->kill();
    if (partner) partner->kill();
    return true;
}

void TermNode::processIntake() {
    ColorRule &r = rule();
    // Most steps bring nothing: the bits of two entries at a time, signs
    // aside (-0 is nothing too), settle that.
    static_assert(kMaxColors % 2 == 0, "whole pairs of entries");
    unsigned long long pairs[kMaxColors / 2], bits = 0;
    std::memcpy(pairs, intake, sizeof pairs);
    for (unsigned long long p : pairs) bits |= p;
    bool any = (bits & 0x7FFFFFFF7FFFFFFFull) != 0;
    for (int c = 0; any && c < kMaxColors; c++) {
        if (intake[c] == 0.0f) continue;
        switch (relationKind(c)) {
        case RelEats:
            strength += vigour;
            if (strength > 1.0f) strength = 1.0f;
            intake[c] = 0.0f;
            break;
        case RelPoisonedBy:
            strength -= 0.2f;
            if (strength < 0.03f) kill();
            ageBy(0.2f);
            intake[c] = 0.0f;
            break;
        case RelCollects:
            if (r.reproduceAt[c] != -1 && static_cast<float>(r.reproduceAt[c]) <= intake[c]) {
                intake[c] = 0.0f;
                reproduce();
            }
            break;
        case RelInvigoratedBy:
            vigour += 0.1f * vigour;
            if (vigour > 1.0f) vigour = 1.0f;
            intake[c] = 0.0f;
            break;
        case RelInhibitedBy:
            if (inhibition() < 20) setInhibition(20);
            intake[c] = 0.0f;
            break;
        default:
            convertIntake(c, intake[c]);
            intake[c] = 0.0f;
            break;
        }
    }

    int signals = r.signalCount < kMaxSenses ? r.signalCount : kMaxSenses;
    for (int s = 0; s < signals; s++) {
        const SenseRule &sig = r.signal[s];
        int cursor = 0;
        while (Edge *e = nextAttachedEdge(cursor)) {
            Node *other = e->otherEnd(nodeIndex);
            if (other && inTable(sig.output))
                other->receive(nodePosition.x, nodePosition.y, sig.output, id, sig.factor);
            e->strength = 1.0f;
        }
    }
}

bool TermNode::convertIntake(int c, float amount) {
    (void)amount;
    if (!inTable(c)) return false;
    const Conversion &cv = rule().conversion[c];
    if (!cv.defined) return false;
    if (cv.partner != -1) {
        if (!inTable(cv.partner) || !(intake[cv.partner] > 0.0f)) return false;
        intake[cv.partner] = 0.0f;
    }
    int cursor = 0;
    while (Edge *e = nextAttachedEdge(cursor)) {
        Node *other = e->otherEnd(nodeIndex);
        if (cv.output1 != -1) {
            if (other && inTable(cv.output1)) other->receive(nodePosition.x, nodePosition.y, cv.output1, id, 1.0f);
            e->strength = 1.0f;
        }
        if (cv.output2 != -1) {
            if (other && inTable(cv.output2)) other->receive(nodePosition.x, nodePosition.y, cv.output2, id, 1.0f);
            e->strength = 1.0f;
        }
    }
    return true;
}

void TermNode::decomposeTouching(Node *other, float depth) {
    if (!other) return;
    int c = other->colour();
    if (!isColor(c) || !inTable(c)) return;
    const Decomposition &dec = rule().decomposition[c];
    if (!dec.defined) return;
    if (!(other->strength < strength)) return;

    // A node of size 0 has radius 0: a is infinite and kills it, and the
    // endless count of atoms that follows is cut at kMaxReleasedAtoms.
    float a = depth / other->radius();
    other->strength -= a;
    if (other->strength < 0.0f) other->kill();

    float n = a * dec.factor;
    if (!inTable(dec.output)) return;
    Vec2 p = other->position();
    for (int made = 0; n > 0.0f && made < kMaxReleasedAtoms; made++) {
        Atom *atom = new Atom(p.x, p.y, dec.output, other->id);
        if (n < 1.0f) atom->strength = n;
        n = n - 1.0f;
    }
}

void TermNode::reproduce() {
    if (MetaNode *m = container()) {
        m->duplicate(false);
        if (m->slotInstances() > 60) m->strength = 0.0f;
        return;
    }
    ComponentWalker spider(this, nullptr, nullptr);
    GraphReplicator replicator(&spider);
    replicator.setFactors(0.7f, 0.3f);
    replicator.replicate();
}

void TermNode::enforceValence() {
    int v = rule().valence;
    if (v == -1) v = world.maxEdges;
    if (v == -1) return;
    int excess = inDegree + outDegree + undirectedDegree - v;
    for (int i = 0; i < excess; i++) {
        int before = inDegree + outDegree + undirectedDegree;
        dropWeakestEdge();
        // Degrees of edges outside the matrix cannot be dropped; stop instead of spinning.
        if (inDegree + outDegree + undirectedDegree == before) break;
    }
}

void TermNode::addCollected(int c, int n) {
    if (inTable(c)) collected[c] += n;
}

const float *TermNode::colourRGB() { return rule().rgb; }

float TermNode::radius() { return scale() * rule().size * strength * 32.0f; }

bool TermNode::isMovable() { return !rule().isStatic; }

bool TermNode::isFree() { return !rule().isStatic && !container(); }

Node *TermNode::duplicate(bool randomColour) {
    int c = nodeColour;
    if (randomColour) {
        if (colorCount <= 0) return nullptr;
        c = randomNodeColor();
        if (c == -1) return nullptr;
    }
    Node *n = createNode(nodePosition.x, nodePosition.y, c);
    if (!n) return nullptr;
    n->setAngle(angle());
    n->strength = strength;
    return n;
}

void TermNode::draw(DrawPass pass, int flag) {
    if (!world.renderNodes || pass != PassNodes) return;
    Painter &p = painter();
    ColorRule &r = rule();
    float rad = radius();
    if (flag == 0) {
        p.sphere(nodePosition.x, nodePosition.y, r.rgb, rad, 0.0f);
        p.setColour(r.rgb[0], r.rgb[1], r.rgb[2]);
        float w = 3.0f * strength;
        if (w < 1.0f) w = 1.0f;
        p.lineWidth(w);
        p.pointSize(w);
    }
    if (r.hasCaptureArc) {
        float half = r.captureArc / 2.0f;
        const float sides[2] = {angle() - half, angle() + half};
        for (float b : sides) {
            float cx = std::cos(b), cy = std::sin(b);
            float x1 = nodePosition.x + rad * cx, y1 = nodePosition.y + rad * cy;
            p.line(x1, y1, x1 + 12.0f * cx, y1 + 12.0f * cy, 0.0f);
        }
    }
    p.lineWidth(1.0f);
    p.pointSize(1.0f);
}

void TermNode::drawHighlight() {
    Painter &p = painter();
    const float *rgb = rule().rgb;
    p.setColour(rgb[0], rgb[1], rgb[2]);
    float w = 3.0f * strength;
    if (w < 1.0f) w = 1.0f;
    p.lineWidth(w);
    float rad = radius() + (clockTriangle(p.now(), 0.0f, 1.5f) + 1.0f) * 2.0f / p.zoom();
    p.circle(nodePosition.x, nodePosition.y, rad, 0.0f);
    p.lineWidth(1.0f);
}

void TermNode::drawInfo() {
    Painter &p = painter();
    ColorRule &r = rule();
    float zoom = p.zoom();
    float base = baseRadius();
    float off = base / zoom + base + 16.0f;
    if (off < 20.0f) off = 20.0f;
    float lx = nodePosition.x + off;
    float ly = nodePosition.y;
    float step = 56.0f / zoom;
    if (step < 8.0f) step = 8.0f;

    float t = clockTriangle(p.now(), 0.0f, 1.2f);
    float col[3];
    for (int i = 0; i < 3; i++) col[i] = r.rgb[i] + (0.5f - r.rgb[i]) * t;
    p.setColour(col[0], col[1], col[2]);
    p.worldText(std::trunc(lx), std::trunc(ly), r.name);
    ly += step;

    if (r.descriptionLineCount > 0) {
        p.setColour(0.25f, 0.25f, 0.25f);
        for (int i = 0; i < r.descriptionLineCount; i++) {
            const char *line = r.descriptionLine(i);
            if (line) p.worldText(std::trunc(lx), std::trunc(ly), line);
            ly += step;
        }
    }
    ly += step;

    float x = nodePosition.x - p.labelOriginX(), y = nodePosition.y - p.labelOriginY();
    char text[128];
    snprintf(text, sizeof text, "X=%3.0f Y=%3.0f Angle = %3.2f", x, y, angle() * 0.1592356687898089 * 360);
    p.worldText(std::trunc(lx), std::trunc(ly), text);
}

void TermNode::visitColours(ColourVisitor &v) {
    Node::visitColours(v);
    v.worn(nodeColour);
    v.perColour(collected);
}

void TermNode::archive(StateArchive &a) {
    Node::archive(a);
    a.vec("position", nodePosition);
    a.value("emitChance", emitChance);
    a.value("colour", nodeColour);
    for (int &n : collected) a.value("collected", n);
}
