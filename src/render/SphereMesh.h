#pragma once

// The node sphere: a unit sphere of 10 slices and 10 stacks, laid out as the
// GLU quadric draws it (the two polar fans, then the bands from the top), so
// that its translucent front and back blend in the same order. Built once;
// every sphere is this mesh moved and scaled, with its lighting worked out
// here from the scene's one directional light.
struct SphereMesh {
    static constexpr int kSlices = 10;
    static constexpr int kStacks = 10;
    static constexpr int kVertices = 2 + (kStacks - 1) * kSlices;
    static constexpr int kIndices = 3 * (2 * kSlices + 2 * kSlices * (kStacks - 2));
    // The first vertex of the ring at the equator, the sphere's outline.
    static constexpr int kEquator = 2 + (kStacks / 2 - 1) * kSlices;

    float position[kVertices][3];
    // The diffuse light each vertex receives (normal dot light, at least 0).
    float diffuse[kVertices];
    unsigned short index[kIndices];
};

const SphereMesh &sphereMesh();

// A lit channel of a sphere vertex: the scene's ambient 0.2 and the light's
// ambient 0.1 plus its diffuse light, clamped as the fixed pipeline clamps.
inline float litChannel(float colour, float diffuse) {
    float c = colour * 0.2f + colour * 0.1f + colour * diffuse;
    return c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c);
}
