#include "mainwindow.h"

#include "formview.h"
#include "history.h"

#include "design/icons.h"
#include "design/objectslistform.h"
#include "design/propertiesview.h"
#include "design/registry.h"
#include "qt/timeline.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenuBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QUndoView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace nyx {

namespace {

const char* const Caption = "nyxedit";
const char* const TextFilter = "Form, text (*.nyxt)";
const char* const BinaryFilter = "Form, binary (*.nyx)";
const char* const SceneFilters = "Scene, text (*.nyxt);;Scene, binary (*.nyx);;DXF drawing (*.dxf)";

void ReportError(const std::exception& E) { MessageBox(E.what(), Caption, MB_OK | MB_ICONERROR); }

}  // namespace

TEditorWindow::TEditorWindow(const TDesignRegistry& Registry, QWidget* Parent)
    : QMainWindow(Parent), FDocument(Registry) {
    ChooseFile = [this](bool ForSaving) { return ChooseWithDialog(ForSaving); };
    FHistory = new TFormHistory(FDocument, this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    FPalette = new QTabWidget(central);
    layout->addWidget(FPalette);
    auto* scroll = new QScrollArea(central);
    FFormView = new TFormView(FDocument, scroll);
    scroll->setWidget(FFormView);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    setCentralWidget(central);

    BuildPalette();
    BuildDocks();
    BuildMenus();
    FDocument.SetListener(this);
    FormReplaced();
    StateChanged();
    resize(1200, 800);
}

TEditorWindow::~TEditorWindow() {
    FDocument.SetListener(nullptr);
    // The views go before the components they show.
    FTimeLine->SetScene(nullptr);
    FPropertiesView->SetInstance(nullptr);
    delete FFormView;
    FFormView = nullptr;
}

QToolButton* TEditorWindow::PaletteButton(const std::string& ClassName) const {
    return FPalette->findChild<QToolButton*>(QString::fromStdString(ClassName));
}

// --- Building -------------------------------------------------------------------------------

void TEditorWindow::BuildPalette() {
    for (const TDesignRegistry::TPalettePage& page : FDocument.Registry().Pages()) {
        auto* row = new QWidget(FPalette);
        auto* buttons = new QHBoxLayout(row);
        buttons->setContentsMargins(2, 2, 2, 2);
        for (const TMetaClass* cls : page.Classes) {
            auto* button = new QToolButton(row);
            const std::string& name = cls->Name();
            button->setObjectName(QString::fromStdString(name));
            button->setText(QString::fromStdString(name.size() > 1 ? name.substr(1) : name));
            button->setIcon(QIcon(NyxPaletteImage(name)));
            button->setIconSize(QSize(NyxPaletteImageSize, NyxPaletteImageSize));
            button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button->setToolTip(QStringLiteral("Click, then click on the form to place a ") +
                               QString::fromStdString(name));
            button->setCheckable(true);
            buttons->addWidget(button);
            QObject::connect(button, &QToolButton::toggled, this, [this, cls, button](bool on) {
                if (on) {
                    for (QToolButton* other : FPalette->findChildren<QToolButton*>())
                        if (other != button)
                            other->setChecked(false);
                    FFormView->SetPlacing(cls);
                } else if (FFormView->Placing() == cls) {
                    FFormView->SetPlacing(nullptr);
                }
            });
        }
        buttons->addStretch(1);
        FPalette->addTab(row, QString::fromStdString(page.Name));
    }
    FPalette->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    FFormView->OnPlaced = [this] {
        for (QToolButton* button : FPalette->findChildren<QToolButton*>())
            button->setChecked(false);
    };
}

void TEditorWindow::BuildDocks() {
    FPropertiesView = new TPropertiesView(FDocument.Registry(), FDocument, this);
    auto* propertiesViewDock = new QDockWidget(QStringLiteral("Properties"), this);
    propertiesViewDock->setObjectName(QStringLiteral("PropertiesView"));
    propertiesViewDock->setWidget(FPropertiesView);
    addDockWidget(Qt::LeftDockWidgetArea, propertiesViewDock);

    FTimeLine = new TNyxTimeLine(this);
    auto* timeLineDock = new QDockWidget(QStringLiteral("Time Line"), this);
    timeLineDock->setObjectName(QStringLiteral("TimeLine"));
    timeLineDock->setWidget(FTimeLine);
    addDockWidget(Qt::RightDockWidgetArea, timeLineDock);

    auto* history = new QUndoView(&FHistory->Stack(), this);
    history->setObjectName(QStringLiteral("HistoryView"));
    history->setEmptyLabel(QStringLiteral("Form as opened"));
    auto* historyDock = new QDockWidget(QStringLiteral("History"), this);
    historyDock->setObjectName(QStringLiteral("History"));
    historyDock->setWidget(history);
    addDockWidget(Qt::RightDockWidgetArea, historyDock);
    QObject::connect(FTimeLine, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (TNyxObject* object = TNyxTimeLine::ObjectOf(item)) {
            FSelectingFromTimeLine = true;
            FDocument.SelectComponent(object);
            FSelectingFromTimeLine = false;
        }
    });
}

void TEditorWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), QKeySequence::New, this, [this] { NewForm(); });
    file->addAction(QStringLiteral("&Open..."), QKeySequence::Open, this, [this] { OpenForm(); });
    file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { SaveForm(); });
    file->addAction(QStringLiteral("Save &As..."), QKeySequence::SaveAs, this,
                    [this] { SaveFormAs(); });
    file->addAction(QStringLiteral("Save S&cene As..."), this, [this] { SaveSceneAs(); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // Application-wide, so that they serve the Objects List's window too; a line being
    // edited takes its own undo and clipboard keys first.
    const auto command = [this, edit](const QString& Text, const QList<QKeySequence>& Keys,
                                      const char* Name, std::function<bool()> Run) {
        QAction* action = edit->addAction(Text, this, [Run] { Run(); });
        action->setShortcuts(Keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
        action->setObjectName(Name);
        return action;
    };
    QAction* undo =
        command(QStringLiteral("&Undo"), {QKeySequence::Undo}, "Undo", [this] { return Undo(); });
    QAction* redo = command(QStringLiteral("&Redo"),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence::Redo},
                            "Redo", [this] { return Redo(); });
    QUndoStack* stack = &FHistory->Stack();
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, undo,
            [undo](const QString& Text) { undo->setText(QStringLiteral("&Undo ") + Text); });
    connect(stack, &QUndoStack::redoTextChanged, redo,
            [redo](const QString& Text) { redo->setText(QStringLiteral("&Redo ") + Text); });
    edit->addSeparator();
    command(QStringLiteral("Cu&t"), {QKeySequence::Cut}, "Cut", [this] { return CutSelection(); });
    command(QStringLiteral("&Copy"), {QKeySequence::Copy}, "Copy",
            [this] { return CopySelection(); });
    command(QStringLiteral("&Paste"), {QKeySequence::Paste}, "Paste",
            [this] { return PasteClipboard(); });
    edit->addAction(QStringLiteral("&Delete"), QKeySequence::Delete, this, [this] {
        if (auto* component = dynamic_cast<TComponent*>(FDocument.GetSelection()))
            Attempt([&] { FDocument.DeleteComponent(component); });
    });
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    // The time line does not follow changes of its scene by itself.
    view->addAction(QStringLiteral("&Refresh Time Line"), QKeySequence::Refresh, this, [this] {
        TNyxScene* scene = FTimeLine->Scene();
        FTimeLine->SetScene(nullptr);
        FTimeLine->SetScene(scene);
    });
}

// --- Commands -------------------------------------------------------------------------------

bool TEditorWindow::NewForm() {
    if (!ConfirmDiscard())
        return false;
    FDocument.New();
    return true;
}

bool TEditorWindow::OpenForm() {
    if (!ConfirmDiscard())
        return false;
    const std::string name = ChooseFile(false);
    return !name.empty() && OpenForm(name);
}

bool TEditorWindow::OpenForm(const std::string& FileName) {
    try {
        FDocument.Open(FileName);
        return true;
    } catch (const std::exception& e) {
        ReportError(e);
        return false;
    }
}

bool TEditorWindow::SaveForm() {
    if (FDocument.FileName().empty())
        return SaveFormAs();
    return Attempt([this] {
        FDocument.Save();
        FHistory->MarkClean();
    });
}

bool TEditorWindow::SaveFormAs() {
    const std::string name = ChooseFile(true);
    if (name.empty())
        return false;
    return Attempt([&] {
        FDocument.SaveAs(name, FormOfName(name).value_or(TSceneFileForm::Text));
        FHistory->MarkClean();
    });
}

bool TEditorWindow::SaveSceneAs() {
    TNyxScene* scene = FDocument.CurrentScene();
    if (!scene) {
        MessageBox("The form holds no scene to save; place a scene first.", Caption,
                   MB_OK | MB_ICONERROR);
        return false;
    }
    FChoosingScene = true;
    const std::string name = ChooseFile(true);
    FChoosingScene = false;
    if (name.empty())
        return false;
    return Attempt([&] {
        FDocument.SaveSceneAs(*scene, name, FormOfName(name).value_or(TSceneFileForm::Text));
        FHistory->MarkClean();
    });
}

bool TEditorWindow::Attempt(const std::function<void()>& Command) {
    try {
        Command();
        return true;
    } catch (const std::exception& e) {
        ReportError(e);
        return false;
    }
}

// --- Edit commands ----------------------------------------------------------------------------

bool TEditorWindow::Undo() {
    FHistory->Flush();
    return FHistory->Stack().canUndo() && Attempt([this] { FHistory->Stack().undo(); });
}

