#pragma once
// TNyxHeightField: a surface z = f(x, y) over the rectangle X1..X2 by Y1..Y2 of the
// local XY plane, sampled on a regular grid through application callbacks. Nothing
// is cached: every draw and every extent query asks the callbacks again, so they
// should be cheap.

#include "objects/objects_fwd.h"
#include "scene/shadow.h"

#include <cstdint>

namespace nyx {

class TNyxHeightField : public TNyxShadowedObject {
    NYX_CLASS(TNyxHeightField)
public:
    explicit TNyxHeightField(TComponent* AOwner);

    // Index 0 X1, 1 X2, 2 Y1, 3 Y2; other indices are ignored. X1 may exceed X2.
    double X1() const { return FBounds[0]; }
    double X2() const { return FBounds[1]; }
    double Y1() const { return FBounds[2]; }
    double Y2() const { return FBounds[3]; }
    void SetFieldBounds(int Index, double Value);

    // Index 0 XSegments, 1 YSegments; other indices are ignored. Stored as given, but
    // a count below 1 is drawn and measured as 1: the grid never divides by zero and
    // never vanishes.
    std::int32_t XSegments() const { return FSegments[0]; }
    std::int32_t YSegments() const { return FSegments[1]; }
    void SetSegments(int Index, std::int32_t Value);

    // Normals from forward differences of the heights; otherwise from
    // OnGetHeightNormal, otherwise (0, 0, 1).
    bool AutoNormal() const { return FAutoNormal; }
    void SetAutoNormal(bool Value);

    // Z is 0 on entry; without a handler the field is flat at z = 0. With the scene's
    // geometry cache on, what the handlers answer is compiled like the field's own state:
    // an application whose handler comes to answer differently sets it again (or
    // invalidates the field).
    const TNyxGetHeight& OnGetHeight() const { return FOnGetHeight; }
    void SetOnGetHeight(TNyxGetHeight Value) {
        FOnGetHeight = Value;
        GeometryChanged();
    }
    // N is (0, 0, 0) on entry, cleared before every call.
    const TNyxGetHeightNormal& OnGetHeightNormal() const { return FOnGetHeightNormal; }
    void SetOnGetHeightNormal(TNyxGetHeightNormal Value) {
        FOnGetHeightNormal = Value;
        GeometryChanged();
    }
    // Receives (X1, Y1, 0) and (X2, Y2, 0) and gives the extent without any sampling.
    const TNyxUserGetExtents& OnGetExtents() const { return FOnGetExtents; }
    void SetOnGetExtents(TNyxUserGetExtents Value) { FOnGetExtents = Value; }

    // One strip per row of cells, B0 A0 B1 A1 ... from the row's upper edge to its
    // lower: counter-clockwise seen from +z when X2 > X1 and Y2 > Y1. A line strip
    // zig-zagging along the row in draft. Face is ignored. Texture coordinates run
    // over 0..1 when the material has a texture.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // X and Y from the bounds; Z from OnGetExtents, otherwise from the heights of every
    // grid point.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    double Height(double X, double Y) const;

    double FBounds[4] = {0, 0, 0, 0};
    std::int32_t FSegments[2] = {10, 10};
    bool FAutoNormal = false;
    TNyxGetHeight FOnGetHeight;
    TNyxGetHeightNormal FOnGetHeightNormal;
    TNyxUserGetExtents FOnGetExtents;
};

}  // namespace nyx
