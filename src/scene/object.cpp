#include "scene/object.h"

#include "rtl/host.h"
#include "scene/detail/geometrycache.h"

#include <algorithm>
#include <cmath>

namespace nyx {

std::int32_t LiveObjectCount = 0;

const TEnumInfo& TNyxDrawTypeInfo() {
    static const TEnumInfo info{"TNyxDrawType", {"dtLine", "dtFill"}};
    return info;
}

const TEnumInfo& TNyxObjectActionInfo() {
    static const TEnumInfo info{"TNyxObjectAction", {"saInsert", "saMove", "saRemove", "saRename"}};
    return info;
}

const TMetaClass& TNyxObject::StaticClass() {
    using P = Props<TNyxObject>;
    static const TMetaClass meta = TMetaClass::Make<TNyxObject, TComponent>(
        "TNyxObject", {P::String("Ident", &TNyxObject::Ident, &TNyxObject::SetIdent)});
    return meta;
}

// --- Construction and destruction ----------------------------------------------------

TNyxObject::TNyxObject(TComponent* AOwner)
    : TComponent(AOwner), FMaterial(TNotifyEvent::Bind<&TNyxObject::Invalidate>(this)),
      FXForm(TNotifyEvent::Bind<&TNyxObject::Invalidate>(this), this),
      FPoint1(TNotifyEvent::Bind<&TNyxObject::Invalidate>(this)),
      FPoint2(TNotifyEvent::Bind<&TNyxObject::Invalidate>(this)) {
    FColor = FMaterial.FrontFace()->Diffuse();
    FColorRGBA = FMaterial.FrontFace()->DiffuseRGBA();
    // Scale 1 without recomposing: the identity already is the right matrix.
    FXForm.Scale()->Store({1, 1, 1});
    FXFormSnapshot = FXForm.ChangeCount();
    ++LiveObjectCount;
}

TNyxObject::~TNyxObject() {
    Destroying();
    --LiveObjectCount;
    if (FParent) {
        DoNotify(this, saRemove, &FParent);
        FParent->RemoveChild(this);
        FParent = nullptr;
    }
    // Each child is cut loose before it is freed, so only this subtree's root
    // announces the removal. A child may free a later sibling it owns; that sibling
    // still has its parent and leaves Items itself, so walk by index.
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        TNyxObject* child = FItems[i];
        FItems[i] = nullptr;
        child->FParent = nullptr;
        delete child;
    }
    FItems.clear();
    if (!FNotifyList.empty())
        MessageBox("There is Nyx-Notifies leek (" + std::to_string(FNotifyList.size()) + ")",
                   "Warning", MB_OK | MB_ICONERROR);
}

// --- Tree ----------------------------------------------------------------------------

TNyxScene* TNyxObject::Scene() const {
    for (TNyxObject* p = FParent; p; p = p->FParent)
        if (TNyxScene* scene = p->AsScene())
            return scene;
    return nullptr;
}

bool TNyxObject::IsSelfOrAncestorOf(const TNyxObject* Other) const {
    for (const TNyxObject* p = Other; p; p = p->FParent)
        if (p == this)
            return true;
    return false;
}

void TNyxObject::RemoveChild(TNyxObject* Child) {
    // Children usually leave from the end (freeing in reverse, Clear), so search there.
    auto it = std::find(FItems.rbegin(), FItems.rend(), Child);
    if (it == FItems.rend())
        return;
    FItems.erase(std::next(it).base());
    // Another object may come at the same address with the same stamp: lists compiled
    // for the children cannot tell it from the one that left.
    if (FGeometryCache)
        FGeometryCache->DropItems();
    GeometryChanged();
}

void TNyxObject::Detach() {
    DoNotify(this, saRemove, &FParent);
    FParent->RemoveChild(this);
    FParent = nullptr;
}

