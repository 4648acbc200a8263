#include "qt/panelwidget.h"

#include "gl/wgl.h"
#include "gl/x11canvas.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <xcb/xcb.h>

// Xlib last: its macros (None, Bool, Status, ...) clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <exception>

namespace nyx {

namespace {

Display* X11Display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

TShiftState ShiftOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
    TShiftState s;
    if (Modifiers & Qt::ShiftModifier)
        s.Include(ssShift);
    if (Modifiers & Qt::AltModifier)
        s.Include(ssAlt);
    if (Modifiers & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (Buttons & Qt::LeftButton)
        s.Include(ssLeft);
    if (Buttons & Qt::RightButton)
        s.Include(ssRight);
    if (Buttons & Qt::MiddleButton)
        s.Include(ssMiddle);
    return s;
}

bool ButtonOf(Qt::MouseButton Button, TMouseButton& Result) {
    switch (Button) {
    case Qt::LeftButton:
        Result = mbLeft;
        return true;
    case Qt::RightButton:
        Result = mbRight;
        return true;
    case Qt::MiddleButton:
        Result = mbMiddle;
        return true;
    default:
        return false;
    }
}

// Exceptions must not cross Qt's event dispatch: they go to the application's handler.
template <class F>
void Guarded(F&& Action) {
    try {
        Action();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

}  // namespace

// --- The panel's window ------------------------------------------------------------------

class TPanelWindow : public TNativeWindow {
public:
    TPanelWindow(TNyxPanelWidget& Widget, int Width, int Height) : FWidget(Widget) {
        FDisplay = X11Display();
        if (!FDisplay)
            throw EInvalidOperation("TNyxPanelWidget: the panel needs the xcb platform of Qt "
                                    "(an X11 display); run under X or xvfb-run");
        const int screen = DefaultScreen(FDisplay);
        const VisualID id =
            ChooseGLXVisual(FDisplay, screen, TNyxPanel::WindowPixelFormatRequest());
        XVisualInfo pattern{};
        pattern.visualid = id;
        int count = 0;
        XVisualInfo* info = id ? XGetVisualInfo(FDisplay, VisualIDMask, &pattern, &count) : nullptr;
        const Window parent = Window(Widget.winId());
        Visual* visual = info ? info->visual : DefaultVisual(FDisplay, screen);
        const int depth = info ? info->depth : DefaultDepth(FDisplay, screen);
        FColormap = XCreateColormap(FDisplay, parent, visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = FColormap;
        attributes.event_mask = ExposureMask;  // the rest falls through to the widget
        attributes.border_pixel = 0;
        attributes.background_pixmap = 0;  // never erased by the server
        FWindow =
            XCreateWindow(FDisplay, parent, 0, 0, unsigned(std::max(Width, 1)),
                          unsigned(std::max(Height, 1)), 0, depth, InputOutput, visual,
                          CWColormap | CWEventMask | CWBorderPixel | CWBackPixmap, &attributes);
        if (info)
            XFree(info);
        XMapWindow(FDisplay, FWindow);
        XSync(FDisplay, False);
        FDC = std::make_unique<TX11DeviceContext>(FDisplay, FWindow, Width, Height);
        FCanvas = std::make_unique<TX11Canvas>(*FDC);
        FWidget.FWindow = this;
    }

    ~TPanelWindow() override {
        FCanvas.reset();
        FDC.reset();
        XDestroyWindow(FDisplay, FWindow);
        XFreeColormap(FDisplay, FColormap);
        XSync(FDisplay, False);
        FWidget.FWindow = nullptr;
    }

    HDC DC() override { return FDC.get(); }
    void SetSize(int Width, int Height) override {
        FDC->SetSize(Width, Height);
        XResizeWindow(FDisplay, FWindow, unsigned(std::max(Width, 1)),
                      unsigned(std::max(Height, 1)));
        XSync(FDisplay, False);
    }
    TCanvas& Canvas() override { return *FCanvas; }
    void Invalidate() override { XClearArea(FDisplay, FWindow, 0, 0, 0, 0, True); }
    void SetFocus() override { FWidget.setFocus(Qt::OtherFocusReason); }
    bool Focused() const override { return FWidget.hasFocus(); }

    Window XWindow() const { return FWindow; }

private:
    TNyxPanelWidget& FWidget;
    Display* FDisplay = nullptr;
    Window FWindow = 0;
    Colormap FColormap = 0;
    std::unique_ptr<TX11DeviceContext> FDC;
    std::unique_ptr<TX11Canvas> FCanvas;
};

// --- Removal of the panel ------------------------------------------------------------------

class TPanelWatch : public TComponent {
public:
    TPanelWatch(TNyxPanelWidget& Widget, TNyxPanel* Panel) : TComponent(nullptr), FWidget(Widget) {
        if (Panel)
            Panel->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        if (Operation == opRemove && AComponent == FWidget.FPanel)
            FWidget.PanelGone();
        TComponent::Notification(AComponent, Operation);
    }

private:
    TNyxPanelWidget& FWidget;
};

// --- Expose events of the child window -------------------------------------------------------

class TExposeFilter : public QAbstractNativeEventFilter {
public:
    explicit TExposeFilter(TNyxPanelWidget& Widget) : FWidget(Widget) {}
    bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override {
        if (Type != "xcb_generic_event_t" || !FWidget.FPanel || !FWidget.FWindow)
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(Message);
        if ((event->response_type & ~0x80) != XCB_EXPOSE)
            return false;
        const auto* expose = static_cast<const xcb_expose_event_t*>(Message);
        // The last of a series: the panel always paints the whole window.
        if (expose->window == FWidget.FWindow->XWindow() && expose->count == 0) {
            TNyxPanel* panel = FWidget.FPanel;
            Guarded([panel] { panel->PerformPaint(); });
            return true;
        }
        return false;
    }

private:
    TNyxPanelWidget& FWidget;
};

// --- TNyxPanelWidget -------------------------------------------------------------------------

TNyxPanelWidget::TNyxPanelWidget(TNyxPanel* Panel, QWidget* Parent)
    : QWidget(Parent), FPanel(Panel) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    FWatch = std::make_unique<TPanelWatch>(*this, Panel);
    FFilter = std::make_unique<TExposeFilter>(*this);
    QCoreApplication::instance()->installNativeEventFilter(FFilter.get());
    if (FPanel) {
        FPanel->SetWindowFactory([this](TCustomControl&, const TCreateParams& Params) {
            return std::make_unique<TPanelWindow>(*this, Params.Width, Params.Height);
        });
        if (FPanel->Width() > 0 && FPanel->Height() > 0)
            resize(FPanel->Width(), FPanel->Height());
    }
}

TNyxPanelWidget::TNyxPanelWidget(QWidget* Parent)
    : TNyxPanelWidget(std::make_unique<TNyxPanel>(nullptr), Parent) {}

TNyxPanelWidget::TNyxPanelWidget(std::unique_ptr<TNyxPanel> Own, QWidget* Parent)
    : TNyxPanelWidget(Own.get(), Parent) {
    FOwnPanel = std::move(Own);
}

TNyxPanelWidget::~TNyxPanelWidget() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(FFilter.get());
    if (FPanel) {
        // The panel releases its context before the window it renders into goes.
        FPanel->DestroyHandle();
        FPanel->SetWindowFactory({});
    }
    FWatch.reset();
    FOwnPanel.reset();
}

unsigned long TNyxPanelWidget::GLWindow() const { return FWindow ? FWindow->XWindow() : 0; }

// --- Properties for the form designer ------------------------------------------------------

static_assert(TNyxPanelWidget::Lighting == 1 << goLighting &&
              TNyxPanelWidget::mmPerspective == int(nyx::mmPerspective));

QString TNyxPanelWidget::cameraName() const {
    const TNyxCamera* camera = FPanel ? FPanel->Camera() : nullptr;
    return camera ? QString::fromStdString(camera->Name()) : FCameraName;
}

void TNyxPanelWidget::setCameraName(const QString& Name) {
    FCameraName = Name;
    const TNyxCamera* camera = FPanel ? FPanel->Camera() : nullptr;
    if (Name.isEmpty() && FPanel)
        FPanel->SetCamera(nullptr);
    else if (camera && camera->Owner())
        ResolveCamera(*camera->Owner());
}

TNyxCamera* TNyxPanelWidget::ResolveCamera(const TComponent& Owner) {
    TComponent* found = Owner.FindComponent(FCameraName.toStdString());
    auto* camera = found && found->Is<TNyxCamera>() ? static_cast<TNyxCamera*>(found) : nullptr;
    if (FPanel && !FCameraName.isEmpty()) {
        TNyxPanel* panel = FPanel;
        Guarded([panel, camera] { panel->SetCamera(camera); });
    }
    return camera;
}

TNyxPanelWidget::Options TNyxPanelWidget::options() const {
    return Options::fromInt(FPanel ? FPanel->Options().ToBits() : 0);
}

void TNyxPanelWidget::setOptions(Options Value) {
    if (FPanel) {
        TNyxPanel* panel = FPanel;
        const auto bits = std::uint8_t(Value.toInt());
        Guarded([panel, bits] { panel->SetOptions(TNyxOptions::FromBits(bits)); });
    }
}

namespace {

using TModeOf = TNyxMouseMode (TNyxPanelControl::*)() const;
using TSetMode = void (TNyxPanelControl::*)(TNyxMouseMode);

TNyxPanelWidget::MouseMode ModeOf(const TNyxPanel* Panel, TModeOf Get) {
    return TNyxPanelWidget::MouseMode(Panel ? (Panel->PanelControl()->*Get)() : nyx::mmNone);
}

void SetMode(TNyxPanel* Panel, TSetMode Set, TNyxPanelWidget::MouseMode Value) {
    if (Panel && Value >= TNyxPanelWidget::mmNone && Value <= TNyxPanelWidget::mmPerspective)
        (Panel->PanelControl()->*Set)(TNyxMouseMode(Value));
}

}  // namespace

TNyxPanelWidget::MouseMode TNyxPanelWidget::mouseLeft() const {
    return ModeOf(FPanel, &TNyxPanelControl::MouseLeft);
}
void TNyxPanelWidget::setMouseLeft(MouseMode Value) {
    SetMode(FPanel, &TNyxPanelControl::SetMouseLeft, Value);
}
TNyxPanelWidget::MouseMode TNyxPanelWidget::mouseRight() const {
    return ModeOf(FPanel, &TNyxPanelControl::MouseRight);
}
void TNyxPanelWidget::setMouseRight(MouseMode Value) {
    SetMode(FPanel, &TNyxPanelControl::SetMouseRight, Value);
}
TNyxPanelWidget::MouseMode TNyxPanelWidget::mouseWheel() const {
    return ModeOf(FPanel, &TNyxPanelControl::MouseWheel);
}
void TNyxPanelWidget::setMouseWheel(MouseMode Value) {
    SetMode(FPanel, &TNyxPanelControl::SetMouseWheel, Value);
}

void TNyxPanelWidget::PanelGone() {
    FPanel = nullptr;
    update();
}

void TNyxPanelWidget::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (!FPanel || FPanel->HandleAllocated())
        return;
    FPanel->SetBounds(FPanel->Left(), FPanel->Top(), width(), height());
    TNyxPanel* panel = FPanel;
    Guarded([panel] { panel->HandleNeeded(); });
}

void TNyxPanelWidget::paintEvent(QPaintEvent*) {
    if (FPanel && FPanel->HandleAllocated()) {
        TNyxPanel* panel = FPanel;
        Guarded([panel] { panel->PerformPaint(); });
    }
}

void TNyxPanelWidget::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (FPanel) {
        TNyxPanel* panel = FPanel;
        const int w = width(), h = height();
        Guarded([panel, w, h] { panel->SetBounds(panel->Left(), panel->Top(), w, h); });
    }
}

