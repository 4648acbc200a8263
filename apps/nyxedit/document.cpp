#include "document.h"

#include "form.h"

#include "design/registry.h"
#include "rtl/controls.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/scene.h"

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

void ReadForm(TForm& Root, const std::string& FileName) {
    TMemoryStream binary;
    {
        TFileStream file(FileName, fmOpenRead);
        if (IsObjectBinary(file))
            binary.CopyFrom(file, 0);
        else
            ObjectTextToBinary(file, binary);
    }
    binary.SetPosition(0);
    {
        // Everything is checked before anything is created.
        TReader check(binary, BufferSize);
        check.CheckRootComponent();
    }
    binary.SetPosition(0);
    TReader reader(binary, BufferSize);
    reader.ReadRootComponent(&Root);
}

void WriteForm(TForm& Root, const std::string& FileName, TSceneFileForm Form) {
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
    if (FListener)
        FListener->StateChanged();
}

TComponent* TFormDocument::GetRoot() const { return FRoot.get(); }

void TFormDocument::DeleteComponent(TComponent* Component) {
    if (!Component || Component->Owner() != FRoot.get())
        return;
    delete Component;
    Modified();
}

void TFormDocument::New() {
    auto root = std::make_unique<TForm>(nullptr);
    root->SetDesigning(true);
    root->SetName("Form1");
    Replace(std::move(root));
    SetFile(std::string(), TSceneFileForm::Text);
}

void TFormDocument::Open(const std::string& FileName) {
    // Read into a new root, so that a failure costs nothing of the form shown.
    auto root = std::make_unique<TForm>(nullptr);
    root->SetDesigning(true);
    TSceneFileForm form = TSceneFileForm::Text;
    try {
        form = FormOfContents(FileName);
        ReadForm(*root, FileName);
    } catch (const Exception& e) {
        FileError(FileName, e);
    }
    Replace(std::move(root));
    SetFile(FileName, form);
}

void TFormDocument::Save() {
    if (FFileName.empty())
        throw EInvalidOperation("TFormDocument.Save: the form has no file yet; use SaveAs "
                                "with a file name");
    SaveAs(FFileName, FFileForm);
}

void TFormDocument::SaveAs(const std::string& FileName, TSceneFileForm Form) {
    try {
        WriteForm(*FRoot, FileName, Form);
    } catch (const Exception& e) {
        FileError(FileName, e);
    }
    SetFile(FileName, Form);
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

void TFormDocument::SetFile(const std::string& FileName, TSceneFileForm Form) {
    FFileName = FileName;
    FFileForm = Form;
    FModified = false;
    if (FListener)
        FListener->StateChanged();
}

}  // namespace nyx
