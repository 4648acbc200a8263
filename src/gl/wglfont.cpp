// The font display-list calls: each requested list calls the glyph's shape, compiled once
// per share group from the shared glyph cache (or, with the cache off, holds the shape
// itself); and those shared lists themselves, for callers that call them directly.

#include <algorithm>
#include <cmath>

#include "gl/detail/glyphs.h"
#include "gl/detail/wglimpl.h"
#include "gl/fonts.h"

namespace nyx::detail {
namespace {

// Single-byte codes only, and list names that neither start at 0 nor run past the last.
bool ValidRange(std::uint32_t First, std::uint32_t Count, std::uint32_t ListBase) {
    return First <= 256 && Count <= 256 - First &&
           (Count == 0 || (ListBase != 0 && ListBase - 1 <= ~std::uint32_t(0) - Count));
}

void EmitShape(const TGlyphShape& Shape) {
    if (!Shape.Outline) {
        glBitmap(Shape.Width, Shape.Height, Shape.XOrig, Shape.YOrig, Shape.XMove, 0,
                 Shape.Bits.empty() ? nullptr : Shape.Bits.data());
        return;
    }
    for (const TGlyphPrimitive& prim : Shape.Primitives) {
        glBegin(prim.Mode);
        const GLfloat* normal = nullptr;
        for (std::uint32_t i = prim.First; i < prim.First + prim.Count; ++i) {
            const TGlyphVertex& v = Shape.Vertices[i];
            if (!normal || !std::equal(v.Normal, v.Normal + 3, normal))
                glNormal3fv(normal = v.Normal);
            glVertex3fv(v.Pos);
        }
        glEnd();
    }
    glTranslatef(Shape.Metrics.gmfCellIncX, Shape.Metrics.gmfCellIncY, 0);
}

// The list holding Shape in the current share group, compiled there the first time (its
// name from the group's allocator when Allocated); 0 when no list name is left.
GLuint SharedList(TShareGroup& Group, const TGlyphShape& Shape, bool Allocated) {
    auto [it, added] = Group.GlyphLists.try_emplace(Shape.Serial, 0);
    if (added) {
        const GLuint list = Allocated ? Group.Names.Allocate(1) : glGenLists(1);
        if (list == 0) {
            Group.GlyphLists.erase(it);
            return 0;
        }
        glNewList(list, GL_COMPILE);
        EmitShape(Shape);
        glEndList();
        it->second = list;
    }
    return it->second;
}

bool UseFont(HDC Dc, std::uint32_t First, std::uint32_t Count, std::uint32_t ListBase,
             const TGlyphStyle& Style, GLYPHMETRICSFLOAT* Metrics) {
    if (!Dc || !ValidRange(First, Count, ListBase))
        return false;
    TShareGroup* group = CurrentShareGroup();
    if (!group)
        return false;
    const TLogFont& font = Dc->Font();
    const bool cached = GlyphCacheEnabled();
    TGlyphShape fresh;
    for (std::uint32_t i = 0; i < Count; ++i) {
        const auto code = static_cast<unsigned char>(First + i);
        const TGlyphShape* shape = nullptr;
        if (cached)
            shape = CachedGlyph(font, Style, code);
        else if (MakeGlyph(font, Style, code, fresh))
            shape = &fresh;
        if (!shape)
            return false;
        if (Metrics)
            Metrics[i] = shape->Metrics;
        if (cached) {
            const GLuint glyph = SharedList(*group, *shape, false);
            if (glyph == 0)
                return false;
            glNewList(ListBase + i, GL_COMPILE);
            glCallList(glyph);
            glEndList();
        } else {
            glNewList(ListBase + i, GL_COMPILE);
            EmitShape(*shape);
            glEndList();
        }
    }
    return true;
}

bool SharedGlyphs(HDC Dc, std::string_view Codes, const TGlyphStyle& Style, GLuint* Lists) {
    TShareGroup* group = Dc ? CurrentShareGroup() : nullptr;
    if (!group)
        return false;
    const TLogFont& font = Dc->Font();
    for (std::size_t i = 0; i < Codes.size(); ++i) {
        const TGlyphShape* shape = CachedGlyph(font, Style, static_cast<unsigned char>(Codes[i]));
        Lists[i] = shape ? SharedList(*group, *shape, true) : 0;
        if (Lists[i] == 0)
            return false;
    }
    return true;
}

}  // namespace

namespace native {

bool wglUseFontBitmapsA(HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase) {
    return UseFont(dc, first, count, listBase, TGlyphStyle{}, nullptr);
}

bool wglUseFontOutlinesA(HDC dc, std::uint32_t first, std::uint32_t count, std::uint32_t listBase,
                         GLfloat deviation, GLfloat extrusion, int format,
                         GLYPHMETRICSFLOAT* metrics) {
    if (!(deviation >= 0) || !(extrusion >= 0) || !std::isfinite(deviation) ||
        !std::isfinite(extrusion) || (format != WGL_FONT_LINES && format != WGL_FONT_POLYGONS))
        return false;
    return UseFont(dc, first, count, listBase, TGlyphStyle{true, format, deviation, extrusion},
                   metrics);
}

}  // namespace native
}  // namespace nyx::detail

namespace nyx {

bool SharedGlyphBitmaps(HDC dc, std::string_view codes, GLuint* lists) {
    return detail::SharedGlyphs(dc, codes, detail::TGlyphStyle{}, lists);
}

bool SharedGlyphOutlines(HDC dc, std::string_view codes, GLfloat deviation, GLfloat extrusion,
                         int format, GLuint* lists) {
    if (!(deviation >= 0) || !(extrusion >= 0) || !std::isfinite(deviation) ||
        !std::isfinite(extrusion) || (format != WGL_FONT_LINES && format != WGL_FONT_POLYGONS))
        return false;
    return detail::SharedGlyphs(dc, codes, detail::TGlyphStyle{true, format, deviation, extrusion},
                                lists);
}

}  // namespace nyx
