// The scene's geometry cache (CacheGeometry): geometry compiled once and called while
// nothing changes, compiled again after every kind of change, never called while
// selecting, shadow volumes kept while object and light stay, lists freed with their
// owners, and the same pixels as immediate mode.
#include "objects/box.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "objects/quadrics.h"
#include "objects/user.h"
#include "scene/detail/geometrycache.h"
#include "scene/light.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "panelfixture.h"
#include "testing/offscreen.h"
#include "testsolids.h"

using namespace nyx;
using namespace nyx::test;

namespace {

constexpr int kSize = 64;

// The pixels of a picture, kept: the panel's bitmap changes with every frame.
struct TPicture {
    explicit TPicture(const TBitmap& B) : Width(B.Width()), Height(B.Height()) {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                Pixels.push_back(B.Pixels(x, y));
    }
    TColor At(int X, int Y) const { return Pixels[std::size_t(Y * Width + X)] & 0xFFFFFF; }

    int Width, Height;
    std::vector<TColor> Pixels;
};

std::size_t CountOf(const Strings& Calls, const std::string& Prefix) {
    return std::size_t(std::count_if(
        Calls.begin(), Calls.end(), [&](const std::string& c) { return c.rfind(Prefix, 0) == 0; }));
}

// A lit box and sphere seen from above through an off-screen panel; the cache on.
class GeometryCacheTest : public PanelTest {
protected:
    GeometryCacheTest() {
        scene->SetBackgroundColor(clBlack);
        light = new TNyxLight(&owner);
        light->SetParentComponent(scene);
        light->Point1()->Store({1, 1, 3});
        box = new TNyxBox(&owner);
        box->SetParentComponent(scene);
        box->XForm()->Translate()->SetX(-0.8);
        sphere = new TNyxSphere(&owner);
        sphere->SetParentComponent(scene);
        sphere->XForm()->Translate()->SetX(0.8);
        camera->Position()->Store({0, -0.5, 5});
        camera->Up()->Store({0, 1, 0});
        panel = NewPanel();
        panel->SetBounds(0, 0, kSize, kSize);
        panel->HandleNeeded();
        panel->SetCamera(camera);
        scene->SetCacheGeometry(true);
    }

    // One frame of the panel, its calls recorded.
    Strings Frame() {
        return Recorded([this] { panel->Repaint(); });
    }
    // The calls of Edit, with the repaints it causes.
    static Strings Recorded(const std::function<void()>& Edit) {
        TGLRecorder recorder;
        Edit();
        return recorder.Calls();
    }
    TPicture Picture() {
        panel->Repaint();
        return TPicture(Shown(panel));
    }

    TNyxLight* light;
    TNyxBox* box;
    TNyxSphere* sphere;
    TNyxPanel* panel;
};

// Largest difference of one channel between two pictures of the same size.
int LargestDifference(const TPicture& A, const TPicture& B) {
    int worst = 0;
    for (std::size_t i = 0; i < A.Pixels.size() && i < B.Pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int((A.Pixels[i] >> shift) & 0xFF) -
                                             int((B.Pixels[i] >> shift) & 0xFF)));
    return A.Pixels.size() == B.Pixels.size() ? worst : 256;
}

TEST_F(GeometryCacheTest, GeometryIsCompiledOnceAndThenCalled) {
    scene->SetCacheGeometry(false);
    const Strings first = Recorded([this] { scene->SetCacheGeometry(true); });
    EXPECT_EQ(CountOf(first, "glNewList"), 2u);
    EXPECT_EQ(CountOf(first, "gluSphere"), 1u);
    const Strings second = Frame();
    EXPECT_EQ(CountOf(second, "glNewList"), 0u);
    EXPECT_EQ(CountOf(second, "glBegin"), 0u);
    EXPECT_EQ(CountOf(second, "gluSphere"), 0u);
    EXPECT_EQ(CountOf(second, "glCallList"), 2u);
}

TEST_F(GeometryCacheTest, OffDrawsEveryFrameInImmediateModeAndGivesUpTheLists) {
    Frame();
    scene->SetCacheGeometry(false);  // repaints: the lists go at once, in the context
    const Strings off = Frame();
    for (const char* call : {"glNewList", "glCallList", "glGenLists", "glDeleteLists"})
        EXPECT_EQ(CountOf(off, call), 0u) << call;
    EXPECT_EQ(CountOf(off, "gluSphere"), 1u);
    EXPECT_EQ(box->GeometryCache().GeometryCount(), 0u);
}

