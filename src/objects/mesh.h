#pragma once
// TNyxMesh (an addition to the primitive classes): an indexed triangle mesh, the form in
// which models come from the 3D tools. Its arrays are drawn through OpenGL vertex arrays,
// persist as binary data in both stream forms, and its shadow volume is extruded from
// its silhouette edges found on the mesh itself.

#include "scene/shadow.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace nyx {

// The arrays of a mesh. Per-vertex arrays other than Positions may be empty; an array
// whose length does not fit the number of vertices is treated as absent.
struct TNyxMeshArrays {
    std::vector<float> Positions;        // x, y, z per vertex
    std::vector<float> Normals;          // x, y, z per vertex: computed when absent
    std::vector<std::uint8_t> Colors;    // r, g, b, a per vertex
    std::vector<float> TexCoords;        // s, t per vertex
    std::vector<std::uint32_t> Indices;  // three vertices per triangle, counter-clockwise
};

class TNyxMesh : public TNyxShadowedObject {
    NYX_CLASS(TNyxMesh)
public:
    explicit TNyxMesh(TComponent* AOwner);
    ~TNyxMesh() override;

    const TNyxMeshArrays& Arrays() const { return FArrays; }
    // Each setter replaces one array (or all) and invalidates. A length that is not a
    // whole number of elements (three floats, four bytes, ...) raises an Exception
    // naming the array, and changes nothing.
    void SetArrays(TNyxMeshArrays Value);
    void SetPositions(std::vector<float> Value);
    void SetNormals(std::vector<float> Value);
    void SetColors(std::vector<std::uint8_t> Value);
    void SetTexCoords(std::vector<float> Value);
    void SetIndices(std::vector<std::uint32_t> Value);
    std::size_t VertexCount() const { return FArrays.Positions.size() / 3; }
    std::size_t TriangleCount() const { return FArrays.Indices.size() / 3; }

    // Computed normals are smooth across an edge whose faces meet at no more than this
    // angle (degrees) and break along sharper edges; 180 makes every vertex smooth.
    double CreaseAngle() const { return FCreaseAngle; }
    void SetCreaseAngle(double Value);

    // The triangles once, whatever Face says, lit by the per-vertex normals, in the
    // vertex colours (with the alpha of the material's transparency) when there are
    // colours; the draft is the outline of every edge. A mesh with an index outside its
    // vertices draws nothing.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // Bounds of the vertices (zero without any); centre the bounds' centre, radius half
    // their diagonal: the sphere round the whole mesh.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // GetSize, which spans every vertex drawn.
    TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const override {
        GetSize(Min, Max);
        return exBox;
    }
    void GetCenter(TGLArrayd3& C) const override;
    double GetRadius() const override;

    // The arrays as binary data: little-endian floats and 32-bit indices, bytes for the
    // colours.
    void DefineProperties(TFiler& Filer) override;
    // A crease angle stored as 0 is left out of streams: it must read back as 0.
    void ReadState(TReader& Reader) override;

protected:
    // The side quads of the silhouette edges seen from Light, extruded away from it.
    GLuint BuildShadowVolume(TNyxLight* Light) override;

private:
    struct TDerived;
    // What is drawn, computed once per change of the arrays or the crease angle.
    TDerived& Derived() const;
    void Changed();
    // Array = Value after checking that it holds whole elements of Per values.
    template <class T>
    void Replace(std::vector<T>& Array, std::vector<T> Value, std::size_t Per, const char* Name);

    TNyxMeshArrays FArrays;
    double FCreaseAngle = 60;
    mutable std::unique_ptr<TDerived> FDerived;
};

}  // namespace nyx
