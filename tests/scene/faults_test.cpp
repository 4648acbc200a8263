// When OpenGL or the window system gives out. Every branch that handles glGenLists
// answering 0 draws what it would have drawn without the list (a shadow volume: no
// shadow), makes no OpenGL error (the checker watches every test) and takes its lists
// once there are names again; a panel whose window got no context says so once.
#include "objects/label.h"
#include "objects/quadrics.h"
#include "rtl/sysutils.h"
#include "scene/light.h"
#include "testing/glfaults.h"

#include <algorithm>
#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "panelfixture.h"
#include "testsolids.h"

using namespace nyx;
using namespace nyx::test;
using ::testing::HasSubstr;

namespace {

constexpr int kSize = 64;
using TPicture = std::vector<TColor>;

// A light and the camera above the origin, on a black background, seen through a panel.
class FaultsTest : public PanelTest {
protected:
    FaultsTest() {
        scene->SetBackgroundColor(clBlack);
        light = Add<TNyxLight>(scene);
        light->Point1()->Store({1, 1, 3});
        camera->Position()->Store({0, -0.5, 5});
        camera->Up()->Store({0, 1, 0});
        panel = NewPanel();
        panel->SetBounds(0, 0, kSize, kSize);
        panel->HandleNeeded();
        panel->SetCamera(camera);
    }
    template <typename T, typename... TArgs>
    T* Add(TNyxObject* Parent, TArgs... Args) {
        auto* obj = new T(&owner, Args...);
        obj->SetParentComponent(Parent);
        return obj;
    }
    TPicture Picture() {
        panel->Repaint();
        TPicture pixels;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                pixels.push_back(Shown(panel).Pixels(x, y) & 0xFFFFFF);
        return pixels;
    }
    static int Lit(const TPicture& Picture) {
        return int(std::count_if(Picture.begin(), Picture.end(), [](TColor c) { return c != 0; }));
    }

    TNyxLight* light;
    TNyxPanel* panel;
};

// Largest difference of one channel between two pictures.
int LargestDifference(const TPicture& A, const TPicture& B) {
    int worst = 0;
    for (std::size_t i = 0; i < A.size(); ++i)
        for (int shift : {0, 8, 16})
            worst = std::max(worst,
                             std::abs(int((A[i] >> shift) & 0xFF) - int((B[i] >> shift) & 0xFF)));
    return worst;
}

// With no names to be had, the cache draws in immediate mode: objects' lists and their
// group's alike. Its names come in blocks, so the first request of a frame is the only one
// that reaches the driver.
TEST_F(FaultsTest, CachedGeometryWithoutListNamesIsDrawnDirectly) {
    auto* group = Add<TNyxObject>(scene);
    for (double x : {-0.8, 0.8})
        Add<TNyxSphere>(group)->XForm()->Translate()->SetX(x);
    Add<TNyxSphere>(scene)->XForm()->Translate()->SetY(0.8);
    const TPicture immediate = Picture();
    ASSERT_GT(Lit(immediate), 0);
    {
        TGLFaults faults;
        faults.ExhaustLists(true);
        scene->SetCacheGeometry(true);
        // Compiled spheres may differ from immediate ones by a level (as without faults).
        EXPECT_LE(LargestDifference(Picture(), immediate), 1);
        EXPECT_GT(faults.Failed(), 0u);
        faults.ExhaustLists(false);
        EXPECT_LE(LargestDifference(Picture(), immediate), 1) << "compiled now";
        scene->SetCacheGeometry(false);
    }
}

// The label's own lists and the shared glyph lists of the font layer behind them: no
// text while there are no names, the text at the first frame after.
TEST_F(FaultsTest, LabelWithoutListNamesShowsOnceThereAreNamesAgain) {
    const TPicture empty = Picture();
    struct TCase {
        const char* What;
        std::size_t Spared;
        const char* Caption;  // a glyph not compiled before, so that its list is asked for
    };
    for (const TCase& c : {TCase{"the label's lists", 0, "H"}, TCase{"a glyph's list", 1, "I"}}) {
        SCOPED_TRACE(c.What);
        TGLFaults faults;
        faults.ExhaustLists(true, c.Spared);
        auto* label = Add<TNyxLabel>(scene);
        label->Font()->SetHeight(-16);
        label->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, clWhite);
        label->SetCaption(c.Caption);
        EXPECT_EQ(Picture(), empty);
        EXPECT_GT(faults.Failed(), 0u);
        faults.ExhaustLists(false);
        EXPECT_GT(Lit(Picture()), 0);
        delete label;
    }
}

// Without a name for its volume an object casts no shadow that frame, and nothing of
// the volume reaches the picture.
TEST_F(FaultsTest, ShadowVolumeWithoutAListNameCastsNoShadow) {
    scene->SetFShadows(true);
    auto* caster = Add<TTestBox>(scene, 0.3);
    caster->XForm()->Translate()->SetZ(0.5);
    Add<TTestFloor>(scene, 2.0)->SetShadows(1, true);
    light->SetShadows(0, true);
    light->SetDirectional(true);
    const TPicture unshadowed = Picture();
    caster->SetShadows(0, true);
    const TPicture shadowed = Picture();
    ASSERT_NE(shadowed, unshadowed);
    {
        TGLFaults faults;
        faults.ExhaustLists();
        EXPECT_EQ(Picture(), unshadowed);
        EXPECT_GT(faults.Failed(), 0u);
    }
    EXPECT_EQ(Picture(), shadowed);
}

// A window that takes no pixel format, or no context, leaves the panel black; its first
// paint hands the reason to the application's exception handler, later ones do not.
TEST_F(FaultsTest, PanelWithoutAContextReportsItOnce) {
    struct TCase {
        const char* What;
        void (TGLFaults::*Refuse)(bool);
        const char* Says;
    };
    const TCase cases[] = {
        {"no pixel format", &TGLFaults::RefusePixelFormats, "took no OpenGL pixel format"},
        {"no context", &TGLFaults::RefuseContexts, "no OpenGL context could be created"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TMessageCapture capture;
        TNyxPanel* refused = NewPanel();
        refused->SetCamera(camera);
        {
            TGLFaults faults;
            (faults.*c.Refuse)(true);
            refused->HandleNeeded();
            EXPECT_GT(faults.Failed(), 0u);
        }
        EXPECT_EQ(refused->RenderContext(), nullptr);
        EXPECT_TRUE(capture.Exceptions.empty()) << "said when it paints, not before";
        refused->Repaint();
        refused->Repaint();
        EXPECT_EQ(refused->FrameCount(), 0);
        ASSERT_EQ(capture.Exceptions.size(), 1u);
        EXPECT_THAT(capture.Exceptions[0], HasSubstr("TNyxPanel.CreateWindowHandle: "));
        EXPECT_THAT(capture.Exceptions[0], HasSubstr(c.Says));
        delete refused;
    }
}

}  // namespace
