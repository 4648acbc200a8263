// The material library: lookup by index, who hears of changes to shared materials,
// and a library that goes away while others still point at it.
#include "scene/material.h"
#include "scene/object.h"

#include <gtest/gtest.h>

using namespace nyx;

namespace {

// A scene object that counts the invalidations reaching it.
class TCountingObject : public TNyxObject {
public:
    using TNyxObject::TNyxObject;
    void Invalidate(TObject* Sender) override {
        ++Count;
        LastSender = Sender;
        TNyxObject::Invalidate(Sender);
    }
    int Count = 0;
    TObject* LastSender = nullptr;
};

// Holds a library the way a scene does: registered with its collection, cleared by
// the removal notice, leaving the collection as it goes.
class TLibraryUser : public TComponent {
public:
    TLibraryUser(TComponent* AOwner, TNyxObject* Listener)
        : TComponent(AOwner), FListener(Listener) {}
    ~TLibraryUser() override { SetLibrary(nullptr); }
    void SetLibrary(TNyxMaterialLibrary* Value) {
        if (Library) {
            Library->Materials()->UnregisterObject(FListener);
            Library->RemoveFreeNotification(this);
        }
        Library = Value;
        if (Library) {
            Library->FreeNotification(this);
            Library->Materials()->RegisterObject(FListener);
        }
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        if (Operation == opRemove && AComponent == Library)
            SetLibrary(nullptr);
        TComponent::Notification(AComponent, Operation);
    }
    TNyxMaterialLibrary* Library = nullptr;

private:
    TNyxObject* FListener;
};

}  // namespace

TEST(MaterialLibrary, ItemsAndLookup) {
    TNyxMaterialLibrary library(nullptr);
    auto* first = static_cast<TNyxMaterialCI*>(library.Materials()->Add());
    auto* second = static_cast<TNyxMaterialCI*>(library.Materials()->Add());
    first->SetIdent("Brass");
    EXPECT_EQ(first->GetDisplayName(), "Brass");
    EXPECT_EQ(&library.Materials()->ItemClass(), &TNyxMaterialCI::StaticClass());
    const struct {
        int index;
        TNyxMaterial* want;
    } cases[] = {
        {-1, nullptr},
        {0, first->Material()},
        {1, second->Material()},
        {2, nullptr},
    };
    for (const auto& k : cases)
        EXPECT_EQ(library.MaterialAt(k.index), k.want) << k.index;

    // Copying a collection copies each item's material and label.
    first->Material()->SetTransparency(0.25f);
    TNyxMaterialLibrary copy(nullptr);
    copy.Materials()->Assign(library.Materials());
    ASSERT_EQ(copy.Materials()->Count(), 2);
    EXPECT_EQ(copy.MaterialAt(0)->Transparency(), 0.25f);
    EXPECT_EQ(copy.Materials()->ItemAs<TNyxMaterialCI>(0)->Ident(), "Brass");
}

TEST(MaterialLibrary, EditsInvalidateTheRegisteredObjects) {
    TNyxMaterialLibrary library(nullptr);
    auto* item = static_cast<TNyxMaterialCI*>(library.Materials()->Add());
    TCountingObject listener(nullptr);
    library.Materials()->RegisterObject(&listener);
    const struct {
        const char* what;
        std::function<void()> edit;
        int count;
    } cases[] = {
        {"colour of one face", [&] { item->Material()->FrontFace()->SetColor(1, clRed); }, 1},
        {"transparency, once per face", [&] { item->Material()->SetTransparency(0.5f); }, 2},
        {"equal transparency", [&] { item->Material()->SetTransparency(0.5f); }, 0},
        {"texture", [&] { item->Material()->Texture()->SetSize(2, 2); }, 1},
        {"new item", [&] { library.Materials()->Add(); }, 1},
        {"deleted item", [&] { library.Materials()->Delete(1); }, 1},
        {"label", [&] { item->SetIdent("x"); }, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        listener.Count = 0;
        k.edit();
        EXPECT_EQ(listener.Count, k.count);
    }
    item->Material()->BackFace()->SetParam(0, 3);
    EXPECT_EQ(listener.LastSender, library.Materials());  // the collection passes itself on
    library.Materials()->UnregisterObject(&listener);
}

TEST(MaterialLibrary, FreedLibraryIsLeftWhileItsCollectionExists) {
    TCountingObject listener(nullptr);
    TLibraryUser user(nullptr, &listener);
    auto* library = new TNyxMaterialLibrary(nullptr);
    user.SetLibrary(library);
    EXPECT_EQ(library->Materials()->RegisteredObjects().size(), 1u);
    delete library;  // the user unregisters inside the notice; ASan sees any late access
    EXPECT_EQ(user.Library, nullptr);
}
