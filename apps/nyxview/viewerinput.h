#pragma once
// The keys and the middle button of nyxview's window, on top of the panel's own mouse
// navigation (left orbit, right truck, wheel dolly).
//
// The panel's navigation has one mode per button and none for the middle button; the
// middle button selects by lending the left button the selection mode for the length of
// its press, so a click picks and a drag draws the rubber band, with the panel's own
// Shift and Ctrl rules. R resets the camera, F frames the whole scene, Q and Esc close
// the window.

#include <QObject>

#include <functional>

class QKeyEvent;
class QMouseEvent;

namespace nyx {

class TNyxCamera;
class TNyxPanelWidget;

class TViewerInput : public QObject {
public:
    // Install with Widget.installEventFilter.
    TViewerInput(TNyxPanelWidget& Widget, TNyxCamera* Camera);

    // The camera R resets, after another scene is shown.
    void SetCamera(TNyxCamera* Camera) { FCamera = Camera; }
    // Called after the middle button selected (a click or a rubber band).
    std::function<void()> OnSelected;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool Mouse(QMouseEvent* Event);
    bool Key(QKeyEvent* Event);

    TNyxPanelWidget& FWidget;
    TNyxCamera* FCamera;
    bool FSelecting = false;
    int FLentMode = 0;  // the left button's own mode while the middle button selects
};

}  // namespace nyx
