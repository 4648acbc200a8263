#include "design/objectslistform.h"

#include "design/designintf.h"
#include "design/icons.h"
#include "objects/box.h"
#include "objects/heightfield.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/polygon.h"
#include "objects/polyhedra.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "objects/torus.h"
#include "objects/user.h"
#include "qt/host.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

namespace nyx {

namespace {

struct TKindImage {
    const TMetaClass& (*Class)();
    int Index;
};

// The first class an object is an instance of decides its image; the octahedron has none.
const TKindImage KindImages[] = {
    {&TNyxActor::StaticClass, 0},        {&TNyxCamera::StaticClass, 1},
    {&TNyxLight::StaticClass, 2},        {&TNyxSphere::StaticClass, 3},
    {&TNyxCone::StaticClass, 4},         {&TNyxTorus::StaticClass, 5},
    {&TNyxCircle::StaticClass, 6},       {&TNyxPoint::StaticClass, 7},
    {&TNyxLine::StaticClass, 8},         {&TNyxPolygon::StaticClass, 9},
    {&TNyxBox::StaticClass, 10},         {&TNyxTeapot::StaticClass, 11},
    {&TNyxIcosahedron::StaticClass, 12}, {&TNyxDodecahedron::StaticClass, 13},
    {&TNyxProxy::StaticClass, 14},       {&TNyxUser::StaticClass, 15},
    {&TNyxArc::StaticClass, 16},         {&TNyxPolyline::StaticClass, 17},
    {&TNyxHeightField::StaticClass, 18}, {&TNyxLabel::StaticClass, 19},
    {&TNyxMesh::StaticClass, 20},
};

enum class TMenuPlace { Top, Standard, Shapes };

struct TNewItem {
    const char* Name;
    const char* Caption;
    const TMetaClass& (*Class)();  // none: a separator
    int Image;                     // -1: none
    TMenuPlace Place;
};

// The new-object menu, in its order.
const TNewItem NewItems[] = {
    {"Actor1", "Actor", &TNyxActor::StaticClass, 0, TMenuPlace::Top},
    {"Polygon1", "Triangle / Quad / Polygon", &TNyxPolygon::StaticClass, 9, TMenuPlace::Standard},
    {"Box1", "Box / Parallelogram", &TNyxBox::StaticClass, 10, TMenuPlace::Standard},
    {"Sphere1", "Sphere / Ellipsoid", &TNyxSphere::StaticClass, 3, TMenuPlace::Standard},
    {"Cone1", "Cone / Cylinder", &TNyxCone::StaticClass, 4, TMenuPlace::Standard},
    {"Torus1", "Torus", &TNyxTorus::StaticClass, 5, TMenuPlace::Standard},
    {"Dodecahedron1", "Dodecahedron", &TNyxDodecahedron::StaticClass, 13, TMenuPlace::Standard},
    {"Teapot1", "Teapot", &TNyxTeapot::StaticClass, 11, TMenuPlace::Standard},
    {"Icosahedron1", "Icosahedron", &TNyxIcosahedron::StaticClass, 12, TMenuPlace::Standard},
    {"Octahedron1", "Octahedron", &TNyxOctahedron::StaticClass, -1, TMenuPlace::Standard},
    {"HeightField1", "Height Field", &TNyxHeightField::StaticClass, 18, TMenuPlace::Standard},
    {"Mesh1", "Mesh", &TNyxMesh::StaticClass, 20, TMenuPlace::Standard},
    {"Point1", "Point", &TNyxPoint::StaticClass, 7, TMenuPlace::Shapes},
    {"Line1", "Line", &TNyxLine::StaticClass, 8, TMenuPlace::Shapes},
    {"Polyline1", "Polyline", &TNyxPolyline::StaticClass, 17, TMenuPlace::Shapes},
    {"Circle1", "Circle / NGon / Ellipse", &TNyxCircle::StaticClass, 6, TMenuPlace::Shapes},
    {"Arc1", "Arc", &TNyxArc::StaticClass, 16, TMenuPlace::Shapes},
    {"TextLabel1", "Text Label", &TNyxLabel::StaticClass, 19, TMenuPlace::Top},
    {"Light1", "Light", &TNyxLight::StaticClass, 2, TMenuPlace::Top},
    {"Camera1", "Camera", &TNyxCamera::StaticClass, 1, TMenuPlace::Top},
    {"N1", "-", nullptr, -1, TMenuPlace::Top},
    {"Userdraw1", "User draw", &TNyxUser::StaticClass, 15, TMenuPlace::Top},
    {"Proxy1", "Proxy", &TNyxProxy::StaticClass, 14, TMenuPlace::Top},
};

// Qt's signals cannot carry an exception: what a handler raises (the designer's errors)
// goes to the application's exception handler, as the framework's message loop does.
template <class F>
auto Reported(F Handler) {
    return [Handler](auto&&...) {
        try {
            Handler();
        } catch (const std::exception& e) {
            HandleException(e);
        }
    };
}

// An object as the undo history names it: its name, or its class when it has none.
std::string ShownName(const TNyxObject* Object) {
    return Object->Name().empty() ? Object->ClassName() : Object->Name();
}

QIcon ImageIcon(int Index) { return Index < 0 ? QIcon() : QIcon(NyxObjectImage(Index)); }

QPushButton* Button(QWidget* Parent, const char* Name, const QString& Caption, QRect Geometry) {
    auto* b = new QPushButton(Caption, Parent);
    b->setObjectName(Name);
    b->setGeometry(Geometry);
    return b;
}

// The expanded nodes of a subtree: a node taken out of the tree and put back elsewhere
// forgets them.
void CollectExpanded(QTreeWidgetItem* Node, std::vector<QTreeWidgetItem*>& Expanded) {
    if (Node->isExpanded())
        Expanded.push_back(Node);
    for (int i = 0; i < Node->childCount(); ++i)
        CollectExpanded(Node->child(i), Expanded);
}

}  // namespace

// The tree view: its drags go through the form's acceptance rule and its drops re-parent
// objects, which the scene's notifications then show; the view itself never moves a node.
class TNyxObjectsListForm::TTree : public QTreeWidget {
public:
    TTree(TNyxObjectsListForm* Form, QWidget* Parent) : QTreeWidget(Parent), FForm(Form) {}

protected:
    void dragEnterEvent(QDragEnterEvent* Event) override {
        if (Event->mimeData()->hasFormat(DragFormat()))
            Event->acceptProposedAction();
        else
            Event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* Event) override {
        QTreeWidget::dragMoveEvent(Event);  // scrolls near the edges
        if (FForm->TreeView1DragOver(itemAt(Event->position().toPoint())))
            Accept(Event);
        else
            Event->ignore();
    }
    void dropEvent(QDropEvent* Event) override {
        QTreeWidgetItem* target = itemAt(Event->position().toPoint());
        if (!FForm->TreeView1DragOver(target)) {
            Event->ignore();
            return;
        }
        Accept(Event);
        Reported([this, target] { FForm->TreeView1DragDrop(target); })();
    }

private:
    QString DragFormat() const { return mimeTypes().value(0); }
    // A copy as far as the view knows: a move would have it delete the dragged node,
    // which the notifications have already replaced.
    static void Accept(QDropEvent* Event) {
        Event->setDropAction(Qt::CopyAction);
        Event->accept();
    }

