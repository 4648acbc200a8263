// The polyhedra and the teapot: what they emit (read back through the recording table),
// the teapot's evaluator nets against the published patch data, the state they leave
// behind, and how they look in a panel.

#include "glreplay.h"
#include "objects/box.h"
#include "objects/polyhedra.h"
#include "objects/teapot.h"
#include "rtl/controls.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace nyx {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

// --- Polyhedra ---------------------------------------------------------------------------

struct TSolidCase {
    const char* Name;
    std::function<std::unique_ptr<TNyxObject>()> Make;
    int Faces, Corners;  // corners per face
    const char* FilledMode;
    double Edge;  // edge length in the recorded (unscaled) coordinates
};

const TSolidCase Solids[] = {
    {"octahedron", [] { return std::make_unique<TNyxOctahedron>(nullptr); }, 8, 3, "GL_TRIANGLES",
     std::sqrt(0.5)},
    // Corner distance 0.5 over the circumradius factor sin(2 pi / 5).
    {"icosahedron", [] { return std::make_unique<TNyxIcosahedron>(nullptr); }, 20, 3,
     "GL_TRIANGLES", 0.5 / std::sin(2 * std::numbers::pi / 5)},
    {"dodecahedron", [] { return std::make_unique<TNyxDodecahedron>(nullptr); }, 12, 5,
     "GL_TRIANGLE_FAN", 2 / ((1 + std::sqrt(5.0)) / 2)},
};

class PolyhedronTest : public ::testing::TestWithParam<TSolidCase> {};

std::string SolidName(const ::testing::TestParamInfo<TSolidCase>& Info) { return Info.param.Name; }

// One primitive per face, each with one normal, in draft and filled drawing.
TEST_P(PolyhedronTest, OnePrimitivePerFace) {
    const TSolidCase& tc = GetParam();
    for (bool draft : {false, true}) {
        SCOPED_TRACE(draft ? "draft" : "filled");
        std::unique_ptr<TNyxObject> solid = tc.Make();
        GiveTexture(*solid);  // never any texture coordinates
        TRecording rec;
        rec.Run([&] { solid->DrawSpecific(GL_FRONT_AND_BACK, draft); });
        const TReplay r(rec.Calls);
        EXPECT_EQ(r.Count(draft ? "GL_LINE_LOOP" : tc.FilledMode), tc.Faces);
        EXPECT_EQ(int(r.Prims.size()), tc.Faces);
        for (const TPrimitive& p : r.Prims)
            EXPECT_EQ(int(p.Corners.size()), tc.Corners);
        EXPECT_EQ(r.Normals, tc.Faces);
        EXPECT_EQ(r.TexCoords, 0);
        // The normal is set inside each primitive, before its first corner.
        EXPECT_EQ(Fn(rec.Calls[rec.Calls[0] == "glPushMatrix()" ? 3 : 1]), "glNormal3fv");
    }
}

// Every face turns counter-clockwise seen from outside, and its normal points outwards;
// every edge has the same length and joins exactly two faces, so the tables describe a
// closed regular solid.
TEST_P(PolyhedronTest, FacesAreOutwardAndTheSolidIsClosedAndRegular) {
    const TSolidCase& tc = GetParam();
    std::unique_ptr<TNyxObject> solid = tc.Make();
    TRecording rec;
    rec.Run([&] { solid->DrawSpecific(GL_FRONT_AND_BACK, false); });
    const TReplay r(rec.Calls);
    std::map<std::pair<V3, V3>, int> edges;
    for (const TPrimitive& p : r.Prims) {
        const auto& c = p.Corners;
        V3 centroid{0, 0, 0};
        for (const TCorner& k : c)
            for (int i = 0; i < 3; ++i)
                centroid[i] += k.Pos[i] / double(c.size());
        const V3 winding = Cross(Sub(c[1].Pos, c[0].Pos), Sub(c[2].Pos, c[0].Pos));
        EXPECT_GT(Dot(c[0].Normal, centroid), 0) << "normal inwards";
        EXPECT_GT(Dot(winding, centroid), 0) << "clockwise seen from outside";
        for (std::size_t i = 0; i < c.size(); ++i) {
            const V3& a = c[i].Pos;
            const V3& b = c[(i + 1) % c.size()].Pos;
            const V3 d = Sub(b, a);
            EXPECT_NEAR(std::sqrt(Dot(d, d)), tc.Edge, 1e-5);
            ++edges[std::minmax(a, b)];
        }
    }
    EXPECT_EQ(int(edges.size()), tc.Faces * tc.Corners / 2);
    for (const auto& [edge, faces] : edges)
        EXPECT_EQ(faces, 2);
}

