#include "rtl/controls.h"

#include "rtl/scope.h"
#include "rtl/sysutils.h"

#include <algorithm>

namespace nyx {

const TEnumInfo& AlignInfo() {
    static const TEnumInfo info{
        "TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}};
    return info;
}

// --- TOffscreenWindow ------------------------------------------------------------------

TOffscreenWindow::TOffscreenWindow(int Width, int Height)
    : FBitmap(std::max(Width, 0), std::max(Height, 0)), FCanvas(FBitmap) {
    FBitmap.SetPixelFormat(pf32bit);
}

TOffscreenWindow::~TOffscreenWindow() = default;

void TOffscreenWindow::SetSize(int Width, int Height) {
    FBitmap.SetSize(std::max(Width, 0), std::max(Height, 0));
}

// --- TCustomControl --------------------------------------------------------------------

const TMetaClass& TCustomControl::StaticClass() {
    using P = Props<TCustomControl>;
    static const TMetaClass meta = TMetaClass::Make<TCustomControl, TComponent>(
        "TCustomControl",
        {P::Integer("Left", &TCustomControl::Left, &TCustomControl::SetLeft, NoDefault),
         P::Integer("Top", &TCustomControl::Top, &TCustomControl::SetTop, NoDefault),
         P::Integer("Width", &TCustomControl::Width, &TCustomControl::SetWidth, NoDefault),
         P::Integer("Height", &TCustomControl::Height, &TCustomControl::SetHeight, NoDefault),
         P::Enum("Align", &TCustomControl::Align, &TCustomControl::SetAlign, AlignInfo(), 0),
         P::Boolean("Enabled", &TCustomControl::Enabled, &TCustomControl::SetEnabled, true),
         P::Boolean("TabStop", &TCustomControl::TabStop, &TCustomControl::SetTabStop, false),
         P::Event("OnEnter"), P::Event("OnExit"), P::Event("OnMouseDown"), P::Event("OnMouseMove"),
         P::Event("OnMouseUp"), P::Event("OnMouseWheel")});
    return meta;
}

TCustomControl::TCustomControl(TComponent* AOwner) : TComponent(AOwner) {}

void TCustomControl::DefineProperties(TFiler& Filer) { TPersistent::DefineProperties(Filer); }

TCustomControl::~TCustomControl() {
    // Only the base handling can run here; derived classes destroyed their handle first.
    FWindow.reset();
}

void TCustomControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = std::max(AWidth, 0);
    FHeight = std::max(AHeight, 0);
    if (FWindow)
        FWindow->SetSize(FWidth, FHeight);
}

void TCustomControl::SetEnabled(bool Value) { FEnabled = Value; }

void TCustomControl::SetCursor(TCursor Value) {
    FCursor = Value;
    if (FWindow)
        nyx::SetCursor(Screen().Cursors(Value));
}

void TCustomControl::HandleNeeded() {
    if (FWindow || FCreatingHandle)
        return;
    const TRestore creating(FCreatingHandle, true);
    TCreateParams params;
    CreateParams(params);
    CreateWindowHandle(params);
}

void TCustomControl::DestroyHandle() {
    if (FWindow)
        DestroyWindowHandle();
}

TCanvas& TCustomControl::Canvas() {
    if (!FWindow)
        throw EInvalidOperation("TCustomControl.Canvas: the control has no window yet; call "
                                "HandleNeeded first");
    return FWindow->Canvas();
}

void TCustomControl::CreateParams(TCreateParams& Params) {
    Params.Style = WS_CHILD | WS_VISIBLE | (FTabStop ? WS_TABSTOP : 0);
    Params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
}

void TCustomControl::CreateWindowHandle(const TCreateParams& Params) {
    if (FWindowFactory)
        FWindow = FWindowFactory(*this, Params);
    else
        FWindow = std::make_unique<TOffscreenWindow>(Params.Width, Params.Height);
}

void TCustomControl::DestroyWindowHandle() { FWindow.reset(); }

void TCustomControl::Repaint() {
    if (FWindow)
        PerformPaint();
}

void TCustomControl::Invalidate() {
    if (FWindow)
        FWindow->Invalidate();
}

void TCustomControl::SetFocus() {
    if (!FWindow)
        return;
    FWindow->SetFocus();
    // A window whose host sends no focus event of its own (the off-screen one) enters
    // here; a host that does has entered already.
    if (FWindow->Focused() && !FEntered)
        PerformEnter();
}

bool TCustomControl::Focused() const { return FWindow && FWindow->Focused(); }

HDC TCustomControl::BeginPaint() { return FWindow ? FWindow->DC() : nullptr; }

void TCustomControl::PerformPaint() {
    TMessage message;
    WMPaint(message);
}

void TCustomControl::PerformEraseBackground() {
    TMessage message;
    WMEraseBkgnd(message);
}

void TCustomControl::PerformMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    MouseDown(Button, Shift, X, Y);
}

void TCustomControl::PerformMouseMove(TShiftState Shift, int X, int Y) { MouseMove(Shift, X, Y); }

void TCustomControl::PerformMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    MouseUp(Button, Shift, X, Y);
}

bool TCustomControl::PerformMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    return DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TCustomControl::PerformEnter() {
    FEntered = true;
    DoEnter();
}

void TCustomControl::PerformExit() {
    FEntered = false;
    DoExit();
}

void TCustomControl::WMPaint(TMessage& Message) {
    BeginPaint();
    {
        const TOnExit end([this] { EndPaint(); });
        Paint();
    }
    Message.Result = 0;
}

void TCustomControl::WMEraseBkgnd(TMessage& Message) {
    if (FWindow)
        FWindow->Canvas().FillRect(Rect(0, 0, FWidth, FHeight), clBtnFace);
    Message.Result = 1;
}

void TCustomControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TCustomControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

bool TCustomControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TCustomControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TCustomControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

}  // namespace nyx
