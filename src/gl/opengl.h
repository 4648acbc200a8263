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
// table (gl/glrecorder.h) that logs every call and forwards it.
//
// Sections: types; the dispatch table; the entry points; unit start and stop.

#include "gl/glconst.h"

// GLU's opaque objects live at global scope, as GL/glu.h declares them.
struct GLUquadric;
struct GLUtesselator;

namespace nyx {

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLvoid = void;
using GLbyte = signed char;
using GLshort = short;
using GLint = int;
using GLubyte = unsigned char;
using GLushort = unsigned short;
using GLuint = unsigned int;
using GLsizei = int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLclampd = double;
using GLUquadric = ::GLUquadric;
using GLUquadricObj = ::GLUquadric;
using GLUtesselator = ::GLUtesselator;
using GLUtesselatorObj = ::GLUtesselator;
// What gluTessCallback takes; callers cast their callback to it.
using TGLUCallback = void (*)();

// Window-system types (gl/wgl.h).
class TDeviceContext;
using HDC = TDeviceContext*;
struct PIXELFORMATDESCRIPTOR;
// A rendering-context handle: opaque, and never reused within a process, so a handle
// kept after its context was deleted can never name another context.
struct TGLContextHandle;
using HGLRC = TGLContextHandle*;

struct TGLDispatch {
    // OpenGL 1.1
    void (*glAccum)(GLenum op, GLfloat value);
    void (*glBegin)(GLenum mode);
    void (*glBlendFunc)(GLenum sfactor, GLenum dfactor);
    void (*glCallList)(GLuint list);
    void (*glClear)(GLbitfield mask);
    void (*glClearColor)(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
    void (*glClearStencil)(GLint s);
    void (*glClipPlane)(GLenum plane, const GLdouble* equation);
    void (*glColor3f)(GLfloat red, GLfloat green, GLfloat blue);
    void (*glColor3i)(GLint red, GLint green, GLint blue);
    void (*glColor4fv)(const GLfloat* v);
    void (*glColorMask)(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha);
    void (*glCullFace)(GLenum mode);
    void (*glDeleteLists)(GLuint list, GLsizei range);
    void (*glDepthFunc)(GLenum func);
    void (*glDepthMask)(GLboolean flag);
    void (*glDisable)(GLenum cap);
    void (*glEnable)(GLenum cap);
    void (*glEnd)();
    void (*glEndList)();
    void (*glEvalMesh2)(GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2);
    void (*glFeedbackBuffer)(GLsizei size, GLenum type, GLfloat* buffer);
    void (*glFlush)();
    void (*glFogf)(GLenum pname, GLfloat param);
    void (*glFogfv)(GLenum pname, const GLfloat* params);
    void (*glFogi)(GLenum pname, GLint param);
    void (*glFrontFace)(GLenum mode);
    void (*glFrustum)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                      GLdouble zFar);
    GLuint (*glGenLists)(GLsizei range);
    void (*glGetDoublev)(GLenum pname, GLdouble* params);
    void (*glGetIntegerv)(GLenum pname, GLint* params);
    const GLubyte* (*glGetString)(GLenum name);
    void (*glHint)(GLenum target, GLenum mode);
    void (*glInitNames)();
    void (*glLightModelf)(GLenum pname, GLfloat param);
    void (*glLightModelfv)(GLenum pname, const GLfloat* params);
    void (*glLightf)(GLenum light, GLenum pname, GLfloat param);
    void (*glLightfv)(GLenum light, GLenum pname, const GLfloat* params);
    void (*glLineStipple)(GLint factor, GLushort pattern);
    void (*glLineWidth)(GLfloat width);
    void (*glLoadIdentity)();
    void (*glLoadMatrixd)(const GLdouble* m);
    void (*glMap2f)(GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1,
                    GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points);
    void (*glMapGrid2f)(GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2);
    void (*glMaterialfv)(GLenum face, GLenum pname, const GLfloat* params);
    void (*glMatrixMode)(GLenum mode);
    void (*glMultMatrixd)(const GLdouble* m);
    void (*glNewList)(GLuint list, GLenum mode);
    void (*glNormal3b)(GLbyte nx, GLbyte ny, GLbyte nz);
    void (*glNormal3dv)(const GLdouble* v);
    void (*glNormal3f)(GLfloat nx, GLfloat ny, GLfloat nz);
    void (*glNormal3fv)(const GLfloat* v);
    void (*glOrtho)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                    GLdouble zFar);
    void (*glPointSize)(GLfloat size);
    void (*glPolygonOffset)(GLfloat factor, GLfloat units);
    void (*glPopAttrib)();
    void (*glPopMatrix)();
    void (*glPopName)();
    void (*glPushAttrib)(GLbitfield mask);
    void (*glPushMatrix)();
    void (*glPushName)(GLuint name);
    void (*glRasterPos3d)(GLdouble x, GLdouble y, GLdouble z);
    GLint (*glRenderMode)(GLenum mode);
    void (*glRotatef)(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
    void (*glScalef)(GLfloat x, GLfloat y, GLfloat z);
    void (*glSelectBuffer)(GLsizei size, GLuint* buffer);
    void (*glShadeModel)(GLenum mode);
    void (*glStencilFunc)(GLenum func, GLint ref, GLuint mask);
    void (*glStencilOp)(GLenum fail, GLenum zfail, GLenum zpass);
    void (*glTexCoord2d)(GLdouble s, GLdouble t);
    void (*glTexCoord2dv)(const GLdouble* v);
    void (*glTexCoord2f)(GLfloat s, GLfloat t);
    void (*glTexCoord2fv)(const GLfloat* v);
    void (*glTexCoord2i)(GLint s, GLint t);
    void (*glTexImage2D)(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const void* pixels);
    void (*glTexParameteri)(GLenum target, GLenum pname, GLint param);
    void (*glTranslatef)(GLfloat x, GLfloat y, GLfloat z);
    void (*glVertex3d)(GLdouble x, GLdouble y, GLdouble z);
    void (*glVertex3dv)(const GLdouble* v);
    void (*glVertex3f)(GLfloat x, GLfloat y, GLfloat z);
    void (*glVertex3fv)(const GLfloat* v);
    void (*glViewport)(GLint x, GLint y, GLsizei width, GLsizei height);
    // GLU
    void (*gluCylinder)(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height,
                        GLint slices, GLint stacks);
    void (*gluDeleteQuadric)(GLUquadric* quad);
    void (*gluDeleteTess)(GLUtesselator* tess);
    void (*gluDisk)(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops);
    const GLubyte* (*gluErrorString)(GLenum error);
    void (*gluLookAt)(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                      GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);
    GLUquadric* (*gluNewQuadric)();
    GLUtesselator* (*gluNewTess)();
    void (*gluPerspective)(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
    void (*gluPickMatrix)(GLdouble x, GLdouble y, GLdouble delX, GLdouble delY, GLint* viewport);
    void (*gluQuadricDrawStyle)(GLUquadric* quad, GLenum draw);
    void (*gluQuadricNormals)(GLUquadric* quad, GLenum normal);
    void (*gluQuadricOrientation)(GLUquadric* quad, GLenum orientation);
    void (*gluQuadricTexture)(GLUquadric* quad, GLboolean texture);
    void (*gluSphere)(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks);
    void (*gluTessBeginContour)(GLUtesselator* tess);
    void (*gluTessBeginPolygon)(GLUtesselator* tess, void* data);
    void (*gluTessCallback)(GLUtesselator* tess, GLenum which, TGLUCallback callback);
    void (*gluTessEndContour)(GLUtesselator* tess);
    void (*gluTessEndPolygon)(GLUtesselator* tess);
    void (*gluTessProperty)(GLUtesselator* tess, GLenum which, GLdouble data);
    void (*gluTessVertex)(GLUtesselator* tess, GLdouble* location, void* data);
    GLint (*gluUnProject)(GLdouble winX, GLdouble winY, GLdouble winZ, const GLdouble* model,
                          const GLdouble* proj, const GLint* view, GLdouble* objX, GLdouble* objY,
                          GLdouble* objZ);
    // Window system (the font display-list builders join these with the text labels)
    int (*ChoosePixelFormat)(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
    bool (*SetPixelFormat)(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);
    int (*DescribePixelFormat)(HDC dc, int format, unsigned bytes, PIXELFORMATDESCRIPTOR* pfd);
    HGLRC (*wglCreateContext)(HDC dc, HGLRC shareWith);
    bool (*wglDeleteContext)(HGLRC rc);
    bool (*wglMakeCurrent)(HDC dc, HGLRC rc);
    bool (*wglShareLists)(HGLRC first, HGLRC second);
    bool (*SwapBuffers)(HDC dc);
};

namespace detail {
// The table every entry point calls through; never null.
extern const TGLDispatch* ActiveGL;
}  // namespace detail

// The table that calls the system libGL, libGLU and the window-system layer.
const TGLDispatch& DefaultGLDispatch();
// Makes table (or the default one for null) the active one; returns the previous table.
const TGLDispatch* SetGLDispatch(const TGLDispatch* table);
inline const TGLDispatch& ActiveGLDispatch() { return *detail::ActiveGL; }

inline void glAccum(GLenum op, GLfloat value) { detail::ActiveGL->glAccum(op, value); }
inline void glBegin(GLenum mode) { detail::ActiveGL->glBegin(mode); }
inline void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    detail::ActiveGL->glBlendFunc(sfactor, dfactor);
}
inline void glCallList(GLuint list) { detail::ActiveGL->glCallList(list); }
inline void glClear(GLbitfield mask) { detail::ActiveGL->glClear(mask); }
inline void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    detail::ActiveGL->glClearColor(red, green, blue, alpha);
}
inline void glClearStencil(GLint s) { detail::ActiveGL->glClearStencil(s); }
inline void glClipPlane(GLenum plane, const GLdouble* equation) {
    detail::ActiveGL->glClipPlane(plane, equation);
}
inline void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    detail::ActiveGL->glColor3f(red, green, blue);
}
inline void glColor3i(GLint red, GLint green, GLint blue) {
    detail::ActiveGL->glColor3i(red, green, blue);
}
inline void glColor4fv(const GLfloat* v) { detail::ActiveGL->glColor4fv(v); }
inline void glColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha) {
    detail::ActiveGL->glColorMask(red, green, blue, alpha);
}
inline void glCullFace(GLenum mode) { detail::ActiveGL->glCullFace(mode); }
inline void glDeleteLists(GLuint list, GLsizei range) {
    detail::ActiveGL->glDeleteLists(list, range);
}
inline void glDepthFunc(GLenum func) { detail::ActiveGL->glDepthFunc(func); }
inline void glDepthMask(GLboolean flag) { detail::ActiveGL->glDepthMask(flag); }
inline void glDisable(GLenum cap) { detail::ActiveGL->glDisable(cap); }
inline void glEnable(GLenum cap) { detail::ActiveGL->glEnable(cap); }
inline void glEnd() { detail::ActiveGL->glEnd(); }
inline void glEndList() { detail::ActiveGL->glEndList(); }
inline void glEvalMesh2(GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2) {
    detail::ActiveGL->glEvalMesh2(mode, i1, i2, j1, j2);
}
inline void glFeedbackBuffer(GLsizei size, GLenum type, GLfloat* buffer) {
    detail::ActiveGL->glFeedbackBuffer(size, type, buffer);
}
inline void glFlush() { detail::ActiveGL->glFlush(); }
inline void glFogf(GLenum pname, GLfloat param) { detail::ActiveGL->glFogf(pname, param); }
inline void glFogfv(GLenum pname, const GLfloat* params) {
    detail::ActiveGL->glFogfv(pname, params);
}
inline void glFogi(GLenum pname, GLint param) { detail::ActiveGL->glFogi(pname, param); }
inline void glFrontFace(GLenum mode) { detail::ActiveGL->glFrontFace(mode); }
inline void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                      GLdouble zFar) {
    detail::ActiveGL->glFrustum(left, right, bottom, top, zNear, zFar);
}
inline GLuint glGenLists(GLsizei range) { return detail::ActiveGL->glGenLists(range); }
inline void glGetDoublev(GLenum pname, GLdouble* params) {
    detail::ActiveGL->glGetDoublev(pname, params);
}
inline void glGetIntegerv(GLenum pname, GLint* params) {
    detail::ActiveGL->glGetIntegerv(pname, params);
}
inline const GLubyte* glGetString(GLenum name) { return detail::ActiveGL->glGetString(name); }
inline void glHint(GLenum target, GLenum mode) { detail::ActiveGL->glHint(target, mode); }
inline void glInitNames() { detail::ActiveGL->glInitNames(); }
inline void glLightModelf(GLenum pname, GLfloat param) {
    detail::ActiveGL->glLightModelf(pname, param);
}
inline void glLightModelfv(GLenum pname, const GLfloat* params) {
    detail::ActiveGL->glLightModelfv(pname, params);
}
inline void glLightf(GLenum light, GLenum pname, GLfloat param) {
    detail::ActiveGL->glLightf(light, pname, param);
}
inline void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    detail::ActiveGL->glLightfv(light, pname, params);
}
inline void glLineStipple(GLint factor, GLushort pattern) {
    detail::ActiveGL->glLineStipple(factor, pattern);
}
inline void glLineWidth(GLfloat width) { detail::ActiveGL->glLineWidth(width); }
inline void glLoadIdentity() { detail::ActiveGL->glLoadIdentity(); }
inline void glLoadMatrixd(const GLdouble* m) { detail::ActiveGL->glLoadMatrixd(m); }
inline void glMap2f(GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1,
                    GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points) {
    detail::ActiveGL->glMap2f(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
}
inline void glMapGrid2f(GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2) {
    detail::ActiveGL->glMapGrid2f(un, u1, u2, vn, v1, v2);
}
inline void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    detail::ActiveGL->glMaterialfv(face, pname, params);
}
inline void glMatrixMode(GLenum mode) { detail::ActiveGL->glMatrixMode(mode); }
inline void glMultMatrixd(const GLdouble* m) { detail::ActiveGL->glMultMatrixd(m); }
inline void glNewList(GLuint list, GLenum mode) { detail::ActiveGL->glNewList(list, mode); }
inline void glNormal3b(GLbyte nx, GLbyte ny, GLbyte nz) {
    detail::ActiveGL->glNormal3b(nx, ny, nz);
}
inline void glNormal3dv(const GLdouble* v) { detail::ActiveGL->glNormal3dv(v); }
inline void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz) {
    detail::ActiveGL->glNormal3f(nx, ny, nz);
}
inline void glNormal3fv(const GLfloat* v) { detail::ActiveGL->glNormal3fv(v); }
inline void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                    GLdouble zFar) {
    detail::ActiveGL->glOrtho(left, right, bottom, top, zNear, zFar);
}
inline void glPointSize(GLfloat size) { detail::ActiveGL->glPointSize(size); }
inline void glPolygonOffset(GLfloat factor, GLfloat units) {
    detail::ActiveGL->glPolygonOffset(factor, units);
}
inline void glPopAttrib() { detail::ActiveGL->glPopAttrib(); }
inline void glPopMatrix() { detail::ActiveGL->glPopMatrix(); }
inline void glPopName() { detail::ActiveGL->glPopName(); }
inline void glPushAttrib(GLbitfield mask) { detail::ActiveGL->glPushAttrib(mask); }
inline void glPushMatrix() { detail::ActiveGL->glPushMatrix(); }
inline void glPushName(GLuint name) { detail::ActiveGL->glPushName(name); }
inline void glRasterPos3d(GLdouble x, GLdouble y, GLdouble z) {
    detail::ActiveGL->glRasterPos3d(x, y, z);
}
inline GLint glRenderMode(GLenum mode) { return detail::ActiveGL->glRenderMode(mode); }
inline void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    detail::ActiveGL->glRotatef(angle, x, y, z);
}
inline void glScalef(GLfloat x, GLfloat y, GLfloat z) { detail::ActiveGL->glScalef(x, y, z); }
inline void glSelectBuffer(GLsizei size, GLuint* buffer) {
    detail::ActiveGL->glSelectBuffer(size, buffer);
}
inline void glShadeModel(GLenum mode) { detail::ActiveGL->glShadeModel(mode); }
inline void glStencilFunc(GLenum func, GLint ref, GLuint mask) {
    detail::ActiveGL->glStencilFunc(func, ref, mask);
}
inline void glStencilOp(GLenum fail, GLenum zfail, GLenum zpass) {
    detail::ActiveGL->glStencilOp(fail, zfail, zpass);
}
inline void glTexCoord2d(GLdouble s, GLdouble t) { detail::ActiveGL->glTexCoord2d(s, t); }
inline void glTexCoord2dv(const GLdouble* v) { detail::ActiveGL->glTexCoord2dv(v); }
inline void glTexCoord2f(GLfloat s, GLfloat t) { detail::ActiveGL->glTexCoord2f(s, t); }
inline void glTexCoord2fv(const GLfloat* v) { detail::ActiveGL->glTexCoord2fv(v); }
inline void glTexCoord2i(GLint s, GLint t) { detail::ActiveGL->glTexCoord2i(s, t); }
inline void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const void* pixels) {
    detail::ActiveGL->glTexImage2D(target, level, internalFormat, width, height, border, format,
                                   type, pixels);
}
inline void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    detail::ActiveGL->glTexParameteri(target, pname, param);
}
inline void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    detail::ActiveGL->glTranslatef(x, y, z);
}
inline void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
    detail::ActiveGL->glVertex3d(x, y, z);
}
inline void glVertex3dv(const GLdouble* v) { detail::ActiveGL->glVertex3dv(v); }
inline void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { detail::ActiveGL->glVertex3f(x, y, z); }
inline void glVertex3fv(const GLfloat* v) { detail::ActiveGL->glVertex3fv(v); }
inline void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    detail::ActiveGL->glViewport(x, y, width, height);
}

