#include "gl/x11canvas.h"

#include "rtl/sysutils.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

namespace nyx {

namespace {
Display* Dpy(const TX11DeviceContext& dc) { return static_cast<Display*>(dc.NativeDisplay()); }

unsigned long PixelOf(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return (unsigned long)(GetRValue(rgb)) << 16 | (unsigned long)(GetGValue(rgb)) << 8 |
           GetBValue(rgb);
}
}  // namespace

const TMetaClass& TX11Canvas::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TX11Canvas, TCanvas>("TX11Canvas");
    return meta;
}

TX11Canvas::TX11Canvas(TX11DeviceContext& DC) : FDC(DC) {
    FGC = XCreateGC(Dpy(FDC), FDC.NativeWindow(), 0, nullptr);
}

TX11Canvas::~TX11Canvas() {
    if (FGC)
        XFreeGC(Dpy(FDC), static_cast<GC>(FGC));
}

TColor TX11Canvas::Pixels(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height())
        throw ERangeError("TX11Canvas.Pixels: (" + std::to_string(X) + ", " + std::to_string(Y) +
                          ") lies outside the window; read inside its client area");
    XImage* image = XGetImage(Dpy(FDC), FDC.NativeWindow(), X, Y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return clBlack;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB(std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p));
}

void TX11Canvas::SetPixel(int X, int Y, TColor Color) {
    GC gc = static_cast<GC>(FGC);
    XSetFunction(Dpy(FDC), gc, GXcopy);
    XSetForeground(Dpy(FDC), gc, PixelOf(Color));
    XDrawPoint(Dpy(FDC), FDC.NativeWindow(), gc, X, Y);
    XFlush(Dpy(FDC));
}

void TX11Canvas::FillRect(const TRect& R, TColor Color) {
    if (R.IsEmpty())
        return;
    GC gc = static_cast<GC>(FGC);
    XSetFunction(Dpy(FDC), gc, GXcopy);
    XSetForeground(Dpy(FDC), gc, PixelOf(Color));
    XFillRectangle(Dpy(FDC), FDC.NativeWindow(), gc, R.Left, R.Top, unsigned(R.Width()),
                   unsigned(R.Height()));
    XFlush(Dpy(FDC));
}

void TX11Canvas::Draw(int X, int Y, const TBitmap& Source) {
    for (int y = 0; y < Source.Height(); ++y)
        for (int x = 0; x < Source.Width(); ++x)
            SetPixel(X + x, Y + y, Source.Pixels(x, y));
}

void TX11Canvas::DrawFocusRect(const TRect& R) {
    if (R.IsEmpty())
        return;
    GC gc = static_cast<GC>(FGC);
    Display* d = Dpy(FDC);
    // Every other pixel of the outline, inverted: the same call again restores it.
    XSetFunction(d, gc, GXinvert);
    XSetPlaneMask(d, gc, AllPlanes);
    const Window w = FDC.NativeWindow();
    auto pointAt = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            XDrawPoint(d, w, gc, x, y);
    };
    const int right = R.Right - 1;
    const int bottom = R.Bottom - 1;
    for (int x = R.Left; x <= right; ++x) {
        pointAt(x, R.Top);
        if (bottom != R.Top)
            pointAt(x, bottom);
    }
    for (int y = R.Top + 1; y < bottom; ++y) {
        pointAt(R.Left, y);
        if (right != R.Left)
            pointAt(right, y);
    }
    XSetFunction(d, gc, GXcopy);
    XFlush(d);
}

}  // namespace nyx
