// The properties view's widgets: each kind edited as the user edits it, refused values
// reported in a message box with the old value shown again.

#include "testdesigner.h"

#include "../qt/qtenv.h"
#include "design/propedits.h"
#include "design/propertiesview.h"
#include "design/registry.h"
#include "dxf/converter.h"
#include "library/startup.h"
#include "objects/quadrics.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "scene/xform.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace nyx::test {
namespace {

class PropertiesView : public ::testing::Test {
protected:
    PropertiesView() {
        QLocale::setDefault(QLocale(QLocale::English));
        Registry.Register(NyxDesignRegistrations());
        Scene = new TNyxScene(&Designer.Root);
        Scene->SetName("Scene1");
        Sphere = new TNyxSphere(&Designer.Root);
        Sphere->SetName("Sphere1");
        Sphere->SetParentComponent(Scene);
    }
    ~PropertiesView() override { QLocale::setDefault(QLocale::c()); }

    template <class W>
    W* Widget(const char* Path) {
        QWidget* w = View.EditorOf(QString::fromUtf8(Path));
        if (auto* typed = qobject_cast<W*>(w))
            return typed;
        return w ? w->findChild<W*>() : nullptr;
    }
    // Types Text into a row's line and finishes the edit, as the user does.
    void Type(const char* Path, const char* Text) {
        QLineEdit* line = Widget<QLineEdit>(Path);
        ASSERT_NE(line, nullptr) << Path;
        line->setText(QString::fromUtf8(Text));
        emit line->editingFinished();
    }
    void Pick(const char* Path, const char* Choice) {
        QComboBox* box = Widget<QComboBox>(Path);
        ASSERT_NE(box, nullptr) << Path;
        const int index = box->findText(QString::fromUtf8(Choice));
        ASSERT_GE(index, 0) << Choice;
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    TTestDesigner Designer;
    TDesignRegistry Registry;
    TPropertiesView View{Registry, Designer};
    TNyxScene* Scene = nullptr;
    TNyxSphere* Sphere = nullptr;
};

TEST_F(PropertiesView, ShowsEveryPublishedPropertyByName) {
    Designer.SelectComponent(Sphere);
    View.ShowSelection();
    EXPECT_EQ(View.Instance(), Sphere);
    QStringList top;
    for (int i = 0; i < View.topLevelItemCount(); ++i)
        top << View.topLevelItem(i)->text(0);
    QStringList sorted = top;
    sorted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(top, sorted);
    for (const char* name : {"Name", "Tag", "Slices", "Color", "DrawType", "Visible", "XForm",
                             "Material", "CastShadows"})
        EXPECT_TRUE(top.contains(name)) << name;
    EXPECT_NE(View.FindRow("XForm.Translate.X"), nullptr);
    EXPECT_NE(View.FindRow("Material.FrontFace.Diffuse"), nullptr);
    EXPECT_EQ(View.FindRow("XForm")->text(1), "(TNyxXForm)");
    EXPECT_EQ(View.EditorOf("XForm"), nullptr) << "a class property has no text to edit";

    View.SetInstance(nullptr);
    EXPECT_EQ(View.topLevelItemCount(), 0);
}

TEST_F(PropertiesView, EditsOfEachKind) {
    View.SetInstance(Sphere);
    Type("Slices", "7");
    EXPECT_EQ(Sphere->Slices(), 7);
    Type("XForm.Translate.X", "1.5");
    EXPECT_EQ(Sphere->XForm()->Translate()->X(), 1.5);
    Pick("DrawType", "dtLine");
    EXPECT_EQ(Sphere->DrawType(), dtLine);
    Widget<QCheckBox>("Visible")->setChecked(false);
    EXPECT_FALSE(Sphere->Visible());
    Type("Color", "clBlue");
    EXPECT_EQ(Sphere->Color(), clBlue);
    Type("Name", "Ball");
    EXPECT_EQ(Sphere->Name(), "Ball");
    EXPECT_EQ(Designer.ModifiedCount, 6);

    auto* panel = new TNyxPanel(&Designer.Root);
    auto* camera = new TNyxCamera(&Designer.Root);
    camera->SetName("Camera1");
    camera->SetParentComponent(Scene);
    View.SetInstance(panel);
    QComboBox* cameras = Widget<QComboBox>("Camera");
    ASSERT_NE(cameras, nullptr);
    EXPECT_FALSE(cameras->isEditable());
    EXPECT_EQ(cameras->count(), 2) << "none and Camera1";
    Pick("Camera", "Camera1");
    EXPECT_EQ(panel->Camera(), camera);
    QCheckBox* lighting = Widget<QCheckBox>("Options.goLighting");
    ASSERT_NE(lighting, nullptr);
    lighting->setChecked(!lighting->isChecked());
    EXPECT_EQ(panel->Options().Contains(goLighting), lighting->isChecked());
    EXPECT_EQ(View.FindRow("Options")->text(1).toStdString(),
              View.PropertyEditorOf("Options")->GetValue());
}

TEST_F(PropertiesView, ABadFloatIsRefusedWithAMessageAndTheOldValueStays) {
    Sphere->XForm()->Scale()->SetY(2);
    View.SetInstance(Sphere);
    TMessageCapture capture;
    Type("XForm.Scale.Y", "two");
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_EQ(capture.Boxes[0].Text, "'two' is not a valid floating point value");
    EXPECT_EQ(capture.Boxes[0].Caption, TPropertiesView::ErrorCaption);
    EXPECT_EQ(Sphere->XForm()->Scale()->Y(), 2.0);
    EXPECT_EQ(Widget<QLineEdit>("XForm.Scale.Y")->text(), "2");
    EXPECT_EQ(Designer.ModifiedCount, 0);
    // Leaving the field afterwards finishes nothing new.
    emit Widget<QLineEdit>("XForm.Scale.Y")->editingFinished();
    EXPECT_EQ(capture.Boxes.size(), 1u);
}

TEST_F(PropertiesView, ABadNameIsRefused) {
    View.SetInstance(Sphere);
    TMessageCapture capture;
    Type("Name", "Scene1");
    Type("Name", "no name");
    ASSERT_EQ(capture.Boxes.size(), 2u);
    EXPECT_EQ(capture.Boxes[0].Text, "A component named Scene1 already exists");
    EXPECT_EQ(capture.Boxes[1].Text, "'no name' is not a valid component name");
    EXPECT_EQ(Sphere->Name(), "Sphere1");
    EXPECT_EQ(Widget<QLineEdit>("Name")->text(), "Sphere1");
}

TEST_F(PropertiesView, ColoursFromTheColourDialog) {
    View.SetInstance(Scene);
    QToolButton* button = Widget<QToolButton>("BackgroundColor");
    ASSERT_NE(button, nullptr);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
    });
    button->click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(Scene->BackgroundColor(), RGB(10, 20, 30));
    EXPECT_EQ(Widget<QComboBox>("BackgroundColor")->currentText(), "$001E140A");

