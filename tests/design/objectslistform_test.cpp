// The Objects List form through its own operations and through Qt's events: the tree it
// builds, how it follows the scene, and what its buttons, menus and drops do to the scene
// and tell the designer.

#include "designtest.h"
#include "qt/qtenv.h"

#include "design/icons.h"
#include "design/objectslistform.h"
#include "library/startup.h"
#include "objects/box.h"
#include "objects/heightfield.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/polygon.h"
#include "objects/polyhedra.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "objects/torus.h"
#include "objects/user.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nyx::test {
namespace {

// The QApplication of the whole program (the editors' tests too).
const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

using Strings = std::vector<std::string>;

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The tree in its flat order, one line per node: a dot per level of depth, the text, and
// "+" for an expanded node that has children.
Strings TreeLines(const QTreeWidget& Tree) {
    Strings lines;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&Tree)); *it; ++it) {
        int depth = 0;
        for (const QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        std::string line(std::size_t(depth), '.');
        line += (*it)->text(0).toStdString();
        if ((*it)->childCount() > 0 && (*it)->isExpanded())
            line += " +";
        lines.push_back(line);
    }
    return lines;
}

class ObjectsListForm : public ::testing::Test {
protected:
    ObjectsListForm() {
        Scene = Add<TNyxScene>(nullptr, "Scene1");
        Camera = Add<TNyxCamera>(Scene, "Camera1");
        Sphere = Add<TNyxSphere>(Scene, "Sphere1");
        Box = Add<TNyxBox>(Sphere, "");
        Light = Add<TNyxLight>(Sphere, "Light1");
        Octahedron = Add<TNyxOctahedron>(Scene, "Octahedron1");
    }
    ~ObjectsListForm() override {
        delete Form.data();
        FlushDeletes();
    }

    template <class T>
    T* Add(TNyxObject* Parent, const std::string& Name) {
        auto* o = new T(&Root);
        if (!Name.empty())
            o->SetName(Name);
        if (Parent)
            o->SetParentComponent(Parent);
        return o;
    }

    void Open() {
        Form = new TNyxObjectsListForm;
        Form->SetFormDesigner(&Designer, Scene);
        Designer.Log.clear();
    }
    void Select(const TNyxObject* Object) { Tree().setCurrentItem(Form->FindNode(Object)); }
    QTreeWidget& Tree() const { return *Form->TreeView1(); }
    Strings Lines() const { return TreeLines(Tree()); }
    static Strings Names(const TNyxObject* Parent) {
        Strings names;
        for (const TNyxObject* o : Parent->Items())
            names.push_back(o->Name());
        return names;
    }

    TComponent Root{nullptr};
    TLogDesigner Designer{Root};
    TNyxScene* Scene;
    TNyxCamera* Camera;
    TNyxSphere* Sphere;
    TNyxBox* Box;
    TNyxLight* Light;
    TNyxOctahedron* Octahedron;
    QPointer<TNyxObjectsListForm> Form;
};

// --- Opening -----------------------------------------------------------------------------

TEST_F(ObjectsListForm, OpensOnEveryObjectOnceExpandedWithTheRootSelected) {
    Form = new TNyxObjectsListForm;
    EXPECT_EQ(Form->windowTitle(), "Objects List");
    EXPECT_EQ(Form->size(), QSize(449, 328));
    Form->SetFormDesigner(&Designer, Scene);
    EXPECT_EQ(Lines(),
              (Strings{"Scene1 +", ".Camera1: TNyxCamera", ".Sphere1: TNyxSphere +", "..TNyxBox",
                       "..Light1: TNyxLight", ".Octahedron1: TNyxOctahedron"}));
    EXPECT_EQ(Tree().currentItem(), Tree().topLevelItem(0));
    EXPECT_EQ(TNyxObjectsListForm::NodeObject(Tree().currentItem()), Scene);
    // The designer's selection is cleared first; the root then becomes the selection.
    EXPECT_EQ(Designer.Log, (Strings{"ClearSelection", "Select Scene1"}));
    EXPECT_EQ(Scene->NotifyCount(), 1);
}

