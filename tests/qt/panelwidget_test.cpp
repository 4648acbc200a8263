// A panel shown by the Qt widget on a GLX child window under a virtual X server.

#include "qtenv.h"

#include "gl/opengl.h"
#include "gl/wgl.h"
#include "qt/panelwidget.h"
#include "qt/printer.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

class PanelWidgetTest : public ::testing::Test {
protected:
    PanelWidgetTest() {
        scene = new TNyxScene(&owner);
        scene->SetBackgroundColor(clRed);
        camera = new TNyxCamera(&owner);
        camera->SetParentComponent(scene);
    }

    // A shown widget with a panel of the scene that has rendered a frame.
    std::unique_ptr<TNyxPanelWidget> Show(TNyxPanel*& Panel, int W = 64, int H = 48) {
        Panel = new TNyxPanel(&owner);
        Panel->SetCamera(camera);
        auto widget = std::make_unique<TNyxPanelWidget>(Panel);
        widget->resize(W, H);
        widget->show();
        TNyxPanel* p = Panel;
        EXPECT_TRUE(SpinUntil([p] { return p->HandleAllocated() && p->FrameCount() > 0; }));
        return widget;
    }

    // What the X server shows in the panel's window.
    static TColor Shown(TNyxPanel* Panel, int X, int Y) { return Panel->Canvas().Pixels(X, Y); }

    TComponent owner{nullptr};
    TNyxScene* scene;
    TNyxCamera* camera;
};

TEST_F(PanelWidgetTest, ShowsARenderedFrameOnAGLXWindow) {
    TNyxPanel* panel = nullptr;
    auto widget = Show(panel);
    EXPECT_NE(widget->GLWindow(), 0u);
    EXPECT_EQ(panel->DeviceContext()->Kind(), TDeviceKind::dkWindow);
    EXPECT_GT(panel->PixelFormatDescriptor().cAccumBits, 0) << "accumulation was asked for";
    EXPECT_GT(panel->PixelFormatDescriptor().cStencilBits, 0);
    EXPECT_NE(panel->Extentions(), "");
    EXPECT_EQ(Shown(panel, 5, 5), clRed);
    EXPECT_EQ(Shown(panel, 63, 47), clRed);

    scene->SetBackgroundColor(clBlue);  // the scene repaints its panel at once
    EXPECT_EQ(Shown(panel, 30, 20), clBlue);
}

TEST_F(PanelWidgetTest, SecondPanelOfTheSceneSharesDisplayLists) {
    TNyxPanel* first = nullptr;
    auto one = Show(first);
    TNyxPanel* second = nullptr;
    auto two = Show(second);
    EXPECT_EQ(second->SharePanel(), first);

    first->MakeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glClearColor(0, 1, 0, 0);
    glEndList();
    second->MakeCurrent();
    glCallList(list);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(second->DeviceContext());
    glFlush();
    EXPECT_EQ(Shown(second, 10, 10), clLime);
    first->MakeCurrent();
    glDeleteLists(list, 1);
}

TEST_F(PanelWidgetTest, FollowsTheWidgetsSize) {
    TNyxPanel* panel = nullptr;
    auto widget = Show(panel);
    widget->resize(120, 90);
    ASSERT_TRUE(SpinUntil([&] { return panel->Width() == 120 && panel->Height() == 90; }));
    panel->Repaint();
    EXPECT_EQ(Shown(panel, 119, 89), clRed);
    widget->resize(20, 10);
    SpinUntil([&] { return panel->Width() == 20; });
    panel->Repaint();
    EXPECT_EQ(Shown(panel, 19, 9), clRed);
}

// Rubber bands invert the window's pixels: drawn twice, the frame is back.
TEST_F(PanelWidgetTest, FocusRectanglesOnTheWindowEraseExactly) {
    TNyxPanel* panel = nullptr;
    auto widget = Show(panel);
    TCanvas& canvas = panel->Canvas();
    canvas.DrawFocusRect(Rect(10, 10, 30, 20));
    EXPECT_NE(Shown(panel, 10, 10), clRed);
    canvas.DrawFocusRect(Rect(10, 10, 30, 20));
    EXPECT_EQ(Shown(panel, 10, 10), clRed);
    EXPECT_EQ(Shown(panel, 29, 19), clRed);
}

// The window's GLX context and the page's off-screen one live side by side.
TEST_F(PanelWidgetTest, PrintsAWindowedPanelIntoAPdf) {
    TNyxPanel* panel = nullptr;
    auto widget = Show(panel);
    QTemporaryDir dir;
    TQtPrinter printer(36);
    printer.Printer().setOutputFileName(dir.filePath("view.pdf"));
    panel->Print(printer);
    EXPECT_EQ(printer.Printer().docName(), "Nyx rendered image");
    QFile pdf(dir.filePath("view.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
    panel->Repaint();  // the window's own context is still usable
    EXPECT_EQ(Shown(panel, 5, 5), clRed);
}

TEST_F(PanelWidgetTest, SurvivesDestructionInAnyOrder) {
    {  // the widget first: the panel keeps working, windowless
        TNyxPanel* panel = nullptr;
        auto widget = Show(panel);
        widget.reset();
        EXPECT_FALSE(panel->HandleAllocated());
        panel->Repaint();
        delete panel;
    }
    {  // the panel first: the widget stays, empty
        TNyxPanel* panel = nullptr;
        auto widget = Show(panel);
        delete panel;
        EXPECT_EQ(widget->Panel(), nullptr);
        EXPECT_EQ(widget->GLWindow(), 0u);
        widget->resize(30, 30);
        SpinUntil([] { return false; }, 30);
    }
    {  // the scene first, then the widget, then the panel
        TNyxPanel* panel = nullptr;
        auto widget = Show(panel);
        delete scene;
        scene = nullptr;
        camera = nullptr;
        EXPECT_EQ(panel->Camera(), nullptr);
        SpinUntil([] { return false; }, 30);
        widget.reset();
        delete panel;
    }
}

}  // namespace
}  // namespace nyx::test
