// The triangle mesh and its models, each against a floor measured in the same run:
// - BM_ModelImport: a generated 2,000,000-triangle OBJ read into a scene as nyxconv --check
//   does, against Assimp alone reading it (triangulated, identical vertices joined,
//   smooth normals): ratio <= 1.3; its arrays' size as a counter;
// - BM_MeshFrame: frames of that mesh at 800 x 600, against a plain loop drawing the
//   same arrays with glDrawElements (ratio <= 1.1), and with CacheGeometry on against one
//   display list holding them (ratio_list <= 1.0);
// - BM_MeshShadowVolume: the silhouette volume of a 100,000-triangle mesh under one
//   light against the feedback-render volume of the same triangles (ratio <= 0.2);
// - BM_MeshSave / BM_MeshLoad: a scene holding the big mesh, binary form, MB/s
//   (>= 300).
// The model comes from the generator beside the project into the build folder, once;
// without it the cases that need it are skipped.
#include "models/model.h"
#include "objects/mesh.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include "framerace.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

using namespace nyx;
using namespace nyx::bench;

namespace {

constexpr int Width = 800, Height = 600;

// gen_mesh.py's model of about Triangles triangles, made once into the build folder.
std::string Model(int Triangles) {
    const std::string out = NYX_MESH_BENCH_DIR "/bench_" + std::to_string(Triangles) + ".obj";
    if (std::filesystem::exists(out))
        return out;
    const std::string command = "/usr/bin/python3 '" NYX_MESH_GENERATOR "' '" + out +
                                ".part.obj' " + std::to_string(Triangles) +
                                " >/dev/null 2>&1 && mv '" + out + ".part.obj' '" + out + "'";
    if (!std::filesystem::exists(NYX_MESH_GENERATOR) || std::system(command.c_str()) != 0)
        return {};
    return out;
}

bool HaveModel(benchmark::State& State, const std::string& File) {
    if (!File.empty())
        return true;
    State.SkipWithError("no benchmark model: the generator " NYX_MESH_GENERATOR " is missing");
    return false;
}

// The model's one mesh, read into Owner.
TNyxMesh* ReadMesh(TComponent& Owner, const std::string& File) {
    TNyxObject* group = ImportModel(&Owner, File);
    std::vector<TNyxObject*> meshes;
    group->ListChildren(meshes, {&TNyxMesh::StaticClass()});
    return meshes.empty() ? nullptr : static_cast<TNyxMesh*>(meshes.front());
}

std::size_t ArrayBytes(const TNyxMeshArrays& A) {
    return A.Positions.size() * 4 + A.Normals.size() * 4 + A.Colors.size() +
           A.TexCoords.size() * 4 + A.Indices.size() * 4;
}

void BM_ModelImport(benchmark::State& state) {
    const std::string file = Model(2000000);
    if (!HaveModel(state, file))
        return;
    double floor = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        floor += Seconds([&] {
            Assimp::Importer importer;
            const aiScene* s =
                importer.ReadFile(file, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                            aiProcess_GenSmoothNormals);
            benchmark::DoNotOptimize(s);
        });
        state.ResumeTiming();
        TComponent owner(nullptr);
        auto* scene = new TNyxScene(&owner);
        TNyxObject* group = ImportModel(scene, file);
        group->SetParentComponent(scene);
        std::vector<TNyxObject*> meshes;
        scene->ListChildren(meshes, {&TNyxMesh::StaticClass()});
        bytes = ArrayBytes(static_cast<TNyxMesh*>(meshes.front())->Arrays());
    }
    state.counters["assimp_s"] = floor / double(state.iterations());
    state.counters["array_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_ModelImport)->Unit(benchmark::kSecond)->Iterations(2);

// The view of the mesh (the generator's ball of radius about 1 round the origin).
struct TMeshScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    TNyxCamera* Camera = new TNyxCamera(&Owner);
    TNyxPanel* Panel = new TNyxPanel(&Owner);
    TNyxMesh* Mesh = nullptr;

    explicit TMeshScene(const std::string& File) {
        Camera->Position()->Store({0, -3.5, 1});
        Camera->SetNearPlane(0.5);
        Camera->SetFarPlane(20);
        Camera->SetParentComponent(Scene);
        auto* light = new TNyxLight(&Owner);
        light->Point1()->Store({1, -2, 3});
        light->SetParentComponent(Scene);
        Mesh = ReadMesh(Owner, File);
        Mesh->SetParentComponent(Scene);
        Panel->SetCamera(Camera);
        Panel->HandleNeeded();
        Panel->SetBounds(0, 0, Width, Height);
    }
};

void DrawArrays(const TNyxMeshArrays& A) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, A.Positions.data());
    glNormalPointer(GL_FLOAT, 0, A.Normals.data());
    glDrawElements(GL_TRIANGLES, GLsizei(A.Indices.size()), GL_UNSIGNED_INT, A.Indices.data());
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The same arrays (or the list holding them), view and light in plain OpenGL, in the
// panel's context.
void PlainMeshFrame(const TNyxMeshArrays& A, GLuint List) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, Width, Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(Width) / Height, 0.5, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, -3.5, 1, 0, 0, 0, 0, 0, 1);
    const GLfloat light[4] = {1, -2, 3, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (List != 0)
        glCallList(List);
    else
        DrawArrays(A);
    glPopAttrib();
}

