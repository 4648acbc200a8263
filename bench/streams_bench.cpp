// Object stream throughput: 100,000 small components written and read in both forms,
// the conversions between the forms, and the memory a read needs beyond the objects.
#include "rtl/classes.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <new>

using namespace nyx;

// --- Allocation accounting ---------------------------------------------------------------

namespace {
std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};

void* Allocate(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const std::int64_t live = gLive += std::int64_t(malloc_usable_size(p));
    std::int64_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
    return p;
}
void Release(void* p) {
    if (!p)
        return;
    gLive -= std::int64_t(malloc_usable_size(p));
    std::free(p);
}
} // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

// --- A small component -------------------------------------------------------------------

namespace {

enum TShade { shNone, shLight, shDark };
const TEnumInfo ShadeInfo{"TShade", {"shNone", "shLight", "shDark"}};

class TItem : public TComponent {
    NYX_CLASS(TItem)
public:
    explicit TItem(TComponent* AOwner) : TComponent(AOwner) {}
    ~TItem() override {
        for (TItem* c : Children)
            c->Parent = nullptr;
        if (Parent)
            std::erase(Parent->Children, this);
    }
    void GetChildren(const TGetChildProc& Proc, TComponent*) override {
        for (TItem* c : Children)
            Proc(c);
    }
    void SetParentComponent(TComponent* Value) override {
        Parent = static_cast<TItem*>(Value);
        Parent->Children.push_back(this);
    }
    bool HasParent() const override { return true; }

    int Count = 0;
    double X = 0, Y = 0;
    TShade Shade = shNone;
    bool Visible = true;
    std::string Caption;
    TItem* Parent = nullptr;
    std::vector<TItem*> Children;
};

const TMetaClass& TItem::StaticClass() {
    using P = Props<TItem>;
    static const TMetaClass meta = TMetaClass::Make<TItem, TComponent>(
        "TItem", {P::Integer("Count", &TItem::Count, [](TItem& i, int v) { i.Count = v; }, 0),
                  P::Float("X", &TItem::X, [](TItem& i, double v) { i.X = v; }),
                  P::Float("Y", &TItem::Y, [](TItem& i, double v) { i.Y = v; }),
                  P::Enum("Shade", &TItem::Shade, [](TItem& i, TShade v) { i.Shade = v; },
                          ShadeInfo, shNone),
                  P::Boolean("Visible", &TItem::Visible,
                             [](TItem& i, bool v) { i.Visible = v; }, true),
                  P::String("Caption", &TItem::Caption,
                            [](TItem& i, const std::string& v) { i.Caption = v; })});
    return meta;
}

constexpr int kItems = 100000;

std::unique_ptr<TItem> MakeTree() {
    RegisterClass(TItem::StaticClass());
    auto root = std::make_unique<TItem>(nullptr);
    root->SetName("Root");
    for (int i = 0; i < kItems; ++i) {
        auto* item = new TItem(root.get());
        item->SetName("Item" + std::to_string(i));
        item->Count = i;
        item->X = i * 0.25;
        item->Y = 1.0 / (i + 1);
        item->Shade = TShade(i % 3);
        item->Visible = i % 2 == 0;
        item->Caption = "caption " + std::to_string(i);
        item->SetParentComponent(root.get());
    }
    return root;
}

const std::string& Binary() {
    static const std::string data = [] {
        auto root = MakeTree();
        TMemoryStream s;
        s.WriteComponent(root.get());
        return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
    }();
    return data;
}

const std::string& Text() {
    static const std::string data = [] {
        TMemoryStream in, out;
        in.WriteBuffer(Binary().data(), std::int64_t(Binary().size()));
        in.SetPosition(0);
        ObjectBinaryToText(in, out);
        return std::string(reinterpret_cast<const char*>(out.Memory()), std::size_t(out.Size()));
    }();
    return data;
}

void Load(TMemoryStream& s, const std::string& data) {
    s.Clear();
    s.WriteBuffer(data.data(), std::int64_t(data.size()));
    s.SetPosition(0);
}

void WriteBinary(benchmark::State& state) {
    auto root = MakeTree();
    TMemoryStream s;
    for (auto _ : state) {
        s.SetSize(0);
        s.WriteComponent(root.get());
    }
    state.SetBytesProcessed(state.iterations() * s.Size());
}

void ReadBinary(benchmark::State& state) {
    TMemoryStream s;
    Load(s, Binary());
    double overhead = 0;
    for (auto _ : state) {
        s.SetPosition(0);
        const std::int64_t before = gLive;
        gPeak = before;
        auto root = std::make_unique<TItem>(nullptr);
        s.ReadComponent(root.get());
        // Peak while reading against what the objects hold afterwards.
        overhead = double(gPeak - before) / double(gLive - before);
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(Binary().size()));
    state.counters["peak_over_objects"] = overhead;
}

void WriteText(benchmark::State& state) {
    auto root = MakeTree();
    TMemoryStream binary, text;
    for (auto _ : state) {
        binary.SetSize(0);
        text.SetSize(0);
        binary.WriteComponent(root.get());
        binary.SetPosition(0);
        ObjectBinaryToText(binary, text);
    }
    state.SetBytesProcessed(state.iterations() * text.Size());
}

void ReadText(benchmark::State& state) {
    TMemoryStream text, binary;
    Load(text, Text());
    for (auto _ : state) {
        text.SetPosition(0);
        binary.SetSize(0);
        ObjectTextToBinary(text, binary);
        binary.SetPosition(0);
        auto root = std::make_unique<TItem>(nullptr);
        binary.ReadComponent(root.get());
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(Text().size()));
}

void BinaryToText(benchmark::State& state) {
    TMemoryStream binary, text;
    Load(binary, Binary());
    for (auto _ : state) {
        binary.SetPosition(0);
        text.SetSize(0);
        ObjectBinaryToText(binary, text);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(Text().size()));
}

void TextToBinary(benchmark::State& state) {
    TMemoryStream text, binary;
    Load(text, Text());
    for (auto _ : state) {
        text.SetPosition(0);
        binary.SetSize(0);
        ObjectTextToBinary(text, binary);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(Text().size()));
}

} // namespace

BENCHMARK(WriteBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteText)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BinaryToText)->Unit(benchmark::kMillisecond);
BENCHMARK(TextToBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
