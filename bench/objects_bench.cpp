// Solid spheres off-screen at 800 x 600 (OSMesa), against a plain immediate-mode loop.
//
// BM_SphereFrame: whole frames of a scene of 1,000 spheres (10 x 10 x 10, 20 slices and
//   20 stacks) under one light, painted by a panel on its off-screen window, and in the
//   same run and the same context the plain loop: gluSphere per sphere, the same light,
//   culling and depth test on. Counters: plain_ms (the plain frame) and ratio (Nyx frame
//   over plain frame), target ratio <= 1.05; plain_tex_ms and ratio_tex for a plain loop
//   that also has GLU make texture coordinates, as every solid sphere drawn filled does.
// BM_ShadowFrame: whole frames of 100 spheres over a floor with two shadow-casting lights.
// BM_SolidSpheresDrawOnly / BM_PlainGluSpheres: the spheres' own drawing (matrix, then
//   DrawSpecific with its fresh quadric) against bare gluSphere calls, without the scene:
//   where the cost of a frame goes.
// BM_MirrorFrame: the 1,000 spheres over a reflective floor polygon, against the same
//   scene with the floor not reflective, interleaved in the same run. Counters: flat_ms
//   and ratio (mirror frame over flat frame), target ratio <= 2.1: one extra scene draw.
// BM_HeightFieldFrame: a 256 x 256 height field painted by a panel, against a plain
//   triangle-strip loop of the same grid asking the same height callback for the same
//   points (three per column: the field's drawing order fixes one ahead for normals).
//   Counters: plain_ms and ratio, target ratio <= 1.1; once_ms and ratio_once for a
//   loop that asks each vertex's height once.
// BM_PolygonCreate / BM_BoxCreate: making and freeing a loose four-vertex polygon (what
//   an importer does per face) against a box, the cheapest solid.
// BM_TeapotFrame: whole panel frames of 1,000 teapots (Segments 4) laid out as the spheres,
//   interleaved with frames of the 1,000 spheres in a second panel. The pot's body is as
//   wide as the sphere, so both cover about the same screen. Counters: sphere_ms and ratio
//   (teapot frame over sphere frame), reported.
// BM_TeapotDrawOnly: the teapots' own drawing without the scene; in the same run the same
//   frame with the meshes' evaluation skipped (everything else of DrawSpecific still
//   runs) and a frame of the matrices alone. Counters: setup_ms and setup_share, the
//   evaluator set-up (matrix, switches, control-point nets, grids) of the 1,000 pots over
//   the whole frame, target setup_share <= 0.10.
//
// Frame times of this size vary: run with --benchmark_min_time=4 or more.

#include "objects/box.h"
#include "objects/heightfield.h"
#include "objects/polygon.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include "framerace.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace nyx;
using nyx::bench::RaceFrames;
using nyx::bench::Seconds;
using nyx::bench::WarmUp;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int Side = 10;  // 10 x 10 x 10 spheres
constexpr double Eye[3] = {18, -22, 16};
constexpr GLfloat LightPosition[4] = {10, -10, 20, 0};  // at infinity

double Coord(int i) { return (i - (Side - 1) / 2.0) * 1.5; }

// --- A scene painted by a panel on its off-screen window --------------------------------

struct TBenchScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    TNyxCamera* Camera = new TNyxCamera(&Owner);
    TNyxPanel* Panel = new TNyxPanel(&Owner);

    TBenchScene() {
        Camera->Position()->SetX(Eye[0]);
        Camera->Position()->SetY(Eye[1]);
        Camera->Position()->SetZ(Eye[2]);
        Camera->SetFOVY(45);
        Camera->SetNearPlane(1);
        Camera->SetFarPlane(100);
        Camera->SetParentComponent(Scene);
    }

    TNyxLight* AddLight(const GLfloat (&At)[4], bool Shadows) {
        auto* light = new TNyxLight(&Owner);
        light->SetParentComponent(Scene);
        light->Point1()->SetX(At[0]);
        light->Point1()->SetY(At[1]);
        light->Point1()->SetZ(At[2]);
        light->SetParam(TNyxLight::piCutoff, 180);
        light->SetColor(clWhite);
        light->SetShadows(0, Shadows);
        return light;
    }

    template <class T = TNyxSphere>
    T* Add(double X, double Y, double Z) {
        auto* s = new T(&Owner);
        s->XForm()->Translate()->SetX(X);
        s->XForm()->Translate()->SetY(Y);
        s->XForm()->Translate()->SetZ(Z);
        s->SetParentComponent(Scene);
        return s;
    }
    // Side x Side x Side objects of class T round the origin.
    template <class T>
    void AddGrid() {
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y)
                for (int z = 0; z < Side; ++z)
                    Add<T>(Coord(x), Coord(y), Coord(z));
    }

    // The window last: building the scene paints nothing yet.
    void Open() {
        Panel->SetCamera(Camera);
        Panel->HandleNeeded();
        Panel->SetBounds(0, 0, Width, Height);
    }

    void Frame() { Panel->Repaint(); }
};

