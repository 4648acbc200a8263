#include "viewerwindow.h"

#include "demo.h"
#include "fileview.h"
#include "scenefile.h"
#include "viewerinput.h"

#include "design/icons.h"
#include "design/objectslistform.h"
#include "qt/panelwidget.h"
#include "qt/printer.h"
#include "rtl/graphics.h"
#include "rtl/host.h"
#include "rtl/scope.h"
#include "rtl/sysutils.h"
#include "scene/camera.h"
#include "scene/colored.h"
#include "scene/light.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

namespace nyx {

namespace {

const char* const Caption = "nyxview";
const char* const OpenFilters =
    "Scenes and drawings (*.nyx *.nyxt *.dxf);;Scene, binary (*.nyx);;Scene, text (*.nyxt);;"
    "DXF drawing (*.dxf);;All files (*)";
const char* const SaveFilters = "Scene, text (*.nyxt);;Scene, binary (*.nyx);;DXF drawing (*.dxf)";
constexpr int RecentCount = 8;
constexpr double NarrowAngle = 5;    // degrees of the view from afar of key 5
constexpr int RevealedAtMost = 200;  // selected objects the Scene dock opens its tree to
constexpr int PointRestMs = 100;     // the cursor's rest before its point is picked

QVariant ObjectData(TNyxObject* Object) {
    return QVariant::fromValue(reinterpret_cast<quintptr>(Object));
}

TNyxObject* ObjectOf(const QTreeWidgetItem* Item) {
    return Item ? reinterpret_cast<TNyxObject*>(Item->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

// The object's name, or its Ident (a drawing's layer name) when it has none; empty when
// it has neither.
std::string NameOf(const TNyxObject& Object) {
    return Object.Name().empty() ? Object.Ident() : Object.Name();
}

// "Name: TClass", or the class alone, as the scene tree editor shows objects.
QString ShownName(const TNyxObject& Object) {
    const std::string& cls = Object.ClassName();
    const std::string name = NameOf(Object);
    return QString::fromStdString(name.empty() ? cls : name + ": " + cls);
}

QIcon Swatch(TColor Color) {
    const TColor rgb = ColorToRGB(Color);
    QPixmap pixmap(14, 14);
    pixmap.fill(QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)));
    QPainter(&pixmap).drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

bool ShownWithAncestors(const TNyxObject* Object) {
    // The root, the scene, draws whatever its own Visible says.
    for (; Object && Object->Parent(); Object = Object->Parent())
        if (!Object->Visible())
            return false;
    return true;
}

std::vector<TNyxObject*> SelectedIn(const TNyxScene& Scene) {
    std::vector<TNyxObject*> all;
    Scene.ListChildren(all);
    std::erase_if(all, [](const TNyxObject* o) { return !o->Selected(); });
    return all;
}

QString Number(std::int64_t N) { return QLocale().toString(qlonglong(N)); }

}  // namespace

// --- Building -------------------------------------------------------------------------------

TViewerWindow::TViewerWindow(QWidget* Parent)
    : QMainWindow(Parent), FPanel(new TNyxPanel(&FPanelOwner)) {
    ChooseFile = [this](bool ForSaving, const QString& Filters) {
        return ChooseWithDialog(ForSaving, Filters);
    };
    ChoosePictureSize = [this]() -> std::optional<QSize> {
        QDialog dialog(this);
        dialog.setWindowTitle(QStringLiteral("Export Picture"));
        auto* form = new QFormLayout(&dialog);
        auto* width = new QSpinBox(&dialog);
        auto* height = new QSpinBox(&dialog);
        for (QSpinBox* side : {width, height})
            side->setRange(1, 8192);
        width->setValue(FPanelWidget->width());
        height->setValue(FPanelWidget->height());
        form->addRow(QStringLiteral("Width (pixels)"), width);
        form->addRow(QStringLiteral("Height (pixels)"), height);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return QSize(width->value(), height->value());
    };

    TNyxPanelControl* control = FPanel->PanelControl();
    control->SetMouseLeft(mmOrbit);
    control->SetMouseRight(mmTruck);
    control->SetMouseWheel(mmDolly);
    control->SetZoomToCursor(true);
    FPanelWidget = new TNyxPanelWidget(FPanel, this);
    FPanelWidget->setFocusPolicy(Qt::StrongFocus);
    FPanelWidget->setMouseTracking(true);
    FPanelWidget->setToolTip(QStringLiteral(
        "Left drag: orbit; right drag: move sideways; wheel: towards the point under the "
        "cursor; middle click or drag: select; double click: orbit about that point"));
    FInput = std::make_unique<TViewerInput>(*FPanelWidget, nullptr);
    FInput->OnSelected = [this] { ShowSelection(); };
    FPanelWidget->installEventFilter(FInput.get());
    FPanelWidget->installEventFilter(this);  // runs before the input's filter
    setCentralWidget(FPanelWidget);

    FDrawn = new QLabel(this);
    FTime = new QLabel(this);
    FSelected = new QLabel(this);
    FPoint = new QLabel(this);
    FDrawn->setToolTip(QStringLiteral("Visible objects, and the triangles the last frame drew"));
    FTime->setToolTip(QStringLiteral("Time the last frame took to draw"));
    FSelected->setToolTip(QStringLiteral("The selected object: its name and kind"));
    FPoint->setToolTip(QStringLiteral("The world position of the surface under the cursor"));
    statusBar()->addWidget(FDrawn);
    statusBar()->addWidget(FTime);
    statusBar()->addWidget(FSelected, 1);
    statusBar()->addPermanentWidget(FPoint);
    FCounter.OnFrame = [this] { ShowFrame(); };
    FPointTimer.setSingleShot(true);
    FPointTimer.setInterval(PointRestMs);
    connect(&FPointTimer, &QTimer::timeout, this, [this] { ShowPointAt(FCursor); });

    BuildMenus();
    BuildDocks();
    setAcceptDrops(true);
    setWindowTitle(Caption);
    resize(1000, 700);
}

TViewerWindow::~TViewerWindow() {
    FCounter.OnFrame = nullptr;
    FPanelWidget->removeEventFilter(this);
    FPanel->SetCamera(nullptr);
    FRoot.reset();
}

void TViewerWindow::BuildMenus() {
    auto add = [this](QMenu* Menu, const QString& Text, const QList<QKeySequence>& Keys,
                      const QString& Tip, std::function<void()> Run) {
        QAction* action = Menu->addAction(Text, this, std::move(Run));
        action->setShortcuts(Keys);
        action->setToolTip(Tip + " (" + Keys.front().toString(QKeySequence::NativeText) + ")");
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setToolTipsVisible(true);
    add(file, "&Open...", {QKeySequence::Open}, "Open a scene file or a DXF drawing",
        [this] { OpenFile(); });
    FRecent = file->addMenu(QStringLiteral("Open &Recent"));
    FRecent->setToolTipsVisible(true);
    add(file, "Save &As...", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        "Save the scene as a scene file (text or binary) or a DXF drawing", [this] { SaveAs(); });
    add(file, "&Export Picture...", {QKeySequence(Qt::CTRL | Qt::Key_E)},
        "Save the view as a PNG picture of a chosen size", [this] { ExportPicture(); });
    add(file, "&Print...", {QKeySequence::Print}, "Print the view on one page",
        [this] { Print(); });
    file->addSeparator();
    add(file, "&Quit", {QKeySequence::Quit, QKeySequence(Qt::Key_Q), QKeySequence(Qt::Key_Escape)},
        "Close nyxview", [this] { close(); });
    FillRecentMenu();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setToolTipsVisible(true);
    struct TKey {
        const char* Text;
        Qt::Key Key;
        const char* Tip;
        TView View;
    };
    const TKey keys[] = {
        {"&Top", Qt::Key_1, "Look down on the scene (plan)", TView::Top},
        {"&Front", Qt::Key_2, "Look at the scene from the front", TView::Front},
        {"&Right", Qt::Key_3, "Look at the scene from the right", TView::Right},
        {"&Isometric", Qt::Key_4, "Look at the scene from the front right and above",
         TView::Isometric},
        {"&Narrow View From Afar", Qt::Key_5,
         "Switch between the lens and a narrow one from afar, nearly without perspective",
         TView::Narrow},
        {"&Starting View", Qt::Key_R, "Back to the view the scene opened with", TView::Start},
        {"Frame &All", Qt::Key_F, "Fit the whole scene into the view", TView::All},
    };
    for (const TKey& k : keys)
        add(view, k.Text, {QKeySequence(k.Key)}, k.Tip, [this, v = k.View] { ShowView(v); });
}

void TViewerWindow::BuildDocks() {
    FLayers = new QTreeWidget(this);
    FLayers->setObjectName("Layers");
    FLayers->setHeaderLabels({QStringLiteral("Layer"), QStringLiteral("Objects")});
    FLayers->setRootIsDecorated(false);
    FLayers->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FLayers->setToolTip(QStringLiteral("The drawing's layers (the scene's top-level groups): "
                                       "uncheck one to hide it"));
    connect(FLayers, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* Item, int) {
        TNyxObject* layer = ObjectOf(Item);
        if (FFilling || !layer)
            return;
        layer->SetVisible(Item->checkState(0) == Qt::Checked);
        if (QTreeWidgetItem* node = FNodes.value(layer))
            node->setForeground(
                0, palette().color(layer->Visible() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::Text));
        CountObjects();
    });
    auto* layers = new QDockWidget(QStringLiteral("Layers"), this);
    layers->setObjectName("LayersDock");
    layers->setWidget(FLayers);
    addDockWidget(Qt::LeftDockWidgetArea, layers);

    FSceneTree = new QTreeWidget(this);
    FSceneTree->setObjectName("Scene");
    FSceneTree->setHeaderHidden(true);
    FSceneTree->setIconSize(QSize(NyxImageSize, NyxImageSize));
    FSceneTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FSceneTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FSceneTree->setToolTip(QStringLiteral("The scene's objects: select one to select it in "
                                          "the view"));
    // Items are made as their parents open: a drawing may hold a million entities.
    connect(FSceneTree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* Item) { FillChildren(Item); });
    connect(FSceneTree, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (FFilling || !FScene)
            return;
        for (TNyxObject* o : SelectedIn(*FScene))
            o->StoreSelected(false);
        for (QTreeWidgetItem* item : FSceneTree->selectedItems())
            if (TNyxObject* o = ObjectOf(item); o && o != FScene)
                o->StoreSelected(true);
        FScene->Invalidate(FScene);
        ShowSelected();
    });
    auto* tree = new QDockWidget(QStringLiteral("Scene"), this);
    tree->setObjectName("SceneDock");
    tree->setWidget(FSceneTree);
    addDockWidget(Qt::LeftDockWidgetArea, tree);
}