    TNyxObjectsListForm* FForm;
};

// Hears the removal of the scene from the framework: a scene that is the root of its tree
// announces no removal of its own through the listeners.
class TNyxObjectsListForm::TSceneWatch : public TComponent {
public:
    explicit TSceneWatch(TNyxObjectsListForm* Form) : TComponent(nullptr), FForm(Form) {}

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FForm->FScene)
            FForm->SceneGoing();
    }

private:
    TNyxObjectsListForm* FForm;
};

// --- Construction --------------------------------------------------------------------

TNyxObjectsListForm::TNyxObjectsListForm(QWidget* Parent)
    : QWidget(Parent, Qt::Window), FWatch(std::make_unique<TSceneWatch>(this)) {
    setObjectName("NyxObjectsListForm");
    setAttribute(Qt::WA_DeleteOnClose);
    BuildLayout();
    BuildNewMenu();
    // Its window now, so that it takes its place among the application's forms.
    create();
    FShowClassNames = true;
    UpdateButtons();
}

TNyxObjectsListForm::~TNyxObjectsListForm() { SetFormDesigner(nullptr, nullptr); }

void TNyxObjectsListForm::BuildLayout() {
    setWindowTitle("Objects List");
    setWindowIcon(QIcon(NyxEditorGlyph(TNyxEditorGlyph::Form)));
    resize(449, 328);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    font.setBold(true);
    setFont(font);

    auto* clientPanel = new QFrame(this);
    clientPanel->setObjectName("ClientPanel");
    auto* clientLayout = new QVBoxLayout(clientPanel);
    clientLayout->setContentsMargins(2, 2, 2, 2);
    FTreeView1 = new TTree(this, clientPanel);
    FTreeView1->setObjectName("TreeView1");
    FTreeView1->setHeaderHidden(true);
    FTreeView1->setColumnCount(1);
    FTreeView1->setIndentation(19);
    FTreeView1->setIconSize(QSize(NyxImageSize, NyxImageSize));
    FTreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    FTreeView1->setDragEnabled(true);
    FTreeView1->setAcceptDrops(true);
    FTreeView1->setDragDropMode(QAbstractItemView::DragDrop);
    FTreeView1->setDefaultDropAction(Qt::CopyAction);
    FTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    clientLayout->addWidget(FTreeView1);

    auto* btnPanel = new QWidget(this);
    btnPanel->setObjectName("BtnPanel");
    btnPanel->setFixedWidth(86);
    auto* btnLayout = new QVBoxLayout(btnPanel);
    btnLayout->setContentsMargins(0, 0, 0, 0);
    btnLayout->setSpacing(0);
    auto* buttons = new QWidget(btnPanel);
    buttons->setFixedHeight(134);
    FNewBtn = Button(buttons, "NewBtn", "&New", {5, 5, 75, 25});
    FNewBtn->setIcon(QIcon(NyxEditorGlyph(TNyxEditorGlyph::New)));
    FDeleteBtn = Button(buttons, "DeleteBtn", "&Delete", {6, 34, 75, 25});
    FDeleteBtn->setIcon(QIcon(NyxEditorGlyph(TNyxEditorGlyph::Delete)));
    FUpBtn = Button(buttons, "UpBtn", "", {5, 64, 34, 25});
    FUpBtn->setIcon(QIcon(NyxEditorGlyph(TNyxEditorGlyph::Up)));
    FUpBtn->setToolTip("Move up");
    FDownBtn = Button(buttons, "DownBtn", "", {46, 64, 34, 25});
    FDownBtn->setIcon(QIcon(NyxEditorGlyph(TNyxEditorGlyph::Down)));
    FDownBtn->setToolTip("Move down");
    FClearBtn = Button(buttons, "ClearBtn", "C&lear", {4, 105, 75, 25});
    auto* panel1 = new QWidget(btnPanel);
    panel1->setObjectName("Panel1");
    panel1->setFixedHeight(34);
    FCloseBtn = Button(panel1, "CloseBtn", "&Close", {5, 4, 75, 25});
    btnLayout->addWidget(buttons);
    btnLayout->addStretch(1);
    btnLayout->addWidget(panel1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(clientPanel, 1);
    layout->addWidget(btnPanel);

    FPopupMenu2 = new QMenu(this);
    FPopupMenu2->setObjectName("PopupMenu2");
    FMoveup1 = FPopupMenu2->addAction("Move up");
    FMoveup1->setObjectName("Moveup1");
    FMovedown1 = FPopupMenu2->addAction("Move down");
    FMovedown1->setObjectName("Movedown1");
    FPopupMenu2->addSeparator();
    FDelete1 = FPopupMenu2->addAction("Delete");
    FDelete1->setObjectName("Delete1");
    FDelete1->setShortcut(QKeySequence::Delete);
    FDelete1->setShortcutContext(Qt::WidgetShortcut);
    FTreeView1->addAction(FDelete1);

    connect(FNewBtn, &QPushButton::clicked, this, [this] { NewClick(); });
    connect(FDeleteBtn, &QPushButton::clicked, this, Reported([this] { DeleteClick(); }));
    connect(FDelete1, &QAction::triggered, this, Reported([this] { DeleteClick(); }));
    for (QObject* mover : {static_cast<QObject*>(FUpBtn), static_cast<QObject*>(FDownBtn)})
        connect(static_cast<QPushButton*>(mover), &QPushButton::clicked, this,
                Reported([this, mover] { Movedown1Click(mover); }));
    for (QAction* mover : {FMoveup1, FMovedown1})
        connect(mover, &QAction::triggered, this,
                Reported([this, mover] { Movedown1Click(mover); }));
    connect(FClearBtn, &QPushButton::clicked, this, Reported([this] { ClearBtnClick(); }));
    connect(FCloseBtn, &QPushButton::clicked, this, [this] { CloseBtnClick(); });
    connect(FTreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* Current) { TreeView1Change(Current); });
    connect(FTreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        FPopupMenu2->popup(FTreeView1->viewport()->mapToGlobal(At));
    });
}

