// Stencil shadows: building one shadow volume (feedback render, tessellation,
// display list) for a 20 x 20-slice sphere under a point light, and whole frames of
// a scene with shadow-casting spheres, a receiving floor and two shadow lights.
//
// Targets: <= 1 ms per object per light for the sphere; once the buffers have grown,
// a steady scene allocates nothing per frame (counter "allocs/frame" = 0).

#include "benchfloor.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "scene/shadow.h"
#include "testing/offscreen.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

namespace {
std::size_t gAllocations = 0;
}  // namespace

// GCC cannot see that these replace the global pair together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++gAllocations;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace nyx;

namespace {

class TBenchSphere : public TNyxShadowedObject {
public:
    explicit TBenchSphere(TComponent* AOwner)
        : TNyxShadowedObject(AOwner), FQuadric(gluNewQuadric()) {}
    ~TBenchSphere() override { gluDeleteQuadric(FQuadric); }
    void DrawSpecific(std::uint32_t, bool) override { gluSphere(FQuadric, 1, 20, 20); }

private:
    GLUquadric* FQuadric;
};

TNyxLight* AddLight(TNyxScene& scene, const TGLArrayd3& at) {
    auto* light = new TNyxLight(nullptr);
    light->SetParentComponent(&scene);
    light->Point1()->Store(at);
    light->SetDirectional(true);
    light->SetShadows(0, true);
    return light;
}

void BM_SphereVolumeBuild(benchmark::State& state) {
    test::TOffscreenGL gl(64, 64);
    TNyxScene scene(nullptr);
    auto* sphere = new TBenchSphere(nullptr);
    sphere->SetParentComponent(&scene);
    sphere->SetShadows(0, true);
    TNyxLight* light = AddLight(scene, {3, 2, 6});
    glEnable(GL_CULL_FACE);
    InitShadowFeedback();
    for (auto _ : state) {
        sphere->DoBuildShadowVolumes(light);
        light->DeleteShadowLists();
    }
}
BENCHMARK(BM_SphereVolumeBuild)->Unit(benchmark::kMicrosecond);

void BM_ShadowFrame(benchmark::State& state) {
    const int size = 400;
    test::TOffscreenGL gl(size, size * 3 / 4, true);
    TNyxScene scene(nullptr);
    scene.SetFShadows(true);
    auto* floor = new bench::TBenchFloor(nullptr);
    floor->SetParentComponent(&scene);
    floor->SetShadows(1, true);
    const int spheres = int(state.range(0));
    for (int i = 0; i < spheres; ++i) {
        auto* s = new TBenchSphere(nullptr);
        s->SetParentComponent(&scene);
        s->XForm()->Translate()->SetX(3.0 * (i % 4) - 4.5);
        s->XForm()->Translate()->SetY(3.0 * (i / 4) - 4.5);
        s->XForm()->Translate()->SetZ(2);
        s->SetShadows(0, true);
        s->SetShadows(1, true);
    }
    AddLight(scene, {8, 3, 12});
    AddLight(scene, {-8, 3, 12});
    TNyxCamera camera(nullptr);
    camera.Position()->Store({0, -25, 20});
    camera.SetFarPlane(100);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    for (int i = 0; i < 3; ++i)  // let the buffers grow
        scene.Render(&camera, size, size * 3 / 4, false);
    const std::size_t before = gAllocations;
    for (auto _ : state) {
        scene.Render(&camera, size, size * 3 / 4, false);
        glFlush();
    }
    state.counters["allocs/frame"] =
        benchmark::Counter(double(gAllocations - before) / double(state.iterations()));
}
BENCHMARK(BM_ShadowFrame)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
