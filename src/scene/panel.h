#pragma once
// TNyxPanel: the window in which a scene is seen through one camera.
//
// The panel owns one OpenGL context on its window, renders its camera's scene on every
// paint, forwards mouse input to its TNyxPanelControl, and can render the same view once
// into any canvas or onto a printed page. The window itself comes from the host
// (TCustomControl's factory): an off-screen memory bitmap by default.
//
// Addition: a window that got no pixel format or no context says why, once, through the
// application's exception handler at its first paint, instead of staying black silently.
//
// Sections: options - TNyxPanel.

#include "gl/gl_fwd.h"
#include "rtl/controls.h"
#include "rtl/printers.h"
#include "scene/scene_fwd.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nyx {

class TNyxCamera;
class TNyxFog;
class TNyxPanelControl;

// --- Options -------------------------------------------------------------------------

enum TNyxOption : std::uint8_t {
    goFlatShadeModel,
    goDepthTest,
    goTwoSidedLightModel,
    goCullFace,
    goLighting
};
using TNyxOptions = TSet<TNyxOption, std::uint8_t>;
const TEnumInfo& TNyxOptionInfo();

// Incremented once for every panel paint that renders a scene.
extern std::int32_t FGlobFrame;

// --- TNyxPanel -----------------------------------------------------------------------

class TNyxPanel : public TCustomControl {
    NYX_CLASS(TNyxPanel)
public:
    explicit TNyxPanel(TComponent* AOwner);
    ~TNyxPanel() override;

    // --- Published ---
    TNyxCamera* Camera() const { return FCamera; }
    // Registers the panel with the camera's scene. A camera that joins a scene later
    // brings the panel in at once; one that moves on is followed at the next paint.
    void SetCamera(TNyxCamera* Value);
    TNyxFog* Fog() const { return FFog.get(); }
    // "ICD", "MCD" or "Software" once the window exists.
    const std::string& Acceleration() const { return FAcceleration; }
    const std::string& Extentions() const { return FExtentions; }
    TNyxOptions Options() const { return FOptions; }
    void SetOptions(TNyxOptions Value);
    TNyxPanelControl* PanelControl() const { return FPanelControl.get(); }

    // --- The panel's own operations ---
    virtual void MakeCurrent();
    // Applies the options (when they changed) and the fog, then lets the camera's scene
    // render at Width x Height into the current context.
    virtual void Render(std::int32_t Width, std::int32_t Height, bool Draft);
    // Renders once into the canvas's device context on a temporary context.
    virtual void RenderToCanvas(TCanvas& Canvas, std::int32_t Width, std::int32_t Height,
                                bool Draft);
    // Prints the view as one page titled "Nyx rendered image".
    virtual void Print(TPrinter& Printer);
    // An addition: frames the whole scene in the camera for this panel's shape (see
    // TNyxCamera::ViewAll). Nothing without a camera.
    virtual void ViewAll();

    // --- Framework overrides ---
    void SetEnabled(bool Value) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A stream may set the camera before the camera has joined its scene.
    void Loaded() override;

    // --- What the scene uses ---
    // The panel whose context this one shares display lists with; set by the scene when
    // it registers this panel behind another. Takes effect when the context is created.
    TNyxPanel* SharePanel() const { return FSharePanel; }
    void SetSharePanel(TNyxPanel* Value);

    // --- State ---
    // The window request, overwritten by the description of the format obtained.
    const PIXELFORMATDESCRIPTOR& PixelFormatDescriptor() const { return FPixelFormatDescriptor; }
    std::int32_t PixelFormat() const { return FPixelFormat; }
    HDC DeviceContext() const { return FDeviceContext; }
    HGLRC RenderContext() const { return FRenderContext; }
    TNyxOptions AppliedOptions() const { return FAppliedOptions; }
    std::int32_t FrameCount() const { return FFrameCount; }
    double RenderTime() const { return FRenderTime; }
    // The context the panels made current last (it may have been deleted since).
    static HGLRC CurrentContext();

    // The requests of the window and of RenderToCanvas.
    static PIXELFORMATDESCRIPTOR WindowPixelFormatRequest();
    static PIXELFORMATDESCRIPTOR CanvasPixelFormatRequest();
    // "ICD", "MCD", "Software", or Previous for an accelerated non-generic format.
    static std::string AccelerationOf(std::uint32_t Flags, const std::string& Previous);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void DestroyWindowHandle() override;
    void Paint() override;
    void WMPaint(TMessage& Message) override;
    void WMEraseBkgnd(TMessage& Message) override;
    void DoEnter() override;
    void DoExit() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    friend class TNyxCamera;  // calls FollowCameraScene when it joins a scene
    // Registers with the scene the camera belongs to now, leaving the one it left.
    void FollowCameraScene();
    void ReleaseContext();
    // Hands a failure to make the window's context to the application's exception
    // handler, once per window: without a context the panel cannot draw at all.
    void ReportContextFailure();

    std::int32_t FPixelFormat = 0;
    PIXELFORMATDESCRIPTOR FPixelFormatDescriptor{};
    HDC FDeviceContext = nullptr;
    HGLRC FRenderContext = nullptr;
    std::string FAcceleration;
    std::string FExtentions;
    std::string FWriteSink;
    TNyxPanel* FSharePanel = nullptr;
    std::unique_ptr<TNyxFog> FFog;
    TNyxOptions FOptions;
    TNyxOptions FAppliedOptions;
    TNyxCamera* FCamera = nullptr;
    std::unique_ptr<TNyxPanelControl> FPanelControl;
    std::int32_t FFrameCount = 0;
    double FRenderTime = 0;
    bool FPainting = false;  // a paint asked for while one runs (from a progress report's
                             // event processing, say) is left out
    // The scene this panel is registered with (followed through removal notification).
    TNyxScene* FScene = nullptr;
    // Why the window got no context, until reported; empty otherwise.
    std::string FContextFailure;
};

}  // namespace nyx
