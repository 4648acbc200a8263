#include "scene/scene.h"

#include "gl/glscope.h"
#include "gl/wgl.h"
#include "rtl/filer.h"
#include "rtl/graphics.h"
#include "rtl/scope.h"
#include "scene/camera.h"
#include "scene/material.h"
#include "scene/panel.h"

#include <algorithm>
#include <utility>

namespace nyx {

namespace {

constexpr std::uintptr_t AnimationTimerID = 1;
constexpr std::uint32_t AnimationPeriod = 40;  // milliseconds
constexpr std::size_t SelectBufferStep = 500;

void ClearSelected(TNyxObject* Obj, void*) { Obj->StoreSelected(false); }

std::int64_t CountDescendants(const TNyxObject& Obj) {
    std::int64_t n = std::int64_t(Obj.Items().size());
    for (const TNyxObject* child : Obj.Items())
        n += CountDescendants(*child);
    return n;
}

}  // namespace

const TEnumInfo& TNyxDrawStateInfo() {
    static const TEnumInfo info{"TNyxDrawState",
                                {"dsPre", "dsCamera", "dsAllLights", "dsShadowLights",
                                 "dsAllObjects", "dsNonShadowObjects", "dsShadowObjects",
                                 "dsReflections", "dsBuildShadowVolumes", "dsDrawShadowVolumes",
                                 "dsShadows", "dsTransparent", "dsPost"}};
    return info;
}

const TEnumInfo& TNyxDrawKindInfo() {
    static const TEnumInfo info{"TNyxDrawKind", {"dkDraft", "dkFull", "dkSelect"}};
    return info;
}

const TMetaClass& TNyxScene::StaticClass() {
    using P = Props<TNyxScene>;
    static const TMetaClass meta = TMetaClass::Make<TNyxScene, TNyxObject>(
        "TNyxScene",
        {NyxObjectProps::XForm(),
         P::Boolean("Animation", &TNyxScene::Animation, &TNyxScene::SetAnimation, false),
         P::Color("BackgroundColor", &TNyxScene::BackgroundColor, &TNyxScene::SetBackgroundColor,
                  0),
         P::Color("SceneAmbientColor", &TNyxScene::SceneAmbientColor,
                  &TNyxScene::SetSceneAmbientColor, 3355443),
         P::Boolean("Reflections", &TNyxScene::Reflections, &TNyxScene::SetReflections, false),
         P::Boolean("Shadows", &TNyxScene::Shadows, &TNyxScene::SetFShadows, false),
         P::Boolean("QuickMouse", &TNyxScene::QuickMouse, &TNyxScene::SetQuickMouse, false),
         P::Boolean("CacheGeometry", &TNyxScene::CacheGeometry, &TNyxScene::SetCacheGeometry,
                    false),
         P::Boolean("CullGeometry", &TNyxScene::CullGeometry, &TNyxScene::SetCullGeometry, false),
         P::Reference<TNyxMaterialLibrary>("MaterialLibrary", &TNyxScene::MaterialLibrary,
                                           &TNyxScene::SetMaterialLibrary),
         P::Event("OnProgress")});
    return meta;
}

// --- Construction and destruction ----------------------------------------------------

TNyxScene::TNyxScene(TComponent* AOwner) : TNyxObject(AOwner), FSelectBuffer(SelectBufferStep) {
    FTimerWindow = AllocateHWnd(TWndMethod::Bind<&TNyxScene::WndProc>(this));
}

TNyxScene::~TNyxScene() {
    Destroying();
    // Those linked to the scene hear of its removal while its tree is still whole: an
    // editor listening to the tree lets go of it before the tree is freed.
    NotifyRemoval();
    // Whatever the designing state now, no timer may outlive the scene.
    if (FAnimation)
        KillTimer(FTimerWindow, AnimationTimerID);
    DeallocateHWnd(FTimerWindow);
    ReleaseMaterialLibrary();
    FPanels.clear();
}

// --- Passes and frames ---------------------------------------------------------------

void TNyxScene::Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    // Each pass sets up the scene's own state, draws the children and undoes it; the
    // scoped parts are undone also when a hook throws.
    TNyxFrame& frame = Frame();
    switch (State) {
    case dsCamera:
        return;
    case dsAllLights:
    case dsShadowLights:
        for (GLenum i = 0; i < 8; ++i)
            glDisable(GL_LIGHT0 + i);
        break;
    case dsReflections: {
        if (!frame.Reflections())
            return;
        frame.SaveViewMatrix();
        const TGLMatrixScope matrix;
        glLoadIdentity();
        DrawChildren(Scene, State, Kind);
        return;
    }
    case dsBuildShadowVolumes: {
        if (!FShadows)
            return;
        const TGLAttribScope enable(GL_ENABLE_BIT);
        glEnable(GL_CULL_FACE);
        frame.ResetShadowLights();
        DrawChildren(Scene, State, Kind);
        return;
    }
    case dsDrawShadowVolumes: {
        const std::int32_t lights = frame.ShadowLightCount();
        if (!FShadows || lights <= 0)
            return;
        frame.SaveViewMatrix();
        // Only a context with an accumulation buffer can combine several shadow lights
        // (glAccum is an error without one).
        bool accumulating = false;
        if (lights >= 2) {
            GLint bits = 0;
            glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
            accumulating = bits > 0;
        }
        frame.SetAccumulating(accumulating);
        if (accumulating)
            glAccum(GL_LOAD, GLfloat(1.0 / (lights + 1.0)));
        DrawChildren(Scene, State, Kind);
        if (accumulating)
            glAccum(GL_RETURN, 1.2f);
        frame.SetAccumulating(false);
        return;
    }
    case dsShadows:
        if (!FShadows || frame.ShadowLightCount() <= 0)
            return;
        DrawChildren(Scene, State, Kind);
        if (frame.Accumulating())
            glAccum(GL_ACCUM, GLfloat(1.0 / (frame.ShadowLightCount() + 1.0)));
        return;
    case dsTransparent: {
        glEnable(GL_BLEND);
        glDepthMask(GL_FALSE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        const TOnExit restore([] {
            glDepthMask(GL_TRUE);
            glDisable(GL_BLEND);
        });
        DrawChildren(Scene, State, Kind);
        return;
    }
    case dsPre:
    case dsAllObjects:
    case dsNonShadowObjects:
    case dsShadowObjects:
    case dsPost:
        break;
    }
    DrawChildren(Scene, State, Kind);
}

void TNyxScene::Render(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height, bool Draft) {
    if (!Camera)
        return;
    const TRestore drawing(FDrawing, FDrawing + 1);
    if (Camera != FCurrentCamera) {
        FCurrentCamera = Camera;
        Camera->FreeNotification(this);  // cleared when the camera goes
    }

    // Lists given up while another context was current go first (there are none unless
    // the cache has been on).
    DeleteReleasedLists();
    const std::uint64_t space = FCacheGeometry ? CurrentListSpace() : 0;
    TNyxFrame frame(*this, CurrentDC(), Camera, space);
    const TOnExit endFrame([this, &frame] {
        FCompileProgress = {};
        // The count stays readable until the next frame.
        FRestingFrame.FShadowLightCount = frame.ShadowLightCount();
    });
    const bool firstCompile =
        FOnProgress && space != 0 && FDrawing == 1 &&
        std::find(FCompiledSpaces.begin(), FCompiledSpaces.end(), space) == FCompiledSpaces.end();
    if (firstCompile) {
        const std::int64_t passes = !Draft && FShadows ? 3 : 2;
        FCompileProgress = TProgressReporter(FOnProgress, this, CountDescendants(*this) * passes);
        FCompiled = 0;
        FCompileProgress.Report(0);
    }

    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbientRGBA.data());
    glClearStencil(0);
    glClearColor(FBackgroundRGB[0], FBackgroundRGB[1], FBackgroundRGB[2], 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | (FReflections ? GL_STENCIL_BUFFER_BIT : 0));

