#include "scene/material.h"

#include <algorithm>

namespace nyx {

namespace {
constexpr std::uint32_t kFront = 0x0404; // GL_FRONT
constexpr std::uint32_t kBack = 0x0405;  // GL_BACK
} // namespace

// --- TNyxFaceMaterial ----------------------------------------------------------------

const TMetaClass& TNyxFaceMaterial::StaticClass() {
    using P = Props<TNyxFaceMaterial>;
    auto colour = [](const char* name, int index, TColor def) {
        return P::Integer(
            name, [index](const TNyxFaceMaterial& m) { return m.FColors[std::size_t(index)]; },
            [index](TNyxFaceMaterial& m, TColor c) { m.SetColor(index, c); }, def);
    };
    static const TMetaClass meta = TMetaClass::Make<TNyxFaceMaterial, TPersistent>(
        "TNyxFaceMaterial",
        {colour("Ambient", ciAmbient, 4210752), colour("Diffuse", ciDiffuse, 12632256),
         colour("Specular", ciSpecular, 0), colour("Emission", ciEmission, 0),
         P::Float("Shininess", &TNyxFaceMaterial::Shininess,
                  [](TNyxFaceMaterial& m, float v) { m.SetParam(piShininess, v); })});
    return meta;
}

TNyxFaceMaterial::TNyxFaceMaterial(std::uint32_t Face, TNotifyEvent OnChange) : FFace(Face) {
    // The callback is still empty here, so setting the initial colours tells nobody.
    SetColor(ciAmbient, 4210752);
    SetColor(ciDiffuse, 12632256);
    FOnChange = OnChange;
}

void TNyxFaceMaterial::SetColor(int Index, TColor Value) {
    float rgba[4];
    switch (Index) {
    case ciAmbient:
    case ciDiffuse:
    case ciSpecular:
    case ciEmission:
        FColors[std::size_t(Index)] = Value;
        ColorToFloats(Value, rgba);
        std::copy_n(rgba, 3, FRGBA[std::size_t(Index)].begin());
        break;
    case ciAmbientDiffuse:
        FColors[ciAmbient] = FColors[ciDiffuse] = Value;
        ColorToFloats(Value, rgba);
        std::copy_n(rgba, 3, FRGBA[ciAmbient].begin());
        std::copy_n(rgba, 3, FRGBA[ciDiffuse].begin());
        break;
    default:
        return;
    }
    Changed();
}

void TNyxFaceMaterial::SetParam(int Index, float Value) {
    switch (Index) {
    case piShininess:
        FShininess = std::clamp(Value, 0.0f, 128.0f);
        break;
    case piTransparency:
        FTransparency = std::clamp(Value, 0.0f, 1.0f);
        for (TRGBAf& q : FRGBA)
            q[3] = 1 - FTransparency;
        break;
    default:
        return;
    }
    Changed();
}

void TNyxFaceMaterial::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TNyxFaceMaterial*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FColors = source->FColors;
    FRGBA = source->FRGBA;
    FShininess = source->FShininess;
    FTransparency = source->FTransparency;
}

// --- TNyxMaterial --------------------------------------------------------------------

const TMetaClass& TNyxMaterial::StaticClass() {
    using P = Props<TNyxMaterial>;
    static const TMetaClass meta = TMetaClass::Make<TNyxMaterial, TPersistent>(
        "TNyxMaterial",
        {P::Owned<TNyxFaceMaterial>("BackFace", [](const TNyxMaterial& m) { return m.BackFace(); }),
         P::Owned<TNyxFaceMaterial>("FrontFace",
                                    [](const TNyxMaterial& m) { return m.FrontFace(); }),
         P::Float("Transparency", &TNyxMaterial::Transparency, &TNyxMaterial::SetTransparency)});
    return meta;
}

TNyxMaterial::TNyxMaterial(TNotifyEvent OnChange)
    : FFrontFace(kFront, OnChange), FBackFace(kBack, OnChange), FOnChange(OnChange) {}

void TNyxMaterial::SetColor(TColor Value) {
    FFrontFace.SetColor(TNyxFaceMaterial::ciAmbientDiffuse, Value);
    FBackFace.SetColor(TNyxFaceMaterial::ciAmbientDiffuse, Value);
}

void TNyxMaterial::SetTransparency(float Value) {
    if (Value == FTransparency)
        return;
    FTransparency = Value;
    FFrontFace.SetParam(TNyxFaceMaterial::piTransparency, Value);
    FBackFace.SetParam(TNyxFaceMaterial::piTransparency, Value);
}

void TNyxMaterial::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TNyxMaterial*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FFrontFace.Assign(&source->FFrontFace);
    FBackFace.Assign(&source->FBackFace);
    FTransparency = source->FTransparency;
}

} // namespace nyx
