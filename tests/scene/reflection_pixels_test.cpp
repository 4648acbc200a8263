// Mirrors as a user sees them, rendered off-screen through the scene's passes: floor
// mirrors under a camera looking down at 45 degrees, boxes in front of and behind them.
//
// Every surface glows in its emission colour only (no lights, no ambient), so a pixel
// is an exact mix of known colours; a tolerance of 2 per channel covers the 8-bit
// rounding of the blend.
#include "objects/box.h"
#include "objects/polygon.h"
#include "scene/camera.h"
#include "scene/material.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "testing/offscreen.h"

#include <array>
#include <cmath>

using namespace nyx;

namespace {

constexpr int kSize = 96;

using TRGB = std::array<double, 3>;
constexpr TRGB Blue{0, 0, 255}, Red{255, 0, 0}, Green{0, 255, 0}, Grey{100, 100, 100};

TRGB Mix(double SurfaceWeight, const TRGB& Surface, const TRGB& Behind) {
    TRGB out;
    for (std::size_t i = 0; i < 3; ++i)
        out[i] = SurfaceWeight * Surface[i] + (1 - SurfaceWeight) * Behind[i];
    return out;
}

void Glow(TNyxObject* Obj, const TRGB& C) {
    Obj->SetColor(0);  // no ambient or diffuse: the emission alone
    const TColor c = RGB(std::uint8_t(C[0]), std::uint8_t(C[1]), std::uint8_t(C[2]));
    Obj->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, c);
    Obj->Material()->BackFace()->SetColor(TNyxFaceMaterial::ciEmission, c);
}

class TMirrorView {
public:
    TMirrorView() : gl(kSize, kSize) {
        scene.SetReflections(true);
        scene.SetSceneAmbientColor(0);
        scene.SetBackgroundColor(RGB(100, 100, 100));
        camera.Position()->Store({0, -10, 10});
        camera.Up()->Store({0, 0, 1});
        camera.SetNearPlane(1);
        camera.SetFarPlane(50);
    }
    // A floor mirror in z = Z over X0..X1 by -4..3, facing up.
    TNyxPolygon* AddMirror(double X0, double X1, double Z, const TRGB& C, double Reflection) {
        auto* mirror = new TNyxPolygon(nullptr);
        mirror->SetParentComponent(&scene);
        const double corners[4][2] = {{X0, -4}, {X1, -4}, {X1, 3}, {X0, 3}};
        for (const auto& c : corners) {
            auto* v = static_cast<TNyxVertex3TexCI*>(mirror->Vertexes()->Add());
            v->SetData(0, c[0]);
            v->SetData(1, c[1]);
            v->SetData(2, Z);
        }
        Glow(mirror, C);
        mirror->SetReflection(Reflection);
        return mirror;
    }
    TNyxBox* AddBox(const TGLArrayd3& Centre, double Half, const TRGB& C) {
        auto* box = new TNyxBox(nullptr);
        box->SetParentComponent(&scene);
        box->XForm()->Translate()->Store(Centre);
        box->XForm()->Scale()->Store({2 * Half, 2 * Half, 2 * Half});
        box->XForm()->Invalidate(nullptr);
        Glow(box, C);
        return box;
    }
    void Render(bool Draft = false) {
        // What the panel sets up before a frame.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        scene.Render(&camera, kSize, kSize, Draft);
        gl.Finish();
    }
    // The colour where the world point P appears.
    TRGB At(const TGLArrayd3& P) {
        TGLMatrixd4 mv, proj;
        glGetDoublev(GL_MODELVIEW_MATRIX, mv.data());
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = mv[r] * P[0] + mv[4 + r] * P[1] + mv[8 + r] * P[2] + mv[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] +
                      proj[12 + r] * eye[3];
        const int px = int((clip[0] / clip[3] + 1) / 2 * kSize);
        const int py = int((clip[1] / clip[3] + 1) / 2 * kSize);
        EXPECT_TRUE(px >= 0 && px < kSize && py >= 0 && py < kSize) << px << ", " << py;
        const std::uint32_t p =
            gl.Surface().At(std::clamp(px, 0, kSize - 1), kSize - 1 - std::clamp(py, 0, kSize - 1));
        return {double((p >> 16) & 0xFF), double((p >> 8) & 0xFF), double(p & 0xFF)};
    }
    void Expect(const TGLArrayd3& P, const TRGB& Want, const char* What) {
        const TRGB got = At(P);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], Want[i], 2) << What << ", channel " << i;
    }

    test::TOffscreenGL gl;
    TNyxScene scene{nullptr};
    TNyxCamera camera{nullptr};
};

}  // namespace

