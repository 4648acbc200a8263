// The window backend: GLX contexts on X11 windows, formats from the screen's visuals.

#include "gl/detail/wglimpl.h"

#include <algorithm>
#include <bit>
#include <cstring>

// After our own headers: Xlib defines macros such as None, Bool and Status.
#include <GL/glx.h>
#include <GL/glxext.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>

namespace nyx::detail {
namespace {

// Xlib's default error handler ends the process; a window or visual the caller got wrong
// must make the call fail instead. The handler takes no user data, hence the flag.
bool XErrorSeen = false;

int RecordXError(Display*, XErrorEvent*) {
    XErrorSeen = true;
    return 0;
}

class TXErrorTrap {
public:
    explicit TXErrorTrap(Display* display) : FDisplay(display) {
        XSync(FDisplay, False);
        XErrorSeen = false;
        FPrevious = XSetErrorHandler(&RecordXError);
    }
    ~TXErrorTrap() {
        XSync(FDisplay, False);
        XSetErrorHandler(FPrevious);
    }
    TXErrorTrap(const TXErrorTrap&) = delete;
    TXErrorTrap& operator=(const TXErrorTrap&) = delete;

    bool Failed() {
        XSync(FDisplay, False);
        return XErrorSeen;
    }

private:
    Display* FDisplay;
    XErrorHandler FPrevious;
};

Display* DisplayOf(HDC dc) { return static_cast<Display*>(dc->NativeDisplay()); }

// Generic (software) when the renderer says it is not accelerated; without a way to ask,
// the driver is taken to be an installable hardware one.
bool SoftwareRenderer(Display* display, int screen) {
    const char* extensions = glXQueryExtensionsString(display, screen);
    if (!extensions || !std::strstr(extensions, "GLX_MESA_query_renderer"))
        return false;
    auto query = reinterpret_cast<PFNGLXQUERYRENDERERINTEGERMESAPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXQueryRendererIntegerMESA")));
    unsigned int accelerated = 1;
    if (!query || !query(display, screen, 0, GLX_RENDERER_ACCELERATED_MESA, &accelerated))
        return false;
    return accelerated == 0;
}

std::uint8_t Bits(Display* display, XVisualInfo& info, int attribute) {
    int value = 0;
    if (glXGetConfig(display, &info, attribute, &value) != 0)
        return 0;
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

std::uint8_t Shift(unsigned long mask) {
    return mask ? static_cast<std::uint8_t>(std::countr_zero(mask)) : 0;
}

XVisualInfo* VisualInfo(Display* display, int screen, unsigned long visual) {
    XVisualInfo pattern{};
    pattern.visualid = visual;
    pattern.screen = screen;
    int count = 0;
    return XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &pattern, &count);
}

class TWindowContext final : public TGLContext {
public:
    TWindowContext(int format, Display* display, XVisualInfo info, GLXContext context)
        : TGLContext(TDeviceKind::dkWindow, format), FDisplay(display), FInfo(info),
          FContext(context) {}
    ~TWindowContext() override {
        Unbind();
        glXDestroyContext(FDisplay, FContext);
    }

    Display* NativeDisplay() const { return FDisplay; }
    GLXContext Native() const { return FContext; }

    static GLXContext Make(Display* display, XVisualInfo& info, GLXContext share) {
        TXErrorTrap trap(display);
        GLXContext context = glXCreateContext(display, &info, share, True);
        if (trap.Failed() && context) {
            glXDestroyContext(display, context);
            return nullptr;
        }
        return context;
    }

    void Unbind() override {
        if (glXGetCurrentContext() == FContext)
            glXMakeCurrent(FDisplay, None, nullptr);
    }

