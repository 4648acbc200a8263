// Text labels: their glyph lists through the recording table, what they look like in
// pixels and feedback, their failures, extents and streams; and the user-drawn object's
// callbacks.

#include "gl/wgl.h"
#include "glreplay.h"
#include "objects/label.h"
#include "objects/user.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nyx {
namespace {

using Strings = std::vector<std::string>;
using test::TCounting;

std::string N(GLuint n) { return std::to_string(n); }

// Through the setters, so that the transform hears of it.
void Place(TNyxVertex3* v, double x, double y, double z) {
    v->SetX(x);
    v->SetY(y);
    v->SetZ(z);
}

// A label in a scene with a frame open on a memory surface with a current context.
struct TLabelScene {
    explicit TLabelScene(const std::string& caption = "ab", int size = 64) : Gl(size, size) {
        Frame.emplace(Scene, &Gl.Surface(), nullptr, 0);
        Label = new TCounting<TNyxLabel>(nullptr);
        Label->SetParentComponent(&Scene);
        Label->SetCaption(caption);
        Label->Invalidated = 0;
    }
    // The label's own calls (not those the font calls make to build the lists).
    Strings Draw(std::uint32_t face = GL_FRONT_AND_BACK, bool draft = false) {
        TGLRecorder recorder;
        Label->DrawSpecific(face, draft);
        return recorder.Calls({"glDeleteLists", "glGenLists", "wglUseFontBitmapsA",
                               "wglUseFontOutlinesA", "glRasterPos3d", "glCallList"});
    }
    // The list base the last build used, read from its first font call.
    static GLuint Base(const Strings& calls) {
        for (const std::string& c : calls)
            if (c.starts_with("wgl")) {
                std::size_t at = 0;
                for (int comma = 0; comma < 3; ++comma)
                    at = c.find(", ", at) + 2;
                return GLuint(std::stoul(c.substr(at)));
            }
        return 0;
    }

