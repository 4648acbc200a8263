// The scene object: tree operations, listeners and their order, destruction in
// every order, the update protocol, the change index and the geometry queries.
#include "scene/object.h"

#include "rtl/filer.h"
#include "rtl/host.h"
#include "rtl/streams.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace nyx;

namespace {

using Strings = std::vector<std::string>;

// Counts the invalidations reaching the top of its tree, as a scene's repaints.
class TRoot : public TNyxObject {
    NYX_CLASS(TRoot)
public:
    using TNyxObject::TNyxObject;
    void Invalidate(TObject* Sender) override { ++Repaints, TNyxObject::Invalidate(Sender); }
    int Repaints = 0;
};
const TMetaClass& TRoot::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TRoot, TNyxObject>("TRoot");
    return meta;
}

// Records "<id>:<action> <sender> <data>" for each call.
struct TListener {
    std::string Id;
    Strings* Log;
    void Heard(TNyxObject* Sender, TNyxObjectAction Action, void* Data) {
        std::string data;
        if (Action == saInsert || Action == saRemove)
            data = (*static_cast<TNyxObject**>(Data))->Name();
        else if (Action == saMove)
            data = std::to_string(*static_cast<std::int32_t*>(Data));
        else
            data = *static_cast<std::string*>(Data);
        Log->push_back(Id + ":" + TNyxObjectActionInfo().NameOf(Action) + " " + Sender->Name() +
                       " " + data);
    }
    void Other(TNyxObject* S, TNyxObjectAction A, void* D) { Heard(S, A, D); }
    TNyxObjectNotify Proc() { return TNyxObjectNotify::Bind<&TListener::Heard>(this); }
    TNyxObjectNotify OtherProc() { return TNyxObjectNotify::Bind<&TListener::Other>(this); }
};

TNyxObject* Make(TComponent* owner, const char* name, TNyxObject* parent = nullptr) {
    auto* o = new TNyxObject(owner);
    o->SetName(name);
    if (parent)
        o->SetParentComponent(parent);
    return o;
}

Strings Names(const std::vector<TNyxObject*>& list) {
    Strings names;
    for (TNyxObject* o : list)
        names.push_back(o->Name());
    return names;
}

}  // namespace

TEST(ObjectTree, AttachMoveAndDetach) {
    TNyxObject root(nullptr);
    TNyxObject* a = Make(&root, "A", &root);
    TNyxObject* b = Make(&root, "B", &root);
    TNyxObject* c = Make(&root, "C", &root);
    EXPECT_EQ(root.GetItem(1), b);
    EXPECT_THROW(root.GetItem(3), EListError);
    const struct {
        TNyxObject* obj;
        int to;
        Strings order;
    } moves[] = {
        {c, -5, {"C", "A", "B"}},
        {c, 1000, {"A", "B", "C"}},
        {a, 1, {"B", "A", "C"}},
        {b, 2, {"A", "C", "B"}},
    };
    for (const auto& m : moves) {
        m.obj->SetItemIndex(m.to);
        EXPECT_EQ(Names(root.Items()), m.order) << m.obj->Name() << " to " << m.to;
    }
    b->SetParentComponent(a);  // re-parenting appends
    EXPECT_EQ(Names(root.Items()), (Strings{"A", "C"}));
    EXPECT_EQ(b->GetParentComponent(), a);
    TComponent plain(nullptr);
    c->SetParentComponent(&plain);  // not a scene object: only detaches
    EXPECT_FALSE(c->HasParent());
    EXPECT_EQ(c->GetItemIndex(), 0);
    c->SetItemIndex(3);
    EXPECT_EQ(Names(root.Items()), (Strings{"A"}));
    delete c;

    // Attaching under itself or a descendant is refused before anything changes.
    for (TNyxObject* target : {a, b})
        EXPECT_THROW(a->SetParentComponent(target), EInvalidOperation);
    EXPECT_EQ(a->Parent(), &root);
    EXPECT_EQ(b->Parent(), a);
}

