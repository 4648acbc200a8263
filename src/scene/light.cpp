#include "scene/light.h"

#include "gl/glscope.h"
#include "scene/detail/shadowtess.h"
#include "scene/scene.h"

#include <algorithm>

namespace nyx {

const TMetaClass& TNyxLight::StaticClass() {
    using P = Props<TNyxLight>;
    namespace N = NyxObjectProps;
    auto reference = [](const char* name, TNyxObject* TNyxLight::*field,
                        void (TNyxLight::*set)(TNyxObject*)) {
        return P::Reference<TNyxObject>(
            name, [field](const TNyxLight& l) { return l.*field; }, set);
    };
    static const TMetaClass meta = TMetaClass::Make<TNyxLight, TNyxObject>(
        "TNyxLight",
        {N::Color(), N::Visible(), N::CastShadows(), N::Point1("Position"),
         reference("PositionObject", &TNyxLight::FPositionObject, &TNyxLight::SetPositionObject),
         N::Point2("Target"),
         reference("TargetObject", &TNyxLight::FTargetObject, &TNyxLight::SetTargetObject),
         P::Float("Exponent", &TNyxLight::Exponent,
                  [](TNyxLight& l, float v) { l.SetParam(piExponent, v); }),
         P::Float("Cutoff", &TNyxLight::Cutoff,
                  [](TNyxLight& l, float v) { l.SetParam(piCutoff, v); }),
         P::Boolean("Directional", &TNyxLight::Directional, &TNyxLight::SetDirectional, false)});
    return meta;
}

TNyxLight::TNyxLight(TComponent* AOwner)
    : TNyxObject(AOwner), FTess(std::make_unique<TNyxShadowTess>()) {}

TNyxLight::~TNyxLight() {
    Destroying();
    // Display lists belong to a context that need not be current now: the names
    // are only forgotten here.
}

// --- Properties ----------------------------------------------------------------------

void TNyxLight::SetLightNum(std::int32_t N) {
    if (N == FLightNum)
        return;
    FLightNum = N;
    Invalidate(this);
}

void TNyxLight::SetDirectional(bool Value) {
    if (Value == FDirectional)
        return;
    FDirectional = Value;
    Invalidate(this);
}

void TNyxLight::SetParam(int Index, float Value) {
    switch (Index) {
    case piExponent:
        FExponent = std::clamp(Value, 0.0f, 128.0f);
        break;
    case piCutoff:
        // 180 is OpenGL's "no cone" and the only value above 90 it accepts.
        FCutoff = Value == 180 ? Value : std::clamp(Value, 0.0f, 90.0f);
        break;
    default:
        return;
    }
    Invalidate(this);
}

void TNyxLight::SetReference(TNyxObject*& Field, TNyxObject* Value) {
    if (Value == Field)
        return;
    TNyxObject* old = Field;
    Field = Value;
    // The other reference may still point at the old object: keep the link then.
    if (old && old != FPositionObject && old != FTargetObject)
        old->RemoveFreeNotification(this);
    if (Value)
        Value->FreeNotification(this);
    Invalidate(this);
}

void TNyxLight::SetPositionObject(TNyxObject* Value) {
    // A light placed by itself, directly or through other lights, would look for
    // its centre without end.
    for (const TNyxObject* o = Value; o;) {
        if (o == this)
            throw EInvalidOperation("TNyxLight.SetPositionObject: '" + Value->Name() +
                                    "' is placed by light '" + Name() +
                                    "'; choose an object this light does not place");
        const auto* light = dynamic_cast<const TNyxLight*>(o);
        o = light ? light->FPositionObject : nullptr;
    }
    SetReference(FPositionObject, Value);
}
void TNyxLight::SetTargetObject(TNyxObject* Value) { SetReference(FTargetObject, Value); }

void TNyxLight::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove) {
        if (AComponent == FPositionObject)
            FPositionObject = nullptr;
        if (AComponent == FTargetObject)
            FTargetObject = nullptr;
    }
    TNyxObject::Notification(AComponent, Operation);
}

// A stored cut-off of 0 is left out of the stream; without this it would load as 30.
void TNyxLight::ReadState(TReader& Reader) {
    FCutoff = 0;
    TNyxObject::ReadState(Reader);
}

void TNyxLight::SetParentComponent(TComponent* Value) {
    TNyxObject::SetParentComponent(Value);
    // The root of the tree, when it is a scene.
    TNyxObject* root = Parent();
    while (root && !root->AsScene())
        root = root->Parent();
    if (!root)
        return;
    std::vector<TNyxObject*> lights;
    root->ListChildren(lights, {&TNyxLight::StaticClass()});
    SetLightNum(std::int32_t(lights.size()) - 1);
}

void TNyxLight::GetCenter(TGLArrayd3& C) const {
    if (FPositionObject)
        FPositionObject->GetAbsoluteCenter(C);
    else
        C = Point1()->Data();
}