void TNyxObject::SetParentComponent(TComponent* Value) {
    auto* parent = dynamic_cast<TNyxObject*>(Value);
    if (parent && IsSelfOrAncestorOf(parent))
        throw EInvalidOperation("TNyxObject.SetParentComponent: cannot attach '" + Name() +
                                "' under itself or one of its descendants; choose a parent "
                                "outside its subtree");
    if (FParent)
        Detach();
    if (parent) {
        FParent = parent;
        FParentSnapshot = parent->GetChangeIndex();
        parent->FItems.push_back(this);
        DoNotify(this, saInsert, &FParent);
        if (TNyxScene* scene = Scene())
            JoinedScene(scene);
    }
    if (FParent)
        Invalidate(this);
}

void TNyxObject::JoinedScene(TNyxScene* Scene) {
    for (TNyxObject* child : FItems)
        child->JoinedScene(Scene);
}

void TNyxObject::GetChildren(const TGetChildProc& Proc, TComponent*) {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        Proc(FItems[i]);
}

TNyxObject* TNyxObject::GetItem(int Index) const {
    if (Index < 0 || Index >= GetItemsCount())
        ListIndexError(Index);
    return FItems[std::size_t(Index)];
}

int TNyxObject::GetItemIndex() const {
    if (!FParent)
        return 0;
    const auto& siblings = FParent->FItems;
    return int(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

void TNyxObject::SetItemIndex(int Value) {
    if (!FParent)
        return;
    const int current = GetItemIndex();
    std::int32_t target = std::clamp(Value, 0, FParent->GetItemsCount() - 1);
    if (target == current)
        return;
    DoNotify(this, saMove, &target);
    auto& siblings = FParent->FItems;
    const auto from = siblings.begin() + current, to = siblings.begin() + target;
    if (target < current)
        std::rotate(to, from, from + 1);
    else
        std::rotate(from, from + 1, to + 1);
}

TNyxObject* TNyxObject::ItemByIdent(const std::string& Ident) const {
    for (TNyxObject* child : FItems)
        if (SameText(child->FIdent, Ident))
            return child;
    return nullptr;
}

void TNyxObject::ListParents(std::vector<TNyxObject*>& List) const {
    std::vector<TNyxObject*> ancestors;
    for (TNyxObject* p = FParent; p; p = p->FParent)
        ancestors.push_back(p);
    List.insert(List.begin(), ancestors.rbegin(), ancestors.rend());
}

void TNyxObject::ListChildren(std::vector<TNyxObject*>& List,
                              const std::vector<const TMetaClass*>& Classes) const {
    ListChildrenInto(List, Classes);
}

void TNyxObject::ListChildrenInto(std::vector<TNyxObject*>& List,
                                  const std::vector<const TMetaClass*>& Classes) const {
    for (TNyxObject* child : FItems) {
        child->ListChildrenInto(List, Classes);
        const bool wanted = Classes.empty() ||
                            std::any_of(Classes.begin(), Classes.end(), [&](const TMetaClass* c) {
                                return c && child->InheritsFrom(*c);
                            });
        if (wanted)
            List.push_back(child);
    }
}

void TNyxObject::Iterate(TNyxIterateProc Proc, void* Data) {
    Proc(this, Data);
    for (std::size_t i = 0; i < FItems.size(); ++i)
        FItems[i]->Iterate(Proc, Data);
}

void TNyxObject::Clear() {
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();  // leaves Items in its destructor
    EndUpdate();
}

void TNyxObject::Action(double Time) {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        FItems[i]->Action(Time);
}

// --- Notification registry -----------------------------------------------------------

void TNyxObject::RegisterNotify(TNyxObjectNotify Proc) {
    for (const TNyxObjectNotify& entry : FNotifyList)
        if (entry.SameMethod(Proc))
            return;
    FNotifyList.push_back(Proc);
}

void TNyxObject::UnregisterNotify(TNyxObjectNotify Proc) {
    auto it = std::find_if(FNotifyList.begin(), FNotifyList.end(),
                           [&](const TNyxObjectNotify& e) { return e.SameMethod(Proc); });
    if (it != FNotifyList.end())
        FNotifyList.erase(it);
}

void TNyxObject::DoNotify(TNyxObject* Sender, TNyxObjectAction Action, void* Data) {
    if (FParent)
        FParent->DoNotify(Sender, Action, Data);
    // By index and by copy: a listener may unregister itself (or others) meanwhile.
    for (std::size_t i = 0; i < FNotifyList.size(); ++i) {
        const TNyxObjectNotify proc = FNotifyList[i];
        if (proc)
            proc(Sender, Action, Data);
    }
}

// --- Update protocol -----------------------------------------------------------------

void TNyxObject::BeginUpdate() { ++FUpdateCount; }

void TNyxObject::EndUpdate() {
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0)
        Invalidate(this);
}

void TNyxObject::Invalidate(TObject* Sender) {
    // Inside an update bracket too: a frame drawn before EndUpdate must not show lists
    // compiled before the change.
    GeometryChanged();
    if (FUpdateCount > 0)
        return;
    if (FParent)
        FParent->Invalidate(Sender);
}

void TNyxObject::GeometryChanged() {
    for (TNyxObject* p = this; p; p = p->FParent)
        ++p->FGeometryStamp;
}

std::int32_t TNyxObject::GetChangeIndex() {
    const std::int32_t parentIndex = FParent ? FParent->GetChangeIndex() : 0;
    if (FXForm.ChangeCount() == FXFormSnapshot && (!FParent || parentIndex == FParentSnapshot))
        return FChangeIndex;
    FXFormSnapshot = FXForm.ChangeCount();
    FParentSnapshot = parentIndex;
    FChangeIndex = std::int32_t(std::uint32_t(FChangeIndex) + 1u);
    return FChangeIndex;
}

// --- Properties ----------------------------------------------------------------------

void TNyxObject::SetIdent(const std::string& Value) { FIdent = Value; }

void TNyxObject::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    FMaterial.SetColor(Value);
    FColorRGBA = FMaterial.FrontFace()->DiffuseRGBA();
    Invalidate(this);
}

