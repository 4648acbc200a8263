#include "drawcounter.h"

#include "gl/opengl.h"
#include "gl/wgl.h"

#include <cassert>
#include <unordered_map>

namespace nyx {

// What the entry points below count into; one counter at a time.
struct TDrawCounter::TState {
    TDrawCounter* Counter = nullptr;
    const TGLDispatch* Next = nullptr;
    TGLDispatch Table{};
    std::chrono::steady_clock::time_point Start{};
    std::int64_t Triangles = 0;  // of the frame being drawn
    GLenum Primitive = 0;
    std::int64_t Vertices = 0;  // since glBegin
    bool Selecting = false;
    GLuint Compiling = 0;   // the list being compiled, 0 for none
    bool Executing = true;  // what is drawn now reaches the frame (not only a list)
    std::unordered_map<GLuint, std::int64_t> Lists;

    // A frame was swapped onto a window: it becomes the counter's last.
    void FrameDone() {
        Counter->FLast = {Triangles, std::chrono::duration<double, std::milli>(
                                         std::chrono::steady_clock::now() - Start)
                                         .count()};
        if (Counter->OnFrame)
            Counter->OnFrame();
    }

    void Add(std::int64_t Count) {
        if (Compiling)
            Lists[Compiling] += Count;
        if (Executing && !Selecting)
            Triangles += Count;
    }

    static std::int64_t TrianglesOf(GLenum Mode, std::int64_t N) {
        switch (Mode) {
        case GL_TRIANGLES:
            return N / 3;
        case GL_QUADS:
            return N / 4 * 2;
        case GL_TRIANGLE_STRIP:
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            return N > 2 ? N - 2 : 0;
        case GL_QUAD_STRIP:
            return N > 3 ? (N - 2) / 2 * 2 : 0;
        default:
            return 0;  // points and lines
        }
    }
};

namespace {

TDrawCounter::TState* State = nullptr;

TDrawCounter::TState& S() {
    assert(State);
    return *State;
}

void Begin(GLenum Mode) {
    S().Primitive = Mode;
    S().Vertices = 0;
    S().Next->glBegin(Mode);
}
void End() {
    S().Add(S().TrianglesOf(S().Primitive, S().Vertices));
    S().Next->glEnd();
}
void Vertex3d(GLdouble X, GLdouble Y, GLdouble Z) {
    ++S().Vertices;
    S().Next->glVertex3d(X, Y, Z);
}
void Vertex3dv(const GLdouble* V) {
    ++S().Vertices;
    S().Next->glVertex3dv(V);
}
void Vertex3f(GLfloat X, GLfloat Y, GLfloat Z) {
    ++S().Vertices;
    S().Next->glVertex3f(X, Y, Z);
}
void Vertex3fv(const GLfloat* V) {
    ++S().Vertices;
    S().Next->glVertex3fv(V);
}
void NewList(GLuint List, GLenum Mode) {
    S().Compiling = List;
    S().Lists[List] = 0;
    S().Executing = Mode == GL_COMPILE_AND_EXECUTE;
    S().Next->glNewList(List, Mode);
}
void EndList() {
    S().Compiling = 0;
    S().Executing = true;
    S().Next->glEndList();
}
void CallList(GLuint List) {
    const auto found = S().Lists.find(List);
    if (found != S().Lists.end())
        S().Add(found->second);
    S().Next->glCallList(List);
}
void DeleteLists(GLuint List, GLsizei Range) {
    for (GLsizei i = 0; i < Range; ++i)
        S().Lists.erase(List + GLuint(i));
    S().Next->glDeleteLists(List, Range);
}
void DrawElements(GLenum Mode, GLsizei Count, GLenum Type, const void* Indices) {
    S().Add(S().TrianglesOf(Mode, Count));
    S().Next->glDrawElements(Mode, Count, Type, Indices);
}
void EvalMesh2(GLenum Mode, GLint I1, GLint I2, GLint J1, GLint J2) {
    if (Mode == GL_FILL)
        S().Add(std::int64_t(I2 - I1) * (J2 - J1) * 2);
    S().Next->glEvalMesh2(Mode, I1, I2, J1, J2);
}
void Sphere(GLUquadric* Quad, GLdouble Radius, GLint Slices, GLint Stacks) {
    S().Add(std::int64_t(Slices) * Stacks * 2);
    S().Next->gluSphere(Quad, Radius, Slices, Stacks);
}
void Cylinder(GLUquadric* Quad, GLdouble Base, GLdouble Top, GLdouble Height, GLint Slices,
              GLint Stacks) {
    S().Add(std::int64_t(Slices) * Stacks * 2);
    S().Next->gluCylinder(Quad, Base, Top, Height, Slices, Stacks);
}
void Disk(GLUquadric* Quad, GLdouble Inner, GLdouble Outer, GLint Slices, GLint Loops) {
    S().Add(std::int64_t(Slices) * Loops * 2);
    S().Next->gluDisk(Quad, Inner, Outer, Slices, Loops);
}
GLint RenderMode(GLenum Mode) {
    S().Selecting = Mode == GL_SELECT;
    return S().Next->glRenderMode(Mode);
}
void Clear(GLbitfield Mask) {
    if ((Mask & GL_COLOR_BUFFER_BIT) && !S().Selecting) {
        S().Triangles = 0;
        S().Start = std::chrono::steady_clock::now();
    }
    S().Next->glClear(Mask);
}
bool Swap(HDC Dc) {
    const bool done = S().Next->SwapBuffers(Dc);
    S().FrameDone();
    return done;
}

}  // namespace

TDrawCounter::TDrawCounter() : FPrevious(&ActiveGLDispatch()) {
    assert(!State);
    State = new TState;
    State->Counter = this;
    State->Next = FPrevious;
    TGLDispatch& t = State->Table;
    t = *FPrevious;
    t.glBegin = Begin;
    t.glEnd = End;
    t.glVertex3d = Vertex3d;
    t.glVertex3dv = Vertex3dv;
    t.glVertex3f = Vertex3f;
    t.glVertex3fv = Vertex3fv;
    t.glNewList = NewList;
    t.glEndList = EndList;
    t.glCallList = CallList;
    t.glDeleteLists = DeleteLists;
    t.glDrawElements = DrawElements;
    t.glEvalMesh2 = EvalMesh2;
    t.gluSphere = Sphere;
    t.gluCylinder = Cylinder;
    t.gluDisk = Disk;
    t.glRenderMode = RenderMode;
    t.glClear = Clear;
    t.SwapBuffers = Swap;
    SetGLDispatch(&t);
}

TDrawCounter::~TDrawCounter() {
    SetGLDispatch(FPrevious);
    delete State;
    State = nullptr;
}

}  // namespace nyx
