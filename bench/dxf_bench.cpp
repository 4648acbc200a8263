// DXF throughput on a generated 49 MB drawing (about 270,000 entities), each against a
// floor measured in the same run:
// - reading: one pass with getline and std::from_chars for every code and number; the
//   tokenizer alone and the full import into scene objects (classic, and with the
//   extended entities read) are given as multiples of it (x_floor), the import also
//   with its peak heap per object;
// - the same objects from the library's own binary stream: the load as a multiple of the
//   classic import (x_import), and how its time splits;
// - writing: the export's groups written with std::to_chars into a buffered file; the
//   export is given as a multiple of that.
// The drawing comes from the generator beside the project (it needs Debian's
// python3-ezdxf) into the build folder, once; without it every case is skipped.
#include "dxf/converter.h"
#include "rtl/filer.h"
#include "rtl/streams.h"
#include "scene/object.h"

#include "heapcount.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace nyx;

// --- The drawing ---------------------------------------------------------------------------

namespace {

const std::string& Drawing() {
    static const std::string path = [] {
        const std::string out = NYX_DXF_BENCH_DIR "/bench_2.4.dxf";
        if (std::filesystem::exists(out))
            return out;
        const std::string command = "/usr/bin/python3 '" NYX_DXF_GENERATOR "' '" + out +
                                    ".part' 2.4 >/dev/null 2>&1 && mv '" + out + ".part' '" + out +
                                    "'";
        if (!std::filesystem::exists(NYX_DXF_GENERATOR) || std::system(command.c_str()) != 0)
            return std::string();
        return out;
    }();
    return path;
}

bool HaveDrawing(benchmark::State& State) {
    if (!Drawing().empty())
        return true;
    State.SkipWithError("no benchmark drawing: the generator " NYX_DXF_GENERATOR
                        " or Debian's python3-ezdxf is missing");
    return false;
}

// Codes whose values are reals or integers in the drawings read here.
bool IsRealCode(int Code) { return (Code >= 10 && Code < 60) || (Code >= 110 && Code < 150); }
bool IsIntCode(int Code) { return (Code >= 60 && Code < 100) || (Code >= 170 && Code < 180); }

// Mean seconds per iteration of each floor, for the multiples of the cases after it.
double gReadFloor = 0;
double gWriteFloor = 0;
// Mean seconds of the classic import, for the multiple of the stream load.
double gImport = 0;

double Seconds(std::chrono::steady_clock::duration D) {
    return std::chrono::duration<double>(D).count();
}

void ReportFloorMultiple(benchmark::State& State, double Total, double Floor) {
    if (Floor > 0 && State.iterations() > 0)
        State.counters["x_floor"] = Total / double(State.iterations()) / Floor;
}

// --- Reading ---------------------------------------------------------------------------------

void BM_ReadFloor(benchmark::State& State) {
    if (!HaveDrawing(State))
        return;
    double total = 0;
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        std::ifstream in(Drawing(), std::ios::binary);
        std::string codeLine, value;
        double sum = 0;
        while (std::getline(in, codeLine) && std::getline(in, value)) {
            int code = 0;
            std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code);
            if (IsRealCode(code)) {
                double d = 0;
                std::from_chars(value.data(), value.data() + value.size(), d);
                sum += d;
            } else if (IsIntCode(code)) {
                int i = 0;
                std::from_chars(value.data(), value.data() + value.size(), i);
                sum += i;
            }
        }
        benchmark::DoNotOptimize(sum);
        total += Seconds(std::chrono::steady_clock::now() - start);
    }
    gReadFloor = total / double(State.iterations());
    State.SetBytesProcessed(State.iterations() *
                            std::int64_t(std::filesystem::file_size(Drawing())));
}
BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Tokenizer(benchmark::State& State) {
    if (!HaveDrawing(State))
        return;
    TDXFConverter converter(nullptr);
    converter.SetFileName(Drawing());
    double total = 0;
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        converter.OpenFile();
        double sum = 0;
        for (int code = converter.NextGroupCode(); code >= 0; code = converter.NextGroupCode()) {
            if (IsRealCode(code))
                sum += converter.ValDbl();
            else if (IsIntCode(code))
                sum += converter.ValInt();
        }
        converter.CloseFile();
        benchmark::DoNotOptimize(sum);
        total += Seconds(std::chrono::steady_clock::now() - start);
    }
    ReportFloorMultiple(State, total, gReadFloor);
    State.SetBytesProcessed(State.iterations() *
                            std::int64_t(std::filesystem::file_size(Drawing())));
}
BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Extended: with ReadExtendedEntities on, as the programs read.
void BM_Import(benchmark::State& State, bool Extended) {
    if (!HaveDrawing(State))
        return;
    double total = 0;
    std::int64_t objects = 0;
    std::int64_t peakPerObject = 0;
    for (auto _ : State) {
        const std::int64_t before = gLive.load();
        gPeak = before;
        const auto start = std::chrono::steady_clock::now();
        auto root = std::make_unique<TNyxObject>(nullptr);
        TDXFConverter converter(nullptr);
        converter.SetRoot(root.get());
        converter.SetFileName(Drawing());
        converter.SetReadExtendedEntities(Extended);
        converter.LoadFromFile();
        total += Seconds(std::chrono::steady_clock::now() - start);
        objects = root->ComponentCount();
        peakPerObject = (gPeak.load() - before) / std::max<std::int64_t>(objects, 1);
        State.PauseTiming();
        converter.SetRoot(nullptr);
        root.reset();
        State.ResumeTiming();
    }
    ReportFloorMultiple(State, total, gReadFloor);
    if (!Extended)
        gImport = total / double(State.iterations());
    State.counters["objects"] = double(objects);
    State.counters["peak_B_per_object"] = double(peakPerObject);
    State.SetBytesProcessed(State.iterations() *
                            std::int64_t(std::filesystem::file_size(Drawing())));
}
BENCHMARK_CAPTURE(BM_Import, classic, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Import, extended, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// --- The library's own stream ---------------------------------------------------------------

TNyxObject* ImportedScene();

const std::string& NativeFile() {
    static const std::string path = [] {
        const std::string out = NYX_DXF_BENCH_DIR "/bench_2.4.nyx";
        ImportedScene()->SaveToFile(out);
        return out;
    }();
    return path;
}

// The classes of a loaded tree in reading order, each with the index of its parent (-1:
// the root), to make the same objects again without a stream.
struct TMade {
    const TMetaClass* Class;
    int Parent;
};

void ListTree(const TNyxObject& Object, int Index, std::vector<TMade>& List) {
    for (const TNyxObject* child : Object.Items()) {
        List.push_back({&child->ClassType(), Index});
        ListTree(*child, int(List.size()) - 1, List);
    }
}

// The load, and the three parts of its time: the pass that checks every class before
// anything is cleared (check_ms), making and parenting the objects alone (objects_ms), and
// the rest, reading the values and setting the properties (values_ms).
void BM_StreamLoad(benchmark::State& State) {
    if (!HaveDrawing(State))
        return;
    const std::string& file = NativeFile();
    double total = 0, check = 0, objects = 0;
    for (auto _ : State) {
        auto root = std::make_unique<TNyxObject>(nullptr);
        auto start = std::chrono::steady_clock::now();
        root->LoadFromFile(file);
        total += Seconds(std::chrono::steady_clock::now() - start);

        State.PauseTiming();
        std::vector<TMade> tree;
        ListTree(*root, -1, tree);
        root.reset();
        start = std::chrono::steady_clock::now();
        {
            TFileStream stream(file, fmOpenRead);
            TReader reader(stream, 64 * 1024);  // the buffer of the scene's own loads
            reader.CheckRootComponent();
        }
        check += Seconds(std::chrono::steady_clock::now() - start);
        root = std::make_unique<TNyxObject>(nullptr);
        start = std::chrono::steady_clock::now();
        std::vector<TNyxObject*> made;
        made.reserve(tree.size());
        for (const TMade& m : tree) {
            auto* o = static_cast<TNyxObject*>(m.Class->NewComponent(root.get()));
            o->SetParentComponent(m.Parent < 0 ? root.get() : made[std::size_t(m.Parent)]);
            made.push_back(o);
        }
        objects += Seconds(std::chrono::steady_clock::now() - start);
        root.reset();
        State.ResumeTiming();
    }
    const double n = double(State.iterations());
    if (gImport > 0)
        State.counters["x_import"] = total / n / gImport;
    State.counters["check_ms"] = check / n * 1e3;
    State.counters["objects_ms"] = objects / n * 1e3;
    State.counters["values_ms"] = (total - check - objects) / n * 1e3;
    State.SetBytesProcessed(State.iterations() * std::int64_t(std::filesystem::file_size(file)));
}
BENCHMARK(BM_StreamLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// --- Writing ---------------------------------------------------------------------------------

// The drawing imported once, for the export cases.
TNyxObject* ImportedScene() {
    static const std::unique_ptr<TNyxObject> root = [] {
        auto r = std::make_unique<TNyxObject>(nullptr);
        TDXFConverter converter(nullptr);
        converter.SetRoot(r.get());
        converter.SetFileName(Drawing());
        converter.LoadFromFile();
        converter.SetRoot(nullptr);
        return r;
    }();
    return root.get();
}

const std::string ExportPath = NYX_DXF_BENCH_DIR "/export.dxf";

// The groups of the export, with their numbers parsed, for the floor to write again.
struct TFloorGroup {
    int Code;
    int Kind;  // 0 text, 1 real, 2 integer
    double Real;
    long long Integer;
    std::string Text;
};

const std::vector<TFloorGroup>& ExportedGroups() {
    static const std::vector<TFloorGroup> groups = [] {
        TDXFConverter converter(nullptr);
        converter.SetRoot(ImportedScene());
        converter.SetFileName(ExportPath);
        converter.SaveToFile();
        converter.SetRoot(nullptr);
        std::vector<TFloorGroup> list;
        std::ifstream in(ExportPath, std::ios::binary);
        std::string codeLine, value;
        while (std::getline(in, codeLine) && std::getline(in, value)) {
            value.pop_back();  // CR
            TFloorGroup g{std::stoi(codeLine), 0, 0, 0, {}};
            if (IsRealCode(g.Code) && g.Code != 41) {
                g.Kind = 1;
                g.Real = std::strtod(value.c_str(), nullptr);
            } else if (IsIntCode(g.Code)) {
                g.Kind = 2;
                g.Integer = std::stoll(value);
            } else {
                g.Text = value;
            }
            list.push_back(std::move(g));
        }
        return list;
    }();
    return groups;
}

void BM_WriteFloor(benchmark::State& State) {
    if (!HaveDrawing(State))
        return;
    const std::vector<TFloorGroup>& groups = ExportedGroups();
    const std::string path = NYX_DXF_BENCH_DIR "/floor.dxf";
    double total = 0;
    std::vector<char> buffer(64 * 1024);
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::size_t fill = 0;
        for (const TFloorGroup& g : groups) {
            if (fill + 64 + g.Text.size() > buffer.size()) {
                std::fwrite(buffer.data(), 1, fill, f);
                fill = 0;
            }
            char* p = buffer.data() + fill;
            p = std::to_chars(p, p + 12, g.Code).ptr;
            *p++ = '\r';
            *p++ = '\n';
            if (g.Kind == 1)
                p = std::to_chars(p, p + 32, g.Real).ptr;
            else if (g.Kind == 2)
                p = std::to_chars(p, p + 24, g.Integer).ptr;
            else
                p = std::copy(g.Text.begin(), g.Text.end(), p);
            *p++ = '\r';
            *p++ = '\n';
            fill = std::size_t(p - buffer.data());
        }
        std::fwrite(buffer.data(), 1, fill, f);
        std::fclose(f);
        total += Seconds(std::chrono::steady_clock::now() - start);
    }
    gWriteFloor = total / double(State.iterations());
    State.counters["groups"] = double(groups.size());
}
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Export(benchmark::State& State) {
    if (!HaveDrawing(State))
        return;
    TDXFConverter converter(nullptr);
    converter.SetRoot(ImportedScene());
    converter.SetFileName(ExportPath);
    double total = 0;
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        converter.SaveToFile();
        total += Seconds(std::chrono::steady_clock::now() - start);
    }
    converter.SetRoot(nullptr);
    ReportFloorMultiple(State, total, gWriteFloor);
    State.SetBytesProcessed(State.iterations() *
                            std::int64_t(std::filesystem::file_size(ExportPath)));
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
