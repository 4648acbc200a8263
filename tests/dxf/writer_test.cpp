// Exporting scenes: the number format, the file's layout, layer names and colours, each
// entity body, the round trip through the reader, the files other programs accept, and
// a failed export leaving the old file.
#include "dxf/converter.h"
#include "dxf/detail/format.h"
#include "dxftest.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/polygon.h"
#include "scene/proxy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

using namespace nyx;
using namespace nyx::test;

namespace {

std::string Format(double Value) {
    char text[32];
    return std::string(text, detail::FormatReal(text, Value));
}

TEST(DXFNumberFormat, ShortestWithAtMost15Digits) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double Value;
        const char* Text;
    } cases[] = {{0.000001, "1E-6"},
                 {123.5, "123.5"},
                 {0, "0"},
                 {-0.0, "0"},
                 {1e20, "1E20"},
                 {1.5e-7, "1.5E-7"},
                 {0.00001, "0.00001"},
                 {0.000012345, "0.000012345"},
                 {1e15, "1E15"},
                 {999999999999999, "999999999999999"},
                 {0.1, "0.1"},
                 {1.0 / 3, "0.333333333333333"},
                 {2.0 / 3, "0.666666666666667"},
                 {-2.5, "-2.5"},
                 {100, "100"},
                 {5e-324, "5E-324"},
                 {2.2250738585072014e-308, "2.2250738585072E-308"},
                 {1234567890123456789.0, "1.23456789012346E18"},
                 {0.99999999999999999, "1"},
                 {9999999999999999.0, "1E16"},
                 {-1e-100, "-1E-100"},
                 {std::nan(""), "NAN"},
                 {inf, "INF"},
                 {-inf, "-INF"}};
    for (const Case& c : cases)
        EXPECT_EQ(Format(c.Value), c.Text) << c.Value;
}

// Against glibc's correctly rounded %.15g over many magnitudes: the same value to 15
// digits (the last digit may differ only at a near tie), and every value that has a
// shorter exact form comes out in that form.
TEST(DXFNumberFormat, FifteenDigitsOverManyMagnitudes) {
    std::uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 11;
    };
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = double(next()) / double(1ULL << 53);
        const double value = (i % 2 ? -1 : 1) * mantissa * std::pow(10.0, int(next() % 50) - 25);
        const std::string text = Format(value);
        char reference[64];
        std::snprintf(reference, sizeof reference, "%.15g", value);
        const double ours = std::strtod(text.c_str(), nullptr);
        const double theirs = std::strtod(reference, nullptr);
        ASSERT_LE(std::abs(ours - theirs), 1.01e-14 * std::abs(theirs)) << text << " " << reference;
        std::string significant;
        for (char c : text.substr(0, text.find('E')))
            if (c >= '0' && c <= '9' && !(significant.empty() && c == '0'))
                significant += c;
        ASSERT_LE(significant.size(), 15u) << text;
        // Cut to 6 digits, the value has a short exact form that must come back.
        char shortText[32];
        std::snprintf(shortText, sizeof shortText, "%.6g", value);
        const double shortValue = std::strtod(shortText, nullptr);
        ASSERT_EQ(std::strtod(Format(shortValue).c_str(), nullptr), shortValue) << shortText;
        ASSERT_LE(Format(shortValue).size(), std::strlen(shortText) + 6) << shortText;
    }
}

class WriterTest : public ::testing::Test {
protected:
    WriterTest() {
        C.SetRoot(&Root);
        C.SetFileName(Dir / "out.dxf");
    }
    ~WriterTest() override { C.SetRoot(nullptr); }