// --- Files ----------------------------------------------------------------------------------

std::unique_ptr<TComponent> TViewerWindow::Read(const std::string& FileName, TNyxCamera*& Camera) {
    auto root = std::make_unique<TComponent>(nullptr);
    if (FileName.empty()) {
        Camera = BuildDemoScene(root.get()).Camera;
        return root;
    }
    const double aspect =
        double(std::max(FPanelWidget->width(), 1)) / std::max(FPanelWidget->height(), 1);
    const TOnExit done([this] { FProgress.Done(); });
    Camera = LoadFileScene(root.get(), FileName, aspect,
                           FProgress.Event("Reading " + QString::fromStdString(FileName) + "..."))
                 .Camera;
    return root;
}

void TViewerWindow::Open(const std::string& FileName) {
    TNyxCamera* camera = nullptr;
    std::unique_ptr<TComponent> root;
    std::string shown = FileName;
    try {
        root = Read(FileName, camera);
    } catch (const ELoadCancelled&) {
        if (FRoot)
            return;
        // Nothing to go back to: an empty scene.
        root = std::make_unique<TComponent>(nullptr);
        camera = new TNyxCamera(root.get());
        camera->SetParentComponent(new TNyxScene(root.get()));
        shown.clear();
    }
    if (Show(std::move(root), camera, shown))
        AddRecent(shown);
    if (FileName.empty())
        setWindowTitle(QStringLiteral("Demo scene - nyxview"));
}

