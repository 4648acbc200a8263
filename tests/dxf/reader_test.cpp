// Importing drawings: entities and their set-up, layers and colours, sections, sequences
// (polylines, polyface meshes, inserts), lightweight polylines, and every failure path
// leaving the file closed, the root's bracket ended and the objects read so far.
#include "dxf/converter.h"
#include "dxftest.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "progresslog.h"
#include "scene/proxy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace nyx;
using namespace nyx::test;

namespace {

int OpenDescriptors() {
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator()));
}

TGLArrayd3 Vec(const TNyxVertex3* V) { return V->Data(); }

std::vector<TGLArrayd3> Points(const TNyxCollection* C) {
    std::vector<TGLArrayd3> points;
    for (int i = 0; i < C->Count(); ++i)
        points.push_back(C->ItemAs<TNyxVertex3CI>(i)->Data());
    return points;
}

class ReaderTest : public ::testing::Test {
protected:
    ReaderTest() { C.SetRoot(&Root); }
    ~ReaderTest() override { C.SetRoot(nullptr); }

    void Load(const TGroups& Groups, const std::string& Eol = "\r\n") {
        C.SetFileName(Dir.Write("d.dxf", DxfText(Groups, Eol)));
        C.LoadFromFile();
    }
    // The message of the EDXFReadException that loading Groups raises.
    std::string LoadError(const TGroups& Groups) {
        try {
            Load(Groups);
        } catch (const EDXFReadException& e) {
            return e.what();
        }
        return "no EDXFReadException";
    }
    TNyxObject* Layer(const std::string& Ident) const { return Root.ItemByIdent(Ident); }
    template <class T>
    T* Child(const std::string& LayerIdent, int Index) const {
        TNyxObject* layer = Layer(LayerIdent);
        EXPECT_NE(layer, nullptr) << LayerIdent;
        if (!layer || Index >= layer->GetItemsCount())
            return nullptr;
        auto* obj = dynamic_cast<T*>(layer->GetItem(Index));
        EXPECT_NE(obj, nullptr) << "item " << Index << " of " << LayerIdent << " is a "
                                << layer->GetItem(Index)->ClassName();
        return obj;
    }

    TScratch Dir;
    TNyxObject Root{nullptr};
    TDXFConverter C{nullptr};
};

const std::vector<std::pair<std::string, int>> RedAndBlue{{"L1", 1}, {"L2", 5}};

