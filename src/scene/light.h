#pragma once
// TNyxLight: a scene object that becomes one OpenGL light (GL_LIGHT0 + its number)
// and, when it casts shadows, counts the shadow volumes built for it into the
// stencil buffer and has the shadow receivers redrawn lit by it outside them.
//
// Only the first eight numbers have an OpenGL light: a light numbered 8 or more
// stays dark and takes no part in shadows (see HasGLLight).

#include "scene/object.h"
#include "scene/shadow.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace nyx {

class TNyxShadowTess;

class TNyxLight : public TNyxObject {
    NYX_CLASS(TNyxLight)
public:
    explicit TNyxLight(TComponent* AOwner);
    ~TNyxLight() override;

    // Parameter indices of SetParam.
    static constexpr int piExponent = 0, piCutoff = 1;
    // Lights an OpenGL 1.1 implementation is sure to have; the scene switches exactly
    // these off before each light pass.
    static constexpr int MaxGLLights = 8;

    std::int32_t LightNum() const { return FLightNum; }
    void SetLightNum(std::int32_t N);
    // Whether GL_LIGHT0 + LightNum exists everywhere: numbers 0 to 7.
    bool HasGLLight() const { return FLightNum >= 0 && FLightNum < MaxGLLights; }

    bool Directional() const { return FDirectional; }
    void SetDirectional(bool Value);
    float Exponent() const { return FExponent; }
    float Cutoff() const { return FCutoff; }
    // Exponent clamped to 0..128; cut-off to 0..90, except that 180 (no cone) stays.
    // Invalidates even when the value did not change.
    void SetParam(int Index, float Value);

    // The published Position and Target vertices: where the light is and where it
    // points when no object stands in for them.
    TNyxVertex3* Position() { return Point1(); }
    const TNyxVertex3* Position() const { return Point1(); }
    TNyxVertex3* Target() { return Point2(); }
    const TNyxVertex3* Target() const { return Point2(); }

    TNyxObject* PositionObject() const { return FPositionObject; }
    void SetPositionObject(TNyxObject* Value);
    TNyxObject* TargetObject() const { return FTargetObject; }
    void SetTargetObject(TNyxObject* Value);

    // Numbered on attachment to a scene: the count of lights in that scene's tree,
    // this one included, minus one.
    void SetParentComponent(TComponent* Value) override;
    void ReadState(TReader& Reader) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The position object's absolute centre, else the Position vertex.
    void GetCenter(TGLArrayd3& C) const override;

    // --- Pass hooks ---
    void DrawPre() override;
    void DrawLight(bool ShadowPass) override;
    void BuildShadowVolumes() override;
    void DrawShadowVolumes() override;

    // The display lists of the shadow volumes built for this light in this frame,
    // in the order built; the light deletes them at the start of the next frame.
    const std::vector<std::uint32_t>& ShadowLists() const { return FShadowLists; }
    void AddShadowList(std::uint32_t List) { FShadowLists.push_back(List); }
    // A volume kept by the object that built it (CacheGeometry): drawn in this frame like
    // the others, but not deleted by the light.
    void AddCachedShadowList(std::uint32_t List);
    // Deletes the lists the light owns (a context must be current) and forgets them all.
    void DeleteShadowLists();
    // Expires when the light goes: cached volumes tell by it a light that has gone from
    // a new one at the same address.
    std::weak_ptr<const void> AliveToken() const { return FAlive; }
    // The tessellator of this light's volume builds (scene/detail/shadowtess.h).
    TNyxShadowTess& Tess() { return *FTess; }

private:
    void SetReference(TNyxObject*& Field, TNyxObject* Value);
    // A placement object's absolute centre seen from this light's own frame.
    void ToLightFrame(const TNyxObject* Obj, float Out[3]) const;

    std::int32_t FLightNum = 0;
    bool FDirectional = false;
    float FExponent = 0;
    float FCutoff = 30;
    TNyxObject* FPositionObject = nullptr;
    TNyxObject* FTargetObject = nullptr;
    std::vector<std::uint32_t> FShadowLists;
    std::vector<std::uint32_t> FCachedLists;  // those of FShadowLists it does not own
    std::shared_ptr<const int> FAlive = std::make_shared<const int>(0);
    std::unique_ptr<TNyxShadowTess> FTess;
};

}  // namespace nyx
