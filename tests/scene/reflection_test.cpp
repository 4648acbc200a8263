// A mirror's passes as recorded OpenGL calls: the stencil mask, the clip plane and
// the front-face switch of the reflection pass, the translucent front, and what is
// left behind when a draw inside them raises.
#include "objects/polygon.h"
#include "scene/material.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "drawprobe.h"
#include "testing/offscreen.h"

#include <charconv>
#include <stdexcept>

using namespace nyx;
using test::Strings;

namespace {

// A 2 x 2 square in z = Z, counter-clockwise seen from +z.
void MakeSquare(TNyxPolygon& P, double Z) {
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        auto* v = static_cast<TNyxVertex3TexCI*>(P.Vertexes()->Add());
        v->SetData(0, c[0]);
        v->SetData(1, c[1]);
        v->SetData(2, Z);
    }
}

// A mirror that raises from its geometry when armed for a face.
class TThrowingMirror : public TNyxPolygon {
public:
    using TNyxPolygon::TNyxPolygon;
    std::uint32_t ThrowOn = 0;
    void DrawSpecific(std::uint32_t Face, bool Draft) override {
        if (Face == ThrowOn)
            throw std::runtime_error("geometry failed");
        TNyxPolygon::DrawSpecific(Face, Draft);
    }
};

// Notes what it sees when drawn inside a reflection, and may raise there.
class TWitness : public test::TProbe {
public:
    using TProbe::TProbe;
    TNyxObject* Mirror = nullptr;
    bool Throw = false;
    // Whether the frame shows the mirror and mirrors; the mirror's own Visible never
    // changes while drawing.
    std::vector<std::pair<bool, bool>> Seen;
    void DrawMain(bool Draft) override {
        TProbe::DrawMain(Draft);
        const TNyxFrame& frame = Scene()->Frame();
        Seen.emplace_back(!frame.Hides(*Mirror), frame.Reflections());
        EXPECT_TRUE(Mirror->Visible());
        if (Throw)
            throw std::runtime_error("hook failed");
    }
};

struct TMirrorScene {
    test::TOffscreenGL gl{32, 32};
    TNyxScene scene{nullptr};
    TNyxCamera* camera = test::MakeCamera(&scene);
    TThrowingMirror* mirror = test::Add<TThrowingMirror>(&scene, "mirror");
    TWitness* witness = test::Add<TWitness>(&scene, "witness");

    TMirrorScene() {
        scene.SetReflections(true);
        mirror->SetColorVertexes(false);
        MakeSquare(*mirror, 0.5);
        mirror->SetReflection(0.3);
        witness->Mirror = mirror;
    }
    GLint Get(GLenum What) {
        GLint v = 0;
        glGetIntegerv(What, &v);
        return v;
    }
};

// A float as the recorder prints it: the shortest text that reads back exactly.
std::string FloatText(float F) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, F).ptr);
}

Strings From(const Strings& Calls, const std::string& First, std::size_t Count) {
    auto it = std::find(Calls.begin(), Calls.end(), First);
    if (it == Calls.end())
        return {"<" + First + " not found>"};
    return Strings(it, it + std::ptrdiff_t(std::min<std::size_t>(Count, Calls.end() - it)));
}

}  // namespace