    test::TOffscreenGL Gl;
    TNyxScene Scene{nullptr};
    std::optional<TNyxFrame> Frame;
    TCounting<TNyxLabel>* Label;
};

Strings BitmapBuild(const std::string& caption, GLuint base) {
    Strings out{"glGenLists(" + N(GLuint(caption.size())) + ")"};
    for (std::size_t i = 0; i < caption.size(); ++i)
        out.push_back("wglUseFontBitmapsA(<dc>, " + N(static_cast<unsigned char>(caption[i])) +
                      ", 1, " + N(base + GLuint(i)) + ")");
    return out;
}

Strings BitmapCalls(std::size_t count, GLuint base) {
    Strings out{"glRasterPos3d(0, 0, 0)"};
    for (std::size_t i = 0; i < count; ++i)
        out.push_back("glCallList(" + N(base + GLuint(i)) + ")");
    return out;
}

Strings Join(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(LabelTest, BuildsOneListPerCharacterAndCallsThemInOrder) {
    TLabelScene s("ab");
    const Strings first = s.Draw();
    const GLuint base = TLabelScene::Base(first);
    ASSERT_NE(base, 0u);
    EXPECT_EQ(first, Join(BitmapBuild("ab", base), BitmapCalls(2, base)));
    // Built once: later draws only call them.
    EXPECT_EQ(s.Draw(), BitmapCalls(2, base));

    s.Label->SetCaption("xyz");
    const Strings third = s.Draw();
    const GLuint next = TLabelScene::Base(third);
    EXPECT_EQ(third, Join(Join({"glDeleteLists(" + N(base) + ", 2)"}, BitmapBuild("xyz", next)),
                          BitmapCalls(3, next)));
    // Face and Draft change nothing.
    EXPECT_EQ(s.Draw(GL_FRONT, true), BitmapCalls(3, next));
    EXPECT_EQ(s.Draw(GL_BACK, false), BitmapCalls(3, next));

    // Emptied, it draws nothing and keeps its lists until it goes.
    s.Label->SetCaption("");
    EXPECT_TRUE(s.Draw().empty());
    TGLRecorder recorder;
    delete s.Label;
    EXPECT_EQ(recorder.Calls({"glDeleteLists"}), Strings{"glDeleteLists(" + N(next) + ", 3)"});
}

TEST(LabelTest, EmptyCaptionMakesNoLists) {
    TLabelScene s("");
    TGLRecorder recorder;
    s.Label->DrawSpecific(GL_FRONT_AND_BACK, false);
    delete s.Label;
    EXPECT_TRUE(recorder.Calls().empty());
}

// Caption bytes reach the font calls unchanged, as Windows-1252 codes.
TEST(LabelTest, CharactersPassAsSingleBytes) {
    TLabelScene s("\x80\xE9 ");
    const Strings calls = s.Draw();
    const GLuint base = TLabelScene::Base(calls);
    EXPECT_EQ(calls, Join(BitmapBuild("\x80\xE9 ", base), BitmapCalls(3, base)));
    EXPECT_EQ(calls[1], "wglUseFontBitmapsA(<dc>, 128, 1, " + N(base) + ")");
}

TEST(LabelTest, GlyphStyleFollowsBitmapFontAndDrawType) {
    const struct {
        bool Bitmap;
        TNyxDrawType Type;
        const char* Call;
    } cases[] = {
        {true, dtFill, "wglUseFontBitmapsA(<dc>, 65, 1, B)"},
        {true, dtLine, "wglUseFontBitmapsA(<dc>, 65, 1, B)"},
        {false, dtFill, "wglUseFontOutlinesA(<dc>, 65, 1, B, 0.01, 0.25, WGL_FONT_POLYGONS, null)"},
        {false, dtLine, "wglUseFontOutlinesA(<dc>, 65, 1, B, 0.01, 0.25, WGL_FONT_LINES, null)"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.Call);
        TLabelScene s("A");
        s.Label->SetBitmapFont(k.Bitmap);
        s.Label->SetDrawType(k.Type);
        s.Label->SetDeviation(0.01);
        s.Label->SetExtrusion(0.25);
        const Strings calls = s.Draw(GL_FRONT_AND_BACK, !k.Bitmap);
        const GLuint base = TLabelScene::Base(calls);
        std::string want = k.Call;
        want.replace(want.find(", B") + 2, 1, N(base));
        Strings expected{"glGenLists(1)", want};
        if (k.Bitmap)
            expected.push_back("glRasterPos3d(0, 0, 0)");
        expected.push_back("glCallList(" + N(base) + ")");
        EXPECT_EQ(calls, expected);
    }
}

// Every change named as one that stales the lists rebuilds them on the next draw, and
// invalidates the label; values set again and other properties do neither.
TEST(LabelTest, ChangesThatRebuildTheLists) {
    const struct {
        const char* Name;
        std::function<void(TNyxLabel&)> Change;
        bool Rebuilds;
        int Invalidates;  // -1: not this test's business
    } cases[] = {
        {"caption", [](TNyxLabel& l) { l.SetCaption("ba"); }, true, 1},
        {"same caption", [](TNyxLabel& l) { l.SetCaption("ab"); }, false, 0},
        {"font size", [](TNyxLabel& l) { l.Font()->SetSize(20); }, true, 1},
        {"font name", [](TNyxLabel& l) { l.Font()->SetName("Courier New"); }, true, 1},
        {"font style", [](TNyxLabel& l) { l.Font()->SetStyle({fsItalic}); }, true, 1},
        {"font colour", [](TNyxLabel& l) { l.Font()->SetColor(clRed); }, true, 1},
        {"SetFont",
         [](TNyxLabel& l) {
             TFont f;
             f.SetHeight(-30);
             l.SetFont(&f);
         },
         true, 1},
        {"SetFont alike",
         [](TNyxLabel& l) {
             TFont f;
             l.SetFont(&f);
         },
         false, 0},
        {"bitmap font", [](TNyxLabel& l) { l.SetBitmapFont(false); }, true, 1},
        {"same bitmap font", [](TNyxLabel& l) { l.SetBitmapFont(true); }, false, 0},
        {"extrusion", [](TNyxLabel& l) { l.SetExtrusion(0.5); }, true, 1},
        {"same extrusion", [](TNyxLabel& l) { l.SetExtrusion(0); }, false, 0},
        {"deviation", [](TNyxLabel& l) { l.SetDeviation(0.01); }, true, 1},
        {"draw type", [](TNyxLabel& l) { l.SetDrawType(dtLine); }, true, 1},
        {"same draw type", [](TNyxLabel& l) { l.SetDrawType(dtFill); }, false, 0},
        {"colour", [](TNyxLabel& l) { l.SetColor(clRed); }, false, -1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.Name);
        TLabelScene s("ab");
        s.Draw();
        k.Change(*s.Label);
        if (k.Invalidates >= 0) {
            EXPECT_EQ(s.Label->Invalidated, k.Invalidates);
        }
        const Strings calls = s.Draw();
        EXPECT_EQ(!calls.empty() && calls[0].starts_with("glDeleteLists"), k.Rebuilds);
    }
}

TEST(LabelTest, PublishedProperties) {
    const TMetaClass& c = TNyxLabel::StaticClass();
    for (const char* name : {"Caption", "Font", "BitmapFont", "Extrusion", "Deviation", "DrawType",
                             "Color", "Material", "XForm"})
        EXPECT_NE(c.FindProperty(name), nullptr) << name;
    ASSERT_TRUE(c.FindProperty("BitmapFont")->Default.has_value());
    EXPECT_EQ(*c.FindProperty("BitmapFont")->Default, 1);

    TNyxLabel label(nullptr);
    EXPECT_EQ(label.Caption(), "");
    EXPECT_TRUE(label.BitmapFont());
    EXPECT_EQ(label.Extrusion(), 0);
    EXPECT_EQ(label.Deviation(), 0);
    EXPECT_EQ(label.Font()->Name(), TFont().Name());
    EXPECT_EQ(label.Font()->Height(), TFont().Height());
}

// A build that cannot finish leaves nothing behind, draws nothing and is tried again.
TEST(LabelTest, FailedBuildDrawsNothingAndStaysStale) {
    {
        SCOPED_TRACE("no current context");
        TLabelScene s("ab");
        ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
        EXPECT_TRUE(s.Draw().empty());
        ASSERT_TRUE(wglMakeCurrent(&s.Gl.Surface(), s.Gl.Context()));
        const Strings calls = s.Draw();
        const GLuint base = TLabelScene::Base(calls);
        EXPECT_EQ(calls, Join(BitmapBuild("ab", base), BitmapCalls(2, base)));
    }
    {
        SCOPED_TRACE("no device context in the frame");
        TLabelScene s("ab");
        s.Frame.emplace(s.Scene, nullptr, nullptr, 0);
        const Strings calls = s.Draw();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0], "glGenLists(2)");
        EXPECT_TRUE(calls[1].starts_with("glDeleteLists(")) << calls[1];
        s.Frame.emplace(s.Scene, &s.Gl.Surface(), nullptr, 0);
        EXPECT_EQ(s.Draw().size(), 6u);
    }
    {
        SCOPED_TRACE("the font call refuses");
        TLabelScene s("ab");
        s.Label->SetBitmapFont(false);
        s.Label->SetDeviation(-1);
        const Strings calls = s.Draw();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_TRUE(calls[2].starts_with("glDeleteLists(")) << calls[2];
        s.Label->SetDeviation(0.05);
        EXPECT_EQ(s.Draw().size(), 5u);
    }
}

