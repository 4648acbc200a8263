#pragma once
// Surface appearance: TNyxFaceMaterial holds the lighting material of one polygon
// side, TNyxMaterial pairs a front and a back face. Colours are kept both as set
// (system colours stay symbolic) and as the RGBA floats OpenGL takes.

#include "rtl/classes.h"
#include "rtl/graphics.h"
#include "scene/scene_fwd.h"

#include <array>
#include <cstdint>

namespace nyx {

using TRGBAf = std::array<float, 4>;

class TNyxFaceMaterial : public TPersistent {
    NYX_CLASS(TNyxFaceMaterial)
public:
    // Face: GL_FRONT (1028) or GL_BACK (1029). Construction notifies nobody.
    TNyxFaceMaterial(std::uint32_t Face, TNotifyEvent OnChange);

    // Colour indices of SetColor; 10 sets ambient and diffuse together.
    static constexpr int ciAmbient = 0, ciDiffuse = 1, ciSpecular = 2, ciEmission = 3,
                         ciAmbientDiffuse = 10;
    // Parameter indices of SetParam.
    static constexpr int piShininess = 0, piTransparency = 1;

    std::uint32_t Face() const { return FFace; }
    TColor Ambient() const { return FColors[ciAmbient]; }
    TColor Diffuse() const { return FColors[ciDiffuse]; }
    TColor Specular() const { return FColors[ciSpecular]; }
    TColor Emission() const { return FColors[ciEmission]; }
    const TRGBAf& AmbientRGBA() const { return FRGBA[ciAmbient]; }
    const TRGBAf& DiffuseRGBA() const { return FRGBA[ciDiffuse]; }
    const TRGBAf& SpecularRGBA() const { return FRGBA[ciSpecular]; }
    const TRGBAf& EmissionRGBA() const { return FRGBA[ciEmission]; }
    float Shininess() const { return FShininess; }
    float Transparency() const { return FTransparency; }

    // Stores the colour and replaces R, G, B of its quadruple (alpha stays), then
    // notifies, also when the colour was already set. Unknown indices do nothing.
    void SetColor(int Index, TColor Value);
    // Shininess clamped to 0..128; transparency clamped to 0..1, which sets the alpha
    // of all four quadruples to 1 - transparency. Unknown indices do nothing.
    void SetParam(int Index, float Value);

    // From another face material: colours, floats, shininess and transparency; the
    // face and the callback stay, nobody is notified.
    void Assign(const TPersistent* Source) override;

private:
    void Changed() { FOnChange(this); }

    std::uint32_t FFace;
    std::array<TColor, 4> FColors{};
    // Ambient, diffuse, specular, emission: the arrays handed to glMaterialfv.
    std::array<TRGBAf, 4> FRGBA{};
    float FShininess = 0;
    float FTransparency = 0;
    TNotifyEvent FOnChange;
};

class TNyxMaterial : public TPersistent {
    NYX_CLASS(TNyxMaterial)
public:
    // OnChange goes to both faces: any change of either notifies it.
    explicit TNyxMaterial(TNotifyEvent OnChange);

    TNyxFaceMaterial* FrontFace() { return &FFrontFace; }
    const TNyxFaceMaterial* FrontFace() const { return &FFrontFace; }
    TNyxFaceMaterial* BackFace() { return &FBackFace; }
    const TNyxFaceMaterial* BackFace() const { return &FBackFace; }

    // Ambient and diffuse of both faces in one go (each face notifies).
    void SetColor(TColor Value);

    // Stored unclamped; both faces take it clamped (each notifies). Equal: nothing.
    float Transparency() const { return FTransparency; }
    void SetTransparency(float Value);
    bool IsTransparent() const { return FTransparency > 0; }

    // Faces and transparency from another material; nobody is notified.
    void Assign(const TPersistent* Source) override;

private:
    TNyxFaceMaterial FFrontFace;
    TNyxFaceMaterial FBackFace;
    float FTransparency = 0;
    TNotifyEvent FOnChange;
};

} // namespace nyx