TEST_F(ObjectsListForm, ShowingTheSameSceneAgainDoesNotRebuild) {
    Open();
    Select(Camera);
    Form->SetScene(Scene);
    EXPECT_EQ(TNyxObjectsListForm::NodeObject(Tree().currentItem()), Camera);
    EXPECT_EQ(Designer.Log, (Strings{"Select Camera1"}));
}

TEST_F(ObjectsListForm, AnotherSceneReplacesTheTreeAndTheListener) {
    Open();
    auto* other = Add<TNyxScene>(nullptr, "Scene2");
    Add<TNyxTeapot>(other, "Teapot1");
    Form->SetScene(other);
    EXPECT_EQ(Lines(), (Strings{"Scene2 +", ".Teapot1: TNyxTeapot"}));
    EXPECT_EQ(Scene->NotifyCount(), 0);
    EXPECT_EQ(other->NotifyCount(), 1);
    // Without a designer no scene is shown, and no node is left to point at one.
    Form->SetFormDesigner(nullptr, other);
    EXPECT_EQ(other->NotifyCount(), 0);
    EXPECT_EQ(Tree().topLevelItemCount(), 0);
    EXPECT_FALSE(Form->DeleteBtn()->isEnabled());
}

// --- Images ------------------------------------------------------------------------------

TEST_F(ObjectsListForm, EachKindHasItsImageAndTheOctahedronNone) {
    struct TCase {
        TNyxObject* Object;
        int Image;
    };
    const TCase cases[] = {
        {Add<TNyxActor>(nullptr, ""), 0},        {Add<TNyxCamera>(nullptr, ""), 1},
        {Add<TNyxLight>(nullptr, ""), 2},        {Add<TNyxSphere>(nullptr, ""), 3},
        {Add<TNyxCone>(nullptr, ""), 4},         {Add<TNyxTorus>(nullptr, ""), 5},
        {Add<TNyxCircle>(nullptr, ""), 6},       {Add<TNyxPoint>(nullptr, ""), 7},
        {Add<TNyxLine>(nullptr, ""), 8},         {Add<TNyxPolygon>(nullptr, ""), 9},
        {Add<TNyxBox>(nullptr, ""), 10},         {Add<TNyxTeapot>(nullptr, ""), 11},
        {Add<TNyxIcosahedron>(nullptr, ""), 12}, {Add<TNyxDodecahedron>(nullptr, ""), 13},
        {Add<TNyxProxy>(nullptr, ""), 14},       {Add<TNyxUser>(nullptr, ""), 15},
        {Add<TNyxArc>(nullptr, ""), 16},         {Add<TNyxPolyline>(nullptr, ""), 17},
        {Add<TNyxHeightField>(nullptr, ""), 18}, {Add<TNyxLabel>(nullptr, ""), 19},
        {Add<TNyxMesh>(nullptr, ""), 20},        {Add<TNyxOctahedron>(nullptr, ""), -1},
        {Add<TNyxScene>(nullptr, ""), -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Object->ClassName());
        EXPECT_EQ(TNyxObjectsListForm::GetObjectImageIndex(c.Object), c.Image);
    }
    Open();
    EXPECT_FALSE(Tree().topLevelItem(0)->icon(0).isNull()) << "the root shows image 0";
    EXPECT_TRUE(Form->FindNode(Octahedron)->icon(0).isNull());
    EXPECT_FALSE(Form->FindNode(Light)->icon(0).isNull());
}

