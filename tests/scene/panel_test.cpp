// The rendering panel on the off-screen host: what the window shows, which OpenGL state it
// sets and when, its links to camera and scene, rendering into canvases and printing.

#include "panelfixture.h"

#include "gl/wgl.h"
#include "rtl/sysutils.h"

#include <gmock/gmock.h>

namespace nyx::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The five option switches, in the calls issued before the scene starts its frame.
Strings OptionSwitches(const TGLRecorder& rec) {
    Strings out;
    for (const std::string& c : rec.Calls()) {
        if (c.rfind("glClear(", 0) == 0)
            break;
        if (c.rfind("glShadeModel", 0) == 0 || c.rfind("glLightModelf(", 0) == 0 ||
            c.find("GL_LIGHTING") != std::string::npos ||
            c.find("GL_DEPTH_TEST") != std::string::npos ||
            c.find("GL_CULL_FACE") != std::string::npos)
            out.push_back(c);
    }
    return out;
}

TEST_F(PanelTest, NewPanelDefaultsAndBlackWithoutCamera) {
    TNyxPanel* panel = NewPanel();
    EXPECT_EQ(panel->Width(), 100);
    EXPECT_EQ(panel->Height(), 100);
    EXPECT_EQ(panel->Options().ToBits(), 30);
    EXPECT_TRUE(panel->Enabled());
    EXPECT_FALSE(panel->TabStop());
    EXPECT_EQ(panel->Align(), alNone);
    EXPECT_EQ(panel->Fog()->OwnerPanel(), panel);
    EXPECT_FALSE(panel->Fog()->Enabled());
    EXPECT_EQ(panel->PanelControl()->MouseLeft(), mmNone);
    EXPECT_EQ(panel->PanelControl()->MouseWheel(), mmNone);
    EXPECT_EQ(panel->Acceleration(), "");

    panel->HandleNeeded();
    EXPECT_EQ(panel->Acceleration(), "Software");
    EXPECT_NE(panel->Extentions(), "");
    EXPECT_NE(panel->RenderContext(), nullptr);
    EXPECT_NE(panel->PixelFormatDescriptor().dwFlags & PFD_GENERIC_FORMAT, 0u);
    panel->Repaint();
    EXPECT_EQ(PixelAt(panel, 50, 50), clBlack);
    EXPECT_EQ(panel->FrameCount(), 0);

    // A camera outside any scene cannot be rendered either.
    auto* lonely = new TNyxCamera(&owner);
    panel->SetCamera(lonely);
    EXPECT_EQ(PixelAt(panel, 50, 50), clBlack);
}

TEST(PanelAcceleration, KindFollowsTheGenericFlags) {
    struct TCase {
        std::uint32_t Flags;
        const char* Expected;
    };
    for (const TCase& c : {TCase{PFD_GENERIC_FORMAT, "Software"},
                           TCase{PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED, "MCD"},
                           TCase{0, "ICD"}, TCase{PFD_GENERIC_ACCELERATED, "before"}}) {
        SCOPED_TRACE(c.Flags);
        EXPECT_EQ(TNyxPanel::AccelerationOf(c.Flags | PFD_SUPPORT_OPENGL, "before"), c.Expected);
    }
}

TEST_F(PanelTest, CameraAssignmentRegistersAndRenders) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    EXPECT_THAT(scene->Panels(), ElementsAre(panel));
    EXPECT_EQ(PixelAt(panel, 10, 90), Background);
    EXPECT_EQ(panel->FrameCount(), 1);
    const std::int32_t before = FGlobFrame;
    panel->Repaint();
    EXPECT_EQ(FGlobFrame, before + 1);
    ASSERT_FALSE(scene->FrameDCs.empty());
    EXPECT_EQ(scene->FrameDCs.back(), panel->DeviceContext());
    EXPECT_GE(panel->RenderTime(), 0.0);

    panel->SetCamera(nullptr);
    EXPECT_THAT(scene->Panels(), IsEmpty());
    EXPECT_EQ(PixelAt(panel, 10, 90), clBlack);
}

TEST_F(PanelTest, OptionsAreAppliedOnlyWhenTheyChange) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    {
        TGLRecorder rec;
        panel->SetOptions(panel->Options());  // same value: no paint at all
        EXPECT_THAT(rec.Calls(), IsEmpty());
    }
    {
        TGLRecorder rec;
        panel->SetOptions(TNyxOptions{goFlatShadeModel, goCullFace});
        EXPECT_THAT(OptionSwitches(rec),
                    ElementsAre("glShadeModel(GL_FLAT)", "glDisable(GL_LIGHTING)",
                                "glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0)",
                                "glDisable(GL_DEPTH_TEST)", "glEnable(GL_CULL_FACE)"));
        EXPECT_THAT(rec.Calls({"glFlush"}), ElementsAre("glFlush()"));
    }
    {
        TGLRecorder rec;
        panel->Repaint();
        EXPECT_THAT(OptionSwitches(rec), IsEmpty());
        // The fog goes out on every frame, after the switches and before the scene.
        EXPECT_THAT(rec.Calls({"glDisable"}).front(), "glDisable(GL_FOG)");
    }
}