INSTANTIATE_TEST_SUITE_P(Solids, PolyhedronTest, ::testing::ValuesIn(Solids), SolidName);

TEST(PolyhedronTest, CornersLieOnTheirSphere) {
    const struct {
        const char* Name;
        std::unique_ptr<TNyxObject> Solid;
        double Distance;  // recorded coordinates
    } cases[] = {
        {"octahedron", std::make_unique<TNyxOctahedron>(nullptr), 0.5},
        {"icosahedron", std::make_unique<TNyxIcosahedron>(nullptr), 0.5},
        {"dodecahedron", std::make_unique<TNyxDodecahedron>(nullptr), std::sqrt(3.0)},
    };
    for (const auto& tc : cases) {
        TRecording rec;
        rec.Run([&] { tc.Solid->DrawSpecific(GL_FRONT_AND_BACK, true); });
        for (const TPrimitive& p : TReplay(rec.Calls).Prims)
            for (const TCorner& c : p.Corners)
                EXPECT_NEAR(std::sqrt(Dot(c.Pos, c.Pos)), tc.Distance, 1e-6) << tc.Name;
    }
}

TEST(PolyhedronTest, DodecahedronIsScaledInsideItsOwnMatrix) {
    TNyxDodecahedron solid(nullptr);
    TRecording rec;
    rec.Run([&] { solid.DrawSpecific(GL_FRONT, true); });
    EXPECT_EQ(rec.Only({"glPushMatrix", "glScalef", "glPopMatrix"}),
              (Strings{"glPushMatrix()", "glScalef(0.3, 0.3, 0.3)", "glPopMatrix()"}));
    EXPECT_EQ(rec.Calls.front(), "glPushMatrix()");
    EXPECT_EQ(rec.Calls.back(), "glPopMatrix()");
    // The first face as listed: corners 0, 12, 10, 11, 16.
    EXPECT_EQ(rec.Calls[4], "glVertex3fv({-1.618034, 0, 0.618034})");
    EXPECT_EQ(rec.Calls[5], "glVertex3fv({-1, -1, 1})");
}

TEST(PolyhedronTest, TrianglesAreEmittedFirstThirdSecond) {
    // Octahedron face (0, 4, 2): corners 0, 2, 4; normal (c0 - c4) x (c2 - c4).
    TNyxOctahedron solid(nullptr);
    TRecording rec;
    rec.Run([&] { solid.DrawSpecific(GL_FRONT, false); });
    EXPECT_EQ(Strings(rec.Calls.begin(), rec.Calls.begin() + 6),
              (Strings{"glBegin(GL_TRIANGLES)", "glNormal3fv({0.25, 0.25, 0.25})",
                       "glVertex3fv({0.5, 0, 0})", "glVertex3fv({0, 0.5, 0})",
                       "glVertex3fv({0, 0, 0.5})", "glEnd()"}));
}

// --- Teapot: calls ---------------------------------------------------------------------------

const Strings TeapotSetUp = {"glPushMatrix()", "glScalef(-0.25, -0.25, -0.25)",
                             "glRotatef(180, 0, 1, 0)", "glTranslatef(0, 0, -0.75)"};

TEST(TeapotTest, EvaluatesEveryPatchAsTheDataLaysItOut) {
    TNyxTeapot pot(nullptr);
    TRecording rec;
    rec.Run([&] { pot.DrawSpecific(GL_FRONT_AND_BACK, false); });
    Strings expected = TeapotSetUp;
    expected.insert(expected.end(), {"glEnable(GL_MAP2_VERTEX_3)", "glEnable(GL_AUTO_NORMAL)"});
    const std::string map = "glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 4, 0, 1, 12, 4, <points>)";
    const std::string mesh = "glEvalMesh2(GL_FILL, 0, 4, 0, 4)";
    for (int patch = 0; patch < 10; ++patch) {
        const int copies = patch < 6 ? 4 : 2;
        for (int copy = 0; copy < copies; ++copy) {
            expected.push_back(map);
            if (copy == 0)
                expected.push_back("glMapGrid2f(4, 0, 1, 4, 0, 1)");
            expected.push_back(mesh);
        }
    }
    expected.insert(expected.end(),
                    {"glDisable(GL_MAP2_VERTEX_3)", "glDisable(GL_AUTO_NORMAL)", "glPopMatrix()"});
    EXPECT_EQ(rec.Calls, expected);
}

