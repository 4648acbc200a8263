#pragma once
// TNyxUser: an object whose geometry and extent come from the application's callbacks,
// so that arbitrary OpenGL drawing gets transforms, materials, selection and picking from
// the scene graph.

#include "objects/objects_fwd.h"
#include "rtl/event.h"
#include "scene/colored.h"

#include <cstdint>

namespace nyx {

// Emits the geometry in local coordinates; Face and Draft as DrawSpecific has them.
using TNyxUserDraw = TEvent<TNyxObject* /*Sender*/, std::uint32_t /*Face*/, bool /*Draft*/>;

class TNyxUser : public TNyxColoredObject {
    NYX_CLASS(TNyxUser)
public:
    explicit TNyxUser(TComponent* AOwner);

    // Neither callback is called while the object is being designed.
    const TNyxUserDraw& OnDraw() const { return FOnDraw; }
    void SetOnDraw(TNyxUserDraw Value) { FOnDraw = Value; }
    const TNyxUserGetExtents& OnGetExtents() const { return FOnGetExtents; }
    void SetOnGetExtents(TNyxUserGetExtents Value) { FOnGetExtents = Value; }

    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // The callback may draw anything, differently at each call: never compiled.
    bool CacheableGeometry() const override { return false; }
    bool CompilableDraw() const override { return false; }
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    bool Designing() const { return ComponentState().Contains(csDesigning); }

    TNyxUserDraw FOnDraw;
    TNyxUserGetExtents FOnGetExtents;
};

}  // namespace nyx
