// The recording table: one logging forwarder per entry point.

#include "gl/glrecorder.h"

#include <charconv>
#include <cstdio>
#include <type_traits>

#include "gl/detail/enumnames.h"
#include "gl/wgl.h"
#include "rtl/sysutils.h"

namespace nyx {
namespace {

TGLRecorder* Installed = nullptr;

const TGLDispatch& Next() { return Installed->Next(); }

template <typename... A>
void Log(const char* name, const A&... args) {
    std::string text = name;
    text += '(';
    [[maybe_unused]] const char* separator = "";
    ((text += separator, text += args, separator = ", "), ...);
    text += ')';
    Installed->Add(std::move(text));
}

// Shortest text that reads back exactly, so logs compare without tolerance.
template <typename T>
std::string Num(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value);
    return buffer;
}

std::string E(GLenum value) { return GLEnumName(value); }

// Blend factors and stencil operations, where 0 and 1 mean GL_ZERO and GL_ONE.
std::string EZ(GLenum value) {
    if (value == GL_ZERO)
        return "GL_ZERO";
    if (value == GL_ONE)
        return "GL_ONE";
    return GLEnumName(value);
}

// An integer parameter that carries an enumerant (texture filters, fog modes, internal
// formats); the component counts 1 to 4 of glTexImage2D stay numbers.
std::string IntEnum(GLint value) {
    return value >= 0 && value <= 4 ? Num(value) : GLEnumName(static_cast<GLenum>(value));
}

std::string B(GLboolean value) {
    if (value == GL_FALSE)
        return "GL_FALSE";
    if (value == GL_TRUE)
        return "GL_TRUE";
    return Num(static_cast<int>(value));
}

std::string Bits(GLbitfield mask) {
    if (mask == 0)
        return "0";
    if (mask == GL_ALL_ATTRIB_BITS)
        return "GL_ALL_ATTRIB_BITS";
    std::string text;
    for (const detail::TEnumName& bit : detail::AttribBitNames()) {
        if (!(mask & bit.Value))
            continue;
        if (!text.empty())
            text += " | ";
        text += bit.Name;
        mask &= ~bit.Value;
    }
    if (mask) {
        if (!text.empty())
            text += " | ";
        text += Hex(mask);
    }
    return text;
}

std::string Ptr(const void* p, const char* what) { return p ? what : "null"; }

template <typename T>
std::string Arr(const T* values, int count) {
    if (!values)
        return "null";
    std::string text = "{";
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ", ";
        text += Num(values[i]);
    }
    return text + "}";
}

// How many values a glLightfv, glMaterialfv, glFogfv or glLightModelfv call reads.
int ParamCount(GLenum pname) {
    switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_POSITION:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_FOG_COLOR:
    case GL_LIGHT_MODEL_AMBIENT:
        return 4;
    case GL_SPOT_DIRECTION:
    case GL_COLOR_INDEXES:
        return 3;
    default:
        return 1;
    }
}

