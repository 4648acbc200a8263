#pragma once
// Small solids for the shadow tests: an axis-aligned box and a flat square in
// z = 0, both drawn as outward-facing (counter-clockwise) quads with normals, and a
// solid that draws a line, which a volume build must refuse; and a placement helper.

#include "scene/shadow.h"

#include <array>

namespace nyx::test {

// Moves Obj to (X, Y, Z) and turns it TurnZ degrees about z.
inline void Place(TNyxObject* Obj, double X, double Y, double Z, double TurnZ) {
    Obj->XForm()->Translate()->SetX(X);
    Obj->XForm()->Translate()->SetY(Y);
    Obj->XForm()->Translate()->SetZ(Z);
    Obj->XForm()->Rotate()->SetZ(TurnZ);
}

class TTestBox : public TNyxShadowedObject {
public:
    TTestBox(TComponent* AOwner, double Half) : TNyxShadowedObject(AOwner), FHalf(Half) {}

    void DrawSpecific(std::uint32_t, bool Draft) override {
        const double h = FHalf;
        // For each face: its normal axis and sign, then four corners counter-clockwise
        // seen from outside.
        static const int faces[6][4][3] = {
            {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},
            {{-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}},
            {{1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}},
            {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
            {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
            {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},
        };
        static const float normals[6][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                            {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
        for (int f = 0; f < 6; ++f) {
            glBegin(Draft ? GL_LINE_LOOP : GL_QUADS);
            glNormal3fv(normals[f]);
            for (const auto& c : faces[f])
                glVertex3d(c[0] * h, c[1] * h, c[2] * h);
            glEnd();
        }
    }
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override {
        Min = {-FHalf, -FHalf, -FHalf};
        Max = {FHalf, FHalf, FHalf};
    }
    double GetRadius() const override { return FHalf * 1.7320508075688772; }

private:
    double FHalf;
};

// A square of side 2 Half in z = 0, facing +z, split into a grid of quads so that
// its lighting is computed at many vertices.
class TTestFloor : public TNyxShadowedObject {
public:
    TTestFloor(TComponent* AOwner, double Half, int Cells = 16)
        : TNyxShadowedObject(AOwner), FHalf(Half), FCells(Cells) {}

    void DrawSpecific(std::uint32_t, bool) override {
        const int n = FCells;
        const double step = 2 * FHalf / n;
        glNormal3f(0, 0, 1);
        glBegin(GL_QUADS);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const double x = -FHalf + i * step, y = -FHalf + j * step;
                glVertex3d(x, y, 0);
                glVertex3d(x + step, y, 0);
                glVertex3d(x + step, y + step, 0);
                glVertex3d(x, y + step, 0);
            }
        glEnd();
    }
    double GetRadius() const override { return FHalf * 1.4142135623730951; }

private:
    double FHalf;
    int FCells;
};

// Draws one line: not something a silhouette can be made of.
class TTestWire : public TNyxShadowedObject {
public:
    using TNyxShadowedObject::TNyxShadowedObject;
    void DrawSpecific(std::uint32_t, bool) override {
        glBegin(GL_LINES);
        glVertex3d(-0.5, 0, 0);
        glVertex3d(0.5, 0, 0);
        glEnd();
    }
};

}  // namespace nyx::test
