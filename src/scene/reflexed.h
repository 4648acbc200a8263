#pragma once
// TNyxReflexedObject: a solid that can act as a flat mirror. In the reflection pass
// it has the whole scene drawn mirrored about its plane, clipped to the side in
// front of the plane and masked by the stencil buffer to its own screen area; in the
// ordinary passes it then draws its front side translucent over that image, so that
// the reflection shows with the strength Reflection. A subclass supplies the plane.

#include "scene/shadow.h"

#include <array>

namespace nyx {

class TNyxReflexedObject : public TNyxShadowedObject {
    NYX_CLASS(TNyxReflexedObject)
public:
    using TNyxShadowedObject::TNyxShadowedObject;

    // Meaningful in 0..1: 0 no reflection, 1 a front side that lets all of it through.
    double Reflection() const { return FReflection; }
    void SetReflection(double Value);

    // The mirror plane passes through them, in local coordinates; all zero (no plane)
    // until a subclass sets them.
    const std::array<TGLArrayd3, 3>& PlanePoints() const { return FPlanePoints; }

    // With the scene's Reflections on and Reflection not zero: the scene's lights,
    // objects and transparent objects, fully drawn, mirrored and confined to this
    // object's visible front. The frame leaves this object out and draws without
    // reflections meanwhile (its Visible and the scene's Reflections stay as they are).
    void DrawReflections() override;
    // With the scene's Reflections on and Reflection above zero, an opaque material is
    // drawn with the front side blended over the reflection (alpha 1 - Reflection)
    // and the back side opaque; a transparent one in DrawTransparent with alpha
    // 1 - Reflection * Transparency. The alpha is set on the material in use, which
    // may be shared, and put back before returning. The selection box follows in
    // both passes. Otherwise exactly as a coloured object.
    void DrawMain(bool Draft) override;
    void DrawTransparent(bool Draft) override;
    // Only while it does not mirror: a mirror hides itself while its image is drawn, and
    // a list compiled then would leave it out of every other mirror's image.
    bool CompilableDraw() const override;

protected:
    // Whether this object mirrors now: its scene's Reflections is on, and no mirror's
    // image is being drawn.
    bool ReflectionsOn() const;
    void SetPlanePoints(const TGLArrayd3& P1, const TGLArrayd3& P2, const TGLArrayd3& P3) {
        FPlanePoints = {P1, P2, P3};
    }

private:
    double FReflection = 0;
    std::array<TGLArrayd3, 3> FPlanePoints{};
};

}  // namespace nyx