bool TEditorWindow::Redo() {
    FHistory->Flush();
    return FHistory->Stack().canRedo() && Attempt([this] { FHistory->Stack().redo(); });
}

bool TEditorWindow::CopySelection() {
    auto* component = dynamic_cast<TComponent*>(FDocument.GetSelection());
    if (!component)
        return false;
    return Attempt([&] {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(TFormDocument::ComponentText(*component)));
    });
}

bool TEditorWindow::CutSelection() {
    auto* component = dynamic_cast<TComponent*>(FDocument.GetSelection());
    if (!component || !CopySelection())
        return false;
    FDocument.NameChange("Cut " + component->Name());
    return Attempt([&] { FDocument.DeleteComponent(component); });
}

bool TEditorWindow::PasteClipboard() {
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    return Attempt([&] {
        FDocument.NameChange("Paste");
        FDocument.Paste(text);
    });
}

bool TEditorWindow::ConfirmDiscard() {
    if (!FDocument.IsModified())
        return true;
    const std::string question =
        "Save changes to " + DisplayName().toStdString() + " before closing it?";
    switch (MessageBox(question, Caption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return SaveForm();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void TEditorWindow::closeEvent(QCloseEvent* Event) {
    if (ConfirmDiscard())
        Event->accept();
    else
        Event->ignore();
}

std::string TEditorWindow::ChooseWithDialog(bool ForSaving) {
    if (FChoosingScene) {
        QString filter;
        QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save scene as"),
                                                    QString(), SceneFilters, &filter);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
            name += filter.contains(".dxf") ? ".dxf" : filter.contains("*.nyx)") ? ".nyx" : ".nyxt";
        return name.toStdString();
    }
    const QString filters = QString(TextFilter) + ";;" + BinaryFilter;
    if (!ForSaving)
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open form"), QString(),
                                            filters + ";;All files (*)")
            .toStdString();
    QString filter = FDocument.FileForm() == TSceneFileForm::Binary ? BinaryFilter : TextFilter;
    QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save form as"),
                                                QString::fromStdString(FDocument.FileName()),
                                                filters, &filter);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += filter == BinaryFilter ? ".nyx" : ".nyxt";
    return name.toStdString();
}

// --- What the form tells --------------------------------------------------------------------

void TEditorWindow::FormReplaced() {
    if (FHistory->Restoring())
        FollowRestoredScene();
    else
        FHistory->Reset();
    FTimeLine->SetScene(nullptr);
    FPropertiesView->SetInstance(nullptr);
    FFormView->Rebuild();
}

void TEditorWindow::ComponentAdded(TComponent* Component) { FFormView->Add(Component); }

void TEditorWindow::ComponentRemoved(TComponent* Component) { FFormView->Remove(Component); }

void TEditorWindow::SelectionChanged() {
    FPropertiesView->ShowSelection();
    FFormView->Refresh();
    if (!FSelectingFromTimeLine)
        FTimeLine->SetScene(SceneOfSelection());
}

void TEditorWindow::ChangeMade(const std::string& Caption) { FHistory->ChangeMade(Caption); }

void TEditorWindow::FollowRestoredScene() {
    TNyxObjectsListForm* list = FirstObjectsListForm();
    TNyxScene* shown = list ? list->Scene() : nullptr;
    // The old form still exists, the new one is in place.
    if (!shown || list->Designer() != &FDocument || !shown->Owner())
        return;
    const std::vector<TComponent*> before = TFormDocument::StreamOrder(*shown->Owner());
    const std::vector<TComponent*> after = TFormDocument::StreamOrder(*FDocument.GetRoot());
    const auto at = std::size_t(std::find(before.begin(), before.end(), shown) - before.begin());
    auto* scene = at < after.size() ? dynamic_cast<TNyxScene*>(after[at]) : nullptr;
    list->SetFormDesigner(&FDocument, scene);
}

void TEditorWindow::StateChanged() {
    setWindowTitle(DisplayName() + QStringLiteral("[*] - ") + Caption);
    setWindowModified(FDocument.IsModified());
    FFormView->Refresh();
}

TNyxScene* TEditorWindow::SceneOfSelection() const {
    TPersistent* selection = FDocument.GetSelection();
    if (auto* object = dynamic_cast<TNyxObject*>(selection))
        return object->AsScene() ? object->AsScene() : object->Scene();
    if (auto* panel = dynamic_cast<TNyxPanel*>(selection))
        if (TNyxCamera* camera = panel->Camera())
            return camera->Scene();
    return FTimeLine->Scene();
}

QString TEditorWindow::DisplayName() const {
    if (FDocument.FileName().empty())
        return QStringLiteral("Untitled");
    return QFileInfo(QString::fromStdString(FDocument.FileName())).fileName();
}

}  // namespace nyx
