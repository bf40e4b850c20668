#include "world/Selection.h"

#include "world/Node.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

void clearSelection() {
    for (Thing *t = world.thingList; t; t = t->next)
        if (!t->dead) t->selected = 0;
}

void killSelectionWith(Thing *t) {
    t->kill();
    if (!t->selected) return;
    for (Thing *o = world.thingList; o; o = o->next)
        if (o->selected && !o->dead) o->kill();
}

void highlightSelectionExcept(int id) {
    for (Thing *t = world.thingList; t; t = t->next)
        if (!t->dead && t->selected && t->id != id) t->drawHighlight();
}

namespace {
struct SelectVisitor : Visitor {
    bool value;
};
bool selectCallback(Visitor *v, Thing *t) {
    if (dynamic_cast<Node *>(t)) t->selected = static_cast<SelectVisitor *>(v)->value ? 1 : 0;
    return true;
}
}  // namespace

void selectComponent(Thing *t, bool value) {
    Node *n = dynamic_cast<Node *>(t);
    if (!n) return;
    SelectVisitor v;
    v.value = value;
    ComponentWalker spider(n, &v, selectCallback);
    spider.walk();
}

void dragNodes(int id, float dx, float dy, bool withSelection) {
    Node *n = findNode(id);
    if (!n) return;
    Vec2 p = n->position();
    n->moveTo(p.x + dx, p.y + dy);
    if (!withSelection || !n->selected) return;
    for (int i = 0; i < world.nodeTableEnd; i++) {
        Node *o = world.nodeTable[i];
        if (!o || o == n || o->dead || !o->selected) continue;
        Vec2 q = o->position();
        o->moveTo(q.x + dx, q.y + dy);
    }
}