TEST_F(PanelTest, EmptyOptionsNeedNoSwitchesOnANewContext) {
    TNyxPanel* panel = NewPanel();
    panel->SetOptions({});
    panel->SetCamera(camera);
    TGLRecorder rec;
    panel->HandleNeeded();
    panel->Repaint();
    EXPECT_THAT(OptionSwitches(rec), IsEmpty());
    EXPECT_EQ(PixelAt(panel, 1, 1), Background);
}

TEST_F(PanelTest, DisabledPanelShowsBlackAndEnabledRendersAgain) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    panel->SetEnabled(false);
    EXPECT_EQ(PixelAt(panel, 50, 50), clBlack);
    const int frames = panel->FrameCount();
    panel->SetEnabled(true);
    EXPECT_EQ(PixelAt(panel, 50, 50), Background);
    EXPECT_EQ(panel->FrameCount(), frames + 1);
}

TEST_F(PanelTest, RemovingTheCameraClearsItAndLeavesTheScene) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    delete camera;
    camera = nullptr;
    EXPECT_EQ(panel->Camera(), nullptr);
    EXPECT_THAT(scene->Panels(), IsEmpty());
    EXPECT_EQ(PixelAt(panel, 50, 50), clBlack);
}

// Whoever goes first, nobody keeps a pointer to what went.
TEST_F(PanelTest, PanelsAndScenesGoInAnyOrder) {
    TComponent elsewhere(nullptr);
    auto* stranger = new TNyxPanel(&elsewhere);
    stranger->HandleNeeded();
    stranger->SetCamera(camera);
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    ASSERT_EQ(scene->Panels().size(), 2u);
    delete stranger;
    EXPECT_THAT(scene->Panels(), ElementsAre(panel));
    EXPECT_EQ(panel->SharePanel(), nullptr);

    delete scene;  // frees the camera with it
    scene = nullptr;
    camera = nullptr;
    EXPECT_EQ(panel->Camera(), nullptr);
    panel->Repaint();
    EXPECT_EQ(PixelAt(panel, 5, 5), clBlack);
}

// Registration follows the camera into a scene as it happens, also when the camera
// comes in with a group, and the scene's change repaints the panel.
TEST_F(PanelTest, CameraJoiningASceneLaterIsRegisteredAtOnce) {
    auto* group = new TNyxObject(&owner);
    auto* later = new TNyxCamera(&owner);
    later->SetParentComponent(group);
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(later);
    EXPECT_THAT(scene->Panels(), IsEmpty());
    group->SetParentComponent(scene);
    EXPECT_THAT(scene->Panels(), ElementsAre(panel));
    EXPECT_EQ(PixelAt(panel, 5, 5), Background);

    panel->SetCamera(nullptr);
    EXPECT_THAT(scene->Panels(), IsEmpty());
    group->SetParentComponent(nullptr);
    group->SetParentComponent(scene);  // a former camera no longer drags the panel in
    EXPECT_THAT(scene->Panels(), IsEmpty());
}

TEST_F(PanelTest, LaterPanelsShareDisplayListsWithTheFirst) {
    TNyxPanel* first = NewWindowedPanel();
    first->SetCamera(camera);
    TNyxPanel* second = NewPanel();
    second->SetCamera(camera);  // registered before its window exists
    EXPECT_EQ(second->SharePanel(), first);
    second->HandleNeeded();

    first->MakeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glClearColor(0, 1, 0, 0);
    glEndList();
    second->MakeCurrent();
    glCallList(list);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    EXPECT_EQ(PixelAt(second, 3, 3), clLime);
    first->MakeCurrent();
    glDeleteLists(list, 1);
}

TEST_F(PanelTest, ResizingKeepsRenderingIntoTheMovedSurface) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    TGLRecorder rec;
    panel->SetBounds(0, 0, 160, 120);
    EXPECT_THAT(rec.Calls({"glViewport"}), ElementsAre("glViewport(0, 0, 160, 120)"));
    panel->Repaint();
    EXPECT_EQ(PixelAt(panel, 150, 110), Background);
    panel->SetBounds(0, 0, 0, 0);  // an empty window draws nothing and raises nothing
    panel->Repaint();
    panel->SetBounds(0, 0, 20, 20);
    panel->Repaint();
    EXPECT_EQ(PixelAt(panel, 19, 19), Background);
}

