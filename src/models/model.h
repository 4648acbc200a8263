#pragma once
// Models in and out through Assimp: the 3D formats of other tools (OBJ, STL, PLY, glTF,
// 3DS, COLLADA, FBX and whatever else Assimp reads) as scene objects, and the meshes of a
// scene written back to OBJ, STL, PLY or glTF. A library of its own (nyxmodels), so that
// the core needs no Assimp.

#include <string>
#include <vector>

namespace nyx {

class TComponent;
class TNyxObject;

// Whether FileName's extension (any letter case) names a format Assimp reads. The
// library's own forms (.nyx, .nyxt) and DXF drawings (.dxf), which the library reads
// itself, never count.
bool IsModelFileName(const std::string& FileName);
// Whether FileName's extension names a format ExportModel writes: .obj, .stl, .ply,
// .gltf or .glb.
bool IsModelExportName(const std::string& FileName);

// Reads FileName into a new group (a TNyxActor, as a drawing's layers are) owned by Owner
// and attached nowhere: the file's node hierarchy as groups with their transforms (Ident the node's name), a TNyxMesh per mesh
// with its material (diffuse, ambient, specular, shininess, opacity, the diffuse texture
// from a file beside the model or embedded in it; the library's default material where
// the file has none). Normals that the file leaves out are
// left out, for the mesh to compute within its crease angle; STL files' face normals
// are dropped alike, so that their shared corners come out smooth. A material or
// texture that cannot be used is described in Warnings (when given) and left out.
// Errors raise an Exception "FileName: reason" in one line; nothing is left behind.
TNyxObject* ImportModel(TComponent* Owner, const std::string& FileName,
                        std::vector<std::string>* Warnings = nullptr);

// Writes the meshes of Root's subtree, each placed by the transforms between Root and
// itself (moved into its vertices: not every format keeps transforms) and with its own
// material, to FileName in the format its extension names
// (binary STL and PLY). Other objects are not written. Errors raise an Exception
// "FileName: reason" in one line.
void ExportModel(TNyxObject& Root, const std::string& FileName);

}  // namespace nyx