    std::string Save() {
        C.SaveToFile();
        std::ifstream in(C.FileName(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    TNyxActor* AddLayer(const std::string& Ident, TColor Color) {
        auto* layer = new TNyxActor(&Root);
        layer->SetIdent(Ident);
        layer->SetColor(Color);
        layer->SetParentComponent(&Root);
        return layer;
    }
    template <class T>
    T* Add(TNyxObject* Parent, TColor Color) {
        auto* obj = new T(&Root);
        obj->SetColor(Color);
        obj->SetParentComponent(Parent);
        return obj;
    }
    static bool Contains(const std::string& Text, const TGroups& Groups) {
        return Text.find(DxfText(Groups)) != std::string::npos;
    }

    TScratch Dir;
    TNyxObject Root{nullptr};
    TDXFConverter C{nullptr};
};

// Equal to within the 15 digits written.
void ExpectNear(const TGLArrayd3& A, const TGLArrayd3& B) {
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(A[i], B[i], 1e-14 * std::max(1.0, std::abs(B[i])));
}

const TColor Red = RGB(255, 0, 0);
const TColor White = RGB(255, 255, 255);

TEST_F(WriterTest, AnEmptyRoot) {
    EXPECT_EQ(Save(),
              DxfText({{0, "SECTION"},      {2, "HEADER"},    {9, "$ACADVER"}, {1, "AC1009"},
                       {9, "$DWGCODEPAGE"}, {3, "ANSI_1252"}, {9, "$EXTMIN"},  {10, "0"},
                       {20, "0"},           {30, "0"},        {9, "$EXTMAX"},  {10, "0"},
                       {20, "0"},           {30, "0"},        {0, "ENDSEC"},   {0, "SECTION"},
                       {2, "TABLES"},       {0, "TABLE"},     {2, "LAYER"},    {0, "ENDTAB"},
                       {0, "ENDSEC"},       {0, "SECTION"},   {2, "ENTITIES"}, {0, "ENDSEC"},
                       {0, "EOF"}}));
}

TEST_F(WriterTest, UnnamedLayersAreNamedAndColoursMatched) {
    TNyxActor* first = AddLayer("First", Red);
    TNyxActor* unnamed = AddLayer("", White);
    Add<TNyxLine>(first, Red);
    Add<TNyxLine>(unnamed, Red);
    const std::string text = Save();
    EXPECT_EQ(unnamed->Ident(), "LAYER_0001");
    EXPECT_TRUE(Contains(text, {{0, "LAYER"},
                                {2, "First"},
                                {70, "0"},
                                {61, "0"},
                                {62, "1"},
                                {0, "LAYER"},
                                {2, "LAYER_0001"},
                                {70, "0"},
                                {61, "0"},
                                {62, "7"},
                                {0, "ENDTAB"}}));
    // Colour 0 on a layer of the same colour, its number otherwise.
    EXPECT_TRUE(Contains(text, {{0, "LINE"}, {8, "First"}, {62, "0"}, {10, "0"}}));
    EXPECT_TRUE(Contains(text, {{0, "LINE"}, {8, "LAYER_0001"}, {62, "1"}, {10, "0"}}));
    EXPECT_FALSE(Contains(text, {{0, "VPORT"}}));
}

TEST_F(WriterTest, AHiddenLayerIsWrittenOffWhenAskedAndReadBackHidden) {
    AddLayer("Shown", Red);
    AddLayer("Hidden", Red)->SetVisible(false);
    const auto layer = [](const std::string& Name, const std::string& Color) {
        return TGroups{{0, "LAYER"}, {2, Name}, {70, "0"}, {61, "0"}, {62, Color}};
    };
    EXPECT_TRUE(Contains(Save(), layer("Hidden", "1"))) << "off by default: every layer on";
    C.SetWriteLayersOff(true);
    const std::string text = Save();
    EXPECT_TRUE(Contains(text, layer("Shown", "1") + layer("Hidden", "-1")));

    TNyxObject back(nullptr);
    C.SetRoot(&back);
    C.LoadFromFile();
    ASSERT_EQ(back.Items().size(), 2u);
    EXPECT_TRUE(back.Items()[0]->Visible());
    EXPECT_FALSE(back.Items()[1]->Visible());
    EXPECT_EQ(back.Items()[1]->Color(), Red);
}

TEST_F(WriterTest, EntityBodies) {
    TNyxActor* layer = AddLayer("L", White);
    layer->XForm()->Translate()->SetX(1000);  // bodies are local; the extent is not

    auto* point = Add<TNyxPoint>(layer, White);
    point->P()->SetX(0.000001);
    point->SetIdent("p");
    auto* line = Add<TNyxLine>(layer, White);
    line->P2()->SetY(123.5);
    auto* circle = Add<TNyxCircle>(layer, White);
    circle->XForm()->Translate()->SetX(1);
    circle->XForm()->Scale()->SetX(5);
    auto* arc = Add<TNyxArc>(circle, White);  // below the circle: still on layer L
    arc->XForm()->Scale()->SetX(3);
    arc->SetStartAngle(10);
    arc->SetEndAngle(20);
    auto* label = Add<TNyxLabel>(layer, White);
    label->XForm()->Scale()->SetX(0.5);
    label->SetCaption("Hi there");
    auto* polyline = Add<TNyxPolyline>(layer, White);
    polyline->SetClosed(true);
    for (int i = 1; i <= 3; ++i)
        static_cast<TNyxVertex3CI*>(polyline->Vertexes()->Add())->SetData(0, i);
    auto* triangle = Add<TNyxPolygon>(layer, White);
    for (int i = 1; i <= 3; ++i)
        static_cast<TNyxVertex3CI*>(triangle->Vertexes()->Add())->SetData(1, i);
    Add<TNyxPolygon>(layer, White);  // no vertices: no body
    Add<TNyxActor>(layer, White);    // not written

    const std::string text = Save();
    const TGroups entities{
        {0, "SECTION"}, {2, "ENTITIES"}, {0, "POINT"},    {8, "L"},      {62, "0"},
        {2, "p"},       {10, "1E-6"},    {20, "0"},       {30, "0"},     {0, "LINE"},
        {8, "L"},       {62, "0"},       {10, "0"},       {20, "0"},     {30, "0"},
        {11, "0"},      {21, "123.5"},   {31, "0"},       {0, "CIRCLE"}, {8, "L"},
        {62, "0"},      {10, "1"},       {20, "0"},       {30, "0"},     {40, "2.5"},
        {0, "ARC"},     {8, "L"},        {62, "0"},       {10, "0"},     {20, "0"},
        {30, "0"},      {40, "1.5"},     {50, "10"},      {51, "20"},    {0, "TEXT"},
        {8, "L"},       {62, "0"},       {10, "0"},       {20, "0"},     {30, "0"},
        {40, "0.5"},    {1, "Hi there"}, {0, "POLYLINE"}, {8, "L"},      {62, "0"},
        {70, "1"},      {0, "VERTEX"},   {10, "1"},       {20, "0"},     {30, "0"},
        {0, "VERTEX"},  {10, "2"},       {20, "0"},       {30, "0"},     {0, "VERTEX"},
        {10, "3"},      {20, "0"},       {30, "0"},       {0, "SEQEND"}, {0, "3DFACE"},
        {8, "L"},       {62, "0"},       {10, "0"},       {20, "1"},     {30, "0"},
        {11, "0"},      {21, "2"},       {31, "0"},       {12, "0"},     {22, "3"},
        {32, "0"},      {13, "0"},       {23, "1"},       {33, "0"},     {0, "3DFACE"},
        {8, "L"},       {0, "ENDSEC"},   {0, "EOF"}};
    EXPECT_TRUE(Contains(text, entities)) << text;
}

TNyxMeshArrays Square() {
    TNyxMeshArrays a;
    a.Positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    a.Indices = {0, 1, 2, 0, 2, 3};
    return a;
}

TEST_F(WriterTest, AMeshIsAPolyfaceMeshPlacedBelowTheRoot) {
    TNyxActor* layer = AddLayer("L", White);
    auto* group = Add<TNyxActor>(layer, White);
    group->XForm()->Translate()->SetX(10);
    Add<TNyxMesh>(group, Red)->SetArrays(Square());
    const auto vertex = [](const char* X, const char* Y, const char* Flags) {
        return TGroups{{0, "VERTEX"}, {8, "L"}, {10, X}, {20, Y}, {30, "0"}, {70, Flags}};
    };
    TGroups expected{{0, "POLYLINE"}, {8, "L"},  {62, "1"},  {66, "1"}, {10, "0"},
                     {20, "0"},       {30, "0"}, {70, "64"}, {71, "4"}, {72, "2"}};
    for (const auto& [x, y] : {std::pair{"10", "0"}, {"11", "0"}, {"11", "1"}, {"10", "1"}})
        for (const auto& g : vertex(x, y, "192"))
            expected.push_back(g);
    for (const auto& face : {std::array{"1", "2", "3"}, {"1", "3", "4"}}) {
        for (const auto& g : vertex("0", "0", "128"))
            expected.push_back(g);
        for (int k = 0; k < 3; ++k)
            expected.push_back({71 + k, face[std::size_t(k)]});
    }
    expected.push_back({0, "SEQEND"});
    const std::string text = Save();
    EXPECT_TRUE(Contains(text, expected)) << text;
}

TEST_F(WriterTest, TheHeaderHoldsTheExtentOfEverythingWritten) {
    TNyxActor* layer = AddLayer("L", White);
    layer->XForm()->Translate()->SetX(100);
    auto* line = Add<TNyxLine>(layer, White);
    line->P1()->SetData(0, -1);
    line->P2()->SetData(1, 2);
    line->P2()->SetData(2, 3);
    auto* point = Add<TNyxPoint>(&Root, White);  // a layer itself
    point->P()->SetData(0, -50);
    const std::string text = Save();
    EXPECT_TRUE(Contains(text, {{9, "$EXTMIN"},
                                {10, "-50"},
                                {20, "0"},
                                {30, "0"},
                                {9, "$EXTMAX"},
                                {10, "100"},
                                {20, "2"},
                                {30, "3"}}));
    TGLArrayd3 min{}, max{};
    C.get_min_extent(min);
    C.get_max_extent(max);
    EXPECT_EQ(min, (TGLArrayd3{-50, 0, 0}));
    EXPECT_EQ(max, (TGLArrayd3{100, 2, 3}));
}

TEST_F(WriterTest, TheViewportTableWhenAskedFor) {
    AddLayer("L", White);
    C.SetWriteVPORTInfo(true);
    EXPECT_TRUE(Contains(Save(), {{0, "SECTION"},
                                  {2, "TABLES"},
                                  {0, "TABLE"},
                                  {2, "VPORT"},
                                  {0, "VPORT"},
                                  {2, "*ACTIVE"},
                                  {41, "  1.000000"},
                                  {70, "0"},
                                  {10, "0"},
                                  {20, "0"},
                                  {11, "0"},
                                  {21, "0"},
                                  {0, "ENDTAB"},
                                  {0, "TABLE"},
                                  {2, "LAYER"}}));
}

TEST_F(WriterTest, ARoundTripKeepsLayersColoursGeometryAndTexts) {
    TNyxActor* a = AddLayer("Alpha", Red);
    TNyxActor* b = AddLayer("Beta", RGB(0, 0, 255));
    auto* point = Add<TNyxPoint>(a, Red);
    point->P()->SetData(2, 1.25);
    auto* line = Add<TNyxLine>(a, RGB(0, 255, 0));
    line->SetIdent("edge");
    line->P1()->SetData(0, 1.0 / 3);
    line->P2()->SetData(1, -7);
    auto* circle = Add<TNyxCircle>(b, RGB(0, 0, 255));
    circle->XForm()->Translate()->SetData(0, 4);
    circle->XForm()->Scale()->SetData(0, 3);
    auto* arc = Add<TNyxArc>(b, Red);
    arc->XForm()->Scale()->SetData(0, 8);
    arc->SetStartAngle(15);
    arc->SetEndAngle(300);
    auto* label = Add<TNyxLabel>(b, RGB(0, 0, 255));
    label->XForm()->Translate()->SetData(1, 2);
    label->XForm()->Scale()->SetData(0, 0.25);
    label->SetCaption("Text with spaces");
    auto* polyline = Add<TNyxPolyline>(a, Red);
    for (int i = 0; i < 4; ++i) {
        auto* v = static_cast<TNyxVertex3CI*>(polyline->Vertexes()->Add());
        v->SetData(0, i);
        v->SetData(1, i * i);
    }
    auto* face = Add<TNyxPolygon>(b, Red);
    for (int i = 0; i < 4; ++i)
        static_cast<TNyxVertex3CI*>(face->Vertexes()->Add())->SetData(i % 3, i + 1);
    C.SaveToFile();

    TNyxObject copy(nullptr);
    TDXFConverter reader(nullptr);
    reader.SetRoot(&copy);
    reader.SetFileName(C.FileName());
    reader.LoadFromFile();
    reader.SetRoot(nullptr);
    ASSERT_EQ(copy.GetItemsCount(), 2);
    for (int l = 0; l < 2; ++l) {
        TNyxObject* original = Root.GetItem(l);
        TNyxObject* read = copy.GetItem(l);
        EXPECT_EQ(read->Ident(), original->Ident());
        EXPECT_EQ(read->Color(), original->Color());
        ASSERT_EQ(read->GetItemsCount(), original->GetItemsCount());
        for (int i = 0; i < original->GetItemsCount(); ++i) {
            TNyxObject* o = original->GetItem(i);
            TNyxObject* r = read->GetItem(i);
            SCOPED_TRACE(o->ClassName());
            EXPECT_EQ(r->ClassName(), o->ClassName());
            EXPECT_EQ(r->Ident(), o->Ident());
            EXPECT_EQ(r->Color(), o->Color());
            ExpectNear(r->Point1()->Data(), o->Point1()->Data());
            ExpectNear(r->Point2()->Data(), o->Point2()->Data());
            ExpectNear(r->XForm()->Translate()->Data(), o->XForm()->Translate()->Data());
        }
    }
    // What the format keeps of each kind.
    auto* arcRead = static_cast<TNyxArc*>(copy.GetItem(1)->GetItem(1));
    EXPECT_EQ(arcRead->XForm()->Scale()->Data(), (TGLArrayd3{8, 8, 0}));
    EXPECT_EQ(arcRead->StartAngle(), 15);
    EXPECT_EQ(arcRead->EndAngle(), 300);
    auto* labelRead = static_cast<TNyxLabel*>(copy.GetItem(1)->GetItem(2));
    EXPECT_EQ(labelRead->Caption(), "Text with spaces");
    EXPECT_EQ(labelRead->XForm()->Scale()->Data(), (TGLArrayd3{0.25, 0.25, 0.25}));
    auto* polylineRead = static_cast<TNyxPolyline*>(copy.GetItem(0)->GetItem(2));
    ASSERT_EQ(polylineRead->Vertexes()->Count(), 4);
    EXPECT_EQ(polylineRead->Vertexes()->ItemAs<TNyxVertex3CI>(3)->Data(), (TGLArrayd3{3, 9, 0}));
    auto* faceRead = static_cast<TNyxPolygon*>(copy.GetItem(1)->GetItem(3));
    ASSERT_EQ(faceRead->VertexCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(faceRead->Vertex(i)->Data(), face->Vertex(i)->Data());
    EXPECT_NE(static_cast<TNyxLine*>(copy.GetItem(0)->GetItem(1))->P1()->X(), 1.0 / 3);
}

// A drawing written here is one that a widely used DXF library accepts without errors.
TEST_F(WriterTest, OtherProgramsAcceptTheFile) {
    const char* python = "/usr/bin/python3";
    if (std::system((std::string(python) + " -c 'import ezdxf' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "python3-ezdxf is not installed";
    TNyxActor* a = AddLayer("A", Red);
    AddLayer("", White);
    Add<TNyxPoint>(a, White);
    Add<TNyxLine>(a, Red);
    Add<TNyxCircle>(a, Red)->XForm()->Scale()->SetX(2);
    Add<TNyxArc>(a, Red)->XForm()->Scale()->SetX(2);
    Add<TNyxLabel>(a, Red)->SetCaption("T");
    auto* polyline = Add<TNyxPolyline>(a, Red);
    for (int i = 0; i < 3; ++i)
        static_cast<TNyxVertex3CI*>(polyline->Vertexes()->Add())->SetData(0, i);
    auto* face = Add<TNyxPolygon>(a, Red);
    for (int i = 0; i < 3; ++i)
        static_cast<TNyxVertex3CI*>(face->Vertexes()->Add())->SetData(i, 1);
    Add<TNyxMesh>(a, Red)->SetArrays(Square());
    C.SetWriteVPORTInfo(true);
    C.SaveToFile();
    const std::string script = Dir.Write("audit.py", "import sys, ezdxf\n"
                                                     "doc = ezdxf.readfile(sys.argv[1])\n"
                                                     "auditor = doc.audit()\n"
                                                     "for e in auditor.errors: print(e.message)\n"
                                                     "print(len(doc.modelspace()))\n"
                                                     "sys.exit(1 if auditor.has_errors else 0)\n");
    const std::string out = Dir / "audit.txt";
    const int status = std::system(
        (std::string(python) + " " + script + " " + C.FileName() + " >" + out + " 2>&1").c_str());
    std::ifstream in(out);
    std::stringstream report;
    report << in.rdbuf();
    EXPECT_EQ(status, 0) << report.str();
    EXPECT_EQ(report.str(), "8\n");
}

// --- Failures --------------------------------------------------------------------------------

TEST_F(WriterTest, PreconditionsFailWithTheirMessages) {
    TDXFConverter c(nullptr);
    c.SetFileName("x.dxf");
    try {
        c.SaveToFile();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TDXFConverter.SaveToFile: Can't save Root=nil");
    }
    c.SetRoot(&Root);
    c.SetFileName("");
    try {
        c.SaveToFile();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TDXFConverter.SaveToFile: No file name defined");
    }
    c.SetRoot(nullptr);
}

TEST_F(WriterTest, AFailedExportLeavesTheOldFile) {
    Add<TNyxLine>(AddLayer("L", Red), Red);
    const std::string before = Save();
    // The target is a folder now: nothing can replace it, and nothing is left beside it.
    const std::string folder = Dir / "folder.dxf";
    std::filesystem::create_directory(folder);
    C.SetFileName(folder);
    EXPECT_THROW(C.SaveToFile(), Exception);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    C.SetFileName(Dir / "missing/out.dxf");
    EXPECT_THROW(C.SaveToFile(), EStreamError);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir / ""))
        ++files;
    EXPECT_EQ(files, 2);  // out.dxf and the folder
    C.SetFileName(Dir / "out.dxf");
    std::ifstream in(C.FileName(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), before);
}

}  // namespace
