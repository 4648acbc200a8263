// The extended entities, read from the drawings that data/make_drawings.py writes with
// another DXF library: each test expects what the script put in. Also the classic
// reading of the same files, and blocks and inserts written back.
#include "dxf/converter.h"
#include "dxftest.h"
#include "gl/detail/glyphs.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "scene/proxy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace nyx;
using namespace nyx::test;

namespace {

constexpr double CapHeight = 0.716;  // of the labels' em, what a drawing's height measures

std::vector<TGLArrayd3> Points(const TNyxCollection* C) {
    std::vector<TGLArrayd3> points;
    for (int i = 0; i < C->Count(); ++i)
        points.push_back(C->ItemAs<TNyxVertex3CI>(i)->Data());
    return points;
}

void ExpectNear(const TGLArrayd3& A, const TGLArrayd3& B, double Tolerance = 1e-9) {
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(A[i], B[i], Tolerance) << "coordinate " << i;
}

// The advance of Text in em of the labels' face.
double Advance(const std::string& Text) {
    TFont font;
    font.SetName("Arial");
    detail::TGlyphStyle style;
    style.Outline = true;
    style.Format = WGL_FONT_LINES;
    double advance = 0;
    for (const char c : Text)
        advance += detail::CachedGlyph(font.LogFont(), style, static_cast<unsigned char>(c))
                       ->Metrics.gmfCellIncX;
    return advance;
}

class ExtendedTest : public ::testing::Test {
protected:
    ExtendedTest() {
        C.SetRoot(&Root);
        C.SetReadExtendedEntities(true);
    }
    ~ExtendedTest() override { C.SetRoot(nullptr); }

    void Load(const std::string& Name) {
        C.SetFileName(std::string(NYX_DXF_DATA_DIR) + "/" + Name);
        C.LoadFromFile();
    }
    template <class T>
    std::vector<T*> All(const std::string& Layer) const {
        std::vector<T*> found;
        if (TNyxObject* layer = Root.ItemByIdent(Layer))
            for (TNyxObject* o : layer->Items())
                if (auto* t = dynamic_cast<T*>(o))
                    found.push_back(t);
        return found;
    }
    TNyxObject* Block(const std::string& Name) const {
        TNyxObject* holder = Root.ItemByIdent(TDXFConverter::BlockHolderIdent);
        return holder ? holder->ItemByIdent(Name) : nullptr;
    }

    TNyxObject Root{nullptr};
    TDXFConverter C{nullptr};
};

TEST_F(ExtendedTest, TextTurnedAlignedAndWidened) {
    Load("text.dxf");
    const auto labels = All<TNyxLabel>("NOTES");
    ASSERT_EQ(labels.size(), 4u);
    const auto xf = [&](int I) { return labels[std::size_t(I)]->XForm(); };
    EXPECT_EQ(labels[0]->Color(), RGB(255, 255, 0));
    ExpectNear(xf(0)->Translate()->Data(), {1, 2, 0});
    ExpectNear(xf(0)->Rotate()->Data(), {0, 0, 30});
    ExpectNear(xf(0)->Scale()->Data(), {1, 1, 1});
    // Middle centre at (10, 5), height 2.
    ExpectNear(xf(1)->Translate()->Data(), {10 - Advance("Mid"), 5 - CapHeight, 0}, 1e-6);
    ExpectNear(xf(1)->Scale()->Data(), {2, 2, 2});
    // Right-aligned at (20, 0), half as wide.
    ExpectNear(xf(2)->Translate()->Data(), {20 - 0.5 * Advance("Right"), 0, 0}, 1e-6);
    ExpectNear(xf(2)->Scale()->Data(), {0.5, 1, 1});
    // Aligned between (0, -5) and (8, -5): as high as the width asks.
    const double h = 8 / Advance("Fit");
    ExpectNear(xf(3)->Translate()->Data(), {0, -5, 0});
    ExpectNear(xf(3)->Scale()->Data(), {h, h, h}, 1e-6);
}

TEST_F(ExtendedTest, MTextLinesWithoutFormattingStackedAndAttached) {
    Load("mtext.dxf");
    const auto labels = All<TNyxLabel>("0");
    ASSERT_EQ(labels.size(), 4u);
    const char* lines[] = {"First", "Bold line", "A 1/2 \xB0"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TNyxLabel* l = labels[std::size_t(i)];
        EXPECT_EQ(l->Caption(), lines[i]);
        EXPECT_EQ(l->Color(), RGB(0, 255, 0));
        EXPECT_FALSE(l->BitmapFont());
        // Top left at (2, 3), turned 90 degrees: the lines go down the text, +x here.
        ExpectNear(l->XForm()->Translate()->Data(), {2 + 0.5 * (CapHeight + 5.0 / 3 * i), 3, 0});
        ExpectNear(l->XForm()->Rotate()->Data(), {0, 0, 90});
        ExpectNear(l->XForm()->Scale()->Data(), {0.5, 0.5, 0.5});
    }
    EXPECT_EQ(labels[3]->Caption(), "Centre");
    ExpectNear(labels[3]->XForm()->Translate()->Data(),
               {10 - Advance("Centre") / 2, 10 - CapHeight / 2, 0}, 1e-6);
}

TEST_F(ExtendedTest, SolidsAndTracesAsPolygons) {
    Load("solid.dxf");
    const auto polygons = All<TNyxPolygon>("0");
    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_EQ(Points(polygons[0]->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}}));
    EXPECT_EQ(polygons[0]->Color(), RGB(255, 0, 0));
    EXPECT_EQ(Points(polygons[1]->Vertexes()),
              (std::vector<TGLArrayd3>{{5, 0, 0}, {8, 0, 0}, {5, 3, 0}}));
    EXPECT_EQ(Points(polygons[2]->Vertexes()),
              (std::vector<TGLArrayd3>{{0, 4, 0}, {8, 4, 0}, {8, 5, 0}, {0, 5, 0}}));
    EXPECT_FALSE(polygons[2]->ColorVertexes());
}

