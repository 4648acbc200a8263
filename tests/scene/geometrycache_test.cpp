// The scene's geometry cache (CacheGeometry): geometry compiled once and called while
// nothing changes, compiled again after every kind of change, never called while
// selecting, shadow volumes kept while object and light stay, lists freed with their
// owners, and the same pixels as immediate mode.
#include "gl/wgl.h"
#include "objects/box.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "objects/quadrics.h"
#include "objects/user.h"
#include "scene/camera.h"
#include "scene/colored.h"
#include "scene/detail/geometrycache.h"
#include "scene/light.h"
#include "scene/proxy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "panelfixture.h"
#include "progresslog.h"
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

// A lit box and sphere seen from above through an off-screen panel; the cache on. The
// light between them keeps them apart: each is cached on its own, not with its siblings.
class GeometryCacheTest : public PanelTest {
protected:
    GeometryCacheTest() {
        scene->SetBackgroundColor(clBlack);
        box = new TNyxBox(&owner);
        box->SetParentComponent(scene);
        box->XForm()->Translate()->SetX(-0.8);
        light = new TNyxLight(&owner);
        light->SetParentComponent(scene);
        light->Point1()->Store({1, 1, 3});
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
    // Attaches Obj to the scene behind a camera, which is never compiled with its
    // siblings: Obj keeps lists of its own rather than joining its neighbours' list.
    void AddApart(TNyxObject* Obj) {
        (new TNyxCamera(&owner))->SetParentComponent(scene);
        Obj->SetParentComponent(scene);
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
    EXPECT_EQ(CountOf(first, "glBegin(GL_TRIANGLES)"), 1u) << "the sphere, compiled as triangles";
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

// A smooth sphere is compiled as triangles standing for gluSphere's quad strips: the
// same pixels to the last bit, lit by a near light with a highlight, in smooth and flat
// shading, for counts GLU cuts down or draws nothing for as well.
TEST_F(GeometryCacheTest, ACompiledSphereHasTheSamePixelsAsGluSphere) {
    constexpr int size = 160;
    panel->SetBounds(0, 0, size, size);
    box->SetVisible(false);
    sphere->XForm()->Translate()->SetX(0);
    sphere->XForm()->Scale()->Store({3, 3, 3});
    sphere->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciSpecular, clWhite);
    sphere->Material()->FrontFace()->SetParam(TNyxFaceMaterial::piShininess, 40);
    light->Point1()->Store({1, 1, 2.5});
    const std::pair<int, int> counts[] = {{20, 20}, {3, 2}, {7, 1}, {33, 57}, {300, 250}, {1, 5}};
    for (const bool flat : {false, true}) {
        panel->SetOptions(flat ? TNyxOptions{goFlatShadeModel, goLighting, goDepthTest, goCullFace}
                               : TNyxOptions{goLighting, goDepthTest, goCullFace});
        for (const auto& [slices, stacks] : counts) {
            sphere->SetSlices(slices);
            sphere->SetStacks(stacks);
            scene->SetCacheGeometry(false);
            const TPicture immediate = Picture();
            scene->SetCacheGeometry(true);
            const Strings compiling = Frame();
            EXPECT_EQ(CountOf(compiling, "gluSphere"), 0u);
            EXPECT_EQ(LargestDifference(immediate, TPicture(Shown(panel))), 0)
                << slices << " x " << stacks << (flat ? " flat" : " smooth");
            EXPECT_EQ(LargestDifference(immediate, Picture()), 0);
            const bool drawn = slices >= 2 && stacks >= 2;  // one stack: pole to pole
            EXPECT_EQ(immediate.At(size / 2, size / 2) != 0, drawn) << slices << " x " << stacks;
        }
    }
    // Flat normals start each strip with the normal current before the sphere, which
    // triangles cannot give: such a sphere is compiled as GLU draws it.
    const Strings calls = Recorded([&] {
        sphere->SetSmooth(false);  // repaints
        panel->Repaint();
    });
    EXPECT_EQ(CountOf(calls, "gluSphere"), 1u);
    EXPECT_EQ(CountOf(calls, "glBegin(GL_TRIANGLES)"), 0u);
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
    AddApart(wall);
    for (const TGLArrayd3& c : {TGLArrayd3{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}}) {
        auto* v = static_cast<TNyxVertex3TexCI*>(wall->Vertexes()->Add());
        for (int i = 0; i < 3; ++i)
            v->SetData(i, c[std::size_t(i)]);
    }
    auto* label = new TNyxLabel(&owner);
    AddApart(label);
    label->SetCaption("Ab");
    Frame();
    EXPECT_EQ(CountOf(Frame(), "glNewList"), 0u);

    EXPECT_EQ(
        CountOf(Recorded([&] {
                    static_cast<TNyxVertex3TexCI*>(wall->Vertexes()->Items(2))->SetData(0, -0.5);
                }),
                "glNewList"),
        1u);
    // The shared glyph lists of the new size are built before the label's own list
    // (lists cannot nest); the label makes no glyph lists of its own.
    const Strings refont = Recorded([&] { label->Font()->SetHeight(-20); });
    EXPECT_EQ(CountOf(refont, "glNewList"), 3u);
    EXPECT_EQ(CountOf(refont, "glBitmap"), 2u);
    EXPECT_EQ(CountOf(refont, "wglUseFontBitmapsA"), 0u);
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

// Counts the draws of a user object's callback.
struct TDraws {
    int Count = 0;
    void Draw(TNyxObject*, std::uint32_t, bool) { ++Count; }
};

TEST_F(GeometryCacheTest, ApplicationDrawnObjectsAreNeverCompiled) {
    TDraws draws;
    auto* user = new TNyxUser(&owner);
    user->SetParentComponent(scene);
    user->SetOnDraw(TNyxUserDraw::Bind<&TDraws::Draw>(&draws));
    Frame();
    Frame();
    EXPECT_EQ(draws.Count, 2);
}

TEST_F(GeometryCacheTest, LinesAndPointsAreDrawnDirectly) {
    // A list of one or two vertices costs more to call than to draw them.
    AddApart(new TNyxLine(&owner));
    AddApart(new TNyxPoint(&owner));
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
    // The selection box is drawn after the geometry, outside its list, which the change
    // of selection compiled again (lists of groups hold their members' boxes).
    const Strings repaint(end, calls.end());
    EXPECT_EQ(CountOf(repaint, "glNewList"), 1u);
    EXPECT_EQ(CountOf(repaint, "glLineStipple"), 1u);
}

// --- Owners of the lists -------------------------------------------------------------

TEST_F(GeometryCacheTest, AnObjectFreedWhileItsContextIsCurrentDeletesItsLists) {
    Frame();
    const std::size_t lists = AllocatedLists(CurrentListSpace());
    delete box;
    EXPECT_EQ(AllocatedLists(CurrentListSpace()), lists - 1) << "its list name given back";
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
    panel->MakeCurrent();
    const std::uint64_t space = CurrentListSpace();
    const std::size_t lists = AllocatedLists(space);
    other->Repaint();
    delete box;
    EXPECT_EQ(AllocatedLists(space), lists);
    Frame();
    EXPECT_EQ(AllocatedLists(space), lists - 1) << "given back at the next frame";
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

// --- Lists of groups -----------------------------------------------------------------

// Two groups of boxes and lines, one inside the other, beside the box and sphere: every
// pass of the scene's compilable children goes through one list.
class GroupCacheTest : public GeometryCacheTest {
protected:
    GroupCacheTest() {
        outer = new TNyxActor(&owner);
        outer->SetParentComponent(scene);
        inner = new TNyxObject(&owner);
        inner->SetParentComponent(outer);
        inner->XForm()->Translate()->SetY(0.8);
        for (int i = 0; i < 2; ++i) {
            auto* b = new TNyxBox(&owner);
            b->SetParentComponent(i == 0 ? outer : inner);
            b->XForm()->Scale()->Store({0.3, 0.3, 0.3});
            b->XForm()->Translate()->SetY(-0.8);
            boxes[i] = b;
        }
        line = new TNyxLine(&owner);
        line->SetParentComponent(inner);
        line->Point1()->Store({-1, 0, 0});
        line->Point2()->Store({1, 0, 0});
        line->SetWidth(3);
    }

    TNyxActor* outer;
    TNyxObject* inner;
    TNyxBox* boxes[2];
    TNyxLine* line;
};

TEST_F(GroupCacheTest, UnchangedSubtreesAreCalledAsOneListPerPass) {
    scene->SetCacheGeometry(false);
    const Strings first = Recorded([this] { scene->SetCacheGeometry(true); });
    // The box alone before the light; then, in the opaque and the transparent pass, the
    // sphere and the outer group after it, the outer group's children and the inner
    // group's, each list calling those below.
    EXPECT_EQ(CountOf(first, "glNewList"), 7u);
    const Strings next = Frame();
    for (const char* call : {"glNewList", "glBegin", "gluSphere"})
        EXPECT_EQ(CountOf(next, call), 0u) << call;
    EXPECT_EQ(CountOf(next, "glCallList"), 3u);
}

TEST_F(GroupCacheTest, SamePixelsAsImmediateModeAndEditsInsideShowInTheNextFrame) {
    Frame();
    // Each edit reaches a list of a group only through the stamps of the objects below.
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"colour deep inside", [&] { boxes[1]->SetColor(clYellow); }},
        {"a group moved", [&] { inner->XForm()->Translate()->SetX(0.3); }},
        {"line width", [&] { line->SetWidth(1); }},
        {"hidden", [&] { boxes[0]->SetVisible(false); }},
        {"added",
         [&] {
             auto* ball = new TNyxSphere(&owner);
             ball->SetParentComponent(inner);
             ball->XForm()->Scale()->Store({0.4, 0.4, 0.4});
         }},
        {"freed", [&] { delete boxes[1]; }},
        {"selected",
         [&] {
             scene->Select(camera, kSize, kSize, kSize / 2, kSize / 2, kSize, kSize, true, false,
                           true);
         }},
    };
    for (const auto& [what, edit] : edits) {
        const TPicture before = Picture();
        Strings calls = Recorded(edit);  // with the repaint it causes, if any
        const Strings next = Frame();
        calls.insert(calls.end(), next.begin(), next.end());
        EXPECT_GE(CountOf(calls, "glNewList"), 1u) << what;
        const TPicture cached = Picture();
        EXPECT_GT(LargestDifference(before, cached), 8) << what << ": the edit shows";
        scene->SetCacheGeometry(false);
        EXPECT_LE(LargestDifference(Picture(), cached), 4) << what;
        scene->SetCacheGeometry(true);
        Frame();
    }
}

TEST_F(GroupCacheTest, ObjectsThatCannotBeCompiledKeepTheirGroupOpen) {
    TDraws draws;
    auto* user = new TNyxUser(&owner);
    user->SetParentComponent(inner);
    user->SetItemIndex(1);  // between the inner box and the line
    user->SetOnDraw(TNyxUserDraw::Bind<&TDraws::Draw>(&draws));
    Frame();
    const Strings next = Frame();
    EXPECT_EQ(draws.Count, 2) << "the callback runs at every frame";
    EXPECT_EQ(CountOf(next, "glNewList"), 0u);
    // The line, a single object on its side of the user object, is drawn directly.
    EXPECT_EQ(CountOf(next, "glBegin(GL_LINES)"), 1u);

    delete user;  // the groups compile again, the line with them
    EXPECT_GE(CountOf(Frame(), "glNewList"), 1u);
    EXPECT_EQ(CountOf(Frame(), "glBegin(GL_LINES)"), 0u);
}

// Lines of one state share one bracket and materials already set are not set again; a
// change of state opens a new bracket, and other objects are drawn outside it.
TEST_F(GeometryCacheTest, AGroupsListSetsEachStateOnce) {
    auto* layer = new TNyxActor(&owner);
    const auto addLine = [&](double Y, TPenStyle Style, float Width) {
        auto* l = new TNyxLine(&owner);
        l->SetParentComponent(layer);
        l->Point1()->Store({-1.5, Y, 0.5});
        l->Point2()->Store({1.5, Y, 0.5});
        l->SetStyle(Style);
        l->SetWidth(Width);
        l->SetSmooth(false);
        return l;
    };
    for (int i = 0; i < 3; ++i)
        addLine(-1 + 0.2 * i, psSolid, 3);
    addLine(-0.2, psDash, 3);
    auto* wire = new TNyxBox(&owner);  // drawn as lines, in the default width
    wire->SetParentComponent(layer);
    wire->SetDrawType(dtLine);
    wire->XForm()->Translate()->SetY(1);
    addLine(0.2, psDash, 3)->SetSelected(true);
    addLine(0.4, psDash, 3);
    for (int i = 0; i < 4; ++i) {
        auto* p = new TNyxPoint(&owner);
        p->SetParentComponent(layer);
        p->P()->Store({-1 + 0.5 * i, 0.7, 0.5});
        p->SetWidth(i < 3 ? 4 : 6);
        if (i == 1)
            p->SetColor(clRed);
        p->SetSmooth(false);  // in the opaque pass, as the lines
    }

    const Strings calls = Recorded([&] { layer->SetParentComponent(scene); });
    const auto start = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("glNewList", 0) == 0;
    });
    const auto end = std::find(start, calls.end(), "glEndList()");
    ASSERT_NE(end, calls.end());
    const Strings list(start, end);
    // Brackets: the solid lines, the first dashed one; the box closes it; the selected
    // line's own, closed by its selection box; the last dashed line's.
    EXPECT_EQ(CountOf(list, "glPushAttrib(GL_LINE_BIT)"), 4u);
    EXPECT_EQ(CountOf(list, "glLineWidth"), 4u);
    EXPECT_EQ(CountOf(list, "glLineStipple"), 4u) << "three brackets and the selection box";
    // The points: one bracket for the first three (whatever their colours), one for the
    // larger one.
    EXPECT_EQ(CountOf(list, "glPushAttrib(GL_POINT_BIT)"), 2u);
    EXPECT_EQ(CountOf(list, "glPointSize"), 2u + 1) << "and the selection box's";
    // One material, both faces; the red point's two differing colours, and back.
    EXPECT_EQ(CountOf(list, "glMaterialfv"), 10u + 2 * 2 * 2);

