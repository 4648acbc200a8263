// The repaint path and animation: panels registered with a scene, which changes repaint
// them and when, the timer ticks and their failures, and the links to panels and to
// the material library surviving either side's destruction.
#include <gtest/gtest.h>

#include <memory>

#include "drawprobe.h"
#include "rtl/host.h"
#include "scene/material.h"
#include "testing/offscreen.h"

using namespace nyx;
using namespace nyx::test;

namespace {

// A host whose clock the test sets and whose timers may be refused.
class TTestHost : public THost {
public:
    std::uint32_t Now = 5000;
    bool CanArm = true;
    void Advance(std::uint32_t ms) {
        Now += ms;
        ProcessTimers(Now);
    }

protected:
    std::uint32_t DoGetTickCount() const override { return Now; }
    bool ArmTimer(HWND, std::uintptr_t, std::uint32_t) override { return CanArm; }
};

class Repaint : public ::testing::Test {
protected:
    Repaint() : previous(SetHost(&host)) {
        scene = new TNyxScene(&owner);
        for (const char* name : {"First", "Second"}) {
            auto* p = new TCountingPanel(&owner);
            p->SetName(name);
            p->Order = &order;
            panels.push_back(p);
            scene->RegisterGLPanel(p);
        }
    }
    ~Repaint() override {
        owner.DestroyComponents();
        SetHost(previous);
    }
    int Repaints(int i) const { return panels[std::size_t(i)]->Repaints; }

