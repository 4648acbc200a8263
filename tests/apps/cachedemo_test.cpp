// The demo scene (shadows, a mirror, labels, a texture, a terrain) with the geometry
// cache on and off: the same picture, also after edits between cached frames, and an edit
// shows in the very next frame.
#include "demo.h"

#include "objects/box.h"
#include "objects/label.h"
#include "objects/quadrics.h"
#include "objects/torus.h"
#include "rtl/controls.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace nyx;

namespace {

constexpr int Width = 200;
constexpr int Height = 150;

class CacheDemoTest : public ::testing::Test {
protected:
    CacheDemoTest() : demo(BuildDemoScene(&owner)) {
        panel->SetBounds(0, 0, Width, Height);
        panel->HandleNeeded();
        panel->SetCamera(demo.Camera);
    }

    // The panel's picture after one more frame.
    std::vector<TColor> Picture() {
        panel->Repaint();
        const TBitmap& shown = dynamic_cast<TOffscreenWindow&>(*panel->WindowHandle()).Bitmap();
        std::vector<TColor> pixels;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                pixels.push_back(shown.Pixels(x, y) & 0xFFFFFF);
        return pixels;
    }
    // The picture drawn in immediate mode, the cache left as it was.
    std::vector<TColor> Immediate() {
        demo.Scene->SetCacheGeometry(false);
        std::vector<TColor> p = Picture();
        demo.Scene->SetCacheGeometry(true);
        return p;
    }

    TComponent owner{nullptr};
    TDemoScene demo;
    TNyxPanel* panel = new TNyxPanel(&owner);
};

int LargestDifference(const std::vector<TColor>& A, const std::vector<TColor>& B) {
    int worst = 0;
    for (std::size_t i = 0; i < A.size(); ++i)
        for (int shift : {0, 8, 16})
            worst = std::max(worst,
                             std::abs(int((A[i] >> shift) & 0xFF) - int((B[i] >> shift) & 0xFF)));
    return worst;
}

// The lights of the demo are at infinity, so every face is lit evenly and the compiled
// lists draw exactly what immediate mode draws; one level is allowed where Mesa rounds
// the two paths differently.
TEST_F(CacheDemoTest, TheDemoLooksTheSameWithTheCacheOnAndOff) {
    const std::vector<TColor> immediate = Picture();
    demo.Scene->SetCacheGeometry(true);
    EXPECT_LE(LargestDifference(immediate, Picture()), 1) << "the frame that compiles";
    EXPECT_LE(LargestDifference(immediate, Picture()), 1) << "a frame that calls the lists";
}

TEST_F(CacheDemoTest, EditsBetweenCachedFramesShowAsInImmediateMode) {
    demo.Scene->SetCacheGeometry(true);
    Picture();
    struct TRow {
        const char* What;
        std::function<void()> Edit;
    };
    const TRow rows[] = {
        {"the sphere moves", [&] { demo.Sphere->XForm()->Translate()->SetZ(1.2); }},
        {"the cone's shape", [&] { demo.Cone->SetHeight(0.7); }},
        {"the torus' colour", [&] { demo.Torus->SetColor(clLime); }},
        {"the box drawn as lines", [&] { demo.Box->SetDrawType(dtLine); }},
        {"the title's caption", [&] { demo.Title->SetCaption("Xy"); }},
        {"the sun moves", [&] { demo.Sun->Point1()->SetX(-2); }},
        {"the floor's slices", [&] { demo.Floor->SetSlices(0, 3); }},
    };
    std::vector<TColor> before = Picture();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        row.Edit();
        const std::vector<TColor> after = Picture();
        EXPECT_NE(after, before) << "the edit shows in the next cached frame";
        EXPECT_LE(LargestDifference(Immediate(), after), 1);
        EXPECT_EQ(Picture(), after) << "and stays";
        before = after;
    }
}

}  // namespace
