#pragma once
// Scene files as the programs open and write them. What a file holds is told by its
// contents (the binary form's signature), the form to write by the name's extension.
// Core only, so that nyxconv links no Qt.

#include <optional>
#include <string>

namespace nyx {

class TNyxObject;

// The forms of scene file the programs read and write.
enum class TSceneFileForm { Binary, Text };

// "binary" or "text".
const char* FormName(TSceneFileForm Form);
// What FileName holds: the binary form when it begins with its signature, otherwise
// text, which a load checks line by line. EFOpenError naming the file when it cannot
// be read.
TSceneFileForm FormOfContents(const std::string& FileName);
// The form a file name asks for: ".nyx" binary, ".nyxt" text, in any letter case; none
// for another extension.
std::optional<TSceneFileForm> FormOfName(const std::string& FileName);

// Reads FileName, whichever form it holds, into Root, whose children it replaces.
// Errors name the file and the position in it; a file that fails the check before
// anything is freed leaves Root as it was.
void LoadSceneFile(TNyxObject& Root, const std::string& FileName);
// Writes the stream InFile holds in Form to OutFile, unchanged otherwise: root class and
// name, every property and object as stored. OutFile appears only when whole.
void ConvertSceneFile(const std::string& InFile, const std::string& OutFile, TSceneFileForm Form);

}  // namespace nyx