// Lists belong to the contexts that share them: drawn where its lists mean nothing (a
// canvas rendered to besides the panel), a label builds lists there too, and each set is
// rebuilt, used and deleted only where it lives.
TEST(LabelTest, ListsFollowTheContextTheyAreDrawnIn) {
    TLabelScene s("ab");
    test::TOffscreenGL& a = s.Gl;
    const GLuint inA = TLabelScene::Base(s.Draw());
    test::TOffscreenGL b(8, 8);  // current now, sharing nothing with a
    const Strings first = s.Draw();
    const GLuint inB = TLabelScene::Base(first);
    EXPECT_EQ(first, Join(BitmapBuild("ab", inB), BitmapCalls(2, inB)));
    EXPECT_EQ(s.Draw(), BitmapCalls(2, inB));

    ASSERT_TRUE(wglMakeCurrent(&a.Surface(), a.Context()));
    EXPECT_EQ(s.Draw(), BitmapCalls(2, inA));
    // A context sharing a's lists uses them.
    const HGLRC shared = wglCreateContext(&a.Surface(), a.Context());
    ASSERT_TRUE(wglMakeCurrent(&a.Surface(), shared));
    EXPECT_EQ(s.Draw(), BitmapCalls(2, inA));

    // A change stales every set; each is replaced where it lives.
    s.Label->SetCaption("xyz");
    const Strings again = s.Draw();
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0], "glDeleteLists(" + N(inA) + ", 2)");
    ASSERT_TRUE(wglMakeCurrent(&b.Surface(), b.Context()));
    const Strings inBAgain = s.Draw();
    ASSERT_FALSE(inBAgain.empty());
    EXPECT_EQ(inBAgain[0], "glDeleteLists(" + N(inB) + ", 2)");
    const GLuint lastB = TLabelScene::Base(inBAgain);

    // Going, the label deletes the lists of the context at hand only.
    TGLRecorder recorder;
    delete s.Label;
    EXPECT_EQ(recorder.Calls({"glDeleteLists"}), Strings{"glDeleteLists(" + N(lastB) + ", 3)"});
    ASSERT_TRUE(wglMakeCurrent(&a.Surface(), a.Context()));
    wglDeleteContext(shared);
}

