#include "scene/camera.h"

#include "gl/opengl.h"
#include "scene/panel.h"

#include <algorithm>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace nyx {

const TJitterPoint* const JitterTable = j8;

namespace {

constexpr double Pi = std::numbers::pi;

// Total view angle that Apply and Pick accept; FOV refuses to leave [1, 175].
constexpr double MinApplyAngle = 0.1;
constexpr double MaxAngle = 175.0;
constexpr double MinFOVAngle = 1.0;

double Length(const TGLArrayd3& v) { return std::sqrt(Dotd(v, v)); }

TGLArrayd3 Minus(const TGLArrayd3& a, const TGLArrayd3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

TGLArrayd3 Times(const TGLArrayd3& v, double k) { return {v[0] * k, v[1] * k, v[2] * k}; }

void AddTo(TGLArrayd3& a, double x, double y, double z) {
    a[0] += x;
    a[1] += y;
    a[2] += z;
}

bool Gone(const TNyxObject* o) { return o->ComponentState().Contains(csDestroying); }

}  // namespace

// --- Accumulation-buffer projections ----------------------------------------------------

void JitterFrustum(double left, double right, double bottom, double top, double zNear, double zFar,
                   double pixdx, double pixdy, double eyedx, double eyedy, double focus) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // A viewport without pixels has nothing to shift by a fraction of one; without this
    // guard 0/0 would turn the whole frustum into NaN.
    const double pixelX = viewport[2] > 0 ? pixdx * (right - left) / viewport[2] : 0.0;
    const double pixelY = viewport[3] > 0 ? pixdy * (top - bottom) / viewport[3] : 0.0;
    const double dx = -(pixelX + eyedx * zNear / focus);
    const double dy = -(pixelY + eyedy * zNear / focus);
    glFrustum(left + dx, right + dx, bottom + dy, top + dy, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(GLfloat(-eyedx), GLfloat(-eyedy), 0.0f);
}

void JitterPerspective(double fovy, double aspect, double zNear, double zFar, double pixdx,
                       double pixdy, double eyedx, double eyedy, double focus) {
    const double half = fovy * Pi / 180 / 2;
    const double top = zNear / (std::cos(half) / std::sin(half));
    const double bottom = -top;
    const double right = top * aspect;
    const double left = -right;
    JitterFrustum(left, right, bottom, top, zNear, zFar, pixdx, pixdy, eyedx, eyedy, focus);
}

// --- Class information, construction ------------------------------------------------------

const TMetaClass& TNyxCamera::StaticClass() {
    using P = Props<TNyxCamera>;
    static const TMetaClass meta = TMetaClass::Make<TNyxCamera, TNyxObject>(
        "TNyxCamera",
        {
            NyxObjectProps::Point1("Position"),
            P::Reference<TNyxObject>("PositionObject", &TNyxCamera::PositionObject,
                                     &TNyxCamera::SetPositionObject),
            NyxObjectProps::Point2("Target"),
            P::Reference<TNyxObject>("TargetObject", &TNyxCamera::TargetObject,
                                     &TNyxCamera::SetTargetObject),
            P::Owned<TNyxVertex3>("Up", [](const TNyxCamera& c) { return c.Up(); }),
            // Floats are stored when non-zero.
            P::Float("FocalLength", &TNyxCamera::FocalLength, &TNyxCamera::SetFocalLength),
            P::Float("FOVY", &TNyxCamera::FOVY, &TNyxCamera::SetFOVY),
            P::Float("NearClipPlane", &TNyxCamera::NearClipPlane, &TNyxCamera::SetNearPlane),
            P::Float("FarClipPlane", &TNyxCamera::FarClipPlane, &TNyxCamera::SetFarPlane),
            P::Boolean("Orthographic", &TNyxCamera::Orthographic, &TNyxCamera::SetOrthographic,
                       false),
        });
    return meta;
}

TNyxCamera::TNyxCamera(TComponent* AOwner)
    : TNyxObject(AOwner), FUp(TNotifyEvent::Bind<&TNyxObject::Invalidate>(this)) {
    FUp.Store(unitz);
    FFOVY = std::atan(36 / (2 * FFocalLength)) * 2 * 180 / Pi;
}

// Panels hear of the removal while the camera is whole and still in its scene, so
// that they leave the scene and drop themselves from FViewers.
TNyxCamera::~TNyxCamera() { NotifyRemoval(); }

void TNyxCamera::AddViewer(TNyxPanel* Panel) {
    if (std::find(FViewers.begin(), FViewers.end(), Panel) == FViewers.end())
        FViewers.push_back(Panel);
}

void TNyxCamera::RemoveViewer(TNyxPanel* Panel) { std::erase(FViewers, Panel); }

void TNyxCamera::JoinedScene(TNyxScene* Scene) {
    TNyxObject::JoinedScene(Scene);
    // A copy: a panel may change its camera while it follows.
    const std::vector<TNyxPanel*> viewers = FViewers;
    for (TNyxPanel* panel : viewers)
        panel->FollowCameraScene();
}

// --- Lens and placement -------------------------------------------------------------------

void TNyxCamera::SetPositionObject(TNyxObject* Value) {
    if (Value == FPositionObject)
        return;
    FPositionObject = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate(this);
}

void TNyxCamera::SetTargetObject(TNyxObject* Value) {
    if (Value == FTargetObject)
        return;
    FTargetObject = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate(this);
}

void TNyxCamera::SetFocalLength(double Value) {
    if (Value == FFocalLength)
        return;
    FFocalLength = Value;
    FFOVY = std::atan(36 / (2 * Value)) * 2 * 180 / Pi;
    Invalidate(this);
}

void TNyxCamera::SetFOVY(double Value) {
    if (Value == FFOVY)
        return;
    FFOVY = Value;
    FFocalLength = 0.5 / (std::tan(Value * Pi / 180 / 2) / 36);
    Invalidate(this);
}

void TNyxCamera::SetNearPlane(double Value) {
    if (Value == FNearClipPlane)
        return;
    FNearClipPlane = Value;
    Invalidate(this);
}

void TNyxCamera::SetFarPlane(double Value) {
    if (Value == FFarClipPlane)
        return;
    FFarClipPlane = Value;
    Invalidate(this);
}

void TNyxCamera::SetOrthographic(bool Value) {
    if (Value == FOrthographic)
        return;
    FOrthographic = Value;
    Invalidate(this);
}

// --- Effective position and target --------------------------------------------------------

TGLArrayd3 TNyxCamera::FollowPoint(const TNyxObject* Follow, const TNyxVertex3& Own,
                                   const TGLArrayd3& Offset) const {
    TGLArrayd3 p = Own.Data();
    if (Follow && !Gone(Follow)) {
        Follow->GetAbsoluteCenter(p);
        TGLMatrixd4 m;
        GetAbsoluteMatrix(m);
        InverseMatrixd(m);
        Xformd(m, p);
    }
    AddTo(p, Offset[0], Offset[1], Offset[2]);
    return p;
}

TGLArrayd3 TNyxCamera::GetPosition() const {
    // Follow objects may lead back here (the camera itself, or a chain of cameras and
    // lights following each other); the inner call then stops at the own Position.
    if (FFollowing)
        return FollowPoint(nullptr, *Position(), FMotion.PositionOffset);
    FFollowing = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FFollowing};
    return FollowPoint(FPositionObject, *Position(), FMotion.PositionOffset);
}