TEST(Reflection, PassMasksClipsMirrorsAndRestores) {
    TMirrorScene s;
    TGLRecorder rec;
    test::TProbe::Log = &rec;
    s.scene.Render(s.camera, 32, 32, false);
    test::TProbe::Log = nullptr;
    const Strings calls = test::Filtered(
        rec, {"glPushMatrix", "glPopMatrix", "glLoadIdentity", "glPushAttrib", "glPopAttrib",
              "glDepthMask", "glEnable", "glDisable", "glColorMask", "glClearStencil", "glClear",
              "glStencilFunc", "glStencilOp", "glClipPlane", "glFrontFace", "glPolygonOffset",
              "glBegin", "glMultMatrixd"});
    const Strings expected = {
        "glClear(GL_STENCIL_BUFFER_BIT)",  // the scene's, before the pass
        "glPushMatrix()",
        "glLoadIdentity()",
        "glPushMatrix()",                                                   // the mirror's
        "glMultMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})",  // its placement
        "glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT)",
        "glDepthMask(GL_FALSE)",
        "glEnable(GL_STENCIL_TEST)",
        "glEnable(GL_CULL_FACE)",
        "glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE)",
        "glClearStencil(0)",
        "glClear(GL_STENCIL_BUFFER_BIT)",
        "glStencilFunc(GL_ALWAYS, 128, 0x0080)",
        "glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE)",
        "glBegin(GL_TRIANGLE_FAN)",  // the front side only
        // The mirror of z = 0.5: z' = 1 - z (signed zeros as computed).
        "glMultMatrixd({1, -0, -0, 0, -0, 1, -0, 0, -0, -0, -1, 0, 0, 0, 1, 1})",
        "glClipPlane(GL_CLIP_PLANE0, {0, 0, 1, -0.5})",
        "glPopAttrib()",
        "glEnable(GL_CLIP_PLANE0)",
        "glEnable(GL_STENCIL_TEST)",
        "glFrontFace(GL_CW)",
        "glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE)",
        "glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP)",
        "glStencilFunc(GL_EQUAL, 128, 0x0080)",
        "glPolygonOffset(-0.05, -0.5)",
        "glEnable(GL_POLYGON_OFFSET_FILL)",
    };
    EXPECT_EQ(From(calls, "glClear(GL_STENCIL_BUFFER_BIT)", expected.size()), expected);

    // Lights, objects and transparent objects of the scene inside, then the undoing.
    const Strings inside = From(calls, "#Light witness", 30);
    const Strings tail = {"#Light witness",
                          "#Main witness",
                          "glEnable(GL_BLEND)",
                          "glDepthMask(GL_FALSE)",
                          "#Transparent witness",
                          "glDepthMask(GL_TRUE)",
                          "glDisable(GL_BLEND)",
                          "glDisable(GL_POLYGON_OFFSET_FILL)",
                          "glDisable(GL_CLIP_PLANE0)",
                          "glDisable(GL_STENCIL_TEST)",
                          "glFrontFace(GL_CCW)",
                          "glPopMatrix()",
                          "#Reflections witness",
                          "glPopMatrix()"};  // the scene's
    ASSERT_GE(inside.size(), tail.size());
    EXPECT_EQ(Strings(inside.begin(), inside.begin() + long(tail.size())), tail);

    // Inside, the mirror was hidden and reflections off; both are back, without repaint.
    ASSERT_EQ(s.witness->Seen.size(), 2u);  // in the mirror, then in the main pass
    EXPECT_EQ(s.witness->Seen[0], std::make_pair(false, false));
    EXPECT_EQ(s.witness->Seen[1], std::make_pair(true, true));
}

TEST(Reflection, NoPassWithoutReflectionsOrWithZeroReflection) {
    struct TCase {
        bool Reflections;
        double Reflection;
        bool Pass;
    };
    const TCase cases[] = {
        {true, 0.3, true}, {true, -0.2, true}, {true, 0, false}, {false, 0.3, false}};
    for (const TCase& tc : cases) {
        TMirrorScene s;
        s.scene.SetReflections(tc.Reflections);
        s.mirror->SetReflection(tc.Reflection);
        TGLRecorder rec;
        s.scene.Render(s.camera, 32, 32, false);
        EXPECT_EQ(rec.Calls({"glClipPlane"}).size(), tc.Pass ? 1u : 0u)
            << tc.Reflections << " " << tc.Reflection;
    }
}

// A draft frame has no reflection pass, but the mirror's front stays translucent.
TEST(Reflection, DraftFrameSkipsThePassButBlendsTheFront) {
    TMirrorScene s;
    TGLRecorder rec;
    s.scene.Render(s.camera, 32, 32, true);
    EXPECT_TRUE(rec.Calls({"glClipPlane", "glFrontFace"}).empty());
    // Both sides filled, whatever the draft flag: the front blended, the back opaque.
    const Strings main =
        From(rec.Calls({"glBegin", "glEnable", "glDisable"}), "glEnable(GL_BLEND)", 5);
    const Strings want = {"glEnable(GL_BLEND)", "glBegin(GL_TRIANGLE_FAN)", "glDisable(GL_BLEND)",
                          "glBegin(GL_TRIANGLE_FAN)",
                          "glEnable(GL_BLEND)"};  // the transparent pass
    EXPECT_EQ(main, want);
}

