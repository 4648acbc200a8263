#pragma once
// The device context and the canvas of a native X11 window. The canvas draws with core
// X requests; focus rectangles invert the pixels, so drawing one twice erases it.

#include "rtl/graphics.h"

namespace nyx {

class TX11DeviceContext : public TDeviceContext {
public:
    TX11DeviceContext(void* Display, unsigned long Window, int Width, int Height)
        : FDisplay(Display), FWindow(Window), FWidth(Width), FHeight(Height) {}

    TDeviceKind Kind() const override { return TDeviceKind::dkWindow; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void* NativeDisplay() const override { return FDisplay; }
    unsigned long NativeWindow() const override { return FWindow; }
    void SetSize(int Width, int Height) {
        FWidth = Width;
        FHeight = Height;
    }

private:
    void* FDisplay;
    unsigned long FWindow;
    int FWidth;
    int FHeight;
};

class TX11Canvas : public TCanvas {
    NYX_CLASS(TX11Canvas)
public:
    explicit TX11Canvas(TX11DeviceContext& DC);
    ~TX11Canvas() override;

    HDC Handle() override { return &FDC; }
    int Width() const override { return FDC.Width(); }
    int Height() const override { return FDC.Height(); }
    // Reads the window's pixel back from the X server (what is on the screen).
    TColor Pixels(int X, int Y) const override;
    void SetPixel(int X, int Y, TColor Color) override;
    void FillRect(const TRect& R, TColor Color) override;
    void Draw(int X, int Y, const TBitmap& Source) override;
    void DrawFocusRect(const TRect& R) override;

private:
    TX11DeviceContext& FDC;
    void* FGC = nullptr;
};

}  // namespace nyx