TEST_F(ReaderTest, EveryEntityKindBecomesItsObject) {
    Load(Drawing(
        RedAndBlue,
        {{0, "POINT"}, {8, "L1"},    {10, "1"},     {20, "2"},        {30, "3"},    {0, "LINE"},
         {8, "L1"},    {2, "named"}, {10, "1"},     {20, "2"},        {30, "3"},    {11, "4"},
         {21, "5"},    {31, "6"},    {0, "CIRCLE"}, {8, "L2"},        {10, "1"},    {20, "2"},
         {30, "0"},    {40, "2.5"},  {0, "ARC"},    {8, "L2"},        {10, "1"},    {20, "2"},
         {40, "1"},    {50, "30"},   {51, "400"},   {0, "TEXT"},      {8, "L2"},    {10, "7"},
         {20, "8"},    {30, "9"},    {40, "0.5"},   {50, "45"},       {1, "Hello"}, {0, "3DFACE"},
         {8, "L1"},    {10, "0"},    {20, "0"},     {11, "1"},        {21, "0"},    {12, "1"},
         {22, "1"},    {13, "0"},    {23, "1"},     {0, "DIMENSION"}, {8, "L1"},    {10, "5"}}));
    ASSERT_EQ(Root.GetItemsCount(), 2);
    EXPECT_TRUE(Layer("L1")->Is<TNyxActor>());
    EXPECT_EQ(Layer("L1")->Color(), RGB(255, 0, 0));
    EXPECT_EQ(Layer("L2")->Color(), RGB(0, 0, 255));
    EXPECT_EQ(Layer("L1")->GetItemsCount(), 3);
    EXPECT_EQ(Layer("L2")->GetItemsCount(), 3);

    auto* point = Child<TNyxPoint>("L1", 0);
    EXPECT_EQ(Vec(point->P()), (TGLArrayd3{1, 2, 3}));
    EXPECT_EQ(point->Owner(), &Root);
    EXPECT_EQ(point->UpdateCount(), 0);
    auto* line = Child<TNyxLine>("L1", 1);
    EXPECT_EQ(line->Ident(), "named");
    EXPECT_EQ(Vec(line->P1()), (TGLArrayd3{1, 2, 3}));
    EXPECT_EQ(Vec(line->P2()), (TGLArrayd3{4, 5, 6}));
    EXPECT_EQ(line->Color(), RGB(255, 0, 0));
    auto* face = Child<TNyxPolygon>("L1", 2);
    EXPECT_FALSE(face->ColorVertexes());
    EXPECT_EQ(Points(face->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));

    auto* circle = Child<TNyxCircle>("L2", 0);
    EXPECT_EQ(Vec(circle->XForm()->Translate()), (TGLArrayd3{1, 2, 0}));
    EXPECT_EQ(Vec(circle->XForm()->Scale()), (TGLArrayd3{5, 5, 0}));
    EXPECT_EQ(circle->Segments(), 45);
    EXPECT_EQ(circle->XForm()->Matrix()[0], 5);  // the transform was recomposed
    auto* arc = Child<TNyxArc>("L2", 1);
    EXPECT_EQ(Vec(arc->XForm()->Scale()), (TGLArrayd3{2, 2, 0}));
    EXPECT_EQ(arc->StartAngle(), 30);
    EXPECT_EQ(arc->EndAngle(), 400);
    EXPECT_EQ(arc->Segments(), 45);
    auto* label = Child<TNyxLabel>("L2", 2);
    EXPECT_EQ(Vec(label->XForm()->Translate()), (TGLArrayd3{7, 8, 9}));
    EXPECT_EQ(Vec(label->XForm()->Scale()), (TGLArrayd3{0.5, 0.5, 0.5}));
    EXPECT_EQ(Vec(label->XForm()->Rotate()), (TGLArrayd3{0, 0, 0}));
    EXPECT_EQ(label->Caption(), "Hello");
    EXPECT_FALSE(label->BitmapFont());
    EXPECT_EQ(label->Font()->Name(), "Arial");
    EXPECT_EQ(label->Color(), RGB(0, 0, 255));
}

TEST_F(ReaderTest, LfAndCrLfFilesReadAlike) {
    const TGroups drawing = Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}, {11, "4"}});
    for (const std::string eol : {"\n", "\r\n"}) {
        Load(drawing, eol);
        ASSERT_EQ(Layer("L1")->GetItemsCount(), 1);
        EXPECT_EQ(Vec(Child<TNyxLine>("L1", 0)->P2()), (TGLArrayd3{4, 0, 0}));
    }
}

TEST_F(ReaderTest, EntityColours) {
    struct Case {
        const char* Number;  // none: no group 62
        TColor Color;
    } cases[] = {{nullptr, RGB(0, 0, 255)},  {"0", RGB(0, 0, 255)},   {"1", RGB(255, 0, 0)},
                 {"40", RGB(255, 255, 255)}, {"256", RGB(0, 0, 255)}, {"257", RGB(0, 0, 255)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Number ? c.Number : "none");
        TGroups line{{0, "LINE"}, {8, "L2"}};
        if (c.Number)
            line.emplace_back(62, c.Number);
        Load(Drawing(RedAndBlue, line));
        EXPECT_EQ(Child<TNyxLine>("L2", 0)->Color(), c.Color);
    }
}

TEST_F(ReaderTest, ANegativeLayerColourHidesTheLayer) {
    Load(Drawing({{"Off", -3}, {"On", 3}}, {}));
    EXPECT_EQ(Layer("Off")->Color(), RGB(0, 255, 0));
    EXPECT_FALSE(Layer("Off")->Visible());
    EXPECT_TRUE(Layer("On")->Visible());
}

TEST_F(ReaderTest, ColourNumbersOutOfRangeFailNamingValueAndLine) {
    for (const char* number : {"258", "-1", "99999"}) {
        SCOPED_TRACE(number);
        const TGroups drawing =
            Section("ENTITIES", {{0, "LINE"}, {8, "L"}, {62, number}}) + TGroups{{0, "EOF"}};
        const std::string message = LoadError(Section("TABLES", LayerTable({{"L", 1}})) + drawing);
        EXPECT_EQ(message, "TDXFConverter.LoadFromFile: colour number " + std::string(number) +
                               " is outside 0..255\r\nError occured at or near line number " +
                               std::to_string(C.LineCount()));
    }
    EXPECT_NE(LoadError(Drawing({{"L", 300}}, {})).find("colour number 300"), std::string::npos);
}