TGLArrayd3 TNyxCamera::GetTarget() const {
    // A cycle through a target always passes through some camera's GetPosition, which
    // breaks it.
    return FollowPoint(FTargetObject, *Target(), FMotion.TargetOffset);
}

void TNyxCamera::GetCenter(TGLArrayd3& C) const { C = GetPosition(); }

// --- Projection ---------------------------------------------------------------------------

void TNyxCamera::ViewFrame(TGLMatrixd4& M) const {
    std::vector<TNyxObject*> ancestors;
    ListParents(ancestors);
    M = idd;
    TGLMatrixd4 local;
    for (const TNyxObject* a : ancestors) {
        a->XForm()->GetMatrix(local);
        MultMatrixd(M, local, M);
    }
    XForm()->GetMatrix(local);
    MultMatrixd(M, local, M);
    InverseMatrixd(M);
}

void TNyxCamera::LoadProjection(std::int32_t Width, std::int32_t Height, std::int32_t JitterIndex,
                                double Dist) const {
    double fovy = FFOVY + FMotion.FOVOffset;
    if (MinApplyAngle > fovy)
        fovy = MinApplyAngle;
    if (fovy > MaxAngle)
        fovy = MaxAngle;
    const double w = Width, h = Height;
    if (FOrthographic) {
        // The angle spans the width here; in perspective it spans the height.
        const double half = std::tan(fovy / 2 * Pi / 180) * Dist;
        glOrtho(-half, half, -half * h / w, half * h / w, FNearClipPlane, FFarClipPlane);
    } else if (JitterIndex == -1) {
        gluPerspective(fovy, w / h, FNearClipPlane, FFarClipPlane);
    } else {
        const TJitterPoint& j = JitterTable[JitterIndex];
        JitterPerspective(fovy, w / h, FNearClipPlane, FFarClipPlane, 0, 0, 0.2 * j.x, 0.2 * j.y,
                          Dist);
    }
}