    // Cancelled: nothing changes.
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            qobject_cast<QDialog*>(dialog)->reject();
    });
    button->click();
    EXPECT_EQ(Scene->BackgroundColor(), RGB(10, 20, 30));
    EXPECT_EQ(Designer.ModifiedCount, 1);
}

// A registered dialog editor: picks a name, or fails as a dialog can.
struct TPickName : TStringProperty {
    using TStringProperty::TStringProperty;
    TPropertyAttributes GetAttributes() const override { return {paDialog, paRevertable}; }
    void Edit() override {
        if (GetStrValue() == "broken.dxf")
            throw EFOpenError("Cannot open file \"broken.dxf\"");
        SetStrValue("picked.dxf");
    }
};

TEST_F(PropertiesView, RegisteredDialogEditorsGetAButtonAndTheirFailuresAMessage) {
    Registry.RegisterPropertyEditorClass<TPickName>("TDXFFilenameProperty");
    auto* converter = new TDXFConverter(&Designer.Root);
    View.SetInstance(converter);
    ASSERT_NE(dynamic_cast<TPickName*>(View.PropertyEditorOf("FileName")), nullptr);
    QToolButton* button = Widget<QToolButton>("FileName");
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(converter->FileName(), "picked.dxf");
    EXPECT_EQ(Widget<QLineEdit>("FileName")->text(), "picked.dxf");

    Type("FileName", "broken.dxf");  // the text stays editable
    TMessageCapture capture;
    button->click();
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_EQ(capture.Boxes[0].Text, "Cannot open file \"broken.dxf\"");
    EXPECT_EQ(converter->FileName(), "broken.dxf");
}

TEST_F(PropertiesView, ColoursTypedIntoTheirListAreNotAddedToIt) {
    View.SetInstance(Scene);
    QComboBox* box = Widget<QComboBox>("BackgroundColor");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isEditable());
    const int count = box->count();
    Type("BackgroundColor", "$00010203");
    EXPECT_EQ(Scene->BackgroundColor(), RGB(3, 2, 1));
    EXPECT_EQ(box->count(), count);
    EXPECT_EQ(box->currentText(), "$00010203");
}

TEST_F(PropertiesView, AFreedComponentLeavesThePropertiesViewEmpty) {
    View.SetInstance(Sphere);
    delete Sphere;
    Sphere = nullptr;
    EXPECT_EQ(View.Instance(), nullptr);
    EXPECT_EQ(View.topLevelItemCount(), 0);
    QCoreApplication::processEvents();  // the widgets' deferred deletion
}

TEST_F(PropertiesView, ValuesChangedElsewhereAreShownAfterARefresh) {
    View.SetInstance(Sphere);
    Sphere->SetStacks(33);
    View.RefreshValues();
    EXPECT_EQ(Widget<QLineEdit>("Stacks")->text(), "33");
}

}  // namespace
}  // namespace nyx::test