    scene->SetCacheGeometry(false);
    const TPicture immediate = Picture();
    scene->SetCacheGeometry(true);
    EXPECT_EQ(LargestDifference(immediate, Picture()), 0);
    EXPECT_EQ(LargestDifference(immediate, Picture()), 0);
}

TEST_F(GeometryCacheTest, CirclesOfAGroupCallOneLoopPerSegmentCount) {
    auto* layer = new TNyxActor(&owner);
    for (int i = 0; i < 4; ++i) {
        auto* c = new TNyxCircle(&owner);
        c->SetParentComponent(layer);
        c->SetSegments(i < 3 ? 20 : 7);
        c->SetWidth(2);
        c->XForm()->Translate()->Store({-1.2 + 0.8 * i, 0.3 * i - 0.6, 0.5});
        c->XForm()->Scale()->Store({0.6, 0.6, 1});
    }
    const TPicture without = Picture();
    const Strings calls = Recorded([&] { layer->SetParentComponent(scene); });
    // Each loop compiled once, outside the group's lists, which call it.
    EXPECT_EQ(CountOf(calls, "glBegin(GL_LINE_LOOP)"), 2u);
    EXPECT_EQ(CountOf(Frame(), "glNewList"), 0u);

    const TPicture cached = Picture();
    EXPECT_GT(LargestDifference(without, cached), 64) << "the circles show";
    scene->SetCacheGeometry(false);
    const Strings immediate = Frame();
    EXPECT_EQ(CountOf(immediate, "glBegin(GL_LINE_LOOP)"), 4u);
    EXPECT_EQ(LargestDifference(Picture(), cached), 0);
}

