// Component streams: round trips of every property kind in both forms, omission of
// defaults, references, nested children, the error callback and malformed input.
#include "sample_classes.h"
#include "stream_helpers.h"

#include "rtl/graphics.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace nyx;
using namespace nyx::sample;
using namespace nyx::testing;

namespace {

struct Registered : ::testing::Environment {
    void SetUp() override { RegisterSampleClasses(); }
};
const auto* const gRegistered = ::testing::AddGlobalTestEnvironment(new Registered);

// Collects what the reader reports and marks it handled.
struct Collector {
    std::vector<std::string> messages;
    void OnError(TReader*, const std::string& message, bool& handled) {
        messages.push_back(message);
        handled = true;
    }
    TReaderError Handler() { return TReaderError::Bind<&Collector::OnError>(this); }
};

enum class Form { Binary, Text };

// Loads a stream saved as binary into a fresh root, through the text form if asked.
std::unique_ptr<TSample> Reload(const std::string& binary, Form form) {
    auto root = std::make_unique<TSample>(nullptr);
    const std::string data = form == Form::Binary ? binary : TextToBinary(BinaryToText(binary));
    LoadBinary(root.get(), data);
    return root;
}

std::unique_ptr<TSample> LoadText(const std::string& text, Collector* errors = nullptr) {
    auto root = std::make_unique<TSample>(nullptr);
    LoadBinary(root.get(), TextToBinary(text), errors ? errors->Handler() : TReaderError());
    return root;
}

TSample* Child(TSample* parent, const char* name) {
    auto* c = new TSample(parent);
    c->SetName(name);
    parent->AddChild(c);
    return c;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

// --- Round trips -----------------------------------------------------------------------

TEST(ObjectStream, EveryPropertyKindRoundTripsInBothForms) {
    struct Row {
        const char* kind;
        std::function<void(TSample&)> set;
        std::function<void(const TSample&)> check;
    };
    const std::string text =
        "quote \" backslash \\ tab\t newline\n bell\x07 del\x7f \xc3\xa9t\xc3\xa9";
    std::vector<std::uint8_t> blob(5000);  // larger than the 4096-byte buffers
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = std::uint8_t(i * 7 + 3);
    const Row rows[] = {
        {"integer limits",
         [](TSample& s) {
             s.Count = std::numeric_limits<std::int32_t>::min();
             s.Big = INT64_MAX;
         },
         [](const TSample& s) {
             EXPECT_EQ(s.Count, std::numeric_limits<std::int32_t>::min());
             EXPECT_EQ(s.Big, INT64_MAX);
         }},
        {"every integer width",
         [](TSample& s) {
             s.Count = -129;
             s.Big = -40000;
             s.Frame.Origin()->Weight = 70000;
         },
         [](const TSample& s) {
             EXPECT_EQ(s.Count, -129);
             EXPECT_EQ(s.Big, -40000);
             EXPECT_EQ(s.Frame.Origin()->Weight, 70000);
         }},
        {"floats",
         [](TSample& s) {
             s.Ratio = 0.1;
             s.Single = 1.25f;
         },
         [](const TSample& s) {
             EXPECT_EQ(s.Ratio, 0.1);
             EXPECT_EQ(s.Single, 1.25f);
         }},
        {"enumeration", [](TSample& s) { s.Kind = skTwo; },
         [](const TSample& s) { EXPECT_EQ(s.Kind, skTwo); }},
        {"boolean", [](TSample& s) { s.Visible = false; },
         [](const TSample& s) { EXPECT_FALSE(s.Visible); }},
        {"set", [](TSample& s) { s.Flags = (1 << sfB) | (1 << sfC); },
         [](const TSample& s) { EXPECT_EQ(s.Flags, (1 << sfB) | (1 << sfC)); }},
        {"empty set differs from the default", [](TSample& s) { s.Flags = 0; },
         [](const TSample& s) { EXPECT_EQ(s.Flags, 0); }},
        {"string with escapes", [&](TSample& s) { s.Caption = text; },
         [&](const TSample& s) { EXPECT_EQ(s.Caption, text); }},
        {"owned objects as paths",
         [](TSample& s) {
             s.Frame.Origin()->X = -2.5;
             s.Frame.Label = "L";
         },
         [](const TSample& s) {
             EXPECT_EQ(s.Frame.Origin()->X, -2.5);
             EXPECT_EQ(s.Frame.Label, "L");
         }},
        {"collection",
         [](TSample& s) {
             s.Vertexes.Add();
             s.Vertexes.ItemAs<TVertex>(0)->X = 1.5;
             s.Vertexes.Add();  // all defaults: an empty item
             s.Vertexes.Add();
             s.Vertexes.ItemAs<TVertex>(2)->Color = 0xFF00FF;
         },
         [](const TSample& s) {
             ASSERT_EQ(s.Vertexes.Count(), 3);
             EXPECT_EQ(s.Vertexes.ItemAs<TVertex>(0)->X, 1.5);
             EXPECT_EQ(s.Vertexes.ItemAs<TVertex>(1)->X, 0);
             EXPECT_EQ(s.Vertexes.ItemAs<TVertex>(2)->Color, 0xFF00FF);
         }},
        {"binary data", [&](TSample& s) { s.Blob = blob; },
         [&](const TSample& s) { EXPECT_EQ(s.Blob, blob); }},
        {"list of values",
         [](TSample& s) {
             s.Numbers = {1, -300, std::int64_t(1) << 40};
         },
         [](const TSample& s) {
             EXPECT_EQ(s.Numbers, (std::vector<std::int64_t>{1, -300, std::int64_t(1) << 40}));
         }},
        {"nested children and a reference",
         [](TSample& s) {
             TSample* a = Child(&s, "A");
             Child(a, "A1")->Count = 11;
             Child(&s, "B")->SetLink(a);
         },
         [](const TSample& s) {
             ASSERT_EQ(s.Children().size(), 2u);
             TSample* a = s.Children()[0];
             TSample* b = s.Children()[1];
             EXPECT_EQ(a->Name(), "A");
             ASSERT_EQ(a->Children().size(), 1u);
             EXPECT_EQ(a->Children()[0]->Count, 11);
             EXPECT_EQ(b->Link(), a);
         }},
    };
    for (const Row& row : rows) {
        for (Form form : {Form::Binary, Form::Text}) {
            SCOPED_TRACE(std::string(row.kind) + (form == Form::Binary ? " (binary)" : " (text)"));
            TSample source(nullptr);
            source.SetName("Root");
            row.set(source);
            const std::string binary = SaveBinary(&source);
            auto loaded = Reload(binary, form);
            row.check(*loaded);
            EXPECT_EQ(loaded->Name(), "Root");
            // Nothing is lost or added: saving again gives the same bytes, and the
            // text form converts back to exactly those bytes.
            EXPECT_EQ(SaveBinary(loaded.get()), binary);
            EXPECT_EQ(TextToBinary(BinaryToText(binary)), binary);
        }
    }
}

TEST(ObjectStream, DoublesReadBackBitForBitFromText) {
    const double values[] = {0.1,
                             1.0 / 3,
                             -2.5,
                             1e300,
                             5e-324,
                             2.2250738585072014e-308,
                             1e16,
                             123456789012345678.0,
                             100.0,
                             -1e-7,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double v : values) {
        SCOPED_TRACE(v);
        TSample source(nullptr);
        source.Ratio = v;
        auto loaded = Reload(SaveBinary(&source), Form::Text);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(loaded->Ratio), std::bit_cast<std::uint64_t>(v));
    }
    TSample source(nullptr);
    source.Ratio = -std::nan("");
    auto loaded = Reload(SaveBinary(&source), Form::Text);
    EXPECT_TRUE(std::isnan(loaded->Ratio));
    EXPECT_TRUE(std::signbit(loaded->Ratio));
}

TEST(ObjectStream, TextFormIsReadable) {
    TSample root(nullptr);
    root.SetName("Root");
    root.Count = 7;
    root.Ratio = 0.1;
    root.Kind = skOne;
    root.Visible = false;
    root.Flags = (1 << sfB) | (1 << sfC);
    root.Caption = "a \"q\"\n";
    root.Frame.Origin()->X = 2;
    root.Vertexes.Add()->SetIndex(0);
    root.Vertexes.ItemAs<TVertex>(0)->X = 1.5;
    root.Vertexes.Add();
    root.Vertexes.ItemAs<TVertex>(1)->Color = 255;
    root.Blob = {1, 2, 255};
    root.Numbers = {1, 2};
    root.SetLink(Child(&root, "Child"));
    EXPECT_EQ(SaveText(&root), "object Root: TSample\n"
                               "  Count = 7\n"
                               "  Big = 0\n"
                               "  Ratio = 0.1\n"
                               "  Kind = skOne\n"
                               "  Visible = False\n"
                               "  Flags = [sfB, sfC]\n"
                               "  Caption = \"a \\\"q\\\"\\n\"\n"
                               "  Frame.Origin.X = 2.0\n"
                               "  Vertexes = <\n"
                               "    item\n"
                               "      X = 1.5\n"
                               "    end\n"
                               "    item\n"
                               "      Color = 255\n"
                               "    end>\n"
                               "  Link = Child\n"
                               "  Blob = {0102FF}\n"
                               "  Numbers = (\n"
                               "    1\n"
                               "    2)\n"
                               "  object Child: TSample\n"
                               "    Big = 0\n"
                               "    Vertexes = <>\n"
                               "  end\n"
                               "end\n");
}

TEST(ObjectStream, DefaultsZeroFloatsAndEmptyStringsAreOmitted) {
    TSample root(nullptr);
    root.Count = 0;
    root.Kind = skNone;
    root.Visible = true;
    root.Flags = 1 << sfA;
    root.Ratio = -0.0;
    root.Single = 0;
    root.Caption.clear();
    root.Frame.Origin()->Weight = 1;
    root.Frame.Origin()->Y = 0;
    // Big has no default and is always written; collections are always written.
    EXPECT_EQ(SaveText(&root), "object TSample\n  Big = 0\n  Vertexes = <>\nend\n");
}

// --- References ------------------------------------------------------------------------

TEST(ObjectStream, ReferencesResolveWhateverTheirOrder) {
    struct Row {
        const char* name;
        const char* text;
        std::function<void(TSample&)> check;
    };
    const Row rows[] = {
        {"forward", R"(object R: TSample
             Link = B
             object A: TSample end
             object B: TSample end
           end)",
         [](TSample& r) { EXPECT_EQ(r.Link(), r.Children()[1]); }},
        {"backward", R"(object R: TSample
             object A: TSample end
             object B: TSample Link = A end
           end)",
         [](TSample& r) { EXPECT_EQ(r.Children()[1]->Link(), r.Children()[0]); }},
        {"into a deeper level and case-insensitive", R"(object R: TSample
             object A: TSample Link = deep end
             object B: TSample object Deep: TSample end end
           end)",
         [](TSample& r) { EXPECT_EQ(r.Children()[0]->Link(), r.Children()[1]->Children()[0]); }},
        {"the root by its stored name", R"(object Stored: TSample
             object A: TSample Link = Stored end
           end)",
         [](TSample& r) { EXPECT_EQ(r.Children()[0]->Link(), &r); }},
        {"from a collection item", R"(object R: TSample
             Vertexes = <item Target = A end>
             object A: TSample end
           end)",
         [](TSample& r) { EXPECT_EQ(r.Vertexes.ItemAs<TVertex>(0)->Target, r.Children()[0]); }},
        {"a collection read twice keeps only the second", R"(object R: TSample
             Vertexes = <item Target = A end item Target = A end>
             Vertexes = <item Target = B end>
             object A: TSample end
             object B: TSample end
           end)",
         [](TSample& r) {
             ASSERT_EQ(r.Vertexes.Count(), 1);
             EXPECT_EQ(r.Vertexes.ItemAs<TVertex>(0)->Target, r.Children()[1]);
         }},
        {"nil", R"(object R: TSample Link = nil end)",
         [](TSample& r) { EXPECT_EQ(r.Link(), nullptr); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto root = LoadText(row.text);
        row.check(*root);
        for (TSample* c : root->Children())
            EXPECT_EQ(c->Owner(), root.get());
    }
}