    const TNyxDrawKind kind = Draft ? dkDraft : dkFull;
    Camera->Apply(Width, Height, -1);
    Draw(this, dsPre, kind);
    if (!Draft) {
        glClear(GL_STENCIL_BUFFER_BIT);
        Draw(this, dsReflections, kind);
    }
    if (!Draft && FShadows) {
        for (TNyxDrawState state :
             {dsAllLights, dsNonShadowObjects, dsShadowLights, dsBuildShadowVolumes,
              dsShadowObjects, dsDrawShadowVolumes, dsAllLights, dsTransparent})
            Draw(this, state, kind);
    } else {
        for (TNyxDrawState state : {dsAllLights, dsAllObjects, dsTransparent})
            Draw(this, state, kind);
    }
    Draw(this, dsPost, kind);
    if (firstCompile) {
        FCompiledSpaces.push_back(space);
        FCompileProgress.Finish();
    }
}

void TNyxScene::CompileProgress(std::size_t Count) {
    if (!FCompileProgress)
        return;
    FCompiled += std::int64_t(Count);
    FCompileProgress.Report(std::min(FCompiled, FCompileProgress.Total()));
}

// --- Selection -----------------------------------------------------------------------

std::uint32_t TNyxScene::SelectionName(TNyxObject* Obj) {
    if (!FSelecting)
        return 0;
    FSelectNames.push_back(Obj);
    return std::uint32_t(FSelectNames.size() - 1);
}