// The front's alpha is set on the material in use, a shared one here, and put back
// exactly, also when the geometry raises.
TEST(Reflection, TranslucentFrontOnASharedMaterialIsPutBack) {
    struct TCase {
        const char* Name;
        float Transparency;
        std::uint32_t ThrowOn;
        float DrawnAlpha;  // of the front face's diffuse colour
    };
    const TCase cases[] = {
        {"opaque", 0, 0, 0.7f},
        {"transparent", 0.5f, 0, 1 - 0.3f * 0.5f},
        {"transparency above 1", 1.5f, 0, 0.7f},
        {"front raises", 0, GL_FRONT, 0.7f},
        {"back raises", 0, GL_BACK, 0.7f},
    };
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        TMirrorScene s;
        TNyxMaterialLibrary library(nullptr);
        s.scene.SetMaterialLibrary(&library);
        library.Materials()->Add();
        TNyxMaterial* shared = library.MaterialAt(0);
        shared->SetTransparency(tc.Transparency);
        s.mirror->SetMaterialIndex(0);
        s.mirror->ThrowOn = tc.ThrowOn;
        const auto before = shared->FrontFace()->Alphas();
        const GLint attribDepth = s.Get(GL_ATTRIB_STACK_DEPTH);
        TGLRecorder rec;
        const bool transparent = tc.Transparency > 0;
        if (tc.ThrowOn) {
            EXPECT_THROW(s.mirror->DrawMain(false), std::runtime_error);
        } else if (transparent) {
            s.mirror->DrawTransparent(false);
        } else {
            s.mirror->DrawMain(false);
        }
        EXPECT_EQ(shared->FrontFace()->Alphas(), before);
        EXPECT_EQ(s.Get(GL_ATTRIB_STACK_DEPTH), attribDepth);
        const Strings diffuse = rec.Calls({"glMaterialfv"});
        ASSERT_GE(diffuse.size(), 2u);
        const float a = tc.DrawnAlpha;
        EXPECT_EQ(diffuse[1],
                  "glMaterialfv(GL_FRONT, GL_DIFFUSE, {0.7529412, 0.7529412, 0.7529412, " +
                      FloatText(a) + "})");
        if (!tc.ThrowOn && !transparent) {
            const Strings seq = test::Filtered(
                rec, {"glPushAttrib", "glPopAttrib", "glBlendFunc", "glEnable", "glDisable"});
            const Strings want = {
                "glPushAttrib(GL_ENABLE_BIT)", "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                "glEnable(GL_CULL_FACE)",      "glEnable(GL_BLEND)",
                "glDisable(GL_BLEND)",         "glPopAttrib()"};
            EXPECT_EQ(seq, want);
        }
        s.scene.SetMaterialLibrary(nullptr);
    }
}

// A draw that raises inside the reflection, or while the mirror marks the stencil,
// leaves the object shown, the scene mirroring, the winding counter-clockwise and the
// stacks as they were.
TEST(Reflection, RaisingDrawLeavesStateRestored) {
    for (const bool inScene : {true, false}) {
        SCOPED_TRACE(inScene ? "hook inside the reflection" : "mirror geometry");
        TMirrorScene s;
        s.witness->Throw = inScene;
        s.mirror->ThrowOn = inScene ? 0 : GL_FRONT;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLint modelview = s.Get(GL_MODELVIEW_STACK_DEPTH);
        const GLint attrib = s.Get(GL_ATTRIB_STACK_DEPTH);
        EXPECT_THROW(s.mirror->Draw(&s.scene, dsReflections, dkFull), std::runtime_error);
        EXPECT_TRUE(s.mirror->Visible());
        EXPECT_TRUE(s.scene.Reflections());
        EXPECT_FALSE(s.scene.Frame().Hides(*s.mirror));
        EXPECT_TRUE(s.scene.Frame().Reflections());
        EXPECT_EQ(s.Get(GL_FRONT_FACE), GL_CCW);
        EXPECT_EQ(s.Get(GL_MODELVIEW_STACK_DEPTH), modelview);
        EXPECT_EQ(s.Get(GL_ATTRIB_STACK_DEPTH), attrib);
        EXPECT_EQ(s.Get(GL_CLIP_PLANE0), GL_FALSE);
        EXPECT_EQ(s.Get(GL_STENCIL_TEST), GL_FALSE);
        EXPECT_EQ(s.Get(GL_POLYGON_OFFSET_FILL), GL_FALSE);
        EXPECT_EQ(s.Get(GL_DEPTH_WRITEMASK), GL_TRUE);
    }
}
