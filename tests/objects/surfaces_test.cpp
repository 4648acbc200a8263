// The polygon and the height field: what they emit, read back through the recording
// table; their extents; what invalidates them; their properties in streams.

#include "glreplay.h"
#include "objects/heightfield.h"
#include "objects/polygon.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/material.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nyx {
namespace {

using namespace test;

// An object that counts the invalidations reaching it from below.
using TCountingParent = TCounting<TNyxObject>;

void AddVertex(TNyxPolygon& P, const V3& At) {
    auto* v = static_cast<TNyxVertex3TexCI*>(P.Vertexes()->Add());
    for (int i = 0; i < 3; ++i)
        v->SetData(i, At[std::size_t(i)]);
}

// The unit square's first n corners (then points further round a circle), counter-
// clockwise seen from +z.
void AddCorners(TNyxPolygon& P, int N) {
    const V3 square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (int i = 0; i < N; ++i)
        AddVertex(P, i < 4 ? square[i] : V3{0.5 + std::cos(i), 0.5 + std::sin(i), 0});
}

std::vector<V3> Positions(const TPrimitive& P) {
    std::vector<V3> out;
    for (const TCorner& c : P.Corners)
        out.push_back(c.Pos);
    return out;
}

// --- Polygon drawing -----------------------------------------------------------------

TEST(PolygonTest, PrimitiveFollowsVertexCountDraftAndFace) {
    struct TCase {
        int Vertices;
        bool Draft;
        std::uint32_t Face;
        std::vector<std::string> Modes;
    };
    const TCase cases[] = {
        {0, false, GL_FRONT_AND_BACK, {}},
        {2, false, GL_FRONT_AND_BACK, {}},
        {2, true, GL_FRONT, {}},
        {3, false, GL_FRONT, {"GL_TRIANGLE_FAN"}},
        {4, false, GL_BACK, {"GL_TRIANGLE_FAN"}},
        {4, false, GL_FRONT_AND_BACK, {"GL_TRIANGLE_FAN", "GL_TRIANGLE_FAN"}},
        {5, false, GL_FRONT, {"GL_POLYGON"}},
        {7, false, GL_FRONT_AND_BACK, {"GL_POLYGON", "GL_POLYGON"}},
        {3, true, GL_FRONT, {"GL_LINE_LOOP"}},
        {6, true, GL_FRONT_AND_BACK, {"GL_LINE_LOOP", "GL_LINE_LOOP"}},
    };
    for (const TCase& tc : cases) {
        TNyxPolygon p(nullptr);
        AddCorners(p, tc.Vertices);
        TRecording rec;
        rec.Run([&] { p.DrawSpecific(tc.Face, tc.Draft); });
        TReplay r(rec.Calls);
        std::vector<std::string> modes;
        for (const TPrimitive& prim : r.Prims) {
            modes.push_back(prim.Mode);
            EXPECT_EQ(int(prim.Corners.size()), tc.Vertices);
        }
        EXPECT_EQ(modes, tc.Modes) << tc.Vertices << " vertices, draft " << tc.Draft;
        if (tc.Vertices < 3) {
            EXPECT_TRUE(rec.Calls.empty());
        }
    }
}

TEST(PolygonTest, BackSideIsReversedWithTheNegatedNormal) {
    TNyxPolygon p(nullptr);
    p.SetColorVertexes(false);
    AddCorners(p, 4);
    p.Vertexes()->ItemAs<TNyxVertex3TexCI>(2)->SetData(3, 0.25);  // TexX of the third
    TRecording rec;
    rec.Run([&] { p.DrawSpecific(GL_FRONT_AND_BACK, false); });
    TReplay r(rec.Calls);
    ASSERT_EQ(r.Prims.size(), 2u);
    const std::vector<V3> front = Positions(r.Prims[0]);
    std::vector<V3> back = Positions(r.Prims[1]);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(front, back);
    EXPECT_EQ(front[1], (V3{1, 0, 0}));
    // One normal per side, before the first vertex.
    EXPECT_EQ(r.Normals, 2);
    EXPECT_EQ(r.Prims[0].Corners[0].Normal, (V3{0, 0, 1}));
    EXPECT_EQ(r.Prims[1].Corners[0].Normal, (V3{0, 0, -1}));
    // Texture coordinates travel with their vertex, in double precision, always.
    EXPECT_EQ(rec.Only({"glTexCoord2dv"}).size(), 8u);
    EXPECT_EQ(r.Prims[0].Corners[2].S, 0.25);
    EXPECT_EQ(r.Prims[1].Corners[1].S, 0.25);
    EXPECT_TRUE(rec.Only({"glPushAttrib", "glEnable", "glColor4fv"}).empty());
}

TEST(PolygonTest, NormalIsComputedOrTakenAsGiven) {
    struct TCase {
        bool Auto;
        V3 Given, Expected;
    };
    const TCase cases[] = {
        {true, {5, 5, 5}, {0, 0, 1}},
        {false, {0, 0, 0}, {0, 0, 0}},  // a zero normal is drawn as it is
        {false, {0, 2, 0}, {0, 2, 0}},  // not normalised
    };
    for (const TCase& tc : cases) {
        TNyxPolygon p(nullptr);
        AddCorners(p, 3);
        // Stretched along x: the computed normal still comes out unit length.
        p.Vertexes()->ItemAs<TNyxVertex3TexCI>(1)->SetData(0, 7);
        p.SetAutoNormal(tc.Auto);
        for (int i = 0; i < 3; ++i)
            p.Normal()->SetData(i, tc.Given[std::size_t(i)]);
        TRecording rec;
        rec.Run([&] { p.DrawSpecific(GL_FRONT, false); });
        TReplay r(rec.Calls);
        ASSERT_EQ(r.Prims.size(), 1u);
        EXPECT_EQ(r.Prims[0].Corners[0].Normal, tc.Expected) << "auto " << tc.Auto;
    }
}

// Vertex alpha: 1 - Reflection only while the scene mirrors, otherwise 1 - the
// transparency of the material in use (the own one, or the library's).
TEST(PolygonTest, ColorVertexesAlphaFollowsTheDrawingRule) {
    struct TCase {
        const char* Name;
        bool Reflections;
        double Reflection;
        float Transparency;
        bool Library;
        float Alpha;
    };
    const TCase cases[] = {
        {"mirror", true, 0.3, 0, false, 0.7f},
        {"mirror, reflections off", false, 0.3, 0, false, 1},
        {"no reflection", true, 0, 0, false, 1},
        {"negative reflection", true, -0.5, 0, false, 1},
        {"transparent", false, 0.3, 0.25f, false, 0.75f},
        {"transparent mirror", true, 0.3, 0.25f, false, 0.7f},
        {"library material", false, 0, 0.5f, true, 0.5f},
        {"transparency above 1", false, 0, 1.5f, false, 0},
    };
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        TNyxScene scene(nullptr);
        TNyxMaterialLibrary library(nullptr);
        scene.SetReflections(tc.Reflections);
        auto* p = new TNyxPolygon(nullptr);
        p->SetParentComponent(&scene);
        AddCorners(*p, 4);
        p->Vertexes()->ItemAs<TNyxVertex3TexCI>(1)->SetColor(0x0000FF);
        p->SetReflection(tc.Reflection);
        if (tc.Library) {
            scene.SetMaterialLibrary(&library);
            library.Materials()->Add();
            static_cast<TNyxMaterialCI*>(library.Materials()->Items(0))
                ->Material()
                ->SetTransparency(tc.Transparency);
            p->SetMaterialIndex(0);
        } else {
            p->Material()->SetTransparency(tc.Transparency);
        }
        TRecording rec;
        rec.Run([&] { p->DrawSpecific(GL_FRONT_AND_BACK, false); });
        EXPECT_EQ(rec.Calls.front(), "glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT)");
        EXPECT_EQ(rec.Calls[1], "glEnable(GL_COLOR_MATERIAL)");
        EXPECT_EQ(rec.Calls.back(), "glPopAttrib()");
        TReplay r(rec.Calls);
        for (const TPrimitive& prim : r.Prims)
            for (const TCorner& c : prim.Corners)
                EXPECT_FLOAT_EQ(float(c.Color[3]), tc.Alpha);
        // The second vertex keeps its own colour; every item keeps the alpha drawn.
        EXPECT_EQ(r.Prims[0].Corners[1].Color[0], 1);
        EXPECT_EQ(r.Prims[0].Corners[1].Color[2], 0);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(p->Vertex(i)->ColorRGBA()[3], tc.Alpha);
        scene.SetMaterialLibrary(nullptr);
    }
}

