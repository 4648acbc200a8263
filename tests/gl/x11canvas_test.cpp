// The canvas of a native X11 window: the same drawing shows the same pixels as on a
// bitmap's canvas. Runs under a virtual X server with a 24-bit TrueColor screen.
#include "gl/x11canvas.h"

#include "rtl/sysutils.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xdisplay.h"

using namespace nyx;

namespace {

constexpr int W = 14, H = 10;

class X11Canvas : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(FDisplay, nullptr) << "no X server: run this test under xvfb-run";
        const int screen = DefaultScreen(FDisplay);
        ASSERT_EQ(DefaultDepth(FDisplay, screen), 24) << "the expectations assume 8-bit RGB";
        FWindow = XCreateSimpleWindow(FDisplay, RootWindow(FDisplay, screen), 0, 0, W, H, 0, 0, 0);
        XSelectInput(FDisplay, FWindow, StructureNotifyMask);
        XMapWindow(FDisplay, FWindow);
        XEvent event;
        do
            XWindowEvent(FDisplay, FWindow, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        FDC = std::make_unique<TX11DeviceContext>(FDisplay, FWindow, W, H);
        FCanvas = std::make_unique<TX11Canvas>(*FDC);
    }
    void TearDown() override {
        FCanvas.reset();
        FDC.reset();
        if (FWindow)
            XDestroyWindow(FDisplay, FWindow);
        XSync(FDisplay, False);
    }

    Display* const FDisplay = test::TestDisplay();
    Window FWindow = 0;
    std::unique_ptr<TX11DeviceContext> FDC;
    std::unique_ptr<TX11Canvas> FCanvas;
};

using TDrawing = std::function<void(TCanvas&)>;

TEST_F(X11Canvas, ShowsWhatABitmapCanvasShowsForTheSameDrawing) {
    TBitmap source(3, 2);
    source.Canvas().FillRect(Rect(0, 0, 3, 2), clLime);
    source.SetPixel(0, 0, clBlue);
    const auto noise = [](TCanvas& c) {
        std::uint32_t s = 12345;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                s = s * 1103515245u + 12345u;
                c.SetPixel(x, y, TColor(s >> 8 & 0xFFFFFF));
            }
    };
    const std::vector<std::pair<std::string, TDrawing>> drawings = {
        {"fill clipped to the window",
         [](TCanvas& c) {
             c.FillRect(Rect(0, 0, W, H), clWhite);
             c.FillRect(Rect(-5, -5, 2, 9), clRed);
             c.FillRect(Rect(6, 6, 6, 9), clBlack);  // empty
         }},
        {"system colours resolved", [](TCanvas& c) { c.FillRect(Rect(0, 0, W, H), clBtnFace); }},
        {"bitmap copied and clipped",
         [&](TCanvas& c) {
             c.FillRect(Rect(0, 0, W, H), clWhite);
             c.Draw(2, 3, source);
             c.Draw(-2, -1, source);
             c.Draw(W - 1, H - 1, source);
         }},
        {"focus rectangles inverted",
         [&](TCanvas& c) {
             noise(c);
             for (const TRect& r : {Rect(2, 3, 12, 9), Rect(4, 1, 5, 9), Rect(1, 4, 12, 5),
                                    Rect(6, 6, 7, 7), Rect(-3, -2, 5, 4), Rect(10, 7, 30, 20)})
                 c.DrawFocusRect(r);
         }},
        {"focus rectangle drawn twice erased",
         [&](TCanvas& c) {
             noise(c);
             c.DrawFocusRect(Rect(-9, -9, 40, 40));
             c.DrawFocusRect(Rect(1, 1, 13, 9));
             c.DrawFocusRect(Rect(1, 1, 13, 9));
         }},
    };
    for (const auto& [name, draw] : drawings) {
        SCOPED_TRACE(name);
        TBitmap expected(W, H);
        draw(expected.Canvas());
        draw(*FCanvas);
        int wrong = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (FCanvas->Pixels(x, y) != expected.Pixels(x, y) && ++wrong <= 3)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << FCanvas->Pixels(x, y)
                                  << " instead of " << expected.Pixels(x, y);
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(X11Canvas, ReadsOnlyInsideTheWindowAndFollowsItsSize) {
    EXPECT_EQ(FCanvas->Handle(), FDC.get());
    EXPECT_EQ(FDC->Kind(), TDeviceKind::dkWindow);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {W, 0}, {0, H}})
        EXPECT_THROW(FCanvas->Pixels(x, y), ERangeError) << x << "," << y;
    XResizeWindow(FDisplay, FWindow, 20, 12);
    FDC->SetSize(20, 12);
    EXPECT_EQ(FCanvas->Width(), 20);
    EXPECT_EQ(FCanvas->Height(), 12);
    FCanvas->SetPixel(19, 11, clYellow);
    EXPECT_EQ(FCanvas->Pixels(19, 11), clYellow);
}

}  // namespace
