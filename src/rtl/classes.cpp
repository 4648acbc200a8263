#include "rtl/classes.h"

#include "rtl/filer.h"
#include "rtl/scope.h"

#include <algorithm>
#include <iterator>
#include <typeinfo>

namespace nyx {

// --- TPersistent -------------------------------------------------------------------

const TMetaClass& TPersistent::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TPersistent, TObject>("TPersistent");
    return meta;
}

void TPersistent::Assign(const TPersistent* Source) {
    if (!Source)
        AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
    const std::string source = Source ? Source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + source + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

// --- TComponent --------------------------------------------------------------------

const TMetaClass& TComponent::StaticClass() {
    using P = Props<TComponent>;
    static const TMetaClass meta = TMetaClass::Make<TComponent, TPersistent>(
        "TComponent", {[] {
                           // The name travels in the object header of a stream, not as a property.
                           TPropInfo name =
                               P::String("Name", &TComponent::Name, &TComponent::SetName);
                           name.Stored = [](const TObject&) { return false; };
                           return name;
                       }(),
                       P::Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0)});
    return meta;
}

std::int32_t MakeDesignInfo(int Left, int Top) {
    return std::int32_t((std::uint32_t(std::uint16_t(Top)) << 16) | std::uint16_t(Left));
}

int DesignInfoLeft(std::int32_t Info) { return std::int16_t(std::uint32_t(Info) & 0xFFFF); }

int DesignInfoTop(std::int32_t Info) { return std::int16_t(std::uint32_t(Info) >> 16); }

