#include "scene/panel.h"

#include "gl/opengl.h"
#include "gl/wgl.h"
#include "rtl/scope.h"
#include "rtl/sysutils.h"
#include "scene/camera.h"
#include "scene/fog.h"
#include "scene/navigation.h"
#include "scene/scene.h"

#include <utility>

namespace nyx {

std::int32_t FGlobFrame = 0;

namespace {
// One value for the whole process: the context the panels made current last. Handles
// are never reused, so comparing with a deleted one is safe.
HGLRC CurrentContextValue = nullptr;

constexpr TNyxOptions DefaultOptions =
    TNyxOptions{goDepthTest, goTwoSidedLightModel, goCullFace, goLighting};
}  // namespace

const TEnumInfo& TNyxOptionInfo() {
    static const TEnumInfo info{
        "TNyxOption",
        {"goFlatShadeModel", "goDepthTest", "goTwoSidedLightModel", "goCullFace", "goLighting"}};
    return info;
}

const TMetaClass& TNyxPanel::StaticClass() {
    using P = Props<TNyxPanel>;
    auto sink = [](TNyxPanel& p, const std::string& v) { p.FWriteSink = v; };
    static const TMetaClass meta = TMetaClass::Make<TNyxPanel, TCustomControl>(
        "TNyxPanel",
        {P::Reference<TNyxCamera>("Camera", &TNyxPanel::Camera, &TNyxPanel::SetCamera),
         P::Owned<TNyxFog>("Fog", [](const TNyxPanel& p) { return p.FFog.get(); }),
         P::String("Acceleration", &TNyxPanel::Acceleration, sink),
         P::String("Extentions", &TNyxPanel::Extentions, sink),
         P::Set(
             "Options", [](const TNyxPanel& p) { return p.FOptions.ToBits(); },
             [](TNyxPanel& p, std::uint8_t v) { p.SetOptions(TNyxOptions::FromBits(v)); },
             TNyxOptionInfo(), DefaultOptions.ToBits()),
         P::Owned<TNyxPanelControl>("PanelControl",
                                    [](const TNyxPanel& p) { return p.FPanelControl.get(); })});
    return meta;
}

PIXELFORMATDESCRIPTOR TNyxPanel::WindowPixelFormatRequest() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    pfd.cStencilBits = 8;
    // Asked for explicitly: the shadow pass of two or more lights accumulates.
    pfd.cAccumBits = 64;
    pfd.cAccumRedBits = pfd.cAccumGreenBits = pfd.cAccumBlueBits = pfd.cAccumAlphaBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// The window's request but single-buffered into bitmaps: the accumulation buffer comes
// along, so that a printed or saved view combines the shadows of several lights too.
PIXELFORMATDESCRIPTOR TNyxPanel::CanvasPixelFormatRequest() {
    PIXELFORMATDESCRIPTOR pfd = WindowPixelFormatRequest();
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL;
    return pfd;
}

std::string TNyxPanel::AccelerationOf(std::uint32_t Flags, const std::string& Previous) {
    const bool generic = (Flags & PFD_GENERIC_FORMAT) != 0;
    const bool accelerated = (Flags & PFD_GENERIC_ACCELERATED) != 0;
    if (generic && !accelerated)
        return "Software";
    if (generic && accelerated)
        return "MCD";
    if (!generic && !accelerated)
        return "ICD";
    return Previous;
}

HGLRC TNyxPanel::CurrentContext() { return CurrentContextValue; }

TNyxPanel::TNyxPanel(TComponent* AOwner)
    : TCustomControl(AOwner), FFog(std::make_unique<TNyxFog>()),
      FPanelControl(std::make_unique<TNyxPanelControl>()) {
    SetBounds(Left(), Top(), 100, 100);
    FPixelFormatDescriptor = WindowPixelFormatRequest();
    FFog->SetOwnerPanel(this);
    FOptions = DefaultOptions;
}

TNyxPanel::~TNyxPanel() {
    Destroying();
    // The scene must never keep a destroyed panel, whoever owns the two.
    if (FScene && !FScene->ComponentState().Contains(csDestroying))
        FScene->UnregisterGLPanel(this);
    FScene = nullptr;
    FFog.reset();
    FPanelControl.reset();
    // The window goes first, while this class's DestroyWindowHandle can still run; it
    // releases the context and the device context, each once.
    DestroyHandle();
    ReleaseContext();
}

void TNyxPanel::ReleaseContext() {
    if (!FRenderContext)
        return;
    if (CurrentContextValue == FRenderContext)
        wglMakeCurrent(FDeviceContext, nullptr);
    wglDeleteContext(FRenderContext);
    FRenderContext = nullptr;
    CurrentContextValue = nullptr;
}

// --- Window ------------------------------------------------------------------------------

void TNyxPanel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    Params.WindowClassStyle &= ~CS_PARENTDC;
}

