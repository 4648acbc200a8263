#pragma once
// TFormDocument: the form being designed, as the designer the editors talk to. It holds
// the form's root, the selection and whether the form differs from its file, creates the
// components the palette asks for, and opens and saves the whole form in either stream
// form. A scene file or a drawing opens as a new form that holds the scene and a panel
// looking at it, and is saved back as the scene alone. Snapshots of the whole form serve
// the undo history; components go to and come from the clipboard as stream text. It
// knows no widgets: the window hears of everything through TFormListener.

#include "design/designintf.h"
#include "scenefile.h"

#include <memory>
#include <string>
#include <vector>

namespace nyx {

class TDesignRegistry;
class TForm;
class TNyxScene;
class TReader;

class TFormListener {
public:
    virtual ~TFormListener() = default;
    // A new, opened or emptied form replaces the whole one shown.
    virtual void FormReplaced() {}
    // The designer created a component on the form.
    virtual void ComponentAdded(TComponent*) {}
    // A component owned by the form is going away (its memory is still there).
    virtual void ComponentRemoved(TComponent*) {}
    virtual void SelectionChanged() {}
    // The form became different from its file, or the same again, or got another name.
    virtual void StateChanged() {}
    // The user changes the form: named before the change (Caption, by NameChange) or
    // reported after it (empty Caption, by Modified), or both.
    virtual void ChangeMade(const std::string& /*Caption*/) {}
};

// What the document's file holds: the whole form, or one scene alone (a scene file or a
// drawing that was opened, or saved with SaveSceneAs).
enum class TFileKind { Form, Scene };

class TFormDocument : public IDesigner {
public:
    // The classes the registry names are registered for streaming, so that forms holding
    // them can be read. Registry outlives the document.
    explicit TFormDocument(const TDesignRegistry& Registry);
    ~TFormDocument() override;

    // --- The designer ---
    // Controls (panels) get the bounds given, or 200 x 150 when none is given; other
    // components are shown as icons at Left, Top. Scenes cache their geometry.
    TComponent* CreateComponent(const TMetaClass* ComponentClass, TComponent* Parent, int Left,
                                int Top, int Width, int Height) override;
    void SelectComponent(TPersistent* Instance) override;
    void ClearSelection() override;
    TPersistent* GetSelection() const override { return FSelection; }
    void Modified() override;
    TComponent* GetRoot() const override;
    // Tells the listener that a change so named is being made (ChangeMade).
    void NameChange(const std::string& Caption) override;

    const TDesignRegistry& Registry() const { return FRegistry; }
    void SetListener(TFormListener* Listener) { FListener = Listener; }

    // Frees Component (a component of the form) and marks the form modified.
    void DeleteComponent(TComponent* Component);
    // The scene of the selection (the selected scene, the scene of a selected object or
    // of a selected panel's camera), else the form's first scene; none without scenes.
    TNyxScene* CurrentScene() const;

    // --- Undo history and clipboard ---
    // The whole form as a binary stream.
    std::string Snapshot() const;
    // Replaces the form with a snapshot; the selection stays on the component at the
    // same place in the stream. File, name and modified state are the caller's.
    void Restore(const std::string& Snapshot);
    // Every component of the form of Root in the order its stream holds them: the form's
    // own top-level components, each followed by its subtree.
    static std::vector<TComponent*> StreamOrder(const TComponent& Root);
    // Component with its subtree in the stream's text form.
    static std::string ComponentText(TComponent& Component);
    // Creates the component that Text holds (ComponentText's form), with its subtree, on
    // the form: names taken on the form are replaced by new ones, a scene object goes
    // next to the selected object (or into the selected or current scene), one shown on the
    // form lands a little below and right of where it was. References to components
    // that are not on the form are dropped. Selects and returns it; raises the
    // library's errors naming what is wrong, and then nothing is added.
    TComponent* Paste(const std::string& Text);

    // --- Files ---
    bool IsModified() const { return FModified; }
    // The file the form was opened from or saved to; empty for a new form.
    const std::string& FileName() const { return FFileName; }
    TSceneFileForm FileForm() const { return FFileForm; }
    TFileKind FileKind() const { return FFileKind; }
    void SetModified(bool Value);

    // An empty form, not modified, without a file.
    void New();
    // Reads a form file of either form; a scene file or a drawing becomes a new form with
    // the scene (every object of it owned by the form, names made unique, a camera that
    // frames it and a light when it has none, as nyxview shows it) and a panel looking
    // through its first camera. A file that cannot be read leaves the form shown as it
    // was; the error names the file and the reason.
    void Open(const std::string& FileName);
    // Writes the form, or the scene alone, to its file in the form it was read or last
    // saved in. The file is replaced only when all was written.
    void Save();
    // The whole form to another file, which the form takes as its own.
    void SaveAs(const std::string& FileName, TSceneFileForm Form);
    // Scene alone, with its subtree, to FileName in Form (a drawing too); the document
    // takes the file as its own, and Save writes that scene there again.
    void SaveSceneAs(TNyxScene& Scene, const std::string& FileName, TSceneFileForm Form);

private:
    void Replace(std::unique_ptr<TForm> Root);
    void Removed(TComponent* Component);
    // The form is now the same as File, in Form.
    void SetFile(const std::string& FileName, TSceneFileForm Form, TFileKind Kind);
    void IgnoreMissingReference(TReader* Reader, const std::string& Message, bool& Handled);

    const TDesignRegistry& FRegistry;
    TFormListener* FListener = nullptr;
    std::unique_ptr<TForm> FRoot;
    TPersistent* FSelection = nullptr;
    bool FModified = false;
    std::string FFileName;
    TSceneFileForm FFileForm = TSceneFileForm::Text;
    TFileKind FFileKind = TFileKind::Form;
};

}  // namespace nyx
