// Geometry the four closed solids emit, read back through the recording table, and
// their extents and setters.

#include "glreplay.h"
#include "objects/box.h"
#include "objects/polyhedra.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "objects/torus.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace nyx {
namespace {

using namespace test;

// --- Box ------------------------------------------------------------------------------

TEST(BoxTest, UnslicedSolidIsSixQuadsInTableOrder) {
    TNyxBox box(nullptr);
    TRecording rec;
    rec.Run([&] { box.DrawSpecific(GL_FRONT, false); });
    const std::vector<std::string> expected = {"glNormal3fv({-1, 0, 0})",
                                               "glBegin(GL_QUADS)",
                                               "glVertex3fv({-0.5, 0.5, -0.5})",
                                               "glVertex3fv({-0.5, -0.5, -0.5})",
                                               "glVertex3fv({-0.5, -0.5, 0.5})",
                                               "glVertex3fv({-0.5, 0.5, 0.5})",
                                               "glEnd()"};
    ASSERT_GE(rec.Calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(rec.Calls.begin(), rec.Calls.begin() + 7), expected);
    TReplay r(rec.Calls);
    ASSERT_EQ(r.Prims.size(), 6u);
    EXPECT_EQ(r.Count("GL_QUADS"), 6);
    EXPECT_EQ(r.TexCoords, 0);
    const V3 normals[6] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int f = 0; f < 6; ++f)
        for (const TCorner& c : r.Prims[f].Corners) {
            EXPECT_EQ(c.Normal, normals[f]) << "face " << f;
            // Every corner lies on the face's plane.
            EXPECT_DOUBLE_EQ(Dot(c.Pos, normals[f]), 0.5) << "face " << f;
        }
    ExpectOutwardWinding(r);
}

TEST(BoxTest, TexturedUnslicedCornersTakeIntegerCoordinates) {
    TNyxBox box(nullptr);
    GiveTexture(box);
    TRecording rec;
    rec.Run([&] { box.DrawSpecific(GL_FRONT, false); });
    const auto tex = rec.Only({"glTexCoord2i"});
    ASSERT_EQ(tex.size(), 24u);
    const char* cycle[4] = {"glTexCoord2i(1, 0)", "glTexCoord2i(0, 0)", "glTexCoord2i(0, 1)",
                            "glTexCoord2i(1, 1)"};
    for (std::size_t i = 0; i < tex.size(); ++i)
        EXPECT_EQ(tex[i], cycle[i % 4]);
    // Each texture coordinate comes right before its vertex.
    for (std::size_t i = 0; i < rec.Calls.size(); ++i)
        if (Fn(rec.Calls[i]) == "glTexCoord2i") {
            EXPECT_EQ(Fn(rec.Calls[i + 1]), "glVertex3fv");
        }
}

TEST(BoxTest, UnslicedDraftIsTwoLoopsAndFourEdgesWithoutTexture) {
    TNyxBox box(nullptr);
    GiveTexture(box);
    TRecording rec;
    rec.Run([&] { box.DrawSpecific(GL_FRONT_AND_BACK, true); });
    const std::vector<std::string> expected = {
        "glNormal3fv({-1, 0, 0})",
        "glBegin(GL_LINE_LOOP)",
        "glVertex3fv({-0.5, 0.5, -0.5})",
        "glVertex3fv({-0.5, -0.5, -0.5})",
        "glVertex3fv({-0.5, -0.5, 0.5})",
        "glVertex3fv({-0.5, 0.5, 0.5})",
        "glEnd()",
        "glNormal3fv({1, 0, 0})",
        "glBegin(GL_LINE_LOOP)",
        "glVertex3fv({0.5, -0.5, -0.5})",
        "glVertex3fv({0.5, 0.5, -0.5})",
        "glVertex3fv({0.5, 0.5, 0.5})",
        "glVertex3fv({0.5, -0.5, 0.5})",
        "glEnd()",
        "glBegin(GL_LINES)",
        "glVertex3fv({-0.5, 0.5, -0.5})",
        "glVertex3fv({0.5, 0.5, -0.5})",
        "glVertex3fv({-0.5, -0.5, -0.5})",
        "glVertex3fv({0.5, -0.5, -0.5})",
        "glVertex3fv({-0.5, -0.5, 0.5})",
        "glVertex3fv({0.5, -0.5, 0.5})",
        "glVertex3fv({-0.5, 0.5, 0.5})",
        "glVertex3fv({0.5, 0.5, 0.5})",
        "glEnd()",
    };
    EXPECT_EQ(rec.Calls, expected);
}

