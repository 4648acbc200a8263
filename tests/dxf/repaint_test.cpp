// Importing into a scene that panels show, or below it, repaints them once, when the load
// is done, whether it succeeds or fails; afterwards every change repaints again.
#include "drawprobe.h"
#include "dxf/converter.h"
#include "dxftest.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

using namespace nyx;
using namespace nyx::test;

namespace {

const TGroups Entities = {{0, "LINE"},   {8, "L1"}, {0, "POINT"},    {8, "L2"},
                          {0, "CIRCLE"}, {8, "L1"}, {0, "POLYLINE"}, {8, "L3"},
                          {0, "VERTEX"}, {10, "1"}, {0, "VERTEX"},   {10, "2"},
                          {0, "SEQEND"}};

struct TRepaintCase {
    const char* Name;
    bool IntoScene;  // Root is the scene itself, not an object below it
    bool Broken;     // the load fails half-way, at a coordinate that is no number
};

void PrintTo(const TRepaintCase& c, std::ostream* os) { *os << c.Name; }

class DXFRepaint : public ::testing::TestWithParam<TRepaintCase> {};

TEST_P(DXFRepaint, ALoadRepaintsEachPanelOnce) {
    const TRepaintCase& tc = GetParam();
    const TGroups tail = tc.Broken ? TGroups{{0, "LINE"}, {8, "L1"}, {10, "east"}} : TGroups{};
    TScratch dir;
    const std::string file =
        dir.Write("d.dxf", DxfText(Drawing({{"L1", 1}, {"L2", 2}}, Entities + tail)));
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    auto* first = new TCountingPanel(&owner);
    auto* second = new TCountingPanel(&owner);
    scene->RegisterGLPanel(first);
    scene->RegisterGLPanel(second);
    TNyxObject* root = scene;
    if (!tc.IntoScene) {
        root = new TNyxObject(&owner);
        root->SetParentComponent(scene);
        // A child that the load frees: its removal repaints nothing either.
        (new TNyxObject(&owner))->SetParentComponent(root);
    } else {
        (new TNyxObject(&owner))->SetParentComponent(scene);
    }
    TDXFConverter converter(nullptr);
    converter.SetRoot(root);
    converter.SetFileName(file);
    first->Repaints = second->Repaints = 0;
    if (tc.Broken)
        EXPECT_THROW(converter.LoadFromFile(), EDXFReadException);
    else
        converter.LoadFromFile();
    EXPECT_EQ(first->Repaints, 1);
    EXPECT_EQ(second->Repaints, 1);
    EXPECT_EQ(root->GetItemsCount(), 3) << "L1, L2 and L3";

    // The hold ends with the load: an ordinary change shows at once.
    scene->SetBackgroundColor(clRed);
    EXPECT_EQ(first->Repaints, 2);
    EXPECT_EQ(second->Repaints, 2);
    converter.SetRoot(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Roots, DXFRepaint,
                         ::testing::Values(TRepaintCase{"BelowTheScene", false, false},
                                           TRepaintCase{"TheSceneItself", true, false},
                                           TRepaintCase{"BelowTheSceneFailing", false, true},
                                           TRepaintCase{"TheSceneItselfFailing", true, true}));

}  // namespace
