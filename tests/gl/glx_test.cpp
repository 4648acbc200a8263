// Window-system GL on X11 windows (GLX), alone and next to OSMesa in one process. Runs
// under a virtual X server; the windows are made with Xlib directly, as a host would.
#include "gl/wgl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "testing/offscreen.h"
#include "testing/testsurface.h"
#include "xdisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace nyx;
using nyx::test::TTestSurface;

namespace {

constexpr unsigned long kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

PIXELFORMATDESCRIPTOR WindowRequest(int accumChannel) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    pfd.cStencilBits = 8;
    pfd.cAccumRedBits = pfd.cAccumGreenBits = pfd.cAccumBlueBits =
        static_cast<std::uint8_t>(accumChannel);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// A mapped top-level window with a chosen visual, and its device context.
class TXWindow : public TDeviceContext {
public:
    TXWindow(Display* display, unsigned long visualId, int width, int height)
        : FDisplay(display), FWidth(width), FHeight(height) {
        XVisualInfo pattern{};
        pattern.visualid = visualId;
        int count = 0;
        XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &pattern, &count);
        if (!info)
            return;
        const Window root = RootWindow(display, info->screen);
        FColormap = XCreateColormap(display, root, info->visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = FColormap;
        attributes.border_pixel = 0;
        attributes.event_mask = StructureNotifyMask;
        FWindow =
            XCreateWindow(display, root, 0, 0, width, height, 0, info->depth, InputOutput,
                          info->visual, CWColormap | CWBorderPixel | CWEventMask, &attributes);
        XFree(info);
        XMapWindow(display, FWindow);
        XEvent event;
        do
            XWindowEvent(display, FWindow, StructureNotifyMask, &event);
        while (event.type != MapNotify);
    }
    ~TXWindow() override {
        if (FWindow)
            XDestroyWindow(FDisplay, FWindow);
        if (FColormap)
            XFreeColormap(FDisplay, FColormap);
    }

