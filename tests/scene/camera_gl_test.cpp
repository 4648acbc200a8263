// The camera in an off-screen context: the matrices Apply and Pick load, read back and
// compared with the same view built through the geometry functions; the exact calls;
// the jittered views that keep the target plane sharp; what a user sees.
#include "scene/camera.h"

#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

using namespace nyx;

namespace {

constexpr double Rad = std::numbers::pi / 180;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

void Place(TNyxVertex3* v, const TGLArrayd3& p) {
    for (int i = 0; i < 3; ++i)
        v->SetData(i, p[i]);
}

// --- The expected view, built through NyxGeom ---------------------------------------------

TGLMatrixd4 LookAt(const TGLArrayd3& eye, const TGLArrayd3& centre, const TGLArrayd3& up) {
    TGLArrayd3 f{centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    Normalized(f);
    TGLArrayd3 s, u;
    CrossProdd(f, up, s);
    Normalized(s);
    CrossProdd(s, f, u);
    TGLMatrixd4 m = idd;
    for (int i = 0; i < 3; ++i) {
        m[i * 4] = s[i];
        m[i * 4 + 1] = u[i];
        m[i * 4 + 2] = -f[i];
    }
    Translated(-eye[0], -eye[1], -eye[2], m);
    return m;
}

TGLMatrixd4 Frustum(double l, double r, double b, double t, double n, double f) {
    TGLMatrixd4 m{};
    m[0] = 2 * n / (r - l);
    m[5] = 2 * n / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = -(f + n) / (f - n);
    m[11] = -1;
    m[14] = -2 * f * n / (f - n);
    return m;
}

TGLMatrixd4 Perspective(double fovy, double aspect, double n, double f) {
    const double top = n * std::tan(fovy / 2 * Rad);
    return Frustum(-top * aspect, top * aspect, -top, top, n, f);
}

TGLMatrixd4 Ortho(double l, double r, double b, double t, double n, double f) {
    TGLMatrixd4 m = idd;
    m[0] = 2 / (r - l);
    m[5] = 2 / (t - b);
    m[10] = -2 / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    return m;
}

// Maps the pick rectangle onto the whole viewport.
TGLMatrixd4 PickRegion(double x, double y, double w, double h, const int vp[4]) {
    TGLMatrixd4 m = idd;
    Translated((vp[2] - 2 * (x - vp[0])) / w, (vp[3] - 2 * (y - vp[1])) / h, 0, m);
    Scaled(vp[2] / w, vp[3] / h, 1, m);
    return m;
}

// As the call log prints numbers: shortest text of the float or double passed.
template <class T>
std::string Text(T v) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

TGLMatrixd4 Times(const TGLMatrixd4& a, const TGLMatrixd4& b) {
    TGLMatrixd4 r;
    MultMatrixd(a, b, r);
    return r;
}

// Roll * LookAt * Translate(truck) * inverse(absolute matrix of the camera).
TGLMatrixd4 ExpectedView(const TNyxCamera& c) {
    TGLMatrixd4 frame;
    c.GetAbsoluteMatrix(frame);
    InverseMatrixd(frame);
    TGLMatrixd4 m = idd;
    Rotated(c.RollAngle(), 0, 0, 1, m);
    m = Times(m, LookAt(c.GetPosition(), c.GetTarget(), c.Up()->Data()));
    Translatedv(c.TruckOffset(), m);
    return Times(m, frame);
}

// --- Context ------------------------------------------------------------------------------

class CameraGL : public ::testing::Test {
protected:
    void SetUp() override {
        Camera->SetParentComponent(&Root);
        Place(Camera->Position(), {3, -8, 2});
        Place(Camera->Target(), {0.5, 0, 0.25});
    }

    static TGLMatrixd4 Read(GLenum which) {
        TGLMatrixd4 m;
        glGetDoublev(which, m.data());
        return m;
    }
    // OpenGL keeps single floats.
    static void ExpectMatrix(const TGLMatrixd4& got, const TGLMatrixd4& want, const char* what) {
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(got[i], want[i], 2e-6 * std::max(1.0, std::fabs(want[i])))
                << what << " element " << i;
    }
    // Window position of a point through the loaded matrices.
    static std::array<double, 3> Project(const TGLArrayd3& p) {
        const TGLMatrixd4 pm = Times(Read(GL_PROJECTION_MATRIX), Read(GL_MODELVIEW_MATRIX));
        double clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = pm[r] * p[0] + pm[4 + r] * p[1] + pm[8 + r] * p[2] + pm[12 + r];
        return {(clip[0] / clip[3] + 1) * kWidth / 2, (clip[1] / clip[3] + 1) * kHeight / 2,
                clip[2] / clip[3]};
    }

    test::TOffscreenGL GL{kWidth, kHeight};
    TNyxObject Root{nullptr};
    TNyxCamera* Camera = new TNyxCamera(&Root);
};

}  // namespace

TEST_F(CameraGL, ApplyLoadsTheViewOfTheCameraFrameAndItsMotions) {
    const double aspect = double(kWidth) / kHeight;
    const double dist = std::sqrt(2.5 * 2.5 + 64 + 1.75 * 1.75);
    const struct {
        const char* What;
        std::function<void(TNyxObject& root, TNyxCamera&)> Setup;
        std::function<TGLMatrixd4(const TNyxCamera&)> Projection;
    } cases[] = {
        {"plain", [](TNyxObject&, TNyxCamera&) {},
         [&](const TNyxCamera& c) { return Perspective(c.FOVY(), aspect, 1, 10); }},
        {"under a moved parent and with its own transform",
         [](TNyxObject& root, TNyxCamera& c) {
             auto* carrier = new TNyxObject(&root);
             carrier->SetParentComponent(&root);
             c.SetParentComponent(carrier);
             root.XForm()->Translate()->SetZ(-2);
             carrier->XForm()->Rotate()->SetZ(30);
             carrier->XForm()->Translate()->SetX(4);
             c.XForm()->Rotate()->SetX(-20);
         },
         [&](const TNyxCamera& c) { return Perspective(c.FOVY(), aspect, 1, 10); }},
        {"motions",
         [](TNyxObject&, TNyxCamera& c) {
             c.Roll(25);
             c.Truck(0.5, -1, 2);
             c.FOV(6);
             c.Orbit(40, 10);
             c.SetNearPlane(0.5);
             c.SetFarPlane(50);
         },
         [&](const TNyxCamera& c) { return Perspective(c.FOVY() + 6, aspect, 0.5, 50); }},
        {"angle clamped at the top", [](TNyxObject&, TNyxCamera& c) { c.SetFOVY(179); },
         [&](const TNyxCamera&) { return Perspective(175, aspect, 1, 10); }},
        {"angle clamped at the bottom", [](TNyxObject&, TNyxCamera& c) { c.SetFOVY(0.05); },
         [&](const TNyxCamera&) { return Perspective(0.1, aspect, 1, 10); }},
        {"orthographic: the angle spans the width at the target",
         [](TNyxObject&, TNyxCamera& c) { c.SetOrthographic(true); },
         [&](const TNyxCamera& c) {
             const double h = std::tan(c.FOVY() / 2 * Rad) * dist;
             return Ortho(-h, h, -h / aspect, h / aspect, 1, 10);
         }},
        {"orthographic with the eye on the target takes distance 1",
         [](TNyxObject&, TNyxCamera& c) {
             c.SetOrthographic(true);
             c.SetFOVY(90);
             Place(c.Target(), {3, -8, 2});
         },
         [&](const TNyxCamera&) { return Ortho(-1, 1, -1 / aspect, 1 / aspect, 1, 10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TNyxObject root(nullptr);
        auto* camera = new TNyxCamera(&root);
        camera->SetParentComponent(&root);
        Place(camera->Position(), {3, -8, 2});
        Place(camera->Target(), {0.5, 0, 0.25});
        c.Setup(root, *camera);
        glMatrixMode(GL_TEXTURE);  // Apply selects each matrix itself
        camera->Apply(kWidth, kHeight, -1);
        ExpectMatrix(Read(GL_PROJECTION_MATRIX), c.Projection(*camera), "projection");
        if (camera->GetPosition() != camera->GetTarget())
            ExpectMatrix(Read(GL_MODELVIEW_MATRIX), ExpectedView(*camera), "modelview");
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
}

TEST_F(CameraGL, FollowedTargetMovesWithItsObjectOnTheNextApply) {
    auto* ball = new TNyxObject(&Root);
    ball->SetParentComponent(&Root);
    Camera->SetTargetObject(ball);
    for (double x : {0.0, 1.5, -2.0}) {
        ball->XForm()->Translate()->SetX(x);
        Camera->Apply(kWidth, kHeight, -1);
        const auto at = Project({x, 0, 0});
        EXPECT_NEAR(at[0], kWidth / 2.0, 1e-3) << x;
        EXPECT_NEAR(at[1], kHeight / 2.0, 1e-3) << x;
    }
}

TEST_F(CameraGL, JitteredViewsKeepTheTargetPlaneSharpAndBlurTheRest) {
    Camera->Apply(kWidth, kHeight, -1);
    const auto sharp = Project(Camera->GetTarget());
    double blur = 0;
    for (int index = 0; index < 8; ++index) {
        SCOPED_TRACE(index);
        Camera->Apply(kWidth, kHeight, index);
        // The target and the far clip plane as the jittered projection sees them.
        const auto target = Project(Camera->GetTarget());
        EXPECT_NEAR(target[0], sharp[0], 1e-3);
        EXPECT_NEAR(target[1], sharp[1], 1e-3);
        const auto beyond = Project({0.5 - 2.5, 8, 0.25 - 1.75});  // twice as far, same line
        blur = std::max(blur, std::hypot(beyond[0] - sharp[0], beyond[1] - sharp[1]));

        // The frustum moves against the eye by near / focus of its shift.
        const TJitterPoint& j = JitterTable[index];
        const double dist = std::sqrt(2.5 * 2.5 + 64 + 1.75 * 1.75);
        const double top = std::tan(Camera->FOVY() / 2 * Rad), right = top * kWidth / kHeight;
        const double dx = -0.2 * j.x / dist, dy = -0.2 * j.y / dist;
        ExpectMatrix(Read(GL_PROJECTION_MATRIX),
                     Frustum(-right + dx, right + dx, -top + dy, top + dy, 1, 10), "projection");
        TGLMatrixd4 eye = idd;
        Translated(-0.2 * j.x, -0.2 * j.y, 0, eye);
        ExpectMatrix(Read(GL_MODELVIEW_MATRIX), Times(eye, ExpectedView(*Camera)), "modelview");
    }
    EXPECT_EQ(JitterTable, j8);
    EXPECT_GT(blur, 0.05);  // points off the plane do move: the blur is there
}

TEST_F(CameraGL, JitterIndexOutsideTheTableRaisesBeforeAnyCall) {
    for (int index : {8, -2, 100, std::numeric_limits<int>::min()}) {
        TGLRecorder recorder;
        EXPECT_THROW(Camera->Apply(kWidth, kHeight, index), ERangeError) << index;
        EXPECT_TRUE(recorder.Calls().empty()) << index;
    }
    // A zero-size viewport is no error either.
    glViewport(0, 0, 0, 0);
    for (int index : {-1, 0, 7})
        EXPECT_NO_THROW(Camera->Apply(0, 0, index));
    Camera->Apply(kWidth, kHeight, 5);
    for (double v : Read(GL_PROJECTION_MATRIX))
        EXPECT_TRUE(std::isfinite(v));  // no 0/0 from the pixel jitter of an empty viewport
}

TEST_F(CameraGL, PickNarrowsTheSameViewToTheRegion) {
    const int vp[4] = {0, 0, kWidth, kHeight};
    const double aspect = double(kWidth) / kHeight;
    Camera->Roll(10);
    Camera->Truck(0.25, 0, 0);
    const struct {
        int X, Y, W, H;
        bool Ortho;
    } cases[] = {
        {32, 24, 4, 4, false},
        {5, 40, 10, 6, false},
        {60, 3, 2, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.X << "," << c.Y << " " << c.W << "x" << c.H);
        Camera->SetOrthographic(c.Ortho);
        Camera->Pick(kWidth, kHeight, c.X, c.Y, c.W, c.H);
        const double h =
            std::tan(Camera->FOVY() / 2 * Rad) * std::sqrt(2.5 * 2.5 + 64 + 1.75 * 1.75);
        const TGLMatrixd4 lens = c.Ortho ? Ortho(-h, h, -h / aspect, h / aspect, 1, 10)
                                         : Perspective(Camera->FOVY(), aspect, 1, 10);
        ExpectMatrix(Read(GL_PROJECTION_MATRIX), Times(PickRegion(c.X, c.Y, c.W, c.H, vp), lens),
                     "projection");
        ExpectMatrix(Read(GL_MODELVIEW_MATRIX), ExpectedView(*Camera), "modelview");
    }
}

TEST_F(CameraGL, ApplyAndPickIssueTheseCalls) {
    Place(Camera->Position(), {0, -4, 0});
    Place(Camera->Target(), {0, 0, 0});
    Camera->SetFOVY(90);
    Camera->Roll(30);
    Camera->Truck(0.5, 0, -1);
    Root.XForm()->Translate()->SetX(2);
    const std::string view[] = {
        "glMatrixMode(GL_MODELVIEW)",
        "glRotatef(30, 0, 0, 1)",
        "gluLookAt(0, -4, 0, 0, 0, 0, 0, 0, 1)",
        "glTranslatef(0.5, 0, -1)",
        "glMultMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -2, -0, -0, 1})",
    };
    auto with = [&view](std::vector<std::string> head) {
        head.insert(head.end(), std::begin(view), std::end(view));
        return head;
    };
    // The jittered frustum, computed step for step as the camera does, so the doubles in
    // the log match to the last bit.
    const TJitterPoint& j = j8[2];
    const double eyedx = 0.2 * j.x, eyedy = 0.2 * j.y, half = 90 * std::numbers::pi / 180 / 2;
    const double top = 1 / (std::cos(half) / std::sin(half)), right = top * 2;
    const double dx = -(0 + eyedx * 1 / 4), dy = -(0 + eyedy * 1 / 4);
    const struct {
        const char* What;
        std::function<void()> Run;
        std::vector<std::string> Calls;
    } cases[] = {
        {"apply", [&] { Camera->Apply(200, 100, -1); },
         with({"glMatrixMode(GL_MODELVIEW)", "glLoadIdentity()", "glMatrixMode(GL_PROJECTION)",
               "glLoadIdentity()", "gluPerspective(90, 2, 1, 10)"})},
        {"jittered apply", [&] { Camera->Apply(200, 100, 2); },
         with({"glMatrixMode(GL_MODELVIEW)", "glLoadIdentity()", "glMatrixMode(GL_PROJECTION)",
               "glLoadIdentity()", "glGetIntegerv(GL_VIEWPORT, <out>)",
               "glFrustum(" + Text(-right + dx) + ", " + Text(right + dx) + ", " + Text(-top + dy) +
                   ", " + Text(top + dy) + ", 1, 10)",
               "glMatrixMode(GL_MODELVIEW)",
               "glTranslatef(" + Text(float(-eyedx)) + ", " + Text(float(-eyedy)) + ", 0)"})},
        {"pick", [&] { Camera->Pick(200, 100, 20, 30, 4, 4); },
         with({"glMatrixMode(GL_PROJECTION)", "glLoadIdentity()",
               "glGetIntegerv(GL_VIEWPORT, <out>)", "gluPickMatrix(20, 30, 4, 4, {0, 0, 64, 48})",
               "gluPerspective(90, 2, 1, 10)", "glMatrixMode(GL_MODELVIEW)", "glLoadIdentity()"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TGLRecorder recorder;
        c.Run();
        EXPECT_THAT(recorder.Calls(), ::testing::ElementsAreArray(c.Calls));
    }
}

TEST_F(CameraGL, WhatTheUserSeesFollowsTruckAndRoll) {
    // A red square just right of the target, facing the camera at (0, -10, 0).
    Place(Camera->Position(), {0, -10, 0});
    Place(Camera->Target(), {0, 0, 0});
    auto frame = [this] {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        Camera->Apply(kWidth, kHeight, -1);
        glColor3f(1, 0, 0);
        glBegin(GL_QUADS);
        glVertex3d(1, 0, -0.5);
        glVertex3d(2, 0, -0.5);
        glVertex3d(2, 0, 0.5);
        glVertex3d(1, 0, 0.5);
        glEnd();
        GL.Finish();
    };
    constexpr std::uint32_t kRed = 0xFFFF0000, kBlack = 0xFF000000;
    // Pixels in rows from the top: centre, right of it, above it.
    const struct {
        const char* What;
        std::function<void()> Move;
        std::uint32_t Centre, Right, Above;
    } cases[] = {
        {"as placed", [] {}, kBlack, kRed, kBlack},
        {"trucked left by 1.5", [this] { Camera->Truck(-1.5, 0, 0); }, kRed, kBlack, kBlack},
        {"rolled a quarter turn", [this] { Camera->Roll(90); }, kBlack, kBlack, kRed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Camera->Reset();
        c.Move();
        frame();
        // Square width 1 at distance 10 with a 43.6 degree lens: about 6 pixels.
        EXPECT_EQ(GL.Surface().At(kWidth / 2, kHeight / 2), c.Centre);
        EXPECT_EQ(GL.Surface().At(kWidth / 2 + 8, kHeight / 2), c.Right);
        EXPECT_EQ(GL.Surface().At(kWidth / 2, kHeight / 2 - 8), c.Above);
    }
}
