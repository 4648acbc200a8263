#pragma once
// nyxedit's main window: the palette pages at the top, the form in the middle, the object
// properties view, the time line of the selected scene and the undo history in docks,
// and the File, Edit and View menus. Messages and questions go through the current
// host's message boxes.

#include "document.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QTabWidget;
class QToolButton;

namespace nyx {

class TDesignRegistry;
class TFormHistory;
class TFormView;
class TNyxScene;
class TNyxTimeLine;
class TPropertiesView;

class TEditorWindow : public QMainWindow, private TFormListener {
public:
    // Registry outlives the window.
    explicit TEditorWindow(const TDesignRegistry& Registry, QWidget* Parent = nullptr);
    ~TEditorWindow() override;

    TFormDocument& Document() { return FDocument; }
    TFormView& FormView() const { return *FFormView; }
    TPropertiesView& PropertiesView() const { return *FPropertiesView; }
    TNyxTimeLine& TimeLine() const { return *FTimeLine; }
    TFormHistory& History() const { return *FHistory; }
    QTabWidget& Palette() const { return *FPalette; }
    // The palette's button of a class ("TNyxScene"), or none.
    QToolButton* PaletteButton(const std::string& ClassName) const;

    // The commands of the File menu. Each answers whether it was carried out: a question
    // answered with Cancel, a file dialog closed, or an error reported to the user make
    // it false.
    bool NewForm();
    bool OpenForm();
    bool OpenForm(const std::string& FileName);
    bool SaveForm();
    bool SaveFormAs();
    // The current scene alone (TFormDocument::CurrentScene), as a scene file or a
    // drawing chosen by the name's extension; the form then saves it there.
    bool SaveSceneAs();
    // Asks whether to save a modified form before it is dropped: true when it may go.
    bool ConfirmDiscard();

    // The commands of the Edit menu, on the selected component or scene object. Each
    // answers whether it was carried out; errors are reported to the user.
    bool Undo();
    bool Redo();
    bool CopySelection();
    bool CutSelection();
    bool PasteClipboard();

    // Chooses the file to open (ForSaving false) or to save to; empty when the user
    // cancels. Qt's file dialogs unless replaced (tests do).
    std::function<std::string(bool ForSaving)> ChooseFile;

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void FormReplaced() override;
    void ComponentAdded(TComponent* Component) override;
    void ComponentRemoved(TComponent* Component) override;
    void SelectionChanged() override;
    void StateChanged() override;
    void ChangeMade(const std::string& Caption) override;

    void BuildPalette();
    void BuildMenus();
    void BuildDocks();
    std::string ChooseWithDialog(bool ForSaving);
    // Runs a command; what it raises is reported. Answers whether it ran through.
    bool Attempt(const std::function<void()>& Command);
    // Before a form is put back from the history: an Objects List on one of its scenes
    // moves to the scene at the same place in the form put back.
    void FollowRestoredScene();
    // The scene the time line shows for the selection, or the one shown when the
    // selection belongs to no scene.
    TNyxScene* SceneOfSelection() const;
    QString DisplayName() const;

    TFormDocument FDocument;
    TFormView* FFormView = nullptr;
    TPropertiesView* FPropertiesView = nullptr;
    TNyxTimeLine* FTimeLine = nullptr;
    TFormHistory* FHistory = nullptr;
    bool FChoosingScene = false;  // the file dialog offers scene files and drawings
    QTabWidget* FPalette = nullptr;
    bool FSelectingFromTimeLine = false;
};

}  // namespace nyx
