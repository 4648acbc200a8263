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
#include "testing/glrecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
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

// Where two pictures differ by more than one level in a channel: how many pixels, and
// by how much at most.
struct TDifference {
    int Pixels = 0;
    int Largest = 0;
};

TDifference Compare(const std::vector<TColor>& A, const std::vector<TColor>& B) {
    TDifference d;
    for (std::size_t i = 0; i < A.size() && i < B.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16})
            worst = std::max(worst,
                             std::abs(int((A[i] >> shift) & 0xFF) - int((B[i] >> shift) & 0xFF)));
        d.Pixels += worst > 1;
        d.Largest = std::max(d.Largest, worst);
    }
    return d;
}

// The same picture within the driver's rounding. Mesa splits the quads of a compiled
// list into triangles along the other diagonal than in immediate mode, which shows on
// smooth-shaded quads (the cone's and torus' strips) as a few levels at a few pixels:
// at most 0.1 % of the picture may differ by more than one level, none by more than 8.
void ExpectSamePicture(const std::vector<TColor>& Immediate, const std::vector<TColor>& Cached) {
    const TDifference d = Compare(Immediate, Cached);
    EXPECT_LE(d.Pixels, Width * Height / 1000);
    EXPECT_LE(d.Largest, 8);
}

std::size_t FeedbackRenders(const std::vector<std::string>& Calls) {
    return std::size_t(std::count(Calls.begin(), Calls.end(), "glRenderMode(GL_FEEDBACK)"));
}

TEST_F(CacheDemoTest, TheDemoLooksTheSameWithTheCacheOnAndOff) {
    const std::vector<TColor> immediate = Picture();
    demo.Scene->SetCacheGeometry(true);
    SCOPED_TRACE("the frame that compiles");
    ExpectSamePicture(immediate, Picture());
    SCOPED_TRACE("a frame that calls the lists");
    ExpectSamePicture(immediate, Picture());
}

// Nor compiles anything: the mirror's image, drawn with the reflections off for a moment,
// keeps lists of its own beside those of the frame.
TEST_F(CacheDemoTest, AStaticDemoRunsNoFeedbackRenderAndCompilesNothing) {
    demo.Scene->SetCacheGeometry(true);
    TGLRecorder recorder;
    panel->Repaint();
    EXPECT_EQ(FeedbackRenders(recorder.Calls()), 0u);
    EXPECT_TRUE(recorder.Calls({"glNewList"}).empty());
    EXPECT_FALSE(recorder.Calls({"glCallList"}).empty());
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
        {"the title's caption", [&] { demo.Title->SetCaption("Xy"); }},
        {"the sun moves", [&] { demo.Sun->Point1()->SetX(-2); }},
        {"the floor receives no shadows", [&] { demo.Floor->SetShadows(1, false); }},
        {"the box drawn as lines", [&] { demo.Box->SetDrawType(dtLine); }},
    };
    std::vector<TColor> before = Picture();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        row.Edit();  // repaints
        const std::vector<TColor> after = Picture();
        EXPECT_NE(after, before) << "the edit shows in the next cached frame";
        ExpectSamePicture(Immediate(), Picture());
        before = Picture();
    }
}

}  // namespace
