// Placeholder bodies; replaced by the rules work.
#include "rules/ColorTable.h"

ColorRule colorTable[kMaxColors];
int colorCount = 0;
float totalNodeProbability = 0.0f;

ColorRule::ColorRule() { for (int &r : reproduceAt) r = -1; }
ColorRule::~ColorRule() { delete[] description; }
const char *ColorRule::descriptionLine(int i) const { (void)i; return nullptr; }
int findColor(const char *name) { (void)name; return -1; }
int declareColor(const char *name) { (void)name; return -1; }
void resetColorRule(ColorRule &r) { (void)r; }
void resetColorTable() {}
void setRelation(ColorRule &r, int s, int k) { (void)r; (void)s; (void)k; }
void setIncomingRelation(int t, int s, int k) { (void)t; (void)s; (void)k; }
void setAffinity(ColorRule &r, int c, float v) { (void)r; (void)c; (void)v; }
void setConversion(ColorRule &r, int a, int b, int o1, float f1, int o2, float f2) { (void)r; (void)a; (void)b; (void)o1; (void)f1; (void)o2; (void)f2; }
void setDecomposition(ColorRule &r, int s, int o, float f) { (void)r; (void)s; (void)o; (void)f; }
void addSenseRule(ColorRule &r, int s, int o, float f) { (void)r; (void)s; (void)o; (void)f; }
void addSignalRule(ColorRule &r, int s, int o, float f) { (void)r; (void)s; (void)o; (void)f; }
SimpleConversion findSimpleConversion(const ColorRule &r) { (void)r; return {false, 0, 0, 0.5f}; }
int randomNodeColor() { return -1; }
void rebuildColors() {}