TEST_F(ReaderTest, MissingLayers) {
    const TGroups entities{{0, "POINT"},  {8, "Nowhere"}, {0, "POLYLINE"}, {8, "Made"},
                           {62, "1"},     {0, "VERTEX"},  {8, "Made"},     {10, "1"},
                           {0, "SEQEND"}, {0, "INSERT"},  {8, "Block"},    {62, "2"}};
    Load(Drawing(RedAndBlue, entities));
    EXPECT_NE(Child<TNyxPoint>("Nowhere", 0), nullptr);
    ASSERT_NE(Layer("Made"), nullptr);
    EXPECT_TRUE(Layer("Made")->Is<TNyxActor>());
    EXPECT_EQ(Layer("Made")->Color(), RGB(255, 0, 0));
    EXPECT_EQ(Child<TNyxPolyline>("Made", 0)->Vertexes()->Count(), 1);
    ASSERT_NE(Layer("Block"), nullptr);
    EXPECT_EQ(Layer("Block")->Color(), RGB(255, 255, 0));

    C.SetCreateLayersIfNotExists(false);
    const std::string message = LoadError(Drawing(RedAndBlue, entities));
    EXPECT_EQ(message.substr(0, message.find('\r')), "Invalid Layer (Nowhere)");
    EXPECT_NE(message.find("line number"), std::string::npos);
}

// Every kind makes the layer it names, or is refused; none is dropped without a word.
TEST_F(ReaderTest, EveryKindOnAnUnlistedLayer) {
    const TGroups kinds[] = {{{0, "POINT"}, {8, "X"}},
                             {{0, "LINE"}, {8, "X"}},
                             {{0, "CIRCLE"}, {8, "X"}, {40, "1"}},
                             {{0, "ARC"}, {8, "X"}, {40, "1"}},
                             {{0, "TEXT"}, {8, "X"}, {1, "t"}},
                             {{0, "3DFACE"}, {8, "X"}},
                             {{0, "LWPOLYLINE"}, {8, "X"}, {10, "1"}, {20, "1"}}};
    for (const TGroups& entity : kinds) {
        SCOPED_TRACE(entity[0].second);
        C.SetCreateLayersIfNotExists(true);
        Load(Section("ENTITIES", entity + TGroups{{62, "3"}}) + TGroups{{0, "EOF"}});
        ASSERT_NE(Layer("X"), nullptr);
        EXPECT_EQ(Layer("X")->Color(), RGB(0, 255, 0));
        EXPECT_EQ(Layer("X")->GetItemsCount(), 1);
        C.SetCreateLayersIfNotExists(false);
        const std::string message = LoadError(Drawing(RedAndBlue, entity));
        EXPECT_EQ(message.substr(0, message.find('\r')), "Invalid Layer (X)");
    }
    // Without a colour of its own the layer is white, not black.
    C.SetCreateLayersIfNotExists(true);
    Load(Section("ENTITIES", {{0, "LINE"}, {8, "X"}}) + TGroups{{0, "EOF"}});
    EXPECT_EQ(Layer("X")->Color(), RGB(255, 255, 255));
}

TEST_F(ReaderTest, ABinaryDrawingIsRefusedSayingWhatItIs) {
    Load(Drawing(RedAndBlue, {}));
    C.SetFileName(Dir.Write("b.dxf", std::string(BinaryDXFSentinel) + "SECTION"));
    try {
        C.LoadFromFile();
        ADD_FAILURE() << "no exception";
    } catch (const EDXFReadException& e) {
        EXPECT_STREQ(e.what(), "TDXFConverter.LoadFromFile: the file is a binary DXF drawing, "
                               "which is not read; save the drawing as ASCII DXF");
    }
    EXPECT_EQ(Root.GetItemsCount(), 2);  // nothing freed
}