void TNyxScene::SelectionDraw(std::int32_t& Hits) {
    // Grown buffers are kept: the next Select starts at the size that sufficed.
    for (;;) {
        FSelectNames.clear();
        glSelectBuffer(GLsizei(FSelectBuffer.size()), FSelectBuffer.data());
        TGLRenderModeScope selecting(GL_SELECT);
        glInitNames();
        {
            FSelecting = true;
            const TOnExit stop([this] { FSelecting = false; });
            Draw(this, dsAllObjects, dkSelect);
        }
        Hits = selecting.Finish();
        if (Hits >= 0)
            return;
        FSelectBuffer.resize(FSelectBuffer.size() + SelectBufferStep);
    }
}

void TNyxScene::MarkHits(std::int32_t Hits, bool Toggle) {
    // A record: name count, minimum and maximum depth, the names. The depths are not
    // used: everything drawn into the pick rectangle counts, not only the nearest.
    const std::size_t size = FSelectBuffer.size();
    std::size_t pos = 0;
    for (std::int32_t i = 0; i < Hits && pos + 3 <= size; ++i) {
        const std::size_t count = FSelectBuffer[pos];
        pos += 3;
        for (std::size_t k = 0; k < count && pos < size; ++k, ++pos) {
            const std::uint32_t name = FSelectBuffer[pos];
            if (name >= FSelectNames.size())
                continue;
            TNyxObject* obj = FSelectNames[name];
            obj->StoreSelected(Toggle ? !obj->Selected() : true);
        }
    }
}

std::int32_t TNyxScene::Select(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height,
                               std::int32_t X, std::int32_t Y, std::int32_t PickWidth,
                               std::int32_t PickHeight, bool Mark, bool Toggle, bool ClearFirst) {
    if (!Camera)
        return 0;
    PickWidth = std::max(PickWidth, 1);
    PickHeight = std::max(PickHeight, 1);

    std::int32_t hits = 0;
    {
        const TGLProjectionViewScope matrices;
        const TRestore drawing(FDrawing, FDrawing + 1);
        // Selection draws every object in immediate mode: no list space.
        const TNyxFrame frame(*this, CurrentDC(), Camera, 0);
        const TOnExit forget([this] { FSelectNames.clear(); });
        Camera->Pick(Width, Height, X, Y, PickWidth, PickHeight);
        SelectionDraw(hits);
        if (ClearFirst)
            Iterate(&ClearSelected, nullptr);
        if (Mark)
            MarkHits(hits, Toggle);
    }
    Invalidate(this);
    return hits;
}

