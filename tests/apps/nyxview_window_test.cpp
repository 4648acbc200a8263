// nyxview's window on a virtual X server: the Layers dock hides a drawing's layers and the
// saved file keeps them hidden, the Scene dock and the view select together, the status
// bar tells what was drawn and where the cursor points, the view keys, the wheel towards
// the point under the cursor, the double click's orbit centre, and the File menu.

#include "drawings.h"
#include "runprogram.h"
#include "viewerwindow.h"

#include "qt/panelwidget.h"
#include "qt/qtenv.h"
#include "rtl/graphics.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace nyx::test {
namespace {

// Recent files go to a settings file of the test's own.
const bool OwnSettings = [] {
    static TTempDir config;
    return setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1) == 0;
}();
const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

double Distance(const TGLArrayd3& A, const TGLArrayd3& B) {
    const TGLArrayd3 d{A[0] - B[0], A[1] - B[1], A[2] - B[2]};
    return std::sqrt(Dotd(d, d));
}

class NyxviewWindowTest : public ::testing::Test {
protected:
    void Show(const std::string& File) {
        window.Open(File);
        window.resize(640, 480);
        window.show();
        TNyxPanel* panel = window.Panel();
        ASSERT_TRUE(SpinUntil([panel] { return panel->HandleAllocated() && panel->FrameCount(); }));
        QCoreApplication::processEvents();
    }
    QTreeWidgetItem* Layer(const QString& Name) {
        for (QTreeWidgetItemIterator it(&window.Layers()); *it; ++it)
            if ((*it)->text(0).startsWith(Name))
                return *it;
        return nullptr;
    }
    // The world point under a widget pixel, none over empty space.
    std::optional<TGLArrayd3> PointAt(QPoint At) {
        TGLArrayd3 p{};
        window.Panel()->MakeCurrent();
        if (!window.Scene()->PickSurface(window.Camera(), window.Panel()->Width(),
                                         window.Panel()->Height(), At.x(),
                                         window.Panel()->Height() - At.y(), p))
            return std::nullopt;
        return p;
    }
    QPoint Centre() { return {window.Panel()->Width() / 2, window.Panel()->Height() / 2}; }

    TViewerWindow window;
    TTempDir dir;
};

TEST_F(NyxviewWindowTest, HiddenLayersStayHiddenInTheSavedFile) {
    const std::string plan = dir / "plan.dxf";
    WriteFile(plan, PlanDrawing());
    Show(plan);
    EXPECT_EQ(window.windowTitle(), QString("plan.dxf - nyxview"));
    QTreeWidgetItem* walls = Layer("WALLS");
    ASSERT_NE(walls, nullptr);
    EXPECT_EQ(walls->text(1), QString("6")) << "four lines, a circle and an arc";
    EXPECT_FALSE(walls->icon(0).isNull()) << "the layer's colour";
    EXPECT_EQ(window.Layers().topLevelItemCount(), 4) << "layers only, no light";
    walls->setCheckState(0, Qt::Unchecked);
    TNyxObject* layer = window.Scene()->Items()[0];
    EXPECT_FALSE(layer->Visible());

    // Both forms keep it, the drawing as a layer switched off.
    for (const std::string saved : {"plan.nyxt", "saved.dxf"}) {
        SCOPED_TRACE(saved);
        window.ChooseFile = [&](bool, const QString&) { return dir / saved; };
        ASSERT_TRUE(window.SaveAs());
        EXPECT_EQ(window.windowTitle(), QString::fromStdString(saved + " - nyxview"));
        ASSERT_TRUE(window.OpenFile(dir / saved));
        ASSERT_NE(Layer("WALLS"), nullptr);
        EXPECT_EQ(Layer("WALLS")->checkState(0), Qt::Unchecked);
        EXPECT_EQ(Layer("FLOOR")->checkState(0), Qt::Checked);
    }
    // Both files are the first in the recent list, the last opened first.
    const QList<QAction*> recent = window.RecentMenu().actions();
    ASSERT_GE(recent.size(), 2);
    EXPECT_TRUE(recent[0]->text().endsWith("saved.dxf"));
    EXPECT_TRUE(recent[1]->text().endsWith("plan.nyxt"));
}

