// Outline glyph geometry: the flattened contours filled through the GLU tessellator or
// drawn as loops, with an optional extrusion along -z.

#include <cmath>
#include <cstdint>

#include "gl/detail/glyphs.h"
#include "gl/opengl.h"

namespace nyx::detail {
namespace {

using TPoint = std::array<double, 2>;

// Side-wall normals of neighbouring edges are averaged (a curve looks round) unless the
// outline turns by more than this angle there (a corner stays sharp); cos 40 degrees.
constexpr double SmoothTurnCos = 0.766;

double SignedArea(const std::vector<TContour>& Contours) {
    double area = 0;
    for (const TContour& c : Contours)
        for (std::size_t i = 0, n = c.size(); i < n; ++i) {
            const TPoint& a = c[i];
            const TPoint& b = c[(i + 1) % n];
            area += a[0] * b[1] - b[0] * a[1];
        }
    return area / 2;
}

// Appends primitives to a shape.
class TShapeWriter {
public:
    explicit TShapeWriter(TGlyphShape& Shape) : FShape(Shape) {}

    // A primitive left empty is taken over by the next one.
    void Begin(GLenum Mode) {
        auto& prims = FShape.Primitives;
        if (!prims.empty() && prims.back().Count == 0)
            prims.back().Mode = Mode;
        else
            prims.push_back({Mode, std::uint32_t(FShape.Vertices.size()), 0});
    }
    void End() {
        if (!FShape.Primitives.empty() && FShape.Primitives.back().Count == 0)
            FShape.Primitives.pop_back();
    }
    void Vertex(const TPoint& P, double Z, const TPoint& N, double NZ) {
        FShape.Vertices.push_back({{GLfloat(P[0]), GLfloat(P[1]), GLfloat(Z)},
                                   {GLfloat(N[0]), GLfloat(N[1]), GLfloat(NZ)}});
        ++FShape.Primitives.back().Count;
    }

private:
    TGlyphShape& FShape;
};

// The outward unit normal of each edge i (from point i to point i + 1) of a contour,
// and whether the outline turns sharply at each point.
struct TContourNormals {
    std::vector<TPoint> Edge;
    std::vector<bool> Corner;

    TContourNormals(const TContour& C, bool FilledRight) : Edge(C.size()), Corner(C.size()) {
        const std::size_t n = C.size();
        for (std::size_t i = 0; i < n; ++i) {
            const TPoint& a = C[i];
            const TPoint& b = C[(i + 1) % n];
            const double dx = b[0] - a[0], dy = b[1] - a[1];
            const double length = std::hypot(dx, dy);
            // The filled side is to the right of the direction of travel or to its left.
            Edge[i] =
                FilledRight ? TPoint{-dy / length, dx / length} : TPoint{dy / length, -dx / length};
        }
        for (std::size_t i = 0; i < n; ++i) {
            const TPoint& before = Edge[(i + n - 1) % n];
            Corner[i] = before[0] * Edge[i][0] + before[1] * Edge[i][1] < SmoothTurnCos;
        }
    }

