#pragma once
// An OpenGL context on a memory surface for tests of any module: made current on
// construction, released and deleted at the end of the scope.
//
//   nyx::test::TOffscreenGL gl(64, 48);        // plain: depth 24, stencil 8
//   nyx::test::TOffscreenGL acc(64, 48, true); // with a 16-bit accumulation buffer
//   ... draw ...; gl.Finish(); gl.Surface().At(x, y) == 0xAARRGGBB (row 0 at the top)

#include <stdexcept>

#include "gl/opengl.h"
#include "gl/wgl.h"
#include "testing/testsurface.h"

namespace nyx::test {

class TOffscreenGL {
public:
    TOffscreenGL(int width, int height, bool accumulation = false) : FSurface(width, height) {
        PIXELFORMATDESCRIPTOR request{};
        request.nSize = sizeof request;
        request.nVersion = 1;
        request.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
        request.iPixelType = PFD_TYPE_RGBA;
        request.cColorBits = 24;
        request.cDepthBits = 24;
        request.cStencilBits = 8;
        request.cAccumBits = accumulation ? 64 : 0;
        const int format = ChoosePixelFormat(&FSurface, &request);
        if (!SetPixelFormat(&FSurface, format, &request))
            throw std::runtime_error("TOffscreenGL: no pixel format for a memory surface");
        FContext = wglCreateContext(&FSurface);
        if (!FContext || !wglMakeCurrent(&FSurface, FContext))
            throw std::runtime_error("TOffscreenGL: cannot create an OSMesa context");
        glViewport(0, 0, width, height);
    }
    ~TOffscreenGL() {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(FContext);
    }
    TOffscreenGL(const TOffscreenGL&) = delete;
    TOffscreenGL& operator=(const TOffscreenGL&) = delete;

    TTestSurface& Surface() { return FSurface; }
    HGLRC Context() const { return FContext; }
    // Completes the drawing into the surface's pixels.
    void Finish() { SwapBuffers(&FSurface); }

private:
    TTestSurface FSurface;
    HGLRC FContext = nullptr;
};

// Clears to one colour and fills the lower half of the viewport with another
// (identity matrices).
inline void DrawHalves(float r, float g, float b, float qr, float qg, float qb) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(qr, qg, qb);
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(-1, 0, 0);
    glEnd();
}

}  // namespace nyx::test
