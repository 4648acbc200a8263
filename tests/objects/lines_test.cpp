// Points and lines: the line state the shape bases set round the geometry, the pass a
// shape is drawn in, the geometry and extents of the five classes, their setters and
// streams, and a line seen on screen.

#include "glreplay.h"
#include "objects/lines.h"
#include "rtl/stream_helpers.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace nyx {
namespace {

using Strings = std::vector<std::string>;
using test::TClassKey;
using test::TCounting;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// The calls Draw makes, in a small off-screen context.
Strings Record(const std::function<void()>& Draw,
               std::initializer_list<std::string_view> Names = {}) {
    test::TOffscreenGL gl(8, 8);
    TGLRecorder rec;
    Draw();
    return Names.size() ? rec.Calls(Names) : rec.Calls();
}

Strings Shape(TNyxObject& Obj) {
    return Record([&] { Obj.DrawSpecific(GL_FRONT_AND_BACK, false); });
}

void Set(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

// The vertices of glVertex3f calls.
std::vector<TGLArrayd3> Vertices(const Strings& Calls) {
    std::vector<TGLArrayd3> out;
    for (const std::string& c : Calls)
        if (test::Fn(c) == "glVertex3f") {
            const std::vector<double> a = test::Args(c);
            out.push_back({a[0], a[1], a[2]});
        }
    return out;
}

// --- The shape bases ----------------------------------------------------------------

TEST(ShapeBases, SettersClampThenCompare) {
    struct TCase {
        const char* Name;
        std::function<double(TNyxObject&)> Set;  // sets, returns the stored value
        double Stored;
        bool Invalidates;
    };
    auto width = [](float v) {
        return [v](TNyxObject& o) {
            auto& s = static_cast<TNyxShape&>(o);
            s.SetWidth(v);
            return double(s.Width());
        };
    };
    const TCase cases[] = {
        {"Width -2", width(-2), 1, false},
        {"Width NaN", width(float(NaN)), 1, false},
        {"Width -inf", width(-float(Inf)), 1, false},
        {"Width 0", width(0), 0, true},
        {"Width 2.5", width(2.5f), 2.5, true},
        {"Style",
         [](TNyxObject& o) {
             static_cast<TNyxLineShape&>(o).SetStyle(psDot);
             return double(static_cast<TNyxLineShape&>(o).Style());
         },
         psDot, true},
        {"Style same",
         [](TNyxObject& o) {
             static_cast<TNyxLineShape&>(o).SetStyle(psSolid);
             return double(static_cast<TNyxLineShape&>(o).Style());
         },
         psSolid, false},
        {"arc Segments 2",
         [](TNyxObject& o) {
             static_cast<TNyxArc&>(o).SetSegments(2);
             return double(static_cast<TNyxArc&>(o).Segments());
         },
         3, true},
        {"arc Segments 30",
         [](TNyxObject& o) {
             static_cast<TNyxArc&>(o).SetSegments(30);
             return double(static_cast<TNyxArc&>(o).Segments());
         },
         30, false},
        {"arc EndAngle 360",
         [](TNyxObject& o) {
             static_cast<TNyxArc&>(o).SetEndAngle(360);
             return static_cast<TNyxArc&>(o).EndAngle();
         },
         360, false},
        {"arc StartAngle -90",
         [](TNyxObject& o) {
             static_cast<TNyxArc&>(o).SetStartAngle(-90);
             return static_cast<TNyxArc&>(o).StartAngle();
         },
         -90, true},
        {"circle Segments -5",
         [](TNyxObject& o) {
             static_cast<TNyxCircle&>(o).SetSegments(-5);
             return double(static_cast<TNyxCircle&>(o).Segments());
         },
         3, true},
        {"polyline Closed",
         [](TNyxObject& o) {
             static_cast<TNyxPolyline&>(o).SetClosed(true);
             return double(static_cast<TNyxPolyline&>(o).Closed());
         },
         1, true},
        {"polyline ColorVertexes same",
         [](TNyxObject& o) {
             static_cast<TNyxPolyline&>(o).SetColorVertexes(false);
             return double(static_cast<TNyxPolyline&>(o).ColorVertexes());
         },
         0, false},
    };
    ExpectSetterCases(cases, TClassKey<TNyxArc>{"arc"}, TClassKey<TNyxCircle>{"circle"},
                      TClassKey<TNyxPolyline>{"polyline"}, TClassKey<TNyxLine>{""});
}

TEST(ShapeBases, LineStateAroundTheGeometryByStyle) {
    struct TCase {
        TPenStyle Style;
        const char* Stipple;  // none: stippling stays off
    };
    const TCase cases[] = {
        {psSolid, nullptr},        {psDash, "0xFFC3"},       {psDot, "0xCCCC"},
        {psDashDot, "0xFFCC"},     {psDashDotDot, "0xFCCC"}, {psClear, "0x0000"},
        {psInsideFrame, "0xFFFF"},
    };
    for (const TCase& c : cases) {
        for (const bool smooth : {false, true}) {
            SCOPED_TRACE(PenStyleInfo().NameOf(c.Style) + (smooth ? " smooth" : ""));
            TNyxLine line(nullptr);
            Set(line.P2(), 1, 2, 3);
            line.SetWidth(2.5f);
            line.SetStyle(c.Style);
            line.SetSmooth(smooth);
            Strings expected{"glPushAttrib(GL_LINE_BIT)", "glLineWidth(2.5)"};
            if (c.Stipple) {
                expected.push_back(std::string("glLineStipple(1, ") + c.Stipple + ")");
                expected.push_back("glEnable(GL_LINE_STIPPLE)");
            }
            expected.push_back("glNormal3b(127, 0, 0)");
            if (smooth)
                expected.push_back("glEnable(GL_LINE_SMOOTH)");
            for (const char* call : {"glBegin(GL_LINES)", "glVertex3dv({0, 0, 0})",
                                     "glVertex3dv({1, 2, 3})", "glEnd()", "glPopAttrib()"})
                expected.push_back(call);
            EXPECT_EQ(Shape(line), expected);
        }
    }
}

// What the geometry sees of the state: read back from OpenGL inside DrawShape.
class TStateProbe : public TNyxLineShape {
public:
    using TNyxLineShape::TNyxLineShape;
    double Width = 0;
    GLint Stipple = 0, Pattern = 0, Smoothed = 0;
    void DrawShape(std::uint32_t, bool) override {
        glGetDoublev(GL_LINE_WIDTH, &Width);
        glGetIntegerv(GL_LINE_STIPPLE, &Stipple);
        glGetIntegerv(GL_LINE_STIPPLE_PATTERN, &Pattern);
        glGetIntegerv(GL_LINE_SMOOTH, &Smoothed);
    }
};

TEST(ShapeBases, WidthStippleAndSmoothingReachOpenGLAndAreUndoneAfter) {
    test::TOffscreenGL gl(8, 8);
    TStateProbe probe(nullptr);
    probe.SetWidth(3);
    probe.SetStyle(psDashDot);
    probe.DrawSpecific(GL_FRONT_AND_BACK, false);
    EXPECT_EQ(probe.Width, 3);
    EXPECT_EQ(probe.Stipple, 1);
    EXPECT_EQ(probe.Pattern, 0xFFCC);
    EXPECT_EQ(probe.Smoothed, 1);

    double width = 0;
    GLint stipple = -1, smoothed = -1;
    glGetDoublev(GL_LINE_WIDTH, &width);
    glGetIntegerv(GL_LINE_STIPPLE, &stipple);
    glGetIntegerv(GL_LINE_SMOOTH, &smoothed);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(stipple, 0);
    EXPECT_EQ(smoothed, 0);
}

// Opaque shapes are drawn in the main passes unless smoothed; smoothed ones blended in
// the transparent pass, nearly opaque.
TEST(ShapeBases, SmoothShapesAreDrawnInTheTransparentPassOnly) {
    struct TCase {
        bool Smooth;
        float Transparency;
        int Main, Transparent;  // primitives drawn in each pass
        float Alpha;            // of the diffuse colour applied
    };
    const TCase cases[] = {
        {false, 0, 1, 0, 0},  // an opaque material's alpha is 0 until a transparency is set
        {true, 0, 0, 1, 1 - 0.00001f},
        {false, 0.5f, 0, 1, 0.5f},
        {true, 0.5f, 0, 1, 0.5f},
    };
    for (const TCase& c : cases) {
        for (const bool point : {false, true}) {
            SCOPED_TRACE(std::string(point ? "point" : "line") + (c.Smooth ? " smooth" : "") +
                         " transparency " + std::to_string(c.Transparency));
            TComponent owner(nullptr);
            auto* scene = new TNyxScene(&owner);
            TNyxShape* shape = point ? static_cast<TNyxShape*>(new TNyxPoint(&owner))
                                     : static_cast<TNyxShape*>(new TNyxLine(&owner));
            shape->SetParentComponent(scene);
            shape->SetSmooth(c.Smooth);
            shape->Material()->SetTransparency(c.Transparency);
            int counts[2];
            std::string diffuse;
            const TNyxDrawState passes[2] = {dsAllObjects, dsTransparent};
            for (int i = 0; i < 2; ++i) {
                const Strings calls = Record([&] { scene->Draw(scene, passes[i], dkFull); },
                                             {"glBegin", "glMaterialfv"});
                counts[i] = 0;
                for (const std::string& call : calls) {
                    counts[i] += call.starts_with("glBegin");
                    if (call.starts_with("glMaterialfv(GL_FRONT, GL_DIFFUSE"))
                        diffuse = call;
                }
            }
            EXPECT_EQ(counts[0], c.Main);
            EXPECT_EQ(counts[1], c.Transparent);
            ASSERT_FALSE(diffuse.empty());
            EXPECT_FLOAT_EQ(std::strtof(diffuse.c_str() + diffuse.rfind(',') + 1, nullptr), c.Alpha)
                << diffuse;
        }
    }
}

// --- Point and line --------------------------------------------------------------------

TEST(Point, OneSmoothablePointOfWidthSizeAtP) {
    TNyxPoint point(nullptr);
    Set(point.P(), 1, -2, 0.5);
    point.SetWidth(4);
    EXPECT_EQ(Shape(point),
              (Strings{"glPushAttrib(GL_POINT_BIT)", "glPointSize(4)", "glEnable(GL_POINT_SMOOTH)",
                       "glBegin(GL_POINTS)", "glNormal3b(127, 0, 0)", "glVertex3dv({1, -2, 0.5})",
                       "glEnd()", "glPopAttrib()"}));
    point.SetSmooth(false);
    EXPECT_EQ(Shape(point)[2], "glBegin(GL_POINTS)");
    TGLArrayd3 lo{}, hi{};
    point.GetSize(lo, hi);
    EXPECT_EQ(lo, (TGLArrayd3{1, -2, 0.5}));
    EXPECT_EQ(hi, lo);
}

TEST(Line, ExtentWhicheverEndComesFirst) {
    for (const bool swapped : {false, true}) {
        TNyxLine line(nullptr);
        Set(swapped ? line.P2() : line.P1(), 1, 0, 0);
        Set(swapped ? line.P1() : line.P2(), 0, 2, -1);
        TGLArrayd3 lo{}, hi{};
        line.GetSize(lo, hi);
        EXPECT_EQ(lo, (TGLArrayd3{0, 0, -1})) << swapped;
        EXPECT_EQ(hi, (TGLArrayd3{1, 2, 0})) << swapped;
    }
}

// --- Polyline --------------------------------------------------------------------------

TEST(Polyline, StripOrLoopThroughItsPointsWithTheirColoursOnRequest) {
    struct TCase {
        const char* What;
        int Points;
        bool Closed, Colours;
        Strings Expected;  // the calls of DrawShape
        TGLArrayd3 Min, Max;
    };
    const TCase cases[] = {
        {"one point", 1, true, true, {}, {0, 0, 0}, {0, 0, 0}},
        {"open",
         3,
         false,
         false,
         {"glBegin(GL_LINE_STRIP)", "glVertex3dv({0, 0, 0})", "glVertex3dv({1, -1, 2})",
          "glVertex3dv({2, -2, 4})", "glEnd()"},
         {0, -2, 0},
         {2, 0, 4}},
        {"closed",
         2,
         true,
         false,
         {"glBegin(GL_LINE_LOOP)", "glVertex3dv({0, 0, 0})", "glVertex3dv({1, -1, 2})", "glEnd()"},
         {0, -1, 0},
         {1, 0, 2}},
        {"coloured",
         2,
         false,
         true,
         {"glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT)", "glEnable(GL_COLOR_MATERIAL)",
          "glBegin(GL_LINE_STRIP)", "glColor4fv({1, 0, 0, 1})", "glVertex3dv({0, 0, 0})",
          "glColor4fv({0, 1, 0, 1})", "glVertex3dv({1, -1, 2})", "glEnd()", "glPopAttrib()"},
         {0, -1, 0},
         {1, 0, 2}},
    };
    const TColor colours[] = {clRed, clLime, clBlue};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TCounting<TNyxPolyline> poly(nullptr);
        poly.SetClosed(c.Closed);
        poly.SetColorVertexes(c.Colours);
        for (int i = 0; i < c.Points; ++i) {
            auto* v = static_cast<TNyxVertex3CI*>(poly.Vertexes()->Add());
            v->SetData(0, i);
            v->SetData(1, -i);
            v->SetData(2, 2 * i);
            v->SetColor(colours[i]);
        }
        EXPECT_GT(poly.Invalidated, c.Points) << "every item's change reaches the polyline";
        Strings calls = Shape(poly);
        // Between the line state and its restoring pop.
        calls.erase(calls.begin(), calls.begin() + 4);
        calls.pop_back();
        EXPECT_EQ(calls, c.Expected);
        TGLArrayd3 lo{}, hi{};
        poly.GetSize(lo, hi);
        EXPECT_EQ(lo, c.Min);
        EXPECT_EQ(hi, c.Max);
    }
}

// --- Arc and circle --------------------------------------------------------------------

TEST(Arc, DefaultAnglesDrawTheWholeCircleBackToItsStart) {
    TNyxArc arc(nullptr);
    const Strings calls = Shape(arc);
    const std::vector<TGLArrayd3> v = Vertices(calls);
    ASSERT_EQ(v.size(), 31u);
    EXPECT_EQ(v.front(), (TGLArrayd3{0.5, 0, 0}));
    EXPECT_NEAR(v.back()[0], 0.5, 1e-7);
    EXPECT_NEAR(v.back()[1], 0, 1e-7);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "glBegin(GL_LINE_STRIP)"), calls.end());
}

