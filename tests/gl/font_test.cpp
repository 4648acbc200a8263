// The font display-list calls on memory surfaces: faces found by name, bitmap glyphs in
// pixels, outline geometry read back from the calls the layer compiles, the shared glyph
// cache, and the arguments the calls refuse.
#include "gl/fonts.h"
#include "gl/wgl.h"
#include "objects/glreplay.h"
#include "rtl/sysutils.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace nyx;

namespace {

using test::Args;
using test::V3;

const TLogFont kArial{"Arial", -32, false, false};

// --- Reading the compiled geometry back ----------------------------------------------

// Calls the font calls make are indented under them in the log.
std::string Trimmed(const std::string& call) { return call.substr(call.find_first_not_of(' ')); }
std::string Fn(const std::string& call) { return test::Fn(Trimmed(call)); }
long CountCalls(const std::vector<std::string>& calls, const std::string& name) {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& c) { return Fn(c) == name; });
}

struct TPrim {
    std::string Mode;
    std::vector<V3> Pos, Normal;
};

// The primitives emitted inside the log (at any depth), and the translations.
struct TGeometry {
    std::vector<TPrim> Prims;
    std::vector<double> Advances;

    explicit TGeometry(const std::vector<std::string>& calls) {
        V3 normal{0, 0, 1};
        for (const std::string& c : calls) {
            const std::string f = Fn(c);
            const std::vector<double> a = Args(c);
            if (f == "glBegin") {
                const std::string t = Trimmed(c);
                Prims.push_back({t.substr(8, t.size() - 9), {}, {}});
            } else if (f == "glNormal3fv") {
                normal = {a[0], a[1], a[2]};
            } else if (f == "glVertex3fv") {
                Prims.back().Pos.push_back({a[0], a[1], a[2]});
                Prims.back().Normal.push_back(normal);
            } else if (f == "glTranslatef") {
                Advances.push_back(a[0]);
            }
        }
    }
    int Count(const std::string& mode) const {
        return int(std::count_if(Prims.begin(), Prims.end(),
                                 [&](const TPrim& p) { return p.Mode == mode; }));
    }
    std::size_t Vertices() const {
        std::size_t n = 0;
        for (const TPrim& p : Prims)
            n += p.Pos.size();
        return n;
    }
    // The triangles of the first GL_TRIANGLES primitive, the front face.
    std::vector<std::array<V3, 3>> Front() const {
        std::vector<std::array<V3, 3>> out;
        for (const TPrim& p : Prims)
            if (p.Mode == "GL_TRIANGLES") {
                for (std::size_t i = 0; i + 3 <= p.Pos.size(); i += 3)
                    out.push_back({p.Pos[i], p.Pos[i + 1], p.Pos[i + 2]});
                break;
            }
        return out;
    }
};

double CrossZ(const V3& a, const V3& b, const V3& c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool Inside(const std::vector<std::array<V3, 3>>& tris, double x, double y) {
    const V3 p{x, y, 0};
    for (const auto& t : tris) {
        const double a = CrossZ(t[0], t[1], p), b = CrossZ(t[1], t[2], p),
                     c = CrossZ(t[2], t[0], p);
        if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0))
            return true;
    }
    return false;
}

// A memory context with a font selected into its surface.
struct TFontContext {
    test::TOffscreenGL Gl;
    explicit TFontContext(const TLogFont& font = kArial, int size = 64) : Gl(size, size) {
        SelectObject(&Gl.Surface(), font);
    }
    HDC Dc() { return &Gl.Surface(); }
};

// The calls of one outline build of code (in a fresh share group, so the glyph list is
// compiled and recorded too).
std::vector<std::string> OutlineCalls(unsigned char code, float deviation, float extrusion,
                                      int format, GLYPHMETRICSFLOAT* metrics = nullptr) {
    TFontContext fc;
    const GLuint base = glGenLists(1);
    TGLRecorder recorder;
    EXPECT_TRUE(wglUseFontOutlinesA(fc.Dc(), code, 1, base, deviation, extrusion, format, metrics));
    return recorder.Calls();
}

