// Faces found through fontconfig and loaded by FreeType, the glyphs made from them, and
// the process-wide cache of both.
//
// Sections: matching - faces - bitmap glyphs - outline glyphs - the cache.

#include "gl/fonts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include "gl/detail/glyphs.h"
#include "rtl/sysutils.h"

namespace nyx {

// --- Matching ------------------------------------------------------------------------

namespace {

struct TPatternDeleter {
    void operator()(FcPattern* Pattern) const { FcPatternDestroy(Pattern); }
};
using TPattern = std::unique_ptr<FcPattern, TPatternDeleter>;

std::string PatternString(const FcPattern* Pattern, const char* Object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(Pattern, Object, 0, &value) != FcResultMatch || !value)
        return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInteger(const FcPattern* Pattern, const char* Object, int Fallback) {
    int value = 0;
    return FcPatternGetInteger(Pattern, Object, 0, &value) == FcResultMatch ? value : Fallback;
}

}  // namespace

bool MatchFont(const TLogFont& Font, TFontMatch& Match) {
    TPattern pattern(FcPatternCreate());
    if (!pattern)
        return false;
    const std::string family = Font.FaceName.empty() ? "sans-serif" : Font.FaceName;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, Font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, Font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // Glyphs are drawn at any size and as outlines: bitmap-only faces will not do.
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    TPattern found(FcFontMatch(nullptr, pattern.get(), &result));
    if (!found)
        return false;
    Match.File = PatternString(found.get(), FC_FILE);
    if (Match.File.empty())
        return false;
    Match.Index = PatternInteger(found.get(), FC_INDEX, 0);
    Match.Family = PatternString(found.get(), FC_FAMILY);
    Match.Style = PatternString(found.get(), FC_STYLE);
    Match.SyntheticBold =
        Font.Bold && PatternInteger(found.get(), FC_WEIGHT, FC_WEIGHT_REGULAR) < FC_WEIGHT_DEMIBOLD;
    Match.SyntheticItalic =
        Font.Italic && PatternInteger(found.get(), FC_SLANT, FC_SLANT_ROMAN) == FC_SLANT_ROMAN;
    return true;
}

namespace detail {
namespace {

// --- Faces ---------------------------------------------------------------------------

// Bitmap sizes in pixels: the one for a font of Height 0, and the largest made (a glyph
// bitmap grows with the square of its size).
constexpr int DefaultPixelSize = 16;
constexpr int MaxPixelSize = 2048;
// The slant given to italics made from an upright face, about 11 degrees.
constexpr double SyntheticSlant = 0.2;
// Curves are cut into at most this many chords, whatever deviation is asked.
constexpr int MaxCurveSteps = 256;

class TFace {
public:
    TFace(FT_Face Face, std::uint64_t Serial) : FFace(Face), FSerial(Serial) {}
    TFace(const TFace&) = delete;
    TFace& operator=(const TFace&) = delete;
    ~TFace() { FT_Done_Face(FFace); }

