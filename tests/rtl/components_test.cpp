// Ownership, naming and removal notification of components; collections.
#include "rtl/classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nyx;

namespace {

std::vector<std::string>* gLog = nullptr;

// Logs every notification it receives and holds one reference to another component.
class TProbe : public TComponent {
    NYX_CLASS(TProbe)
public:
    explicit TProbe(TComponent* AOwner) : TComponent(AOwner) {}
    ~TProbe() override {
        if (gLog)
            gLog->push_back("free " + Name());
    }
    void SetRef(TComponent* c) {
        Ref = c;
        if (c)
            c->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (gLog)
            gLog->push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
        if (Operation == opRemove && AComponent == Ref)
            Ref = nullptr;
    }
    TComponent* Ref = nullptr;
};

const TMetaClass& TProbe::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TProbe, TComponent>("TProbe");
    return meta;
}

TProbe* Named(TComponent* owner, const char* name) {
    auto* p = new TProbe(owner);
    p->SetName(name);
    return p;
}

struct LogScope {
    std::vector<std::string> log;
    LogScope() { gLog = &log; }
    ~LogScope() { gLog = nullptr; }
};

}  // namespace

TEST(Component, OwnerFreesWhatItOwnsAndSiblingsHearRemoval) {
    LogScope scope;
    {
        TProbe owner(nullptr);
        owner.SetName("Owner");
        TProbe* a = Named(&owner, "A");
        TProbe* b = Named(&owner, "B");
        ASSERT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(owner.Components(1), b);
        EXPECT_EQ(owner.FindComponent("a"), a);
        EXPECT_EQ(b->ComponentIndex(), 1);
        scope.log.clear();
        delete a;  // sibling B and the owner hear it
        EXPECT_EQ(owner.ComponentCount(), 1);
        EXPECT_EQ(scope.log, (std::vector<std::string>{"free A", "B -A", "Owner -A"}));
        scope.log.clear();
    }
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free Owner", "free B"}));
}

TEST(Component, ComponentsOutOfRangeIsListError) {
    TComponent owner(nullptr);
    EXPECT_THROW(owner.Components(0), EListError);
    new TComponent(&owner);
    EXPECT_NO_THROW(owner.Components(0));
    EXPECT_THROW(owner.Components(-1), EListError);
}

TEST(Component, FreeNotificationClearsReferencesInEveryDestructionOrder) {
    // Holder freed first: the referenced component must forget the link.
    {
        auto* target = new TProbe(nullptr);
        auto* holder = new TProbe(nullptr);
        holder->SetRef(target);
        delete holder;
        delete target;  // must not touch the freed holder
    }
    // Target freed first: the holder's reference is cleared.
    {
        auto* target = new TProbe(nullptr);
        TProbe holder(nullptr);
        holder.SetRef(target);
        delete target;
        EXPECT_EQ(holder.Ref, nullptr);
    }
    // Both under one owner, the owner frees them in reverse order of creation.
    {
        TComponent owner(nullptr);
        auto* holder = new TProbe(&owner);
        auto* target = new TProbe(&owner);
        holder->SetRef(target);
        auto* other = new TProbe(nullptr);
        other->SetRef(holder);
        delete other;
    }
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblingsIgnoringCase) {
    TComponent owner(nullptr);
    TComponent* a = Named(&owner, "Box1");
    TComponent* b = Named(&owner, "Box2");
    EXPECT_THROW(b->SetName("BOX1"), EComponentError);
    EXPECT_EQ(b->Name(), "Box2");
    for (const char* bad : {"1Box", "Box 1", "Bo-x", "Bóx"})
        EXPECT_THROW(a->SetName(bad), EComponentError) << bad;
    try {
        a->SetName("9lives");
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "'9lives' is not a valid component name");
    }
    try {
        b->SetName("box1");
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "A component named box1 already exists");
    }
    EXPECT_NO_THROW(a->SetName("bOX1"));  // its own name in another case
    EXPECT_NO_THROW(a->SetName(""));
    EXPECT_NO_THROW(b->SetName(""));  // empty names never clash
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    // Inserting a component whose name is taken fails and leaves it unowned.
    TComponent loose(nullptr);
    loose.SetName("Box9");
    Named(&owner, "Box9");
    EXPECT_THROW(owner.InsertComponent(&loose), EComponentError);
    EXPECT_EQ(loose.Owner(), nullptr);
}

