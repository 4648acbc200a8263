#pragma once
// TNyxObjectsListForm, the "Objects List" window: the object tree of one scene of a form
// being designed. It adds objects of every kind under the selected one, deletes, reorders
// and re-parents them (drag and drop), clears the scene, and keeps the designer's selection
// on the object selected in the tree. A listener on the scene keeps the tree in step with
// insertions, moves, removals and renames made by any means.
//
// The widgets carry the names of the form's layout (NewBtn, TreeView1, PopupMenu1, ...) as
// their object names, and the handlers are public so that a designer host, and tests, can
// drive the form exactly as its buttons and menus do.

#include "rtl/classes.h"
#include "scene/scene_fwd.h"

#include <QWidget>

#include <memory>
#include <string>

class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace nyx {

class IDesigner;
class TMetaClass;
class TNyxObject;
class TNyxScene;

class TNyxObjectsListForm : public QWidget {
    Q_OBJECT
public:
    // FormCreate: builds the layout; the node texts show class names.
    explicit TNyxObjectsListForm(QWidget* Parent = nullptr);
    // Lets go of the scene, however the form goes (closed, or freed while still open).
    ~TNyxObjectsListForm() override;

    // With a designer: keeps it and shows Scene. Without one: drops the designer and
    // shows no scene.
    void SetFormDesigner(IDesigner* Designer, TNyxScene* Scene);
    // Shows Scene (listening to it) instead of the scene shown; none empties the tree.
    void SetScene(TNyxScene* Scene);
    TNyxScene* Scene() const { return FScene; }
    IDesigner* Designer() const { return FDesigner; }
    // Closed and waiting to be freed: no longer one of the open forms.
    bool Closed() const { return FClosed; }

    // --- Handlers of the buttons, menus and tree ---
    void NewClick();  // the new-object menu below NewBtn
    // An item of the new-object menu: creates its class through the designer under the
    // selected object (the scene when nothing is selected). Other senders: nothing.
    void Point1Click(QObject* Sender);
    void DeleteClick();
    // Moveup1 and UpBtn move the selected object one place up, Movedown1 and DownBtn one
    // place down.
    void Movedown1Click(QObject* Sender);
    void ClearBtnClick();  // asks first
    void CloseBtnClick();
    void CutClick() {}
    void CopyClick() {}
    void PasteClick() {}
    void TreeView1Change(QTreeWidgetItem* Node);
    // Whether the selected node may be dropped on Target: not on itself, its parent or
    // anything inside its own subtree.
    bool TreeView1DragOver(QTreeWidgetItem* Target) const;
    void TreeView1DragDrop(QTreeWidgetItem* Target);
    // The listener registered with the scene.
    void SceneNotify(TNyxObject* Sender, TNyxObjectAction Action, void* Data);

    // --- The tree ---
    void SyncTree();
    void SyncObj(TNyxObject* Object, QTreeWidgetItem* Node);
    void UpdateButtons();
    // The image of Object's kind in the tree, -1 for none.
    static int GetObjectImageIndex(const TNyxObject* Object);
    // The text of a node added by a notification: "Name:Class", or the class alone.
    std::string GetShowName(const TNyxObject* Object) const;
    QTreeWidgetItem* FindNode(const TNyxObject* Object) const;
    static TNyxObject* NodeObject(const QTreeWidgetItem* Node);

    // --- The widgets ---
    QTreeWidget* TreeView1() const { return FTreeView1; }
    QPushButton* NewBtn() const { return FNewBtn; }
    QPushButton* DeleteBtn() const { return FDeleteBtn; }
    QPushButton* UpBtn() const { return FUpBtn; }
    QPushButton* DownBtn() const { return FDownBtn; }
    QPushButton* ClearBtn() const { return FClearBtn; }
    QPushButton* CloseBtn() const { return FCloseBtn; }
    QMenu* PopupMenu1() const { return FPopupMenu1; }
    QMenu* PopupMenu2() const { return FPopupMenu2; }
    QAction* Moveup1() const { return FMoveup1; }
    QAction* Movedown1() const { return FMovedown1; }
    QAction* Delete1() const { return FDelete1; }
    // The item of the new-object menu that creates Class, or none.
    QAction* NewItemOf(const TMetaClass& Class) const;

protected:
    // FormClose: lets go of the designer and the scene; the form frees itself.
    void closeEvent(QCloseEvent* Event) override;

private:
    class TTree;
    class TSceneWatch;

    void BuildLayout();
    void BuildNewMenu();
    QTreeWidgetItem* AddNode(QTreeWidgetItem* Parent, TNyxObject* Object, const std::string& Text);
    std::string SyncName(const TNyxObject* Object) const;
    QTreeWidgetItem* SelectedNode() const;
    void SceneGoing();

    IDesigner* FDesigner = nullptr;
    TNyxScene* FScene = nullptr;
    bool FShowClassNames = false;
    bool FClosed = false;
    int FTreeTag = 0;  // 1 while SyncTree rebuilds: TreeView1Change ignores the changes
    std::unique_ptr<TSceneWatch> FWatch;

    QTreeWidget* FTreeView1 = nullptr;
    QPushButton* FNewBtn = nullptr;
    QPushButton* FDeleteBtn = nullptr;
    QPushButton* FUpBtn = nullptr;
    QPushButton* FDownBtn = nullptr;
    QPushButton* FClearBtn = nullptr;
    QPushButton* FCloseBtn = nullptr;
    QMenu* FPopupMenu1 = nullptr;
    QMenu* FPopupMenu2 = nullptr;
    QAction* FMoveup1 = nullptr;
    QAction* FMovedown1 = nullptr;
    QAction* FDelete1 = nullptr;
};

// The first of the application's open forms (TQtHost::Forms) that is an Objects List and
// not closed, or none.
TNyxObjectsListForm* FirstObjectsListForm();

}  // namespace nyx
