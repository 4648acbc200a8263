// Models through Assimp: meshes written by the exporter and read back in every format it
// writes, a node hierarchy with its transforms, materials with a texture from a file,
// the errors, and a failed load that leaves the scene as it was.

#include "models/model.h"
#include "objects/mesh.h"
#include "rtl/graphics.h"
#include "rtl/sysutils.h"
#include "scene/material.h"
#include "scene/scene.h"
#include "scenefile.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace nyx {
namespace {

// A cube of half-size 1 round the origin, twelve triangles.
TNyxMeshArrays Cube() {
    TNyxMeshArrays a;
    for (int i = 0; i < 8; ++i)
        a.Positions.insert(a.Positions.end(),
                           {i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
    a.Indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                 2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};
    return a;
}

std::vector<TNyxMesh*> Meshes(const TNyxObject& Root) {
    std::vector<TNyxObject*> all;
    Root.ListChildren(all, {&TNyxMesh::StaticClass()});
    std::vector<TNyxMesh*> out;
    for (TNyxObject* o : all)
        out.push_back(static_cast<TNyxMesh*>(o));
    return out;
}

TEST(Models, MeshesGoOutAndComeBackInEveryFormatWritten) {
    test::TTempDir dir;
    TNyxScene source(nullptr);
    auto* group = new TNyxObject(&source);
    group->SetParentComponent(&source);
    group->XForm()->Translate()->SetX(5);  // moved into the vertices on the way out
    auto* cube = new TNyxMesh(&source);
    cube->SetParentComponent(group);
    cube->SetIdent("cube");
    cube->SetArrays(Cube());
    cube->SetColor(RGB(200, 40, 40));
    for (const char* name : {"c.obj", "c.stl", "c.ply", "c.gltf", "c.glb"}) {
        SCOPED_TRACE(name);
        ExportModel(source, dir / name);
        TComponent owner(nullptr);
        std::unique_ptr<TNyxObject> model(ImportModel(&owner, dir / name));
        const std::vector<TNyxMesh*> meshes = Meshes(*model);
        ASSERT_EQ(meshes.size(), 1u);
        EXPECT_EQ(meshes[0]->TriangleCount(), 12u);
        TGLArrayd3 lo, hi;
        meshes[0]->GetAbsoluteSize(lo, hi);
        EXPECT_NEAR(lo[0], 4, 1e-5);
        EXPECT_NEAR(hi[0], 6, 1e-5);
        EXPECT_NEAR(hi[2], 1, 1e-5);
        const std::string ext = name + 1;
        if (ext != ".stl" && ext != ".ply") {  // these two keep no materials
            EXPECT_EQ(meshes[0]->Material()->FrontFace()->Diffuse(), RGB(200, 40, 40));
        }
    }
    EXPECT_THROW(ExportModel(source, dir / "c.dwg"), Exception);
}

TEST(Models, NodesBecomeGroupsWithTheirTransforms) {
    test::TTempDir dir;
    std::ofstream(dir / "t.gltf")
        << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
  "nodes": [{"name": "outer", "translation": [1, 2, 3], "children": [1]},
            {"name": "inner", "scale": [2, 2, 2], "rotation": [0, 0, 0.7071068, 0.7071068],
             "mesh": 0}],
  "meshes": [{"name": "tri", "primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
  "buffers": [{"byteLength": 44, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAIAAAA="}],
  "bufferViews": [{"buffer": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 6}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                 "min": [0, 0, 0], "max": [1, 1, 0]},
                {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"}]})";
    TComponent owner(nullptr);
    std::unique_ptr<TNyxObject> model(ImportModel(&owner, dir / "t.gltf"));
    EXPECT_EQ(model->Ident(), "t");
    const TNyxObject* outer = model->ItemByIdent("outer");
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->XForm()->Translate()->Data(), (TGLArrayd3{1, 2, 3}));
    const TNyxObject* inner = outer->ItemByIdent("inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_NEAR(inner->XForm()->Rotate()->Data()[2], 90, 1e-4);
    EXPECT_NEAR(inner->XForm()->Scale()->Data()[0], 2, 1e-6);
    // The triangle's corner (1, 0, 0): scaled, turned a quarter about z, moved.
    const std::vector<TNyxMesh*> meshes = Meshes(*model);
    ASSERT_EQ(meshes.size(), 1u);
    TGLMatrixd4 m;
    meshes[0]->GetAbsoluteMatrix(m);
    TGLArrayd3 corner{1, 0, 0};
    Xformd(m, corner);
    EXPECT_NEAR(corner[0], 1, 1e-5);
    EXPECT_NEAR(corner[1], 4, 1e-5);
    EXPECT_NEAR(corner[2], 3, 1e-5);
}

TEST(Models, MaterialsAndTheirTextureFromAFile) {
    test::TTempDir dir;
    TBitmap image(3, 2);  // not a power of two: resampled, not cut
    image.SaveToFile(dir / "wood.png");
    std::ofstream(dir / "m.mtl") << "newmtl glass\nKd 0.2 0.4 0.6\nKa 0.1 0.1 0.1\n"
                                    "Ks 1 1 1\nNs 50\nd 0.25\nmap_Kd wood.png\n";
    std::ofstream(dir / "m.obj") << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                    "usemtl glass\nf 1/1 2/2 3/3 4/4\n";
    std::vector<std::string> warnings;
    TComponent owner(nullptr);
    std::unique_ptr<TNyxObject> model(ImportModel(&owner, dir / "m.obj", &warnings));
    EXPECT_EQ(warnings, std::vector<std::string>{});
    const std::vector<TNyxMesh*> meshes = Meshes(*model);
    ASSERT_EQ(meshes.size(), 1u);
    const TNyxMesh& quad = *meshes[0];
    EXPECT_EQ(quad.TriangleCount(), 2u);
    EXPECT_EQ(quad.Arrays().TexCoords.size(), 8u);
    EXPECT_TRUE(quad.Arrays().Normals.empty()) << "computed by the mesh";
    const TNyxMaterial& m = *quad.Material();
    EXPECT_EQ(m.FrontFace()->Diffuse(), RGB(51, 102, 153));
    EXPECT_EQ(m.BackFace()->Ambient(), RGB(26, 26, 26));
    EXPECT_EQ(m.FrontFace()->Specular(), RGB(255, 255, 255));
    EXPECT_EQ(m.FrontFace()->Shininess(), 50);
    EXPECT_FLOAT_EQ(m.Transparency(), 0.75f);
    EXPECT_EQ(m.TextureWidth(), 4);
    EXPECT_EQ(m.TextureHeight(), 2);

    // A texture that cannot be read is left out with a warning; the model still loads.
    std::filesystem::remove(dir / "wood.png");
    warnings.clear();
    std::unique_ptr<TNyxObject> bare(ImportModel(&owner, dir / "m.obj", &warnings));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("texture wood.png left out: ", 0), 0u) << warnings[0];
}

TEST(Models, AFailedLoadNamesTheFileInOneLineAndChangesNothing) {
    test::TTempDir dir;
    std::ofstream(dir / "broken.ply") << "ply\nformat ascii 1.0\nelement vertex 3\nend_header\n";
    std::ofstream(dir / "empty.obj") << "# nothing\n";
    TNyxScene scene(nullptr);
    auto* kept = new TNyxObject(&scene);
    kept->SetParentComponent(&scene);
    for (const char* name : {"missing.obj", "broken.ply", "empty.obj"}) {
        SCOPED_TRACE(name);
        try {
            LoadSceneFile(scene, dir / name);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().rfind(dir / name + ": ", 0), 0u) << e.Message();
            EXPECT_EQ(e.Message().find('\n'), std::string::npos) << e.Message();
        }
        ASSERT_EQ(scene.GetItemsCount(), 1);
        EXPECT_EQ(scene.GetItem(0), kept);
    }
    // A model that loads replaces the scene's objects with its group.
    std::ofstream(dir / "tri.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    EXPECT_EQ(FormOfContents(dir / "tri.obj"), TSceneFileForm::Model);
    LoadSceneFile(scene, dir / "tri.obj");
    ASSERT_EQ(scene.GetItemsCount(), 1);
    EXPECT_EQ(scene.GetItem(0)->Ident(), "tri");
    EXPECT_EQ(Meshes(scene).size(), 1u);
}

}  // namespace
}  // namespace nyx
