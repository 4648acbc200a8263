// Culling of cached geometry (CullGeometry): lists of children wholly outside the view are
// neither called nor compiled until they come into view, and what is seen stays the same
// to the pixel, wherever the camera stands against the bounds of the drawing.
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "scene/light.h"
#include "scene/proxy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "panelfixture.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

using namespace nyx;
using namespace nyx::test;

namespace {

constexpr int kSize = 96;

std::vector<TColor> Pixels(const TBitmap& B) {
    std::vector<TColor> p;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            p.push_back(B.Pixels(x, y) & 0xFFFFFF);
    return p;
}

// Through the setters: Store leaves a transform's matrix as it was.
void Set(TNyxVertex3* V, const TGLArrayd3& P) {
    for (int i = 0; i < 3; ++i)
        V->SetData(i, P[std::size_t(i)]);
}

bool AnyCallWith(const Strings& Calls, const std::string& Part) {
    return std::any_of(Calls.begin(), Calls.end(),
                       [&](const std::string& c) { return c.find(Part) != std::string::npos; });
}

// A drawing of layers: lines, circles, points, a filled quad and an outline label in each,
// laid out round (X, Y); the cache on.
class CullingTest : public PanelTest {
protected:
    CullingTest() {
        scene->SetBackgroundColor(clBlack);
        auto* light = new TNyxLight(&owner);
        light->SetParentComponent(scene);
        light->Point1()->Store({1, -1, 4});
        panel = NewPanel();
        panel->SetBounds(0, 0, kSize, kSize);
        panel->HandleNeeded();
        panel->SetCamera(camera);
        camera->SetFOVY(40);
        camera->SetNearPlane(0.5);
        camera->SetFarPlane(100);
        scene->SetCacheGeometry(true);
    }

    TNyxActor* AddLayer(TNyxObject* Parent, double X, double Y) {
        auto* layer = new TNyxActor(&owner);
        layer->SetParentComponent(Parent);
        Set(layer->XForm()->Translate(), {X, Y, 0});
        for (int i = 0; i < 4; ++i) {
            auto* line = new TNyxLine(&owner);
            line->Point1()->Store({-1.5 + i, -1.5, 0});
            line->Point2()->Store({-1.0 + i, 1.5, 0.2});
            line->SetColor(clYellow);
            line->SetParentComponent(layer);
        }
        auto* circle = new TNyxCircle(&owner);
        Set(circle->XForm()->Scale(), {2.5, 2.5, 1});
        circle->SetColor(clAqua);
        circle->SetParentComponent(layer);
        auto* point = new TNyxPoint(&owner);
        point->SetWidth(4);
        point->SetSmooth(false);
        point->Point1()->Store({1.2, 1.2, 0});
        point->SetParentComponent(layer);
        auto* quad = new TNyxPolygon(&owner);
        for (int k = 0; k < 4; ++k) {
            auto* v = static_cast<TNyxVertex3CI*>(quad->Vertexes()->Add());
            v->SetData(0, (k == 1 || k == 2) ? 0.8 : -0.2);
            v->SetData(1, k >= 2 ? 0.3 : -0.7);
        }
        quad->SetColor(clLime);
        quad->SetParentComponent(layer);
        auto* label = new TNyxLabel(&owner);
        label->SetBitmapFont(false);
        label->SetCaption("Wg");
        Set(label->XForm()->Translate(), {-1.4, 0.6, 0});
        Set(label->XForm()->Scale(), {0.8, 0.8, 0.8});
        label->SetColor(clFuchsia);
        label->SetParentComponent(layer);
        return layer;
    }

    std::vector<TColor> Frame() {
        panel->Repaint();
        return Pixels(Shown(panel));
    }
    Strings RecordedFrame(const std::function<void()>& Before = {}) {
        TGLRecorder recorder;
        if (Before)
            Before();
        panel->Repaint();
        return recorder.Calls();
    }
    void Look(const TGLArrayd3& From, const TGLArrayd3& At) {
        Set(camera->Position(), From);
        Set(camera->Target(), At);
    }

