// Window-system GL on memory surfaces (OSMesa) and on devices that take no OpenGL format:
// format choice and description, context handles and currency, pixels drawn, display
// lists shared between contexts, the accumulation buffer.
#include "gl/wgl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rtl/graphics.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"
#include "testing/testsurface.h"

using namespace nyx;
using nyx::test::TTestSurface;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kBlack = 0xFF000000;

PIXELFORMATDESCRIPTOR Request(std::uint32_t flags, int depth, int stencil, int accumChannel) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = flags;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = static_cast<std::uint8_t>(depth);
    pfd.cStencilBits = static_cast<std::uint8_t>(stencil);
    pfd.cAccumRedBits = pfd.cAccumGreenBits = pfd.cAccumBlueBits =
        static_cast<std::uint8_t>(accumChannel);
    pfd.cAccumBits = static_cast<std::uint8_t>(3 * accumChannel);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// The panel's window request and the canvas request of off-screen rendering.
const PIXELFORMATDESCRIPTOR WindowRequest = Request(0x25, 32, 8, 0);
const PIXELFORMATDESCRIPTOR CanvasRequest = Request(0x3C, 32, 8, 0);

// A context that is deleted at the end of the scope.
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

bool SomeContextIsCurrent() { return glGetString(GL_VERSION) != nullptr; }

void Prepare(TDeviceContext& surface, const PIXELFORMATDESCRIPTOR& request = CanvasRequest) {
    ASSERT_TRUE(SetPixelFormat(&surface, ChoosePixelFormat(&surface, &request), &request));
}

using test::DrawHalves;

struct TChoiceCase {
    const char* What;
    PIXELFORMATDESCRIPTOR Request;
    int AccumChannelBits;  // of the format obtained; -1: no format at all
};

PIXELFORMATDESCRIPTOR ColourIndex() {
    PIXELFORMATDESCRIPTOR pfd = WindowRequest;
    pfd.iPixelType = PFD_TYPE_COLORINDEX;
    return pfd;
}

PIXELFORMATDESCRIPTOR AccumTotalOnly() {
    PIXELFORMATDESCRIPTOR pfd = WindowRequest;
    pfd.cAccumBits = 64;
    return pfd;
}

TEST(MemoryFormats, ChoiceFollowsTheRequest) {
    const TChoiceCase cases[] = {
        {"window request", WindowRequest, 0},
        {"canvas request", CanvasRequest, 0},
        {"accumulation per channel", Request(0x25, 24, 8, 16), 16},
        {"accumulation as a total only", AccumTotalOnly(), 16},
        {"small accumulation still gets one", Request(0x3C, 16, 0, 8), 16},
        {"colour index", ColourIndex(), -1},
    };
    TTestSurface surface(4, 4);
    for (const TChoiceCase& c : cases) {
        SCOPED_TRACE(c.What);
        const int format = ChoosePixelFormat(&surface, &c.Request);
        if (c.AccumChannelBits < 0) {
            EXPECT_EQ(format, 0);
            continue;
        }
        ASSERT_GT(format, 0);
        PIXELFORMATDESCRIPTOR got{};
        ASSERT_GT(DescribePixelFormat(&surface, format, sizeof got, &got), 0);
        EXPECT_EQ(got.cAccumRedBits, c.AccumChannelBits);
        EXPECT_EQ(got.cStencilBits, 8);
        EXPECT_EQ(got.cDepthBits, 24);  // the deepest Mesa's rasteriser has
    }
}

TEST(MemoryFormats, DescribeGenericSoftwareBitmapFormats) {
    TTestSurface surface(4, 4);
    const int count = DescribePixelFormat(&surface, 1, 0, nullptr);
    ASSERT_GE(count, 2);
    for (int format = 1; format <= count; ++format) {
        SCOPED_TRACE(format);
        PIXELFORMATDESCRIPTOR pfd{};
        ASSERT_EQ(DescribePixelFormat(&surface, format, sizeof pfd, &pfd), count);
        EXPECT_EQ(pfd.nSize, 40);
        EXPECT_EQ(pfd.nVersion, 1);
        EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
        EXPECT_TRUE(pfd.dwFlags & PFD_SUPPORT_OPENGL);
        EXPECT_TRUE(pfd.dwFlags & PFD_DRAW_TO_BITMAP);
        EXPECT_FALSE(pfd.dwFlags & PFD_DOUBLEBUFFER);
        // Generic and not accelerated: what the panel reports as "Software".
        EXPECT_TRUE(pfd.dwFlags & PFD_GENERIC_FORMAT);
        EXPECT_FALSE(pfd.dwFlags & PFD_GENERIC_ACCELERATED);
        EXPECT_EQ(pfd.cRedShift, 16);
        EXPECT_EQ(pfd.cBlueShift, 0);
    }
}

