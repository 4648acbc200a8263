// Frame and selection cost of the scene graph, off-screen (OSMesa, 800 x 600).
//
// Scenes: N objects that each draw a small quad, in a grid filling the view, and N
// objects that draw nothing (the scene graph's own cost). Frames are full frames; the
// empty scene is also rendered with shadows and reflections on, so that every pass
// walks the tree.
//
// Targets: the scene graph's own cost <= 1 us per object per frame over all passes
// (10,000 empty objects <= 10 ms a frame); Select on 10,000 objects no slower than one
// frame of the same scene.

#include "gl/opengl.h"
#include "rtl/classes.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace nyx;

namespace {

constexpr int FrameWidth = 800;
constexpr int FrameHeight = 600;

// One context for the whole program.
test::TOffscreenGL& Context() {
    static test::TOffscreenGL gl(FrameWidth, FrameHeight, true);
    return gl;
}

class TBenchQuad : public TNyxObject {
    NYX_CLASS(TBenchQuad)
public:
    using TNyxObject::TNyxObject;
    void DrawSpecific(std::uint32_t, bool) override {
        glBegin(GL_QUADS);
        glVertex3f(-0.02f, -0.02f, 0);
        glVertex3f(0.02f, -0.02f, 0);
        glVertex3f(0.02f, 0.02f, 0);
        glVertex3f(-0.02f, 0.02f, 0);
        glEnd();
    }
};

const TMetaClass& TBenchQuad::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TBenchQuad, TNyxObject>("TBenchQuad");
    return meta;
}

struct TBenchScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene;
    TNyxCamera* Camera;

    // Count objects in a square grid over [-3, 3] x [-3, 3], seen from z = 10.
    TBenchScene(int count, bool quads) {
        Context();
        glEnable(GL_DEPTH_TEST);
        Scene = new TNyxScene(&Owner);
        Camera = new TNyxCamera(&Owner);
        Camera->Position()->SetZ(10);
        Camera->Up()->SetZ(0);
        Camera->Up()->SetY(1);
        Camera->SetFarPlane(100);
        Camera->SetParentComponent(Scene);
        const int side = int(std::ceil(std::sqrt(double(count))));
        for (int i = 0; i < count; ++i) {
            TNyxObject* o = quads ? new TBenchQuad(&Owner) : new TNyxObject(&Owner);
            o->XForm()->Translate()->SetX(-3 + 6.0 * (i % side) / side);
            o->XForm()->Translate()->SetY(-3 + 6.0 * (i / side) / side);
            o->SetParentComponent(Scene);
        }
    }
};

void Frame(benchmark::State& state, bool quads, bool allPasses) {
    TBenchScene b(int(state.range(0)), quads);
    b.Scene->SetFShadows(allPasses);
    b.Scene->SetReflections(allPasses);
    for (auto _ : state) {
        b.Scene->Render(b.Camera, FrameWidth, FrameHeight, false);
        Context().Finish();  // waits for the drawing
    }
    state.counters["per_object"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void Select(benchmark::State& state, bool quads) {
    TBenchScene b(int(state.range(0)), quads);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.Scene->Select(b.Camera, FrameWidth, FrameHeight, FrameWidth / 2,
                                                 FrameHeight / 2, 4, 4, true, true, false));
}

void BM_FrameQuads(benchmark::State& s) { Frame(s, true, false); }
void BM_FrameEmpty(benchmark::State& s) { Frame(s, false, false); }
void BM_FrameEmptyAllPasses(benchmark::State& s) { Frame(s, false, true); }
void BM_SelectQuads(benchmark::State& s) { Select(s, true); }
void BM_SelectEmpty(benchmark::State& s) { Select(s, false); }

}  // namespace

BENCHMARK(BM_FrameQuads)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameEmpty)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameEmptyAllPasses)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectQuads)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectEmpty)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