TEST_F(NyxviewWindowTest, SceneDockAndViewSelectTogetherAndTheStatusBarTellsIt) {
    Show("");
    EXPECT_TRUE(window.StatusText().contains(" objects, ")) << window.StatusText().toStdString();
    EXPECT_FALSE(window.StatusText().contains(" 0 triangles")) << window.StatusText().toStdString();
    QTreeWidgetItem* sphere = nullptr;
    for (QTreeWidgetItemIterator it(&window.SceneTree()); *it; ++it)
        if ((*it)->text(0).endsWith("TNyxSphere"))
            sphere = *it;
    ASSERT_NE(sphere, nullptr);
    EXPECT_FALSE(sphere->icon(0).isNull()) << "the designer's tree image";
    sphere->setSelected(true);
    std::vector<TNyxObject*> all;
    window.Scene()->ListChildren(all);
    const auto selected = [&] {
        std::vector<TNyxObject*> s;
        for (TNyxObject* o : all)
            if (o->Selected())
                s.push_back(o);
        return s;
    };
    ASSERT_EQ(selected().size(), 1u);
    EXPECT_TRUE(window.StatusText().contains("(TNyxSphere)")) << window.StatusText().toStdString();

    // Selected in the view: the tree follows.
    selected()[0]->SetSelected(false);
    all.back()->SetSelected(true);
    window.ShowSelection();
    ASSERT_EQ(window.SceneTree().selectedItems().size(), 1);
    EXPECT_TRUE(window.SceneTree().selectedItems()[0]->text(0).endsWith(
        QString::fromStdString(all.back()->ClassName())));

    // The point under the cursor.
    ASSERT_TRUE(PointAt(Centre()));
    window.ShowPointAt(Centre());
    EXPECT_TRUE(window.StatusText().contains("x ")) << window.StatusText().toStdString();
}

TEST_F(NyxviewWindowTest, ViewKeysTurnTheCameraAndRGoesBackToTheStart) {
    Show("");
    TNyxCamera* camera = window.Camera();
    const TGLArrayd3 start = camera->GetPosition();
    // Every key is a View menu command with its shortcut and tool tip.
    QStringList keys;
    for (QAction* a : window.menuBar()->actions()[1]->menu()->actions()) {
        keys << a->shortcut().toString();
        EXPECT_FALSE(a->toolTip().isEmpty());
    }
    EXPECT_EQ(keys, (QStringList{"1", "2", "3", "4", "5", "R", "F"}));

    window.ShowView(TViewerWindow::TView::Top);
    const TGLArrayd3 target = camera->GetTarget();
    const double distance = Distance(start, target);
    EXPECT_NEAR(camera->GetPosition()[2] - target[2], distance, distance * 1e-3);
    window.ShowView(TViewerWindow::TView::Front);
    EXPECT_NEAR(target[1] - camera->GetPosition()[1], distance, 1e-9);
    window.ShowView(TViewerWindow::TView::Narrow);
    EXPECT_EQ(camera->FOVY(), 5);
    EXPECT_GT(Distance(camera->GetPosition(), target), 5 * distance);
    window.ShowView(TViewerWindow::TView::Narrow);
    EXPECT_NEAR(Distance(camera->GetPosition(), target), distance, 1e-9) << "5 again: back";
    window.ShowView(TViewerWindow::TView::Start);
    EXPECT_EQ(camera->GetPosition(), start);
}

TEST_F(NyxviewWindowTest, WheelZoomsTowardsThePointUnderTheCursorWhichStaysThere) {
    Show("");
    TNyxCamera* camera = window.Camera();
    const std::optional<TGLArrayd3> before = PointAt(Centre() + QPoint(60, 40));
    ASSERT_TRUE(before);
    const double distance = Distance(camera->GetPosition(), *before);
    const QPoint at = Centre() + QPoint(60, 40);
    QWheelEvent wheel(QPointF(at), QPointF(window.PanelWidget().mapToGlobal(at)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&window.PanelWidget(), &wheel);
    EXPECT_NEAR(Distance(camera->GetPosition(), *before), distance * 0.88, distance * 1e-6);
    const std::optional<TGLArrayd3> after = PointAt(at);
    ASSERT_TRUE(after);
    EXPECT_LT(Distance(*after, *before), distance * 0.01) << "the point stays under the cursor";

    // A double click makes the point under the cursor the centre of orbiting.
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(at),
                      QPointF(window.PanelWidget().mapToGlobal(at)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&window.PanelWidget(), &twice);
    EXPECT_LT(Distance(camera->GetTarget(), *after), distance * 0.01);
}

TEST_F(NyxviewWindowTest, ExportsAPictureOfTheChosenSizeAndReportsAFileItCannotOpen) {
    Show("");
    window.ChooseFile = [this](bool, const QString&) { return dir / "view.png"; };
    window.ChoosePictureSize = [] { return QSize(160, 96); };
    ASSERT_TRUE(window.ExportPicture());
    TBitmap picture(1, 1);
    picture.LoadFromFile(dir / "view.png");
    EXPECT_EQ(picture.Width(), 160);
    EXPECT_EQ(picture.Height(), 96);

    TNyxScene* shown = window.Scene();
    TMessageCapture capture;
    EXPECT_FALSE(window.OpenFile(dir / "missing.nyxt"));
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_NE(capture.Boxes[0].Text.find("missing.nyxt"), std::string::npos);
    EXPECT_EQ(window.Scene(), shown);
}

}  // namespace
}  // namespace nyx::test