TEST(MemoryFormats, DescribeChecksItsArguments) {
    TTestSurface surface(4, 4);
    const int count = DescribePixelFormat(&surface, 0, 0, nullptr);
    ASSERT_GT(count, 0);
    PIXELFORMATDESCRIPTOR pfd{};
    EXPECT_EQ(DescribePixelFormat(&surface, 0, sizeof pfd, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(&surface, count + 1, sizeof pfd, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(nullptr, 1, sizeof pfd, &pfd), 0);
    // Only the bytes asked for are written.
    std::memset(&pfd, 0xAB, sizeof pfd);
    ASSERT_EQ(DescribePixelFormat(&surface, 1, 4, &pfd), count);
    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);
    EXPECT_EQ(pfd.dwFlags, 0xABABABABu);
}

TEST(PixelFormat, IsSetOnce) {
    TTestSurface surface(4, 4);
    const int count = DescribePixelFormat(&surface, 1, 0, nullptr);
    EXPECT_FALSE(SetPixelFormat(&surface, 0, &CanvasRequest));
    EXPECT_FALSE(SetPixelFormat(&surface, count + 1, &CanvasRequest));
    EXPECT_EQ(surface.PixelFormat(), 0);
    ASSERT_TRUE(SetPixelFormat(&surface, 1, &CanvasRequest));
    // Rendering twice into one bitmap sets the same format twice.
    EXPECT_TRUE(SetPixelFormat(&surface, 1, &CanvasRequest));
    EXPECT_FALSE(SetPixelFormat(&surface, 2, &CanvasRequest));
    EXPECT_EQ(surface.PixelFormat(), 1);
}

TEST(PixelFormat, DeviceWithoutOpenGLRefusesEverything) {
    TTestSurface page(16, 16, TDeviceKind::dkOther);
    const int format = ChoosePixelFormat(&page, &CanvasRequest);
    EXPECT_EQ(format, 0);
    EXPECT_FALSE(SetPixelFormat(&page, format, &CanvasRequest));
    EXPECT_FALSE(SetPixelFormat(&page, 1, &CanvasRequest));
    EXPECT_EQ(DescribePixelFormat(&page, 1, 0, nullptr), 0);
    EXPECT_EQ(wglCreateContext(&page), nullptr);
    EXPECT_FALSE(SwapBuffers(&page));
    EXPECT_EQ(ChoosePixelFormat(nullptr, &CanvasRequest), 0);
    TTestSurface surface(4, 4);
    EXPECT_EQ(ChoosePixelFormat(&surface, nullptr), 0);
}

TEST(MemoryContext, RendersIntoTheSurfaceTopDown) {
    TTestSurface surface(8, 6);
    Prepare(surface);
    TContext context(wglCreateContext(&surface));
    ASSERT_NE(context.Rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(&surface, context.Rc));
    DrawHalves(1, 0, 0, 0, 0, 1);
    ASSERT_TRUE(SwapBuffers(&surface));
    // Row 0 is the top: the clear colour; the quad fills the lower half.
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(surface.At(x, 0), kRed) << x;
        EXPECT_EQ(surface.At(x, 2), kRed) << x;
        EXPECT_EQ(surface.At(x, 3), kBlue) << x;
        EXPECT_EQ(surface.At(x, 5), kBlue) << x;
    }
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
}

TEST(MemoryContext, GluCallsReachTheCurrentContext) {
    // GLU draws through GL itself; those calls must land in the OSMesa context too.
    test::TOffscreenGL gl(16, 16);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90, 1, 1, 3);
    GLdouble m[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_DOUBLE_EQ(m[0], 1.0);    // cot(45 degrees) / aspect
    EXPECT_DOUBLE_EQ(m[10], -2.0);  // -(far + near) / (far - near)
    EXPECT_DOUBLE_EQ(m[11], -1.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 2, 0, 0, 0, 0, 1, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0, 1, 0);
    GLUquadric* quadric = gluNewQuadric();
    gluSphere(quadric, 0.5, 16, 8);
    gluDeleteQuadric(quadric);
    gl.Finish();
    EXPECT_EQ(gl.Surface().At(8, 8), kGreen);
    EXPECT_EQ(gl.Surface().At(0, 0), kBlack);
}