// The first frame of a big drawing compiles its geometry, which may take long: the
// progress dialog shows it and can cancel it, which closes the file but for the camera.
bool TViewerWindow::Show(std::unique_ptr<TComponent> Root, TNyxCamera* Camera,
                         const std::string& FileName) {
    TNyxScene* scene = Camera->Scene();
    scene->SetCacheGeometry(true);  // a viewer's scene changes little per frame
    const bool building = !FileName.empty() && isVisible();
    if (building)
        scene->SetOnProgress(
            FProgress.Event("Building the view of " + QString::fromStdString(FileName) + "..."));
    bool cancelled = false;
    try {
        FPanel->SetCamera(Camera);  // paints the first frame when the panel is shown
    } catch (const ELoadCancelled&) {
        cancelled = true;
    }
    FRoot = std::move(Root);  // the scene shown before goes after the panel has let go
    FScene = scene;
    FCamera = Camera;
    FInput->SetCamera(Camera);
    if (building) {
        scene->SetOnProgress({});
        FProgress.Done();
    }
    if (cancelled) {
        const TNyxScene::TLoadScope closing(*scene);
        scene->BeginUpdate();
        for (std::size_t i = scene->Items().size(); i-- > 0;)
            if (scene->Items()[i] != Camera)
                delete scene->Items()[i];
        scene->EndUpdate();
    }
    FStart = PoseOf(*Camera);
    FBeforeNarrow.reset();
    ShowFileName(cancelled ? std::string() : FileName);
    FillLayers();
    FillSceneTree();
    FPoint->clear();
    ShowSelected();
    if (cancelled)
        FPanel->Repaint();
    return !cancelled && !FileName.empty();
}

