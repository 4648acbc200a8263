// Shadow volumes: turning feedback into outlines, the geometry of the extruded
// strips, which lists each light holds per frame, and a build that fails cleanly.
#include "scene/camera.h"
#include "scene/detail/shadowtess.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "scene/shadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "testing/glrecorder.h"
#include "testing/offscreen.h"
#include "testsolids.h"

using namespace nyx;
using test::TTestBox;
using test::TTestFloor;
using test::TTestWire;

namespace {

// Appends a feedback polygon of window-space corners (x, y at depth 0.5).
void Polygon(std::vector<float>& fb, std::initializer_list<std::array<float, 2>> corners) {
    fb.push_back(GL_POLYGON_TOKEN);
    fb.push_back(float(corners.size()));
    for (const auto& c : corners)
        fb.insert(fb.end(), {c[0], c[1], 0.5f});
}

std::vector<float> Square(float x, float y, float side) {
    std::vector<float> fb;
    Polygon(fb, {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}});
    return fb;
}

std::vector<float> Join(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr float kMarker = 305445376.0f;

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

std::vector<TGLArrayd3> Vertices(const std::vector<std::string>& calls) {
    std::vector<TGLArrayd3> out;
    for (const std::string& c : calls) {
        TGLArrayd3 v;
        if (std::sscanf(c.c_str(), "glVertex3d(%lf, %lf, %lf)", &v[0], &v[1], &v[2]) == 3)
            out.push_back(v);
    }
    return out;
}

double Distance(const TGLArrayd3& a, const TGLArrayd3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

}  // namespace

TEST(ShadowTess, FeedbackBecomesOutlines) {
    test::TOffscreenGL gl(8, 8);
    const std::vector<float> overlapping = Join(Square(0, 0, 10), Square(5, 5, 10));
    const struct {
        const char* what;
        std::vector<float> feedback;
        std::string error;
        int strips, vertices;
        bool combines;
    } cases[] = {
        {"one square", Square(0, 0, 10), "", 1, 2 * 5, false},
        {"two squares apart", Join(Square(0, 0, 10), Square(20, 0, 10)), "", 2, 2 * 10, false},
        {"two squares overlapping: one outline", overlapping, "", 1, 2 * 9, true},
        {"a marked point is let through",
         Join({GL_PASS_THROUGH_TOKEN, kMarker, GL_POINT_TOKEN, 1, 2, 0.5f}, Square(0, 0, 10)), "",
         1, 10, false},
        {"a point without the marker", Join({GL_POINT_TOKEN, 1, 2, 0.5f}, Square(0, 0, 10)),
         "ERROR: Unexpected feedback token 0x701 (1793).", 0, 0, false},
        {"a marker used up by its point",
         {GL_PASS_THROUGH_TOKEN, kMarker, GL_POINT_TOKEN, 1, 2, 0.5f, GL_POINT_TOKEN, 1, 2, 0.5f},
         "ERROR: Unexpected feedback token 0x701 (1793).",
         0,
         0,
         false},
        {"another pass-through value",
         {GL_PASS_THROUGH_TOKEN, 7},
         "ERROR: Unexpected feedback token 0x700 (1792).",
         0,
         0,
         false},
        {"a line", Join(Square(0, 0, 10), {GL_LINE_TOKEN, 0, 0, 0, 1, 1, 0}),
         "ERROR: Unexpected feedback token 0x702 (1794).", 0, 0, false},
        {"a bitmap",
         {GL_BITMAP_TOKEN, 0, 0, 0},
         "ERROR: Unexpected feedback token 0x704 (1796).",
         0,
         0,
         false},
        {"a polygon cut short",
         {GL_POLYGON_TOKEN, 4, 0, 0, 0.5f, 1, 0, 0.5f},
         "ERROR: Unexpected feedback token 0x703 (1795).",
         0,
         0,
         false},
    };
    TNyxShadowTess tess;  // one tessellator for all: an error must leave it usable
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        TGLRecorder recorder;
        const std::string error =
            ErrorOf([&] { tess.Tessellate(k.feedback.data(), int(k.feedback.size()), true); });
        EXPECT_EQ(error, k.error);
        EXPECT_EQ(int(recorder.Calls({"glBegin"}).size()), k.strips);
        EXPECT_EQ(recorder.Calls({"glEnd"}).size(), recorder.Calls({"glBegin"}).size());
        EXPECT_EQ(int(recorder.Calls({"glVertex3d"}).size()), k.vertices);
        if (k.strips) {
            EXPECT_EQ(recorder.Calls({"glBegin"})[0], "glBegin(GL_QUAD_STRIP)");
        }
        EXPECT_EQ(tess.CombinedCount() > 0, k.combines);
    }
    EXPECT_EQ(tess.CombinedCapacity(), TNyxShadowTess::InitialCombined);
}

