#pragma once
#include <climits>

// Float to int truncation toward zero that saturates at the int range (NaN
// gives 0), for counts and settings worked out from rule amounts, which may
// be huge or infinite.
inline int truncSaturating(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT_MAX;
    if (v <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}
