// nyxedit's window on Qt's offscreen platform: the palette from the registration tables,
// components placed, moved and deleted on the form, properties set through the properties view,
// the form saved and read back in both forms, the questions before unsaved changes are
// dropped; and the program's command line.

#include "formview.h"
#include "mainwindow.h"
#include "registration.h"
#include "runprogram.h"

#include "design/propertiesview.h"
#include "design/registry.h"
#include "qt/qtenv.h"
#include "qt/timeline.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

// Presses and releases the left button at From, moving to To in between.
void Drag(QWidget* Widget, QPoint From, QPoint To) {
    auto send = [Widget](QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons) {
        QMouseEvent event(Type, QPointF(At), QPointF(Widget->mapToGlobal(At)), Qt::LeftButton,
                          Buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(Widget, &event);
    };
    send(QEvent::MouseButtonPress, From, Qt::LeftButton);
    send(QEvent::MouseMove, To, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, To, Qt::NoButton);
}

void Click(QWidget* Widget, QPoint At) { Drag(Widget, At, At); }

class NyxeditTest : public ::testing::Test {
protected:
    NyxeditTest() {
        RegisterDesignTools(registry);
        window = std::make_unique<TEditorWindow>(registry);
        window->ChooseFile = [this](bool ForSaving) {
            chosen.push_back(ForSaving);
            return nextFile;
        };
    }
    ~NyxeditTest() override {
        // Nothing is asked at the end of a test.
        window->Document().New();
    }

    TFormDocument& Doc() { return window->Document(); }

    // A component placed as a user does: its palette button, then a click on the form.
    TComponent* Place(const std::string& ClassName, QPoint At) {
        QToolButton* button = window->PaletteButton(ClassName);
        EXPECT_NE(button, nullptr) << ClassName;
        if (!button)
            return nullptr;
        button->click();
        Click(&window->FormView(), At);
        EXPECT_FALSE(button->isChecked()) << "the palette lets go after one placement";
        return dynamic_cast<TComponent*>(Doc().GetSelection());
    }

    TDesignRegistry registry;
    std::unique_ptr<TEditorWindow> window;
    std::string nextFile;
    std::vector<bool> chosen;
    TTempDir dir;
};

// --- Palette and placing -------------------------------------------------------------------

TEST_F(NyxeditTest, PaletteHasTheOpenGLPageFromTheRegistrationTables) {
    QTabWidget& palette = window->Palette();
    ASSERT_EQ(palette.count(), 1);
    EXPECT_EQ(palette.tabText(0), QString("OpenGL"));
    std::vector<std::string> names;
    for (QToolButton* b : palette.widget(0)->findChildren<QToolButton*>())
        names.push_back(b->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"TNyxPanel", "TNyxScene", "TNyxMaterialLibrary",
                                               "TDXFConverter"}));
    EXPECT_EQ(window->PaletteButton("TNyxSphere"), nullptr) << "registered without an icon";
}

TEST(NyxeditPalette, EveryRegisteredPageBecomesATab) {
    TDesignRegistry registry;
    RegisterDesignTools(registry);
    TDesignRegistration extra;
    extra.Unit = "Extra";
    extra.PalettePage = "Scenes";
    extra.Components = {&TNyxScene::StaticClass()};
    registry.Register(extra);
    TEditorWindow window(registry);
    ASSERT_EQ(window.Palette().count(), 2);
    EXPECT_EQ(window.Palette().tabText(1), QString("Scenes"));
    EXPECT_EQ(window.Palette().widget(1)->findChildren<QToolButton*>().size(), 1);
}

