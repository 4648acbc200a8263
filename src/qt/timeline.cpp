#include "qt/timeline.h"

#include "scene/object.h"
#include "scene/scene.h"

#include <QHeaderView>

namespace nyx {

namespace {

constexpr int ObjectRole = Qt::UserRole;

bool ShownAsProperty(const TPropInfo& Prop) {
    if (Prop.Name == "Tag")
        return false;
    return Prop.Kind == TTypeKind::tkInteger || Prop.Kind == TTypeKind::tkFloat ||
           Prop.Kind == TTypeKind::tkClass;
}

}  // namespace

// Hears of the removal of one component shown in the tree. One watch per component
// keeps each link a single entry on both sides, however large the scene.
class TNyxTimeLine::TNodeWatch : public TComponent {
public:
    TNodeWatch(TNyxTimeLine& TimeLine, TComponent* Watched, QTreeWidgetItem* Node)
        : TComponent(nullptr), FTimeLine(TimeLine), FNode(Node) {
        Watched->FreeNotification(this);
    }
    QTreeWidgetItem* Node() const { return FNode; }

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        // Last: the time line may free this watch.
        FTimeLine.Notification(AComponent, Operation);
    }

private:
    TNyxTimeLine& FTimeLine;
    QTreeWidgetItem* FNode;
};

TNyxTimeLine::TNyxTimeLine(QWidget* Parent) : QTreeWidget(Parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

TNyxTimeLine::~TNyxTimeLine() { ClearNodes(); }

void TNyxTimeLine::SetScene(TNyxScene* Value) {
    if (Value == FScene)
        return;
    FScene = Value;
    setUpdatesEnabled(false);
    ClearNodes();
    if (FScene) {
        // Built apart and inserted whole: the view sees one insertion.
        addTopLevelItem(AddObject(FScene, nullptr));
        expandAll();
    }
    setUpdatesEnabled(true);
}

TNyxObject* TNyxTimeLine::ObjectOf(const QTreeWidgetItem* Node) {
    if (!Node)
        return nullptr;
    return static_cast<TNyxObject*>(Node->data(0, ObjectRole).value<void*>());
}

void TNyxTimeLine::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation != opRemove || !AComponent)
        return;
    if (AComponent == FScene) {
        SetScene(nullptr);
        return;
    }
    const auto watch = FWatches.find(AComponent);
    if (watch == FWatches.end())
        return;
    watch->second->Node()->setData(0, ObjectRole, QVariant());
    FWatches.erase(watch);
}

QTreeWidgetItem* TNyxTimeLine::AddObject(TNyxObject* Object, QTreeWidgetItem* ParentNode) {
    auto* node = ParentNode ? new QTreeWidgetItem(ParentNode) : new QTreeWidgetItem();
    node->setText(0, QString::fromStdString(Object->Name()));
    node->setData(0, ObjectRole, QVariant::fromValue(static_cast<void*>(Object)));
    Watch(Object, node);
    for (const TPropInfo* prop : Object->ClassType().PropertiesByName()) {
        if (!ShownAsProperty(*prop))
            continue;
        auto* propNode = new QTreeWidgetItem(node, {QString::fromStdString(prop->Name)});
        if (prop->Kind == TTypeKind::tkClass)
            new QTreeWidgetItem(propNode, {QStringLiteral("+")});
    }
    for (TNyxObject* child : Object->Items())
        AddObject(child, node);
    return node;
}

void TNyxTimeLine::Watch(TComponent* Component, QTreeWidgetItem* Node) {
    FWatches[Component] = std::make_unique<TNodeWatch>(*this, Component, Node);
}

void TNyxTimeLine::ClearNodes() {
    FWatches.clear();
    clear();
}

}  // namespace nyx
