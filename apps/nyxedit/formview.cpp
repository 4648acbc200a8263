#include "formview.h"

#include "document.h"

#include "design/registry.h"
#include "qt/panelwidget.h"
#include "rtl/controls.h"
#include "rtl/host.h"
#include "scene/object.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <exception>

namespace nyx {

namespace {

constexpr int Border = 3;
constexpr int TitleHeight = 16;
constexpr int Grip = 10;  // the resize grip's side, at the lower right corner, below the view
constexpr int IconWidth = 72;
constexpr int IconHeight = 44;
constexpr int GridStep = 8;

// Errors of what the user asked for are told, not thrown through Qt's event loop.
template <class F>
void Reported(F&& Action) {
    try {
        Action();
    } catch (const std::exception& e) {
        MessageBox(e.what(), "nyxedit", MB_OK | MB_ICONERROR);
    }
}

// The class name without its T, as palette buttons and icons show it.
QString ShortClassName(const TComponent& Component) {
    const std::string& name = Component.ClassName();
    return QString::fromStdString(name.size() > 1 && name[0] == 'T' ? name.substr(1) : name);
}

bool ShownOnForm(const TComponent& Component) {
    if (Component.HasParent())
        return false;
    // Scene objects other than scenes are shown in their scenes.
    return !Component.Is<TNyxObject>() || Component.Is<TNyxScene>();
}

// --- A panel: a live view under a title strip ---------------------------------------------

class TPanelView : public TComponentView {
public:
    TPanelView(TNyxPanel* Panel, TFormDocument& Document, QWidget* Parent)
        : TComponentView(Panel, Document, Parent), FPanel(Panel) {
        // The live view needs a GLX window, which Qt's X11 platform gives.
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            FLive = new TNyxPanelWidget(Panel, this);
        } else {
            auto* label = new QLabel(QStringLiteral("no live view without an X display"), this);
            label->setAlignment(Qt::AlignCenter);
            label->setWordWrap(true);
            FLive = label;
        }
        Place();
    }

    QRect Bounds() const override {
        return {FPanel->Left(), FPanel->Top(), FPanel->Width(), FPanel->Height()};
    }
    void SetBounds(const QRect& Bounds) override {
        FPanel->SetBounds(Bounds.x(), Bounds.y(), Bounds.width(), Bounds.height());
        Place();
    }
    bool Resizable() const override { return true; }
    QWidget* Live() const { return FLive; }

protected:
    // The live view takes the mouse over all of it, so the frame keeps a strip below it
    // for the grip.
    QRect GeometryFor(const QRect& B) const override {
        return {B.x(), B.y(), B.width() + 2 * Border, B.height() + TitleHeight + Grip};
    }
    QRect BoundsFor(const QRect& G) const override {
        return {G.x(), G.y(), std::max(G.width() - 2 * Border, 1),
                std::max(G.height() - TitleHeight - Grip, 1)};
    }
    void resizeEvent(QResizeEvent*) override {
        FLive->setGeometry(Border, TitleHeight, std::max(width() - 2 * Border, 1),
                           std::max(height() - TitleHeight - Grip, 1));
    }
    void paintEvent(QPaintEvent*) override {
        PaintFrame(QString::fromStdString(FPanel->Name()), Grip);
        QPainter painter(this);
        painter.fillRect(width() - Grip, height() - Grip, Grip, Grip,
                         palette().color(QPalette::Dark));
    }

private:
    TNyxPanel* FPanel;
    QWidget* FLive = nullptr;
};

// --- A component without a window: an icon ---------------------------------------------

class TIconView : public TComponentView {
public:
    TIconView(TComponent* Component, TFormDocument& Document, QWidget* Parent)
        : TComponentView(Component, Document, Parent) {
        setToolTip(ShortClassName(*Component));
        Place();
    }

    QRect Bounds() const override {
        const std::int32_t info = FComponent->DesignInfo();
        return {DesignInfoLeft(info), DesignInfoTop(info), IconWidth, IconHeight};
    }
    void SetBounds(const QRect& Bounds) override {
        FComponent->SetDesignInfo(MakeDesignInfo(Bounds.x(), Bounds.y()));
        Place();
    }

protected:
    QRect GeometryFor(const QRect& B) const override { return B; }
    QRect BoundsFor(const QRect& G) const override { return G; }
    void paintEvent(QPaintEvent*) override {
        PaintFrame(QString::fromStdString(FComponent->Name()));
        QPainter painter(this);
        painter.drawText(rect().adjusted(Border, TitleHeight, -Border, -Border), Qt::AlignCenter,
                         ShortClassName(*FComponent));
    }
};

}  // namespace

// --- TComponentView ------------------------------------------------------------------------

TComponentView::TComponentView(TComponent* Component, TFormDocument& Document, QWidget* Parent)
    : QWidget(Parent), FComponent(Component), FDocument(Document) {
    setAutoFillBackground(true);
}

void TComponentView::Place() {
    const QRect g = GeometryFor(Bounds());
    setGeometry(std::max(g.x(), 0), std::max(g.y(), 0), g.width(), g.height());
}

bool TComponentView::Selected() const { return FDocument.GetSelection() == FComponent; }

void TComponentView::PaintFrame(const QString& Caption, int Bottom) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor edge =
        Selected() ? colours.color(QPalette::Highlight) : colours.color(QPalette::Mid);
    painter.fillRect(rect(), edge);
    painter.fillRect(rect().adjusted(Border, TitleHeight, -Border, -Bottom),
                     colours.color(QPalette::Base));
    painter.setPen(Selected() ? colours.color(QPalette::HighlightedText)
                              : colours.color(QPalette::WindowText));
    painter.drawText(QRect(Border, 0, width() - 2 * Border, TitleHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, Caption);
}