// Restores the cache switch at the end of a test.
struct TCacheSwitch {
    explicit TCacheSwitch(bool on) { SetGlyphCacheEnabled(on); }
    ~TCacheSwitch() { SetGlyphCacheEnabled(true); }
};

}  // namespace

TEST(FontMatch, WindowsNamesFindInstalledFaces) {
    const struct {
        const char* Asked;
        std::vector<std::string> Families;  // the face itself or its metric-compatible twin
    } cases[] = {
        {"Arial", {"Arial", "Liberation Sans"}},
        {"Times New Roman", {"Times New Roman", "Liberation Serif"}},
        {"Courier New", {"Courier New", "Liberation Mono"}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.Asked);
        TFontMatch m;
        ASSERT_TRUE(MatchFont({k.Asked, -12, false, false}, m));
        EXPECT_TRUE(std::filesystem::is_regular_file(m.File)) << m.File;
        EXPECT_NE(std::find(k.Families.begin(), k.Families.end(), m.Family), k.Families.end())
            << m.Family;
        EXPECT_FALSE(m.SyntheticBold || m.SyntheticItalic);

        TFontMatch bold;
        ASSERT_TRUE(MatchFont({k.Asked, -12, true, true}, bold));
        EXPECT_EQ(bold.Family, m.Family);
        EXPECT_NE(bold.File, m.File);  // fonts-liberation has real bold italics
        EXPECT_NE(bold.Style.find("Bold"), std::string::npos) << bold.Style;
    }
    TFontMatch fallback;
    EXPECT_TRUE(MatchFont({"", 0, false, false}, fallback));
    EXPECT_FALSE(fallback.File.empty());
}

TEST(FontCalls, RefuseWhatTheyCannotBuild) {
    TFontContext fc;
    const GLuint base = glGenLists(4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* Name;
        std::function<bool()> Call;
    } cases[] = {
        {"no device", [&] { return wglUseFontBitmapsA(nullptr, 65, 1, base); }},
        {"past 255", [&] { return wglUseFontBitmapsA(fc.Dc(), 250, 7, base); }},
        {"list 0", [&] { return wglUseFontBitmapsA(fc.Dc(), 65, 1, 0); }},
        {"names run out", [&] { return wglUseFontBitmapsA(fc.Dc(), 65, 2, 0xFFFFFFFFu); }},
        {"negative deviation",
         [&] { return wglUseFontOutlinesA(fc.Dc(), 65, 1, base, -0.1f, 0, 1, nullptr); }},
        {"NaN extrusion",
         [&] { return wglUseFontOutlinesA(fc.Dc(), 65, 1, base, 0, nan, 1, nullptr); }},
        {"infinite extrusion",
         [&] { return wglUseFontOutlinesA(fc.Dc(), 65, 1, base, 0, INFINITY, 1, nullptr); }},
        {"unknown format",
         [&] { return wglUseFontOutlinesA(fc.Dc(), 65, 1, base, 0, 0, 2, nullptr); }},
    };
    for (const auto& k : cases) {
        TGLRecorder recorder;
        EXPECT_FALSE(k.Call()) << k.Name;
        EXPECT_EQ(recorder.Calls().size(), 1u) << k.Name << ": something was built";
    }
    // The whole single-byte range at once, and nothing at all, are fine.
    const GLuint all = glGenLists(256);
    EXPECT_TRUE(wglUseFontBitmapsA(fc.Dc(), 0, 256, all));
    EXPECT_TRUE(wglUseFontBitmapsA(fc.Dc(), 256, 0, all));
}

