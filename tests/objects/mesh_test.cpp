// The triangle mesh: its pixels (colours, computed normals and their creases,
// transparency, the geometry cache), picking, extents, draft outline, streams, and the
// shadows its silhouette casts.

#include "objects/detail/meshgeometry.h"
#include "objects/mesh.h"
#include "rtl/graphics.h"
#include "rtl/sysutils.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "tempdir.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include "scene/testsolids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace nyx {
namespace {

constexpr int kSize = 96;

// A cube of half-size H round the origin: eight shared corners, twelve triangles turned
// outwards.
TNyxMeshArrays Cube(float H) {
    TNyxMeshArrays a;
    for (int i = 0; i < 8; ++i)
        a.Positions.insert(a.Positions.end(), {i & 1 ? H : -H, i & 2 ? H : -H, i & 4 ? H : -H});
    a.Indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                 2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};
    return a;
}

// The square [-1, 1]^2 in z = 0, facing +z, red on the left and blue on the right.
TNyxMeshArrays Square() {
    TNyxMeshArrays a;
    a.Positions = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    a.Colors = {255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255};
    a.Indices = {0, 1, 2, 0, 2, 3};
    return a;
}

// A scene seen from +z with one light, rendered off-screen through its passes.
struct TView {
    TView() : gl(kSize, kSize, true) {
        camera.Position()->Store({0, 0, 6});
        camera.Up()->Store({0, 1, 0});
        camera.SetNearPlane(1);
        camera.SetFarPlane(50);
        camera.SetParentComponent(&scene);
        light = new TNyxLight(&scene);
        light->SetParentComponent(&scene);
        light->Point1()->Store({1, 0.3, 1});
        light->SetColor(0x808080);
        mesh = new TNyxMesh(&scene);
        mesh->SetParentComponent(&scene);
    }
    void Render() {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        scene.Render(&camera, kSize, kSize, false);
        gl.Finish();
        if (const char* dir = std::getenv("NYX_TEST_PICTURES")) {
            TBitmap picture(kSize, kSize);
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    picture.ScanLine(y)[x] = gl.Surface().At(x, y) | 0xFF000000u;
            picture.SaveToFile(std::string(dir) + "/" +
                               testing::UnitTest::GetInstance()->current_test_info()->name() +
                               ".png");
        }
    }
    // The pixel where the world point (X, Y, Z) appears, as 0xRRGGBB.
    std::uint32_t At(double X, double Y, double Z = 0) {
        TGLMatrixd4 mv, proj;
        glGetDoublev(GL_MODELVIEW_MATRIX, mv.data());
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        const double p[4] = {X, Y, Z, 1};
        double eye[4] = {}, clip[4] = {};
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                eye[r] += mv[4 * k + r] * p[k];
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                clip[r] += proj[4 * k + r] * eye[k];
        const int px = int((clip[0] / clip[3] + 1) / 2 * kSize);
        const int py = int((clip[1] / clip[3] + 1) / 2 * kSize);
        return gl.Surface().At(px, kSize - 1 - py) & 0xFFFFFF;
    }

    test::TOffscreenGL gl;
    TNyxScene scene{nullptr};
    TNyxCamera camera{nullptr};
    TNyxLight* light;
    TNyxMesh* mesh;
};

int Red(std::uint32_t C) { return int(C >> 16 & 0xFF); }
int Green(std::uint32_t C) { return int(C >> 8 & 0xFF); }
int Blue(std::uint32_t C) { return int(C & 0xFF); }

// --- Pixels ----------------------------------------------------------------------------

TEST(MeshPixels, VertexColoursAreInterpolatedOverTheTriangles) {
    TView v;
    v.mesh->SetArrays(Square());
    v.Render();
    const std::uint32_t left = v.At(-0.8, 0), right = v.At(0.8, 0);
    EXPECT_GT(Red(left), 2 * Blue(left) + 20) << std::hex << left;
    EXPECT_GT(Blue(right), 2 * Red(right) + 20) << std::hex << right;
    EXPECT_EQ(v.At(1.5, 0), 0u) << "background beside the square";
}

TEST(MeshPixels, ComputedNormalsBreakAtCreasesAndAreSmoothBeyondTheAngle) {
    // The cube's front face: flat (one brightness across it) with the default crease
    // angle, shaded like a ball with every edge smooth.
    for (const double crease : {60.0, 180.0}) {
        SCOPED_TRACE(crease);
        TView v;
        v.mesh->SetArrays(Cube(1));
        v.mesh->SetCreaseAngle(crease);
        v.mesh->XForm()->Rotate()->SetX(10);  // the top in sight as well
        v.Render();
        const int a = Green(v.At(-0.7, -0.5, 1)), b = Green(v.At(0.7, -0.5, 1));
        EXPECT_GT(a, 10);
        if (crease < 90)
            EXPECT_NEAR(a, b, 3);
        else
            EXPECT_GT(std::abs(a - b), 10) << a << " " << b;
    }
}