enum class TShare { AtCreation, ShareListsBeforeUse, None };

struct TShareCase {
    const char* What;
    TShare How;
    bool ListDraws;
};

TEST(MemoryContext, SharesDisplayListsWhenAsked) {
    const TShareCase cases[] = {
        {"shared at creation", TShare::AtCreation, true},
        {"shared before first use", TShare::ShareListsBeforeUse, true},
        {"not shared", TShare::None, false},
    };
    for (const TShareCase& c : cases) {
        SCOPED_TRACE(c.What);
        TTestSurface first(8, 8), second(8, 8);
        Prepare(first);
        Prepare(second);
        TContext a(wglCreateContext(&first));
        TContext b(wglCreateContext(&second, c.How == TShare::AtCreation ? a.Rc : nullptr));
        ASSERT_NE(b.Rc, nullptr);
        if (c.How == TShare::ShareListsBeforeUse) {
            ASSERT_TRUE(wglShareLists(a.Rc, b.Rc));
        }

        ASSERT_TRUE(wglMakeCurrent(&first, a.Rc));
        const GLuint list = glGenLists(1);
        ASSERT_NE(list, 0u);
        glNewList(list, GL_COMPILE);
        DrawHalves(0, 0, 0, 0, 1, 0);
        glEndList();

        ASSERT_TRUE(wglMakeCurrent(&second, b.Rc));
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glCallList(list);
        SwapBuffers(&second);
        EXPECT_EQ(second.At(4, 7), c.ListDraws ? kGreen : kRed);
        EXPECT_EQ(first.At(4, 7), 0u) << "nothing was drawn into the first surface";
        wglMakeCurrent(nullptr, nullptr);
    }
}

TEST(MemoryContext, ShareListsRefusesWhatCannotBeShared) {
    TTestSurface first(4, 4), second(4, 4);
    Prepare(first);
    Prepare(second);
    TContext a(wglCreateContext(&first));
    TContext b(wglCreateContext(&second));
    EXPECT_FALSE(wglShareLists(a.Rc, a.Rc));
    EXPECT_FALSE(wglShareLists(a.Rc, nullptr));
    EXPECT_FALSE(wglShareLists(nullptr, b.Rc));
    ASSERT_TRUE(wglMakeCurrent(&second, b.Rc));
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    // b may already own lists now.
    EXPECT_FALSE(wglShareLists(a.Rc, b.Rc));
    // Sharing with a context that no longer exists fails.
    HGLRC gone = wglCreateContext(&first);
    ASSERT_TRUE(wglDeleteContext(gone));
    EXPECT_EQ(wglCreateContext(&first, gone), nullptr);
}

TEST(MemoryContext, AccumulationBuffer) {
    test::TOffscreenGL gl(4, 4, true);
    GLint bits = 0;
    glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
    EXPECT_EQ(bits, 16);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_LOAD, 0.25f);
    glAccum(GL_ACCUM, 0.25f);
    glAccum(GL_RETURN, 1.0f);
    gl.Finish();
    // Half intensity in each channel, within one step of rounding.
    const std::uint32_t red = (gl.Surface().At(1, 1) >> 16) & 0xFF;
    EXPECT_NEAR(static_cast<int>(red), 128, 1);
}

TEST(MemoryContext, FollowsTheSurfaceAcrossAResize) {
    TTestSurface surface(4, 4);
    Prepare(surface);
    TContext context(wglCreateContext(&surface));
    ASSERT_TRUE(wglMakeCurrent(&surface, context.Rc));
    DrawHalves(1, 0, 0, 0, 0, 1);
    SwapBuffers(&surface);
    // The old block is freed; binding again must render into the new one only.
    surface.Resize(10, 2);
    ASSERT_TRUE(wglMakeCurrent(&surface, context.Rc));
    glViewport(0, 0, 10, 2);
    DrawHalves(0, 1, 0, 0, 0, 1);
    SwapBuffers(&surface);
    EXPECT_EQ(surface.At(9, 0), kGreen);
    EXPECT_EQ(surface.At(9, 1), kBlue);
    wglMakeCurrent(nullptr, nullptr);
}

