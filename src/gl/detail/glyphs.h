#pragma once
// Glyph shapes: what one character of a font looks like as OpenGL calls, made once by
// gl/fonts.cpp (faces and cache) and gl/glyphoutline.cpp (outline geometry), and emitted
// into display lists by gl/wglfont.cpp.

#include <array>
#include <cstdint>
#include <vector>

#include "gl/wgl.h"

namespace nyx::detail {

// How a glyph is wanted: a bitmap, or an outline in one of the WGL_FONT_ formats.
struct TGlyphStyle {
    bool Outline = false;
    int Format = WGL_FONT_POLYGONS;
    GLfloat Deviation = 0;  // em units; 0 is one design unit
    GLfloat Extrusion = 0;
};

struct TGlyphVertex {
    GLfloat Pos[3];
    GLfloat Normal[3];
};

struct TGlyphPrimitive {
    GLenum Mode;
    std::uint32_t First;
    std::uint32_t Count;
};

struct TGlyphShape {
    // Never reused in the process, so share groups can key their compiled lists on it.
    std::uint64_t Serial = 0;
    bool Outline = false;
    // Bitmaps: glBitmap's arguments; rows bottom-up, each padded to 4 bytes (the unpack
    // alignment the library never changes).
    GLsizei Width = 0;
    GLsizei Height = 0;
    GLfloat XOrig = 0;
    GLfloat YOrig = 0;
    GLfloat XMove = 0;
    std::vector<GLubyte> Bits;
    // Outlines: the primitives over Vertices, then a move by the advance.
    std::vector<TGlyphPrimitive> Primitives;
    std::vector<TGlyphVertex> Vertices;
    GLYPHMETRICSFLOAT Metrics{};
};

// The shape of character Code (Windows-1252) of Font, from the cache or made and kept
// there; none when no face of the font can be loaded.
const TGlyphShape* CachedGlyph(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code);
// The same shape made afresh, past the cache; false when no face can be loaded.
bool MakeGlyph(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code,
               TGlyphShape& Shape);

// A flattened outline contour in em units: closed (the last point joins the first),
// without repeated points.
using TContour = std::vector<std::array<double, 2>>;

// Triangles of the area the contours enclose by a GLU winding rule, as indices into
// Points (the contour points, then those the tessellator adds where contours cross).
// Empty when the tessellator fails.
struct TTessellation {
    std::vector<std::array<double, 2>> Points;
    std::vector<std::uint32_t> Triangles;
    bool Failed = false;
};
TTessellation Tessellate(const std::vector<TContour>& Contours, GLenum WindingRule);

// Fills Shape's primitives from the contours of one glyph (gl/glyphoutline.cpp). The
// filled side of each contour follows from their total signed area, so either contour
// orientation convention works.
void BuildOutlineGeometry(const std::vector<TContour>& Contours, const TGlyphStyle& Style,
                          TGlyphShape& Shape);

}  // namespace nyx::detail
