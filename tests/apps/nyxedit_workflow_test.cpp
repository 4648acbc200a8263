// nyxedit from start to end on a virtual X server: a scene and a live panel placed from
// the palette, the scene's tree built with "Edit items...", the panel's camera set in the
// propertiesView, objects reordered and re-parented in the tree while the view follows, a DXF
// drawing chosen with the file dialog and imported under an actor, the form saved and
// read back.

#include "drawings.h"
#include "formview.h"
#include "mainwindow.h"
#include "registration.h"
#include "tempdir.h"

#include "design/designtest.h"
#include "design/objectslistform.h"
#include "design/propertiesview.h"
#include "design/registry.h"
#include "dxf/converter.h"
#include "objects/quadrics.h"
#include "qt/qtenv.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

using Strings = std::vector<std::string>;

class NyxeditWorkflow : public ::testing::Test {
protected:
    ~NyxeditWorkflow() override { Window.Document().New(); }

    // A component placed as a user does: its palette button, then a click on the form.
    template <class T>
    T* Place(const std::string& ClassName, QPoint At) {
        QToolButton* button = Window.PaletteButton(ClassName);
        EXPECT_NE(button, nullptr) << ClassName;
        if (!button)
            return nullptr;
        button->click();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(
                type, QPointF(At), QPointF(Window.FormView().mapToGlobal(At)), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&Window.FormView(), &event);
        }
        return dynamic_cast<T*>(Window.Document().GetSelection());
    }
    // Selects Object as a click on its node does, so that the properties view shows it.
    void Pick(TNyxObjectsListForm& Form, const TNyxObject* Object) {
        Form.TreeView1()->setCurrentItem(Form.FindNode(Object));
        ASSERT_EQ(Window.PropertiesView().Instance(), Object);
    }
    static TColor Centre(TNyxPanel& Panel) {
        return Panel.Canvas().Pixels(Panel.Width() / 2, Panel.Height() / 2);
    }

    TDesignRegistry Registry;
    const bool Registered = (RegisterDesignTools(Registry), true);  // before the palette
    TEditorWindow Window{Registry};
    TTempDir Dir;
};

