// Picking: what a pick rectangle hits, marking with and without toggle and clearing,
// the selection buffer's growth, and the context left as it was found.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "drawprobe.h"
#include "testing/offscreen.h"

using namespace nyx;
using namespace nyx::test;

namespace {

// The camera shows y in [-4, 4] over 48 rows at z = 0: six pixels a unit, the origin at
// pixel (32, 24). Quads of side 1 stand at x = -3, 0, 3: pixel columns 14, 32 and 50.
class Selection : public ::testing::Test {
protected:
    Selection() : gl(64, 48) {
        scene = new TNyxScene(&owner);
        camera = MakeCamera(scene);
        for (int i = 0; i < 3; ++i) {
            quads[i] = Add<TQuad>(scene, "Q" + std::to_string(i));
            quads[i]->XForm()->Translate()->SetX(3.0 * (i - 1));
        }
        panel = new TCountingPanel(&owner);
        scene->RegisterGLPanel(panel);
    }

    std::int32_t Pick(int x, int y, int w, int h, bool mark = true, bool toggle = false,
                      bool clearFirst = false) {
        return scene->Select(camera, 64, 48, x, y, w, h, mark, toggle, clearFirst);
    }
    std::array<bool, 3> Marks() const {
        return {quads[0]->Selected(), quads[1]->Selected(), quads[2]->Selected()};
    }