// The view and light of the scene, in plain OpenGL.
void SetUpView() {
    glViewport(0, 0, Width, Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(Width) / Height, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(Eye[0], Eye[1], Eye[2], 0, 0, 0, 0, 0, 1);
    glLightfv(GL_LIGHT0, GL_POSITION, LightPosition);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

// The same spheres, light and view in plain OpenGL, in whatever context is current.
// The panel's state is put back afterwards.
void PlainFrame(GLUquadric* Q) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    SetUpView();
    for (int i = 1; i < 8; ++i)
        glDisable(GLenum(GL_LIGHT0 + i));
    glDisable(GL_NORMALIZE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int x = 0; x < Side; ++x)
        for (int y = 0; y < Side; ++y)
            for (int z = 0; z < Side; ++z) {
                glPushMatrix();
                glTranslatef(GLfloat(Coord(x)), GLfloat(Coord(y)), GLfloat(Coord(z)));
                gluSphere(Q, 0.5, 20, 20);
                glPopMatrix();
            }
    glPopAttrib();
}

void BM_SphereFrame(benchmark::State& state) {
    TBenchScene s;
    s.AddLight(LightPosition, false);
    s.AddGrid<TNyxSphere>();
    s.Open();
    GLUquadric* bare = gluNewQuadric();
    GLUquadric* textured = gluNewQuadric();
    gluQuadricTexture(textured, GL_TRUE);
    // The panel's context is current after each of its frames; the plain loops draw there
    // and finish the same way, so all pay for the same surface.
    auto plain = [&](GLUquadric* Q) {
        PlainFrame(Q);
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    const int before = s.Panel->FrameCount();
    RaceFrames(state, [&] { s.Frame(); },
               {{"plain_ms", "ratio", [&] { plain(bare); }},
                {"plain_tex_ms", "ratio_tex", [&] { plain(textured); }}});
    gluDeleteQuadric(bare);
    gluDeleteQuadric(textured);
    if (s.Panel->FrameCount() - before != int(state.iterations()) + 3)
        state.SkipWithError("the panel did not paint every frame");
}
BENCHMARK(BM_SphereFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ShadowFrame(benchmark::State& state) {
    TBenchScene s;
    s.Scene->SetFShadows(true);
    constexpr GLfloat Key[4] = {10, -10, 20, 0};
    constexpr GLfloat Rim[4] = {-15, -5, 12, 0};
    s.AddLight(Key, true);
    s.AddLight(Rim, true);
    auto* floor = new TNyxBox(&s.Owner);
    floor->XForm()->Scale()->SetX(30);
    floor->XForm()->Scale()->SetY(30);
    floor->XForm()->Scale()->SetZ(0.2);
    floor->XForm()->Translate()->SetZ(-0.1);
    floor->SetShadows(1, true);
    floor->SetParentComponent(s.Scene);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y)
            s.Add(Coord(x), Coord(y), 1.0)->SetShadows(0, true);
    s.Open();
    WarmUp([&] { s.Frame(); });
    for (auto _ : state)
        s.Frame();
    state.counters["spheres"] = 100;
}
BENCHMARK(BM_ShadowFrame)->Unit(benchmark::kMillisecond);

// --- The spheres' own drawing, without the scene ------------------------------------------

// Side x Side x Side objects of class T round the origin, outside any scene, drawn into
// their own context with the view of the scenes above: each one's matrix and then, unless
// only the matrices are wanted, its DrawSpecific.
template <class T>
class TLooseObjects {
public:
    explicit TLooseObjects(std::uint32_t Face) : FFace(Face) {
        SetUpView();
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y)
                for (int z = 0; z < Side; ++z) {
                    auto obj = std::make_unique<T>(nullptr);
                    obj->XForm()->Translate()->SetX(Coord(x));
                    obj->XForm()->Translate()->SetY(Coord(y));
                    obj->XForm()->Translate()->SetZ(Coord(z));
                    FObjects.push_back(std::move(obj));
                }
    }
    void Frame(bool Draw = true) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const auto& obj : FObjects) {
            TGLMatrixd4 m;
            obj->GetMatrix(m);
            glPushMatrix();
            glMultMatrixd(m.data());
            if (Draw)
                obj->DrawSpecific(FFace, false);
            glPopMatrix();
        }
        FGL.Finish();
    }