TEST_F(NyxeditWorkflow, TheSceneTreeEditorBuildsALiveSceneThatIsSavedWithTheForm) {
    Window.show();
    TFormDocument& doc = Window.Document();
    TPropertiesView& propertiesView = Window.PropertiesView();
    auto* scene = Place<TNyxScene>("TNyxScene", {40, 40});
    auto* panel = Place<TNyxPanel>("TNyxPanel", {120, 20});
    ASSERT_TRUE(scene && panel);

    // "Edit items..." from the scene's context menu opens the Objects List on it.
    std::unique_ptr<QMenu> menu = Window.FormView().ViewOf(scene)->ContextMenu();
    ASSERT_EQ(menu->actions().value(0)->text(), QString("Edit items..."));
    menu->actions()[0]->trigger();
    menu.reset();
    QPointer<TNyxObjectsListForm> form = FirstObjectsListForm();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Designer(), &doc);

    for (const TMetaClass* kind :
         {&TNyxSphere::StaticClass(), &TNyxLight::StaticClass(), &TNyxCamera::StaticClass()})
        form->NewItemOf(*kind)->trigger();
    auto* sphere = dynamic_cast<TNyxSphere*>(doc.GetRoot()->FindComponent("NyxSphere1"));
    auto* light = dynamic_cast<TNyxLight*>(doc.GetRoot()->FindComponent("NyxLight1"));
    auto* camera = dynamic_cast<TNyxCamera*>(doc.GetRoot()->FindComponent("NyxCamera1"));
    ASSERT_TRUE(sphere && light && camera);
    EXPECT_EQ(scene->Items(), (std::vector<TNyxObject*>{sphere, light, camera}));

    // The camera steps back from the origin, and the panel looks through it.
    Pick(*form, camera);
    ASSERT_TRUE(propertiesView.CommitText("Position.X", "3"));
    ASSERT_TRUE(propertiesView.CommitText("Position.Y", "-3"));
    ASSERT_TRUE(propertiesView.CommitText("Position.Z", "2"));
    doc.SelectComponent(panel);
    ASSERT_TRUE(propertiesView.CommitText("Camera", "NyxCamera1"));
    ASSERT_TRUE(SpinUntil([panel] { return panel->HandleAllocated() && panel->FrameCount() > 0; }));
    const TColor background = scene->BackgroundColor();
    EXPECT_NE(Centre(*panel), background) << "the sphere fills the middle of the view";

    // Reordering and re-parenting in the tree; every change repaints the view at once.
    Pick(*form, light);
    form->UpBtn()->click();
    EXPECT_EQ(scene->Items(), (std::vector<TNyxObject*>{light, sphere, camera}));
    Pick(*form, sphere);
    int frames = panel->FrameCount();
    ASSERT_TRUE(DropNode(*form, light));
    EXPECT_EQ(sphere->Parent(), light);
    EXPECT_GT(panel->FrameCount(), frames);
    EXPECT_NE(Centre(*panel), background);
    Pick(*form, sphere);
    frames = panel->FrameCount();
    ASSERT_TRUE(propertiesView.CommitText("Visible", "False"));
    EXPECT_GT(panel->FrameCount(), frames);
    EXPECT_EQ(Centre(*panel), background) << "the hidden sphere left the view";
    EXPECT_TRUE(doc.IsModified());

    // A DXF converter, its file chosen with the dialog, imported under an actor.
    const std::string drawing = Dir / "plan.dxf";
    std::ofstream(drawing) << PlanDrawing();
    auto* converter = Place<TDXFConverter>("TDXFConverter", {40, 200});
    ASSERT_NE(converter, nullptr);
    auto* browse = propertiesView.EditorOf("FileName")->findChild<QAbstractButton*>();
    ASSERT_NE(browse, nullptr);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(drawing));
        static_cast<QDialog*>(dialog)->accept();
    });
    browse->click();
    EXPECT_EQ(converter->FileName(), drawing);
    Pick(*form, scene);
    form->NewItemOf(TNyxActor::StaticClass())->trigger();
    auto* actor = dynamic_cast<TNyxActor*>(doc.GetRoot()->FindComponent("NyxActor1"));
    ASSERT_NE(actor, nullptr);
    doc.SelectComponent(converter);
    ASSERT_TRUE(propertiesView.CommitText("Root", "NyxActor1"));
    converter->LoadFromFile();
    ASSERT_GT(actor->GetItemsCount(), 0);
    EXPECT_EQ(form->FindNode(actor)->childCount(), actor->GetItemsCount())
        << "the tree shows what the import made";

    // Saved, emptied (the Objects List goes with its scene) and read back.
    const std::string file = Dir / "form.nyxt";
    Window.ChooseFile = [&](bool) { return file; };
    ASSERT_TRUE(Window.SaveFormAs());
    std::vector<int> layers;
    for (const TNyxObject* layer : actor->Items())
        layers.push_back(layer->GetItemsCount());
    ASSERT_TRUE(Window.NewForm());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    ASSERT_TRUE(Window.OpenForm(file));
    auto* actor2 = dynamic_cast<TNyxActor*>(doc.GetRoot()->FindComponent("NyxActor1"));
    ASSERT_NE(actor2, nullptr);
    std::vector<int> layers2;
    for (const TNyxObject* layer : actor2->Items())
        layers2.push_back(layer->GetItemsCount());
    EXPECT_EQ(layers2, layers);
    auto* sphere2 = dynamic_cast<TNyxSphere*>(doc.GetRoot()->FindComponent("NyxSphere1"));
    ASSERT_NE(sphere2, nullptr);
    EXPECT_EQ(sphere2->Parent(), doc.GetRoot()->FindComponent("NyxLight1"));
    EXPECT_FALSE(sphere2->Visible());
}

}  // namespace
}  // namespace nyx::test
