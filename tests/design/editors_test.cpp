// The library's editors as the designer finds them through the registry: the scene's
// "Edit items..." with its one Objects List window, the vertex text and the DXF file dialog.

#include "designtest.h"
#include "qt/qtenv.h"
#include "tempdir.h"

#include "design/editors.h"
#include "design/objectslistform.h"
#include "design/registry.h"
#include "dxf/converter.h"
#include "library/startup.h"
#include "objects/lines.h"
#include "scene/camera.h"
#include "scene/scene.h"

#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace nyx::test {
namespace {

using Strings = std::vector<std::string>;

class Editors : public ::testing::Test {
protected:
    Editors() {
        Registry.Register(NyxDesignRegistrations());
        RegisterNyxEditors(Registry);
    }
    ~Editors() override {
        for (QWidget* w : TQtHost::Forms())
            if (dynamic_cast<TNyxObjectsListForm*>(w))
                delete w;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<TPropertyEditor> EditorOf(TPersistent* Instance, const std::string& Name) {
        const TPropInfo* prop = Instance->ClassType().FindProperty(Name);
        EXPECT_NE(prop, nullptr) << Name;
        return prop ? Registry.CreatePropertyEditor(Instance, *prop, &Designer) : nullptr;
    }
    static int OpenForms() {
        int n = 0;
        for (QWidget* w : TQtHost::Forms())
            n += dynamic_cast<TNyxObjectsListForm*>(w) != nullptr;
        return n;
    }

    TDesignRegistry Registry;
    TComponent Root{nullptr};
    TLogDesigner Designer{Root};
};

TEST_F(Editors, NoBoundEditorIsMissing) { EXPECT_EQ(Registry.MissingEditors(), Strings{}); }

TEST_F(Editors, VerbsOfTheTwoComponentEditors) {
    auto* scene = new TNyxScene(&Root);
    const auto editor = Registry.CreateComponentEditor(scene, &Designer);
    ASSERT_NE(dynamic_cast<TNyxObjectEditor*>(editor.get()), nullptr);
    EXPECT_EQ(editor->GetVerbCount(), 1);
    EXPECT_EQ(editor->GetVerb(0), "Edit items...");
    EXPECT_EQ(editor->GetVerb(1), "");

    TNyxObjectsListEditor unbound(scene, &Designer);
    EXPECT_EQ(unbound.GetVerbCount(), 1);
    EXPECT_EQ(unbound.GetVerb(0), "Edit objects...");
    unbound.ExecuteVerb(0);
    unbound.Edit();
    EXPECT_EQ(OpenForms(), 0);
    editor->ExecuteVerb(1);
    EXPECT_EQ(OpenForms(), 0) << "only verb 0 opens the form";
}

TEST_F(Editors, EditItemsTwiceGivesOneWindowOnTheSecondScene) {
    auto* first = new TNyxScene(&Root);
    first->SetName("Scene1");
    auto* second = new TNyxScene(&Root);
    second->SetName("Scene2");
    (new TNyxCamera(&Root))->SetParentComponent(second);

    Registry.CreateComponentEditor(first, &Designer)->Edit();  // a double click
    QPointer<TNyxObjectsListForm> form = FirstObjectsListForm();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Scene(), first);
    EXPECT_EQ(form->Designer(), &Designer);