    TOffscreenGL gl;
    TComponent owner{nullptr};
    TNyxScene* scene;
    TNyxCamera* camera;
    TQuad* quads[3];
    TCountingPanel* panel;
};

using Marked = std::array<bool, 3>;

TEST_F(Selection, PickRectangleMarksEverythingDrawnIntoIt) {
    struct TCase {
        const char* What;
        int X, Y, W, H;
        int Hits;
        Marked Expected;
    };
    const TCase cases[] = {
        {"click on the right quad", 50, 24, 4, 4, 1, {false, false, true}},
        {"rubber band over the whole view", 32, 24, 64, 48, 3, {true, true, true}},
        {"band over the left two", 20, 24, 30, 10, 2, {true, true, false}},
        {"click between quads", 23, 24, 4, 4, 0, {false, false, false}},
        {"click above them", 32, 44, 4, 4, 0, {false, false, false}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        for (TQuad* q : quads)
            q->StoreSelected(false);
        const int repaints = panel->Repaints;
        EXPECT_EQ(Pick(c.X, c.Y, c.W, c.H), c.Hits);
        EXPECT_EQ(Marks(), c.Expected);
        EXPECT_EQ(panel->Repaints, repaints + 1) << "one repaint per selection";
    }
}

TEST_F(Selection, ToggleMarkAndClearFirstOverTwoClicks) {
    struct TCase {
        const char* What;
        bool Mark, Toggle, ClearFirst;
        Marked AfterFirst, AfterSecond;  // the left quad starts selected
    };
    const TCase cases[] = {
        {"toggle selects, then deselects",
         true,
         true,
         false,
         {true, true, false},
         {true, false, false}},
        {"toggle after clearing keeps it selected",
         true,
         true,
         true,
         {false, true, false},
         {false, true, false}},
        {"plain marking adds to the selection",
         true,
         false,
         false,
         {true, true, false},
         {true, true, false}},
        {"without marking only the clearing acts",
         false,
         true,
         true,
         {false, false, false},
         {false, false, false}},
        {"neither: nothing changes",
         false,
         false,
         false,
         {true, false, false},
         {true, false, false}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        for (TQuad* q : quads)
            q->StoreSelected(false);
        quads[0]->StoreSelected(true);
        EXPECT_EQ(Pick(32, 24, 4, 4, c.Mark, c.Toggle, c.ClearFirst), 1);
        EXPECT_EQ(Marks(), c.AfterFirst);
        Pick(32, 24, 4, 4, c.Mark, c.Toggle, c.ClearFirst);
        EXPECT_EQ(Marks(), c.AfterSecond);
    }
}

TEST_F(Selection, PickSurfaceFindsThePointUnderAPixelWithoutSelecting) {
    struct TCase {
        const char* What;
        int X, Y;
        TNyxObject* Hit;
    };
    const TCase cases[] = {
        {"the middle quad's centre", 32, 24, quads[1]},
        {"inside the right quad", 52, 26, quads[2]},
        {"between quads", 23, 24, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const TGLArrayd3 untouched{7, 7, 7};
        TGLArrayd3 world = untouched;
        const int repaints = panel->Repaints;
        EXPECT_EQ(scene->PickSurface(camera, 64, 48, c.X, c.Y, world), c.Hit);
        // Six pixels a unit round the origin's pixel, on the quads' plane z = 0.
        const TGLArrayd3 expected =
            c.Hit ? TGLArrayd3{(c.X - 32) / 6.0, (c.Y - 24) / 6.0, 0} : untouched;
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(world[i], expected[i], 1e-3);
        EXPECT_EQ(Marks(), (Marked{false, false, false}));
        EXPECT_EQ(panel->Repaints, repaints);
    }
}

TEST_F(Selection, BufferGrowsInStepsOf500AndKeepsItsSize) {
    // 200 quads under one point: 200 records of 4 entries overflow 500 entries once.
    std::vector<TQuad*> pile;
    for (int i = 0; i < 197; ++i)
        pile.push_back(Add<TQuad>(scene));
    EXPECT_EQ(scene->SelectBufferSize(), 500u);
    EXPECT_EQ(Pick(32, 24, 2, 2), 198);
    EXPECT_EQ(scene->SelectBufferSize(), 1000u);
    for (TQuad* q : pile)
        ASSERT_TRUE(q->Selected());

    for (int i = 0; i < 100; ++i)
        Add<TQuad>(scene);  // 298 records: 1192 entries
    TGLRecorder rec;
    EXPECT_EQ(Pick(32, 24, 2, 2, true, true, false), 298);
    EXPECT_EQ(scene->SelectBufferSize(), 1500u);
    EXPECT_FALSE(pile.front()->Selected()) << "toggled back by the second pick";
    const Strings sizes = rec.Calls({"glSelectBuffer"});
    ASSERT_EQ(sizes.size(), 2u) << "one overflow, one redraw";
    EXPECT_TRUE(sizes[0].starts_with("glSelectBuffer(1000,")) << sizes[0];
    EXPECT_TRUE(sizes[1].starts_with("glSelectBuffer(1500,")) << sizes[1];
}

TEST_F(Selection, NoCameraDoesNothingAndDegeneratePickSizesBecomeOne) {
    TGLRecorder rec;
    EXPECT_EQ(scene->Select(nullptr, 64, 48, 32, 24, 4, 4, true, false, true), 0);
    EXPECT_TRUE(rec.Calls().empty());
    EXPECT_EQ(panel->Repaints, 0);

    EXPECT_EQ(Pick(32, 24, 0, -3), 1);
    const Strings picks = rec.Calls({"gluPickMatrix"});
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_TRUE(picks[0].starts_with("gluPickMatrix(32, 24, 1, 1,")) << picks[0];
}

TEST_F(Selection, ProjectionIsPushedAndPoppedBeforeModelview) {
    TGLRecorder rec;
    EXPECT_EQ(Pick(32, 24, 4, 4), 1);
    const Strings& calls = rec.Calls();
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(Strings(calls.begin(), calls.begin() + 4),
              (Strings{"glMatrixMode(GL_PROJECTION)", "glPushMatrix()",
                       "glMatrixMode(GL_MODELVIEW)", "glPushMatrix()"}));
    EXPECT_EQ(Strings(calls.end() - 4, calls.end()),
              (Strings{"glMatrixMode(GL_PROJECTION)", "glPopMatrix()", "glMatrixMode(GL_MODELVIEW)",
                       "glPopMatrix()"}));
}

// Raises from its geometry while selecting, when asked to.
class TFaulty : public TQuad {
public:
    using TQuad::TQuad;
    bool Raise = true;
    void DrawSpecific(std::uint32_t Face, bool Draft) override {
        if (Raise)
            throw std::runtime_error("geometry failed");
        TQuad::DrawSpecific(Face, Draft);
    }
};

TEST_F(Selection, ContextIsLeftAsFoundEvenWhenDrawingRaises) {
    auto matrices = [] {
        std::array<double, 32> m{};
        glGetDoublev(GL_PROJECTION_MATRIX, m.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data() + 16);
        return m;
    };
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 2, -3, 4, -5, 6);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const auto before = matrices();

    Pick(32, 24, 4, 4);
    EXPECT_EQ(matrices(), before);

    auto* faulty = Add<TFaulty>(scene);
    EXPECT_THROW(Pick(32, 24, 4, 4), std::runtime_error);
    EXPECT_EQ(matrices(), before);
    EXPECT_EQ(glRenderMode(GL_RENDER), 0) << "back in render mode";
    faulty->Raise = false;
    EXPECT_EQ(Pick(32, 24, 4, 4), 2) << "the next selection works";
}

}  // namespace