TEST_F(NyxeditTest, SceneAndPanelFromThePaletteAreDesignedComponentsOnTheForm) {
    auto* scene = dynamic_cast<TNyxScene*>(Place("TNyxScene", {43, 21}));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->Name(), "NyxScene1");
    EXPECT_EQ(scene->Owner(), Doc().GetRoot());
    EXPECT_TRUE(scene->ComponentState().Contains(csDesigning));
    EXPECT_TRUE(scene->CacheGeometry());
    EXPECT_EQ(DesignInfoLeft(scene->DesignInfo()), 40) << "snapped to the grid";
    EXPECT_EQ(DesignInfoTop(scene->DesignInfo()), 16);
    EXPECT_EQ(window->PropertiesView().Instance(), scene);
    EXPECT_EQ(window->TimeLine().Scene(), scene);

    auto* panel = dynamic_cast<TNyxPanel*>(Place("TNyxPanel", {200, 40}));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Name(), "NyxPanel1");
    EXPECT_TRUE(panel->ComponentState().Contains(csDesigning));
    EXPECT_EQ(QRect(panel->Left(), panel->Top(), panel->Width(), panel->Height()),
              QRect(200, 40, 200, 150));
    EXPECT_EQ(window->FormView().ViewCount(), 2);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(window->isWindowModified());

    // A click on the empty form clears the selection.
    Click(&window->FormView(), {600, 400});
    EXPECT_EQ(Doc().GetSelection(), nullptr);
    EXPECT_EQ(window->PropertiesView().Instance(), nullptr);
}

TEST_F(NyxeditTest, ComponentsMoveAndPanelsResizeWithTheMouse) {
    TComponent* scene = Place("TNyxScene", {40, 40});
    auto* panel = dynamic_cast<TNyxPanel*>(Place("TNyxPanel", {200, 40}));
    ASSERT_NE(panel, nullptr);
    TComponentView* icon = window->FormView().ViewOf(scene);
    ASSERT_NE(icon, nullptr);

    Drag(icon, {10, 5}, {40, 65});  // by its title
    EXPECT_EQ(DesignInfoLeft(scene->DesignInfo()), 70);
    EXPECT_EQ(DesignInfoTop(scene->DesignInfo()), 100);
    EXPECT_EQ(icon->pos(), QPoint(70, 100));

    TComponentView* view = window->FormView().ViewOf(panel);
    const QPoint corner(view->width() - 2, view->height() - 2);
    Drag(view, corner, corner + QPoint(50, 30));
    EXPECT_EQ(QRect(panel->Left(), panel->Top(), panel->Width(), panel->Height()),
              QRect(200, 40, 250, 180));
    Drag(view, {20, 5}, {0, 25});
    EXPECT_EQ(QPoint(panel->Left(), panel->Top()), QPoint(180, 60));
    EXPECT_EQ(panel->Width(), 250) << "moving keeps the size";
}

TEST_F(NyxeditTest, DeletingFromTheContextMenuRemovesComponentAndView) {
    TComponent* library = Place("TNyxMaterialLibrary", {40, 40});
    std::unique_ptr<QMenu> menu = window->FormView().ViewOf(library)->ContextMenu();
    ASSERT_EQ(menu->actions().size(), 1) << "no verbs without a component editor";
    EXPECT_EQ(menu->actions()[0]->text(), QString("Delete"));
    menu->actions()[0]->trigger();
    menu.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(Doc().GetRoot()->ComponentCount(), 0);
    EXPECT_EQ(window->FormView().ViewCount(), 0);
    EXPECT_EQ(Doc().GetSelection(), nullptr);
    EXPECT_EQ(window->PropertiesView().Instance(), nullptr);
}

// A component editor with two verbs, bound to the scene as the scene's editor is.
class TTwoVerbs : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() const override { return 2; }
    std::string GetVerb(int Index) const override { return Index == 0 ? "First" : "Second"; }
    void ExecuteVerb(int Index) override {
        GetComponent()->SetTag(Index + 1);
        GetDesigner()->Modified();
    }
};

TEST_F(NyxeditTest, SceneContextMenuListsItsEditorsVerbsAndRunsThem) {
    registry.RegisterComponentEditorClass<TTwoVerbs>("TNyxObjectEditor");
    TComponent* scene = Place("TNyxScene", {40, 40});
    std::unique_ptr<QMenu> menu = window->FormView().ViewOf(scene)->ContextMenu();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(texts, (QStringList{"First", "Second", "-", "Delete"}));
    menu->actions()[1]->trigger();
    EXPECT_EQ(scene->Tag(), 2);

    // A double click runs the first verb.
    TComponentView* view = window->FormView().ViewOf(scene);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(10, 5),
                      view->mapToGlobal(QPointF(10, 5)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &twice);
    EXPECT_EQ(scene->Tag(), 1);
}

// --- PropertiesView --------------------------------------------------------------------------------

