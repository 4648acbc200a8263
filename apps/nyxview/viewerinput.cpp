#include "viewerinput.h"

#include "qt/panelwidget.h"
#include "rtl/host.h"
#include "rtl/scope.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <exception>

namespace nyx {

namespace {

TShiftState LeftButtonShift(const QMouseEvent* Event) {
    TShiftState s{ssLeft};
    if (Event->modifiers() & Qt::ShiftModifier)
        s.Include(ssShift);
    if (Event->modifiers() & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (Event->modifiers() & Qt::AltModifier)
        s.Include(ssAlt);
    return s;
}

}  // namespace

TViewerInput::TViewerInput(TNyxPanelWidget& Widget, TNyxCamera* Camera)
    : FWidget(Widget), FCamera(Camera) {}

bool TViewerInput::eventFilter(QObject* Watched, QEvent* Event) {
    try {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return Mouse(static_cast<QMouseEvent*>(Event));
        case QEvent::KeyPress:
            return Key(static_cast<QKeyEvent*>(Event));
        default:
            break;
        }
    } catch (const std::exception& e) {
        HandleException(e);  // exceptions must not cross Qt's event dispatch
        return true;
    }
    return QObject::eventFilter(Watched, Event);
}

bool TViewerInput::Mouse(QMouseEvent* Event) {
    TNyxPanel* panel = FWidget.Panel();
    if (!panel)
        return false;
    TNyxPanelControl* control = panel->PanelControl();
    if (Event->button() != Qt::MiddleButton)
        return FSelecting;  // other buttons wait until the selection is done
    const QPoint p = Event->position().toPoint();
    if (Event->type() == QEvent::MouseButtonRelease) {
        if (!FSelecting)
            return true;
        FSelecting = false;
        {
            // The left button's own mode comes back also when the selection fails.
            const TOnExit giveBack([&] { control->SetMouseLeft(TNyxMouseMode(FLentMode)); });
            panel->PerformMouseUp(mbLeft, LeftButtonShift(Event), p.x(), p.y());
        }
        if (OnSelected)
            OnSelected();
        return true;
    }
    if (Event->type() == QEvent::MouseButtonDblClick || control->Moving())
        return true;  // a drag of another button is on
    FLentMode = control->MouseLeft();
    control->SetMouseLeft(mmSelect);
    FSelecting = true;
    panel->PerformMouseDown(mbLeft, LeftButtonShift(Event), p.x(), p.y());
    return true;
}

bool TViewerInput::Key(QKeyEvent* Event) {
    switch (Event->key()) {
    case Qt::Key_R:
        if (!FCamera)
            return false;
        FCamera->Reset();
        if (FWidget.Panel())
            FWidget.Panel()->Repaint();
        return true;
    case Qt::Key_F:
        if (FWidget.Panel())
            FWidget.Panel()->ViewAll();
        return true;
    case Qt::Key_Q:
    case Qt::Key_Escape:
        FWidget.close();
        return true;
    default:
        return false;
    }
}

}  // namespace nyx