// With the scene's CacheGeometry on, labels own no lists: each calls the list space's
// shared list of each of its characters, compiled by the first label that needs it.
TEST(LabelTest, WithTheCacheOnLabelsCallSharedGlyphLists) {
    TLabelScene s("aba");
    s.Scene.SetCacheGeometry(true);
    auto* second = new TNyxLabel(nullptr);
    second->SetParentComponent(&s.Scene);
    second->SetCaption("ab");
    auto recorder = std::make_unique<TGLRecorder>();
    s.Label->DrawSpecific(GL_FRONT_AND_BACK, false);
    const Strings first = recorder->Calls({"glGenLists", "glNewList", "glCallList"});
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0], "glGenLists(1024)") << "a block of names for the list space";
    const std::string a = first[1].substr(10, first[1].find(',') - 10);
    const std::string b = first[2].substr(10, first[2].find(',') - 10);
    EXPECT_EQ(Strings(first.begin() + 3, first.end()),
              (Strings{"glCallList(" + a + ")", "glCallList(" + b + ")", "glCallList(" + a + ")"}));
    recorder->Clear();
    second->DrawSpecific(GL_FRONT_AND_BACK, false);
    EXPECT_EQ(recorder->Calls(), (Strings{"glRasterPos3d(0, 0, 0)", "glCallList(" + a + ")",
                                          "glCallList(" + b + ")"}));
    recorder->Clear();
    delete second;
    EXPECT_TRUE(recorder->Calls().empty()) << "it owns no lists";
    recorder.reset();
    s.Scene.SetCacheGeometry(false);  // back to lists of its own
    const Strings off = s.Draw();
    EXPECT_EQ(off, Join(BitmapBuild("aba", TLabelScene::Base(off)),
                        BitmapCalls(3, TLabelScene::Base(off))));
}

TEST(LabelTest, HasNoExtent) {
    for (const char* caption : {"", "a", "A long caption"}) {
        TNyxLabel label(nullptr);
        label.SetCaption(caption);
        label.SetBitmapFont(false);
        TGLArrayd3 min{1, 1, 1}, max{2, 2, 2};
        label.GetSize(min, max);
        EXPECT_EQ(min, (TGLArrayd3{0, 0, 0}));
        EXPECT_EQ(max, (TGLArrayd3{0, 0, 0}));
    }
}

// In feedback, the second of two equal glyphs is the first moved right by its advance.
TEST(LabelTest, SecondGlyphFollowsTheFirstByItsAdvance) {
    TLabelScene s("HH", 64);
    s.Label->SetBitmapFont(false);
    s.Label->SetDeviation(0.02);
    s.Draw();  // builds the lists
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 3, -2, 2, -1, 1);  // 16 window units per em
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    s.Label->DrawSpecific(GL_FRONT_AND_BACK, false);
    const GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0);
    std::vector<std::array<GLfloat, 2>> points;
    for (GLint i = 0; i < used;) {
        ASSERT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const int n = int(buffer[i + 1]);
        for (int k = 0; k < n; ++k)
            points.push_back({buffer[i + 2 + 3 * k], buffer[i + 3 + 3 * k]});
        i += 2 + 3 * n;
    }
    ASSERT_EQ(points.size() % 2, 0u);
    const std::size_t half = points.size() / 2;

    GLYPHMETRICSFLOAT m{};
    ASSERT_TRUE(wglUseFontOutlinesA(&s.Gl.Surface(), 'H', 1, glGenLists(1), 0.02f, 0,
                                    WGL_FONT_POLYGONS, &m));
    for (std::size_t i = 0; i < half; ++i) {
        EXPECT_NEAR(points[half + i][0] - points[i][0], 16 * m.gmfCellIncX, 1e-3);
        EXPECT_NEAR(points[half + i][1], points[i][1], 1e-4);
    }
}