TEST(GroupCache, WhatMayBeCompiledWithItsGroup) {
    TComponent owner(nullptr);
    auto* mirror = new TNyxPolygon(&owner);
    const std::vector<std::pair<TNyxObject*, bool>> cases = {
        {new TNyxObject(&owner), true},  {new TNyxActor(&owner), true},
        {new TNyxBox(&owner), true},     {new TNyxLine(&owner), true},
        {new TNyxLabel(&owner), true},   {mirror, true},
        {new TNyxUser(&owner), false},   {new TNyxLight(&owner), false},
        {new TNyxCamera(&owner), false}, {new TNyxProxy(&owner), false},
    };
    for (const auto& [obj, compilable] : cases)
        EXPECT_EQ(obj->CompilableDraw(), compilable) << obj->ClassName();
    mirror->SetReflection(0.5);
    EXPECT_FALSE(mirror->CompilableDraw()) << "a mirror hides itself while its image is drawn";
}

TEST_F(GroupCacheTest, GlyphListsOfALabelInsideAreBuiltBeforeTheGroupsList) {
    const Strings calls = Recorded([&] {
        auto* label = new TNyxLabel(&owner);
        label->SetParentComponent(inner);
        label->SetCaption("Ab");
    });
    bool compiling = false;
    for (const std::string& c : calls) {
        if (c.rfind("glNewList", 0) == 0) {
            EXPECT_FALSE(compiling) << "lists never nest";
            compiling = true;
        } else if (c.rfind("glEndList", 0) == 0) {
            compiling = false;
        } else if (c.rfind("wglUseFont", 0) == 0) {
            EXPECT_FALSE(compiling) << c;
        }
    }
    EXPECT_EQ(CountOf(calls, "glBitmap"), 2u) << "the two shared glyph lists";
    EXPECT_EQ(CountOf(Frame(), "glNewList"), 0u);
}

