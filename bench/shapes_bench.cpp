// Line shapes and proxies off-screen at 800 x 600 (OSMesa).
//
// BM_LineFrame: whole frames of 100,000 TNyxLine objects under 10 actors (the shape of a
//   large imported drawing: layers of short, smoothed lines), painted by a panel, and in
//   the same run and context the plain loop: the same lines, one glBegin/glEnd each, with
//   the blending and line smoothing they are drawn with. Counters: plain_ms and ratio
//   (Nyx frame over plain frame); plain_calls_ms and ratio_calls for a plain loop that
//   also sends each line's material and line state as the library does, which shows how
//   much of the frame the library's own work takes.
// BM_ProxyFrame: whole frames of 10,000 proxies of one hidden sphere against 10,000
//   spheres at the same places, each scene painted by its own panel, interleaved.
//   Counters: spheres_ms and ratio (proxy frame over sphere frame), target <= 1.05.
// BM_CreateLines: creating 100,000 lines under 10 actors and freeing them again, as a
//   drawing's import and close do. Counter: bytes, the size of one TNyxLine.
//
// Frame times of this size vary: run with --benchmark_min_time=4 or more.

#include "objects/lines.h"
#include "objects/quadrics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/proxy.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include "framerace.h"

#include <benchmark/benchmark.h>

using namespace nyx;
using nyx::bench::RaceFrames;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int Layers = 10;
constexpr int Grid = 100;  // lines per layer: Grid x Grid
constexpr int Side = 100;  // spheres and proxies: Side x Side

// A scene seen from above through a panel on its off-screen window.
struct TBenchScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    TNyxCamera* Camera = new TNyxCamera(&Owner);
    TNyxPanel* Panel = new TNyxPanel(&Owner);

    explicit TBenchScene(double Distance) {
        Camera->Position()->SetY(-0.3 * Distance);
        Camera->Position()->SetZ(Distance);
        Camera->SetFOVY(45);
        Camera->SetNearPlane(1);
        Camera->SetFarPlane(4 * Distance);
        Camera->SetParentComponent(Scene);
    }

    void Open() {
        Panel->SetCamera(Camera);
        Panel->HandleNeeded();
        Panel->SetBounds(0, 0, Width, Height);
    }
    void Frame() { Panel->Repaint(); }
};

// Line k of layer l: short and slanted, one per cell of a grid, each layer shifted.
void LineEnds(int l, int i, int j, GLdouble (&a)[3], GLdouble (&b)[3]) {
    const double x = i - Grid / 2.0 + 0.1 * l, y = j - Grid / 2.0 + 0.07 * l;
    a[0] = x;
    a[1] = y;
    a[2] = 0;
    b[0] = x + 0.6;
    b[1] = y + 0.3;
    b[2] = 0;
}

