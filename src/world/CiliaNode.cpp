#include "world/CiliaNode.h"

#include <cmath>

#include "world/SimTime.h"
#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/MetaNode.h"
#include "world/NeighbourGrid.h"
#include "world/AtomNearQuery.h"
#include "world/Painter.h"
#include "world/Saturate.h"
#include "world/StateArchive.h"

CiliaNode::CiliaNode(float x, float y, int c, int idx) : TermNode(x, y, c, idx) { strength = 0.75f; }

// Beat backwards from the node's heading with the given strength.
static void beat(CiliaNode *n, MetaNode *m, float length) {
    float a = n->angle();
    Vec2 back(std::cos(a + 3.14f), std::sin(a + 3.14f));
    Vec2 f = back.withLength(length);
    Vec2 p = n->position();
    m->applyThrust(p.x, p.y, f.x, f.y);
}

void CiliaNode::update() {
    MetaNode *c = container();
    int n = inhibition() - 1;
    if (n < 0) n = 0;
    setInhibition(n);
    if (c) beatCounter += 1;
    if (n == 0) {
        feelAtoms();
        swim();
    }
    decayAndAge();
    setEdgeStrengths(0.75f);
    if (!c) {
        integrate();
        return;
    }
    if (n == 0 && beatCounter > 30) {
        beatCounter = 0;
        beat(this, c, beatForce);
    }
}

void CiliaNode::feelAtoms() {
    MetaNode *c = container();
    float reach = radius();
    GridQuery<Atom> q;
    gridQuery(q, atomGrid, nodePosition.x, nodePosition.y, reach);
    while (Atom *a = gridQueryNextNear(q, reach, NearApproxUpTo)) {
        if (approxDistance(a->position, nodePosition) > reach) continue;
        if (a->creatorId == id) continue;
        int kind = relationKind(a->colour);
        if (kind == RelInvigoratedBy) {
            vigour += a->strength * vigour * 0.1f;
            if (vigour > 1.0f) vigour = 1.0f;
        } else if (kind == RelEats) {
            feedOn(a);
        }
        float affinity = relationAffinity(a->colour);
        if (affinity == 0.0f) continue;
        if (a->position == nodePosition) {
            a->kill();
            continue;
        }
        float length = vigour * a->strength * 5.0f;
        Vec2 v = ((a->position - nodePosition) * affinity).withLength(length);
        if (v.length() > 5.0f) v = v.withLength(5.0f);
        if (c) {
            beat(this, c, length);
            beatForce = length;
            beatCounter = 0;
        }
        swimVelocity += v;
        if (swimVelocity.length() > 5.0f) swimVelocity = swimVelocity.withLength(5.0f);
        a->kill();
    }
    gridQueryRelease(q);
}

void CiliaNode::swim() {
    float s = swimVelocity.length();
    if (s > 0.0f) {
        s = s - 0.001f;
        if (s > 0.0f)
            swimVelocity = swimVelocity.withLength(s);
        else
            swimVelocity = Vec2(0.0f, 0.0f);
    }
    swimSpeed = s;
    if (!container()) push(swimVelocity.x, swimVelocity.y, 5.0f);
}

void CiliaNode::receive(float x, float y, int c, int senderId, float amount) {
    (void)x;
    (void)y;
    (void)senderId;
    if (relationKind(c) == RelInhibitedBy) {
        int k = truncSaturating(20.0f * amount);
        setInhibition(inhibition() > k ? inhibition() : k);
        return;
    }
    MetaNode *m = container();
    if (relationAffinity(c) != 0.0f && m) {
        float length = amount * vigour * 5.0f;
        beat(this, m, length);
        beatForce = length;
        beatCounter = 0;
    }
}

void CiliaNode::draw(DrawPass pass, int flag) {
    if (!world.renderNodes || pass != PassNodes) return;
    drawCilia(false, flag == 0);
}

void CiliaNode::drawHighlight() { drawCilia(true, true); }

void CiliaNode::drawCilia(bool highlighted, bool withBody) {
    Painter &p = painter();
    const float *rgb = colourRGB();
    float rad = radius();
    if (withBody) {
        float bodyRadius = rad;
        if (highlighted) bodyRadius += (clockTriangle(p.now(), 0.0f, 1.5f) + 1.0f) * 2.0f / p.zoom();
        p.sphere(nodePosition.x, nodePosition.y, rgb, bodyRadius, 0.0f);
    }
    p.setColour(rgb[0], rgb[1], rgb[2]);

    float t = clockTriangle(world.simTime, 0.0f, 0.25f);
    float wiggle = (t * 80.0f - 40.0f) * (6.28f / 360.0f) * (swimSpeed * 0.2f + 0.2f);
    float w = 3.0f * strength;
    if (w < 1.0f) w = 1.0f;
    if (highlighted) w *= 4.0f;
    p.lineWidth(w);
    p.pointSize(w);

    const float offsets[3] = {-0.2616667f, 0.0f, 0.2616667f};
    const float lengths[3] = {12.0f, 15.0f, 12.0f};
    float a = angle();
    for (int i = 0; i < 3; i++) {
        float rim = a + offsets[i];
        float x1 = nodePosition.x + rad * std::cos(rim);
        float y1 = nodePosition.y + rad * std::sin(rim);
        float dir = rim + wiggle;
        p.line(x1, y1, x1 + lengths[i] * std::cos(dir), y1 + lengths[i] * std::sin(dir), 0.0f);
    }
    p.lineWidth(1.0f);
    p.pointSize(1.0f);
}

void CiliaNode::archive(StateArchive &a) {
    TermNode::archive(a);
    a.vec("swimVelocity", swimVelocity);
    a.value("swimSpeed", swimSpeed);
    a.value("beatForce", beatForce);
    a.value("beatCounter", beatCounter);
}