TNyxObject* TNyxScene::PickSurface(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height,
                                   std::int32_t X, std::int32_t Y, TGLArrayd3& World) {
    if (!Camera || Width <= 0 || Height <= 0)
        return nullptr;
    constexpr std::int32_t PickSize = 3;
    GLdouble projection[16], modelview[16];
    TNyxObject* nearest = nullptr;
    std::uint32_t depth = 0;
    {
        const TGLProjectionViewScope matrices;
        const TRestore drawing(FDrawing, FDrawing + 1);
        const TOnExit forget([this] { FSelectNames.clear(); });
        // The plain view, to take the hit's depth back into the world.
        Camera->Apply(Width, Height, -1);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        Camera->Pick(Width, Height, X, Y, PickSize, PickSize);
        std::int32_t hits = 0;
        SelectionDraw(hits);
        // A record: name count, minimum and maximum depth, the names, innermost last.
        const std::size_t size = FSelectBuffer.size();
        std::size_t pos = 0;
        for (std::int32_t i = 0; i < hits && pos + 3 <= size; ++i) {
            const std::size_t count = FSelectBuffer[pos];
            const std::uint32_t zmin = FSelectBuffer[pos + 1];
            pos += 3;
            if (count > 0 && pos + count <= size && (!nearest || zmin < depth)) {
                const std::uint32_t name = FSelectBuffer[pos + count - 1];
                if (name < FSelectNames.size()) {
                    nearest = FSelectNames[name];
                    depth = zmin;
                }
            }
            pos += count;
        }
    }
    if (!nearest)
        return nullptr;
    const GLint viewport[4] = {0, 0, Width, Height};
    gluUnProject(X, Y, depth / 4294967295.0, modelview, projection, viewport, &World[0], &World[1],
                 &World[2]);
    return nearest;
}

// --- Repaint path --------------------------------------------------------------------

bool TNyxScene::AnimatingAtRunTime() const {
    return FAnimation && !ComponentState().Contains(csDesigning);
}

void TNyxScene::RepaintPanels() {
    // By index: a panel's repaint may unregister panels.
    for (std::size_t i = 0; i < FPanels.size(); ++i)
        FPanels[i]->Repaint();
}

void TNyxScene::Invalidate(TObject* Sender) {
    // A shared material changed: every object may draw with it.
    if (FMaterialLibrary && Sender == FMaterialLibrary->Materials())
        ++FCacheEpoch;
    if (AnimatingAtRunTime() || FDrawing > 0 || ComponentState().Contains(csDestroying) ||
        (FLoading > 0 && UpdateCount() > 0))
        return;
    RepaintPanels();
}

void TNyxScene::LoadFromReader(TReader& Reader) {
    const TLoadScope loading(*this);
    FCompiledSpaces.clear();
    Reader.SetOnProgress(FOnProgress, this);
    TNyxObject::LoadFromReader(Reader);
}

void TNyxScene::RegisterGLPanel(TNyxPanel* Panel) {
    if (!Panel || std::find(FPanels.begin(), FPanels.end(), Panel) != FPanels.end())
        return;
    FPanels.push_back(Panel);
    // Whatever its owner, a freed panel must leave the list.
    Panel->FreeNotification(this);
    if (FPanels.size() > 1)
        Panel->SetSharePanel(FPanels.front());
}

void TNyxScene::UnregisterGLPanel(TNyxPanel* Panel) {
    FPanels.erase(std::remove(FPanels.begin(), FPanels.end(), Panel), FPanels.end());
}

