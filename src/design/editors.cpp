#include "design/editors.h"

#include "design/objectslistform.h"
#include "design/registry.h"
#include "scene/scene.h"
#include "scene/vertex.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>

#include <charconv>
#include <memory>

namespace nyx {

namespace {

// Two decimals, as the runtime's default fixed-point format, with the user's separator.
std::string Fixed2(double Value) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, Value, std::chars_format::fixed, 2).ptr;
    const QString separator = QLocale().decimalPoint();
    return QString::fromLatin1(text, end - text).replace('.', separator).toStdString();
}

}  // namespace

// --- Component editors ---------------------------------------------------------------

std::string TNyxObjectEditor::GetVerb(int Index) const {
    return Index == 0 ? "Edit items..." : std::string();
}

void TNyxObjectEditor::ExecuteVerb(int Index) {
    TComponentEditor::ExecuteVerb(Index);
    if (Index != 0)
        return;
    auto* scene = dynamic_cast<TNyxScene*>(GetComponent());
    // The open form also takes this editor's designer: components it creates belong to
    // the form the scene is on.
    if (TNyxObjectsListForm* form = FirstObjectsListForm()) {
        form->SetFormDesigner(GetDesigner(), scene);
        form->show();
        if (form->isMinimized())
            form->showNormal();
        form->raise();
        form->activateWindow();
        return;
    }
    auto form = std::make_unique<TNyxObjectsListForm>();
    form->SetFormDesigner(GetDesigner(), scene);
    form->show();
    form.release();  // the application's now: it frees itself when closed
}

std::string TNyxObjectsListEditor::GetVerb(int Index) const {
    return Index == 0 ? "Edit objects..." : std::string();
}

void TNyxObjectsListEditor::ExecuteVerb(int) {}

// --- Property editors ----------------------------------------------------------------

std::string TNyxVertex3Property::GetValue() const {
    const auto* v = dynamic_cast<const TNyxVertex3*>(GetObjectValue());
    if (!v)
        return TClassProperty::GetValue();
    return "(" + Fixed2(v->X()) + ", " + Fixed2(v->Y()) + ", " + Fixed2(v->Z()) + ")";
}

TPropertyAttributes TDXFFilenameProperty::GetAttributes() const { return {paDialog, paRevertable}; }

std::unique_ptr<QFileDialog> TDXFFilenameProperty::CreateDialog() const {
    auto dialog = std::make_unique<QFileDialog>();
    const QString file = QString::fromStdString(GetStrValue());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({"CAD/CAM files (*.dxf)", "All files (*.*)"});
    if (!file.isEmpty()) {
        dialog->setDirectory(QFileInfo(file).absolutePath());
        dialog->selectFile(file);
    }
    return dialog;
}

void TDXFFilenameProperty::Edit() {
    const std::unique_ptr<QFileDialog> dialog = CreateDialog();
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QStringList files = dialog->selectedFiles();
    if (!files.isEmpty())
        SetValue(files.front().toStdString());
}

// --- Registration --------------------------------------------------------------------

void RegisterNyxEditors(TDesignRegistry& Registry) {
    Registry.RegisterComponentEditorClass<TNyxObjectEditor>("TNyxObjectEditor");
    Registry.RegisterComponentEditorClass<TNyxObjectsListEditor>("TNyxObjectsListEditor");
    Registry.RegisterPropertyEditorClass<TNyxVertex3Property>("TNyxVertex3Property");
    Registry.RegisterPropertyEditorClass<TDXFFilenameProperty>("TDXFFilenameProperty");
}

}  // namespace nyx