TEST(ObjectsListImages, DistinctPicturesThatDrawSomething) {
    std::vector<QImage> images;
    for (int i = 0; i < NyxObjectImageCount; ++i) {
        const QImage image = NyxObjectImage(i).toImage();
        ASSERT_EQ(image.size(), QSize(NyxImageSize, NyxImageSize)) << i;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 8) << "image " << i << " is all but empty";
        for (std::size_t j = 0; j < images.size(); ++j)
            EXPECT_NE(image, images[j]) << "images " << i << " and " << j << " are the same";
        images.push_back(image);
    }
    EXPECT_TRUE(NyxObjectImage(-1).isNull());
    EXPECT_TRUE(NyxObjectImage(NyxObjectImageCount).isNull());
    for (auto glyph : {TNyxEditorGlyph::New, TNyxEditorGlyph::Delete, TNyxEditorGlyph::Up,
                       TNyxEditorGlyph::Down, TNyxEditorGlyph::Form})
        EXPECT_FALSE(NyxEditorGlyph(glyph).isNull());
}

// --- The new-object menu -----------------------------------------------------------------

TEST_F(ObjectsListForm, NewMenuHoldsEveryKindWhereItBelongs) {
    struct TItem {
        const TMetaClass& Class;
        const char* Caption;
        const char* Submenu;  // empty: the menu itself
        bool Image;
    };
    const TItem items[] = {
        {TNyxActor::StaticClass(), "Actor", "", true},
        {TNyxPolygon::StaticClass(), "Triangle / Quad / Polygon", "Standard", true},
        {TNyxBox::StaticClass(), "Box / Parallelogram", "Standard", true},
        {TNyxSphere::StaticClass(), "Sphere / Ellipsoid", "Standard", true},
        {TNyxCone::StaticClass(), "Cone / Cylinder", "Standard", true},
        {TNyxTorus::StaticClass(), "Torus", "Standard", true},
        {TNyxDodecahedron::StaticClass(), "Dodecahedron", "Standard", true},
        {TNyxTeapot::StaticClass(), "Teapot", "Standard", true},
        {TNyxIcosahedron::StaticClass(), "Icosahedron", "Standard", true},
        {TNyxOctahedron::StaticClass(), "Octahedron", "Standard", false},
        {TNyxHeightField::StaticClass(), "Height Field", "Standard", true},
        {TNyxMesh::StaticClass(), "Mesh", "Standard", true},
        {TNyxPoint::StaticClass(), "Point", "Shapes", true},
        {TNyxLine::StaticClass(), "Line", "Shapes", true},
        {TNyxPolyline::StaticClass(), "Polyline", "Shapes", true},
        {TNyxCircle::StaticClass(), "Circle / NGon / Ellipse", "Shapes", true},
        {TNyxArc::StaticClass(), "Arc", "Shapes", true},
        {TNyxLabel::StaticClass(), "Text Label", "", true},
        {TNyxLight::StaticClass(), "Light", "", true},
        {TNyxCamera::StaticClass(), "Camera", "", true},
        {TNyxUser::StaticClass(), "User draw", "", true},
        {TNyxProxy::StaticClass(), "Proxy", "", true},
    };
    Open();
    for (const TItem& item : items) {
        SCOPED_TRACE(item.Caption);
        QAction* action = Form->NewItemOf(item.Class);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), item.Caption);
        EXPECT_EQ(!action->icon().isNull(), item.Image);
        auto* menu = qobject_cast<QMenu*>(action->parent());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu == Form->PopupMenu1() ? "" : menu->title().toStdString(), item.Submenu);
    }
    // Top level: Actor, the two submenus, Text Label, Light, Camera, a separator, User
    // draw, Proxy.
    Strings top;
    for (QAction* a : Form->PopupMenu1()->actions())
        top.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(top, (Strings{"Actor", "Standard", "Shapes", "Text Label", "Light", "Camera", "-",
                            "User draw", "Proxy"}));
}

