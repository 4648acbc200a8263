// nyxview's window input on the demo scene: the middle button selects (click and rubber
// band, with the panel's Shift and Ctrl rules) and gives the left button its orbit back;
// R returns to the starting view. Events go through the widget as Qt delivers them.

#include "demo.h"
#include "qt/qtenv.h"
#include "viewerinput.h"

#include "gl/opengl.h"
#include "objects/box.h"
#include "objects/quadrics.h"
#include "objects/torus.h"
#include "qt/panelwidget.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

constexpr int Width = 400;
constexpr int Height = 300;

class ViewerInputTest : public ::testing::Test {
protected:
    ViewerInputTest() : demo(BuildDemoScene(&owner)) {
        panel = new TNyxPanel(&owner);
        panel->SetCamera(demo.Camera);
        panel->PanelControl()->SetMouseLeft(mmOrbit);
        panel->PanelControl()->SetMouseRight(mmTruck);
        widget = std::make_unique<TNyxPanelWidget>(panel);
        input = std::make_unique<TViewerInput>(*widget, demo.Camera);
        widget->installEventFilter(input.get());
        widget->resize(Width, Height);
        widget->show();
        TNyxPanel* p = panel;
        EXPECT_TRUE(SpinUntil([p] { return p->HandleAllocated() && p->FrameCount() > 0; }));
    }
    ~ViewerInputTest() override {
        input.reset();
        widget.reset();
    }

    // Where a world point is in the widget, through the camera's unmoved view.
    QPoint At(const TGLArrayd3& P) {
        panel->MakeCurrent();
        demo.Camera->Apply(Width, Height, -1);
        std::array<double, 16> proj{}, model{};
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, model.data());
        const std::array<double, 4> p{P[0], P[1], P[2], 1};
        std::array<double, 4> eye{}, clip{};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                eye[r] += model[c * 4 + r] * p[c];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                clip[r] += proj[c * 4 + r] * eye[c];
        const double x = (clip[0] / clip[3] + 1) / 2 * Width;
        const double y = (clip[1] / clip[3] + 1) / 2 * Height;
        return QPoint(int(x), Height - 1 - int(y));
    }
    QPoint CentreOf(const TNyxObject* Obj) {
        TGLArrayd3 c;
        Obj->GetAbsoluteCenter(c);
        return At(c);
    }

    void Send(QEvent::Type Type, QPoint P, Qt::MouseButton Button, Qt::MouseButtons Buttons,
              Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        QMouseEvent e(Type, QPointF(P), QPointF(widget->mapToGlobal(P)), Button, Buttons,
                      Modifiers);
        QCoreApplication::sendEvent(widget.get(), &e);
    }
    void Click(QPoint P, Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        Send(QEvent::MouseButtonPress, P, Button, Button, Modifiers);
        Send(QEvent::MouseButtonRelease, P, Button, Qt::NoButton, Modifiers);
    }
    void Drag(QPoint From, QPoint To, Qt::MouseButton Button,
              Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        Send(QEvent::MouseButtonPress, From, Button, Button, Modifiers);
        for (int i = 1; i <= 4; ++i)
            Send(QEvent::MouseMove, From + (To - From) * i / 4, Qt::NoButton, Button, Modifiers);
        Send(QEvent::MouseButtonRelease, To, Button, Qt::NoButton, Modifiers);
    }
    void Key(int Key) {
        QKeyEvent e(QEvent::KeyPress, Key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget.get(), &e);
    }

    // Which of floor, box, sphere, cone, torus are selected, in that order.
    std::array<bool, 5> Selected() const {
        return {demo.Floor->Selected(), demo.Box->Selected(), demo.Sphere->Selected(),
                demo.Cone->Selected(), demo.Torus->Selected()};
    }

    TComponent owner{nullptr};
    TDemoScene demo;
    TNyxPanel* panel;
    std::unique_ptr<TNyxPanelWidget> widget;
    std::unique_ptr<TViewerInput> input;
};