TEST(ShadowTess, CombinedVerticesGrowWithoutMoving) {
    test::TOffscreenGL gl(8, 8);
    // A comb of thin strips crossing a comb of thin strips: many crossings, each a
    // vertex made by the tessellator.
    std::vector<float> fb;
    for (int i = 0; i < 60; ++i) {
        Polygon(fb, {{float(i * 4), 0},
                     {float(i * 4 + 2), 0},
                     {float(i * 4 + 2), 240},
                     {float(i * 4), 240}});
        Polygon(fb, {{0, float(i * 4)},
                     {240, float(i * 4)},
                     {240, float(i * 4 + 2)},
                     {0, float(i * 4 + 2)}});
    }
    TNyxShadowTess tess;
    tess.Tessellate(fb.data(), int(fb.size()), false);
    EXPECT_GT(tess.CombinedCount(), TNyxShadowTess::InitialCombined);
    EXPECT_EQ((tess.CombinedCapacity() - TNyxShadowTess::InitialCombined) %
                  TNyxShadowTess::CombinedStep,
              0);
    EXPECT_GE(tess.CombinedCapacity(), tess.CombinedCount());
}

// A box of half-size 0.5 at (0, 0, 1.5) and a light beside and above it.
class ShadowVolume : public ::testing::Test {
protected:
    ShadowVolume() {
        box = new TTestBox(nullptr, 0.5);
        light = new TNyxLight(nullptr);
        box->SetParentComponent(&scene);
        light->SetParentComponent(&scene);
        box->XForm()->Translate()->SetZ(1.5);
        light->Point1()->Store({3, 1, 5});
        light->SetShadows(0, true);
        box->SetShadows(0, true);
        glEnable(GL_CULL_FACE);  // as the scene has it for this pass
    }
    // The strip's vertices of one build, checked for shape.
    std::vector<TGLArrayd3> Build() {
        TGLRecorder recorder;
        box->DoBuildShadowVolumes(light);
        // What goes into the display list; before it, the feedback render of the box.
        std::vector<std::string> calls = recorder.Calls();
        const auto open = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
            return c.rfind("glNewList(", 0) == 0;
        });
        EXPECT_NE(open, calls.end());
        calls.erase(calls.begin(), open);
        std::vector<std::string> begins;
        for (const std::string& c : calls)
            if (c.rfind("glBegin(", 0) == 0 || c.rfind("glEndList(", 0) == 0)
                begins.push_back(c);
        EXPECT_EQ(begins, (std::vector<std::string>{"glBegin(GL_QUAD_STRIP)", "glEndList()"}));
        return Vertices(calls);
    }

    test::TOffscreenGL gl{8, 8};
    TNyxScene scene{nullptr};
    TTestBox* box;
    TNyxLight* light;
};

TEST_F(ShadowVolume, PointLightPushesEachVertexAwayFromTheLight) {
    light->SetDirectional(true);
    const std::vector<TGLArrayd3> v = Build();
    ASSERT_GE(v.size(), 8u);
    ASSERT_EQ(v.size() % 2, 0u);
    const TGLArrayd3 L{3, 1, 5};
    std::set<std::pair<long, long>> outline;
    for (std::size_t i = 0; i < v.size(); i += 2) {
        const TGLArrayd3& p = v[i];
        const TGLArrayd3& far = v[i + 1];
        // The near edge lies on the box's surface, back at its own depth.
        const double inf = std::max({std::abs(p[0]), std::abs(p[1]), std::abs(p[2] - 1.5)});
        EXPECT_NEAR(inf, 0.5, 0.01) << i;
        for (std::size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(far[a] - p[a], 10000 * (p[a] - L[a]), 1e-6 * Distance(far, p)) << i;
        outline.insert(
            {std::lround(p[0] * 100), std::lround(p[1] * 100) + 1000 * std::lround(p[2] * 100)});
    }
    // Closed on its first pair; the silhouette of a box seen from a corner is a hexagon.
    EXPECT_LT(Distance(v.front(), v[v.size() - 2]), 1e-9);
    EXPECT_EQ(outline.size(), 6u);
    EXPECT_EQ(light->ShadowLists().size(), 1u);
}

TEST_F(ShadowVolume, LightAtInfinityPushesEveryVertexAlike) {
    const std::vector<TGLArrayd3> v = Build();
    ASSERT_GE(v.size(), 8u);
    const TGLArrayd3 push{10000 * (0 - 3.0), 10000 * (0 - 1.0), 10000 * (1.5 - 5)};
    for (std::size_t i = 0; i < v.size(); i += 2)
        for (std::size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(v[i + 1][a] - v[i][a], push[a], 1e-6) << i;
}

TEST_F(ShadowVolume, FailedBuildLeavesTheContextAsItWas) {
    auto* wire = new TTestWire(nullptr);
    wire->SetParentComponent(&scene);
    auto depths = [] {
        std::array<GLint, 4> d{};
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d[0]);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &d[1]);
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &d[2]);
        glGetIntegerv(GL_LIST_INDEX, &d[3]);
        return d;
    };
    const auto before = depths();
    EXPECT_EQ(ErrorOf([&] { wire->DoBuildShadowVolumes(light); }),
              "ERROR: Unexpected feedback token 0x702 (1794).");
    EXPECT_EQ(depths(), before);  // no open list, nothing left pushed
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 8);
    // The next build works.
    EXPECT_FALSE(Build().empty());
}

