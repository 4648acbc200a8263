#pragma once
// TNyxCamera: a scene object that loads the projection and view of a panel.
//
// The authored placement (Position and Target, or the objects they follow, and Up)
// is kept apart from the motion state that interactive motions accumulate, so Reset
// returns to the authored view and Store/Restore let a drag be recomputed from its
// starting point. Position and target are in the camera's local frame: Apply undoes
// the camera's absolute transform, so a camera under a moving object moves with it.
//
// Sections: lens and placement - effective position and target - projection -
// motions - framework hooks.

#include "geom/geom.h"
#include "gl/jitter.h"
#include "scene/object.h"

#include <cstdint>
#include <vector>

namespace nyx {

// The jitter table Apply takes its eye offsets from: always j8.
extern const TJitterPoint* const JitterTable;

// Accumulation-buffer projections. They multiply onto the current projection matrix
// and leave the modelview matrix selected, shifted by (-eyedx, -eyedy, 0); the caller
// selects and resets the matrices. pixdx, pixdy move the image by fractions of a pixel
// of the current viewport; eyedx, eyedy move the eye while the plane at distance focus
// stays where it is.
void JitterFrustum(double left, double right, double bottom, double top, double zNear, double zFar,
                   double pixdx, double pixdy, double eyedx, double eyedy, double focus);
void JitterPerspective(double fovy, double aspect, double zNear, double zFar, double pixdx,
                       double pixdy, double eyedx, double eyedy, double focus);

// The world-space box round the drawable objects of Root's tree (the coloured ones:
// solids, surfaces, shapes, labels) that are visible with all their ancestors: every
// corner of each one's local bounds through its absolute matrix. A visible proxy counts
// with what it draws of its target (nested proxies eight deep). False when there is
// none, and Min and Max are then left alone.
bool DrawableExtent(const TNyxObject& Root, TGLArrayd3& Min, TGLArrayd3& Max);

class TNyxCamera : public TNyxObject {
    NYX_CLASS(TNyxCamera)
public:
    explicit TNyxCamera(TComponent* AOwner);
    ~TNyxCamera() override;

    // --- Lens and placement ---
    // The base object's two points, edited in place.
    TNyxVertex3* Position() { return Point1(); }
    const TNyxVertex3* Position() const { return Point1(); }
    TNyxVertex3* Target() { return Point2(); }
    const TNyxVertex3* Target() const { return Point2(); }
    TNyxVertex3* Up() { return &FUp; }
    const TNyxVertex3* Up() const { return &FUp; }

    TNyxObject* PositionObject() const { return FPositionObject; }
    void SetPositionObject(TNyxObject* Value);
    TNyxObject* TargetObject() const { return FTargetObject; }
    void SetTargetObject(TNyxObject* Value);

    // Two views of one lens over a 36-unit image height: setting one sets the other.
    double FocalLength() const { return FFocalLength; }
    void SetFocalLength(double Value);
    double FOVY() const { return FFOVY; }
    void SetFOVY(double Value);
    double NearClipPlane() const { return FNearClipPlane; }
    void SetNearPlane(double Value);
    double FarClipPlane() const { return FFarClipPlane; }
    void SetFarPlane(double Value);
    bool Orthographic() const { return FOrthographic; }
    void SetOrthographic(bool Value);

    // The motion state, all zero after construction and after Reset.
    const TGLArrayd3& PositionOffset() const { return FMotion.PositionOffset; }
    const TGLArrayd3& TargetOffset() const { return FMotion.TargetOffset; }
    const TGLArrayd3& TruckOffset() const { return FMotion.TruckOffset; }
    double FOVOffset() const { return FMotion.FOVOffset; }
    double RollAngle() const { return FMotion.RollAngle; }

    // --- Effective position and target (local frame, offsets included) ---
    // A follow object counts with its absolute centre brought into the camera's frame.
    TGLArrayd3 GetPosition() const;
    TGLArrayd3 GetTarget() const;
    // The effective position.
    void GetCenter(TGLArrayd3& C) const override;

    // --- Projection ---
    // Loads projection and modelview for a viewport of Width x Height (the viewport
    // itself is the caller's). JitterIndex -1 is the plain view; 0..7 moves the eye by
    // a fifth of an entry of JitterTable with the target plane kept sharp, for
    // depth-of-field accumulation. Any other index raises ERangeError before anything
    // is loaded.
    virtual void Apply(std::int32_t Width, std::int32_t Height, std::int32_t JitterIndex) const;
    // The unjittered view of Apply narrowed to a W x H picking region centred on the
    // window point (X, Y), origin at the bottom left, for selection.
    void Pick(std::int32_t Width, std::int32_t Height, std::int32_t X, std::int32_t Y,
              std::int32_t W, std::int32_t H) const;

