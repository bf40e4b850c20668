#pragma once
#include <cmath>

// Two single-precision floats in world units; screen y grows downwards.
struct Vec2 {
    float x = 0.0f, y = 0.0f;
    Vec2() = default;
    Vec2(float ax, float ay) : x(ax), y(ay) {}
    Vec2 operator+(Vec2 o) const { return {x + o.x, y + o.y}; }
    Vec2 operator-(Vec2 o) const { return {x - o.x, y - o.y}; }
    Vec2 operator*(float k) const { return {x * k, y * k}; }
    Vec2 &operator+=(Vec2 o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vec2 &operator-=(Vec2 o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    bool operator==(Vec2 o) const { return x == o.x && y == o.y; }
    bool operator!=(Vec2 o) const { return !(*this == o); }
    float length() const { return std::sqrt(x * x + y * y); }
    bool isZero() const { return x == 0.0f && y == 0.0f; }
    // Rescale to the given length; a zero vector stays zero.
    Vec2 withLength(float len) const {
        float l = length();
        if (l == 0.0f) return *this;
        return {x * (len / l), y * (len / l)};
    }
};

// The cheap octagonal distance used throughout the simulation.
inline float approxDistance(float dx, float dy) {
    float ax = std::fabs(dx), ay = std::fabs(dy);
    return ax > ay ? ax + 0.5f * ay : ay + 0.5f * ax;
}
inline float approxDistance(Vec2 a, Vec2 b) { return approxDistance(a.x - b.x, a.y - b.y); }

// A full turn is 6.28 radians in this world, not 2 pi.
constexpr float kTurn = 6.28f;
inline float degreesToRadians(float deg) { return deg * (1.0f / 360.0f) * kTurn; }
