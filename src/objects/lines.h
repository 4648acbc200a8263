#pragma once
// Points and lines: TNyxPoint, TNyxLine, TNyxPolyline, TNyxArc and TNyxCircle. They add
// only their geometry to the shape bases and are drawn the same way in every pass.
// A drawing imported from a file holds hundreds of thousands of them, so they carry
// no state beyond their properties.

#include "scene/shape.h"
#include "scene/vertex.h"

#include <cstdint>

namespace nyx {

// A point at P (the object's first vertex), Width pixels large.
class TNyxPoint : public TNyxShape {
    NYX_CLASS(TNyxPoint)
public:
    using TNyxShape::TNyxShape;

    TNyxVertex3* P() { return Point1(); }

    // The vertex inside a GL_POINT_BIT bracket of its size and smoothing (in a group's
    // list, the list's bracket with that state).
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // One vertex: Mesa calls a list this small more slowly than it draws the point.
    bool CacheableGeometry() const override { return false; }
    // P as both corners.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

protected:
    bool DrawsInBracket() const override { return true; }
};

// A segment from P1 to P2 (the object's two vertices).
class TNyxLine : public TNyxLineShape {
    NYX_CLASS(TNyxLine)
public:
    using TNyxLineShape::TNyxLineShape;

    TNyxVertex3* P1() { return Point1(); }
    TNyxVertex3* P2() { return Point2(); }

    void DrawShape(std::uint32_t Face, bool Draft) override;
    // Two vertices: Mesa calls a list this small more slowly than it draws the line.
    bool CacheableGeometry() const override { return false; }
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
};

// A strip, or a loop when Closed, through the points of Vertexes; with ColorVertexes
// each point's colour drives the material colour.
class TNyxPolyline : public TNyxLineShape {
    NYX_CLASS(TNyxPolyline)
public:
    explicit TNyxPolyline(TComponent* AOwner);
    ~TNyxPolyline() override;

    // Items of class TNyxVertex3CI; adding, deleting or editing one invalidates the
    // polyline.
    TNyxCollection* Vertexes() { return &FVertexes; }
    const TNyxCollection* Vertexes() const { return &FVertexes; }
    bool ColorVertexes() const { return FColorVertexes; }
    void SetColorVertexes(bool Value);
    bool Closed() const { return FClosed; }
    void SetClosed(bool Value);

    // Nothing with fewer than two points.
    void DrawShape(std::uint32_t Face, bool Draft) override;
    // The box round the points; zero at the origin with fewer than two.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    TNyxCollection FVertexes;
    bool FColorVertexes = false;
    bool FClosed = false;
};

// The arc of the circle of radius 0.5 round the origin in the XY plane that runs
// counter-clockwise from StartAngle to EndAngle (degrees, taken modulo 360); equal
// angles give the full circle, and an angle that is not a finite number gives nothing.
class TNyxArc : public TNyxLineShape {
    NYX_CLASS(TNyxArc)
public:
    using TNyxLineShape::TNyxLineShape;

    std::int32_t Segments() const { return FSegments; }
    void SetSegments(std::int32_t Value);  // below 3 becomes 3
    double StartAngle() const { return FStartAngle; }
    void SetStartAngle(double Value);
    double EndAngle() const { return FEndAngle; }
    void SetEndAngle(double Value);

    // A strip of Segments + 1 vertices.
    void DrawShape(std::uint32_t Face, bool Draft) override;
    // The box round the arc drawn (z extent 0); the centre point when there is none.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // An end angle of 0 is left out of streams like every zero; it must not read back
    // as the initial 360.
    void ReadState(TReader& Reader) override;

private:
    std::int32_t FSegments = 30;
    double FStartAngle = 0.0;
    double FEndAngle = 360.0;
};

// The circle of radius 0.5 round the origin in the XY plane.
class TNyxCircle : public TNyxLineShape {
    NYX_CLASS(TNyxCircle)
public:
    using TNyxLineShape::TNyxLineShape;

    std::int32_t Segments() const { return FSegments; }
    void SetSegments(std::int32_t Value);  // below 3 becomes 3

    // A loop of Segments vertices. Inside a group's list, a call of the loop that all
    // circles of the same segment count share in the list space: a drawing's circles
    // then cost a call each, not their vertices.
    void DrawShape(std::uint32_t Face, bool Draft) override;
    // Compiles the shared loop before the group's list is compiled.
    bool PrepareGeometry() override;
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    void EmitLoop() const;

    std::int32_t FSegments = 30;
};

}  // namespace nyx
