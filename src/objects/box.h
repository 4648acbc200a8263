#pragma once
// TNyxBox: the unit cube round the local origin, sized through its transform.

#include "rtl/set.h"
#include "scene/shadow.h"

#include <cstdint>

namespace nyx {

// Which faces of the box are drawn, in every path (solid, draft, sliced or not):
// bpLeft -X, bpRight +X, bpTop +Z, bpBottom -Z, bpFront -Y, bpBack +Y.
enum TNyxBoxParts : std::uint8_t { bpLeft, bpRight, bpTop, bpBottom, bpFront, bpBack };
using TNyxBoxPartSet = TSet<TNyxBoxParts, std::uint8_t>;

const TEnumInfo& TNyxBoxPartsInfo();

class TNyxBox : public TNyxShadowedObject {
    NYX_CLASS(TNyxBox)
public:
    static constexpr TNyxBoxPartSet AllParts{bpLeft, bpRight, bpTop, bpBottom, bpFront, bpBack};

    explicit TNyxBox(TComponent* AOwner);

    std::int32_t SlicesX() const { return FSlices[0]; }
    std::int32_t SlicesY() const { return FSlices[1]; }
    std::int32_t SlicesZ() const { return FSlices[2]; }
    // Index 0 x, 1 y, 2 z; other indices are ignored. Values below 1 become 1.
    void SetSlices(int Index, std::int32_t Value);

    TNyxBoxPartSet Parts() const { return FParts; }
    void SetParts(TNyxBoxPartSet Value);

    // With all slice counts 1 a quad per face, otherwise a grid of cells per face.
    // Textured when the material's texture bitmap is not empty.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    double GetRadius() const override;

private:
    void DrawTable(bool Draft, bool Textured) const;
    void DrawGrid(bool Draft, bool Textured) const;

    std::int32_t FSlices[3] = {1, 1, 1};
    TNyxBoxPartSet FParts = AllParts;
};

}  // namespace nyx