    form->showMinimized();
    Registry.CreateComponentEditor(second, &Designer)->ExecuteVerb(0);
    EXPECT_EQ(OpenForms(), 1);
    EXPECT_EQ(FirstObjectsListForm(), form);
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Scene(), second);
    EXPECT_EQ(form->TreeView1()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(first->NotifyCount(), 0);

    // A scene on another form being designed brings that form's designer along.
    TComponent otherRoot(nullptr);
    TLogDesigner other(otherRoot);
    auto* third = new TNyxScene(&otherRoot);
    Registry.CreateComponentEditor(third, &other)->ExecuteVerb(0);
    EXPECT_EQ(form->Designer(), &other);
    EXPECT_EQ(form->Scene(), third);
    delete form.data();

    // A closed form waiting to be freed is not reused.
    Registry.CreateComponentEditor(first, &Designer)->ExecuteVerb(0);
    form = FirstObjectsListForm();
    ASSERT_FALSE(form.isNull());
    form->close();
    Registry.CreateComponentEditor(first, &Designer)->ExecuteVerb(0);
    ASSERT_NE(FirstObjectsListForm(), nullptr);
    EXPECT_NE(FirstObjectsListForm(), form.data());
    EXPECT_EQ(FirstObjectsListForm()->Scene(), first);
}

TEST_F(Editors, VectorsNamedPReadAsOneLineWithTwoDecimals) {
    struct TCase {
        double X, Y, Z;
        const char* Locale;
        const char* Text;
    };
    auto* point = new TNyxPoint(&Root);
    const auto editor = EditorOf(point, "P");
    ASSERT_NE(dynamic_cast<TNyxVertex3Property*>(editor.get()), nullptr);
    EXPECT_TRUE(editor->GetAttributes().Contains(paSubProperties));
    EXPECT_EQ(editor->GetValue(), "(0.00, 0.00, 0.00)");
    const QLocale saved;
    for (const TCase& c : {TCase{1, 0, 0.5, "C", "(1.00, 0.00, 0.50)"},
                           TCase{-3.14159, 1234.5, 0.004, "C", "(-3.14, 1234.50, 0.00)"},
                           TCase{1, 0, 0.5, "de_DE", "(1,00, 0,00, 0,50)"}}) {
        QLocale::setDefault(QLocale(c.Locale));
        point->Point1()->SetX(c.X);
        point->Point1()->SetY(c.Y);
        point->Point1()->SetZ(c.Z);
        EXPECT_EQ(editor->GetValue(), c.Text);
    }
    QLocale::setDefault(saved);

    // Vertices under other names keep the class editor.
    auto* camera = new TNyxCamera(&Root);
    const auto position = EditorOf(camera, "Position");
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(dynamic_cast<TNyxVertex3Property*>(position.get()), nullptr);
    EXPECT_NE(dynamic_cast<TClassProperty*>(position.get()), nullptr);
}

class DXFFileName : public Editors {
protected:
    DXFFileName() {
        Converter = new TDXFConverter(&Root);
        Drawing = (Dir / "plan.dxf");
        std::ofstream(Drawing) << "0\nEOF\n";
        Converter->SetFileName(Drawing);
        Editor = EditorOf(Converter, "FileName");
    }
    // Edit with What done to the dialog once it runs.
    void EditWith(const std::function<void(QFileDialog&)>& What) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            What(*dialog);
        });
        Editor->Edit();
    }

    TTempDir Dir;
    TDXFConverter* Converter;
    std::string Drawing;
    std::unique_ptr<TPropertyEditor> Editor;
};

TEST_F(DXFFileName, TheDialogOpensOnTheFileWithTheDrawingFilters) {
    auto* editor = dynamic_cast<TDXFFilenameProperty*>(Editor.get());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetAttributes(), (TPropertyAttributes{paDialog, paRevertable}));
    const auto dialog = editor->CreateDialog();
    EXPECT_EQ(dialog->nameFilters(), (QStringList{"CAD/CAM files (*.dxf)", "All files (*.*)"}));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), Dir.Path().string());
    EXPECT_EQ(dialog->selectedFiles(), QStringList{QString::fromStdString(Drawing)});
    EXPECT_EQ(dialog->parent(), nullptr);
}

TEST_F(DXFFileName, CancellingKeepsTheFileName) {
    EditWith([](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(Converter->FileName(), Drawing);
    EXPECT_EQ(Designer.Log, Strings{});
}

TEST_F(DXFFileName, OnlyAnExistingFileIsTaken) {
    const std::string other = (Dir / "site.dxf");
    std::ofstream(other) << "0\nEOF\n";
    bool warned = false;
    EditWith([&](QFileDialog& d) {
        d.selectFile(QString::fromStdString((Dir / "missing.dxf")));
        // The dialog says why it refuses, in a box of its own.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warned = true;
                box->close();
            }
        });
        static_cast<QDialog&>(d).accept();
        EXPECT_TRUE(d.isVisible()) << "a file that does not exist is refused";
        d.selectFile(QString::fromStdString(other));
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_TRUE(warned);
    EXPECT_EQ(Converter->FileName(), other);
    EXPECT_EQ(Designer.Log, Strings{"Modified"});
}

}  // namespace
}  // namespace nyx::test
