#include "scene/glstate.h"

#include "gl/opengl.h"

namespace nyx {

void TNyxGLState::ApplyMaterial(const TNyxMaterial& M) {
    // A texture is sent whole each time, with the faces as they are.
    const bool whole = !FLazy || !M.TexturePixels().empty();
    if (whole)
        M.ApplayMaterial(GL_FRONT_AND_BACK);
    if (!FLazy)
        return;
    ApplyFace(FFront, *M.FrontFace(), !whole);
    ApplyFace(FBack, *M.BackFace(), !whole);
}

void TNyxGLState::ApplyFace(TFace& Known, const TNyxFaceMaterial& F, bool Emit) {
    static constexpr GLenum Names[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};
    const std::array<TRGBAf, 4> rgba{F.AmbientRGBA(), F.DiffuseRGBA(), F.SpecularRGBA(),
                                     F.EmissionRGBA()};
    const float shininess = F.Shininess();
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (Emit && (!Known.Known || Known.RGBA[i] != rgba[i]))
            glMaterialfv(F.Face(), Names[i], rgba[i].data());
    if (Emit && (!Known.Known || Known.Shininess != shininess))
        glMaterialfv(F.Face(), GL_SHININESS, &shininess);
    Known = {true, rgba, shininess};
}

void TNyxGLState::CloseBracket() {
    if (FBracket.Bit == 0)
        return;
    glPopAttrib();
    FBracket = {};
}

void TNyxGLState::CallList(GLuint Name) {
    CloseBracket();
    glCallList(Name);
    if (FLazy) {
        FFront.Known = false;
        FBack.Known = false;
    }
}

bool TNyxGLState::Reopen(const TBracket& Wanted) {
    if (FLazy) {
        if (FBracket == Wanted)
            return false;
        CloseBracket();
    }
    glPushAttrib(Wanted.Bit);
    if (FLazy)
        FBracket = Wanted;
    return true;
}

TNyxGLState::TScope::TScope(TNyxGLState& State, const TBracket& Wanted)
    : FState(State), FOpened(State.Reopen(Wanted)) {}

TNyxGLState::TScope::~TScope() {
    if (!FState.FLazy)
        glPopAttrib();
}

TNyxGLState::TLines::TLines(TNyxGLState& State, float Width, bool Stippled, std::uint16_t Pattern,
                            bool Smooth)
    : TScope(State, {GL_LINE_BIT, Width, Stippled, Stippled ? Pattern : std::uint16_t(0), Smooth}) {
    if (!Opened())
        return;
    glLineWidth(Width);
    if (Stippled) {
        glLineStipple(1, Pattern);
        glEnable(GL_LINE_STIPPLE);
    }
    glNormal3b(127, 0, 0);
    if (Smooth)
        glEnable(GL_LINE_SMOOTH);
}

TNyxGLState::TPoints::TPoints(TNyxGLState& State, float Size, bool Smooth)
    : TScope(State, {GL_POINT_BIT, Size, false, 0, Smooth}) {
    if (!Opened())
        return;
    glPointSize(Size);
    if (Smooth)
        glEnable(GL_POINT_SMOOTH);
}

void TNyxGLState::TPoints::Begin(GLenum Mode) const {
    glBegin(Mode);
    // The bracket's first vertex takes the normal; the points after it in the same
    // bracket keep it, as nothing drawn in a bracket sets another.
    if (Opened())
        glNormal3b(127, 0, 0);
}

TNyxGLState::TApart::TApart(TNyxGLState& State, GLbitfield Mask) {
    State.CloseBracket();
    glPushAttrib(Mask);
}

TNyxGLState::TApart::~TApart() { glPopAttrib(); }

}  // namespace nyx