void TNyxPanel::CreateWindowHandle(const TCreateParams& Params) {
    TCustomControl::CreateWindowHandle(Params);
    if (!WindowHandle())
        return;
    // A re-created window (in the designer) replaces the old context.
    ReleaseContext();
    FDeviceContext = WindowHandle()->DC();
    FPixelFormatDescriptor = WindowPixelFormatRequest();
    FPixelFormat = ChoosePixelFormat(FDeviceContext, &FPixelFormatDescriptor);
    const bool formatSet = SetPixelFormat(FDeviceContext, FPixelFormat, &FPixelFormatDescriptor);
    DescribePixelFormat(FDeviceContext, FPixelFormat, sizeof FPixelFormatDescriptor,
                        &FPixelFormatDescriptor);
    // Sharing is settled when the context is made; a partner on another backend (or
    // without a context) leaves this one unshared rather than without a context.
    HGLRC share = FSharePanel ? FSharePanel->FRenderContext : nullptr;
    FRenderContext = wglCreateContext(FDeviceContext, share);
    if (!FRenderContext && share)
        FRenderContext = wglCreateContext(FDeviceContext);
    FAcceleration = AccelerationOf(FPixelFormatDescriptor.dwFlags, FAcceleration);
    FContextFailure.clear();
    if (!FRenderContext) {
        // Paints show nothing; the first one says why.
        FContextFailure =
            formatSet ? "TNyxPanel.CreateWindowHandle: no OpenGL context could be created on "
                        "the panel's window, so the panel draws nothing; check that the "
                        "OpenGL driver works on this display"
                      : "TNyxPanel.CreateWindowHandle: the panel's window took no OpenGL pixel "
                        "format, so the panel draws nothing; run on a display that offers an "
                        "OpenGL visual with depth and stencil buffers";
        return;
    }
    CurrentContextValue = nullptr;  // a new context is never current yet
    MakeCurrent();
    if (CurrentContextValue != FRenderContext)
        return;
    const GLubyte* extensions = glGetString(GL_EXTENSIONS);
    FExtentions = extensions ? reinterpret_cast<const char*>(extensions) : "";
    glEnable(GL_NORMALIZE);
    glDepthFunc(GL_LEQUAL);
    glViewport(0, 0, ClientWidth(), ClientHeight());
    FAppliedOptions = {};
}

void TNyxPanel::DestroyWindowHandle() {
    // In the designer too: each context and device context is released exactly once.
    ReleaseContext();
    FDeviceContext = nullptr;
    TCustomControl::DestroyWindowHandle();
}

void TNyxPanel::MakeCurrent() {
    if (FRenderContext == CurrentContextValue)
        return;
    CurrentContextValue = wglMakeCurrent(FDeviceContext, FRenderContext) ? FRenderContext : nullptr;
}

// --- Painting ----------------------------------------------------------------------------