TEST(ObjectTree, SceneIsTheNearestSceneAboveAndNeverAStaleOne) {
    // Stands in for a scene root: only its identity is compared, never used.
    struct TFakeScene : TNyxObject {
        using TNyxObject::TNyxObject;
        TNyxScene* AsScene() override { return reinterpret_cast<TNyxScene*>(this); }
    };
    TFakeScene first(nullptr), second(nullptr);
    TNyxObject* group = Make(nullptr, "Group", &first);
    TNyxObject* leaf = Make(nullptr, "Leaf", group);
    EXPECT_EQ(first.Scene(), nullptr);
    EXPECT_EQ(leaf->Scene(), first.AsScene());
    group->SetParentComponent(&second);  // the whole subtree follows, not only Group
    EXPECT_EQ(leaf->Scene(), second.AsScene());
    group->SetParentComponent(nullptr);
    EXPECT_EQ(leaf->Scene(), nullptr);
    delete group;
}

TEST(ObjectTree, ListsIteratesAndFindsByIdent) {
    TNyxObject root(nullptr);
    root.SetName("Root");
    TNyxObject* a = Make(&root, "A", &root);
    TRoot* b = new TRoot(&root);
    b->SetName("B");
    b->SetParentComponent(a);
    TNyxObject* c = Make(&root, "C", &root);
    TNyxObject* d = Make(&root, "D", c);

    std::vector<TNyxObject*> list;
    root.ListChildren(list);
    EXPECT_EQ(Names(list), (Strings{"B", "A", "D", "C"}));
    list.clear();
    root.ListChildren(list, {&TRoot::StaticClass()});
    EXPECT_EQ(Names(list), (Strings{"B"}));
    list = {b};
    d->ListParents(list);
    EXPECT_EQ(Names(list), (Strings{"Root", "C", "B"}));

    Strings visited;
    root.Iterate(
        [](TNyxObject* o, void* data) { static_cast<Strings*>(data)->push_back(o->Name()); },
        &visited);
    EXPECT_EQ(visited, (Strings{"Root", "A", "B", "C", "D"}));
    std::vector<TComponent*> children;
    root.GetChildren([&](TComponent* child) { children.push_back(child); }, nullptr);
    EXPECT_EQ(children, (std::vector<TComponent*>{a, c}));

    a->SetIdent("Wheel");
    c->SetIdent("wheel");
    d->SetIdent("Deep");
    EXPECT_EQ(root.ItemByIdent("WHEEL"), a);
    EXPECT_EQ(root.ItemByIdent("Deep"), nullptr);  // grandchildren are not searched
}

TEST(ObjectNotify, RootListenersFirstWithTheDataOfEachAction) {
    Strings log;
    TListener onRoot{"root", &log}, onMid{"mid", &log}, onLeaf{"leaf", &log};
    TNyxObject root(nullptr);
    root.SetName("Root");
    TNyxObject* mid = Make(&root, "Mid", &root);
    TNyxObject* leaf = Make(&root, "Leaf");
    Make(&root, "Sib", mid);
    root.RegisterNotify(onRoot.Proc());
    mid->RegisterNotify(onMid.Proc());
    leaf->RegisterNotify(onLeaf.Proc());

    const struct {
        const char* what;
        std::function<void()> act;
        Strings heard;
    } steps[] = {
        {"insert",
         [&] { leaf->SetParentComponent(mid); },
         {"root:saInsert Leaf Mid", "mid:saInsert Leaf Mid", "leaf:saInsert Leaf Mid"}},
        {"move",
         [&] { leaf->SetItemIndex(0); },
         {"root:saMove Leaf 0", "mid:saMove Leaf 0", "leaf:saMove Leaf 0"}},
        {"move in place", [&] { leaf->SetItemIndex(-3); }, {}},
        {"rename",
         [&] { leaf->SetName("Twig"); },
         {"root:saRename Twig Leaf", "mid:saRename Twig Leaf", "leaf:saRename Twig Leaf"}},
        {"same name", [&] { leaf->SetName("Twig"); }, {}},
        {"bad names",
         [&] {
             EXPECT_THROW(leaf->SetName("1x"), EComponentError);
             EXPECT_THROW(leaf->SetName("sib"), EComponentError);
         },
         {}},
        {"re-parent",
         [&] { leaf->SetParentComponent(&root); },
         {"root:saRemove Twig Mid", "mid:saRemove Twig Mid", "leaf:saRemove Twig Mid",
          "root:saInsert Twig Root", "leaf:saInsert Twig Root"}},
        {"detach",
         [&] { leaf->SetParentComponent(nullptr); },
         {"root:saRemove Twig Root", "leaf:saRemove Twig Root"}},
    };
    for (const auto& s : steps) {
        log.clear();
        s.act();
        EXPECT_EQ(log, s.heard) << s.what;
    }
    root.UnregisterNotify(onRoot.Proc());
    mid->UnregisterNotify(onMid.Proc());
    leaf->UnregisterNotify(onLeaf.Proc());
    delete leaf;
}

