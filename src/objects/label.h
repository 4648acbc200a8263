#pragma once
// TNyxLabel: a text string drawn from per-character glyph display lists of a font,
// either as screen-aligned bitmaps at the origin or as glyph outlines (flat or extruded)
// in the local XY plane, one em being one unit.

#include "rtl/graphics.h"
#include "scene/colored.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nyx {

class TNyxLabel : public TNyxColoredObject {
    NYX_CLASS(TNyxLabel)
public:
    // Touches no font: the glyph lists are built on the first draw.
    explicit TNyxLabel(TComponent* AOwner);
    // Deletes the glyph lists of the current context; those of other contexts go with
    // their context.
    ~TNyxLabel() override;

    // Single-byte characters read as Windows-1252, the code page of the drawings and
    // streams exchanged with other programs (byte 0x80 is the euro sign).
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    // The label's own font; changing it (here or through SetFont) rebuilds the lists.
    TFont* Font() { return &FFont; }
    const TFont* Font() const { return &FFont; }
    // Copies Value's attributes into the label's font.
    void SetFont(const TFont* Value);
    bool BitmapFont() const { return FBitmapFont; }
    void SetBitmapFont(bool Value);
    // Depth of extruded outline glyphs along -z; 0 draws them flat.
    double Extrusion() const { return FExtrusion; }
    void SetExtrusion(double Value);
    // Largest distance of an outline chord from the glyph's curve, in em; 0 is one design
    // unit of the font.
    double Deviation() const { return FDeviation; }
    void SetDeviation(double Value);

    // dtFill fills outline glyphs, dtLine draws their outlines.
    void SetDrawType(TNyxDrawType Value) override;
    // The style follows BitmapFont and DrawType, never Face or Draft. Builds the lists
    // first when they are stale or were built for contexts whose list names the current
    // one does not share (a canvas or printer rendered to besides the panel); a build that
    // fails (no current context, no list names, no face for the font) draws nothing and is
    // tried again on the next draw.
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
    // Builds the glyph lists before the label's geometry is compiled into a list of the
    // geometry cache; false when they cannot be built now.
    bool PrepareGeometry() override;
    // A label has no extent: both corners are the origin.
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override;
    // Outline glyphs: the box of the caption's glyphs from their metrics (extrusion
    // included); bitmap glyphs: the origin, since nothing is drawn while the raster
    // position lies outside the view volume. Unknown when the font has no face.
    TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const override;

private:
    // The glyph lists built in one list space (gl/wgl.h, CurrentListSpace): a block of
    // the label's own, one list per character; or, for a scene with CacheGeometry on, the
    // space's shared glyph list of each character (gl/wgl.h, SharedGlyphBitmaps), which
    // every label of the same font and glyph style calls.
    struct TGlyphLists {
        std::uint64_t Space;
        std::uint32_t Base;
        std::int32_t Count;
        bool Valid;
        bool Shared = false;
        std::vector<std::uint32_t> Glyphs;  // the shared lists, in caption order
    };

    void FontChanged(TObject* Sender);
    void MarkListsStale();
    void ListsChanged();
    TGlyphLists* ListsOf(std::uint64_t Space);
    // The built glyph lists of the current list space, built now when they are stale;
    // none when they cannot be built.
    TGlyphLists* CurrentLists();
    bool BuildLists(TGlyphLists& Lists);
    bool BuildSharedLists(TGlyphLists& Lists);
    // Whether the label calls its list space's shared glyph lists (CacheGeometry on).
    bool SharesGlyphLists() const;
    static void DeleteLists(TGlyphLists& Lists);

    std::string FCaption;
    TFont FFont;
    bool FBitmapFont = true;
    double FExtrusion = 0;
    double FDeviation = 0;
    // Most labels are only ever drawn by the panels of one scene, which share lists: one
    // entry. Empty until the first draw.
    std::vector<TGlyphLists> FLists;
};

}  // namespace nyx
