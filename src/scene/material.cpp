#include "scene/material.h"

#include "gl/opengl.h"

#include <algorithm>
#include <bit>

namespace nyx {

// --- TNyxFaceMaterial ----------------------------------------------------------------

const TMetaClass& TNyxFaceMaterial::StaticClass() {
    using P = Props<TNyxFaceMaterial>;
    auto colour = [](const char* name, int index, TColor def) {
        return P::Color(
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

std::array<float, 4> TNyxFaceMaterial::Alphas() const {
    return {FRGBA[0][3], FRGBA[1][3], FRGBA[2][3], FRGBA[3][3]};
}

void TNyxFaceMaterial::StoreAlphas(const std::array<float, 4>& Value) {
    for (std::size_t i = 0; i < FRGBA.size(); ++i)
        FRGBA[i][3] = Value[i];
}

void TNyxFaceMaterial::ApplayMaterial() const {
    glMaterialfv(FFace, GL_AMBIENT, FRGBA[ciAmbient].data());
    glMaterialfv(FFace, GL_DIFFUSE, FRGBA[ciDiffuse].data());
    glMaterialfv(FFace, GL_SPECULAR, FRGBA[ciSpecular].data());
    glMaterialfv(FFace, GL_EMISSION, FRGBA[ciEmission].data());
    glMaterialfv(FFace, GL_SHININESS, &FShininess);
}

void TNyxFaceMaterial::CancelMaterial() const {}

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
         P::Owned<TBitmap>("Texture", [](const TNyxMaterial& m) { return m.Texture(); }),
         P::Float("Transparency", &TNyxMaterial::Transparency, &TNyxMaterial::SetTransparency)});
    return meta;
}

TNyxMaterial::TNyxMaterial(TNotifyEvent OnChange)
    : FFrontFace(GL_FRONT, OnChange), FBackFace(GL_BACK, OnChange) {
    FTexture.SetOnChange(TNotifyEvent::Bind<&TNyxMaterial::TextureChanged>(this));
    FOnChange = OnChange;
}

TNyxMaterial::~TNyxMaterial() {
    // The bitmap is freed after this body; it must not call back into a dead material.
    FTexture.SetOnChange({});
}

void TNyxMaterial::SetTexture(const TBitmap* Value) { FTexture.Assign(Value); }

void TNyxMaterial::TextureChanged(TObject*) {
    if (FTexture.Empty()) {
        std::vector<std::uint32_t>().swap(FPixels);
        FTexWidth = FTexHeight = 0;
    } else {
        // No scaling: the largest power-of-two block from the bottom-right corner,
        // rows bottom-up as OpenGL takes them.
        const int width = FTexture.Width(), height = FTexture.Height();
        FTexWidth = int(std::bit_floor(unsigned(width)));
        FTexHeight = int(std::bit_floor(unsigned(height)));
        FPixels.assign(std::size_t(FTexWidth) * std::size_t(FTexHeight), 0);
        for (int i = 0; i < FTexHeight; ++i) {
            const std::uint32_t* row = FTexture.ScanLine(height - 1 - i) + (width - FTexWidth);
            std::uint32_t* out = FPixels.data() + std::size_t(i) * std::size_t(FTexWidth);
            for (int c = 0; c < FTexWidth; ++c) {
                const std::uint32_t p = row[c];  // 0xAARRGGBB
                // Bytes R, G, B, 0 in memory: GL_RGBA read into three components.
                out[c] = ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
            }
        }
    }
    FOnChange(this);
}

void TNyxMaterial::ApplayMaterial(std::uint32_t Face) const {
    if (Face != GL_BACK)
        FFrontFace.ApplayMaterial();
    if (Face != GL_FRONT)
        FBackFace.ApplayMaterial();
    // Tested on the buffer rather than the bitmap: pixels written straight into the
    // bitmap without Changed must never send a buffer of another size.
    if (!FPixels.empty()) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, FTexWidth, FTexHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     FPixels.data());
        glEnable(GL_TEXTURE_2D);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    }
}

void TNyxMaterial::CancelMaterial() const {
    FFrontFace.CancelMaterial();
    FBackFace.CancelMaterial();
    if (!FPixels.empty())
        glDisable(GL_TEXTURE_2D);
}

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

// --- TNyxMaterialCI ------------------------------------------------------------------

const TMetaClass& TNyxMaterialCI::StaticClass() {
    using P = Props<TNyxMaterialCI>;
    static const TMetaClass meta = TMetaClass::Make<TNyxMaterialCI, TCollectionItem>(
        "TNyxMaterialCI",
        {P::Owned<TNyxMaterial>("Material", [](const TNyxMaterialCI& i) { return i.Material(); }),
         P::String("Ident", &TNyxMaterialCI::Ident, &TNyxMaterialCI::SetIdent)});
    return meta;
}

TNyxMaterialCI::TNyxMaterialCI(TCollection* Collection)
    : TCollectionItem(Collection), FMaterial(TNotifyEvent::Bind<&TNyxMaterialCI::Changed>(this)) {}

void TNyxMaterialCI::SetIdent(const std::string& Value) { FIdent = Value; }

void TNyxMaterialCI::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TNyxMaterialCI*>(Source);
    if (!source) {
        TCollectionItem::Assign(Source);
        return;
    }
    FMaterial.Assign(&source->FMaterial);
    FIdent = source->FIdent;
}

std::string TNyxMaterialCI::GetDisplayName() const {
    return FIdent.empty() ? TCollectionItem::GetDisplayName() : FIdent;
}

void TNyxMaterialCI::Changed(TObject*) {
    if (auto* owner = dynamic_cast<TNyxCollection*>(Collection()))
        owner->Invalidate(this);
}

// --- TNyxMaterialLibrary -------------------------------------------------------------

const TMetaClass& TNyxMaterialLibrary::StaticClass() {
    using P = Props<TNyxMaterialLibrary>;
    static const TMetaClass meta = TMetaClass::Make<TNyxMaterialLibrary, TComponent>(
        "TNyxMaterialLibrary",
        {P::Collection<TNyxCollection>(
            "Materials", [](const TNyxMaterialLibrary& l) { return l.Materials(); })});
    return meta;
}

TNyxMaterialLibrary::TNyxMaterialLibrary(TComponent* AOwner)
    : TComponent(AOwner),
      FMaterials(std::make_unique<TNyxCollection>(this, TNyxMaterialCI::StaticClass())) {}

TNyxMaterialLibrary::~TNyxMaterialLibrary() {
    // Scenes pointing here hear of it while the collection they registered with is
    // still there to leave.
    Destroying();
    NotifyRemoval();
}

TNyxMaterial* TNyxMaterialLibrary::MaterialAt(int Index) const {
    if (Index < 0 || Index >= FMaterials->Count())
        return nullptr;
    return FMaterials->ItemAs<TNyxMaterialCI>(Index)->Material();
}

}  // namespace nyx