TEST(ObjectNotify, RegistryKeepsOneEntryPerMethod) {
    Strings log;
    TListener first{"first", &log}, second{"second", &log};
    TNyxObject obj(nullptr);
    obj.SetName("Obj");
    obj.RegisterNotify(first.Proc());
    obj.RegisterNotify(second.OtherProc());
    obj.RegisterNotify(second.Proc());  // first's method, other receiver: ignored
    obj.RegisterNotify({});             // kept, never called
    EXPECT_EQ(obj.NotifyCount(), 3);
    obj.SetName("Renamed");
    EXPECT_EQ(log, (Strings{"first:saRename Renamed Obj", "second:saRename Renamed Obj"}));
    obj.UnregisterNotify(second.Proc());  // removes first's entry: receiver ignored
    obj.UnregisterNotify({});
    EXPECT_EQ(obj.NotifyCount(), 1);

    // A listener may unregister itself while it is being called.
    struct TOnce {
        TNyxObject* Obj;
        void Heard(TNyxObject*, TNyxObjectAction, void*) {
            Obj->UnregisterNotify(TNyxObjectNotify::Bind<&TOnce::Heard>(this));
        }
    } once{&obj};
    obj.RegisterNotify(TNyxObjectNotify::Bind<&TOnce::Heard>(&once));
    log.clear();
    obj.SetName("Again");
    obj.SetName("Last");
    EXPECT_EQ(log.size(), 2u);
    obj.UnregisterNotify(second.OtherProc());
    EXPECT_EQ(obj.NotifyCount(), 0);
}

TEST(ObjectNotify, ALoadTellsOfOneRenameWhenTheLoaderGivesTheNameBack) {
    RegisterClass(TNyxObject::StaticClass());
    TMemoryStream saved;
    {
        TNyxObject root(nullptr);
        root.SetName("Saved");
        Make(&root, "Kid", &root);
        Make(&root, "Other", &root);
        saved.WriteComponent(&root);
    }
    const struct {
        const char* name;
        Strings renames;
    } cases[] = {
        {"Target", {"L:saRename Target Saved"}},
        {"Saved", {}},
    };
    for (const auto& c : cases) {
        Strings log;
        TListener l{"L", &log};
        TNyxObject target(nullptr);
        target.SetName(c.name);
        target.RegisterNotify(l.Proc());
        // As a load into an existing object: keep the name, read, give it back.
        const std::string kept = target.Name();
        saved.SetPosition(0);
        TReader reader(saved, 4096);
        reader.ReadRootComponent(&target);
        EXPECT_EQ(target.Name(), "Saved") << c.name;
        target.SetName(kept);
        Strings renames;
        for (const std::string& line : log)
            if (line.find("saRename") != std::string::npos)
                renames.push_back(line);
        EXPECT_EQ(renames, c.renames) << c.name;
        ASSERT_EQ(target.GetItemsCount(), 2) << c.name;

        // Loading is over: renames are told again.
        log.clear();
        target.GetItem(0)->SetName("Kid2");
        EXPECT_EQ(log, (Strings{"L:saRename Kid2 Kid"})) << c.name;
        target.UnregisterNotify(l.Proc());
    }
}