TEST(ObjectStream, ReferencesOutsideTheStream) {
    TComponent form(nullptr);
    form.SetName("Form");
    auto* scene = new TSample(&form);
    scene->SetName("Scene");
    auto* sibling = new TSample(&form);
    sibling->SetName("Sibling");
    auto* lib = new TSample(&form);
    lib->SetName("Lib");
    auto* material = new TSample(lib);
    material->SetName("Material");
    // Children placed on the form, not owned by the scene, are written by plain name.
    auto* a = new TSample(&form);
    a->SetName("A");
    scene->AddChild(a);
    auto* b = new TSample(&form);
    b->SetName("B");
    scene->AddChild(b);
    b->SetLink(a);
    scene->SetLink(sibling);
    a->SetLink(material);

    const std::string text = SaveText(scene);
    EXPECT_TRUE(Contains(text, "Link = Sibling\n"));
    EXPECT_TRUE(Contains(text, "Link = Lib.Material\n"));
    EXPECT_TRUE(Contains(text, "Link = A\n"));

    // Loaded into another scene on the same form, B's link goes to the new A.
    auto* copy = new TSample(&form);
    copy->SetName("Copy");
    LoadBinary(copy, TextToBinary(text));
    EXPECT_EQ(copy->Name(), "Copy");  // "Scene" is taken on the form
    ASSERT_EQ(copy->Children().size(), 2u);
    TSample* newA = copy->Children()[0];
    EXPECT_NE(newA, a);
    EXPECT_EQ(newA->Owner(), copy);
    EXPECT_EQ(copy->Children()[1]->Link(), newA);
    EXPECT_EQ(copy->Link(), sibling);
    EXPECT_EQ(newA->Link(), material);
}

