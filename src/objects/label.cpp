#include "objects/label.h"

#include "gl/detail/glyphs.h"
#include "gl/opengl.h"
#include "gl/wgl.h"
#include "scene/scene.h"

#include <algorithm>
#include <limits>

namespace nyx {

const TMetaClass& TNyxLabel::StaticClass() {
    using P = Props<TNyxLabel>;
    static const TMetaClass meta = TMetaClass::Make<TNyxLabel, TNyxColoredObject>(
        "TNyxLabel",
        {
            P::String("Caption", &TNyxLabel::Caption, &TNyxLabel::SetCaption),
            P::Owned<TFont>("Font", [](const TNyxLabel& l) { return l.Font(); }),
            P::Boolean("BitmapFont", &TNyxLabel::BitmapFont, &TNyxLabel::SetBitmapFont, true),
            P::Float("Extrusion", &TNyxLabel::Extrusion, &TNyxLabel::SetExtrusion),
            P::Float("Deviation", &TNyxLabel::Deviation, &TNyxLabel::SetDeviation),
        });
    return meta;
}

TNyxLabel::TNyxLabel(TComponent* AOwner) : TNyxColoredObject(AOwner) {
    FFont.SetOnChange(TNotifyEvent::Bind<&TNyxLabel::FontChanged>(this));
}

TNyxLabel::~TNyxLabel() {
    if (TGlyphLists* lists = ListsOf(CurrentListSpace()))
        DeleteLists(*lists);
}

void TNyxLabel::MarkListsStale() {
    for (TGlyphLists& lists : FLists)
        lists.Valid = false;
}

void TNyxLabel::ListsChanged() {
    MarkListsStale();
    Invalidate(this);
}

void TNyxLabel::FontChanged(TObject* /*Sender*/) { ListsChanged(); }

void TNyxLabel::SetCaption(const std::string& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    ListsChanged();
}

void TNyxLabel::SetFont(const TFont* Value) { FFont.Assign(Value); }

void TNyxLabel::SetBitmapFont(bool Value) {
    if (Value == FBitmapFont)
        return;
    FBitmapFont = Value;
    ListsChanged();
}

void TNyxLabel::SetExtrusion(double Value) {
    if (Value == FExtrusion)
        return;
    FExtrusion = Value;
    ListsChanged();
}

void TNyxLabel::SetDeviation(double Value) {
    if (Value == FDeviation)
        return;
    FDeviation = Value;
    ListsChanged();
}

void TNyxLabel::SetDrawType(TNyxDrawType Value) {
    if (Value != DrawType())
        MarkListsStale();
    TNyxColoredObject::SetDrawType(Value);
}

TNyxLabel::TGlyphLists* TNyxLabel::ListsOf(std::uint64_t Space) {
    if (Space == 0)
        return nullptr;
    for (TGlyphLists& lists : FLists)
        if (lists.Space == Space)
            return &lists;
    return nullptr;
}

void TNyxLabel::DeleteLists(TGlyphLists& Lists) {
    if (Lists.Count > 0)
        glDeleteLists(Lists.Base, Lists.Count);
    Lists.Base = 0;
    Lists.Count = 0;
    Lists.Valid = false;
}

bool TNyxLabel::SharesGlyphLists() const {
    const TNyxScene* scene = Scene();
    return scene && scene->CacheGeometry();
}

bool TNyxLabel::BuildSharedLists(TGlyphLists& Lists) {
    DeleteLists(Lists);
    Lists.Glyphs.resize(FCaption.size());
    const TNyxScene* scene = Scene();
    const HDC dc = scene ? scene->Frame().DC() : nullptr;
    SelectObject(dc, FFont.LogFont());
    const int format = DrawType() == dtFill ? WGL_FONT_POLYGONS : WGL_FONT_LINES;
    Lists.Valid = FBitmapFont
                      ? SharedGlyphBitmaps(dc, FCaption, Lists.Glyphs.data())
                      : SharedGlyphOutlines(dc, FCaption, GLfloat(FDeviation), GLfloat(FExtrusion),
                                            format, Lists.Glyphs.data());
    Lists.Shared = true;
    return Lists.Valid;
}

bool TNyxLabel::BuildLists(TGlyphLists& Lists) {
    DeleteLists(Lists);
    Lists.Shared = false;
    Lists.Glyphs.clear();
    if (FCaption.size() > std::size_t(std::numeric_limits<GLsizei>::max()))
        return false;
    const auto count = GLsizei(FCaption.size());
    const GLuint base = glGenLists(count);
    if (base == 0)
        return false;
    const TNyxScene* scene = Scene();
    const HDC dc = scene ? scene->Frame().DC() : nullptr;
    SelectObject(dc, FFont.LogFont());
    const int format = DrawType() == dtFill ? WGL_FONT_POLYGONS : WGL_FONT_LINES;
    bool built = dc != nullptr;
    for (GLsizei i = 0; built && i < count; ++i) {
        const auto c = static_cast<unsigned char>(FCaption[std::size_t(i)]);
        built = FBitmapFont ? wglUseFontBitmapsA(dc, c, 1, base + i)
                            : wglUseFontOutlinesA(dc, c, 1, base + i, GLfloat(FDeviation),
                                                  GLfloat(FExtrusion), format, nullptr);
    }
    if (!built) {
        glDeleteLists(base, count);
        return false;
    }
    Lists.Base = base;
    Lists.Count = count;
    Lists.Valid = true;
    return true;
}

TNyxLabel::TGlyphLists* TNyxLabel::CurrentLists() {
    // Lists named in one context mean nothing, or something else, in a context that does
    // not share them: each list space gets lists of its own.
    const std::uint64_t space = CurrentListSpace();
    if (space == 0)
        return nullptr;
    TGlyphLists* lists = ListsOf(space);
    if (!lists) {
        // Contexts that are gone took their lists with them.
        std::erase_if(FLists, [](const TGlyphLists& l) { return !ListSpaceAlive(l.Space); });
        lists = &FLists.emplace_back(TGlyphLists{space, 0, 0, false, false, {}});
    }
    const bool shared = SharesGlyphLists();
    if (lists->Valid && lists->Shared == shared)
        return lists;
    if (!(shared ? BuildSharedLists(*lists) : BuildLists(*lists)))
        return nullptr;
    return lists;
}

bool TNyxLabel::PrepareGeometry() { return FCaption.empty() || CurrentLists(); }

void TNyxLabel::DrawSpecific(std::uint32_t /*Face*/, bool /*Draft*/) {
    if (FCaption.empty())
        return;
    const TGlyphLists* lists = CurrentLists();
    if (!lists)
        return;
    if (FBitmapFont)
        glRasterPos3d(0, 0, 0);
    for (std::int32_t i = 0; i < lists->Count; ++i)
        glCallList(lists->Base + GLuint(i));
    for (const std::uint32_t glyph : lists->Glyphs)
        glCallList(glyph);
}

void TNyxLabel::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = {0, 0, 0};
    Max = {0, 0, 0};
}