// Rows of (start, end): the sweep drawn and the extent, which must hold every vertex.
TEST(Arc, SweepAndExtentForAnyPairOfAngles) {
    constexpr double R = 0.5;
    const double c30 = R * std::cos(M_PI / 6), c10 = R * std::cos(M_PI / 18),
                 s10 = R * std::sin(M_PI / 18);
    const double c40 = R * std::cos(2 * M_PI / 9), s40 = R * std::sin(2 * M_PI / 9);
    const double c50 = R * std::cos(5 * M_PI / 18), s50 = R * std::sin(5 * M_PI / 18);
    struct TCase {
        double Start, End;
        double FirstDegrees, Sweep;  // of the vertices drawn; NaN: nothing drawn
        TGLArrayd3 Min, Max;
    };
    const TGLArrayd3 lo{-R, -R, 0}, hi{R, R, 0}, none{0, 0, 0};
    const TCase cases[] = {
        {0, 360, 0, 360, lo, hi},
        {90, 0, 90, 270, lo, hi},
        {0, 90, 0, 90, {0, 0, 0}, {R, R, 0}},
        {45, 45, 45, 360, lo, hi},  // equal angles: the full circle, drawn and boxed
        {360, 0, 360, 360, lo, hi},
        {-30, 30, -30, 60, {c30, -R / 2, 0}, {R, R / 2, 0}},
        {350, 10, 350, 20, {c10, -s10, 0}, {R, s10, 0}},
        {180, 90, 180, 270, lo, hi},
        {0, 400, 0, 40, {c40, 0, 0}, {R, s40, 0}},  // out of range: modulo 360
        {400, 410, 400, 10, {c50, s40, 0}, {c40, s50, 0}},
        {410, 400, 410, 350, lo, hi},
        {-720, -630, -720, 90, {0, 0, 0}, {R, R, 0}},
        {NaN, 90, NaN, NaN, none, none},  // no arc: nothing drawn, the centre as extent
        {0, Inf, NaN, NaN, none, none},
        {-Inf, 0, NaN, NaN, none, none},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Start) + " to " + std::to_string(c.End));
        TNyxArc arc(nullptr);
        arc.SetSegments(12);
        arc.SetStartAngle(c.Start);
        arc.SetEndAngle(c.End);
        TGLArrayd3 min{}, max{};
        arc.GetSize(min, max);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(min[i], c.Min[i], 1e-12) << "min " << i;
            EXPECT_NEAR(max[i], c.Max[i], 1e-12) << "max " << i;
        }
        const std::vector<TGLArrayd3> v = Vertices(Shape(arc));
        if (std::isnan(c.Sweep)) {
            EXPECT_TRUE(v.empty());
            continue;
        }
        ASSERT_EQ(v.size(), 13u);
        for (int k = 0; k <= 12; ++k) {
            const double a = (c.FirstDegrees + c.Sweep * k / 12) * M_PI / 180;
            EXPECT_NEAR(v[k][0], R * std::cos(a), 1e-7) << k;
            EXPECT_NEAR(v[k][1], R * std::sin(a), 1e-7) << k;
            for (int i = 0; i < 2; ++i) {
                EXPECT_GE(v[k][i], min[i] - 1e-7) << "vertex " << k << " outside the extent";
                EXPECT_LE(v[k][i], max[i] + 1e-7) << "vertex " << k << " outside the extent";
            }
        }
    }
}