TEST_F(GroupCacheTest, ListsOfAGroupGoWithTheGroupAndWithTheSwitch) {
    Frame();
    ASSERT_GT(scene->GeometryCache().ItemsCount(), 0u);
    scene->SetCacheGeometry(false);
    EXPECT_EQ(scene->GeometryCache().ItemsCount(), 0u);
    scene->SetCacheGeometry(true);
    inner->XForm()->Translate()->SetX(0.1);
    Frame();
    EXPECT_EQ(scene->GeometryCache().ItemsCount(), 2u);
    const std::size_t lists = AllocatedLists(CurrentListSpace());
    delete outer;  // the scene's lists hold it: they go at once, in the context
    EXPECT_EQ(AllocatedLists(CurrentListSpace()), lists - 6) << "with both groups' lists";
    EXPECT_EQ(scene->GeometryCache().ItemsCount(), 0u);
}

// Many children are compiled in chunks, and a group inside a chunk in lists of its own
// that the chunk's list calls: an edit compiles the lists on its way up, none of them
// holding more than a chunk of objects, rather than every sibling again.
TEST_F(GroupCacheTest, AnEditCompilesOnlyTheListsOnItsWayUp) {
    std::vector<TNyxBox*> many;
    inner->BeginUpdate();
    for (int i = 0; i < 1200; ++i) {
        auto* b = new TNyxBox(&owner);
        b->SetParentComponent(inner);
        b->XForm()->Scale()->Store({0.02, 0.02, 0.02});
        b->XForm()->Translate()->Store({-1 + i % 40 * 0.05, -0.6 + i / 40 * 0.04, 0.5});
        many.push_back(b);
    }
    inner->EndUpdate();  // repaints
    // One repaint, at the end of the update.
    const Strings calls = Recorded([&] {
        inner->BeginUpdate();
        many[700]->SetColor(clRed);
        inner->EndUpdate();
    });
    // In both passes: the inner group's chunk holding the box (its children 512 to 1023),
    // the outer group's list and the scene's, which call the lists below them.
    EXPECT_EQ(CountOf(calls, "glNewList"), 6u);
    EXPECT_EQ(CountOf(calls, "glBegin(GL_QUADS)"), (512u + 1) * 6)
        << "the faces of the chunk's 512 boxes and of the outer group's own box";
    const TPicture cached = Picture();
    scene->SetCacheGeometry(false);
    EXPECT_LE(LargestDifference(Picture(), cached), 4);
}

