#pragma once
// The library's own editors in the form designer: the scene's component editor, which
// opens the Objects List, a second component editor that no table binds, the one-line
// text of a vector property named P, and the file dialog of the DXF converter's FileName.
// RegisterNyxEditors makes them known to a registry under the names the units' tables
// bind them by.

#include "design/propedits.h"

class QFileDialog;

namespace nyx {

class TDesignRegistry;

// "Edit items...": opens the Objects List on the scene, or brings back the one already
// open (restored when minimised) and switches it to this scene and designer.
class TNyxObjectEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() const override { return 1; }
    std::string GetVerb(int Index) const override;
    void ExecuteVerb(int Index) override;
};

// "Edit objects...", which does nothing.
class TNyxObjectsListEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() const override { return 1; }
    std::string GetVerb(int Index) const override;
    void ExecuteVerb(int Index) override;
};

// A vertex as "(1.00, 0.00, 0.50)", with the user's decimal separator; its coordinates
// are the sub-properties.
class TNyxVertex3Property : public TClassProperty {
public:
    using TClassProperty::TClassProperty;
    std::string GetValue() const override;
};

// A DXF file chosen with an open-file dialog that takes existing files only.
class TDXFFilenameProperty : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
    TPropertyAttributes GetAttributes() const override;
    // Runs the dialog; the value changes only when the user confirms a file.
    void Edit() override;
    // The dialog Edit runs, set up from the current value: the file, its folder, the
    // filters, existing files only.
    std::unique_ptr<QFileDialog> CreateDialog() const;
};

void RegisterNyxEditors(TDesignRegistry& Registry);

}  // namespace nyx
