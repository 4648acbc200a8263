#pragma once
// The one list of the binding's entry points. Everything else is produced from it: the
// slots of the dispatch table and the inline calls (gl/opengl.h, gl/wgl.h), the table of
// the real libraries (gl/opengl.cpp), and the recording and checking tables of
// nyx_testing. Adding an entry point is one line here, in alphabetical order.
//
// Columns: X(return type, name, (parameters), (arguments), (printed arguments)).
// The printed arguments are how the recorder's log shows each argument. They name the
// printers of testing/detail/glprinters.h and are only expanded there: E enumerant, EZ
// enumerant where 0 and 1 are GL_ZERO and GL_ONE, B boolean, Bits attribute mask, IntEnum
// integer carrying an enumerant, Num number, Hex, Arr array of n values, Ptr opaque
// pointer, Fn callback, "<out>" output buffer, and a few of one call's own.
//
// The lists: OpenGL 1.1, GLU, and the window-system calls (backed by gl/wgl.cpp instead
// of a system library).

// clang-format off
#define NYX_GL_ENTRY_POINTS(X) \
    X(void, glAccum, (GLenum op, GLfloat value), (op, value), (E(op), Num(value))) \
    X(void, glBegin, (GLenum mode), (mode), (E(mode))) \
    X(void, glBitmap, (GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte* bitmap), (width, height, xorig, yorig, xmove, ymove, bitmap), (Num(width), Num(height), Num(xorig), Num(yorig), Num(xmove), Num(ymove), Ptr(bitmap, "<bitmap>"))) \
    X(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor), (EZ(sfactor), EZ(dfactor))) \
    X(void, glCallList, (GLuint list), (list), (Num(list))) \
    X(void, glClear, (GLbitfield mask), (mask), (Bits(mask))) \
    X(void, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha), (red, green, blue, alpha), (Num(red), Num(green), Num(blue), Num(alpha))) \
    X(void, glClearStencil, (GLint s), (s), (Num(s))) \
    X(void, glClipPlane, (GLenum plane, const GLdouble* equation), (plane, equation), (E(plane), Arr(equation, 4))) \
    X(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue), (Num(red), Num(green), Num(blue))) \
    X(void, glColor3i, (GLint red, GLint green, GLint blue), (red, green, blue), (Num(red), Num(green), Num(blue))) \
    X(void, glColor4fv, (const GLfloat* v), (v), (Arr(v, 4))) \
    X(void, glColorMask, (GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha), (red, green, blue, alpha), (B(red), B(green), B(blue), B(alpha))) \
    X(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const void* pointer), (size, type, stride, pointer), (Num(size), E(type), Num(stride), Ptr(pointer, "<colors>"))) \
    X(void, glCullFace, (GLenum mode), (mode), (E(mode))) \
    X(void, glDeleteLists, (GLuint list, GLsizei range), (list, range), (Num(list), Num(range))) \
    X(void, glDepthFunc, (GLenum func), (func), (E(func))) \
    X(void, glDepthMask, (GLboolean flag), (flag), (B(flag))) \
    X(void, glDisable, (GLenum cap), (cap), (E(cap))) \
    X(void, glDisableClientState, (GLenum array), (array), (E(array))) \
    X(void, glDrawElements, (GLenum mode, GLsizei count, GLenum type, const void* indices), (mode, count, type, indices), (E(mode), Num(count), E(type), Ptr(indices, "<indices>"))) \
    X(void, glEnable, (GLenum cap), (cap), (E(cap))) \
    X(void, glEnableClientState, (GLenum array), (array), (E(array))) \
    X(void, glEnd, (), (), ()) \
    X(void, glEndList, (), (), ()) \
    X(void, glEvalMesh2, (GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2), (mode, i1, i2, j1, j2), (E(mode), Num(i1), Num(i2), Num(j1), Num(j2))) \
    X(void, glFeedbackBuffer, (GLsizei size, GLenum type, GLfloat* buffer), (size, type, buffer), (Num(size), E(type), "<out>")) \
    X(void, glFlush, (), (), ()) \
    X(void, glFogf, (GLenum pname, GLfloat param), (pname, param), (E(pname), Num(param))) \
    X(void, glFogfv, (GLenum pname, const GLfloat* params), (pname, params), (E(pname), Arr(params, ParamCount(pname)))) \
    X(void, glFogi, (GLenum pname, GLint param), (pname, param), (E(pname), IntEnum(param))) \
    X(void, glFrontFace, (GLenum mode), (mode), (E(mode))) \
    X(void, glFrustum, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar), (left, right, bottom, top, zNear, zFar), (Num(left), Num(right), Num(bottom), Num(top), Num(zNear), Num(zFar))) \
    X(GLuint, glGenLists, (GLsizei range), (range), (Num(range))) \
    X(void, glGetDoublev, (GLenum pname, GLdouble* params), (pname, params), (E(pname), "<out>")) \
    X(void, glGetIntegerv, (GLenum pname, GLint* params), (pname, params), (E(pname), "<out>")) \
    X(const GLubyte*, glGetString, (GLenum name), (name), (E(name))) \
    X(void, glHint, (GLenum target, GLenum mode), (target, mode), (E(target), E(mode))) \
    X(void, glInitNames, (), (), ()) \
    X(void, glLightModelf, (GLenum pname, GLfloat param), (pname, param), (E(pname), Num(param))) \
    X(void, glLightModelfv, (GLenum pname, const GLfloat* params), (pname, params), (E(pname), Arr(params, ParamCount(pname)))) \
    X(void, glLightf, (GLenum light, GLenum pname, GLfloat param), (light, pname, param), (E(light), E(pname), Num(param))) \
    X(void, glLightfv, (GLenum light, GLenum pname, const GLfloat* params), (light, pname, params), (E(light), E(pname), Arr(params, ParamCount(pname)))) \
    X(void, glLineStipple, (GLint factor, GLushort pattern), (factor, pattern), (Num(factor), Hex(pattern))) \
    X(void, glLineWidth, (GLfloat width), (width), (Num(width))) \
    X(void, glLoadIdentity, (), (), ()) \
    X(void, glLoadMatrixd, (const GLdouble* m), (m), (Arr(m, 16))) \
    X(void, glMap2f, (GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1, GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points), (target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points), (E(target), Num(u1), Num(u2), Num(ustride), Num(uorder), Num(v1), Num(v2), Num(vstride), Num(vorder), Ptr(points, "<points>"))) \
    X(void, glMapGrid2f, (GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2), (un, u1, u2, vn, v1, v2), (Num(un), Num(u1), Num(u2), Num(vn), Num(v1), Num(v2))) \
    X(void, glMaterialfv, (GLenum face, GLenum pname, const GLfloat* params), (face, pname, params), (E(face), E(pname), Arr(params, ParamCount(pname)))) \
    X(void, glMatrixMode, (GLenum mode), (mode), (E(mode))) \
    X(void, glMultMatrixd, (const GLdouble* m), (m), (Arr(m, 16))) \
    X(void, glNewList, (GLuint list, GLenum mode), (list, mode), (Num(list), E(mode))) \
    X(void, glNormal3b, (GLbyte nx, GLbyte ny, GLbyte nz), (nx, ny, nz), (Num(nx), Num(ny), Num(nz))) \
    X(void, glNormal3dv, (const GLdouble* v), (v), (Arr(v, 3))) \
    X(void, glNormal3f, (GLfloat nx, GLfloat ny, GLfloat nz), (nx, ny, nz), (Num(nx), Num(ny), Num(nz))) \
    X(void, glNormal3fv, (const GLfloat* v), (v), (Arr(v, 3))) \
    X(void, glNormalPointer, (GLenum type, GLsizei stride, const void* pointer), (type, stride, pointer), (E(type), Num(stride), Ptr(pointer, "<normals>"))) \
    X(void, glOrtho, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar), (left, right, bottom, top, zNear, zFar), (Num(left), Num(right), Num(bottom), Num(top), Num(zNear), Num(zFar))) \
    X(void, glPointSize, (GLfloat size), (size), (Num(size))) \
    X(void, glPolygonOffset, (GLfloat factor, GLfloat units), (factor, units), (Num(factor), Num(units))) \
    X(void, glPopAttrib, (), (), ()) \
    X(void, glPopMatrix, (), (), ()) \
    X(void, glPopName, (), (), ()) \
    X(void, glPushAttrib, (GLbitfield mask), (mask), (Bits(mask))) \
    X(void, glPushMatrix, (), (), ()) \
    X(void, glPushName, (GLuint name), (name), (Num(name))) \
    X(void, glRasterPos3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z), (Num(x), Num(y), Num(z))) \
    X(GLint, glRenderMode, (GLenum mode), (mode), (E(mode))) \
    X(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z), (Num(angle), Num(x), Num(y), Num(z))) \
    X(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (Num(x), Num(y), Num(z))) \
    X(void, glSelectBuffer, (GLsizei size, GLuint* buffer), (size, buffer), (Num(size), "<out>")) \
    X(void, glShadeModel, (GLenum mode), (mode), (E(mode))) \
    X(void, glStencilFunc, (GLenum func, GLint ref, GLuint mask), (func, ref, mask), (E(func), Num(ref), Hex(mask))) \
    X(void, glStencilOp, (GLenum fail, GLenum zfail, GLenum zpass), (fail, zfail, zpass), (EZ(fail), EZ(zfail), EZ(zpass))) \
    X(void, glTexCoord2d, (GLdouble s, GLdouble t), (s, t), (Num(s), Num(t))) \
    X(void, glTexCoord2dv, (const GLdouble* v), (v), (Arr(v, 2))) \
    X(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t), (Num(s), Num(t))) \
    X(void, glTexCoord2fv, (const GLfloat* v), (v), (Arr(v, 2))) \
    X(void, glTexCoord2i, (GLint s, GLint t), (s, t), (Num(s), Num(t))) \
    X(void, glTexCoordPointer, (GLint size, GLenum type, GLsizei stride, const void* pointer), (size, type, stride, pointer), (Num(size), E(type), Num(stride), Ptr(pointer, "<texcoords>"))) \
    X(void, glTexImage2D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels), (target, level, internalFormat, width, height, border, format, type, pixels), (E(target), Num(level), IntEnum(internalFormat), Num(width), Num(height), Num(border), E(format), E(type), Ptr(pixels, "<pixels>"))) \
    X(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param), (E(target), E(pname), IntEnum(param))) \
    X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (Num(x), Num(y), Num(z))) \
    X(void, glVertex3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z), (Num(x), Num(y), Num(z))) \
    X(void, glVertex3dv, (const GLdouble* v), (v), (Arr(v, 3))) \
    X(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (Num(x), Num(y), Num(z))) \
    X(void, glVertex3fv, (const GLfloat* v), (v), (Arr(v, 3))) \
    X(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const void* pointer), (size, type, stride, pointer), (Num(size), E(type), Num(stride), Ptr(pointer, "<vertices>"))) \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height), (Num(x), Num(y), Num(width), Num(height)))

