#pragma once
// TNyxPanelWidget: a QWidget that shows a TNyxPanel.
//
// The panel renders into a native X11 child window made with the GLX visual chosen from
// the panel's pixel-format request, resized with the widget. The child window selects
// only Expose events (they reach the panel's paint through a native event filter); mouse,
// wheel and focus events fall through to the widget and are handed to the panel.
//
// Either side may go first: the widget lets go of the panel's window when it is
// destroyed, and a destroyed panel leaves the widget empty.

#include <QWidget>

#include <memory>

namespace nyx {

class TNyxPanel;
class TPanelWindow;
class TPanelWatch;
class TExposeFilter;

class TNyxPanelWidget : public QWidget {
public:
    explicit TNyxPanelWidget(TNyxPanel* Panel, QWidget* Parent = nullptr);
    ~TNyxPanelWidget() override;

    // The panel shown, or none once it has been destroyed.
    TNyxPanel* Panel() const { return FPanel; }
    // The X11 window the panel renders into (0 before the widget is shown).
    unsigned long GLWindow() const;

    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void showEvent(QShowEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    friend class TPanelWindow;
    friend class TPanelWatch;
    friend class TExposeFilter;
    void PanelGone();

    TNyxPanel* FPanel;
    TPanelWindow* FWindow = nullptr;  // owned by the panel while it exists
    std::unique_ptr<TPanelWatch> FWatch;
    std::unique_ptr<TExposeFilter> FFilter;
};

}  // namespace nyx