private:
    test::TOffscreenGL FGL{Width, Height};
    std::uint32_t FFace;
    std::vector<std::unique_ptr<T>> FObjects;
};

void BM_SolidSpheresDrawOnly(benchmark::State& state) {
    TLooseObjects<TNyxSphere> spheres(GL_FRONT);
    auto frame = [&] { spheres.Frame(); };
    WarmUp(frame);
    for (auto _ : state)
        frame();
}
BENCHMARK(BM_SolidSpheresDrawOnly)->Unit(benchmark::kMillisecond);

// range(0): GLU texture coordinates on (as a solid sphere has them) or off.
void BM_PlainGluSpheres(benchmark::State& state) {
    test::TOffscreenGL gl(Width, Height);
    SetUpView();
    GLUquadric* q = gluNewQuadric();
    if (state.range(0))
        gluQuadricTexture(q, GL_TRUE);
    auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y)
                for (int z = 0; z < Side; ++z) {
                    glPushMatrix();
                    glTranslatef(GLfloat(Coord(x)), GLfloat(Coord(y)), GLfloat(Coord(z)));
                    gluSphere(q, 0.5, 20, 20);
                    glPopMatrix();
                }
        gl.Finish();
    };
    WarmUp(frame);
    for (auto _ : state)
        frame();
    gluDeleteQuadric(q);
}
BENCHMARK(BM_PlainGluSpheres)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// --- Mirrors, height fields and polygons ----------------------------------------------------

void BM_MirrorFrame(benchmark::State& state) {
    TBenchScene s;
    s.Scene->SetReflections(true);
    s.AddLight(LightPosition, false);
    s.AddGrid<TNyxSphere>();
    // A floor under the block, wide enough to hold all of its image in view.
    auto* floor = new TNyxPolygon(&s.Owner);
    const double corners[4][2] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    for (const auto& c : corners) {
        auto* v = static_cast<TNyxVertex3TexCI*>(floor->Vertexes()->Add());
        v->SetData(0, c[0]);
        v->SetData(1, c[1]);
        v->SetData(2, Coord(0) - 1.5);
    }
    floor->SetReflection(0.3);
    floor->SetParentComponent(s.Scene);
    s.Open();
    // Switching the scene's reflections repaints the panel once: that is the frame.
    auto frame = [&](bool Mirror) {
        if (s.Scene->Reflections() == Mirror)
            s.Frame();
        else
            s.Scene->SetReflections(Mirror);
    };
    const int before = s.Panel->FrameCount();
    RaceFrames(state, [&] { frame(true); }, {{"flat_ms", "ratio", [&] { frame(false); }}});
    if (s.Panel->FrameCount() - before != 2 * (int(state.iterations()) + 3))
        state.SkipWithError("the panel did not paint every frame");
}
BENCHMARK(BM_MirrorFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr int FieldSegments = 256;
constexpr double FieldHalf = 8;

void Hills(TNyxObject*, double X, double Y, double& Z) { Z = std::sin(X) * std::cos(Y); }

// The grid of the field in plain OpenGL: a strip per row, the upper edge's vertex first,
// the heights asked through the field's own callback. With Ahead they are asked as the
// field asks them (a point one row ahead and the next column's two, carried over);
// otherwise once per vertex.
void PlainFieldFrame(const TNyxGetHeight& Height, bool Ahead) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint culling = 0;  // as the panel has it
    glGetIntegerv(GL_CULL_FACE, &culling);
    SetUpView();
    if (!culling)
        glDisable(GL_CULL_FACE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const double step = 2 * FieldHalf / FieldSegments;
    auto height = [&](double X, double Y) {
        double z = 0;
        Height(nullptr, X, Y, z);
        return z;
    };
    for (int j = 0; j < FieldSegments; ++j) {
        const double y0 = j * step - FieldHalf, y1 = (j + 1) * step - FieldHalf;
        double za = Ahead ? height(-FieldHalf, y0) : 0, zb = Ahead ? height(-FieldHalf, y1) : 0;
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i <= FieldSegments; ++i) {
            const double x = i * step - FieldHalf;
            double zd = 0, ze = 0;
            if (Ahead) {
                benchmark::DoNotOptimize(height(x, y1 + step));
                zd = height(x + step, y0);
                ze = height(x + step, y1);
            } else {
                zb = height(x, y1);
                za = height(x, y0);
            }
            const double up[3] = {0, 0, 1}, b[3] = {x, y1, zb}, a[3] = {x, y0, za};
            glNormal3dv(up);
            glVertex3dv(b);
            glNormal3dv(up);
            glVertex3dv(a);
            if (Ahead) {
                za = zd;
                zb = ze;
            }
        }
        glEnd();
    }
    glPopAttrib();
}

