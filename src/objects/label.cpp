#include "objects/label.h"

#include "gl/opengl.h"
#include "gl/wgl.h"
#include "scene/scene.h"

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

TNyxLabel::~TNyxLabel() { DeleteLists(); }

void TNyxLabel::ListsChanged() {
    FListsValid = false;
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
        FListsValid = false;
    TNyxColoredObject::SetDrawType(Value);
}

void TNyxLabel::DeleteLists() {
    if (FListCount > 0)
        glDeleteLists(FListBase, FListCount);
    FListBase = 0;
    FListCount = 0;
}

bool TNyxLabel::BuildLists() {
    DeleteLists();
    if (FCaption.size() > std::size_t(std::numeric_limits<GLsizei>::max()))
        return false;
    const auto count = GLsizei(FCaption.size());
    const GLuint base = glGenLists(count);
    if (base == 0)
        return false;
    const TNyxScene* scene = Scene();
    const HDC dc = scene ? scene->RenderDC() : nullptr;
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
    FListBase = base;
    FListCount = count;
    FListsValid = true;
    return true;
}

void TNyxLabel::DrawSpecific(std::uint32_t /*Face*/, bool /*Draft*/) {
    if (FCaption.empty())
        return;
    if (!FListsValid && !BuildLists())
        return;
    if (FBitmapFont)
        glRasterPos3d(0, 0, 0);
    for (std::int32_t i = 0; i < FListCount; ++i)
        glCallList(FListBase + GLuint(i));
}

void TNyxLabel::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = {0, 0, 0};
    Max = {0, 0, 0};
}

}  // namespace nyx