// The grid path: cell counts, one primitive or one loop per cell, texture coordinates
// that follow the face's mapping, outward winding.
struct TGridCase {
    int X, Y, Z;
    bool Draft, Textured;
    int Loops, Quads;  // line loops, and quads in the single GL_QUADS primitive
};

void PrintTo(const TGridCase& c, std::ostream* os) {
    *os << c.X << "x" << c.Y << "x" << c.Z << (c.Draft ? " draft" : "")
        << (c.Textured ? " textured" : "");
}

class BoxGridTest : public ::testing::TestWithParam<TGridCase> {};

TEST_P(BoxGridTest, EmitsEveryCellOfEveryFace) {
    const TGridCase& tc = GetParam();
    TNyxBox box(nullptr);
    box.SetSlices(0, tc.X);
    box.SetSlices(1, tc.Y);
    box.SetSlices(2, tc.Z);
    if (tc.Textured)
        GiveTexture(box);
    TRecording rec;
    rec.Run([&] { box.DrawSpecific(GL_FRONT, tc.Draft); });
    TReplay r(rec.Calls);
    EXPECT_EQ(r.Count("GL_LINE_LOOP"), tc.Loops);
    EXPECT_EQ(r.Count("GL_QUADS"), tc.Quads ? 1 : 0);
    EXPECT_EQ(r.Quads().size(), std::size_t(tc.Loops + tc.Quads));
    EXPECT_EQ(r.Normals, 6);  // once per face
    const bool texCoords = tc.Textured && !tc.Draft;
    EXPECT_EQ(r.TexCoords, texCoords ? 4 * tc.Quads : 0);
    ExpectOutwardWinding(r);
    for (const auto& q : r.Quads())
        for (const TCorner& c : q) {
            const V3& p = c.Pos;
            const V3& n = c.Normal;
            EXPECT_DOUBLE_EQ(Dot(p, n), 0.5);
            if (!texCoords)
                continue;
            // s and t by face, from the corner's position.
            double s = 0, t = 0;
            if (n[0] < 0) {
                s = p[1] + 0.5;
                t = p[2] + 0.5;
            } else if (n[0] > 0) {
                s = 0.5 - p[1];
                t = p[2] + 0.5;
            } else if (n[1] < 0) {
                s = 0.5 - p[0];
                t = p[2] + 0.5;
            } else if (n[1] > 0) {
                s = p[0] + 0.5;
                t = p[2] + 0.5;
            } else if (n[2] < 0) {
                s = 0.5 - p[0];
                t = 0.5 - p[1];
            } else {
                s = 0.5 - p[0];
                t = p[1] + 0.5;
            }
            EXPECT_NEAR(c.S, s, 1e-6);
            EXPECT_NEAR(c.T, t, 1e-6);
        }
}

INSTANTIATE_TEST_SUITE_P(Slices, BoxGridTest,
                         ::testing::Values(
                             // faces: 2*Y*Z + 2*X*Z + 2*X*Y cells
                             TGridCase{2, 1, 1, true, false, 10, 0},
                             TGridCase{2, 1, 1, false, false, 0, 10},
                             TGridCase{2, 3, 1, false, true, 0, 2 * 3 + 2 * 2 + 2 * 6},
                             TGridCase{3, 2, 4, true, true, 2 * 8 + 2 * 12 + 2 * 6, 0},
                             TGridCase{1, 1, 5, false, true, 0, 2 * 5 + 2 * 5 + 2}));

TEST(BoxTest, GridTextureCoordinatesComeFromGridIndices) {
    // Thirds are not exact in single precision: k/N, not the rounded position + 0.5.
    TNyxBox box(nullptr);
    box.SetSlices(1, 3);
    GiveTexture(box);
    TRecording rec;
    rec.Run([&] { box.DrawSpecific(GL_FRONT, false); });
    const auto tex = rec.Only({"glTexCoord2f"});
    ASSERT_FALSE(tex.empty());
    // -X face, first cell: (y0, z0), (y0, z1), (y1, z1), (y1, z0).
    EXPECT_EQ(tex[0], "glTexCoord2f(0, 0)");
    EXPECT_EQ(tex[1], "glTexCoord2f(0, 1)");
    EXPECT_EQ(tex[2], "glTexCoord2f(0.33333334, 1)");
}

