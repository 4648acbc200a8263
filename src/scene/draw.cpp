// TNyxObject's share of the render passes: the generic per-object step, the empty
// hooks, and the selection box.
#include "gl/glscope.h"
#include "scene/glstate.h"
#include "scene/object.h"
#include "scene/scene.h"

#include <optional>

namespace nyx {

void TNyxObject::Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    if (!FVisible || (Scene && Scene->Frame().Hides(*this)))
        return;
    // Into a list being compiled, this object answers for what its hooks read.
    const TNyxFrame::TDrawing drawing(Scene ? &Scene->Frame() : nullptr, *this);
    // What is popped is what was pushed, also when a hook changes the transform or throws.
    std::optional<TGLMatrixScope> placement;
    if (FXForm.NonIdentity()) {
        placement.emplace();
        FXForm.Apply();
    }
    DrawChildren(Scene, State, Kind);
    DrawPass(Scene, State, Kind, FDrawType, FReceiveShadows);
}

void TNyxObject::DrawPass(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind,
                          TNyxDrawType Type, bool ReceiveShadows) {
    if (Kind == dkSelect) {
        const TGLNameScope name(Scene ? Scene->SelectionName(this) : 0);
        DrawSpecific(GL_FRONT_AND_BACK, false);
    } else {
        const bool draft = Kind == dkDraft || Type == dtLine;
        const bool shadows = Scene && Scene->Shadows();
        switch (State) {
        case dsPre:
            DrawPre();
            break;
        case dsCamera:
            break;
        case dsAllLights:
            DrawLight(false);
            break;
        case dsShadowLights:
            DrawLight(true);
            break;
        case dsAllObjects:
            DrawMain(draft);
            break;
        case dsNonShadowObjects:
            if (shadows && !ReceiveShadows)
                DrawMain(draft);
            break;
        case dsShadowObjects:
            if (shadows && ReceiveShadows)
                DrawMain(draft);
            break;
        case dsReflections:
            DrawReflections();
            break;
        case dsBuildShadowVolumes:
            BuildShadowVolumes();
            break;
        case dsDrawShadowVolumes:
            DrawShadowVolumes();
            break;
        case dsShadows:
            DrawShadows(draft);
            break;
        case dsTransparent:
            DrawTransparent(draft);
            break;
        case dsPost:
            DrawPost();
            break;
        }
    }
}

void TNyxObject::DrawPre() {}
void TNyxObject::DrawLight(bool) {}

void TNyxObject::DrawMain(bool Draft) {
    DrawGeometry(GL_FRONT_AND_BACK, Draft);
    if (FSelected)
        DrawSelection();
}

void TNyxObject::DrawTransparent(bool Draft) {
    DrawGeometry(GL_FRONT_AND_BACK, Draft);
    if (FSelected)
        DrawSelection();
}

void TNyxObject::DrawReflections() {}
void TNyxObject::BuildShadowVolumes() {}
void TNyxObject::DrawShadowVolumes() {}
void TNyxObject::DrawShadows(bool) {}
void TNyxObject::DrawPost() {}
void TNyxObject::DrawSpecific(std::uint32_t, bool) {}

TNyxGLState& TNyxObject::GLState() const {
    // Nothing is remembered in eager mode: one serves every object outside a scene.
    static TNyxGLState eager(TNyxGLState::TMode::Eager);
    TNyxScene* scene = Scene();
    return scene ? scene->Frame().State() : eager;
}

void TNyxObject::DrawSelection() {
    TGLArrayd3 lo, hi;
    GetSize(lo, hi);
    const float x0 = float(lo[0]), y0 = float(lo[1]), z0 = float(lo[2]);
    const float x1 = float(hi[0]), y1 = float(hi[1]), z1 = float(hi[2]);
    const float corners[4][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};

    const TNyxGLState::TApart apart(GLState(), GL_POINT_BIT | GL_LINE_BIT | GL_LIGHTING_BIT);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glLineStipple(1, 0xAAAA);
    glEnable(GL_LINE_STIPPLE);
    glPointSize(3);

    glColor3f(0.7f, 0.7f, 0.7f);
    for (const float z : {z0, z1}) {
        glBegin(GL_LINE_LOOP);
        for (const auto& c : corners)
            glVertex3f(c[0], c[1], z);
        glEnd();
    }
    glBegin(GL_LINES);
    for (const auto& c : corners) {
        glVertex3f(c[0], c[1], z0);
        glVertex3f(c[0], c[1], z1);
    }
    glEnd();

    glColor3f(1, 1, 1);
    glBegin(GL_POINTS);
    for (const float z : {z0, z1})
        for (const auto& c : corners)
            glVertex3f(c[0], c[1], z);
    glEnd();
}

}  // namespace nyx