// --- Pixels --------------------------------------------------------------------------

namespace {

constexpr int kSize = 96;

// A camera looking down -z at the origin from 10 units, a black background.
struct TPixelScene {
    TPixelScene() : Gl(kSize, kSize) {
        Scene.SetSceneAmbientColor(0);
        Camera.Position()->Store({0, 0, 10});
        Camera.Up()->Store({0, 1, 0});
        Camera.SetNearPlane(1);
        Camera.SetFarPlane(50);
    }
    void Render() {
        // What the panel sets up for a frame.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_NORMALIZE);
        Scene.Render(&Camera, kSize, kSize, false);
        Gl.Finish();
    }
    // Where a world point lands, in surface pixels (row 0 at the top).
    std::array<int, 2> Project(double x, double y, double z) {
        TGLMatrixd4 mv, proj;
        glGetDoublev(GL_MODELVIEW_MATRIX, mv.data());
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = mv[r] * x + mv[4 + r] * y + mv[8 + r] * z + mv[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] +
                      proj[12 + r] * eye[3];
        const int px = int((clip[0] / clip[3] + 1) / 2 * kSize);
        const int py = int((clip[1] / clip[3] + 1) / 2 * kSize);
        return {px, kSize - 1 - py};
    }
    // Pixels brighter than the background inside [x0, x1) x [y0, y1), and their mean
    // brightness (0-255).
    std::pair<int, double> Lit(int x0, int x1, int y0, int y1) {
        int n = 0;
        double sum = 0;
        for (int y = std::max(0, y0); y < std::min(kSize, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(kSize, x1); ++x) {
                const std::uint32_t p = Gl.Surface().At(x, y);
                const int v = int(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
                if (v > 8) {
                    ++n;
                    sum += v;
                }
            }
        return {n, n ? sum / n : 0};
    }
    TNyxLabel* AddLabel(const std::string& caption) {
        auto* label = new TNyxLabel(nullptr);
        label->SetParentComponent(&Scene);
        label->SetCaption(caption);
        return label;
    }
    TNyxLight* AddLight(const TGLArrayd3& at) {
        auto* light = new TNyxLight(nullptr);
        light->SetParentComponent(&Scene);
        light->Point1()->Store(at);
        light->SetParam(TNyxLight::piCutoff, 180);
        light->SetColor(clWhite);
        return light;
    }

    test::TOffscreenGL Gl;
    TNyxScene Scene{nullptr};
    TNyxCamera Camera{nullptr};
};

}  // namespace

// Bitmap glyphs start at the label's origin projected on the screen, on its baseline.
TEST(LabelPixels, BitmapLabelStandsOnItsProjectedOrigin) {
    TPixelScene s;
    TNyxLabel* label = s.AddLabel("HIH");
    label->Font()->SetHeight(-16);
    label->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, clWhite);
    Place(label->XForm()->Translate(), -1.5, 0.5, 0);
    s.Render();
    const auto [ox, oy] = s.Project(-1.5, 0.5, 0);
    const auto text = s.Lit(ox, ox + 40, oy - 14, oy + 1);
    EXPECT_GT(text.first, 60);
    EXPECT_GT(text.second, 200);  // emissive white
    // A pixel of slack for rounding the projection.
    EXPECT_EQ(s.Lit(0, ox - 1, 0, kSize).first, 0);      // nothing left of the origin
    EXPECT_EQ(s.Lit(0, kSize, oy + 2, kSize).first, 0);  // nor below the baseline
    EXPECT_EQ(s.Lit(0, kSize, 0, oy - 14).first, 0);     // nor above the capitals
}

// Rendered again into another context (a canvas, a printer page), the label shows there
// too, and still in the first context afterwards.
TEST(LabelPixels, LabelShowsInEveryContextItIsRenderedIn) {
    TPixelScene s;
    TNyxLabel* label = s.AddLabel("HIH");
    label->Font()->SetHeight(-16);
    label->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, clWhite);
    s.Render();
    const int first = s.Lit(0, kSize, 0, kSize).first;
    EXPECT_GT(first, 60);
    {
        test::TOffscreenGL other(kSize, kSize);
        glEnable(GL_LIGHTING);
        s.Scene.Render(&s.Camera, kSize, kSize, false);
        other.Finish();
        int lit = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                lit += (other.Surface().At(x, y) & 0xFFFFFF) == 0xFFFFFF;
        EXPECT_EQ(lit, first);
    }
    ASSERT_TRUE(wglMakeCurrent(&s.Gl.Surface(), s.Gl.Context()));
    std::fill_n(s.Gl.Surface().Pixels(), kSize * kSize, 0u);
    s.Render();
    EXPECT_EQ(s.Lit(0, kSize, 0, kSize).first, first);
}

