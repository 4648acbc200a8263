// The scene's geometry cache (CacheGeometry) off-screen at 800 x 600 (OSMesa), each frame
// raced against its reference in the same run and context.
//
// BM_CachedSphereFrame/N: N lit spheres (20 x 20 slices) painted by a panel with the cache
//   on, against a plain loop that calls one display list per sphere (glPushMatrix,
//   glTranslatef, glCallList, glPopMatrix). Counters: lists_ms and ratio (target <= 0.95),
//   and immediate_ms / ratio_immediate against the plain gluSphere loop.
// BM_CachedShadowFrame: 100 shadow-casting spheres over a floor under two shadow-casting
//   lights, static, the cache on against the same scene with the cache off in a second
//   panel. Counters: off_ms and ratio (target <= 0.65).
// BM_CachedLineFrame: 100,000 lines under 10 actors with the cache on, against one display
//   list holding all the lines with the state they are drawn with. Counters: list_ms and
//   ratio (target <= 1.5); off_ms and ratio_off against the same lines with the cache off
//   in a second panel.
// BM_CachedLineEditFrame: the same lines, one of them moved before each frame, as while the
//   user drags it: the frame compiles that line's share of the lists again. Counters:
//   static_ms and ratio_static against the frame with nothing changed; off_ms and
//   ratio_off against the cache off.
// BM_CachedDemoMemory: 1,000 frames of the demo scene (shadows, mirror, labels) with the
//   cache on. Counter: rss_growth_kb, resident memory gained after the first 10 frames
//   (target < 5 MB).
//
// BM_DrawingFrame: the drawing NYX_BENCH_DRAWING names (skipped without it) at 1024 x 768,
//   in plan, the cache and culling on, all of it in view, after its first frame; against one display
//   list holding all its geometry as its passes draw it (list_ms, ratio; target <= 1.5),
//   and the same view zoomed onto a tenth of its area (zoom_ms, full_over_zoom: the full
//   frame over the zoomed one; target >= 3.3). Counter first_s: the first frame.
// BM_DrawingDriverMemory: 100,000 objects of a drawing (lines, circles, arcs, labels,
//   quads) under ten layers: object_bytes and driver_bytes (resident memory per object
//   before and after the first frame; net_driver_bytes without what the context and the
//   rasteriser take once)
//   and the lists the space holds.
// BM_DriverMemoryByKind/K: the same for 20,000 objects of one kind (lines, circles, arcs,
//   polylines of 20 points, quads, labels, points; the label names the kind).
//
// Frame times of this size vary: run with --benchmark_min_time=2 or more.

#include "benchfloor.h"
#include "demo.h"
#include "framerace.h"
#include "gl/opengl.h"
#include "gl/wgl.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "objects/quadrics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/proxy.h"
#include "scene/scene.h"
#include "scene/shadow.h"
#include "scenefile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

using namespace nyx;
using nyx::bench::RaceFrames;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr GLfloat LightAt[4] = {10, -10, 20, 0};  // at infinity

// A scene painted by a panel on its off-screen window, seen from Eye.
struct TBenchScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    TNyxCamera* Camera = new TNyxCamera(&Owner);
    TNyxPanel* Panel = new TNyxPanel(&Owner);

    TBenchScene(const TGLArrayd3& Eye, double Far) {
        Camera->Position()->Store(Eye);
        Camera->SetFOVY(45);
        Camera->SetNearPlane(1);
        Camera->SetFarPlane(Far);
        Camera->SetParentComponent(Scene);
    }
    TNyxLight* AddLight(const GLfloat (&At)[4], bool Shadows) {
        auto* light = new TNyxLight(&Owner);
        light->SetParentComponent(Scene);
        light->Point1()->Store({At[0], At[1], At[2]});
        light->SetDirectional(At[3] != 0);
        light->SetParam(TNyxLight::piCutoff, 180);
        light->SetColor(clWhite);
        light->SetShadows(0, Shadows);
        return light;
    }
    void Open(bool Cache) {
        Scene->SetCacheGeometry(Cache);
        Panel->SetCamera(Camera);
        Panel->HandleNeeded();
        Panel->SetBounds(0, 0, Width, Height);
    }
    void Frame() { Panel->Repaint(); }
};

// Sphere i of n: rows of 10 in layers of 100, round the origin.
TGLArrayd3 SpherePlace(int i, int n) {
    const int layers = (n + 99) / 100;
    return {1.5 * (i % 10 - 4.5), 1.5 * (i / 10 % 10 - 4.5), 1.5 * (i / 100 - (layers - 1) / 2.0)};
}