TEST(ObjectStream, UnnamedReferenceCannotBeWritten) {
    TSample root(nullptr);
    auto* target = new TSample(&root);
    root.SetLink(target);
    try {
        SaveBinary(&root);
        FAIL() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_TRUE(Contains(e.Message(), "TWriter.WriteProperty: Link")) << e.what();
        EXPECT_TRUE(Contains(e.Message(), "give it a Name")) << e.what();
    }
}

TEST(ObjectStream, UnresolvedReferenceGoesThroughTheErrorCallback) {
    const char* text = "object R: TSample\n  Count = 4\n  Link = Missing\nend\n";
    Collector errors;
    auto root = LoadText(text, &errors);
    EXPECT_EQ(root->Count, 4);
    EXPECT_EQ(root->Link(), nullptr);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "Missing"));

    TSample other(nullptr);
    EXPECT_THROW(LoadBinary(&other, TextToBinary(text)), EReadError);
    EXPECT_FALSE(other.ComponentState().Contains(csLoading));
}

// --- Reading into components -------------------------------------------------------------

TEST(ObjectStream, NestedObjectsAreCreatedOwnedAttachedAndLoaded) {
    const char* text = R"(object Stored: TNotEvenRegistered
      Count = 1
      Link = B
      object A: TSample
        object A1: TSample Count = 3 end
      end
      object B: TSample end
    end)";
    TSample root(nullptr);
    root.SetName("Before");
    LoadBinary(&root, TextToBinary(text));
    // The root's class is not compared; its stored name stays applied.
    EXPECT_EQ(root.Name(), "Stored");
    EXPECT_EQ(root.Count, 1);
    ASSERT_EQ(root.ComponentCount(), 3);
    ASSERT_EQ(root.Children().size(), 2u);
    TSample* a = root.Children()[0];
    ASSERT_EQ(a->Children().size(), 1u);
    EXPECT_EQ(a->Children()[0]->Owner(), &root);
    EXPECT_EQ(a->Children()[0]->ParentSample(), a);
    EXPECT_EQ(a->Children()[0]->Count, 3);
    for (TSample* s : {&root, a, a->Children()[0], root.Children()[1]}) {
        SCOPED_TRACE(s->Name());
        EXPECT_EQ(s->LoadedCalls, 1);
        EXPECT_TRUE(s->LoadingInLoaded);
        EXPECT_FALSE(s->ComponentState().Contains(csLoading));
        EXPECT_FALSE(s->ComponentState().Contains(csReading));
    }
    EXPECT_TRUE(root.LinkResolvedBeforeLoaded);
}