TEST_F(ShadowVolume, FeedbackBufferGrowsInSteps) {
    // 32 x 32 quads facing the light: 14 floats each in feedback, over 14000.
    auto* floor = new TTestFloor(nullptr, 2, 32);
    floor->SetParentComponent(&scene);
    floor->SetShadows(0, true);
    InitShadowFeedback();
    floor->DoBuildShadowVolumes(light);
    const int grown = ShadowFeedbackSize();
    EXPECT_GE(grown, 32 * 32 * 14);
    EXPECT_EQ(grown % 5000, 0);
    floor->DoBuildShadowVolumes(light);
    EXPECT_EQ(ShadowFeedbackSize(), grown);  // kept, not grown again
    EXPECT_EQ(light->ShadowLists().size(), 2u);
}

// Two shadow-casting lights and three shadow-casting boxes, rendered as frames.
TEST(ShadowFrame, ListsPerLightPerFrame) {
    test::TOffscreenGL gl(32, 32);
    TNyxScene scene(nullptr);
    scene.SetFShadows(true);
    TNyxCamera camera(nullptr);
    camera.Position()->Store({0, -10, 10});
    std::vector<TNyxLight*> lights;
    for (double x : {-4.0, 4.0}) {
        lights.push_back(new TNyxLight(nullptr));
        lights.back()->SetParentComponent(&scene);
        lights.back()->Point1()->Store({x, 1, 6});
        lights.back()->SetShadows(0, true);
    }
    auto* plain = new TNyxLight(nullptr);  // casts no shadows
    plain->SetParentComponent(&scene);
    std::vector<TTestBox*> boxes;
    for (int i = 0; i < 4; ++i) {
        boxes.push_back(new TTestBox(nullptr, 0.5));
        boxes.back()->SetParentComponent(&scene);
        boxes.back()->XForm()->Translate()->SetX(2.0 * i - 3);
        boxes.back()->SetShadows(0, i < 3);
    }

    TGLRecorder recorder;
    scene.Render(&camera, 32, 32, false);
    for (TNyxLight* light : lights) {
        ASSERT_EQ(light->ShadowLists().size(), 3u);
        EXPECT_LT(light->ShadowLists()[0], light->ShadowLists()[1]);  // in visiting order
        EXPECT_LT(light->ShadowLists()[1], light->ShadowLists()[2]);
    }
    EXPECT_TRUE(plain->ShadowLists().empty());
    EXPECT_EQ(scene.ShadowLightCount(), 2);
    const std::vector<std::uint32_t> first = lights[0]->ShadowLists();

    // The next frame deletes the old lists before building new ones.
    recorder.Clear();
    scene.Render(&camera, 32, 32, false);
    EXPECT_EQ(lights[0]->ShadowLists().size(), 3u);
    const auto deleted = recorder.Calls({"glDeleteLists"});
    EXPECT_EQ(deleted.size(), 6u);
    EXPECT_EQ(deleted[0], "glDeleteLists(" + std::to_string(first[0]) + ", 1)");

    // A hidden light gets no volumes, and those it kept go at the next build.
    lights[1]->SetVisible(false);
    scene.Render(&camera, 32, 32, false);
    EXPECT_TRUE(lights[1]->ShadowLists().empty());
    EXPECT_EQ(lights[0]->ShadowLists().size(), 3u);
    EXPECT_EQ(scene.ShadowLightCount(), 1);

    // A ninth light has no OpenGL light: it is neither counted nor given volumes.
    lights[1]->SetVisible(true);
    lights[1]->SetLightNum(8);
    scene.Render(&camera, 32, 32, false);
    EXPECT_TRUE(lights[1]->ShadowLists().empty());
    EXPECT_EQ(scene.ShadowLightCount(), 1);
}