TEST(FontCalls, NeedACurrentContextOfEitherKind) {
    test::TTestSurface surface(8, 8);
    SelectObject(&surface, kArial);
    EXPECT_FALSE(wglUseFontBitmapsA(&surface, 65, 1, 1));
    EXPECT_FALSE(wglUseFontOutlinesA(&surface, 65, 1, 1, 0, 0, WGL_FONT_POLYGONS, nullptr));
    // The device only supplies the font: any surface will do once a context is current.
    TFontContext fc;
    const GLuint base = glGenLists(1);
    EXPECT_TRUE(wglUseFontBitmapsA(&surface, 65, 1, base));
}

// Lists of 'H' and 'I' at a raster position: the first draws left of the second, which
// starts where the first's advance left the raster position.
TEST(FontCalls, BitmapGlyphsDrawAtTheRasterPositionAndAdvanceIt) {
    constexpr int kSize = 64;
    TFontContext fc({"Arial", -24, false, false}, kSize);
    const GLuint base = glGenLists(2);
    ASSERT_TRUE(wglUseFontBitmapsA(fc.Dc(), 'H', 2, base));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glRasterPos3d(8, 20, 0);
    glCallList(base);
    GLdouble after[4];
    glGetDoublev(GL_CURRENT_RASTER_POSITION, after);
    const int advance = int(after[0]) - 8;
    EXPECT_EQ(after[1], 20);
    EXPECT_GE(advance, 14);  // 'H' is about 0.72 em wide
    EXPECT_LE(advance, 20);
    fc.Gl.Finish();

    // Pixels: rows run top-down; the glyph stands on the baseline y = 20.
    const auto lit = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += (fc.Gl.Surface().At(x, kSize - 1 - y) & 0xFFFFFF) == 0xFFFFFF;
        return n;
    };
    EXPECT_GT(lit(8, 8 + advance, 20, 38), 40);
    EXPECT_EQ(lit(0, 8, 0, kSize), 0);   // nothing left of the origin
    EXPECT_EQ(lit(0, kSize, 0, 20), 0);  // nor below the baseline
    EXPECT_EQ(lit(8 + advance, kSize, 0, kSize), 0);

    // The second list draws from there on.
    glCallList(base + 1);
    fc.Gl.Finish();
    EXPECT_GT(lit(8 + advance, kSize, 20, 38), 10);
}

TEST(FontCalls, BitmapSizeFollowsTheFontHeight) {
    const auto advanceOf = [](std::int32_t height) {
        TFontContext fc({"Arial", height, false, false});
        const GLuint base = glGenLists(1);
        EXPECT_TRUE(wglUseFontBitmapsA(fc.Dc(), 'M', 1, base));
        glRasterPos3d(0, 0, 0);
        GLdouble before[4], after[4];
        glGetDoublev(GL_CURRENT_RASTER_POSITION, before);
        glCallList(base);
        glGetDoublev(GL_CURRENT_RASTER_POSITION, after);
        return after[0] - before[0];
    };
    const double small = advanceOf(-10), large = advanceOf(-40);
    EXPECT_GT(small, 5);
    EXPECT_NEAR(large / small, 4, 0.5);
    // A positive height counts the whole cell, so the em is smaller.
    EXPECT_LT(advanceOf(40), large);
    EXPECT_GT(advanceOf(0), 0);
}

