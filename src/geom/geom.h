#pragma once
// Double-precision vectors and 4x4 matrices in OpenGL's column-major layout:
// element c*4 + r is row r of column c, so the translation of an affine matrix
// sits in elements 12, 13, 14. Points are column vectors on the right (M * p).
//
// Plain free functions: no state, no allocation, no exceptions. Orientation
// angles are degrees; the spherical conversions work in radians.

#include <array>

namespace nyx {

using TGLArrayd3 = std::array<double, 3>;  // point or direction
using TGLArrayd4 = std::array<double, 4>;  // plane a*x + b*y + c*z + d = 0
using TGLArrayf3 = std::array<float, 3>;
using TGLMatrixd4 = std::array<double, 16>;
using TGLMatrixf4 = std::array<float, 16>;

inline constexpr TGLArrayd3 unitx{1, 0, 0};
inline constexpr TGLArrayd3 unity{0, 1, 0};
inline constexpr TGLArrayd3 unitz{0, 0, 1};
inline constexpr TGLMatrixd4 idd{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
inline constexpr TGLMatrixf4 idf{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// n = normalised (p2 - p1) x (p3 - p1); a zero cross product stays zero.
void CalcNormald(const TGLArrayd3& p1, const TGLArrayd3& p2, const TGLArrayd3& p3, TGLArrayd3& n);
// Plane through three points; collinear points give (0, 0, 0, 0).
void InitPlaned(const TGLArrayd3& p1, const TGLArrayd3& p2, const TGLArrayd3& p3,
                TGLArrayd4& plane);
// (x, y, z) -> (r, azimuth, polar angle from +z); s may be v.
void OrthoToSphered(const TGLArrayd3& v, TGLArrayd3& s);
// (r, azimuth, polar angle) -> (x, y, z); v may be s.
void SphereToOrthod(const TGLArrayd3& s, TGLArrayd3& v);
void MaxBoundsd(TGLArrayd3& a, const TGLArrayd3& b);
void MinBoundsd(TGLArrayd3& a, const TGLArrayd3& b);
// Exact test, no tolerance.
bool IsIdentityd(const TGLMatrixd4& m);
// Into (-180, 180] and (0, 360]; NaN and infinities come back unchanged.
double NormAngle180(double angle);
double NormAngle360(double angle);
// Scales v to unit length; a zero vector is left alone.
void Normalized(TGLArrayd3& v);
void CrossProdd(const TGLArrayd3& a, const TGLArrayd3& b, TGLArrayd3& c);
void CrossProdf(const TGLArrayf3& a, const TGLArrayf3& b, TGLArrayf3& c);
double Dotd(const TGLArrayd3& a, const TGLArrayd3& b);
// v = M * (v, 1) with w dropped (no perspective division).
void Xformd(const TGLMatrixd4& m, TGLArrayd3& v);
// Inverts a rigid transform (rotation plus translation) in place. Scale or shear
// are not inverted: callers pass object, camera and light matrices only.
void InverseMatrixd(TGLMatrixd4& m);
// Overwrites m with the reflection about a plane with unit normal.
void MirrorMatrixd(const TGLArrayd4& plane, TGLMatrixd4& m);
// r = a * b (b applied first); r may be a or b.
void MultMatrixd(const TGLMatrixd4& a, const TGLMatrixd4& b, TGLMatrixd4& r);

// The post-multiplying operations compose as glTranslated, glScaled and glRotated
// do: the new transform acts on a point before what m already holds.
void Translated(double x, double y, double z, TGLMatrixd4& m);
void Translatedv(const TGLArrayd3& v, TGLMatrixd4& m);
void Scaled(double x, double y, double z, TGLMatrixd4& m);
void Scaledv(const TGLArrayd3& v, TGLMatrixd4& m);
// Angle in degrees, counter-clockwise looking down the axis towards the origin.
// A zero angle leaves m untouched; a zero axis scales the upper 3x3 by cos(angle).
void Rotated(double angle, double x, double y, double z, TGLMatrixd4& m);

}  // namespace nyx