    FT_Face Get() const { return FFace; }
    std::uint64_t Serial() const { return FSerial; }

private:
    FT_Face FFace;
    std::uint64_t FSerial;
};

// A logical font as the cache knows it: its face (none when it cannot be loaded) and
// what has to be made up for the style asked.
struct TResolvedFont {
    TFace* Face = nullptr;
    bool SyntheticBold = false;
    bool SyntheticItalic = false;
};

// Height as the cache keys bitmaps: < 0 em pixels, > 0 cell pixels, within the limits.
std::int32_t BitmapHeight(std::int32_t Height) {
    if (Height == 0)
        return -DefaultPixelSize;
    return std::clamp(Height, -MaxPixelSize, MaxPixelSize);
}

bool SetPixelHeight(FT_Face Face, std::int32_t Height) {
    if (Height < 0)
        return FT_Set_Pixel_Sizes(Face, 0, FT_UInt(-Height)) == 0;
    // A cell height counts ascent and descent, as the platform's positive heights do.
    FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(Height) * 64, 0, 0};
    return FT_Request_Size(Face, &request) == 0;
}

FT_UInt GlyphIndex(FT_Face Face, unsigned char Code) {
    return FT_Get_Char_Index(Face, AnsiCharToUnicode(Code));
}

// --- Bitmap glyphs -------------------------------------------------------------------

bool BitSet(const FT_Bitmap& Bitmap, const unsigned char* Row, unsigned X) {
    if (Bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        return Row[X / 8] & (0x80 >> (X % 8));
    return Row[X] >= 128;  // grey embedded bitmaps: half coverage counts
}

void MakeBitmapGlyph(const TResolvedFont& Font, std::int32_t Height, unsigned char Code,
                     TGlyphShape& Shape) {
    const FT_Face face = Font.Face->Get();
    if (!SetPixelHeight(face, Height))
        return;
    FT_Matrix slant{0x10000, FT_Fixed(SyntheticSlant * 0x10000), 0, 0x10000};
    FT_Set_Transform(face, Font.SyntheticItalic ? &slant : nullptr, nullptr);
    const bool loaded = FT_Load_Glyph(face, GlyphIndex(face, Code), FT_LOAD_TARGET_MONO) == 0;
    FT_Set_Transform(face, nullptr, nullptr);
    if (!loaded)
        return;
    const FT_GlyphSlot slot = face->glyph;
    if (Font.SyntheticBold)
        FT_GlyphSlot_Embolden(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    Shape.XMove = GLfloat(std::lround(slot->advance.x / 64.0));
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return;
    const unsigned width = bitmap.width, rows = bitmap.rows;
    const std::size_t rowBytes = ((width + 7) / 8 + 3) / 4 * 4;
    Shape.Width = GLsizei(width);
    Shape.Height = GLsizei(rows);
    Shape.XOrig = GLfloat(-slot->bitmap_left);
    Shape.YOrig = GLfloat(int(rows) - slot->bitmap_top);
    Shape.Bits.assign(rowBytes * rows, 0);
    const int pitch = bitmap.pitch;
    for (unsigned r = 0; r < rows; ++r) {
        // FreeType's rows run top-down in memory for a positive pitch, glBitmap's bottom-up.
        const unsigned char* src =
            bitmap.buffer +
            (pitch >= 0 ? std::ptrdiff_t(r) * pitch : std::ptrdiff_t(rows - 1 - r) * -pitch);
        GLubyte* dst = Shape.Bits.data() + (rows - 1 - r) * rowBytes;
        for (unsigned x = 0; x < width; ++x)
            if (BitSet(bitmap, src, x))
                dst[x / 8] |= GLubyte(0x80 >> (x % 8));
    }
}

// --- Outline glyphs ------------------------------------------------------------------

// Cuts an outline in font units into chords and scales it to em units.
class TFlattener {
public:
    TFlattener(double UnitsPerEm, double Tolerance) : FScale(1 / UnitsPerEm), FTol(Tolerance) {}

    std::vector<TContour> Run(FT_Outline& Outline) {
        static const FT_Outline_Funcs funcs{&MoveTo, &LineTo, &ConicTo, &CubicTo, 0, 0};
        FT_Outline_Decompose(&Outline, &funcs, this);
        Close();
        return std::move(FContours);
    }

private:
    using TPoint = std::array<double, 2>;

    static TPoint P(const FT_Vector* V) { return {double(V->x), double(V->y)}; }
    static TFlattener& Self(void* User) { return *static_cast<TFlattener*>(User); }

    static int MoveTo(const FT_Vector* To, void* User) {
        TFlattener& f = Self(User);
        f.Close();
        f.FContours.emplace_back();
        f.Add(P(To));
        return 0;
    }
    static int LineTo(const FT_Vector* To, void* User) {
        Self(User).Add(P(To));
        return 0;
    }
    static int ConicTo(const FT_Vector* Control, const FT_Vector* To, void* User) {
        TFlattener& f = Self(User);
        const TPoint p0 = f.FCurrent, p1 = P(Control), p2 = P(To);
        // A quadratic strays from its chords by at most |p0 - 2 p1 + p2| / (4 n^2).
        const int n = f.Steps(std::hypot(p0[0] - 2 * p1[0] + p2[0], p0[1] - 2 * p1[1] + p2[1]) / 4);
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, u = 1 - t;
            f.Add({u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                   u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]});
        }
        return 0;
    }
    static int CubicTo(const FT_Vector* C1, const FT_Vector* C2, const FT_Vector* To, void* User) {
        TFlattener& f = Self(User);
        const TPoint p0 = f.FCurrent, p1 = P(C1), p2 = P(C2), p3 = P(To);
        // A cubic strays by at most 3/4 max(|p0 - 2 p1 + p2|, |p1 - 2 p2 + p3|) / n^2.
        const double bend =
            std::max(std::hypot(p0[0] - 2 * p1[0] + p2[0], p0[1] - 2 * p1[1] + p2[1]),
                     std::hypot(p1[0] - 2 * p2[0] + p3[0], p1[1] - 2 * p2[1] + p3[1]));
        const int n = f.Steps(0.75 * bend);
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            f.Add({a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                   a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]});
        }
        return 0;
    }