void TViewerWindow::ShowFileName(const std::string& FileName) {
    FFileName = FileName;
    setWindowTitle(FileName.empty()
                       ? QString(Caption)
                       : QFileInfo(QString::fromStdString(FileName)).fileName() + " - nyxview");
    setWindowFilePath(QString::fromStdString(FileName));
}

bool TViewerWindow::Attempt(const std::function<void()>& Command) {
    try {
        Command();
        return true;
    } catch (const std::exception& e) {
        MessageBox(e.what(), Caption, MB_OK | MB_ICONERROR);
        return false;
    }
}

bool TViewerWindow::OpenFile() {
    const std::string name = ChooseFile(false, OpenFilters);
    return !name.empty() && OpenFile(name);
}

bool TViewerWindow::OpenFile(const std::string& FileName) {
    return Attempt([&] { Open(FileName); });
}

bool TViewerWindow::SaveAs() {
    const std::string name = ChooseFile(true, SaveFilters);
    if (name.empty() || !FScene)
        return false;
    return Attempt([&] {
        const std::optional<TSceneFileForm> form = FormOfName(name);
        if (!form || *form == TSceneFileForm::Model)
            throw Exception("Save As: \"" + name +
                            "\": give a name ending in .nyxt (text), .nyx (binary) or .dxf "
                            "(drawing)");
        SaveSceneFile(*FScene, name, *form);
        ShowFileName(name);
        AddRecent(name);
    });
}

bool TViewerWindow::ExportPicture() {
    const std::string name = ChooseFile(true, QStringLiteral("PNG picture (*.png)"));
    if (name.empty())
        return false;
    const std::optional<QSize> size = ChoosePictureSize();
    if (!size)
        return false;
    return Attempt([&] {
        TBitmap picture(size->width(), size->height());
        FPanel->RenderToCanvas(picture.Canvas(), size->width(), size->height(), false);
        picture.SaveToFile(name);
    });
}