void TNyxCamera::LoadView(const TGLArrayd3& P, const TGLArrayd3& T, const TGLMatrixd4& M) const {
    glMatrixMode(GL_MODELVIEW);
    glRotatef(GLfloat(FMotion.RollAngle), 0, 0, 1);
    const TGLArrayd3& up = FUp.Data();
    gluLookAt(P[0], P[1], P[2], T[0], T[1], T[2], up[0], up[1], up[2]);
    const TGLArrayd3& truck = FMotion.TruckOffset;
    glTranslatef(GLfloat(truck[0]), GLfloat(truck[1]), GLfloat(truck[2]));
    glMultMatrixd(M.data());
}

TNyxCamera::TEye TNyxCamera::Eye() const {
    TEye e;
    ViewFrame(e.Frame);
    e.P = GetPosition();
    e.T = GetTarget();
    e.Dist = Length(Minus(e.P, e.T));
    if (e.Dist == 0)
        e.Dist = 1;  // a degenerate view still gets a usable projection
    return e;
}

void TNyxCamera::Apply(std::int32_t Width, std::int32_t Height, std::int32_t JitterIndex) const {
    if (JitterIndex < -1 || JitterIndex > 7)
        throw ERangeError("TNyxCamera.Apply: jitter index " + std::to_string(JitterIndex) +
                          " is out of range; pass -1 for the plain view or 0..7 for an "
                          "entry of the jitter table");
    const TEye e = Eye();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    LoadProjection(Width, Height, JitterIndex, e.Dist);
    LoadView(e.P, e.T, e.Frame);
}

void TNyxCamera::Pick(std::int32_t Width, std::int32_t Height, std::int32_t X, std::int32_t Y,
                      std::int32_t W, std::int32_t H) const {
    const TEye e = Eye();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluPickMatrix(X, Y, W, H, viewport);
    LoadProjection(Width, Height, -1, e.Dist);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    LoadView(e.P, e.T, e.Frame);
}

// --- Motions ------------------------------------------------------------------------------

void TNyxCamera::Move(double dPx, double dPy, double dPz, double dTx, double dTy, double dTz) {
    AddTo(FMotion.PositionOffset, dPx, dPy, dPz);
    AddTo(FMotion.TargetOffset, dTx, dTy, dTz);
    Invalidate(this);
}

void TNyxCamera::Store() { FStored = FMotion; }

void TNyxCamera::Restore() { FMotion = FStored; }

void TNyxCamera::Reset() {
    FMotion = {};
    Invalidate(this);
}

void TNyxCamera::Truck(double dx, double dy, double dz) {
    AddTo(FMotion.TruckOffset, dx, dy, dz);
    Invalidate(this);
}