struct TPartCase {
    TNyxBoxParts Part;
    V3 Normal;
};

void PrintTo(const TPartCase& c, std::ostream* os) { *os << "part " << int(c.Part); }

class BoxPartsTest : public ::testing::TestWithParam<TPartCase> {};

TEST_P(BoxPartsTest, LeftOutFaceIsNotDrawnInAnyPath) {
    const TPartCase& tc = GetParam();
    struct TPath {
        int Slices;
        bool Draft;
    };
    for (const TPath path : {TPath{1, false}, TPath{1, true}, TPath{2, false}, TPath{2, true}}) {
        TNyxBox box(nullptr);
        box.SetSlices(0, path.Slices);
        box.SetParts(TNyxBox::AllParts - TNyxBoxPartSet{tc.Part});
        TRecording rec;
        rec.Run([&] { box.DrawSpecific(GL_FRONT, path.Draft); });
        TReplay r(rec.Calls);
        EXPECT_EQ(r.Normals, 5) << "slices " << path.Slices << " draft " << path.Draft;
        for (const TPrimitive& p : r.Prims)
            for (const TCorner& c : p.Corners)
                EXPECT_NE(c.Normal, tc.Normal);
        EXPECT_EQ(r.Count("GL_LINES"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faces, BoxPartsTest,
    ::testing::Values(TPartCase{bpLeft, {-1, 0, 0}}, TPartCase{bpRight, {1, 0, 0}},
                      TPartCase{bpFront, {0, -1, 0}}, TPartCase{bpBack, {0, 1, 0}},
                      TPartCase{bpBottom, {0, 0, -1}}, TPartCase{bpTop, {0, 0, 1}}));

TEST(BoxTest, NoPartsDrawsNothing) {
    for (int slices : {1, 2})
        for (bool draft : {false, true}) {
            TNyxBox box(nullptr);
            box.SetSlices(2, slices);
            box.SetParts({});
            TRecording rec;
            rec.Run([&] { box.DrawSpecific(GL_FRONT, draft); });
            EXPECT_TRUE(rec.Calls.empty());
        }
}

// --- Sphere and cone ------------------------------------------------------------------

TEST(SphereTest, QuadricSetUpFollowsDraftAndSmooth) {
    struct TCase {
        bool Draft, Smooth;
        std::vector<std::string> Calls;
    };
    const TCase cases[] = {
        {false,
         true,
         {"gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_FILL)",
          "gluQuadricTexture(<quadric>, GL_TRUE)", "gluSphere(<quadric>, 0.5, 20, 20)",
          "gluDeleteQuadric(<quadric>)"}},
        {false,
         false,
         {"gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_FILL)",
          "gluQuadricTexture(<quadric>, GL_TRUE)", "gluQuadricNormals(<quadric>, GLU_FLAT)",
          "gluSphere(<quadric>, 0.5, 20, 20)", "gluDeleteQuadric(<quadric>)"}},
        {true,
         false,
         {"gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_LINE)",
          "gluQuadricNormals(<quadric>, GLU_FLAT)", "gluSphere(<quadric>, 0.5, 20, 20)",
          "gluDeleteQuadric(<quadric>)"}},
    };
    for (const TCase& tc : cases) {
        TNyxSphere sphere(nullptr);
        sphere.SetSmooth(tc.Smooth);
        TRecording rec;
        rec.Run([&] { sphere.DrawSpecific(GL_FRONT, tc.Draft); });
        EXPECT_EQ(rec.Calls, tc.Calls) << "draft " << tc.Draft << " smooth " << tc.Smooth;
    }
}

TEST(SphereTest, CountsGluCannotUseReachItUnchangedAndDrawNothing) {
    TNyxSphere sphere(nullptr);
    sphere.SetSlices(1);
    sphere.SetStacks(-3);
    EXPECT_EQ(sphere.Slices(), 1);
    EXPECT_EQ(sphere.Stacks(), -3);
    TRecording rec;
    rec.Run([&] { sphere.DrawSpecific(GL_FRONT, false); });
    EXPECT_EQ(rec.Only({"gluSphere"}),
              std::vector<std::string>{"gluSphere(<quadric>, 0.5, 1, -3)"});
}

TEST(ConeTest, PartsAndDisksFollowRadiiAndParts) {
    struct TCase {
        double R1, R2;
        TNyxConePartSet Parts;
        bool Draft;
        std::vector<std::string> Calls;
    };
    const TNyxConePartSet all = TNyxCone::AllParts;
    const TCase cases[] = {
        {0.25,
         0.5,
         all,
         false,
         {"glPushMatrix()", "gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_FILL)",
          "gluQuadricTexture(<quadric>, GL_TRUE)", "glTranslatef(0, 0, -1)",
          "gluCylinder(<quadric>, 0.5, 0.25, 2, 10, 1)",
          "gluQuadricOrientation(<quadric>, GLU_INSIDE)", "gluDisk(<quadric>, 0, 0.5, 10, 1)",
          "glTranslatef(0, 0, 2)", "gluQuadricOrientation(<quadric>, GLU_OUTSIDE)",
          "gluDisk(<quadric>, 0, 0.25, 10, 1)", "gluDeleteQuadric(<quadric>)", "glPopMatrix()"}},
        // A point at the bottom: no bottom disk although asked for; side only.
        {0.25,
         0,
         all,
         true,
         {"glPushMatrix()", "gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_LINE)",
          "glTranslatef(0, 0, -1)", "gluCylinder(<quadric>, 0, 0.25, 2, 10, 1)",
          "gluQuadricOrientation(<quadric>, GLU_INSIDE)", "glTranslatef(0, 0, 2)",
          "gluQuadricOrientation(<quadric>, GLU_OUTSIDE)", "gluDisk(<quadric>, 0, 0.25, 10, 1)",
          "gluDeleteQuadric(<quadric>)", "glPopMatrix()"}},
        // Side left out, top radius 0: only the bottom disk.
        {0,
         0.5,
         TNyxConePartSet{cpTop, cpBottom},
         false,
         {"glPushMatrix()", "gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_FILL)",
          "gluQuadricTexture(<quadric>, GL_TRUE)", "glTranslatef(0, 0, -1)",
          "gluQuadricOrientation(<quadric>, GLU_INSIDE)", "gluDisk(<quadric>, 0, 0.5, 10, 1)",
          "glTranslatef(0, 0, 2)", "gluQuadricOrientation(<quadric>, GLU_OUTSIDE)",
          "gluDeleteQuadric(<quadric>)", "glPopMatrix()"}},
    };
    for (const TCase& tc : cases) {
        TNyxCone cone(nullptr);
        cone.SetRadius1(tc.R1);
        cone.SetRadius2(tc.R2);
        cone.SetHeight(2);
        cone.SetParts(tc.Parts);
        TRecording rec;
        rec.Run([&] { cone.DrawSpecific(GL_FRONT, tc.Draft); });
        EXPECT_EQ(rec.Calls, tc.Calls) << "r1 " << tc.R1 << " r2 " << tc.R2;
    }
}

TEST(ConeTest, FlatNormalsComeBeforeTexturing) {
    TNyxCone cone(nullptr);
    cone.SetSmooth(false);
    TRecording rec;
    rec.Run([&] { cone.DrawSpecific(GL_FRONT, false); });
    const auto setup = rec.Only({"gluQuadricNormals", "gluQuadricTexture"});
    EXPECT_EQ(setup, (std::vector<std::string>{"gluQuadricNormals(<quadric>, GLU_FLAT)",
                                               "gluQuadricTexture(<quadric>, GL_TRUE)"}));
}

// --- Torus -----------------------------------------------------------------------------

TEST(TorusTest, QuadsLieOnTheSurfaceAndFaceOutward) {
    struct TCase {
        bool Draft, Smooth;
    };
    for (const TCase tc : {TCase{false, true}, TCase{false, false}, TCase{true, true}}) {
        TNyxTorus torus(nullptr);
        torus.SetRadius1(2);
        torus.SetRadius2(0.5);
        torus.SetRings(6);
        torus.SetSides(4);
        torus.SetSmooth(tc.Smooth);
        TRecording rec;
        rec.Run([&] { torus.DrawSpecific(GL_FRONT, tc.Draft); });
        TReplay r(rec.Calls);
        const std::string mode = tc.Draft ? "GL_LINE_LOOP" : "GL_QUADS";
        EXPECT_EQ(r.Count(mode), 24);
        EXPECT_EQ(int(r.Prims.size()), 24);
        EXPECT_EQ(r.Normals, tc.Smooth ? 96 : 24);
        EXPECT_EQ(r.TexCoords, tc.Draft ? 0 : 96);
        EXPECT_EQ(rec.Only({"glVertex3dv"}).size(), 96u);
        ExpectOutwardWinding(r);
        for (const TPrimitive& p : r.Prims)
            for (const TCorner& c : p.Corners) {
                // Distance from the tube's centre line is the tube radius.
                const double ring = std::hypot(c.Pos[0], c.Pos[1]);
                EXPECT_NEAR(std::hypot(ring - 2, c.Pos[2]), 0.5, 1e-9);
                EXPECT_NEAR(std::sqrt(Dot(c.Normal, c.Normal)), 1, 1e-9);
            }
    }
}

TEST(TorusTest, FirstQuadStartsAtCornerDWithItsTextureCoordinate) {
    TNyxTorus torus(nullptr);
    torus.SetRadius1(1);
    torus.SetRadius2(0.25);
    torus.SetSides(4);
    torus.SetRings(4);
    TRecording rec;
    rec.Run([&] { torus.DrawSpecific(GL_FRONT, false); });
    ASSERT_GE(rec.Calls.size(), 5u);
    // D = (theta 0, phi 90 degrees): top of the tube at x = 1.
    EXPECT_EQ(rec.Calls[0], "glBegin(GL_QUADS)");
    const auto n = Args(rec.Calls[1]);
    EXPECT_NEAR(n[0], 0, 1e-15);
    EXPECT_NEAR(n[2], 1, 1e-15);
    EXPECT_EQ(rec.Calls[2], "glTexCoord2d(0, 0.75)");
    const auto v = Args(rec.Calls[3]);
    EXPECT_NEAR(v[0], 1, 1e-15);
    EXPECT_NEAR(v[2], 0.25, 1e-15);
    // A (theta 0, phi 0) closes the quad with t = 1.
    EXPECT_EQ(rec.Only({"glTexCoord2d"})[3], "glTexCoord2d(0, 1)");
}

// --- Extents and setters ----------------------------------------------------------------

TEST(SolidsTest, ExtentsAndRadii) {
    TNyxBox box(nullptr);
    TNyxSphere sphere(nullptr);
    TNyxCone cone(nullptr), freshCone(nullptr);
    cone.SetRadius1(0.5);
    cone.SetRadius2(1.5);
    cone.SetHeight(3);
    TNyxTorus torus(nullptr), freshTorus(nullptr);
    torus.SetRadius1(2);
    torus.SetRadius2(0.5);
    TNyxOctahedron octahedron(nullptr);
    TNyxIcosahedron icosahedron(nullptr);
    TNyxDodecahedron dodecahedron(nullptr);
    TNyxTeapot teapot(nullptr), coarseLid(nullptr);
    coarseLid.SetSegments(1);
    coarseLid.SetParts({tpLid});
    struct TCase {
        const char* Name;
        const TNyxObject* Obj;
        V3 Min, Max;
        double Radius;
    };
    const TCase cases[] = {
        {"box", &box, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, std::sqrt(2.0)},
        {"sphere", &sphere, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, 1.0},
        {"cone", &cone, {-1.5, -1.5, -1.5}, {1.5, 1.5, 1.5}, 1.0},
        {"fresh cone", &freshCone, {0, 0, 0}, {0, 0, 0}, 1.0},
        {"torus", &torus, {-2.5, -2.5, -0.5}, {2.5, 2.5, 0.5}, 2.5},
        {"fresh torus", &freshTorus, {0, 0, 0}, {0, 0, 0}, 0.0},
        {"octahedron", &octahedron, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, 1.0},
        {"icosahedron", &icosahedron, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, 1.0},
        {"dodecahedron", &dodecahedron, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, 1.0},
        // Larger than the pot, the same whatever is drawn of it.
        {"teapot", &teapot, {-1.5, -1.0, -0.75}, {1.75, 1.0, 0.85}, 1.0},
        {"coarse lid", &coarseLid, {-1.5, -1.0, -0.75}, {1.75, 1.0, 0.85}, 1.0},
    };
    for (const TCase& tc : cases) {
        TGLArrayd3 min{}, max{};
        tc.Obj->GetSize(min, max);
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(min[i], tc.Min[i]) << tc.Name;
            EXPECT_DOUBLE_EQ(max[i], tc.Max[i]) << tc.Name;
        }
        EXPECT_DOUBLE_EQ(tc.Obj->GetRadius(), tc.Radius) << tc.Name;
    }
}

struct TSetterCase {
    const char* Name;
    std::function<std::int64_t(TNyxObject&)> Set;  // sets, returns the stored value
    std::int64_t Stored;
    bool Invalidates;
};

template <class T>
std::function<std::int64_t(TNyxObject&)> On(std::function<std::int64_t(T&)> f) {
    return [f](TNyxObject& o) { return f(static_cast<T&>(o)); };
}

TEST(SolidsTest, SettersClampThenCompare) {
    using Box = TNyxBox;
    using Cone = TNyxCone;
    using Torus = TNyxTorus;
    using Sphere = TNyxSphere;
    using Teapot = TNyxTeapot;
    const TSetterCase cases[] = {
        {"box SlicesX 0", On<Box>([](Box& b) {
             b.SetSlices(0, 0);
             return b.SlicesX();
         }),
         1, false},
        {"box SlicesY -4", On<Box>([](Box& b) {
             b.SetSlices(1, -4);
             return b.SlicesY();
         }),
         1, false},
        {"box SlicesZ 3", On<Box>([](Box& b) {
             b.SetSlices(2, 3);
             return b.SlicesZ();
         }),
         3, true},
        {"box index 3", On<Box>([](Box& b) {
             b.SetSlices(3, 5);
             return b.SlicesX() + b.SlicesY() + b.SlicesZ();
         }),
         3, false},
        {"box Parts same", On<Box>([](Box& b) {
             b.SetParts(Box::AllParts);
             return b.Parts().ToBits();
         }),
         63, false},
        {"box Parts", On<Box>([](Box& b) {
             b.SetParts({bpTop});
             return b.Parts().ToBits();
         }),
         4, true},
        {"sphere Slices 1", On<Sphere>([](Sphere& s) {
             s.SetSlices(1);
             return s.Slices();
         }),
         1, true},
        {"sphere Stacks same", On<Sphere>([](Sphere& s) {
             s.SetStacks(20);
             return s.Stacks();
         }),
         20, false},
        {"cone Slices 2", On<Cone>([](Cone& c) {
             c.SetSlices(2);
             return c.Slices();
         }),
         3, true},
        {"cone Stacks 0", On<Cone>([](Cone& c) {
             c.SetStacks(0);
             return c.Stacks();
         }),
         1, false},
        {"cone Stacks -2", On<Cone>([](Cone& c) {
             c.SetStacks(-2);
             return c.Stacks();
         }),
         1, false},
        {"cone Radius1 0", On<Cone>([](Cone& c) {
             c.SetRadius1(0);
             return std::int64_t(c.Radius1());
         }),
         0, false},
        {"cone Height 4", On<Cone>([](Cone& c) {
             c.SetHeight(4);
             return std::int64_t(c.Height());
         }),
         4, true},
        {"cone Parts", On<Cone>([](Cone& c) {
             c.SetParts({cpSide});
             return c.Parts().ToBits();
         }),
         4, true},
        {"torus Sides 1", On<Torus>([](Torus& t) {
             t.SetSides(1);
             return t.Sides();
         }),
         2, true},
        {"torus Rings 2", On<Torus>([](Torus& t) {
             t.SetRings(2);
             return t.Rings();
         }),
         3, true},
        {"torus Rings 15", On<Torus>([](Torus& t) {
             t.SetRings(15);
             return t.Rings();
         }),
         15, false},
        {"torus Radius2", On<Torus>([](Torus& t) {
             t.SetRadius2(1);
             return std::int64_t(t.Radius2());
         }),
         1, true},
        {"teapot Segments 0", On<Teapot>([](Teapot& t) {
             t.SetSegments(0);
             return t.Segments();
         }),
         1, true},
        {"teapot Segments -7", On<Teapot>([](Teapot& t) {
             t.SetSegments(-7);
             return t.Segments();
         }),
         1, true},
        {"teapot Segments same", On<Teapot>([](Teapot& t) {
             t.SetSegments(4);
             return t.Segments();
         }),
         4, false},
        {"teapot Parts", On<Teapot>([](Teapot& t) {
             t.SetParts({tpLid});
             return t.Parts().ToBits();
         }),
         8, true},
        {"teapot Parts same", On<Teapot>([](Teapot& t) {
             t.SetParts(Teapot::AllParts);
             return t.Parts().ToBits();
         }),
         15, false},
    };
    ExpectSetterCases(cases, TClassKey<Box>{"box"}, TClassKey<Sphere>{"sphere"},
                      TClassKey<Cone>{"cone"}, TClassKey<Teapot>{"teapot"}, TClassKey<Torus>{""});
}

TEST(SolidsTest, PublishedDefaults) {
    struct TCase {
        const TMetaClass* Class;
        const char* Prop;
        std::int64_t Default;
    };
    const TCase cases[] = {
        {&TNyxBox::StaticClass(), "SlicesX", 1},     {&TNyxBox::StaticClass(), "Parts", 63},
        {&TNyxSphere::StaticClass(), "Slices", 20},  {&TNyxCone::StaticClass(), "Parts", 7},
        {&TNyxCone::StaticClass(), "Slices", 10},    {&TNyxTorus::StaticClass(), "Rings", 15},
        {&TNyxTeapot::StaticClass(), "Segments", 4}, {&TNyxTeapot::StaticClass(), "Parts", 15},
    };
    for (const TCase& tc : cases) {
        const TPropInfo* p = tc.Class->FindProperty(tc.Prop);
        ASSERT_NE(p, nullptr) << tc.Prop;
        ASSERT_TRUE(p->Default.has_value()) << tc.Prop;
        EXPECT_EQ(*p->Default, tc.Default) << tc.Prop;
    }
    // Inherited state each solid shows again.
    const std::pair<const TMetaClass*, const char*> shown[] = {
        {&TNyxBox::StaticClass(), "CastShadows"},
        {&TNyxBox::StaticClass(), "ReceiveShadows"},
        {&TNyxSphere::StaticClass(), "CastShadows"},
        {&TNyxSphere::StaticClass(), "Smooth"},
        {&TNyxCone::StaticClass(), "Smooth"},
        {&TNyxTorus::StaticClass(), "Smooth"},
        {&TNyxOctahedron::StaticClass(), "CastShadows"},
        {&TNyxIcosahedron::StaticClass(), "ReceiveShadows"},
        {&TNyxDodecahedron::StaticClass(), "CastShadows"},
        {&TNyxTeapot::StaticClass(), "Color"},
    };
    for (const auto& [cls, prop] : shown)
        EXPECT_NE(cls->FindProperty(prop), nullptr) << cls->Name() << "." << prop;
    // The teapot is coloured, not shadowed.
    EXPECT_EQ(TNyxTeapot::StaticClass().FindProperty("CastShadows"), nullptr);
}

// Each solid's own properties survive text and binary streams; values at their defaults
// are left out of the text.
TEST(SolidsTest, PropertiesRoundTripThroughStreams) {
    struct TCase {
        const char* Name;
        std::function<TNyxObject*()> Make;  // non-default values set
        std::vector<std::string> Lines;     // expected in the text form
        std::vector<std::string> Absent;
        std::function<void(TNyxObject&)> Check;
    };
    const TCase cases[] = {
        {"box",
         [] {
             auto* b = new TNyxBox(nullptr);
             b->SetSlices(0, 3);
             b->SetSlices(2, 2);
             b->SetParts({bpTop, bpFront});
             return b;
         },
         {"SlicesX = 3", "SlicesZ = 2", "Parts = [bpTop, bpFront]"},
         {"SlicesY"},
         [](TNyxObject& o) {
             auto& b = static_cast<TNyxBox&>(o);
             EXPECT_EQ(b.SlicesX(), 3);
             EXPECT_EQ(b.SlicesY(), 1);
             EXPECT_EQ(b.SlicesZ(), 2);
             EXPECT_EQ(b.Parts(), (TNyxBoxPartSet{bpTop, bpFront}));
         }},
        {"sphere",
         [] {
             auto* s = new TNyxSphere(nullptr);
             s->SetStacks(7);
             return s;
         },
         {"Stacks = 7"},
         {"Slices"},
         [](TNyxObject& o) {
             auto& s = static_cast<TNyxSphere&>(o);
             EXPECT_EQ(s.Slices(), 20);
             EXPECT_EQ(s.Stacks(), 7);
         }},
        {"cone",
         [] {
             auto* c = new TNyxCone(nullptr);
             c->SetRadius1(0.1);
             c->SetHeight(2.5);
             c->SetSlices(12);
             c->SetParts({cpSide});
             return c;
         },
         {"Radius1 = 0.1", "Height = 2.5", "Slices = 12", "Parts = [cpSide]"},
         {"Radius2", "Stacks"},
         [](TNyxObject& o) {
             auto& c = static_cast<TNyxCone&>(o);
             EXPECT_EQ(c.Radius1(), 0.1);
             EXPECT_EQ(c.Radius2(), 0.0);
             EXPECT_EQ(c.Height(), 2.5);
             EXPECT_EQ(c.Slices(), 12);
             EXPECT_EQ(c.Parts(), TNyxConePartSet{cpSide});
         }},
        {"torus",
         [] {
             auto* t = new TNyxTorus(nullptr);
             t->SetRadius1(1.75);
             t->SetRadius2(0.3);
             t->SetSides(5);
             return t;
         },
         {"Radius1 = 1.75", "Radius2 = 0.3", "Sides = 5"},
         {"Rings"},
         [](TNyxObject& o) {
             auto& t = static_cast<TNyxTorus&>(o);
             EXPECT_EQ(t.Radius1(), 1.75);
             EXPECT_EQ(t.Radius2(), 0.3);
             EXPECT_EQ(t.Sides(), 5);
             EXPECT_EQ(t.Rings(), 15);
         }},
        {"teapot",
         [] {
             auto* t = new TNyxTeapot(nullptr);
             t->SetSegments(9);
             t->SetParts({tpBody, tpLid});
             return t;
         },
         {"Segments = 9", "Parts = [tpBody, tpLid]"},
         {},
         [](TNyxObject& o) {
             auto& t = static_cast<TNyxTeapot&>(o);
             EXPECT_EQ(t.Segments(), 9);
             EXPECT_EQ(t.Parts(), (TNyxTeapotPartSet{tpBody, tpLid}));
         }},
        {"icosahedron",
         [] { return new TNyxIcosahedron(nullptr); },
         {},
         {"Segments", "Parts"},
         [](TNyxObject& o) { EXPECT_NE(dynamic_cast<TNyxIcosahedron*>(&o), nullptr); }},
    };
    auto contents = [](TMemoryStream& s) {
        return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
    };
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        std::unique_ptr<TNyxObject> source(tc.Make());
        TMemoryStream binary, text;
        binary.WriteComponent(source.get());
        binary.SetPosition(0);
        ObjectBinaryToText(binary, text);
        const std::string written = contents(text);
        for (const std::string& line : tc.Lines)
            EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
        for (const std::string& prop : tc.Absent)
            EXPECT_EQ(written.find(prop + " ="), std::string::npos) << prop << " in\n" << written;

        // Read the text form back (through binary) into a fresh object of the class.
        text.SetPosition(0);
        TMemoryStream again;
        ObjectTextToBinary(text, again);
        again.SetPosition(0);
        std::unique_ptr<TComponent> fresh(source->ClassType().NewComponent(nullptr));
        TReader reader(again, 4096);
        reader.ReadRootComponent(fresh.get());
        tc.Check(static_cast<TNyxObject&>(*fresh));
    }
}

}  // namespace
}  // namespace nyx
