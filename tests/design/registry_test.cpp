// The registries filled from the units' registration tables, the choice of editors, and
// components created the way a designer creates them.

#include "testdesigner.h"

#include "design/propedits.h"
#include "design/registry.h"
#include "dxf/converter.h"
#include "library/startup.h"
#include "objects/lines.h"
#include "objects/quadrics.h"
#include "objects/user.h"
#include "rtl/streams.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nyx::test {
namespace {

std::vector<std::string> Names(const std::vector<const TMetaClass*>& Classes) {
    std::vector<std::string> names;
    for (const TMetaClass* c : Classes)
        names.push_back(c->Name());
    return names;
}

TEST(DesignRegistry, FilledFromTheUnitsTablesOnce) {
    TDesignRegistry registry;
    registry.Register(NyxDesignRegistrations());
    registry.Register(NyxDesignRegistrations());  // a second Register call adds nothing

    ASSERT_EQ(registry.Pages().size(), 1u);
    EXPECT_EQ(registry.Pages()[0].Name, "OpenGL");
    EXPECT_EQ(Names(registry.Pages()[0].Classes),
              (std::vector<std::string>{"TNyxPanel", "TNyxScene", "TNyxMaterialLibrary",
                                        "TDXFConverter"}));
    EXPECT_EQ(registry.FindPage("opengl"), &registry.Pages()[0]);
    EXPECT_EQ(registry.FindPage("Standard"), nullptr);

    const std::vector<std::string> noIcon = Names(registry.NoIconClasses());
    EXPECT_EQ(noIcon.size(), 22u);
    for (const char* name : {"TNyxBox", "TNyxLabel", "TNyxHeightField", "TNyxActor", "TNyxCamera",
                             "TNyxProxy", "TNyxLight"})
        EXPECT_NE(std::find(noIcon.begin(), noIcon.end(), name), noIcon.end()) << name;
    EXPECT_TRUE(registry.IsRegistered(TNyxSphere::StaticClass()));
    EXPECT_TRUE(registry.IsRegistered(TDXFConverter::StaticClass()));
    EXPECT_FALSE(registry.IsRegistered(TNyxObject::StaticClass()));
    EXPECT_EQ(registry.FindClass("tnyxcamera"), &TNyxCamera::StaticClass());

    // The tables name editors this registry has no factories for yet.
    std::vector<std::string> missing = registry.MissingEditors();
    std::sort(missing.begin(), missing.end());
    EXPECT_EQ(missing, (std::vector<std::string>{"TDXFFilenameProperty", "TNyxObjectEditor",
                                                 "TNyxVertex3Property"}));
}

// Editors that say which binding chose them.
struct TMarkedProperty : TStringProperty {
    TMarkedProperty(TPersistent* i, const TPropInfo& p, IDesigner* d, const TDesignRegistry* r,
                    std::string mark)
        : TStringProperty(i, p, d, r), Mark(std::move(mark)) {}
    std::string GetValue() const override { return Mark; }
    std::string Mark;
};

void RegisterMarked(TDesignRegistry& Registry, const std::string& Editor) {
    Registry.RegisterPropertyEditorClass(
        Editor,
        [Editor](TPersistent* i, const TPropInfo& p, IDesigner* d,
                 const TDesignRegistry* r) -> std::unique_ptr<TPropertyEditor> {
            return std::make_unique<TMarkedProperty>(i, p, d, r, Editor);
        });
}

std::string EditorMark(const TDesignRegistry& Registry, TPersistent& Instance,
                       const std::string& Property) {
    auto editor =
        Registry.CreatePropertyEditor(&Instance, GetPropInfo(Instance, Property), nullptr);
    if (!editor)
        return "none";
    if (auto* marked = dynamic_cast<TMarkedProperty*>(editor.get()))
        return marked->Mark;
    return "kind";
}

TEST(DesignRegistry, PropertyEditorsByNameAndClassBeforeTypeBeforeKind) {
    TComponent form(nullptr);
    auto* point = new TNyxPoint(&form);
    auto* sphere = new TNyxSphere(&form);
    auto* converter = new TDXFConverter(&form);
    auto* camera = new TNyxCamera(&form);

    TDesignRegistry registry;
    registry.Register(NyxDesignRegistrations());
    // Bound but without factories: the kinds' editors.
    EXPECT_EQ(EditorMark(registry, *point, "P"), "kind");
    EXPECT_EQ(EditorMark(registry, *converter, "FileName"), "kind");

    RegisterMarked(registry, "TNyxVertex3Property");
    RegisterMarked(registry, "TDXFFilenameProperty");
    RegisterMarked(registry, "ByType");
    RegisterMarked(registry, "ByClass");
    RegisterMarked(registry, "ByName");
    registry.RegisterPropertyEditor({"Integer", nullptr, "", "ByType"});
    registry.RegisterPropertyEditor({"Integer", &TNyxSphere::StaticClass(), "", "ByClass"});
    registry.RegisterPropertyEditor({"Integer", nullptr, "Stacks", "ByName"});
    registry.RegisterPropertyEditor({"Integer", nullptr, "Unbuilt", "Nowhere"});

    struct TCase {
        TPersistent* Instance;
        const char* Property;
        const char* Editor;
    };
    for (const TCase& c : {
             TCase{point, "P", "TNyxVertex3Property"},  // type and name from the tables
             TCase{camera, "Up", "kind"},               // a vertex not named P
             TCase{converter, "FileName", "TDXFFilenameProperty"},
             TCase{sphere, "Stacks", "ByName"},  // name beats class beats type
             TCase{sphere, "Slices", "ByClass"},
             TCase{point, "MaterialIndex", "ByType"},
             TCase{sphere, "Color", "kind"},  // a colour is not an Integer
             TCase{sphere, "Name", "kind"},
         }) {
        SCOPED_TRACE(std::string(c.Property));
        EXPECT_EQ(EditorMark(registry, *c.Instance, c.Property), c.Editor);
    }

    // The later of two equal bindings wins.
    RegisterMarked(registry, "Later");
    registry.RegisterPropertyEditor({"Integer", nullptr, "Stacks", "Later"});
    EXPECT_EQ(EditorMark(registry, *sphere, "Stacks"), "Later");
    // A binding of a class property's ancestor class fits it too.
    registry.RegisterPropertyEditor({"TPersistent", &TNyxSphere::StaticClass(), "", "ByClass"});
    EXPECT_EQ(EditorMark(registry, *sphere, "XForm"), "ByClass");
}

struct TTwoVerbs : TComponentEditor {
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() const override { return 2; }
    std::string GetVerb(int Index) const override {
        return Index == 0 ? "Edit items..." : Index == 1 ? "Reset" : "";
    }
    void ExecuteVerb(int Index) override { Executed.push_back(Index); }
    std::vector<int> Executed;
};

TEST(DesignRegistry, ComponentEditorVerbs) {
    TTestDesigner designer;
    auto* scene = new TNyxScene(&designer.Root);
    auto* panel = new TNyxPanel(&designer.Root);
    TDesignRegistry registry;
    registry.Register(NyxDesignRegistrations());
    // No factory for the scene's editor yet: the default editor, without verbs.
    EXPECT_EQ(registry.CreateComponentEditor(scene, &designer)->GetVerbCount(), 0);

    registry.RegisterComponentEditorClass<TTwoVerbs>("TNyxObjectEditor");
    auto editor = registry.CreateComponentEditor(scene, &designer);
    auto* verbs = dynamic_cast<TTwoVerbs*>(editor.get());
    ASSERT_NE(verbs, nullptr);
    EXPECT_EQ(editor->GetComponent(), scene);
    EXPECT_EQ(editor->GetDesigner(), &designer);
    std::vector<std::string> listed;
    for (int i = 0; i < editor->GetVerbCount(); ++i)
        listed.push_back(editor->GetVerb(i));
    EXPECT_EQ(listed, (std::vector<std::string>{"Edit items...", "Reset"}));
    editor->Edit();  // a double-click runs the first verb
    EXPECT_EQ(verbs->Executed, std::vector<int>{0});

    auto plain = registry.CreateComponentEditor(panel, &designer);
    EXPECT_EQ(typeid(*plain), typeid(TComponentEditor));
    EXPECT_EQ(plain->GetVerb(0), "");
    plain->Edit();  // no verbs: nothing
}

TEST(DesignRegistry, ComponentEditorOfTheNearestBoundAncestor) {
    TComponent form(nullptr);
    auto* sphere = new TNyxSphere(&form);
    TDesignRegistry registry;
    const TDesignRegistration classless{.Unit = "Classless",
                                        .ComponentEditors = {{nullptr, "Objects"}}};
    registry.Register(classless);  // binds nothing
    registry.RegisterComponentEditorClass<TTwoVerbs>("Objects");
    registry.RegisterComponentEditor(TNyxObject::StaticClass(), "Objects");
    registry.RegisterComponentEditor(TNyxSphere::StaticClass(), "Unbuilt");
    EXPECT_NE(dynamic_cast<TTwoVerbs*>(registry.CreateComponentEditor(sphere, nullptr).get()),
              nullptr);
}

TEST(DesignComponents, NamedUniquelyAndDesigned) {
    TTestDesigner designer;
    designer.Root.SetName("Form1");
    auto* taken = new TComponent(&designer.Root);
    taken->SetName("NyxSphere2");

    TComponent* first = designer.CreateComponent(&TNyxSphere::StaticClass(), nullptr, 10, 20, 0, 0);
    TComponent* second = designer.CreateComponent(&TNyxSphere::StaticClass(), nullptr, -5, 7, 0, 0);
    EXPECT_EQ(first->Name(), "NyxSphere1");
    EXPECT_EQ(second->Name(), "NyxSphere3");  // 2 is taken
    EXPECT_EQ(first->Owner(), &designer.Root);
    EXPECT_TRUE(first->ComponentState().Contains(csDesigning));
    EXPECT_TRUE(dynamic_cast<TNyxObject*>(first)->XForm() != nullptr);
    EXPECT_EQ(DesignInfoLeft(second->DesignInfo()), -5);
    EXPECT_EQ(DesignInfoTop(second->DesignInfo()), 7);
    EXPECT_EQ(UniqueComponentName(designer.Root, TNyxPanel::StaticClass()), "NyxPanel1");

    // A control is placed by its bounds; a size of 0 keeps its own.
    auto* panel = dynamic_cast<TNyxPanel*>(
        designer.CreateComponent(&TNyxPanel::StaticClass(), nullptr, 30, 40, 200, 0));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Left(), 30);
    EXPECT_EQ(panel->Top(), 40);
    EXPECT_EQ(panel->Width(), 200);
    EXPECT_EQ(panel->Height(), TNyxPanel(nullptr).Height());
    EXPECT_EQ(panel->DesignInfo(), 0);