TEST_F(ReaderTest, SectionsMayBeMissingButNotTheEntities) {
    // No tables: the polyline makes its layer.
    Load(Section("HEADER", {{9, "$EXTMIN"},
                            {10, "-1"},
                            {20, "-2"},
                            {30, "-3"},
                            {9, "$EXTMAX"},
                            {10, "4"},
                            {20, "5"}}) +
         Section("ENTITIES", {{0, "POLYLINE"}, {8, "L"}, {0, "SEQEND"}}) + TGroups{{0, "EOF"}});
    ASSERT_NE(Layer("L"), nullptr);
    EXPECT_EQ(Layer("L")->GetItemsCount(), 1);
    TGLArrayd3 min{}, max{};
    C.get_min_extent(min);
    C.get_max_extent(max);
    EXPECT_EQ(min, (TGLArrayd3{-1, -2, 0}));  // z is not read
    EXPECT_EQ(max, (TGLArrayd3{4, 5, 0}));

    // Sections are searched in their order, each from where the last one ended: entities
    // before the tables are passed over.
    for (const TGroups& drawing :
         {Section("TABLES", LayerTable({{"L", 1}})) + TGroups{{0, "EOF"}},
          TGroups{{0, "SECTION"}, {2, "ENTITIES"}, {999, "x"}},
          Section("ENTITIES", {}) + Section("TABLES", {}) + TGroups{{0, "EOF"}}}) {
        EXPECT_EQ(LoadError(drawing), "TDXFConverter.LoadFromFile :No Entities or invalid "
                                      "Entities section in DXF file");
        EXPECT_EQ(Root.UpdateCount(), 0);
    }
}

TEST_F(ReaderTest, ASecondLoadWithoutClearingMatchesLayersIgnoringCase) {
    Load(Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}}));
    C.SetClearBeforRead(false);
    Load(Drawing({{"l1", 3}}, {{0, "LINE"}, {8, "l1"}, {0, "LINE"}, {8, "L2"}}));
    ASSERT_EQ(Root.GetItemsCount(), 2);
    EXPECT_EQ(Layer("L1")->GetItemsCount(), 2);
    EXPECT_EQ(Layer("L1")->Color(), RGB(0, 255, 0));
    EXPECT_EQ(Layer("L2")->GetItemsCount(), 1);
    C.SetClearBeforRead(true);
    Load(Drawing({{"Only", 1}}, {}));
    EXPECT_EQ(Root.GetItemsCount(), 1);
}

// The line counter runs on from the converter's creation, over lines read again after
// a section search was rewound too.
TEST_F(ReaderTest, TheLineNumberOfAnUnparsableReal) {
    const std::string expected =
        "Invalid Floating point conversion\r\nError occured at or near line number ";
    // Every section present in order: nothing is read twice. The entity's value comes
    // as the 60th group, on lines 119 and 120.
    TGroups drawing = Section("HEADER", {}) + Section("CLASSES", {}) + Section("TABLES", {}) +
                      Section("BLOCKS", {}) + TGroups{{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}};
    while (drawing.size() < 59)
        drawing.emplace_back(999, "filler");
    drawing = drawing + TGroups{{10, "1.2.3"}, {0, "ENDSEC"}, {0, "EOF"}};
    EXPECT_EQ(LoadError(drawing), expected + "120");

    // A fresh converter on a file with ENTITIES only: four searches read the whole file
    // of 10 lines first.
    TDXFConverter fresh(nullptr);
    fresh.SetRoot(&Root);
    fresh.SetFileName(Dir.Write(
        "e.dxf", DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {10, "x"}, {0, "EOF"}})));
    try {
        fresh.LoadFromFile();
        ADD_FAILURE() << "no exception";
    } catch (const EDXFReadException& e) {
        EXPECT_EQ(std::string(e.what()), expected + std::to_string(4 * 10 + 8));
        EXPECT_EQ(fresh.FileLine(), 8) << "the line of the file";
    }
}

TEST_F(ReaderTest, EntitiesCutShortByTheEndOfTheFile) {
    struct Case {
        const char* Entity;
        const char* Message;
    } cases[] = {{"POINT", "Error reading Point entity"},
                 {"LINE", "Error reading Line entity"},
                 {"CIRCLE", "Error reading Circle entity"},
                 {"ARC", "Error reading Arc entity"},
                 {"TEXT", "Error reading Text entity"},
                 {"3DFACE", "Error reading 3DFace entity"},
                 {"INSERT", "Error reading Insert entity"},
                 {"POLYLINE", "Error reading Polyline entity"},
                 {"LWPOLYLINE", "Error reading LWPolyline entity"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Entity);
        const TGroups drawing = Section("TABLES", LayerTable({{"L", 1}})) +
                                TGroups{{0, "SECTION"}, {2, "ENTITIES"}, {0, c.Entity}, {8, "L"}};
        const std::string message = LoadError(drawing);
        EXPECT_EQ(message, std::string(c.Message) + "\r\nError occured at or near line number " +
                               std::to_string(C.LineCount()));
    }
}

