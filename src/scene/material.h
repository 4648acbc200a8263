#pragma once
// Surface appearance: TNyxFaceMaterial holds the lighting material of one polygon
// side, TNyxMaterial pairs a front and a back face with a texture and a transparency,
// TNyxMaterialLibrary holds numbered shared materials (TNyxMaterialCI items). Colours
// are kept both as set (system colours stay symbolic) and as the RGBA floats OpenGL
// takes.

#include "rtl/classes.h"
#include "rtl/graphics.h"
#include "scene/scene_fwd.h"
#include "scene/vertex.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // The alphas of the four quadruples (ambient, diffuse, specular, emission),
    // written without notification: a mirror makes its front translucent for one draw
    // and puts them back.
    std::array<float, 4> Alphas() const;
    void StoreAlphas(const std::array<float, 4>& Value);

    // Stores the colour and replaces R, G, B of its quadruple (alpha stays), then
    // notifies, also when the colour was already set. Unknown indices do nothing.
    void SetColor(int Index, TColor Value);
    // Shininess clamped to 0..128; transparency clamped to 0..1, which sets the alpha
    // of all four quadruples to 1 - transparency. Unknown indices do nothing.
    void SetParam(int Index, float Value);

    // From another face material: colours, floats, shininess and transparency; the
    // face and the callback stay, nobody is notified.
    void Assign(const TPersistent* Source) override;

    // The four colours and the shininess of this face, to OpenGL's lighting.
    virtual void ApplayMaterial() const;
    // Undoes what ApplayMaterial set up; nothing here, a hook for descendants.
    virtual void CancelMaterial() const;

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
    // OnChange goes to both faces: any change of either notifies it, and so does a
    // change of the texture bitmap.
    explicit TNyxMaterial(TNotifyEvent OnChange);
    ~TNyxMaterial() override;
    TNyxMaterial(const TNyxMaterial&) = delete;
    TNyxMaterial& operator=(const TNyxMaterial&) = delete;

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

    // The owned texture image. Editing it (or assigning to it) rebuilds the pixels
    // handed to OpenGL and notifies OnChange.
    TBitmap* Texture() { return &FTexture; }
    const TBitmap* Texture() const { return &FTexture; }
    // Copies Value into the owned bitmap; none empties it.
    void SetTexture(const TBitmap* Value);
    // The power-of-two block cut from the bitmap's bottom-right corner, bottom row
    // first, one 0x00BBGGRR entry per texel; 0 x 0 and empty without an image.
    int TextureWidth() const { return FTexWidth; }
    int TextureHeight() const { return FTexHeight; }
    const std::vector<std::uint32_t>& TexturePixels() const { return FPixels; }

    // Faces and transparency from another material; the texture stays as it is and
    // nobody is notified.
    void Assign(const TPersistent* Source) override;

    // Face GL_FRONT, GL_BACK or GL_FRONT_AND_BACK. The whole texture image is sent
    // again at each application: no texture objects outlive a draw.
    virtual void ApplayMaterial(std::uint32_t Face) const;
    virtual void CancelMaterial() const;

    void TextureChanged(TObject* Sender);

private:
    TNyxFaceMaterial FFrontFace;
    TNyxFaceMaterial FBackFace;
    TBitmap FTexture;
    std::vector<std::uint32_t> FPixels;
    int FTexWidth = 0;
    int FTexHeight = 0;
    float FTransparency = 0;
    TNotifyEvent FOnChange;
};

// A numbered shared material. Every change of its material invalidates the objects
// registered with the owning collection (a scene registers with its library's).
class TNyxMaterialCI : public TCollectionItem {
    NYX_CLASS(TNyxMaterialCI)
public:
    explicit TNyxMaterialCI(TCollection* Collection);

    TNyxMaterial* Material() { return &FMaterial; }
    const TNyxMaterial* Material() const { return &FMaterial; }
    // A free label, never used for lookup.
    const std::string& Ident() const { return FIdent; }
    void SetIdent(const std::string& Value);

    // Material and Ident from another item (collections copy their items so).
    void Assign(const TPersistent* Source) override;
    std::string GetDisplayName() const override;

    void Changed(TObject* Sender);

private:
    TNyxMaterial FMaterial;
    std::string FIdent;
};

// A component with the shared materials of a scene, addressed by their index.
class TNyxMaterialLibrary : public TComponent {
    NYX_CLASS(TNyxMaterialLibrary)
public:
    explicit TNyxMaterialLibrary(TComponent* AOwner);
    ~TNyxMaterialLibrary() override;

    TNyxCollection* Materials() { return FMaterials.get(); }
    const TNyxCollection* Materials() const { return FMaterials.get(); }
    // The material of item Index, or none outside 0 .. count - 1.
    TNyxMaterial* MaterialAt(int Index) const;

private:
    std::unique_ptr<TNyxCollection> FMaterials;
};

}  // namespace nyx