TEST(ObjectStream, RootOfTheStoredClassIsCreatedWhenNoneIsGiven) {
    TSample source(nullptr);
    source.SetName("S");
    source.Count = 9;
    Child(&source, "C");
    TMemoryStream s;
    s.WriteComponent(&source);
    s.SetPosition(0);
    std::unique_ptr<TComponent> made(s.ReadComponent(nullptr));
    auto* sample = dynamic_cast<TSample*>(made.get());
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->Count, 9);
    EXPECT_EQ(sample->Children().size(), 1u);
    EXPECT_EQ(s.Position(), s.Size());  // the reader hands back the stream after the object

    UnRegisterClass(TSample::StaticClass());
    s.SetPosition(0);
    EXPECT_THROW(s.ReadComponent(nullptr), EClassNotFound);
    RegisterSampleClasses();
}

TEST(ObjectStream, IgnoreChildrenSkipsThemBothWays) {
    TSample source(nullptr);
    Child(Child(&source, "A"), "A1");
    source.Count = 2;
    {
        TMemoryStream s;
        TWriter w(s, 4096);
        w.SetIgnoreChildren(true);
        w.WriteRootComponent(&source);
        EXPECT_FALSE(Contains(BinaryToText(Contents(s)), "object A"));
    }
    TMemoryStream s;
    s.WriteComponent(&source);
    s.SetPosition(0);
    TSample root(nullptr);
    TReader r(s, 4096);
    r.SetIgnoreChildren(true);
    r.ReadRootComponent(&root);
    EXPECT_EQ(root.Count, 2);
    EXPECT_EQ(root.ComponentCount(), 0);
}

TEST(ObjectStream, UnknownPropertiesAndBadValuesAreSkippedThroughTheCallback) {
    const char* text = R"(object R: TSample
      Count = 3
      Bogus = <item X = 1 end>
      Frame.Nope.X = 1
      Frame = 5
      Kind = skNine
      Count = "text"
      Flags = [sfA, sfZ]
      Visible = 7
      Single = 2.5
      Blob = 12
      OnClick = Handler
      Vertexes = <item X = 1.5 Unknown = (1 2) end>
      Kind = skTwo
    end)";
    Collector errors;
    auto root = LoadText(text, &errors);
    EXPECT_EQ(root->Count, 3);
    EXPECT_EQ(root->Kind, skTwo);
    EXPECT_EQ(root->Single, 2.5f);
    EXPECT_EQ(root->Flags, 1 << sfA);
    ASSERT_EQ(root->Vertexes.Count(), 1);
    EXPECT_EQ(root->Vertexes.ItemAs<TVertex>(0)->X, 1.5);
    const char* expected[] = {"Bogus", "Frame.Nope.X", "Frame", "skNine",  "Count",
                              "sfZ",   "Visible",      "Blob",  "OnClick", "Unknown"};
    ASSERT_EQ(errors.messages.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_TRUE(Contains(errors.messages[i], expected[i])) << errors.messages[i];
        EXPECT_TRUE(Contains(errors.messages[i], "(byte ")) << errors.messages[i];
    }

    // Without a handler the first one stops the read.
    TSample strict(nullptr);
    try {
        LoadBinary(&strict, TextToBinary(text));
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_TRUE(Contains(e.Message(), "TReader.ReadProperty: Bogus")) << e.what();
        EXPECT_TRUE(Contains(e.Message(), "OnError")) << e.what();
    }
    EXPECT_EQ(strict.Count, 3);
}

