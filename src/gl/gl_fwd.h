#pragma once
// The GL and window-system types that public headers outside src/gl may name, without the
// binding: no entry point and no GL_ enumerant is declared here. A header that only holds
// a GLenum, a GLUtesselator* or a panel's pixel format includes this; a .cpp that draws
// includes "gl/opengl.h" (and "gl/wgl.h" for the window-system calls) itself.

#include <cstdint>

// GLU's opaque objects live at global scope, as GL/glu.h declares them.
struct GLUquadric;
struct GLUtesselator;

namespace nyx {

// The system's own typedefs (gl/opengl.cpp checks them against GL/gl.h), so each slot of
// the dispatch table has exactly the signature of the C function.
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
// A rendering-context handle: opaque, and never reused within a process, so a handle
// kept after its context was deleted can never name another context.
struct TGLContextHandle;
using HGLRC = TGLContextHandle*;

// The platform's 40-byte pixel-format descriptor, field for field. Its flag and type
// constants (PFD_...) are in gl/wgl.h.
struct PIXELFORMATDESCRIPTOR {
    std::uint16_t nSize;
    std::uint16_t nVersion;
    std::uint32_t dwFlags;
    std::uint8_t iPixelType;
    std::uint8_t cColorBits;
    std::uint8_t cRedBits;
    std::uint8_t cRedShift;
    std::uint8_t cGreenBits;
    std::uint8_t cGreenShift;
    std::uint8_t cBlueBits;
    std::uint8_t cBlueShift;
    std::uint8_t cAlphaBits;
    std::uint8_t cAlphaShift;
    std::uint8_t cAccumBits;
    std::uint8_t cAccumRedBits;
    std::uint8_t cAccumGreenBits;
    std::uint8_t cAccumBlueBits;
    std::uint8_t cAccumAlphaBits;
    std::uint8_t cDepthBits;
    std::uint8_t cStencilBits;
    std::uint8_t cAuxBuffers;
    std::uint8_t iLayerType;
    std::uint8_t bReserved;
    std::uint32_t dwLayerMask;
    std::uint32_t dwVisibleMask;
    std::uint32_t dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the platform's descriptor is 40 bytes");

struct POINTFLOAT {
    GLfloat x;
    GLfloat y;
};

// Outline glyph metrics in em units (wglUseFontOutlinesA): the black box, its upper-left
// corner relative to the glyph origin, and the advance.
struct GLYPHMETRICSFLOAT {
    GLfloat gmfBlackBoxX;
    GLfloat gmfBlackBoxY;
    POINTFLOAT gmfptGlyphOrigin;
    GLfloat gmfCellIncX;
    GLfloat gmfCellIncY;
};

}  // namespace nyx
