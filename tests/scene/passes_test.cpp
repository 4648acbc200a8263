// The frame: which passes run in which order with which of the scene's own OpenGL
// state around them, the accumulation of several shadow lights, hidden subtrees, the
// transform bracket, the selection box, and the pixels of a simple frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "drawprobe.h"
#include "testing/offscreen.h"

using namespace nyx;
using namespace nyx::test;

namespace {

class Passes : public ::testing::Test {
protected:
    Passes() : gl(64, 48, true) {
        scene = new TNyxScene(&owner);
        camera = MakeCamera(scene);
    }
    ~Passes() override { TProbe::Log = nullptr; }

    // Renders one frame with the recorder on; the calls kept are the hooks and names.
    Strings Frame(bool draft, std::initializer_list<std::string_view> names) {
        TGLRecorder rec;
        TProbe::Log = &rec;
        scene->Render(camera, 64, 48, draft);
        TProbe::Log = nullptr;
        return Filtered(rec, names);
    }

    TOffscreenGL gl;
    TComponent owner{nullptr};
    TNyxScene* scene;
    TNyxCamera* camera;
};

const std::initializer_list<std::string_view> SceneCalls = {
    "glClear",      "glAccum",     "glPushAttrib", "glPopAttrib",
    "glGetDoublev", "glDepthMask", "glPushMatrix", "glPopMatrix"};

struct TPassCase {
    const char* What;
    bool Draft, Reflections, Shadows, WithLight;
    Strings Expected;
};

TEST_F(Passes, OrderAndSceneStateOfEachKindOfFrame) {
    const std::string clearAll =
        "glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_COLOR_BUFFER_BIT)";
    const std::string clearCD = "glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)";
    const std::string clearS = "glClear(GL_STENCIL_BUFFER_BIT)";
    const std::string saveView = "glGetDoublev(GL_MODELVIEW_MATRIX, <out>)";
    const std::string noDepth = "glDepthMask(GL_FALSE)", depth = "glDepthMask(GL_TRUE)";
    const TPassCase cases[] = {
        {"draft ignores reflections and shadows but clears the stencil with them",
         true,
         true,
         true,
         false,
         {clearAll, "#Pre P", "#Light P", "#Main P draft", noDepth, "#Transparent P draft", depth,
          "#Post P"}},
        {"full frame, nothing switched on",
         false,
         false,
         false,
         false,
         {clearCD, "#Pre P", clearS, "#Light P", "#Main P", noDepth, "#Transparent P", depth,
          "#Post P"}},
        {"full frame with reflections",
         false,
         true,
         false,
         false,
         {clearAll, "#Pre P", clearS, saveView, "glPushMatrix()", "#Reflections P", "glPopMatrix()",
          "#Light P", "#Main P", noDepth, "#Transparent P", depth, "#Post P"}},
        {"full frame with shadows and one shadow light",
         false,
         false,
         true,
         true,
         {clearCD,
          "#Pre L",
          "#Pre P",
          clearS,
          "#Light L",
          "#Light P",  // dsAllLights
          "#Main L",   // dsNonShadowObjects
          "#ShadowLight L",
          "#ShadowLight P",  // dsShadowLights
          "glPushAttrib(GL_ENABLE_BIT)",
          "#Build L",
          "#Build P",
          "glPopAttrib()",
          "#Main P",  // dsShadowObjects
          saveView,
          "#Volumes L",
          "#Shadows L",
          "#Shadows P",
          "#Volumes P",
          "#Light L",
          "#Light P",  // dsAllLights again
          noDepth,
          "#Transparent L",
          "#Transparent P",
          depth,
          "#Post L",
          "#Post P"}},
    };
    for (const TPassCase& c : cases) {
        SCOPED_TRACE(c.What);
        owner.DestroyComponents();
        scene = new TNyxScene(&owner);
        camera = MakeCamera(scene);
        if (c.WithLight)
            Add<TTestLight>(scene, "L");
        Add<TProbe>(scene, "P")->SetShadows(1, true);
        scene->SetReflections(c.Reflections);
        scene->SetFShadows(c.Shadows);
        EXPECT_EQ(Frame(c.Draft, SceneCalls), c.Expected);
    }
}

TEST_F(Passes, ShadowImagesOfSeveralLightsAreAccumulated) {
    struct TCase {
        int Lights;
        Strings Expected;  // glAccum calls and the receiver's lit redraws
    };
    const TCase cases[] = {
        {0, {}},
        {1, {"#Shadows P"}},
        {3,
         {"glAccum(GL_LOAD, 0.25)", "#Shadows P", "glAccum(GL_ACCUM, 0.25)", "#Shadows P",
          "glAccum(GL_ACCUM, 0.25)", "#Shadows P", "glAccum(GL_ACCUM, 0.25)",
          "glAccum(GL_RETURN, 1.2)"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lights);
        owner.DestroyComponents();
        scene = new TNyxScene(&owner);
        camera = MakeCamera(scene);
        scene->SetFShadows(true);
        for (int i = 0; i < c.Lights; ++i)
            Add<TTestLight>(scene, "L" + std::to_string(i));
        Add<TProbe>(scene, "P")->SetShadows(1, true);

        const Strings calls = Frame(false, {"glAccum"});
        Strings kept;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(kept),
                     [](const std::string& s) { return s[0] != '#' || s == "#Shadows P"; });
        EXPECT_EQ(kept, c.Expected);
        EXPECT_EQ(scene->ShadowLightCount(), c.Lights);
        // The receiver is drawn in shadow once, and once more per light from two on.
        const auto mains = std::count(calls.begin(), calls.end(), "#Main P");
        EXPECT_EQ(mains, 1 + (c.Lights > 1 ? c.Lights : 0));
        if (c.Lights == 0) {
            EXPECT_EQ(std::count(calls.begin(), calls.end(), "#Volumes P"), 0)
                << "no volume pass without a shadow light";
        }
    }
}

TEST_F(Passes, SeveralShadowLightsWithoutAnAccumulationBufferLeaveItAlone) {
    // glAccum is an error in such a context; each light's lit redraw still happens.
    TOffscreenGL plain(64, 48);
    scene->SetFShadows(true);
    for (const char* name : {"L0", "L1"})
        Add<TTestLight>(scene, name);
    Add<TProbe>(scene, "P")->SetShadows(1, true);
    const Strings calls = Frame(false, {"glAccum"});
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "#Shadows P"), 2);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& s) { return s.starts_with("glAccum"); }),
              0);
}