TEST_F(GeometryCacheTest, SamePixelsAsImmediateMode) {
    scene->SetCacheGeometry(false);
    const TPicture immediate = Picture();
    scene->SetCacheGeometry(true);
    const TPicture compiling = Picture();
    const TPicture calling = Picture();
    EXPECT_LE(LargestDifference(immediate, compiling), 1);
    EXPECT_LE(LargestDifference(immediate, calling), 1);
    EXPECT_NE(immediate.At(kSize / 4, kSize / 2), 0u) << "the box is in the picture";
}

// Every kind of change drops the lists of the object it reaches: the next frame
// compiles again. The library case also proves that the scene's own switches count.
TEST_F(GeometryCacheTest, EveryChangeOfAnObjectCompilesItAgain) {
    TNyxMaterialLibrary library(nullptr);
    auto* shared = static_cast<TNyxMaterialCI*>(library.Materials()->Add());
    box->SetMaterialIndex(0);
    scene->SetMaterialLibrary(&library);
    TBitmap checker(4, 4);
    checker.SetPixel(0, 0, clWhite);
    struct TRow {
        const char* What;
        std::function<void()> Edit;
        std::size_t Compiled;
    };
    TNyxSphere other(nullptr);
    other.SetSmooth(false);
    const TRow rows[] = {
        {"nothing", [] {}, 0},
        {"a property", [&] { sphere->SetSlices(9); }, 1},
        {"the draw type", [&] { box->SetDrawType(dtLine); }, 1},
        {"Smooth", [&] { sphere->SetSmooth(false); }, 1},
        {"its own texture", [&] { box->Material()->SetTexture(&checker); }, 1},
        {"Assign", [&] { sphere->Assign(&other); }, 1},
        {"an update bracket",
         [&] {
             box->BeginUpdate();
             box->SetSlices(0, 3);
             box->EndUpdate();
         },
         1},
        {"a shared material", [&] { shared->Material()->SetTexture(&checker); }, 2},
        {"the reflection switch", [&] { scene->SetReflections(true); }, 2},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        Frame();
        Frame();
        EXPECT_EQ(CountOf(Recorded([&] {
                              row.Edit();
                              panel->Repaint();  // Assign repaints nothing itself
                          }),
                          "glNewList"),
                  row.Compiled);
        EXPECT_EQ(CountOf(Frame(), "glNewList"), 0u);
    }
    scene->SetMaterialLibrary(nullptr);
}

TEST_F(GeometryCacheTest, AVertexOfACollectionAndALabelFontCompileAgain) {
    auto* wall = new TNyxPolygon(&owner);
    wall->SetParentComponent(scene);
    for (const TGLArrayd3& c : {TGLArrayd3{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}}) {
        auto* v = static_cast<TNyxVertex3TexCI*>(wall->Vertexes()->Add());
        for (int i = 0; i < 3; ++i)
            v->SetData(i, c[std::size_t(i)]);
    }
    auto* label = new TNyxLabel(&owner);
    label->SetParentComponent(scene);
    label->SetCaption("Ab");
    Frame();
    EXPECT_EQ(CountOf(Frame(), "glNewList"), 0u);

    EXPECT_EQ(
        CountOf(Recorded([&] {
                    static_cast<TNyxVertex3TexCI*>(wall->Vertexes()->Items(2))->SetData(0, -0.5);
                }),
                "glNewList"),
        1u);
    // The glyph lists are built outside the label's own list (lists cannot nest).
    const Strings refont = Recorded([&] { label->Font()->SetHeight(-20); });
    EXPECT_EQ(CountOf(refont, "glNewList"), 1u);
    EXPECT_EQ(CountOf(refont, "wglUseFontBitmapsA"), 2u);
}

TEST_F(GeometryCacheTest, AnEditBetweenTwoCachedFramesShows) {
    Frame();
    const TPicture before = Picture();
    const int x = kSize / 4, y = kSize / 2;
    EXPECT_NE(before.At(x, y), 0u) << "the box is there";
    box->SetParts({});
    const TPicture after = Picture();
    EXPECT_EQ(after.At(x, y), 0u) << "the box has gone";
    scene->SetCacheGeometry(false);
    EXPECT_LE(LargestDifference(after, Picture()), 1);
}

TEST_F(GeometryCacheTest, ApplicationDrawnObjectsAreNeverCompiled) {
    struct TDraws {
        int Count = 0;
        void Draw(TNyxObject*, std::uint32_t, bool) { ++Count; }
    } draws;
    auto* user = new TNyxUser(&owner);
    user->SetParentComponent(scene);
    user->SetOnDraw(TNyxUserDraw::Bind<&TDraws::Draw>(&draws));
    Frame();
    Frame();
    EXPECT_EQ(draws.Count, 2);
}