// --- Spheres against a display list per sphere ---------------------------------------

void BM_CachedSphereFrame(benchmark::State& state) {
    const int n = int(state.range(0));
    const double far = 60 + 1.5 * n / 100;
    TBenchScene s({18, -22, 16 + 0.75 * n / 100}, far);
    s.AddLight(LightAt, false);
    for (int i = 0; i < n; ++i) {
        auto* sphere = new TNyxSphere(&s.Owner);
        const TGLArrayd3 at = SpherePlace(i, n);
        sphere->XForm()->Translate()->SetX(at[0]);
        sphere->XForm()->Translate()->SetY(at[1]);
        sphere->XForm()->Translate()->SetZ(at[2]);
        sphere->SetParentComponent(s.Scene);
    }
    s.Open(true);
    s.Frame();  // compiles, and leaves the panel's view and light in its context

    GLUquadric* q = gluNewQuadric();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    gluSphere(q, 0.5, 20, 20);
    glEndList();
    // The panel's context is current after each of its frames: the plain loops draw there
    // with the view and light it left, and finish the same way.
    auto plain = [&](bool Lists) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < n; ++i) {
            const TGLArrayd3 at = SpherePlace(i, n);
            glPushMatrix();
            glTranslatef(GLfloat(at[0]), GLfloat(at[1]), GLfloat(at[2]));
            if (Lists)
                glCallList(list);
            else
                gluSphere(q, 0.5, 20, 20);
            glPopMatrix();
        }
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    RaceFrames(state, [&] { s.Frame(); },
               {{"lists_ms", "ratio", [&] { plain(true); }},
                {"immediate_ms", "ratio_immediate", [&] { plain(false); }}});
    glDeleteLists(list, 1);
    gluDeleteQuadric(q);
}
BENCHMARK(BM_CachedSphereFrame)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- Shadows, cache on against off ---------------------------------------------------

void ShadowScene(TBenchScene& s, bool Cache) {
    s.Scene->SetFShadows(true);
    auto* floor = new bench::TBenchFloor(&s.Owner);
    floor->SetParentComponent(s.Scene);
    floor->SetShadows(1, true);
    for (int i = 0; i < 100; ++i) {
        auto* sphere = new TNyxSphere(&s.Owner);
        const TGLArrayd3 at = SpherePlace(i, 100);
        sphere->XForm()->Translate()->SetX(at[0]);
        sphere->XForm()->Translate()->SetY(at[1]);
        sphere->XForm()->Translate()->SetZ(2);
        sphere->SetShadows(0, true);
        sphere->SetParentComponent(s.Scene);
    }
    s.AddLight({8, 3, 12, 1}, true);
    s.AddLight({-8, 3, 12, 1}, true);
    s.Open(Cache);
}

