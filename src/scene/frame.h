#pragma once
// TNyxFrame: what one frame (Render) or one pick (Select) of a scene knows while it runs,
// and what the objects of that scene read through TNyxScene::Frame() from inside their
// hooks: the surface drawn on, the camera and its view matrix, the display-list space the
// geometry cache works in, the shadow lights counted, and what a pass changes for the
// passes it draws inside it (a mirror's image: the mirror hidden, reflections off; a
// group's list being compiled: the list space set aside), and the GL state the primitives
// draw through (scene/glstate.h). All of it ends with the frame; nothing of it is
// published on the scene, and nothing of it is a setter an application could call between
// frames.
//
// What a display list holds is called again at later frames, so what is drawn into one
// must not depend on the frame's own state. The frame watches for that: an object whose
// hooks read the device context, the camera, the view matrix, the shadow lights, the
// accumulation or what a pass hides while a list is being compiled spoils that list,
// which is then not kept, and is drawn without lists from then on, its subtree with it.
//
// Between frames the scene answers a resting frame of its own: no surface, no camera, no
// caching, and the shadow-light count of the last frame rendered. Hooks called outside
// Render and Select (a test, a tool drawing one object) read that.

#include "geom/geom.h"
#include "rtl/devicecontext.h"
#include "scene/glstate.h"
#include "scene/scene_fwd.h"

#include <cstdint>
#include <vector>

namespace nyx {

class TNyxFrame {
public:
    // A frame of Scene drawn through Camera onto the surface DC (whose fonts text is
    // drawn with; may be none), caching geometry in the display-list space ListSpace (0:
    // no caching). Scene.Frame() answers it until it ends, then the frame it interrupted:
    // frames nest, as a hook may render another view of the same scene. Scene must
    // outlive it.
    TNyxFrame(TNyxScene& Scene, HDC DC, TNyxCamera* Camera, std::uint64_t ListSpace);
    ~TNyxFrame();
    TNyxFrame(const TNyxFrame&) = delete;
    TNyxFrame& operator=(const TNyxFrame&) = delete;

    TNyxScene& Scene() const { return FScene; }
    HDC DC() const {
        NoteRead();
        return FDC;
    }
    TNyxCamera* Camera() const {
        NoteRead();
        return FCamera;
    }

    // The camera's modelview, taken at the start of dsReflections and dsDrawShadowVolumes
    // (zero before): mirrors and shadow volumes draw in world coordinates through it.
    const TGLMatrixd4& ViewMatrix() const {
        NoteRead();
        return FViewMatrix;
    }
    // Takes the modelview of the current context as the view matrix.
    void SaveViewMatrix();

    // The list space geometry is cached in now: the frame's, except while a list is being
    // compiled (lists cannot nest, so what is drawn inside goes into that list).
    std::uint64_t ListSpace() const { return FListSpace; }
    // The list space the lists of groups are found in: the frame's, also while one of
    // them is being compiled (a group's list calls the lists of the groups inside it).
    std::uint64_t GroupSpace() const;
    // Whether what is drawn now goes into a display list.
    bool Compiling() const { return FCompile != nullptr; }
    // The GL state the primitives draw through now: lazy while a group's list is being
    // compiled, eager otherwise.
    TNyxGLState& State() { return FCompile ? FCompile->FState : FState; }

    // Shadow-casting lights counted by the volume-building pass of this frame.
    std::int32_t ShadowLightCount() const {
        NoteRead();
        return FShadowLightCount;
    }
    void ResetShadowLights() { FShadowLightCount = 0; }
    void CountShadowLight() { ++FShadowLightCount; }
    // Whether the lights' shadow images are combined in the accumulation buffer now.
    bool Accumulating() const {
        NoteRead();
        return FAccumulating;
    }
    void SetAccumulating(bool Value) { FAccumulating = Value; }

    // Whether the passes drawn now mirror: the scene's Reflections, except inside a
    // mirror's image (mirrors in it draw plainly).
    bool Reflections() const;
    // Whether the passes drawn now leave Obj and its subtree out (a mirror in its own
    // image); its published Visible is not touched.
    bool Hides(const TNyxObject& Obj) const;