    bool ShareFrom(TGLContext& first) override {
        auto* other = dynamic_cast<TWindowContext*>(&first);
        if (!other || other->FDisplay != FDisplay)
            return false;
        GLXContext shared = Make(FDisplay, FInfo, other->FContext);
        if (!shared)
            return false;
        glXDestroyContext(FDisplay, FContext);
        FContext = shared;
        return true;
    }

protected:
    bool DoBind(HDC dc) override {
        if (DisplayOf(dc) != FDisplay || dc->NativeWindow() == 0)
            return false;
        TXErrorTrap trap(FDisplay);
        const bool made = glXMakeCurrent(FDisplay, dc->NativeWindow(), FContext);
        return made && !trap.Failed();
    }

private:
    Display* FDisplay;
    XVisualInfo FInfo;
    GLXContext FContext;
};

// The displays whose closing releases the contexts made on them. Never destroyed: a
// display may close while static destructors run.
std::vector<Display*>& WatchedDisplays() {
    static auto* const displays = new std::vector<Display*>;
    return *displays;
}

// A host closes its display when it ends (Qt does when its application object goes),
// while panels that were never freed still hold contexts on it. Xlib calls the close
// hooks of a display's extensions newest first, before it frees the display; this one is
// added after GLX's own, so GLX and the display still work here.
int ReleaseOnClose(Display* display, XExtCodes*) {
    ReleaseContexts([display](const TGLContext& context) {
        const auto* window = dynamic_cast<const TWindowContext*>(&context);
        return window && window->NativeDisplay() == display;
    });
    std::erase(WatchedDisplays(), display);
    return 0;
}

void WatchDisplay(Display* display) {
    std::vector<Display*>& watched = WatchedDisplays();
    if (std::find(watched.begin(), watched.end(), display) != watched.end())
        return;
    XExtCodes* codes = XAddExtension(display);
    if (!codes)
        return;
    XESetCloseDisplay(display, codes->extension, &ReleaseOnClose);
    watched.push_back(display);
}

}  // namespace

std::vector<TWindowFormat> WindowFormats(void* nativeDisplay, int screen) {
    std::vector<TWindowFormat> formats;
    auto* display = static_cast<Display*>(nativeDisplay);
    if (!display)
        return formats;
    XVisualInfo pattern{};
    pattern.screen = screen;
    int count = 0;
    XVisualInfo* infos = XGetVisualInfo(display, VisualScreenMask, &pattern, &count);
    if (!infos)
        return formats;
    const std::uint32_t generic = SoftwareRenderer(display, screen) ? PFD_GENERIC_FORMAT : 0;
    for (int i = 0; i < count; ++i) {
        XVisualInfo& info = infos[i];
        if (!Bits(display, info, GLX_USE_GL))
            continue;
        PIXELFORMATDESCRIPTOR f{};
        f.nSize = sizeof(PIXELFORMATDESCRIPTOR);
        f.nVersion = 1;
        f.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | generic;
        if (Bits(display, info, GLX_DOUBLEBUFFER))
            f.dwFlags |= PFD_DOUBLEBUFFER;
        if (Bits(display, info, GLX_STEREO))
            f.dwFlags |= PFD_STEREO;
        f.iPixelType = Bits(display, info, GLX_RGBA) ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
        f.cRedBits = Bits(display, info, GLX_RED_SIZE);
        f.cGreenBits = Bits(display, info, GLX_GREEN_SIZE);
        f.cBlueBits = Bits(display, info, GLX_BLUE_SIZE);
        f.cAlphaBits = Bits(display, info, GLX_ALPHA_SIZE);
        f.cColorBits = f.iPixelType == PFD_TYPE_RGBA
                           ? static_cast<std::uint8_t>(f.cRedBits + f.cGreenBits + f.cBlueBits)
                           : Bits(display, info, GLX_BUFFER_SIZE);
        f.cRedShift = Shift(info.red_mask);
        f.cGreenShift = Shift(info.green_mask);
        f.cBlueShift = Shift(info.blue_mask);
        f.cAccumRedBits = Bits(display, info, GLX_ACCUM_RED_SIZE);
        f.cAccumGreenBits = Bits(display, info, GLX_ACCUM_GREEN_SIZE);
        f.cAccumBlueBits = Bits(display, info, GLX_ACCUM_BLUE_SIZE);
        f.cAccumAlphaBits = Bits(display, info, GLX_ACCUM_ALPHA_SIZE);
        f.cAccumBits = static_cast<std::uint8_t>(f.cAccumRedBits + f.cAccumGreenBits +
                                                 f.cAccumBlueBits + f.cAccumAlphaBits);
        f.cDepthBits = Bits(display, info, GLX_DEPTH_SIZE);
        f.cStencilBits = Bits(display, info, GLX_STENCIL_SIZE);
        f.cAuxBuffers = Bits(display, info, GLX_AUX_BUFFERS);
        int level = 0;
        glXGetConfig(display, &info, GLX_LEVEL, &level);
        f.iLayerType =
            level == 0 ? PFD_MAIN_PLANE : (level > 0 ? PFD_OVERLAY_PLANE : PFD_UNDERLAY_PLANE);
        formats.push_back({f, info.visualid});
    }
    XFree(infos);
    return formats;
}

bool WindowVisual(HDC dc, int& screen, unsigned long& visual) {
    Display* display = DisplayOf(dc);
    if (!display || dc->NativeWindow() == 0)
        return false;
    XWindowAttributes attributes{};
    TXErrorTrap trap(display);
    const Status got = XGetWindowAttributes(display, dc->NativeWindow(), &attributes);
    if (!got || trap.Failed() || !attributes.visual)
        return false;
    screen = XScreenNumberOfScreen(attributes.screen);
    visual = XVisualIDFromVisual(attributes.visual);
    return true;
}

std::unique_ptr<TGLContext> CreateWindowContext(HDC dc, int format, TGLContext* share) {
    Display* display = DisplayOf(dc);
    int screen = 0;
    unsigned long visual = 0;
    if (!WindowVisual(dc, screen, visual))
        return nullptr;
    const std::vector<TWindowFormat> formats = WindowFormats(display, screen);
    if (format < 1 || format > static_cast<int>(formats.size()) ||
        formats[format - 1].Visual != visual)
        return nullptr;
    GLXContext shareContext = nullptr;
    if (share) {
        auto* other = dynamic_cast<TWindowContext*>(share);
        if (!other || other->NativeDisplay() != display)
            return nullptr;
        shareContext = other->Native();
    }
    XVisualInfo* info = VisualInfo(display, screen, visual);
    if (!info)
        return nullptr;
    XVisualInfo copy = *info;
    XFree(info);
    GLXContext context = TWindowContext::Make(display, copy, shareContext);
    if (!context)
        return nullptr;
    WatchDisplay(display);
    return std::make_unique<TWindowContext>(format, display, copy, context);
}

bool SwapWindowBuffers(HDC dc) {
    Display* display = DisplayOf(dc);
    if (!display || dc->NativeWindow() == 0)
        return false;
    TXErrorTrap trap(display);
    glXSwapBuffers(display, dc->NativeWindow());
    return !trap.Failed();
}

}  // namespace nyx::detail

namespace nyx {

unsigned long ChooseGLXVisual(void* display, int screen, const PIXELFORMATDESCRIPTOR& pfd) {
    const std::vector<detail::TWindowFormat> formats = detail::WindowFormats(display, screen);
    std::vector<PIXELFORMATDESCRIPTOR> descriptors;
    for (const detail::TWindowFormat& f : formats)
        descriptors.push_back(f.Pfd);
    const int best = detail::ClosestFormat(descriptors, pfd);
    return best < 0 ? 0 : formats[best].Visual;
}

}  // namespace nyx