#define NYX_GLU_ENTRY_POINTS(X) \
    X(void, gluCylinder, (GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks), (quad, base, top, height, slices, stacks), (Ptr(quad, "<quadric>"), Num(base), Num(top), Num(height), Num(slices), Num(stacks))) \
    X(void, gluDeleteQuadric, (GLUquadric* quad), (quad), (Ptr(quad, "<quadric>"))) \
    X(void, gluDeleteTess, (GLUtesselator* tess), (tess), (Ptr(tess, "<tess>"))) \
    X(void, gluDisk, (GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops), (quad, inner, outer, slices, loops), (Ptr(quad, "<quadric>"), Num(inner), Num(outer), Num(slices), Num(loops))) \
    X(const GLubyte*, gluErrorString, (GLenum error), (error), (E(error))) \
    X(void, gluLookAt, (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ), (eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ), (Num(eyeX), Num(eyeY), Num(eyeZ), Num(centerX), Num(centerY), Num(centerZ), Num(upX), Num(upY), Num(upZ))) \
    X(GLUquadric*, gluNewQuadric, (), (), ()) \
    X(GLUtesselator*, gluNewTess, (), (), ()) \
    X(void, gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar), (fovy, aspect, zNear, zFar), (Num(fovy), Num(aspect), Num(zNear), Num(zFar))) \
    X(void, gluPickMatrix, (GLdouble x, GLdouble y, GLdouble delX, GLdouble delY, GLint* viewport), (x, y, delX, delY, viewport), (Num(x), Num(y), Num(delX), Num(delY), Arr(viewport, 4))) \
    X(void, gluQuadricDrawStyle, (GLUquadric* quad, GLenum draw), (quad, draw), (Ptr(quad, "<quadric>"), E(draw))) \
    X(void, gluQuadricNormals, (GLUquadric* quad, GLenum normal), (quad, normal), (Ptr(quad, "<quadric>"), E(normal))) \
    X(void, gluQuadricOrientation, (GLUquadric* quad, GLenum orientation), (quad, orientation), (Ptr(quad, "<quadric>"), E(orientation))) \
    X(void, gluQuadricTexture, (GLUquadric* quad, GLboolean texture), (quad, texture), (Ptr(quad, "<quadric>"), B(texture))) \
    X(void, gluSphere, (GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks), (quad, radius, slices, stacks), (Ptr(quad, "<quadric>"), Num(radius), Num(slices), Num(stacks))) \
    X(void, gluTessBeginContour, (GLUtesselator* tess), (tess), (Ptr(tess, "<tess>"))) \
    X(void, gluTessBeginPolygon, (GLUtesselator* tess, void* data), (tess, data), (Ptr(tess, "<tess>"), Ptr(data, "<data>"))) \
    X(void, gluTessCallback, (GLUtesselator* tess, GLenum which, TGLUCallback callback), (tess, which, callback), (Ptr(tess, "<tess>"), E(which), Fn(callback))) \
    X(void, gluTessEndContour, (GLUtesselator* tess), (tess), (Ptr(tess, "<tess>"))) \
    X(void, gluTessEndPolygon, (GLUtesselator* tess), (tess), (Ptr(tess, "<tess>"))) \
    X(void, gluTessProperty, (GLUtesselator* tess, GLenum which, GLdouble data), (tess, which, data), (Ptr(tess, "<tess>"), E(which), TessValue(which, data))) \
    X(void, gluTessVertex, (GLUtesselator* tess, GLdouble* location, void* data), (tess, location, data), (Ptr(tess, "<tess>"), Arr(location, 3), Ptr(data, "<data>"))) \
    X(GLint, gluUnProject, (GLdouble winX, GLdouble winY, GLdouble winZ, const GLdouble* model, const GLdouble* proj, const GLint* view, GLdouble* objX, GLdouble* objY, GLdouble* objZ), (winX, winY, winZ, model, proj, view, objX, objY, objZ), (Num(winX), Num(winY), Num(winZ), Arr(model, 16), Arr(proj, 16), Arr(view, 4), "<out>", "<out>", "<out>"))