void TNyxObjectsListForm::BuildNewMenu() {
    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName("PopupMenu1");
    QMenu* standard = nullptr;
    QMenu* shapes = nullptr;
    for (const TNewItem& item : NewItems) {
        QMenu* menu = FPopupMenu1;
        if (item.Place == TMenuPlace::Standard) {
            if (!standard) {
                standard = FPopupMenu1->addMenu("Standard");
                standard->menuAction()->setObjectName("Standard1");
            }
            menu = standard;
        } else if (item.Place == TMenuPlace::Shapes) {
            if (!shapes) {
                shapes = FPopupMenu1->addMenu("Shapes");
                shapes->menuAction()->setObjectName("Shapes1");
            }
            menu = shapes;
        }
        QAction* action = item.Class ? menu->addAction(ImageIcon(item.Image), item.Caption)
                                     : menu->addSeparator();
        action->setObjectName(item.Name);
        if (item.Class)
            connect(action, &QAction::triggered, this,
                    Reported([this, action] { Point1Click(action); }));
    }
}

QAction* TNyxObjectsListForm::NewItemOf(const TMetaClass& Class) const {
    for (const TNewItem& item : NewItems)
        if (item.Class && &item.Class() == &Class)
            return FPopupMenu1->findChild<QAction*>(item.Name);
    return nullptr;
}