    // Chords needed so that a curve whose error is Bound / n^2 stays within tolerance.
    int Steps(double Bound) const {
        const double n = std::ceil(std::sqrt(Bound / FTol));
        return n >= MaxCurveSteps ? MaxCurveSteps : std::max(1, int(n));
    }

    void Add(const TPoint& Font) {
        FCurrent = Font;
        if (FContours.empty())
            FContours.emplace_back();
        const TPoint p{Font[0] * FScale, Font[1] * FScale};
        TContour& c = FContours.back();
        if (c.empty() || c.back() != p)
            c.push_back(p);
    }

    // Drops the closing point that repeats the first, and contours that enclose nothing.
    void Close() {
        if (FContours.empty())
            return;
        TContour& c = FContours.back();
        if (c.size() > 1 && c.back() == c.front())
            c.pop_back();
        if (c.size() < 3)
            FContours.pop_back();
    }

    double FScale;
    double FTol;
    TPoint FCurrent{0, 0};
    std::vector<TContour> FContours;
};

void MakeOutlineGlyph(const TResolvedFont& Font, const TGlyphStyle& Style, unsigned char Code,
                      TGlyphShape& Shape) {
    const FT_Face face = Font.Face->Get();
    const double units = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    // Design units, unhinted: the shape is the same at every size, one em being one unit.
    if (FT_Load_Glyph(face, GlyphIndex(face, Code), FT_LOAD_NO_SCALE) != 0)
        return;
    const FT_GlyphSlot slot = face->glyph;
    double advance = double(slot->metrics.horiAdvance);
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        Shape.Metrics.gmfCellIncX = GLfloat(advance / units);
        return;
    }
    FT_Outline& outline = slot->outline;
    if (Font.SyntheticBold) {
        const FT_Pos strength = FT_Pos(units / 24);  // FreeType's own emboldening strength
        FT_Outline_EmboldenXY(&outline, strength, strength);
        advance += double(strength);
    }
    if (Font.SyntheticItalic) {
        FT_Matrix slant{0x10000, FT_Fixed(SyntheticSlant * 0x10000), 0, 0x10000};
        FT_Outline_Transform(&outline, &slant);
    }
    const double tolerance = Style.Deviation > 0 ? Style.Deviation * units : 1.0;
    const std::vector<TContour> contours = TFlattener(units, tolerance).Run(outline);

    GLYPHMETRICSFLOAT& m = Shape.Metrics;
    m.gmfCellIncX = GLfloat(advance / units);
    if (!contours.empty()) {
        double x0 = contours[0][0][0], x1 = x0, y0 = contours[0][0][1], y1 = y0;
        for (const TContour& c : contours)
            for (const auto& p : c) {
                x0 = std::min(x0, p[0]);
                x1 = std::max(x1, p[0]);
                y0 = std::min(y0, p[1]);
                y1 = std::max(y1, p[1]);
            }
        m.gmfBlackBoxX = GLfloat(x1 - x0);
        m.gmfBlackBoxY = GLfloat(y1 - y0);
        m.gmfptGlyphOrigin = {GLfloat(x0), GLfloat(y1)};
    }
    BuildOutlineGeometry(contours, Style, Shape);
}

void MakeGlyphOf(const TResolvedFont& Font, std::int32_t Height, const TGlyphStyle& Style,
                 unsigned char Code, TGlyphShape& Shape) {
    Shape.Outline = Style.Outline;
    if (Style.Outline)
        MakeOutlineGlyph(Font, Style, Code, Shape);
    else
        MakeBitmapGlyph(Font, Height, Code, Shape);
}

// --- The cache -----------------------------------------------------------------------

struct TGlyphKey {
    std::uint64_t Face;
    std::int32_t Height;                 // bitmaps only
    std::uint32_t Deviation, Extrusion;  // outlines only, as float bits
    std::uint8_t Kind;                   // 0 bitmap, 1 + format for outlines
    std::uint8_t Code;
    bool SyntheticBold, SyntheticItalic;

    bool operator==(const TGlyphKey&) const = default;
};

struct TGlyphKeyHash {
    std::size_t operator()(const TGlyphKey& K) const {
        std::uint64_t h = K.Face * 0x9E3779B97F4A7C15ull;
        for (std::uint64_t part :
             {std::uint64_t(std::uint32_t(K.Height)), std::uint64_t(K.Deviation),
              std::uint64_t(K.Extrusion),
              std::uint64_t(K.Kind) | std::uint64_t(K.Code) << 8 |
                  std::uint64_t(K.SyntheticBold) << 16 | std::uint64_t(K.SyntheticItalic) << 17})
            h = (h ^ part) * 0x100000001B3ull;
        return std::size_t(h ^ (h >> 32));
    }
};

