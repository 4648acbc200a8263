#pragma once
// The bases of the point and line objects. TNyxShape holds the width and draws a
// smoothed shape in the blended pass, since anti-aliased lines and points need
// blending; TNyxLineShape adds the stipple style and the line state round DrawShape.

#include "rtl/graphics.h"
#include "scene/colored.h"

#include <cstdint>

namespace nyx {

class TNyxShape : public TNyxColoredObject {
    NYX_CLASS(TNyxShape)
public:
    using TNyxColoredObject::TNyxColoredObject;

    // Line width or point size in pixels.
    float Width() const { return FWidth; }
    // A value that is not >= 0 (negative, not a number) becomes 1.
    void SetWidth(float Value);

    // Opaque materials with Smooth off only.
    void DrawMain(bool Draft) override;
    // GetSize: the vertices span it (widths are in pixels, and a line or point outside
    // the view volume is clipped whole).
    TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // Transparent materials; an opaque one too when Smooth is on, then nearly opaque
    // (transparency 0.00001) so that the shape is blended.
    void DrawTransparent(bool Draft) override;

private:
    float FWidth = 1.0f;
};

class TNyxLineShape : public TNyxShape {
    NYX_CLASS(TNyxLineShape)
public:
    using TNyxShape::TNyxShape;

    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);

    // Width, stipple, the normal +x and smoothing, then DrawShape, inside a
    // GL_LINE_BIT bracket (in a group's list, the list's bracket with that state).
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // The geometry of the line classes; nothing here.
    virtual void DrawShape(std::uint32_t Face, bool Draft);

protected:
    bool DrawsInBracket() const override { return true; }

private:
    TPenStyle FStyle = psSolid;
};

}  // namespace nyx
