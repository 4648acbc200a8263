#include "scene/proxy.h"

#include "gl/glscope.h"

#include <optional>

namespace nyx {

namespace {

// Obj is Root or lies in Root's subtree.
bool IsWithin(const TNyxObject* Obj, const TNyxObject* Root) {
    for (const TNyxObject* p = Obj; p; p = p->Parent())
        if (p == Root)
            return true;
    return false;
}

// One level of a proxy's drawing: the nesting counter is given back as it was found,
// also when a hook throws.
class TDrawLevel {
public:
    explicit TDrawLevel(std::int32_t& Depth) : FDepth(Depth) { ++FDepth; }
    ~TDrawLevel() { --FDepth; }
    TDrawLevel(const TDrawLevel&) = delete;
    TDrawLevel& operator=(const TDrawLevel&) = delete;

private:
    std::int32_t& FDepth;
};

}  // namespace

// --- TNyxProxy -------------------------------------------------------------------------

const TMetaClass& TNyxProxy::StaticClass() {
    using P = Props<TNyxProxy>;
    // The target's removal arrives through the free-notification link, so a proxy need
    // not hear of every sibling that goes: with thousands of proxies under one owner
    // that would make freeing the owner quadratic.
    static const TMetaClass meta(
        "TNyxProxy", &TNyxObject::StaticClass(),
        {NyxObjectProps::XForm(), NyxObjectProps::Visible(),
         P::Integer("Recurse", &TNyxProxy::Recurse, &TNyxProxy::SetRecurse, 1),
         P::Reference<TNyxObject>("Proxy", &TNyxProxy::Proxy, &TNyxProxy::SetProxy)},
        [](TComponent* Owner) -> TComponent* { return new TNyxProxy(Owner); }, nullptr,
        &typeid(TNyxProxy), false);
    return meta;
}

bool TNyxProxy::WouldRecurse(const TNyxObject* Value) const {
    if (IsWithin(this, Value))
        return true;
    // Extents follow chains of proxies; refusing to close one keeps them finite.
    for (auto* p = dynamic_cast<const TNyxProxy*>(Value); p;
         p = dynamic_cast<const TNyxProxy*>(p->FProxy))
        if (p == this)
            return true;
    return false;
}

void TNyxProxy::SetProxy(TNyxObject* Value) {
    if (Value == FProxy)
        return;
    if (Value && WouldRecurse(Value))
        throw Exception("Recursive proxy assigment");
    if (FProxy)
        FProxy->RemoveFreeNotification(this);
    if (Value)
        Value->FreeNotification(this);
    FProxy = Value;
    Invalidate(this);
}

void TNyxProxy::SetRecurse(std::int32_t Value) {
    if (Value == FRecurse)
        return;
    FRecurse = Value;
    Invalidate(this);
}

void TNyxProxy::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent && AComponent == FProxy)
        SetProxy(nullptr);
    TNyxObject::Notification(AComponent, Operation);
}

void TNyxProxy::SetParentComponent(TComponent* Value) {
    // A target inside this proxy's own subtree is refused as a parent by the inherited
    // attach; the proxy keeps it then.
    if (Value && Value == FProxy && !IsWithin(FProxy, this))
        SetProxy(nullptr);
    TNyxObject::SetParentComponent(Value);
}

void TNyxProxy::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    if (FProxy)
        FProxy->GetSize(Min, Max);
    else
        TNyxObject::GetSize(Min, Max);
}

void TNyxProxy::Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    if (!Visible() || FDrawDepth > FRecurse || !FProxy)
        return;
    TNyxObject* target = FProxy;
    // One bracket round both transforms, taken whenever either is not the identity:
    // the target's own bracket would push nothing for an identity proxy and leave the
    // target's matrix applied after it.
    const TDrawLevel level(FDrawDepth);
    std::optional<TGLMatrixScope> placement;
    if (XForm()->NonIdentity() || target->XForm()->NonIdentity())
        placement.emplace();
    XForm()->Apply();
    DrawChildren(Scene, State, Kind);
    target->XForm()->Apply();
    target->DrawChildren(Scene, State, Kind);
    target->DrawPass(Scene, State, Kind, DrawType(), ReceiveShadows());
}

// --- TNyxActor -------------------------------------------------------------------------

const TMetaClass& TNyxActor::StaticClass() {
    using P = Props<TNyxActor>;
    static const TMetaClass meta = TMetaClass::Make<TNyxActor, TNyxObject>(
        "TNyxActor", {NyxObjectProps::XForm(), P::Event("OnAction"), NyxObjectProps::Visible(),
                      NyxObjectProps::Color()});
    return meta;
}

void TNyxActor::Action(double Time) {
    if (FOnAction)
        FOnAction(this, Time);
    TNyxObject::Action(Time);
}

}  // namespace nyx
