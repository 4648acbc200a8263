#pragma once
// TNyxColoredObject: the base of the solid primitives. It decides at each draw
// which material applies (its own, or the scene library's by MaterialIndex) and so
// whether it is drawn in the opaque main passes or in the transparent pass.

#include "scene/object.h"

namespace nyx {

class TNyxColoredObject : public TNyxObject {
    NYX_CLASS(TNyxColoredObject)
public:
    using TNyxObject::TNyxObject;

    // The library material at MaterialIndex when the object's scene has a library
    // and the index lies inside it; the own Material in every other case.
    // Evaluated at each call: deleting library items falls back silently.
    TNyxMaterial* GetMaterial();

    // The primitives draw from their own state alone.
    bool CacheableGeometry() const override { return true; }
    bool CompilableDraw() const override { return true; }
    // Opaque materials only; the selection box follows the geometry.
    void DrawMain(bool Draft) override;
    // Transparent materials only.
    void DrawTransparent(bool Draft) override;

protected:
    // Whether the geometry is drawn in the state bracket of lines or points, which a
    // group's list keeps open from one such object to the next (TNyxGLState).
    virtual bool DrawsInBracket() const { return false; }
    // Applies M, draws the geometry, cancels M, then the selection box when selected.
    void DrawWith(const TNyxMaterial& M, bool Draft);
};

}  // namespace nyx