TEST_F(Passes, HiddenSubtreeTakesPartInNoPass) {
    auto* hidden = Add<TProbe>(scene, "H");
    Add<TProbe>(hidden, "C");
    Add<TTestLight>(hidden, "HL");
    Add<TProbe>(scene, "V");
    hidden->SetVisible(false);
    scene->SetReflections(true);
    scene->SetFShadows(true);

    struct TMode {
        const char* What;
        std::function<void()> Run;
    };
    const TMode modes[] = {
        {"draft frame", [&] { scene->Render(camera, 64, 48, true); }},
        {"full frame", [&] { scene->Render(camera, 64, 48, false); }},
        {"selection", [&] { scene->Select(camera, 64, 48, 32, 24, 64, 48, true, false, false); }},
    };
    for (const TMode& m : modes) {
        SCOPED_TRACE(m.What);
        TGLRecorder rec;
        TProbe::Log = &rec;
        m.Run();
        TProbe::Log = nullptr;
        bool sawVisible = false;
        for (const std::string& call : rec.Calls()) {
            if (!call.starts_with("#"))
                continue;
            const std::string who = call.substr(call.find(' ') + 1);
            EXPECT_FALSE(who.starts_with("H") || who.starts_with("C")) << call;
            sawVisible = sawVisible || who.starts_with("V");
        }
        EXPECT_TRUE(sawVisible);
    }
    EXPECT_EQ(scene->ShadowLightCount(), 0) << "a hidden light casts no shadow";
}

