#pragma once
// Windowed controls with a pluggable native window.
//
// TCustomControl keeps what the framework's windowed control keeps (bounds, enabled
// state, alignment, cursor, the application's mouse and focus events) and leaves the
// window itself to a TNativeWindow made by a window factory. A host (the Qt widget that
// embeds a control, say) installs its factory; without one the control's window is an
// off-screen memory bitmap, which is how programs without a display and the tests run.
//
// The window delivers its events by calling the Perform* entry points; they dispatch to
// the overridable handlers as the framework's message loop would.
//
// Sections: input types - creation parameters - TNativeWindow - TOffscreenWindow -
// TCustomControl.

#include "rtl/devicecontext.h"
#include "rtl/graphics.h"
#include "rtl/host.h"
#include "rtl/set.h"
#include "rtl/types.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace nyx {

// --- Input types -------------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag, std::uint16_t>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
const TEnumInfo& AlignInfo();

class TCustomControl;

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
// Sender, Shift, WheelDelta, MousePos, Handled (in: false).
using TMouseWheelEvent = TEvent<TObject*, TShiftState, int, TPoint, bool&>;

// --- Creation parameters -------------------------------------------------------------

constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t CS_VREDRAW = 0x0001;
constexpr std::uint32_t CS_HREDRAW = 0x0002;
constexpr std::uint32_t CS_DBLCLKS = 0x0008;
constexpr std::uint32_t CS_OWNDC = 0x0020;
constexpr std::uint32_t CS_PARENTDC = 0x0080;

struct TCreateParams {
    std::uint32_t Style = 0;
    std::uint32_t ExStyle = 0;
    std::uint32_t WindowClassStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};

// --- TNativeWindow -------------------------------------------------------------------

// The host's window of one control. It owns its device context for its whole life.
class TNativeWindow {
public:
    TNativeWindow() = default;
    TNativeWindow(const TNativeWindow&) = delete;
    TNativeWindow& operator=(const TNativeWindow&) = delete;
    virtual ~TNativeWindow() = default;

    // The window's device context (GetDC); valid until the window is destroyed.
    virtual HDC DC() = 0;
    // Follows the control's size.
    virtual void SetSize(int Width, int Height) = 0;
    // A canvas on the window's pixels (focus rectangles during a drag).
    virtual TCanvas& Canvas() = 0;
    // Asks for a paint later; hosts without an event loop may ignore it.
    virtual void Invalidate() {}
    // Gives the window the keyboard focus.
    virtual void SetFocus() {}
    // Whether the window has the keyboard focus.
    virtual bool Focused() const { return false; }
};

// The default window: a memory bitmap whose device context OSMesa renders into.
class TOffscreenWindow : public TNativeWindow {
public:
    TOffscreenWindow(int Width, int Height);
    ~TOffscreenWindow() override;

    HDC DC() override { return FCanvas.Handle(); }
    void SetSize(int Width, int Height) override;
    TCanvas& Canvas() override { return FCanvas; }
    void SetFocus() override { FFocused = true; }
    bool Focused() const override { return FFocused; }

    // What the window shows (top-down rows).
    const TBitmap& Bitmap() const { return FBitmap; }

private:
    TBitmap FBitmap;
    TBitmapCanvas FCanvas;
    bool FFocused = false;
};

using TWindowFactory =
    std::function<std::unique_ptr<TNativeWindow>(TCustomControl& Control, const TCreateParams&)>;

// --- TCustomControl ------------------------------------------------------------------

class TCustomControl : public TComponent {
    NYX_CLASS(TCustomControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    // Destroys the window; derived classes that override DestroyWindowHandle call
    // DestroyHandle in their own destructor, while their override can still run.
    ~TCustomControl() override;

    // --- Bounds ---
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int ClientWidth() const { return FWidth; }
    int ClientHeight() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // Negative sizes become 0. The window follows the new size.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // A control's place is its bounds: no DesignInfo in its streams.
    void DefineProperties(TFiler& Filer) override;

    // --- State ---
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value) { FAlign = Value; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    TCursor Cursor() const { return FCursor; }
    // The cursor shown over the control; while the window exists it becomes the
    // current cursor at once (the pointer is over the control when code changes it).
    void SetCursor(TCursor Value);

    // --- Window ---
    // The factory that makes this control's window; none: an off-screen window.
    void SetWindowFactory(TWindowFactory Factory) { FWindowFactory = std::move(Factory); }
    bool HandleAllocated() const { return FWindow != nullptr; }
    // Creates the window when there is none (CreateParams, then CreateWindowHandle).
    void HandleNeeded();
    // Destroys the window when there is one (DestroyWindowHandle).
    void DestroyHandle();
    // The window, or none.
    TNativeWindow* WindowHandle() const { return FWindow.get(); }
    // The canvas of the window; EInvalidOperation without one.
    TCanvas& Canvas();

    // --- Painting and focus ---
    // Paints synchronously when the window exists.
    virtual void Repaint();
    // Asks the window for a later paint.
    void Invalidate();
    void SetFocus();
    bool Focused() const;

    // --- Events delivered by the window ---
    void PerformPaint();
    void PerformEraseBackground();
    void PerformMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void PerformMouseMove(TShiftState Shift, int X, int Y);
    void PerformMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Answers whether the wheel was handled. MousePos is in the control's coordinates.
    bool PerformMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    void PerformEnter();
    void PerformExit();

    // --- Application events ---
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWindowHandle();
    virtual void Paint() {}
    virtual void WMPaint(TMessage& Message);
    virtual void WMEraseBkgnd(TMessage& Message);

    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual void DoEnter();
    virtual void DoExit();

    // BeginPaint and EndPaint of the paint message: the window's device context.
    HDC BeginPaint();
    void EndPaint() {}

private:
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FEnabled = true;
    TAlign FAlign = alNone;
    bool FTabStop = false;
    TCursor FCursor = crDefault;
    TWindowFactory FWindowFactory;
    std::unique_ptr<TNativeWindow> FWindow;
    bool FCreatingHandle = false;
    bool FEntered = false;
};

}  // namespace nyx