void BM_CachedShadowFrame(benchmark::State& state) {
    TBenchScene on({0, -25, 20}, 100), off({0, -25, 20}, 100);
    ShadowScene(on, true);
    ShadowScene(off, false);
    RaceFrames(state, [&] { on.Frame(); }, {{"off_ms", "ratio", [&] { off.Frame(); }}});
}
BENCHMARK(BM_CachedShadowFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- Lines against one display list ----------------------------------------------------

constexpr int Layers = 10;
constexpr int Grid = 100;  // lines per layer: Grid x Grid

void LineEnds(int l, int i, int j, TGLArrayd3& a, TGLArrayd3& b) {
    const double x = i - Grid / 2.0 + 0.1 * l, y = j - Grid / 2.0 + 0.07 * l;
    a = {x, y, 0};
    b = {x + 0.6, y + 0.3, 0};
}

// 100,000 lines under 10 actors, as a large imported drawing has them.
void AddLines(TBenchScene& s) {
    for (int l = 0; l < Layers; ++l) {
        auto* layer = new TNyxActor(&s.Owner);
        layer->SetParentComponent(s.Scene);
        layer->BeginUpdate();
        for (int i = 0; i < Grid; ++i)
            for (int j = 0; j < Grid; ++j) {
                auto* line = new TNyxLine(&s.Owner);
                TGLArrayd3 a, b;
                LineEnds(l, i, j, a, b);
                line->P1()->Store(a);
                line->P2()->Store(b);
                line->SetParentComponent(layer);
            }
        layer->EndUpdate();
    }
}

// The drawing twice, seen from the same place: with the cache on, after its first frame,
// and off.
struct TLineScenes {
    TBenchScene On{{0, -33, 110}, 440};
    TBenchScene Off{{0, -33, 110}, 440};
    TLineScenes() {
        AddLines(On);
        AddLines(Off);
        Off.Open(false);
        On.Open(true);
        On.Frame();
    }
};

void BM_CachedLineFrame(benchmark::State& state) {
    TLineScenes scenes;
    TBenchScene &s = scenes.On, &off = scenes.Off;

    // Every line in one list, with the blending and smoothing the lines are drawn with.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    const GLfloat grey[4] = {0.75f, 0.75f, 0.75f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
    glNormal3b(127, 0, 0);
    glBegin(GL_LINES);
    for (int l = 0; l < Layers; ++l)
        for (int i = 0; i < Grid; ++i)
            for (int j = 0; j < Grid; ++j) {
                TGLArrayd3 a, b;
                LineEnds(l, i, j, a, b);
                glVertex3dv(a.data());
                glVertex3dv(b.data());
            }
    glEnd();
    glEndList();
    auto plain = [&] {
        s.Panel->MakeCurrent();
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glEnable(GL_LINE_SMOOTH);
        glCallList(list);
        glPopAttrib();
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    RaceFrames(state, [&] { s.Frame(); },
               {{"list_ms", "ratio", plain}, {"off_ms", "ratio_off", [&] { off.Frame(); }}});
    s.Panel->MakeCurrent();
    glDeleteLists(list, 1);
}
BENCHMARK(BM_CachedLineFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// One line of the drawing moved before each frame, as while the user drags it.
void BM_CachedLineEditFrame(benchmark::State& state) {
    TLineScenes scenes;
    TBenchScene &s = scenes.On, &off = scenes.Off;
    auto* layer = static_cast<TNyxObject*>(s.Scene->Items()[Layers / 2]);
    auto* line = static_cast<TNyxLine*>(layer->Items()[Grid * Grid / 2]);
    int step = 0;
    // The change repaints the scene's panels: that is the frame.
    auto edited = [&] { line->P2()->SetX(line->P2()->X() + (step++ % 2 ? 0.5 : -0.5)); };
    RaceFrames(state, edited,
               {{"static_ms", "ratio_static", [&] { s.Frame(); }},
                {"off_ms", "ratio_off", [&] { off.Frame(); }}});
}
BENCHMARK(BM_CachedLineEditFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- Memory of the demo with shadows ---------------------------------------------------

// Resident set size in kilobytes.
long ResidentKB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

void BM_CachedDemoMemory(benchmark::State& state) {
    for (auto _ : state) {
        TComponent owner(nullptr);
        const TDemoScene demo = BuildDemoScene(&owner);
        demo.Scene->SetCacheGeometry(true);
        auto* panel = new TNyxPanel(&owner);
        panel->SetBounds(0, 0, Width, Height);
        panel->HandleNeeded();
        panel->SetCamera(demo.Camera);
        for (int i = 0; i < 10; ++i)
            panel->Repaint();
        const long start = ResidentKB();
        for (int i = 0; i < 1000; ++i)
            panel->Repaint();
        state.counters["rss_growth_kb"] = double(ResidentKB() - start);
    }
}
BENCHMARK(BM_CachedDemoMemory)->Iterations(1)->Unit(benchmark::kSecond);

// --- A drawing from a file -----------------------------------------------------------

// The drawing in plan, as a viewer shows a drawing: seen from straight above its middle,
// its width and height framed, near and far taking in its depth. A narrower view angle
// then shows a part of the drawing's area, not a strip of an oblique view across all of
// its depth.
void PlanView(TNyxCamera& Camera, double Aspect) {
    TGLArrayd3 lo{}, hi{};
    DrawableExtent(*Camera.Scene(), lo, hi);
    const double halfAngle = Camera.FOVY() * std::numbers::pi / 360;
    const double distance =
        1.02 * std::max((hi[1] - lo[1]) / 2, (hi[0] - lo[0]) / 2 / Aspect) / std::tan(halfAngle);
    const double x = (lo[0] + hi[0]) / 2, y = (lo[1] + hi[1]) / 2;
    Camera.Target()->Store({x, y, hi[2]});
    Camera.Position()->Store({x, y, hi[2] + distance});
    Camera.Up()->Store({0, 1, 0});
    Camera.SetNearPlane(distance / 2);
    Camera.SetFarPlane(distance + (hi[2] - lo[2]) * 1.1 + 1);
}

void BM_DrawingFrame(benchmark::State& state) {
    const char* file = std::getenv("NYX_BENCH_DRAWING");
    if (!file || !*file) {
        state.SkipWithError("NYX_BENCH_DRAWING names no drawing");
        return;
    }
    TBenchScene s({0, 0, 1}, 1);
    LoadSceneFile(*s.Scene, file);
    s.Camera = new TNyxCamera(&s.Owner);
    s.Camera->SetParentComponent(s.Scene);
    PlanView(*s.Camera, 1024.0 / 768.0);
    s.AddLight(LightAt, false);
    s.Scene->SetCullGeometry(true);
    s.Scene->SetCacheGeometry(true);
    s.Panel->SetCamera(s.Camera);
    s.Panel->HandleNeeded();
    s.Panel->SetBounds(0, 0, 1024, 768);
    const auto start = std::chrono::steady_clock::now();
    s.Frame();
    const double first =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // All the geometry in one list, drawn as the frame's passes draw it. Outside a frame
    // nothing is cached: every object draws straight into it, the labels calling the
    // glyph lists they share.
    s.Panel->MakeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (const TNyxDrawState pass : {dsAllObjects, dsTransparent})
        s.Scene->Draw(s.Scene, pass, dkFull);
    glEndList();
    auto plain = [&] {
        s.Panel->MakeCurrent();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glCallList(list);
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    // A tenth of the area: the same eye, the view angle narrowed to 1 / sqrt(10) of its
    // tangent, in a second panel (changing a camera repaints).
    auto* zoomCamera = new TNyxCamera(&s.Owner);
    zoomCamera->SetParentComponent(s.Scene);
    zoomCamera->Position()->Store(s.Camera->Position()->Data());
    zoomCamera->Target()->Store(s.Camera->Target()->Data());
    zoomCamera->SetNearPlane(s.Camera->NearClipPlane());
    zoomCamera->SetFarPlane(s.Camera->FarClipPlane());
    const double halfAngle = s.Camera->FOVY() * std::numbers::pi / 360;
    zoomCamera->SetFOVY(std::atan(std::tan(halfAngle) / std::sqrt(10.0)) * 360 / std::numbers::pi);
    auto* zoomPanel = new TNyxPanel(&s.Owner);
    zoomPanel->SetCamera(zoomCamera);
    zoomPanel->HandleNeeded();
    zoomPanel->SetBounds(0, 0, 1024, 768);
    RaceFrames(state, [&] { s.Frame(); },
               {{"list_ms", "ratio", plain},
                {"zoom_ms", "full_over_zoom", [&] { zoomPanel->Repaint(); }}});
    state.counters["first_s"] = first;
    s.Panel->MakeCurrent();
    glDeleteLists(list, 1);
}
BENCHMARK(BM_DrawingFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- Driver memory of a drawing ----------------------------------------------------------

// The kinds of a drawing's objects, as the DXF reader makes them.
enum TDrawingKind { kLine, kCircle, kArc, kPolyline, kPolygon, kLabel, kPoint, kMix };
constexpr const char* KindNames[] = {"lines",    "circles", "arcs",   "polylines",
                                     "polygons", "labels",  "points", "mix"};

// The kind of object i of the mix: half lines, a fifth each circles and arcs, a twentieth
// labels and faces.
TDrawingKind MixKind(int i) {
    switch (i % 20) {
    case 10:
    case 11:
    case 12:
    case 13:
        return kCircle;
    case 14:
    case 15:
    case 16:
    case 17:
        return kArc;
    case 18:
        return kLabel;
    case 19:
        return kPolygon;
    default:
        return kLine;
    }
}

// Object i of Kind near (X, Y). ByTransform: placed and scaled by its transform, as
// circles, arcs and labels always are; otherwise by its own coordinates, as the DXF reader
// places lines, points and faces.
TNyxObject* MakeDrawingObject(TComponent* Owner, TDrawingKind Kind, int i, bool ByTransform) {
    ByTransform = ByTransform || Kind == kCircle || Kind == kArc || Kind == kLabel;
    const double x = (i * 7919) % 10000, y = (i * 104729) % 10000;
    const double scale = ByTransform ? 1 : 20;
    const TGLArrayd3 at = ByTransform ? TGLArrayd3{0, 0, 0} : TGLArrayd3{x, y, 0};
    auto vertex = [&](TNyxCollection* Vertexes, double X, double Y) {
        auto* v = static_cast<TNyxVertex3CI*>(Vertexes->Add());
        v->SetData(0, at[0] + scale * X);
        v->SetData(1, at[1] + scale * Y);
    };
    TNyxObject* o = nullptr;
    switch (Kind) {
    case kCircle: {
        auto* c = new TNyxCircle(Owner);
        c->SetSegments(45);
        o = c;
        break;
    }
    case kArc: {
        auto* a = new TNyxArc(Owner);
        a->SetSegments(45);
        a->SetEndAngle(120);
        o = a;
        break;
    }
    case kLabel: {
        auto* label = new TNyxLabel(Owner);
        label->SetCaption("Label " + std::to_string(i % 10000));
        label->SetBitmapFont(false);
        o = label;
        break;
    }
    case kPolygon: {
        auto* p = new TNyxPolygon(Owner);
        for (int k = 0; k < 4; ++k)
            vertex(p->Vertexes(), k & 1 ? 10 : 0, k & 2 ? 10 : 0);
        o = p;
        break;
    }
    case kPolyline: {
        auto* p = new TNyxPolyline(Owner);
        for (int k = 0; k < 20; ++k)
            vertex(p->Vertexes(), k, k * k % 7);
        o = p;
        break;
    }
    case kPoint: {
        auto* p = new TNyxPoint(Owner);
        p->P()->Store({at[0] + scale, at[1] + 2 * scale, 3 * scale});
        o = p;
        break;
    }
    case kLine:
    case kMix: {
        auto* l = new TNyxLine(Owner);
        l->Point1()->Store(at);
        l->Point2()->Store({at[0] + 30 * scale, at[1] + 20 * scale, 5 * scale});
        o = l;
        break;
    }
    }
    if (ByTransform) {
        // Through the setters: Store would leave the transform's matrix as it was.
        o->XForm()->Translate()->SetX(x);
        o->XForm()->Translate()->SetY(y);
        for (int k = 0; k < 3; ++k)
            o->XForm()->Scale()->SetData(k, 20);
    }
    return o;
}

// N objects of Kind round-robin over ten layers, with the cache on: what the first
// frame's lists cost, per object, against what the objects themselves take (resident
// memory). driver_bytes holds what the context and the rasteriser take once as well;
// net_driver_bytes leaves that out: it is what the second half of the layers adds,
// joining the scene after a frame of the first half. Resident memory a run frees stays
// with the process: run one kind per process.
void DriverMemory(benchmark::State& state, TDrawingKind Kind, int N, bool ByTransform) {
    for (auto _ : state) {
        const long start = ResidentKB();
        TBenchScene s({5000, -9000, 12000}, 40000);
        s.Camera->Target()->Store({5000, 5000, 0});
        s.AddLight(LightAt, false);
        std::vector<TNyxObject*> layers;
        for (int i = 0; i < 10; ++i)
            layers.push_back(new TNyxActor(&s.Owner));
        for (int i = 0; i < N; ++i)
            MakeDrawingObject(&s.Owner, Kind == kMix ? MixKind(i) : Kind, i, ByTransform)
                ->SetParentComponent(layers[std::size_t(i % 10)]);
        const long built = ResidentKB();
        s.Open(true);
        for (std::size_t i = 0; i < 5; ++i)
            layers[i]->SetParentComponent(s.Scene);
        s.Frame();
        const long half = ResidentKB();
        for (std::size_t i = 5; i < 10; ++i)
            layers[i]->SetParentComponent(s.Scene);
        s.Frame();
        const long drawn = ResidentKB();
        state.counters["object_bytes"] = double(built - start) * 1024 / N;
        state.counters["driver_bytes"] = double(drawn - built) * 1024 / N;
        state.counters["net_driver_bytes"] = double(drawn - half) * 1024 / (N - N / 2);
        state.counters["lists"] = double(AllocatedLists(CurrentListSpace()));
    }
    state.SetLabel(KindNames[Kind]);
}

void BM_DrawingDriverMemory(benchmark::State& state) {
    DriverMemory(state, kMix, int(state.range(0)), true);
}
BENCHMARK(BM_DrawingDriverMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond);

// The same per kind of object, 20,000 of each, placed as the DXF reader places them.
void BM_DriverMemoryByKind(benchmark::State& state) {
    DriverMemory(state, TDrawingKind(state.range(0)), 20000, false);
}
BENCHMARK(BM_DriverMemoryByKind)
    ->DenseRange(kLine, kPoint)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
