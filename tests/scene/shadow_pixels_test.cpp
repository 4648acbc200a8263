// Shadows as a user sees them: a box over a floor, one, two and three shadow-casting
// lights, rendered off-screen through the scene's passes.
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "testing/glrecorder.h"
#include "testing/offscreen.h"
#include "testsolids.h"

using namespace nyx;

namespace {

constexpr int kSize = 96;

// Floor of half-size 5 in z = 0 receiving shadows; a box of half-size 0.5 at
// (0, 0, 1) casting them; a camera straight above.
class TShadowScene {
public:
    TShadowScene() : gl(kSize, kSize, true) {
        scene.SetFShadows(true);
        scene.SetSceneAmbientColor(0);  // shadowed areas go black but for the light's ambient
        floor = new test::TTestFloor(nullptr, 5);
        floor->SetParentComponent(&scene);
        floor->SetShadows(1, true);
        box = new test::TTestBox(nullptr, 0.5);
        box->SetParentComponent(&scene);
        box->XForm()->Translate()->SetZ(1);
        box->SetShadows(0, true);
        camera.Position()->Store({0, 0, 14});
        camera.Up()->Store({0, 1, 0});
        camera.SetNearPlane(1);
        camera.SetFarPlane(50);
    }
    TNyxLight* AddLight(const TGLArrayd3& at, bool casts) {
        auto* light = new TNyxLight(nullptr);
        light->SetParentComponent(&scene);
        light->Point1()->Store(at);
        light->SetDirectional(true);  // a point light
        light->SetParam(TNyxLight::piCutoff, 180);
        light->SetColor(0x404040);  // ambient and diffuse: weak alone, bright together
        light->SetShadows(0, casts);
        return light;
    }
    void Render() {
        // What the panel sets up before a frame.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        scene.Render(&camera, kSize, kSize, false);
        gl.Finish();
    }
    // Brightness (mean of R, G, B) where the floor point (x, y, 0) appears.
    int At(double x, double y) {
        TGLMatrixd4 mv, proj;
        glGetDoublev(GL_MODELVIEW_MATRIX, mv.data());
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = mv[r] * x + mv[4 + r] * y + mv[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] +
                      proj[12 + r] * eye[3];
        const int px = int((clip[0] / clip[3] + 1) / 2 * kSize);
        const int py = int((clip[1] / clip[3] + 1) / 2 * kSize);
        const std::uint32_t p = gl.Surface().At(px, kSize - 1 - py);
        return int(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
    }

    test::TOffscreenGL gl;
    TNyxScene scene{nullptr};
    TNyxCamera camera{nullptr};
    test::TTestFloor* floor;
    test::TTestBox* box;
};

// Floor points in the shadow of a light at (4, 0, 4) and of one at (-4, 0, 4), and
// one that both lights reach.
const double kRightShadow[2] = {-2, 0};
const double kLeftShadow[2] = {2, 0};
const double kLit[2] = {0, 3};

}  // namespace

TEST(ShadowPixels, OneLightDarkensTheFloorInsideTheShadow) {
    TShadowScene s;
    TNyxLight* light = s.AddLight({4, 0, 4}, true);
    TGLRecorder recorder;
    s.Render();
    const int shadow = s.At(kRightShadow[0], kRightShadow[1]);
    const int lit = s.At(kLeftShadow[0], kLeftShadow[1]);
    EXPECT_LT(shadow + 20, lit) << shadow << " " << lit;
    EXPECT_TRUE(recorder.Calls({"glAccum"}).empty());  // one light: no accumulation

    // The stencil counting of the volume, front faces up, back faces down from 64.
    const std::vector<std::string> calls =
        recorder.Calls({"glClearStencil", "glStencilFunc", "glStencilOp", "glCullFace",
                        "glCallList", "glPolygonOffset", "glColorMask"});
    const auto from = std::find(calls.begin(), calls.end(), "glClearStencil(64)");
    ASSERT_NE(from, calls.end());
    ASSERT_EQ(light->ShadowLists().size(), 1u);
    const std::string list = std::to_string(light->ShadowLists()[0]);
    const std::vector<std::string> expected = {
        "glClearStencil(64)",
        "glStencilFunc(GL_ALWAYS, 255, 0x007F)",
        "glStencilOp(GL_KEEP, GL_KEEP, GL_INCR)",
        "glCullFace(GL_BACK)",
        "glCallList(" + list + ")",
        "glStencilOp(GL_KEEP, GL_KEEP, GL_DECR)",
        "glCullFace(GL_FRONT)",
        "glCallList(" + list + ")",
        "glPolygonOffset(-0.05, -0.5)",
        "glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE)",
        "glCullFace(GL_BACK)",
        "glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP)",
        "glStencilFunc(GL_EQUAL, 64, 0x007F)",
    };
    EXPECT_EQ(std::vector<std::string>(from, std::min(calls.end(), from + long(expected.size()))),
              expected);
}

TEST(ShadowPixels, ShadowsOfSeveralLightsAreAccumulated) {
    const struct {
        int lights;
        std::vector<std::string> accum;
    } cases[] = {
        {2,
         {"glAccum(GL_LOAD, 0.33333334)", "glAccum(GL_ACCUM, 0.33333334)",
          "glAccum(GL_ACCUM, 0.33333334)", "glAccum(GL_RETURN, 1.2)"}},
        {3,
         {"glAccum(GL_LOAD, 0.25)", "glAccum(GL_ACCUM, 0.25)", "glAccum(GL_ACCUM, 0.25)",
          "glAccum(GL_ACCUM, 0.25)", "glAccum(GL_RETURN, 1.2)"}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.lights);
        TShadowScene s;
        s.AddLight({4, 0, 4}, true);
        s.AddLight({-4, 0, 4}, true);
        if (k.lights == 3)
            s.AddLight({0, 4, 4}, true);  // its shadow falls towards -y
        TGLRecorder recorder;
        s.Render();
        EXPECT_EQ(recorder.Calls({"glAccum"}), k.accum);
        // Each light's shadow shows, darker than the floor both lights reach.
        const int lit = s.At(kLit[0], kLit[1]);
        const int right = s.At(kRightShadow[0], kRightShadow[1]);
        const int left = s.At(kLeftShadow[0], kLeftShadow[1]);
        EXPECT_LT(right + 10, lit) << right << " " << lit;
        EXPECT_LT(left + 10, lit) << left << " " << lit;
    }
}

TEST(ShadowPixels, NestedBoxCastsWhereItIsDrawn) {
    // One placement, (1, 1, 1) turned a quarter about z, reached twice: directly under
    // the scene, and as (1, 0, 1) inside a group turned a quarter inside a group moved
    // by (1, 0, 0). Both frames must be the same, shadow included.
    TShadowScene direct;
    test::Place(direct.box, 1, 1, 1, 90);
    direct.AddLight({4, 0, 4}, true);
    direct.Render();
    const int shadow = direct.At(-1, 1.5), lit = direct.At(2, -3);
    EXPECT_LT(shadow + 20, lit) << "the box casts a shadow at all";

    TShadowScene nested;
    auto* outer = new TNyxObject(nullptr);
    outer->SetParentComponent(&nested.scene);
    test::Place(outer, 1, 0, 0, 0);
    auto* inner = new TNyxObject(nullptr);
    inner->SetParentComponent(outer);
    test::Place(inner, 0, 0, 0, 90);
    nested.box->SetParentComponent(inner);
    test::Place(nested.box, 1, 0, 1, 0);
    nested.AddLight({4, 0, 4}, true);
    nested.Render();

    // The two matrices differ in their last bits, which may move an edge pixel.
    int differing = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const std::uint32_t a = direct.gl.Surface().At(x, y);
            const std::uint32_t b = nested.gl.Surface().At(x, y);
            for (int shift : {0, 8, 16})
                if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) {
                    ++differing;
                    break;
                }
        }
    EXPECT_LE(differing, kSize / 4);
}