bool TViewerWindow::Print() {
    TQtPrinter printer;
    QPrintDialog dialog(&printer.Printer(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Attempt([&] { FPanel->Print(printer); });
}

std::string TViewerWindow::ChooseWithDialog(bool ForSaving, const QString& Filters) {
    const QString folder = QFileInfo(QString::fromStdString(FFileName)).path();
    QString filter;
    QString name =
        ForSaving ? QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), folder, Filters,
                                                 &filter)
                  : QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder, Filters);
    // A name without extension gets the one of the filter chosen.
    if (ForSaving && !name.isEmpty() && QFileInfo(name).suffix().isEmpty()) {
        const int star = filter.indexOf("*.");
        if (star >= 0)
            name +=
                filter.mid(star + 1, filter.indexOf(QRegularExpression("[ )]"), star) - star - 1);
    }
    return name.toStdString();
}

void TViewerWindow::AddRecent(const std::string& FileName) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "nyx", "nyxview");
    QStringList recent = settings.value("recentFiles").toStringList();
    const QString path = QFileInfo(QString::fromStdString(FileName)).absoluteFilePath();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > RecentCount)
        recent.removeLast();
    settings.setValue("recentFiles", recent);
    FillRecentMenu();
}

void TViewerWindow::FillRecentMenu() {
    FRecent->clear();
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, "nyx", "nyxview");
    const QStringList recent = settings.value("recentFiles").toStringList();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* action = FRecent->addAction(QString("&%1 %2").arg(i + 1).arg(path), this,
                                             [this, path] { OpenFile(path.toStdString()); });
        action->setToolTip(path);
    }
    FRecent->setEnabled(!recent.isEmpty());
}

// --- View keys ------------------------------------------------------------------------------

TViewerWindow::TPose TViewerWindow::PoseOf(const TNyxCamera& Camera) {
    return {Camera.Position()->Data(), Camera.Target()->Data(), Camera.Up()->Data(), Camera.FOVY(),
            Camera.NearClipPlane(),    Camera.FarClipPlane()};
}

void TViewerWindow::Apply(const TPose& Pose) {
    // Stored without a repaint each; one repaint at the end.
    FCamera->Position()->Store(Pose.Position);
    FCamera->Target()->Store(Pose.Target);
    FCamera->Up()->Store(Pose.Up);
    FCamera->SetNearPlane(Pose.Near);
    FCamera->SetFarPlane(Pose.Far);
    FCamera->SetFOVY(Pose.FOVY);
    FCamera->Reset();
    FPanel->Repaint();
}

void TViewerWindow::ShowView(TView View) {
    if (!FCamera)
        return;
    if (View == TView::Start) {
        Apply(FStart);
        FBeforeNarrow.reset();
        return;
    }
    if (View == TView::All) {
        FPanel->ViewAll();
        FBeforeNarrow.reset();
        return;
    }
    // The others look at the target from the distance the eye has now.
    const TGLArrayd3 eye = FCamera->GetPosition(), target = FCamera->GetTarget();
    const TGLArrayd3 d{eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    const double distance = std::max(std::sqrt(Dotd(d, d)), 1e-9);
    TPose pose = PoseOf(*FCamera);
    pose.Target = target;
    if (View == TView::Narrow) {
        if (FBeforeNarrow) {
            Apply(*FBeforeNarrow);
            FBeforeNarrow.reset();
            return;
        }
        FBeforeNarrow = pose;
        FBeforeNarrow->Position = eye;
        // As far back as keeps the same width in view at the target.
        const double k = std::tan(FCamera->FOVY() / 2 * std::numbers::pi / 180) /
                         std::tan(NarrowAngle / 2 * std::numbers::pi / 180);
        for (std::size_t i = 0; i < 3; ++i)
            pose.Position[i] = target[i] + d[i] * k;
        pose.FOVY = NarrowAngle;
        pose.Near = FCamera->NearClipPlane() * k;
        pose.Far = FCamera->FarClipPlane() + distance * (k - 1);
        Apply(pose);
        return;
    }
    FBeforeNarrow.reset();
    TGLArrayd3 direction{};
    switch (View) {
    case TView::Top:
        direction = {0, -1e-3, 1};  // a hair to the south keeps north up
        break;
    case TView::Front:
        direction = {0, -1, 0};
        break;
    case TView::Right:
        direction = {1, 0, 0};
        break;
    default:
        direction = {1, -1, 1};
        break;
    }
    Normalized(direction);
    for (std::size_t i = 0; i < 3; ++i)
        pose.Position[i] = target[i] + direction[i] * distance;
    pose.Up = {0, 0, 1};
    Apply(pose);
}

// --- Docks ----------------------------------------------------------------------------------

void TViewerWindow::FillLayers() {
    FFilling = true;
    FLayers->clear();
    for (TNyxObject* layer : FScene->Items()) {
        if (dynamic_cast<TNyxCamera*>(layer) || dynamic_cast<TNyxLight*>(layer))
            continue;  // not groups
        std::vector<TNyxObject*> inside;
        layer->ListChildren(inside);
        const std::string name = NameOf(*layer);
        auto* item = new QTreeWidgetItem(
            FLayers, {QString::fromStdString(name.empty() ? layer->ClassName() : name),
                      Number(std::int64_t(inside.size()))});
        item->setData(0, Qt::UserRole, ObjectData(layer));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, layer->Visible() ? Qt::Checked : Qt::Unchecked);
        item->setIcon(0, Swatch(layer->Color()));
        item->setTextAlignment(1, Qt::AlignRight);
    }
    FFilling = false;
    CountObjects();
}

