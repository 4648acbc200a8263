// Text labels off-screen (OSMesa, 320 x 240): labels of ten characters ("Label 0000" to
// "Label 9999") in one font, outline glyphs extruded, as a drawing's TEXT entities come in.
//
// BM_LabelsFirstFrame/N/cache: a new context, an empty glyph cache, N new labels; the
//   first frame builds every label's lists and draws them. With cache 0 the glyph cache is
//   bypassed: every list is made from FreeType and the tessellator and holds its geometry.
//   Target: the cached first frame at least 5 times faster than the uncached one (compare
//   the rows of equal N; label_us is the time per label).
// BM_CachedLabelsFirstFrame/N: the first frame of N labels in a scene with CacheGeometry
//   on, whose labels call glyph lists shared per list space, against the first frame of
//   the same scene with one line in each label's place. Counters: lines_ms, ratio (target
//   <= 1.5 for 24,000 labels).
// BM_LabelsSteadyFrame/N/cache: later frames, which only call the lists.
// BM_CreateLabels/N: making N labels in a scene; no font is touched.
// BM_ListAllocation/N: the platform's share of any label build: N lists compiled in a new
//   context, each calling one ready list. Mesa keeps such small lists in one store whose
//   allocator scans it from the start, so the cost per list grows with the lists made;
//   the first frame of many labels is bound by it, cached or not.
//
// Counters: label_us (time per label; per list for BM_ListAllocation), rss_mb (the
// process's peak resident memory so far: uncached lists hold every glyph's geometry).

#include "gl/fonts.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

using namespace nyx;

