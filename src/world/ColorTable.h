#pragma once
// The colour table: each colour's name, look and rules, below the world (it
// includes nothing of it).

constexpr int kMaxColors = 20;

enum RelationKind {
    RelNone = 0,
    RelEats = 1,
    RelPoisonedBy = 2,
    RelCollects = 3,
    RelInvigoratedBy = 4,
    RelInhibitedBy = 5,
};

struct Relation {
    int kind = RelNone;
    float affinity = 0.0f;
};

struct Conversion {
    bool defined = false;
    int partner = -1;
    int output1 = -1;
    int output2 = -1;
    float factor1 = 0.0f;
    float factor2 = 0.0f;
};

struct Decomposition {
    bool defined = false;
    int output = -1;
    float factor = 0.0f;
};

struct SenseRule {
    int source = -1;
    int output = -1;
    float factor = 0.0f;
};

constexpr int kMaxSenses = 10;
constexpr int kColorNameLength = 32;

// Everything one colour does.
struct ColorRule {
    Relation relation[kMaxColors];
    Conversion conversion[kMaxColors];
    bool isStatic = false;
    bool isSterile = false;
    int nodeKind = 0;
    int valence = -1;
    float nodeDecayRate = 0.02f;
    float atomDecayRate = 0.02f;
    float nodeAgeRate = 0.03f;
    int reproduceAt[kMaxColors];
    Decomposition decomposition[kMaxColors];
    float atomProbability = 0.0f;
    float nodeProbability = 0.0f;
    float size = 1.0f;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    char name[kColorNameLength] = {};
    int strengthHistogram[20] = {};
    int nodeTally = 0;
    bool hasEdgeLength = false;
    float edgeLength = 0.0f;
    bool hasCaptureArc = false;
    float captureArc = 0.0f;
    int senseCount = 0;
    SenseRule sense[kMaxSenses];
    int signalCount = 0;
    SenseRule signal[kMaxSenses];
    int descriptionLineCount = 0;
    char *description = nullptr;  // lines, each ended by a NUL

    ColorRule();
    ~ColorRule();
    ColorRule(const ColorRule &) = delete;
    ColorRule &operator=(const ColorRule &) = delete;
    // Pointer to description line i (0-based), or nullptr.
    const char *descriptionLine(int i) const;
};

extern ColorRule colorTable[kMaxColors];
extern int colorCount;
extern float totalNodeProbability;

inline bool isColor(int c) { return c >= 0 && c < colorCount; }

int findColor(const char *name);
int declareColor(const char *name);
void resetColorRule(ColorRule &r);
void resetColorTable();
void setRelation(ColorRule &r, int colourSet, int kind);
void setIncomingRelation(int targetSet, int sourceColour, int kind);
void setAffinity(ColorRule &r, int colour, float value);
void setConversion(ColorRule &r, int a, int b, int output1, float factor1, int output2, float factor2);
void setDecomposition(ColorRule &r, int colourSet, int output, float factor);
// Append an entry; false (and nothing stored) when the list already holds kMaxSenses.
bool addSenseRule(ColorRule &r, int source, int output, float factor);
bool addSignalRule(ColorRule &r, int source, int output, float factor);
struct SimpleConversion {
    bool found;
    int input;
    int output;
    float factor;
};
SimpleConversion findSimpleConversion(const ColorRule &r);
int randomNodeColor();
// Totals and descriptions derived from the records (the world adds its grid).
void refreshColorTable();
// Index of a record in colorTable.
inline int colorIndexOf(const ColorRule &r) { return static_cast<int>(&r - colorTable); }
