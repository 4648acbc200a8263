// The spheres' own drawing cost next to a plain immediate-mode loop: 1,000 spheres of
// 20 x 20 under one light with culling on, 800 x 600 off-screen, the same context and
// the same view for both. Each sphere is drawn as the scene draws a solid: its matrix
// multiplied on, then DrawSpecific (a fresh quadric with texture coordinates each time).
//
// Target: the solid spheres' frame <= 1.05 x the plain loop's frame (untextured, Arg 0).
// Frame times of this size vary: run with --benchmark_min_time=4 or more.

#include "gl/testgl.h"
#include "objects/quadrics.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace nyx;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int Side = 10; // 10 x 10 x 10 spheres

void SetUpView() {
    glViewport(0, 0, Width, Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(Width) / Height, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(18, -22, 16, 0, 0, 0, 0, 0, 1);
    const GLfloat position[4] = {10, -10, 20, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

// The software rasteriser compiles its shaders on the first frames: keep them out of
// the timing, or whichever benchmark runs first pays for them.
template <class Frame>
void WarmUp(Frame& frame) {
    for (int i = 0; i < 3; ++i)
        frame();
}

double Coord(int i) { return (i - (Side - 1) / 2.0) * 1.5; }

void BM_SolidSpheres(benchmark::State& state) {
    test::TOffscreenGL gl(Width, Height);
    SetUpView();
    std::vector<std::unique_ptr<TNyxSphere>> spheres;
    for (int x = 0; x < Side; ++x)
        for (int y = 0; y < Side; ++y)
            for (int z = 0; z < Side; ++z) {
                auto s = std::make_unique<TNyxSphere>(nullptr);
                s->XForm()->Translate()->SetX(Coord(x));
                s->XForm()->Translate()->SetY(Coord(y));
                s->XForm()->Translate()->SetZ(Coord(z));
                spheres.push_back(std::move(s));
            }
    auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const auto& s : spheres) {
            TGLMatrixd4 m;
            s->GetMatrix(m);
            glPushMatrix();
            glMultMatrixd(m.data());
            s->DrawSpecific(GL_FRONT, false);
            glPopMatrix();
        }
        gl.Finish();
    };
    WarmUp(frame);
    for (auto _ : state)
        frame();
    state.counters["spheres"] = double(spheres.size());
}
BENCHMARK(BM_SolidSpheres)->Unit(benchmark::kMillisecond);

// range(0): GLU texture coordinates on (as a solid sphere has them) or off.
void BM_PlainGluSpheres(benchmark::State& state) {
    test::TOffscreenGL gl(Width, Height);
    SetUpView();
    GLUquadric* q = gluNewQuadric();
    if (state.range(0))
        gluQuadricTexture(q, GL_TRUE);
    auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y)
                for (int z = 0; z < Side; ++z) {
                    glPushMatrix();
                    glTranslatef(GLfloat(Coord(x)), GLfloat(Coord(y)), GLfloat(Coord(z)));
                    gluSphere(q, 0.5, 20, 20);
                    glPopMatrix();
                }
        gl.Finish();
    };
    WarmUp(frame);
    for (auto _ : state)
        frame();
    gluDeleteQuadric(q);
}
BENCHMARK(BM_PlainGluSpheres)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
