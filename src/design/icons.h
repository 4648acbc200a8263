#pragma once
// The pictures of the scene tree editor: one small image per kind of scene object and the
// glyphs of its buttons, drawn in code so that they scale with nothing but a painter.

#include <QPixmap>

#include <string_view>

namespace nyx {

// The number of object-kind images; their indices are those the tree shows (actor 0,
// camera 1, light 2, ..., label 19, mesh 20).
constexpr int NyxObjectImageCount = 21;
constexpr int NyxImageSize = 16;

// The image of object kind Index; a null pixmap for an index outside 0 .. 20.
QPixmap NyxObjectImage(int Index);

enum class TNyxEditorGlyph { New, Delete, Up, Down, Form };
QPixmap NyxEditorGlyph(TNyxEditorGlyph Glyph);

// The palette picture of a component class, by class name: a panel, a scene, a material
// library and a DXF converter have their own, NyxPaletteImageSize pixels square; a null
// pixmap for any other class.
constexpr int NyxPaletteImageSize = 24;
QPixmap NyxPaletteImage(std::string_view ClassName);

}  // namespace nyx