    // The form's own name is not given out either.
    designer.Root.SetName("NyxCamera1");
    EXPECT_EQ(UniqueComponentName(designer.Root, TNyxCamera::StaticClass()), "NyxCamera2");

    // A class that cannot be created raises and leaves nothing on the form.
    const int count = designer.Root.ComponentCount();
    EXPECT_THROW(designer.CreateComponent(&TPersistent::StaticClass(), nullptr, 0, 0, 0, 0),
                 EClassNotFound);
    EXPECT_EQ(designer.Root.ComponentCount(), count);
}

// Objects the designer makes, or that a stream brings onto a designed form, are in the
// design state, where user-drawn objects leave their callbacks alone.
TEST(DesignComponents, InTheDesignStateUserCallbacksStayQuiet) {
    struct TExtents {
        int Calls = 0;
        void Grow(TNyxObject*, TGLArrayd3&, TGLArrayd3& Max) {
            ++Calls;
            Max = {5, 5, 5};
        }
    } extents;
    auto quiet = [&](TComponent* c) {
        auto* user = dynamic_cast<TNyxUser*>(c);
        EXPECT_NE(user, nullptr);
        if (!user)
            return;
        EXPECT_TRUE(user->ComponentState().Contains(csDesigning));
        user->SetOnGetExtents(TNyxUserGetExtents::Bind<&TExtents::Grow>(&extents));
        TGLArrayd3 min{}, max{};
        user->GetSize(min, max);
        EXPECT_EQ(max, (TGLArrayd3{0.5, 0.5, 0.5}));
    };

    TTestDesigner designer;
    auto* scene = dynamic_cast<TNyxScene*>(
        designer.CreateComponent(&TNyxScene::StaticClass(), nullptr, 0, 0, 0, 0));
    TComponent* user = designer.CreateComponent(&TNyxUser::StaticClass(), nullptr, 0, 0, 0, 0);
    quiet(user);
    user->SetParentComponent(scene);

    TMemoryStream stream;
    stream.WriteComponent(scene);
    stream.SetPosition(0);
    TTestDesigner reopened;
    auto* copy = new TNyxScene(&reopened.Root);
    stream.ReadComponent(copy);
    ASSERT_EQ(copy->GetItemsCount(), 1);
    quiet(copy->GetItem(0));
    EXPECT_EQ(extents.Calls, 0);
}

}  // namespace
}  // namespace nyx::test
