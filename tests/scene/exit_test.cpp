// Programs that end with OpenGL contexts still alive. AddressSanitizer fails the run if
// releasing them touches freed memory; the exit status fails it if one was not released.
//
//   exit_test panel    an off-screen panel never freed, and one inside an object with
//                      static storage that is destroyed only after the exit release
//   exit_test display  a current GLX context whose display closes under it, and one on
//                      another display still open at exit

#include "gl/opengl.h"
#include "gl/wgl.h"
#include "gl/x11canvas.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace nyx;

namespace {

[[noreturn]] void Fail(const char* What) {
    std::fprintf(stderr, "exit_test: %s\n", What);
    std::_Exit(1);
}

TNyxPanel* PaintedPanel(TComponent* Owner) {
    auto* scene = new TNyxScene(Owner);
    scene->SetBackgroundColor(clRed);
    auto* camera = new TNyxCamera(Owner);
    camera->SetParentComponent(scene);
    auto* panel = new TNyxPanel(Owner);
    panel->SetCamera(camera);
    panel->SetBounds(0, 0, 16, 12);
    panel->HandleNeeded();
    panel->Repaint();
    if (panel->FrameCount() != 1 || !panel->RenderContext())
        Fail("the panel did not render a frame");
    return panel;
}

// Made before main, so destroyed after everything main made, the exit release included:
// by then the panel's context must be gone, and destroying the panel must not mind.
struct TLatePanel {
    TComponent Owner{nullptr};
    TNyxPanel* Panel = nullptr;
    ~TLatePanel() {
        if (Panel && wglDeleteContext(Panel->RenderContext()))
            Fail("a context was still alive after the program's end");
    }
} Late;

// Reachable to the end, so the leak checker takes it as in use, as an application's
// main window is.
TComponent* NeverFreed = nullptr;

// A mapped window of the chosen visual, with its device context ready for GL.
struct TGLWindow {
    std::unique_ptr<TX11DeviceContext> DC;
    HGLRC Context = nullptr;

    explicit TGLWindow(Display* X) {
        PIXELFORMATDESCRIPTOR request = TNyxPanel::WindowPixelFormatRequest();
        const int screen = DefaultScreen(X);
        XVisualInfo pattern{};
        pattern.visualid = ChooseGLXVisual(X, screen, request);
        int count = 0;
        XVisualInfo* info = XGetVisualInfo(X, VisualIDMask, &pattern, &count);
        if (!info)
            Fail("no GLX visual");
        const Window root = RootWindow(X, screen);
        XSetWindowAttributes attributes{};
        attributes.colormap = XCreateColormap(X, root, info->visual, AllocNone);
        const Window window = XCreateWindow(X, root, 0, 0, 8, 8, 0, info->depth, InputOutput,
                                            info->visual, CWColormap, &attributes);
        XFree(info);
        XMapWindow(X, window);
        XSync(X, False);
        DC = std::make_unique<TX11DeviceContext>(X, window, 8, 8);
        const int format = ChoosePixelFormat(DC.get(), &request);
        if (!SetPixelFormat(DC.get(), format, &request))
            Fail("the window takes no pixel format");
        Context = wglCreateContext(DC.get());
        if (!Context || !wglMakeCurrent(DC.get(), Context))
            Fail("no GLX context on the window");
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(DC.get());
    }
};

int PanelNeverFreed() {
    NeverFreed = new TComponent(nullptr);
    PaintedPanel(NeverFreed);
    // Painted last, so its context is still current when the program ends.
    Late.Panel = PaintedPanel(&Late.Owner);
    return 0;
}

int DisplayClosedUnderAContext() {
    // Opened first and never closed: it keeps Mesa's driver loaded, as a host that
    // outlives its windows does.
    Display* open = XOpenDisplay(nullptr);
    Display* closing = XOpenDisplay(nullptr);
    if (!open || !closing)
        Fail("no X server: run under xvfb-run");
    static TGLWindow stays(open);
    TGLWindow goes(closing);
    XCloseDisplay(closing);
    if (wglDeleteContext(goes.Context))
        Fail("the context outlived its display");
    if (!wglMakeCurrent(stays.DC.get(), stays.Context))
        Fail("the context on the other display went too");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "panel") == 0)
        return PanelNeverFreed();
    if (argc == 2 && std::strcmp(argv[1], "display") == 0)
        return DisplayClosedUnderAContext();
    std::fprintf(stderr, "usage: exit_test panel|display\n");
    return 2;
}
