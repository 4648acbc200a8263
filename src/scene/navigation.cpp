#include "scene/navigation.h"

#include "gl/opengl.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <algorithm>
#include <cstdlib>

namespace nyx {

const TEnumInfo& TNyxMouseModeInfo() {
    static const TEnumInfo info{"TNyxMouseMode",
                                {"mmNone", "mmSelect", "mmPan", "mmTruck", "mmOrbit", "mmRoll",
                                 "mmDolly", "mmFOV", "mmPerspective"}};
    return info;
}

const TMetaClass& TNyxPanelControl::StaticClass() {
    using P = Props<TNyxPanelControl>;
    using C = TNyxPanelControl;
    static const TMetaClass meta = TMetaClass::Make<TNyxPanelControl, TPersistent>(
        "TNyxPanelControl",
        {P::Enum("MouseLeft", &C::MouseLeft, &C::SetMouseLeft, TNyxMouseModeInfo(), NoDefault),
         P::Enum("MouseRight", &C::MouseRight, &C::SetMouseRight, TNyxMouseModeInfo(), NoDefault),
         P::Enum("MouseWheel", &C::MouseWheel, &C::SetMouseWheel, TNyxMouseModeInfo(), NoDefault),
         P::Boolean("ZoomToCursor", &C::ZoomToCursor, &C::SetZoomToCursor, false)});
    return meta;
}

void TNyxPanelControl::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TNyxPanelControl*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    FMouseLeft = other->FMouseLeft;
    FMouseRight = other->FMouseRight;
    FMouseWheel = other->FMouseWheel;
    FZoomToCursor = other->FZoomToCursor;
}

namespace {

TNyxScene* SceneOf(const TNyxPanel* Panel) {
    return Panel && Panel->Camera() ? Panel->Camera()->Scene() : nullptr;
}

// Focus rectangle spanning two corners, inclusive of neither the far edge.
TRect Span(TPoint A, TPoint B) {
    return Rect(std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y));
}

void ShowCursor(TCursor Number) { SetCursor(Screen().Cursors(Number)); }

}  // namespace

const TNyxMouseMode* TNyxPanelControl::DragMode() const {
    switch (FButton) {
    case mbLeft:
        return &FMouseLeft;
    case mbRight:
        return &FMouseRight;
    default:
        return nullptr;
    }
}

void TNyxPanelControl::MouseDown(TNyxPanel* Panel, TMouseButton Button, TShiftState Shift,
                                 std::int32_t X, std::int32_t Y) {
    TNyxScene* scene = SceneOf(Panel);
    if (!scene)
        return;
    FMoving = true;
    FButton = Button;
    FShiftAtDown = Shift;
    FMoved = false;
    FStartPoint = Point(X, Y);
    FLastPoint = Point(0, 0);
    // A second press during a drag keeps what the first one saved.
    FSavedAnimation = FSavedAnimation || scene->Animation();
    scene->SetAnimation(false);
    Panel->Camera()->Store();
}

void TNyxPanelControl::MouseMove(TNyxPanel* Panel, TShiftState, std::int32_t X, std::int32_t Y) {
    if (!FMoving || !Panel || !Panel->Camera())
        return;
    const TNyxMouseMode* mode = DragMode();
    if (!mode)
        return;
    TNyxCamera* camera = Panel->Camera();
    const double dx = double(X) - FStartPoint.X;
    const double dy = double(Y) - FStartPoint.Y;
    switch (*mode) {
    case mmNone:
        return;
    case mmSelect: {
        if (std::abs(FStartPoint.X - X) <= 4 && std::abs(FStartPoint.Y - Y) <= 4)
            return;  // still a click
        if (!Panel->HandleAllocated())
            return;
        TCanvas& canvas = Panel->Canvas();
        // Focus rectangles invert pixels: drawing the last one again erases it. A corner
        // on x = 0 or y = 0 counts as none.
        if (FLastPoint.X != 0 && FLastPoint.Y != 0)
            canvas.DrawFocusRect(Span(FStartPoint, FLastPoint));
        canvas.DrawFocusRect(Span(FStartPoint, Point(X, Y)));
        FLastPoint = Point(X, Y);
        return;
    }
    case mmPan:
        camera->Restore();
        camera->Pan(-dx / 2, dy / 2);
        break;
    case mmTruck: {
        Panel->MakeCurrent();
        camera->Restore();
        // The matrices of the frame rendered last.
        GLdouble modelview[16];
        GLdouble projection[16];
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetIntegerv(GL_VIEWPORT, viewport);
        const double k = camera->Orthographic() ? 1.0 : 0.4;
        GLdouble ax = 0, ay = 0, az = 0, bx = 0, by = 0, bz = 0;
        gluUnProject(FStartPoint.X * k, -k * FStartPoint.Y, 0.5, modelview, projection, viewport,
                     &ax, &ay, &az);
        gluUnProject(X * k, -k * Y, 0.5, modelview, projection, viewport, &bx, &by, &bz);
        camera->Truck(bx - ax, by - ay, bz - az);
        break;
    }
    case mmOrbit:
        ShowCursor(crNyxOrbit);
        camera->Restore();
        camera->Orbit(-dx / 2, -dy / 2);
        break;
    case mmRoll:
        ShowCursor(crNyxRoll);
        camera->Restore();
        camera->Roll(-dx);
        break;
    case mmDolly:
        camera->Restore();
        camera->Dolly(Panel->Height() > 0 ? dy / Panel->Height() : 0.0);
        break;
    case mmFOV:
        camera->Restore();
        camera->FOV(dy * 0.1);
        break;
    case mmPerspective:
        ShowCursor(crNyxPerspective);
        camera->Restore();
        camera->Perspective(dy * 0.001);
        break;
    }
    FMoved = true;
}