namespace {

constexpr int Width = 320;
constexpr int Height = 240;
double Deviation = 0.02;            // em
constexpr double Extrusion = 0.15;  // em

using TClock = std::chrono::steady_clock;

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void SetVertex(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

// Times one iteration's measured part into the state, and the counters at the end.
class TTimer {
public:
    TTimer(benchmark::State& State, int Count) : FState(State), FCount(Count) {}
    ~TTimer() {
        const double iterations =
            double(std::max<benchmark::IterationCount>(1, FState.iterations()));
        FState.counters["label_us"] = FTotal / iterations / FCount * 1e6;
        FState.counters["rss_mb"] = PeakRssMb();
    }
    void Add(double Seconds) {
        FTotal += Seconds;
        FState.SetIterationTime(Seconds);
    }

private:
    benchmark::State& FState;
    int FCount;
    double FTotal = 0;
};

template <class F>
double Seconds(F&& Work) {
    const auto start = TClock::now();
    Work();
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// A context, a lit scene and a camera over a square grid of labels, or of one line in
// each label's place; Cached switches the scene's CacheGeometry on.
struct TLabelScene {
    explicit TLabelScene(int count, bool Lines = false, bool Cached = false) : Gl(Width, Height) {
        Scene.SetCacheGeometry(Cached);
        auto* light = new TNyxLight(nullptr);
        light->SetParentComponent(&Scene);
        SetVertex(light->Point1(), 2, -3, 10);
        light->SetParam(TNyxLight::piCutoff, 180);
        int side = 1;
        while (side * side < count)
            ++side;
        char caption[16];
        for (int i = 0; i < count; ++i) {
            if (Lines) {
                auto* line = new TNyxLine(nullptr);
                SetVertex(line->Point2(), 5, 0, 0);
                SetVertex(line->XForm()->Translate(), (i % side) * 6.0, (i / side) * 1.5, 0);
                line->SetParentComponent(&Scene);
                continue;
            }
            auto* label = new TNyxLabel(nullptr);
            std::snprintf(caption, sizeof caption, "Label %04d", i % 10000);
            label->SetCaption(caption);
            label->SetBitmapFont(false);
            label->SetDeviation(Deviation);
            label->SetExtrusion(Extrusion);
            SetVertex(label->XForm()->Translate(), (i % side) * 6.0, (i / side) * 1.5, 0);
            label->SetParentComponent(&Scene);
        }
        const double middle = (side - 1) * 3.0;
        SetVertex(Camera.Position(), middle, middle / 4 - side, side * 1.2);
        SetVertex(Camera.Target(), middle, middle / 4, 0);
        Camera.SetNearPlane(1);
        Camera.SetFarPlane(side * 10.0);
    }
    double Frame() {
        return Seconds([&] {
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_LIGHTING);
            glEnable(GL_NORMALIZE);
            Scene.Render(&Camera, Width, Height, false);
            Gl.Finish();
        });
    }

    test::TOffscreenGL Gl;
    TNyxScene Scene{nullptr};
    TNyxCamera Camera{nullptr};
};

struct TCacheSwitch {
    explicit TCacheSwitch(bool on) { SetGlyphCacheEnabled(on); }
    ~TCacheSwitch() { SetGlyphCacheEnabled(true); }
};

void BM_LabelsFirstFrame(benchmark::State& state) {
    const int count = int(state.range(0));
    const TCacheSwitch cache(state.range(1) != 0);
    TTimer timer(state, count);
    for (auto _ : state) {
        ClearGlyphCache();
        TLabelScene s(count);
        timer.Add(s.Frame());
    }
}
BENCHMARK(BM_LabelsFirstFrame)
    ->ArgNames({"labels", "cache"})
    ->Args({2000, 1})
    ->Args({2000, 0})
    ->Args({20000, 1})
    ->Args({20000, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_CachedLabelsFirstFrame(benchmark::State& state) {
    const int count = int(state.range(0));
    double labels = 0, lines = 0;
    for (auto _ : state) {
        ClearGlyphCache();
        TLabelScene withLabels(count, false, true);
        const double t = withLabels.Frame();
        labels += t;
        state.SetIterationTime(t);
        TLabelScene withLines(count, true, true);
        lines += withLines.Frame();
    }
    state.counters["lines_ms"] = lines / double(state.iterations()) * 1e3;
    state.counters["ratio"] = labels / lines;
    state.counters["rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_CachedLabelsFirstFrame)
    ->ArgNames({"labels"})
    ->Arg(2000)
    ->Arg(24000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_LabelsSteadyFrame(benchmark::State& state) {
    const int count = int(state.range(0));
    const TCacheSwitch cache(state.range(1) != 0);
    ClearGlyphCache();
    TLabelScene s(count);
    s.Frame();
    TTimer timer(state, count);
    for (auto _ : state)
        timer.Add(s.Frame());
}
BENCHMARK(BM_LabelsSteadyFrame)
    ->ArgNames({"labels", "cache"})
    ->Args({2000, 1})
    ->Args({2000, 0})
    ->Args({20000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_CreateLabels(benchmark::State& state) {
    const int count = int(state.range(0));
    TTimer timer(state, count);
    for (auto _ : state) {
        TNyxScene scene(nullptr);
        timer.Add(Seconds([&] {
            for (int i = 0; i < count; ++i) {
                auto* label = new TNyxLabel(nullptr);
                label->SetCaption("Label 0000");
                label->SetBitmapFont(false);
                label->SetParentComponent(&scene);
            }
        }));
    }
}
BENCHMARK(BM_CreateLabels)
    ->ArgNames({"labels"})
    ->Arg(20000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_ListAllocation(benchmark::State& state) {
    const int count = int(state.range(0));
    TTimer timer(state, count);
    for (auto _ : state) {
        test::TOffscreenGL gl(8, 8);
        const GLuint shared = glGenLists(1);
        glNewList(shared, GL_COMPILE);
        glEndList();
        timer.Add(Seconds([&] {
            const GLuint base = glGenLists(count);
            for (int i = 0; i < count; ++i) {
                glNewList(base + GLuint(i), GL_COMPILE);
                glCallList(shared);
                glEndList();
            }
        }));
    }
}
BENCHMARK(BM_ListAllocation)
    ->ArgNames({"lists"})
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--deviation=", 0) == 0)
            Deviation = std::stod(argv[i] + 12);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
}
