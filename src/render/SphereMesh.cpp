#include "render/SphereMesh.h"

#include <cmath>

namespace {

SphereMesh build() {
    constexpr int S = SphereMesh::kSlices, T = SphereMesh::kStacks;
    const double pi = 3.14159265358979323846;
    float sinSlice[S + 1], cosSlice[S + 1], sinStack[T + 1], cosStack[T + 1];
    for (int i = 0; i < S; i++) {
        float a = static_cast<float>(2.0 * pi * i / S);
        sinSlice[i] = std::sin(a);
        cosSlice[i] = std::cos(a);
    }
    sinSlice[S] = sinSlice[0];
    cosSlice[S] = cosSlice[0];
    for (int j = 0; j <= T; j++) {
        float a = static_cast<float>(pi * j / T);
        sinStack[j] = std::sin(a);
        cosStack[j] = std::cos(a);
    }
    // The light of the scene: from (1, 1, -1.5), made a unit vector.
    float light[3] = {1.0f, 1.0f, -1.5f};
    float len = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
    for (float &c : light) c /= len;

    SphereMesh m{};
    auto put = [&](int v, float px, float py, float pz, float nx, float ny, float nz) {
        m.position[v][0] = px;
        m.position[v][1] = py;
        m.position[v][2] = pz;
        float d = nx * light[0] + ny * light[1] + nz * light[2];
        m.diffuse[v] = d > 0.0f ? d : 0.0f;
    };
    // The poles keep the normals the quadric gives them; the rings are points
    // of stack j (1..T-1) and slice i, their normals pointing straight out.
    put(0, 0.0f, 0.0f, 1.0f, sinSlice[0] * sinStack[0], cosSlice[0] * sinStack[0], cosStack[0]);
    // (The quadric reads the bottom pole's slice terms at the stack count.)
    static_assert(T <= S, "slice terms read at the stack count");
    put(1, 0.0f, 0.0f, -1.0f, sinSlice[T] * sinStack[T], cosSlice[T] * sinStack[T], cosStack[T]);
    auto ring = [](int j, int i) { return 2 + (j - 1) * S + i % S; };
    for (int j = 1; j < T; j++) {
        for (int i = 0; i < S; i++)
            put(ring(j, i), sinStack[j] * sinSlice[i], sinStack[j] * cosSlice[i], cosStack[j],
                sinSlice[i] * sinStack[j], cosSlice[i] * sinStack[j], cosStack[j]);
    }

    int n = 0;
    auto tri = [&](int a, int b, int c) {
        m.index[n++] = static_cast<unsigned short>(a);
        m.index[n++] = static_cast<unsigned short>(b);
        m.index[n++] = static_cast<unsigned short>(c);
    };
    // The top fan runs its ring backwards, the bottom fan forwards.
    for (int i = S; i > 0; i--) tri(0, ring(1, i), ring(1, i - 1));
    for (int i = 0; i < S; i++) tri(1, ring(T - 1, i), ring(T - 1, i + 1));
    // Each band is a strip of quads, upper ring first, cut along the same diagonal.
    for (int j = 1; j < T - 1; j++)
        for (int i = 0; i < S; i++) {
            int a = ring(j + 1, i), b = ring(j, i), c = ring(j, i + 1), d = ring(j + 1, i + 1);
            tri(a, b, c);
            tri(a, c, d);
        }
    return m;
}

}  // namespace

const SphereMesh &sphereMesh() {
    static const SphereMesh mesh = build();
    return mesh;
}
