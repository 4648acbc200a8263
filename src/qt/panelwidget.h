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
//
// An addition for Qt's form designer and the code uic writes: a widget made with a
// parent alone owns a panel of its own, and the panel's camera (by name), options and
// mouse modes are Qt properties, named as Qt names properties so that uic can set them.

#include <QWidget>

#include <memory>

namespace nyx {

class TComponent;
class TNyxCamera;
class TNyxPanel;
class TPanelWindow;
class TPanelWatch;
class TExposeFilter;

class TNyxPanelWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString cameraName READ cameraName WRITE setCameraName)
    Q_PROPERTY(Options options READ options WRITE setOptions)
    Q_PROPERTY(MouseMode mouseLeft READ mouseLeft WRITE setMouseLeft)
    Q_PROPERTY(MouseMode mouseRight READ mouseRight WRITE setMouseRight)
    Q_PROPERTY(MouseMode mouseWheel READ mouseWheel WRITE setMouseWheel)

public:
    // The panel's TNyxOptions, one bit per member in the same order.
    enum Option {
        FlatShadeModel = 1,
        DepthTest = 2,
        TwoSidedLightModel = 4,
        CullFace = 8,
        Lighting = 16
    };
    Q_DECLARE_FLAGS(Options, Option)
    Q_FLAG(Options)
    // The panel control's TNyxMouseMode, member for member.
    enum MouseMode {
        mmNone,
        mmSelect,
        mmPan,
        mmTruck,
        mmOrbit,
        mmRoll,
        mmDolly,
        mmFOV,
        mmPerspective
    };
    Q_ENUM(MouseMode)

    // Shows a panel owned elsewhere.
    explicit TNyxPanelWidget(TNyxPanel* Panel, QWidget* Parent = nullptr);
    // Shows a panel of its own, freed with the widget.
    explicit TNyxPanelWidget(QWidget* Parent = nullptr);
    ~TNyxPanelWidget() override;

    // The panel shown, or none once it has been destroyed.
    TNyxPanel* Panel() const { return FPanel; }
    // The X11 window the panel renders into (0 before the widget is shown).
    unsigned long GLWindow() const;

    // The name of the panel's camera, or the name still to be found when it has none.
    QString cameraName() const;
    // Looks the camera up among the components owned by the owner of the panel's
    // current camera; with no camera yet, the name waits for ResolveCamera. An empty name
    // takes the camera away.
    void setCameraName(const QString& Name);
    // Gives the panel the camera named cameraName among the components Owner owns (a
    // form, or the scene a file was loaded into); none when there is no such camera.
    TNyxCamera* ResolveCamera(const TComponent& Owner);
    Options options() const;
    void setOptions(Options Value);
    MouseMode mouseLeft() const;
    void setMouseLeft(MouseMode Value);
    MouseMode mouseRight() const;
    void setMouseRight(MouseMode Value);
    MouseMode mouseWheel() const;
    void setMouseWheel(MouseMode Value);

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
    TNyxPanelWidget(std::unique_ptr<TNyxPanel> Own, QWidget* Parent);

    friend class TPanelWindow;
    friend class TPanelWatch;
    friend class TExposeFilter;
    void PanelGone();

    TNyxPanel* FPanel;
    std::unique_ptr<TNyxPanel> FOwnPanel;  // the panel itself when the widget made it
    QString FCameraName;                   // waiting for ResolveCamera
    TPanelWindow* FWindow = nullptr;       // owned by the panel while it exists
    std::unique_ptr<TPanelWatch> FWatch;
    std::unique_ptr<TExposeFilter> FFilter;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TNyxPanelWidget::Options)

}  // namespace nyx