void TNyxPanelWidget::mousePressEvent(QMouseEvent* Event) {
    TMouseButton button;
    if (!FPanel || !ButtonOf(Event->button(), button))
        return;
    TNyxPanel* panel = FPanel;
    const QPoint p = Event->position().toPoint();
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    Guarded([=] { panel->PerformMouseDown(button, shift, p.x(), p.y()); });
}

void TNyxPanelWidget::mouseMoveEvent(QMouseEvent* Event) {
    if (!FPanel)
        return;
    TNyxPanel* panel = FPanel;
    const QPoint p = Event->position().toPoint();
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    Guarded([=] { panel->PerformMouseMove(shift, p.x(), p.y()); });
}

void TNyxPanelWidget::mouseReleaseEvent(QMouseEvent* Event) {
    TMouseButton button;
    if (!FPanel || !ButtonOf(Event->button(), button))
        return;
    TNyxPanel* panel = FPanel;
    const QPoint p = Event->position().toPoint();
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    Guarded([=] { panel->PerformMouseUp(button, shift, p.x(), p.y()); });
}

void TNyxPanelWidget::wheelEvent(QWheelEvent* Event) {
    if (!FPanel) {
        Event->ignore();
        return;
    }
    TNyxPanel* panel = FPanel;
    const QPoint p = Event->position().toPoint();
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const int delta = Event->angleDelta().y();
    bool handled = false;
    Guarded([&] { handled = panel->PerformMouseWheel(shift, delta, Point(p.x(), p.y())); });
    Event->setAccepted(handled);
}

void TNyxPanelWidget::focusInEvent(QFocusEvent* Event) {
    QWidget::focusInEvent(Event);
    if (FPanel) {
        TNyxPanel* panel = FPanel;
        Guarded([panel] { panel->PerformEnter(); });
    }
}

void TNyxPanelWidget::focusOutEvent(QFocusEvent* Event) {
    QWidget::focusOutEvent(Event);
    if (FPanel) {
        TNyxPanel* panel = FPanel;
        Guarded([panel] { panel->PerformExit(); });
    }
}

}  // namespace nyx