// A red box stands over the mirror's right edge, so half of its image would fall
// beside the mirror. The points named are where the camera's rays cross the mirror
// plane at the box's image, beside the mirror, and away from any image.
TEST(ReflectionPixels, ImageOnlyInsideTheMirrorWithTheRightStrength) {
    struct TCase {
        double Reflection;
        TRGB Image, Plain;
    };
    const TCase cases[] = {
        {0.3, Mix(0.7, Blue, Red), Mix(0.7, Blue, Grey)},
        {1, Red, Grey},   // a front that lets all the reflection through
        {0, Blue, Blue},  // no reflection: an opaque mirror
    };
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Reflection);
        TMirrorView v;
        v.AddMirror(-2, 2, 0, Blue, tc.Reflection);
        v.AddBox({2, 0.5, 1}, 0.8, Red);
        v.Render();
        v.Expect({2, 0.5, -1}, tc.Image, "the box's image");
        v.Expect({-1.5, -1.5, 0}, tc.Plain, "the mirror away from the image");
        v.Expect({2.7, 0.5, -1}, Grey, "beside the mirror, where the image would go on");
        v.Expect({2, 0.5, 1.8}, Red, "the box itself");
    }
}

TEST(ReflectionPixels, OnlyWhatLiesInFrontOfThePlaneIsReflected) {
    for (const double z : {1.5, -1.5}) {
        SCOPED_TRACE(z);
        TMirrorView v;
        v.AddMirror(-2, 2, 0, Blue, 0.3);
        v.AddBox({0, -0.5, z}, 0.4, Green);
        v.Render();
        v.Expect({0, -0.5, -z}, z > 0 ? Mix(0.7, Blue, Green) : Mix(0.7, Blue, Grey),
                 "where the image is or would be");
    }
}

TEST(ReflectionPixels, DraftFrameShowsTheTranslucentFrontWithoutImage) {
    TMirrorView v;
    v.AddMirror(-2, 2, 0, Blue, 0.3);
    v.AddBox({2, 0.5, 1}, 0.8, Red);
    v.Render(true);
    v.Expect({2, 0.5, -1}, Mix(0.7, Blue, Grey), "where the image is in full frames");
}

// Two floor mirrors side by side at different heights, a red box over the gap: each
// mirror shows its own image of the box (a mirror drawn into its own image would
// cover it), and neither image spills into the other mirror, although each would
// reach across.
TEST(ReflectionPixels, TwoMirrorsKeepTheirImagesApart) {
    TMirrorView v;
    v.AddMirror(-3, -0.1, 0, Blue, 0.3);  // A, images about z = 0
    v.AddMirror(0.1, 3, -1, Green, 0.3);  // B, images about z = -1
    v.AddBox({0, 0, 1.5}, 0.5, Red);
    v.Render();
    v.Expect({-0.3, 0, -1.5}, Mix(0.7, Blue, Red), "A's image in A");
    v.Expect({0.3, 0, -3.5}, Mix(0.7, Green, Red), "B's image in B");
    v.Expect({0.3, 0, -1.5}, Mix(0.7, Green, Grey), "A's image would go on into B");
    v.Expect({-0.3, 0, -3.5}, Mix(0.7, Blue, Grey), "B's image would go on into A");
}