TEST_F(ObjectsListForm, AddsUnderTheSceneWithNothingSelectedAndUnderTheSelection) {
    Open();
    Tree().setCurrentItem(nullptr);
    Designer.Log.clear();
    Form->NewItemOf(TNyxSphere::StaticClass())->trigger();
    ASSERT_EQ(Scene->GetItemsCount(), 4);
    TNyxObject* first = Scene->GetItem(3);
    EXPECT_EQ(first->Name(), "NyxSphere1");
    EXPECT_TRUE(first->Is<TNyxSphere>());
    EXPECT_EQ(Designer.Log, (Strings{"Create TNyxSphere Scene1 0 0 0 0"}));

    Select(Camera);
    Designer.Log.clear();
    Form->NewItemOf(TNyxSphere::StaticClass())->trigger();
    ASSERT_EQ(Camera->GetItemsCount(), 1);
    TNyxObject* second = Camera->GetItem(0);
    EXPECT_EQ(second->Name(), "NyxSphere2");
    EXPECT_EQ(Designer.Log, (Strings{"Create TNyxSphere Camera1 0 0 0 0"}));
    const auto* scale = second->XForm()->Scale();
    EXPECT_EQ(std::vector<double>({scale->X(), scale->Y(), scale->Z()}),
              std::vector<double>({1, 1, 1}));
    // Nodes added by the insertion read "name:class".
    EXPECT_EQ(Lines(), (Strings{"Scene1 +", ".Camera1: TNyxCamera +", "..NyxSphere2:TNyxSphere",
                                ".Sphere1: TNyxSphere +", "..TNyxBox", "..Light1: TNyxLight",
                                ".Octahedron1: TNyxOctahedron", ".NyxSphere1:TNyxSphere"}));
    EXPECT_EQ(TNyxObjectsListForm::NodeObject(Tree().currentItem()), Camera);
}

TEST_F(ObjectsListForm, OtherSendersAndFailingDesignersCreateNothing) {
    Open();
    QAction stranger("Sphere / Ellipsoid");
    Form->Point1Click(&stranger);
    Form->Point1Click(nullptr);
    EXPECT_TRUE(Designer.Log.empty());
    EXPECT_EQ(Scene->GetItemsCount(), 3);

    struct TFailing : TLogDesigner {
        using TLogDesigner::TLogDesigner;
        TComponent* CreateComponent(const TMetaClass*, TComponent*, int, int, int, int) override {
            throw EComponentError("no room");
        }
    } failing(Root);
    Form->SetFormDesigner(&failing, Scene);
    EXPECT_THROW(Form->Point1Click(Form->NewItemOf(TNyxCone::StaticClass())), EComponentError);
    // From the menu the error reaches the application's handler.
    TMessageCapture capture;
    Form->NewItemOf(TNyxCone::StaticClass())->trigger();
    EXPECT_EQ(capture.Exceptions, Strings{"no room"});
    EXPECT_EQ(Scene->GetItemsCount(), 3);
}

// --- Following the scene -----------------------------------------------------------------

TEST_F(ObjectsListForm, FollowsInsertionsRenamesAndRemovalsMadeElsewhere) {
    Open();
    Camera->SetName("Cam");
    EXPECT_EQ(Form->FindNode(Camera)->text(0), "Cam:TNyxCamera");
    Box->SetName("Crate");
    EXPECT_EQ(Form->FindNode(Box)->text(0), "Crate:TNyxBox");

    // A subtree attached as a whole shows all of its objects.
    auto* actor = Add<TNyxActor>(nullptr, "Actor1");
    Add<TNyxTorus>(Add<TNyxCone>(actor, "Cone1"), "Torus1");
    actor->SetParentComponent(Sphere);
    EXPECT_EQ(Lines(),
              (Strings{"Scene1 +", ".Cam:TNyxCamera", ".Sphere1: TNyxSphere +", "..Crate:TNyxBox",
                       "..Light1: TNyxLight", "..Actor1:TNyxActor", "...Cone1: TNyxCone",
                       "....Torus1: TNyxTorus", ".Octahedron1: TNyxOctahedron"}));
    delete Sphere;
    EXPECT_EQ(Lines(), (Strings{"Scene1 +", ".Cam:TNyxCamera", ".Octahedron1: TNyxOctahedron"}));
    for (QTreeWidgetItemIterator it(&Tree()); *it; ++it)
        EXPECT_NE(TNyxObjectsListForm::NodeObject(*it), nullptr);
}

