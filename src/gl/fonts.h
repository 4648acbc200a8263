#pragma once
// Fonts behind the glyph display lists of window-system GL (gl/wgl.h): faces found
// through fontconfig, glyphs drawn by FreeType, and the process-wide cache of glyph
// shapes that lets many labels of one font share the work of making them.

#include <cstddef>
#include <string>

#include "rtl/devicecontext.h"

namespace nyx {

// The installed face fontconfig picks for a logical font. Bold or italic asked of a
// family without such a face is made from the regular one (SyntheticBold/Italic).
struct TFontMatch {
    std::string File;
    int Index = 0;  // of the face within File
    std::string Family;
    std::string Style;
    bool SyntheticBold = false;
    bool SyntheticItalic = false;
};

// False when no scalable face is installed at all. Names are matched as fontconfig does,
// so "Arial" gives a metric-compatible face (Liberation Sans) where Arial itself is not
// installed; an empty name gives the default sans-serif face.
bool MatchFont(const TLogFont& Font, TFontMatch& Match);

// Measuring hooks. With the cache off every glyph is drawn or tessellated afresh and
// compiled straight into the list asked for. ClearGlyphCache forgets every face and shape
// found so far; lists already compiled stay valid.
void SetGlyphCacheEnabled(bool Value);
bool GlyphCacheEnabled();
void ClearGlyphCache();
// Glyph shapes kept now.
std::size_t GlyphCacheSize();

}  // namespace nyx
