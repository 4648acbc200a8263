#include "scene/colored.h"

#include "gl/opengl.h"
#include "scene/glstate.h"
#include "scene/material.h"
#include "scene/scene.h"

namespace nyx {

const TMetaClass& TNyxColoredObject::StaticClass() {
    namespace P = NyxObjectProps;
    static const TMetaClass meta = TMetaClass::Make<TNyxColoredObject, TNyxObject>(
        "TNyxColoredObject", {P::Color(), P::DrawType(), P::Material(), P::MaterialIndex(),
                              P::Selected(), P::Visible(), P::XForm()});
    return meta;
}

TNyxMaterial* TNyxColoredObject::GetMaterial() {
    if (const TNyxScene* scene = Scene())
        if (const TNyxMaterialLibrary* library = scene->MaterialLibrary())
            if (TNyxMaterial* shared = library->MaterialAt(MaterialIndex()))
                return shared;
    return Material();
}

void TNyxColoredObject::DrawWith(const TNyxMaterial& M, bool Draft) {
    TNyxGLState& state = GLState();
    if (!DrawsInBracket())
        state.CloseBracket();
    state.ApplyMaterial(M);
    DrawGeometry(GL_FRONT_AND_BACK, Draft);
    M.CancelMaterial();
    if (Selected())
        DrawSelection();
}

void TNyxColoredObject::DrawMain(bool Draft) {
    const TNyxMaterial* m = GetMaterial();
    if (!m->IsTransparent())
        DrawWith(*m, Draft);
}

void TNyxColoredObject::DrawTransparent(bool Draft) {
    const TNyxMaterial* m = GetMaterial();
    if (m->IsTransparent())
        DrawWith(*m, Draft);
}

}  // namespace nyx
