#include "objects/quadrics.h"

#include "gl/glscope.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace nyx {

namespace {

struct TQuadricDeleter {
    void operator()(GLUquadric* Q) const { gluDeleteQuadric(Q); }
};
using TQuadric = std::unique_ptr<GLUquadric, TQuadricDeleter>;

// A quadric set up for one draw; none when GLU is out of memory.
TQuadric NewQuadric(bool Draft, bool Smooth, bool FlatFirst) {
    TQuadric q(gluNewQuadric());
    if (!q)
        return q;
    gluQuadricDrawStyle(q.get(), Draft ? GLU_LINE : GLU_FILL);
    if (FlatFirst && !Smooth)
        gluQuadricNormals(q.get(), GLU_FLAT);
    if (!Draft)
        gluQuadricTexture(q.get(), GL_TRUE);
    if (!FlatFirst && !Smooth)
        gluQuadricNormals(q.get(), GLU_FLAT);
    return q;
}

// gluSphere(Radius, Slices, Stacks) of a smooth, textured, outward quadric filled, as
// triangles: its quad strips' vertices, normals and texture coordinates worked out in the
// same precision and order, each quad split along the diagonal from its first corner to
// its last with that corner last, as the driver splits them (flat shading takes the
// colour of the last corner). GLU's limits hold: counts from its cache size of 240 on
// are cut down, and fewer than 2 slices or 1 stack or a negative radius draw nothing.
void GluSphereTriangles(double Radius, int Slices, int Stacks) {
    constexpr int CacheSize = 240;
    constexpr double Pi = 3.14159265358979323846;
    Slices = std::min(Slices, CacheSize - 1);
    Stacks = std::min(Stacks, CacheSize - 1);
    if (Slices < 2 || Stacks < 1 || Radius < 0)
        return;
    // Round the z axis (x from the sine, y from the cosine); down from +z.
    std::vector<float> sinSlice(Slices + 1), cosSlice(Slices + 1);
    for (int i = 0; i < Slices; ++i) {
        const float angle = float(2 * Pi * i / Slices);
        sinSlice[i] = float(std::sin(double(angle)));
        cosSlice[i] = float(std::cos(double(angle)));
    }
    sinSlice[Slices] = sinSlice[0];
    cosSlice[Slices] = cosSlice[0];
    std::vector<float> sinStack(Stacks + 1), cosStack(Stacks + 1), ringRadius(Stacks + 1),
        ringZ(Stacks + 1);
    for (int j = 0; j <= Stacks; ++j) {
        const float angle = float(Pi * j / Stacks);
        sinStack[j] = float(std::sin(double(angle)));
        cosStack[j] = float(std::cos(double(angle)));
        ringRadius[j] = float(Radius * std::sin(double(angle)));
        ringZ[j] = float(Radius * std::cos(double(angle)));
    }
    ringRadius[0] = 0;  // the poles come to a point
    ringRadius[Stacks] = 0;

    // Corner i of ring j.
    auto emit = [&](int i, int j) {
        glNormal3f(sinSlice[i] * sinStack[j], cosSlice[i] * sinStack[j], cosStack[j]);
        glTexCoord2f(1 - float(i) / Slices, 1 - float(j) / Stacks);
        glVertex3f(ringRadius[j] * sinSlice[i], ringRadius[j] * cosSlice[i], ringZ[j]);
    };
    // The strip's quads are (i, j + 1), (i, j), (i + 1, j + 1), (i + 1, j). At the poles
    // one of the two triangles has two corners at the pole: it covers no pixel, and is
    // left out.
    glBegin(GL_TRIANGLES);
    for (int j = 0; j < Stacks; ++j)
        for (int i = 0; i < Slices; ++i) {
            if (j > 0) {
                emit(i, j + 1);
                emit(i, j);
                emit(i + 1, j);
            }
            if (j < Stacks - 1) {
                emit(i + 1, j + 1);
                emit(i, j + 1);
                emit(i + 1, j);
            }
        }
    glEnd();
}

template <class T, class V>
void Change(T* Obj, V& Field, V Value) {
    if (Field == Value)
        return;
    Field = Value;
    Obj->Invalidate(Obj);
}

}  // namespace

// --- TNyxSphere ----------------------------------------------------------------------

