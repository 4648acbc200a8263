#pragma once
// The pictures of the scene tree editor: one small image per kind of scene object and the
// glyphs of its buttons, drawn in code so that they scale with nothing but a painter.

#include <QPixmap>

namespace nyx {

// The number of object-kind images; their indices are those the tree shows (actor 0,
// camera 1, light 2, ..., label 19, mesh 20).
constexpr int NyxObjectImageCount = 21;
constexpr int NyxImageSize = 16;

// The image of object kind Index; a null pixmap for an index outside 0 .. 20.
QPixmap NyxObjectImage(int Index);

enum class TNyxEditorGlyph { New, Delete, Up, Down, Form };
QPixmap NyxEditorGlyph(TNyxEditorGlyph Glyph);

}  // namespace nyx