TEST(ObjectStream, SetterRangeErrorsAreReported) {
    Collector errors;
    auto root = LoadText("object R: TSample\n  Count = 3000000000\n  Big = 5\nend\n", &errors);
    EXPECT_EQ(root->Count, 0);
    EXPECT_EQ(root->Big, 5);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "Range")) << errors.messages[0];
}

TEST(ObjectStream, FailedReadFreesTheHalfReadObjectAndKeepsTheRest) {
    TSample source(nullptr);
    Child(&source, "A");
    TSample* b = Child(&source, "B");
    Child(b, "B1");
    const std::string full = SaveBinary(&source);
    // Cut inside B1's body: A was read completely, B and B1 were not.
    const std::size_t cut = full.rfind("B1") + 3;
    TSample root(nullptr);
    EXPECT_THROW(LoadBinary(&root, full.substr(0, cut)), EReadError);
    ASSERT_EQ(root.Children().size(), 1u);
    EXPECT_EQ(root.Children()[0]->Name(), "A");
    EXPECT_EQ(root.ComponentCount(), 1);
    EXPECT_FALSE(root.ComponentState().Contains(csLoading));
    EXPECT_FALSE(root.Children()[0]->ComponentState().Contains(csLoading));
}

// --- Siblings of one class -------------------------------------------------------------------

// The reader expects each object to store the paths its last sibling of the same class
// stored, in that order; siblings that store fewer, more or others must still each get
// their own values, with a buffer so small that names and values cross its end.
TEST(ObjectStream, SiblingsOfOneClassStoringOtherPathsEachGetTheirOwn) {
    struct Row {
        std::int32_t count;
        double ratio;
        const char* caption;
        double originX;
        std::vector<std::uint8_t> blob;  // longer than the buffer: skipped by seeking
    };
    const std::vector<std::uint8_t> big(100, 7);
    const Row rows[] = {
        {1, 0.5, "a", 2, {}}, {1, 0.5, "a", 2, {}}, {0, 0.25, "", 0, {}}, {3, 0, "c", 4, big},
        {0, 0, "", 0, {}},    {5, 6, "e", 7, {}},   {0, 0, "f", 8, {}},   {9, 1, "", 0, big},
    };
    TSample source(nullptr);
    int i = 0;
    for (const Row& r : rows) {
        TSample* c = Child(&source, ("C" + std::to_string(i++)).c_str());
        c->Count = r.count;
        c->Ratio = r.ratio;
        c->Caption = r.caption;
        c->Frame.Origin()->X = r.originX;
        c->Blob = r.blob;
    }
    const std::string full = SaveBinary(&source);
    TMemoryStream stream;
    Fill(stream, full);
    {
        TReader check(stream, 64);
        check.CheckRootComponent();
    }
    stream.SetPosition(0);
    TSample root(nullptr);
    {
        TReader reader(stream, 64);
        reader.ReadRootComponent(&root);
    }
    ASSERT_EQ(root.Children().size(), std::size(rows));
    for (std::size_t k = 0; k < std::size(rows); ++k) {
        SCOPED_TRACE(k);
        const TSample& c = *root.Children()[k];
        EXPECT_EQ(c.Count, rows[k].count);
        EXPECT_EQ(c.Ratio, rows[k].ratio);
        EXPECT_EQ(c.Caption, rows[k].caption);
        EXPECT_EQ(c.Frame.Origin()->X, rows[k].originX);
        EXPECT_EQ(c.Blob, rows[k].blob);
    }
    // The check reads on across the buffer's end, and still refuses every truncation.
    for (std::size_t n = 0; n < full.size(); n += 7) {
        SCOPED_TRACE(n);
        Fill(stream, full.substr(0, n));
        TReader check(stream, 64);
        EXPECT_THROW(check.CheckRootComponent(), EReadError);
    }
}