    TDeviceKind Kind() const override { return TDeviceKind::dkWindow; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void* NativeDisplay() const override { return FDisplay; }
    unsigned long NativeWindow() const override { return FWindow; }

    // What is on the screen at (x, y), as 0xRRGGBB.
    unsigned long At(int x, int y) const {
        XImage* image = XGetImage(FDisplay, FWindow, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0xDEADBEEF;
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

private:
    Display* FDisplay;
    int FWidth, FHeight;
    Colormap FColormap = 0;
    Window FWindow = 0;
};

// A window whose id names nothing on the server.
class TBogusWindow : public TDeviceContext {
public:
    explicit TBogusWindow(Display* display) : FDisplay(display) {}
    TDeviceKind Kind() const override { return TDeviceKind::dkWindow; }
    int Width() const override { return 8; }
    int Height() const override { return 8; }
    void* NativeDisplay() const override { return FDisplay; }
    unsigned long NativeWindow() const override { return 0x7FFFFFF0; }

private:
    Display* FDisplay;
};

struct TContext {
    HGLRC Rc;
    explicit TContext(HGLRC rc) : Rc(rc) {}
    ~TContext() {
        if (Rc)
            wglDeleteContext(Rc);
    }
    TContext(const TContext&) = delete;
    TContext& operator=(const TContext&) = delete;
};

using test::DrawHalves;

class Glx : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(FDisplay, nullptr) << "no X server: run this test under xvfb-run";
        FRequest = WindowRequest(16);
        FVisual = ChooseGLXVisual(FDisplay, DefaultScreen(FDisplay), FRequest);
        ASSERT_NE(FVisual, 0u);
    }
    void TearDown() override { wglMakeCurrent(nullptr, nullptr); }

    std::unique_ptr<TXWindow> Window(int width = 16, int height = 16) {
        auto window = std::make_unique<TXWindow>(FDisplay, FVisual, width, height);
        EXPECT_NE(window->NativeWindow(), 0u);
        const int format = ChoosePixelFormat(window.get(), &FRequest);
        EXPECT_GT(format, 0);
        EXPECT_TRUE(SetPixelFormat(window.get(), format, &FRequest));
        return window;
    }

    Display* const FDisplay = test::TestDisplay();
    PIXELFORMATDESCRIPTOR FRequest{};
    unsigned long FVisual = 0;
};

TEST_F(Glx, VisualHasTheBuffersAskedFor) {
    auto window = Window();
    PIXELFORMATDESCRIPTOR got{};
    ASSERT_GT(DescribePixelFormat(window.get(), window->PixelFormat(), sizeof got, &got), 0);
    EXPECT_TRUE(got.dwFlags & PFD_DRAW_TO_WINDOW);
    EXPECT_TRUE(got.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_GE(got.cStencilBits, 8);
    EXPECT_GE(got.cAccumRedBits, 16);
    EXPECT_GE(got.cDepthBits, 24);
    EXPECT_EQ(got.iPixelType, PFD_TYPE_RGBA);

    // Without accumulation in the request, a visual without it is preferred.
    const PIXELFORMATDESCRIPTOR plain = WindowRequest(0);
    const unsigned long plainVisual = ChooseGLXVisual(FDisplay, DefaultScreen(FDisplay), plain);
    ASSERT_NE(plainVisual, 0u);
    TXWindow other(FDisplay, plainVisual, 8, 8);
    const int format = ChoosePixelFormat(&other, &plain);
    ASSERT_GT(format, 0);
    ASSERT_GT(DescribePixelFormat(&other, format, sizeof got, &got), 0);
    EXPECT_EQ(got.cAccumRedBits, 0);
    EXPECT_GE(got.cStencilBits, 8);
}

TEST_F(Glx, GenericFlagFollowsTheRenderer) {
    auto window = Window();
    TContext context(wglCreateContext(window.get()));
    ASSERT_NE(context.Rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(window.get(), context.Rc));
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const bool software = renderer.find("llvmpipe") != std::string::npos ||
                          renderer.find("softpipe") != std::string::npos ||
                          renderer.find("swrast") != std::string::npos;
    PIXELFORMATDESCRIPTOR got{};
    DescribePixelFormat(window.get(), window->PixelFormat(), sizeof got, &got);
    EXPECT_EQ(static_cast<bool>(got.dwFlags & PFD_GENERIC_FORMAT), software) << renderer;
    EXPECT_FALSE(got.dwFlags & PFD_GENERIC_ACCELERATED);
}

TEST_F(Glx, WindowKeepsTheFormatOfItsVisual) {
    auto window = Window();
    const int own = window->PixelFormat();
    const int count = DescribePixelFormat(window.get(), own, 0, nullptr);
    ASSERT_GT(count, 1);
    TXWindow fresh(FDisplay, FVisual, 8, 8);
    const int other = own == 1 ? 2 : 1;
    EXPECT_FALSE(SetPixelFormat(&fresh, other, &FRequest));
    EXPECT_TRUE(SetPixelFormat(&fresh, own, &FRequest));
}

TEST_F(Glx, DrawsAndSwapsToTheScreen) {
    auto window = Window(16, 16);
    TContext context(wglCreateContext(window.get()));
    ASSERT_TRUE(wglMakeCurrent(window.get(), context.Rc));
    glViewport(0, 0, 16, 16);
    DrawHalves(1, 0, 0, 0, 0, 1);
    ASSERT_TRUE(SwapBuffers(window.get()));
    glFlush();
    XSync(FDisplay, False);
    EXPECT_EQ(window->At(8, 2), kRed);
    EXPECT_EQ(window->At(8, 13), kBlue);
}

// The font calls build the same glyphs on a window's context as on a memory surface's:
// a bitmap 'H' on the left, a filled outline 'H' twenty pixels to the em on the right.
TEST_F(Glx, FontListsDrawOnAWindow) {
    auto window = Window(64, 32);
    TContext context(wglCreateContext(window.get()));
    ASSERT_TRUE(wglMakeCurrent(window.get(), context.Rc));
    SelectObject(window.get(), TLogFont{"Arial", -20, false, false});
    const GLuint base = glGenLists(2);
    ASSERT_TRUE(wglUseFontBitmapsA(window.get(), 'H', 1, base));
    ASSERT_TRUE(wglUseFontOutlinesA(window.get(), 'H', 1, base + 1, 0.02f, 0.1f, WGL_FONT_POLYGONS,
                                    nullptr));
    glViewport(0, 0, 64, 32);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 0, 32, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glRasterPos3d(4, 8, 0);
    glCallList(base);
    glTranslatef(36, 8, 0);
    glScalef(20, 20, 20);
    glCallList(base + 1);
    ASSERT_TRUE(SwapBuffers(window.get()));
    glFlush();
    XSync(FDisplay, False);
    // Both glyphs stand on the baseline (row 23 from the top) and reach 14 rows above it.
    const auto white = [&](int x0, int x1) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = x0; x < x1; ++x)
                n += window->At(x, y) == 0xFFFFFF && y <= 23 && y >= 9;
        return n;
    };
    const auto anywhere = [&](int x0, int x1) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = x0; x < x1; ++x)
                n += window->At(x, y) != 0;
        return n;
    };
    EXPECT_GT(white(4, 20), 60);
    EXPECT_GT(white(36, 52), 60);
    EXPECT_EQ(anywhere(4, 20), white(4, 20));
    EXPECT_EQ(anywhere(36, 52), white(36, 52));
}

