// Importing below a scene that panels show repaints them once, when the load is done.
#include "drawprobe.h"
#include "dxf/converter.h"
#include "dxftest.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

using namespace nyx;
using namespace nyx::test;

namespace {

TEST(DXFRepaint, ALoadRepaintsThePanelsOnce) {
    TScratch dir;
    const std::string file =
        dir.Write("d.dxf", DxfText(Drawing({{"L1", 1}, {"L2", 2}}, {{0, "LINE"},
                                                                    {8, "L1"},
                                                                    {0, "POINT"},
                                                                    {8, "L2"},
                                                                    {0, "CIRCLE"},
                                                                    {8, "L1"},
                                                                    {0, "POLYLINE"},
                                                                    {8, "L3"},
                                                                    {0, "VERTEX"},
                                                                    {10, "1"},
                                                                    {0, "VERTEX"},
                                                                    {10, "2"},
                                                                    {0, "SEQEND"}})));
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    auto* panel = new TCountingPanel(&owner);
    scene->RegisterGLPanel(panel);
    auto* below = new TNyxObject(&owner);
    below->SetParentComponent(scene);
    TDXFConverter converter(nullptr);
    converter.SetRoot(below);
    converter.SetFileName(file);
    const int before = panel->Repaints;
    converter.LoadFromFile();
    EXPECT_EQ(panel->Repaints, before + 1);
    EXPECT_EQ(below->GetItemsCount(), 3);
    converter.SetRoot(nullptr);
}

}  // namespace
