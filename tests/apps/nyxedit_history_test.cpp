// nyxedit on Qt's offscreen platform: a scene file opened as a form and saved back as the
// scene alone, undo and redo of every kind of change (one step per user action), copy,
// cut and paste through the clipboard's text, and the palette's pictures.

#include "formview.h"
#include "history.h"
#include "mainwindow.h"
#include "registration.h"
#include "runprogram.h"

#include "design/objectslistform.h"
#include "design/propertiesview.h"
#include "design/registry.h"
#include "objects/quadrics.h"
#include "qt/qtenv.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

void Click(QWidget* Widget, QPoint At, QPoint To) {
    auto send = [Widget](QEvent::Type Type, QPoint P, Qt::MouseButtons Buttons) {
        QMouseEvent event(Type, QPointF(P), QPointF(Widget->mapToGlobal(P)), Qt::LeftButton,
                          Buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(Widget, &event);
    };
    send(QEvent::MouseButtonPress, At, Qt::LeftButton);
    send(QEvent::MouseMove, To, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, To, Qt::NoButton);
}

class NyxeditHistoryTest : public ::testing::Test {
protected:
    NyxeditHistoryTest() {
        RegisterDesignTools(registry);
        window = std::make_unique<TEditorWindow>(registry);
        window->ChooseFile = [this](bool) { return nextFile; };
    }
    ~NyxeditHistoryTest() override {
        if (TNyxObjectsListForm* list = FirstObjectsListForm())
            delete list;
        window->Document().New();
    }

    TFormDocument& Doc() { return window->Document(); }
    QUndoStack& Stack() { return window->History().Stack(); }
    // Lets the history record what the last action changed.
    static void Settle() { QCoreApplication::processEvents(); }

    TComponent* Place(const std::string& ClassName, QPoint At) {
        window->PaletteButton(ClassName)->click();
        Click(&window->FormView(), At, At);
        Settle();
        return dynamic_cast<TComponent*>(Doc().GetSelection());
    }
    // The names of the form's components in stream order, with their parents.
    std::vector<std::string> Tree() {
        std::vector<std::string> names;
        for (TComponent* c : TFormDocument::StreamOrder(*Doc().GetRoot())) {
            auto* object = dynamic_cast<TNyxObject*>(c);
            names.push_back(object && object->Parent() ? object->Parent()->Name() + "/" + c->Name()
                                                       : c->Name());
        }
        return names;
    }
    TNyxObject* Object(const std::string& Name) {
        return dynamic_cast<TNyxObject*>(Doc().GetRoot()->FindComponent(Name));
    }
    std::vector<std::string> Steps() {
        std::vector<std::string> steps;
        for (int i = 0; i < Stack().count(); ++i)
            steps.push_back(Stack().text(i).toStdString());
        return steps;
    }

    TDesignRegistry registry;
    std::unique_ptr<TEditorWindow> window;
    std::string nextFile;
    TTempDir dir;
};

// --- Scene files ---------------------------------------------------------------------------

TEST_F(NyxeditHistoryTest, ASceneFileOpensOnAFormWithAPanelThroughItsFirstCamera) {
    ASSERT_TRUE(window->OpenForm(NYX_EXAMPLES_DIR "/demo.nyxt"));
    EXPECT_EQ(Doc().FileKind(), TFileKind::Scene);
    TComponent* root = Doc().GetRoot();
    auto* scene = dynamic_cast<TNyxScene*>(root->FindComponent("Demo"));
    ASSERT_NE(scene, nullptr) << "the scene keeps its stored name";
    auto* panel = dynamic_cast<TNyxPanel*>(root->FindComponent("NyxPanel1"));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(panel->Camera(), nullptr);
    EXPECT_EQ(panel->Camera()->Scene(), scene);
    std::vector<TNyxObject*> objects;
    scene->ListChildren(objects);
    const auto camera = std::find_if(objects.begin(), objects.end(),
                                     [](TNyxObject* o) { return o->Is<TNyxCamera>(); });
    EXPECT_EQ(*camera, panel->Camera()) << "the first camera of the tree";
    for (TNyxObject* o : objects)
        EXPECT_EQ(o->Owner(), root) << o->Name();
    EXPECT_EQ(window->FormView().ViewCount(), 2);
    EXPECT_FALSE(Doc().IsModified());

    // Saved back, the file holds the scene alone, which a scene loads again.
    nextFile = dir / "again.nyxt";
    ASSERT_TRUE(window->SaveSceneAs());
    EXPECT_EQ(ReadFile(nextFile).rfind("object Demo: TNyxScene", 0), 0u);
    TComponent owner(nullptr);
    auto* again = new TNyxScene(&owner);
    again->LoadFromTextFile(nextFile);
    std::vector<TNyxObject*> reread;
    again->ListChildren(reread);
    EXPECT_EQ(reread.size(), objects.size());
    // A drawing too.
    nextFile = dir / "again.dxf";
    ASSERT_TRUE(window->SaveSceneAs());
    EXPECT_EQ(Doc().FileForm(), TSceneFileForm::Dxf);
    ASSERT_TRUE(window->OpenForm(nextFile));
    EXPECT_EQ(Doc().FileKind(), TFileKind::Scene);
}

TEST_F(NyxeditHistoryTest, ASceneWithoutCameraGetsOneThatFramesIt) {
    const std::string file = dir / "ball.nyxt";
    WriteFile(file, "object Ball: TNyxScene\n  object S: TNyxSphere\n  end\nend\n");
    ASSERT_TRUE(window->OpenForm(file));
    auto* panel = dynamic_cast<TNyxPanel*>(Doc().GetRoot()->FindComponent("NyxPanel1"));
    ASSERT_TRUE(panel && panel->Camera());
    EXPECT_EQ(panel->Camera()->Name(), "NyxCamera1") << "named, so that the form refers to it";
    EXPECT_NE(panel->Camera()->GetPosition(), panel->Camera()->GetTarget());
    // Saved as a form and opened again, it is a form.
    nextFile = dir / "form.nyxt";
    ASSERT_TRUE(window->SaveFormAs());
    ASSERT_TRUE(window->OpenForm(nextFile));
    EXPECT_EQ(Doc().FileKind(), TFileKind::Form);
    EXPECT_NE(Doc().GetRoot()->FindComponent("S"), nullptr);
}

// --- Undo and redo -------------------------------------------------------------------------

TEST_F(NyxeditHistoryTest, EveryFormChangeIsOneStepThatUndoesAndRedoes) {
    Place("TNyxScene", {40, 40});
    auto* panel = dynamic_cast<TNyxPanel*>(Place("TNyxPanel", {200, 40}));
    ASSERT_NE(panel, nullptr);
    TComponentView* view = window->FormView().ViewOf(panel);
    Click(view, {20, 5}, {60, 25});  // moved by its title
    Settle();
    const QPoint corner(view->width() - 2, view->height() - 2);
    Click(view, corner, corner + QPoint(30, 20));  // resized by its grip
    Settle();
    ASSERT_TRUE(window->PropertiesView().CommitText("Tag", "7"));
    Settle();
    Doc().SelectComponent(Doc().GetRoot()->FindComponent("NyxScene1"));
    Doc().DeleteComponent(Doc().GetRoot()->FindComponent("NyxScene1"));
    Settle();
    EXPECT_EQ(Steps(), (std::vector<std::string>{"Place TNyxScene", "Place TNyxPanel",
                                                 "Move NyxPanel1", "Resize NyxPanel1",
                                                 "Set Tag of NyxPanel1", "Delete NyxScene1"}));
    EXPECT_EQ(Tree(), std::vector<std::string>{"NyxPanel1"});

    auto bounds = [this] {
        auto* p = dynamic_cast<TNyxPanel*>(Doc().GetRoot()->FindComponent("NyxPanel1"));
        return p ? QRect(p->Left(), p->Top(), p->Width(), p->Height()) : QRect();
    };
    const QRect last = bounds();
    ASSERT_TRUE(window->Undo());
    EXPECT_EQ(Tree(), (std::vector<std::string>{"NyxScene1", "NyxPanel1"}));
    EXPECT_EQ(window->FormView().ViewCount(), 2);
    ASSERT_TRUE(window->Undo());
    EXPECT_EQ(Doc().GetRoot()->FindComponent("NyxPanel1")->Tag(), 0);
    EXPECT_EQ(dynamic_cast<TComponent*>(Doc().GetSelection())->Name(), "NyxPanel1")
        << "the selection stays on the component at the same place";
    ASSERT_TRUE(window->Undo());
    EXPECT_EQ(bounds().size(), QSize(200, 150));
    ASSERT_TRUE(window->Undo());
    EXPECT_EQ(bounds().topLeft(), QPoint(200, 40));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(window->Redo());
    EXPECT_EQ(bounds(), last);
    EXPECT_EQ(Doc().GetRoot()->FindComponent("NyxPanel1")->Tag(), 7);
    EXPECT_TRUE(Doc().IsModified());

    // Back to the form as it was saved, and it is no longer modified.
    nextFile = dir / "saved.nyxt";
    ASSERT_TRUE(window->SaveForm());
    ASSERT_TRUE(window->Undo());
    EXPECT_TRUE(Doc().IsModified());
    ASSERT_TRUE(window->Redo());
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(window->Redo()) << "nothing left to redo";
}

TEST_F(NyxeditHistoryTest, TheSceneTreeEditorsChangesUndoAndTheEditorFollows) {
    auto* scene = dynamic_cast<TNyxScene*>(Place("TNyxScene", {40, 40}));
    registry.CreateComponentEditor(scene, &Doc())->ExecuteVerb(0);
    TNyxObjectsListForm* list = FirstObjectsListForm();
    ASSERT_NE(list, nullptr);
    auto add = [&](const TMetaClass& Class) {
        list->Point1Click(list->NewItemOf(Class));
        Settle();
    };
    add(TNyxSphere::StaticClass());
    add(TNyxCamera::StaticClass());
    add(TNyxLight::StaticClass());
    list->TreeView1()->setCurrentItem(list->FindNode(Object("NyxLight1")));
    list->Movedown1Click(list->Moveup1());
    Settle();
    ASSERT_TRUE(window->PropertiesView().CommitText("Name", "Sun"));
    Settle();
    list->TreeView1DragDrop(list->FindNode(Object("NyxSphere1")));  // the light into the sphere
    Settle();
    list->TreeView1()->setCurrentItem(list->FindNode(Object("NyxCamera1")));
    list->DeleteClick();
    Settle();
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"NyxScene1", "NyxScene1/NyxSphere1", "NyxSphere1/Sun"}));
    EXPECT_EQ(Steps(),
              (std::vector<std::string>{"Place TNyxScene", "Add TNyxSphere to NyxScene1",
                                        "Add TNyxCamera to NyxScene1", "Add TNyxLight to NyxScene1",
                                        "Move up NyxLight1", "Set Name of NyxLight1",
                                        "Move Sun into NyxSphere1", "Delete NyxCamera1"}));

    // Each undo takes back the last step left.
    const std::vector<std::vector<std::string>> back = {
        {"NyxScene1", "NyxScene1/NyxSphere1", "NyxSphere1/Sun", "NyxScene1/NyxCamera1"},
        {"NyxScene1", "NyxScene1/NyxSphere1", "NyxScene1/Sun", "NyxScene1/NyxCamera1"},
        {"NyxScene1", "NyxScene1/NyxSphere1", "NyxScene1/NyxLight1", "NyxScene1/NyxCamera1"},
        {"NyxScene1", "NyxScene1/NyxSphere1", "NyxScene1/NyxCamera1", "NyxScene1/NyxLight1"},
        {"NyxScene1", "NyxScene1/NyxSphere1", "NyxScene1/NyxCamera1"},
    };
    for (std::size_t i = 0; i < back.size(); ++i) {
        ASSERT_TRUE(window->Undo());
        EXPECT_EQ(Tree(), back[i]) << "undo " << i + 1;
    }
    // The editor shows the scene put back, with a node per object.
    ASSERT_EQ(FirstObjectsListForm(), list);
    EXPECT_EQ(list->Scene(), Doc().GetRoot()->FindComponent("NyxScene1"));
    ASSERT_EQ(list->TreeView1()->topLevelItem(0)->childCount(), 2);
}