TEST(Component, ManyOwnedComponentsKeepTheirNamesFoundThroughRenameRemoveAndFree) {
    constexpr int kCount = 100000;
    TComponent owner(nullptr);
    std::vector<TComponent*> items;
    items.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        auto* c = new TComponent(&owner);
        c->SetName("Item" + std::to_string(i));
        items.push_back(c);
    }
    ASSERT_EQ(owner.ComponentCount(), kCount);
    for (int i = 0; i < kCount; i += 997)
        EXPECT_EQ(owner.FindComponent("ITEM" + std::to_string(i)), items[std::size_t(i)]) << i;
    EXPECT_EQ(owner.FindComponent("Item" + std::to_string(kCount)), nullptr);
    EXPECT_THROW(items[5]->SetName("iTeM7"), EComponentError);
    EXPECT_EQ(owner.FindComponent("item7"), items[7]);

    // Renamed: the old name is free and finds nothing, the new one finds it.
    items[7]->SetName("Seventh");
    EXPECT_EQ(owner.FindComponent("Item7"), nullptr);
    EXPECT_EQ(owner.FindComponent("SEVENTH"), items[7]);
    EXPECT_NO_THROW(items[5]->SetName("Item7"));
    EXPECT_EQ(owner.FindComponent("item7"), items[5]);
    items[9]->SetName("");  // unnamed components are never found
    EXPECT_EQ(owner.FindComponent("Item9"), nullptr);
    EXPECT_EQ(owner.FindComponent(""), nullptr);

    // Freed, or moved to another owner: gone from this owner's names.
    delete items[3];
    EXPECT_EQ(owner.FindComponent("Item3"), nullptr);
    Named(&owner, "item3");  // the name can be taken again
    TComponent other(nullptr);
    other.InsertComponent(items[4]);
    EXPECT_EQ(owner.FindComponent("Item4"), nullptr);
    EXPECT_EQ(other.FindComponent("item4"), items[4]);
    Named(&owner, "Item4");
    owner.RemoveComponent(items[8]);
    EXPECT_EQ(owner.FindComponent("Item8"), nullptr);
    EXPECT_EQ(items[8]->Name(), "Item8");
    // A component that comes back with a name taken meanwhile is refused.
    Named(&owner, "ITEM8");
    EXPECT_THROW(owner.InsertComponent(items[8]), EComponentError);
    delete items[8];

    // Freed from the newest, as an owner does, and then in the middle.
    for (int i = kCount - 1; i >= kCount - 1000; --i)
        delete items[std::size_t(i)];
    EXPECT_EQ(owner.FindComponent("Item" + std::to_string(kCount - 1)), nullptr);
    EXPECT_EQ(owner.FindComponent("Item" + std::to_string(kCount - 1001)),
              items[std::size_t(kCount - 1001)]);
    delete items[50000];
    // Gone: Item3, Item4, Item8, the newest 1000 and Item50000; three came in.
    EXPECT_EQ(owner.ComponentCount(), kCount - 1004 + 3);
    EXPECT_EQ(items[50001]->ComponentIndex(), 50001 - 4);
    EXPECT_EQ(owner.FindComponent("Item50001"), items[50001]);
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        TComponent* c = owner.Components(i);
        if (!c->Name().empty()) {
            ASSERT_EQ(owner.FindComponent(c->Name()), c) << c->Name();
        }
    }
}

// Freeing the oldest first is what a scene graph parent does to its owned children.
TEST(Component, ComponentsFreedInAnyOrderLeaveTheOthersInOrder) {
    TComponent owner(nullptr);
    std::vector<TComponent*> c;
    for (int i = 0; i < 10; ++i)
        c.push_back(new TComponent(&owner));
    for (int i : {0, 5, 9, 8})
        delete c[std::size_t(i)];
    ASSERT_EQ(owner.ComponentCount(), 6);
    EXPECT_EQ(c[6]->ComponentIndex(), 4);
    const std::vector<TComponent*> expected{c[1], c[2], c[3], c[4], c[6], c[7]};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(owner.Components(i), expected[std::size_t(i)]) << i;
    auto* added = new TComponent(&owner);
    delete c[1];
    EXPECT_EQ(added->ComponentIndex(), 5);
    EXPECT_EQ(owner.Components(0), c[2]);
    EXPECT_THROW(owner.Components(6), EListError);
    TComponent other(nullptr);
    other.InsertComponent(c[3]);  // moved away in the middle
    EXPECT_EQ(owner.ComponentCount(), 5);
    EXPECT_EQ(owner.Components(1), c[4]);
    EXPECT_EQ(c[3]->ComponentIndex(), 0);
}

