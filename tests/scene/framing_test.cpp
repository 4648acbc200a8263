// Framing a whole scene in a camera: every corner of what the scene draws lands inside
// the view, for any aspect, in perspective and orthographic projection, from a camera
// in a moved frame; what is not drawn does not count; the viewing direction is kept.

#include "drawprobe.h"
#include "objects/box.h"
#include "objects/quadrics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/proxy.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace nyx {
namespace {

constexpr int Height = 120;

void SetVertex(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

template <class T>
T* Add(TComponent* Owner, TNyxObject* Parent, double X, double Y, double Z) {
    auto* o = new T(Owner);
    SetVertex(o->XForm()->Translate(), X, Y, Z);
    o->SetParentComponent(Parent);
    return o;
}

// Where the camera puts world points: normalised device coordinates, from the camera's
// own projection and view read back from a context of the view's size.
struct TView {
    TView(const TNyxCamera& Camera, int Width) {
        test::TOffscreenGL gl(Width, Height);
        Camera.Apply(Width, Height, -1);
        glGetDoublev(GL_PROJECTION_MATRIX, Projection.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, Modelview.data());
    }
    TGLArrayd3 Project(const TGLArrayd3& P) const {
        std::array<double, 4> eye{}, clip{};
        const std::array<double, 4> p{P[0], P[1], P[2], 1};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                eye[r] += Modelview[c * 4 + r] * p[c];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                clip[r] += Projection[c * 4 + r] * eye[c];
        return {clip[0] / clip[3], clip[1] / clip[3], clip[2] / clip[3]};
    }
    std::array<double, 16> Projection{}, Modelview{};
};

// The world corners of every object that counts for the framing.
std::vector<TGLArrayd3> Corners(const std::vector<TNyxObject*>& Objects) {
    std::vector<TGLArrayd3> corners;
    for (const TNyxObject* o : Objects) {
        TGLMatrixd4 m;
        o->GetAbsoluteMatrix(m);
        TGLArrayd3 lo, hi;
        o->GetSize(lo, hi);
        for (int c = 0; c < 8; ++c) {
            TGLArrayd3 p{c & 1 ? hi[0] : lo[0], c & 2 ? hi[1] : lo[1], c & 4 ? hi[2] : lo[2]};
            Xformd(m, p);
            corners.push_back(p);
        }
    }
    return corners;
}

struct TScene {
    TComponent Form{nullptr};
    TNyxScene* Scene = new TNyxScene(&Form);
    TNyxCamera* Camera = nullptr;
    std::vector<TNyxObject*> Counted;  // what the framing must show
};

struct TCase {
    const char* Name;
    double Aspect;
    std::function<void(TScene&)> Build;
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Name; }

void TwoSolids(TScene& s) {
    auto* box = Add<TNyxBox>(&s.Form, s.Scene, 30, -12, 5);
    SetVertex(box->XForm()->Scale(), 4, 1, 2);
    SetVertex(box->XForm()->Rotate(), 0, 20, 35);
    auto* ball = Add<TNyxSphere>(&s.Form, box, 2, 0, 1);  // under the box: its transform too
    s.Counted = {box, ball};
}

class Framing : public ::testing::TestWithParam<TCase> {};

TEST_P(Framing, EveryCornerOfWhatIsDrawnIsInView) {
    const TCase& c = GetParam();
    TScene s;
    s.Camera = new TNyxCamera(&s.Form);
    s.Camera->SetParentComponent(s.Scene);
    c.Build(s);
    s.Camera->ViewAll(c.Aspect);

    const int width = int(std::lround(Height * c.Aspect));
    const TView view(*s.Camera, width);
    std::array<double, 2> lo{1, 1}, hi{-1, -1};
    for (const TGLArrayd3& corner : Corners(s.Counted)) {
        const TGLArrayd3 p = view.Project(corner);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(p[i] >= -1 && p[i] <= 1) << "axis " << i << " at " << p[i];
        for (int i = 0; i < 2; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    // Not lost in the middle: the scene spans a good part of the view one way.
    EXPECT_GT(std::max(hi[0] - lo[0], hi[1] - lo[1]), 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Framing,
    ::testing::Values(TCase{"Perspective", 4.0 / 3, TwoSolids}, TCase{"Wide", 3.0, TwoSolids},
                      TCase{"Tall", 0.5, TwoSolids},
                      TCase{"Orthographic", 4.0 / 3,
                            [](TScene& s) {
                                s.Camera->SetOrthographic(true);
                                TwoSolids(s);
                            }},
                      TCase{"OrthographicTall", 0.6,
                            [](TScene& s) {
                                s.Camera->SetOrthographic(true);
                                TwoSolids(s);
                            }},
                      TCase{"CameraInAMovedFrame", 4.0 / 3,
                            [](TScene& s) {
                                auto* rig = Add<TNyxObject>(&s.Form, s.Scene, -8, 3, 2);
                                SetVertex(rig->XForm()->Rotate(), 0, 0, 70);
                                s.Camera->SetParentComponent(rig);
                                TwoSolids(s);
                            }},
                      TCase{"TurnedScene", 4.0 / 3,
                            [](TScene& s) {
                                SetVertex(s.Scene->XForm()->Rotate(), 30, 0, 10);
                                TwoSolids(s);
                            }},
                      TCase{"Empty", 1.0,
                            [](TScene& s) {
                                // The unit cube round the origin stands in for the scene.
                                auto* unit = new TNyxBox(&s.Form);
                                s.Counted = {unit};
                            }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(FramingExtent, OnlyVisibleDrawnObjectsCount) {
    TScene s;
    auto* box = Add<TNyxBox>(&s.Form, s.Scene, 2, 4, 6);
    Add<TNyxLight>(&s.Form, s.Scene, 0, 0, 0)->Point1()->SetX(100);
    Add<TNyxCamera>(&s.Form, s.Scene, -50, 0, 0);
    Add<TNyxBox>(&s.Form, s.Scene, 90, 0, 0)->SetVisible(false);
    auto* hidden = Add<TNyxObject>(&s.Form, s.Scene, 0, 0, 0);
    hidden->SetVisible(false);
    Add<TNyxSphere>(&s.Form, hidden, -70, 0, 0);
    TGLArrayd3 lo, hi;
    ASSERT_TRUE(DrawableExtent(*s.Scene, lo, hi));
    EXPECT_EQ(lo, (TGLArrayd3{1.5, 3.5, 5.5}));
    EXPECT_EQ(hi, (TGLArrayd3{2.5, 4.5, 6.5}));
    box->SetVisible(false);
    EXPECT_FALSE(DrawableExtent(*s.Scene, lo, hi));
}

// A proxy counts with what it draws: its target's children, through the target's
// transform and its own, also when the target itself is hidden (a drawing's blocks).
TEST(FramingExtent, ProxiesCountWithWhatTheyDraw) {
    TScene s;
    auto* blocks = Add<TNyxObject>(&s.Form, s.Scene, 0, 0, 0);
    blocks->SetVisible(false);
    auto* block = Add<TNyxObject>(&s.Form, blocks, 1, 0, 0);
    Add<TNyxBox>(&s.Form, block, 0, 0, 0);
    auto* nested = Add<TNyxObject>(&s.Form, blocks, 0, 0, 0);
    Add<TNyxProxy>(&s.Form, nested, 0, 0, 10)->SetProxy(block);
    Add<TNyxProxy>(&s.Form, s.Scene, 100, 0, 0)->SetProxy(nested);
    TGLArrayd3 lo, hi;
    ASSERT_TRUE(DrawableExtent(*s.Scene, lo, hi));
    EXPECT_EQ(lo, (TGLArrayd3{100.5, -0.5, 9.5}));
    EXPECT_EQ(hi, (TGLArrayd3{101.5, 0.5, 10.5}));
    // Groups that hold proxies of each other, many times over: each comes round once.
    for (int i = 0; i < 20; ++i) {
        Add<TNyxProxy>(&s.Form, block, 0, 0, 0)->SetProxy(nested);
        Add<TNyxProxy>(&s.Form, nested, 0, 0, 0)->SetProxy(block);
    }
    ASSERT_TRUE(DrawableExtent(*s.Scene, lo, hi));
    EXPECT_EQ(hi[0], 101.5);
}

TEST(FramingCamera, KeepsTheViewingDirectionOrTakesOneFromTheFrontAbove) {
    struct Case {
        TGLArrayd3 Position, Target;
        TGLArrayd3 Expected;  // direction from the target to the eye, before normalising
    } cases[] = {
        {{0, -10, 0}, {0, 0, 0}, {0, -1, 0}},
        {{3, 3, 3}, {4, 4, 4}, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        TScene s;
        Add<TNyxBox>(&s.Form, s.Scene, 5, 5, 5);
        auto* camera = Add<TNyxCamera>(&s.Form, s.Scene, 0, 0, 0);
        SetVertex(camera->Position(), c.Position[0], c.Position[1], c.Position[2]);
        SetVertex(camera->Target(), c.Target[0], c.Target[1], c.Target[2]);
        camera->ViewAll();
        TGLArrayd3 d = camera->Position()->Data(), want = c.Expected;
        for (int i = 0; i < 3; ++i)
            d[std::size_t(i)] -= camera->Target()->Data()[std::size_t(i)];
        Normalized(d);
        Normalized(want);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(d[std::size_t(i)], want[std::size_t(i)], 1e-12);
    }
    // No direction yet: in front (-y), to the right (+x) and above (+z, the up vector).
    TScene s;
    auto* camera = Add<TNyxCamera>(&s.Form, s.Scene, 0, 0, 0);
    camera->ViewAll();
    const TGLArrayd3& eye = camera->Position()->Data();
    EXPECT_GT(eye[0], 0);
    EXPECT_LT(eye[1], 0);
    EXPECT_GT(eye[2], 0);
}

TEST(FramingCamera, DropsFollowObjectsAndMotionsAndRepaintsOnce) {
    TScene s;
    auto* box = Add<TNyxBox>(&s.Form, s.Scene, 1, 2, 3);
    auto* camera = Add<TNyxCamera>(&s.Form, s.Scene, 0, 0, 0);
    camera->SetTargetObject(box);
    camera->SetPositionObject(box);
    camera->Orbit(30, 10);
    auto* panel = new test::TCountingPanel(&s.Form);
    s.Scene->RegisterGLPanel(panel);
    camera->ViewAll();
    EXPECT_EQ(camera->TargetObject(), nullptr);
    EXPECT_EQ(camera->PositionObject(), nullptr);
    EXPECT_EQ(camera->PositionOffset(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(camera->Target()->Data(), (TGLArrayd3{1, 2, 3}));
    EXPECT_EQ(panel->Repaints, 1);
}

}  // namespace
}  // namespace nyx