TEST(Circle, LoopOfSegmentsVerticesAndTheSquareAround) {
    TNyxCircle circle(nullptr);
    circle.SetSegments(4);
    const Strings calls = Shape(circle);
    const std::vector<TGLArrayd3> v = Vertices(calls);
    ASSERT_EQ(v.size(), 4u);
    const double expected[4][2] = {{0.5, 0}, {0, 0.5}, {-0.5, 0}, {0, -0.5}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(v[k][0], expected[k][0], 1e-7);
        EXPECT_NEAR(v[k][1], expected[k][1], 1e-7);
        EXPECT_EQ(v[k][2], 0);
    }
    EXPECT_NE(std::find(calls.begin(), calls.end(), "glBegin(GL_LINE_LOOP)"), calls.end());
    TGLArrayd3 lo{}, hi{};
    circle.GetSize(lo, hi);
    EXPECT_EQ(lo, (TGLArrayd3{-0.5, -0.5, 0}));
    EXPECT_EQ(hi, (TGLArrayd3{0.5, 0.5, 0}));
}

// --- Streams ---------------------------------------------------------------------------

TEST(LineStreams, PropertiesRoundTrip) {
    RegisterClasses({&TNyxPoint::StaticClass(), &TNyxLine::StaticClass(),
                     &TNyxPolyline::StaticClass(), &TNyxArc::StaticClass(),
                     &TNyxCircle::StaticClass()});
    struct TCase {
        const char* Name;
        std::function<TNyxObject*()> Make;  // non-default values set
        Strings Lines;                      // expected in the text form
        std::function<void(TNyxObject&)> Check;
    };
    const TCase cases[] = {
        {"point",
         [] {
             auto* p = new TNyxPoint(nullptr);
             Set(p->P(), 1, 2, 3);
             p->SetSmooth(false);
             return p;
         },
         {"P.X = 1", "Width = 1", "Smooth = False"},
         [](TNyxObject& o) {
             EXPECT_EQ(o.Point1()->Data(), (TGLArrayd3{1, 2, 3}));
             EXPECT_FALSE(o.Smooth());
         }},
        {"line",
         [] {
             auto* l = new TNyxLine(nullptr);
             Set(l->P2(), -1, 0, 4);
             l->SetStyle(psDashDotDot);
             l->SetWidth(2.5f);
             return l;
         },
         {"P2.X = -1", "Style = psDashDotDot", "Width = 2.5"},
         [](TNyxObject& o) {
             auto& l = static_cast<TNyxLine&>(o);
             EXPECT_EQ(l.P2()->Data(), (TGLArrayd3{-1, 0, 4}));
             EXPECT_EQ(l.Style(), psDashDotDot);
             EXPECT_EQ(l.Width(), 2.5f);
         }},
        {"polyline",
         [] {
             auto* p = new TNyxPolyline(nullptr);
             p->SetClosed(true);
             for (int i = 0; i < 2; ++i) {
                 auto* v = static_cast<TNyxVertex3CI*>(p->Vertexes()->Add());
                 v->SetData(1, 0.25 + i);
             }
             return p;
         },
         {"Vertexes = <", "ColorVertexes = False", "Closed = True"},
         [](TNyxObject& o) {
             auto& p = static_cast<TNyxPolyline&>(o);
             ASSERT_EQ(p.Vertexes()->Count(), 2);
             EXPECT_EQ(p.Vertexes()->ItemAs<TNyxVertex3CI>(1)->Y(), 1.25);
             EXPECT_TRUE(p.Closed());
             EXPECT_FALSE(p.ColorVertexes());
         }},
        {"arc",
         [] {
             auto* a = new TNyxArc(nullptr);
             a->SetStartAngle(90);
             a->SetEndAngle(0);  // left out as a zero: must not come back as 360
             a->SetSegments(8);
             return a;
         },
         {"StartAngle = 90", "Segments = 8"},
         [](TNyxObject& o) {
             auto& a = static_cast<TNyxArc&>(o);
             EXPECT_EQ(a.StartAngle(), 90);
             EXPECT_EQ(a.EndAngle(), 0);
             EXPECT_EQ(a.Segments(), 8);
         }},
        {"arc at its initial angles",
         [] { return new TNyxArc(nullptr); },
         {"EndAngle = 360"},
         [](TNyxObject& o) { EXPECT_EQ(static_cast<TNyxArc&>(o).EndAngle(), 360); }},
        {"circle",
         [] {
             auto* c = new TNyxCircle(nullptr);
             c->SetSegments(64);
             return c;
         },
         {"Segments = 64"},
         [](TNyxObject& o) { EXPECT_EQ(static_cast<TNyxCircle&>(o).Segments(), 64); }},
    };
    namespace io = nyx::testing;
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        std::unique_ptr<TNyxObject> source(tc.Make());
        const std::string text = io::SaveText(source.get());
        for (const std::string& line : tc.Lines)
            EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
        for (const std::string& bytes : {io::SaveBinary(source.get()), io::TextToBinary(text)}) {
            std::unique_ptr<TComponent> fresh(source->ClassType().NewComponent(nullptr));
            io::LoadBinary(fresh.get(), bytes);
            tc.Check(static_cast<TNyxObject&>(*fresh));
        }
    }
}