// A property unknown amid the paths the last sibling stored is reported alone: the
// paths after it are still read.
TEST(ObjectStream, UnknownPathAmidTheSiblingsPathsIsReportedAlone) {
    Collector errors;
    auto root = LoadText("object R: TSample\n"
                         "  object A: TSample\n    Count = 1\n    Ratio = 2.0\n  end\n"
                         "  object B: TSample\n    Count = 3\n    Bogus = 4\n"
                         "    Ratio = 5.0\n  end\n"
                         "  object C: TSample\n    Count = 6\n    Ratio = 7.0\n  end\n"
                         "end\n",
                         &errors);
    ASSERT_EQ(root->Children().size(), 3u);
    const double expected[][2] = {{1, 2}, {3, 5}, {6, 7}};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(root->Children()[k]->Count, expected[k][0]);
        EXPECT_EQ(root->Children()[k]->Ratio, expected[k][1]);
    }
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "TSample has no property Bogus"))
        << errors.messages[0];
}

// --- Malformed input -------------------------------------------------------------------------

namespace {
std::string Str(const std::string& s) { return std::string(1, char(s.size())) + s; }
const std::string kSig = "NYX1";
std::string Header(const char* cls = "TSample") { return kSig + Str(cls) + Str("R"); }
}  // namespace

