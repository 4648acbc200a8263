// Planar mirrors: the reflection pass and the translucent front.
#include "scene/reflexed.h"

#include "gl/glscope.h"
#include "scene/glstate.h"
#include "scene/material.h"
#include "scene/scene.h"

#include <algorithm>

namespace nyx {

namespace {

// The front face of the material in use made translucent for one draw. The
// material may be a library's, shared with other objects, so the alphas it had go
// back exactly (not recomputed from a transparency that may lie outside 0..1).
class TTranslucentFront {
public:
    TTranslucentFront(TNyxMaterial& M, double Alpha)
        : FFace(*M.FrontFace()), FSaved(FFace.Alphas()) {
        const float a = float(std::clamp(Alpha, 0.0, 1.0));
        FFace.StoreAlphas({a, a, a, a});
    }
    ~TTranslucentFront() { FFace.StoreAlphas(FSaved); }
    TTranslucentFront(const TTranslucentFront&) = delete;
    TTranslucentFront& operator=(const TTranslucentFront&) = delete;

private:
    TNyxFaceMaterial& FFace;
    std::array<float, 4> FSaved;
};

// The state the mirrored scene is drawn in. The frame leaves the mirror out (it must not
// appear in its own image) and draws without reflections (mirrors inside the image draw
// plainly); the destructor undoes all of it in the fixed order, whatever the draw in
// between did.
class TMirroredDraw {
public:
    TMirroredDraw(const TNyxObject& Mirror, TNyxFrame& Frame) : FImage(Frame, Mirror) {
        glEnable(GL_CLIP_PLANE0);
        glEnable(GL_STENCIL_TEST);
        glFrontFace(GL_CW);  // mirroring reverses the winding of every polygon
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glStencilFunc(GL_EQUAL, 128, 128);
        glPolygonOffset(-0.05f, -0.5f);
        glEnable(GL_POLYGON_OFFSET_FILL);
    }
    ~TMirroredDraw() {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_CLIP_PLANE0);
        glDisable(GL_STENCIL_TEST);
        glFrontFace(GL_CCW);
    }
    TMirroredDraw(const TMirroredDraw&) = delete;
    TMirroredDraw& operator=(const TMirroredDraw&) = delete;

private:
    TNyxFrame::TMirrorImage FImage;
};

}  // namespace

const TMetaClass& TNyxReflexedObject::StaticClass() {
    using P = Props<TNyxReflexedObject>;
    static const TMetaClass meta = TMetaClass::Make<TNyxReflexedObject, TNyxShadowedObject>(
        "TNyxReflexedObject", {P::Float("Reflection", &TNyxReflexedObject::Reflection,
                                        &TNyxReflexedObject::SetReflection)});
    return meta;
}

void TNyxReflexedObject::SetReflection(double Value) {
    if (Value == FReflection)
        return;
    FReflection = Value;
    Invalidate(this);
}

bool TNyxReflexedObject::CompilableDraw() const { return FReflection == 0; }

bool TNyxReflexedObject::ReflectionsOn() const {
    const TNyxScene* scene = Scene();
    return scene && scene->Frame().Reflections();
}

void TNyxReflexedObject::DrawReflections() {
    TNyxScene* scene = Scene();
    if (!scene || !scene->Frame().Reflections() || FReflection == 0)
        return;
    TNyxFrame& frame = scene->Frame();

    // The scene loaded the identity for this pass, so the modelview holds exactly
    // this object's absolute placement.
    TGLMatrixScope matrix;
    TGLMatrixd4 placement;
    glGetDoublev(GL_MODELVIEW_MATRIX, placement.data());
    glLoadMatrixd(frame.ViewMatrix().data());
    glMultMatrixd(placement.data());
    {
        // 128 in the stencil buffer where the front side is seen, nothing else.
        TGLAttribScope attrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glEnable(GL_CULL_FACE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
        glStencilFunc(GL_ALWAYS, 128, 128);
        glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
        DrawGeometry(GL_FRONT, false);

        std::array<TGLArrayd3, 3> world = FPlanePoints;
        for (TGLArrayd3& p : world)
            Xformd(placement, p);
        TGLArrayd4 plane;
        InitPlaned(world[0], world[1], world[2], plane);
        TGLMatrixd4 mirror;
        MirrorMatrixd(plane, mirror);
        glLoadMatrixd(frame.ViewMatrix().data());
        glMultMatrixd(mirror.data());
        // Under the mirrored modelview the plane keeps what lies, unmirrored, on the
        // side its normal points to: in front of the mirror.
        glClipPlane(GL_CLIP_PLANE0, plane.data());
    }
    TMirroredDraw mirrored(*this, frame);
    for (const TNyxDrawState state : {dsAllLights, dsAllObjects, dsTransparent})
        scene->Draw(scene, state, dkFull);
}

void TNyxReflexedObject::DrawMain(bool Draft) {
    if (!ReflectionsOn() || FReflection <= 0) {
        TNyxShadowedObject::DrawMain(Draft);
        return;
    }
    TNyxMaterial* m = GetMaterial();
    if (!m->IsTransparent()) {
        TTranslucentFront front(*m, 1 - FReflection);
        TGLAttribScope attrib(GL_ENABLE_BIT);
        GLState().ApplyMaterial(*m);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        DrawGeometry(GL_FRONT, false);  // over the reflection, which keeps Reflection
        glDisable(GL_BLEND);
        DrawGeometry(GL_BACK, false);
        m->CancelMaterial();
    }
    if (Selected())
        DrawSelection();
}

void TNyxReflexedObject::DrawTransparent(bool Draft) {
    if (!ReflectionsOn() || FReflection <= 0) {
        TNyxShadowedObject::DrawTransparent(Draft);
        return;
    }
    TNyxMaterial* m = GetMaterial();
    if (m->IsTransparent()) {
        // The blending is the one the transparent pass set up.
        TTranslucentFront front(*m, 1 - FReflection * std::min(double(m->Transparency()), 1.0));
        TGLAttribScope attrib(GL_ENABLE_BIT);
        GLState().ApplyMaterial(*m);
        glEnable(GL_CULL_FACE);
        DrawGeometry(GL_FRONT_AND_BACK, Draft);
        m->CancelMaterial();
    }
    if (Selected())
        DrawSelection();
}

}  // namespace nyx