    TNyxPanel* panel;
};

TEST_F(CullingTest, SamePixelsWithCullingAsWithout) {
    // Nine layers round the origin, the middle one nesting another, with lines of the
    // scene's own between them: bounds from -4.5 to 4.5 in x and y.
    for (int i = 0; i < 9; ++i) {
        TNyxActor* layer = AddLayer(scene, 3.0 * (i % 3 - 1), 3.0 * (i / 3 - 1));
        if (i == 4)
            AddLayer(layer, 0.5, 0.5)->XForm()->Rotate()->SetZ(30);
        auto* line = new TNyxLine(&owner);
        line->Point1()->Store({-4.5 + i, 4.5, 0});
        line->Point2()->Store({-4.5 + i, 3, 0});
        line->SetParentComponent(scene);
    }
    struct TView {
        TGLArrayd3 From, At;
    };
    const TView views[] = {
        {{0, -0.01, 16}, {0, 0, 0}},        // all of it
        {{4.5, -0.01, 4}, {4.5, 0, 0}},     // the right edge in the middle of the view
        {{-4.5, -0.01, 4}, {-4.5, 0, 0}},   // the left edge
        {{0, 4.5, 4}, {0, 4.6, 0}},         // the top edge
        {{0, -5.2, 3}, {0, -4.5, 0}},       // the bottom edge, slanting
        {{4.6, 4.6, 2}, {4.4, 4.4, 0}},     // a corner, close
        {{-6, -6, 1.5}, {0, 0, 0}},         // low over a corner, most of it far off
        {{0, 0, 0.6}, {10, 0, 0.6}},        // inside, looking out along x
        {{1.2, 1.3, 0.7}, {1.2, 1.31, 0}},  // on a few objects of the nested layer
        {{20, 0, 2}, {40, 0, 0}},           // away from everything
    };
    Strings calls;
    for (const TView& view : views) {
        Look(view.From, view.At);
        scene->SetCullGeometry(false);
        const std::vector<TColor> all = Frame();
        scene->SetCullGeometry(true);
        calls = RecordedFrame();
        const std::vector<TColor> seen = Pixels(Shown(panel));
        EXPECT_EQ(all, seen) << "from " << view.From[0] << ", " << view.From[1] << ", "
                             << view.From[2];
        const std::vector<TColor> again = Frame();
        EXPECT_EQ(all, again) << "the second frame, from " << view.From[0];
    }
    EXPECT_FALSE(AnyCallWith(calls, "glCallList")) << "looking away, no list is called";
    Look(views[0].From, views[0].At);
    const std::vector<TColor> whole = Frame();
    EXPECT_NE(std::count(whole.begin(), whole.end(), TColor(0)), std::ptrdiff_t(whole.size()))
        << "the drawing is in the picture";
}

TEST_F(CullingTest, AChunkOutOfViewIsCompiledWhenItFirstComesIntoView) {
    // Each object added repaints: the view is on the near layer from the start.
    scene->SetCullGeometry(true);
    Look({-20, -0.01, 8}, {-20, 0, 0});
    const Strings first = RecordedFrame([this] {
        AddLayer(scene, -20, 0);
        TNyxActor* far = AddLayer(scene, 20, 0);
        auto* marker = new TNyxLine(&owner);
        marker->Point1()->Store({0.25, 0.125, 0});
        marker->Point2()->Store({0.75, 0.625, 0});
        marker->SetParentComponent(far);
    });
    const std::string farVertex = "glVertex3dv({0.25, 0.125, 0})";
    EXPECT_TRUE(AnyCallWith(first, "glNewList")) << "the layer in view is compiled";
    EXPECT_FALSE(AnyCallWith(first, farVertex)) << "the far layer is neither drawn nor compiled";
    EXPECT_FALSE(AnyCallWith(RecordedFrame(), "glNewList"));

    // Moving the camera repaints: the moves are recorded with the frame. Both layers
    // wholly in view: their parent's list is compiled too.
    const Strings both = RecordedFrame([this] { Look({0, -0.01, 80}, {0, 0, 0}); });
    EXPECT_TRUE(AnyCallWith(both, farVertex)) << "compiled as it comes into view";
    EXPECT_FALSE(AnyCallWith(RecordedFrame(), "glNewList")) << "then only called";

    const Strings back = RecordedFrame([this] { Look({-20, -0.01, 8}, {-20, 0, 0}); });
    EXPECT_FALSE(AnyCallWith(back, "glNewList")) << "lists out of view are kept";

    scene->SetCullGeometry(false);
    Look({-20, -0.01, 8}, {-20, 0, 0});
    const Strings off = RecordedFrame();
    EXPECT_FALSE(AnyCallWith(off, "glGetDoublev")) << "off, nothing is asked of the view";
}

}  // namespace
