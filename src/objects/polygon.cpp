#include "objects/polygon.h"

#include "gl/glscope.h"
#include "scene/material.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace nyx {

const TMetaClass& TNyxPolygon::StaticClass() {
    using P = Props<TNyxPolygon>;
    static const TMetaClass meta = TMetaClass::Make<TNyxPolygon, TNyxReflexedObject>(
        "TNyxPolygon",
        {
            NyxObjectProps::ReceiveShadows(),
            P::Collection<TNyxCollection>("Vertexes",
                                          [](const TNyxPolygon& p) { return p.Vertexes(); }),
            P::Boolean("ColorVertexes", &TNyxPolygon::ColorVertexes, &TNyxPolygon::SetColorVertexes,
                       true),
            P::Boolean("AutoNormal", &TNyxPolygon::AutoNormal, &TNyxPolygon::SetAutoNormal, true),
            P::Owned<TNyxVertex3>("Normal", [](const TNyxPolygon& p) { return p.Normal(); }),
        });
    return meta;
}

TNyxPolygon::TNyxPolygon(TComponent* AOwner)
    : TNyxReflexedObject(AOwner), FVertexes(this, TNyxVertex3TexCI::StaticClass()),
      FNormal(TNotifyEvent::Bind<&TNyxPolygon::Invalidate>(this)) {
    FVertexes.RegisterObject(this);
}

void TNyxPolygon::SetColorVertexes(bool Value) {
    if (Value == FColorVertexes)
        return;
    FColorVertexes = Value;
    Invalidate(this);
}

void TNyxPolygon::SetAutoNormal(bool Value) {
    if (Value == FAutoNormal)
        return;
    FAutoNormal = Value;
    Invalidate(this);
}

void TNyxPolygon::Invalidate(TObject* Sender) {
    if (FVertexes.Count() >= 3)
        SetPlanePoints(Vertex(0)->Data(), Vertex(1)->Data(), Vertex(2)->Data());
    TNyxReflexedObject::Invalidate(Sender);
}

// --- Drawing ---------------------------------------------------------------------------

float TNyxPolygon::VertexAlpha() {
    const double alpha = ReflectionsOn() && Reflection() > 0
                             ? 1 - Reflection()
                             : 1 - double(GetMaterial()->Transparency());
    return float(std::clamp(alpha, 0.0, 1.0));
}

void TNyxPolygon::EmitSide(std::uint32_t Mode, const TGLArrayd3& N, bool Reversed, float Alpha) {
    const int count = FVertexes.Count();
    glBegin(Mode);
    glNormal3dv(N.data());
    for (int k = 0; k < count; ++k) {
        auto* v = FVertexes.ItemAs<TNyxVertex3TexCI>(Reversed ? count - 1 - k : k);
        if (FColorVertexes) {
            v->StoreAlpha(Alpha);
            glColor4fv(v->ColorRGBA().data());
        }
        glTexCoord2dv(v->Tex().data());
        glVertex3dv(v->Data().data());
    }
    glEnd();
}

void TNyxPolygon::DrawSpecific(std::uint32_t Face, bool Draft) {
    const int count = FVertexes.Count();
    if (count < 3)
        return;
    float alpha = 1;
    std::optional<TGLAttribScope> colours;
    if (FColorVertexes) {
        colours.emplace(GL_LIGHTING_BIT | GL_CURRENT_BIT);
        glEnable(GL_COLOR_MATERIAL);
        alpha = VertexAlpha();
    }
    TGLArrayd3 n = FNormal.Data();
    if (FAutoNormal)
        CalcNormald(Vertex(0)->Data(), Vertex(1)->Data(), Vertex(2)->Data(), n);
    const GLenum mode = Draft ? GL_LINE_LOOP : count > 4 ? GL_POLYGON : GL_TRIANGLE_FAN;
    if (Face != GL_BACK)
        EmitSide(mode, n, false, alpha);
    if (Face != GL_FRONT)
        EmitSide(mode, {-n[0], -n[1], -n[2]}, true, alpha);
}

// --- Extent ----------------------------------------------------------------------------

void TNyxPolygon::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const int count = FVertexes.Count();
    if (count < 2) {
        Min = Max = {0, 0, 0};
        return;
    }
    Min = Max = Vertex(0)->Data();
    for (int i = 1; i < count; ++i) {
        MinBoundsd(Min, Vertex(i)->Data());
        MaxBoundsd(Max, Vertex(i)->Data());
    }
}

void TNyxPolygon::GetCenter(TGLArrayd3& C) const {
    const int count = FVertexes.Count();
    C = {0, 0, 0};
    if (count < 2)
        return;
    for (int i = 0; i < count; ++i)
        for (std::size_t a = 0; a < 3; ++a)
            C[a] += Vertex(i)->Data()[a];
    for (double& c : C)
        c /= count;
}

double TNyxPolygon::GetRadius() const {
    TGLArrayd3 lo, hi;
    GetSize(lo, hi);
    double side = 0;
    for (std::size_t a = 0; a < 3; ++a)
        side = std::max(side, std::fabs(hi[a] - lo[a]));
    return side / 2;
}

}  // namespace nyx
