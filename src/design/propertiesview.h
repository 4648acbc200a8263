#pragma once
// The properties view: the published properties of one component or scene object, by
// name, each with its property editor (a registered one or its kind's). Numbers and
// strings are edited as text, choices as drop-down lists, booleans and set members as
// check boxes, dialogs from a "..." button, class properties expand into their
// sub-properties. A value the library rejects is reported in a message box through the
// current host and the old value is shown again.

#include "design/designintf.h"

#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTreeWidgetItem;

namespace nyx {

class TDesignRegistry;

class TPropertiesView : public QTreeWidget {
public:
    // Registry and Designer outlive the properties view.
    TPropertiesView(const TDesignRegistry& Registry, IDesigner& Designer,
                    QWidget* Parent = nullptr);
    ~TPropertiesView() override;

    // Shows Instance's properties (none: an empty properties view). A component shown is
    // dropped by itself when it is freed.
    void SetInstance(TPersistent* Instance);
    TPersistent* Instance() const { return FInstance; }
    // Shows the designer's selection.
    void ShowSelection() { SetInstance(FDesigner.GetSelection()); }
    // Reads every shown value again (after changes made elsewhere).
    void RefreshValues();

    // The row of a property by its path, "XForm.Translate.X"; none when not shown.
    QTreeWidgetItem* FindRow(const QString& Path) const;
    // The editing widget of a row (QLineEdit, QComboBox, QCheckBox, or the line of a
    // dialog property with its button), none for rows that are only shown.
    QWidget* EditorOf(const QString& Path) const;
    // The property editor behind a row, or none.
    TPropertyEditor* PropertyEditorOf(const QString& Path) const;
    // Sets a row's value from Text as the user's edit does: a rejected value shows its
    // message and the old value stays. Answers whether the value was taken.
    bool CommitText(const QString& Path, const QString& Text);

    static constexpr const char* ErrorCaption = "Error";

private:
    struct TRow;
    class TWatch;

    void Clear();
    void AddRows(QTreeWidgetItem* Parent, const QString& Prefix, TPropertyEditors Editors);
    QWidget* MakeEditor(TRow& Row);
    void ShowValue(TRow& Row);
    bool Commit(TRow& Row, const std::string& Text);
    // Runs an edit; what it raises is shown in a message box. Then every value is read
    // again. Answers whether it ran through.
    bool Attempt(const std::function<void()>& Action);
    void OpenDialog(TRow& Row);
    TRow* RowOf(const QString& Path) const;
    void InstanceFreed();

    const TDesignRegistry& FRegistry;
    IDesigner& FDesigner;
    TPersistent* FInstance = nullptr;
    std::unique_ptr<TWatch> FWatch;
    std::vector<std::unique_ptr<TRow>> FRows;
    bool FCommitting = false;
};

}  // namespace nyx
