// The camera without a GL context: lens, published state, motions and their limits,
// the motion state's store and reset, follow objects and their removal.
#include "scene/camera.h"

#include "rtl/stream_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace nyx;

namespace {

constexpr double Deg = 180 / std::numbers::pi;

// Counts the invalidations reaching the top of its tree, as a scene's repaints.
class TRoot : public TNyxObject {
public:
    using TNyxObject::TNyxObject;
    void Invalidate(TObject* Sender) override { ++Repaints, TNyxObject::Invalidate(Sender); }
    int Repaints = 0;
};

void Place(TNyxVertex3* v, const TGLArrayd3& p) {
    for (int i = 0; i < 3; ++i)
        v->SetData(i, p[i]);
}

double Distance(const TGLArrayd3& a, const TGLArrayd3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

void ExpectNear(const TGLArrayd3& got, const TGLArrayd3& want, double tol = 1e-12) {
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

// A camera in a counting root, eye at (0, -10, 0) looking at the origin.
struct TRig {
    TRoot Root{nullptr};
    TNyxCamera* Camera = new TNyxCamera(&Root);
    TRig() {
        Camera->SetParentComponent(&Root);
        Place(Camera->Position(), {0, -10, 0});
        Root.Repaints = 0;
    }
};

}  // namespace

TEST(CameraLens, NewCameraAndPublishedState) {
    TNyxCamera camera(nullptr);
    EXPECT_EQ(camera.FocalLength(), 45);
    EXPECT_NEAR(camera.FOVY(), 43.6028, 1e-4);
    EXPECT_DOUBLE_EQ(camera.FOVY(), 2 * std::atan(18.0 / 45) * Deg);
    EXPECT_EQ(camera.NearClipPlane(), 1.0);
    EXPECT_EQ(camera.FarClipPlane(), 10.0);
    EXPECT_EQ(camera.Up()->Data(), unitz);
    EXPECT_EQ(camera.Position()->Data(), (TGLArrayd3{0, 0, 0}));
    EXPECT_FALSE(camera.Orthographic());
    EXPECT_EQ(camera.PositionObject(), nullptr);

    // Published after the inherited properties, in this order, with these kinds.
    const struct {
        const char* Name;
        TTypeKind Kind;
        TClassPropKind Class;
    } props[] = {
        {"Position", TTypeKind::tkClass, TClassPropKind::ckOwned},
        {"PositionObject", TTypeKind::tkClass, TClassPropKind::ckReference},
        {"Target", TTypeKind::tkClass, TClassPropKind::ckOwned},
        {"TargetObject", TTypeKind::tkClass, TClassPropKind::ckReference},
        {"Up", TTypeKind::tkClass, TClassPropKind::ckOwned},
        {"FocalLength", TTypeKind::tkFloat, TClassPropKind::ckNone},
        {"FOVY", TTypeKind::tkFloat, TClassPropKind::ckNone},
        {"NearClipPlane", TTypeKind::tkFloat, TClassPropKind::ckNone},
        {"FarClipPlane", TTypeKind::tkFloat, TClassPropKind::ckNone},
        {"Orthographic", TTypeKind::tkBoolean, TClassPropKind::ckNone},
    };
    const auto& all = TNyxCamera::StaticClass().Properties();
    const std::size_t first = all.size() - std::size(props);
    for (std::size_t i = 0; i < std::size(props); ++i) {
        SCOPED_TRACE(props[i].Name);
        ASSERT_EQ(all[first + i]->Name, props[i].Name);
        EXPECT_EQ(all[first + i]->Kind, props[i].Kind);
        EXPECT_EQ(all[first + i]->ClassKind, props[i].Class);
    }
    EXPECT_EQ(GetPropInfo(camera, "Orthographic").Default, 0);
    EXPECT_EQ(GetObjectProp(camera, "Up"), camera.Up());
    EXPECT_EQ(GetObjectProp(camera, "Target"), camera.Target());
    // Doubles are written when non-zero: a zero lens value is left out.
    EXPECT_TRUE(GetPropInfo(camera, "NearClipPlane").IsStoredValue(camera));
    camera.SetNearPlane(0);
    EXPECT_FALSE(GetPropInfo(camera, "NearClipPlane").IsStoredValue(camera));
    SetOrdProp(camera, "Orthographic", 1);
    EXPECT_TRUE(camera.Orthographic());
}

TEST(CameraLens, FocalLengthAndFieldOfViewFollowEachOther) {
    const struct {
        const char* What;
        std::function<void(TNyxCamera&)> Set;
        double Focal, Fovy;
    } cases[] = {
        {"FOVY 90", [](TNyxCamera& c) { c.SetFOVY(90); }, 18, 90},
        {"focal length 18", [](TNyxCamera& c) { c.SetFocalLength(18); }, 18, 90},
        {"FOVY 60", [](TNyxCamera& c) { c.SetFOVY(60); }, 18 / std::tan(std::numbers::pi / 6), 60},
        {"focal length 0 opens to 180", [](TNyxCamera& c) { c.SetFocalLength(0); }, 0, 180},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TRig rig;
        c.Set(*rig.Camera);
        EXPECT_NEAR(rig.Camera->FocalLength(), c.Focal, 1e-12);
        EXPECT_NEAR(rig.Camera->FOVY(), c.Fovy, 1e-12);
        EXPECT_EQ(rig.Root.Repaints, 1);
        c.Set(*rig.Camera);  // the same value again changes nothing
        EXPECT_EQ(rig.Root.Repaints, 1);
    }
}

TEST(CameraLens, EverySetterAndPlacementEditRepaintsOnlyOnChange) {
    TRig rig;
    TNyxCamera& c = *rig.Camera;
    TNyxObject other(nullptr);
    const struct {
        const char* What;
        std::function<void()> Change;
    } edits[] = {
        {"near", [&] { c.SetNearPlane(0.5); }},
        {"far", [&] { c.SetFarPlane(100); }},
        {"orthographic", [&] { c.SetOrthographic(true); }},
        {"position", [&] { c.Position()->SetX(2); }},
        {"target", [&] { c.Target()->SetZ(1); }},
        {"up", [&] { c.Up()->SetY(1); }},
        {"position object", [&] { c.SetPositionObject(&other); }},
        {"target object", [&] { c.SetTargetObject(&other); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.What);
        const int before = rig.Root.Repaints;
        e.Change();
        EXPECT_EQ(rig.Root.Repaints, before + 1);
        e.Change();
        EXPECT_EQ(rig.Root.Repaints, before + 1);
    }
}

TEST(CameraMotion, FieldOfViewStaysWithinItsLimits) {
    const struct {
        double Delta;
        bool Taken;
    } cases[] = {
        {200, false}, {-43, false}, {-42, true}, {131, true}, {132, false}, {10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Delta);
        TRig rig;
        rig.Camera->FOV(c.Delta);
        EXPECT_EQ(rig.Camera->FOVOffset(), c.Taken ? c.Delta : 0);
        EXPECT_EQ(rig.Root.Repaints, c.Taken ? 1 : 0);
    }
    // A refused step keeps what earlier steps gave.
    TRig rig;
    for (int notch = 0; notch < 200; ++notch)
        rig.Camera->FOV(1.2);
    const double total = rig.Camera->FOVY() + rig.Camera->FOVOffset();
    EXPECT_LE(total, 175.0);
    EXPECT_GT(total, 175.0 - 1.2);
}

TEST(CameraMotion, RollWrapsIntoOneTurn) {
    const struct {
        double Steps[3];
        double Angle;
    } cases[] = {
        {{-10, 0, 0}, 350}, {{0, 0, 0}, 360},      {{200, 200, 0}, 40},
        {{360, 0, 0}, 360}, {{90, -180, 45}, 315},
    };
    for (const auto& c : cases) {
        TRig rig;
        for (double a : c.Steps)
            rig.Camera->Roll(a);
        EXPECT_DOUBLE_EQ(rig.Camera->RollAngle(), c.Angle) << c.Steps[0] << " " << c.Steps[1];
        EXPECT_EQ(rig.Root.Repaints, 3);
    }
}

TEST(CameraMotion, DollyScalesTheEyeTargetDistance) {
    const struct {
        double K;
        double Distance;
    } cases[] = {
        {1, 20},
        {-0.5, 5},
        {-1, 0},
        {0.25, 12.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.K);
        TRig rig;
        Place(rig.Camera->Target(), {1, 2, 3});
        const TGLArrayd3 target = rig.Camera->GetTarget();
        const double before = Distance(rig.Camera->GetPosition(), target);
        rig.Camera->Dolly(c.K);
        EXPECT_NEAR(Distance(rig.Camera->GetPosition(), target), before * c.Distance / 10, 1e-9);
        EXPECT_EQ(rig.Camera->GetTarget(), target);
        // Only the motion state moved.
        EXPECT_EQ(rig.Camera->Position()->Data(), (TGLArrayd3{0, -10, 0}));
    }
}

TEST(CameraMotion, PerspectiveKeepsTheTargetPlaneAndDoesNothingOrthographic) {
    TRig rig;
    TNyxCamera& c = *rig.Camera;
    const double angle = c.FOVY();
    c.Perspective(1);
    EXPECT_NEAR(Distance(c.GetPosition(), c.GetTarget()), 20, 1e-9);
    EXPECT_NEAR(c.FOVY() + c.FOVOffset(), std::atan(std::tan(angle / Deg) / 2) * Deg, 1e-9);
    EXPECT_EQ(rig.Root.Repaints, 1);

    c.Reset();
    c.SetOrthographic(true);
    rig.Root.Repaints = 0;
    c.Perspective(1);
    EXPECT_EQ(c.FOVOffset(), 0);
    EXPECT_EQ(c.PositionOffset(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(rig.Root.Repaints, 0);
}

TEST(CameraMotion, PerspectiveStaysSaneForWideAnglesAndAnEyeOnTheTarget) {
    // Beyond 90 degrees a zero step leaves the angle, a small step back narrows it a
    // little, and the wheel can still widen it afterwards.
    TRig wide;
    TNyxCamera& c = *wide.Camera;
    c.SetFOVY(120);
    c.Perspective(0);
    EXPECT_NEAR(c.FOVY() + c.FOVOffset(), 120, 1e-9);
    c.Perspective(0.01);
    EXPECT_NEAR(c.FOVY() + c.FOVOffset(), 2 * std::atan(std::tan(60 / Deg) / 1.01) * Deg, 1e-9);
    const double offset = c.FOVOffset();
    c.FOV(1.2);
    EXPECT_NEAR(c.FOVOffset(), offset + 1.2, 1e-12);

    // An eye on its target has no distance to work with: no NaN sneaks in.
    TRig flat;
    Place(flat.Camera->Position(), {0, 0, 0});
    flat.Camera->Perspective(0.5);
    EXPECT_EQ(flat.Camera->FOVOffset(), 0);
    flat.Camera->FOV(5);
    EXPECT_EQ(flat.Camera->FOVOffset(), 5);
}

TEST(CameraMotion, PanTurnsTheViewAboutTheEyeAndOrbitMovesTheEyeAboutTheTarget) {
    const struct {
        const char* What;
        bool IsOrbit;
        double A, B;
        TGLArrayd3 Position, Target;
    } cases[] = {
        // Azimuth turns counter-clockwise seen from Up.
        {"orbit left", true, 90, 0, {10, 0, 0}, {0, 0, 0}},
        {"orbit right", true, -90, 0, {-10, 0, 0}, {0, 0, 0}},
        {"orbit half round", true, 180, 0, {0, 10, 0}, {0, 0, 0}},
        // The polar angle grows away from Up.
        {"orbit down",
         true,
         0,
         30,
         {0, -10 * std::cos(30 / Deg), -10 * std::sin(30 / Deg)},
         {0, 0, 0}},
        {"pan left", false, 90, 0, {0, -10, 0}, {-10, -10, 0}},
        {"pan down", false, 0, 90, {0, -10, 0}, {0, -10, -10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TRig rig;
        if (c.IsOrbit)
            rig.Camera->Orbit(c.A, c.B);
        else
            rig.Camera->Pan(c.A, c.B);
        ExpectNear(rig.Camera->GetPosition(), c.Position, 1e-9);
        ExpectNear(rig.Camera->GetTarget(), c.Target, 1e-9);
        EXPECT_EQ(rig.Root.Repaints, 1);
    }
}

TEST(CameraMotion, TurnsKeepTheDistanceAndDegenerateFramesStayFinite) {
    TRig rig;
    TNyxCamera& c = *rig.Camera;
    Place(c.Target(), {1, 2, 0.5});
    const double dist = Distance(c.GetPosition(), c.GetTarget());
    c.Orbit(37, -12);
    c.Orbit(-100, 25);
    EXPECT_NEAR(Distance(c.GetPosition(), c.GetTarget()), dist, 1e-9);
    c.Pan(15, 8);
    EXPECT_NEAR(Distance(c.GetPosition(), c.GetTarget()), dist, 1e-9);

    // Looking straight along Up, and with the eye on the target: nothing to turn.
    const TGLArrayd3 eyes[] = {{1, 2, 20}, {1, 2, 0.5}};
    for (const TGLArrayd3& eye : eyes) {
        c.Reset();
        Place(c.Position(), eye);
        c.Orbit(30, 30);
        c.Pan(30, 30);
        EXPECT_EQ(c.GetPosition(), eye);
        EXPECT_EQ(c.GetTarget(), (TGLArrayd3{1, 2, 0.5}));
    }
}

TEST(CameraMotion, StoreRestoreAndReset) {
    TRig rig;
    TNyxCamera& c = *rig.Camera;
    auto motions = [&c] {
        c.Orbit(20, 10);
        c.Pan(-5, 3);
        c.Truck(1, 2, 3);
        c.Roll(33);
        c.FOV(4);
        c.Dolly(0.3);
        c.Perspective(0.1);
        c.Move(1, 1, 1, 2, 2, 2);
    };
    motions();
    c.Store();
    const TGLArrayd3 p = c.GetPosition(), t = c.GetTarget(), truck = c.TruckOffset();
    const double fov = c.FOVOffset(), roll = c.RollAngle();
    motions();
    ASSERT_NE(c.GetPosition(), p);
    const int repaints = rig.Root.Repaints;
    c.Restore();
    EXPECT_EQ(rig.Root.Repaints, repaints);  // restoring repaints nothing by itself
    EXPECT_EQ(c.GetPosition(), p);
    EXPECT_EQ(c.GetTarget(), t);
    EXPECT_EQ(c.TruckOffset(), truck);
    EXPECT_EQ(c.FOVOffset(), fov);
    EXPECT_EQ(c.RollAngle(), roll);

    // A drag recomputed from the stored state: back at the press point, back at the start.
    for (double dx : {-20.0, -45.0, -90.0, -30.0, 0.0}) {
        c.Restore();
        c.Orbit(-dx / 2, 0);
    }
    ExpectNear(c.GetPosition(), p, 1e-9);

    const int beforeReset = rig.Root.Repaints;
    c.Reset();
    EXPECT_EQ(c.GetPosition(), (TGLArrayd3{0, -10, 0}));
    EXPECT_EQ(c.GetTarget(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(c.TruckOffset(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(c.FOVOffset(), 0);
    EXPECT_EQ(c.RollAngle(), 0);
    EXPECT_EQ(rig.Root.Repaints, beforeReset + 1);
    // Reset does not touch the stored copy.
    c.Restore();
    EXPECT_EQ(c.GetPosition(), p);
}

TEST(CameraFollow, FollowObjectsAreSeenFromTheCamerasFrame) {
    TRoot root(nullptr);
    auto* carrier = new TNyxObject(&root);  // the camera rides on it
    carrier->SetParentComponent(&root);
    carrier->XForm()->Translate()->SetX(5);
    carrier->XForm()->Rotate()->SetZ(90);
    auto* camera = new TNyxCamera(&root);
    camera->SetParentComponent(carrier);
    auto* ball = new TNyxObject(&root);
    ball->SetParentComponent(&root);
    ball->XForm()->Translate()->SetY(3);

    Place(camera->Position(), {1, 1, 1});
    Place(camera->Target(), {2, 2, 2});
    camera->SetTargetObject(ball);
    camera->Move(0.5, 0, 0, 0, 0, 0.25);
    // The world point (0, 3, 0) in the frame turned by 90 degrees about z and moved by 5
    // along x is (3, 5, 0); plus the offset.
    ExpectNear(camera->GetTarget(), {3, 5, 0.25});
    ExpectNear(camera->GetPosition(), {1.5, 1, 1});
    TGLArrayd3 centre;
    camera->GetCenter(centre);
    EXPECT_EQ(centre, camera->GetPosition());

    ball->XForm()->Translate()->SetY(4);
    ExpectNear(camera->GetTarget(), {4, 5, 0.25});

    camera->SetPositionObject(ball);
    ExpectNear(camera->GetPosition(), {4.5, 5, 0});

    // Removal clears both references without a repaint and without any dangling link.
    root.Repaints = 0;
    delete ball;
    EXPECT_EQ(camera->PositionObject(), nullptr);
    EXPECT_EQ(camera->TargetObject(), nullptr);
    EXPECT_EQ(root.Repaints, 0);
    ExpectNear(camera->GetTarget(), {2, 2, 2.25});
}

TEST(CameraFollow, CyclesOfFollowObjectsEnd) {
    TRoot root(nullptr);
    auto* a = new TNyxCamera(&root);
    auto* b = new TNyxCamera(&root);
    a->SetParentComponent(&root);
    b->SetParentComponent(&root);
    b->XForm()->Translate()->SetZ(7);
    Place(a->Position(), {1, 0, 0});
    Place(b->Position(), {0, 2, 0});

    a->SetPositionObject(a);
    EXPECT_EQ(a->GetPosition(), (TGLArrayd3{1, 0, 0}));

    a->SetPositionObject(b);
    b->SetPositionObject(a);
    // a sits on b's centre, which is a's own Position seen from b once the cycle closes.
    ExpectNear(a->GetPosition(), {1, 0, 0});
    ExpectNear(b->GetPosition(), {0, 2, 0});
    a->SetTargetObject(b);
    ExpectNear(a->GetTarget(), {0, 2, 7});
    // Either may go first.
    delete a;
    EXPECT_EQ(b->PositionObject(), nullptr);
}

TEST(CameraStream, LensPlacementAndFollowObjectsRoundTrip) {
    RegisterClasses({&TNyxObject::StaticClass(), &TNyxCamera::StaticClass()});
    TNyxObject source(nullptr);
    source.SetName("Stage");
    auto* camera = new TNyxCamera(&source);
    camera->SetName("Eye");
    camera->SetParentComponent(&source);
    auto* ball = new TNyxObject(&source);
    ball->SetName("Ball");
    ball->SetParentComponent(&source);
    Place(camera->Position(), {0, -3, 0});  // zeros in X and Z are left out of the stream
    Place(camera->Target(), {1, 0, 0});
    Place(camera->Up(), {0, 1, 0});  // Z = 0 must not come back as the default 1
    camera->SetFOVY(60);
    camera->SetNearPlane(0);  // likewise for the clip planes
    camera->SetFarPlane(250);
    camera->SetOrthographic(true);
    camera->SetTargetObject(ball);

    auto check = [&](const TNyxCamera& c, const TNyxObject* newBall) {
        EXPECT_EQ(c.Position()->Data(), camera->Position()->Data());
        EXPECT_EQ(c.Target()->Data(), camera->Target()->Data());
        EXPECT_EQ(c.Up()->Data(), (TGLArrayd3{0, 1, 0}));
        EXPECT_EQ(c.FOVY(), camera->FOVY());
        EXPECT_EQ(c.FocalLength(), camera->FocalLength());
        EXPECT_EQ(c.NearClipPlane(), 0);
        EXPECT_EQ(c.FarClipPlane(), 250);
        EXPECT_TRUE(c.Orthographic());
        EXPECT_EQ(c.TargetObject(), newBall);
        EXPECT_EQ(c.PositionObject(), nullptr);
    };
    namespace io = nyx::testing;
    const std::string binary = io::SaveBinary(&source);
    for (const std::string& bytes : {binary, io::TextToBinary(io::SaveText(&source))}) {
        TNyxObject copy(nullptr);
        io::LoadBinary(&copy, bytes);
        ASSERT_EQ(copy.GetItemsCount(), 2);
        auto* read = dynamic_cast<TNyxCamera*>(copy.GetItem(0));
        ASSERT_NE(read, nullptr);
        check(*read, copy.GetItem(1));
    }

    // Read into a camera that already holds other values: the stream's values win.
    TNyxCamera used(nullptr);
    Place(used.Position(), {5, 5, 5});
    Place(used.Up(), {0, 0, 1});
    used.SetNearPlane(3);
    camera->SetTargetObject(nullptr);  // Ball is not in a stream of the camera alone
    io::LoadBinary(&used, io::SaveBinary(camera));
    EXPECT_EQ(used.Position()->Data(), (TGLArrayd3{0, -3, 0}));
    EXPECT_EQ(used.Up()->Data(), (TGLArrayd3{0, 1, 0}));
    EXPECT_EQ(used.NearClipPlane(), 0);
    EXPECT_EQ(used.FOVY(), 60);
}