TEST_F(NyxeditTest, PropertiesViewSetsValuesAndRefusesABadFloatKeepingTheOldOne) {
    Place("TNyxScene", {40, 40});
    TPropertiesView& propertiesView = window->PropertiesView();
    TMessageCapture capture;
    ASSERT_TRUE(propertiesView.CommitText("XForm.Translate.X", "1.5"));
    EXPECT_FALSE(propertiesView.CommitText("XForm.Translate.X", "1,5x"));
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_FALSE(capture.Boxes[0].Text.empty());
    auto* scene = dynamic_cast<TNyxScene*>(Doc().GetSelection());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->XForm()->Translate()->X(), 1.5);
    auto* line = dynamic_cast<QLineEdit*>(propertiesView.EditorOf("XForm.Translate.X"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QString("1.5")) << "the old value is shown again";

    // A name that is taken is refused with the library's message.
    Place("TNyxScene", {40, 120});
    EXPECT_FALSE(propertiesView.CommitText("Name", "NyxScene1"));
    ASSERT_EQ(capture.Boxes.size(), 2u);
    EXPECT_NE(capture.Boxes[1].Text.find("NyxScene1"), std::string::npos);
    EXPECT_EQ(dynamic_cast<TComponent*>(Doc().GetSelection())->Name(), "NyxScene2");
}

// --- Files ---------------------------------------------------------------------------------------

struct TFormCase {
    const char* File;
};

class NyxeditFileTest : public NyxeditTest, public ::testing::WithParamInterface<TFormCase> {};

TEST_P(NyxeditFileTest, SavedFormReopensWithTheSameComponentsAndValues) {
    auto* scene = dynamic_cast<TNyxScene*>(Place("TNyxScene", {40, 40}));
    ASSERT_NE(scene, nullptr);
    TPropertiesView& propertiesView = window->PropertiesView();
    ASSERT_TRUE(propertiesView.CommitText("XForm.Translate.X", "1.5"));
    ASSERT_TRUE(propertiesView.CommitText("BackgroundColor", "$00FF8000"));
    // A camera in the scene, as the scene's editor makes one.
    auto* camera = dynamic_cast<TNyxCamera*>(
        Doc().CreateComponent(&TNyxCamera::StaticClass(), Doc().GetRoot(), 0, 0, 0, 0));
    ASSERT_NE(camera, nullptr);
    camera->SetParentComponent(scene);
    Place("TNyxPanel", {200, 40});
    ASSERT_TRUE(propertiesView.CommitText("Camera", "NyxCamera1"));
    ASSERT_TRUE(propertiesView.CommitText("Width", "240"));
    Place("TNyxMaterialLibrary", {40, 120});

    nextFile = dir / GetParam().File;
    ASSERT_TRUE(window->SaveFormAs());
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Doc().FileName(), nextFile);

    ASSERT_TRUE(window->NewForm());
    EXPECT_EQ(Doc().GetRoot()->ComponentCount(), 0);
    ASSERT_TRUE(window->OpenForm());
    EXPECT_EQ(Doc().FileForm(), FormOfName(nextFile));

    TComponent* root = Doc().GetRoot();
    std::vector<std::string> names;
    for (int i = 0; i < root->ComponentCount(); ++i)
        names.push_back(root->Components(i)->ClassName() + " " + root->Components(i)->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"TNyxScene NyxScene1", "TNyxCamera NyxCamera1",
                                               "TNyxPanel NyxPanel1",
                                               "TNyxMaterialLibrary NyxMaterialLibrary1"}));
    auto* scene2 = dynamic_cast<TNyxScene*>(root->FindComponent("NyxScene1"));
    auto* camera2 = dynamic_cast<TNyxCamera*>(root->FindComponent("NyxCamera1"));
    auto* panel2 = dynamic_cast<TNyxPanel*>(root->FindComponent("NyxPanel1"));
    TComponent* library2 = root->FindComponent("NyxMaterialLibrary1");
    ASSERT_TRUE(scene2 && camera2 && panel2 && library2);
    EXPECT_EQ(scene2->XForm()->Translate()->X(), 1.5);
    EXPECT_EQ(scene2->BackgroundColor(), TColor(0x00FF8000));
    EXPECT_EQ(camera2->Parent(), scene2);
    EXPECT_EQ(panel2->Camera(), camera2);
    EXPECT_EQ(QRect(panel2->Left(), panel2->Top(), panel2->Width(), panel2->Height()),
              QRect(200, 40, 240, 150));
    EXPECT_EQ(DesignInfoLeft(library2->DesignInfo()), 40);
    EXPECT_EQ(DesignInfoTop(library2->DesignInfo()), 120);
    for (int i = 0; i < root->ComponentCount(); ++i)
        EXPECT_TRUE(root->Components(i)->ComponentState().Contains(csDesigning));
    EXPECT_EQ(window->FormView().ViewCount(), 3) << "the camera lives in its scene";
    EXPECT_FALSE(Doc().IsModified());
}

