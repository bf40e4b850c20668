#include "world/Pattern.h"

PatternSlot patternSlots[kPatternSlots];

static const float kSlotColours[kPatternSlots][3] = {
    {0.5f, 0.0f, 0.0f}, {0.0f, 0.5f, 0.0f}, {0.0f, 0.0f, 0.5f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, 1.0f}, {0.5f, 0.5f, 0.0f}, {0.5f, 0.0f, 0.5f}, {0.0f, 0.5f, 0.5f}, {1.0f, 1.0f, 0.0f},
};

Pattern *patternSlot(int i) { return isPatternSlot(i) ? patternSlots[i].pattern : nullptr; }

const float *slotColour(int i) { return isPatternSlot(i) ? patternSlots[i].rgb : kSlotColours[0]; }

// The slots' rules stay: they come from the rules file, and "Start Over"
// keeps them with the other rules. Loading a rules file clears them.
void initPatternSlots() {
    for (int i = 0; i < kPatternSlots; i++) {
        PatternSlot &s = patternSlots[i];
        delete s.pattern;
        s.pattern = new Pattern();
        s.pattern->patternIndex = i;
        unregister(s.pattern);
        for (int k = 0; k < 3; k++) s.rgb[k] = kSlotColours[i][k];
    }
}

void clearSlotRules() {
    for (PatternSlot &s : patternSlots) {
        s.senseCount = 0;
        s.decomposeCount = 0;
        s.grasps = false;
    }
}

void deleteAllPatterns() {
    for (auto &s : patternSlots) {
        delete s.pattern;
        s.pattern = nullptr;
    }
}

bool addSense(int slot, int input, int output, float factor) {
    if (!isPatternSlot(slot)) return false;
    PatternSlot &s = patternSlots[slot];
    if (s.senseCount >= kSlotRules) return false;
    s.senses[s.senseCount++] = {input, output, factor};
    return true;
}

bool addDecompose(int slot, int input, int output, float factor) {
    if (!isPatternSlot(slot)) return false;
    PatternSlot &s = patternSlots[slot];
    if (s.decomposeCount >= kSlotRules) return false;
    s.decomposes[s.decomposeCount++] = {input, output, factor};
    return true;
}

void setGrasps(int slot) {
    if (isPatternSlot(slot)) patternSlots[slot].grasps = true;
}

int slotSenseCount(int slot) { return isPatternSlot(slot) ? patternSlots[slot].senseCount : 0; }
const SlotRule *slotSense(int slot, int j) {
    if (!isPatternSlot(slot) || j < 0 || j >= patternSlots[slot].senseCount) return nullptr;
    return &patternSlots[slot].senses[j];
}
int slotDecomposeCount(int slot) { return isPatternSlot(slot) ? patternSlots[slot].decomposeCount : 0; }
const SlotRule *slotDecompose(int slot, int j) {
    if (!isPatternSlot(slot) || j < 0 || j >= patternSlots[slot].decomposeCount) return nullptr;
    return &patternSlots[slot].decomposes[j];
}
bool slotGrasps(int slot) { return isPatternSlot(slot) && patternSlots[slot].grasps; }