TGLArrayd3 TNyxCamera::TurnDisplacement(const TGLArrayd3& D, double a, double b) const {
    // (L, B, U) is orthonormal with D along -B.
    TGLArrayd3 l, u, back;
    CrossProdd(FUp.Data(), D, l);
    Normalized(l);
    CrossProdd(D, l, u);
    Normalized(u);
    CrossProdd(u, l, back);
    const TGLArrayd3 d0{0, -Length(D), 0};
    TGLArrayd3 s;
    OrthoToSphered(d0, s);
    s[1] += a * Pi / 180;
    s[2] += b * Pi / 180;
    TGLArrayd3 d1;
    SphereToOrthod(s, d1);
    const TGLArrayd3 e = Minus(d1, d0);
    TGLArrayd3 v;
    for (int i = 0; i < 3; ++i)
        v[i] = e[0] * l[i] + e[1] * back[i] + e[2] * u[i];
    return v;
}

void TNyxCamera::Pan(double a, double b) {
    const TGLArrayd3 v = TurnDisplacement(Minus(GetTarget(), GetPosition()), a, b);
    Move(0, 0, 0, v[0], v[1], v[2]);
}

void TNyxCamera::Orbit(double a, double b) {
    const TGLArrayd3 v = TurnDisplacement(Minus(GetPosition(), GetTarget()), a, b);
    Move(v[0], v[1], v[2], 0, 0, 0);
}

void TNyxCamera::Roll(double a) {
    FMotion.RollAngle = NormAngle360(FMotion.RollAngle + a);
    Invalidate(this);
}

void TNyxCamera::FOV(double d) {
    const double old = FMotion.FOVOffset;
    FMotion.FOVOffset += d;
    const double total = FFOVY + FMotion.FOVOffset;
    if (total < MinFOVAngle || total > MaxAngle) {
        FMotion.FOVOffset = old;
        return;
    }
    Invalidate(this);
}

void TNyxCamera::Perspective(double k) {
    if (FOrthographic)
        return;
    const TGLArrayd3 d = Minus(GetPosition(), GetTarget());
    const double dist = Length(d);
    // With the eye on the target there is no plane to keep at its size, and the
    // formula below would be 0/0: a NaN angle would stick in the motion state.
    if (dist == 0)
        return;
    const double angle = FFOVY + FMotion.FOVOffset;
    const double rad = angle * Pi / 180;
    double wanted;
    if (std::cos(rad) >= 0) {
        wanted = std::atan(dist * std::tan(rad) / (dist * k + dist)) * 180 / Pi;
    } else {
        // Beyond 90 degrees the tangent changes sign: the rule above would turn the
        // view to a negative angle even for k = 0, which Apply clamps to a pinhole that
        // FOV cannot widen again. There the half angle keeps the target plane's size.
        wanted = 2 * std::atan(std::tan(rad / 2) / (k + 1)) * 180 / Pi;
    }
    FMotion.FOVOffset += wanted - angle;
    const TGLArrayd3 v = Times(d, k);
    Move(v[0], v[1], v[2], 0, 0, 0);
}

void TNyxCamera::Dolly(double k) {
    const TGLArrayd3 v = Times(Minus(GetPosition(), GetTarget()), k);
    Move(v[0], v[1], v[2], 0, 0, 0);
}

// --- Framework hooks ----------------------------------------------------------------------

void TNyxCamera::ReadState(TReader& Reader) {
    FFocalLength = 0;
    FNearClipPlane = 0;
    FFarClipPlane = 0;
    FUp.Store({0, 0, 0});
    // Also the placement, so that a camera read into again takes the stream's points.
    Position()->Store({0, 0, 0});
    Target()->Store({0, 0, 0});
    TNyxObject::ReadState(Reader);
}

void TNyxCamera::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove) {
        if (AComponent == FPositionObject)
            FPositionObject = nullptr;
        if (AComponent == FTargetObject)
            FTargetObject = nullptr;
        std::erase(FViewers, AComponent);
    }
    TNyxObject::Notification(AComponent, Operation);
}

}  // namespace nyx