TEST(FontCalls, LinesAreLoopsAndPolygonsAreTriangles) {
    const struct {
        int Format;
        float Extrusion;
        int Loops, Triangles, Quads, Lines;
    } cases[] = {
        // 'O': two contours, no corners.
        {WGL_FONT_LINES, 0, 2, 0, 0, 0},
        {WGL_FONT_LINES, 0.25f, 4, 0, 0, 0},
        {WGL_FONT_POLYGONS, 0, 0, 1, 0, 0},
        {WGL_FONT_POLYGONS, 0.25f, 0, 2, 1, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.Format << " " << k.Extrusion);
        const TGeometry g(OutlineCalls('O', 0.01f, k.Extrusion, k.Format));
        EXPECT_EQ(g.Count("GL_LINE_LOOP"), k.Loops);
        EXPECT_EQ(g.Count("GL_TRIANGLES"), k.Triangles);
        EXPECT_EQ(g.Count("GL_QUADS"), k.Quads);
        EXPECT_EQ(g.Count("GL_LINES"), k.Lines);
        for (const TPrim& p : g.Prims)
            for (const V3& v : p.Pos)
                ASSERT_TRUE(v[2] == 0 || v[2] == -k.Extrusion) << v[2];
    }
    // 'H' is one contour with twelve corners: an edge joins front and back at each.
    const TGeometry h(OutlineCalls('H', 0.01f, 0.5f, WGL_FONT_LINES));
    ASSERT_EQ(h.Count("GL_LINES"), 1);
    EXPECT_EQ(h.Prims.back().Pos.size(), 24u);
}

// Front faces turn towards +z, back faces towards -z, and every wall faces away from the
// glyph's filled area, holes included ('O', 'A', 'B' and 'e' have them).
TEST(FontCalls, ExtrudedGlyphsAreClosedAndFaceOutward) {
    for (unsigned char code : {'O', 'A', 'B', 'e', 'x'}) {
        SCOPED_TRACE(code);
        const float depth = 0.3f;
        const TGeometry g(OutlineCalls(code, 0.005f, depth, WGL_FONT_POLYGONS));
        ASSERT_EQ(g.Prims.size(), 3u);
        const TPrim& front = g.Prims[0];
        const TPrim& back = g.Prims[1];
        const TPrim& walls = g.Prims[2];
        ASSERT_EQ(front.Mode, "GL_TRIANGLES");
        ASSERT_EQ(back.Mode, "GL_TRIANGLES");
        ASSERT_EQ(walls.Mode, "GL_QUADS");
        ASSERT_EQ(front.Pos.size(), back.Pos.size());
        for (std::size_t i = 0; i < front.Pos.size(); i += 3) {
            EXPECT_GE(CrossZ(front.Pos[i], front.Pos[i + 1], front.Pos[i + 2]), 0);
            EXPECT_LE(CrossZ(back.Pos[i], back.Pos[i + 1], back.Pos[i + 2]), 0);
            EXPECT_EQ(front.Normal[i], (V3{0, 0, 1}));
            EXPECT_EQ(back.Normal[i], (V3{0, 0, -1}));
            EXPECT_EQ(float(back.Pos[i][2]), -depth);
        }
        const auto fill = g.Front();
        int outward = 0, quads = 0;
        for (std::size_t i = 0; i + 4 <= walls.Pos.size(); i += 4, ++quads) {
            const V3 &a = walls.Pos[i], &b = walls.Pos[i + 1], &c = walls.Pos[i + 2];
            // The face normal of the winding, in the XY plane.
            V3 n = test::Cross(test::Sub(b, a), test::Sub(c, a));
            const double length = std::hypot(n[0], n[1]);
            ASSERT_GT(length, 0);
            n = {n[0] / length, n[1] / length, 0};
            for (std::size_t k = i; k < i + 4; ++k)
                EXPECT_GT(walls.Normal[k][0] * n[0] + walls.Normal[k][1] * n[1], 0.5);
            // Just off the middle of the wall's front edge: outside ahead, inside behind.
            const V3& p = walls.Pos[i];
            const V3& q =
                walls.Pos[i][2] == walls.Pos[i + 1][2] ? walls.Pos[i + 1] : walls.Pos[i + 3];
            const double mx = (p[0] + q[0]) / 2, my = (p[1] + q[1]) / 2, e = 0.004;
            outward += !Inside(fill, mx + e * n[0], my + e * n[1]) &&
                       Inside(fill, mx - e * n[0], my - e * n[1]);
        }
        // Corners where the stroke is thinner than the step may miss; nearly all hold.
        EXPECT_GE(outward, quads * 95 / 100) << outward << " of " << quads;
    }
}