INSTANTIATE_TEST_SUITE_P(Forms, NyxeditFileTest,
                         ::testing::Values(TFormCase{"form.nyxt"}, TFormCase{"form.nyx"}));

TEST_F(NyxeditTest, TheExampleFormOpensWithItsSceneAndPanel) {
    ASSERT_TRUE(window->OpenForm(NYX_EXAMPLES_DIR "/form.nyxt"));
    TComponent* root = Doc().GetRoot();
    auto* scene = dynamic_cast<TNyxScene*>(root->FindComponent("Scene"));
    auto* panel = dynamic_cast<TNyxPanel*>(root->FindComponent("View"));
    TComponent* library = root->FindComponent("Materials");
    ASSERT_TRUE(scene && panel && library);
    ASSERT_NE(panel->Camera(), nullptr);
    EXPECT_EQ(panel->Camera()->Scene(), scene);
    EXPECT_EQ(DesignInfoTop(library->DesignInfo()), 96);
    EXPECT_EQ(window->FormView().ViewCount(), 3);
    EXPECT_EQ(window->FormView().ViewOf(scene)->pos(), QPoint(16, 16));
}

TEST_F(NyxeditTest, AFormThatCannotBeReadIsReportedAndTheShownOneStays) {
    TComponent* scene = Place("TNyxScene", {40, 40});
    const std::string bad = dir / "bad.nyxt";
    WriteFile(bad, "object Form1: TForm\n  object X: TNoSuchClass\n  end\nend\n");
    TMessageCapture capture;
    EXPECT_FALSE(window->OpenForm(bad));
    EXPECT_FALSE(window->OpenForm(dir / "missing.nyxt"));
    ASSERT_EQ(capture.Boxes.size(), 2u);
    EXPECT_NE(capture.Boxes[0].Text.find(bad), std::string::npos);
    EXPECT_NE(capture.Boxes[0].Text.find("TNoSuchClass"), std::string::npos);
    EXPECT_NE(capture.Boxes[1].Text.find("missing.nyxt"), std::string::npos);
    EXPECT_EQ(Doc().GetRoot()->FindComponent("NyxScene1"), scene);
    EXPECT_EQ(window->FormView().ViewCount(), 1);

    // A picture is none of the forms: refused with what it begins with.
    const std::string picture = dir / "picture.png";
    WriteFile(picture, std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_FALSE(window->OpenForm(picture));
    ASSERT_EQ(capture.Boxes.size(), 3u);
    EXPECT_EQ(capture.Boxes[2].Text,
              picture + ": " + UnknownContents + "; it begins with \"\\x89PNG\"");
}

// --- Questions before unsaved changes go --------------------------------------------------------

TEST_F(NyxeditTest, ClosingAnUnmodifiedFormAsksNothing) {
    TMessageCapture capture;
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(capture.Boxes.empty());
}

struct TCloseCase {
    int Answer;
    bool Closed;
    bool Saved;
};

class NyxeditCloseTest : public NyxeditTest, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(NyxeditCloseTest, ClosingWithUnsavedChangesAsks) {
    Place("TNyxScene", {40, 40});
    window->show();
    nextFile = dir / "asked.nyxt";
    TMessageCapture capture;
    capture.Answer = GetParam().Answer;
    EXPECT_EQ(window->close(), GetParam().Closed);
    ASSERT_EQ(capture.Boxes.size(), 1u);
    EXPECT_EQ(capture.Boxes[0].Flags & 0x0F, MB_YESNOCANCEL);
    EXPECT_NE(capture.Boxes[0].Text.find("Untitled"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists(nextFile), GetParam().Saved);
    EXPECT_EQ(Doc().IsModified(), !GetParam().Saved);
}

INSTANTIATE_TEST_SUITE_P(Answers, NyxeditCloseTest,
                         ::testing::Values(TCloseCase{IDCANCEL, false, false},
                                           TCloseCase{IDNO, true, false},
                                           TCloseCase{IDYES, true, true}));

TEST_F(NyxeditTest, SaveAnsweredButItsDialogCancelledKeepsTheForm) {
    Place("TNyxScene", {40, 40});
    TMessageCapture capture;
    capture.Answer = IDYES;
    nextFile.clear();  // the dialog is cancelled
    EXPECT_FALSE(window->NewForm());
    EXPECT_EQ(chosen, std::vector<bool>{true});
    EXPECT_EQ(Doc().GetRoot()->ComponentCount(), 1);
}

// --- Time line -------------------------------------------------------------------------------

TEST_F(NyxeditTest, TimeLineShowsTheSelectedScenesTreeAndSelectsFromIt) {
    auto* first = dynamic_cast<TNyxScene*>(Place("TNyxScene", {40, 40}));
    auto* camera = dynamic_cast<TNyxCamera*>(
        Doc().CreateComponent(&TNyxCamera::StaticClass(), Doc().GetRoot(), 0, 0, 0, 0));
    camera->SetParentComponent(first);
    auto* second = dynamic_cast<TNyxScene*>(Place("TNyxScene", {40, 120}));
    EXPECT_EQ(window->TimeLine().Scene(), second);

    Doc().SelectComponent(camera);
    EXPECT_EQ(window->TimeLine().Scene(), first) << "the scene of the selected object";
    Doc().ClearSelection();
    EXPECT_EQ(window->TimeLine().Scene(), first) << "kept while nothing is selected";

    QTreeWidgetItem* root = window->TimeLine().topLevelItem(0);
    QTreeWidgetItem* cameraNode = root->child(root->childCount() - 1);
    ASSERT_EQ(TNyxTimeLine::ObjectOf(cameraNode), camera);
    emit window->TimeLine().itemClicked(cameraNode, 0);
    EXPECT_EQ(Doc().GetSelection(), camera);
    EXPECT_EQ(window->PropertiesView().Instance(), camera);
}

// --- The program ------------------------------------------------------------------------------

TRun RunNyxedit(const std::vector<std::string>& Args, const TTempDir& Dir) {
    return RunProgram(NYXEDIT_PATH, Args, Dir);
}

TEST(NyxeditProgram, HelpAndBadCommandLines) {
    TTempDir dir;
    const TRun help = RunNyxedit({"--help"}, dir);
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("usage: nyxedit", 0), 0u);

    const TRun unknown = RunNyxedit({"--bogus"}, dir);
    EXPECT_EQ(unknown.Status, 1);
    EXPECT_EQ(unknown.Err, "nyxedit: unknown option --bogus (see --help)\n");
    const TRun two = RunNyxedit({"a.nyxt", "b.nyxt"}, dir);
    EXPECT_EQ(two.Status, 1);
    EXPECT_NE(two.Err.find("give one FILE"), std::string::npos);
}

TEST(NyxeditProgram, NoDisplayIsRefusedInOneLine) {
    TTempDir dir;
    // Neither DISPLAY nor a Qt platform; this program's own platform is chosen already.
    unsetenv("QT_QPA_PLATFORM");
    const TRun run = RunNyxedit({}, dir);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err.rfind("nyxedit: no X display", 0), 0u) << run.Err;
}

TEST(NyxeditProgram, AFileThatCannotBeOpenedIsNamedWithTheReason) {
    TTempDir dir;
    const TRun run = RunNyxedit({"missing.nyxt"}, dir);  // on the offscreen platform
    EXPECT_EQ(run.Status, 1);
    // Qt may warn about its environment first; the program's own line comes last.
    const std::size_t line = run.Err.rfind("\nnyxedit: ");
    const std::string last = run.Err.substr(line == std::string::npos ? 0 : line + 1);
    EXPECT_EQ(last.rfind("nyxedit: ", 0), 0u) << run.Err;
    EXPECT_NE(last.find("missing.nyxt"), std::string::npos) << run.Err;
    EXPECT_NE(last.find("No such file"), std::string::npos) << run.Err;
    EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 1);
}

}  // namespace
}  // namespace nyx::test