TEST(MemoryContext, HandlesAndCurrency) {
    TTestSurface surface(4, 4), plain(4, 4), empty(0, 0);
    Prepare(surface);
    Prepare(empty);
    // No context without a pixel format.
    EXPECT_EQ(wglCreateContext(&plain), nullptr);
    HGLRC rc = wglCreateContext(&surface);
    ASSERT_NE(rc, nullptr);

    ASSERT_TRUE(wglMakeCurrent(&surface, rc));
    EXPECT_TRUE(SomeContextIsCurrent());
    // A failed make-current leaves no context current.
    EXPECT_FALSE(wglMakeCurrent(&plain, rc));
    EXPECT_FALSE(SomeContextIsCurrent());
    EXPECT_FALSE(wglMakeCurrent(&empty, rc));
    EXPECT_FALSE(wglMakeCurrent(nullptr, rc));

    ASSERT_TRUE(wglMakeCurrent(&surface, rc));
    ASSERT_TRUE(SomeContextIsCurrent());
    // Deleting the current context releases it first.
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_FALSE(SomeContextIsCurrent());
    // A second delete of the same handle fails without touching anything.
    EXPECT_FALSE(wglDeleteContext(rc));
    EXPECT_FALSE(wglMakeCurrent(&surface, rc));
    EXPECT_FALSE(wglDeleteContext(nullptr));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
}

TEST(MemoryContext, TwoContextsTakeTurns) {
    TTestSurface left(4, 4), right(4, 4);
    Prepare(left);
    Prepare(right);
    TContext a(wglCreateContext(&left));
    TContext b(wglCreateContext(&right));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(wglMakeCurrent(&left, a.Rc));
        DrawHalves(1, 0, 0, 1, 0, 0);
        SwapBuffers(&left);
        ASSERT_TRUE(wglMakeCurrent(&right, b.Rc));
        DrawHalves(0, 0, 1, 0, 0, 1);
        SwapBuffers(&right);
    }
    EXPECT_EQ(left.At(0, 3), kRed);
    EXPECT_EQ(right.At(0, 3), kBlue);
    wglMakeCurrent(nullptr, nullptr);
}

TEST(WindowSystem, CallsAreRecorded) {
    TTestSurface surface(4, 4);
    Prepare(surface);
    TContext context(wglCreateContext(&surface));
    TGLRecorder recorder;
    wglMakeCurrent(&surface, context.Rc);
    SwapBuffers(&surface);
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(recorder.Calls(),
              (std::vector<std::string>{"wglMakeCurrent(<dc>, <rc>)", "SwapBuffers(<dc>)",
                                        "wglMakeCurrent(null, null)"}));
}

}  // namespace

namespace {

TEST(BitmapCanvas, TakesAnOpenGLFormatAndReceivesThePixels) {
    TBitmap bitmap(6, 4);
    HDC dc = bitmap.Canvas().Handle();
    ASSERT_EQ(dc->Kind(), TDeviceKind::dkMemory);
    Prepare(*dc);
    TContext context(wglCreateContext(dc));
    ASSERT_TRUE(wglMakeCurrent(dc, context.Rc));
    DrawHalves(1, 0, 0, 0, 0, 1);
    SwapBuffers(dc);
    wglMakeCurrent(nullptr, nullptr);
    // Colours read back as 0x00BBGGRR.
    EXPECT_EQ(bitmap.Pixels(0, 0), 0x0000FFu);
    EXPECT_EQ(bitmap.Pixels(5, 3), 0xFF0000u);
}

TEST(BitmapCanvas, PrinterLikeCanvasRefusesTheFormat) {
    TBitmap bitmap(6, 4);
    TBitmapCanvas page(bitmap, TDeviceKind::dkOther);
    HDC dc = page.Handle();
    EXPECT_FALSE(SetPixelFormat(dc, ChoosePixelFormat(dc, &CanvasRequest), &CanvasRequest));
    EXPECT_EQ(wglCreateContext(dc), nullptr);
}

}  // namespace

namespace {

TEST(MemoryContext, HandlesAreNeverReused) {
    // A panel keeps the handle of a deleted context to compare with later ones.
    TTestSurface surface(2, 2);
    Prepare(surface);
    std::vector<HGLRC> seen;
    for (int i = 0; i < 20; ++i) {
        HGLRC rc = wglCreateContext(&surface);
        ASSERT_NE(rc, nullptr);
        for (HGLRC old : seen)
            ASSERT_NE(rc, old);
        seen.push_back(rc);
        ASSERT_TRUE(wglDeleteContext(rc));
    }
}

}  // namespace
