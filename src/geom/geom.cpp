#include "geom/geom.h"

#include <cmath>
#include <numbers>

namespace nyx {

void CalcNormald(const TGLArrayd3& p1, const TGLArrayd3& p2, const TGLArrayd3& p3, TGLArrayd3& n) {
    const double ux = p2[0] - p1[0], uy = p2[1] - p1[1], uz = p2[2] - p1[2];
    const double vx = p3[0] - p1[0], vy = p3[1] - p1[1], vz = p3[2] - p1[2];
    TGLArrayd3 r{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    Normalized(r);
    n = r;
}

void InitPlaned(const TGLArrayd3& p1, const TGLArrayd3& p2, const TGLArrayd3& p3,
                TGLArrayd4& plane) {
    TGLArrayd3 n;
    CalcNormald(p1, p2, p3, n);
    plane = {n[0], n[1], n[2], -(n[0] * p1[0] + n[1] * p1[1] + n[2] * p1[2])};
}

void OrthoToSphered(const TGLArrayd3& v, TGLArrayd3& s) {
    const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (r == 0) {
        s = {0, 0, 0};
        return;
    }
    s = {r, std::atan2(v[1], v[0]), std::numbers::pi / 2 - std::asin(v[2] / r)};
}

void SphereToOrthod(const TGLArrayd3& s, TGLArrayd3& v) {
    const double r = s[0], theta = s[1], phi = s[2];
    v = {r * std::cos(theta) * std::sin(phi), r * std::sin(theta) * std::sin(phi),
         r * std::cos(phi)};
}

void MaxBoundsd(TGLArrayd3& a, const TGLArrayd3& b) {
    for (int i = 0; i < 3; ++i)
        if (b[i] > a[i])
            a[i] = b[i];
}

void MinBoundsd(TGLArrayd3& a, const TGLArrayd3& b) {
    for (int i = 0; i < 3; ++i)
        if (b[i] < a[i])
            a[i] = b[i];
}

bool IsIdentityd(const TGLMatrixd4& m) {
    bool same = true;
    for (int i = 0; i < 16; ++i)
        same &= m[i] == idd[i];
    return same;
}

// Wraps by whole turns. Far from the range, fmod removes the whole turns first:
// it is exact, as is each subtraction of 360 below 2^53, so the result is the one
// the plain loop would give, and the loop cannot stall on huge values.
static double WrapAngle(double angle, double high) {
    if (!std::isfinite(angle))
        return angle;
    if (std::fabs(angle) > 720)
        angle = std::fmod(angle, 360.0);
    const double low = high - 360;
    while (angle > high)
        angle -= 360;
    while (angle <= low)
        angle += 360;
    return angle;
}

double NormAngle180(double angle) { return WrapAngle(angle, 180); }
double NormAngle360(double angle) { return WrapAngle(angle, 360); }

void Normalized(TGLArrayd3& v) {
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len != 0)
        for (double& x : v)
            x /= len;
}

void CrossProdd(const TGLArrayd3& a, const TGLArrayd3& b, TGLArrayd3& c) {
    c = TGLArrayd3{a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]};
}

void CrossProdf(const TGLArrayf3& a, const TGLArrayf3& b, TGLArrayf3& c) {
    c = TGLArrayf3{a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]};
}

double Dotd(const TGLArrayd3& a, const TGLArrayd3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Xformd(const TGLMatrixd4& m, TGLArrayd3& v) {
    TGLArrayd3 r;
    for (int i = 0; i < 3; ++i)
        r[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2] + m[12 + i];
    v = r;
}

void InverseMatrixd(TGLMatrixd4& m) {
    const TGLMatrixd4 o = m;
    const double tx = o[12], ty = o[13], tz = o[14];
    m[1] = o[4], m[4] = o[1];
    m[2] = o[8], m[8] = o[2];
    m[6] = o[9], m[9] = o[6];
    m[12] = -(o[0] * tx + o[1] * ty + o[2] * tz);
    m[13] = -(o[4] * tx + o[5] * ty + o[6] * tz);
    m[14] = -(o[8] * tx + o[9] * ty + o[10] * tz);
    m[3] = m[7] = m[11] = 0;
    m[15] = 1;
}

void MirrorMatrixd(const TGLArrayd4& plane, TGLMatrixd4& m) {
    const double a = plane[0], b = plane[1], c = plane[2], d = plane[3];
    m[0] = 1 - 2 * a * a;
    m[5] = 1 - 2 * b * b;
    m[10] = 1 - 2 * c * c;
    m[4] = m[1] = -2 * a * b;
    m[8] = m[2] = -2 * a * c;
    m[9] = m[6] = -2 * b * c;
    m[12] = -2 * a * d;
    m[13] = -2 * b * d;
    m[14] = -2 * c * d;
    m[3] = m[7] = m[11] = 0;
    m[15] = 1;
}

void MultMatrixd(const TGLMatrixd4& a, const TGLMatrixd4& b, TGLMatrixd4& r) {
    TGLMatrixd4 t;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[i * 4 + j] = a[j] * b[i * 4] + a[4 + j] * b[i * 4 + 1] + a[8 + j] * b[i * 4 + 2] +
                           a[12 + j] * b[i * 4 + 3];
    r = t;
}

void Translated(double x, double y, double z, TGLMatrixd4& m) {
    for (int i = 0; i < 4; ++i)
        m[12 + i] = x * m[i] + y * m[4 + i] + z * m[8 + i] + m[12 + i];
}

void Translatedv(const TGLArrayd3& v, TGLMatrixd4& m) { Translated(v[0], v[1], v[2], m); }

void Scaled(double x, double y, double z, TGLMatrixd4& m) {
    for (int i = 0; i < 3; ++i) {
        m[i] *= x;
        m[4 + i] *= y;
        m[8 + i] *= z;
    }
}

void Scaledv(const TGLArrayd3& v, TGLMatrixd4& m) { Scaled(v[0], v[1], v[2], m); }

void Rotated(double angle, double x, double y, double z, TGLMatrixd4& m) {
    if (angle == 0)
        return;
    const double rad = angle * std::numbers::pi / 180;
    const double s = std::sin(rad), c = std::cos(rad), u = 1 - c;
    double len = std::sqrt(x * x + y * y + z * z);
    if (len == 0)
        len = 1;
    x /= len;
    y /= len;
    z /= len;
    // clang-format off
    const TGLMatrixd4 r{u * x * x + c,     u * x * y + s * z, u * x * z - s * y, 0,
                        u * x * y - s * z, u * y * y + c,     u * y * z + s * x, 0,
                        u * x * z + s * y, u * y * z - s * x, u * z * z + c,     0,
                        0,                 0,                 0,                 1};
    // clang-format on
    MultMatrixd(m, r, m);
}

}  // namespace nyx