void BM_MeshFrame(benchmark::State& state) {
    const std::string file = Model(2000000);
    if (!HaveModel(state, file))
        return;
    TMeshScene s(file);
    const bool cached = state.range(0) != 0;
    s.Scene->SetCacheGeometry(cached);
    s.Panel->Repaint();
    GLuint list = 0;
    const TNyxMeshArrays& a = s.Mesh->Arrays();
    if (cached) {
        list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        DrawArrays(a);
        glEndList();
    }
    auto plain = [&] {
        PlainMeshFrame(a, list);
        glFlush();
        SwapBuffers(s.Panel->DeviceContext());
    };
    RaceFrames(state, [&] { s.Panel->Repaint(); },
               {{cached ? "list_ms" : "plain_ms", cached ? "ratio_list" : "ratio", plain}});
    if (list)
        glDeleteLists(list, 1);
}
BENCHMARK(BM_MeshFrame)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The same triangles through the feedback render of the built-in solids.
class TFeedbackMesh : public TNyxMesh {
public:
    using TNyxMesh::TNyxMesh;

protected:
    GLuint BuildShadowVolume(TNyxLight* Light) override {
        return TNyxShadowedObject::BuildShadowVolume(Light);
    }
};

void BM_MeshShadowVolume(benchmark::State& state) {
    const std::string file = Model(100000);
    if (!HaveModel(state, file))
        return;
    test::TOffscreenGL gl(64, 64);
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    auto* light = new TNyxLight(&owner);
    light->Point1()->Store({3, 2, 6});
    light->SetDirectional(true);
    light->SetShadows(0, true);
    light->SetParentComponent(scene);
    TNyxMesh* mesh = ReadMesh(owner, file);
    auto* feedback = new TFeedbackMesh(&owner);
    feedback->SetArrays(mesh->Arrays());
    for (TNyxMesh* m : {mesh, static_cast<TNyxMesh*>(feedback)}) {
        m->SetParentComponent(scene);
        m->SetShadows(0, true);
    }
    glEnable(GL_CULL_FACE);
    mesh->DoBuildShadowVolumes(light);  // the edges, built once per change of the mesh
    light->DeleteShadowLists();
    const double theirs = Seconds([&] {
                              for (int i = 0; i < 3; ++i) {
                                  feedback->DoBuildShadowVolumes(light);
                                  light->DeleteShadowLists();
                              }
                          }) /
                          3;
    double ours = 0;
    for (auto _ : state)
        ours += Seconds([&] {
            mesh->DoBuildShadowVolumes(light);
            light->DeleteShadowLists();
        });
    ours /= double(state.iterations());
    state.counters["feedback_ms"] = 1000 * theirs;
    state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_MeshShadowVolume)->Unit(benchmark::kMillisecond);

// --- Streams -------------------------------------------------------------------------

struct TBigScene {
    TComponent Owner{nullptr};
    TNyxScene* Scene = new TNyxScene(&Owner);
    std::size_t Bytes = 0;
    explicit TBigScene(const std::string& File) {
        TNyxMesh* mesh = ReadMesh(Owner, File);
        mesh->SetParentComponent(Scene);
        Bytes = ArrayBytes(mesh->Arrays());
    }
};

void BM_MeshSave(benchmark::State& state) {
    const std::string file = Model(2000000);
    if (!HaveModel(state, file))
        return;
    TBigScene s(file);
    const std::string out = NYX_MESH_BENCH_DIR "/bench_mesh.nyx";
    for (auto _ : state)
        s.Scene->SaveToFile(out);
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(std::filesystem::file_size(out)));
}
BENCHMARK(BM_MeshSave)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MeshLoad(benchmark::State& state) {
    const std::string file = Model(2000000);
    if (!HaveModel(state, file))
        return;
    const std::string in = NYX_MESH_BENCH_DIR "/bench_mesh.nyx";
    {
        TBigScene s(file);
        s.Scene->SaveToFile(in);
    }
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    for (auto _ : state)
        scene->LoadFromFile(in);
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(std::filesystem::file_size(in)));
}
BENCHMARK(BM_MeshLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
BENCHMARK_MAIN();