std::unique_ptr<QMenu> TComponentView::ContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    // The editor lives as long as the menu's actions.
    std::shared_ptr<TComponentEditor> editor =
        FDocument.Registry().CreateComponentEditor(FComponent, &FDocument);
    for (int i = 0; i < editor->GetVerbCount(); ++i) {
        QAction* verb = menu->addAction(QString::fromStdString(editor->GetVerb(i)));
        QObject::connect(verb, &QAction::triggered,
                         [editor, i] { Reported([&] { editor->ExecuteVerb(i); }); });
    }
    if (editor->GetVerbCount() > 0)
        menu->addSeparator();
    TFormDocument* document = &FDocument;
    TComponent* component = FComponent;
    QAction* remove = menu->addAction(QStringLiteral("Delete"));
    // Queued: the view goes with its component, and it may be the menu's parent.
    QObject::connect(
        remove, &QAction::triggered, this,
        [document, component] { document->DeleteComponent(component); }, Qt::QueuedConnection);
    return menu;
}

void TComponentView::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton)
        return;
    FDocument.SelectComponent(FComponent);
    FPressAt = Event->globalPosition().toPoint();
    FPressBounds = Bounds();
    const QPoint p = Event->position().toPoint();
    FDrag = Resizable() && p.x() >= width() - Grip && p.y() >= height() - Grip ? TDrag::Resize
                                                                               : TDrag::Move;
}

void TComponentView::mouseMoveEvent(QMouseEvent* Event) {
    if (FDrag == TDrag::None)
        return;
    const QPoint d = Event->globalPosition().toPoint() - FPressAt;
    QRect b = FPressBounds;
    if (FDrag == TDrag::Move)
        b.moveTopLeft(QPoint(std::max(b.x() + d.x(), 0), std::max(b.y() + d.y(), 0)));
    else
        b.setSize(QSize(std::max(b.width() + d.x(), Grip), std::max(b.height() + d.y(), Grip)));
    const QRect g = GeometryFor(b);
    setGeometry(g);
}

void TComponentView::mouseReleaseEvent(QMouseEvent* Event) {
    if (FDrag == TDrag::None || Event->button() != Qt::LeftButton)
        return;
    FDrag = TDrag::None;
    const QRect b = BoundsFor(geometry());
    if (b != FPressBounds) {
        FDocument.NameChange((b.size() == FPressBounds.size() ? "Move " : "Resize ") +
                             FComponent->Name());
        Reported([&] { SetBounds(b); });
        FDocument.Modified();
    }
}

void TComponentView::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton)
        return;
    std::unique_ptr<TComponentEditor> editor =
        FDocument.Registry().CreateComponentEditor(FComponent, &FDocument);
    Reported([&] { editor->Edit(); });
}

void TComponentView::contextMenuEvent(QContextMenuEvent* Event) {
    FDocument.SelectComponent(FComponent);
    std::unique_ptr<QMenu> menu = ContextMenu();
    menu->exec(Event->globalPos());
}

// --- TFormView -----------------------------------------------------------------------------

TFormView::TFormView(TFormDocument& Document, QWidget* Parent)
    : QWidget(Parent), FDocument(Document) {
    setAutoFillBackground(true);
    setMinimumSize(640, 480);
}

TFormView::~TFormView() { Clear(); }

void TFormView::Rebuild() {
    Clear();
    TComponent* root = FDocument.GetRoot();
    for (int i = 0; i < root->ComponentCount(); ++i)
        Add(root->Components(i));
}

void TFormView::Add(TComponent* Component) {
    if (!Component || FViews.count(Component) || !ShownOnForm(*Component))
        return;
    TComponentView* view = nullptr;
    if (auto* panel = dynamic_cast<TNyxPanel*>(Component))
        view = new TPanelView(panel, FDocument, this);
    else
        view = new TIconView(Component, FDocument, this);
    FViews[Component] = view;
    view->show();
    FitSize();
}

void TFormView::Remove(const TComponent* Component) {
    const auto view = FViews.find(Component);
    if (view == FViews.end())
        return;
    delete view->second;
    FViews.erase(view);
}

void TFormView::Refresh() {
    for (const auto& [component, view] : FViews)
        view->update();
    FitSize();
}

TComponentView* TFormView::ViewOf(const TComponent* Component) const {
    const auto view = FViews.find(Component);
    return view == FViews.end() ? nullptr : view->second;
}

TComponent* TFormView::PlaceAt(const TMetaClass* Class, QPoint Where) {
    const QPoint snapped(Where.x() / GridStep * GridStep, Where.y() / GridStep * GridStep);
    FDocument.NameChange("Place " + Class->Name());
    return FDocument.CreateComponent(Class, FDocument.GetRoot(), snapped.x(), snapped.y(), 0, 0);
}

void TFormView::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton)
        return;
    if (!FPlacing) {
        FDocument.ClearSelection();
        return;
    }
    const TMetaClass* placing = FPlacing;
    FPlacing = nullptr;
    Reported([&] {
        TComponent* placed = PlaceAt(placing, Event->position().toPoint());
        FDocument.SelectComponent(placed);
    });
    if (OnPlaced)
        OnPlaced();
}

void TFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    for (int y = 0; y < height(); y += GridStep)
        for (int x = 0; x < width(); x += GridStep)
            painter.drawPoint(x, y);
}

void TFormView::Clear() {
    for (const auto& [component, view] : FViews)
        delete view;
    FViews.clear();
}

// Large enough for every view, so that a scroll area round the form reaches them all.
void TFormView::FitSize() {
    QSize size(640, 480);
    for (const auto& [component, view] : FViews)
        size =
            size.expandedTo(QSize(view->geometry().right() + 40, view->geometry().bottom() + 40));
    setMinimumSize(size);
}

}  // namespace nyx
