// Object stream throughput: 100,000 small components written and read in both forms,
// the conversions between the forms, and the memory a read needs beyond the objects.
#include "rtl/classes.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"

#include "heapcount.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <new>

using namespace nyx;

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
        "TItem",
        {P::Integer(
             "Count", &TItem::Count, [](TItem& i, int v) { i.Count = v; }, 0),
         P::Float("X", &TItem::X, [](TItem& i, double v) { i.X = v; }),
         P::Float("Y", &TItem::Y, [](TItem& i, double v) { i.Y = v; }),
         P::Enum(
             "Shade", &TItem::Shade, [](TItem& i, TShade v) { i.Shade = v; }, ShadeInfo, shNone),
         P::Boolean(
             "Visible", &TItem::Visible, [](TItem& i, bool v) { i.Visible = v; }, true),
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

enum TForm { fmBinary, fmText };

// The tree written in Form: the binary stream, converted to text for fmText.
void Write(TComponent* Root, TForm Form, TMemoryStream& Binary, TMemoryStream& Out) {
    Binary.SetSize(0);
    Binary.WriteComponent(Root);
    if (Form == fmBinary)
        return;
    Binary.SetPosition(0);
    Out.SetSize(0);
    ObjectBinaryToText(Binary, Out);
}

void WriteCase(benchmark::State& state, TForm Form) {
    auto root = MakeTree();
    TMemoryStream binary, text;
    for (auto _ : state)
        Write(root.get(), Form, binary, text);
    state.SetBytesProcessed(state.iterations() * (Form == fmBinary ? binary : text).Size());
}

// Reads the stored tree (the text converted to binary first) into a fresh root, which
// is freed outside the timing. Reports the heap the read needed at its peak against the heap
// the objects hold once it is done.
void ReadCase(benchmark::State& state, TForm Form) {
    const std::string& data = Form == fmBinary ? Binary() : Text();
    TMemoryStream in, binary;
    Load(in, data);
    double overhead = 0;
    for (auto _ : state) {
        in.SetPosition(0);
        const std::int64_t before = gLive;
        gPeak = before;
        TMemoryStream* source = &in;
        if (Form == fmText) {
            binary.SetSize(0);
            ObjectTextToBinary(in, binary);
            binary.SetPosition(0);
            source = &binary;
        }
        auto root = std::make_unique<TItem>(nullptr);
        source->ReadComponent(root.get());
        state.PauseTiming();
        binary.Clear();  // the converted copy counts while reading only
        overhead = double(gPeak - before) / double(gLive - before);
        root.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(data.size()));
    state.counters["peak_over_objects"] = overhead;
}

void ConvertCase(benchmark::State& state, TForm From) {
    TMemoryStream in, out;
    Load(in, From == fmBinary ? Binary() : Text());
    for (auto _ : state) {
        in.SetPosition(0);
        out.SetSize(0);
        if (From == fmBinary)
            ObjectBinaryToText(in, out);
        else
            ObjectTextToBinary(in, out);
    }
    // Both directions in text bytes, the larger form.
    state.SetBytesProcessed(state.iterations() * std::int64_t(Text().size()));
}

}  // namespace

BENCHMARK_CAPTURE(WriteCase, Binary, fmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadCase, Binary, fmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteCase, Text, fmText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadCase, Text, fmText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertCase, BinaryToText, fmBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertCase, TextToBinary, fmText)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