void TComponent::DefineProperties(TFiler& Filer) {
    TPersistent::DefineProperties(Filer);
    auto read = [](TReader& Reader) {
        const std::int64_t v = Reader.ReadInteger();
        if (v < INT16_MIN || v > INT16_MAX)
            throw ERangeError("Range check error: " + std::to_string(v));
        return int(v);
    };
    const int left = DesignInfoLeft(FDesignInfo);
    const int top = DesignInfoTop(FDesignInfo);
    Filer.DefineProperty(
        "Left",
        [this, read](TReader& r) {
            FDesignInfo = MakeDesignInfo(read(r), DesignInfoTop(FDesignInfo));
        },
        [left](TWriter& w) { w.WriteInteger(left); }, left != 0);
    Filer.DefineProperty(
        "Top",
        [this, read](TReader& r) {
            FDesignInfo = MakeDesignInfo(DesignInfoLeft(FDesignInfo), read(r));
        },
        [top](TWriter& w) { w.WriteInteger(top); }, top != 0);
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Everyone linked to us hears of our removal before we lose what we own.
    NotifyRemoval();
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::NotifyRemoval() {
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        ListIndexError(Index);
    Compact();
    return FComponents[std::size_t(Index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner)
        return -1;
    FOwner->Compact();
    return int(FOwnerSlot);
}

void TComponent::Compact() const {
    if (FHoles == 0)
        return;
    std::size_t kept = 0, classified = 0;
    for (std::size_t i = 0; i < FComponents.size(); ++i) {
        TComponent* c = FComponents[i];
        if (!c)
            continue;
        if (i < FClassified)
            ++classified;
        c->FOwnerSlot = kept;
        FComponents[kept++] = c;
    }
    FComponents.resize(kept);
    FClassified = classified;
    FHoles = 0;
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
    if (AName.empty())
        return nullptr;
    bool more = false;
    TComponent* found = FNameIndex.Find(AName, more);
    if (more)  // a clash let through: the earliest owned one wins
        for (TComponent* c : FComponents)
            if (c && SameText(c->FName, AName))
                return c;
    return found;
}

void TComponent::IndexName(TComponent* AComponent) {
    if (!AComponent->FName.empty())
        FNameIndex.Add(AComponent);
}

void TComponent::UnindexName(TComponent* AComponent) {
    if (!AComponent->FName.empty())
        FNameIndex.Erase(AComponent);
}

std::size_t TComponent::TNameIndex::HashOf(std::string_view Name) {
    std::uint64_t h = 14695981039346656037ull;
    for (char c : Name) {
        h ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        h *= 1099511628211ull;
    }
    // FNV's low bits follow the last characters too closely for a table indexed by them.
    h *= 0x9E3779B97F4A7C15ull;
    return std::size_t(h ^ (h >> 32));
}

TComponent* TComponent::TNameIndex::Find(std::string_view Name, bool& More) const {
    More = false;
    if (FCount == 0)
        return nullptr;
    const std::size_t hash = HashOf(Name);
    const std::size_t mask = FSlots.size() - 1;
    TComponent* found = nullptr;
    for (std::size_t i = hash & mask; FSlots[i].Component; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (slot.Hash != hash || !SameText(slot.Component->FName, Name))
            continue;
        if (found) {
            More = true;
            break;
        }
        found = slot.Component;
    }
    return found;
}

void TComponent::TNameIndex::Add(TComponent* AComponent) {
    // At most half full: runs stay short, and every probe ends at a free slot.
    if ((FCount + 1) * 2 > FSlots.size())
        Grow();
    const std::size_t hash = HashOf(AComponent->FName);
    const std::size_t mask = FSlots.size() - 1;
    std::size_t i = hash & mask;
    while (FSlots[i].Component)
        i = (i + 1) & mask;
    FSlots[i] = {hash, AComponent};
    ++FCount;
}

void TComponent::TNameIndex::Grow() {
    std::vector<TSlot> old(FSlots.empty() ? 16 : FSlots.size() * 2, TSlot{0, nullptr});
    old.swap(FSlots);
    const std::size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : old) {
        if (!slot.Component)
            continue;
        std::size_t i = slot.Hash & mask;
        while (FSlots[i].Component)
            i = (i + 1) & mask;
        FSlots[i] = slot;
    }
}

void TComponent::TNameIndex::Erase(TComponent* AComponent) {
    if (FCount == 0)
        return;
    const std::size_t mask = FSlots.size() - 1;
    std::size_t i = HashOf(AComponent->FName) & mask;
    for (; FSlots[i].Component != AComponent; i = (i + 1) & mask)
        if (!FSlots[i].Component)
            return;
    // Close the gap: pull back every later entry of the run that would no longer be
    // reachable from its home slot.
    for (std::size_t j = (i + 1) & mask; FSlots[j].Component; j = (j + 1) & mask) {
        const std::size_t home = FSlots[j].Hash & mask;
        const bool between = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (!between) {
            FSlots[i] = FSlots[j];
            i = j;
        }
    }
    FSlots[i] = {0, nullptr};
    if (--FCount == 0)
        FSlots = {};
}

void TComponent::ChangeName(const std::string& NewName) {
    if (FOwner)
        FOwner->UnindexName(this);
    FName = NewName;
    if (FOwner)
        FOwner->IndexName(this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    ValidateRename(AComponent, std::string(), AComponent->FName);
    Insert(AComponent);
    if (FComponentState.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
    AComponent->FOwnerSlot = FComponents.size();
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    IndexName(AComponent);
}

// The slot is left empty, so that freeing a big owner's components in any order costs
// no search and no shifting; the list is closed up when it is next used by index.
void TComponent::Remove(TComponent* AComponent) {
    const std::size_t slot = AComponent->FOwnerSlot;
    if (slot < FComponents.size() && FComponents[slot] == AComponent) {
        FComponents[slot] = nullptr;
        ++FHoles;
        while (!FComponents.empty() && !FComponents.back()) {
            FComponents.pop_back();
            --FHoles;
        }
        FClassified = std::min(FClassified, FComponents.size());
    }
    if (AComponent->FListening) {
        std::erase(FListeners, AComponent);
        AComponent->FListening = false;
    }
    UnindexName(AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    // Freeing one component may free others it links to (scene children, say);
    // each one leaves this list as it goes, so always take the last that remains.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        Remove(c);
        delete c;
    }
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents)
        if (c)
            c->Destroying();
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent* c : FComponents)
            if (c)
                c->SetDesigning(Value, true);
}

void TComponent::SetLoading(bool Value) {
    Value ? FComponentState.Include(csLoading) : FComponentState.Exclude(csLoading);
}
void TComponent::SetReading(bool Value) {
    Value ? FComponentState.Include(csReading) : FComponentState.Exclude(csReading);
}
void TComponent::SetWriting(bool Value) {
    Value ? FComponentState.Include(csWriting) : FComponentState.Exclude(csWriting);
}

void TComponent::SetName(const std::string& NewName) {
    if (FName == NewName)
        return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) const {
    if (!AComponent || NewName.empty() || SameText(CurName, NewName))
        return;
    TComponent* existing = FindComponent(NewName);
    if (existing && existing != AComponent)
        throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this)
        return;
    FComponentState.Include(csFreeNotification);
    auto link = [](TComponent* a, TComponent* b) {
        if (std::find(a->FFreeNotifies.begin(), a->FFreeNotifies.end(), b) ==
            a->FFreeNotifies.end())
            a->FFreeNotifies.push_back(b);
    };
    link(this, AComponent);
    link(AComponent, this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                        FFreeNotifies.end());
}