TEST_F(ReaderTest, SequencesWithoutTheirPartsDoNotSwallowTheNextEntity) {
    const TGroups next{{0, "LINE"}, {8, "L1"}, {10, "9"}};
    const TGroups cases[] = {
        // POLYLINE without VERTEX, with and without SEQEND
        TGroups{{0, "POLYLINE"}, {8, "L1"}, {0, "SEQEND"}},
        TGroups{{0, "POLYLINE"}, {8, "L1"}},
        // POLYLINE whose last VERTEX is followed by the next entity
        TGroups{{0, "POLYLINE"}, {8, "L1"}, {0, "VERTEX"}, {10, "1"}},
        // INSERT announcing attributes, without ATTRIB, with and without SEQEND
        TGroups{{0, "INSERT"}, {8, "L1"}, {66, "1"}, {0, "SEQEND"}},
        TGroups{{0, "INSERT"}, {8, "L1"}, {66, "1"}},
        TGroups{{0, "INSERT"}, {8, "L1"}, {66, "1"}, {0, "ATTRIB"}, {8, "L1"}, {0, "SEQEND"}},
        TGroups{{0, "INSERT"}, {8, "L1"}, {66, "1"}, {0, "ATTRIB"}, {8, "L1"}},
    };
    for (const TGroups& sequence : cases) {
        SCOPED_TRACE(DxfText(sequence, " "));
        Load(Drawing(RedAndBlue, sequence + next));
        TNyxObject* layer = Layer("L1");
        ASSERT_GE(layer->GetItemsCount(), 1);
        auto* line = dynamic_cast<TNyxLine*>(layer->GetItem(layer->GetItemsCount() - 1));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->P1()->X(), 9);
    }
}

TEST_F(ReaderTest, ClosedPolylineAndVertexFieldsCarriedOver) {
    Load(Drawing(RedAndBlue, {{0, "POLYLINE"},
                              {8, "L1"},
                              {70, "1"},
                              {62, "5"},
                              {0, "VERTEX"},
                              {10, "1"},
                              {20, "2"},
                              {30, "3"},
                              {0, "VERTEX"},
                              {10, "4"},  // y and z from the vertex before
                              {0, "SEQEND"},
                              {0, "POINT"},
                              {8, "L1"}}));
    auto* polyline = Child<TNyxPolyline>("L1", 0);
    EXPECT_TRUE(polyline->Closed());
    EXPECT_EQ(polyline->Color(), RGB(0, 0, 255));
    EXPECT_EQ(Points(polyline->Vertexes()), (std::vector<TGLArrayd3>{{1, 2, 3}, {4, 2, 3}}));
    EXPECT_NE(Child<TNyxPoint>("L1", 1), nullptr);
}