    // A mirror's image being drawn in this frame: the mirror hidden and reflections off
    // for the life of the scope.
    class TMirrorImage {
    public:
        TMirrorImage(TNyxFrame& Frame, const TNyxObject& Mirror);
        ~TMirrorImage();
        TMirrorImage(const TMirrorImage&) = delete;
        TMirrorImage& operator=(const TMirrorImage&) = delete;

    private:
        TNyxFrame& FFrame;
    };

    // A display list being compiled in this frame, for the life of the scope: the list
    // space set aside, the list's own GL state followed, and what is drawn into it
    // watched for reads of the frame's own state.
    class TListCompile {
    public:
        // A group's list, of consecutive children: lazy state, whose bracket the caller
        // closes before the list ends; each object drawn answers for its own reads.
        explicit TListCompile(TNyxFrame& Frame);
        // The list of Obj's own geometry: eager state; Obj answers for what is read.
        TListCompile(TNyxFrame& Frame, TNyxObject& Obj);
        ~TListCompile();
        TListCompile(const TListCompile&) = delete;
        TListCompile& operator=(const TListCompile&) = delete;

        // Whether something drawn into the list read the frame's own state: the list
        // holds this frame alone and must not be kept.
        bool Spoilt() const { return FSpoilt; }

    private:
        friend class TNyxFrame;
        TListCompile(TNyxFrame& Frame, TNyxGLState::TMode Mode, TNyxObject* Obj);

        TNyxFrame& FFrame;
        TListCompile* FOuter;
        std::uint64_t FSpace;
        TNyxGLState FState;
        TNyxObject* FDrawing;  // whose hooks run now
        bool FSpoilt = false;
    };

    // An object being drawn into the list compiled now in Frame, if any (Frame may be
    // none), for the life of the scope: it answers for the frame's state read meanwhile.
    class TDrawing {
    public:
        TDrawing(TNyxFrame* Frame, TNyxObject& Obj) : FCompile(Frame ? Frame->FCompile : nullptr) {
            if (FCompile) {
                FOuter = FCompile->FDrawing;
                FCompile->FDrawing = &Obj;
            }
        }
        ~TDrawing() {
            if (FCompile)
                FCompile->FDrawing = FOuter;
        }
        TDrawing(const TDrawing&) = delete;
        TDrawing& operator=(const TDrawing&) = delete;

    private:
        TListCompile* FCompile;
        TNyxObject* FOuter = nullptr;
    };

    // An object drawn straight inside a cached pass (culling walks a group only partly in
    // view): with Aside, the list space set aside for the life of the scope, so that the
    // object draws without lists of its own.
    class TSpaceAside {
    public:
        TSpaceAside(TNyxFrame& Frame, bool Aside);
        ~TSpaceAside();
        TSpaceAside(const TSpaceAside&) = delete;
        TSpaceAside& operator=(const TSpaceAside&) = delete;

    private:
        TNyxFrame& FFrame;
        std::uint64_t FSpace;
    };

private:
    friend class TNyxScene;
    // The resting frame of Scene, answered between frames; not installed.
    struct TResting {};
    TNyxFrame(TNyxScene& Scene, TResting);

    // While a list is being compiled: the frame's own state has been read, which spoils
    // the list and keeps the object being drawn out of lists from now on.
    void NoteRead() const {
        if (FCompile)
            Spoil();
    }
    void Spoil() const;

    TNyxScene& FScene;
    TNyxFrame* FOuter = nullptr;
    bool FInstalled = false;
    HDC FDC = nullptr;
    TNyxCamera* FCamera = nullptr;
    TGLMatrixd4 FViewMatrix{};
    std::uint64_t FListSpace = 0;
    TNyxGLState FState{TNyxGLState::TMode::Eager};
    TListCompile* FCompile = nullptr;  // the list being compiled
    std::int32_t FShadowLightCount = 0;
    bool FAccumulating = false;
    // The mirrors whose images are being drawn, innermost last.
    std::vector<const TNyxObject*> FHidden;
};

}  // namespace nyx