// An extruded caption is geometry: lit from the front, its face is twice as bright as
// lit from behind, where only the light's ambient part reaches it.
TEST(LabelPixels, ExtrudedLabelIsLitLikeASolid) {
    const auto render = [](const TGLArrayd3& at) {
        TPixelScene s;
        TNyxLabel* label = s.AddLabel("H");
        label->SetBitmapFont(false);
        label->SetExtrusion(0.4);
        label->SetDeviation(0.01);
        label->SetColor(clWhite);
        Place(label->XForm()->Translate(), -1.1, -1, 0);
        Place(label->XForm()->Scale(), 3, 3, 3);
        s.AddLight(at)->SetColor(0x808080);  // ambient and diffuse
        s.Render();
        return s.Lit(0, kSize, 0, kSize);
    };
    const auto front = render({0, 0, 10});
    const auto behind = render({0, 0, -10});
    EXPECT_GT(front.first, 150);  // the 'H' is 2 units tall, 10 units away
    EXPECT_EQ(front.first, behind.first);
    EXPECT_GT(front.second, 220);
    EXPECT_NEAR(behind.second, 128, 8);
}

// The shared glyph lists draw what the label's own lists draw, in every glyph style.
TEST(LabelPixels, SharedGlyphListsShowTheSamePixels) {
    for (const bool bitmap : {true, false})
        for (const TNyxDrawType type : {dtFill, dtLine}) {
            SCOPED_TRACE(testing::Message() << bitmap << int(type));
            std::vector<std::uint32_t> pictures[2];
            for (const bool cache : {false, true}) {
                TPixelScene s;
                s.Scene.SetCacheGeometry(cache);
                s.AddLight({0, 0, 10});
                TNyxLabel* label = s.AddLabel("HoH");
                label->SetBitmapFont(bitmap);
                label->SetDrawType(type);
                label->SetExtrusion(0.3);
                Place(label->XForm()->Translate(), -2, -0.5, 0);
                Place(label->XForm()->Scale(), 1.5, 1.5, 1.5);
                s.Render();
                pictures[cache].assign(s.Gl.Surface().Pixels(),
                                       s.Gl.Surface().Pixels() + kSize * kSize);
            }
            EXPECT_EQ(pictures[0], pictures[1]);
            EXPECT_NE(std::count(pictures[0].begin(), pictures[0].end(), pictures[0][0]),
                      kSize * kSize);
        }
}

// --- User-drawn object ----------------------------------------------------------------

namespace {

struct TUserCallbacks {
    int Draws = 0;
    TNyxObject* Sender = nullptr;
    std::uint32_t Face = 0;
    bool Draft = false;
    void Draw(TNyxObject* s, std::uint32_t face, bool draft) {
        ++Draws;
        Sender = s;
        Face = face;
        Draft = draft;
    }
    void Extents(TNyxObject* s, TGLArrayd3& min, TGLArrayd3& max) {
        Sender = s;
        min[0] -= 1;
        max = {2, 3, 4};
    }
};

}  // namespace

