#include "objects/torus.h"

#include "gl/opengl.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nyx {

namespace {

// Index * 2 * pi / Count, worked out in extended precision.
double Angle(int Index, int Count) {
    return double(static_cast<long double>(Index) * 2 * std::numbers::pi_v<long double> / Count);
}

struct TTorusCorner {
    GLdouble Vertex[3];
    GLdouble Normal[3];
};

TTorusCorner Corner(double R1, double R2, double Theta, double Phi) {
    const double ring = R2 * std::cos(Phi) + R1;
    return {{std::cos(Theta) * ring, -std::sin(Theta) * ring, R2 * std::sin(Phi)},
            {std::cos(Theta) * std::cos(Phi), -std::sin(Theta) * std::cos(Phi), std::sin(Phi)}};
}

}  // namespace

const TMetaClass& TNyxTorus::StaticClass() {
    using P = Props<TNyxTorus>;
    static const TMetaClass meta = TMetaClass::Make<TNyxTorus, TNyxShadowedObject>(
        "TNyxTorus", {
                         NyxObjectProps::Smooth(),
                         P::Float("Radius1", &TNyxTorus::Radius1, &TNyxTorus::SetRadius1),
                         P::Float("Radius2", &TNyxTorus::Radius2, &TNyxTorus::SetRadius2),
                         P::Integer("Sides", &TNyxTorus::Sides, &TNyxTorus::SetSides, 8),
                         P::Integer("Rings", &TNyxTorus::Rings, &TNyxTorus::SetRings, 15),
                     });
    return meta;
}

TNyxTorus::TNyxTorus(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

void TNyxTorus::SetRadius1(double Value) {
    if (Value == FRadius1)
        return;
    FRadius1 = Value;
    Invalidate(this);
}

void TNyxTorus::SetRadius2(double Value) {
    if (Value == FRadius2)
        return;
    FRadius2 = Value;
    Invalidate(this);
}

void TNyxTorus::SetSides(std::int32_t Value) {
    Value = std::max(Value, 2);
    if (Value == FSides)
        return;
    FSides = Value;
    Invalidate(this);
}

void TNyxTorus::SetRings(std::int32_t Value) {
    Value = std::max(Value, 3);
    if (Value == FRings)
        return;
    FRings = Value;
    Invalidate(this);
}

void TNyxTorus::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const double outer = FRadius1 + FRadius2;
    Min = {-outer, -outer, -FRadius2};
    Max = {outer, outer, FRadius2};
}

double TNyxTorus::GetRadius() const { return FRadius1 + FRadius2; }

void TNyxTorus::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    const int rings = FRings;
    const int sides = FSides;
    const bool smooth = Smooth();
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const double theta0 = Angle(r, rings), theta1 = Angle(r + 1, rings);
            const double phi0 = Angle(s, sides), phi1 = Angle(s + 1, sides);
            // D, C, B, A: counter-clockwise seen from outside the tube.
            const TTorusCorner quad[4] = {
                Corner(FRadius1, FRadius2, theta0, phi1), Corner(FRadius1, FRadius2, theta1, phi1),
                Corner(FRadius1, FRadius2, theta1, phi0), Corner(FRadius1, FRadius2, theta0, phi0)};
            const GLdouble tex[4][2] = {{double(r) / rings, double(sides - s - 1) / sides},
                                        {double(r + 1) / rings, double(sides - s - 1) / sides},
                                        {double(r + 1) / rings, double(sides - s) / sides},
                                        {double(r) / rings, double(sides - s) / sides}};
            glBegin(Draft ? GL_LINE_LOOP : GL_QUADS);
            for (int i = 0; i < 4; ++i) {
                if (i == 0 || smooth)
                    glNormal3dv(quad[i].Normal);
                if (!Draft)
                    glTexCoord2d(tex[i][0], tex[i][1]);
                glVertex3dv(quad[i].Vertex);
            }
            glEnd();
        }
    }
}

}  // namespace nyx