// The first frame with the cache on tells the scene's OnProgress how far its compile is
// (objects of both compiled passes); later frames tell nothing. A handler that raises
// ends the frame; the next one compiles and reports again and shows the scene.
TEST_F(GroupCacheTest, TheFirstCompileReportsItsProgress) {
    for (int i = 0; i < 1500; ++i) {
        auto* b = new TNyxBox(&owner);
        b->SetParentComponent(i % 2 ? inner : outer);
        b->XForm()->Scale()->Store({0.01, 0.01, 0.01});
        b->XForm()->Translate()->Store({-1 + i % 40 * 0.05, -0.6 + i / 40 * 0.03, 0.5});
    }
    scene->SetCacheGeometry(false);
    std::vector<TNyxObject*> all;
    scene->ListChildren(all);
    test::TProgressLog cancelling;
    cancelling.CancelAt = 3;
    scene->SetOnProgress(cancelling.Event());
    EXPECT_THROW(scene->SetCacheGeometry(true), std::runtime_error);
    EXPECT_EQ(cancelling.Reports.size(), 3u);

    test::TProgressLog log;
    scene->SetOnProgress(log.Event());
    const TPicture cached = Picture();
    log.ExpectWellFormed(std::int64_t(all.size()) * 2);
    EXPECT_EQ(log.Sender, scene);
    EXPECT_GT(log.Reports.size(), 4u) << "a report at least per chunk of the two groups";
    log.Reports.clear();
    Frame();
    EXPECT_TRUE(log.Reports.empty());
    scene->SetOnProgress({});
    scene->SetCacheGeometry(false);
    EXPECT_LE(LargestDifference(Picture(), cached), 4);
}

