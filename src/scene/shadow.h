#pragma once
// Shadow volumes. A shadow-casting solid renders itself from a light in feedback
// mode, merges the returned screen polygons with the GLU tessellator into the
// outline of its silhouette, lifts the outline back into world space and extrudes
// a quad strip away from the light; the strip goes into a display list that the
// light counts into the stencil buffer. The silhouette comes from the projected
// image, so any primitive that can draw itself casts shadows.
//
// The tessellation state of a light lives in scene/detail/shadowtess.h.
//
// Sections: shared feedback buffer - TNyxShadowedObject.

#include "gl/gl_fwd.h"
#include "scene/colored.h"

namespace nyx {

class TNyxLight;

// --- Shared feedback buffer ----------------------------------------------------------

// The feedback buffer of every volume build: 5000 floats from library start-up,
// grown by 5000 whenever a feedback render overflows it, never shrunk. Also made on
// first use when start-up did not run.
void InitShadowFeedback();
// Releases it (library shutdown).
void DoneShadowFeedback();
// Floats the buffer holds now.
int ShadowFeedbackSize();

// --- TNyxShadowedObject --------------------------------------------------------------

// The base of every solid that casts and receives stencil shadows.
class TNyxShadowedObject : public TNyxColoredObject {
    NYX_CLASS(TNyxShadowedObject)
public:
    using TNyxColoredObject::TNyxColoredObject;

    // One volume per shadow-casting light of the scene tree (depth-first), when
    // this object casts shadows. Lights that cannot be drawn this frame (hidden,
    // or beyond the eighth) get none, and lists they still hold are deleted.
    void BuildShadowVolumes() override;
    // Redraws a shadow receiver with an opaque material, for the light that is
    // counting its volumes; no selection box.
    void DrawShadows(bool Draft) override;

    // Builds one volume for Light and appends its display list to the light's list.
    // On an exception the open list is closed and matrices and attributes are
    // restored before it propagates.
    virtual void DoBuildShadowVolumes(TNyxLight* Light);

protected:
    // Compiles the volume cast from Light into a list of NewShadowList and returns its
    // name, or 0 when no name was left: the outline of the feedback render here.
    // DoBuildShadowVolumes calls it when no cached volume stands for it.
    virtual GLuint BuildShadowVolume(TNyxLight* Light);
    // The list a volume is compiled into, asked for once the volume is ready to be
    // compiled (after any feedback render, so that the calls keep their order): a name of
    // the list space's allocator while the cache keeps volumes, otherwise a new list
    // that the light owns. 0 when the driver has no name left.
    GLuint NewShadowList(TNyxLight* Light);

private:
    std::uint64_t FVolumeSpace = 0;  // during DoBuildShadowVolumes: the cache's list space
    GLuint FPendingVolume = 0;       // the allocator's name handed out for it, if any
};

}  // namespace nyx