TEST_F(ObjectsListForm, FollowsMovesKeepingWhatWasExpanded) {
    Open();
    Tree().collapseItem(Form->FindNode(Sphere));
    Octahedron->SetItemIndex(0);
    EXPECT_EQ(Lines(), (Strings{"Scene1 +", ".Octahedron1: TNyxOctahedron", ".Camera1: TNyxCamera",
                                ".Sphere1: TNyxSphere", "..TNyxBox", "..Light1: TNyxLight"}));
    Tree().expandItem(Form->FindNode(Sphere));
    Select(Sphere);
    Designer.Log.clear();
    Sphere->SetItemIndex(0);
    Light->SetItemIndex(0);
    EXPECT_EQ(Lines(),
              (Strings{"Scene1 +", ".Sphere1: TNyxSphere +", "..Light1: TNyxLight", "..TNyxBox",
                       ".Octahedron1: TNyxOctahedron", ".Camera1: TNyxCamera"}));
    EXPECT_EQ(TNyxObjectsListForm::NodeObject(Tree().currentItem()), Sphere);
    EXPECT_TRUE(Designer.Log.empty()) << "a move changes no selection";
}

TEST_F(ObjectsListForm, FreeingTheSceneClosesTheForm) {
    Open();
    Form->show();
    TMessageCapture capture;
    delete Scene;
    EXPECT_TRUE(capture.Boxes.empty()) << capture.Boxes.front().Text;
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Form->Scene(), nullptr);
    FlushDeletes();
    EXPECT_TRUE(Form.isNull());
}

TEST_F(ObjectsListForm, ASceneInsideAnotherTreeClosesTheFormWhenItLeaves) {
    auto* holder = Add<TNyxScene>(nullptr, "Holder");
    Scene->SetParentComponent(holder);
    Open();
    Scene->SetParentComponent(nullptr);
    FlushDeletes();
    EXPECT_TRUE(Form.isNull());
    EXPECT_EQ(Scene->NotifyCount(), 0);
}

// --- Buttons and menus -------------------------------------------------------------------

TEST_F(ObjectsListForm, ButtonsFollowTheSelection) {
    struct TCase {
        TNyxObject* Selected;
        bool Delete, Up, Down;
    };
    Open();
    for (const TCase& c : {TCase{nullptr, false, false, false}, TCase{Scene, false, false, false},
                           TCase{Camera, true, false, true}, TCase{Sphere, true, true, true},
                           TCase{Octahedron, true, true, false}, TCase{Box, true, false, true},
                           TCase{Light, true, true, false}}) {
        SCOPED_TRACE(c.Selected ? c.Selected->ClassName() : "nothing");
        Tree().setCurrentItem(c.Selected ? Form->FindNode(c.Selected) : nullptr);
        EXPECT_EQ(Form->DeleteBtn()->isEnabled(), c.Delete);
        EXPECT_EQ(Form->Delete1()->isEnabled(), c.Delete);
        EXPECT_EQ(Form->UpBtn()->isEnabled(), c.Up);
        EXPECT_EQ(Form->Moveup1()->isEnabled(), c.Up);
        EXPECT_EQ(Form->DownBtn()->isEnabled(), c.Down);
        EXPECT_EQ(Form->Movedown1()->isEnabled(), c.Down);
    }
}

TEST_F(ObjectsListForm, TheSelectionGoesToTheDesigner) {
    Open();
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {},
                      Tree().visualItemRect(Form->FindNode(Camera)).center());
    Select(Light);
    EXPECT_EQ(Designer.Log, (Strings{"Select Camera1", "Select Light1"}));
    EXPECT_EQ(Designer.Selection, Light);
}