void TViewerWindow::FillSceneTree() {
    FFilling = true;
    FNodes.clear();
    FSceneTree->clear();
    auto* root = new QTreeWidgetItem(FSceneTree, {ShownName(*FScene)});
    root->setData(0, Qt::UserRole, ObjectData(FScene));
    root->setIcon(0, QIcon(NyxObjectImage(0)));
    FNodes.insert(FScene, root);
    FillChildren(root);
    root->setExpanded(true);
    FFilling = false;
}

void TViewerWindow::FillChildren(QTreeWidgetItem* Node) {
    TNyxObject* object = ObjectOf(Node);
    if (!object || Node->childCount() > 0)
        return;
    const bool filling = FFilling;
    FFilling = true;
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(object->Items().size()));
    for (TNyxObject* child : object->Items()) {
        auto* item = new QTreeWidgetItem({ShownName(*child)});
        item->setData(0, Qt::UserRole, ObjectData(child));
        const int image = TNyxObjectsListForm::GetObjectImageIndex(child);
        if (image >= 0)
            item->setIcon(0, QIcon(NyxObjectImage(image)));
        if (!ShownWithAncestors(child))
            item->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
        if (!child->Items().empty())
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        FNodes.insert(child, item);
        items.push_back(item);
    }
    Node->addChildren(items);
    for (QTreeWidgetItem* item : items)
        item->setSelected(ObjectOf(item)->Selected());
    FFilling = filling;
}

// The Scene dock's item of Object, its ancestors' items made and opened.
QTreeWidgetItem* TViewerWindow::Reveal(TNyxObject* Object) {
    if (QTreeWidgetItem* known = FNodes.value(Object))
        return known;
    if (!Object->Parent())
        return nullptr;
    QTreeWidgetItem* parent = Reveal(Object->Parent());
    if (!parent)
        return nullptr;
    FillChildren(parent);
    parent->setExpanded(true);
    return FNodes.value(Object);
}

void TViewerWindow::ShowSelection() {
    FFilling = true;
    FSceneTree->clearSelection();
    const std::vector<TNyxObject*> selected = SelectedIn(*FScene);
    QTreeWidgetItem* first = nullptr;
    for (std::size_t i = 0; i < selected.size() && i < RevealedAtMost; ++i)
        if (QTreeWidgetItem* item = Reveal(selected[i])) {
            item->setSelected(true);
            if (!first)
                first = item;
        }
    // Items made before that are not among the first revealed.
    for (auto it = FNodes.cbegin(); it != FNodes.cend(); ++it)
        if (it.key() != FScene && it.key()->Selected())
            it.value()->setSelected(true);
    if (first)
        FSceneTree->scrollToItem(first);
    FFilling = false;
    ShowSelected();
}

