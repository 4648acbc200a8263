#pragma once
// Inside the window-system layer: the context base the two backends derive from, their
// format lists, and the entry points the default dispatch table points at.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gl/detail/listnames.h"
#include "gl/wgl.h"

namespace nyx::detail {

// What the layer keeps in each display-list share group for itself: the lists it has
// compiled there (glyph shapes of the font calls, by the shape's serial number; shared
// shapes, by their key) and the allocator of list names (AllocateLists). OpenGL frees the lists with the group's last
// context, and this record goes with it.
struct TShareGroup {
    // Names the group's list names for as long as the process runs (CurrentListSpace).
    const std::uint64_t Serial = NewShareGroupSerial();
    std::unordered_map<std::uint64_t, GLuint> GlyphLists;
    std::map<std::string, GLuint, std::less<>> ShapeLists;
    // Lists given up while a context of another group was current (ReleaseLists): first
    // name and count, deleted by DeleteReleasedLists in a context of this group.
    std::vector<std::pair<GLuint, GLsizei>> Released;
    TListNames Names;

    static std::uint64_t NewShareGroupSerial();
};

// A rendering context of one backend; HGLRC handles name them (gl/wgl.cpp).
class TGLContext {
public:
    TGLContext(TDeviceKind kind, int format) : FKind(kind), FFormat(format) {}
    TGLContext(const TGLContext&) = delete;
    TGLContext& operator=(const TGLContext&) = delete;
    virtual ~TGLContext() = default;

    TDeviceKind Kind() const { return FKind; }
    int Format() const { return FFormat; }
    bool EverCurrent() const { return FEverCurrent; }
    TShareGroup& Group() const { return *FGroup; }
    // Called once the native context shares other's display lists.
    void JoinGroupOf(const TGLContext& other) { FGroup = other.FGroup; }

    // Makes the context current on dc (of this context's kind and format).
    bool Bind(HDC dc) {
        if (!DoBind(dc))
            return false;
        FEverCurrent = true;
        return true;
    }
    // Leaves no context of this backend current on the thread.
    virtual void Unbind() = 0;
    // Rebuilds the (never current) native context so that it shares first's lists.
    virtual bool ShareFrom(TGLContext& first) = 0;

protected:
    virtual bool DoBind(HDC dc) = 0;

private:
    TDeviceKind FKind;
    int FFormat;
    bool FEverCurrent = false;
    std::shared_ptr<TShareGroup> FGroup = std::make_shared<TShareGroup>();
};

// OSMesa: the formats every memory surface offers, and a context for one of them.
const std::vector<PIXELFORMATDESCRIPTOR>& MemoryFormats();
std::unique_ptr<TGLContext> CreateMemoryContext(int format, TGLContext* share);

// GLX: the OpenGL visuals of a screen in the server's order, as formats.
struct TWindowFormat {
    PIXELFORMATDESCRIPTOR Pfd;
    unsigned long Visual;
};
std::vector<TWindowFormat> WindowFormats(void* display, int screen);
// The screen and visual of a window; false when the window cannot be queried.
bool WindowVisual(HDC dc, int& screen, unsigned long& visual);
std::unique_ptr<TGLContext> CreateWindowContext(HDC dc, int format, TGLContext* share);
bool SwapWindowBuffers(HDC dc);

// Releases the live contexts Which chooses (their handles stop naming anything), the
// current one first. For contexts whose native side is about to go (a display closing)
// and for those still alive when the program ends.
void ReleaseContexts(const std::function<bool(const TGLContext&)>& Which);

// Index (0-based) of the format closest to the request, -1 when none qualifies.
int ClosestFormat(const std::vector<PIXELFORMATDESCRIPTOR>& formats,
                  const PIXELFORMATDESCRIPTOR& request);

// The share group of the current context; none when no context is current.
TShareGroup* CurrentShareGroup();

// The window-system entry points of the default dispatch table (gl/wgl.cpp, and
// gl/wglfont.cpp for the font calls).
namespace native {
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);
int DescribePixelFormat(HDC dc, int format, unsigned bytes, PIXELFORMATDESCRIPTOR* pfd);
HGLRC wglCreateContext(HDC dc, HGLRC shareWith);
bool wglDeleteContext(HGLRC rc);
bool wglMakeCurrent(HDC dc, HGLRC rc);
bool wglShareLists(HGLRC first, HGLRC second);
bool SwapBuffers(HDC dc);
bool wglUseFontBitmapsA(HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase);
bool wglUseFontOutlinesA(HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase,
                         GLfloat deviation, GLfloat extrusion, int format,
                         GLYPHMETRICSFLOAT* metrics);
}  // namespace native

}  // namespace nyx::detail