constexpr TGLDispatch RecordingGL{
    .glAccum =
        [](GLenum op, GLfloat value) {
            Log("glAccum", E(op), Num(value));
            Next().glAccum(op, value);
        },
    .glBegin =
        [](GLenum mode) {
            Log("glBegin", E(mode));
            Next().glBegin(mode);
        },
    .glBlendFunc =
        [](GLenum sfactor, GLenum dfactor) {
            Log("glBlendFunc", EZ(sfactor), EZ(dfactor));
            Next().glBlendFunc(sfactor, dfactor);
        },
    .glCallList =
        [](GLuint list) {
            Log("glCallList", Num(list));
            Next().glCallList(list);
        },
    .glClear =
        [](GLbitfield mask) {
            Log("glClear", Bits(mask));
            Next().glClear(mask);
        },
    .glClearColor =
        [](GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
            Log("glClearColor", Num(red), Num(green), Num(blue), Num(alpha));
            Next().glClearColor(red, green, blue, alpha);
        },
    .glClearStencil =
        [](GLint s) {
            Log("glClearStencil", Num(s));
            Next().glClearStencil(s);
        },
    .glClipPlane =
        [](GLenum plane, const GLdouble* equation) {
            Log("glClipPlane", E(plane), Arr(equation, 4));
            Next().glClipPlane(plane, equation);
        },
    .glColor3f =
        [](GLfloat red, GLfloat green, GLfloat blue) {
            Log("glColor3f", Num(red), Num(green), Num(blue));
            Next().glColor3f(red, green, blue);
        },
    .glColor3i =
        [](GLint red, GLint green, GLint blue) {
            Log("glColor3i", Num(red), Num(green), Num(blue));
            Next().glColor3i(red, green, blue);
        },
    .glColor4fv =
        [](const GLfloat* v) {
            Log("glColor4fv", Arr(v, 4));
            Next().glColor4fv(v);
        },
    .glColorMask =
        [](GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha) {
            Log("glColorMask", B(red), B(green), B(blue), B(alpha));
            Next().glColorMask(red, green, blue, alpha);
        },
    .glCullFace =
        [](GLenum mode) {
            Log("glCullFace", E(mode));
            Next().glCullFace(mode);
        },
    .glDeleteLists =
        [](GLuint list, GLsizei range) {
            Log("glDeleteLists", Num(list), Num(range));
            Next().glDeleteLists(list, range);
        },
    .glDepthFunc =
        [](GLenum func) {
            Log("glDepthFunc", E(func));
            Next().glDepthFunc(func);
        },
    .glDepthMask =
        [](GLboolean flag) {
            Log("glDepthMask", B(flag));
            Next().glDepthMask(flag);
        },
    .glDisable =
        [](GLenum cap) {
            Log("glDisable", E(cap));
            Next().glDisable(cap);
        },
    .glEnable =
        [](GLenum cap) {
            Log("glEnable", E(cap));
            Next().glEnable(cap);
        },
    .glEnd =
        []() {
            Log("glEnd");
            Next().glEnd();
        },
    .glEndList =
        []() {
            Log("glEndList");
            Next().glEndList();
        },
    .glEvalMesh2 =
        [](GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2) {
            Log("glEvalMesh2", E(mode), Num(i1), Num(i2), Num(j1), Num(j2));
            Next().glEvalMesh2(mode, i1, i2, j1, j2);
        },
    .glFeedbackBuffer =
        [](GLsizei size, GLenum type, GLfloat* buffer) {
            Log("glFeedbackBuffer", Num(size), E(type), "<out>");
            Next().glFeedbackBuffer(size, type, buffer);
        },
    .glFlush =
        []() {
            Log("glFlush");
            Next().glFlush();
        },
    .glFogf =
        [](GLenum pname, GLfloat param) {
            Log("glFogf", E(pname), Num(param));
            Next().glFogf(pname, param);
        },
    .glFogfv =
        [](GLenum pname, const GLfloat* params) {
            Log("glFogfv", E(pname), Arr(params, ParamCount(pname)));
            Next().glFogfv(pname, params);
        },
    .glFogi =
        [](GLenum pname, GLint param) {
            Log("glFogi", E(pname), IntEnum(param));
            Next().glFogi(pname, param);
        },
    .glFrontFace =
        [](GLenum mode) {
            Log("glFrontFace", E(mode));
            Next().glFrontFace(mode);
        },
    .glFrustum =
        [](GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
           GLdouble zFar) {
            Log("glFrustum", Num(left), Num(right), Num(bottom), Num(top), Num(zNear), Num(zFar));
            Next().glFrustum(left, right, bottom, top, zNear, zFar);
        },
    .glGenLists =
        [](GLsizei range) {
            Log("glGenLists", Num(range));
            return Next().glGenLists(range);
        },
    .glGetDoublev =
        [](GLenum pname, GLdouble* params) {
            Log("glGetDoublev", E(pname), "<out>");
            Next().glGetDoublev(pname, params);
        },
    .glGetIntegerv =
        [](GLenum pname, GLint* params) {
            Log("glGetIntegerv", E(pname), "<out>");
            Next().glGetIntegerv(pname, params);
        },
    .glGetString =
        [](GLenum name) {
            Log("glGetString", E(name));
            return Next().glGetString(name);
        },
    .glHint =
        [](GLenum target, GLenum mode) {
            Log("glHint", E(target), E(mode));
            Next().glHint(target, mode);
        },
    .glInitNames =
        []() {
            Log("glInitNames");
            Next().glInitNames();
        },
    .glLightModelf =
        [](GLenum pname, GLfloat param) {
            Log("glLightModelf", E(pname), Num(param));
            Next().glLightModelf(pname, param);
        },
    .glLightModelfv =
        [](GLenum pname, const GLfloat* params) {
            Log("glLightModelfv", E(pname), Arr(params, ParamCount(pname)));
            Next().glLightModelfv(pname, params);
        },
    .glLightf =
        [](GLenum light, GLenum pname, GLfloat param) {
            Log("glLightf", E(light), E(pname), Num(param));
            Next().glLightf(light, pname, param);
        },
    .glLightfv =
        [](GLenum light, GLenum pname, const GLfloat* params) {
            Log("glLightfv", E(light), E(pname), Arr(params, ParamCount(pname)));
            Next().glLightfv(light, pname, params);
        },
    .glLineStipple =
        [](GLint factor, GLushort pattern) {
            Log("glLineStipple", Num(factor), Hex(pattern));
            Next().glLineStipple(factor, pattern);
        },
    .glLineWidth =
        [](GLfloat width) {
            Log("glLineWidth", Num(width));
            Next().glLineWidth(width);
        },
    .glLoadIdentity =
        []() {
            Log("glLoadIdentity");
            Next().glLoadIdentity();
        },
    .glLoadMatrixd =
        [](const GLdouble* m) {
            Log("glLoadMatrixd", Arr(m, 16));
            Next().glLoadMatrixd(m);
        },
    .glMap2f =
        [](GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1,
           GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points) {
            Log("glMap2f", E(target), Num(u1), Num(u2), Num(ustride), Num(uorder), Num(v1), Num(v2),
                Num(vstride), Num(vorder), Ptr(points, "<points>"));
            Next().glMap2f(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
        },
    .glMapGrid2f =
        [](GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2) {
            Log("glMapGrid2f", Num(un), Num(u1), Num(u2), Num(vn), Num(v1), Num(v2));
            Next().glMapGrid2f(un, u1, u2, vn, v1, v2);
        },
    .glMaterialfv =
        [](GLenum face, GLenum pname, const GLfloat* params) {
            Log("glMaterialfv", E(face), E(pname), Arr(params, ParamCount(pname)));
            Next().glMaterialfv(face, pname, params);
        },
    .glMatrixMode =
        [](GLenum mode) {
            Log("glMatrixMode", E(mode));
            Next().glMatrixMode(mode);
        },
    .glMultMatrixd =
        [](const GLdouble* m) {
            Log("glMultMatrixd", Arr(m, 16));
            Next().glMultMatrixd(m);
        },
    .glNewList =
        [](GLuint list, GLenum mode) {
            Log("glNewList", Num(list), E(mode));
            Next().glNewList(list, mode);
        },
    .glNormal3b =
        [](GLbyte nx, GLbyte ny, GLbyte nz) {
            Log("glNormal3b", Num(nx), Num(ny), Num(nz));
            Next().glNormal3b(nx, ny, nz);
        },
    .glNormal3dv =
        [](const GLdouble* v) {
            Log("glNormal3dv", Arr(v, 3));
            Next().glNormal3dv(v);
        },
    .glNormal3f =
        [](GLfloat nx, GLfloat ny, GLfloat nz) {
            Log("glNormal3f", Num(nx), Num(ny), Num(nz));
            Next().glNormal3f(nx, ny, nz);
        },
    .glNormal3fv =
        [](const GLfloat* v) {
            Log("glNormal3fv", Arr(v, 3));
            Next().glNormal3fv(v);
        },
    .glOrtho =
        [](GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
           GLdouble zFar) {
            Log("glOrtho", Num(left), Num(right), Num(bottom), Num(top), Num(zNear), Num(zFar));
            Next().glOrtho(left, right, bottom, top, zNear, zFar);
        },
    .glPointSize =
        [](GLfloat size) {
            Log("glPointSize", Num(size));
            Next().glPointSize(size);
        },
    .glPolygonOffset =
        [](GLfloat factor, GLfloat units) {
            Log("glPolygonOffset", Num(factor), Num(units));
            Next().glPolygonOffset(factor, units);
        },
    .glPopAttrib =
        []() {
            Log("glPopAttrib");
            Next().glPopAttrib();
        },
    .glPopMatrix =
        []() {
            Log("glPopMatrix");
            Next().glPopMatrix();
        },
    .glPopName =
        []() {
            Log("glPopName");
            Next().glPopName();
        },
    .glPushAttrib =
        [](GLbitfield mask) {
            Log("glPushAttrib", Bits(mask));
            Next().glPushAttrib(mask);
        },
    .glPushMatrix =
        []() {
            Log("glPushMatrix");
            Next().glPushMatrix();
        },
    .glPushName =
        [](GLuint name) {
            Log("glPushName", Num(name));
            Next().glPushName(name);
        },
    .glRasterPos3d =
        [](GLdouble x, GLdouble y, GLdouble z) {
            Log("glRasterPos3d", Num(x), Num(y), Num(z));
            Next().glRasterPos3d(x, y, z);
        },
    .glRenderMode =
        [](GLenum mode) {
            Log("glRenderMode", E(mode));
            return Next().glRenderMode(mode);
        },
    .glRotatef =
        [](GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
            Log("glRotatef", Num(angle), Num(x), Num(y), Num(z));
            Next().glRotatef(angle, x, y, z);
        },
    .glScalef =
        [](GLfloat x, GLfloat y, GLfloat z) {
            Log("glScalef", Num(x), Num(y), Num(z));
            Next().glScalef(x, y, z);
        },
    .glSelectBuffer =
        [](GLsizei size, GLuint* buffer) {
            Log("glSelectBuffer", Num(size), "<out>");
            Next().glSelectBuffer(size, buffer);
        },
    .glShadeModel =
        [](GLenum mode) {
            Log("glShadeModel", E(mode));
            Next().glShadeModel(mode);
        },
    .glStencilFunc =
        [](GLenum func, GLint ref, GLuint mask) {
            Log("glStencilFunc", E(func), Num(ref), Hex(mask));
            Next().glStencilFunc(func, ref, mask);
        },
    .glStencilOp =
        [](GLenum fail, GLenum zfail, GLenum zpass) {
            Log("glStencilOp", EZ(fail), EZ(zfail), EZ(zpass));
            Next().glStencilOp(fail, zfail, zpass);
        },
    .glTexCoord2d =
        [](GLdouble s, GLdouble t) {
            Log("glTexCoord2d", Num(s), Num(t));
            Next().glTexCoord2d(s, t);
        },
    .glTexCoord2dv =
        [](const GLdouble* v) {
            Log("glTexCoord2dv", Arr(v, 2));
            Next().glTexCoord2dv(v);
        },
    .glTexCoord2f =
        [](GLfloat s, GLfloat t) {
            Log("glTexCoord2f", Num(s), Num(t));
            Next().glTexCoord2f(s, t);
        },
    .glTexCoord2fv =
        [](const GLfloat* v) {
            Log("glTexCoord2fv", Arr(v, 2));
            Next().glTexCoord2fv(v);
        },
    .glTexCoord2i =
        [](GLint s, GLint t) {
            Log("glTexCoord2i", Num(s), Num(t));
            Next().glTexCoord2i(s, t);
        },
    .glTexImage2D =
        [](GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
           GLint border, GLenum format, GLenum type, const void* pixels) {
            Log("glTexImage2D", E(target), Num(level), IntEnum(internalFormat), Num(width),
                Num(height), Num(border), E(format), E(type), Ptr(pixels, "<pixels>"));
            Next().glTexImage2D(target, level, internalFormat, width, height, border, format, type,
                                pixels);
        },
    .glTexParameteri =
        [](GLenum target, GLenum pname, GLint param) {
            Log("glTexParameteri", E(target), E(pname), IntEnum(param));
            Next().glTexParameteri(target, pname, param);
        },
    .glTranslatef =
        [](GLfloat x, GLfloat y, GLfloat z) {
            Log("glTranslatef", Num(x), Num(y), Num(z));
            Next().glTranslatef(x, y, z);
        },
    .glVertex3d =
        [](GLdouble x, GLdouble y, GLdouble z) {
            Log("glVertex3d", Num(x), Num(y), Num(z));
            Next().glVertex3d(x, y, z);
        },
    .glVertex3dv =
        [](const GLdouble* v) {
            Log("glVertex3dv", Arr(v, 3));
            Next().glVertex3dv(v);
        },
    .glVertex3f =
        [](GLfloat x, GLfloat y, GLfloat z) {
            Log("glVertex3f", Num(x), Num(y), Num(z));
            Next().glVertex3f(x, y, z);
        },
    .glVertex3fv =
        [](const GLfloat* v) {
            Log("glVertex3fv", Arr(v, 3));
            Next().glVertex3fv(v);
        },
    .glViewport =
        [](GLint x, GLint y, GLsizei width, GLsizei height) {
            Log("glViewport", Num(x), Num(y), Num(width), Num(height));
            Next().glViewport(x, y, width, height);
        },
    .gluCylinder =
        [](GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height, GLint slices,
           GLint stacks) {
            Log("gluCylinder", Ptr(quad, "<quadric>"), Num(base), Num(top), Num(height),
                Num(slices), Num(stacks));
            Next().gluCylinder(quad, base, top, height, slices, stacks);
        },
    .gluDeleteQuadric =
        [](GLUquadric* quad) {
            Log("gluDeleteQuadric", Ptr(quad, "<quadric>"));
            Next().gluDeleteQuadric(quad);
        },
    .gluDeleteTess =
        [](GLUtesselator* tess) {
            Log("gluDeleteTess", Ptr(tess, "<tess>"));
            Next().gluDeleteTess(tess);
        },
    .gluDisk =
        [](GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
            Log("gluDisk", Ptr(quad, "<quadric>"), Num(inner), Num(outer), Num(slices), Num(loops));
            Next().gluDisk(quad, inner, outer, slices, loops);
        },
    .gluErrorString =
        [](GLenum error) {
            Log("gluErrorString", E(error));
            return Next().gluErrorString(error);
        },
    .gluLookAt =
        [](GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
           GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
            Log("gluLookAt", Num(eyeX), Num(eyeY), Num(eyeZ), Num(centerX), Num(centerY),
                Num(centerZ), Num(upX), Num(upY), Num(upZ));
            Next().gluLookAt(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
        },
    .gluNewQuadric =
        []() {
            Log("gluNewQuadric");
            return Next().gluNewQuadric();
        },
    .gluNewTess =
        []() {
            Log("gluNewTess");
            return Next().gluNewTess();
        },
    .gluPerspective =
        [](GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
            Log("gluPerspective", Num(fovy), Num(aspect), Num(zNear), Num(zFar));
            Next().gluPerspective(fovy, aspect, zNear, zFar);
        },
    .gluPickMatrix =
        [](GLdouble x, GLdouble y, GLdouble delX, GLdouble delY, GLint* viewport) {
            Log("gluPickMatrix", Num(x), Num(y), Num(delX), Num(delY), Arr(viewport, 4));
            Next().gluPickMatrix(x, y, delX, delY, viewport);
        },
    .gluQuadricDrawStyle =
        [](GLUquadric* quad, GLenum draw) {
            Log("gluQuadricDrawStyle", Ptr(quad, "<quadric>"), E(draw));
            Next().gluQuadricDrawStyle(quad, draw);
        },
    .gluQuadricNormals =
        [](GLUquadric* quad, GLenum normal) {
            Log("gluQuadricNormals", Ptr(quad, "<quadric>"), E(normal));
            Next().gluQuadricNormals(quad, normal);
        },
    .gluQuadricOrientation =
        [](GLUquadric* quad, GLenum orientation) {
            Log("gluQuadricOrientation", Ptr(quad, "<quadric>"), E(orientation));
            Next().gluQuadricOrientation(quad, orientation);
        },
    .gluQuadricTexture =
        [](GLUquadric* quad, GLboolean texture) {
            Log("gluQuadricTexture", Ptr(quad, "<quadric>"), B(texture));
            Next().gluQuadricTexture(quad, texture);
        },
    .gluSphere =
        [](GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks) {
            Log("gluSphere", Ptr(quad, "<quadric>"), Num(radius), Num(slices), Num(stacks));
            Next().gluSphere(quad, radius, slices, stacks);
        },
    .gluTessBeginContour =
        [](GLUtesselator* tess) {
            Log("gluTessBeginContour", Ptr(tess, "<tess>"));
            Next().gluTessBeginContour(tess);
        },
    .gluTessBeginPolygon =
        [](GLUtesselator* tess, void* data) {
            Log("gluTessBeginPolygon", Ptr(tess, "<tess>"), Ptr(data, "<data>"));
            Next().gluTessBeginPolygon(tess, data);
        },
    .gluTessCallback =
        [](GLUtesselator* tess, GLenum which, TGLUCallback CallBackFunc) {
            Log("gluTessCallback", Ptr(tess, "<tess>"), E(which),
                Ptr(reinterpret_cast<const void*>(CallBackFunc), "<fn>"));
            Next().gluTessCallback(tess, which, CallBackFunc);
        },
    .gluTessEndContour =
        [](GLUtesselator* tess) {
            Log("gluTessEndContour", Ptr(tess, "<tess>"));
            Next().gluTessEndContour(tess);
        },
    .gluTessEndPolygon =
        [](GLUtesselator* tess) {
            Log("gluTessEndPolygon", Ptr(tess, "<tess>"));
            Next().gluTessEndPolygon(tess);
        },
    .gluTessProperty =
        [](GLUtesselator* tess, GLenum which, GLdouble data) {
            Log("gluTessProperty", Ptr(tess, "<tess>"), E(which),
                which == GLU_TESS_WINDING_RULE ? GLEnumName(static_cast<GLenum>(data)) : Num(data));
            Next().gluTessProperty(tess, which, data);
        },
    .gluTessVertex =
        [](GLUtesselator* tess, GLdouble* location, void* data) {
            Log("gluTessVertex", Ptr(tess, "<tess>"), Arr(location, 3), Ptr(data, "<data>"));
            Next().gluTessVertex(tess, location, data);
        },
    .gluUnProject =
        [](GLdouble winX, GLdouble winY, GLdouble winZ, const GLdouble* model, const GLdouble* proj,
           const GLint* view, GLdouble* objX, GLdouble* objY, GLdouble* objZ) {
            Log("gluUnProject", Num(winX), Num(winY), Num(winZ), Arr(model, 16), Arr(proj, 16),
                Arr(view, 4), "<out>", "<out>", "<out>");
            return Next().gluUnProject(winX, winY, winZ, model, proj, view, objX, objY, objZ);
        },
    .ChoosePixelFormat =
        [](HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
            Log("ChoosePixelFormat", Ptr(dc, "<dc>"), Ptr(pfd, "<pfd>"));
            return Next().ChoosePixelFormat(dc, pfd);
        },
    .SetPixelFormat =
        [](HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd) {
            Log("SetPixelFormat", Ptr(dc, "<dc>"), Num(format), Ptr(pfd, "<pfd>"));
            return Next().SetPixelFormat(dc, format, pfd);
        },
    .DescribePixelFormat =
        [](HDC dc, int format, unsigned bytes, PIXELFORMATDESCRIPTOR* pfd) {
            Log("DescribePixelFormat", Ptr(dc, "<dc>"), Num(format), Num(bytes), Ptr(pfd, "<out>"));
            return Next().DescribePixelFormat(dc, format, bytes, pfd);
        },
    .wglCreateContext =
        [](HDC dc, HGLRC shareWith) {
            Log("wglCreateContext", Ptr(dc, "<dc>"), Ptr(shareWith, "<rc>"));
            return Next().wglCreateContext(dc, shareWith);
        },
    .wglDeleteContext =
        [](HGLRC rc) {
            Log("wglDeleteContext", Ptr(rc, "<rc>"));
            return Next().wglDeleteContext(rc);
        },
    .wglMakeCurrent =
        [](HDC dc, HGLRC rc) {
            Log("wglMakeCurrent", Ptr(dc, "<dc>"), Ptr(rc, "<rc>"));
            return Next().wglMakeCurrent(dc, rc);
        },
    .wglShareLists =
        [](HGLRC first, HGLRC second) {
            Log("wglShareLists", Ptr(first, "<rc>"), Ptr(second, "<rc>"));
            return Next().wglShareLists(first, second);
        },
    .SwapBuffers =
        [](HDC dc) {
            Log("SwapBuffers", Ptr(dc, "<dc>"));
            return Next().SwapBuffers(dc);
        },
};

}  // namespace

TGLRecorder::TGLRecorder() : FNext(&ActiveGLDispatch()) {
    if (Installed)
        throw EInvalidOperation("TGLRecorder: a recorder is already installed; destroy it "
                                "before installing another");
    Installed = this;
    SetGLDispatch(&RecordingGL);
}

TGLRecorder::~TGLRecorder() {
    SetGLDispatch(FNext);
    Installed = nullptr;
}

std::vector<std::string> TGLRecorder::Calls(std::initializer_list<std::string_view> names) const {
    std::vector<std::string> result;
    for (const std::string& call : FCalls) {
        const std::string_view name = std::string_view(call).substr(0, call.find('('));
        for (std::string_view wanted : names) {
            if (name == wanted) {
                result.push_back(call);
                break;
            }
        }
    }
    return result;
}

std::string GLEnumName(GLenum value) {
    for (const detail::TEnumName& name : detail::EnumNames())
        if (name.Value == value)
            return name.Name;
    return Hex(value);
}

}  // namespace nyx
