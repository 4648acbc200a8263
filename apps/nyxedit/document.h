#pragma once
// TFormDocument: the form being designed, as the designer the editors talk to. It holds
// the form's root, the selection and whether the form differs from its file, creates the
// components the palette asks for, and opens and saves the whole form in either stream
// form. It knows no widgets: the window hears of everything through TFormListener.

#include "design/designintf.h"
#include "scenefile.h"

#include <memory>
#include <string>

namespace nyx {

class TDesignRegistry;
class TForm;

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
};

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

    const TDesignRegistry& Registry() const { return FRegistry; }
    void SetListener(TFormListener* Listener) { FListener = Listener; }

    // Frees Component (a component of the form) and marks the form modified.
    void DeleteComponent(TComponent* Component);

    // --- Files ---
    bool IsModified() const { return FModified; }
    // The file the form was opened from or saved to; empty for a new form.
    const std::string& FileName() const { return FFileName; }
    TSceneFileForm FileForm() const { return FFileForm; }

    // An empty form, not modified, without a file.
    void New();
    // Reads a form file of either form. A file that cannot be read leaves the form shown
    // as it was; the error names the file and the reason.
    void Open(const std::string& FileName);
    // Writes the whole form to its file in the form it was read or last saved in. The
    // file is replaced only when all was written.
    void Save();
    // The same to another file, which the form takes as its own.
    void SaveAs(const std::string& FileName, TSceneFileForm Form);

private:
    void Replace(std::unique_ptr<TForm> Root);
    void Removed(TComponent* Component);
    // The form is now the same as File, in Form.
    void SetFile(const std::string& FileName, TSceneFileForm Form);

    const TDesignRegistry& FRegistry;
    TFormListener* FListener = nullptr;
    std::unique_ptr<TForm> FRoot;
    TPersistent* FSelection = nullptr;
    bool FModified = false;
    std::string FFileName;
    TSceneFileForm FFileForm = TSceneFileForm::Text;
};

}  // namespace nyx
