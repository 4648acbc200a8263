#pragma once
// TNyxScene: the root of a scene graph and the owner of the frame.
//
// Render walks the tree once per pass in a fixed order; Select draws it in OpenGL
// selection mode; Invalidate anywhere in the tree ends here and repaints the
// registered panels; a 40 ms timer of the host drives Action while Animation is on.
//
// Sections: passes and frames - selection - repaint path - animation - properties.

#include "geom/geom.h"
#include "rtl/devicecontext.h"
#include "rtl/host.h"
#include "rtl/progress.h"
#include "scene/frame.h"
#include "scene/object.h"

#include <array>
#include <cstdint>
#include <vector>

namespace nyx {

const TEnumInfo& TNyxDrawStateInfo();
const TEnumInfo& TNyxDrawKindInfo();

class TNyxScene : public TNyxObject {
    NYX_CLASS(TNyxScene)
public:
    explicit TNyxScene(TComponent* AOwner);
    ~TNyxScene() override;

    TNyxScene* AsScene() override { return this; }

    // --- Passes and frames ---
    // The root's step: the scene's own OpenGL state before and after its children.
    // Its own Visible, XForm and DrawSpecific take no part.
    void Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) override;
    // One frame into the current context: clears, lets the camera load projection and
    // view, then runs the passes. No camera: nothing, not even the clear.
    virtual void Render(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height, bool Draft);

    // --- Selection ---
    // Draws the tree through Camera's pick projection round window point (X, Y),
    // origin bottom left; with Mark, every object hit becomes selected (inverted with
    // Toggle); with ClearFirst, every object is deselected before. Answers the number
    // of hit records (0 without a camera).
    virtual std::int32_t Select(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height,
                                std::int32_t X, std::int32_t Y, std::int32_t PickWidth,
                                std::int32_t PickHeight, bool Mark, bool Toggle, bool ClearFirst);
    // An addition for viewers: the object whose surface lies nearest under the window
    // point (X, Y), origin bottom left, and in World that surface point in world space,
    // found by drawing in selection mode through a 3 x 3 pick region. None (World left
    // alone) when nothing is drawn there. Selects nothing and repaints nothing; runs in
    // the current context, whose viewport is taken as Width x Height.
    TNyxObject* PickSurface(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height,
                            std::int32_t X, std::int32_t Y, TGLArrayd3& World);
    // The name Obj is drawn under while selecting; it maps back to Obj until the
    // selection ends. Outside Select: 0, and nothing is recorded.
    std::uint32_t SelectionName(TNyxObject* Obj);
    // Entries of the selection buffer: 500 at first, 500 more at each overflow.
    std::size_t SelectBufferSize() const { return FSelectBuffer.size(); }

    // --- Repaint path ---
    // Repaints every registered panel, in registration order; nothing while the timer
    // does it (animation at run time), while this scene is drawing, or while a load into
    // it runs (its update bracket then ends in one repaint).
    void Invalidate(TObject* Sender) override;
    // A load into this scene for the life of the scope. The scene otherwise repaints on
    // every change, its own update bracket notwithstanding (a change anywhere shows at
    // once); while a load scope is open the bracket holds the repaints back, so that a
    // load that fills the scene between BeginUpdate and EndUpdate, as a drawing import
    // with the scene as its root does, repaints the panels once, at EndUpdate. Stream
    // loads (LoadFromReader) open one themselves. Scopes nest; the scene must outlive
    // them.
    class TLoadScope {
    public:
        explicit TLoadScope(TNyxScene& Scene) : FScene(Scene) { ++FScene.FLoading; }
        ~TLoadScope() { --FScene.FLoading; }
        TLoadScope(const TLoadScope&) = delete;
        TLoadScope& operator=(const TLoadScope&) = delete;