struct TTeapotCase {
    const char* Name;
    TNyxTeapotPartSet Parts;
    std::uint32_t Face;
    bool Draft, Textured;
    int Meshes, Grids;  // evaluated meshes, one grid per patch
};

void PrintTo(const TTeapotCase& c, std::ostream* os) { *os << c.Name; }

class TeapotMeshTest : public ::testing::TestWithParam<TTeapotCase> {};

TEST_P(TeapotMeshTest, MeshesFollowPartsFaceAndDraft) {
    const TTeapotCase& tc = GetParam();
    TNyxTeapot pot(nullptr);
    pot.SetParts(tc.Parts);
    if (tc.Textured)
        GiveTexture(pot);
    TRecording rec;
    rec.Run([&] { pot.DrawSpecific(tc.Face, tc.Draft); });
    const std::string mode = tc.Draft ? "GL_LINE" : "GL_FILL";
    EXPECT_EQ(rec.Only({"glEvalMesh2"}),
              Strings(std::size_t(tc.Meshes), "glEvalMesh2(" + mode + ", 0, 4, 0, 4)"));
    EXPECT_EQ(int(rec.Only({"glMapGrid2f"}).size()), tc.Grids);

    // Texture coordinates are evaluated only when filled with a textured material: one
    // net per patch, set before its vertex nets.
    const bool texCoords = tc.Textured && !tc.Draft;
    Strings maps;
    for (const std::string& c : rec.Only({"glMap2f"}))
        maps.push_back(c.substr(8, c.find(',') - 8));
    const auto texNets = std::count(maps.begin(), maps.end(), "GL_MAP2_TEXTURE_COORD_2");
    EXPECT_EQ(texNets, texCoords ? tc.Grids : 0);
    EXPECT_EQ(std::count(maps.begin(), maps.end(), "GL_MAP2_VERTEX_3"), tc.Meshes);
    if (texCoords && !maps.empty()) {
        EXPECT_EQ(maps.front(), "GL_MAP2_TEXTURE_COORD_2");
    }

    // The evaluators are switched on and off whatever is drawn.
    Strings enables = {"glEnable(GL_MAP2_VERTEX_3)"};
    if (texCoords)
        enables.push_back("glEnable(GL_MAP2_TEXTURE_COORD_2)");
    enables.push_back("glEnable(GL_AUTO_NORMAL)");
    enables.push_back("glDisable(GL_MAP2_VERTEX_3)");
    if (tc.Textured)
        enables.push_back("glDisable(GL_MAP2_TEXTURE_COORD_2)");
    enables.push_back("glDisable(GL_AUTO_NORMAL)");
    EXPECT_EQ(rec.Only({"glEnable", "glDisable"}), enables);
    EXPECT_EQ(Strings(rec.Calls.begin(), rec.Calls.begin() + 4), TeapotSetUp);
    EXPECT_EQ(rec.Calls.back(), "glPopMatrix()");
}

constexpr TNyxTeapotPartSet All = TNyxTeapot::AllParts;

INSTANTIATE_TEST_SUITE_P(
    Parts, TeapotMeshTest,
    ::testing::Values(
        // rim, two body and bottom patches in quarters; lid in quarters; handle and spout
        // in halves
        TTeapotCase{"all", All, GL_FRONT_AND_BACK, false, false, 32, 10},
        TTeapotCase{"front side", All, GL_FRONT, false, false, 32, 10},
        TTeapotCase{"back side draws nothing", All, GL_BACK, false, true, 0, 0},
        TTeapotCase{"no parts", {}, GL_FRONT_AND_BACK, false, false, 0, 0},
        TTeapotCase{"body", {tpBody}, GL_FRONT_AND_BACK, false, false, 16, 4},
        TTeapotCase{"lid", {tpLid}, GL_FRONT_AND_BACK, false, false, 8, 2},
        TTeapotCase{"handle", {tpHandle}, GL_FRONT_AND_BACK, true, false, 4, 2},
        TTeapotCase{"spout", {tpSpout}, GL_FRONT_AND_BACK, false, true, 4, 2},
        TTeapotCase{"textured", All, GL_FRONT_AND_BACK, false, true, 32, 10},
        TTeapotCase{"textured draft", All, GL_FRONT_AND_BACK, true, true, 32, 10},
        TTeapotCase{"handle and lid", {tpHandle, tpLid}, GL_FRONT, true, true, 12, 4}));

