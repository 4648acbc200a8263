#pragma once
// A form designer for the editors' tests: it creates components on its root as a designer
// does and writes down every call it gets.

#include "design/designintf.h"
#include "design/objectslistform.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace nyx::test {

class TLogDesigner : public IDesigner {
public:
    explicit TLogDesigner(TComponent& Root) : FRoot(Root) {}

    TComponent* CreateComponent(const TMetaClass* ComponentClass, TComponent* Parent, int Left,
                                int Top, int Width, int Height) override {
        Log.push_back("Create " + ComponentClass->Name() + " " + NameOf(Parent) + " " +
                      std::to_string(Left) + " " + std::to_string(Top) + " " +
                      std::to_string(Width) + " " + std::to_string(Height));
        return CreateDesignComponent(FRoot, *ComponentClass, Left, Top);
    }
    void SelectComponent(TPersistent* Instance) override {
        Selection = Instance;
        Log.push_back("Select " + NameOf(dynamic_cast<TComponent*>(Instance)));
    }
    void ClearSelection() override {
        Selection = nullptr;
        Log.push_back("ClearSelection");
    }
    TPersistent* GetSelection() const override { return Selection; }
    void Modified() override { Log.push_back("Modified"); }
    TComponent* GetRoot() const override { return &FRoot; }

    static std::string NameOf(const TComponent* C) { return C ? C->Name() : "-"; }

    std::vector<std::string> Log;
    TPersistent* Selection = nullptr;

private:
    TComponent& FRoot;
};

// Drags the selected node of Form's tree over Target's node and drops it there with Qt's
// events, as the mouse does; answers whether the view accepted the drop.
inline bool DropNode(TNyxObjectsListForm& Form, const TNyxObject* Target) {
    QTreeWidget& tree = *Form.TreeView1();
    QWidget* viewport = tree.viewport();
    const QPoint at = tree.visualItemRect(Form.FindNode(Target)).center();
    QMimeData data;
    data.setData(tree.model()->mimeTypes().value(0), {});
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace nyx::test