namespace {
// Lets any name through, clashes included.
class TLaxOwner : public TComponent {
public:
    using TComponent::TComponent;

protected:
    void ValidateRename(TComponent*, const std::string&, const std::string&) const override {}
};
}  // namespace

TEST(Component, NamesLetThroughTwiceAreFoundEarliestFirst) {
    TLaxOwner owner(nullptr);
    TComponent* first = Named(&owner, "Twin");
    TComponent* second = Named(&owner, "TWIN");
    TComponent* third = Named(&owner, "twin");
    EXPECT_EQ(owner.FindComponent("tWiN"), first);
    delete first;
    EXPECT_EQ(owner.FindComponent("twin"), second);
    second->SetName("Single");
    EXPECT_EQ(owner.FindComponent("twin"), third);
    EXPECT_EQ(owner.FindComponent("single"), second);
    delete third;
    EXPECT_EQ(owner.FindComponent("twin"), nullptr);
}

namespace {
// Overrides Notification without asking anyone for notices and without class
// information of its own.
class TBareWatcher : public TComponent {
public:
    using TComponent::TComponent;
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (gLog)
            gLog->push_back("bare " + std::string(Operation == opInsert ? "+" : "-") +
                            AComponent->Name());
    }
};

// On hearing that Trigger goes, frees Victim, another component of the same owner.
class TChainProbe : public TProbe {
public:
    using TProbe::TProbe;
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TProbe::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == Trigger && Victim) {
            TComponent* v = Victim;
            Victim = nullptr;
            delete v;
        }
    }
    TComponent* Trigger = nullptr;
    TComponent* Victim = nullptr;
};
}  // namespace

TEST(Component, RemovalReachesWatchingSiblingsLinkedComponentsAndTheOwnerInOrder) {
    LogScope scope;
    TProbe owner(nullptr);
    owner.SetName("Owner");
    TProbe* first = Named(&owner, "First");
    (new TComponent(&owner))->SetName("Plain1");
    (new TBareWatcher(&owner))->SetName("Bare");
    Named(first, "Inner");  // owned by a watching sibling
    TComponent* plain = new TComponent(&owner);
    plain->SetName("Plain2");
    TProbe* last = Named(&owner, "Last");
    TProbe outsider(nullptr);  // not owned here, linked to Plain2
    outsider.SetName("Outsider");
    outsider.SetRef(plain);

    // Insertions are told to the new owner only.
    scope.log.clear();
    auto* late = new TComponent(nullptr);
    late->SetName("Late");
    owner.InsertComponent(late);
    EXPECT_EQ(scope.log, (std::vector<std::string>{"Owner +Late"}));

    // A removal: the linked component first, as it asked; then the owned components
    // that watch, from the last to the first, each passing it on to what it owns;
    // then the owner itself. Plain components hear nothing.
    scope.log.clear();
    delete plain;
    EXPECT_EQ(outsider.Ref, nullptr);
    EXPECT_EQ(scope.log,
              (std::vector<std::string>{"Outsider -Plain2", "Last -Plain2", "bare -Plain2",
                                        "Inner -Plain2", "First -Plain2", "Owner -Plain2"}));

    // Moving a component to another owner is a removal for the old one.
    scope.log.clear();
    TComponent elsewhere(nullptr);
    elsewhere.InsertComponent(last);
    EXPECT_EQ(scope.log, (std::vector<std::string>{"Last -Last", "bare -Last", "Inner -Last",
                                                   "First -Last", "Owner -Last"}));
    delete last;
}

namespace {
class TQuietChild : public TComponent {
    NYX_CLASS(TQuietChild)
public:
    using TComponent::TComponent;
};
class TProbeChild : public TProbe {
    NYX_CLASS(TProbeChild)
public:
    using TProbe::TProbe;
};
class THiddenWatcher : public TComponent {
    NYX_CLASS(THiddenWatcher)
public:
    using TComponent::TComponent;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
    }
};
const TMetaClass& TQuietChild::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TQuietChild, TComponent>("TQuietChild");
    return meta;
}
const TMetaClass& TProbeChild::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TProbeChild, TProbe>("TProbeChild");
    return meta;
}
const TMetaClass& THiddenWatcher::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<THiddenWatcher, TComponent>("THiddenWatcher");
    return meta;
}
}  // namespace

