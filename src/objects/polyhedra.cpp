#include "objects/polyhedra.h"

#include "geom/geom.h"
#include "gl/glscope.h"
#include "gl/opengl.h"

#include <span>

namespace nyx {

namespace {

// --- Tables ---------------------------------------------------------------------------

// Faces of the octahedron and the icosahedron are listed clockwise seen from outside.
constexpr TGLArrayf3 OctahedronCorners[6] = {{0.5f, 0, 0},  {-0.5f, 0, 0}, {0, 0.5f, 0},
                                             {0, -0.5f, 0}, {0, 0, 0.5f},  {0, 0, -0.5f}};
constexpr int OctahedronFaces[8][3] = {{0, 4, 2}, {1, 2, 4}, {0, 3, 4}, {1, 4, 3},
                                       {0, 2, 5}, {1, 5, 2}, {0, 5, 3}, {1, 3, 5}};

constexpr float IcoX = 0.26286554f;
constexpr float IcoZ = 0.42532539f;
constexpr TGLArrayf3 IcosahedronCorners[12] = {
    {-IcoX, 0, IcoZ}, {IcoX, 0, IcoZ},  {-IcoX, 0, -IcoZ}, {IcoX, 0, -IcoZ},
    {0, IcoZ, IcoX},  {0, IcoZ, -IcoX}, {0, -IcoZ, IcoX},  {0, -IcoZ, -IcoX},
    {IcoZ, IcoX, 0},  {-IcoZ, IcoX, 0}, {IcoZ, -IcoX, 0},  {-IcoZ, -IcoX, 0}};
constexpr int IcosahedronFaces[20][3] = {
    {0, 4, 1}, {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},  {8, 10, 1}, {8, 3, 10},
    {5, 3, 8}, {5, 2, 3},  {2, 7, 3},  {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6},
    {0, 1, 6}, {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};

// Drawn scaled by 0.3. Faces are listed counter-clockwise seen from outside.
constexpr float DodeG = 1.618034f;
constexpr float Dodeg = 0.618034f;
constexpr TGLArrayf3 DodecahedronCorners[20] = {
    {-DodeG, 0, Dodeg}, {-DodeG, 0, -Dodeg}, {DodeG, 0, -Dodeg}, {DodeG, 0, Dodeg},
    {Dodeg, -DodeG, 0}, {-Dodeg, -DodeG, 0}, {-Dodeg, DodeG, 0}, {Dodeg, DodeG, 0},
    {0, Dodeg, -DodeG}, {0, -Dodeg, -DodeG}, {0, -Dodeg, DodeG}, {0, Dodeg, DodeG},
    {-1, -1, 1},        {-1, -1, -1},        {1, -1, -1},        {1, -1, 1},
    {-1, 1, 1},         {-1, 1, -1},         {1, 1, -1},         {1, 1, 1}};
constexpr int DodecahedronFaces[12][5] = {
    {0, 12, 10, 11, 16}, {1, 17, 8, 9, 13}, {2, 14, 9, 8, 18},  {3, 19, 11, 10, 15},
    {4, 14, 2, 3, 15},   {5, 12, 0, 1, 13}, {6, 17, 1, 0, 16},  {7, 19, 3, 2, 18},
    {8, 17, 6, 7, 18},   {9, 14, 4, 5, 13}, {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16}};

// --- Drawing --------------------------------------------------------------------------

TGLArrayf3 Minus(const TGLArrayf3& A, const TGLArrayf3& B) {
    return {A[0] - B[0], A[1] - B[1], A[2] - B[2]};
}

// (Corners[A] - Corners[B]) x (Corners[C] - Corners[B]), in single precision and not
// normalised.
TGLArrayf3 FaceNormal(std::span<const TGLArrayf3> Corners, int A, int B, int C) {
    TGLArrayf3 n;
    CrossProdf(Minus(Corners[A], Corners[B]), Minus(Corners[C], Corners[B]), n);
    return n;
}

// Each triangle is emitted in the order f0, f2, f1, which turns the listed clockwise
// faces counter-clockwise.
void DrawTriangles(std::span<const TGLArrayf3> Corners, std::span<const int[3]> Faces, bool Draft) {
    for (const int(&f)[3] : Faces) {
        const TGLArrayf3 n = FaceNormal(Corners, f[0], f[1], f[2]);
        glBegin(Draft ? GL_LINE_LOOP : GL_TRIANGLES);
        glNormal3fv(n.data());
        glVertex3fv(Corners[f[0]].data());
        glVertex3fv(Corners[f[2]].data());
        glVertex3fv(Corners[f[1]].data());
        glEnd();
    }
}

}  // namespace

// --- Class information ----------------------------------------------------------------

const TMetaClass& TNyxOctahedron::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TNyxOctahedron, TNyxShadowedObject>("TNyxOctahedron");
    return meta;
}

const TMetaClass& TNyxIcosahedron::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TNyxIcosahedron, TNyxShadowedObject>("TNyxIcosahedron");
    return meta;
}

const TMetaClass& TNyxDodecahedron::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TNyxDodecahedron, TNyxShadowedObject>("TNyxDodecahedron");
    return meta;
}

TNyxOctahedron::TNyxOctahedron(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}
TNyxIcosahedron::TNyxIcosahedron(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}
TNyxDodecahedron::TNyxDodecahedron(TComponent* AOwner) : TNyxShadowedObject(AOwner) {}

// --- Geometry -------------------------------------------------------------------------

void TNyxOctahedron::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    DrawTriangles(OctahedronCorners, OctahedronFaces, Draft);
}

void TNyxIcosahedron::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    DrawTriangles(IcosahedronCorners, IcosahedronFaces, Draft);
}

void TNyxDodecahedron::DrawSpecific(std::uint32_t /*Face*/, bool Draft) {
    const TGLMatrixScope matrix;
    glScalef(0.3f, 0.3f, 0.3f);
    for (const auto& f : DodecahedronFaces) {
        // Listed counter-clockwise already: the edges at f1 are crossed the other way
        // round from the triangles'.
        const TGLArrayf3 n = FaceNormal(DodecahedronCorners, f[2], f[1], f[0]);
        glBegin(Draft ? GL_LINE_LOOP : GL_TRIANGLE_FAN);
        glNormal3fv(n.data());
        for (int c : f)
            glVertex3fv(DodecahedronCorners[c].data());
        glEnd();
    }
}

}  // namespace nyx