void TNyxPanel::Paint() {
    if (!FRenderContext) {
        ReportContextFailure();
        return;
    }
    if (FPainting)
        return;
    const TRestore painting(FPainting, true);
    FollowCameraScene();
    MakeCurrent();
    if (CurrentContextValue != FRenderContext)
        return;  // the window refused the context (a zero-sized surface, say)
    TNyxScene* scene = FCamera ? FCamera->Scene() : nullptr;
    if (Enabled() && scene) {
        ++FFrameCount;
        ++FGlobFrame;
        const std::uint32_t start = GetTickCount();
        const bool draft = FPanelControl->Moving() && scene->QuickMouse();
        Render(ClientWidth(), ClientHeight(), draft);
        FRenderTime += double(std::uint32_t(GetTickCount() - start));
    } else {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glFlush();
    SwapBuffers(FDeviceContext);
}

void TNyxPanel::ReportContextFailure() {
    if (FContextFailure.empty())
        return;
    const EOutOfResources failure(std::exchange(FContextFailure, {}));
    HandleException(failure);
}

void TNyxPanel::WMPaint(TMessage& Message) {
    // Every paint renders the whole frame.
    TCustomControl::WMPaint(Message);
    Message.Result = 0;
}

void TNyxPanel::WMEraseBkgnd(TMessage& Message) {
    // OpenGL redraws the whole client area; erasing first would flicker.
    Message.Result = 0;
}

void TNyxPanel::Render(std::int32_t Width, std::int32_t Height, bool Draft) {
    if (!FCamera)
        return;
    if (FOptions != FAppliedOptions) {
        glShadeModel(FOptions.Contains(goFlatShadeModel) ? GL_FLAT : GL_SMOOTH);
        if (FOptions.Contains(goLighting))
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
        glLightModelf(GL_LIGHT_MODEL_TWO_SIDE,
                      FOptions.Contains(goTwoSidedLightModel) ? 1.0f : 0.0f);
        if (FOptions.Contains(goDepthTest))
            glEnable(GL_DEPTH_TEST);
        else
            glDisable(GL_DEPTH_TEST);
        if (FOptions.Contains(goCullFace))
            glEnable(GL_CULL_FACE);
        else
            glDisable(GL_CULL_FACE);
        FAppliedOptions = FOptions;
    }
    FFog->Apply();
    if (TNyxScene* scene = FCamera->Scene())
        scene->Render(FCamera, Width, Height, Draft);
}

void TNyxPanel::RenderToCanvas(TCanvas& Canvas, std::int32_t Width, std::int32_t Height,
                               bool Draft) {
    TNyxScene* scene = FCamera ? FCamera->Scene() : nullptr;
    if (!scene)
        return;
    HDC dc = Canvas.Handle();
    const PIXELFORMATDESCRIPTOR request = CanvasPixelFormatRequest();
    if (!dc || !SetPixelFormat(dc, ChoosePixelFormat(dc, &request), &request))
        throw Exception("RenderToCanvas: Can't set pixel format");
    HGLRC context = wglCreateContext(dc);
    if (!context)
        throw EOutOfResources("TNyxPanel.RenderToCanvas: no OpenGL context could be created "
                              "on the canvas; render into a bitmap canvas instead");
    // The panel's own context keeps the options it holds; only the temporary one starts
    // from the defaults.
    const TNyxOptions ownApplied = FAppliedOptions;
    const TOnExit finish([&] {
        wglMakeCurrent(dc, nullptr);
        wglDeleteContext(context);
        FAppliedOptions = ownApplied;
    });
    CurrentContextValue = context;
    if (!wglMakeCurrent(dc, context))
        throw EOutOfResources("TNyxPanel.RenderToCanvas: the canvas refused the OpenGL "
                              "context; give it a non-empty size");
    glEnable(GL_NORMALIZE);
    glDepthFunc(GL_LEQUAL);
    glViewport(0, 0, Width, Height);
    FAppliedOptions = {};
    Render(Width, Height, Draft);
    glFlush();
}

void TNyxPanel::Print(TPrinter& Printer) {
    Printer.SetTitle("Nyx rendered image");
    Printer.BeginDoc();
    const TOnFailure abort([&] { Printer.Abort(); });
    RenderToCanvas(Printer.Canvas(), Printer.PageWidth(), Printer.PageHeight(), false);
    Printer.EndDoc();
}

void TNyxPanel::ViewAll() {
    if (FCamera)
        FCamera->ViewAll(ClientHeight() > 0 ? double(ClientWidth()) / ClientHeight() : 1.0);
}

// --- Properties and links ----------------------------------------------------------------

void TNyxPanel::SetOptions(TNyxOptions Value) {
    if (Value == FOptions)
        return;
    FOptions = Value;
    Paint();
}

void TNyxPanel::SetEnabled(bool Value) {
    if (Value == Enabled())
        return;
    TCustomControl::SetEnabled(Value);
    Paint();
}

void TNyxPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool resized = AWidth != Width() || AHeight != Height();
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!FRenderContext)
        return;
    // A memory surface moves when resized: bind the context to it again.
    if (resized && FDeviceContext && FDeviceContext->Kind() == TDeviceKind::dkMemory &&
        CurrentContextValue == FRenderContext)
        CurrentContextValue = nullptr;
    MakeCurrent();
    if (CurrentContextValue == FRenderContext)
        glViewport(0, 0, Width(), Height());
}

