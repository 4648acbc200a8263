// The time line's nodes, built headlessly (Qt's offscreen platform).

#include "qtenv.h"

#include "objects/quadrics.h"
#include "qt/timeline.h"
#include "scene/camera.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <string>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

// The tree as indented text, one node a line; "*" marks a collapsed node with children.
void Dump(const QTreeWidgetItem* Node, int Depth, std::string& Out) {
    Out += std::string(std::size_t(Depth) * 2, ' ') + Node->text(0).toStdString();
    if (Node->childCount() > 0 && !Node->isExpanded())
        Out += " *";
    Out += "\n";
    for (int i = 0; i < Node->childCount(); ++i)
        Dump(Node->child(i), Depth + 1, Out);
}

std::string Dump(const TNyxTimeLine& TimeLine) {
    std::string out;
    for (int i = 0; i < TimeLine.topLevelItemCount(); ++i)
        Dump(TimeLine.topLevelItem(i), 0, out);
    return out;
}

const char* const SceneProperties = "  BackgroundColor\n"
                                    "  MaterialLibrary\n"
                                    "    +\n"
                                    "  SceneAmbientColor\n"
                                    "  XForm\n"
                                    "    +\n";

class TimeLineTest : public ::testing::Test {
protected:
    TimeLineTest() {
        scene = new TNyxScene(&owner);
        scene->SetName("Scene1");
    }

    TNyxSphere* AddSphere(const std::string& Name, TNyxObject* Parent) {
        auto* sphere = new TNyxSphere(&owner);
        sphere->SetName(Name);
        sphere->SetParentComponent(Parent);
        return sphere;
    }

    TComponent owner{nullptr};
    TNyxScene* scene;
    TNyxTimeLine timeLine;
};

TEST_F(TimeLineTest, SceneWithTwoChildrenListsPropertiesFirstThenChildrenExpanded) {
    AddSphere("Ball", scene);
    auto* camera = new TNyxCamera(&owner);
    camera->SetName("Eye");
    camera->SetParentComponent(scene);

    timeLine.SetScene(scene);

    // Integer (colours too), float and class properties by name; no Tag, no booleans,
    // enumerations, sets or strings (Name, Ident, DrawType, Visible, Parts...).
    EXPECT_EQ(Dump(timeLine), std::string("Scene1\n") + SceneProperties +
                                  "  Ball\n"
                                  "    Color\n"
                                  "    Material\n"
                                  "      +\n"
                                  "    MaterialIndex\n"
                                  "    Slices\n"
                                  "    Stacks\n"
                                  "    XForm\n"
                                  "      +\n"
                                  "  Eye\n"
                                  "    FarClipPlane\n"
                                  "    FocalLength\n"
                                  "    FOVY\n"
                                  "    NearClipPlane\n"
                                  "    Position\n"
                                  "      +\n"
                                  "    PositionObject\n"
                                  "      +\n"
                                  "    Target\n"
                                  "      +\n"
                                  "    TargetObject\n"
                                  "      +\n"
                                  "    Up\n"
                                  "      +\n");
}

TEST_F(TimeLineTest, ObjectNodesCarryTheirObjectsOtherNodesNothing) {
    auto* outer = AddSphere("Outer", scene);
    auto* inner = AddSphere("", outer);  // unnamed: an empty text
    timeLine.SetScene(scene);

    const QTreeWidgetItem* root = timeLine.topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(TNyxTimeLine::ObjectOf(root), scene);
    EXPECT_EQ(TNyxTimeLine::ObjectOf(root->child(0)), nullptr) << "a property node";
    EXPECT_EQ(TNyxTimeLine::ObjectOf(root->child(1)->child(0)), nullptr) << "a placeholder";

    const QTreeWidgetItem* outerNode = root->child(root->childCount() - 1);
    EXPECT_EQ(TNyxTimeLine::ObjectOf(outerNode), outer);
    const QTreeWidgetItem* innerNode = outerNode->child(outerNode->childCount() - 1);
    EXPECT_EQ(TNyxTimeLine::ObjectOf(innerNode), inner);
    EXPECT_EQ(innerNode->text(0), QString());
    EXPECT_EQ(TNyxTimeLine::ObjectOf(nullptr), nullptr);
}

TEST_F(TimeLineTest, AssigningNoneEmptiesAndTheTreeStaysUsable) {
    AddSphere("Ball", scene);
    timeLine.SetScene(scene);
    timeLine.SetScene(nullptr);
    EXPECT_EQ(timeLine.topLevelItemCount(), 0);
    EXPECT_EQ(timeLine.Scene(), nullptr);

    auto* other = new TNyxScene(&owner);
    other->SetName("Other");
    timeLine.SetScene(other);
    EXPECT_EQ(Dump(timeLine), std::string("Other\n") + SceneProperties);
}

TEST_F(TimeLineTest, SameSceneAgainDoesNotRebuildEvenAfterChanges) {
    timeLine.SetScene(scene);
    const std::string before = Dump(timeLine);
    AddSphere("Late", scene);
    scene->SetName("Renamed");

    timeLine.SetScene(scene);
    EXPECT_EQ(Dump(timeLine), before);

    // Another scene and back: now the changes show.
    timeLine.SetScene(nullptr);
    timeLine.SetScene(scene);
    EXPECT_NE(Dump(timeLine).find("Renamed\n"), std::string::npos);
    EXPECT_NE(Dump(timeLine).find("  Late\n"), std::string::npos);
}

TEST_F(TimeLineTest, FreeingTheSceneEmptiesTheTree) {
    AddSphere("Ball", scene);
    timeLine.SetScene(scene);
    delete scene;
    EXPECT_EQ(timeLine.topLevelItemCount(), 0);
    EXPECT_EQ(timeLine.Scene(), nullptr);
}

TEST_F(TimeLineTest, FreedObjectKeepsItsNodeButNotItsData) {
    auto* ball = AddSphere("Ball", scene);
    auto* kept = AddSphere("Kept", scene);
    timeLine.SetScene(scene);
    const QTreeWidgetItem* root = timeLine.topLevelItem(0);
    const int count = root->childCount();
    const QTreeWidgetItem* ballNode = root->child(count - 2);
    ASSERT_EQ(TNyxTimeLine::ObjectOf(ballNode), ball);

    delete ball;
    EXPECT_EQ(root->childCount(), count) << "the tree does not follow the scene";
    EXPECT_EQ(ballNode->text(0), QString("Ball"));
    EXPECT_EQ(TNyxTimeLine::ObjectOf(ballNode), nullptr);
    EXPECT_EQ(TNyxTimeLine::ObjectOf(root->child(count - 1)), kept);
}

TEST_F(TimeLineTest, TimeLineFreedBeforeItsSceneLeavesTheSceneSound) {
    auto* ball = AddSphere("Ball", scene);
    {
        TNyxTimeLine shortLived;
        shortLived.SetScene(scene);
    }
    delete ball;  // no watch of the freed time line may be told
    delete scene;
}

}  // namespace
}  // namespace nyx::test
