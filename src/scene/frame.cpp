#include "scene/frame.h"

#include "gl/opengl.h"
#include "scene/object.h"
#include "scene/scene.h"

#include <algorithm>

namespace nyx {

TNyxFrame::TNyxFrame(TNyxScene& Scene, HDC DC, TNyxCamera* Camera, std::uint64_t ListSpace)
    : FScene(Scene), FOuter(Scene.FFrame), FInstalled(true), FDC(DC), FCamera(Camera),
      FListSpace(ListSpace) {
    FScene.FFrame = this;
}

TNyxFrame::TNyxFrame(TNyxScene& Scene, TResting) : FScene(Scene) {}

TNyxFrame::~TNyxFrame() {
    if (FInstalled)
        FScene.FFrame = FOuter;
}

void TNyxFrame::SaveViewMatrix() { glGetDoublev(GL_MODELVIEW_MATRIX, FViewMatrix.data()); }

bool TNyxFrame::Reflections() const { return FHidden.empty() && FScene.Reflections(); }

bool TNyxFrame::Hides(const TNyxObject& Obj) const {
    if (FHidden.empty() || std::find(FHidden.begin(), FHidden.end(), &Obj) == FHidden.end())
        return false;
    NoteRead();
    return true;
}

std::uint64_t TNyxFrame::GroupSpace() const { return FCompile ? FCompile->FSpace : FListSpace; }

void TNyxFrame::Spoil() const {
    FCompile->FSpoilt = true;
    if (FCompile->FDrawing)
        FCompile->FDrawing->DrawsPerFrame();
}

TNyxFrame::TMirrorImage::TMirrorImage(TNyxFrame& Frame, const TNyxObject& Mirror) : FFrame(Frame) {
    FFrame.FHidden.push_back(&Mirror);
}

TNyxFrame::TMirrorImage::~TMirrorImage() { FFrame.FHidden.pop_back(); }

TNyxFrame::TListCompile::TListCompile(TNyxFrame& Frame, TNyxGLState::TMode Mode, TNyxObject* Obj)
    : FFrame(Frame), FOuter(Frame.FCompile), FSpace(Frame.FListSpace), FState(Mode), FDrawing(Obj) {
    FFrame.FListSpace = 0;
    FFrame.FCompile = this;
}

TNyxFrame::TListCompile::TListCompile(TNyxFrame& Frame)
    : TListCompile(Frame, TNyxGLState::TMode::Lazy, nullptr) {}

TNyxFrame::TListCompile::TListCompile(TNyxFrame& Frame, TNyxObject& Obj)
    : TListCompile(Frame, TNyxGLState::TMode::Eager, &Obj) {}

TNyxFrame::TListCompile::~TListCompile() {
    FFrame.FCompile = FOuter;
    FFrame.FListSpace = FSpace;
}

TNyxFrame::TSpaceAside::TSpaceAside(TNyxFrame& Frame, bool Aside)
    : FFrame(Frame), FSpace(Frame.FListSpace) {
    if (Aside)
        FFrame.FListSpace = 0;
}

TNyxFrame::TSpaceAside::~TSpaceAside() { FFrame.FListSpace = FSpace; }

}  // namespace nyx
