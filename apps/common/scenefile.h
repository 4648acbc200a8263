#pragma once
// Scene files as the programs open and write them: the two forms of the library's object
// streams and DXF drawings. What a file holds is told by its contents (the binary form's
// signature, a drawing's first group code), the form to write by the name's extension.
// Core only, so that nyxconv links no Qt.

#include "rtl/progress.h"

#include <optional>
#include <string>

namespace nyx {

class TNyxObject;

// The forms of scene file the programs read and write. A drawing's layers are the
// root's children, its entities the objects below them. A model (a format of other 3D
// tools, read and written through Assimp) is a group below the root, its meshes below.
enum class TSceneFileForm { Binary, Text, Dxf, Model };

// Why a file of none of the forms is refused, without the file's name and beginning.
extern const char* const UnknownContents;

// "binary", "text", "DXF" or "model".
const char* FormName(TSceneFileForm Form);
// What FileName holds: the binary form when it begins with its signature, a model when
// its extension names a format Assimp reads, a drawing when its first line is a group
// code (blanks and digits) or it begins as a binary drawing does, text when it begins
// with the word "object" (after blanks and // comments), which a load checks line by
// line. EFOpenError naming the file when it cannot be read; EReadError, in one line
// naming the forms read (UnknownContents) and what the file begins with, for anything
// else.
TSceneFileForm FormOfContents(const std::string& FileName);
// The form a file name asks for: ".nyx" binary, ".nyxt" text, ".dxf" a drawing, ".obj",
// ".stl", ".ply", ".gltf" and ".glb" a model, in any letter case; none for another
// extension.
std::optional<TSceneFileForm> FormOfName(const std::string& FileName);

// Reads FileName, whichever form it holds, into Root, whose children it replaces.
// Errors name the file and the position in it (a drawing's line number), in one line;
// a file that fails the check before anything is freed leaves Root as it was. A drawing
// that fails half-way leaves what was read before the failure. Progress hears how far
// the reading of a drawing, or of a stream into a scene, is.
void LoadSceneFile(TNyxObject& Root, const std::string& FileName,
                   const TProgressEvent& Progress = {});
// Writes Root with its subtree to FileName in Form; a drawing takes Root's children as
// its layers, naming unnamed ones LAYER_0000, LAYER_0001, ... FileName appears only
// when whole, except a model, which holds the meshes of the subtree only.
void SaveSceneFile(TNyxObject& Root, const std::string& FileName, TSceneFileForm Form);
// Writes what InFile holds to OutFile in Form. Between the two stream forms the stream
// is kept as stored: root class and name, every property and object. A drawing or a
// model on either side goes through a scene: InFile is loaded into one, which is saved
// in Form. OutFile appears only when whole. Progress hears how far the load of a
// drawing, or into one, is.
void ConvertSceneFile(const std::string& InFile, const std::string& OutFile, TSceneFileForm Form,
                      const TProgressEvent& Progress = {});

}  // namespace nyx