// Who hears what. An insertion is told to the new owner only. A removal is told to
// the owner, and from there to those owned components whose class replaces
// Notification (they may watch their siblings), and so on down through them. Every
// component that asked for FreeNotification hears of a destruction directly, whoever
// owns it. The rest would only drop links that the destruction drops anyway, so
// passing every notice to every owned component would make building and freeing a
// big owner quadratic for nothing. Order: the owned components from the last to the
// first, as before.
void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation != opRemove)
        return;
    if (AComponent)
        RemoveFreeNotification(AComponent);
    ClassifyListeners();
    // A notified component may free others; walk from the end and re-check the size.
    for (std::size_t i = FListeners.size(); i-- > 0;) {
        if (i >= FListeners.size())
            continue;
        FListeners[i]->Notification(AComponent, Operation);
    }
}

// Sorted here, when a removal is passed on, rather than at insertion: a component is
// inserted by the base constructor, before its own class exists.
void TComponent::ClassifyListeners() {
    for (; FClassified < FComponents.size(); ++FClassified) {
        TComponent* c = FComponents[FClassified];
        if (c && !c->FListening && c->HearsSiblings()) {
            FListeners.push_back(c);
            c->FListening = true;
        }
    }
}

bool TComponent::HearsSiblings() const {
    const TMetaClass& cls = ClassType();
    // A class without its own class information may override anything.
    return cls.OverridesNotification() || !cls.Type() || *cls.Type() != typeid(*this);
}

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}
void TComponent::SetParentComponent(TComponent*) {}
void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

// --- TCollectionItem ---------------------------------------------------------------

const TMetaClass& TCollectionItem::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TCollectionItem, TPersistent>("TCollectionItem");
    return meta;
}

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
    if (FCollection == Value)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (Value)
        Value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection)
        return -1;
    const auto& items = FCollection->FItems;
    return int(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
    const int current = Index();
    if (current < 0 || Value == current)
        return;
    auto& items = FCollection->FItems;
    if (Value < 0 || Value >= int(items.size()))
        ListIndexError(Value);
    items.erase(items.begin() + current);
    items.insert(items.begin() + Value, this);
    Changed(true);
}

std::string TCollectionItem::GetDisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

// --- TCollection -------------------------------------------------------------------

const TMetaClass& TCollection::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TCollection, TPersistent>("TCollection");
    return meta;
}

const TMetaClass& TOwnedCollection::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TOwnedCollection, TCollection>("TOwnedCollection");
    return meta;
}

TCollection::TCollection(const TMetaClass& ItemClass) : FItemClass(&ItemClass) {}

TCollection::~TCollection() {
    FUpdateCount = 1;  // no Update calls into a half-destroyed descendant
    while (!FItems.empty())
        delete FItems.back();
}

TCollectionItem* TCollection::Add() { return FItemClass->NewItem(this); }

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count())
        ListIndexError(Index);
    TCollectionItem* item = Add();
    item->SetIndex(Index);
    return item;
}

void TCollection::Delete(int Index) {
    TCollectionItem* item = Items(Index);
    Notify(item, TCollectionNotification::cnDeleting);
    delete item;
}

void TCollection::Clear() {
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FItems[std::size_t(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
    for (TCollectionItem* item : FItems)
        if (item->FID == ID)
            return item;
    return nullptr;
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TCollection::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    const TUpdateScope update(*this);
    Clear();
    for (TCollectionItem* item : source->FItems)
        Add()->Assign(item);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Notify(Item, TCollectionNotification::cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    Notify(Item, TCollectionNotification::cnExtracting);
    FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
    Item->FCollection = nullptr;
    Changed();
}

}  // namespace nyx