TEST(MeshPixels, SameWithTheGeometryCacheTransparentInItsOwnPass) {
    TView plain;
    plain.mesh->SetArrays(Cube(1));
    plain.Render();
    TView cached;
    cached.mesh->SetArrays(Cube(1));
    cached.scene.SetCacheGeometry(true);
    cached.Render();
    cached.Render();  // the second frame calls the compiled list
    for (const double x : {-0.6, 0.0, 0.6})
        EXPECT_EQ(plain.At(x, 0.2, 1), cached.At(x, 0.2, 1)) << x;

    // The red corner of the square, half transparent over a white background: pink, the
    // material's transparency in the vertex colours' alpha.
    TView glass;
    glass.scene.SetBackgroundColor(0xFFFFFF);
    glass.mesh->SetArrays(Square());
    glass.mesh->Material()->SetTransparency(0.5);
    glass.Render();
    const std::uint32_t pink = glass.At(-0.8, 0);
    EXPECT_GT(Green(pink), 90) << std::hex << pink;
    EXPECT_GT(Red(pink), Green(pink) + 40) << std::hex << pink;
}

TEST(MeshPixels, ABadIndexDrawsNothing) {
    TView v;
    TNyxMeshArrays a = Square();
    a.Indices[4] = 4;  // one past the last vertex
    v.mesh->SetArrays(a);
    v.Render();
    EXPECT_EQ(v.At(-0.8, 0), 0u);
}

// --- Picking, extents, draft ---------------------------------------------------------

TEST(MeshTest, PickedWhereItIsExtentsRoundItsVertices) {
    TView v;
    v.mesh->SetArrays(Square());
    v.mesh->XForm()->Translate()->SetX(2);
    EXPECT_EQ(
        v.scene.Select(&v.camera, kSize, kSize, kSize / 2, kSize / 2, 4, 4, true, false, true), 0);
    EXPECT_FALSE(v.mesh->Selected());
    v.mesh->XForm()->Translate()->SetX(0);
    EXPECT_EQ(
        v.scene.Select(&v.camera, kSize, kSize, kSize / 2, kSize / 2, 4, 4, true, false, true), 1);
    EXPECT_TRUE(v.mesh->Selected());

    TGLArrayd3 lo, hi, c;
    v.mesh->GetSize(lo, hi);
    v.mesh->GetCenter(c);
    EXPECT_EQ(lo, (TGLArrayd3{-1, -1, 0}));
    EXPECT_EQ(hi, (TGLArrayd3{1, 1, 0}));
    EXPECT_EQ(c, (TGLArrayd3{0, 0, 0}));
    EXPECT_DOUBLE_EQ(v.mesh->GetRadius(), std::sqrt(2.0));
    TNyxMesh empty(nullptr);
    empty.GetSize(lo, hi);
    EXPECT_EQ(lo, hi);
}

TEST(MeshTest, DraftDrawsEveryEdgeOnceThroughTheBindingsArrays) {
    test::TOffscreenGL gl(8, 8);
    TNyxMesh cube(nullptr);
    cube.SetArrays(Cube(1));
    TGLRecorder recorder;
    cube.DrawSpecific(GL_FRONT_AND_BACK, true);
    cube.DrawSpecific(GL_FRONT_AND_BACK, false);
    // 12 cube edges and 6 face diagonals; then the 12 triangles.
    EXPECT_EQ(
        recorder.Calls({"glDrawElements"}),
        (std::vector<std::string>{"glDrawElements(GL_LINES, 36, GL_UNSIGNED_INT, <indices>)",
                                  "glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, <indices>)"}));
    EXPECT_EQ(recorder.Calls({"glEnableClientState"}).size(),
              recorder.Calls({"glDisableClientState"}).size());
}

TEST(MeshTest, ArraysOfTheWrongLengthAreRefusedByName) {
    TNyxMesh m(nullptr);
    m.SetArrays(Square());
    try {
        m.SetPositions({1, 2, 3, 4});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TNyxMesh.SetPositions: 4 values are not a whole number of "
                               "3-value elements; give 3 per element");
    }
    EXPECT_THROW(m.SetColors({1, 2, 3}), Exception);
    EXPECT_THROW(m.SetIndices({0, 1}), Exception);
    EXPECT_EQ(m.VertexCount(), 4u);
    EXPECT_EQ(m.TriangleCount(), 2u);
}

// --- Streams ---------------------------------------------------------------------------