TEST_F(Glx, AccumulationBufferAddsWeightedFrames) {
    auto window = Window(8, 8);
    TContext context(wglCreateContext(window.get()));
    ASSERT_TRUE(wglMakeCurrent(window.get(), context.Rc));
    GLint bits = 0;
    glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
    EXPECT_GE(bits, 16);
    glViewport(0, 0, 8, 8);
    auto returned = [&](auto accumulate) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        accumulate();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glAccum(GL_RETURN, 1.0f);
        SwapBuffers(window.get());
        XSync(FDisplay, False);
        return static_cast<int>((window->At(4, 4) >> 16) & 0xFF);
    };
    const int loaded = returned([] { glAccum(GL_LOAD, 0.5f); });
    const int summed = returned([] {
        glAccum(GL_LOAD, 0.25f);
        glAccum(GL_ACCUM, 0.25f);
    });
    // Mesa's window buffers store sRGB-encoded colour here, so half the weight does not
    // come back as 128; what matters is that the weighted sum equals the single load.
    EXPECT_GT(loaded, 100);
    EXPECT_LT(loaded, 230);
    EXPECT_NEAR(summed, loaded, 1);
}

TEST_F(Glx, SharesDisplayListsBetweenTwoWindows) {
    for (const bool atCreation : {true, false}) {
        SCOPED_TRACE(atCreation ? "shared at creation" : "shared before first use");
        auto first = Window(8, 8);
        auto second = Window(8, 8);
        TContext a(wglCreateContext(first.get()));
        TContext b(wglCreateContext(second.get(), atCreation ? a.Rc : nullptr));
        ASSERT_NE(b.Rc, nullptr);
        if (!atCreation) {
            ASSERT_TRUE(wglShareLists(a.Rc, b.Rc));
        }
        ASSERT_TRUE(wglMakeCurrent(first.get(), a.Rc));
        const GLuint list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        DrawHalves(0, 0, 0, 0, 1, 0);
        glEndList();
        ASSERT_TRUE(wglMakeCurrent(second.get(), b.Rc));
        glViewport(0, 0, 8, 8);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glCallList(list);
        SwapBuffers(second.get());
        XSync(FDisplay, False);
        EXPECT_EQ(second->At(4, 6), kGreen);
        wglMakeCurrent(nullptr, nullptr);
    }
}

TEST_F(Glx, TakesTurnsWithOSMesaInOneProcess) {
    auto window = Window(8, 8);
    TTestSurface bitmap(8, 8);
    PIXELFORMATDESCRIPTOR canvas = FRequest;
    canvas.dwFlags = PFD_DRAW_TO_WINDOW | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL;
    ASSERT_TRUE(SetPixelFormat(&bitmap, ChoosePixelFormat(&bitmap, &canvas), &canvas));
    TContext onScreen(wglCreateContext(window.get()));
    TContext offScreen(wglCreateContext(&bitmap));
    ASSERT_NE(onScreen.Rc, nullptr);
    ASSERT_NE(offScreen.Rc, nullptr);
    // A GLX context cannot share lists with an OSMesa one.
    EXPECT_FALSE(wglShareLists(onScreen.Rc, offScreen.Rc));
    EXPECT_EQ(wglCreateContext(&bitmap, onScreen.Rc), nullptr);

    const float colours[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const unsigned long seen[] = {kRed, kGreen, kBlue};
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const float* c = colours[round];
        const float* d = colours[(round + 1) % 3];
        ASSERT_TRUE(wglMakeCurrent(window.get(), onScreen.Rc));
        glViewport(0, 0, 8, 8);
        DrawHalves(c[0], c[1], c[2], c[0], c[1], c[2]);
        SwapBuffers(window.get());
        ASSERT_TRUE(wglMakeCurrent(&bitmap, offScreen.Rc));
        DrawHalves(d[0], d[1], d[2], d[0], d[1], d[2]);
        SwapBuffers(&bitmap);
        XSync(FDisplay, False);
        EXPECT_EQ(window->At(4, 4), seen[round]);
        EXPECT_EQ(bitmap.At(4, 4) & 0xFFFFFF, seen[(round + 1) % 3]);
    }
}

TEST_F(Glx, WindowThatDoesNotExistFailsQuietly) {
    TBogusWindow bogus(FDisplay);
    EXPECT_EQ(ChoosePixelFormat(&bogus, &FRequest), 0);
    EXPECT_FALSE(SetPixelFormat(&bogus, 1, &FRequest));
    EXPECT_EQ(DescribePixelFormat(&bogus, 1, 0, nullptr), 0);
    EXPECT_EQ(wglCreateContext(&bogus), nullptr);
    // The process is still alive and the display still usable.
    EXPECT_NE(Window(4, 4)->NativeWindow(), 0u);
}

}  // namespace