void TNyxScene::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) {
        // Compared as components: the removed one may be half destroyed already.
        FPanels.erase(
            std::remove_if(FPanels.begin(), FPanels.end(),
                           [&](TNyxPanel* p) { return static_cast<TComponent*>(p) == AComponent; }),
            FPanels.end());
        if (FCurrentCamera && static_cast<TComponent*>(FCurrentCamera) == AComponent)
            FCurrentCamera = nullptr;
        if (FMaterialLibrary && static_cast<TComponent*>(FMaterialLibrary) == AComponent) {
            // Its collection is going with it: nothing to unregister from.
            FMaterialLibrary = nullptr;
            ++FCacheEpoch;
            Invalidate(this);
        }
    }
    TNyxObject::Notification(AComponent, Operation);
}

// --- Animation -----------------------------------------------------------------------

void TNyxScene::WndProc(TMessage& Message) {
    if (Message.Msg != WM_TIMER) {
        Message.Result = DefWindowProc(FTimerWindow, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    try {
        Action(GetTickCount() / 1000.0);
        RepaintPanels();
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(Exception("TNyxScene.WndProc: an animation tick raised an exception "
                                  "that is not a std::exception; raise std::exception types"));
    }
}

void TNyxScene::SetAnimation(bool Value) {
    if (Value == FAnimation)
        return;
    FAnimation = Value;
    if (ComponentState().Contains(csDesigning))
        return;
    if (!Value)
        KillTimer(FTimerWindow, AnimationTimerID);
    else if (!SetTimer(FTimerWindow, AnimationTimerID, AnimationPeriod))
        throw EOutOfResources("");
}

// --- Properties ----------------------------------------------------------------------

void TNyxScene::SetBackgroundColor(TColor Value) {
    if (Value == FBackgroundColor)
        return;
    FBackgroundColor = Value;
    float rgba[4];
    ColorToFloats(Value, rgba);
    FBackgroundRGB = {rgba[0], rgba[1], rgba[2]};
    Invalidate(this);
}

void TNyxScene::SetSceneAmbientColor(TColor Value) {
    if (Value == FSceneAmbientColor)
        return;
    FSceneAmbientColor = Value;
    ColorToFloats(Value, FAmbientRGBA.data(), FAmbientRGBA[3]);
    Invalidate(this);
}

void TNyxScene::SetReflections(bool Value) {
    if (Value == FReflections)
        return;
    FReflections = Value;
    ++FCacheEpoch;
    Invalidate(this);
}

void TNyxScene::SetFShadows(bool Value) {
    if (Value == FShadows)
        return;
    FShadows = Value;
    Invalidate(this);
}

void TNyxScene::SetQuickMouse(bool Value) {
    if (Value == FQuickMouse)
        return;
    FQuickMouse = Value;
    Invalidate(this);
}

void TNyxScene::ReleaseMaterialLibrary() {
    if (!FMaterialLibrary)
        return;
    FMaterialLibrary->Materials()->UnregisterObject(this);
    RemoveFreeNotification(FMaterialLibrary);
    FMaterialLibrary = nullptr;
}

void TNyxScene::SetMaterialLibrary(TNyxMaterialLibrary* Value) {
    if (Value == FMaterialLibrary)
        return;
    ReleaseMaterialLibrary();
    FMaterialLibrary = Value;
    if (Value) {
        Value->Materials()->RegisterObject(this);
        Value->FreeNotification(this);
    }
    ++FCacheEpoch;
    Invalidate(this);
}

namespace {
void DropCache(TNyxObject* Obj, void*) { Obj->DropGeometryCache(); }
}  // namespace

void TNyxScene::SetCacheGeometry(bool Value) {
    if (Value == FCacheGeometry)
        return;
    FCacheGeometry = Value;
    FCompiledSpaces.clear();
    if (!Value)
        Iterate(&DropCache, nullptr);
    Invalidate(this);
}

void TNyxScene::SetCullGeometry(bool Value) {
    if (Value == FCullGeometry)
        return;
    FCullGeometry = Value;
    Invalidate(this);
}

}  // namespace nyx
