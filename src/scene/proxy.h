#pragma once
// TNyxProxy draws another object with its subtree a second time in its own place,
// without copying it; TNyxActor hands the scene's animation ticks to the application.

#include "rtl/event.h"
#include "scene/object.h"

#include <cstdint>

namespace nyx {

class TNyxProxy : public TNyxObject {
    NYX_CLASS(TNyxProxy)
public:
    using TNyxObject::TNyxObject;

    TNyxObject* Proxy() const { return FProxy; }
    // Refuses the proxy itself, its ancestors and a proxy whose chain of targets leads
    // back here, with "Recursive proxy assigment"; the previous target then stays.
    void SetProxy(TNyxObject* Value);
    // How deep chains of proxies that come back here through other objects are drawn.
    std::int32_t Recurse() const { return FRecurse; }
    void SetRecurse(std::int32_t Value);
    // The nesting of this proxy's Draw calls now: 0 outside drawing.
    std::int32_t DrawDepth() const { return FDrawDepth; }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Attached under its own target, a proxy lets go of the target first.
    void SetParentComponent(TComponent* Value) override;
    // The target's extent, or the base class's without a target.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // Its own children, then the target's children and the target's hook of the pass,
    // all under the proxy's transform followed by the target's. The target's Visible
    // is not consulted; the modelview after the proxy equals the one before it.
    void Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) override;

private:
    bool WouldRecurse(const TNyxObject* Value) const;

    TNyxObject* FProxy = nullptr;
    std::int32_t FRecurse = 1;
    std::int32_t FDrawDepth = 0;
};

// Sender, and the scene's time in seconds.
using TNyxActorEvent = TEvent<TNyxObject*, double>;

// An addition to the classic actor: it publishes Color (stored when it is not the
// object's default), so that the colour of a drawing's layer, an actor, survives a
// scene file.
class TNyxActor : public TNyxObject {
    NYX_CLASS(TNyxActor)
public:
    using TNyxObject::TNyxObject;

    const TNyxActorEvent& OnAction() const { return FOnAction; }
    void SetOnAction(TNyxActorEvent Value) { FOnAction = Value; }

    // OnAction first, then the children with the same time.
    void Action(double Time) override;
    bool CompilableDraw() const override { return true; }
    // A group: nothing of its own.
    TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const override {
        Min = Max = {0, 0, 0};
        return exNothing;
    }

private:
    TNyxActorEvent FOnAction;
};

}  // namespace nyx
