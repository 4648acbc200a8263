#pragma once
// TNyxTeapot: the classic Bezier teapot, evaluated by OpenGL's two-dimensional evaluators
// on every draw. It casts no shadow volumes.

#include "rtl/set.h"
#include "scene/colored.h"

#include <cstdint>

namespace nyx {

enum TNyxTeapotParts : std::uint8_t { tpBody, tpHandle, tpSpout, tpLid };
using TNyxTeapotPartSet = TSet<TNyxTeapotParts, std::uint8_t>;

const TEnumInfo& TNyxTeapotPartsInfo();

// A pot a quarter of the published size, standing on z = -0.1875 with its lid up (+z),
// its spout towards +x and its handle towards -x.
class TNyxTeapot : public TNyxColoredObject {
    NYX_CLASS(TNyxTeapot)
public:
    static constexpr TNyxTeapotPartSet AllParts{tpBody, tpHandle, tpSpout, tpLid};

    explicit TNyxTeapot(TComponent* AOwner);

    // Each patch is evaluated on a Segments x Segments grid; 0 or less becomes 1.
    std::int32_t Segments() const { return FSegments; }
    void SetSegments(std::int32_t Value);
    TNyxTeapotPartSet Parts() const { return FParts; }
    void SetParts(TNyxTeapotPartSet Value);

    // Sets up the evaluators (texture coordinates too when filled with a textured
    // material), evaluates the patches of Parts unless Face is GL_BACK, and switches
    // the evaluators off again.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // A constant box, somewhat larger than the pot, whatever Segments and Parts hold.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    std::int32_t FSegments = 4;
    TNyxTeapotPartSet FParts = AllParts;
};

}  // namespace nyx