// --- Designer and scene --------------------------------------------------------------

void TNyxObjectsListForm::SetFormDesigner(IDesigner* Designer, TNyxScene* Scene) {
    FDesigner = Designer;
    SetScene(Designer ? Scene : nullptr);
}

void TNyxObjectsListForm::SetScene(TNyxScene* Scene) {
    if (Scene == FScene)
        return;
    const auto listener = TNyxObjectNotify::Bind<&TNyxObjectsListForm::SceneNotify>(this);
    if (FScene) {
        FScene->UnregisterNotify(listener);
        FScene->RemoveFreeNotification(FWatch.get());
    }
    FScene = Scene;
    if (!FScene) {
        // Nodes left behind would point at objects that may go at any time.
        ++FTreeTag;
        FTreeView1->clear();
        --FTreeTag;
        UpdateButtons();
        return;
    }
    FScene->RegisterNotify(listener);
    FScene->FreeNotification(FWatch.get());
    SyncTree();
}

void TNyxObjectsListForm::SceneGoing() {
    SetScene(nullptr);
    close();
}

// --- The tree ------------------------------------------------------------------------

TNyxObject* TNyxObjectsListForm::NodeObject(const QTreeWidgetItem* Node) {
    return Node ? reinterpret_cast<TNyxObject*>(Node->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

QTreeWidgetItem* TNyxObjectsListForm::AddNode(QTreeWidgetItem* Parent, TNyxObject* Object,
                                              const std::string& Text) {
    auto* node = new QTreeWidgetItem(QStringList{QString::fromStdString(Text)});
    node->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(Object)));
    node->setIcon(0, ImageIcon(Object->AsScene() ? 0 : GetObjectImageIndex(Object)));
    if (Parent)
        Parent->addChild(node);
    else
        FTreeView1->addTopLevelItem(node);
    return node;
}

std::string TNyxObjectsListForm::SyncName(const TNyxObject* Object) const {
    return Object->Name().empty() ? Object->ClassName()
                                  : Object->Name() + ": " + Object->ClassName();
}