    private:
        TNyxScene& FScene;
    };
    void LoadFromReader(TReader& Reader) override;
    // Appends the panel; a second or later panel shares display lists with the first.
    void RegisterGLPanel(TNyxPanel* Panel);
    void UnregisterGLPanel(TNyxPanel* Panel);
    const std::vector<TNyxPanel*>& Panels() const { return FPanels; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // --- Animation ---
    // The hidden window's handler: on WM_TIMER, Action with the tick count in seconds,
    // then a repaint of the panels. Exceptions go to the application's handler.
    void WndProc(TMessage& Message);
    HWND TimerWindow() const { return FTimerWindow; }

    // --- Properties ---
    bool Animation() const { return FAnimation; }
    // At run time starts or stops the 40 ms timer (EOutOfResources when the host cannot
    // set it; the flag keeps the new value). In the designer no timer runs.
    void SetAnimation(bool Value);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value);
    TColor SceneAmbientColor() const { return FSceneAmbientColor; }
    void SetSceneAmbientColor(TColor Value);
    bool Reflections() const { return FReflections; }
    void SetReflections(bool Value);
    bool Shadows() const { return FShadows; }
    void SetFShadows(bool Value);
    bool QuickMouse() const { return FQuickMouse; }
    void SetQuickMouse(bool Value);
    // An addition, off by default: objects' geometry compiled into display lists and
    // shadow volumes kept from frame to frame while nothing they depend on changes (the
    // same pixels, far less work per frame). Off, every frame is drawn in immediate mode
    // as before; switching it off gives up every cached list.
    bool CacheGeometry() const { return FCacheGeometry; }
    void SetCacheGeometry(bool Value);
    // An addition, off by default: with CacheGeometry on, a list of children whose bounds
    // lie wholly outside the view volume is neither called nor, before it first comes
    // into view, compiled; of one partly inside, when at most half of its children are,
    // those children alone are drawn, one by one and in order. Selection draws
    // everything as before. Off, every list is called as it is without it.
    bool CullGeometry() const { return FCullGeometry; }
    void SetCullGeometry(bool Value);
    // Advances with every change that reaches all cached geometry of the scene: a
    // material of its library, the library itself, the reflection switch.
    std::uint32_t CacheEpoch() const { return FCacheEpoch; }

    // An addition: the progress of long work on the scene, told to OnProgress with the
    // scene as the sender: a load from a stream (bytes read of the stream's size), and
    // the first frame that compiles the cached geometry in a list space after
    // CacheGeometry was switched on or the scene loaded (objects compiled of the objects
    // times the compiled passes). A handler that raises cancels the load or the frame as
    // any error would: the load fails, the frame ends there, its lists given up or kept
    // for the next frame.
    const TProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(const TProgressEvent& Value) { FOnProgress = Value; }
    // Count more objects compiled into lists in this frame (by the geometry cache).
    void CompileProgress(std::size_t Count);

    TNyxMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    // Registers the scene with the library's materials, so that their edits repaint
    // it; the link is cut when either side goes away.
    void SetMaterialLibrary(TNyxMaterialLibrary* Value);

    const std::array<float, 3>& BackgroundRGB() const { return FBackgroundRGB; }
    const TRGBAf& AmbientRGBA() const { return FAmbientRGBA; }

    // The frame or pick running now (the innermost, when they nest), or the resting frame
    // between them: what objects read while they draw (surface, camera, view matrix, list
    // space, shadow lights, what a pass hides).
    TNyxFrame& Frame() { return FFrame ? *FFrame : FRestingFrame; }
    const TNyxFrame& Frame() const { return FFrame ? *FFrame : FRestingFrame; }
    // Shadow-casting lights counted in the frame running, or in the last one rendered.
    std::int32_t ShadowLightCount() const { return Frame().ShadowLightCount(); }
    // The camera of the frame being rendered, or of the last one (none once freed).
    TNyxCamera* CurrentCamera() const { return FCurrentCamera; }

private:
    void RepaintPanels();
    void SelectionDraw(std::int32_t& Hits);
    void MarkHits(std::int32_t Hits, bool Toggle);
    bool AnimatingAtRunTime() const;
    void ReleaseMaterialLibrary();

    HWND FTimerWindow = 0;
    TColor FBackgroundColor = 0;
    std::array<float, 3> FBackgroundRGB{0, 0, 0};
    TColor FSceneAmbientColor = 3355443;
    TRGBAf FAmbientRGBA{0.2f, 0.2f, 0.2f, 1.0f};
    TNyxMaterialLibrary* FMaterialLibrary = nullptr;
    bool FQuickMouse = false;
    bool FAnimation = false;
    bool FShadows = false;
    bool FReflections = false;
    bool FCacheGeometry = false;
    bool FCullGeometry = false;
    std::uint32_t FCacheEpoch = 0;
    std::vector<std::uint32_t> FSelectBuffer;
    std::vector<TNyxPanel*> FPanels;
    TNyxCamera* FCurrentCamera = nullptr;
    friend class TNyxFrame;
    TNyxFrame* FFrame = nullptr;  // the innermost frame running
    TNyxFrame FRestingFrame{*this, TNyxFrame::TResting{}};
    // Objects by selection name while Select runs.
    std::vector<TNyxObject*> FSelectNames;
    bool FSelecting = false;
    int FDrawing = 0;  // nesting of Render and Select
    TProgressEvent FOnProgress;
    // The list spaces whose first compile has been reported, and the report of the frame
    // compiling now.
    std::vector<std::uint64_t> FCompiledSpaces;
    TProgressReporter FCompileProgress;
    std::int64_t FCompiled = 0;
    int FLoading = 0;  // open load scopes
};

}  // namespace nyx
