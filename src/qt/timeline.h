#pragma once
// TNyxTimeLine: a read-only tree overview of a scene. Each scene object is a node named
// by its component name, holding the object as its data; under it come the names of
// its published integer, float and class properties (sorted, without "Tag"; a class
// property carries one "+" child), then its child objects. Everything is expanded.
//
// The tree is built when a scene is assigned and not again until another one is: it
// does not follow later changes of the scene. It is emptied when the scene is freed,
// and a node whose object is freed meanwhile keeps its text but loses its data, so that
// no node ever hands out a freed object.

#include "rtl/classes.h"

#include <QTreeWidget>

#include <memory>
#include <unordered_map>

namespace nyx {

class TNyxObject;
class TNyxScene;

class TNyxTimeLine : public QTreeWidget {
public:
    explicit TNyxTimeLine(QWidget* Parent = nullptr);
    ~TNyxTimeLine() override;

    TNyxScene* Scene() const { return FScene; }
    // Rebuilds the tree, unless Value is the scene shown already.
    void SetScene(TNyxScene* Value);

    // The object a node stands for; none for property and placeholder nodes, and for
    // an object node whose object has been freed.
    static TNyxObject* ObjectOf(const QTreeWidgetItem* Node);

    // A component the tree refers to is going away: the scene empties the tree, an
    // object's node forgets it.
    void Notification(TComponent* AComponent, TOperation Operation);

private:
    class TNodeWatch;

    QTreeWidgetItem* AddObject(TNyxObject* Object, QTreeWidgetItem* ParentNode);
    void Watch(TComponent* Component, QTreeWidgetItem* Node);
    void ClearNodes();

    TNyxScene* FScene = nullptr;
    // One removal watch per object shown (the scene's among them), with its node.
    std::unordered_map<const TComponent*, std::unique_ptr<TNodeWatch>> FWatches;
};

}  // namespace nyx