// A group's lists that no longer stand for a run of its children (an object came in front
// of the run) are given up at the next frame, not kept with the group.
TEST_F(GroupCacheTest, ListsOfARunThatChangedAreGivenUp) {
    Frame();
    EXPECT_EQ(outer->GeometryCache().ItemsCount(), 2u) << "one run, two passes";
    auto* front = new TNyxBox(&owner);
    front->SetParentComponent(outer);
    front->SetItemIndex(0);
    Frame();
    EXPECT_EQ(outer->GeometryCache().ItemsCount(), 2u);
    for (int i = 0; i < 3; ++i)
        (new TNyxLight(&owner))->SetParentComponent(outer);  // a run of one, then none
    Frame();
    EXPECT_EQ(outer->GeometryCache().ItemsCount(), 2u);
}

// Reads the frame's camera as it draws, but forgets to answer false to CompilableDraw
// (and CacheableGeometry): a square on the left of the view while the camera stands on
// the right of the origin, on the right otherwise.
class TCameraSide : public TNyxColoredObject {
public:
    using TNyxColoredObject::TNyxColoredObject;
    void DrawSpecific(std::uint32_t, bool) override {
        const TNyxCamera* camera = Scene()->Frame().Camera();
        const float x = camera && camera->Position()->X() < 0 ? 0.2f : -1.0f;
        glBegin(GL_QUADS);
        glNormal3f(0, 0, 1);
        for (const auto& [dx, dy] :
             {std::pair{0.0f, 0.0f}, {0.8f, 0.0f}, {0.8f, 0.8f}, {0.0f, 0.8f}})
            glVertex3f(x + dx, dy - 1, 0.6f);
        glEnd();
    }
};

// Whatever reads the frame's own state while a list is compiled spoils the list: it is
// drawn straight, and kept out of lists from then on, in a group as alone.
TEST_F(GroupCacheTest, WhatReadsTheFrameFollowsItAtEveryFrame) {
    for (const bool grouped : {true, false}) {
        SCOPED_TRACE(grouped ? "in a group" : "alone");
        auto* side = new TCameraSide(&owner);
        side->SetColor(clRed);
        if (grouped)
            side->SetParentComponent(inner);
        else
            AddApart(side);
        for (const double x : {0.01, -0.01, 0.01}) {
            camera->Position()->SetX(x);
            const TPicture cached = Picture();
            scene->SetCacheGeometry(false);
            EXPECT_EQ(LargestDifference(Picture(), cached), 0) << x;
            scene->SetCacheGeometry(true);
        }
        Frame();
        const Strings calls = Frame();
        EXPECT_EQ(CountOf(calls, "glNewList"), 0u) << "nothing is compiled again and again";
        EXPECT_EQ(CountOf(calls, "glBegin(GL_QUADS)"), 1u) << "the square alone drawn straight";
        delete side;
    }
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
    // A second shadow-casting point light, beside the first.
    TNyxLight* AddSecondLight() {
        auto* second = new TNyxLight(&owner);
        second->SetParentComponent(scene);
        second->Point1()->Store({-1, 1, 3});
        second->SetShadows(0, true);
        return second;
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
    AddSecondLight();
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 2u);
    delete light;
    light = nullptr;
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 1u);
}

// Nor are volumes kept for a light that no longer draws them, or by an object that no
// longer casts shadows.
TEST_F(VolumeCacheTest, VolumesNoLongerDrawnAreGivenUp) {
    auto* second = AddSecondLight();
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 2u);
    second->SetVisible(false);
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 1u) << "a hidden light";
    light->SetShadows(0, false);
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 0u) << "a light casting no shadows";
    light->SetShadows(0, true);
    second->SetVisible(true);
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 2u);
    caster->SetShadows(0, false);
    Frame();
    EXPECT_EQ(caster->GeometryCache().VolumeCount(), 0u) << "an object casting none";
}

}  // namespace
