#include "scene/fog.h"

#include "gl/opengl.h"
#include "rtl/controls.h"

namespace nyx {

const TEnumInfo& TFogModeInfo() {
    static const TEnumInfo info{"TFogMode", {"fmLinear", "fmExp", "fmExp2"}};
    return info;
}

const TMetaClass& TNyxFog::StaticClass() {
    using P = Props<TNyxFog>;
    static const TMetaClass meta = TMetaClass::Make<TNyxFog, TPersistent>(
        "TNyxFog", {P::Color("Color", &TNyxFog::Color, &TNyxFog::SetColor, NoDefault),
                    P::Float("FogStart", &TNyxFog::FogStart, &TNyxFog::SetStart),
                    P::Float("FogEnd", &TNyxFog::FogEnd, &TNyxFog::SetEnd),
                    P::Float("Density", &TNyxFog::Density, &TNyxFog::SetDensity),
                    P::Enum("Mode", &TNyxFog::Mode, &TNyxFog::SetMode, TFogModeInfo(), NoDefault),
                    P::Boolean("Enabled", &TNyxFog::Enabled, &TNyxFog::SetEnabled, NoDefault)});
    return meta;
}

void TNyxFog::Changed() {
    if (FOwnerPanel)
        FOwnerPanel->Repaint();
}

void TNyxFog::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Changed();
}

void TNyxFog::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TNyxFog::SetStart(double Value) {
    if (Value == FFogStart)
        return;
    FFogStart = Value;
    Changed();
}

void TNyxFog::SetEnd(double Value) {
    if (Value == FFogEnd)
        return;
    FFogEnd = Value;
    Changed();
}

void TNyxFog::SetDensity(double Value) {
    if (Value == FDensity)
        return;
    FDensity = Value;
    Changed();
}

void TNyxFog::SetMode(TFogMode Value) {
    if (Value == FMode)
        return;
    FMode = Value;
    Changed();
}

void TNyxFog::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TNyxFog*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    // Through the setters, so the owning panel repaints once per changed value.
    SetColor(other->FColor);
    SetStart(other->FFogStart);
    SetEnd(other->FFogEnd);
    SetDensity(other->FDensity);
    SetMode(other->FMode);
    SetEnabled(other->FEnabled);
}

void TNyxFog::Apply() const {
    if (!FEnabled) {
        glDisable(GL_FOG);
        return;
    }
    static constexpr GLint modes[] = {GL_LINEAR, GL_EXP, GL_EXP2};
    glFogi(GL_FOG_MODE, modes[FMode]);
    glFogf(GL_FOG_START, float(FFogStart));
    glFogf(GL_FOG_END, float(FFogEnd));
    glFogf(GL_FOG_DENSITY, float(FDensity));
    float rgba[4];
    ColorToFloats(FColor, rgba, 0.0f);
    glFogfv(GL_FOG_COLOR, rgba);
    glHint(GL_FOG_HINT, GL_NICEST);
    glEnable(GL_FOG);
}

}  // namespace nyx