TEST_F(GeometryCacheTest, LinesAndPointsAreDrawnDirectly) {
    // A list of one or two vertices costs more to call than to draw them.
    auto* line = new TNyxLine(&owner);
    line->SetParentComponent(scene);
    (new TNyxPoint(&owner))->SetParentComponent(scene);
    Frame();
    const Strings next = Frame();
    EXPECT_EQ(CountOf(next, "glNewList"), 0u);
    EXPECT_EQ(CountOf(next, "glBegin(GL_LINES)"), 1u);
    EXPECT_EQ(CountOf(next, "glBegin(GL_POINTS)"), 1u);
}

TEST_F(GeometryCacheTest, SelectionNeverCallsAList) {
    Frame();
    std::int32_t hits = 0;
    const Strings calls = Recorded([&] {
        hits = scene->Select(camera, kSize, kSize, kSize / 4, kSize / 2, 4, 4, true, false, true);
    });
    EXPECT_EQ(hits, 1);
    EXPECT_TRUE(box->Selected());
    // Up to the end of the selection render; the repaint that Select asks for follows.
    const auto start = std::find(calls.begin(), calls.end(), "glRenderMode(GL_SELECT)");
    const auto end = std::find(start, calls.end(), "glRenderMode(GL_RENDER)");
    ASSERT_NE(end, calls.end());
    EXPECT_EQ(std::count_if(start, end,
                            [](const std::string& c) { return c.rfind("glCallList", 0) == 0; }),
              0);
    // The selection box is drawn after the geometry, outside its list.
    const Strings repaint(end, calls.end());
    EXPECT_EQ(CountOf(repaint, "glNewList"), 0u);
    EXPECT_EQ(CountOf(repaint, "glLineStipple"), 1u);
}

// --- Owners of the lists -------------------------------------------------------------

TEST_F(GeometryCacheTest, AnObjectFreedWhileItsContextIsCurrentDeletesItsLists) {
    Frame();
    TGLRecorder recorder;
    delete box;
    EXPECT_EQ(recorder.Calls({"glDeleteLists"}).size(), 1u);
}

TEST_F(GeometryCacheTest, AnObjectFreedUnderAnotherContextGivesItsListsUpAtTheNextFrame) {
    Frame();
    // A panel of another scene, with lists of its own, paints in between.
    auto* elsewhere = new TNyxScene(&owner);
    auto* eye = new TNyxCamera(&owner);
    eye->SetParentComponent(elsewhere);
    TNyxPanel* other = NewWindowedPanel();
    other->SetCamera(eye);
    other->Repaint();
    {
        TGLRecorder recorder;
        delete box;
        EXPECT_EQ(recorder.Calls({"glDeleteLists"}).size(), 0u);
    }
    const Strings next = Frame();
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(CountOf(next, "glDeleteLists"), 1u);
}

TEST_F(GeometryCacheTest, ListsOfAPanelThatHasGoneAreForgotten) {
    Frame();
    delete panel;  // the last context of the list space: the lists went with it
    {
        TGLRecorder recorder;
        delete sphere;
        EXPECT_EQ(recorder.Calls({"glDeleteLists"}).size(), 0u);
    }
    const Strings first = Recorded([this] {
        panel = NewPanel();
        panel->SetBounds(0, 0, kSize, kSize);
        panel->HandleNeeded();
        panel->SetCamera(camera);
    });
    EXPECT_EQ(CountOf(first, "glNewList"), 1u) << "the box compiled in the new context";
    EXPECT_EQ(box->GeometryCache().GeometryCount(), 1u);
}

TEST_F(GeometryCacheTest, ACanvasRenderedBesidesThePanelDrawsItsOwnLists) {
    Frame();
    TBitmap cached(kSize, kSize), plain(kSize, kSize);
    panel->RenderToCanvas(cached.Canvas(), kSize, kSize, false);
    const TPicture panelAfter = Picture();
    scene->SetCacheGeometry(false);
    panel->RenderToCanvas(plain.Canvas(), kSize, kSize, false);
    EXPECT_LE(LargestDifference(TPicture(cached), TPicture(plain)), 1);
    EXPECT_LE(LargestDifference(panelAfter, Picture()), 1);
}