    // --- Motions: change only the motion state ---
    virtual void Move(double dPx, double dPy, double dPz, double dTx, double dTy, double dTz);
    // Keeps a copy of the motion state; Restore brings it back without invalidating.
    virtual void Store();
    virtual void Restore();
    // Back to the authored view.
    virtual void Reset();
    // Shifts the world in the camera's frame after the look-at.
    virtual void Truck(double dx, double dy, double dz);
    // Turns the viewing direction about the eye: a to the azimuth, b to the polar angle
    // (degrees).
    virtual void Pan(double a, double b);
    // Moves the eye round the target, angles as Pan.
    virtual void Orbit(double a, double b);
    // Degrees about the line of sight; the total stays in (0, 360].
    virtual void Roll(double a);
    // Widens (d > 0) or narrows the view angle; refused when the total would leave
    // [1, 175] degrees.
    virtual void FOV(double d);
    // Moves the eye by k times the eye-target distance and changes the view angle to
    // make up for it; nothing in orthographic mode.
    virtual void Perspective(double k);
    // Moves the eye by k times the eye-target distance: away for k > 0.
    virtual void Dolly(double k);

    // --- Framing (scene/framing.cpp) ---
    // An addition to the classic camera: places the camera so that the drawable objects
    // of its scene fill a view of the given aspect (width / height). The target goes to
    // the centre of their world bounds (DrawableExtent), the eye back along the present
    // viewing direction (from the front right and above when there is none) until their
    // bounding sphere fits the view angle, and the clip planes round the sphere. Follow
    // objects are dropped and the motion state reset; one repaint follows. Without a
    // scene or anything drawable, the unit cube round the origin is framed.
    virtual void ViewAll(double Aspect = 1.0);

    // --- Framework hooks ---
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Zeroes the lens and the three points first: streams leave out doubles that are
    // 0, which must then read back as 0 rather than as what the camera held before.
    void ReadState(TReader& Reader) override;

    // Panels looking through this camera, told when it joins a scene so that they
    // register with it at once. The panel keeps this list through SetCamera.
    void AddViewer(TNyxPanel* Panel);
    void RemoveViewer(TNyxPanel* Panel);

protected:
    void JoinedScene(TNyxScene* Scene) override;

private:
    // Inverse of the camera's absolute matrix, composed from the transforms of its
    // ancestors and its own.
    void ViewFrame(TGLMatrixd4& M) const;
    // What Apply and Pick start from: the frame, the effective points and their
    // distance (1 when they coincide).
    struct TEye {
        TGLMatrixd4 Frame;
        TGLArrayd3 P, T;
        double Dist;
    };
    TEye Eye() const;
    // Projection of Apply step by step, without selecting or resetting matrices.
    void LoadProjection(std::int32_t Width, std::int32_t Height, std::int32_t JitterIndex,
                        double Dist) const;
    void LoadView(const TGLArrayd3& P, const TGLArrayd3& T, const TGLMatrixd4& M) const;
    TGLArrayd3 FollowPoint(const TNyxObject* Follow, const TNyxVertex3& Own,
                           const TGLArrayd3& Offset) const;
    // The displacement that turns D by (a, b) degrees in the frame built from Up and D.
    TGLArrayd3 TurnDisplacement(const TGLArrayd3& D, double a, double b) const;

    double FFocalLength = 45;
    double FNearClipPlane = 1.0;
    double FFarClipPlane = 10.0;
    TNyxVertex3 FUp;
    double FFOVY = 0;
    // What the motions change; Store and Restore copy it whole.
    struct TMotion {
        TGLArrayd3 PositionOffset{0, 0, 0};
        TGLArrayd3 TargetOffset{0, 0, 0};
        TGLArrayd3 TruckOffset{0, 0, 0};
        double FOVOffset = 0;
        double RollAngle = 0;
    };
    TMotion FMotion;
    TMotion FStored;
    bool FOrthographic = false;
    TNyxObject* FPositionObject = nullptr;
    TNyxObject* FTargetObject = nullptr;
    // Set while a follow object is asked for its centre: a chain of follow objects
    // that leads back here ends at the camera's own Position.
    mutable bool FFollowing = false;
    std::vector<TNyxPanel*> FViewers;
};

}  // namespace nyx
