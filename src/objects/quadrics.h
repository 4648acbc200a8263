#pragma once
// Solids drawn through GLU quadrics: TNyxSphere and TNyxCone. A quadric object is
// made and freed on every draw; nothing is cached between frames.

#include "rtl/set.h"
#include "scene/shadow.h"

#include <cstdint>

namespace nyx {

// The sphere of diameter 1 round the local origin, sized through its transform.
class TNyxSphere : public TNyxShadowedObject {
    NYX_CLASS(TNyxSphere)
public:
    explicit TNyxSphere(TComponent* AOwner);

    // Not clamped: counts GLU cannot use reach gluSphere, which then draws nothing.
    std::int32_t Slices() const { return FSlices; }
    void SetSlices(std::int32_t Value);
    std::int32_t Stacks() const { return FStacks; }
    void SetStacks(std::int32_t Value);

    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // A smooth filled sphere is recorded as one run of triangles with exactly the
    // vertices, normals and texture coordinates of gluSphere's quad strips, each quad
    // split as the driver splits it: the same pixels, and a list the driver replays
    // about a sixth faster than twenty strips.
    void CompileSpecific(std::uint32_t Face, bool Draft) override;

private:
    std::int32_t FSlices = 20;
    std::int32_t FStacks = 20;
};

enum TNyxConeParts : std::uint8_t { cpTop, cpBottom, cpSide };
using TNyxConePartSet = TSet<TNyxConeParts, std::uint8_t>;

const TEnumInfo& TNyxConePartsInfo();

// A truncated cone along z, centred on the origin: Radius1 at the top (+z) end,
// Radius2 at the bottom (-z) end. All dimensions start at 0.
class TNyxCone : public TNyxShadowedObject {
    NYX_CLASS(TNyxCone)
public:
    static constexpr TNyxConePartSet AllParts{cpTop, cpBottom, cpSide};

    explicit TNyxCone(TComponent* AOwner);

    double Radius1() const { return FRadius1; }
    void SetRadius1(double Value);
    double Radius2() const { return FRadius2; }
    void SetRadius2(double Value);
    double Height() const { return FHeight; }
    void SetHeight(double Value);
    std::int32_t Slices() const { return FSlices; }
    void SetSlices(std::int32_t Value);  // below 3 becomes 3
    std::int32_t Stacks() const { return FStacks; }
    void SetStacks(std::int32_t Value);  // 0 or less becomes 1
    TNyxConePartSet Parts() const { return FParts; }
    void SetParts(TNyxConePartSet Value);

    // Pushes and pops the modelview matrix around the parts.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    double FRadius1 = 0;
    double FRadius2 = 0;
    double FHeight = 0;
    std::int32_t FSlices = 10;
    std::int32_t FStacks = 1;
    TNyxConePartSet FParts = AllParts;
};

}  // namespace nyx