TEST_F(PanelTest, RenderToCanvasDrawsAtTheGivenSize) {
    TNyxPanel* panel = NewWindowedPanel();
    TBitmap target(32, 24);
    panel->RenderToCanvas(target.Canvas(), 32, 24, false);  // no camera: left as it is
    EXPECT_EQ(target.Pixels(0, 0), clWhite);
    panel->SetCamera(camera);
    panel->RenderToCanvas(target.Canvas(), 32, 24, false);
    EXPECT_EQ(target.Pixels(31, 23), Background);
    // Shadows of several lights accumulate in a canvas as in the window.
    ASSERT_FALSE(scene->RenderAccumBits.empty());
    EXPECT_GE(scene->RenderAccumBits.back(), 16);
    ASSERT_FALSE(scene->FrameDCs.empty());
    EXPECT_EQ(scene->FrameDCs.back(), target.Canvas().Handle());
    EXPECT_EQ(scene->Frame().DC(), nullptr) << "no stale canvas left behind";
    // The panel's own context is made current again by its next paint.
    panel->SetOptions({});
    EXPECT_EQ(PixelAt(panel, 50, 50), Background);
}

TEST_F(PanelTest, RefusedCanvasRaisesAndTheOwnContextStaysUsable) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    TBitmap page(16, 16);
    TBitmapCanvas refusing(page, TDeviceKind::dkOther);
    try {
        panel->RenderToCanvas(refusing, 16, 16, false);
        FAIL() << "expected the pixel-format error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "RenderToCanvas: Can't set pixel format");
    }
    EXPECT_EQ(page.Pixels(8, 8), clWhite);
    scene->SetBackgroundColor(clBlue);
    EXPECT_EQ(PixelAt(panel, 50, 50), clBlue);
}

// A canvas render before the panel's first frame must not rob the panel's own context
// of its option switches.
TEST_F(PanelTest, CanvasRenderLeavesTheOwnContextsOptionsPending) {
    TNyxPanel* panel = NewPanel();
    panel->SetCamera(camera);
    TBitmap target(8, 8);
    panel->RenderToCanvas(target.Canvas(), 8, 8, false);
    TGLRecorder rec;
    panel->HandleNeeded();
    panel->Repaint();
    EXPECT_EQ(OptionSwitches(rec).size(), 5u);
}

TEST_F(PanelTest, PrintRendersOnePageOrAbortsAndRaises) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    TBitmapPrinter printer(40, 30);
    panel->Print(printer);
    EXPECT_EQ(printer.DocumentTitle(), "Nyx rendered image");
    ASSERT_EQ(printer.PageCount(), 1);
    EXPECT_EQ(printer.Pages(0).Pixels(39, 29), Background);

    TBitmapPrinter refusing(40, 30, TDeviceKind::dkOther);
    EXPECT_THROW(panel->Print(refusing), Exception);
    EXPECT_TRUE(refusing.Aborted());
    EXPECT_FALSE(refusing.Printing());
    EXPECT_EQ(refusing.PageCount(), 0);
}

TEST_F(PanelTest, MouseRoutingFocusesAndTheWheelNeverReachesTheApplication) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    TAppEvents app;
    app.Connect(*panel);
    panel->PerformMouseDown(mbLeft, {}, 3, 4);
    panel->PerformMouseMove({}, 5, 6);
    panel->PerformMouseUp(mbLeft, {}, 7, 8);
    EXPECT_TRUE(panel->Focused());
    EXPECT_EQ(app.Lines, (Strings{"down 3,4", "move 5,6", "up 7,8"}));

    panel->PanelControl()->SetMouseWheel(mmFOV);
    EXPECT_TRUE(panel->PerformMouseWheel({}, 120, Point(1, 1)));
    panel->PanelControl()->SetMouseWheel(mmNone);
    EXPECT_TRUE(panel->PerformMouseWheel({}, 120, Point(1, 1)));
    EXPECT_EQ(app.Wheels, 0);
}

TEST_F(PanelTest, FogSettingsRepaintThePanel) {
    TNyxPanel* panel = NewWindowedPanel();
    panel->SetCamera(camera);
    const int frames = panel->FrameCount();
    panel->Fog()->SetEnabled(true);
    panel->Fog()->SetEnabled(true);
    EXPECT_EQ(panel->FrameCount(), frames + 1);
}

}  // namespace
}  // namespace nyx::test