void BM_LineFrame(benchmark::State& state) {
    TBenchScene s(110);
    for (int l = 0; l < Layers; ++l) {
        auto* layer = new TNyxActor(&s.Owner);
        layer->SetParentComponent(s.Scene);
        layer->BeginUpdate();
        for (int i = 0; i < Grid; ++i)
            for (int j = 0; j < Grid; ++j) {
                auto* line = new TNyxLine(&s.Owner);
                GLdouble a[3], b[3];
                LineEnds(l, i, j, a, b);
                line->P1()->Store({a[0], a[1], a[2]});
                line->P2()->Store({b[0], b[1], b[2]});
                line->SetParentComponent(layer);
            }
        layer->EndUpdate();
    }
    s.Open();
    // The panel's context is current after each of its frames; the plain loops draw there
    // with the view the panel left and the state the lines are drawn with. With
    // SameCalls each line also gets what the library sends per line: its material for
    // both faces and the line state in an attribute bracket.
    auto plain = [&](bool SameCalls) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glEnable(GL_LINE_SMOOTH);
        const GLfloat grey[4] = {0.75f, 0.75f, 0.75f, 1}, black[4] = {0, 0, 0, 1}, shine = 0;
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
        glNormal3b(127, 0, 0);
        for (int l = 0; l < Layers; ++l)
            for (int i = 0; i < Grid; ++i)
                for (int j = 0; j < Grid; ++j) {
                    GLdouble a[3], b[3];
                    LineEnds(l, i, j, a, b);
                    if (SameCalls) {
                        for (GLenum face : {GL_FRONT, GL_BACK}) {
                            glMaterialfv(face, GL_AMBIENT, grey);
                            glMaterialfv(face, GL_DIFFUSE, grey);
                            glMaterialfv(face, GL_SPECULAR, black);
                            glMaterialfv(face, GL_EMISSION, black);
                            glMaterialfv(face, GL_SHININESS, &shine);
                        }
                        glPushAttrib(GL_LINE_BIT);
                        glLineWidth(1);
                        glNormal3b(127, 0, 0);
                        glEnable(GL_LINE_SMOOTH);
                    }
                    glBegin(GL_LINES);
                    glVertex3dv(a);
                    glVertex3dv(b);
                    glEnd();
                    if (SameCalls)
                        glPopAttrib();
                }
        glPopAttrib();
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    RaceFrames(state, [&] { s.Frame(); },
               {{"plain_ms", "ratio", [&] { plain(false); }},
                {"plain_calls_ms", "ratio_calls", [&] { plain(true); }}});
    state.counters["lines"] = Layers * Grid * Grid;
}
BENCHMARK(BM_LineFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

double Coord(int i) { return (i - (Side - 1) / 2.0) * 1.5; }

void AddLight(TBenchScene& S) {
    auto* light = new TNyxLight(&S.Owner);
    light->SetParentComponent(S.Scene);
    light->Point1()->Store({10, -10, 20});
    light->SetParam(TNyxLight::piCutoff, 180);
    light->SetColor(clWhite);
}

TNyxSphere* NewSphere(TBenchScene& S) {
    auto* sphere = new TNyxSphere(&S.Owner);
    sphere->SetSlices(10);
    sphere->SetStacks(8);
    return sphere;
}

void Place(TNyxObject* Obj, double X, double Y) {
    Obj->XForm()->Translate()->SetX(X);
    Obj->XForm()->Translate()->SetY(Y);
}

void BM_ProxyFrame(benchmark::State& state) {
    TBenchScene spheres(170), proxies(170);
    AddLight(spheres);
    AddLight(proxies);
    TNyxSphere* original = NewSphere(proxies);
    original->SetVisible(false);  // drawn only through its proxies
    original->SetParentComponent(proxies.Scene);
    spheres.Scene->BeginUpdate();
    proxies.Scene->BeginUpdate();
    for (int x = 0; x < Side; ++x)
        for (int y = 0; y < Side; ++y) {
            TNyxSphere* sphere = NewSphere(spheres);
            Place(sphere, Coord(x), Coord(y));
            sphere->SetParentComponent(spheres.Scene);
            auto* proxy = new TNyxProxy(&proxies.Owner);
            Place(proxy, Coord(x), Coord(y));
            proxy->SetProxy(original);
            proxy->SetParentComponent(proxies.Scene);
        }
    spheres.Scene->EndUpdate();
    proxies.Scene->EndUpdate();
    spheres.Open();
    proxies.Open();
    RaceFrames(state, [&] { proxies.Frame(); },
               {{"spheres_ms", "ratio", [&] { spheres.Frame(); }}});
}
BENCHMARK(BM_ProxyFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CreateLines(benchmark::State& state) {
    for (auto _ : state) {
        TComponent owner(nullptr);
        auto* root = new TNyxObject(&owner);
        for (int l = 0; l < Layers; ++l) {
            auto* layer = new TNyxActor(&owner);
            layer->SetParentComponent(root);
            for (int k = 0; k < Grid * Grid; ++k) {
                auto* line = new TNyxLine(&owner);
                line->P2()->SetX(1);
                line->SetParentComponent(layer);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * Layers * Grid * Grid);
    state.counters["bytes"] = double(sizeof(TNyxLine));
}
BENCHMARK(BM_CreateLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
