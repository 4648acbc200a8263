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
constexpr TGLDispatch SystemGL{
    .glAccum = &::glAccum,
    .glBegin = &::glBegin,
    .glBlendFunc = &::glBlendFunc,
    .glCallList = &::glCallList,
    .glClear = &::glClear,
    .glClearColor = &::glClearColor,
    .glClearStencil = &::glClearStencil,
    .glClipPlane = &::glClipPlane,
    .glColor3f = &::glColor3f,
    .glColor3i = &::glColor3i,
    .glColor4fv = &::glColor4fv,
    .glColorMask = &::glColorMask,
    .glCullFace = &::glCullFace,
    .glDeleteLists = &::glDeleteLists,
    .glDepthFunc = &::glDepthFunc,
    .glDepthMask = &::glDepthMask,
    .glDisable = &::glDisable,
    .glEnable = &::glEnable,
    .glEnd = &::glEnd,
    .glEndList = &::glEndList,
    .glEvalMesh2 = &::glEvalMesh2,
    .glFeedbackBuffer = &::glFeedbackBuffer,
    .glFlush = &::glFlush,
    .glFogf = &::glFogf,
    .glFogfv = &::glFogfv,
    .glFogi = &::glFogi,
    .glFrontFace = &::glFrontFace,
    .glFrustum = &::glFrustum,
    .glGenLists = &::glGenLists,
    .glGetDoublev = &::glGetDoublev,
    .glGetIntegerv = &::glGetIntegerv,
    .glGetString = &::glGetString,
    .glHint = &::glHint,
    .glInitNames = &::glInitNames,
    .glLightModelf = &::glLightModelf,
    .glLightModelfv = &::glLightModelfv,
    .glLightf = &::glLightf,
    .glLightfv = &::glLightfv,
    .glLineStipple = &::glLineStipple,
    .glLineWidth = &::glLineWidth,
    .glLoadIdentity = &::glLoadIdentity,
    .glLoadMatrixd = &::glLoadMatrixd,
    .glMap2f = &::glMap2f,
    .glMapGrid2f = &::glMapGrid2f,
    .glMaterialfv = &::glMaterialfv,
    .glMatrixMode = &::glMatrixMode,
    .glMultMatrixd = &::glMultMatrixd,
    .glNewList = &::glNewList,
    .glNormal3b = &::glNormal3b,
    .glNormal3dv = &::glNormal3dv,
    .glNormal3f = &::glNormal3f,
    .glNormal3fv = &::glNormal3fv,
    .glOrtho = &::glOrtho,
    .glPointSize = &::glPointSize,
    .glPolygonOffset = &::glPolygonOffset,
    .glPopAttrib = &::glPopAttrib,
    .glPopMatrix = &::glPopMatrix,
    .glPopName = &::glPopName,
    .glPushAttrib = &::glPushAttrib,
    .glPushMatrix = &::glPushMatrix,
    .glPushName = &::glPushName,
    .glRasterPos3d = &::glRasterPos3d,
    .glRenderMode = &::glRenderMode,
    .glRotatef = &::glRotatef,
    .glScalef = &::glScalef,
    .glSelectBuffer = &::glSelectBuffer,
    .glShadeModel = &::glShadeModel,
    .glStencilFunc = &::glStencilFunc,
    .glStencilOp = &::glStencilOp,
    .glTexCoord2d = &::glTexCoord2d,
    .glTexCoord2dv = &::glTexCoord2dv,
    .glTexCoord2f = &::glTexCoord2f,
    .glTexCoord2fv = &::glTexCoord2fv,
    .glTexCoord2i = &::glTexCoord2i,
    .glTexImage2D = &::glTexImage2D,
    .glTexParameteri = &::glTexParameteri,
    .glTranslatef = &::glTranslatef,
    .glVertex3d = &::glVertex3d,
    .glVertex3dv = &::glVertex3dv,
    .glVertex3f = &::glVertex3f,
    .glVertex3fv = &::glVertex3fv,
    .glViewport = &::glViewport,
    .gluCylinder = &::gluCylinder,
    .gluDeleteQuadric = &::gluDeleteQuadric,
    .gluDeleteTess = &::gluDeleteTess,
    .gluDisk = &::gluDisk,
    .gluErrorString = &::gluErrorString,
    .gluLookAt = &::gluLookAt,
    .gluNewQuadric = &::gluNewQuadric,
    .gluNewTess = &::gluNewTess,
    .gluPerspective = &::gluPerspective,
    .gluPickMatrix = &::gluPickMatrix,
    .gluQuadricDrawStyle = &::gluQuadricDrawStyle,
    .gluQuadricNormals = &::gluQuadricNormals,
    .gluQuadricOrientation = &::gluQuadricOrientation,
    .gluQuadricTexture = &::gluQuadricTexture,
    .gluSphere = &::gluSphere,
    .gluTessBeginContour = &::gluTessBeginContour,
    .gluTessBeginPolygon = &::gluTessBeginPolygon,
    .gluTessCallback = &::gluTessCallback,
    .gluTessEndContour = &::gluTessEndContour,
    .gluTessEndPolygon = &::gluTessEndPolygon,
    .gluTessProperty = &::gluTessProperty,
    .gluTessVertex = &::gluTessVertex,
    .gluUnProject = &::gluUnProject,
    .ChoosePixelFormat = &detail::NativeChoosePixelFormat,
    .SetPixelFormat = &detail::NativeSetPixelFormat,
    .DescribePixelFormat = &detail::NativeDescribePixelFormat,
    .wglCreateContext = &detail::NativeCreateContext,
    .wglDeleteContext = &detail::NativeDeleteContext,
    .wglMakeCurrent = &detail::NativeMakeCurrent,
    .wglShareLists = &detail::NativeShareLists,
    .SwapBuffers = &detail::NativeSwapBuffers,
};

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
