// Sections: names - import (transforms, materials, textures, meshes, nodes) - export.
#include "models/model.h"

#include "objects/mesh.h"
#include "rtl/graphics.h"
#include "rtl/sysutils.h"
#include "scene/material.h"
#include "scene/proxy.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>

namespace nyx {

// --- Names -----------------------------------------------------------------------------

namespace {

std::string Extension(const std::string& FileName) {
    std::string ext = std::filesystem::path(FileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Assimp's format id for an extension ExportModel writes, or none.
const char* ExportFormat(const std::string& Ext) {
    static const std::pair<const char*, const char*> formats[] = {
        {".obj", "obj"}, {".stl", "stlb"}, {".ply", "plyb"}, {".gltf", "gltf2"}, {".glb", "glb2"}};
    for (const auto& [ext, id] : formats)
        if (Ext == ext)
            return id;
    return nullptr;
}

// Assimp's messages may run over several lines; ours are one.
std::string OneLine(std::string Text) {
    for (char& c : Text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!Text.empty() && Text.back() == ' ')
        Text.pop_back();
    return Text;
}

}  // namespace

bool IsModelFileName(const std::string& FileName) {
    const std::string ext = Extension(FileName);
    if (ext.size() < 2 || ext == ".nyx" || ext == ".nyxt" || ext == ".dxf")
        return false;
    return Assimp::Importer().IsExtensionSupported(ext);
}

bool IsModelExportName(const std::string& FileName) {
    return ExportFormat(Extension(FileName)) != nullptr;
}

// --- Import ----------------------------------------------------------------------------

namespace {

std::uint8_t Byte(float Channel) {
    return std::uint8_t(std::lround(std::clamp(Channel, 0.0f, 1.0f) * 255));
}

TColor ToColor(const aiColor4D& C) { return RGB(Byte(C.r), Byte(C.g), Byte(C.b)); }

// Translation, rotations about x, y and z in that order, and scale, as the object's
// transform composes them. A shear, which it cannot hold, is lost.
void SetTransform(TNyxObject& Obj, const aiMatrix4x4& M) {
    if (M.IsIdentity())
        return;
    aiVector3D scale, position;
    aiQuaternion turn;
    M.Decompose(scale, turn, position);
    const aiMatrix3x3 r = turn.GetMatrix();
    const double toDegrees = 180 / std::numbers::pi;
    const double b = std::asin(std::clamp(double(r.a3), -1.0, 1.0));
    double a, c;
    if (std::cos(b) > 1e-6) {
        a = std::atan2(-double(r.b3), double(r.c3));
        c = std::atan2(-double(r.a2), double(r.a1));
    } else {
        a = std::atan2(double(r.c2), double(r.b2));
        c = 0;
    }
    TNyxXForm& x = *Obj.XForm();
    x.BeginUpdate();
    const TGLArrayd3 values[3] = {{position.x, position.y, position.z},
                                  {a * toDegrees, b * toDegrees, c * toDegrees},
                                  {scale.x, scale.y, scale.z}};
    TNyxVertex3* vectors[3] = {x.Translate(), x.Rotate(), x.Scale()};
    for (std::size_t v = 0; v < 3; ++v)
        for (int i = 0; i < 3; ++i)
            vectors[v]->SetData(i, values[v][std::size_t(i)]);
    x.EndUpdate();
}

// A power of two near Size (the largest not above 4/3 of it), at most 2048: the material
// cuts images to powers of two, which would lose part of any other size.
int PowerOfTwoNear(int Size) {
    int p = 1;
    while (p < 2048 && p * 2 <= Size * 4 / 3)
        p *= 2;
    return p;
}

// Image resampled to sides of powers of two (nearest pixel).
void SetTextureImage(TNyxMaterial& Material, const TBitmap& Image) {
    const int w = PowerOfTwoNear(Image.Width()), h = PowerOfTwoNear(Image.Height());
    if (w == Image.Width() && h == Image.Height()) {
        Material.SetTexture(&Image);
        return;
    }
    TBitmap fitted(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* from = Image.ScanLine(int(std::int64_t(y) * Image.Height() / h));
        std::uint32_t* to = fitted.ScanLine(y);
        for (int x = 0; x < w; ++x)
            to[x] = from[std::int64_t(x) * Image.Width() / w];
    }
    Material.SetTexture(&fitted);
}

// The diffuse texture from a file beside the model or embedded in it.
void LoadTexture(TNyxMaterial& Material, const aiScene& Scene, const aiString& Path,
                 const std::filesystem::path& Folder, std::vector<std::string>& Warnings) {
    TBitmap image;
    try {
        if (const aiTexture* embedded = Scene.GetEmbeddedTexture(Path.C_Str())) {
            if (embedded->mHeight == 0) {
                // Compressed: the bitmap's stream form takes the bytes after their count.
                std::vector<std::uint8_t> data(4 + embedded->mWidth);
                const std::uint32_t count = embedded->mWidth;
                std::memcpy(data.data(), &count, 4);
                std::memcpy(data.data() + 4, embedded->pcData, count);
                image.ReadData(data);
            } else {
                image.SetSize(int(embedded->mWidth), int(embedded->mHeight));
                for (unsigned y = 0; y < embedded->mHeight; ++y)
                    for (unsigned x = 0; x < embedded->mWidth; ++x) {
                        const aiTexel& t = embedded->pcData[y * embedded->mWidth + x];
                        image.ScanLine(int(y))[x] = std::uint32_t(t.a) << 24 |
                                                    std::uint32_t(t.r) << 16 |
                                                    std::uint32_t(t.g) << 8 | t.b;
                    }
            }
        } else {
            std::string file = Path.C_Str();
            std::replace(file.begin(), file.end(), '\\', '/');
            image.LoadFromFile((Folder / file).string());
        }
    } catch (const Exception& e) {
        Warnings.push_back("texture " + std::string(Path.C_Str()) +
                           " left out: " + OneLine(e.Message()));
        return;
    }
    if (!image.Empty())
        SetTextureImage(Material, image);
}

void SetMaterial(TNyxMesh& Mesh, const aiMaterial& M, const aiScene& Scene,
                 const std::filesystem::path& Folder, std::vector<std::string>& Warnings) {
    aiColor4D c;
    float alpha = 1;
    if (aiGetMaterialColor(&M, AI_MATKEY_COLOR_DIFFUSE, &c) == AI_SUCCESS) {
        Mesh.SetColor(ToColor(c));  // ambient too, unless the file gives its own
        alpha = c.a;
    }
    TNyxMaterial& material = *Mesh.Material();
    for (TNyxFaceMaterial* face : {material.FrontFace(), material.BackFace()}) {
        if (aiGetMaterialColor(&M, AI_MATKEY_COLOR_AMBIENT, &c) == AI_SUCCESS)
            face->SetColor(TNyxFaceMaterial::ciAmbient, ToColor(c));
        if (aiGetMaterialColor(&M, AI_MATKEY_COLOR_SPECULAR, &c) == AI_SUCCESS)
            face->SetColor(TNyxFaceMaterial::ciSpecular, ToColor(c));
        float shininess = 0;
        if (aiGetMaterialFloat(&M, AI_MATKEY_SHININESS, &shininess) == AI_SUCCESS)
            face->SetParam(TNyxFaceMaterial::piShininess, shininess);
    }
    float opacity = alpha;
    aiGetMaterialFloat(&M, AI_MATKEY_OPACITY, &opacity);
    if (opacity < 1)
        material.SetTransparency(1 - std::max(opacity, 0.0f));
    aiString path;
    if (M.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS ||
        M.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS)
        LoadTexture(material, Scene, path, Folder, Warnings);
}

TNyxMeshArrays MeshArrays(const aiMesh& M) {
    static_assert(sizeof(aiVector3D) == 3 * sizeof(float));
    TNyxMeshArrays a;
    const std::size_t n = M.mNumVertices;
    a.Positions.resize(3 * n);
    std::memcpy(a.Positions.data(), M.mVertices, 3 * n * sizeof(float));
    if (M.mNormals) {
        a.Normals.resize(3 * n);
        std::memcpy(a.Normals.data(), M.mNormals, 3 * n * sizeof(float));
    }
    if (M.mColors[0]) {
        a.Colors.reserve(4 * n);
        for (std::size_t i = 0; i < n; ++i) {
            const aiColor4D& c = M.mColors[0][i];
            a.Colors.insert(a.Colors.end(), {Byte(c.r), Byte(c.g), Byte(c.b), Byte(c.a)});
        }
    }
    if (M.mTextureCoords[0]) {
        a.TexCoords.reserve(2 * n);
        for (std::size_t i = 0; i < n; ++i)
            a.TexCoords.insert(a.TexCoords.end(),
                               {M.mTextureCoords[0][i].x, M.mTextureCoords[0][i].y});
    }
    a.Indices.reserve(3 * std::size_t(M.mNumFaces));
    for (unsigned f = 0; f < M.mNumFaces; ++f)
        if (M.mFaces[f].mNumIndices == 3)  // triangulated: points and lines were sorted out
            a.Indices.insert(a.Indices.end(), M.mFaces[f].mIndices, M.mFaces[f].mIndices + 3);
    return a;
}

struct TImport {
    TComponent* Owner;
    const aiScene& Scene;
    std::filesystem::path Folder;
    std::vector<std::string>& Warnings;

    // Node's meshes and children below Group, which takes the node's transform.
    void Node(const aiNode& N, TNyxObject& Group) const {
        Group.SetIdent(N.mName.C_Str());
        SetTransform(Group, N.mTransformation);
        Contents(N, Group);
    }
    void Contents(const aiNode& N, TNyxObject& Group) const {
        for (unsigned i = 0; i < N.mNumMeshes; ++i) {
            const aiMesh& m = *Scene.mMeshes[N.mMeshes[i]];
            if (!(m.mPrimitiveTypes & aiPrimitiveType_TRIANGLE))
                continue;
            auto* mesh = new TNyxMesh(Owner);
            mesh->SetParentComponent(&Group);
            mesh->SetIdent(m.mName.C_Str());
            // A file without materials gets Assimp's stand-in (white with a full
            // specular highlight in STL): the mesh keeps the library's own instead.
            const aiMaterial* material = m.mMaterialIndex < Scene.mNumMaterials
                                             ? Scene.mMaterials[m.mMaterialIndex]
                                             : nullptr;
            if (material && material->GetName() != aiString(AI_DEFAULT_MATERIAL_NAME))
                SetMaterial(*mesh, *material, Scene, Folder, Warnings);
            mesh->SetArrays(MeshArrays(m));
        }
        for (unsigned i = 0; i < N.mNumChildren; ++i) {
            auto* child = new TNyxActor(Owner);
            child->SetParentComponent(&Group);
            Node(*N.mChildren[i], *child);
        }
    }
};

}  // namespace

TNyxObject* ImportModel(TComponent* Owner, const std::string& FileName,
                        std::vector<std::string>* Warnings) {
    Assimp::Importer importer;
    unsigned steps =
        aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_SortByPType;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    if (Extension(FileName) == ".stl") {
        // One normal per face: dropped, so that corners join and are smoothed within the
        // mesh's crease angle.
        steps |= aiProcess_RemoveComponent;
        importer.SetPropertyInteger(AI_CONFIG_PP_RVC_FLAGS, aiComponent_NORMALS);
    }
    const aiScene* scene = importer.ReadFile(FileName, steps);
    if (!scene || !scene->mRootNode)
        throw Exception(FileName + ": " + OneLine(importer.GetErrorString()));
    if (scene->mNumMeshes == 0)
        throw Exception(FileName + ": the file holds no triangles");

    std::vector<std::string> ignored;
    const TImport import{Owner, *scene, std::filesystem::path(FileName).parent_path(),
                         Warnings ? *Warnings : ignored};
    // The file's group holds the root node's contents, or, when the root node places
    // them, the root node as a group of its own.
    auto group = std::make_unique<TNyxActor>(Owner);
    group->SetIdent(std::filesystem::path(FileName).stem().string());
    const aiNode& root = *scene->mRootNode;
    if (root.mTransformation.IsIdentity()) {
        import.Contents(root, *group);
    } else {
        auto* node = new TNyxActor(Owner);
        node->SetParentComponent(group.get());
        import.Node(root, *node);
    }
    return group.release();
}

// --- Export ----------------------------------------------------------------------------

namespace {

aiColor4D FromColor(TColor C, float Alpha) {
    const TColor rgb = ColorToRGB(C);
    return {float(rgb & 0xFF) / 255, float(rgb >> 8 & 0xFF) / 255, float(rgb >> 16 & 0xFF) / 255,
            Alpha};
}

aiMaterial* ExportMaterial(const TNyxMesh& Mesh) {
    const TNyxMaterial& m = *Mesh.Material();
    const TNyxFaceMaterial& f = *m.FrontFace();
    const float opacity = 1 - std::clamp(m.Transparency(), 0.0f, 1.0f);
    auto* out = new aiMaterial;
    const aiString name(Mesh.Ident().empty() ? "material" : Mesh.Ident());
    out->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor4D diffuse = FromColor(f.Diffuse(), opacity), ambient = FromColor(f.Ambient(), 1),
                    specular = FromColor(f.Specular(), 1);
    out->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    out->AddProperty(&ambient, 1, AI_MATKEY_COLOR_AMBIENT);
    out->AddProperty(&specular, 1, AI_MATKEY_COLOR_SPECULAR);
    const float shininess = f.Shininess();
    out->AddProperty(&shininess, 1, AI_MATKEY_SHININESS);
    out->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
    return out;
}

// Mesh placed by M: the vertices moved, the normals turned (by the inverse transpose).
aiMesh* ExportMesh(const TNyxMesh& Mesh, const TGLMatrixd4& M, unsigned Material) {
    const TNyxMeshArrays& a = Mesh.Arrays();
    const std::size_t n = Mesh.VertexCount();
    auto* out = new aiMesh;
    out->mName = Mesh.Ident();
    out->mMaterialIndex = Material;
    out->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    out->mNumVertices = unsigned(n);
    out->mVertices = new aiVector3D[n];
    for (std::size_t i = 0; i < n; ++i) {
        TGLArrayd3 p{a.Positions[3 * i], a.Positions[3 * i + 1], a.Positions[3 * i + 2]};
        Xformd(M, p);
        out->mVertices[i] = aiVector3D(float(p[0]), float(p[1]), float(p[2]));
    }
    if (a.Normals.size() == 3 * n) {
        TGLMatrixd4 turn = M;
        InverseMatrixd(turn);
        out->mNormals = new aiVector3D[n];
        for (std::size_t i = 0; i < n; ++i) {
            const float* v = &a.Normals[3 * i];
            TGLArrayd3 t{};
            for (std::size_t r = 0; r < 3; ++r)  // the transpose of the inverse
                t[r] = turn[4 * r] * v[0] + turn[4 * r + 1] * v[1] + turn[4 * r + 2] * v[2];
            Normalized(t);
            out->mNormals[i] = aiVector3D(float(t[0]), float(t[1]), float(t[2]));
        }
    }
    if (a.TexCoords.size() == 2 * n) {
        out->mTextureCoords[0] = new aiVector3D[n];
        out->mNumUVComponents[0] = 2;
        for (std::size_t i = 0; i < n; ++i)
            out->mTextureCoords[0][i] = aiVector3D(a.TexCoords[2 * i], a.TexCoords[2 * i + 1], 0);
    }
    if (a.Colors.size() == 4 * n) {
        out->mColors[0] = new aiColor4D[n];
        for (std::size_t i = 0; i < n; ++i)
            out->mColors[0][i] =
                aiColor4D(a.Colors[4 * i] / 255.0f, a.Colors[4 * i + 1] / 255.0f,
                          a.Colors[4 * i + 2] / 255.0f, a.Colors[4 * i + 3] / 255.0f);
    }
    out->mNumFaces = unsigned(Mesh.TriangleCount());
    out->mFaces = new aiFace[out->mNumFaces];
    for (unsigned f = 0; f < out->mNumFaces; ++f) {
        aiFace& face = out->mFaces[f];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        std::copy_n(a.Indices.data() + 3 * std::size_t(f), 3, face.mIndices);
    }
    return out;
}

// The meshes below Obj with the matrices that place them below the export's root.
void CollectMeshes(const TNyxObject& Obj, const TGLMatrixd4& Placement,
                   std::vector<std::pair<const TNyxMesh*, TGLMatrixd4>>& Out) {
    for (const TNyxObject* child : Obj.Items()) {
        TGLMatrixd4 local, m;
        child->GetMatrix(local);
        MultMatrixd(Placement, local, m);
        if (const auto* mesh = dynamic_cast<const TNyxMesh*>(child);
            mesh && mesh->TriangleCount() > 0)
            Out.emplace_back(mesh, m);
        CollectMeshes(*child, m, Out);
    }
}

}  // namespace

void ExportModel(TNyxObject& Root, const std::string& FileName) {
    const char* format = ExportFormat(Extension(FileName));
    if (!format)
        throw Exception(FileName + ": give a name ending in .obj, .stl, .ply, .gltf or .glb");
    std::vector<std::pair<const TNyxMesh*, TGLMatrixd4>> meshes;
    CollectMeshes(Root, idd, meshes);
    if (meshes.empty())
        throw Exception(FileName + ": there is no mesh to write (only meshes go into a model)");

    aiScene scene;
    scene.mRootNode = new aiNode(Root.Ident().empty() ? std::string("root") : Root.Ident());
    const auto count = unsigned(meshes.size());
    scene.mNumMeshes = scene.mNumMaterials = count;
    scene.mMeshes = new aiMesh*[count]();
    scene.mMaterials = new aiMaterial*[count]();
    scene.mRootNode->mNumChildren = count;
    scene.mRootNode->mChildren = new aiNode*[count]();
    for (unsigned i = 0; i < count; ++i) {
        const auto& [mesh, m] = meshes[i];
        scene.mMeshes[i] = ExportMesh(*mesh, m, i);
        scene.mMaterials[i] = ExportMaterial(*mesh);
        auto* node = new aiNode(mesh->Ident().empty() ? "mesh" + std::to_string(i) : mesh->Ident());
        node->mParent = scene.mRootNode;
        scene.mRootNode->mChildren[i] = node;
        node->mNumMeshes = 1;
        node->mMeshes = new unsigned[1]{i};
    }
    Assimp::Exporter exporter;
    if (exporter.Export(&scene, format, FileName) != AI_SUCCESS)
        throw Exception(FileName + ": " + OneLine(exporter.GetErrorString()));
}

}  // namespace nyx