void TNyxObject::SetMaterialIndex(std::int32_t Value) {
    if (Value == FMaterialIndex)
        return;
    FMaterialIndex = Value;
    Invalidate(this);
}

void TNyxObject::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    FVisible = Value;
    Invalidate(this);
}

void TNyxObject::SetSelected(bool Value) {
    if (Value == FSelected)
        return;
    FSelected = Value;
    Invalidate(this);
}

void TNyxObject::SetDrawType(TNyxDrawType Value) {
    if (Value == FDrawType)
        return;
    FDrawType = Value;
    Invalidate(this);
}

void TNyxObject::SetSmooth(bool Value) {
    if (Value == FSmooth)
        return;
    FSmooth = Value;
    Invalidate(this);
}

void TNyxObject::SetShadows(int Index, bool Value) {
    bool* flag = Index == 0 ? &FCastShadows : Index == 1 ? &FReceiveShadows : nullptr;
    if (!flag || *flag == Value)
        return;
    *flag = Value;
    Invalidate(this);
}

// --- Geometry ------------------------------------------------------------------------

void TNyxObject::GetMatrix(TGLMatrixd4& M) const { FXForm.GetMatrix(M); }

void TNyxObject::GetAbsoluteMatrix(TGLMatrixd4& M) const {
    if (!FParent) {
        FXForm.GetMatrix(M);
        return;
    }
    FParent->GetAbsoluteMatrix(M);
    TGLMatrixd4 local;
    GetMatrix(local);
    MultMatrixd(M, local, M);
}

void TNyxObject::GetCenter(TGLArrayd3& C) const { C = {0, 0, 0}; }

void TNyxObject::GetAbsoluteCenter(TGLArrayd3& C) const {
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    GetCenter(C);
    Xformd(m, C);
}

void TNyxObject::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = {-0.5, -0.5, -0.5};
    Max = {0.5, 0.5, 0.5};
}

void TNyxObject::GetAbsoluteSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    GetSize(Min, Max);
    Xformd(m, Min);
    Xformd(m, Max);
}

void TNyxObject::GetMin(TGLArrayd3& V) const {
    TGLArrayd3 max;
    GetSize(V, max);
}

void TNyxObject::GetAbsoluteMin(TGLArrayd3& V) const {
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    GetMin(V);
    Xformd(m, V);
}

