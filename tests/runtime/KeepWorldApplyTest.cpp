// "Apply and keep the world": new rules over a living world, colours matched
// by name, nothing changed when a colour in use would vanish.

#include "batch/BatchRunner.h"
#include "rules/RulesListing.h"
#include "runtime/KeepWorldApply.h"
#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "support/TextCapture.h"
#include "world/AggregateGrid.h"
#include "world/Atom.h"
#include "world/DonutNode.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Node.h"
#include "world/Pattern.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

namespace {

// The bundled world with a donut, two metanodes and a few hundred steps behind it.
std::string livingWorld() {
    std::string text = readFile(kBundled + "/logic.txt") +
                       "Mill is 0.5 0.5 0.5\nMill converts Sun to Leaf\nMill is donut\nMill node at 1500.0 1500.0\n"
                       "Hunter node at 1700.0 1700.0\nFin senses Sun to Fin * 0.1\nrender atom_aggregates 1\n";
    ScratchFolder scratch;
    setWalkerTraceStream(nullptr);
    setRandState(1);
    world.nextId = world.stepCount = world.stepBudget = 0;
    FILE *quiet = std::fopen("/dev/null", "w");
    startWorld(scratch.write("logic.txt", text), kBundled, StartupHooks(), quiet);
    std::fclose(quiet);
    placeMetaNode(0, 1560.0f, 1250.0f);
    placeMetaNode(1, 2200.0f, 1000.0f);
    for (int i = 0; i < 200; i++) stepWorldNow();
    return text;
}

std::string nameOf(int c) { return c >= 0 && c < colorCount ? colorTable[c].name : "#" + std::to_string(c); }

// Every thing as its colours' names tell it, and the density of each colour by name.
std::map<std::string, std::string> byName() {
    std::map<std::string, std::string> seen;
    auto describe = [&](Thing *t, const std::string &where) {
        std::ostringstream s;
        if (auto *a = dynamic_cast<Atom *>(t)) s << "atom " << nameOf(a->colour);
        if (auto *e = dynamic_cast<Edge *>(t)) s << "edge " << nameOf(e->edgeColour);
        if (auto *n = dynamic_cast<Node *>(t)) {
            const float *rgb = n->colourRGB();
            s << "node " << nameOf(n->colour()) << " rgb " << rgb[0] << "," << rgb[1] << "," << rgb[2];
            for (int c = 0; c < kMaxColors; c++)
                if (n->intake[c] != 0.0f) s << " intake " << nameOf(c) << "=" << n->intake[c];
        }
        if (auto *n = dynamic_cast<TermNode *>(t))
            for (int c = 0; c < kMaxColors; c++)
                if (n->collected[c]) s << " holds " << nameOf(c) << "=" << n->collected[c];
        if (auto *d = dynamic_cast<DonutNode *>(t)) s << " converts " << nameOf(d->donutInput);
        if (auto *p = dynamic_cast<Pattern *>(t)) {
            for (int k = 0; k < p->thingRecordCount; k++) s << " sends " << nameOf(p->thingRecords[k].output);
            for (int k = 0; k < p->cellRecordCount; k++)
                s << " senses " << nameOf(p->cellRecords[k].input) << " sends " << nameOf(p->cellRecords[k].output);
        }
        seen[where + std::to_string(t->id) + (t->dead ? " dead" : "")] = s.str();
    };
    for (Thing *t = world.thingList; t; t = t->next) describe(t, "");
    for (int s = 0; s < kPatternSlots; s++)
        if (Pattern *p = patternSlot(s))
            for (int i = 0; i < p->nodeCount; i++)
                if (p->nodes[i]) describe(p->nodes[i], "slot " + std::to_string(s) + " ");
    for (int c = 0; c < colorCount; c++)
        for (float x = 40.0f; x < 3200.0f; x += 400.0f)
            for (float y = 40.0f; y < 3200.0f; y += 400.0f)
                seen["density " + nameOf(c) + " " + std::to_string(x) + " " + std::to_string(y)] =
                    std::to_string(world.aggregateGrid->read(c, x, y));
    return seen;
}

std::string listing() { return captured(writeRules); }

}  // namespace