    // The normal of edge i at its point p (i or i + 1).
    TPoint At(std::size_t EdgeIndex, std::size_t PointIndex) const {
        const std::size_t n = Edge.size();
        const std::size_t p = PointIndex % n;
        if (Corner[p])
            return Edge[EdgeIndex];
        const TPoint& other = p == EdgeIndex ? Edge[(EdgeIndex + n - 1) % n] : Edge[p];
        TPoint sum{Edge[EdgeIndex][0] + other[0], Edge[EdgeIndex][1] + other[1]};
        const double length = std::hypot(sum[0], sum[1]);
        return {sum[0] / length, sum[1] / length};
    }
};

// --- Filling through the tessellator ---------------------------------------------------

// Vertex data handed to the tessellator is the point's index plus one.
void TessVertex(void* Vertex, void* Polygon) {
    static_cast<TTessellation*>(Polygon)->Triangles.push_back(
        std::uint32_t(reinterpret_cast<std::uintptr_t>(Vertex) - 1));
}

void TessCombine(GLdouble Coords[3], void* [4], GLfloat[4], void** Out, void* Polygon) {
    auto* t = static_cast<TTessellation*>(Polygon);
    t->Points.push_back({Coords[0], Coords[1]});
    *Out = reinterpret_cast<void*>(std::uintptr_t(t->Points.size()));
}

// Registered only so that the tessellator hands out separate triangles, never fans or
// strips.
void TessEdgeFlag(GLboolean, void*) {}

void TessError(GLenum, void* Polygon) { static_cast<TTessellation*>(Polygon)->Failed = true; }

template <class F>
TGLUCallback Callback(F* Function) {
    return reinterpret_cast<TGLUCallback>(Function);
}

}  // namespace

TTessellation Tessellate(const std::vector<TContour>& Contours, GLenum WindingRule) {
    TTessellation t;
    std::size_t total = 0;
    for (const TContour& c : Contours)
        total += c.size();
    t.Points.reserve(total);
    std::vector<std::array<GLdouble, 3>> coords(total);
    GLUtesselator* tess = gluNewTess();
    if (!tess) {
        t.Failed = true;
        return t;
    }
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, WindingRule);
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&TessCombine));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, Callback(&TessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, Callback(&TessError));
    gluTessBeginPolygon(tess, &t);
    for (const TContour& c : Contours) {
        gluTessBeginContour(tess);
        for (const TPoint& p : c) {
            const std::size_t k = t.Points.size();
            t.Points.push_back(p);
            coords[k] = {p[0], p[1], 0};
            gluTessVertex(tess, coords[k].data(), reinterpret_cast<void*>(std::uintptr_t(k + 1)));
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (t.Failed || t.Triangles.size() % 3 != 0)
        t.Triangles.clear();
    return t;
}

namespace {

void AddCaps(const TTessellation& T, double Extrusion, TShapeWriter& W) {
    std::vector<std::array<std::uint32_t, 3>> front;
    for (std::size_t i = 0; i + 2 < T.Triangles.size(); i += 3) {
        std::array<std::uint32_t, 3> tri{T.Triangles[i], T.Triangles[i + 1], T.Triangles[i + 2]};
        const TPoint& a = T.Points[tri[0]];
        const TPoint& b = T.Points[tri[1]];
        const TPoint& c = T.Points[tri[2]];
        // Counter-clockwise seen from +z, whichever way the tessellator turned it.
        if ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]) < 0)
            std::swap(tri[1], tri[2]);
        front.push_back(tri);
    }
    W.Begin(GL_TRIANGLES);
    for (const auto& tri : front)
        for (std::uint32_t k : tri)
            W.Vertex(T.Points[k], 0, {0, 0}, 1);
    if (Extrusion <= 0)
        return;
    W.Begin(GL_TRIANGLES);
    for (const auto& tri : front)
        for (std::uint32_t k : {tri[0], tri[2], tri[1]})
            W.Vertex(T.Points[k], -Extrusion, {0, 0}, -1);
}

// One quad per edge, counter-clockwise seen from outside.
void AddWalls(const std::vector<TContour>& Contours, bool FilledRight, double Extrusion,
              TShapeWriter& W) {
    W.Begin(GL_QUADS);
    for (const TContour& c : Contours) {
        const TContourNormals normals(c, FilledRight);
        const std::size_t n = c.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + 1) % n;
            const TPoint ni = normals.At(i, i), nj = normals.At(i, j);
            if (FilledRight) {
                W.Vertex(c[i], 0, ni, 0);
                W.Vertex(c[j], 0, nj, 0);
                W.Vertex(c[j], -Extrusion, nj, 0);
                W.Vertex(c[i], -Extrusion, ni, 0);
            } else {
                W.Vertex(c[i], 0, ni, 0);
                W.Vertex(c[i], -Extrusion, ni, 0);
                W.Vertex(c[j], -Extrusion, nj, 0);
                W.Vertex(c[j], 0, nj, 0);
            }
        }
    }
}

// Loops at the front (and back), and an edge between them at every corner.
void AddLines(const std::vector<TContour>& Contours, bool FilledRight, double Extrusion,
              TShapeWriter& W) {
    for (const TContour& c : Contours) {
        W.Begin(GL_LINE_LOOP);
        for (const TPoint& p : c)
            W.Vertex(p, 0, {0, 0}, 1);
    }
    if (Extrusion <= 0)
        return;
    for (const TContour& c : Contours) {
        W.Begin(GL_LINE_LOOP);
        for (const TPoint& p : c)
            W.Vertex(p, -Extrusion, {0, 0}, -1);
    }
    W.Begin(GL_LINES);
    for (const TContour& c : Contours) {
        const TContourNormals normals(c, FilledRight);
        for (std::size_t i = 0; i < c.size(); ++i)
            if (normals.Corner[i]) {
                W.Vertex(c[i], 0, normals.Edge[i], 0);
                W.Vertex(c[i], -Extrusion, normals.Edge[i], 0);
            }
    }
}

}  // namespace

void BuildOutlineGeometry(const std::vector<TContour>& Contours, const TGlyphStyle& Style,
                          TGlyphShape& Shape) {
    if (Contours.empty())
        return;
    // Outer contours enclose more than the holes inside them, so the total area has the
    // sign of the outer contours' orientation.
    const bool filledRight = SignedArea(Contours) < 0;
    const double extrusion = Style.Extrusion;
    TShapeWriter writer(Shape);
    if (Style.Format == WGL_FONT_LINES) {
        AddLines(Contours, filledRight, extrusion, writer);
    } else {
        // TrueType fills by the non-zero rule; it also makes the result independent of
        // which way the tessellator takes the plane's normal.
        AddCaps(Tessellate(Contours, GLU_TESS_WINDING_NONZERO), extrusion, writer);
        if (extrusion > 0)
            AddWalls(Contours, filledRight, extrusion, writer);
    }
    writer.End();
}

}  // namespace nyx::detail
