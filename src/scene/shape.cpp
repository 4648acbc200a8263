#include "scene/shape.h"

#include "gl/opengl.h"
#include "scene/glstate.h"

namespace nyx {

namespace {

// glLineStipple patterns by TPenStyle; psSolid enables no stipple.
constexpr GLushort StipplePatterns[] = {0xFFFF, 0xFFC3, 0xCCCC, 0xFFCC, 0xFCCC, 0x0000, 0xFFFF};

}  // namespace

// --- TNyxShape -----------------------------------------------------------------------

const TMetaClass& TNyxShape::StaticClass() {
    using P = Props<TNyxShape>;
    static const TMetaClass meta = TMetaClass::Make<TNyxShape, TNyxColoredObject>(
        "TNyxShape",
        {P::Float("Width", &TNyxShape::Width, &TNyxShape::SetWidth), NyxObjectProps::Smooth()});
    return meta;
}

void TNyxShape::SetWidth(float Value) {
    if (!(Value >= 0))
        Value = 1.0f;
    if (Value == FWidth)
        return;
    FWidth = Value;
    Invalidate(this);
}

void TNyxShape::DrawMain(bool Draft) {
    const TNyxMaterial* m = GetMaterial();
    if (!m->IsTransparent() && !Smooth())
        DrawWith(*m, Draft);
}

void TNyxShape::DrawTransparent(bool Draft) {
    const TNyxMaterial* m = GetMaterial();
    if (m->IsTransparent()) {
        DrawWith(*m, Draft);
    } else if (Smooth()) {
        // A copy without the texture, transparent enough to count as transparent while
        // its colours keep an alpha of practically 1.
        TNyxMaterial blended{TNotifyEvent()};
        blended.Assign(m);
        blended.SetTransparency(0.00001f);
        DrawWith(blended, Draft);
    }
}

TNyxObject::TNyxExtent TNyxShape::DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const {
    GetSize(Min, Max);
    return exBox;
}

// --- TNyxLineShape -------------------------------------------------------------------

const TMetaClass& TNyxLineShape::StaticClass() {
    using P = Props<TNyxLineShape>;
    static const TMetaClass meta = TMetaClass::Make<TNyxLineShape, TNyxShape>(
        "TNyxLineShape", {P::Enum("Style", &TNyxLineShape::Style, &TNyxLineShape::SetStyle,
                                  PenStyleInfo(), psSolid)});
    return meta;
}

void TNyxLineShape::SetStyle(TPenStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Invalidate(this);
}

void TNyxLineShape::DrawSpecific(std::uint32_t Face, bool Draft) {
    const TNyxGLState::TLines lines(GLState(), Width(), FStyle != psSolid, StipplePatterns[FStyle],
                                    Smooth());
    DrawShape(Face, Draft);
}

void TNyxLineShape::DrawShape(std::uint32_t, bool) {}

}  // namespace nyx