TEST(GeometryCacheSharing, PanelsThatShareListsCompileOnce) {
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    scene->SetCacheGeometry(true);
    auto* camera = new TNyxCamera(&owner);
    camera->SetParentComponent(scene);
    (new TNyxBox(&owner))->SetParentComponent(scene);
    TNyxPanel* panels[2];
    for (TNyxPanel*& p : panels) {
        p = new TNyxPanel(&owner);
        p->SetCamera(camera);  // the second shares the first one's lists
        p->HandleNeeded();
    }
    TGLRecorder recorder;
    panels[0]->Repaint();
    panels[1]->Repaint();
    EXPECT_EQ(recorder.Calls({"glNewList"}).size(), 1u);
    EXPECT_EQ(recorder.Calls({"glCallList"}).size(), 2u);
}

// --- Shadow volumes ------------------------------------------------------------------

// A box over a floor, one shadow-casting point light.
class VolumeCacheTest : public GeometryCacheTest {
protected:
    VolumeCacheTest() {
        scene->SetFShadows(true);
        delete sphere;
        sphere = nullptr;
        caster = new TTestBox(&owner, 0.3);
        caster->SetParentComponent(scene);
        caster->XForm()->Translate()->SetZ(0.5);
        caster->SetShadows(0, true);
        auto* floor = new TTestFloor(&owner, 2, 2);
        floor->SetParentComponent(scene);
        floor->SetShadows(1, true);
        light->SetShadows(0, true);
        light->SetDirectional(true);
    }
    static std::size_t FeedbackRenders(const Strings& Calls) {
        return CountOf(Calls, "glRenderMode(GL_FEEDBACK)");
    }
    std::size_t FeedbackRenders() { return FeedbackRenders(Frame()); }

    TTestBox* caster;
};

TEST_F(VolumeCacheTest, AStaticSceneRunsNoFeedbackRenderAfterTheFirstFrame) {
    scene->SetCacheGeometry(false);
    EXPECT_EQ(FeedbackRenders(Recorded([this] { scene->SetCacheGeometry(true); })), 1u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(FeedbackRenders(), 0u);
    EXPECT_EQ(light->ShadowLists().size(), 1u) << "the kept volume is still drawn";
}

TEST_F(VolumeCacheTest, AVolumeIsBuiltAgainWhenObjectOrLightChanged) {
    auto* group = new TNyxObject(&owner);
    group->SetParentComponent(scene);
    caster->SetParentComponent(group);
    struct TRow {
        const char* What;
        std::function<void()> Edit;
    };
    const TRow rows[] = {
        {"the light moved", [&] { light->Point1()->SetX(0.5); }},
        {"the light at infinity", [&] { light->SetDirectional(false); }},
        {"the light's placement", [&] { light->XForm()->Translate()->SetY(0.2); }},
        {"the object moved", [&] { caster->XForm()->Translate()->SetX(0.1); }},
        {"its group moved", [&] { group->XForm()->Rotate()->SetZ(30); }},
        {"its geometry", [&] { caster->SetSmooth(false); }},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        FeedbackRenders();
        ASSERT_EQ(FeedbackRenders(), 0u);
        EXPECT_EQ(FeedbackRenders(Recorded(row.Edit)), 1u);
    }
}

TEST_F(VolumeCacheTest, SameShadowsAsImmediateMode) {
    // Under a light at infinity every quad is lit evenly: the very same pixels. Under a
    // point light the shading varies across the box's quads, and Mesa splits the quads of
    // a compiled list into triangles along the other diagonal than those drawn in
    // immediate mode: a few levels apart inside those quads, nothing else.
    for (const auto& [pointLight, tolerance] : {std::pair{false, 0}, std::pair{true, 4}}) {
        SCOPED_TRACE(pointLight ? "a point light" : "a light at infinity");
        light->SetDirectional(pointLight);
        scene->SetCacheGeometry(false);
        const TPicture immediate = Picture();
        scene->SetCacheGeometry(true);
        Picture();
        EXPECT_LE(LargestDifference(immediate, Picture()), tolerance);
    }
}

TEST_F(VolumeCacheTest, VolumesOfALightThatHasGoneAreGivenUp) {
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 1u);
    auto* second = new TNyxLight(&owner);
    second->SetParentComponent(scene);
    second->Point1()->Store({-1, 1, 3});
    second->SetShadows(0, true);
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 2u);
    delete light;
    light = nullptr;
    const Strings next = Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 1u);
    EXPECT_EQ(CountOf(next, "glDeleteLists"), 1u);
}

}  // namespace