TEST_F(ObjectsListForm, UpAndDownMoveTheObjectAndTellTheDesignerNothing) {
    Open();
    Select(Camera);
    Designer.Log.clear();
    QTest::mouseClick(Form->DownBtn(), Qt::LeftButton);
    EXPECT_EQ(Names(Scene), (Strings{"Sphere1", "Camera1", "Octahedron1"}));
    Form->Movedown1()->trigger();
    EXPECT_EQ(Names(Scene), (Strings{"Sphere1", "Octahedron1", "Camera1"}));
    EXPECT_FALSE(Form->DownBtn()->isEnabled());
    QTest::mouseClick(Form->DownBtn(), Qt::LeftButton);  // disabled: nothing
    Form->Movedown1Click(Form->DownBtn());               // at the end: clamped, nothing
    EXPECT_EQ(Names(Scene), (Strings{"Sphere1", "Octahedron1", "Camera1"}));
    Form->Moveup1()->trigger();
    QTest::mouseClick(Form->UpBtn(), Qt::LeftButton);
    EXPECT_EQ(Names(Scene), (Strings{"Camera1", "Sphere1", "Octahedron1"}));
    EXPECT_FALSE(Form->UpBtn()->isEnabled());
    EXPECT_EQ(Lines()[1], ".Camera1: TNyxCamera");
    EXPECT_TRUE(Designer.Log.empty());
}

TEST_F(ObjectsListForm, DeleteFreesTheObjectButNeverTheScene) {
    Open();
    Form->DeleteClick();  // the root is selected
    EXPECT_EQ(Scene->GetItemsCount(), 3);
    EXPECT_TRUE(Designer.Log.empty());

    Select(Sphere);
    Designer.Log.clear();
    const int live = LiveObjectCount;
    QTest::mouseClick(Form->DeleteBtn(), Qt::LeftButton);
    EXPECT_EQ(LiveObjectCount, live - 3);
    EXPECT_EQ(Names(Scene), (Strings{"Camera1", "Octahedron1"}));
    EXPECT_EQ(Form->FindNode(Sphere), nullptr);
    ASSERT_FALSE(Designer.Log.empty());
    EXPECT_EQ(Designer.Log.back(), "Modified");
    // The selection moved to a node that still has its object.
    EXPECT_NE(Designer.Selection, nullptr);
    EXPECT_NE(Designer.Log.front(), "Select Sphere1");

    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form));
    Tree().setFocus();
    Select(Camera);
    QTest::keyClick(&Tree(), Qt::Key_Delete);
    EXPECT_EQ(Names(Scene), (Strings{"Octahedron1"}));
}

TEST_F(ObjectsListForm, ClearAsksAndOnlyYesClears) {
    Open();
    Select(Light);
    {
        TMessageCapture capture;
        capture.Answer = IDNO;
        QTest::mouseClick(Form->ClearBtn(), Qt::LeftButton);
        ASSERT_EQ(capture.Boxes.size(), 1u);
        EXPECT_EQ(capture.Boxes[0].Text, "Are you sure want to clear the scene?");
        EXPECT_EQ(capture.Boxes[0].Caption, "Warning");
        EXPECT_EQ(capture.Boxes[0].Flags, MB_YESNO | MB_ICONQUESTION);
    }
    EXPECT_EQ(Scene->GetItemsCount(), 3);
    EXPECT_EQ(TNyxObjectsListForm::NodeObject(Tree().currentItem()), Light);
    EXPECT_EQ(Designer.Log, (Strings{"Select Light1"}));
    {
        TMessageCapture capture;
        capture.Answer = IDYES;
        Form->ClearBtnClick();
    }
    EXPECT_EQ(Scene->GetItemsCount(), 0);
    EXPECT_EQ(Lines(), (Strings{"Scene1"}));
    EXPECT_EQ(Designer.Log, (Strings{"Select Light1", "Select Scene1", "Modified"}));
}

