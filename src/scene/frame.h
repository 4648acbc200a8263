#pragma once
// TNyxFrame: what one frame (Render) or one pick (Select) of a scene knows while it runs,
// and what the objects of that scene read through TNyxScene::Frame() from inside their
// hooks: the surface drawn on, the camera and its view matrix, the display-list space the
// geometry cache works in, the shadow lights counted, and what a pass changes for the
// passes it draws inside it (a mirror's image: the mirror hidden, reflections off; a
// group's list being compiled: the list space set aside). All of it ends with the frame;
// nothing of it is published on the scene, and nothing of it is a setter an application
// could call between frames.
//
// Between frames the scene answers a resting frame of its own: no surface, no camera, no
// caching, and the shadow-light count of the last frame rendered. Hooks called outside
// Render and Select (a test, a tool drawing one object) read that.

#include "geom/geom.h"
#include "rtl/devicecontext.h"
#include "scene/scene_fwd.h"

#include <cstdint>
#include <vector>

namespace nyx {

class TNyxListState;

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
    HDC DC() const { return FDC; }
    TNyxCamera* Camera() const { return FCamera; }

    // The camera's modelview, taken at the start of dsReflections and dsDrawShadowVolumes
    // (zero before): mirrors and shadow volumes draw in world coordinates through it.
    const TGLMatrixd4& ViewMatrix() const { return FViewMatrix; }
    // Takes the modelview of the current context as the view matrix.
    void SaveViewMatrix();

    // The list space geometry is cached in now: the frame's, except while a group's list
    // is being compiled (lists cannot nest, so what is drawn inside goes into that list).
    std::uint64_t ListSpace() const { return FListSpace; }
    // The state of the group's list being compiled, or none.
    TNyxListState* ListState() const { return FListState; }

    // Shadow-casting lights counted by the volume-building pass of this frame.
    std::int32_t ShadowLightCount() const { return FShadowLightCount; }
    void ResetShadowLights() { FShadowLightCount = 0; }
    void CountShadowLight() { ++FShadowLightCount; }
    // Whether the lights' shadow images are combined in the accumulation buffer now.
    bool Accumulating() const { return FAccumulating; }
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

    // A group's list being compiled: the list space set aside and State followed for the
    // life of the scope.
    class TListCompile {
    public:
        TListCompile(TNyxFrame& Frame, TNyxListState& State);
        ~TListCompile();
        TListCompile(const TListCompile&) = delete;
        TListCompile& operator=(const TListCompile&) = delete;

    private:
        TNyxFrame& FFrame;
        std::uint64_t FSpace;
        TNyxListState* FState;
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

    TNyxScene& FScene;
    TNyxFrame* FOuter = nullptr;
    bool FInstalled = false;
    HDC FDC = nullptr;
    TNyxCamera* FCamera = nullptr;
    TGLMatrixd4 FViewMatrix{};
    std::uint64_t FListSpace = 0;
    TNyxListState* FListState = nullptr;
    std::int32_t FShadowLightCount = 0;
    bool FAccumulating = false;
    // The mirrors whose images are being drawn, innermost last.
    std::vector<const TNyxObject*> FHidden;
};

}  // namespace nyx