TEST(ObjectLifetime, FreeingASubtreeAnnouncesOnlyItsRoot) {
    Strings log;
    TListener l{"L", &log};
    const std::int32_t before = LiveObjectCount;
    TNyxObject root(nullptr);
    root.SetName("Root");
    TNyxObject* parent = Make(nullptr, "P", &root);
    Make(nullptr, "C1", parent);
    Make(nullptr, "G", Make(nullptr, "C2", parent));
    Make(nullptr, "Keep", &root);
    Make(nullptr, "More", &root);
    EXPECT_EQ(LiveObjectCount, before + 7);
    root.RegisterNotify(l.Proc());

    delete parent;
    EXPECT_EQ(log, (Strings{"L:saRemove P Root"}));
    EXPECT_EQ(LiveObjectCount, before + 3);
    log.clear();
    root.Clear();  // last first, each child announcing itself
    EXPECT_EQ(log, (Strings{"L:saRemove More Root", "L:saRemove Keep Root"}));
    EXPECT_EQ(LiveObjectCount, before + 1);
    root.UnregisterNotify(l.Proc());
}

TEST(ObjectLifetime, DestructionInEveryOrderIsClean) {
    // A under a root, B and C under A, all with framework owners; freed in one order
    // each time. The sanitizers catch any dangling link.
    enum Order { OwnerFirst, OwnerFreesParentsFirst, ParentFirst, ChildrenFirst, ChildOwnsSibling };
    for (Order order :
         {OwnerFirst, OwnerFreesParentsFirst, ParentFirst, ChildrenFirst, ChildOwnsSibling}) {
        SCOPED_TRACE(int(order));
        const std::int32_t before = LiveObjectCount;
        auto owner = std::make_unique<TComponent>(nullptr);
        auto root = std::make_unique<TNyxObject>(nullptr);
        TNyxObject *a, *b, *c;
        if (order == OwnerFreesParentsFirst) {  // the owner frees the latest first
            c = Make(owner.get(), "C");
            b = Make(owner.get(), "B");
            a = Make(owner.get(), "A", root.get());
            b->SetParentComponent(a);
            c->SetParentComponent(a);
        } else {
            a = Make(owner.get(), "A", root.get());
            b = Make(order == ChildOwnsSibling ? static_cast<TComponent*>(a) : owner.get(), "B", a);
            c = Make(order == ChildOwnsSibling ? static_cast<TComponent*>(b) : owner.get(), "C", a);
        }
        EXPECT_EQ(LiveObjectCount, before + 4);
        if (order == ParentFirst || order == ChildOwnsSibling)
            delete a;
        if (order == ChildrenFirst) {
            delete c;
            delete b;
            EXPECT_EQ(a->GetItemsCount(), 0);
        }
        owner.reset();
        EXPECT_EQ(root->GetItemsCount(), 0);
        root.reset();
        EXPECT_EQ(LiveObjectCount, before);
    }
}

TEST(ObjectLifetime, ListenersLeftBehindAreReported) {
    TMessageCapture capture;
    Strings log;
    TListener a{"a", &log}, b{"b", &log};
    TNyxObject parent(nullptr);
    parent.SetName("P");
    delete Make(nullptr, "Clean", &parent);
    EXPECT_TRUE(capture.Boxes.empty());
    auto* obj = Make(nullptr, "O", &parent);
    obj->RegisterNotify(a.Proc());
    obj->RegisterNotify(b.OtherProc());
    delete obj;  // its own listeners still hear the removal
    EXPECT_EQ(log, (Strings{"a:saRemove O P", "b:saRemove O P"}));
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_EQ(capture.Boxes[0].Text, "There is Nyx-Notifies leek (2)");
    EXPECT_EQ(capture.Boxes[0].Caption, "Warning");
    EXPECT_EQ(capture.Boxes[0].Flags, MB_OK | MB_ICONERROR);
}

