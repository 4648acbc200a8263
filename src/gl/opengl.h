#pragma once
// The library's whole OpenGL surface: the OpenGL 1.1 and GLU entry points it uses and the
// window-system operations (gl/wgl.h), declared in namespace nyx as inline calls through
// one dispatch table.
//
// Why a table and not <GL/gl.h>: library code writes plain OpenGL (glBegin(GL_QUADS)) and
// gets these functions; an entry point outside the list is simply undeclared, so using one
// does not compile. Only the enumerants come from the system headers, copied verbatim into
// gl/glconst.h, so no header outside src/gl ever sees the C prototypes. The types below are
// the system's own typedefs, so each slot has exactly the signature of the C function.
//
// The default table points at the system libGL and libGLU. Tests swap in a recording
// table (testing/glrecorder.h, in nyx_testing) that logs every call and forwards it.
//
// The entry points themselves are listed once, in gl/glapi.h; the types a header needs
// without the binding are in gl/gl_fwd.h.
//
// Sections: the dispatch table; the entry points; unit start and stop.

#include "gl/gl_fwd.h"
#include "gl/glapi.h"
#include "gl/glconst.h"

namespace nyx {

#define NYX_GL_SLOT(Return, Name, Parameters, Arguments, Printed) Return(*Name) Parameters;
struct TGLDispatch {
    NYX_ALL_ENTRY_POINTS(NYX_GL_SLOT)
};
#undef NYX_GL_SLOT

namespace detail {
// The table every entry point calls through; never null.
extern const TGLDispatch* ActiveGL;
}  // namespace detail

// The table that calls the system libGL, libGLU and the window-system layer.
const TGLDispatch& DefaultGLDispatch();
// Makes table (or the default one for null) the active one; returns the previous table.
const TGLDispatch* SetGLDispatch(const TGLDispatch* table);
inline const TGLDispatch& ActiveGLDispatch() { return *detail::ActiveGL; }

// The OpenGL and GLU entry points; the window-system ones are declared by gl/wgl.h.
#define NYX_GL_INLINE(Return, Name, Parameters, Arguments, Printed)                                \
    inline Return Name Parameters { return detail::ActiveGL->Name Arguments; }
NYX_GL_ENTRY_POINTS(NYX_GL_INLINE)
NYX_GLU_ENTRY_POINTS(NYX_GL_INLINE)
#undef NYX_GL_INLINE

// Unit start and stop, reference-counted: the first start masks every floating-point
// exception of the calling thread (the user-interface thread), so that a division by
// zero or an invalid operation in the library or the driver gives an infinity or a NaN
// instead of a trap. Stopping restores nothing.
void InitializeNyxOpenGL();
void FinalizeNyxOpenGL();

}  // namespace nyx
