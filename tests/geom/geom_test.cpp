// Vector and matrix kernel: angle wrapping, composition order, rigid inverse,
// aliasing of outputs, degenerate inputs.
#include "geom/geom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace nyx;

namespace {

constexpr double kTol = 1e-12;

void ExpectNear(const TGLArrayd3& got, const TGLArrayd3& want, double tol = kTol) {
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

void ExpectNear(const TGLMatrixd4& got, const TGLMatrixd4& want, double tol = kTol) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(got[i], want[i], tol) << "element " << i;
}

TGLArrayd3 Apply(const TGLMatrixd4& m, TGLArrayd3 p) {
    Xformd(m, p);
    return p;
}

// A matrix with every element distinct, so transposition and order mistakes show.
TGLMatrixd4 Sample(double base) {
    TGLMatrixd4 m;
    for (int i = 0; i < 16; ++i)
        m[i] = base + i * 0.5 - (i % 3);
    return m;
}

}  // namespace

TEST(Geom, AngleWrapping) {
    struct Case {
        double in, want180, want360;
    };
    const Case cases[] = {
        {180, 180, 180}, {-180, 180, 180}, {190, -170, 190},      {540, 180, 180},
        {0, 0, 360},     {-10, -10, 350},  {360, 0, 360},         {720, 0, 360},
        {-360, 0, 360},  {-540, 180, 180}, {179.5, 179.5, 179.5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormAngle180(c.in), c.want180) << c.in;
        EXPECT_EQ(NormAngle360(c.in), c.want360) << c.in;
    }
    // Far values reduce exactly as whole turns would.
    EXPECT_EQ(NormAngle180(360.0 * 1000 + 12.25), 12.25);
    EXPECT_EQ(NormAngle360(-360.0 * 1000 - 12.25), 347.75);
}

TEST(Geom, AngleWrappingTerminatesOnNonFiniteAndHugeInput) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(NormAngle180(std::nan(""))));
    EXPECT_TRUE(std::isnan(NormAngle360(std::nan(""))));
    EXPECT_EQ(NormAngle180(inf), inf);
    EXPECT_EQ(NormAngle360(-inf), -inf);
    for (double huge : {1e300, -1e300, 9.007199254740993e15}) {
        const double a = NormAngle180(huge), b = NormAngle360(huge);
        EXPECT_TRUE(a > -180 && a <= 180) << huge;
        EXPECT_TRUE(b > 0 && b <= 360) << huge;
    }
}

TEST(Geom, RotatedFollowsTheRightHandRule) {
    struct Case {
        double angle;
        TGLArrayd3 axis, in, out;
    };
    const Case cases[] = {
        {90, unitz, unitx, unity},
        {90, unitx, unity, unitz},
        {90, unity, unitz, unitx},
        {-90, unitz, unity, unitx},
        {180, {0, 0, 5}, {1, 2, 3}, {-1, -2, 3}},  // axis length does not matter
        {120, {1, 1, 1}, unitx, unity},
    };
    for (const Case& c : cases) {
        TGLMatrixd4 m = idd;
        Rotated(c.angle, c.axis[0], c.axis[1], c.axis[2], m);
        ExpectNear(Apply(m, c.in), c.out);
    }
}

TEST(Geom, RotatedDegenerateCases) {
    TGLMatrixd4 m = Sample(1);
    const TGLMatrixd4 before = m;
    Rotated(0, 1, 2, 3, m);
    EXPECT_EQ(m, before);  // bit for bit

    // A zero axis scales the upper 3x3 by cos(angle) instead of dividing by zero.
    m = idd;
    Rotated(60, 0, 0, 0, m);
    TGLMatrixd4 want = idd;
    Scaled(0.5, 0.5, 0.5, want);
    ExpectNear(m, want);
}

TEST(Geom, PostMultiplyingOperationsActOnThePointFirst) {
    // T(1,2,3) * Rz(90) * S(2,3,4): the scale acts first, the translation last.
    TGLMatrixd4 m = idd;
    Translated(1, 2, 3, m);
    Rotated(90, 0, 0, 1, m);
    Scaledv({2, 3, 4}, m);
    ExpectNear(Apply(m, {1, 1, 1}), {1 - 3, 2 + 2, 3 + 4});

    TGLMatrixd4 v = idd;
    Translatedv({1, 2, 3}, v);
    Rotated(90, 0, 0, 1, v);
    Scaled(2, 3, 4, v);
    EXPECT_EQ(m, v);

    // Scaling leaves row 3 untouched, as the affine matrices kept here need.
    TGLMatrixd4 p = Sample(2);
    Scaled(2, 3, 4, p);
    for (int i : {3, 7, 11, 15})
        EXPECT_EQ(p[i], Sample(2)[i]);
}

TEST(Geom, MultMatrixdAllowsTheOutputToBeEitherInput) {
    const TGLMatrixd4 a = Sample(1), b = Sample(-3);
    TGLMatrixd4 r;
    MultMatrixd(a, b, r);
    // Hand-computed element: row 1, column 2.
    double want = 0;
    for (int k = 0; k < 4; ++k)
        want += a[k * 4 + 1] * b[2 * 4 + k];
    EXPECT_EQ(r[9], want);

    TGLMatrixd4 x = a;
    MultMatrixd(x, b, x);
    EXPECT_EQ(x, r);
    TGLMatrixd4 y = b;
    MultMatrixd(a, y, y);
    EXPECT_EQ(y, r);
}