// --- Status ---------------------------------------------------------------------------------

void TViewerWindow::CountObjects() {
    std::vector<TNyxObject*> all;
    FScene->ListChildren(all);
    FObjects = std::count_if(all.begin(), all.end(), [](const TNyxObject* o) {
        return dynamic_cast<const TNyxColoredObject*>(o) && ShownWithAncestors(o);
    });
    ShowFrame();
}

// Runs after every frame: reads only what the counter kept.
void TViewerWindow::ShowFrame() {
    const TDrawCounter::TFrame& frame = FCounter.LastFrame();
    FDrawn->setText(
        QString("%1 objects, %2 triangles").arg(Number(FObjects), Number(frame.Triangles)));
    FTime->setText(QString("%1 ms").arg(frame.Milliseconds, 0, 'f', 1));
}

void TViewerWindow::ShowSelected() {
    const std::vector<TNyxObject*> chosen = SelectedIn(*FScene);
    QString text = QStringLiteral("nothing selected");
    if (chosen.size() == 1) {
        const std::string name = NameOf(*chosen[0]);
        text = QString::fromStdString((name.empty() ? std::string("(unnamed)") : name) + " (" +
                                      chosen[0]->ClassName() + ")");
    } else if (!chosen.empty()) {
        text = QString("%1 objects selected").arg(Number(std::int64_t(chosen.size())));
    }
    FSelected->setText(text);
}

QString TViewerWindow::StatusText() const {
    return FDrawn->text() + " | " + FTime->text() + " | " + FSelected->text() + " | " +
           FPoint->text();
}

bool TViewerWindow::PointAt(QPoint Pos, TGLArrayd3& World) const {
    if (!FScene || !FCamera || !FPanel->HandleAllocated())
        return false;
    FPanel->MakeCurrent();
    return FScene->PickSurface(FCamera, FPanel->Width(), FPanel->Height(), Pos.x(),
                               FPanel->Height() - Pos.y(), World) != nullptr;
}

void TViewerWindow::ShowPointAt(QPoint Pos) {
    TGLArrayd3 world{};
    FPoint->setText(PointAt(Pos, world) ? QString("x %1  y %2  z %3")
                                              .arg(world[0], 0, 'f', 3)
                                              .arg(world[1], 0, 'f', 3)
                                              .arg(world[2], 0, 'f', 3)
                                        : QString());
}

// Orbiting turns round the target: the target moves to the point, the eye stays.
void TViewerWindow::OrbitAbout(QPoint Pos) {
    TGLArrayd3 world{};
    if (!PointAt(Pos, world))
        return;
    TGLMatrixd4 frame;
    FCamera->GetAbsoluteMatrix(frame);
    InverseMatrixd(frame);
    Xformd(frame, world);
    const TGLArrayd3 target = FCamera->GetTarget();
    FCamera->Move(0, 0, 0, world[0] - target[0], world[1] - target[1], world[2] - target[2]);
}

// --- Events ---------------------------------------------------------------------------------

bool TViewerWindow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != FPanelWidget)
        return QMainWindow::eventFilter(Watched, Event);
    try {
        switch (Event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(Event);
            FCursor = mouse->position().toPoint();
            if (mouse->buttons() == Qt::NoButton)
                FPointTimer.start();
            break;
        }
        case QEvent::Leave:
            FPointTimer.stop();
            FPoint->clear();
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton && FCamera) {
                OrbitAbout(static_cast<QMouseEvent*>(Event)->position().toPoint());
                return true;
            }
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        HandleException(e);  // exceptions must not cross Qt's event dispatch
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TViewerWindow::dragEnterEvent(QDragEnterEvent* Event) {
    const QList<QUrl> urls = Event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        Event->acceptProposedAction();
}

void TViewerWindow::dropEvent(QDropEvent* Event) {
    const QList<QUrl> urls = Event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    Event->acceptProposedAction();
    OpenFile(urls.front().toLocalFile().toStdString());
}

}  // namespace nyx