TEST_F(ExtendedTest, BlocksAsGroupsAndInsertsAsProxies) {
    Load("insert.dxf");
    TNyxObject* holder = Root.ItemByIdent(TDXFConverter::BlockHolderIdent);
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(holder->Visible());
    TNyxObject* box = Block("BOX");
    TNyxObject* two = Block("TWO");
    ASSERT_TRUE(box && two);
    ExpectNear(box->XForm()->Translate()->Data(), {-1, -1, 0});  // base point (1, 1)
    EXPECT_EQ(box->GetItemsCount(), 5);                          // four lines, a circle
    EXPECT_EQ(box->GetItem(0)->Color(), RGB(255, 0, 0));         // by layer PARTS
    EXPECT_EQ(box->GetItem(4)->Color(), RGB(0, 0, 255));
    ASSERT_EQ(two->GetItemsCount(), 2);
    EXPECT_EQ(static_cast<TNyxProxy*>(two->GetItem(1))->Proxy(), box);
    ExpectNear(two->GetItem(1)->XForm()->Translate()->Data(), {4, 1, 0});

    const auto proxies = All<TNyxProxy>("PARTS");
    ASSERT_EQ(proxies.size(), 8u);  // one, six in the array, one of TWO
    EXPECT_EQ(proxies[0]->Proxy(), box);
    ExpectNear(proxies[0]->XForm()->Translate()->Data(), {10, 0, 0});
    ExpectNear(proxies[0]->XForm()->Rotate()->Data(), {0, 0, 45});
    ExpectNear(proxies[0]->XForm()->Scale()->Data(), {2, 2, 1});
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            ExpectNear(proxies[std::size_t(1 + row * 3 + column)]->XForm()->Translate()->Data(),
                       {20.0 + 5 * column, 4.0 * row, 0});
    EXPECT_EQ(proxies[7]->Proxy(), two);
    EXPECT_EQ(proxies[7]->Ident(), "TWO");
}

TEST_F(ExtendedTest, ADimensionShowsItsPicture) {
    Load("dimension.dxf");
    const auto proxies = All<TNyxProxy>("0");
    ASSERT_EQ(proxies.size(), 1u);
    TNyxObject* picture = proxies[0]->Proxy();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Parent()->Ident(), TDXFConverter::BlockHolderIdent);
    int lines = 0, labels = 0;
    for (TNyxObject* o : picture->Items()) {
        lines += o->Is<TNyxLine>();
        labels += o->Is<TNyxLabel>();
    }
    EXPECT_GE(lines, 3);  // the dimension line and two extension lines
    ASSERT_EQ(labels, 1);
}

