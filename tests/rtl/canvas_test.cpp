// Canvases on bitmaps (focus rectangles, fills, copies, the device context), fonts and the
// headless printer.
#include "rtl/graphics.h"
#include "rtl/printers.h"

#include <gtest/gtest.h>

#include <functional>

using namespace nyx;

namespace {

void FillNoise(TBitmap& b) {
    std::uint32_t s = 12345;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            s = s * 1103515245u + 12345u;
            b.ScanLine(y)[x] = s;
        }
}

bool OnOutline(const TRect& r, int x, int y) {
    return r.Contains(Point(x, y)) &&
           (x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1);
}

TEST(Canvas, FocusRectInvertsADottedOutlineAndASecondDrawErasesIt) {
    const TRect rects[] = {
        Rect(2, 3, 12, 9),  Rect(4, 1, 5, 9),    Rect(1, 4, 12, 5),    Rect(6, 6, 7, 7),
        Rect(-3, -2, 5, 4), Rect(10, 7, 30, 20), Rect(-9, -9, 40, 40), Rect(20, 20, 30, 30),
        Rect(5, 5, 5, 9),   Rect(8, 2, 3, 6),  // outside; empty; inverted
    };
    for (const TRect& r : rects) {
        SCOPED_TRACE(testing::Message()
                     << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom);
        TBitmap b(14, 10), before;
        FillNoise(b);
        before.Assign(&b);
        b.Canvas().DrawFocusRect(r);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) {
                const std::uint32_t was = before.ScanLine(y)[x];
                const bool dot = OnOutline(r, x, y) && (x + y) % 2 == 0;
                EXPECT_EQ(b.ScanLine(y)[x], dot ? was ^ 0x00FFFFFFu : was) << x << "," << y;
            }
        b.Canvas().DrawFocusRect(r);
        EXPECT_TRUE(b.SameImage(before));
    }
}

TEST(Canvas, TheDeviceContextFollowsTheBitmap) {
    TBitmap b;
    HDC dc = b.Canvas().Handle();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->Kind(), TDeviceKind::dkMemory);
    EXPECT_EQ(dc->Pixels(), nullptr) << "an empty bitmap has no pixels to draw into";
    b.SetSize(4, 3);
    EXPECT_EQ(b.Canvas().Handle(), dc) << "one device context for the bitmap's life";
    EXPECT_EQ(dc->Width(), 4);
    EXPECT_EQ(dc->Height(), 3);
    // What a renderer writes through the context (bytes B, G, R, A) is the bitmap's image.
    std::uint8_t* bytes = reinterpret_cast<std::uint8_t*>(dc->Pixels());
    const std::size_t at = (2u * 4u + 3u) * 4u;  // (3, 2)
    bytes[at] = 0x33;
    bytes[at + 1] = 0x22;
    bytes[at + 2] = 0x11;
    EXPECT_EQ(b.Pixels(3, 2), RGB(0x11, 0x22, 0x33));

    b.SetSize(640, 480);  // the block moves; the context hands out the new one
    EXPECT_EQ(dc->Width(), 640);
    EXPECT_EQ(dc->Height(), 480);
    EXPECT_EQ(dc->Pixels(), b.PixelData());
    dc->Pixels()[479 * 640 + 639] = 0xFF0000FFu;
    EXPECT_EQ(b.Pixels(639, 479), clBlue);
    EXPECT_EQ(b.Pixels(3, 2), RGB(0x11, 0x22, 0x33));

    TBitmapCanvas page(b, TDeviceKind::dkOther);
    EXPECT_EQ(page.Handle()->Kind(), TDeviceKind::dkOther);
    EXPECT_EQ(page.Handle()->Pixels(), nullptr) << "no OpenGL on this device";
    page.SetPixel(0, 0, clRed);
    EXPECT_EQ(b.Pixels(0, 0), clRed) << "the canvas still draws";
}

TEST(Canvas, FillAndDrawClipToTheSurface) {
    TBitmap b(4, 4), src(3, 2);
    b.Canvas().FillRect(Rect(-5, -5, 2, 9), clRed);
    EXPECT_EQ(b.Pixels(1, 3), clRed);
    EXPECT_EQ(b.Pixels(2, 0), clWhite);
    src.Canvas().FillRect(Rect(0, 0, 3, 2), clLime);
    src.SetPixel(0, 0, clBlue);
    b.Canvas().Draw(2, 3, src);  // only (2,3) and (3,3) land
    EXPECT_EQ(b.Pixels(2, 3), clBlue);
    EXPECT_EQ(b.Pixels(3, 3), clLime);
    EXPECT_EQ(b.Pixels(3, 2), clWhite);
    b.Canvas().Draw(-2, -1, src);
    EXPECT_EQ(b.Pixels(0, 0), clLime);
    b.Canvas().Draw(1, 0, b);  // onto itself: copies the image as it was
    EXPECT_EQ(b.Pixels(1, 0), clLime);
    EXPECT_EQ(b.Pixels(1, 3), clRed);
    EXPECT_EQ(b.Pixels(3, 3), clBlue);
    b.Canvas().Draw(100, 100, src);
}

struct TFontSize {
    int Size;
    int PixelsPerInch;
    int Height;
};