void TNyxObject::GetMax(TGLArrayd3& V) const {
    TGLArrayd3 min;
    GetSize(min, V);
}

void TNyxObject::GetAbsoluteMax(TGLArrayd3& V) const {
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    GetMax(V);
    Xformd(m, V);
}

double TNyxObject::GetRadius() const { return 1.0; }

double TNyxObject::GetAbsoluteRadius() const {
    // The length of each axis' image, not the diagonal terms alone: those shrink to
    // zero under rotation while the object keeps its size.
    TGLMatrixd4 m;
    GetAbsoluteMatrix(m);
    double scale = 0;
    for (int c = 0; c < 3; ++c)
        scale = std::max(scale, std::hypot(m[c * 4], m[c * 4 + 1], m[c * 4 + 2]));
    return GetRadius() * scale;
}

// --- Naming and copying --------------------------------------------------------------

void TNyxObject::SetName(const std::string& NewName) {
    if (NewName == Name())
        return;
    std::string oldName = Name();
    TComponent::SetName(NewName);
    // A load names every object it reads; listeners hear of the loaded root's name
    // once, when the loader gives it back its own after the read.
    if (!ComponentState().Contains(csLoading))
        DoNotify(this, saRename, &oldName);
}

void TNyxObject::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TNyxObject*>(Source);
    if (!source) {
        TComponent::Assign(Source);
        return;
    }
    FIdent = source->FIdent;
    FColor = source->FColor;
    FColorRGBA = source->FColorRGBA;
    FVisible = source->FVisible;
    FSelected = source->FSelected;
    FDrawType = source->FDrawType;
    FCastShadows = source->FCastShadows;
    FReceiveShadows = source->FReceiveShadows;
    FSmooth = source->FSmooth;
    FPoint1.Store(source->FPoint1.Data());
    FPoint2.Store(source->FPoint2.Data());
    GeometryChanged();  // nothing is invalidated, but what is drawn may differ
}

// --- Published state for descendants -------------------------------------------------

namespace NyxObjectProps {

using P = Props<TNyxObject>;

TPropInfo XForm() {
    return P::Owned<TNyxXForm>("XForm", [](const TNyxObject& o) { return o.XForm(); });
}
TPropInfo Color() { return P::Color("Color", &TNyxObject::Color, &TNyxObject::SetColor, 12632256); }
TPropInfo Material() {
    return P::Owned<TNyxMaterial>("Material", [](const TNyxObject& o) { return o.Material(); });
}
TPropInfo MaterialIndex() {
    return P::Integer("MaterialIndex", &TNyxObject::MaterialIndex, &TNyxObject::SetMaterialIndex,
                      -1);
}
TPropInfo Visible() {
    return P::Boolean("Visible", &TNyxObject::Visible, &TNyxObject::SetVisible, true);
}
TPropInfo Selected() {
    return P::Boolean("Selected", &TNyxObject::Selected, &TNyxObject::SetSelected, false);
}
TPropInfo DrawType() {
    return P::Enum("DrawType", &TNyxObject::DrawType, &TNyxObject::SetDrawType, TNyxDrawTypeInfo(),
                   dtFill);
}
TPropInfo Smooth() {
    return P::Boolean("Smooth", &TNyxObject::Smooth, &TNyxObject::SetSmooth, true);
}
TPropInfo CastShadows() {
    return P::Boolean(
        "CastShadows", &TNyxObject::CastShadows, [](TNyxObject& o, bool v) { o.SetShadows(0, v); },
        false);
}
TPropInfo ReceiveShadows() {
    return P::Boolean(
        "ReceiveShadows", &TNyxObject::ReceiveShadows,
        [](TNyxObject& o, bool v) { o.SetShadows(1, v); }, false);
}
TPropInfo Point1(const std::string& Name) {
    return P::Owned<TNyxVertex3>(Name, [](const TNyxObject& o) { return o.Point1(); });
}
TPropInfo Point2(const std::string& Name) {
    return P::Owned<TNyxVertex3>(Name, [](const TNyxObject& o) { return o.Point2(); });
}

}  // namespace NyxObjectProps

}  // namespace nyx
