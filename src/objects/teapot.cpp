#include "objects/teapot.h"

#include "gl/glscope.h"
#include "gl/opengl.h"
#include "objects/detail/teapotdata.h"

namespace nyx {

namespace {

using detail::TeapotPatches;
using detail::TeapotPoints;

// The part each patch belongs to, in patch order.
constexpr TNyxTeapotParts PatchParts[10] = {tpBody, tpBody,   tpBody,   tpLid,   tpLid,
                                            tpBody, tpHandle, tpHandle, tpSpout, tpSpout};
// The rim, body, lid and bottom patches describe a quarter of the pot; the handle and
// spout patches half of it.
constexpr int QuarterPatches = 6;

// How one copy of a patch is laid: its columns in order or reversed, x and y kept or
// negated. Reversing the columns along with one reflection keeps every copy's
// orientation that of the original.
struct TMirror {
    bool Reversed;
    GLfloat X, Y;
};
constexpr TMirror Mirrors[4] = {{false, 1, 1}, {true, 1, -1}, {true, -1, 1}, {false, -1, -1}};

// s = u, t = 1 - v over every patch.
constexpr GLfloat TextureNet[8] = {0, 1, 1, 1, 0, 0, 1, 0};

using TNet = GLfloat[4][4][3];

void BuildNet(const int (&Indices)[16], const TMirror& M, TNet& Net) {
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) {
            const float* p = TeapotPoints[Indices[4 * j + (M.Reversed ? 3 - k : k)]];
            Net[j][k][0] = M.X * p[0];
            Net[j][k][1] = M.Y * p[1];
            Net[j][k][2] = p[2];
        }
}

void EvaluatePatches(std::int32_t Segments, TNyxTeapotPartSet Parts, GLenum Mode, bool Textured) {
    for (int i = 0; i < 10; ++i) {
        if (!Parts.Contains(PatchParts[i]))
            continue;
        if (Textured)
            glMap2f(GL_MAP2_TEXTURE_COORD_2, 0, 1, 2, 2, 0, 1, 4, 2, TextureNet);
        const int copies = i < QuarterPatches ? 4 : 2;
        for (int m = 0; m < copies; ++m) {
            TNet net;
            BuildNet(TeapotPatches[i], Mirrors[m], net);
            glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 4, 0, 1, 12, 4, &net[0][0][0]);
            if (m == 0)
                glMapGrid2f(Segments, 0, 1, Segments, 0, 1);
            glEvalMesh2(Mode, 0, Segments, 0, Segments);
        }
    }
}

}  // namespace

// --- Class information ---------------------------------------------------------------

const TEnumInfo& TNyxTeapotPartsInfo() {
    static const TEnumInfo info{"TNyxTeapotParts", {"tpBody", "tpHandle", "tpSpout", "tpLid"}};
    return info;
}

const TMetaClass& TNyxTeapot::StaticClass() {
    using P = Props<TNyxTeapot>;
    static const TMetaClass meta = TMetaClass::Make<TNyxTeapot, TNyxColoredObject>(
        "TNyxTeapot",
        {
            P::Integer("Segments", &TNyxTeapot::Segments, &TNyxTeapot::SetSegments, 4),
            P::Set(
                "Parts", [](const TNyxTeapot& t) { return t.Parts().ToBits(); },
                [](TNyxTeapot& t, std::uint8_t v) { t.SetParts(TNyxTeapotPartSet::FromBits(v)); },
                TNyxTeapotPartsInfo(), AllParts.ToBits()),
        });
    return meta;
}

TNyxTeapot::TNyxTeapot(TComponent* AOwner) : TNyxColoredObject(AOwner) {}

// --- Properties ----------------------------------------------------------------------

void TNyxTeapot::SetSegments(std::int32_t Value) {
    if (Value <= 0)
        Value = 1;
    if (Value == FSegments)
        return;
    FSegments = Value;
    Invalidate(this);
}

void TNyxTeapot::SetParts(TNyxTeapotPartSet Value) {
    if (Value == FParts)
        return;
    FParts = Value;
    Invalidate(this);
}

void TNyxTeapot::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = {-1.5, -1.0, -0.75};
    Max = {1.75, 1.0, 0.85};
}

// --- Drawing -------------------------------------------------------------------------

void TNyxTeapot::DrawSpecific(std::uint32_t Face, bool Draft) {
    const bool hasTexture = !GetMaterial()->Texture()->Empty();
    const bool textured = hasTexture && !Draft;
    const TGLMatrixScope matrix;
    // A control point (x, y, z) lands at (x, -y, z - 0.75) / 4. The transform mirrors,
    // which turns the evaluated meshes' winding round to agree with their normals.
    glScalef(-0.25f, -0.25f, -0.25f);
    glRotatef(180, 0, 1, 0);
    glTranslatef(0, 0, -0.75f);
    glEnable(GL_MAP2_VERTEX_3);
    if (textured)
        glEnable(GL_MAP2_TEXTURE_COORD_2);
    glEnable(GL_AUTO_NORMAL);
    if (Face != GL_BACK)
        EvaluatePatches(FSegments, FParts, Draft ? GL_LINE : GL_FILL, textured);
    glDisable(GL_MAP2_VERTEX_3);
    if (hasTexture)
        glDisable(GL_MAP2_TEXTURE_COORD_2);
    glDisable(GL_AUTO_NORMAL);
}

}  // namespace nyx
