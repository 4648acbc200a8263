// A scene holding one object of every class the library registers, each with a value
// other than the default in every published property, survives a save and a load in
// either form. Values are chosen and compared through the property tables alone, so a
// class that joins a unit's table is covered without a word here.

#include "objects/startup.h"
#include "rtl/graphics.h"
#include "scene/material.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "scene/startup.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace nyx {
namespace {

// --- Values other than the present one -------------------------------------------------

// Components a reference may point to.
using TTargets = std::vector<TComponent*>;

// Tries Candidates in order; the first that the setter keeps (reads back as given) and
// that differs from Avoid wins.
template <class T>
bool FirstKept(const std::vector<T>& Candidates, const std::vector<T>& Avoid,
               const std::function<void(T)>& Set, const std::function<T()>& Get) {
    for (const T& c : Candidates) {
        if (std::find(Avoid.begin(), Avoid.end(), c) != Avoid.end())
            continue;
        try {
            Set(c);
        } catch (const Exception&) {
            continue;
        }
        if (Get() == c)
            return true;
    }
    return false;
}

void Fill(TObject& Object, const std::string& Path, const TTargets& Targets,
          std::vector<std::string>& Stuck);

// Sets one property to another value than it has and its default; Stuck collects the
// paths where no candidate sticks.
void FillProperty(TObject& O, const TPropInfo& P, const std::string& Path, const TTargets& Targets,
                  std::vector<std::string>& Stuck) {
    bool kept = true;
    switch (P.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkBoolean:
    case TTypeKind::tkSet: {
        const std::int64_t now = P.GetOrd(O);
        std::vector<std::int64_t> candidates{now + 7, now + 1, now - 1, now + 100, 3};
        if (P.Kind != TTypeKind::tkInteger) {
            const std::size_t n = P.EnumType->Members.size();
            candidates.clear();
            for (std::size_t i = 0; i < (P.Kind == TTypeKind::tkSet ? std::size_t(1) << n : n); ++i)
                candidates.push_back(std::int64_t(i));
        }
        std::vector<std::int64_t> avoid{now};
        if (P.Default)
            avoid.push_back(*P.Default);
        kept = FirstKept<std::int64_t>(
            candidates, avoid, [&](std::int64_t v) { P.SetOrd(O, v); },
            [&] { return P.GetOrd(O); });
        break;
    }
    case TTypeKind::tkFloat: {
        const double now = P.GetFloat(O);
        kept = FirstKept<double>(
            {now + 1.25, now - 1.25, now * 0.5, now + 0.5, 0.75, 2.5}, {now, 0.0},
            [&](double v) { P.SetFloat(O, v); }, [&] { return P.GetFloat(O); });
        break;
    }
    case TTypeKind::tkString:
        P.SetString(O, "Text_" + P.Name);
        kept = P.GetString(O) == "Text_" + P.Name;
        break;
    case TTypeKind::tkClass:
        if (P.ClassKind == TClassPropKind::ckReference) {
            std::vector<TObject*> candidates;
            for (TComponent* t : Targets)
                if (t != &O && t->InheritsFrom(P.PropClass()))
                    candidates.push_back(t);
            kept = FirstKept<TObject*>(
                candidates, {P.GetObject(O)}, [&](TObject* v) { P.SetObject(O, v); },
                [&] { return P.GetObject(O); });
        } else if (auto* collection = dynamic_cast<TCollection*>(P.GetObject(O))) {
            for (int i = 0; i < 2; ++i)
                Fill(*collection->Add(), Path + "[" + std::to_string(i) + "]", Targets, Stuck);
        } else if (TObject* owned = P.GetObject(O)) {
            Fill(*owned, Path, Targets, Stuck);
        }
        break;
    case TTypeKind::tkMethod:
        break;
    }
    if (!kept)
        Stuck.push_back(Path);
}

void Fill(TObject& Object, const std::string& Path, const TTargets& Targets,
          std::vector<std::string>& Stuck) {
    // Pixels are streamed beside the tables.
    if (auto* bitmap = dynamic_cast<TBitmap*>(&Object)) {
        bitmap->SetSize(2, 2);
        bitmap->SetPixel(1, 0, RGB(10, 20, 30));
        return;
    }
    for (const TPropInfo* p : Object.ClassType().Properties())
        if (!p->Stored || p->Stored(Object))
            FillProperty(Object, *p, Path + "." + p->Name, Targets, Stuck);
}

// --- Comparison ----------------------------------------------------------------------

void ExpectSame(const TObject& A, const TObject& B, const std::string& Path);

void ExpectSameProperty(const TObject& A, const TObject& B, const TPropInfo& P,
                        const std::string& Path) {
    switch (P.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkBoolean:
    case TTypeKind::tkSet:
        EXPECT_EQ(P.GetOrd(A), P.GetOrd(B)) << Path;
        break;
    case TTypeKind::tkFloat:
        EXPECT_EQ(P.GetFloat(A), P.GetFloat(B)) << Path;
        break;
    case TTypeKind::tkString:
        EXPECT_EQ(P.GetString(A), P.GetString(B)) << Path;
        break;
    case TTypeKind::tkClass:
        if (P.ClassKind == TClassPropKind::ckReference) {
            const auto* a = static_cast<const TComponent*>(P.GetObject(A));
            const auto* b = static_cast<const TComponent*>(P.GetObject(B));
            ASSERT_EQ(a == nullptr, b == nullptr) << Path;
            if (a) {
                EXPECT_EQ(a->Name(), b->Name()) << Path;
            }
        } else if (auto* a = dynamic_cast<const TCollection*>(P.GetObject(A))) {
            const auto* b = dynamic_cast<const TCollection*>(P.GetObject(B));
            ASSERT_TRUE(b) << Path;
            ASSERT_EQ(a->Count(), b->Count()) << Path;
            for (int i = 0; i < a->Count(); ++i)
                ExpectSame(*a->Items(i), *b->Items(i), Path + "[" + std::to_string(i) + "]");
        } else if (P.GetObject(A)) {
            ExpectSame(*P.GetObject(A), *P.GetObject(B), Path);
        }
        break;
    case TTypeKind::tkMethod:
        break;
    }
}

void ExpectSame(const TObject& A, const TObject& B, const std::string& Path) {
    ASSERT_EQ(A.ClassName(), B.ClassName()) << Path;
    if (auto* a = dynamic_cast<const TBitmap*>(&A)) {
        EXPECT_TRUE(a->SameImage(static_cast<const TBitmap&>(B))) << Path;
        return;
    }
    for (const TPropInfo* p : A.ClassType().Properties())
        if (!p->Stored || p->Stored(A))
            ExpectSameProperty(A, B, *p, Path + "." + p->Name);
}

void ExpectSameTree(const TNyxObject& A, const TNyxObject& B) {
    ExpectSame(A, B, A.Name());
    ASSERT_EQ(A.GetItemsCount(), B.GetItemsCount()) << A.Name();
    for (int i = 0; i < A.GetItemsCount(); ++i) {
        EXPECT_EQ(A.GetItem(i)->Name(), B.GetItem(i)->Name());
        ExpectSameTree(*A.GetItem(i), *B.GetItem(i));
    }
}

// --- The scene -----------------------------------------------------------------------

// A form with a material library and a scene holding one object of each registered
// class, every property filled.
struct TEveryClass {
    TEveryClass() {
        Library->SetName("Library1");
        Scene->SetName("Scene1");
        TTargets targets{Library};
        std::vector<const TMetaClass*> classes = NyxObjectsClasses();
        classes.insert(classes.end(), NyxClassesClasses().begin(), NyxClassesClasses().end());
        for (const TMetaClass* c : classes) {
            auto* object = static_cast<TNyxObject*>(c->NewComponent(&Form));
            object->SetName(c->Name().substr(1) + "1");
            object->SetParentComponent(Scene);
            targets.push_back(object);
        }
        for (TComponent* target : targets)
            Fill(*target, target->Name(), targets, Stuck);
        Fill(*Scene, "Scene1", targets, Stuck);
    }
    TComponent Form{nullptr};
    TNyxMaterialLibrary* Library = new TNyxMaterialLibrary(&Form);
    TNyxScene* Scene = new TNyxScene(&Form);
    std::vector<std::string> Stuck;
};

// Where a load goes: another form with a library of the same name.
struct TLoadTarget {
    TLoadTarget() {
        (new TNyxMaterialLibrary(&Form))->SetName("Library1");
        Scene->SetName("Scene1");
    }
    TComponent Form{nullptr};
    TNyxScene* Scene = new TNyxScene(&Form);
};

TEST(RoundTrip, EveryRegisteredClassWithEveryPropertySet) {
    TEveryClass source;
    EXPECT_EQ(source.Stuck, std::vector<std::string>{})
        << "no value other than the default sticks in these properties";
    ASSERT_EQ(source.Scene->GetItemsCount(),
              int(NyxObjectsClasses().size() + NyxClassesClasses().size()));

    test::TTempDir dir;
    const struct {
        const char* File;
        void (TNyxObject::*Save)(const std::string&);
        void (TNyxObject::*Load)(const std::string&);
    } forms[] = {
        {"every.nyx", &TNyxObject::SaveToFile, &TNyxObject::LoadFromFile},
        {"every.nyxt", &TNyxObject::SaveToTextFile, &TNyxObject::LoadFromTextFile},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.File);
        (source.Scene->*f.Save)(dir / f.File);
        TLoadTarget target;
        (target.Scene->*f.Load)(dir / f.File);
        ExpectSameTree(*source.Scene, *target.Scene);
    }
}

}  // namespace
}  // namespace nyx
