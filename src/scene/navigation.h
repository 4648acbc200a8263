#pragma once
// TNyxPanelControl: mouse navigation of one panel. A drag stores the camera's motion
// state at the press and recomputes the motion from it with the total displacement at
// every move, so moving back to the press point restores the view exactly.

#include "rtl/classes.h"
#include "rtl/controls.h"
#include "rtl/types.h"

#include <cstdint>

namespace nyx {

class TNyxPanel;

enum TNyxMouseMode : std::uint8_t {
    mmNone,
    mmSelect,
    mmPan,
    mmTruck,
    mmOrbit,
    mmRoll,
    mmDolly,
    mmFOV,
    mmPerspective
};
const TEnumInfo& TNyxMouseModeInfo();

// Screen cursor numbers shown during drags; the host enters them into its table.
constexpr TCursor crNyxRoll = 100;
constexpr TCursor crNyxOrbit = 101;
constexpr TCursor crNyxPerspective = 103;

class TNyxPanelControl : public TPersistent {
    NYX_CLASS(TNyxPanelControl)
public:
    TNyxPanelControl() = default;

    TNyxMouseMode MouseLeft() const { return FMouseLeft; }
    void SetMouseLeft(TNyxMouseMode Value) { FMouseLeft = Value; }
    TNyxMouseMode MouseRight() const { return FMouseRight; }
    void SetMouseRight(TNyxMouseMode Value) { FMouseRight = Value; }
    TNyxMouseMode MouseWheel() const { return FMouseWheel; }
    void SetMouseWheel(TNyxMouseMode Value) { FMouseWheel = Value; }
    // An addition, off by default: the wheel in mmDolly moves the eye towards (or away
    // from) the surface point under the cursor, which stays where it is on the screen,
    // instead of towards the target; over empty space it dollies as usual.
    bool ZoomToCursor() const { return FZoomToCursor; }
    void SetZoomToCursor(bool Value) { FZoomToCursor = Value; }

    virtual void MouseDown(TNyxPanel* Panel, TMouseButton Button, TShiftState Shift, std::int32_t X,
                           std::int32_t Y);
    virtual void MouseMove(TNyxPanel* Panel, TShiftState Shift, std::int32_t X, std::int32_t Y);
    virtual void MouseUp(TNyxPanel* Panel, TMouseButton Button, TShiftState Shift, std::int32_t X,
                         std::int32_t Y);
    virtual void MouseWheelMove(TNyxPanel* Panel, TShiftState Shift, std::int32_t WheelDelta,
                                TPoint MousePos);

    void Assign(const TPersistent* Source) override;

    // --- Drag state ---
    bool Moving() const { return FMoving; }
    TMouseButton Button() const { return FButton; }
    TShiftState ShiftAtDown() const { return FShiftAtDown; }
    TPoint StartPoint() const { return FStartPoint; }
    TPoint LastPoint() const { return FLastPoint; }
    bool Moved() const { return FMoved; }
    bool SavedAnimation() const { return FSavedAnimation; }

private:
    bool ZoomTowardsCursor(TNyxPanel* Panel, double K, TPoint At);
    // The mode of the button pressed, or none for the middle button.
    const TNyxMouseMode* DragMode() const;

    TNyxMouseMode FMouseLeft = mmNone;
    TNyxMouseMode FMouseRight = mmNone;
    TNyxMouseMode FMouseWheel = mmNone;
    bool FZoomToCursor = false;
    bool FMoving = false;
    TMouseButton FButton = mbLeft;
    TShiftState FShiftAtDown;
    TPoint FStartPoint;
    TPoint FLastPoint;
    bool FMoved = false;
    bool FSavedAnimation = false;
};

}  // namespace nyx
