#include "world/DonutNode.h"
#include "world/ColourVisitor.h"

#include <cmath>

#include "world/SimTime.h"
#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/NeighbourGrid.h"
#include "world/Painter.h"
#include "world/StateArchive.h"

DonutNode::DonutNode(float x, float y, int c, int idx) : TermNode(x, y, c, idx) {
    strength = 1.0f;
    donutInput = donutOutput = nodeColour;
    donutFactor = 0.5f;
    // The first one-to-one conversion of the colour, in input order.
    const ColorRule &r = rule();
    for (int a = 0; a < colorCount && a < kMaxColors; a++) {
        const Conversion &cv = r.conversion[a];
        if (!cv.defined || isColor(cv.partner) || isColor(cv.output2)) continue;
        donutInput = a;
        donutOutput = cv.output1;
        donutFactor = cv.factor1;
        break;
    }
}

float DonutNode::radius() {
    if (strength > 0.35f) return 32.0f;
    return static_cast<float>(strength * 91.42857142857143);
}

void DonutNode::addCollected(int c, int n) {
    (void)c;
    collectedTotal += n;
}

float DonutNode::insetAtEnd(int c) {
    (void)c;
    return radius();
}

float DonutNode::insetAtStart(int c) {
    (void)c;
    return radius() * donutFactor;
}

float DonutNode::insetUndirected(int c) {
    (void)c;
    return radius();
}

const float *DonutNode::colourRGB() { return colorTable[inTable(donutOutput) ? donutOutput : nodeColour].rgb; }

void DonutNode::update() {
    touchAtoms();
    setEdgeStrengths(0.7f);
    decayAndAge();
    integrate();
}

void DonutNode::touchAtoms() {
    float reach = radius();
    GridQuery<Atom> q;
    gridQuery(q, atomGrid, nodePosition.x, nodePosition.y, reach);
    while (Atom *a = gridQueryNextNear(q, reach, NearLengthUpTo)) {
        if ((a->position - nodePosition).length() > reach) continue;
        if (a->creatorId == id) continue;
        if (a->colour == donutInput) {
            convertInput(a);
            continue;
        }
        switch (relationKind(a->colour)) {
        case RelEats: feedOn(a); break;
        case RelInvigoratedBy:
            vigour += a->strength * vigour * 0.1f;
            if (vigour > 1.0f) vigour = 1.0f;
            break;
        default: a->pendingNode = id; break;
        }
    }
    gridQueryRelease(q);
}

void DonutNode::convertInput(Atom *atom) {
    float k = donutFactor;
    Vec2 p = position();
    bool canMake = inTable(donutOutput);
    if (k >= 1.0f) {
        atom->kill();
        int count = truncToCount(std::floor(k));
        if (count > kMaxReleasedAtoms) count = kMaxReleasedAtoms;
        for (int i = 0; canMake && i < count; i++) new Atom(p.x, p.y, donutOutput, id);
        return;
    }
    atom->holdBy(id);
    // 1 / 0 counts nothing: a factor of 0 holds its inputs and never releases.
    // A negative factor gives a negative m, so every input releases one output.
    if (k == 0.0f) return;
    int m = truncToCount(std::floor(1.0f / k));
    if (collectedTotal >= m) {
        killHeldAtoms(donutInput, m);
        if (canMake) new Atom(p.x, p.y, donutOutput, id);
    }
}

void DonutNode::draw(int pass, int flag) {
    (void)flag;
    if (!world.renderNodes || pass != 0) return;
    Painter &p = painter();
    float rad = radius();
    p.setColour(0.5f, 0.5f, 0.5f);
    p.circle(nodePosition.x, nodePosition.y, rad * strength, 0.0f);
    float w = 3.0f * strength;
    if (w < 1.0f) w = 1.0f;
    p.lineWidth(w);
    p.pointSize(w);
    const float *in = colorTable[inTable(donutInput) ? donutInput : nodeColour].rgb;
    p.setColour(in[0], in[1], in[2]);
    p.circle(nodePosition.x, nodePosition.y, rad, 0.0f);
    const float *out = colourRGB();
    p.setColour(out[0], out[1], out[2]);
    p.circle(nodePosition.x, nodePosition.y, rad * donutFactor, 0.0f);
    p.lineWidth(1.0f);
    p.pointSize(1.0f);
}

void DonutNode::drawHighlight() {
    Painter &p = painter();
    float rad = radius();
    float w = 3.0f * strength;
    if (w < 1.0f) w = 1.0f;
    w *= 4.0f;
    p.lineWidth(w);
    p.pointSize(w);
    const float *in = colorTable[inTable(donutInput) ? donutInput : nodeColour].rgb;
    p.setColour(in[0], in[1], in[2]);
    p.circle(nodePosition.x, nodePosition.y, rad + (clockTriangle(p.now(), 0.0f, 1.5f) + 1.0f) * 2.0f / p.zoom(), 0.0f);
    const float *out = colourRGB();
    p.setColour(out[0], out[1], out[2]);
    p.circle(nodePosition.x, nodePosition.y, rad * donutFactor, 0.0f);
    p.lineWidth(1.0f);
    p.pointSize(1.0f);
}

void DonutNode::visitColours(ColourVisitor &v) {
    TermNode::visitColours(v);
    v.referred(donutInput);
    v.worn(donutOutput);  // the colour it is drawn in
}

void DonutNode::archive(StateArchive &a) {
    TermNode::archive(a);
    a.value("input", donutInput);
    a.value("output", donutOutput);
    a.value("factor", donutFactor);
    a.value("collectedTotal", collectedTotal);
}