void BM_HeightFieldFrame(benchmark::State& state) {
    TBenchScene s;
    s.AddLight(LightPosition, false);
    auto* field = new TNyxHeightField(&s.Owner);
    field->SetFieldBounds(0, -FieldHalf);
    field->SetFieldBounds(1, FieldHalf);
    field->SetFieldBounds(2, -FieldHalf);
    field->SetFieldBounds(3, FieldHalf);
    field->SetSegments(0, FieldSegments);
    field->SetSegments(1, FieldSegments);
    field->SetOnGetHeight(TNyxGetHeight::Bind<&Hills>());
    field->SetParentComponent(s.Scene);
    s.Open();
    auto plain = [&](bool Ahead) {
        PlainFieldFrame(field->OnGetHeight(), Ahead);
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    RaceFrames(state, [&] { s.Frame(); },
               {{"plain_ms", "ratio", [&] { plain(true); }},
                {"once_ms", "ratio_once", [&] { plain(false); }}});
}
BENCHMARK(BM_HeightFieldFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PolygonCreate(benchmark::State& state) {
    const double corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0.5}, {0, 1, 0.5}};
    for (auto _ : state) {
        TNyxPolygon p(nullptr);
        for (const auto& c : corners) {
            auto* v = static_cast<TNyxVertex3TexCI*>(p.Vertexes()->Add());
            for (int i = 0; i < 3; ++i)
                v->SetData(i, c[i]);
        }
        benchmark::DoNotOptimize(p.PlanePoints());
    }
}
BENCHMARK(BM_PolygonCreate);

void BM_BoxCreate(benchmark::State& state) {
    for (auto _ : state) {
        TNyxBox b(nullptr);
        benchmark::DoNotOptimize(b.Parts());
    }
}
BENCHMARK(BM_BoxCreate);

// --- Teapots --------------------------------------------------------------------------------

void BM_TeapotFrame(benchmark::State& state) {
    TBenchScene pots, spheres;
    pots.AddLight(LightPosition, false);
    pots.AddGrid<TNyxTeapot>();
    spheres.AddLight(LightPosition, false);
    spheres.AddGrid<TNyxSphere>();
    pots.Open();
    spheres.Open();
    RaceFrames(state, [&] { pots.Frame(); }, {{"sphere_ms", "ratio", [&] { spheres.Frame(); }}});
}
BENCHMARK(BM_TeapotFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// While it lives, meshes are not evaluated; every other call goes on as before.
class TSkipMeshes {
public:
    TSkipMeshes() : FPrevious(&ActiveGLDispatch()), FTable(*FPrevious) {
        FTable.glEvalMesh2 = [](GLenum, GLint, GLint, GLint, GLint) {};
        SetGLDispatch(&FTable);
    }
    ~TSkipMeshes() { SetGLDispatch(FPrevious); }
    TSkipMeshes(const TSkipMeshes&) = delete;
    TSkipMeshes& operator=(const TSkipMeshes&) = delete;

private:
    const TGLDispatch* FPrevious;
    TGLDispatch FTable;
};

void BM_TeapotDrawOnly(benchmark::State& state) {
    TLooseObjects<TNyxTeapot> pots(GL_FRONT_AND_BACK);
    glEnable(GL_NORMALIZE);  // as the panel has it
    auto frame = [&](bool Draw) { pots.Frame(Draw); };
    WarmUp([&] { frame(true); });
    double full = 0, setUp = 0, matrices = 0;
    for (auto _ : state) {
        const double whole = Seconds([&] { frame(true); });
        {
            TSkipMeshes skip;
            setUp += Seconds([&] { frame(true); });
        }
        matrices += Seconds([&] { frame(false); });
        full += whole;
        state.SetIterationTime(whole);
    }
    const double n = double(state.iterations());
    state.counters["setup_ms"] = 1000 * (setUp - matrices) / n;
    state.counters["setup_share"] = (setUp - matrices) / full;
}
BENCHMARK(BM_TeapotDrawOnly)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