// --- On screen -------------------------------------------------------------------------

// Eye at (0, 0, 10) looking down -z, y up: at z = 0 six pixels a unit in a 64 x 48 view,
// the origin at pixel (32, 24) counted from the bottom left.
TEST(LinePixels, ALineAcrossTheViewIsSeenAtItsProjectedPoints) {
    test::TOffscreenGL gl(64, 48);
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    auto* camera = new TNyxCamera(&owner);
    camera->Position()->SetZ(10);
    camera->Up()->SetZ(0);
    camera->Up()->SetY(1);
    camera->SetFarPlane(100);
    camera->SetParentComponent(scene);
    auto* line = new TNyxLine(&owner);
    Set(line->P1(), -4, -2, 0);
    Set(line->P2(), 4, 2, 0);
    line->SetWidth(3);
    line->SetParentComponent(scene);
    scene->Render(camera, 64, 48, false);
    gl.Finish();

    const std::uint32_t background = gl.Surface().At(32, 4);
    // Brightest of the pixels round (x, y) from the bottom: rasterising may shift a pixel.
    auto seen = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (gl.Surface().At(x + dx, 47 - (y + dy)) != background)
                    return true;
        return false;
    };
    for (const double t : {-3.5, -2.0, 0.0, 1.0, 3.5}) {
        const int x = int(std::lround(32 + 6 * t)), y = int(std::lround(24 + 3 * t));
        EXPECT_TRUE(seen(x, y)) << "on the line at (" << x << ", " << y << ")";
    }
    EXPECT_FALSE(seen(32, 40)) << "above the line";
    EXPECT_FALSE(seen(10, 30)) << "left of it";
}

}  // namespace
}  // namespace nyx