TEST_F(ExtendedTest, EllipsesWithinTheDeviation) {
    Load("ellipse.dxf");
    const auto polylines = All<TNyxPolyline>("0");
    ASSERT_EQ(polylines.size(), 2u);
    const auto whole = Points(polylines[0]->Vertexes());
    EXPECT_TRUE(polylines[0]->Closed());
    EXPECT_GE(whole.size(), 40u);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const TGLArrayd3& a = whole[i];
        const TGLArrayd3& b = whole[(i + 1) % whole.size()];
        EXPECT_NEAR(a[0] * a[0] / 16 + a[1] * a[1] / 4, 1, 1e-12);
        // The chord's middle lies within 0.002 of the major radius of the curve.
        const double mx = (a[0] + b[0]) / 2, my = (a[1] + b[1]) / 2;
        const double t = std::atan2(my / 2, mx / 4);
        EXPECT_LT(std::hypot(mx - 4 * std::cos(t), my - 2 * std::sin(t)), 0.002 * 4 * 1.01);
    }
    const auto half = Points(polylines[1]->Vertexes());
    EXPECT_FALSE(polylines[1]->Closed());
    EXPECT_EQ(polylines[1]->Color(), RGB(255, 0, 0));
    ExpectNear(half.front(), {10, 3, 0});
    ExpectNear(half.back(), {10, -3, 0});
    for (const TGLArrayd3& p : half)
        EXPECT_LE(p[0], 10 + 1e-12);  // the half on the left

    // A coarser deviation, fewer chords.
    C.SetDeviation(0.05);
    Load("ellipse.dxf");
    EXPECT_LT(All<TNyxPolyline>("0")[0]->Vertexes()->Count(), 20);
}

// Angles far beyond a turn (a fuzzed drawing once stalled the reader on 1e300) still give
// an arc of at most one turn on the curve, for ellipses and for the arc edges of hatches.
TEST_F(ExtendedTest, AnglesOfAnySizeGiveOneTurnAtMost) {
    const TScratch dir;
    const std::pair<const char*, const char*> angles[] = {
        {"1e300", "0"}, {"0", "-1e300"}, {"-1e300", "1e300"}, {"3", "3"}, {"-7", "20"}};
    for (const auto& [start, end] : angles) {
        SCOPED_TRACE(std::string(start) + " to " + end);
        const TGroups ellipse{{0, "ELLIPSE"}, {8, "E"},    {10, "0"}, {20, "0"},
                              {30, "0"},      {11, "4"},   {21, "0"}, {31, "0"},
                              {40, "0.5"},    {41, start}, {42, end}};
        const TGroups hatch{{0, "HATCH"}, {8, "H"},  {70, "0"}, {91, "1"}, {92, "0"},
                            {93, "1"},    {72, "2"}, {10, "0"}, {20, "0"}, {40, "1"},
                            {50, start},  {51, end}, {73, "1"}};
        C.SetFileName(dir.Write("a.dxf", DxfText(Drawing({{"E", 1}, {"H", 2}}, ellipse + hatch))));
        C.LoadFromFile();
        const auto curves = All<TNyxPolyline>("E"), outlines = All<TNyxPolyline>("H");
        ASSERT_EQ(curves.size(), 1u);
        ASSERT_EQ(outlines.size(), 1u);
        const auto onEllipse = Points(curves[0]->Vertexes());
        EXPECT_GE(onEllipse.size(), 2u);
        for (const TGLArrayd3& p : onEllipse)
            EXPECT_NEAR(p[0] * p[0] / 16 + p[1] * p[1] / 4, 1, 1e-9);
        for (const TGLArrayd3& p : Points(outlines[0]->Vertexes()))
            EXPECT_NEAR(std::hypot(p[0], p[1]), 1, 1e-9);
    }
}

TEST_F(ExtendedTest, SplinesFromControlPointsOrFitPoints) {
    Load("spline.dxf");
    const auto polylines = All<TNyxPolyline>("0");
    ASSERT_EQ(polylines.size(), 2u);
    const auto curve = Points(polylines[0]->Vertexes());
    ExpectNear(curve.front(), {0, 0, 0});
    ExpectNear(curve.back(), {8, 0, 0});
    double top = 0;
    for (const TGLArrayd3& p : curve)
        top = std::max(top, p[1]);
    EXPECT_NEAR(top, 3, 1e-12);  // the middle of the curve, at (4, 3)
    const auto fitted = Points(polylines[1]->Vertexes());
    for (const TGLArrayd3& fit :
         std::vector<TGLArrayd3>{{0, -2, 0}, {3, -4, 0}, {6, -2, 0}, {9, -4, 0}})
        EXPECT_NE(std::find(fitted.begin(), fitted.end(), fit), fitted.end())
            << fit[0] << ", " << fit[1];
}

double Area(const TNyxPolygon* Triangle) {
    const auto p = Points(Triangle->Vertexes());
    return ((p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0])) /
           2;
}