inline void gluCylinder(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height,
                        GLint slices, GLint stacks) {
    detail::ActiveGL->gluCylinder(quad, base, top, height, slices, stacks);
}
inline void gluDeleteQuadric(GLUquadric* quad) { detail::ActiveGL->gluDeleteQuadric(quad); }
inline void gluDeleteTess(GLUtesselator* tess) { detail::ActiveGL->gluDeleteTess(tess); }
inline void gluDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
    detail::ActiveGL->gluDisk(quad, inner, outer, slices, loops);
}
inline const GLubyte* gluErrorString(GLenum error) {
    return detail::ActiveGL->gluErrorString(error);
}
inline void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                      GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                      GLdouble upZ) {
    detail::ActiveGL->gluLookAt(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
}
inline GLUquadric* gluNewQuadric() { return detail::ActiveGL->gluNewQuadric(); }
inline GLUtesselator* gluNewTess() { return detail::ActiveGL->gluNewTess(); }
inline void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    detail::ActiveGL->gluPerspective(fovy, aspect, zNear, zFar);
}
inline void gluPickMatrix(GLdouble x, GLdouble y, GLdouble delX, GLdouble delY, GLint* viewport) {
    detail::ActiveGL->gluPickMatrix(x, y, delX, delY, viewport);
}
inline void gluQuadricDrawStyle(GLUquadric* quad, GLenum draw) {
    detail::ActiveGL->gluQuadricDrawStyle(quad, draw);
}
inline void gluQuadricNormals(GLUquadric* quad, GLenum normal) {
    detail::ActiveGL->gluQuadricNormals(quad, normal);
}
inline void gluQuadricOrientation(GLUquadric* quad, GLenum orientation) {
    detail::ActiveGL->gluQuadricOrientation(quad, orientation);
}
inline void gluQuadricTexture(GLUquadric* quad, GLboolean texture) {
    detail::ActiveGL->gluQuadricTexture(quad, texture);
}
inline void gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks) {
    detail::ActiveGL->gluSphere(quad, radius, slices, stacks);
}
inline void gluTessBeginContour(GLUtesselator* tess) {
    detail::ActiveGL->gluTessBeginContour(tess);
}
inline void gluTessBeginPolygon(GLUtesselator* tess, void* data) {
    detail::ActiveGL->gluTessBeginPolygon(tess, data);
}
inline void gluTessCallback(GLUtesselator* tess, GLenum which, TGLUCallback callback) {
    detail::ActiveGL->gluTessCallback(tess, which, callback);
}
inline void gluTessEndContour(GLUtesselator* tess) { detail::ActiveGL->gluTessEndContour(tess); }
inline void gluTessEndPolygon(GLUtesselator* tess) { detail::ActiveGL->gluTessEndPolygon(tess); }
inline void gluTessProperty(GLUtesselator* tess, GLenum which, GLdouble data) {
    detail::ActiveGL->gluTessProperty(tess, which, data);
}
inline void gluTessVertex(GLUtesselator* tess, GLdouble* location, void* data) {
    detail::ActiveGL->gluTessVertex(tess, location, data);
}
inline GLint gluUnProject(GLdouble winX, GLdouble winY, GLdouble winZ, const GLdouble* model,
                          const GLdouble* proj, const GLint* view, GLdouble* objX, GLdouble* objY,
                          GLdouble* objZ) {
    return detail::ActiveGL->gluUnProject(winX, winY, winZ, model, proj, view, objX, objY, objZ);
}
// Unit start and stop, reference-counted: the first start masks every floating-point
// exception of the calling thread (the user-interface thread), so that a division by
// zero or an invalid operation in the library or the driver gives an infinity or a NaN
// instead of a trap. Stopping restores nothing.
void InitializeNyxOpenGL();
void FinalizeNyxOpenGL();

}  // namespace nyx
