#pragma once
// Shadow volumes. A shadow-casting solid renders itself from a light in feedback
// mode, merges the returned screen polygons with the GLU tessellator into the
// outline of its silhouette, lifts the outline back into world space and extrudes
// a quad strip away from the light; the strip goes into a display list that the
// light counts into the stencil buffer. The silhouette comes from the projected
// image, so any primitive that can draw itself casts shadows.
//
// Sections: tessellation state (one per light) - shared feedback buffer -
// TNyxShadowedObject.

#include "gl/opengl.h"
#include "scene/colored.h"

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

namespace nyx {

class TNyxLight;

// --- Tessellation state --------------------------------------------------------------

// The GLU tessellator of one light, configured for boundary-only output with the
// non-zero winding rule, and the vertices it creates where outlines cross.
class TNyxShadowTess {
public:
    static constexpr int InitialCombined = 5000;
    static constexpr int CombinedStep = 500;

    TNyxShadowTess();
    ~TNyxShadowTess();
    TNyxShadowTess(const TNyxShadowTess&) = delete;
    TNyxShadowTess& operator=(const TNyxShadowTess&) = delete;

    // Emits, into the display list being compiled, one closed quad strip per
    // outline of the union of the GL_3D feedback polygons in Feedback[0 .. Count).
    // The outline is lifted into world space through the captured light view and
    // extruded away from its light centre (PointExtrusion) or along the light's
    // direction to the object centre. Raises Exception with "ERROR: Unexpected
    // feedback token 0x%x (%d)." for anything but polygons and marked points, and
    // "ERROR: %s" for a tessellator error; the tessellator is left ready for reuse.
    void Tessellate(const float* Feedback, int Count, bool PointExtrusion);

    int CombinedCount() const { return FCombinedCount; }
    int CombinedCapacity() const { return FCombinedCapacity; }

private:
    using TVertexf = std::array<float, 3>;

    static void Begin(GLenum Type, void* Data);
    static void Vertex(void* VertexData, void* Data);
    static void End(void* Data);
    static void Combine(GLdouble Coords[3], void* Neighbours[4], GLfloat Weights[4], void** Out,
                        void* Data);
    static void Error(GLenum Code);

    // The next free combined vertex; the store grows in blocks, so vertices already
    // handed to the tessellator never move.
    TVertexf* NextCombined();
    void EmitPair(const float* Window);

    GLUtesselator* FTess;
    std::vector<std::unique_ptr<TVertexf[]>> FBlocks;
    int FCombinedCount = 0;
    int FCombinedCapacity = 0;
    bool FFirstPending = false;
    const float* FFirst = nullptr;
    bool FPointExtrusion = false;
    GLenum FError = 0;
    std::exception_ptr FFailure;
};

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
};

}  // namespace nyx
