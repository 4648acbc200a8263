#pragma once
// nyxedit's main window: the palette pages at the top, the form in the middle, the object
// properties view and the time line of the selected scene in docks, and the File and Edit
// menus. Messages and questions go through the current host's message boxes.

#include "document.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QTabWidget;
class QToolButton;

namespace nyx {

class TDesignRegistry;
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
    // Asks whether to save a modified form before it is dropped: true when it may go.
    bool ConfirmDiscard();

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

    void BuildPalette();
    void BuildMenus();
    void BuildDocks();
    std::string ChooseWithDialog(bool ForSaving);
    // The scene the time line shows for the selection, or the one shown when the
    // selection belongs to no scene.
    TNyxScene* SceneOfSelection() const;
    QString DisplayName() const;

    TFormDocument FDocument;
    TFormView* FFormView = nullptr;
    TPropertiesView* FPropertiesView = nullptr;
    TNyxTimeLine* FTimeLine = nullptr;
    QTabWidget* FPalette = nullptr;
    bool FSelectingFromTimeLine = false;
};

}  // namespace nyx