std::uint32_t FloatBits(GLfloat Value) {
    std::uint32_t bits;
    std::memcpy(&bits, &Value, sizeof bits);
    return bits;
}

class TFontCache {
public:
    TFontCache() {
        if (FT_Init_FreeType(&FLibrary) != 0)
            FLibrary = nullptr;
    }
    TFontCache(const TFontCache&) = delete;
    TFontCache& operator=(const TFontCache&) = delete;
    ~TFontCache() {
        Clear();
        if (FLibrary)
            FT_Done_FreeType(FLibrary);
    }

    bool Enabled = true;

    // Resolves a logical font, once per face name and style; the last one is kept at
    // hand, since labels of one font ask for it character after character.
    const TResolvedFont& Resolve(const TLogFont& Font) {
        if (FLast && Font.FaceName == FLastFont.FaceName && Font.Bold == FLastFont.Bold &&
            Font.Italic == FLastFont.Italic)
            return *FLast;
        std::string key = Font.FaceName;
        key += Font.Bold ? "\1b" : "\1";
        key += Font.Italic ? "\1i" : "\1";
        auto [it, added] = FFonts.try_emplace(std::move(key));
        if (added) {
            TFontMatch match;
            if (MatchFont(Font, match)) {
                it->second.Face = LoadFace(match.File, match.Index);
                it->second.SyntheticBold = match.SyntheticBold;
                it->second.SyntheticItalic = match.SyntheticItalic;
            }
        }
        FLastFont = Font;
        FLast = &it->second;
        return it->second;
    }

    const TGlyphShape* Glyph(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code) {
        const TResolvedFont& font = Resolve(Font);
        if (!font.Face)
            return nullptr;
        const TGlyphKey key{font.Face->Serial(),
                            Style.Outline ? 0 : BitmapHeight(Font.Height),
                            Style.Outline ? FloatBits(Style.Deviation) : 0,
                            Style.Outline ? FloatBits(Style.Extrusion) : 0,
                            std::uint8_t(Style.Outline ? 1 + Style.Format : 0),
                            Code,
                            font.SyntheticBold,
                            font.SyntheticItalic};
        auto [it, added] = FGlyphs.try_emplace(key);
        if (added) {
            it->second = std::make_unique<TGlyphShape>();
            it->second->Serial = FNextSerial++;
            MakeGlyphOf(font, key.Height, Style, Code, *it->second);
        }
        return it->second.get();
    }

    bool Make(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code,
              TGlyphShape& Shape) {
        const TResolvedFont& font = Resolve(Font);
        if (!font.Face)
            return false;
        Shape = TGlyphShape{};
        MakeGlyphOf(font, BitmapHeight(Font.Height), Style, Code, Shape);
        return true;
    }

    void Clear() {
        FLast = nullptr;
        FGlyphs.clear();
        FFonts.clear();
        FFaces.clear();
    }
    std::size_t Size() const { return FGlyphs.size(); }

private:
    TFace* LoadFace(const std::string& File, int Index) {
        auto [it, added] = FFaces.try_emplace({File, Index});
        if (added && FLibrary) {
            FT_Face face = nullptr;
            if (FT_New_Face(FLibrary, File.c_str(), Index, &face) == 0)
                it->second = std::make_unique<TFace>(face, FNextSerial++);
        }
        return it->second.get();
    }

    FT_Library FLibrary = nullptr;
    // Serials of faces and shapes: never reused, also across Clear.
    std::uint64_t FNextSerial = 1;
    std::map<std::pair<std::string, int>, std::unique_ptr<TFace>> FFaces;
    std::unordered_map<std::string, TResolvedFont> FFonts;
    std::unordered_map<TGlyphKey, std::unique_ptr<TGlyphShape>, TGlyphKeyHash> FGlyphs;
    TLogFont FLastFont;
    const TResolvedFont* FLast = nullptr;
};

TFontCache& Cache() {
    static TFontCache cache;
    return cache;
}

}  // namespace

const TGlyphShape* CachedGlyph(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code) {
    return Cache().Glyph(Font, Style, Code);
}

bool MakeGlyph(const TLogFont& Font, const TGlyphStyle& Style, unsigned char Code,
               TGlyphShape& Shape) {
    return Cache().Make(Font, Style, Code, Shape);
}

}  // namespace detail

void SetGlyphCacheEnabled(bool Value) { detail::Cache().Enabled = Value; }
bool GlyphCacheEnabled() { return detail::Cache().Enabled; }
void ClearGlyphCache() { detail::Cache().Clear(); }
std::size_t GlyphCacheSize() { return detail::Cache().Size(); }

}  // namespace nyx