    TTestHost host;
    THost* previous;
    TComponent owner{nullptr};
    TNyxScene* scene;
    std::vector<TCountingPanel*> panels;
    Strings order;
};

TEST_F(Repaint, ChangesAnywhereRepaintEveryPanelInRegistrationOrder) {
    auto* deep = Add<TProbe>(Add<TProbe>(scene));
    order.clear();
    deep->SetSmooth(false);
    EXPECT_EQ(order, (Strings{"First", "Second"}));

    EXPECT_EQ(panels[1]->SharePanel(), panels[0]) << "later panels share with the first";
    EXPECT_EQ(panels[0]->SharePanel(), nullptr);
    scene->RegisterGLPanel(panels[0]);  // already there
    scene->RegisterGLPanel(nullptr);
    EXPECT_EQ(scene->Panels().size(), 2u);

    scene->UnregisterGLPanel(panels[0]);
    order.clear();
    scene->Invalidate(scene);
    EXPECT_EQ(order, (Strings{"Second"}));

    scene->BeginUpdate();  // the scene's own bracket holds nothing back
    deep->SetVisible(false);
    EXPECT_EQ(order, (Strings{"Second", "Second"}));
}

TEST_F(Repaint, FreedPanelsLeaveTheListWhateverTheirOwner) {
    TComponent elsewhere(nullptr);
    auto* stranger = new TCountingPanel(&elsewhere);
    scene->RegisterGLPanel(stranger);
    delete panels[0];
    panels.erase(panels.begin());
    elsewhere.DestroyComponents();
    EXPECT_EQ(scene->Panels().size(), 1u);
    scene->Invalidate(scene);  // would touch freed panels otherwise
    EXPECT_EQ(Repaints(0), 1);
    EXPECT_EQ(panels[0]->SharePanel(), nullptr) << "its freed partner is forgotten";
}

TEST_F(Repaint, EverySetterRepaintsOnChangeOnly) {
    struct TCase {
        const char* What;
        std::function<void()> Same, Change;
        std::function<bool()> Holds;
    };
    const TCase cases[] = {
        {"BackgroundColor", [&] { scene->SetBackgroundColor(0); },
         [&] { scene->SetBackgroundColor(0x00FF8000); },
         [&] {
             return scene->BackgroundRGB() == std::array<float, 3>{0, 128 / 255.f, 1};
         }},
        {"SceneAmbientColor", [&] { scene->SetSceneAmbientColor(3355443); },
         [&] { scene->SetSceneAmbientColor(0x000000FF); },
         [&] {
             return scene->AmbientRGBA() == TRGBAf{1, 0, 0, 1};
         }},
        {"Reflections", [&] { scene->SetReflections(false); }, [&] { scene->SetReflections(true); },
         [&] { return scene->Reflections(); }},
        {"Shadows", [&] { scene->SetFShadows(false); }, [&] { scene->SetFShadows(true); },
         [&] { return scene->Shadows(); }},
        {"QuickMouse", [&] { scene->SetQuickMouse(false); }, [&] { scene->SetQuickMouse(true); },
         [&] { return scene->QuickMouse(); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const int before = Repaints(0);
        c.Same();
        EXPECT_EQ(Repaints(0), before);
        c.Change();
        EXPECT_EQ(Repaints(0), before + 1);
        EXPECT_TRUE(c.Holds());
        c.Change();
        EXPECT_EQ(Repaints(0), before + 1);
    }
}

TEST_F(Repaint, AnimationAtRunTimeLeavesRepaintingToTheTimer) {
    auto* a = Add<TProbe>(scene, "A");
    auto* b = Add<TProbe>(a, "B");
    auto* c = Add<TProbe>(scene, "C");
    scene->SetAnimation(true);
    EXPECT_EQ(host.TimerCount(), 1u);

    const int before = Repaints(0);
    a->SetVisible(false);
    EXPECT_EQ(Repaints(0), before) << "held back while animating";
    host.Advance(39);
    EXPECT_EQ(Repaints(0), before);
    host.Advance(1);
    EXPECT_EQ(Repaints(0), before + 1);
    EXPECT_EQ(Repaints(1), before + 1);
    for (TProbe* p : {a, b, c})
        EXPECT_EQ(p->Times, (std::vector<double>{5.04})) << p->Ident() << ": same time for all";

    host.Advance(40);
    EXPECT_EQ(c->Times.back(), 5.08);
    EXPECT_EQ(Repaints(0), before + 2);

    scene->SetAnimation(false);
    EXPECT_EQ(host.TimerCount(), 0u);
    a->SetVisible(true);
    EXPECT_EQ(Repaints(0), before + 3) << "repainted at once again";
}

TEST_F(Repaint, InTheDesignerNoTimerRunsAndChangesRepaintAtOnce) {
    scene->SetDesigning(true);
    scene->SetAnimation(true);
    EXPECT_TRUE(scene->Animation());
    EXPECT_EQ(host.TimerCount(), 0u);
    scene->SetReflections(true);
    EXPECT_EQ(Repaints(0), 1);
}

TEST_F(Repaint, FailingTickGoesToTheHandlerAndTheTimerKeepsRunning) {
    auto* p = Add<TProbe>(scene);
    int ticks = 0;
    p->OnAction = [&] {
        if (++ticks == 1)
            throw EInvalidOperation("tick failed");
    };
    scene->SetAnimation(true);
    TMessageCapture capture(host);
    const int before = Repaints(0);
    host.Advance(40);
    ASSERT_EQ(capture.Exceptions, (Strings{"tick failed"}));
    EXPECT_EQ(Repaints(0), before) << "the failed tick repaints nothing";
    host.Advance(40);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(Repaints(0), before + 1);
    EXPECT_EQ(capture.Exceptions.size(), 1u);
}

TEST_F(Repaint, TimerThatCannotBeSetRaisesOutOfResources) {
    host.CanArm = false;
    EXPECT_THROW(scene->SetAnimation(true), EOutOfResources);
    EXPECT_TRUE(scene->Animation()) << "the flag keeps the new value";
    host.CanArm = true;
    scene->SetAnimation(false);
    scene->SetAnimation(true);
    EXPECT_EQ(host.TimerCount(), 1u);
    delete scene;
    EXPECT_EQ(host.TimerCount(), 0u) << "no timer outlives its scene";
}

TEST_F(Repaint, ChangesMadeWhileDrawingStartNoFrameInsideTheFrame) {
    TOffscreenGL gl(32, 32);
    auto* camera = MakeCamera(scene);
    panels[0]->OnRepaint = [&] { scene->Render(camera, 32, 32, false); };
    struct TRecolour : TProbe {
        using TProbe::TProbe;
        void DrawMain(bool) override { SetColor(Color() + 1); }
    };
    auto* recolour = new TRecolour(&owner);
    const int before = Repaints(0);
    recolour->SetParentComponent(scene);
    EXPECT_EQ(Repaints(0), before + 1);
    EXPECT_EQ(recolour->Color(), 12632256 + 1) << "drawn once";
}

TEST_F(Repaint, MaterialLibraryLinkEndsWithEitherSide) {
    struct TCase {
        const char* What;
        bool FreeSceneFirst;
    };
    for (const TCase& c : {TCase{"library freed first", false}, TCase{"scene freed first", true}}) {
        SCOPED_TRACE(c.What);
        TComponent libraryOwner(nullptr);
        auto* library = new TNyxMaterialLibrary(&libraryOwner);
        library->Materials()->Add();
        scene->SetMaterialLibrary(library);
        EXPECT_EQ(library->Materials()->RegisteredObjects(), std::vector<TNyxObject*>{scene});

        const int before = Repaints(0);
        library->MaterialAt(0)->SetTransparency(0.5f);
        EXPECT_GT(Repaints(0), before) << "library edits repaint the scene";

        if (c.FreeSceneFirst) {
            delete scene;
            EXPECT_TRUE(library->Materials()->RegisteredObjects().empty());
            library->MaterialAt(0)->SetTransparency(0.25f);  // reaches no freed scene
            scene = new TNyxScene(&owner);
        } else {
            const int repaints = Repaints(0);
            delete library;
            EXPECT_EQ(scene->MaterialLibrary(), nullptr);
            EXPECT_EQ(Repaints(0), repaints + 1);
        }
    }
}

}  // namespace