// --- Polygon extent and plane ----------------------------------------------------------

TEST(PolygonTest, ExtentCentreAndRadius) {
    struct TCase {
        std::vector<V3> Points;
        V3 Min, Max, Centre;
        double Radius;
    };
    const TCase cases[] = {
        {{}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0},
        {{{3, 4, 5}}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0},
        {{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {0, 0, 0}, {2, 2, 0}, {1, 1, 0}, 1},
        {{{1, -1, 4}, {-3, 2, 4}}, {-3, -1, 4}, {1, 2, 4}, {-1, 0.5, 4}, 2},
        {{{0, 0, 0}, {1, 0, 0}, {0, 0, 6}}, {0, 0, 0}, {1, 0, 6}, {1.0 / 3, 0, 2}, 3},
    };
    for (const TCase& tc : cases) {
        TNyxPolygon p(nullptr);
        for (const V3& v : tc.Points)
            AddVertex(p, v);
        TGLArrayd3 lo, hi, c;
        p.GetSize(lo, hi);
        p.GetCenter(c);
        EXPECT_EQ(lo, tc.Min) << tc.Points.size() << " points";
        EXPECT_EQ(hi, tc.Max) << tc.Points.size() << " points";
        for (std::size_t a = 0; a < 3; ++a)
            EXPECT_DOUBLE_EQ(c[a], tc.Centre[a]) << tc.Points.size() << " points";
        EXPECT_DOUBLE_EQ(p.GetRadius(), tc.Radius) << tc.Points.size() << " points";
    }
}

// Every kind of edit of the vertex list reaches the polygon's parent, and the mirror
// plane always sits on the first three vertices as they are after the edit.
TEST(PolygonTest, VertexEditsInvalidateAndMoveThePlane) {
    using Edit = std::function<void(TNyxPolygon&)>;
    auto item = [](TNyxPolygon& p, int i) { return p.Vertexes()->ItemAs<TNyxVertex3TexCI>(i); };
    struct TCase {
        const char* Name;
        Edit Do;
        std::array<V3, 3> Plane;
    };
    const TCase cases[] = {
        {"edit a coordinate",
         [&](TNyxPolygon& p) { item(p, 1)->SetData(2, 5); },
         {{{0, 0, 0}, {1, 0, 5}, {1, 1, 0}}}},
        {"edit a colour",
         [&](TNyxPolygon& p) { item(p, 0)->SetColor(0xFF); },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
        {"edit a texture coordinate",
         [&](TNyxPolygon& p) { item(p, 0)->SetData(4, 1); },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
        {"add", [&](TNyxPolygon& p) { p.Vertexes()->Add(); }, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
        {"insert at the front",
         [&](TNyxPolygon& p) {
             p.Vertexes()->BeginUpdate();  // the new item's coordinates come in one change
             auto* v = static_cast<TNyxVertex3TexCI*>(p.Vertexes()->Insert(0));
             v->SetData(2, -1);
             p.Vertexes()->EndUpdate();
         },
         {{{0, 0, -1}, {0, 0, 0}, {1, 0, 0}}}},
        {"delete the first",
         [&](TNyxPolygon& p) { p.Vertexes()->Delete(0); },
         {{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}},
        {"move the last to the front",
         [&](TNyxPolygon& p) { item(p, 3)->SetIndex(0); },
         {{{0, 1, 0}, {0, 0, 0}, {1, 0, 0}}}},
        {"free an item",
         [&](TNyxPolygon& p) { delete item(p, 0); },
         {{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}},
        // Below three vertices the plane stays where it was, yet the view is told.
        {"clear",
         [&](TNyxPolygon& p) { p.Vertexes()->Clear(); },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
        {"delete to two",
         [&](TNyxPolygon& p) {
             p.Vertexes()->Delete(3);
             p.Vertexes()->Delete(2);
         },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
        {"normal",
         [&](TNyxPolygon& p) { p.Normal()->SetZ(1); },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}},
    };
    for (const TCase& tc : cases) {
        TCountingParent parent(nullptr);
        auto* p = new TNyxPolygon(nullptr);
        p->SetParentComponent(&parent);
        AddCorners(*p, 4);
        parent.Invalidated = 0;
        tc.Do(*p);
        EXPECT_GE(parent.Invalidated, 1) << tc.Name;
        EXPECT_EQ(p->PlanePoints(), tc.Plane) << tc.Name;
    }
}

TEST(PolygonTest, PlaneStaysZeroBelowThreeVertices) {
    TCountingParent parent(nullptr);
    auto* p = new TNyxPolygon(nullptr);
    p->SetParentComponent(&parent);
    AddVertex(*p, {1, 2, 3});
    AddVertex(*p, {4, 5, 6});
    EXPECT_EQ(p->PlanePoints(), (std::array<V3, 3>{}));
    EXPECT_GT(parent.Invalidated, 0);
    AddVertex(*p, {7, 8, 0});
    EXPECT_EQ(p->PlanePoints(), (std::array<V3, 3>{{{1, 2, 3}, {4, 5, 6}, {7, 8, 0}}}));
}

// --- Height field ------------------------------------------------------------------------

// Heights as a plane z = X + 10 Y, with a log of the points asked for.
struct THeights {
    std::vector<std::array<double, 2>> Asked;
    int Normals = 0;
    int Extents = 0;
    void Height(TNyxObject*, double X, double Y, double& Z) {
        EXPECT_EQ(Z, 0);
        Asked.push_back({X, Y});
        Z = X + 10 * Y;
    }
    void Normal(TNyxObject*, double X, double Y, TGLArrayd3& N) {
        EXPECT_EQ(N, (TGLArrayd3{0, 0, 0}));
        ++Normals;
        N = {X, Y, 1};
    }
    void Extent(TNyxObject*, TGLArrayd3& Min, TGLArrayd3& Max) {
        ++Extents;
        Min[2] = -4;
        Max[2] = Max[0] + 1;
    }
    void Attach(TNyxHeightField& H) {
        H.SetOnGetHeight(TNyxGetHeight::Bind<&THeights::Height>(this));
    }
};

std::unique_ptr<TNyxHeightField> Field(double X1, double X2, double Y1, double Y2, int XS, int YS) {
    auto h = std::make_unique<TNyxHeightField>(nullptr);
    const double bounds[4] = {X1, X2, Y1, Y2};
    for (int i = 0; i < 4; ++i)
        h->SetFieldBounds(i, bounds[i]);
    h->SetSegments(0, XS);
    h->SetSegments(1, YS);
    return h;
}

TEST(HeightFieldTest, StripOrderAndSamplingOrder) {
    auto h = Field(0, 2, 0, 1, 2, 1);
    THeights heights;
    heights.Attach(*h);
    TRecording rec;
    rec.Run([&] { h->DrawSpecific(GL_FRONT, false); });
    TReplay r(rec.Calls);
    ASSERT_EQ(r.Prims.size(), 1u);
    EXPECT_EQ(r.Prims[0].Mode, "GL_TRIANGLE_STRIP");
    // B0 A0 B1 A1 B2 A2: upper edge first in each column.
    const std::vector<V3> expected = {{0, 1, 10}, {0, 0, 0},  {1, 1, 11},
                                      {1, 0, 1},  {2, 1, 12}, {2, 0, 2}};
    EXPECT_EQ(Positions(r.Prims[0]), expected);
    // A, B, then C, D, E per column; C and the last column's D and E lie outside.
    const std::vector<std::array<double, 2>> asked = {
        {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}, {3, 0}, {3, 1}};
    EXPECT_EQ(heights.Asked, asked);
    // Counter-clockwise from +z, normals (0, 0, 1) without AutoNormal or a handler.
    for (std::size_t k = 0; k + 2 < r.Prims[0].Corners.size(); ++k) {
        const auto& c = r.Prims[0].Corners;
        V3 n = Cross(Sub(c[k + 1].Pos, c[k].Pos), Sub(c[k + 2].Pos, c[k].Pos));
        if (k % 2)
            n = {-n[0], -n[1], -n[2]};  // odd triangles of a strip are taken reversed
        EXPECT_GT(n[2], 0) << "triangle " << k;
        EXPECT_EQ(c[k].Normal, (V3{0, 0, 1}));
    }
    EXPECT_EQ(r.Normals, 6);
    EXPECT_EQ(r.TexCoords, 0);
}

TEST(HeightFieldTest, CallbackCountsPerDrawAndPerExtent) {
    struct TCase {
        int XS, YS;
        int DrawCalls, SizeCalls;
    };
    // Per row 2 + 3 (XS + 1) samples; the extent asks every grid point once.
    const TCase cases[] = {
        {1, 1, 8, 4},       {10, 10, 10 * 35, 121},
        {4, 2, 2 * 17, 15}, {0, 0, 8, 4},  // below 1: used as 1
        {-3, 2, 16, 6},
    };
    for (const TCase& tc : cases) {
        auto h = Field(-1, 1, -1, 1, tc.XS, tc.YS);
        EXPECT_EQ(h->XSegments(), tc.XS);  // stored as given
        THeights heights;
        heights.Attach(*h);
        TRecording rec;
        rec.Run([&] { h->DrawSpecific(GL_FRONT_AND_BACK, false); });
        EXPECT_EQ(int(heights.Asked.size()), tc.DrawCalls) << tc.XS << " x " << tc.YS;
        TReplay r(rec.Calls);
        EXPECT_EQ(int(r.Prims.size()), std::max(tc.YS, 1));
        for (const TPrimitive& p : r.Prims) {
            EXPECT_EQ(int(p.Corners.size()), 2 * (std::max(tc.XS, 1) + 1));
            for (const TCorner& c : p.Corners)
                EXPECT_TRUE(std::isfinite(c.Pos[0]) && std::isfinite(c.Pos[1]));
        }
        heights.Asked.clear();
        TGLArrayd3 lo, hi;
        h->GetSize(lo, hi);
        EXPECT_EQ(int(heights.Asked.size()), tc.SizeCalls) << tc.XS << " x " << tc.YS;
        EXPECT_EQ(lo, (TGLArrayd3{-1, -1, -11}));
        EXPECT_EQ(hi, (TGLArrayd3{1, 1, 11}));
    }
}

TEST(HeightFieldTest, NormalsFromDifferencesFromTheHandlerOrUp) {
    auto h = Field(0, 1, 0, 1, 1, 1);
    THeights heights;
    heights.Attach(*h);
    h->SetOnGetHeightNormal(TNyxGetHeightNormal::Bind<&THeights::Normal>(&heights));
    TRecording rec;
    rec.Run([&] { h->DrawSpecific(GL_FRONT, false); });
    TReplay handler(rec.Calls);
    EXPECT_EQ(heights.Normals, 4);
    EXPECT_EQ(handler.Prims[0].Corners[0].Normal, (V3{0, 1, 1}));  // B0 at (0, 1)
    EXPECT_EQ(handler.Prims[0].Corners[3].Normal, (V3{1, 0, 1}));  // A1 at (1, 0)

    // AutoNormal wins over the handler: the plane z = x + 10 y, normalised.
    h->SetAutoNormal(true);
    rec.Run([&] { h->DrawSpecific(GL_FRONT, false); });
    TReplay automatic(rec.Calls);
    EXPECT_EQ(heights.Normals, 4);
    const double len = std::sqrt(1 + 100 + 1);
    for (const TCorner& c : automatic.Prims[0].Corners) {
        EXPECT_DOUBLE_EQ(c.Normal[0], -1 / len);
        EXPECT_DOUBLE_EQ(c.Normal[1], -10 / len);
        EXPECT_DOUBLE_EQ(c.Normal[2], 1 / len);
    }
}

TEST(HeightFieldTest, FlatWithoutHandlerDraftAndTexture) {
    auto h = Field(0, 3, 0, 2, 3, 2);
    GiveTexture(*h);
    TRecording rec;
    rec.Run([&] { h->DrawSpecific(GL_FRONT, true); });
    TReplay r(rec.Calls);
    ASSERT_EQ(r.Prims.size(), 2u);
    for (const TPrimitive& p : r.Prims) {
        EXPECT_EQ(p.Mode, "GL_LINE_STRIP");
        for (const TCorner& c : p.Corners) {
            EXPECT_EQ(c.Pos[2], 0);
            // Texture coordinates follow the grid, in single precision, also in draft.
            EXPECT_FLOAT_EQ(float(c.S), float(c.Pos[0] / 3));
            EXPECT_FLOAT_EQ(float(c.T), float(c.Pos[1] / 2));
        }
    }
    EXPECT_EQ(rec.Only({"glTexCoord2f"}).size(), 16u);
    TGLArrayd3 lo, hi;
    h->GetSize(lo, hi);
    EXPECT_EQ(lo, (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(hi, (TGLArrayd3{3, 2, 0}));
}

TEST(HeightFieldTest, ExtentsFromTheHandlerWithoutSampling) {
    auto h = Field(5, 1, 2, 3, 4, 4);  // X1 above X2 stays so
    THeights heights;
    heights.Attach(*h);
    TGLArrayd3 lo, hi;
    h->GetSize(lo, hi);
    EXPECT_EQ(lo, (TGLArrayd3{5, 2, 21}));  // x + 10 y from 1 + 20 to 5 + 30
    EXPECT_EQ(hi, (TGLArrayd3{1, 3, 35}));
    heights.Asked.clear();
    h->SetOnGetExtents(TNyxUserGetExtents::Bind<&THeights::Extent>(&heights));
    h->GetSize(lo, hi);
    EXPECT_TRUE(heights.Asked.empty());
    EXPECT_EQ(heights.Extents, 1);
    EXPECT_EQ(lo, (TGLArrayd3{5, 2, -4}));
    EXPECT_EQ(hi, (TGLArrayd3{1, 3, 2}));
}

TEST(HeightFieldTest, FreshFieldIsADegenerateGrid) {
    TNyxHeightField h(nullptr);
    EXPECT_EQ(h.XSegments(), 10);
    EXPECT_FALSE(h.AutoNormal());
    TRecording rec;
    rec.Run([&] { h.DrawSpecific(GL_FRONT, false); });
    TReplay r(rec.Calls);
    ASSERT_EQ(r.Prims.size(), 10u);
    for (const TPrimitive& p : r.Prims)
        for (const TCorner& c : p.Corners)
            EXPECT_EQ(c.Pos, (V3{0, 0, 0}));
}

TEST(HeightFieldTest, SettersIgnoreOtherIndicesAndEqualValues) {
    TCountingParent parent(nullptr);
    auto* h = new TNyxHeightField(nullptr);
    h->SetParentComponent(&parent);
    struct TCase {
        std::function<void()> Set;
        int Invalidations;
    };
    const TCase cases[] = {
        {[&] { h->SetFieldBounds(1, 2); }, 1}, {[&] { h->SetFieldBounds(1, 2); }, 0},
        {[&] { h->SetFieldBounds(4, 2); }, 0}, {[&] { h->SetFieldBounds(-1, 2); }, 0},
        {[&] { h->SetSegments(1, -5); }, 1},   {[&] { h->SetSegments(2, 5); }, 0},
        {[&] { h->SetSegments(0, 10); }, 0},   {[&] { h->SetAutoNormal(true); }, 1},
        {[&] { h->SetAutoNormal(true); }, 0},
    };
    for (const TCase& tc : cases) {
        parent.Invalidated = 0;
        tc.Set();
        EXPECT_EQ(parent.Invalidated, tc.Invalidations);
    }
    EXPECT_EQ(h->X2(), 2);
    EXPECT_EQ(h->YSegments(), -5);
}

// --- Streams -------------------------------------------------------------------------------

std::string Contents(TMemoryStream& S) {
    return std::string(reinterpret_cast<const char*>(S.Memory()), std::size_t(S.Size()));
}

// Writes Source, checks the text form, reads it back into a fresh object of its class.
std::unique_ptr<TComponent> RoundTrip(TNyxObject& Source, const std::vector<std::string>& Lines) {
    TMemoryStream binary, text;
    binary.WriteComponent(&Source);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    const std::string written = Contents(text);
    for (const std::string& line : Lines)
        EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
    text.SetPosition(0);
    TMemoryStream again;
    ObjectTextToBinary(text, again);
    again.SetPosition(0);
    std::unique_ptr<TComponent> fresh(Source.ClassType().NewComponent(nullptr));
    TReader reader(again, 4096);
    reader.ReadRootComponent(fresh.get());
    return fresh;
}

TEST(SurfacesTest, PropertiesRoundTripThroughStreams) {
    TNyxPolygon p(nullptr);
    AddCorners(p, 4);
    p.Vertexes()->ItemAs<TNyxVertex3TexCI>(3)->SetColor(0x00FF00);
    p.Vertexes()->ItemAs<TNyxVertex3TexCI>(3)->SetData(3, 0.5);
    p.SetReflection(0.3);
    p.SetColorVertexes(false);
    p.SetAutoNormal(false);
    p.Normal()->SetY(-1);
    p.SetShadows(1, true);
    auto fresh = RoundTrip(p, {"Reflection = 0.3", "ColorVertexes = False", "AutoNormal = False",
                               "Normal.Y = -1", "ReceiveShadows = True", "Vertexes = <"});
    auto& q = static_cast<TNyxPolygon&>(*fresh);
    ASSERT_EQ(q.VertexCount(), 4);
    EXPECT_EQ(q.Vertex(2)->Data(), (TGLArrayd3{1, 1, 0}));
    EXPECT_EQ(q.Vertex(3)->Color(), 0x00FF00);
    EXPECT_EQ(q.Vertex(3)->TexX(), 0.5);
    EXPECT_EQ(q.Reflection(), 0.3);
    EXPECT_FALSE(q.ColorVertexes());
    EXPECT_FALSE(q.AutoNormal());
    EXPECT_EQ(q.Normal()->Data(), (TGLArrayd3{0, -1, 0}));
    EXPECT_TRUE(q.ReceiveShadows());
    // The plane follows the vertices read.
    EXPECT_EQ(q.PlanePoints()[2], (TGLArrayd3{1, 1, 0}));

    auto h = Field(-2, 2, 0, 1.5, 7, 3);
    auto back = RoundTrip(*h, {"X1 = -2", "X2 = 2", "Y2 = 1.5", "XSegments = 7", "YSegments = 3",
                               "AutoNormal = False"});
    auto& g = static_cast<TNyxHeightField&>(*back);
    EXPECT_EQ(g.X1(), -2);
    EXPECT_EQ(g.Y1(), 0);
    EXPECT_EQ(g.Y2(), 1.5);
    EXPECT_EQ(g.XSegments(), 7);
    EXPECT_EQ(g.YSegments(), 3);
}

}  // namespace
}  // namespace nyx