const TMetaClass& TNyxSphere::StaticClass() {
    using P = Props<TNyxSphere>;
    static const TMetaClass meta = TMetaClass::Make<TNyxSphere, TNyxShadowedObject>(
        "TNyxSphere", {
                          NyxObjectProps::CastShadows(),
                          NyxObjectProps::ReceiveShadows(),
                          NyxObjectProps::Smooth(),
                          P::Integer("Slices", &TNyxSphere::Slices, &TNyxSphere::SetSlices, 20),
                          P::Integer("Stacks", &TNyxSphere::Stacks, &TNyxSphere::SetStacks, 20),
                      });
    return meta;
}

TNyxSphere::TNyxSphere(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

void TNyxSphere::SetSlices(std::int32_t Value) { Change(this, FSlices, Value); }
void TNyxSphere::SetStacks(std::int32_t Value) { Change(this, FStacks, Value); }

void TNyxSphere::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    TQuadric q = NewQuadric(Draft, Smooth(), false);
    if (q)
        gluSphere(q.get(), 0.5, FSlices, FStacks);
}

void TNyxSphere::CompileSpecific(std::uint32_t Face, bool Draft) {
    if (Draft || !Smooth())
        // Flat normals are given after each strip's first corner, which takes the normal
        // current before the sphere: triangles cannot give it that.
        DrawSpecific(Face, Draft);
    else
        GluSphereTriangles(0.5, FSlices, FStacks);
}

// --- TNyxCone ------------------------------------------------------------------------

const TEnumInfo& TNyxConePartsInfo() {
    static const TEnumInfo info{"TNyxConeParts", {"cpTop", "cpBottom", "cpSide"}};
    return info;
}

const TMetaClass& TNyxCone::StaticClass() {
    using P = Props<TNyxCone>;
    static const TMetaClass meta = TMetaClass::Make<TNyxCone, TNyxShadowedObject>(
        "TNyxCone",
        {
            NyxObjectProps::Smooth(),
            P::Float("Radius1", &TNyxCone::Radius1, &TNyxCone::SetRadius1),
            P::Float("Radius2", &TNyxCone::Radius2, &TNyxCone::SetRadius2),
            P::Float("Height", &TNyxCone::Height, &TNyxCone::SetHeight),
            P::Integer("Slices", &TNyxCone::Slices, &TNyxCone::SetSlices, 10),
            P::Integer("Stacks", &TNyxCone::Stacks, &TNyxCone::SetStacks, 1),
            P::Set(
                "Parts", [](const TNyxCone& c) { return c.Parts().ToBits(); },
                [](TNyxCone& c, std::uint8_t v) { c.SetParts(TNyxConePartSet::FromBits(v)); },
                TNyxConePartsInfo(), AllParts.ToBits()),
        });
    return meta;
}

TNyxCone::TNyxCone(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

void TNyxCone::SetRadius1(double Value) { Change(this, FRadius1, Value); }
void TNyxCone::SetRadius2(double Value) { Change(this, FRadius2, Value); }
void TNyxCone::SetHeight(double Value) { Change(this, FHeight, Value); }
void TNyxCone::SetSlices(std::int32_t Value) { Change(this, FSlices, std::max(Value, 3)); }
void TNyxCone::SetStacks(std::int32_t Value) { Change(this, FStacks, Value <= 0 ? 1 : Value); }
void TNyxCone::SetParts(TNyxConePartSet Value) { Change(this, FParts, Value); }

void TNyxCone::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const double r = std::max(FRadius1, FRadius2);
    Min = {-r, -r, -FHeight / 2};
    Max = {r, r, FHeight / 2};
}

void TNyxCone::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    // The quadric goes before the matrix is popped.
    const TGLMatrixScope matrix;
    TQuadric q = NewQuadric(Draft, Smooth(), true);
    if (q) {
        glTranslatef(0, 0, GLfloat(-FHeight / 2));
        if (FParts.Contains(cpSide))
            gluCylinder(q.get(), FRadius2, FRadius1, FHeight, FSlices, FStacks);
        // The bottom disk faces -z.
        gluQuadricOrientation(q.get(), GLU_INSIDE);
        if (FParts.Contains(cpBottom) && FRadius2 > 0)
            gluDisk(q.get(), 0, FRadius2, FSlices, FStacks);
        glTranslatef(0, 0, GLfloat(FHeight));
        gluQuadricOrientation(q.get(), GLU_OUTSIDE);
        if (FParts.Contains(cpTop) && FRadius1 > 0)
            gluDisk(q.get(), 0, FRadius1, FSlices, FStacks);
    }
}

}  // namespace nyx