TEST(Geom, InverseOfARigidTransform) {
    TGLMatrixd4 m = idd;
    Translated(3, -4, 5, m);
    Rotated(37, 1, 2, -1, m);
    Rotated(-71, 0, 1, 0, m);
    TGLMatrixd4 inv = m, prod;
    InverseMatrixd(inv);
    MultMatrixd(inv, m, prod);
    ExpectNear(prod, idd);
    MultMatrixd(m, inv, prod);
    ExpectNear(prod, idd);

    // A scaled matrix is not inverted: the result is transpose-based only.
    Scaled(2, 2, 2, m);
    inv = m;
    InverseMatrixd(inv);
    MultMatrixd(inv, m, prod);
    EXPECT_GT(std::fabs(prod[0] - 1), 1);
}

TEST(Geom, IsIdentityIsExact) {
    EXPECT_TRUE(IsIdentityd(idd));
    for (int i = 0; i < 16; ++i) {
        TGLMatrixd4 m = idd;
        m[i] = std::nextafter(m[i], 2.0);
        EXPECT_FALSE(IsIdentityd(m)) << "element " << i;
    }
    TGLMatrixd4 n = idd;
    n[15] = std::nan("");
    EXPECT_FALSE(IsIdentityd(n));
}

TEST(Geom, NormalsAndPlanes) {
    TGLArrayd3 n;
    CalcNormald({0, 0, 0}, {2, 0, 0}, {0, 3, 0}, n);  // counter-clockwise seen from +z
    EXPECT_EQ(n, unitz);
    CalcNormald({1, 1, 1}, {2, 2, 2}, {4, 4, 4}, n);  // collinear: zero, no NaN
    EXPECT_EQ(n, (TGLArrayd3{0, 0, 0}));

    TGLArrayd4 plane;
    InitPlaned({0, 0, 2}, {1, 0, 2}, {0, 1, 2}, plane);
    EXPECT_EQ(plane, (TGLArrayd4{0, 0, 1, -2}));
    InitPlaned({1, 1, 1}, {1, 1, 1}, {3, 0, 1}, plane);
    EXPECT_EQ(plane, (TGLArrayd4{0, 0, 0, 0}));

    TGLArrayd3 v{3, 0, 4};
    Normalized(v);
    EXPECT_EQ(v, (TGLArrayd3{0.6, 0, 0.8}));
    v = {0, 0, 0};
    Normalized(v);
    EXPECT_EQ(v, (TGLArrayd3{0, 0, 0}));
}

TEST(Geom, CrossAndDotProducts) {
    TGLArrayd3 c;
    CrossProdd(unitx, unity, c);
    EXPECT_EQ(c, unitz);
    CrossProdd({1, 2, 3}, {4, 5, 6}, c);
    EXPECT_EQ(c, (TGLArrayd3{-3, 6, -3}));
    EXPECT_EQ(Dotd({1, 2, 3}, {4, 5, 6}), 32);

    TGLArrayf3 f;
    CrossProdf({0, 1, 0}, {0, 0, 1}, f);
    EXPECT_EQ(f, (TGLArrayf3{1, 0, 0}));
    // Writing over an operand still gives the true product.
    TGLArrayf3 a{1, 2, 3};
    CrossProdf(a, {4, 5, 6}, a);
    EXPECT_EQ(a, (TGLArrayf3{-3, 6, -3}));
}

TEST(Geom, SphericalRoundTrip) {
    TGLArrayd3 s{9, 9, 9};
    OrthoToSphered({0, 0, 0}, s);
    EXPECT_EQ(s, (TGLArrayd3{0, 0, 0}));

    OrthoToSphered({0, 0, 2}, s);
    ExpectNear(s, {2, 0, 0});
    OrthoToSphered({0, -1, 0}, s);
    ExpectNear(s, {1, -std::numbers::pi / 2, std::numbers::pi / 2});

    const TGLArrayd3 points[] = {{1, 2, 3}, {-4, 0.5, -2}, {0, 0, -7}, {1e-3, -1e-3, 0}};
    for (const TGLArrayd3& p : points) {
        TGLArrayd3 v = p;
        OrthoToSphered(v, v);  // in place
        SphereToOrthod(v, v);
        ExpectNear(v, p, 1e-12 * (1 + std::fabs(p[2])));
    }
}

TEST(Geom, BoundsAndMirror) {
    TGLArrayd3 lo{1, 1, 1}, hi{1, 1, 1};
    for (const TGLArrayd3& p : {TGLArrayd3{-2, 5, 0}, TGLArrayd3{3, -1, 7}}) {
        MinBoundsd(lo, p);
        MaxBoundsd(hi, p);
    }
    EXPECT_EQ(lo, (TGLArrayd3{-2, -1, 0}));
    EXPECT_EQ(hi, (TGLArrayd3{3, 5, 7}));

    TGLMatrixd4 m = Sample(5);        // overwritten, not multiplied
    MirrorMatrixd({0, 1, 0, -2}, m);  // the plane y = 2
    ExpectNear(Apply(m, {1, 5, 3}), {1, -1, 3});
    ExpectNear(Apply(m, {4, 2, -1}), {4, 2, -1});
    EXPECT_EQ(m[15], 1);
    EXPECT_EQ(m[3], 0);
}
