#pragma once
// TNyxTorus: a ring round the local z axis, built quad by quad in immediate mode.

#include "scene/shadow.h"

#include <cstdint>

namespace nyx {

// Radius1 reaches from the centre to the middle of the tube, Radius2 is the tube's
// radius; both start at 0.
class TNyxTorus : public TNyxShadowedObject {
    NYX_CLASS(TNyxTorus)
public:
    explicit TNyxTorus(TComponent* AOwner);

    double Radius1() const { return FRadius1; }
    void SetRadius1(double Value);
    double Radius2() const { return FRadius2; }
    void SetRadius2(double Value);
    std::int32_t Sides() const { return FSides; }
    void SetSides(std::int32_t Value);  // below 2 becomes 2
    std::int32_t Rings() const { return FRings; }
    void SetRings(std::int32_t Value);  // below 3 becomes 3

    // One primitive per quad; without Smooth a quad keeps the normal of its first
    // corner.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    double GetRadius() const override;

private:
    double FRadius1 = 0;
    double FRadius2 = 0;
    std::int32_t FSides = 8;
    std::int32_t FRings = 15;
};

}  // namespace nyx
