#pragma once
// TNyxPolygon: a planar polygon given by its vertices, each with a colour and
// texture coordinates. Its first three vertices are the plane it mirrors in.

#include "scene/reflexed.h"
#include "scene/vertex.h"

#include <cstdint>

namespace nyx {

class TNyxPolygon : public TNyxReflexedObject {
    NYX_CLASS(TNyxPolygon)
public:
    // The vertex list and the normal live inside the object: making one costs no
    // more than the object itself, which matters to importers making thousands.
    explicit TNyxPolygon(TComponent* AOwner);

    // Items are TNyxVertex3TexCI. Adding, inserting, deleting, moving or editing
    // them invalidates the polygon.
    TNyxCollection* Vertexes() { return &FVertexes; }
    const TNyxCollection* Vertexes() const { return &FVertexes; }
    const TNyxVertex3TexCI* Vertex(int Index) const {
        return FVertexes.ItemAs<TNyxVertex3TexCI>(Index);
    }
    int VertexCount() const { return FVertexes.Count(); }

    bool ColorVertexes() const { return FColorVertexes; }
    void SetColorVertexes(bool Value);
    bool AutoNormal() const { return FAutoNormal; }
    void SetAutoNormal(bool Value);
    // The face normal used while AutoNormal is off, as it is (not normalised).
    TNyxVertex3* Normal() { return &FNormal; }
    const TNyxVertex3* Normal() const { return &FNormal; }

    // Keeps the mirror plane on vertices 0, 1 and 2 while there are three or more
    // (with fewer the plane stays where it was), then invalidates as any object:
    // also with fewer than three vertices, so that the view loses a polygon that has
    // just lost its third vertex, and the children's changes still get through.
    void Invalidate(TObject* Sender) override;

    // Fewer than three vertices draw nothing. GL_FRONT draws the front side (vertex
    // order, normal N), GL_BACK the back side (reverse order, -N), GL_FRONT_AND_BACK
    // both. A line loop in draft, a triangle fan for three or four vertices, a
    // GL_POLYGON above. With ColorVertexes each vertex is drawn in its own colour
    // with one alpha, which stays in the items: 1 - Reflection while the scene
    // mirrors and Reflection is above zero, otherwise 1 - the transparency of the
    // material in use, so that a mirror in a scene without reflections draws as any
    // coloured object. In the transparent pass of a mirror this vertex alpha governs.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // Bounds of the vertices (zero with fewer than two); centre their mean (zero with
    // fewer than two); radius half the largest side of the bounds.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // GetSize, which spans every vertex drawn.
    TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const override {
        GetSize(Min, Max);
        return exBox;
    }
    void GetCenter(TGLArrayd3& C) const override;
    double GetRadius() const override;

private:
    float VertexAlpha();
    void EmitSide(std::uint32_t Mode, const TGLArrayd3& N, bool Reversed, float Alpha);

    TNyxCollection FVertexes;
    TNyxVertex3 FNormal;
    bool FColorVertexes = true;
    bool FAutoNormal = true;
};

}  // namespace nyx
