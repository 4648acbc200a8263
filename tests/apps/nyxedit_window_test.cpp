// nyxedit's window on X (a virtual X server): a panel on the form is a live view that
// renders its scene and navigates with the mouse.

#include "formview.h"
#include "mainwindow.h"
#include "registration.h"

#include "design/registry.h"
#include "qt/panelwidget.h"
#include "qt/qtenv.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QMouseEvent>

#include <gtest/gtest.h>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

TEST(NyxeditWindow, PanelOnTheFormIsALiveNavigableView) {
    TDesignRegistry registry;
    RegisterDesignTools(registry);
    TEditorWindow window(registry);
    TFormDocument& doc = window.Document();
    auto* scene = dynamic_cast<TNyxScene*>(
        doc.CreateComponent(&TNyxScene::StaticClass(), doc.GetRoot(), 16, 16, 0, 0));
    scene->SetBackgroundColor(clRed);
    auto* camera = dynamic_cast<TNyxCamera*>(
        doc.CreateComponent(&TNyxCamera::StaticClass(), doc.GetRoot(), 0, 0, 0, 0));
    camera->SetParentComponent(scene);
    camera->Position()->SetX(2);  // off the target, so that there is something to orbit
    camera->Position()->SetY(-2.5);
    auto* panel = dynamic_cast<TNyxPanel*>(
        doc.CreateComponent(&TNyxPanel::StaticClass(), doc.GetRoot(), 120, 16, 96, 72));
    panel->SetCamera(camera);
    panel->PanelControl()->SetMouseLeft(mmOrbit);
    window.show();

    ASSERT_TRUE(SpinUntil([panel] { return panel->HandleAllocated() && panel->FrameCount() > 0; }));
    auto* live = window.FormView().ViewOf(panel)->findChild<TNyxPanelWidget*>();
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->size(), QSize(96, 72));
    EXPECT_EQ(panel->Canvas().Pixels(5, 5), clRed);
    scene->SetBackgroundColor(clBlue);  // the scene repaints its panel at once
    EXPECT_EQ(panel->Canvas().Pixels(50, 40), clBlue);

    auto send = [live](QEvent::Type Type, QPoint At, Qt::MouseButton Button,
                       Qt::MouseButtons Buttons) {
        QMouseEvent event(Type, QPointF(At), QPointF(live->mapToGlobal(At)), Button, Buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(live, &event);
    };
    send(QEvent::MouseButtonPress, {40, 36}, Qt::LeftButton, Qt::LeftButton);
    for (int x = 45; x <= 70; x += 5)
        send(QEvent::MouseMove, {x, 36}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {70, 36}, Qt::LeftButton, Qt::NoButton);
    EXPECT_NE(camera->PositionOffset(), (TGLArrayd3{0, 0, 0})) << "a left drag orbits";

    // The resize grip lies outside the live view, which would take the press itself.
    TComponentView* frame = window.FormView().ViewOf(panel);
    const QPoint corner(frame->width() - 2, frame->height() - 2);
    EXPECT_EQ(frame->childAt(corner), nullptr);
    auto drag = [frame](QEvent::Type Type, QPoint At, Qt::MouseButton Button,
                        Qt::MouseButtons Buttons) {
        QMouseEvent event(Type, QPointF(At), QPointF(frame->mapToGlobal(At)), Button, Buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &event);
    };
    drag(QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    drag(QEvent::MouseMove, corner + QPoint(20, 10), Qt::NoButton, Qt::LeftButton);
    drag(QEvent::MouseButtonRelease, corner + QPoint(20, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(QSize(panel->Width(), panel->Height()), QSize(116, 82));
    EXPECT_TRUE(SpinUntil([live] { return live->size() == QSize(116, 82); }));
    doc.New();
}

}  // namespace
}  // namespace nyx::test