TEST(ObjectStream, MalformedBinaryFailsWithPosition) {
    std::string deep = kSig;
    for (int i = 0; i < 1005; ++i)
        deep += Str("TSample") + Str("") + std::string(1, '\0');
    struct Row {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Row rows[] = {
        {"empty", "", "signature"},
        {"text given as binary", "object R: TSample\nend\n", "signature of a binary object stream"},
        {"unknown value tag", Header() + Str("Count") + "\x63",
         "unknown value tag 99; the stream is corrupt (byte 20)"},
        {"absurd length", Header() + "\xFF\xFF\xFF\xFF\x0F", "exceeds"},
        {"overlong length", Header() + std::string(11, '\xFF'), "malformed"},
        {"truncated double", Header() + Str("Ratio") + "\x06\x01\x02", "truncated"},
        {"missing end markers", Header() + Str("Count") + "\x02\x05", "truncated"},
        {"end marker as a value", Header() + Str("Count") + std::string(1, '\0'), "integer"},
        {"collection item without a list tag", Header() + Str("Vertexes") + "\x0D\x02",
         "expected an item"},
        {"nesting without end", deep, "nest more than 1000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSample root(nullptr);
        try {
            LoadBinary(&root, row.bytes);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(Contains(e.Message(), row.message)) << e.what();
            EXPECT_TRUE(Contains(e.Message(), "(byte ")) << e.what();
        }
        EXPECT_FALSE(root.ComponentState().Contains(csLoading));
        // The converter refuses the same input.
        if (std::string(row.name) != "end marker as a value") {
            EXPECT_THROW(BinaryToText(row.bytes), EReadError);
        }
    }
    TSample root(nullptr);
    try {
        LoadBinary(&root, Header() + std::string(1, '\0') + Str("TNope") + Str("X"));
        FAIL() << "no error";
    } catch (const EClassNotFound& e) {
        EXPECT_TRUE(Contains(e.Message(), "TNope")) << e.what();
        EXPECT_TRUE(Contains(e.Message(), "RegisterClasses")) << e.what();
    }
}

TEST(ObjectStream, EveryTruncationAndBitFlipFailsCleanly) {
    TSample source(nullptr);
    source.Caption = "text";
    source.Ratio = 3.5;
    source.Flags = 6;
    source.Vertexes.Add();
    source.Vertexes.ItemAs<TVertex>(0)->Color = 300;
    source.Blob = {1, 2, 3};
    source.Numbers = {5};
    Child(Child(&source, "A"), "B")->SetLink(&source);
    source.SetName("Root");
    const std::string full = SaveBinary(&source);
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        TSample root(nullptr);
        EXPECT_THROW(LoadBinary(&root, full.substr(0, n)), EReadError);
        EXPECT_THROW(BinaryToText(full.substr(0, n)), EReadError);
    }
    Collector errors;
    for (std::size_t i = 0; i < full.size() * 8; ++i) {
        std::string bad = full;
        bad[i / 8] = char(bad[i / 8] ^ (1 << (i % 8)));
        TSample root(nullptr);
        try {
            LoadBinary(&root, bad, errors.Handler());
        } catch (const Exception&) {}
        try {
            BinaryToText(bad);
        } catch (const Exception&) {}
    }
}

TEST(ObjectStream, MalformedTextFailsWithLine) {
    std::string deep;
    for (int i = 0; i < 1005; ++i)
        deep += "object TSample\n";
    struct Row {
        const char* name;
        std::string text;
        const char* message;
    };
    const Row rows[] = {
        {"empty", "", "line 1: the text does not start with 'object'"},
        {"not a stream", "hello world", "does not start with 'object'"},
        {"unterminated object", "object A: TSample\n  Count = 1\n",
         "line 1: object TSample is not closed"},
        {"unterminated string", "object A: TSample\n  Caption = \"abc\nend\n",
         "line 2: unterminated string"},
        {"unknown escape", "object A: TSample\n  Caption = \"\\q\"\nend\n",
         "line 2: unknown escape"},
        {"missing =", "object A: TSample\n  Count 5\nend\n", "line 2: '=' expected"},
        {"malformed number", "object A: TSample\n  Count = 12ab\nend\n",
         "line 2: malformed number"},
        {"integer overflow", "object A: TSample\n  Big = 99999999999999999999\nend\n", "64 bits"},
        {"float overflow", "object A: TSample\n  Ratio = 1e999\nend\n", "double"},
        {"property after a child",
         "object A: TSample\n  object B: TSample\n  end\n  Count = 1\nend\n",
         "line 4: property Count follows a nested object"},
        {"odd hex digits", "object A: TSample\n  Blob = {ABC}\nend\n", "odd number"},
        {"not hex", "object A: TSample\n  Blob = {AG}\nend\n", "not a hexadecimal digit"},
        {"unclosed binary", "object A: TSample\n  Blob = {AB\n",
         "line 2: binary data is not closed"},
        {"unclosed collection", "object A: TSample\n  Vertexes = <\n    item\n      X = 1\n",
         "line 3: item is not closed"},
        {"unclosed set", "object A: TSample\n  Flags = [sfA\nend\n", "',' or ']' expected"},
        {"unclosed list", "object A: TSample\n  Numbers = (1 2\n", "list is not closed"},
        {"garbage after end", "object A: TSample\nend\nend\n",
         "line 3: unexpected 'end' after the last 'end'"},
        {"stray character", "object A: TSample\n  Count = @\nend\n", "unexpected character '@'"},
        {"dotted class", "object A: Some.Class\nend\n", "a class name"},
        {"deep nesting", deep, "nest more than 1000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            TextToBinary(row.text);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(Contains(e.Message(), row.message)) << e.what();
            EXPECT_TRUE(Contains(e.Message(), "ObjectTextToBinary: line ")) << e.what();
        }
    }
}

TEST(ObjectStream, HandWrittenTextIsAccepted) {
    const char* text = "\xEF\xBB\xBF// a comment\n"
                       "object TSample // unnamed root\n"
                       "  count = +12   caption = \"x\\ty\\x01\"\n"
                       "  Ratio = -1e-3\n"
                       "  Single = 2\n"
                       "  Visible = false\n"
                       "  Flags = []\n"
                       "  Blob = {0a 0B\n   ff}\n"
                       "END\n";
    auto root = LoadText(text);
    EXPECT_EQ(root->Count, 12);
    EXPECT_EQ(root->Caption, "x\ty\x01");
    EXPECT_EQ(root->Ratio, -1e-3);
    EXPECT_EQ(root->Single, 2.0f);
    EXPECT_FALSE(root->Visible);
    EXPECT_EQ(root->Flags, 0);
    EXPECT_EQ(root->Blob, (std::vector<std::uint8_t>{10, 11, 255}));
}

// --- Paths through sub-objects of varying class -----------------------------------------------

namespace {
class TWeighted : public sample::TPoint {
    NYX_CLASS(TWeighted)
public:
    double Mass = 0;
};

// A heavy part's body is a TWeighted, a light one's a plain TPoint.
class TPart : public TCollectionItem {
    NYX_CLASS(TPart)
public:
    explicit TPart(TCollection* c) : TCollectionItem(c) {}
    sample::TPoint* Body() const { return FBody.get(); }
    bool Heavy() const { return dynamic_cast<TWeighted*>(FBody.get()) != nullptr; }
    void SetHeavy(bool Value) {
        FBody = Value ? std::make_unique<TWeighted>() : std::make_unique<sample::TPoint>();
    }

private:
    std::unique_ptr<sample::TPoint> FBody = std::make_unique<sample::TPoint>();
};

class TAssembly : public TComponent {
    NYX_CLASS(TAssembly)
public:
    explicit TAssembly(TComponent* AOwner) : TComponent(AOwner) {}
    TOwnedCollection Parts{this, TPart::StaticClass()};
};

const TMetaClass& TWeighted::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TWeighted, sample::TPoint>(
        "TWeighted", {Props<TWeighted>::Float("Mass", &TWeighted::Mass,
                                              [](TWeighted& w, double v) { w.Mass = v; })});
    return meta;
}

const TMetaClass& TPart::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TPart, TCollectionItem>(
        "TPart", {Props<TPart>::Boolean("Heavy", &TPart::Heavy, &TPart::SetHeavy, false),
                  Props<TPart>::Owned<sample::TPoint>("Body", &TPart::Body)});
    return meta;
}