TEST(FontCalls, FinerDeviationGivesMoreChords) {
    std::size_t previous = 0;
    for (float deviation : {0.02f, 0.004f, 0.001f, 0.0f}) {
        const TGeometry g(OutlineCalls('O', deviation, 0, WGL_FONT_LINES));
        EXPECT_GT(g.Vertices(), previous) << deviation;
        previous = g.Vertices();
    }
}

// Each list ends moved on by the advance, which the metrics also report; one em is one
// unit whatever the font's height.
TEST(FontCalls, OutlinesAreInEmUnitsAndEndAtTheAdvance) {
    for (std::int32_t height : {-8, -80}) {
        TFontContext fc({"Arial", height, false, false});
        const GLuint base = glGenLists(2);
        GLYPHMETRICSFLOAT m[2]{};
        TGLRecorder recorder;
        ASSERT_TRUE(wglUseFontOutlinesA(fc.Dc(), 'H', 2, base, 0.01f, 0, WGL_FONT_LINES, m));
        const TGeometry g(recorder.Calls());
        ASSERT_EQ(g.Advances.size(), 2u);
        EXPECT_FLOAT_EQ(float(g.Advances[0]), m[0].gmfCellIncX);
        EXPECT_NEAR(m[0].gmfCellIncX, 0.722, 0.01);  // Arial's 'H'
        EXPECT_EQ(m[0].gmfCellIncY, 0);
        EXPECT_NEAR(m[0].gmfBlackBoxY, 0.7, 0.03);                      // the cap height
        EXPECT_NEAR(m[0].gmfptGlyphOrigin.y, m[0].gmfBlackBoxY, 1e-6);  // on the baseline
        EXPECT_GT(m[0].gmfptGlyphOrigin.x, 0);
        EXPECT_LT(m[0].gmfptGlyphOrigin.x + m[0].gmfBlackBoxX, m[0].gmfCellIncX);
        EXPECT_LT(m[1].gmfCellIncX, m[0].gmfCellIncX);  // 'I' is narrower
    }
}