TEST(TeapotTest, SegmentsSetTheGridOfEveryPatch) {
    struct TCase {
        std::int32_t Set, Stored;
    };
    for (const TCase tc : {TCase{0, 1}, TCase{-5, 1}, TCase{1, 1}, TCase{7, 7}}) {
        TNyxTeapot pot(nullptr);
        pot.SetParts({tpLid});
        pot.SetSegments(tc.Set);
        ASSERT_EQ(pot.Segments(), tc.Stored);
        TRecording rec;
        rec.Run([&] { pot.DrawSpecific(GL_FRONT_AND_BACK, true); });
        const std::string n = std::to_string(tc.Stored);
        EXPECT_EQ(rec.Only({"glMapGrid2f"}),
                  Strings(2, "glMapGrid2f(" + n + ", 0, 1, " + n + ", 0, 1)"));
        EXPECT_EQ(rec.Only({"glEvalMesh2"}),
                  Strings(8, "glEvalMesh2(GL_LINE, 0, " + n + ", 0, " + n + ")"));
    }
}

// --- Teapot: the nets against the published data -------------------------------------------

struct TPublishedTeapot {
    std::vector<std::array<int, 16>> Patches;
    std::vector<std::array<float, 3>> Points;
};

TPublishedTeapot ReadPublishedTeapot() {
    const char* dir = std::getenv("NYX_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : "tests/data") + "/teapot.txt");
    TPublishedTeapot t;
    std::string word;
    int count = 0;
    while (in >> word) {
        if (word.starts_with("#")) {
            std::getline(in, word);
        } else if (word == "patches") {
            in >> count;
            t.Patches.resize(std::size_t(count));
            for (auto& patch : t.Patches)
                for (int& index : patch)
                    in >> index;
        } else if (word == "points") {
            in >> count;
            t.Points.resize(std::size_t(count));
            for (auto& point : t.Points)
                for (float& v : point)
                    in >> v;
        }
    }
    return t;
}

// Keeps a copy of every net handed to glMap2f, then forwards the call.
class TNetCapture {
public:
    struct TNet {
        GLenum Target;
        std::vector<GLfloat> Points;
    };

    TNetCapture() : FNext(&ActiveGLDispatch()), FTable(*FNext) {
        Current = this;
        FTable.glMap2f = [](GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder,
                            GLfloat v1, GLfloat v2, GLint vstride, GLint vorder,
                            const GLfloat* points) {
            const std::size_t size = target == GL_MAP2_VERTEX_3 ? 48 : 8;
            Current->Nets.push_back({target, std::vector<GLfloat>(points, points + size)});
            Current->FNext->glMap2f(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder,
                                    points);
        };
        SetGLDispatch(&FTable);
    }
    ~TNetCapture() {
        SetGLDispatch(FNext);
        Current = nullptr;
    }
    TNetCapture(const TNetCapture&) = delete;
    TNetCapture& operator=(const TNetCapture&) = delete;

    std::vector<TNet> Nets;

private:
    static inline TNetCapture* Current = nullptr;
    const TGLDispatch* FNext;
    TGLDispatch FTable;
};

TEST(TeapotTest, NetsAreThePublishedPatchesInMirroredQuartersAndHalves) {
    const TPublishedTeapot data = ReadPublishedTeapot();
    ASSERT_EQ(data.Patches.size(), 10u) << "tests/data/teapot.txt not found or incomplete";
    ASSERT_EQ(data.Points.size(), 127u);
    TNyxTeapot pot(nullptr);
    GiveTexture(pot);
    UseSharedContext();
    TNetCapture capture;
    pot.DrawSpecific(GL_FRONT_AND_BACK, false);

    // Copy m of a patch: columns reversed or not, x and y kept or negated.
    struct TMirror {
        bool Reversed;
        float X, Y;
    };
    const TMirror mirrors[4] = {{false, 1, 1}, {true, 1, -1}, {true, -1, 1}, {false, -1, -1}};
    const std::vector<GLfloat> textureNet = {0, 1, 1, 1, 0, 0, 1, 0};
    std::size_t at = 0;
    for (int patch = 0; patch < 10; ++patch) {
        SCOPED_TRACE("patch " + std::to_string(patch));
        ASSERT_LT(at, capture.Nets.size());
        EXPECT_EQ(capture.Nets[at].Target, GLenum(GL_MAP2_TEXTURE_COORD_2));
        EXPECT_EQ(capture.Nets[at].Points, textureNet);
        ++at;
        for (int m = 0; m < (patch < 6 ? 4 : 2); ++m, ++at) {
            ASSERT_LT(at, capture.Nets.size());
            ASSERT_EQ(capture.Nets[at].Target, GLenum(GL_MAP2_VERTEX_3));
            const std::vector<GLfloat>& net = capture.Nets[at].Points;
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) {
                    const int column = mirrors[m].Reversed ? 3 - k : k;
                    const auto& p = data.Points[std::size_t(data.Patches[patch][4 * j + column])];
                    const GLfloat* q = &net[std::size_t(12 * j + 3 * k)];
                    EXPECT_EQ(q[0], mirrors[m].X * p[0]) << "copy " << m << " row " << j;
                    EXPECT_EQ(q[1], mirrors[m].Y * p[1]) << "copy " << m << " row " << j;
                    EXPECT_EQ(q[2], p[2]) << "copy " << m << " row " << j;
                }
        }
    }
    EXPECT_EQ(at, capture.Nets.size());
}