// The same text changes nothing and runs no node statement; a text that drops
// a colour in use changes nothing either; an added rule acts on the nodes there.
TEST(KeepWorldApply, NothingChangesButWhatTheTextChanges) {
    std::string text = livingWorld();
    uint64_t before = worldDigest();
    std::string listed = listing();
    KeepWorldApply r = applyRulesKeepingWorld(text, "logic.txt");
    EXPECT_TRUE(r.applied) << r.message;
    EXPECT_TRUE(r.check.diagnostics.empty());
    EXPECT_EQ(worldDigest(), before);
    EXPECT_EQ(listing(), listed);
    EXPECT_EQ(r.message, "Rules applied, world kept: 7 colours (0 new); 15 node and edge statements were not run.");

    std::string renamed = text;
    for (size_t at; (at = renamed.find("Hunter")) != std::string::npos;) renamed.replace(at, 6, "Stalker");
    renamed.replace(renamed.find("Mill is donut"), 13, "Mill static");
    r = applyRulesKeepingWorld(renamed + "speed 0\nedge_constraint 1\n", "logic.txt");
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(r.vanishing, std::vector<std::string>{"Hunter"});
    EXPECT_EQ(r.message, "Nothing changed: Hunter is in use and the text does not name it.");
    EXPECT_EQ(worldDigest(), before);
    EXPECT_EQ(listing(), listed);

    // An added rule acts on the nodes that are there.
    int bugId = createNode(3000.0f, 200.0f, findColor("Bug"))->id, sun = findColor("Sun");
    auto feed = [&] {  // a Sun atom on the lone bug, and one step: is it held?
        Node *b = findNode(bugId);
        Atom *a = new Atom(b->position().x, b->position().y, sun, -1);
        int id = a->id;
        stepWorldNow();
        a = dynamic_cast<Atom *>(findThing(id));
        return a && a->state == 2 && a->holderId == bugId;
    };
    EXPECT_TRUE(feed()) << "a bug collects sun atoms";
    r = applyRulesKeepingWorld(text + "Bug eats Sun\n", "logic.txt");
    ASSERT_TRUE(r.applied) << r.message;
    EXPECT_EQ(findColor("Sun"), sun);
    ASSERT_TRUE(findNode(bugId));
    EXPECT_FALSE(feed()) << "a bug eats sun atoms now";
    EXPECT_NE(listing().find("\nBug eats Sun\n"), std::string::npos);
}

TEST(KeepWorldApply, ReorderedAndNewColoursKeepEveryThingsColourByName) {
    std::string text = livingWorld();
    std::map<std::string, std::string> before = byName();
    int records = 0;
    for (Thing *t = world.thingList; t; t = t->next)
        if (auto *p = dynamic_cast<Pattern *>(t)) records += p->cellRecordCount + 1000 * p->thingRecordCount;
    ASSERT_TRUE(records % 1000 > 0 && records / 1000 > 0) << "metanodes should sense atoms and nodes";
    std::string reordered = "Fin is 0.3 0.3 0.3\nNew is 1 1 0\nMill is 0.5 0.5 0.5\nMotor is 0.55 0.1 0.75\n" + text;
    KeepWorldApply r = applyRulesKeepingWorld(reordered, "logic.txt");
    ASSERT_TRUE(r.applied) << r.message;
    EXPECT_EQ(nameOf(0), "Fin");
    EXPECT_EQ(nameOf(1), "New");
    std::map<std::string, std::string> after = byName();
    for (const auto &[key, was] : before) EXPECT_EQ(after[key], was) << key;
    EXPECT_EQ(world.aggregateGrid->layerCount(), 8);
    for (int i = 0; i < 50; i++) stepWorldNow();  // and the world goes on
}