TNyxObject::TNyxExtent TNyxLabel::DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = Max = {0, 0, 0};
    if (FBitmapFont || FCaption.empty())
        return exBox;
    detail::TGlyphStyle style;
    style.Outline = true;
    style.Format = DrawType() == dtFill ? WGL_FONT_POLYGONS : WGL_FONT_LINES;
    style.Deviation = GLfloat(FDeviation);
    style.Extrusion = GLfloat(FExtrusion);
    const TLogFont font = FFont.LogFont();
    double x = 0, y = 0;
    for (const char c : FCaption) {
        const detail::TGlyphShape* shape =
            detail::CachedGlyph(font, style, static_cast<unsigned char>(c));
        if (!shape)
            return exUnknown;
        const GLYPHMETRICSFLOAT& m = shape->Metrics;
        const double left = x + m.gmfptGlyphOrigin.x, top = y + m.gmfptGlyphOrigin.y;
        Min[0] = std::min(Min[0], left);
        Max[0] = std::max(Max[0], left + m.gmfBlackBoxX);
        Min[1] = std::min(Min[1], top - m.gmfBlackBoxY);
        Max[1] = std::max(Max[1], top);
        x += m.gmfCellIncX;
        y += m.gmfCellIncY;
    }
    // A margin for the metrics' rounding to floats.
    constexpr double Margin = 0.01;
    for (std::size_t i = 0; i < 2; ++i) {
        Min[i] -= Margin;
        Max[i] += Margin;
    }
    Min[2] = -std::max(FExtrusion, 0.0) - Margin;
    Max[2] = Margin;
    return exBox;
}

}  // namespace nyx