TEST(Component, ClassInformationTellsWhichClassesReplaceNotification) {
    const struct {
        const TMetaClass& cls;
        bool overrides;
    } cases[] = {
        {TComponent::StaticClass(), false},
        {TQuietChild::StaticClass(), false},
        {TProbe::StaticClass(), true},
        {TProbeChild::StaticClass(), true},     // inherited override
        {THiddenWatcher::StaticClass(), true},  // not public: still counted
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cls.OverridesNotification(), c.overrides) << c.cls.Name();
        EXPECT_NE(c.cls.Type(), nullptr) << c.cls.Name();
    }
}

TEST(Component, AWatcherMayFreeSiblingsWhileHearingOfARemoval) {
    LogScope scope;
    {
        TComponent owner(nullptr);
        auto* chain = new TChainProbe(&owner);
        chain->SetName("Chain");
        TProbe* victim = Named(&owner, "Victim");
        TProbe* watcher = Named(&owner, "Watcher");
        TProbe* trigger = Named(&owner, "Trigger");
        watcher->SetRef(victim);
        chain->Trigger = trigger;
        chain->Victim = victim;
        scope.log.clear();
        delete trigger;
        EXPECT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(owner.FindComponent("Victim"), nullptr);
        EXPECT_EQ(watcher->Ref, nullptr);
    }
}

TEST(Component, StateFlagsAndDesigningSpreadToOwned) {
    TComponent owner(nullptr);
    TComponent* child = new TComponent(&owner);
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    TComponent* late = new TComponent(&owner);
    EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
    late->SetLoading(true);
    late->Loaded();
    EXPECT_FALSE(late->ComponentState().Contains(csLoading));
}

TEST(Persistent, DefaultAssignNamesBothClasses) {
    TComponent a(nullptr), b(nullptr);
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TComponent to a TComponent");
    }
    EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

namespace {
class TItem : public TCollectionItem {
    NYX_CLASS(TItem)
public:
    explicit TItem(TCollection* c) : TCollectionItem(c) {}
    int Value = 0;
    void Assign(const TPersistent* Source) override {
        if (auto* s = dynamic_cast<const TItem*>(Source)) {
            Value = s->Value;
            return;
        }
        TCollectionItem::Assign(Source);
    }
    void Touch() { Changed(false); }
};
const TMetaClass& TItem::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TItem, TCollectionItem>("TItem");
    return meta;
}

class TCountingCollection : public TOwnedCollection {
public:
    TCountingCollection() : TOwnedCollection(nullptr, TItem::StaticClass()) {}
    std::vector<std::string> log;

protected:
    void Update(TCollectionItem* Item) override {
        log.push_back(Item ? "item " + std::to_string(Item->Index()) : "all");
    }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
        static const char* names[] = {"added", "extracting", "deleting"};
        log.push_back(std::string(names[int(Action)]) + " " + std::to_string(Item->ID()));
    }
};
}  // namespace

TEST(Collection, IndexesNotificationsAndUpdates) {
    TCountingCollection c;
    auto* a = static_cast<TItem*>(c.Add());
    auto* b = static_cast<TItem*>(c.Add());
    auto* d = static_cast<TItem*>(c.Insert(0));
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(d->Index(), 0);
    EXPECT_EQ(a->Index(), 1);
    EXPECT_EQ(b->Index(), 2);
    EXPECT_EQ(c.FindItemID(b->ID()), b);
    EXPECT_EQ(a->GetDisplayName(), "TItem");
    EXPECT_THROW(c.Items(3), EListError);
    EXPECT_THROW(c.Delete(-1), EListError);

    c.log.clear();
    b->Touch();
    c.BeginUpdate();
    b->Touch();  // held back
    c.Delete(0);
    c.EndUpdate();
    EXPECT_EQ(c.log, (std::vector<std::string>{"item 2", "deleting 2", "extracting 2", "all"}));
    EXPECT_EQ(c.Items(0), a);
}

TEST(Collection, AssignCopiesItems) {
    TCountingCollection src, dst;
    static_cast<TItem*>(src.Add())->Value = 7;
    static_cast<TItem*>(src.Add())->Value = 9;
    dst.Add();
    dst.Assign(&src);
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_EQ(dst.ItemAs<TItem>(1)->Value, 9);
}