// Byte 0x80 is the euro sign, which Arial draws as wide as its figures.
TEST(FontCalls, CodesAreWindows1252) {
    TFontContext fc;
    const GLuint base = glGenLists(2);
    GLYPHMETRICSFLOAT euro{}, zero{};
    ASSERT_TRUE(wglUseFontOutlinesA(fc.Dc(), 0x80, 1, base, 0.01f, 0, WGL_FONT_LINES, &euro));
    ASSERT_TRUE(wglUseFontOutlinesA(fc.Dc(), '0', 1, base + 1, 0.01f, 0, WGL_FONT_LINES, &zero));
    EXPECT_FLOAT_EQ(euro.gmfCellIncX, zero.gmfCellIncX);
    EXPECT_NE(euro.gmfBlackBoxX, zero.gmfBlackBoxX);
    EXPECT_EQ(AnsiCharToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(AnsiCharToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(AnsiCharToUnicode(0x81), U'\u0081');
    EXPECT_EQ(AnsiCharToUnicode(0xE9), U'\u00E9');
    EXPECT_EQ(AnsiCharToUnicode('A'), U'A');
}

// A shape is made once per process, compiled once per share group, and called from every
// requested list; other share groups compile it again from the cache.
TEST(GlyphCache, ShapesAreMadeOnceAndCompiledOncePerShareGroup) {
    const TLogFont font{"Arial", -20, true, false};
    // The calls of one outline 'g' into list, counted by name.
    const auto build = [](HDC dc, GLuint list) {
        TGLRecorder recorder;
        EXPECT_TRUE(wglUseFontOutlinesA(dc, 'g', 1, list, 0.02f, 0.1f, 1, nullptr));
        return [calls = recorder.Calls()](const char* name) { return CountCalls(calls, name); };
    };
    TFontContext first(font);
    const GLuint a = glGenLists(2);
    const auto made = build(first.Dc(), a);
    // The shape's own list, then the requested one calling it.
    EXPECT_EQ(made("glNewList"), 2);
    EXPECT_EQ(made("glCallList"), 1);
    const std::size_t shapes = GlyphCacheSize();
    const auto again = build(first.Dc(), a + 1);
    EXPECT_EQ(again("glNewList"), 1);
    EXPECT_EQ(again("glBegin"), 0);
    EXPECT_EQ(GlyphCacheSize(), shapes);

    // Another context, sharing nothing: the shape is compiled there, not made again.
    TFontContext second(font);
    const GLuint b = glGenLists(1);
    const auto elsewhere = build(second.Dc(), b);
    EXPECT_EQ(elsewhere("glNewList"), 2);
    EXPECT_EQ(elsewhere("gluTessBeginPolygon"), 0);
    EXPECT_GT(elsewhere("glBegin"), 0);
    EXPECT_EQ(GlyphCacheSize(), shapes);

    // A context sharing the second's lists finds the shape compiled.
    test::TTestSurface surface(8, 8);
    SelectObject(&surface, font);
    const HGLRC shared = wglCreateContext(second.Dc(), second.Gl.Context());
    ASSERT_NE(shared, nullptr);
    ASSERT_TRUE(wglMakeCurrent(second.Dc(), shared));
    EXPECT_EQ(build(&surface, b)("glNewList"), 1);
    wglDeleteContext(shared);

    // Another deviation, extrusion or style is another shape.
    ASSERT_TRUE(wglMakeCurrent(first.Dc(), first.Gl.Context()));
    ASSERT_TRUE(wglUseFontOutlinesA(first.Dc(), 'g', 1, a, 0.03f, 0.1f, 1, nullptr));
    ASSERT_TRUE(wglUseFontOutlinesA(first.Dc(), 'g', 1, a, 0.03f, 0.1f, 0, nullptr));
    EXPECT_EQ(GlyphCacheSize(), shapes + 2);
}

TEST(GlyphCache, BypassedCacheMakesEveryShapeAgainIntoTheRequestedList) {
    const std::size_t shapes = GlyphCacheSize();
    const TGeometry cached(OutlineCalls('q', 0.02f, 0.2f, WGL_FONT_POLYGONS));
    TFontContext fc;
    const GLuint base = glGenLists(1);
    TCacheSwitch off(false);
    for (int round = 0; round < 2; ++round) {
        TGLRecorder recorder;
        ASSERT_TRUE(wglUseFontOutlinesA(fc.Dc(), 'q', 1, base, 0.02f, 0.2f, 1, nullptr));
        const auto all = recorder.Calls();
        EXPECT_EQ(CountCalls(all, "gluTessBeginPolygon"), 1);
        EXPECT_EQ(CountCalls(all, "glNewList"), 1);
        const TGeometry fresh(all);
        EXPECT_EQ(fresh.Vertices(), cached.Vertices());
    }
    EXPECT_EQ(GlyphCacheSize(), shapes + 1);
}

TEST(GlyphCache, ListsOutliveAClearedCache) {
    TFontContext fc;
    const GLuint base = glGenLists(1);
    ASSERT_TRUE(wglUseFontBitmapsA(fc.Dc(), 'A', 1, base));
    ClearGlyphCache();
    EXPECT_EQ(GlyphCacheSize(), 0u);
    glRasterPos3d(0, 0, 0);
    glCallList(base);
    GLdouble after[4];
    glGetDoublev(GL_CURRENT_RASTER_POSITION, after);
    EXPECT_GT(after[0], 0);
    // Made again on the next request, in a list of its own.
    ASSERT_TRUE(wglUseFontBitmapsA(fc.Dc(), 'A', 1, base));
    EXPECT_EQ(GlyphCacheSize(), 1u);
}