void TNyxPanelControl::MouseUp(TNyxPanel* Panel, TMouseButton, TShiftState Shift, std::int32_t X,
                               std::int32_t Y) {
    TNyxScene* scene = SceneOf(Panel);
    // A release that no press on this panel began (the press was elsewhere) ends nothing
    // and must not switch the animation off.
    if (!scene || !FMoving)
        return;
    scene->SetAnimation(FSavedAnimation);
    // Restored once: a later drag must not switch on an animation the application stopped.
    FSavedAnimation = false;
    const TNyxMouseMode* mode = DragMode();
    if (mode && *mode == mmSelect) {
        const int height = Panel->Height();
        Panel->MakeCurrent();
        if (FLastPoint.X != 0 && FLastPoint.Y != 0) {
            scene->Select(
                Panel->Camera(), Panel->Width(), height, (FStartPoint.X + FLastPoint.X) / 2,
                height - (FStartPoint.Y + FLastPoint.Y) / 2, std::abs(FStartPoint.X - FLastPoint.X),
                std::abs(FStartPoint.Y - FLastPoint.Y), true, Shift.Contains(ssShift),
                !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl));
        } else {
            scene->Select(Panel->Camera(), Panel->Width(), height, X, height - Y, 4, 4, true, true,
                          !Shift.Contains(ssCtrl));
        }
    }
    // Any release ends the drag, the middle button's too, so no draft quality lingers.
    FMoving = false;
    if (FMoved)
        Panel->Repaint();
    Panel->SetCursor(crDefault);
}

// Moves eye and target together by K times the way from the eye to the surface point
// under At (away for K > 0, as Dolly): a move along the line of sight through that point
// keeps it on the same pixel. False when nothing is under At.
bool TNyxPanelControl::ZoomTowardsCursor(TNyxPanel* Panel, double K, TPoint At) {
    TNyxCamera* camera = Panel->Camera();
    Panel->MakeCurrent();
    TGLArrayd3 point{};
    if (!camera->Scene()->PickSurface(camera, Panel->Width(), Panel->Height(), At.X,
                                      Panel->Height() - At.Y, point))
        return false;
    TGLMatrixd4 frame;
    camera->GetAbsoluteMatrix(frame);
    InverseMatrixd(frame);
    Xformd(frame, point);
    const TGLArrayd3 eye = camera->GetPosition();
    const double s = std::min(-K, 0.9);  // never through the point
    const TGLArrayd3 d{(point[0] - eye[0]) * s, (point[1] - eye[1]) * s, (point[2] - eye[2]) * s};
    camera->Move(d[0], d[1], d[2], d[0], d[1], d[2]);
    return true;
}

void TNyxPanelControl::MouseWheelMove(TNyxPanel* Panel, TShiftState, std::int32_t WheelDelta,
                                      TPoint MousePos) {
    if (!SceneOf(Panel))
        return;
    TNyxCamera* camera = Panel->Camera();
    switch (FMouseWheel) {
    case mmRoll:
        camera->Roll(WheelDelta * -0.05);
        break;
    case mmDolly:
        if (!FZoomToCursor || !ZoomTowardsCursor(Panel, WheelDelta * 0.001, MousePos))
            camera->Dolly(WheelDelta * 0.001);
        break;
    case mmFOV:
        camera->FOV(WheelDelta * 0.01);
        break;
    case mmPerspective:
        camera->Perspective(WheelDelta * 0.0001);
        break;
    default:
        return;
    }
    Panel->Repaint();
}

}  // namespace nyx