// --- Teapot: state left behind ---------------------------------------------------------------

TEST(TeapotTest, EvaluatorStateAndMatrixAreRestored) {
    struct TCase {
        bool Draft, Textured;
        std::uint32_t Face;
    };
    for (const TCase tc : {TCase{false, false, GL_FRONT_AND_BACK}, TCase{false, true, GL_FRONT},
                           TCase{true, true, GL_FRONT_AND_BACK}, TCase{false, true, GL_BACK}}) {
        SCOPED_TRACE(::testing::Message()
                     << "draft " << tc.Draft << " textured " << tc.Textured << " face " << tc.Face);
        TNyxTeapot pot(nullptr);
        if (tc.Textured)
            GiveTexture(pot);
        UseSharedContext();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1, 2, 3);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        pot.DrawSpecific(tc.Face, tc.Draft);
        for (GLenum cap : {GL_MAP2_VERTEX_3, GL_MAP2_TEXTURE_COORD_2, GL_AUTO_NORMAL}) {
            GLint on = -1;
            glGetIntegerv(cap, &on);
            EXPECT_EQ(on, 0) << GLEnumName(cap);
        }
        GLint after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(after, depth);
        TGLMatrixd4 m{};
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        EXPECT_EQ(m[12], 1);
        EXPECT_EQ(m[0], 1);
        glLoadIdentity();
    }
}

// --- In a panel ------------------------------------------------------------------------------

// A panel on an off-screen window showing objects from the front (-y), x to the right and
// z up, lit from the front left above.
class TFrontView {
public:
    static constexpr int Width = 200, Height = 150;

    // Light: ambient and diffuse colour of the one light.
    explicit TFrontView(TColor Light = 0x606060) {
        Scene->SetBackgroundColor(clBlack);
        Scene->SetSceneAmbientColor(0);
        Camera->Position()->Store({0, -4, 0.5});
        Camera->Target()->Store({0, 0, 0.2});
        Camera->SetNearPlane(1);
        Camera->SetFarPlane(20);
        Camera->SetParentComponent(Scene);
        // At infinity in the direction of its position.
        Sun->Point1()->Store({-2, -4, 3});
        Sun->SetParam(TNyxLight::piCutoff, 180);
        Sun->SetColor(Light);
        Sun->SetParentComponent(Scene);
        Panel->SetCamera(Camera);
        Panel->HandleNeeded();
        Panel->SetBounds(0, 0, Width, Height);
    }

