#pragma once
// What a triangle mesh derives from its arrays (objects/mesh.cpp): normals smooth within a
// crease angle, the edges with the faces that use them, and the silhouette those edges
// make seen from a light.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace nyx::detail {

// Normals for a mesh that has none. Around each vertex, a corner's normal is the
// area-weighted sum of the normals of the faces there that meet its own face within the
// crease angle; corners of one vertex that end with different normals get a vertex each.
struct TSmoothNormals {
    // One normal (3 floats) per vertex: the mesh's own vertices first, then the copies.
    std::vector<float> Normals;
    // The mesh vertex each added vertex copies, in order.
    std::vector<std::uint32_t> Copies;
    // The triangles over the vertices with copies; empty when no vertex was split.
    std::vector<std::uint32_t> Indices;
};
TSmoothNormals SmoothNormals(std::span<const float> Positions,
                             std::span<const std::uint32_t> Indices, double CreaseDegrees);

// The edges of a mesh between vertices joined by position, each with the faces that use
// it and the direction they run along it.
struct TMeshEdges {
    // Two vertex indices per edge, the lower joined index first: also the draft outline.
    std::vector<std::uint32_t> Lines;
    // For edge e, Uses[UseStart[e] .. UseStart[e + 1]) hold face * 2, plus 1 for a face
    // that runs from the second end to the first.
    std::vector<std::uint32_t> UseStart;
    std::vector<std::uint32_t> Uses;
    // Every edge has exactly two faces running along it in opposite directions.
    bool Closed = true;
};
TMeshEdges MeshEdges(std::span<const float> Positions, std::span<const std::uint32_t> Indices);

// The edges of the volume a light casts, each as its two vertex indices in the order
// that a face turned towards the light runs along it. Light is in the mesh's coordinates:
// (x, y, z, 1) a light at a point, (x, y, z, 0) the direction towards a light at infinity.
// A closed mesh casts from the faces turned towards the light, so its edges between
// a face turned towards and one turned away count. Any other mesh casts from every face,
// each taken from the side the light sees: an edge counts once for every face along it
// that such a volume does not cancel, so that open and non-manifold edges bound the
// shadow correctly.
void SilhouetteEdges(const TMeshEdges& Edges, std::span<const float> Positions,
                     std::span<const std::uint32_t> Indices, const std::array<double, 4>& Light,
                     std::vector<std::uint32_t>& Out);

}  // namespace nyx::detail
