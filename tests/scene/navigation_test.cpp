// Mouse navigation: drags recomputed from the state of the press, the click rule and the
// rubber band, selection flags, animation and cursors during a drag, the wheel.

#include "panelfixture.h"

#include "rtl/host.h"

#include <gmock/gmock.h>

#include <cmath>
#include <functional>

namespace nyx::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class NavigationTest : public PanelTest {
protected:
    NavigationTest() {
        // Both cameras look at the origin from 10 units away, their up being +z.
        camera->Position()->SetY(-10);
        panel = NewWindowedPanel();
        panel->SetCamera(camera);
        twin = new TNyxCamera(&owner);
        twin->Position()->SetY(-10);
        twin->SetParentComponent(scene);
        control = panel->PanelControl();
    }

    // The motion state of the two cameras agrees to rounding.
    void ExpectSameMotion(const TNyxCamera& a, const TNyxCamera& b) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(a.PositionOffset()[i], b.PositionOffset()[i], 1e-9) << i;
            EXPECT_NEAR(a.TargetOffset()[i], b.TargetOffset()[i], 1e-9) << i;
            EXPECT_NEAR(a.TruckOffset()[i], b.TruckOffset()[i], 1e-9) << i;
        }
        EXPECT_NEAR(a.FOVOffset(), b.FOVOffset(), 1e-9);
        // The roll total is kept in (0, 360]: 0 and 360 are one angle.
        EXPECT_NEAR(std::fmod(a.RollAngle(), 360.0), std::fmod(b.RollAngle(), 360.0), 1e-9);
    }

    TNyxPanel* panel;
    TNyxCamera* twin;
    TNyxPanelControl* control;
};