void TNyxPanel::SetCamera(TNyxCamera* Value) {
    if (Value == FCamera)
        return;
    if (FCamera) {
        FCamera->RemoveViewer(this);
        FCamera->RemoveFreeNotification(this);
    }
    FCamera = Value;
    if (FCamera) {
        FCamera->AddViewer(this);
        FCamera->FreeNotification(this);
    }
    FollowCameraScene();
    if (FRenderContext)
        Paint();
}

void TNyxPanel::FollowCameraScene() {
    TNyxScene* scene = FCamera ? FCamera->Scene() : nullptr;
    if (scene == FScene)
        return;
    // A scene being destroyed frees its cameras after its own members are gone: it is
    // left alone then, and its removal notice follows.
    if (FScene && !FScene->ComponentState().Contains(csDestroying)) {
        FScene->UnregisterGLPanel(this);
        FScene->RemoveFreeNotification(this);
    }
    FScene = scene;
    if (FScene) {
        FScene->RegisterGLPanel(this);
        FScene->FreeNotification(this);
    }
}

void TNyxPanel::SetSharePanel(TNyxPanel* Value) {
    if (Value == this)
        Value = nullptr;
    if (Value == FSharePanel)
        return;
    if (FSharePanel)
        FSharePanel->RemoveFreeNotification(this);
    FSharePanel = Value;
    // A partner freed before this panel creates its context must not be shared with.
    if (FSharePanel)
        FSharePanel->FreeNotification(this);
}

void TNyxPanel::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove) {
        if (AComponent == FCamera) {
            // The camera's scene is still reachable here: leave it properly.
            SetCamera(nullptr);
        }
        if (AComponent == FScene)
            FScene = nullptr;
        if (AComponent == FSharePanel)
            FSharePanel = nullptr;
    }
    TCustomControl::Notification(AComponent, Operation);
}

void TNyxPanel::Loaded() {
    TCustomControl::Loaded();
    FollowCameraScene();
}

// --- Input -------------------------------------------------------------------------------

void TNyxPanel::DoEnter() { TCustomControl::DoEnter(); }
void TNyxPanel::DoExit() { TCustomControl::DoExit(); }

void TNyxPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    SetFocus();
    FollowCameraScene();
    FPanelControl->MouseDown(this, Button, Shift, X, Y);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TNyxPanel::MouseMove(TShiftState Shift, int X, int Y) {
    FPanelControl->MouseMove(this, Shift, X, Y);
    TCustomControl::MouseMove(Shift, X, Y);
}

void TNyxPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FPanelControl->MouseUp(this, Button, Shift, X, Y);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TNyxPanel::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    // Handled here: the application's wheel event is not called.
    FPanelControl->MouseWheelMove(this, Shift, WheelDelta, MousePos);
    return true;
}

}  // namespace nyx