#define NYX_WGL_ENTRY_POINTS(X) \
    X(int, ChoosePixelFormat, (HDC dc, const PIXELFORMATDESCRIPTOR* pfd), (dc, pfd), (Ptr(dc, "<dc>"), Ptr(pfd, "<pfd>"))) \
    X(bool, SetPixelFormat, (HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd), (dc, format, pfd), (Ptr(dc, "<dc>"), Num(format), Ptr(pfd, "<pfd>"))) \
    X(int, DescribePixelFormat, (HDC dc, int format, unsigned bytes, PIXELFORMATDESCRIPTOR* pfd), (dc, format, bytes, pfd), (Ptr(dc, "<dc>"), Num(format), Num(bytes), Ptr(pfd, "<out>"))) \
    X(HGLRC, wglCreateContext, (HDC dc, HGLRC shareWith), (dc, shareWith), (Ptr(dc, "<dc>"), Ptr(shareWith, "<rc>"))) \
    X(bool, wglDeleteContext, (HGLRC rc), (rc), (Ptr(rc, "<rc>"))) \
    X(bool, wglMakeCurrent, (HDC dc, HGLRC rc), (dc, rc), (Ptr(dc, "<dc>"), Ptr(rc, "<rc>"))) \
    X(bool, wglShareLists, (HGLRC first, HGLRC second), (first, second), (Ptr(first, "<rc>"), Ptr(second, "<rc>"))) \
    X(bool, SwapBuffers, (HDC dc), (dc), (Ptr(dc, "<dc>"))) \
    X(bool, wglUseFontBitmapsA, (HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase), (dc, first, count, listBase), (Ptr(dc, "<dc>"), Num(first), Num(count), Num(listBase))) \
    X(bool, wglUseFontOutlinesA, (HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase, GLfloat deviation, GLfloat extrusion, int format, GLYPHMETRICSFLOAT* metrics), (dc, first, count, listBase, deviation, extrusion, format, metrics), (Ptr(dc, "<dc>"), Num(first), Num(count), Num(listBase), Num(deviation), Num(extrusion), FontFormat(format), Ptr(metrics, "<out>")))
// clang-format on

#define NYX_ALL_ENTRY_POINTS(X)                                                                    \
    NYX_GL_ENTRY_POINTS(X)                                                                         \
    NYX_GLU_ENTRY_POINTS(X)                                                                        \
    NYX_WGL_ENTRY_POINTS(X)
