// Scene tree costs: building, attaching and freeing large trees (a big DXF drawing
// becomes hundreds of thousands of objects), heap per object, and the absolute
// queries at depth 10.
//
// Targets: 100,000 objects created and attached <= 0.3 s and freed <= 0.2 s; one
// object with all it owns <= 1 KiB of heap; GetAbsoluteMatrix at depth 10 <= 1 us.

#include "scene/object.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Heap accounting: every allocation of the process passes through here.
std::size_t gAllocated = 0;
std::size_t gAllocations = 0;

}  // namespace

// GCC cannot see that these replace the global pair together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    gAllocated += size;
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace nyx;

namespace {

constexpr int kTreeSize = 100000;

// Object i hangs under object (i - 1) / Fanout: a full tree of that fan-out. With a
// large fan-out it is the shape of a drawing: a few layers holding many entities.
// Owner: none (the parents free their children) or the root, as a reader does it.
TNyxObject* BuildTree(int count, int fanout, bool rootOwns) {
    std::vector<TNyxObject*> all;
    all.reserve(std::size_t(count));
    auto* root = new TNyxObject(nullptr);
    all.push_back(root);
    for (int i = 1; i < count; ++i) {
        auto* o = new TNyxObject(rootOwns ? root : nullptr);
        o->SetParentComponent(all[std::size_t((i - 1) / fanout)]);
        all.push_back(o);
    }
    return root;
}

void BM_CreateAndAttach(benchmark::State& state) {
    const int fanout = int(state.range(0));
    for (auto _ : state) {
        TNyxObject* root = BuildTree(kTreeSize, fanout, false);
        state.PauseTiming();
        delete root;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kTreeSize);
}
BENCHMARK(BM_CreateAndAttach)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FreeTree(benchmark::State& state) {
    const int fanout = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TNyxObject* root = BuildTree(kTreeSize, fanout, false);
        state.ResumeTiming();
        delete root;
    }
    state.SetItemsProcessed(state.iterations() * kTreeSize);
}
BENCHMARK(BM_FreeTree)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

// With the root as framework owner every insertion and removal is announced to all
// components the owner already has, so the cost grows with the square of the size.
void BM_CreateAndFreeOwnedByRoot(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state)
        delete BuildTree(count, 10000, true);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CreateAndFreeOwnedByRoot)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// Heap taken by one object with everything it owns, attached as a leaf, and per
// object of a whole tree (which adds the parents' child lists).
void BM_HeapPerObject(benchmark::State& state) {
    constexpr int kLeaves = 1000;
    double leaf = 0, inTree = 0;
    for (auto _ : state) {
        TNyxObject parent(nullptr);
        std::vector<TNyxObject*> leaves;
        leaves.reserve(kLeaves);
        const std::size_t before = gAllocated;
        for (int i = 0; i < kLeaves; ++i) {
            leaves.push_back(new TNyxObject(nullptr));
            leaves.back()->SetParentComponent(&parent);
        }
        leaf = double(gAllocated - before) / kLeaves;
        parent.Clear();

        const std::size_t start = gAllocated;
        TNyxObject* root = BuildTree(kTreeSize, 10, false);
        // The build's own bookkeeping vector is not the tree's.
        inTree = double(gAllocated - start - sizeof(TNyxObject*) * kTreeSize) / kTreeSize;
        delete root;
    }
    state.counters["bytes_per_leaf"] = leaf;
    state.counters["bytes_per_object_in_tree"] = inTree;
    state.counters["sizeof_TNyxObject"] = double(sizeof(TNyxObject));
}
BENCHMARK(BM_HeapPerObject)->Iterations(1)->Unit(benchmark::kMillisecond);

// A chain of ten transformed objects under a transformed root; queries on the last.
struct TChain {
    TNyxObject Root{nullptr};
    TNyxObject* Deepest = &Root;
    TChain() {
        Root.XForm()->Translate()->SetData(0, 1);
        for (int i = 0; i < 10; ++i) {
            auto* o = new TNyxObject(nullptr);
            o->SetParentComponent(Deepest);
            o->XForm()->Translate()->SetData(1, i);
            o->XForm()->Rotate()->SetData(2, 10.0 * i);
            o->XForm()->Scale()->SetData(0, 1.5);
            Deepest = o;
        }
    }
};

void BM_AbsoluteMatrixDepth10(benchmark::State& state) {
    TChain chain;
    TGLMatrixd4 m;
    for (auto _ : state) {
        chain.Deepest->GetAbsoluteMatrix(m);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_AbsoluteMatrixDepth10);

void BM_AbsoluteSizeDepth10(benchmark::State& state) {
    TChain chain;
    TGLArrayd3 lo, hi;
    for (auto _ : state) {
        chain.Deepest->GetAbsoluteSize(lo, hi);
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
}
BENCHMARK(BM_AbsoluteSizeDepth10);

void BM_AbsoluteRadiusDepth10(benchmark::State& state) {
    TChain chain;
    for (auto _ : state)
        benchmark::DoNotOptimize(chain.Deepest->GetAbsoluteRadius());
}
BENCHMARK(BM_AbsoluteRadiusDepth10);

void BM_ChangeIndexDepth10(benchmark::State& state) {
    TChain chain;
    for (auto _ : state)
        benchmark::DoNotOptimize(chain.Deepest->GetChangeIndex());
}
BENCHMARK(BM_ChangeIndexDepth10);

}  // namespace

BENCHMARK_MAIN();