// A click picks everything drawn under the cursor, so the floor behind an object is
// picked with it; each pick is toggled.
TEST_F(ViewerInputTest, MiddleClickSelectsAndCtrlKeepsWhileTheLeftButtonKeepsOrbiting) {
    Click(CentreOf(demo.Sphere), Qt::MiddleButton);
    EXPECT_EQ(Selected(), (std::array<bool, 5>{true, false, true, false, false}));
    EXPECT_EQ(panel->PanelControl()->MouseLeft(), mmOrbit) << "the lent mode comes back";
    EXPECT_EQ(demo.Camera->PositionOffset(), (TGLArrayd3{0, 0, 0})) << "a click does not orbit";

    // Ctrl keeps the selection: the box joins, the floor picked again leaves.
    Click(CentreOf(demo.Box), Qt::MiddleButton, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::array<bool, 5>{false, true, true, false, false}));

    Click(CentreOf(demo.Cone), Qt::MiddleButton);
    EXPECT_EQ(Selected(), (std::array<bool, 5>{true, false, false, true, false}));

    // Nothing under the cursor in the sky: the selection is cleared.
    Click(QPoint(5, 5), Qt::MiddleButton);
    EXPECT_EQ(Selected(), (std::array<bool, 5>{}));
}

TEST_F(ViewerInputTest, MiddleDragSelectsWhatTheRectangleCovers) {
    const QPoint sphere = CentreOf(demo.Sphere);
    Drag(sphere - QPoint(12, 12), sphere + QPoint(12, 12), Qt::MiddleButton);
    // The sphere and the floor seen round it; nothing else lies inside.
    EXPECT_EQ(Selected(), (std::array<bool, 5>{true, false, true, false, false}));
    EXPECT_EQ(panel->PanelControl()->MouseLeft(), mmOrbit);
    EXPECT_FALSE(panel->PanelControl()->Moving());
}

TEST_F(ViewerInputTest, LeftDragOrbitsAndRResetsTheView) {
    const QPoint middle(Width / 2, Height / 2);
    Drag(middle, middle + QPoint(60, 0), Qt::LeftButton);
    EXPECT_NE(demo.Camera->PositionOffset(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(Selected(), (std::array<bool, 5>{}));

    Key(Qt::Key_R);
    EXPECT_EQ(demo.Camera->PositionOffset(), (TGLArrayd3{0, 0, 0}));
}

TEST_F(ViewerInputTest, FFramesTheWholeScene) {
    const QPoint middle(Width / 2, Height / 2);
    Drag(middle, middle + QPoint(60, 0), Qt::LeftButton);
    Key(Qt::Key_F);
    TGLArrayd3 lo, hi;
    ASSERT_TRUE(DrawableExtent(*demo.Scene, lo, hi));
    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ(demo.Camera->Target()->Data()[std::size_t(i)], (lo[i] + hi[i]) / 2);
    EXPECT_EQ(demo.Camera->PositionOffset(), (TGLArrayd3{0, 0, 0}));
    // R now comes back to the framed view.
    Drag(middle, middle + QPoint(0, 40), Qt::LeftButton);
    const TGLArrayd3 framed = demo.Camera->Position()->Data();
    Key(Qt::Key_R);
    EXPECT_EQ(demo.Camera->GetPosition(), framed);
}

TEST_F(ViewerInputTest, OtherButtonsWaitWhileTheMiddleButtonSelects) {
    const QPoint sphere = CentreOf(demo.Sphere);
    Send(QEvent::MouseButtonPress, sphere, Qt::MiddleButton, Qt::MiddleButton);
    Send(QEvent::MouseButtonPress, sphere, Qt::RightButton, Qt::MiddleButton | Qt::RightButton);
    Send(QEvent::MouseButtonRelease, sphere, Qt::RightButton, Qt::MiddleButton);
    Send(QEvent::MouseButtonRelease, sphere, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(Selected(), (std::array<bool, 5>{true, false, true, false, false}));
    EXPECT_EQ(demo.Camera->TruckOffset(), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(panel->PanelControl()->MouseLeft(), mmOrbit);
}

}  // namespace
}  // namespace nyx::test
