%{
// Grammar of the rules language. Each statement is stored the moment it is
// reduced; yacc-style recovery with the single error production resumes at
// the next statement.
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "world/ColorTable.h"
#include "rules/RulesLoader.h"
#include "world/Edge.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

// The stack starts with room for 200 entries and may double up to 10000.
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

// The parser's trace goes to the reduction observer (RulesLoader.h), never to
// standard error; it is off unless an observer is set.
static int rulesTrace(FILE *, const char *format, ...);
#define YYFPRINTF rulesTrace
%}

%code requires {
struct RulesColourPair {
    int c1, c2;
};
struct RulesProduct {
    int colour;
    float factor;
};
struct RulesProductPair {
    int c1;
    float k1;
    int c2;
    float k2;
};
}

%code {
int ruleslex();
void ruleserror(const char *message);

namespace {

ColorRule &recordOf(int c) { return colorTable[c]; }

float clampUnit(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Truncation toward zero that cannot overflow on huge or infinite values.
int truncateToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0f) return INT_MAX;
    if (v <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

int flag(float v) { return v > 0.0f ? 1 : 0; }

bool validSlot(int n) { return n >= 0 && n < kPatternSlots; }

// A number past a float's range has been reported by the scanner; the
// statement that holds it stores nothing.
bool finite(float a, float b = 0.0f, float c = 0.0f) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

// Set when an attribute of the node or edge being read holds such a number.
bool dropCurrent = false;

void makeNode(int colour, float x, float y) {
    using rulesLoader::currentThing;
    dropCurrent = false;
    currentThing = nullptr;
    if (!finite(x, y)) return;
    if (firstFreeNodeSlot() < 0) {
        rulesError("Node table is full (%d max); cannot make the %s node at %g %g", kNodeTableSize,
                   colorTable[colour].name, static_cast<double>(x), static_cast<double>(y));
        return;
    }
    currentThing = createNode(x, y, colour);
}

// The end of a node or edge statement: a dropped one leaves nothing behind.
void finishThing() {
    using rulesLoader::currentThing;
    if (dropCurrent && currentThing) {
        currentThing->kill();
        purgeDead();
    }
    currentThing = nullptr;
    dropCurrent = false;
}

// These statements end in a product, whose colour is read past only once the
// line break has been scanned: the message names the statement's first line.
void tooManyRules(int line, const char *owner, const char *kind) {
    rulesErrorAt(line, "'%s' already has %d %s rules; this one is dropped", owner, kMaxSenses, kind);
}

void tooManySlotRules(int line, int slot, const char *kind) {
    rulesErrorAt(line, "meta %d already has %d %s rules; this one is dropped", slot, kSlotRules, kind);
}

void makeEdge(int colour, int directed, int fromId, int toId) {
    using rulesLoader::currentThing;
    dropCurrent = false;
    Node *a = findNode(fromId);
    Node *b = findNode(toId);
    if (!a) rulesError("node with id %d undeclared", fromId);
    if (!b) rulesError("node with id %d undeclared", toId);
    if (!a || !b) {
        currentThing = nullptr;
        return;
    }
    currentThing = createEdge(a, b, 0.0f, directed != 0, -1);
    if (colour != -1 && currentThing) currentThing->setColour(colour);
}

}  // namespace
}

%define api.prefix {rules}
%define api.token.prefix {TOK_}
%locations
%define parse.trace

%union {
    int ival;
    float fval;
    RulesColourPair pair;
    RulesProduct prod;
    RulesProductPair prods;
}

%token <fval> FLOAT
%token <ival> INT
%token <ival> COLOR
%token EOL
%token NUL_BYTE

%token AND "and"
%token ANY "any"
%token ALL "all"
%token AT "at"
%token ATOM "atom"
%token ID "id"
%token INTO "into"
%token IS "is"
%token NONE "none"
%token TO "to"
%token WITH "with"
%token WHEN "when"
%token EATS "eats"
%token POISONS "poisons"
%token PROBABILITY "probability"
%token STERILE "sterile"
%token STATIC "static"
%token STRENGTH "strength"
%token SIZE "size"
%token CONVERTS "converts"
%token COLLECTS "collects"
%token DECAYS "decays"
%token AGES "ages"
%token INVIGORATEDBY "invigoratedby"
%token DIRECTED "directed"
%token UNDIRECTED "undirected"
%token EDGE "edge"
%token LENGTH "length"
%token SPRINGK "springk"
%token FROM "from"
%token NODE "node"
%token DONUT "donut"
%token CILIA "cilia"
%token LIKES "likes"
%token DISLIKES "dislikes"
%token VALENCE "valence"
%token RENDER "render"
%token REPRODUCES "reproduces"
%token DECOMPOSES "decomposes"
%token ATOMS "atoms"
%token NODES "nodes"
%token ATOM_AGGREGATES "atom_aggregates"
%token EDGES "edges"
%token DIRECTED_EDGES "directed_edges"
%token DISCOVER_EDGES "discover_edges"
%token CLOSED_WORLD "closed_world"
%token COLORED_EDGES "colored_edges"
%token ANNEAL "anneal"
%token INERTIA "inertia"
%token SPEED "speed"
%token CAPTURE "capture"
%token ARC "arc"
%token SENSES "senses"
%token SIGNALS "signals"
%token INHIBITS "inhibits"
%token META "meta"
%token GRASPS "grasps"
%token NODE_CREATION_RATE "node_creation_rate"
%token FIX_NODE_COLLISIONS "fix_node_collisions"
%token EDGE_CONSTRAINT "edge_constraint"

%type <ival> colourSet directedness optColour metaSlot
%type <fval> number
%type <pair> colourPair
%type <prod> product
%type <prods> productPair

%start rules

%%

rules
    : %empty
    | rules separator statement
    | rules separator
    | statement
    | rules error statement error
        {
            // After a failed read the text simply stopped; that is no missing separator.
            if (scannerReadFailed()) YYABORT;
            rulesError("expected a semicolon or line break here");
        }
    ;

statement
    : COLOR "is" number number number
        {
            float r = $3, g = $4, b = $5;
            if (finite(r, g, b)) {
                if (r < 0.0f || r > 1.0f || g < 0.0f || g > 1.0f || b < 0.0f || b > 1.0f)
                    rulesError("rgb values must be between 0 and 1");
                ColorRule &x = recordOf($1);
                x.rgb[0] = clampUnit(r);
                x.rgb[1] = clampUnit(g);
                x.rgb[2] = clampUnit(b);
            }
        }
    | COLOR "is" "donut"
        {
            ColorRule &x = recordOf($1);
            x.nodeKind = 1;
            if (!findSimpleConversion(x).found)
                rulesError("donut conversion not defined for '%s' (a 1 to 1 conversion)", x.name);
        }
    | COLOR "is" "cilia"
        { recordOf($1).nodeKind = 2; }
    | COLOR "eats" colourSet
        { setRelation(recordOf($1), $3, RelEats); }
    | COLOR optIs "sterile"
        { recordOf($1).isSterile = true; }
    | COLOR "size" optIs number
        {
            if (finite($4)) {
                if ($4 < 0.0f || $4 > 1.0f) rulesError("color sizes must be between 0 and 1");
                recordOf($1).size = clampUnit($4);
            }
        }
    | COLOR optIs "static"
        { recordOf($1).isStatic = true; }
    | COLOR "likes" COLOR
        { setAffinity(recordOf($1), $3, 1.0f); }
    | COLOR "dislikes" COLOR
        { setAffinity(recordOf($1), $3, -1.0f); }
    | COLOR "valence" "is" INT
        { recordOf($1).valence = $4; }
    | COLOR "atom" "decays" "at" number
        {
            if (finite($5)) {
                if ($5 < 0.0f)
                    rulesError("atom decay rate must be >= 0");
                else
                    recordOf($1).atomDecayRate = atomDecayFromFile($5);
            }
        }
    | COLOR "node" "ages" "at" number
        {
            if (finite($5)) {
                if ($5 < 0.0f)
                    rulesError("node age rate must be >= 0");
                else
                    recordOf($1).nodeAgeRate = nodeAgeFromFile($5);
            }
        }
    | COLOR "node" "decays" "at" number
        {
            if (finite($5)) {
                if ($5 < 0.0f)
                    rulesError("node decay rate must be >= 0");
                else
                    recordOf($1).nodeDecayRate = nodeDecayFromFile($5);
            }
        }
    | COLOR "atom" "probability" optIs number
        {
            if (finite($5)) {
                if ($5 < 0.0f) {
                    rulesError("atom probability must be greater than or equal to 0");
                    recordOf($1).atomProbability = 0.0f;
                } else {
                    recordOf($1).atomProbability = $5;
                }
            }
        }
    | COLOR "node" "probability" optIs number
        {
            if (finite($5)) {
                if ($5 < 0.0f) {
                    rulesError("node probability must be greater than or equal to 0");
                    recordOf($1).nodeProbability = 0.0f;
                } else {
                    recordOf($1).nodeProbability = $5;
                }
            }
        }
    | COLOR "probability" optIs number
        {
            if (finite($4)) {
                if ($4 < 0.0f) {
                    rulesError("node probability must be greater than or equal to 0");
                    recordOf($1).nodeProbability = 0.0f;
                } else {
                    recordOf($1).nodeProbability = $4;
                }
            }
        }
    | COLOR "capture" "arc" optIs number
        {
            if (finite($5)) {
                ColorRule &x = recordOf($1);
                x.hasCaptureArc = true;
                x.captureArc = captureArcFromFile($5);
            }
        }
    | COLOR "node" "reproduces" "when" COLOR '=' INT
        {
            if ($7 <= 0)
                rulesError("count in reproduce rule must be > 0");
            else
                recordOf($1).reproduceAt[$5] = $7;
        }
    | COLOR optNode "decomposes" colourSet optNode "into" product
        { if (finite($7.factor)) setDecomposition(recordOf($1), $4, $7.colour, $7.factor); }
    | COLOR "poisons" colourSet
        { setIncomingRelation($3, $1, RelPoisonedBy); }
    | COLOR "senses" colourSet "to" product
        {
            if (finite($5.factor) && !addSenseRule(recordOf($1), $3, $5.colour, $5.factor))
                tooManyRules(@1.first_line, recordOf($1).name, "senses");
        }
    | COLOR "collects" colourSet
        { setRelation(recordOf($1), $3, RelCollects); }
    | COLOR "signals" colourSet "with" product
        {
            if (finite($5.factor) && !addSignalRule(recordOf($1), $3, $5.colour, $5.factor))
                tooManyRules(@1.first_line, recordOf($1).name, "signals");
        }
    | COLOR "inhibits" colourSet
        { setIncomingRelation($3, $1, RelInhibitedBy); }
    | COLOR "converts" colourPair "to" productPair
        { if (finite($5.k1, $5.k2)) setConversion(recordOf($1), $3.c1, $3.c2, $5.c1, $5.k1, $5.c2, $5.k2); }
    | COLOR "invigoratedby" colourSet
        { setRelation(recordOf($1), $3, RelInvigoratedBy); }
    | optColour "edge" "length" optIs number
        {
            if (finite($5)) {
                if ($1 == -1) {
                    world.edgeLength = $5;
                } else if ($5 <= 0.0f) {
                    rulesError("edge length constraints must be > 0");
                } else {
                    recordOf($1).hasEdgeLength = true;
                    recordOf($1).edgeLength = $5;
                }
            }
        }
    | optColour "edge" "springk" optIs number
        {
            if (finite($5)) {
                if ($1 == -1) {
                    world.edgeSpringK = $5;
                } else {
                    rulesError("per color edge springk not supported");
                    rulesError("use global setting, ie: edge springk is .1");
                }
            }
        }
    | metaSlot "senses" INT "to" product
        {
            if (validSlot($1) && finite($5.factor) && !addSense($1, $3, $5.colour, $5.factor))
                tooManySlotRules(@1.first_line, $1, "senses");
        }
    | metaSlot "decomposes" INT "to" product
        {
            if (validSlot($1) && finite($5.factor) && !addDecompose($1, $3, $5.colour, $5.factor))
                tooManySlotRules(@1.first_line, $1, "decomposes");
        }
    | metaSlot "senses" "node" colourSet "to" product
        {
            if (validSlot($1) && finite($6.factor) && !addSense($1, $4 + 100, $6.colour, $6.factor))
                tooManySlotRules(@1.first_line, $1, "senses");
        }
    | metaSlot "decomposes" "node" colourSet "to" product
        {
            if (validSlot($1) && finite($6.factor) && !addDecompose($1, $4 + 100, $6.colour, $6.factor))
                tooManySlotRules(@1.first_line, $1, "decomposes");
        }
    | metaSlot "grasps"
        { if (validSlot($1)) setGrasps($1); }
    | COLOR "node" "at" FLOAT FLOAT
        {
            if (rulesLoader::keepWorld) rulesLoader::currentThing = rulesLoader::notRun();
            else makeNode($1, $4, $5);
        }
      attributes
        { finishThing(); }
    | optColour directedness "edge" "from" "node" INT "to" "node" INT
        {
            if (rulesLoader::keepWorld) rulesLoader::currentThing = rulesLoader::notRun();
            else makeEdge($1, $2, $6, $9);
        }
      attributes
        { finishThing(); }
    | "render" "atoms" number           { if (finite($3)) world.renderAtoms = flag($3); }
    | "render" "nodes" number           { if (finite($3)) world.renderNodes = flag($3); }
    | "render" "atom_aggregates" number { if (finite($3)) world.renderAtomAggregates = flag($3); }
    | "render" "edges" number           { if (finite($3)) world.renderEdges = flag($3); }
    | "directed_edges" number           { if (finite($2)) world.directedEdges = flag($2); }
    | "colored_edges" number            { if (finite($2)) world.coloredEdges = flag($2); }
    | "discover_edges" number           { if (finite($2)) world.discoverEdges = flag($2); }
    | "anneal" number                   { if (finite($2)) world.anneal = flag($2); }
    | "inertia" number                  { if (finite($2)) world.inertia = flag($2); }
    | "speed" number                    { if (finite($2)) setSpeed(truncateToInt($2)); }
    | "node_creation_rate" number       { if (finite($2)) world.nodeCreationRate = clampUnit($2); }
    | "fix_node_collisions" number      { if (finite($2)) world.fixNodeCollisions = flag($2); }
    | "closed_world" number             { if (finite($2)) world.closedWorld = flag($2); }
    | "edge_constraint" number          { if (finite($2)) setEdgeConstraint(truncateToInt($2)); }
    ;

// The slot number is checked as soon as it is read, so the message names the
// statement's own line even when the statement ends in a lookahead.
metaSlot
    : "meta" INT
        {
            if (!validSlot($2)) rulesError("no pattern slot %d", $2);
            $$ = $2;
        }
    ;

directedness
    : "directed"   { $$ = 1; }
    | "undirected" { $$ = 0; }
    ;

attributes
    : %empty
    | attributes attribute
    ;

attribute
    : "with" "id" INT
        { if (rulesLoader::currentThing) changeId(rulesLoader::currentThing, $3); }
    | "with" "strength" FLOAT
        {
            if (!finite($3)) {
                dropCurrent = true;
            } else {
                if ($3 < 0.0f || $3 > 1.0f) rulesError("strengths must be between 0 and 1");
                if (rulesLoader::currentThing) rulesLoader::currentThing->setStrength(clampUnit($3));
            }
        }
    ;

colourSet
    : COLOR  { $$ = $1; }
    | "all"  { $$ = -2; }
    | "any"  { $$ = -2; }
    | "none" { $$ = -1; }
    ;

colourPair
    : COLOR             { $$.c1 = $1; $$.c2 = -1; }
    | COLOR COLOR       { $$.c1 = $1; $$.c2 = $2; }
    | COLOR "and" COLOR { $$.c1 = $1; $$.c2 = $3; }
    ;

productPair
    : product               { $$.c1 = $1.colour; $$.k1 = $1.factor; $$.c2 = -1; $$.k2 = 0.0f; }
    | product product       { $$.c1 = $1.colour; $$.k1 = $1.factor; $$.c2 = $2.colour; $$.k2 = $2.factor; }
    | product "and" product { $$.c1 = $1.colour; $$.k1 = $1.factor; $$.c2 = $3.colour; $$.k2 = $3.factor; }
    ;

product
    : COLOR                { $$.colour = $1; $$.factor = 1.0f; }
    | COLOR '*' number     { $$.colour = $1; $$.factor = $3; }
    | number '*' COLOR     { $$.colour = $3; $$.factor = $1; }
    ;

number
    : FLOAT { $$ = $1; }
    | INT   { $$ = static_cast<float>($1); }
    ;

optNode
    : %empty
    | "node"
    ;

optColour
    : %empty { $$ = -1; }
    | COLOR  { $$ = $1; }
    ;

optIs
    : %empty
    | "is"
    ;

separator
    : EOL
    | ';'
    ;

%%

namespace {
void (*reductionObserver)(int) = nullptr;
}

void setRulesReductionObserver(void (*observer)(int rule)) {
    reductionObserver = observer;
    rulesdebug = observer ? 1 : 0;
}

// Of the whole trace only the reductions matter; the rule number is the first argument.
static int rulesTrace(FILE *, const char *format, ...) {
    static const char kReducing[] = "Reducing stack by rule ";
    if (!reductionObserver || std::strncmp(format, kReducing, sizeof kReducing - 1) != 0) return 0;
    va_list args;
    va_start(args, format);
    int rule = va_arg(args, int);
    va_end(args);
    reductionObserver(rule);
    return 0;
}

void ruleserror(const char *message) {
    // The scanner has already reported a failed read; what follows is its echo.
    if (scannerReadFailed()) return;
    if (std::strcmp(message, "memory exhausted") == 0)
        rulesError("parser stack overflow");
    else
        rulesError("parse error");
}