TEST(UserTest, CallbacksRunOutsideTheDesigner) {
    const struct {
        bool Designing, Draw, Extents;
        int Draws;
        TGLArrayd3 Min, Max;
    } cases[] = {
        {false, true, true, 1, {-1.5, -0.5, -0.5}, {2, 3, 4}},
        {false, false, false, 0, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}},
        {false, true, false, 1, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}},
        {true, true, true, 0, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.Designing << k.Draw << k.Extents);
        TNyxUser user(nullptr);
        TUserCallbacks cb;
        if (k.Draw)
            user.SetOnDraw(TNyxUserDraw::Bind<&TUserCallbacks::Draw>(&cb));
        if (k.Extents)
            user.SetOnGetExtents(TNyxUserGetExtents::Bind<&TUserCallbacks::Extents>(&cb));
        user.SetDesigning(k.Designing);
        user.DrawSpecific(GL_BACK, true);
        EXPECT_EQ(cb.Draws, k.Draws);
        if (k.Draws) {
            EXPECT_EQ(cb.Sender, &user);
            EXPECT_EQ(cb.Face, std::uint32_t(GL_BACK));
            EXPECT_TRUE(cb.Draft);
        }
        TGLArrayd3 min{9, 9, 9}, max{9, 9, 9};
        user.GetSize(min, max);
        EXPECT_EQ(min, k.Min);
        EXPECT_EQ(max, k.Max);
    }
    EXPECT_NE(TNyxUser::StaticClass().FindProperty("Smooth"), nullptr);
    EXPECT_NE(TNyxUser::StaticClass().FindProperty("OnDraw"), nullptr);
}

// The scene draws the callback's geometry inside the object's transform and material.
TEST(UserTest, DrawsWhatTheCallbackEmitsInTheScene) {
    TPixelScene s;
    auto* user = new TNyxUser(nullptr);
    user->SetParentComponent(&s.Scene);
    Place(user->XForm()->Translate(), 2, 0, 0);
    user->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, clWhite);
    struct TSquare {
        void Draw(TNyxObject*, std::uint32_t, bool) {
            glBegin(GL_QUADS);
            glVertex3f(-0.5f, -0.5f, 0);
            glVertex3f(0.5f, -0.5f, 0);
            glVertex3f(0.5f, 0.5f, 0);
            glVertex3f(-0.5f, 0.5f, 0);
            glEnd();
        }
    } square;
    user->SetOnDraw(TNyxUserDraw::Bind<&TSquare::Draw>(&square));
    s.Render();
    const auto [cx, cy] = s.Project(2, 0, 0);
    const auto [lx, ly] = s.Project(0, 0, 0);
    EXPECT_GT(s.Lit(cx - 2, cx + 3, cy - 2, cy + 3).first, 20);
    EXPECT_EQ(s.Lit(lx - 2, lx + 3, ly - 2, ly + 3).first, 0);
}

// --- Streams ---------------------------------------------------------------------------

TEST(LabelTest, PropertiesRoundTripThroughStreams) {
    TNyxLabel source(nullptr);
    source.SetCaption("Nyx \x80 caf\xE9");
    source.Font()->SetName("Courier New");
    source.Font()->SetSize(20);
    source.Font()->SetStyle({fsBold});
    source.SetBitmapFont(false);
    source.SetExtrusion(0.25);
    source.SetDeviation(0.01);
    TMemoryStream binary, text;
    binary.WriteComponent(&source);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    const std::string written(reinterpret_cast<const char*>(text.Memory()),
                              std::size_t(text.Size()));
    for (const char* line : {"BitmapFont = False", "Extrusion = 0.25", "Deviation = 0.01",
                             "Font.Name = \"Courier New\"", "Font.Style = [fsBold]"})
        EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;

    text.SetPosition(0);
    TMemoryStream again;
    ObjectTextToBinary(text, again);
    again.SetPosition(0);
    TNyxLabel fresh(nullptr);
    TReader reader(again, 4096);
    reader.ReadRootComponent(&fresh);
    EXPECT_EQ(fresh.Caption(), source.Caption());
    EXPECT_EQ(fresh.Font()->Name(), "Courier New");
    EXPECT_EQ(fresh.Font()->Size(), 20);
    EXPECT_EQ(fresh.Font()->Style(), TFontStyles{fsBold});
    EXPECT_FALSE(fresh.BitmapFont());
    EXPECT_EQ(fresh.Extrusion(), 0.25);
    EXPECT_EQ(fresh.Deviation(), 0.01);
}

}  // namespace nyx