TGroups Polyface(const std::vector<std::vector<std::string>>& Faces) {
    TGroups g{{0, "POLYLINE"}, {8, "L1"}, {2, "mesh"}, {62, "3"}, {66, "1"}, {70, "64"}};
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& c : corners)
        g = g +
            TGroups{
                {0, "VERTEX"}, {8, "L1"},  {10, std::to_string(c[0])}, {20, std::to_string(c[1])},
                {30, "0"},     {70, "192"}};
    for (const auto& face : Faces) {
        g = g + TGroups{{0, "VERTEX"}, {8, "L1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "128"}};
        for (std::size_t i = 0; i < face.size(); ++i)
            g.emplace_back(71 + int(i), face[i]);
    }
    return g + TGroups{{0, "SEQEND"}};
}

TEST_F(ReaderTest, PolyfaceMeshesBecomePolygonsOnly) {
    Load(Drawing(RedAndBlue, Polyface({{"1", "2", "3", "4"}, {"-1", "3", "4"}})));
    TNyxObject* layer = Layer("L1");
    ASSERT_EQ(layer->GetItemsCount(), 2);
    auto* quad = Child<TNyxPolygon>("L1", 0);
    EXPECT_EQ(quad->Ident(), "mesh");
    EXPECT_EQ(quad->Color(), RGB(0, 255, 0));
    EXPECT_FALSE(quad->ColorVertexes());
    EXPECT_EQ(Points(quad->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    // A negative index names its vertex; a fourth index left out makes a triangle (the
    // record before it had one).
    EXPECT_EQ(Points(Child<TNyxPolygon>("L1", 1)->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
}

TEST_F(ReaderTest, APolyfaceMeshWithoutFacesIsNoPolyline) {
    Load(Drawing(RedAndBlue, Polyface({})));
    EXPECT_EQ(Layer("L1")->GetItemsCount(), 0);
}

TEST_F(ReaderTest, PolyfaceIndicesNamingNoVertexFail) {
    for (const auto& face : std::vector<std::vector<std::string>>{{"1", "2", "9", "4"},
                                                                  {"0", "1", "2"},
                                                                  {"1", "2", "3", "-5"},
                                                                  {"-2147483648", "1", "2"}}) {
        const std::string message = LoadError(Drawing(RedAndBlue, Polyface({face})));
        EXPECT_EQ(message.find("TDXFConverter.LoadFromFile: polyface face index "), 0u) << message;
        EXPECT_NE(message.find("line number"), std::string::npos);
        EXPECT_EQ(Root.UpdateCount(), 0);
    }
}

TEST_F(ReaderTest, InsertsOnlyMakeTheirLayers) {
    Load(Drawing(RedAndBlue, {{0, "INSERT"},
                              {8, "Blocks"},
                              {66, "1"},
                              {0, "ATTRIB"},
                              {8, "Tags"},
                              {62, "4"},
                              {1, "v"},
                              {0, "ATTRIB"},
                              {8, "L1"},
                              {0, "SEQEND"},
                              {8, "Blocks"},
                              {0, "LINE"},
                              {8, "L1"}}));
    EXPECT_EQ(Root.GetItemsCount(), 4);
    EXPECT_EQ(Layer("Blocks")->GetItemsCount(), 0);
    EXPECT_EQ(Layer("Tags")->Color(), RGB(0, 255, 255));
    EXPECT_EQ(Layer("L1")->GetItemsCount(), 1);
}

TEST_F(ReaderTest, LightweightPolylines) {
    Load(Drawing(RedAndBlue,
                 {{0, "LWPOLYLINE"}, {8, "L1"},         {90, "3"}, {70, "1"}, {38, "2"},
                  {10, "0"},         {20, "0"},         {10, "1"}, {20, "0"}, {10, "1"},
                  {20, "1"},         {0, "LWPOLYLINE"}, {8, "L2"}, {62, "1"}, {90, "2"},
                  {10, "-1"},        {20, "0"},         {42, "1"}, {10, "1"}, {20, "0"}}));
    auto* square = Child<TNyxPolyline>("L1", 0);
    EXPECT_TRUE(square->Closed());
    EXPECT_EQ(Points(square->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 0, 2}, {1, 0, 2}, {1, 1, 2}}));
    auto* half = Child<TNyxPolyline>("L2", 0);
    EXPECT_FALSE(half->Closed());
    EXPECT_EQ(half->Color(), RGB(255, 0, 0));
    // Bulge 1: a counter-clockwise half circle from (-1, 0) to (1, 0) round the origin,
    // through (0, -1), in 23 chords (45 per full turn).
    const auto points = Points(half->Vertexes());
    ASSERT_EQ(points.size(), 24u);
    EXPECT_EQ(points.front(), (TGLArrayd3{-1, 0, 0}));
    EXPECT_EQ(points.back(), (TGLArrayd3{1, 0, 0}));
    for (const TGLArrayd3& p : points) {
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1, 1e-12);
        EXPECT_LE(p[1], 1e-12);
    }
    EXPECT_NEAR(points[12][1], -1, 0.01);
}

TEST_F(ReaderTest, LongValuesKeepTheir255FirstCharacters) {
    Load(Drawing(RedAndBlue, {{0, "TEXT"}, {8, "L1"}, {1, std::string(1000, 'x')}}));
    EXPECT_EQ(Child<TNyxLabel>("L1", 0)->Caption(), std::string(255, 'x'));
}

// --- Failures --------------------------------------------------------------------------------

// The converter tells how many bytes of the file it has read, rewinds after section
// searches notwithstanding; a handler that raises ends the load with its error.
TEST_F(ReaderTest, TheLoadReportsItsProgress) {
    TGroups lines;
    for (int i = 0; i < 6000; ++i)
        lines.insert(lines.end(), {{0, "LINE"},
                                   {8, "L1"},
                                   {10, "0"},
                                   {20, "0"},
                                   {30, "0"},
                                   {11, std::to_string(i)},
                                   {21, "1"},
                                   {31, "0"}});
    // No HEADER: its search runs to the end and rewinds.
    const std::string file = Dir.Write("big.dxf", DxfText(Drawing(RedAndBlue, lines)));
    C.SetFileName(file);
    test::TProgressLog log;
    C.SetOnProgress(log.Event());
    C.LoadFromFile();
    log.ExpectWellFormed(std::int64_t(std::filesystem::file_size(file)));
    EXPECT_EQ(log.Sender, &C);

    test::TProgressLog cancelling;
    cancelling.CancelAt = 2;
    C.SetOnProgress(cancelling.Event());
    EXPECT_THROW(C.LoadFromFile(), std::runtime_error);
    EXPECT_EQ(cancelling.Reports.size(), 2u);
}

TEST_F(ReaderTest, PreconditionsFailWithTheirMessages) {
    TDXFConverter c(nullptr);
    c.SetFileName("x.dxf");
    try {
        c.LoadFromFile();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TDXFConverter.LoadFromFile: Can't load into Root=nil");
    }
    c.SetRoot(&Root);
    c.SetFileName("");
    try {
        c.LoadFromFile();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TDXFConverter.LoadFromFile: No file name defined");
    }
    c.SetRoot(nullptr);
}

TEST_F(ReaderTest, AFileThatCannotBeReadLeavesTheDrawing) {
    Load(Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}}));
    const int descriptors = OpenDescriptors();
    for (const std::string& name : {Dir / "missing.dxf", Dir / ""}) {  // a folder
        C.SetFileName(name);
        EXPECT_THROW(C.LoadFromFile(), EStreamError);
        EXPECT_EQ(Root.GetItemsCount(), 2);
        EXPECT_EQ(Layer("L1")->GetItemsCount(), 1);
        EXPECT_EQ(Root.UpdateCount(), 0);
        EXPECT_EQ(OpenDescriptors(), descriptors);
    }
}

