#include "objects/box.h"

#include "gl/opengl.h"

#include <cmath>

namespace nyx {

namespace {

// --- The unit cube as tables (all slice counts 1) ------------------------------------

constexpr GLfloat Corners[8][3] = {
    {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f},
    {-0.5f, -0.5f, 0.5f},  {0.5f, -0.5f, 0.5f},  {0.5f, 0.5f, 0.5f},  {-0.5f, 0.5f, 0.5f},
};

struct TTableFace {
    TNyxBoxParts Part;
    GLfloat Normal[3];
    int Corners[4];  // zero-based indices into Corners
};

// Counter-clockwise seen from outside.
constexpr TTableFace TableFaces[6] = {
    {bpLeft, {-1, 0, 0}, {3, 0, 4, 7}},   {bpRight, {1, 0, 0}, {1, 2, 6, 5}},
    {bpFront, {0, -1, 0}, {0, 1, 5, 4}},  {bpBack, {0, 1, 0}, {2, 3, 7, 6}},
    {bpBottom, {0, 0, -1}, {3, 2, 1, 0}}, {bpTop, {0, 0, 1}, {4, 5, 6, 7}},
};

constexpr GLint TableTexCoords[4][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};

// The edges joining face 0's loop to face 1's in the draft outline.
constexpr int ConnectingEdges[4][2] = {{3, 2}, {0, 1}, {4, 5}, {7, 6}};

// --- The sliced cube ------------------------------------------------------------------

// A texture coordinate follows one axis, rising with it or mirrored.
struct TTexAxis {
    int Axis;
    bool Mirrored;
};

struct TGridFace {
    TNyxBoxParts Part;
    GLfloat Normal[3];
    int Fixed;              // the axis the face is perpendicular to
    GLfloat FixedValue;     // -0.5 or 0.5 on it
    int Outer;              // axis of the outer cell loop
    int Inner;              // axis of the inner cell loop
    const int (*Steps)[2];  // corner order of a cell as (outer, inner) offsets
    TTexAxis S, T;
};

// Two corner orders, so that every cell is counter-clockwise seen from outside.
constexpr int StepsA[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
constexpr int StepsB[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Counter-clockwise seen from outside.
constexpr TGridFace GridFaces[6] = {
    {bpLeft, {-1, 0, 0}, 0, -0.5f, 1, 2, StepsA, {1, false}, {2, false}},
    {bpRight, {1, 0, 0}, 0, 0.5f, 1, 2, StepsB, {1, true}, {2, false}},
    {bpFront, {0, -1, 0}, 1, -0.5f, 0, 2, StepsB, {0, true}, {2, false}},
    {bpBack, {0, 1, 0}, 1, 0.5f, 0, 2, StepsA, {0, false}, {2, false}},
    {bpBottom, {0, 0, -1}, 2, -0.5f, 0, 1, StepsA, {0, true}, {1, true}},
    {bpTop, {0, 0, 1}, 2, 0.5f, 0, 1, StepsB, {0, true}, {1, false}},
};

// Texture coordinates come from the grid indices, not from the rounded positions.
GLfloat TexCoord(const TTexAxis& A, const int K[3], const std::int32_t N[3]) {
    const int k = A.Mirrored ? N[A.Axis] - K[A.Axis] : K[A.Axis];
    return GLfloat(double(k) / N[A.Axis]);
}

void EmitGridCorner(const TGridFace& F, int A, int B, int Step, const std::int32_t N[3],
                    bool Textured) {
    int k[3] = {0, 0, 0};
    k[F.Outer] = A + F.Steps[Step][0];
    k[F.Inner] = B + F.Steps[Step][1];
    GLfloat v[3];
    for (int axis = 0; axis < 3; ++axis)
        v[axis] = GLfloat(double(k[axis]) / N[axis] - 0.5);
    v[F.Fixed] = F.FixedValue;
    if (Textured)
        glTexCoord2f(TexCoord(F.S, k, N), TexCoord(F.T, k, N));
    glVertex3fv(v);
}

}  // namespace

// --- Class information ---------------------------------------------------------------

const TEnumInfo& TNyxBoxPartsInfo() {
    static const TEnumInfo info{"TNyxBoxParts",
                                {"bpLeft", "bpRight", "bpTop", "bpBottom", "bpFront", "bpBack"}};
    return info;
}

const TMetaClass& TNyxBox::StaticClass() {
    using P = Props<TNyxBox>;
    static const TMetaClass meta = TMetaClass::Make<TNyxBox, TNyxShadowedObject>(
        "TNyxBox",
        {
            NyxObjectProps::CastShadows(),
            NyxObjectProps::ReceiveShadows(),
            P::Integer(
                "SlicesX", &TNyxBox::SlicesX, [](TNyxBox& b, std::int32_t v) { b.SetSlices(0, v); },
                1),
            P::Integer(
                "SlicesY", &TNyxBox::SlicesY, [](TNyxBox& b, std::int32_t v) { b.SetSlices(1, v); },
                1),
            P::Integer(
                "SlicesZ", &TNyxBox::SlicesZ, [](TNyxBox& b, std::int32_t v) { b.SetSlices(2, v); },
                1),
            P::Set(
                "Parts", [](const TNyxBox& b) { return b.Parts().ToBits(); },
                [](TNyxBox& b, std::uint8_t v) { b.SetParts(TNyxBoxPartSet::FromBits(v)); },
                TNyxBoxPartsInfo(), AllParts.ToBits()),
        });
    return meta;
}

TNyxBox::TNyxBox(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

// --- Properties ----------------------------------------------------------------------

void TNyxBox::SetSlices(int Index, std::int32_t Value) {
    if (Index < 0 || Index > 2)
        return;
    if (Value < 1)
        Value = 1;
    if (Value == FSlices[Index])
        return;
    FSlices[Index] = Value;
    Invalidate(this);
}

void TNyxBox::SetParts(TNyxBoxPartSet Value) {
    if (Value == FParts)
        return;
    FParts = Value;
    Invalidate(this);
}

double TNyxBox::GetRadius() const { return std::sqrt(2.0); }

// --- Drawing -------------------------------------------------------------------------

void TNyxBox::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    const bool textured = !GetMaterial()->Texture()->Empty();
    if (FSlices[0] == 1 && FSlices[1] == 1 && FSlices[2] == 1)
        DrawTable(Draft, textured);
    else
        DrawGrid(Draft, textured);
}

void TNyxBox::DrawTable(bool Draft, bool Textured) const {
    if (Draft && FParts == AllParts) {
        // The two end loops and the four edges between them: twelve edges, each once.
        for (int f = 0; f < 2; ++f) {
            glNormal3fv(TableFaces[f].Normal);
            glBegin(GL_LINE_LOOP);
            for (int c : TableFaces[f].Corners)
                glVertex3fv(Corners[c]);
            glEnd();
        }
        glBegin(GL_LINES);
        for (const auto& edge : ConnectingEdges) {
            glVertex3fv(Corners[edge[0]]);
            glVertex3fv(Corners[edge[1]]);
        }
        glEnd();
        return;
    }
    for (const TTableFace& face : TableFaces) {
        if (!FParts.Contains(face.Part))
            continue;
        glNormal3fv(face.Normal);
        // With faces left out the outline is each remaining face's own loop.
        glBegin(Draft ? GL_LINE_LOOP : GL_QUADS);
        for (int i = 0; i < 4; ++i) {
            if (Textured && !Draft)
                glTexCoord2i(TableTexCoords[i][0], TableTexCoords[i][1]);
            glVertex3fv(Corners[face.Corners[i]]);
        }
        glEnd();
    }
}

void TNyxBox::DrawGrid(bool Draft, bool Textured) const {
    if (Draft) {
        for (const TGridFace& face : GridFaces) {
            if (!FParts.Contains(face.Part))
                continue;
            glNormal3fv(face.Normal);
            for (int a = 0; a < FSlices[face.Outer]; ++a)
                for (int b = 0; b < FSlices[face.Inner]; ++b) {
                    glBegin(GL_LINE_LOOP);
                    for (int step = 0; step < 4; ++step)
                        EmitGridCorner(face, a, b, step, FSlices, false);
                    glEnd();
                }
        }
        return;
    }
    if (FParts.Empty())
        return;
    glBegin(GL_QUADS);
    for (const TGridFace& face : GridFaces) {
        if (!FParts.Contains(face.Part))
            continue;
        glNormal3fv(face.Normal);
        for (int a = 0; a < FSlices[face.Outer]; ++a)
            for (int b = 0; b < FSlices[face.Inner]; ++b)
                for (int step = 0; step < 4; ++step)
                    EmitGridCorner(face, a, b, step, FSlices, Textured);
    }
    glEnd();
}

}  // namespace nyx