const TMetaClass& TAssembly::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TAssembly, TComponent>(
        "TAssembly", {Props<TAssembly>::Collection<TOwnedCollection>(
                         "Parts", [](const TAssembly& a) { return &a.Parts; })});
    return meta;
}
}  // namespace

// The reader remembers how a path resolved for a class; a sub-object of another class on the
// same path must be looked at afresh, not written through the remembered property.
TEST(ObjectStream, PathsResolveAfreshThroughSubObjectsOfAnotherClass) {
    Collector errors;
    TAssembly root(nullptr);
    LoadBinary(&root,
               TextToBinary("object TAssembly\n"
                            "  Parts = <\n"
                            "    item\n      Heavy = True\n      Body.Mass = 3.0\n    end\n"
                            "    item\n      Body.Mass = 4.0\n      Body.X = 2.0\n    end\n"
                            "    item\n      Heavy = True\n      Body.Mass = 5.0\n    end>\n"
                            "end\n"),
               errors.Handler());
    ASSERT_EQ(root.Parts.Count(), 3);
    auto part = [&](int i) { return static_cast<TPart*>(root.Parts.Items(i)); };
    EXPECT_EQ(static_cast<TWeighted*>(part(0)->Body())->Mass, 3.0);
    EXPECT_EQ(part(1)->Body()->X, 2.0);
    EXPECT_EQ(static_cast<TWeighted*>(part(2)->Body())->Mass, 5.0);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "Body.Mass: TPoint has no property Mass"))
        << errors.messages[0];
}

// --- Bitmaps -------------------------------------------------------------------------------

namespace {
class TPicture : public TComponent {
    NYX_CLASS(TPicture)
public:
    explicit TPicture(TComponent* AOwner) : TComponent(AOwner) {}
    TBitmap* Image() const { return &FImage; }

private:
    mutable TBitmap FImage;
};

const TMetaClass& TPicture::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TPicture, TComponent>(
        "TPicture", {Props<TPicture>::Owned<TBitmap>("Image", &TPicture::Image)});
    return meta;
}
}  // namespace

TEST(ObjectStream, BitmapPixelsTravelAsBinaryData) {
    TPicture source(nullptr);
    source.Image()->SetSize(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.Image()->SetPixel(x, y, TColor(0x010203 * (x + 5 * y)));
    const std::string binary = SaveBinary(&source);
    const std::string text = BinaryToText(binary);
    EXPECT_TRUE(Contains(text, "  Image.Data = {\n")) << text;
    for (Form form : {Form::Binary, Form::Text}) {
        TPicture loaded(nullptr);
        LoadBinary(&loaded, form == Form::Binary ? binary : TextToBinary(text));
        EXPECT_TRUE(loaded.Image()->SameImage(*source.Image()));
    }
    // An empty bitmap writes nothing; damaged pixel data is an unreadable value.
    TPicture empty(nullptr);
    EXPECT_EQ(SaveText(&empty), "object TPicture\nend\n");
    Collector errors;
    TPicture damaged(nullptr);
    LoadBinary(&damaged, TextToBinary("object TPicture\n  Image.Data = {05000000AABB}\nend\n"),
               errors.Handler());
    EXPECT_TRUE(damaged.Image()->Empty());
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "Image.Data")) << errors.messages[0];
}

TEST(ObjectStream, DesignPositionsTravelAsLeftAndTop) {
    TSample source(nullptr);
    TSample* placed = Child(&source, "Placed");
    placed->SetDesignInfo(MakeDesignInfo(-12, 300));
    TSample* top = Child(&source, "OnlyTop");
    top->SetDesignInfo(MakeDesignInfo(0, 5));
    const std::string text = SaveText(&source);
    EXPECT_TRUE(Contains(text, "Left = -12")) << text;
    EXPECT_TRUE(Contains(text, "Top = 300")) << text;
    EXPECT_EQ(text.find("Left"), text.rfind("Left")) << "an unplaced component writes neither";

    for (Form form : {Form::Binary, Form::Text}) {
        auto root = Reload(SaveBinary(&source), form);
        ASSERT_EQ(root->ComponentCount(), 2);
        EXPECT_EQ(root->DesignInfo(), 0);
        EXPECT_EQ(DesignInfoLeft(root->Components(0)->DesignInfo()), -12);
        EXPECT_EQ(DesignInfoTop(root->Components(0)->DesignInfo()), 300);
        EXPECT_EQ(root->Components(1)->DesignInfo(), MakeDesignInfo(0, 5));
    }

    Collector errors;
    auto root = LoadText("object R: TSample\n  Left = 40000\n  Top = 2\nend\n", &errors);
    EXPECT_EQ(root->DesignInfo(), MakeDesignInfo(0, 2));
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_TRUE(Contains(errors.messages[0], "Range")) << errors.messages[0];
}
