#include "document.h"

#include "form.h"

#include "fileview.h"

#include "design/registry.h"
#include "rtl/controls.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <algorithm>

namespace nyx {

namespace {

constexpr int BufferSize = 4096;
constexpr int DefaultPanelWidth = 200;
constexpr int DefaultPanelHeight = 150;

// A failure while reading or writing File, with File named in front unless the message
// names it already.
[[noreturn]] void FileError(const std::string& File, const Exception& E) {
    if (E.Message().find(File) != std::string::npos)
        throw Exception(E.Message());
    throw Exception(File + ": " + E.Message());
}

std::string Contents(TMemoryStream& Stream) {
    return {reinterpret_cast<const char*>(Stream.Memory()), std::size_t(Stream.Size())};
}

// The file's stream in binary form.
void ReadBinary(const std::string& FileName, TMemoryStream& Binary) {
    TFileStream file(FileName, fmOpenRead);
    if (IsObjectBinary(file))
        Binary.CopyFrom(file, 0);
    else
        ObjectTextToBinary(file, Binary);
    Binary.SetPosition(0);
}

// The class and name of the stream's root object; the stream is left where it was.
struct TRootHead {
    std::string ClassName, Name;
};
TRootHead ReadRootHead(TMemoryStream& Binary) {
    TRootHead head;
    {
        TReader reader(Binary, BufferSize);
        reader.ReadSignature();
        head.ClassName = reader.ReadStr();
        head.Name = reader.ReadStr();
    }
    Binary.SetPosition(0);
    return head;
}

void ReadForm(TForm& Root, TMemoryStream& Binary) {
    {
        // Everything is checked before anything is created.
        TReader check(Binary, BufferSize);
        check.CheckRootComponent();
    }
    Binary.SetPosition(0);
    TReader reader(Binary, BufferSize);
    reader.ReadRootComponent(&Root);
}

// The objects below Object, parents before their children, in child order.
void AppendSubtree(const TNyxObject& Object, std::vector<TComponent*>& Order) {
    for (TNyxObject* child : Object.Items()) {
        Order.push_back(child);
        AppendSubtree(*child, Order);
    }
}

// Whether Name is free on the form of Root (a component of its own aside).
bool NameTaken(const TComponent& Root, const std::string& Name) {
    return !Name.empty() && (SameText(Name, Root.Name()) || Root.FindComponent(Name));
}

// Makes Root the owner of Component, which another owner (or none) had; a name taken on
// the form is replaced by a new one.
void Adopt(TComponent& Root, TComponent* Component) {
    if (TComponent* owner = Component->Owner())
        owner->RemoveComponent(Component);
    if (NameTaken(Root, Component->Name()))
        Component->SetName(UniqueComponentName(Root, Component->ClassType()));
    Root.InsertComponent(Component);
}

// A scene file or a drawing on the form of Root: the scene with every object owned by
// the form, and a panel looking through the scene's first camera (or a framing one).
void PlaceScene(TForm& Root, const std::string& FileName, const std::string& SceneName) {
    constexpr int PanelWidth = 480, PanelHeight = 360;
    const TFileScene view = LoadFileScene(&Root, FileName, double(PanelWidth) / PanelHeight);
    std::vector<TNyxObject*> objects{view.Scene};
    view.Scene->ListChildren(objects);
    for (TNyxObject* object : objects)
        Adopt(Root, object);
    if (IsValidIdent(SceneName) && !NameTaken(Root, SceneName))
        view.Scene->SetName(SceneName);
    // Referred to by name in the form's stream, so named.
    for (TComponent* c :
         {static_cast<TComponent*>(view.Scene), static_cast<TComponent*>(view.Camera)})
        if (c->Name().empty())
            c->SetName(UniqueComponentName(Root, c->ClassType()));
    view.Scene->SetDesignInfo(MakeDesignInfo(16, 16));
    view.Scene->SetCacheGeometry(true);
    auto* panel = static_cast<TNyxPanel*>(
        CreateDesignComponent(Root, TNyxPanel::StaticClass(), 104, 16, PanelWidth, PanelHeight));
    panel->PanelControl()->SetMouseLeft(mmOrbit);
    panel->PanelControl()->SetMouseRight(mmTruck);
    panel->PanelControl()->SetMouseWheel(mmDolly);
    panel->SetCamera(view.Camera);
}

void WriteForm(TForm& Root, const std::string& FileName, TSceneFileForm Form) {
    if (Form == TSceneFileForm::Dxf)
        throw EInvalidOperation("a form is written in text (.nyxt) or binary (.nyx) form; "
                                "a drawing (.dxf) holds a scene alone");
    TMemoryStream binary;
    binary.WriteComponent(&Root);
    binary.SetPosition(0);
    TReplacingFileStream file(FileName);
    if (Form == TSceneFileForm::Text)
        ObjectBinaryToText(binary, file);
    else
        file.CopyFrom(binary, 0);
    file.Commit();
}

}  // namespace

TFormDocument::TFormDocument(const TDesignRegistry& Registry) : FRegistry(Registry) {
    for (const auto& page : FRegistry.Pages())
        RegisterClasses(page.Classes);
    RegisterClasses(FRegistry.NoIconClasses());
    New();
}

TFormDocument::~TFormDocument() {
    FListener = nullptr;
    FRoot.reset();
}

TComponent* TFormDocument::CreateComponent(const TMetaClass* ComponentClass, TComponent*, int Left,
                                           int Top, int Width, int Height) {
    if (!ComponentClass)
        throw EComponentError("TFormDocument.CreateComponent: no class given; name the class "
                              "of the component to create");
    // A control's own size is none at all: it gets a size that shows something.
    const bool control = ComponentClass->InheritsFrom(TCustomControl::StaticClass());
    TComponent* component = CreateDesignComponent(
        *FRoot, *ComponentClass, Left, Top, Width > 0 || !control ? Width : DefaultPanelWidth,
        Height > 0 || !control ? Height : DefaultPanelHeight);
    // The live views of a design redraw on every change of a property; a scene's objects
    // change only now and then.
    if (auto* scene = dynamic_cast<TNyxScene*>(component))
        scene->SetCacheGeometry(true);
    if (FListener)
        FListener->ComponentAdded(component);
    Modified();
    return component;
}

void TFormDocument::SelectComponent(TPersistent* Instance) {
    if (Instance == FSelection)
        return;
    FSelection = Instance;
    if (FListener)
        FListener->SelectionChanged();
}

void TFormDocument::ClearSelection() { SelectComponent(nullptr); }

void TFormDocument::Modified() {
    // Told even when the form was modified already: a name shown may have changed.
    FModified = true;
    if (FListener) {
        FListener->StateChanged();
        FListener->ChangeMade(std::string());
    }
}

void TFormDocument::SetModified(bool Value) {
    if (Value == FModified)
        return;
    FModified = Value;
    if (FListener)
        FListener->StateChanged();
}

TComponent* TFormDocument::GetRoot() const { return FRoot.get(); }

void TFormDocument::NameChange(const std::string& Caption) {
    // Told at once: a change the editors make without reporting it (a reorder in the
    // scene tree editor) is still one to record and to save.
    if (FListener)
        FListener->ChangeMade(Caption);
}

void TFormDocument::DeleteComponent(TComponent* Component) {
    if (!Component || Component->Owner() != FRoot.get())
        return;
    NameChange("Delete " +
               (Component->Name().empty() ? Component->ClassName() : Component->Name()));
    TNyxScene* scene = nullptr;
    if (auto* object = dynamic_cast<TNyxObject*>(Component); object && !object->AsScene())
        scene = object->Scene();
    delete Component;
    if (scene)
        scene->Invalidate(scene);
    Modified();
}

TNyxScene* TFormDocument::CurrentScene() const {
    if (auto* object = dynamic_cast<TNyxObject*>(FSelection))
        if (TNyxScene* scene = object->AsScene() ? object->AsScene() : object->Scene())
            return scene;
    if (auto* panel = dynamic_cast<TNyxPanel*>(FSelection))
        if (panel->Camera() && panel->Camera()->Scene())
            return panel->Camera()->Scene();
    for (int i = 0; i < FRoot->ComponentCount(); ++i)
        if (auto* scene = dynamic_cast<TNyxScene*>(FRoot->Components(i)))
            return scene;
    return nullptr;
}

void TFormDocument::New() {
    auto root = std::make_unique<TForm>(nullptr);
    root->SetDesigning(true);
    root->SetName("Form1");
    Replace(std::move(root));
    SetFile(std::string(), TSceneFileForm::Text, TFileKind::Form);
}

void TFormDocument::Open(const std::string& FileName) {
    // Read into a new root, so that a failure costs nothing of the form shown.
    auto root = std::make_unique<TForm>(nullptr);
    root->SetDesigning(true);
    TSceneFileForm form = TSceneFileForm::Text;
    TFileKind kind = TFileKind::Form;
    try {
        form = FormOfContents(FileName);
        TMemoryStream binary;
        TRootHead head;
        if (form != TSceneFileForm::Dxf) {
            ReadBinary(FileName, binary);
            head = ReadRootHead(binary);
        }
        if (head.ClassName == TForm::StaticClass().Name()) {
            ReadForm(*root, binary);
        } else {
            root->SetName("Form1");
            PlaceScene(*root, FileName, head.Name);
            kind = TFileKind::Scene;
        }
    } catch (const Exception& e) {
        FileError(FileName, e);
    }
    Replace(std::move(root));
    SetFile(FileName, form, kind);
}

void TFormDocument::Save() {
    if (FFileName.empty())
        throw EInvalidOperation("TFormDocument.Save: the form has no file yet; use SaveAs "
                                "with a file name");
    if (FFileKind == TFileKind::Form) {
        SaveAs(FFileName, FFileForm);
        return;
    }
    TNyxScene* scene = CurrentScene();
    if (!scene)
        throw EInvalidOperation("TFormDocument.Save: " + FFileName +
                                " holds a scene alone, and the form has no scene any more; "
                                "use SaveAs to write the form");
    SaveSceneAs(*scene, FFileName, FFileForm);
}

void TFormDocument::SaveAs(const std::string& FileName, TSceneFileForm Form) {
    try {
        WriteForm(*FRoot, FileName, Form);
    } catch (const Exception& e) {
        FileError(FileName, e);
    }
    SetFile(FileName, Form, TFileKind::Form);
}

void TFormDocument::SaveSceneAs(TNyxScene& Scene, const std::string& FileName,
                                TSceneFileForm Form) {
    try {
        SaveSceneFile(Scene, FileName, Form);
    } catch (const Exception& e) {
        FileError(FileName, e);
    }
    SetFile(FileName, Form, TFileKind::Scene);
}

// --- Undo history and clipboard ---------------------------------------------------------

std::string TFormDocument::Snapshot() const {
    TMemoryStream binary;
    binary.WriteComponent(FRoot.get());
    return Contents(binary);
}

void TFormDocument::Restore(const std::string& Snapshot) {
    const std::vector<TComponent*> before = StreamOrder(*FRoot);
    const auto selected = std::find(before.begin(), before.end(), FSelection) - before.begin();
    auto root = std::make_unique<TForm>(nullptr);
    root->SetDesigning(true);
    TMemoryStream binary;
    binary.WriteBuffer(Snapshot.data(), std::int64_t(Snapshot.size()));
    binary.SetPosition(0);
    {
        TReader reader(binary, BufferSize);
        reader.ReadRootComponent(root.get());
    }
    Replace(std::move(root));
    const std::vector<TComponent*> after = StreamOrder(*FRoot);
    if (std::size_t(selected) < after.size())
        SelectComponent(after[std::size_t(selected)]);
}

std::vector<TComponent*> TFormDocument::StreamOrder(const TComponent& Root) {
    std::vector<TComponent*> order;
    for (int i = 0; i < Root.ComponentCount(); ++i) {
        TComponent* c = Root.Components(i);
        if (c->HasParent())
            continue;
        order.push_back(c);
        if (auto* object = dynamic_cast<TNyxObject*>(c))
            AppendSubtree(*object, order);
    }
    return order;
}

std::string TFormDocument::ComponentText(TComponent& Component) {
    TMemoryStream binary, text;
    binary.WriteComponent(&Component);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    return Contents(text);
}

void TFormDocument::IgnoreMissingReference(TReader*, const std::string& Message, bool& Handled) {
    Handled = Message.find(": no component named ") != std::string::npos;
}

TComponent* TFormDocument::Paste(const std::string& Text) {
    TMemoryStream text, binary;
    text.WriteBuffer(Text.data(), std::int64_t(Text.size()));
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    binary.SetPosition(0);
    const std::string className = ReadRootHead(binary).ClassName;
    const TMetaClass* cls = GetClass(className);
    if (!cls || !FRegistry.IsRegistered(*cls))
        throw EClassNotFound("TFormDocument.Paste: " + className +
                             " is not a component the designer places; copy a component or "
                             "a scene object");
    TNyxObject* parent = nullptr;
    if (cls->InheritsFrom(TNyxObject::StaticClass()) &&
        !cls->InheritsFrom(TNyxScene::StaticClass())) {
        // Next to the selected object, or into the selected (or current) scene.
        parent = dynamic_cast<TNyxObject*>(FSelection);
        if (parent && !parent->AsScene())
            parent = parent->Parent();
        if (!parent)
            parent = CurrentScene();
        if (!parent)
            throw EComponentError("TFormDocument.Paste: a " + className +
                                  " goes into a scene; place a scene first");
    }
    // Read aside first, so that a failure leaves the form as it was and names are
    // compared with the form's only once everything is there.
    TForm aside(nullptr);
    aside.SetDesigning(true);
    std::unique_ptr<TComponent> pasted(cls->NewComponent(&aside));
    {
        TReader reader(binary, BufferSize);
        reader.SetOwner(&aside);
        reader.SetOnError(TReaderError::Bind<&TFormDocument::IgnoreMissingReference>(this));
        reader.ReadRootComponent(pasted.get());
    }
    std::vector<TComponent*> components;
    for (int i = 0; i < aside.ComponentCount(); ++i)
        components.push_back(aside.Components(i));
    for (TComponent* c : components)
        Adopt(*FRoot, c);
    TComponent* root = pasted.release();
    constexpr int Offset = 16;
    if (auto* control = dynamic_cast<TCustomControl*>(root)) {
        control->SetBounds(control->Left() + Offset, control->Top() + Offset, control->Width(),
                           control->Height());
    } else if (parent) {
        static_cast<TNyxObject*>(root)->SetParentComponent(parent);
    } else {
        const std::int32_t info = root->DesignInfo();
        root->SetDesignInfo(
            MakeDesignInfo(DesignInfoLeft(info) + Offset, DesignInfoTop(info) + Offset));
    }
    if (FListener)
        for (TComponent* c : components)
            FListener->ComponentAdded(c);
    Modified();
    SelectComponent(root);
    return root;
}

void TFormDocument::Replace(std::unique_ptr<TForm> Root) {
    FSelection = nullptr;
    // The views of the old form go while its components still exist.
    std::unique_ptr<TForm> old = std::move(FRoot);
    if (old)
        old->OnRemove = nullptr;
    FRoot = std::move(Root);
    FRoot->OnRemove = [this](TComponent* c) { Removed(c); };
    if (FListener) {
        FListener->FormReplaced();
        FListener->SelectionChanged();
    }
}

void TFormDocument::Removed(TComponent* Component) {
    if (FSelection == Component)
        ClearSelection();
    if (FListener)
        FListener->ComponentRemoved(Component);
}

void TFormDocument::SetFile(const std::string& FileName, TSceneFileForm Form, TFileKind Kind) {
    FFileName = FileName;
    FFileForm = Form;
    FFileKind = Kind;
    FModified = false;
    if (FListener)
        FListener->StateChanged();
}

}  // namespace nyx
