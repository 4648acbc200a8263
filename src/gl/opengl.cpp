// The default dispatch table, the active-table switch and the unit's start and stop.

#include "gl/opengl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cfenv>
#include <type_traits>
#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>
#endif

#include "gl/detail/wglimpl.h"

namespace nyx {

// The binding's types must be the system's, or a slot would not match its C function.
static_assert(std::is_same_v<GLenum, ::GLenum> && std::is_same_v<GLboolean, ::GLboolean> &&
              std::is_same_v<GLbitfield, ::GLbitfield> && std::is_same_v<GLbyte, ::GLbyte> &&
              std::is_same_v<GLint, ::GLint> && std::is_same_v<GLuint, ::GLuint> &&
              std::is_same_v<GLsizei, ::GLsizei> && std::is_same_v<GLushort, ::GLushort> &&
              std::is_same_v<GLfloat, ::GLfloat> && std::is_same_v<GLdouble, ::GLdouble> &&
              std::is_same_v<TGLUCallback, ::_GLUfuncptr>);

namespace {

// Bound at load time by the dynamic linker. Every program linking the library has
// libOSMesa first in its symbol lookup (src/CMakeLists.txt), so these addresses, and
// GLU's own calls into GL, resolve to Mesa's shared dispatch, which follows whichever
// OSMesa or Mesa GLX context is current.
#define NYX_GL_SYSTEM(Return, Name, Parameters, Arguments, Printed) .Name = &::Name,
#define NYX_GL_NATIVE(Return, Name, Parameters, Arguments, Printed) .Name = &detail::native::Name,
// clang-format off
constexpr TGLDispatch SystemGL{
    NYX_GL_ENTRY_POINTS(NYX_GL_SYSTEM)
    NYX_GLU_ENTRY_POINTS(NYX_GL_SYSTEM)
    NYX_WGL_ENTRY_POINTS(NYX_GL_NATIVE)
};
// clang-format on
#undef NYX_GL_SYSTEM
#undef NYX_GL_NATIVE

int StartCount = 0;

// All exceptions masked, 64-bit mantissa, round to nearest: the x87 control word the
// library has always run with. On SSE the exception masks and rounding mode are the
// equivalent state.
void MaskFloatingPointExceptions() {
    fedisableexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
    fpu_control_t word = 0x133F;
    _FPU_SETCW(word);
#endif
}

}  // namespace

namespace detail {
const TGLDispatch* ActiveGL = &SystemGL;
}  // namespace detail

const TGLDispatch& DefaultGLDispatch() { return SystemGL; }

const TGLDispatch* SetGLDispatch(const TGLDispatch* table) {
    const TGLDispatch* previous = detail::ActiveGL;
    detail::ActiveGL = table ? table : &SystemGL;
    return previous;
}

void InitializeNyxOpenGL() {
    if (StartCount++ == 0)
        MaskFloatingPointExceptions();
}

void FinalizeNyxOpenGL() {
    if (StartCount > 0)
        --StartCount;
}

}  // namespace nyx