TEST_F(ExtendedTest, SolidHatchesFilledWithTheirHolesOthersAsOutlines) {
    Load("hatch.dxf");
    double ring = 0, disc = 0;
    for (const TNyxPolygon* t : All<TNyxPolygon>("0")) {
        ASSERT_EQ(t->VertexCount(), 3);
        const double area = Area(t);
        EXPECT_GT(area, 0) << "counter-clockwise, seen from above";
        (t->Color() == RGB(255, 0, 0) ? ring : disc) += area;
    }
    EXPECT_NEAR(ring, 100 - 16, 1e-9);
    EXPECT_NEAR(disc, 4 * std::numbers::pi, 4 * std::numbers::pi * 0.01);
    const auto outlines = All<TNyxPolyline>("0");
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_TRUE(outlines[0]->Closed());
    EXPECT_EQ(outlines[0]->Color(), RGB(0, 255, 0));
    EXPECT_EQ(Points(outlines[0]->Vertexes()),
              (std::vector<TGLArrayd3>{{20, 0, 0}, {26, 0, 0}, {23, 5, 0}}));
}

TEST_F(ExtendedTest, OffTheClassicReadingIsKept) {
    C.SetReadExtendedEntities(false);
    for (const char* name : {"insert.dxf", "hatch.dxf", "mtext.dxf"}) {
        SCOPED_TRACE(name);
        Load(name);
        EXPECT_EQ(Root.ItemByIdent(TDXFConverter::BlockHolderIdent), nullptr);
        std::vector<TNyxObject*> objects;
        Root.ListChildren(objects, {&TNyxProxy::StaticClass(), &TNyxPolygon::StaticClass(),
                                    &TNyxLabel::StaticClass()});
        EXPECT_TRUE(objects.empty());
    }
}

TEST_F(ExtendedTest, ABinaryDrawingIsRefused) {
    try {
        Load("binary.dxf");
        ADD_FAILURE() << "no exception";
    } catch (const EDXFReadException& e) {
        EXPECT_NE(std::string(e.what()).find("binary DXF"), std::string::npos);
    }
}

// Blocks and their inserts go back as blocks and inserts, which the other library reads.
TEST_F(ExtendedTest, BlocksAndInsertsWrittenBack) {
    Load("insert.dxf");
    TScratch dir;
    TDXFConverter writer(nullptr);
    writer.SetRoot(&Root);
    writer.SetFileName(dir / "back.dxf");
    writer.SaveToFile();
    writer.SetRoot(nullptr);

    TNyxObject again(nullptr);
    TDXFConverter reader(nullptr);
    reader.SetRoot(&again);
    reader.SetReadExtendedEntities(true);
    reader.SetFileName(dir / "back.dxf");
    reader.LoadFromFile();
    reader.SetRoot(nullptr);
    TNyxObject* holder = again.ItemByIdent(TDXFConverter::BlockHolderIdent);
    ASSERT_NE(holder, nullptr);
    ASSERT_NE(holder->ItemByIdent("BOX"), nullptr);
    EXPECT_EQ(holder->ItemByIdent("BOX")->GetItemsCount(), 5);
    ExpectNear(holder->ItemByIdent("BOX")->XForm()->Translate()->Data(), {-1, -1, 0});
    TNyxObject* parts = again.ItemByIdent("PARTS");
    ASSERT_NE(parts, nullptr);
    ASSERT_EQ(parts->GetItemsCount(), 8);
    const TNyxObject* first = parts->GetItem(0);
    ExpectNear(first->XForm()->Rotate()->Data(), {0, 0, 45});
    ExpectNear(first->XForm()->Scale()->Data(), {2, 2, 1});

    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-ezdxf is not installed";
    const std::string script = dir.Write("count.py", "import sys, ezdxf\n"
                                                     "doc = ezdxf.readfile(sys.argv[1])\n"
                                                     "auditor = doc.audit()\n"
                                                     "for e in auditor.errors: print(e.message)\n"
                                                     "print(len(doc.modelspace().query('INSERT')),"
                                                     " len(doc.blocks.get('TWO')))\n");
    const std::string out = dir / "count.txt";
    ASSERT_EQ(
        std::system(("/usr/bin/python3 " + script + " " + (dir / "back.dxf") + " >" + out + " 2>&1")
                        .c_str()),
        0);
    std::ifstream in(out);
    std::stringstream report;
    report << in.rdbuf();
    EXPECT_EQ(report.str(), "8 2\n");
}

}  // namespace