    template <class T>
    T* Add() {
        auto* obj = new T(&Owner);
        obj->SetParentComponent(Scene);
        return obj;
    }

    void Render(TNyxOptions Options) {
        Panel->SetOptions(Options);
        Panel->Repaint();
        // The panel's context is still current: where do world points land?
        glGetDoublev(GL_PROJECTION_MATRIX, FProjection.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, FModelview.data());
    }

    // The colour at the world point, row 0 at the top.
    TColor At(double X, double Y, double Z) const {
        const double p[4] = {X, Y, Z, 1};
        double eye[4] = {}, clip[4] = {};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                eye[r] += FModelview[std::size_t(c * 4 + r)] * p[c];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                clip[r] += FProjection[std::size_t(c * 4 + r)] * eye[c];
        const int x = int((clip[0] / clip[3] + 1) / 2 * Width);
        const int y = Height - 1 - int((clip[1] / clip[3] + 1) / 2 * Height);
        return Image().Pixels(x, y);
    }
    const TBitmap& Image() const {
        return dynamic_cast<TOffscreenWindow&>(*Panel->WindowHandle()).Bitmap();
    }

    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    TNyxCamera* Camera = new TNyxCamera(&Owner);
    TNyxPanel* Panel = new TNyxPanel(&Owner);
    TNyxLight* Sun = new TNyxLight(&Owner);

private:
    TGLMatrixd4 FProjection{}, FModelview{};
};

int Red(TColor c) { return int(c & 0xFF); }

TEST(TeapotPixels, RendersLitWithTheSpoutTowardsPlusX) {
    const TNyxOptions cullOn = {goDepthTest, goCullFace, goLighting};
    const TNyxOptions cases[] = {
        cullOn, cullOn + TNyxOptions{goTwoSidedLightModel}, {goDepthTest, goLighting}};
    int front[3] = {};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("options " + std::to_string(cases[i].ToBits()));
        TFrontView view;
        auto* pot = view.Add<TNyxTeapot>();
        pot->SetSegments(8);
        pot->SetColor(clRed);
        view.Render(cases[i]);
        // The body's front, towards the light: bright red.
        front[i] = Red(view.At(0, -0.5, 0.15));
        EXPECT_GT(front[i], 140);
        // The spout near its tip at +x; nothing at the same place at -x, where the handle
        // stays nearer to the body.
        EXPECT_NE(view.At(0.8, 0, 0.41), clBlack);
        EXPECT_EQ(view.At(-0.8, 0, 0.41), clBlack);
        // The handle's loop at -x, beyond the body.
        EXPECT_NE(view.At(-0.7, 0, 0.25), clBlack);
        EXPECT_EQ(view.At(0, 0, 0.75), clBlack) << "above the lid";
    }
    // Culling removes nothing a viewer should see.
    EXPECT_NEAR(front[0], front[2], 8);
    EXPECT_NEAR(front[0], front[1], 8);
}

TEST(PolyhedronPixels, IcosahedronCastsAShadowOntoAFloor) {
    TFrontView view;
    view.Scene->SetFShadows(true);
    auto* floor = view.Add<TNyxBox>();
    // Through the setters, so that the transform hears of it.
    floor->XForm()->Scale()->SetX(6);
    floor->XForm()->Scale()->SetY(6);
    floor->XForm()->Scale()->SetZ(0.2);
    floor->XForm()->Translate()->SetZ(-0.1);
    floor->SetColor(clWhite);
    floor->SetShadows(1, true);
    auto* ico = view.Add<TNyxIcosahedron>();
    ico->XForm()->Translate()->SetZ(0.6);
    ico->SetColor(clBlue);
    ico->SetShadows(0, true);
    // From the upper left at 45 degrees: the shadow falls to the right, in sight.
    view.Sun->Point1()->Store({-5, 0, 5});
    view.Sun->SetShadows(0, true);
    view.Render({goDepthTest, goCullFace, goLighting});
    const int shadow = Red(view.At(0.7, 0, 0));
    const int lit = Red(view.At(-1.5, 0, 0));
    EXPECT_LT(shadow + 40, lit) << "shadow " << shadow << ", lit " << lit;
    EXPECT_EQ(Red(view.At(0, 0, 0.6)), 0) << "the blue solid itself";
}

}  // namespace
}  // namespace nyx
