#include "objects/mesh.h"

#include "gl/glscope.h"
#include "objects/detail/meshgeometry.h"
#include "rtl/filer.h"
#include "rtl/streams.h"
#include "rtl/sysutils.h"
#include "scene/light.h"
#include "scene/material.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>
#include <optional>
#include <string>

namespace nyx {

// Streams hold the arrays as they lie in memory.
static_assert(std::endian::native == std::endian::little);

// What the arrays make, computed when first needed after a change.
struct TNyxMesh::TDerived {
    bool Drawable = false;  // triangles whose indices all lie inside the vertices
    TGLArrayd3 Min{}, Max{};
    // The computed normals, with the vertices that had to be split for them.
    std::optional<detail::TSmoothNormals> Smooth;
    // The arrays with the split vertices' copies appended (only when there are copies).
    std::vector<float> Positions, TexCoords;
    std::vector<std::uint8_t> Colors;
    std::optional<detail::TMeshEdges> Edges;
};

const TMetaClass& TNyxMesh::StaticClass() {
    using P = Props<TNyxMesh>;
    static const TMetaClass meta = TMetaClass::Make<TNyxMesh, TNyxShadowedObject>(
        "TNyxMesh", {P::Float("CreaseAngle", &TNyxMesh::CreaseAngle, &TNyxMesh::SetCreaseAngle)});
    return meta;
}

TNyxMesh::TNyxMesh(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

TNyxMesh::~TNyxMesh() = default;

// --- Arrays ----------------------------------------------------------------------------

namespace {

template <class T>
void CheckWhole(const std::vector<T>& Value, std::size_t Per, const char* Array) {
    if (Value.size() % Per != 0)
        throw Exception(std::string("TNyxMesh.Set") + Array + ": " + std::to_string(Value.size()) +
                        " values are not a whole number of " + std::to_string(Per) +
                        "-value elements; give " + std::to_string(Per) + " per element");
}

template <class T>
bool Fits(const std::vector<T>& Value, std::size_t Per, std::size_t Vertices) {
    return Vertices > 0 && Value.size() == Per * Vertices;
}

}  // namespace

void TNyxMesh::Changed() {
    FDerived.reset();
    Invalidate(this);
}

void TNyxMesh::SetArrays(TNyxMeshArrays Value) {
    CheckWhole(Value.Positions, 3, "Positions");
    CheckWhole(Value.Normals, 3, "Normals");
    CheckWhole(Value.Colors, 4, "Colors");
    CheckWhole(Value.TexCoords, 2, "TexCoords");
    CheckWhole(Value.Indices, 3, "Indices");
    FArrays = std::move(Value);
    Changed();
}

template <class T>
void TNyxMesh::Replace(std::vector<T>& Array, std::vector<T> Value, std::size_t Per,
                       const char* Name) {
    CheckWhole(Value, Per, Name);
    Array = std::move(Value);
    Changed();
}

void TNyxMesh::SetPositions(std::vector<float> Value) {
    Replace(FArrays.Positions, std::move(Value), 3, "Positions");
}

void TNyxMesh::SetNormals(std::vector<float> Value) {
    Replace(FArrays.Normals, std::move(Value), 3, "Normals");
}

void TNyxMesh::SetColors(std::vector<std::uint8_t> Value) {
    Replace(FArrays.Colors, std::move(Value), 4, "Colors");
}

void TNyxMesh::SetTexCoords(std::vector<float> Value) {
    Replace(FArrays.TexCoords, std::move(Value), 2, "TexCoords");
}

void TNyxMesh::SetIndices(std::vector<std::uint32_t> Value) {
    Replace(FArrays.Indices, std::move(Value), 3, "Indices");
}

void TNyxMesh::SetCreaseAngle(double Value) {
    if (Value == FCreaseAngle)
        return;
    FCreaseAngle = Value;
    Changed();
}

TNyxMesh::TDerived& TNyxMesh::Derived() const {
    if (FDerived)
        return *FDerived;
    auto d = std::make_unique<TDerived>();
    const std::vector<float>& p = FArrays.Positions;
    const std::size_t vertices = VertexCount();
    if (vertices > 0) {
        d->Min = d->Max = {p[0], p[1], p[2]};
        for (std::size_t v = 1; v < vertices; ++v) {
            const TGLArrayd3 at{p[3 * v], p[3 * v + 1], p[3 * v + 2]};
            MinBoundsd(d->Min, at);
            MaxBoundsd(d->Max, at);
        }
    }
    d->Drawable = !FArrays.Indices.empty() &&
                  std::all_of(FArrays.Indices.begin(), FArrays.Indices.end(),
                              [vertices](std::uint32_t i) { return i < vertices; });
    FDerived = std::move(d);
    return *FDerived;
}

// --- Drawing ---------------------------------------------------------------------------

namespace {

// Client-side arrays switched on for one draw, and off again however it ends.
class TClientArrays {
public:
    TClientArrays() = default;
    ~TClientArrays() {
        for (std::size_t i = 0; i < FCount; ++i)
            glDisableClientState(FOn[i]);
    }
    TClientArrays(const TClientArrays&) = delete;
    TClientArrays& operator=(const TClientArrays&) = delete;
    void Enable(GLenum Array) {
        glEnableClientState(Array);
        FOn[FCount++] = Array;
    }

private:
    GLenum FOn[4] = {};
    std::size_t FCount = 0;
};

}  // namespace

void TNyxMesh::DrawSpecific(std::uint32_t, bool Draft) {
    TDerived& d = Derived();
    if (!d.Drawable)
        return;
    const std::size_t vertices = VertexCount();

    // Normals: the mesh's own, or computed (with split vertices when creases need them).
    const float* normals = FArrays.Normals.data();
    const float* positions = FArrays.Positions.data();
    const std::uint32_t* indices = FArrays.Indices.data();
    const bool hasColors = Fits(FArrays.Colors, 4, vertices);
    const bool hasTex = Fits(FArrays.TexCoords, 2, vertices);
    const std::uint8_t* colors = FArrays.Colors.data();
    const float* tex = FArrays.TexCoords.data();
    if (!Fits(FArrays.Normals, 3, vertices)) {
        if (!d.Smooth) {
            d.Smooth = detail::SmoothNormals(FArrays.Positions, FArrays.Indices, FCreaseAngle);
            for (const std::uint32_t v : d.Smooth->Copies) {
                d.Positions.insert(d.Positions.end(), &FArrays.Positions[3 * v],
                                   &FArrays.Positions[3 * v] + 3);
                if (hasColors)
                    d.Colors.insert(d.Colors.end(), &FArrays.Colors[4 * v],
                                    &FArrays.Colors[4 * v] + 4);
                if (hasTex)
                    d.TexCoords.insert(d.TexCoords.end(), &FArrays.TexCoords[2 * v],
                                       &FArrays.TexCoords[2 * v] + 2);
            }
            if (!d.Smooth->Copies.empty()) {
                d.Positions.insert(d.Positions.begin(), FArrays.Positions.begin(),
                                   FArrays.Positions.end());
                if (hasColors)
                    d.Colors.insert(d.Colors.begin(), FArrays.Colors.begin(), FArrays.Colors.end());
                if (hasTex)
                    d.TexCoords.insert(d.TexCoords.begin(), FArrays.TexCoords.begin(),
                                       FArrays.TexCoords.end());
            }
        }
        normals = d.Smooth->Normals.data();
        if (!d.Smooth->Copies.empty()) {
            positions = d.Positions.data();
            indices = d.Smooth->Indices.data();
            colors = d.Colors.data();
            tex = d.TexCoords.data();
        }
    }

    TClientArrays arrays;
    arrays.Enable(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    arrays.Enable(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, normals);
    if (Draft) {
        // Every edge once; the joined vertices of the edges are among the mesh's own.
        if (!d.Edges)
            d.Edges = detail::MeshEdges(FArrays.Positions, FArrays.Indices);
        glDrawElements(GL_LINES, GLsizei(d.Edges->Lines.size()), GL_UNSIGNED_INT,
                       d.Edges->Lines.data());
        return;
    }
    // Vertex colours carry the material's transparency in their alpha, as the polygon's do.
    std::vector<std::uint8_t> faded;
    std::optional<TGLAttribScope> colorScope;
    if (hasColors) {
        colorScope.emplace(GL_LIGHTING_BIT | GL_CURRENT_BIT);
        glEnable(GL_COLOR_MATERIAL);
        const double alpha = std::clamp(1 - double(GetMaterial()->Transparency()), 0.0, 1.0);
        if (alpha < 1) {
            const std::size_t drawn = vertices + (d.Smooth ? d.Smooth->Copies.size() : 0);
            faded.assign(colors, colors + 4 * drawn);
            for (std::size_t i = 3; i < faded.size(); i += 4)
                faded[i] = std::uint8_t(std::lround(faded[i] * alpha));
            colors = faded.data();
        }
        arrays.Enable(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colors);
    }
    if (hasTex) {
        arrays.Enable(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, tex);
    }
    glDrawElements(GL_TRIANGLES, GLsizei(FArrays.Indices.size()), GL_UNSIGNED_INT, indices);
}

// --- Extent ----------------------------------------------------------------------------

void TNyxMesh::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = Derived().Min;
    Max = Derived().Max;
}

void TNyxMesh::GetCenter(TGLArrayd3& C) const {
    const TDerived& d = Derived();
    for (std::size_t i = 0; i < 3; ++i)
        C[i] = (d.Min[i] + d.Max[i]) / 2;
}

double TNyxMesh::GetRadius() const {
    const TDerived& d = Derived();
    return std::hypot(d.Max[0] - d.Min[0], d.Max[1] - d.Min[1], d.Max[2] - d.Min[2]) / 2;
}

// --- Shadow volume ---------------------------------------------------------------------

GLuint TNyxMesh::BuildShadowVolume(TNyxLight* Light) {
    TGLArrayd3 L, C;
    Light->GetAbsoluteCenter(L);
    GetAbsoluteCenter(C);
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    TGLMatrixd4 inverse = m;
    InverseMatrixd(inverse);
    // The light in the mesh's own coordinates: a point, or the direction towards it.
    const bool point = Light->Directional();
    std::array<double, 4> light{};
    if (point) {
        TGLArrayd3 local = L;
        Xformd(inverse, local);
        light = {local[0], local[1], local[2], 1};
    } else {
        const TGLArrayd3 towards{L[0] - C[0], L[1] - C[1], L[2] - C[2]};
        for (std::size_t r = 0; r < 3; ++r)
            light[r] =
                inverse[r] * towards[0] + inverse[4 + r] * towards[1] + inverse[8 + r] * towards[2];
    }

    std::vector<std::uint32_t> edges;
    if (TDerived& d = Derived(); d.Drawable) {
        if (!d.Edges)
            d.Edges = detail::MeshEdges(FArrays.Positions, FArrays.Indices);
        detail::SilhouetteEdges(*d.Edges, FArrays.Positions, FArrays.Indices, light, edges);
    }

    // Each edge a -> b as the quad b, a, a', b' (outward, seen from outside the volume),
    // in world coordinates, the far side pushed away from the light as the feedback
    // volumes are.
    constexpr double Extrusion = 10000;
    std::vector<double> corners;
    corners.reserve(edges.size() * 6);
    const auto emit = [&](std::uint32_t V, bool Far) {
        TGLArrayd3 p{FArrays.Positions[3 * V], FArrays.Positions[3 * V + 1],
                     FArrays.Positions[3 * V + 2]};
        Xformd(m, p);
        if (Far)
            for (std::size_t i = 0; i < 3; ++i)
                p[i] += Extrusion * (point ? p[i] - L[i] : C[i] - L[i]);
        corners.insert(corners.end(), p.begin(), p.end());
    };
    for (std::size_t e = 0; e < edges.size(); e += 2) {
        emit(edges[e + 1], false);
        emit(edges[e], false);
        emit(edges[e], true);
        emit(edges[e + 1], true);
    }
    std::vector<std::uint32_t> order(corners.size() / 3);
    std::iota(order.begin(), order.end(), 0u);

    const GLuint name = NewShadowList(Light);
    if (name == 0)
        return 0;
    const TGLListScope list(name, GL_COMPILE);
    if (!order.empty()) {
        TClientArrays arrays;
        arrays.Enable(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_DOUBLE, 0, corners.data());
        glDrawElements(GL_QUADS, GLsizei(order.size()), GL_UNSIGNED_INT, order.data());
    }
    return name;
}

// --- Streams ---------------------------------------------------------------------------

namespace {

template <class T>
TStreamProc Writes(const std::vector<T>& Array) {
    return [&Array](TStream& Stream) {
        Stream.WriteBuffer(Array.data(), std::int64_t(Array.size() * sizeof(T)));
    };
}

template <class T>
std::vector<T> ReadArray(TStream& Stream, const char* Array) {
    const std::int64_t bytes = Stream.Size() - Stream.Position();
    if (bytes % std::int64_t(sizeof(T)) != 0)
        throw Exception(std::string("TNyxMesh.") + Array + ": " + std::to_string(bytes) +
                        " bytes are not a whole number of " + std::to_string(sizeof(T)) +
                        "-byte values");
    std::vector<T> values(std::size_t(bytes) / sizeof(T));
    Stream.ReadBuffer(values.data(), bytes);
    return values;
}

}  // namespace

void TNyxMesh::DefineProperties(TFiler& Filer) {
    TNyxShadowedObject::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Positions", [this](TStream& S) { SetPositions(ReadArray<float>(S, "Positions")); },
        Writes(FArrays.Positions), !FArrays.Positions.empty());
    Filer.DefineBinaryProperty(
        "Normals", [this](TStream& S) { SetNormals(ReadArray<float>(S, "Normals")); },
        Writes(FArrays.Normals), !FArrays.Normals.empty());
    Filer.DefineBinaryProperty(
        "Colors", [this](TStream& S) { SetColors(ReadArray<std::uint8_t>(S, "Colors")); },
        Writes(FArrays.Colors), !FArrays.Colors.empty());
    Filer.DefineBinaryProperty(
        "TexCoords", [this](TStream& S) { SetTexCoords(ReadArray<float>(S, "TexCoords")); },
        Writes(FArrays.TexCoords), !FArrays.TexCoords.empty());
    Filer.DefineBinaryProperty(
        "Indices", [this](TStream& S) { SetIndices(ReadArray<std::uint32_t>(S, "Indices")); },
        Writes(FArrays.Indices), !FArrays.Indices.empty());
}

void TNyxMesh::ReadState(TReader& Reader) {
    FCreaseAngle = 0;
    TNyxShadowedObject::ReadState(Reader);
}

}  // namespace nyx