TEST(Font, SizeAndHeightConvertAtThePixelDensity) {
    TFont f;
    EXPECT_EQ(f.Name(), "Arial");
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Color(), clWindowText);
    EXPECT_TRUE(f.Style().Empty());
    const TFontSize cases[] = {{8, 96, -11},  {10, 96, -13},   {12, 96, -16}, {9, 96, -12},
                               {12, 72, -12}, {72, 300, -300}, {-20, 96, 27}};
    for (const TFontSize& c : cases) {
        f.SetPixelsPerInch(c.PixelsPerInch);
        f.SetSize(c.Size);
        EXPECT_EQ(f.Height(), c.Height) << c.Size << "pt at " << c.PixelsPerInch;
    }
    f.SetPixelsPerInch(96);
    f.SetHeight(-16);
    EXPECT_EQ(f.Size(), 12);
    EXPECT_EQ(MulDiv(5, 3, 2), 8);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(5, 3, -2), -8);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

struct TCounter {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
};

TEST(Font, ChangesNotifyOnceAndOnlyWhenEffective) {
    TFont f;
    TCounter c;
    f.SetOnChange(TNotifyEvent::Bind<&TCounter::Changed>(&c));
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"name", [&] { f.SetName("Liberation Serif"); }},
        {"size", [&] { f.SetSize(20); }},
        {"height", [&] { f.SetHeight(-30); }},
        {"style",
         [&] {
             f.SetStyle({fsBold, fsItalic});
         }},
        {"colour", [&] { f.SetColor(clRed); }},
        {"density", [&] { f.SetPixelsPerInch(120); }},
    };
    for (const auto& [name, step] : steps) {
        const int before = c.Count;
        step();
        EXPECT_EQ(c.Count, before + 1) << name;
        step();
        EXPECT_EQ(c.Count, before + 1) << name << " again";
    }
    f.SetName("");
    EXPECT_EQ(f.Name(), "Liberation Serif") << "an empty name is ignored";

    TFont copy;
    TCounter cc;
    copy.SetOnChange(TNotifyEvent::Bind<&TCounter::Changed>(&cc));
    copy.Assign(&f);
    EXPECT_EQ(cc.Count, 1);
    copy.Assign(&f);
    EXPECT_EQ(cc.Count, 1);
    EXPECT_EQ(copy.Name(), f.Name());
    EXPECT_EQ(copy.Height(), -30);
    EXPECT_EQ(copy.Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.PixelsPerInch(), 120);
    TBitmap b;
    EXPECT_THROW(copy.Assign(&b), EConvertError);
}

TEST(Font, PublishedPropertiesStreamHeightNotSize) {
    TFont f;
    const TMetaClass& meta = TFont::StaticClass();
    const TPropInfo* size = meta.FindProperty("Size");
    const TPropInfo* height = meta.FindProperty("Height");
    const TPropInfo* style = meta.FindProperty("Style");
    const TPropInfo* color = meta.FindProperty("Color");
    ASSERT_TRUE(size && height && style && color && meta.FindProperty("Name"));
    EXPECT_FALSE(size->IsStoredValue(f));
    EXPECT_TRUE(height->IsStoredValue(f));
    EXPECT_FALSE(style->IsStoredValue(f));
    EXPECT_FALSE(color->IsStoredValue(f));
    SetOrdProp(f, "Style", StringToSet(FontStyleInfo(), "[fsBold, fsStrikeOut]"));
    EXPECT_EQ(f.Style(), (TFontStyles{fsBold, fsStrikeOut}));
    EXPECT_TRUE(style->IsStoredValue(f));
    SetOrdProp(f, "Color", clBtnFace);
    EXPECT_EQ(f.Color(), clBtnFace);
    EXPECT_EQ(GetOrdProp(f, "Size"), 8);
    EXPECT_THROW(SetOrdProp(f, "Style", 16), ERangeError);
}

TEST(Printer, AJobCollectsItsPagesAsBitmaps) {
    TBitmapPrinter printer(30, 20);
    EXPECT_EQ(printer.PageWidth(), 30);
    EXPECT_EQ(printer.PageHeight(), 20);
    EXPECT_EQ(printer.Canvas().Handle()->Kind(), TDeviceKind::dkMemory);
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    EXPECT_THROW(printer.NewPage(), EPrinter);

    printer.SetTitle("Nyx rendered image");
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_EQ(printer.PageNumber(), 1);
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    printer.Canvas().SetPixel(1, 1, clRed);
    printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), 2);
    EXPECT_EQ(printer.Canvas().Pixels(1, 1), clWhite) << "a new page starts blank";
    printer.Canvas().SetPixel(2, 2, clBlue);
    printer.SetTitle("changed while printing");
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(printer.Aborted());
    ASSERT_EQ(printer.PageCount(), 2);
    EXPECT_EQ(printer.DocumentTitle(), "Nyx rendered image");
    EXPECT_EQ(printer.Pages(0).Pixels(1, 1), clRed);
    EXPECT_EQ(printer.Pages(1).Pixels(2, 2), clBlue);
    EXPECT_EQ(printer.Pages(1).Pixels(1, 1), clWhite);
    EXPECT_THROW(printer.Pages(2), EListError);
}

TEST(Printer, AbortThrowsTheJobAwayAndIsHarmlessOutsideOne) {
    TBitmapPrinter printer(8, 8, TDeviceKind::dkOther);
    EXPECT_EQ(printer.Canvas().Handle()->Kind(), TDeviceKind::dkOther);
    printer.Abort();
    EXPECT_FALSE(printer.Aborted());
    printer.BeginDoc();
    printer.EndDoc();
    EXPECT_EQ(printer.PageCount(), 1);

    printer.BeginDoc();
    printer.Canvas().SetPixel(0, 0, clRed);
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.PageCount(), 1) << "the earlier job's pages stay";
    EXPECT_EQ(printer.Canvas().Pixels(0, 0), clWhite);
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    printer.BeginDoc();
    EXPECT_FALSE(printer.Aborted());
    printer.EndDoc();
}

}  // namespace