TEST(ObjectUpdate, InvalidationClimbsUnlessHeldBack) {
    TRoot root(nullptr);
    TNyxObject* mid = Make(&root, "Mid", &root);
    TNyxObject* leaf = Make(&root, "Leaf", mid);
    const struct {
        const char* what;
        std::function<void()> act;
        int repaints;
    } steps[] = {
        {"colour", [&] { leaf->SetColor(0x123456); }, 3},  // two faces and the object
        {"same colour", [&] { leaf->SetColor(0x123456); }, 0},
        {"flags",
         [&] {
             leaf->SetVisible(false), leaf->SetSelected(true), leaf->SetDrawType(dtLine);
             leaf->SetSmooth(false), leaf->SetMaterialIndex(2);
             leaf->SetShadows(0, true), leaf->SetShadows(1, true);
         },
         7},
        {"same flags",
         [&] {
             leaf->SetVisible(false), leaf->SetSelected(true), leaf->SetDrawType(dtLine);
             leaf->SetSmooth(false), leaf->SetMaterialIndex(2), leaf->SetShadows(1, true);
         },
         0},
        {"unknown shadow index, ident, move",
         [&] { leaf->SetShadows(2, false), leaf->SetIdent("x"), leaf->SetItemIndex(5); }, 0},
        {"attach", [&] { Make(&root, "New", leaf); }, 1},
        {"begin twice", [&] { mid->BeginUpdate(), mid->BeginUpdate(), leaf->SetVisible(true); }, 0},
        {"end once", [&] { mid->EndUpdate(); }, 0},
        {"end again", [&] { mid->EndUpdate(); }, 1},
        {"end at zero", [&] { mid->EndUpdate(); }, 1},
    };
    for (const auto& s : steps) {
        const int before = root.Repaints;
        s.act();
        EXPECT_EQ(root.Repaints - before, s.repaints) << s.what;
    }
    EXPECT_EQ(mid->UpdateCount(), 0);
    EXPECT_EQ(leaf->Material()->BackFace()->Ambient(), 0x123456);
    EXPECT_EQ(leaf->ColorRGBA(), leaf->Material()->FrontFace()->DiffuseRGBA());
}

TEST(ObjectChangeIndex, AdvancesWhenOwnOrAncestorTransformChanges) {
    TNyxObject root(nullptr);
    TNyxObject* parent = Make(&root, "P", &root);
    TNyxObject* child = Make(&root, "C", parent);
    TNyxObject* other = Make(&root, "O", &root);
    const struct {
        const char* what;
        std::function<void()> act;
        std::int32_t child, other;
    } steps[] = {
        {"nothing yet", [] {}, 0, 0},
        {"parent moves", [&] { parent->XForm()->Translate()->SetData(0, 1); }, 1, 0},
        {"no change", [] {}, 1, 0},
        {"child turns", [&] { child->XForm()->Rotate()->SetData(2, 5); }, 2, 0},
        {"root scales", [&] { root.XForm()->mScale(2, 2, 2); }, 3, 1},
        {"colour only", [&] { child->SetColor(clRed); }, 3, 1},
        {"two changes",
         [&] {
             parent->XForm()->Translate()->SetData(0, 2);
             child->XForm()->Translate()->SetData(0, 2);
         },
         4, 1},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(child->GetChangeIndex(), s.child) << s.what;
        EXPECT_EQ(other->GetChangeIndex(), s.other) << s.what;
    }
}

TEST(ObjectGeometry, MatricesBoundsAndRadius) {
    TNyxObject root(nullptr);
    TNyxObject* parent = Make(&root, "P", &root);
    TNyxObject* child = Make(&root, "C", parent);
    root.XForm()->Translate()->SetData(2, 10);
    parent->XForm()->Translate()->SetData(0, 1);
    parent->XForm()->Rotate()->SetData(2, 90);
    for (int i = 0; i < 3; ++i)
        child->XForm()->Scale()->SetData(i, std::array{2.0, 3.0, 0.5}[i]);

    const auto near = [](const TGLArrayd3& got, const TGLArrayd3& want) {
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], want[i], 1e-12) << i;
    };
    TGLMatrixd4 m;
    child->GetAbsoluteMatrix(m);
    TGLArrayd3 p{1, 1, 1}, lo, hi;
    Xformd(m, p);  // S (2,3,0.5), Rz90 (-3,2,0.5), T (-2,2,10.5)
    near(p, {-2, 2, 10.5});
    child->GetAbsoluteCenter(p);
    near(p, {1, 0, 10});
    // Only the two corners are transformed: Min.x ends up above Max.x here.
    child->GetAbsoluteSize(lo, hi);
    near(lo, {2.5, -1, 9.75});
    near(hi, {-0.5, 1, 10.25});
    child->GetAbsoluteMin(p);
    EXPECT_EQ(p, lo);
    child->GetAbsoluteMax(p);
    EXPECT_EQ(p, hi);
    child->GetMax(p);
    EXPECT_EQ(p, (TGLArrayd3{0.5, 0.5, 0.5}));

    // The largest axis scale, also where a rotation empties the diagonal.
    EXPECT_EQ(root.GetAbsoluteRadius(), 1);
    EXPECT_NEAR(child->GetAbsoluteRadius(), 3, 1e-12);
    child->XForm()->Rotate()->SetData(0, 90);
    child->XForm()->Rotate()->SetData(1, 90);
    EXPECT_NEAR(child->GetAbsoluteRadius(), 3, 1e-12);
}

