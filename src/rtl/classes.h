#pragma once
// Persistent objects, components and collections.
//
// Ownership: a component frees the components it owns; a collection frees its items.
// Links between components that are not ownership are raw pointers kept valid by the
// removal notification: whoever holds a reference asks for `FreeNotification` and
// clears it in `Notification(..., opRemove)`.

#include "rtl/event.h"
#include "rtl/set.h"
#include "rtl/typinfo.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nyx {

class TFiler;
class TReader;
class TWriter;

// --- TPersistent -------------------------------------------------------------------

class TPersistent : public TObject {
    NYX_CLASS(TPersistent)
public:
    // Copies Source into this object; the default hands over to Source.AssignTo,
    // which fails with EConvertError naming both classes.
    virtual void Assign(const TPersistent* Source);
    // Extra, non-property data for streams (binary blobs such as bitmap pixels).
    virtual void DefineProperties(TFiler& Filer);
    // The object that owns this one for naming paths (collections: their owner).
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    virtual void AssignTo(TPersistent* Dest) const;
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// --- TComponent --------------------------------------------------------------------

enum TComponentStateFlag {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
    NYX_CLASS(TComponent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size() - FHoles); }
    TComponent* Components(int Index) const;  // EListError out of range
    int ComponentIndex() const;
    TComponent* FindComponent(std::string_view AName) const;  // case-insensitive, or none

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& NewName);
    std::int64_t Tag() const { return FTag; }
    void SetTag(std::int64_t Value) { FTag = Value; }
    // Where a form designer shows a component that has no window of its own: its left
    // edge in the low 16 bits, its top in the high 16 bits (signed). Streams keep it as
    // Left and Top when they are not 0; nothing else reads it.
    std::int32_t DesignInfo() const { return FDesignInfo; }
    void SetDesignInfo(std::int32_t Value) { FDesignInfo = Value; }
    void DefineProperties(TFiler& Filer) override;

    TComponentState ComponentState() const { return FComponentState; }
    // Marks this component and everything it owns as being designed.
    void SetDesigning(bool Value, bool SetChildren = true);
    void SetLoading(bool Value);  // used by readers
    void SetReading(bool Value);  // used by readers
    void SetWriting(bool Value);  // used by writers
    // Sets csDestroying here and in every owned component; destructors of
    // descendants call it first so that notifications see the state.
    void Destroying();

    // Links this component and AComponent so that each hears of the other's removal.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Nested components (children that are not owned components): streaming and the
    // designer call these.
    virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
    virtual void SetParentComponent(TComponent* Value);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }

    virtual void Loaded();
    // An insertion is told to the new owner alone; a removal to the owner, to the
    // owned components whose class overrides this (and on through them), and to
    // every component linked by FreeNotification.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // Streaming: the properties and nested children of this component
    // (Reader.ReadData / Writer.WriteData unless overridden).
    virtual void ReadState(TReader& Reader);
    virtual void WriteState(TWriter& Writer);

protected:
    // Sends the removal notice to every linked component now. A destructor whose
    // members must still exist while the linked components react calls it first;
    // the base destructor then finds nobody left to tell.
    void NotifyRemoval();
    // Raises EComponentError when NewName is taken by another owned component.
    virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) const;
    // Stores the name without validation, keeping the owner's name index exact.
    void ChangeName(const std::string& NewName);

private:
    // The owned components that have a name, by name ignoring ASCII case: an
    // open-addressed table, so that a lookup of a free name (every name a load gives)
    // touches one run of slots and no component. It keeps clashes too, should a
    // descendant's ValidateRename let one through.
    class TNameIndex {
    public:
        // A component with that name, or none; More tells whether there are others.
        TComponent* Find(std::string_view Name, bool& More) const;
        void Add(TComponent* AComponent);
        void Erase(TComponent* AComponent);

    private:
        struct TSlot {
            std::size_t Hash;
            TComponent* Component;  // none: free
        };
        static std::size_t HashOf(std::string_view Name);
        void Grow();
        std::vector<TSlot> FSlots;  // a power of two in size, or empty
        std::size_t FCount = 0;
    };

    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    // Closes up the slots that removals have left empty.
    void Compact() const;
    void RemoveNotification(TComponent* AComponent);
    void IndexName(TComponent* AComponent);
    void UnindexName(TComponent* AComponent);
    void ClassifyListeners();
    bool HearsSiblings() const;

    TComponent* FOwner = nullptr;
    // In order of insertion; a removed component leaves an empty slot (FHoles of them,
    // never at the end) until Compact. FOwnerSlot: this component's slot in its owner's.
    mutable std::vector<TComponent*> FComponents;
    mutable std::size_t FHoles = 0;
    mutable std::size_t FOwnerSlot = 0;
    TNameIndex FNameIndex;
    // Owned components that hear of their siblings' removal, in FComponents order;
    // FComponents[FClassified...] have not been sorted into it yet.
    std::vector<TComponent*> FListeners;
    mutable std::size_t FClassified = 0;
    bool FListening = false;  // in the owner's FListeners
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    std::int64_t FTag = 0;
    std::int32_t FDesignInfo = 0;
    TComponentState FComponentState;
};

// DesignInfo's packing of a position, and back.
std::int32_t MakeDesignInfo(int Left, int Top);
int DesignInfoLeft(std::int32_t Info);
int DesignInfoTop(std::int32_t Info);

// --- Collections -------------------------------------------------------------------

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
    NYX_CLASS(TCollectionItem)
public:
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    void SetCollection(TCollection* Value);
    int Index() const;
    virtual void SetIndex(int Value);
    int ID() const { return FID; }
    // The caption a collection editor shows; the class name unless overridden.
    virtual std::string GetDisplayName() const;
    TPersistent* GetOwner() const override;

protected:
    // Tells the collection that this item (or, with AllItems, every item) changed.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent {
    NYX_CLASS(TCollection)
public:
    explicit TCollection(const TMetaClass& ItemClass);
    ~TCollection() override;

    const TMetaClass& ItemClass() const { return *FItemClass; }
    virtual TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    virtual void Delete(int Index);  // EListError out of range
    void Clear();
    int Count() const { return int(FItems.size()); }
    TCollectionItem* Items(int Index) const;  // EListError out of range
    template <class T>
    T* ItemAs(int Index) const {
        return static_cast<T*>(Items(Index));
    }
    TCollectionItem* FindItemID(int ID) const;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Replaces the items by copies of Source's items (same item class required).
    void Assign(const TPersistent* Source) override;

protected:
    // Called after an item or the whole collection (Item none) changed, outside updates.
    virtual void Update(TCollectionItem* Item);
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);

    const TMetaClass* FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};

class TOwnedCollection : public TCollection {
    NYX_CLASS(TOwnedCollection)
public:
    TOwnedCollection(TPersistent* AOwner, const TMetaClass& ItemClass)
        : TCollection(ItemClass), FOwner(AOwner) {}
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

}  // namespace nyx
