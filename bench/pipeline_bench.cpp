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
#include "gl/wgl.h"
#include "rtl/classes.h"
#include "rtl/devicecontext.h"
#include "scene/camera.h"
#include "scene/scene.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <vector>

using namespace nyx;

namespace {

constexpr int FrameWidth = 800;
constexpr int FrameHeight = 600;

class TMemorySurface : public TDeviceContext {
public:
    TMemorySurface() : FPixels(std::size_t(FrameWidth) * FrameHeight) {}
    TDeviceKind Kind() const override { return TDeviceKind::dkMemory; }
    int Width() const override { return FrameWidth; }
    int Height() const override { return FrameHeight; }
    std::uint32_t* Pixels() override { return FPixels.data(); }

private:
    std::vector<std::uint32_t> FPixels;
};

// One context for the whole program.
TMemorySurface& Surface() {
    static TMemorySurface surface;
    static const bool ready = [] {
        PIXELFORMATDESCRIPTOR request{};
        request.nSize = sizeof request;
        request.nVersion = 1;
        request.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
        request.iPixelType = PFD_TYPE_RGBA;
        request.cColorBits = 24;
        request.cDepthBits = 24;
        request.cStencilBits = 8;
        request.cAccumBits = 64;
        SetPixelFormat(&surface, ChoosePixelFormat(&surface, &request), &request);
        HGLRC rc = wglCreateContext(&surface);
        if (!rc || !wglMakeCurrent(&surface, rc)) {
            std::fprintf(stderr, "pipeline_bench: no OSMesa context; install Mesa's OSMesa\n");
            std::exit(1);
        }
        glViewport(0, 0, FrameWidth, FrameHeight);
        glEnable(GL_DEPTH_TEST);
        return true;
    }();
    (void)ready;
    return surface;
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
        Surface();
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
        SwapBuffers(&Surface()); // waits for the drawing
    }
    state.counters["per_object"] = benchmark::Counter(
        double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                    benchmark::Counter::kInvert);
}

void Select(benchmark::State& state, bool quads) {
    TBenchScene b(int(state.range(0)), quads);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.Scene->Select(b.Camera, FrameWidth, FrameHeight,
                                                 FrameWidth / 2, FrameHeight / 2, 4, 4, true,
                                                 true, false));
}

void BM_FrameQuads(benchmark::State& s) { Frame(s, true, false); }
void BM_FrameEmpty(benchmark::State& s) { Frame(s, false, false); }
void BM_FrameEmptyAllPasses(benchmark::State& s) { Frame(s, false, true); }
void BM_SelectQuads(benchmark::State& s) { Select(s, true); }
void BM_SelectEmpty(benchmark::State& s) { Select(s, false); }

} // namespace

BENCHMARK(BM_FrameQuads)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameEmpty)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameEmptyAllPasses)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectQuads)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectEmpty)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