TEST(MeshStreams, ArraysRoundTripExactlyInBothForms) {
    test::TTempDir dir;
    TNyxMeshArrays a = Square();
    a.Positions[0] = 0.1f;  // a value without a short decimal form
    a.Normals = std::vector<float>(12, 0.0f);
    a.TexCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    for (const bool text : {false, true}) {
        SCOPED_TRACE(text);
        TNyxScene source(nullptr);
        auto* mesh = new TNyxMesh(&source);
        mesh->SetParentComponent(&source);
        mesh->SetArrays(a);
        mesh->SetCreaseAngle(0);
        const std::string file = dir / (text ? "m.nyxt" : "m.nyx");
        text ? source.SaveToTextFile(file) : source.SaveToFile(file);
        TNyxScene loaded(nullptr);
        text ? loaded.LoadFromTextFile(file) : loaded.LoadFromFile(file);
        ASSERT_EQ(loaded.GetItemsCount(), 1);
        const auto* back = dynamic_cast<TNyxMesh*>(loaded.GetItem(0));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Arrays().Positions, a.Positions);
        EXPECT_EQ(back->Arrays().Normals, a.Normals);
        EXPECT_EQ(back->Arrays().Colors, a.Colors);
        EXPECT_EQ(back->Arrays().TexCoords, a.TexCoords);
        EXPECT_EQ(back->Arrays().Indices, a.Indices);
        EXPECT_EQ(back->CreaseAngle(), 0);
    }
}

TEST(MeshStreams, BinaryDataOfTheWrongLengthIsSkipped) {
    test::TTempDir dir;
    const std::string file = dir / "bad.nyxt";
    std::ofstream(file) << "object Scene1: TNyxScene\n"
                           "  object Mesh1: TNyxMesh\n"
                           "    Positions = {0000803F0000}\n"
                           "    Indices = {000000000100000002000000}\n"
                           "  end\n"
                           "end\n";
    TNyxScene loaded(nullptr);
    loaded.LoadFromTextFile(file);
    const auto* mesh = dynamic_cast<TNyxMesh*>(loaded.GetItem(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->VertexCount(), 0u);
    EXPECT_EQ(mesh->TriangleCount(), 1u);
}

// --- Shadows ---------------------------------------------------------------------------

// The edges a light sees: the silhouette of a closed cube, an open square turned either
// way, and a fin of three triangles on one edge.
TEST(MeshShadows, SilhouetteEdgesOfClosedOpenAndNonManifoldMeshes) {
    const struct {
        const char* Name;
        TNyxMeshArrays Mesh;
        std::array<double, 4> Light;
        bool Closed;
        std::size_t Edges;
    } cases[] = {
        {"cube from above", Cube(1), {0, 0, 1, 0}, true, 4},
        {"cube from a corner", Cube(1), {1, 1, 1, 0}, true, 6},
        {"square, lit side", Square(), {0, 0, 1, 0}, false, 4},
        {"square, unlit side", Square(), {0, 0, -1, 0}, false, 4},
        {"fin",
         {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1}, {}, {}, {}, {0, 1, 2, 1, 0, 3, 0, 1, 4}},
         {0, 0.2, 1, 0},
         false,
         7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const detail::TMeshEdges edges = detail::MeshEdges(c.Mesh.Positions, c.Mesh.Indices);
        EXPECT_EQ(edges.Closed, c.Closed);
        std::vector<std::uint32_t> out;
        detail::SilhouetteEdges(edges, c.Mesh.Positions, c.Mesh.Indices, c.Light, out);
        EXPECT_EQ(out.size() / 2, c.Edges);
    }
}

TEST(MeshShadows, ClosedAndOpenMeshesDarkenTheFloorBelow) {
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open square, turned away from the light" : "closed cube");
        TView v;
        v.scene.SetFShadows(true);
        v.scene.SetSceneAmbientColor(0);
        v.camera.Position()->Store({0, 0, 14});
        v.light->Point1()->Store({0, 0, 6});
        v.light->SetDirectional(true);  // a point light
        v.light->SetParam(TNyxLight::piCutoff, 180);
        v.light->SetShadows(0, true);
        auto* floor = new test::TTestFloor(&v.scene, 5);
        floor->SetParentComponent(&v.scene);
        floor->SetShadows(1, true);
        TNyxMeshArrays a = open ? Square() : Cube(0.5);
        if (open)
            std::swap(a.Indices[1], a.Indices[2]), std::swap(a.Indices[4], a.Indices[5]);
        v.mesh->SetArrays(a);
        v.mesh->XForm()->Translate()->SetZ(2);
        v.mesh->SetShadows(0, true);
        v.Render();
        // Under the mesh's edge (the mesh itself hides the floor under its middle).
        const int shadow = Green(v.At(open ? 1.3 : 0.65, 0, 0));
        const int lit = Green(v.At(3, 0, 0));
        EXPECT_LT(shadow + 20, lit) << shadow << " " << lit;
        ASSERT_EQ(v.light->ShadowLists().size(), 1u);
        // With the geometry cache the volume is kept from frame to frame: the same shadow.
        v.scene.SetCacheGeometry(true);
        v.Render();
        v.Render();
        EXPECT_EQ(Green(v.At(open ? 1.3 : 0.65, 0, 0)), shadow);
    }
}

}  // namespace
}  // namespace nyx
