#pragma once
// Inside the shadow-volume build: the GLU tessellator of one light (scene/shadow.cpp).

#include "gl/gl_fwd.h"

#include <array>
#include <exception>
#include <memory>
#include <vector>

namespace nyx {

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

}  // namespace nyx