// --- Clipboard -----------------------------------------------------------------------------

TEST_F(NyxeditHistoryTest, CopiedObjectsPasteNextToTheSelectionWithNewNames) {
    auto* scene = dynamic_cast<TNyxScene*>(Place("TNyxScene", {40, 40}));
    auto* sphere = dynamic_cast<TNyxSphere*>(
        Doc().CreateComponent(&TNyxSphere::StaticClass(), Doc().GetRoot(), 0, 0, 0, 0));
    sphere->SetParentComponent(scene);
    sphere->SetSlices(24);
    Doc().SelectComponent(sphere);
    Settle();
    ASSERT_TRUE(window->CopySelection());
    const QString text = QGuiApplication::clipboard()->text();
    const std::string sphereText = TFormDocument::ComponentText(*sphere);
    EXPECT_TRUE(text.startsWith("object NyxSphere1: TNyxSphere")) << text.toStdString();
    ASSERT_TRUE(window->PasteClipboard());
    Settle();
    auto* copy = dynamic_cast<TNyxSphere*>(Doc().GetSelection());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "NyxSphere2");
    EXPECT_EQ(copy->Parent(), scene);
    EXPECT_EQ(copy->Slices(), 24);

    // Cut takes the scene away; pasted, it comes back with its objects, a little lower.
    Doc().SelectComponent(scene);
    ASSERT_TRUE(window->CutSelection());
    Settle();
    EXPECT_TRUE(Tree().empty());
    ASSERT_TRUE(window->PasteClipboard());
    Settle();
    EXPECT_EQ(Tree(), (std::vector<std::string>{"NyxScene1", "NyxScene1/NyxSphere1",
                                                "NyxScene1/NyxSphere2"}));
    TComponent* pasted = Doc().GetRoot()->FindComponent("NyxScene1");
    EXPECT_EQ(DesignInfoTop(pasted->DesignInfo()), 56);
    EXPECT_EQ(Steps().back(), "Paste");
    EXPECT_EQ(Steps()[Steps().size() - 2], "Cut NyxScene1");

    // Text that holds no component is refused, and nothing changes.
    TMessageCapture capture;
    QGuiApplication::clipboard()->setText("hello");
    EXPECT_FALSE(window->PasteClipboard());
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_NE(capture.Boxes[0].Text.find("ObjectTextToBinary"), std::string::npos);
    QGuiApplication::clipboard()->setText(QString::fromStdString(sphereText));
    Doc().New();
    EXPECT_FALSE(window->PasteClipboard()) << "a scene object needs a scene";
    ASSERT_EQ(capture.Boxes.size(), 2u);
    EXPECT_NE(capture.Boxes[1].Text.find("place a scene first"), std::string::npos);
}

// --- Palette -------------------------------------------------------------------------------

TEST_F(NyxeditHistoryTest, PaletteButtonsShowPicturesAndNameTheirClass) {
    for (const char* name : {"TNyxPanel", "TNyxScene", "TNyxMaterialLibrary", "TDXFConverter"}) {
        QToolButton* button = window->PaletteButton(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->icon().isNull()) << name;
        EXPECT_TRUE(button->toolTip().contains(name)) << name;
    }
}

}  // namespace
}  // namespace nyx::test