TEST_F(Passes, ChildrenAreDrawnInsideTheParentsTransformBeforeItsOwnHook) {
    auto* moved = Add<TProbe>(scene, "T");
    Add<TProbe>(moved, "C");
    Add<TProbe>(scene, "I");  // identity: no bracket
    moved->XForm()->Translate()->SetX(2);

    TGLRecorder rec;
    TProbe::Log = &rec;
    scene->Draw(scene, dsAllObjects, dkFull);
    TProbe::Log = nullptr;
    const Strings expected = {
        "glPushMatrix()", "glMultMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1})",
        "#Main C",        "#Main T",
        "glPopMatrix()",  "#Main I"};
    EXPECT_EQ(Filtered(rec, {"glPushMatrix", "glMultMatrixd", "glPopMatrix"}), expected);
}

TEST_F(Passes, SelectionBoxIsTheDottedBoundsWithWhiteCorners) {
    auto* box = new TNyxObject(&owner);
    box->SetParentComponent(scene);
    box->SetSelected(true);
    TGLRecorder rec;
    box->Draw(scene, dsAllObjects, dkFull);
    const std::string lo = "-0.5", hi = "0.5";
    auto v = [](const std::string& x, const std::string& y, const std::string& z) {
        return "glVertex3f(" + x + ", " + y + ", " + z + ")";
    };
    Strings expected = {"glPushAttrib(GL_POINT_BIT | GL_LINE_BIT | GL_LIGHTING_BIT)",
                        "glEnable(GL_COLOR_MATERIAL)",
                        "glDisable(GL_LIGHTING)",
                        "glLineStipple(1, 0xAAAA)",
                        "glEnable(GL_LINE_STIPPLE)",
                        "glPointSize(3)",
                        "glColor3f(0.7, 0.7, 0.7)"};
    for (const std::string& z : {lo, hi}) {
        expected.push_back("glBegin(GL_LINE_LOOP)");
        for (const Strings& c :
             {Strings{lo, lo}, Strings{lo, hi}, Strings{hi, hi}, Strings{hi, lo}})
            expected.push_back(v(c[0], c[1], z));
        expected.push_back("glEnd()");
    }
    expected.push_back("glBegin(GL_LINES)");
    for (const Strings& c : {Strings{lo, lo}, Strings{lo, hi}, Strings{hi, hi}, Strings{hi, lo}}) {
        expected.push_back(v(c[0], c[1], lo));
        expected.push_back(v(c[0], c[1], hi));
    }
    expected.push_back("glEnd()");
    expected.push_back("glColor3f(1, 1, 1)");
    expected.push_back("glBegin(GL_POINTS)");
    for (const std::string& z : {lo, hi})
        for (const Strings& c :
             {Strings{lo, lo}, Strings{lo, hi}, Strings{hi, hi}, Strings{hi, lo}})
            expected.push_back(v(c[0], c[1], z));
    expected.push_back("glEnd()");
    expected.push_back("glPopAttrib()");
    EXPECT_EQ(rec.Calls(), expected);
}

TEST_F(Passes, FrameShowsBackgroundAndGeometryAndNoCameraLeavesThePixels) {
    auto* quad = Add<TQuad>(scene, "Q");
    quad->Size = 2;
    quad->Colour[0] = quad->Colour[2] = 0;  // green
    scene->SetBackgroundColor(0x0000FF);    // red in the framework's byte order
    scene->Render(camera, 64, 48, false);
    gl.Finish();
    EXPECT_EQ(gl.Surface().At(32, 24), 0xFF00FF00u) << "quad in the middle";
    EXPECT_EQ(gl.Surface().At(1, 1) & 0xFFFFFFu, 0xFF0000u) << "background in the corner";

    scene->SetBackgroundColor(0xFF0000);  // blue, but no frame is drawn
    scene->Render(nullptr, 64, 48, false);
    gl.Finish();
    EXPECT_EQ(gl.Surface().At(1, 1) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(scene->CurrentCamera(), camera);
    delete camera;
    EXPECT_EQ(scene->CurrentCamera(), nullptr) << "a freed camera is not kept";
}

}  // namespace