TEST_F(ObjectsListForm, CloseLetsGoOfTheSceneAndFreesTheForm) {
    Open();
    Form->show();
    QTest::mouseClick(Form->CloseBtn(), Qt::LeftButton);
    EXPECT_EQ(Scene->NotifyCount(), 0);
    EXPECT_EQ(Form->Designer(), nullptr);
    FlushDeletes();
    EXPECT_TRUE(Form.isNull());
    TMessageCapture capture;
    delete Scene;
    EXPECT_TRUE(capture.Boxes.empty());
}

TEST_F(ObjectsListForm, AFormFreedWhileOpenLetsGoOfTheScene) {
    Open();
    delete Form.data();
    EXPECT_EQ(Scene->NotifyCount(), 0);
}

// --- Drag and drop -----------------------------------------------------------------------

TEST_F(ObjectsListForm, DropsAreRefusedOnTheDraggedNodeItsParentAndItsSubtree) {
    Open();
    struct TCase {
        TNyxObject* Dragged;
        TNyxObject* Target;  // none: empty space
        bool Accepted;
    };
    for (const TCase& c :
         {TCase{Sphere, Sphere, false}, TCase{Sphere, Scene, false}, TCase{Sphere, Box, false},
          TCase{Sphere, nullptr, false}, TCase{Sphere, Camera, true}, TCase{Box, Light, true},
          TCase{Box, Camera, true}, TCase{Box, Scene, true}, TCase{Scene, Camera, false},
          TCase{Scene, Light, false}, TCase{nullptr, Camera, false}}) {
        Tree().setCurrentItem(c.Dragged ? Form->FindNode(c.Dragged) : nullptr);
        EXPECT_EQ(Form->TreeView1DragOver(c.Target ? Form->FindNode(c.Target) : nullptr),
                  c.Accepted)
            << (c.Dragged ? c.Dragged->ClassName() : "nothing") << " on "
            << (c.Target ? c.Target->ClassName() : "nothing");
    }
}

class ObjectsListDrop : public ObjectsListForm {
protected:
    bool DropOn(const TNyxObject* Target) { return DropNode(*Form, Target); }
};

TEST_F(ObjectsListDrop, ADropReparentsTheObjectWithItsSubtree) {
    Open();
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form));
    Select(Sphere);
    Designer.Log.clear();
    EXPECT_TRUE(DropOn(Camera));
    EXPECT_EQ(Names(Scene), (Strings{"Camera1", "Octahedron1"}));
    EXPECT_EQ(Sphere->Parent(), Camera);
    EXPECT_EQ(Lines(),
              (Strings{"Scene1 +", ".Camera1: TNyxCamera +", "..Sphere1:TNyxSphere", "...TNyxBox",
                       "...Light1: TNyxLight", ".Octahedron1: TNyxOctahedron"}));
    EXPECT_EQ(Designer.Log.back(), "Modified");

    Select(Camera);
    Designer.Log.clear();
    Tree().expandAll();
    EXPECT_FALSE(DropOn(Light)) << "into its own subtree";
    EXPECT_EQ(Camera->Parent(), Scene);
    EXPECT_TRUE(Designer.Log.empty());
}

// --- Library stop ------------------------------------------------------------------------

TEST_F(ObjectsListForm, LibraryStopFreesTheFirstOpenForm) {
    Open();
    QPointer<TNyxObjectsListForm> second = new TNyxObjectsListForm;
    ASSERT_EQ(FirstObjectsListForm(), Form);
    {
        TMessageCapture capture;  // the objects still alive are reported
        NyxShutdown();
        NyxStartup();
    }
    EXPECT_TRUE(Form.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(FirstObjectsListForm(), second);
    EXPECT_EQ(Scene->NotifyCount(), 0);
    delete second.data();
}

}  // namespace
}  // namespace nyx::test