// --- Passes --------------------------------------------------------------------------

void TNyxLight::AddCachedShadowList(std::uint32_t List) {
    FShadowLists.push_back(List);
    FCachedLists.push_back(List);
}

void TNyxLight::DeleteShadowLists() {
    for (std::uint32_t list : FShadowLists)
        if (std::find(FCachedLists.begin(), FCachedLists.end(), list) == FCachedLists.end())
            glDeleteLists(list, 1);
    FShadowLists.clear();
    FCachedLists.clear();
}

void TNyxLight::DrawPre() { DeleteShadowLists(); }

void TNyxLight::ToLightFrame(const TNyxObject* Obj, float Out[3]) const {
    TGLArrayd3 c;
    Obj->GetAbsoluteCenter(c);
    TGLMatrixd4 inverse;
    GetAbsoluteMatrix(inverse);
    InverseMatrixd(inverse);
    Xformd(inverse, c);
    for (int i = 0; i < 3; ++i)
        Out[i] = float(c[std::size_t(i)]);
}

void TNyxLight::DrawLight(bool ShadowPass) {
    if (!HasGLLight())
        return;  // left dark: there is no OpenGL light of that number to set
    const GLenum light = GLenum(GL_LIGHT0 + FLightNum);
    // w = 1 puts the light at a point; w = 0 at infinity in the direction of p.
    GLfloat p[4] = {0, 0, 0, FDirectional ? 1.0f : 0.0f};
    if (FPositionObject)
        ToLightFrame(FPositionObject, p);
    else
        for (int i = 0; i < 3; ++i)
            p[i] = float(Point1()->Data()[std::size_t(i)]);
    glLightfv(light, GL_POSITION, p);

    GLfloat t[3];
    if (FTargetObject)
        ToLightFrame(FTargetObject, t);
    else
        for (int i = 0; i < 3; ++i)
            t[i] = float(Point2()->Data()[std::size_t(i)]);
    const GLfloat direction[3] = {t[0] - p[0], t[1] - p[1], t[2] - p[2]};
    glLightfv(light, GL_SPOT_DIRECTION, direction);

    static const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(light, GL_AMBIENT, ColorRGBA().data());
    glLightfv(light, GL_DIFFUSE, ColorRGBA().data());
    glLightfv(light, GL_SPECULAR, white);
    glLightf(light, GL_SPOT_EXPONENT, FExponent);
    glLightf(light, GL_SPOT_CUTOFF, FCutoff);

    // In the shadow pass a shadow caster lights its receivers only from inside
    // DrawShadowVolumes, outside its volumes.
    const TNyxScene* scene = Scene();
    if (ShadowPass && CastShadows() && scene && scene->Shadows())
        return;
    glEnable(light);
}

void TNyxLight::BuildShadowVolumes() {
    TNyxScene* scene = Scene();
    if (CastShadows() && HasGLLight() && scene)
        scene->Frame().CountShadowLight();
}

void TNyxLight::DrawShadowVolumes() {
    TNyxScene* scene = Scene();
    if (!CastShadows() || FShadowLists.empty() || !HasGLLight() || !scene)
        return;
    const GLenum light = GLenum(GL_LIGHT0 + FLightNum);

    const TGLMatrixScope matrix;
    TNyxFrame& frame = scene->Frame();
    glLoadMatrixd(frame.ViewMatrix().data());  // the volumes are in world coordinates
    {
        const TGLAttribScope attrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);

        // 64 is "outside": the clamped increments and decrements have room both ways.
        glClearStencil(64);
        glClear(GL_STENCIL_BUFFER_BIT);
        glStencilFunc(GL_ALWAYS, 255, 127);
        glEnable(GL_STENCIL_TEST);
        glEnable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        for (std::uint32_t list : FShadowLists) {
            glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
            glCullFace(GL_BACK);
            glCallList(list);
            glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
            glCullFace(GL_FRONT);
            glCallList(list);
        }

        // Surfaces drawn again must pass the depth test against their own image.
        glPolygonOffset(-0.05f, -0.5f);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glCullFace(GL_BACK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);

        // With several shadow lights each one's image is accumulated: its shadow must
        // be black in it, not the look of step 4.
        if (frame.ShadowLightCount() > 1) {
            glStencilFunc(GL_NOTEQUAL, 64, 127);
            glEnable(GL_COLOR_MATERIAL);
            glColor3i(0, 0, 0);
            scene->Draw(scene, dsShadowObjects, dkFull);
            glDisable(GL_COLOR_MATERIAL);
        }

        glStencilFunc(GL_EQUAL, 64, 127);
        glEnable(GL_LIGHTING);
        glEnable(light);
        scene->Draw(scene, dsShadows, dkFull);
        glDisable(light);
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
}

}  // namespace nyx
