// Saving and loading a scene of 100,000 objects of mixed classes, transforms set, in
// either file form: throughput over the file's size, and for loads the heap needed at
// the peak against the heap the loaded objects hold.

#include "heapcount.h"
#include "objects/box.h"
#include "objects/quadrics.h"
#include "objects/torus.h"
#include "scene/scene.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace nyx;

namespace {

constexpr int kObjects = 100000;

template <class T>
TNyxObject* Make(TComponent* Owner) {
    return new T(Owner);
}

// Groups of ten: a solid under the scene with nine solids under it, of the four classes
// in turn, each named, placed, turned, scaled and coloured.
void Fill(TComponent* Owner, TNyxScene* Scene) {
    TNyxObject* (*const makers[])(TComponent*) = {&Make<TNyxBox>, &Make<TNyxSphere>,
                                                  &Make<TNyxCone>, &Make<TNyxTorus>};
    TNyxObject* group = nullptr;
    for (int i = 0; i < kObjects; ++i) {
        TNyxObject* o = makers[i % 4](Owner);
        o->SetName("Object" + std::to_string(i));
        o->XForm()->Translate()->SetX(i % 100);
        o->XForm()->Translate()->SetY(i / 100 % 100);
        o->XForm()->Translate()->SetZ(i * 0.001);
        o->XForm()->Rotate()->SetZ(i % 360);
        o->XForm()->Scale()->SetY(1 + i % 3);
        o->SetColor(TColor(i * 2654435761u & 0xFFFFFF));
        const bool top = i % 10 == 0;
        o->SetParentComponent(top ? Scene : group);
        if (top)
            group = o;
    }
}

enum TForm { fmBinary, fmText };

struct TSource {
    TSource()
        : Folder(std::filesystem::temp_directory_path() /
                 ("nyx_persistence_bench_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(Folder);
        Scene->SetName("Scene1");
        Fill(&Form, Scene);
    }
    ~TSource() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
    std::string File(TForm Form) const {
        return (Folder / (Form == fmBinary ? "scene.nyx" : "scene.nyxt")).string();
    }
    void Save(TForm Form) const {
        Form == fmBinary ? Scene->SaveToFile(File(Form)) : Scene->SaveToTextFile(File(Form));
    }
    std::filesystem::path Folder;
    TComponent Form{nullptr};
    TNyxScene* Scene = new TNyxScene(&Form);
};

TSource& Source() {
    static TSource source;
    return source;
}

void SaveCase(benchmark::State& state, TForm Form) {
    const TSource& source = Source();
    for (auto _ : state)
        source.Save(Form);
    state.SetBytesProcessed(state.iterations() *
                            std::int64_t(std::filesystem::file_size(source.File(Form))));
}

// Into a fresh scene each time, freed outside the timing.
void LoadCase(benchmark::State& state, TForm Form) {
    const TSource& source = Source();
    source.Save(Form);
    const std::string file = source.File(Form);
    double overhead = 0, objectBytes = 0;
    for (auto _ : state) {
        auto form = std::make_unique<TComponent>(nullptr);
        auto* scene = new TNyxScene(form.get());
        const std::int64_t before = gLive;
        gPeak = gLive.load();
        Form == fmBinary ? scene->LoadFromFile(file) : scene->LoadFromTextFile(file);
        state.PauseTiming();
        objectBytes = double(gLive - before);
        overhead = double(gPeak - before) / objectBytes;
        form.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(file)));
    state.counters["objects_MB"] = objectBytes / 1e6;
    state.counters["peak_over_objects"] = overhead;
}

}  // namespace

BENCHMARK_CAPTURE(SaveCase, binary, fmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveCase, text, fmText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadCase, binary, fmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadCase, text, fmText)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