// Each mode does one camera motion of the total displacement since the press, however
// the mouse got there; pan and dolly start from a moved camera, so Restore must bring
// back the stored state rather than the authored one.
TEST_F(NavigationTest, EveryDragModeIsComputedFromTheStoredState) {
    struct TCase {
        TNyxMouseMode Mode;
        std::function<void(TNyxCamera&)> Expected;  // for a drag by (+30, +10) on 100 x 100
    };
    const TCase cases[] = {
        {mmPan, [](TNyxCamera& c) { c.Pan(-15, 5); }},
        {mmOrbit, [](TNyxCamera& c) { c.Orbit(-15, -5); }},
        {mmRoll, [](TNyxCamera& c) { c.Roll(-30); }},
        {mmDolly, [](TNyxCamera& c) { c.Dolly(0.1); }},
        {mmFOV, [](TNyxCamera& c) { c.FOV(1.0); }},
        {mmPerspective, [](TNyxCamera& c) { c.Perspective(0.01); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(TNyxMouseModeInfo().NameOf(c.Mode));
        camera->Reset();
        twin->Reset();
        camera->Orbit(7, 3);  // a view that is not the authored one
        twin->Orbit(7, 3);
        for (TMouseButton button : {mbLeft, mbRight}) {
            control->SetMouseLeft(button == mbLeft ? c.Mode : mmNone);
            control->SetMouseRight(button == mbRight ? c.Mode : mmNone);
            panel->PerformMouseDown(button, {}, 40, 40);
            panel->PerformMouseMove({}, 95, 2);
            panel->PerformMouseMove({}, 12, 77);
            panel->PerformMouseMove({}, 70, 50);
            EXPECT_TRUE(control->Moved());
            twin->Store();
            c.Expected(*twin);
            ExpectSameMotion(*camera, *twin);
            // Back to the press point: the view of the press.
            panel->PerformMouseMove({}, 40, 40);
            twin->Restore();
            ExpectSameMotion(*camera, *twin);
            panel->PerformMouseUp(button, {}, 40, 40);
        }
    }
}

TEST_F(NavigationTest, TruckBackToThePressPointRestoresTheView) {
    control->SetMouseLeft(mmTruck);
    panel->PerformMouseDown(mbLeft, {}, 50, 50);
    panel->PerformMouseMove({}, 80, 20);
    EXPECT_NE(camera->TruckOffset(), twin->TruckOffset());
    panel->PerformMouseMove({}, 50, 50);
    ExpectSameMotion(*camera, *twin);
    panel->PerformMouseUp(mbLeft, {}, 50, 50);
}

TEST_F(NavigationTest, NoModeAndTheMiddleButtonMoveNothingButSuspendAnimation) {
    scene->SetAnimation(true);
    for (TMouseButton button : {mbLeft, mbMiddle}) {
        control->SetMouseLeft(button == mbLeft ? mmNone : mmOrbit);
        panel->PerformMouseDown(button, {}, 10, 10);
        EXPECT_FALSE(scene->Animation());
        EXPECT_TRUE(control->Moving());
        panel->PerformMouseMove({}, 60, 60);
        ExpectSameMotion(*camera, *twin);
        panel->PerformMouseUp(button, {}, 60, 60);
        EXPECT_TRUE(scene->Animation());
        EXPECT_FALSE(control->Moving()) << "every release ends the drag";
    }
    scene->SetAnimation(false);
}

TEST_F(NavigationTest, AnimationIsRestoredOnceAndOnlyByADragOfThisPanel) {
    scene->SetAnimation(true);
    panel->PerformMouseDown(mbLeft, {}, 10, 10);
    panel->PerformMouseDown(mbRight, {}, 12, 12);  // a second press keeps the saved value
    panel->PerformMouseUp(mbRight, {}, 12, 12);
    EXPECT_TRUE(scene->Animation());
    scene->SetAnimation(false);  // the application stops it
    panel->PerformMouseDown(mbLeft, {}, 10, 10);
    panel->PerformMouseUp(mbLeft, {}, 10, 10);
    EXPECT_FALSE(scene->Animation());

    scene->SetAnimation(true);
    panel->PerformMouseUp(mbLeft, {}, 10, 10);  // pressed elsewhere
    EXPECT_TRUE(scene->Animation());
    scene->SetAnimation(false);
}

TEST_F(NavigationTest, QuickMouseScenesDrawDraftsWhileDragging) {
    scene->SetQuickMouse(true);
    control->SetMouseLeft(mmOrbit);
    scene->RenderDrafts.clear();
    panel->PerformMouseDown(mbLeft, {}, 10, 10);
    panel->PerformMouseMove({}, 30, 10);  // the camera's change repaints through the scene
    panel->PerformMouseUp(mbLeft, {}, 30, 10);
    ASSERT_GE(scene->RenderDrafts.size(), 2u);
    EXPECT_TRUE(scene->RenderDrafts.front());
    EXPECT_FALSE(scene->RenderDrafts.back()) << "the release repaints in full quality";
}

TEST_F(NavigationTest, CursorsOfTheDragComeFromTheScreenTable) {
    Screen().SetCursors(crNyxRoll, 0x100);
    Screen().SetCursors(crNyxOrbit, 0x101);
    struct TCase {
        TNyxMouseMode Mode;
        HCURSOR Shown;
    };
    for (const TCase& c : {TCase{mmRoll, 0x100}, TCase{mmOrbit, 0x101},
                           TCase{mmPerspective, Screen().Cursors(crDefault)}}) {
        SCOPED_TRACE(c.Mode);
        control->SetMouseLeft(c.Mode);
        panel->PerformMouseDown(mbLeft, {}, 10, 10);
        panel->PerformMouseMove({}, 20, 20);
        EXPECT_EQ(Host().CurrentCursor(), c.Shown) << "103 is not entered: the default";
        panel->PerformMouseUp(mbLeft, {}, 20, 20);
        EXPECT_EQ(Host().CurrentCursor(), Screen().Cursors(crDefault));
        EXPECT_EQ(panel->Cursor(), crDefault);
    }
    Screen().SetCursors(crNyxRoll, 0);
    Screen().SetCursors(crNyxOrbit, 0);
}

// Up to 4 pixels in both directions is a click: a 4 x 4 pick at the release point.
TEST_F(NavigationTest, ClickRuleAndSelectionFlags) {
    control->SetMouseLeft(mmSelect);
    using TCall = TSpyScene::TSelectCall;
    struct TCase {
        const char* What;
        TShiftState Shift;
        TPoint Move, Release;
        TCall Expected;
    };
    const TCase cases[] = {
        {"plain click", {}, {54, 54}, {53, 46}, {53, 54, 4, 4, true, true, true}},
        {"ctrl click keeps the others",
         {ssCtrl},
         {46, 46},
         {47, 47},
         {47, 53, 4, 4, true, true, false}},
        {"band", {}, {60, 70}, {61, 71}, {55, 40, 10, 20, true, false, true}},
        {"shift band toggles", {ssShift}, {45, 44}, {45, 44}, {47, 53, 5, 6, true, true, false}},
        {"ctrl band adds", {ssCtrl}, {30, 20}, {30, 20}, {40, 65, 20, 30, true, false, false}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        scene->Selections.clear();
        panel->PerformMouseDown(mbLeft, {}, 50, 50);
        panel->PerformMouseMove({}, c.Move.X, c.Move.Y);
        panel->PerformMouseUp(mbLeft, c.Shift, c.Release.X, c.Release.Y);
        EXPECT_THAT(scene->Selections, ElementsAre(c.Expected));
        EXPECT_FALSE(control->Moved());
    }
}

TEST_F(NavigationTest, RubberBandErasesTheLastOneUnlessItsCornerIsOnAnAxis) {
    control->SetMouseLeft(mmSelect);
    panel->Repaint();
    TBitmap clean;
    clean.Assign(&Shown(panel));

    panel->PerformMouseDown(mbLeft, {}, 20, 20);
    panel->PerformMouseMove({}, 22, 23);  // a click so far: nothing drawn
    EXPECT_TRUE(Shown(panel).SameImage(clean));
    panel->PerformMouseMove({}, 40, 30);
    EXPECT_FALSE(Shown(panel).SameImage(clean));
    EXPECT_EQ(control->LastPoint(), Point(40, 30));
    panel->PerformMouseMove({}, 30, 40);  // erases the first, draws the second
    panel->PerformMouseMove({}, 40, 30);  // and back: only the first one shows
    TBitmap one;
    one.Assign(&Shown(panel));
    panel->PerformMouseMove({}, 20, 26);  // a band of no width: drawn and erased alike
    panel->PerformMouseMove({}, 40, 30);
    EXPECT_TRUE(Shown(panel).SameImage(one)) << "each move erased exactly the band before";

    // A corner on x = 0 is taken for none: that band stays on the screen.
    panel->PerformMouseMove({}, 0, 35);
    panel->PerformMouseMove({}, 40, 30);
    EXPECT_FALSE(Shown(panel).SameImage(one));
    panel->PerformMouseUp(mbLeft, {}, 40, 30);
}

TEST_F(NavigationTest, WheelModesAccumulateAndOnlyFourAct) {
    struct TCase {
        TNyxMouseMode Mode;
        std::function<void(TNyxCamera&)> PerNotch;  // 120 per notch
    };
    const TCase cases[] = {
        {mmRoll, [](TNyxCamera& c) { c.Roll(-6); }},
        {mmDolly, [](TNyxCamera& c) { c.Dolly(0.12); }},
        {mmFOV, [](TNyxCamera& c) { c.FOV(1.2); }},
        {mmPerspective, [](TNyxCamera& c) { c.Perspective(0.012); }},
        {mmOrbit, [](TNyxCamera&) {}},
        {mmSelect, [](TNyxCamera&) {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(TNyxMouseModeInfo().NameOf(c.Mode));
        camera->Reset();
        twin->Reset();
        control->SetMouseWheel(c.Mode);
        const int frames = panel->FrameCount();
        for (int i = 0; i < 3; ++i) {
            panel->PerformMouseWheel({}, 120, Point(5, 5));
            c.PerNotch(*twin);
        }
        ExpectSameMotion(*camera, *twin);
        const bool acts = c.Mode != mmOrbit && c.Mode != mmSelect;
        EXPECT_EQ(panel->FrameCount() > frames, acts);
    }
}

TEST_F(NavigationTest, WheelFieldOfViewStopsAtItsLimits) {
    control->SetMouseWheel(mmFOV);
    double last = camera->FOVOffset();
    int changes = 0;
    for (int i = 0; i < 400; ++i) {
        panel->PerformMouseWheel({}, 120, Point(5, 5));
        if (camera->FOVOffset() != last)
            ++changes;
        last = camera->FOVOffset();
    }
    EXPECT_GT(changes, 0);
    EXPECT_LT(changes, 400) << "notches beyond the limit change nothing";
    panel->PerformMouseWheel({}, 120, Point(5, 5));
    EXPECT_EQ(camera->FOVOffset(), last);
}

TEST_F(NavigationTest, PanelWithoutSceneIgnoresTheMouse) {
    auto* lonely = new TNyxCamera(&owner);
    panel->SetCamera(lonely);
    control->SetMouseLeft(mmOrbit);
    control->SetMouseWheel(mmRoll);
    panel->PerformMouseDown(mbLeft, {}, 10, 10);
    EXPECT_FALSE(control->Moving());
    panel->PerformMouseMove({}, 50, 50);
    panel->PerformMouseWheel({}, 120, Point(1, 1));
    EXPECT_EQ(lonely->RollAngle(), twin->RollAngle());
    EXPECT_THAT(scene->Selections, IsEmpty());
}

}  // namespace
}  // namespace nyx::test