TEST_F(ReaderTest, EveryFailureClosesTheFileEndsTheBracketAndKeepsWhatWasRead) {
    const TGroups failing[] = {
        Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}, {0, "LINE"}, {8, "L1"}, {10, "bad"}}),
        Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}, {0, "LINE"}, {8, "L1"}, {62, "1.5"}}),
        Drawing(RedAndBlue, {{0, "LINE"}, {8, "L1"}, {0, "POLYLINE"}, {8, "X"}, {62, "-7"}}),
        Section("TABLES", LayerTable(RedAndBlue)) + TGroups{{0, "SECTION"},
                                                            {2, "ENTITIES"},
                                                            {0, "LINE"},
                                                            {8, "L1"},
                                                            {0, "POLYLINE"},
                                                            {8, "L1"}}};
    const int descriptors = OpenDescriptors();
    for (const TGroups& drawing : failing) {
        EXPECT_NE(LoadError(drawing), "no EDXFReadException");
        EXPECT_EQ(Root.UpdateCount(), 0);
        EXPECT_EQ(OpenDescriptors(), descriptors);
        ASSERT_NE(Layer("L1"), nullptr);
        EXPECT_TRUE(Layer("L1")->GetItemsCount() >= 1);
        EXPECT_TRUE(Layer("L1")->GetItem(0)->Is<TNyxLine>());
        for (TNyxObject* obj : Layer("L1")->Items())
            EXPECT_EQ(obj->UpdateCount(), 0);
    }
}

TEST_F(ReaderTest, TheRootIsClearedWhenItGoes) {
    auto* root = new TNyxObject(nullptr);
    C.SetRoot(root);
    delete root;
    EXPECT_EQ(C.Root(), nullptr);
}

}  // namespace
