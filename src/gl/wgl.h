#pragma once
// Window-system GL: pixel formats and rendering contexts on a device context (HDC).
//
// Two backends behind one set of calls, chosen by the kind of the device context:
// - dkMemory: OSMesa renders straight into the surface's pixels (top-down BGRA rows).
//   Formats are single-buffered, generic (software) formats with a 24-bit depth and an
//   8-bit stencil buffer, with or without a 16-bit-per-channel accumulation buffer.
// - dkWindow: GLX on the X11 window. The window's visual is its pixel format, so a window
//   is created with the visual that ChooseGLXVisual picks from a descriptor; after that
//   ChoosePixelFormat on the window answers that visual's format.
// - dkOther: takes no OpenGL format; ChoosePixelFormat answers 0, SetPixelFormat fails.
//
// Pixel-format indices are 1-based per device. Contexts share display lists either when
// created (the second argument of wglCreateContext) or through wglShareLists before the
// second context has first been made current; both contexts must use the same backend
// (and, for GLX, the same display).
//
// Everything runs on one thread, the user-interface thread, as the rest of the library.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "gl/opengl.h"
#include "rtl/devicecontext.h"

namespace nyx {

inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x00000001;
inline constexpr std::uint32_t PFD_STEREO = 0x00000002;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x00000004;
inline constexpr std::uint32_t PFD_DRAW_TO_BITMAP = 0x00000008;
inline constexpr std::uint32_t PFD_SUPPORT_GDI = 0x00000010;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x00000020;
inline constexpr std::uint32_t PFD_GENERIC_FORMAT = 0x00000040;
inline constexpr std::uint32_t PFD_NEED_PALETTE = 0x00000080;
inline constexpr std::uint32_t PFD_NEED_SYSTEM_PALETTE = 0x00000100;
inline constexpr std::uint32_t PFD_SWAP_EXCHANGE = 0x00000200;
inline constexpr std::uint32_t PFD_SWAP_COPY = 0x00000400;
inline constexpr std::uint32_t PFD_SWAP_LAYER_BUFFERS = 0x00000800;
inline constexpr std::uint32_t PFD_GENERIC_ACCELERATED = 0x00001000;
inline constexpr std::uint32_t PFD_DEPTH_DONTCARE = 0x20000000;
inline constexpr std::uint32_t PFD_DOUBLEBUFFER_DONTCARE = 0x40000000;
inline constexpr std::uint32_t PFD_STEREO_DONTCARE = 0x80000000;

inline constexpr std::uint8_t PFD_TYPE_RGBA = 0;
inline constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;

inline constexpr std::uint8_t PFD_MAIN_PLANE = 0;
inline constexpr std::uint8_t PFD_OVERLAY_PLANE = 1;
inline constexpr std::uint8_t PFD_UNDERLAY_PLANE = 0xFF;  // -1 in the signed original

// The window-system calls, through the same table as the GL ones:
// - ChoosePixelFormat(dc, pfd): the format of dc closest to the request; 0 when the device
//   takes no OpenGL format.
// - SetPixelFormat(dc, format, pfd): gives dc its format, once: setting the same format
//   again succeeds, another one fails.
// - DescribePixelFormat(dc, format, bytes, pfd): fills pfd (at most bytes of it; none for
//   a null pfd) with the description of format and answers the highest format index of
//   dc; 0 for an unknown format or a device without any.
// - wglCreateContext(dc, shareWith): a context for the pixel format of dc (which must have
//   one), sharing display lists with shareWith when given; null on failure.
// - wglDeleteContext(rc): releases the context first when it is current. False for a
//   handle that is not a live context (for example one deleted before).
// - wglMakeCurrent(dc, rc): with rc null, releases the current context. A failure also
//   leaves no context current. dc must have the pixel format rc was created for.
// - wglShareLists(first, second): makes second share first's display lists; second must
//   never have been current yet.
// - SwapBuffers(dc): presents the back buffer of a window; on a memory surface it
//   completes the rendering into the pixels (a flush).
#define NYX_WGL_INLINE(Return, Name, Parameters, Arguments, Printed)                               \
    inline Return Name Parameters { return detail::ActiveGL->Name Arguments; }
NYX_WGL_ENTRY_POINTS(NYX_WGL_INLINE)
#undef NYX_WGL_INLINE

inline HGLRC wglCreateContext(HDC dc) { return wglCreateContext(dc, nullptr); }

// The font display-list calls:
// - wglUseFontBitmapsA(dc, first, count, listBase) and
// - wglUseFontOutlinesA(dc, first, count, listBase, deviation, extrusion, format, metrics)
// compile the glyphs of the font selected into dc (SelectObject), found through
// fontconfig and drawn by FreeType, one display list per character: list listBase + i
// holds character first + i, a single byte read as Windows-1252. Both need a current
// context (of either backend; dc only supplies the font) and answer false, building
// nothing further, when there is none, when the font cannot be loaded, when first + count
// passes 256 or when an argument is out of range.
//   Bitmap glyphs draw with glBitmap, the baseline at the current raster position, and
// move the raster position on by the glyph's advance; their pixel size is the font's
// Height. Outline glyphs are geometry in the XY plane, one em being one unit, the origin on
// the baseline: outlines flattened so that no chord strays more than deviation from the
// curve (0: one design unit of the font), then filled (WGL_FONT_POLYGONS, normal +z) or
// drawn as line loops (WGL_FONT_LINES). extrusion > 0 adds a back face at z = -extrusion
// and side walls with outward normals (lines: the back loops and an edge at each corner).
// Each outline list ends translated by the glyph's advance along +x; metrics, when given,
// receives count entries.
//   Glyph shapes are made once per face, size, style, character and (for outlines)
// deviation, extrusion and format, and kept for the whole process (gl/fonts.h); each
// share group of contexts compiles a shape once into a list of its own, which the
// requested lists call.
inline constexpr int WGL_FONT_LINES = 0;
inline constexpr int WGL_FONT_POLYGONS = 1;

// The glyph lists of the current list space themselves, which the lists of the two calls
// above call: Lists[i] receives the list that draws the glyph of character codes[i]
// (bitmap, or outline with the same arguments as wglUseFontOutlinesA) of the font
// selected into dc. Each glyph is compiled once per list space, its name from the space's
// allocator (AllocateLists), and stays for as long as the space: callers call the lists
// and never delete them. False, with some names unset, on the failures of the two calls
// above. Must not be called while a list is being compiled.
bool SharedGlyphBitmaps(HDC dc, std::string_view codes, GLuint* lists);
bool SharedGlyphOutlines(HDC dc, std::string_view codes, GLfloat deviation, GLfloat extrusion,
                         int format, GLuint* lists);

// The list of the current list space that Compile fills for Key: compiled the first time
// Key is asked for in the space, its name from the space's allocator, and kept for as long
// as the space, so that every object drawing the same geometry calls one list. Callers
// call it and never delete it. 0 when no context is current or no name is left. Must not
// be called while a list is being compiled.
GLuint SharedShapeList(std::string_view Key, const std::function<void()>& Compile);
// The list compiled for Key in the current list space, or 0; also while a list is being
// compiled.
GLuint FindSharedShapeList(std::string_view Key);

// The device context the current context was made current on (wglMakeCurrent); none when
// no context is current. A frame draws text with the fonts of this device.
HDC CurrentDC();

// The display-list names of the current context: a number shared by the contexts that
// share lists, never used again for another group; 0 when no context is current. Objects
// that keep lists tell by it whether their list names mean anything in the context at
// hand.
std::uint64_t CurrentListSpace();
// Count consecutive display-list names of the current list space from the space's
// allocator: it reserves large blocks of names from the driver and hands out ranges
// inside them, so a name costs the same however many lists the space holds already. A
// name given back before may come again with what was compiled into it: compile a name
// before calling it. Everything the library compiles for a scene with CacheGeometry on gets
// its names here, and so may an application's objects that keep lists. 0 when no context
// is current or the driver has no names left. Give them back with ReleaseLists.
GLuint AllocateLists(GLsizei Count);
// The names of Space handed out by AllocateLists and not given back; 0 once Space has
// gone.
std::size_t AllocatedLists(std::uint64_t Space);
// Whether some live context still has the list names of Space.
bool ListSpaceAlive(std::uint64_t Space);
// Gives up Count display lists from Base of Space: deleted at once (names from
// AllocateLists go back to the allocator) when a context of Space is current, otherwise kept for DeleteReleasedLists of that space; nothing when
// Space has gone (its lists went with its last context). For owners of lists that may go
// away while no context, or another one, is current.
void ReleaseLists(std::uint64_t Space, GLuint Base, GLsizei Count);
// Deletes the lists given up for the current list space while it was not current.
void DeleteReleasedLists();

// For hosts that create the GL window: the X visual (VisualID) of the given screen that
// best matches the request, asking for its depth, stencil and accumulation bits; 0 when
// the display has no OpenGL visual. display is the host's Display*.
unsigned long ChooseGLXVisual(void* display, int screen, const PIXELFORMATDESCRIPTOR& pfd);

}  // namespace nyx