void TNyxObjectsListForm::SyncTree() {
    if (!FScene)
        return;
    if (FDesigner)
        FDesigner->ClearSelection();
    FTreeTag = 1;
    FTreeView1->setUpdatesEnabled(false);
    FTreeView1->clear();
    QTreeWidgetItem* root = AddNode(nullptr, FScene, FScene->Name());
    SyncObj(FScene, root);
    FTreeView1->expandAll();
    FTreeView1->setUpdatesEnabled(true);
    FTreeTag = 0;
    // A rebuild that leaves the root current already tells nobody: make it a change.
    FTreeView1->setCurrentItem(nullptr);
    FTreeView1->setCurrentItem(root);
}

void TNyxObjectsListForm::SyncObj(TNyxObject* Object, QTreeWidgetItem* Node) {
    for (TNyxObject* child : Object->Items())
        SyncObj(child, AddNode(Node, child, SyncName(child)));
}

QTreeWidgetItem* TNyxObjectsListForm::SelectedNode() const { return FTreeView1->currentItem(); }

void TNyxObjectsListForm::TreeView1Change(QTreeWidgetItem* Node) {
    if (FTreeTag != 0)
        return;
    UpdateButtons();
    if (FDesigner && Node)
        FDesigner->SelectComponent(NodeObject(Node));
}

void TNyxObjectsListForm::UpdateButtons() {
    const TNyxObject* object = NodeObject(SelectedNode());
    const bool deletable = object && object != FScene;
    FDeleteBtn->setEnabled(deletable);
    FDelete1->setEnabled(deletable);
    const TNyxObject* parent = object ? object->Parent() : nullptr;
    const bool up = parent && object->GetItemIndex() > 0;
    const bool down = parent && object->GetItemIndex() < parent->GetItemsCount() - 1;
    FUpBtn->setEnabled(up);
    FMoveup1->setEnabled(up);
    FDownBtn->setEnabled(down);
    FMovedown1->setEnabled(down);
}

int TNyxObjectsListForm::GetObjectImageIndex(const TNyxObject* Object) {
    for (const TKindImage& kind : KindImages)
        if (Object->InheritsFrom(kind.Class()))
            return kind.Index;
    return -1;
}

std::string TNyxObjectsListForm::GetShowName(const TNyxObject* Object) const {
    if (Object->Name().empty())
        return Object->ClassName();
    return FShowClassNames ? Object->Name() + ":" + Object->ClassName() : Object->Name();
}

QTreeWidgetItem* TNyxObjectsListForm::FindNode(const TNyxObject* Object) const {
    if (!Object)
        return nullptr;
    for (QTreeWidgetItemIterator it(FTreeView1); *it; ++it)
        if (NodeObject(*it) == Object)
            return *it;
    return nullptr;
}

// --- Handlers ------------------------------------------------------------------------

void TNyxObjectsListForm::NewClick() {
    FPopupMenu1->popup(FNewBtn->mapToGlobal(FNewBtn->rect().bottomLeft()));
}

void TNyxObjectsListForm::Point1Click(QObject* Sender) {
    const TMetaClass* cls = nullptr;
    for (const TNewItem& item : NewItems)
        if (item.Class && Sender == NewItemOf(item.Class()))
            cls = &item.Class();
    if (!cls || !FDesigner || !FScene)
        return;
    TNyxObject* parent = NodeObject(SelectedNode());
    if (!parent)
        parent = FScene;
    FDesigner->NameChange("Add " + cls->Name() + " to " + ShownName(parent));
    TComponent* created = FDesigner->CreateComponent(cls, parent, 0, 0, 0, 0);
    auto* object = dynamic_cast<TNyxObject*>(created);
    if (!object)
        return;
    object->XForm()->Scale()->Store({1, 1, 1});
    object->SetParentComponent(parent);
    object->SetDesignInfo(0);
}

void TNyxObjectsListForm::DeleteClick() {
    TNyxObject* object = NodeObject(SelectedNode());
    if (!object || object == FScene)
        return;
    if (FDesigner)
        FDesigner->NameChange("Delete " + ShownName(object));
    delete object;
    if (FScene)
        FScene->Invalidate(FScene);
    if (FDesigner)
        FDesigner->Modified();
}

