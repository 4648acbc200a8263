#pragma once
// The form's surface: every component placed on the form, where the form says it is.
// Panels are live views (on a GLX window when Qt runs on X11) under a title strip by
// which they are moved, with a grip at the lower right corner by which they are resized;
// components without a window are small icons. A click selects, a drag moves, the right
// button opens the component editor's verbs, a double click runs its first one.

#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QMenu;

namespace nyx {

class TComponent;
class TFormDocument;
class TMetaClass;

// The view of one component on the form.
class TComponentView : public QWidget {
public:
    TComponentView(TComponent* Component, TFormDocument& Document, QWidget* Parent);

    TComponent* Component() const { return FComponent; }
    // The place and size the component has on the form.
    virtual QRect Bounds() const = 0;
    // Shows the component at Bounds and stores them in it (a control's bounds, an icon's
    // design place).
    virtual void SetBounds(const QRect& Bounds) = 0;
    virtual bool Resizable() const { return false; }
    // Where the view draws the component's place and size, from Bounds.
    void Place();

    // The context menu: the component editor's verbs, then "Delete". The caller owns it.
    std::unique_ptr<QMenu> ContextMenu();

protected:
    bool Selected() const;
    // The edge, the caption in the title strip, and the inside above a bottom edge of
    // Bottom pixels.
    void PaintFrame(const QString& Caption, int Bottom = 3);

    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

    // Widget geometry for a component's bounds, and back.
    virtual QRect GeometryFor(const QRect& Bounds) const = 0;
    virtual QRect BoundsFor(const QRect& Geometry) const = 0;

    TComponent* FComponent;
    TFormDocument& FDocument;

private:
    enum class TDrag { None, Move, Resize };
    TDrag FDrag = TDrag::None;
    QPoint FPressAt;     // global position of the press
    QRect FPressBounds;  // Bounds() at the press
};

class TFormView : public QWidget {
public:
    explicit TFormView(TFormDocument& Document, QWidget* Parent = nullptr);
    ~TFormView() override;

    // Views for every component the form shows, made afresh.
    void Rebuild();
    // A view for a component that has just been put on the form, when the form shows it
    // (scene objects live in their scenes, not on the form).
    void Add(TComponent* Component);
    void Remove(const TComponent* Component);
    // Redraws every view (a name, a place or the selection changed).
    void Refresh();

    TComponentView* ViewOf(const TComponent* Component) const;
    int ViewCount() const { return int(FViews.size()); }

    // The class the next click on the empty form places there; none: a click selects
    // nothing. OnPlaced runs after each placement.
    void SetPlacing(const TMetaClass* Class) { FPlacing = Class; }
    const TMetaClass* Placing() const { return FPlacing; }
    std::function<void()> OnPlaced;
    // Places a component of Class with its top left corner at Where.
    TComponent* PlaceAt(const TMetaClass* Class, QPoint Where);

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    void Clear();
    void FitSize();

    TFormDocument& FDocument;
    std::map<const TComponent*, TComponentView*> FViews;  // children of this widget
    const TMetaClass* FPlacing = nullptr;
};

}  // namespace nyx
