#include "objects/heightfield.h"

#include "gl/opengl.h"
#include "scene/material.h"

#include <algorithm>

namespace nyx {

namespace {

// Counts below 1 are used as 1.
int Usable(std::int32_t Segments) { return std::max<std::int32_t>(Segments, 1); }

}  // namespace

const TMetaClass& TNyxHeightField::StaticClass() {
    using P = Props<TNyxHeightField>;
    auto bound = [](const char* name, int index) {
        return P::Float(
            name, [index](const TNyxHeightField& h) { return h.FBounds[index]; },
            [index](TNyxHeightField& h, double v) { h.SetFieldBounds(index, v); });
    };
    auto segments = [](const char* name, int index) {
        return P::Integer(
            name, [index](const TNyxHeightField& h) { return h.FSegments[index]; },
            [index](TNyxHeightField& h, std::int32_t v) { h.SetSegments(index, v); }, 10);
    };
    static const TMetaClass meta = TMetaClass::Make<TNyxHeightField, TNyxShadowedObject>(
        "TNyxHeightField",
        {bound("X1", 0), bound("X2", 1), bound("Y1", 2), bound("Y2", 3), segments("XSegments", 0),
         segments("YSegments", 1),
         P::Boolean("AutoNormal", &TNyxHeightField::AutoNormal, &TNyxHeightField::SetAutoNormal,
                    NoDefault),
         P::Event("OnGetHeight"), P::Event("OnGetHeightNormal"), P::Event("OnGetExtents")});
    return meta;
}

TNyxHeightField::TNyxHeightField(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

void TNyxHeightField::SetFieldBounds(int Index, double Value) {
    if (Index < 0 || Index > 3 || FBounds[Index] == Value)
        return;
    FBounds[Index] = Value;
    Invalidate(this);
}

void TNyxHeightField::SetSegments(int Index, std::int32_t Value) {
    if (Index < 0 || Index > 1 || FSegments[Index] == Value)
        return;
    FSegments[Index] = Value;
    Invalidate(this);
}

void TNyxHeightField::SetAutoNormal(bool Value) {
    if (Value == FAutoNormal)
        return;
    FAutoNormal = Value;
    Invalidate(this);
}

double TNyxHeightField::Height(double X, double Y) const {
    double z = 0;
    // The callback's Sender is the framework's plain object reference.
    FOnGetHeight(const_cast<TNyxHeightField*>(this), X, Y, z);
    return z;
}

void TNyxHeightField::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const double x1 = FBounds[0], x2 = FBounds[1], y1 = FBounds[2], y2 = FBounds[3];
    if (FOnGetExtents) {
        Min = {x1, y1, 0};
        Max = {x2, y2, 0};
        FOnGetExtents(const_cast<TNyxHeightField*>(this), Min, Max);
        return;
    }
    Min = {x1, y1, 1.7e308};
    Max = {x2, y2, -1.7e308};
    const int xs = Usable(FSegments[0]), ys = Usable(FSegments[1]);
    for (int i = 0; i <= xs; ++i)
        for (int j = 0; j <= ys; ++j) {
            const double z = Height(x1 + (x2 - x1) * i / xs, y1 + (y2 - y1) * j / ys);
            if (z < Min[2])
                Min[2] = z;
            if (z > Max[2])
                Max[2] = z;
        }
}

void TNyxHeightField::DrawSpecific(std::uint32_t, bool Draft) {
    const bool textured = !GetMaterial()->Texture()->Empty();
    const int xs = Usable(FSegments[0]), ys = Usable(FSegments[1]);
    const double x1 = FBounds[0], y1 = FBounds[2];
    const double dx = (FBounds[1] - x1) / xs, dy = (FBounds[3] - y1) / ys;
    auto* self = static_cast<TNyxObject*>(this);
    auto normalAt = [&](double X, double Y, TGLArrayd3& N) {
        N = {0, 0, 0};
        FOnGetHeightNormal(self, X, Y, N);
    };
    for (int j = 0; j < ys; ++j) {
        const double y0 = j * dy + y1, yUp = (j + 1) * dy + y1, yOut = (j + 2) * dy + y1;
        TGLArrayd3 a{x1, y0, Height(x1, y0)};
        TGLArrayd3 b{x1, yUp, Height(x1, yUp)};
        glBegin(Draft ? GL_LINE_STRIP : GL_TRIANGLE_STRIP);
        for (int i = 0; i <= xs; ++i) {
            // C, D and E serve the normals only; C and, in the last column, D and E lie
            // one step outside the field.
            const TGLArrayd3 c{a[0], yOut, Height(a[0], yOut)};
            const double xNext = (i + 1) * dx + x1;
            const TGLArrayd3 d{xNext, y0, Height(xNext, y0)};
            const TGLArrayd3 e{xNext, yUp, Height(xNext, yUp)};
            TGLArrayd3 na{0, 0, 1}, nb{0, 0, 1};
            if (FAutoNormal) {
                CalcNormald(a, d, b, na);
                CalcNormald(b, e, c, nb);
            } else if (FOnGetHeightNormal) {
                normalAt(a[0], a[1], na);
                normalAt(b[0], b[1], nb);
            }
            if (textured)
                glTexCoord2f(GLfloat(double(i) / xs), GLfloat(double(j + 1) / ys));
            glNormal3dv(nb.data());
            glVertex3dv(b.data());
            if (textured)
                glTexCoord2f(GLfloat(double(i) / xs), GLfloat(double(j) / ys));
            glNormal3dv(na.data());
            glVertex3dv(a.data());
            a = d;
            b = e;
        }
        glEnd();
    }
}

}  // namespace nyx