void TNyxObjectsListForm::Movedown1Click(QObject* Sender) {
    TNyxObject* object = NodeObject(SelectedNode());
    if (!object)
        return;
    const bool up = Sender == FMoveup1 || Sender == FUpBtn;
    if (!up && Sender != FMovedown1 && Sender != FDownBtn)
        return;
    if (FDesigner)
        FDesigner->NameChange((up ? "Move up " : "Move down ") + ShownName(object));
    object->SetItemIndex(object->GetItemIndex() + (up ? -1 : 1));
    UpdateButtons();
}

bool TNyxObjectsListForm::TreeView1DragOver(QTreeWidgetItem* Target) const {
    const QTreeWidgetItem* dragged = SelectedNode();
    if (!Target || !dragged || Target == dragged || Target == dragged->parent())
        return false;
    for (const QTreeWidgetItem* p = Target->parent(); p; p = p->parent())
        if (p == dragged)
            return false;
    return true;
}

void TNyxObjectsListForm::TreeView1DragDrop(QTreeWidgetItem* Target) {
    TNyxObject* dragged = NodeObject(SelectedNode());
    TNyxObject* target = NodeObject(Target);
    if (!dragged || !target)
        return;
    if (FDesigner)
        FDesigner->NameChange("Move " + ShownName(dragged) + " into " + ShownName(target));
    dragged->SetParentComponent(target);
    if (FScene)
        FScene->Invalidate(FScene);
    if (FDesigner)
        FDesigner->Modified();
}

void TNyxObjectsListForm::ClearBtnClick() {
    if (MessageBox("Are you sure want to clear the scene?", "Warning",
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!FScene)
        return;
    FTreeView1->setCurrentItem(FTreeView1->topLevelItem(0));
    if (FDesigner)
        FDesigner->NameChange("Clear " + ShownName(FScene));
    FScene->Clear();
    if (FDesigner)
        FDesigner->Modified();
}

void TNyxObjectsListForm::CloseBtnClick() { close(); }

void TNyxObjectsListForm::closeEvent(QCloseEvent* Event) {
    SetFormDesigner(nullptr, nullptr);
    FClosed = true;
    Event->accept();
}

// --- Notifications -------------------------------------------------------------------

void TNyxObjectsListForm::SceneNotify(TNyxObject* Sender, TNyxObjectAction Action, void* Data) {
    switch (Action) {
    case saInsert: {
        QTreeWidgetItem* parentNode = FindNode(*static_cast<TNyxObject**>(Data));
        if (!parentNode)
            return;
        // An object attached with a subtree of its own brings the subtree's nodes too.
        SyncObj(Sender, AddNode(parentNode, Sender, GetShowName(Sender)));
        break;
    }
    case saMove: {
        QTreeWidgetItem* node = FindNode(Sender);
        const int target = *static_cast<const std::int32_t*>(Data);
        QTreeWidgetItem* other =
            Sender->Parent() ? FindNode(Sender->Parent()->GetItem(target)) : nullptr;
        if (!node || !other || node->parent() != other->parent())
            return;
        QTreeWidgetItem* parentNode = node->parent();
        std::vector<QTreeWidgetItem*> expanded;
        CollectExpanded(node, expanded);
        const bool wasCurrent = FTreeView1->currentItem() == node;
        ++FTreeTag;
        parentNode->takeChild(parentNode->indexOfChild(node));
        const int at = parentNode->indexOfChild(other);
        parentNode->insertChild(target < Sender->GetItemIndex() ? at : at + 1, node);
        for (QTreeWidgetItem* e : expanded)
            e->setExpanded(true);
        if (wasCurrent)
            FTreeView1->setCurrentItem(node);
        --FTreeTag;
        break;
    }
    case saRemove:
        if (Sender == FScene) {
            SceneGoing();
            return;
        }
        delete FindNode(Sender);
        break;
    case saRename:
        if (QTreeWidgetItem* node = FindNode(Sender))
            node->setText(0, QString::fromStdString(GetShowName(Sender)));
        break;
    }
}

// --- The application's forms ---------------------------------------------------------

TNyxObjectsListForm* FirstObjectsListForm() {
    for (QWidget* w : TQtHost::Forms())
        if (auto* form = qobject_cast<TNyxObjectsListForm*>(w); form && !form->Closed())
            return form;
    return nullptr;
}

}  // namespace nyx