TEST(ObjectCopy, AssignCopiesFieldsOnly) {
    TRoot root(nullptr);
    TNyxObject source(nullptr), *dest = Make(&root, "Dest", &root);
    source.SetIdent("src"), source.SetColor(clRed), source.SetVisible(false);
    source.SetSelected(true), source.SetDrawType(dtLine), source.SetShadows(0, true);
    source.SetShadows(1, true), source.SetSmooth(false), source.SetMaterialIndex(4);
    source.Point1()->SetData(0, 1), source.Point2()->SetData(2, -2);
    source.XForm()->Translate()->SetData(0, 5);
    root.Repaints = 0;
    dest->Assign(&source);
    EXPECT_EQ(root.Repaints, 0);
    EXPECT_EQ(dest->Ident(), "src");
    EXPECT_EQ(dest->Color(), clRed);
    EXPECT_EQ(dest->ColorRGBA(), source.ColorRGBA());
    EXPECT_TRUE(!dest->Visible() && dest->Selected() && dest->DrawType() == dtLine &&
                dest->CastShadows() && dest->ReceiveShadows() && !dest->Smooth());
    EXPECT_EQ(dest->Point1()->Data(), (TGLArrayd3{1, 0, 0}));
    EXPECT_EQ(dest->Point2()->Data(), (TGLArrayd3{0, 0, -2}));
    // Not copied: material, material index, transform, name.
    EXPECT_EQ(dest->Material()->FrontFace()->Diffuse(), 12632256);
    EXPECT_EQ(dest->MaterialIndex(), -1);
    EXPECT_FALSE(dest->XForm()->NonIdentity());
    EXPECT_EQ(dest->Name(), "Dest");
    TComponent plain(nullptr);
    EXPECT_THROW(dest->Assign(&plain), EConvertError);
}

TEST(ObjectProperties, DescriptionsForDescendantsWorkOnAnySceneObject) {
    TRoot obj(nullptr);
    const struct {
        TPropInfo info;
        std::int64_t def, set;
    } rows[] = {
        {NyxObjectProps::Color(), 12632256, 255},
        {NyxObjectProps::MaterialIndex(), -1, 3},
        {NyxObjectProps::Visible(), 1, 0},
        {NyxObjectProps::Selected(), 0, 1},
        {NyxObjectProps::DrawType(), dtFill, dtLine},
        {NyxObjectProps::Smooth(), 1, 0},
        {NyxObjectProps::CastShadows(), 0, 1},
        {NyxObjectProps::ReceiveShadows(), 0, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.info.Name);
        EXPECT_EQ(r.info.Default, r.def);
        EXPECT_FALSE(r.info.IsStoredValue(obj));  // the constructor sets the default
        r.info.SetOrd(obj, r.set);
        EXPECT_EQ(r.info.GetOrd(obj), r.set);
    }
    EXPECT_TRUE(obj.CastShadows() && !obj.Visible());
    EXPECT_EQ(NyxObjectProps::XForm().GetObject(obj), obj.XForm());
    EXPECT_EQ(NyxObjectProps::Point2("Target").GetObject(obj), obj.Point2());
    SetStrProp(obj, "Ident", "tag");
    EXPECT_EQ(obj.Ident(), "tag");
}
