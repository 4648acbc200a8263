#pragma once
// Forward declarations of the scene graph core.

#include <cstdint>

namespace nyx {

class TNyxVertex3;
class TNyxVertex3Tex;
class TNyxVertex3CI;
class TNyxVertex3TexCI;
class TNyxCollection;
class TNyxXForm;
class TNyxFaceMaterial;
class TNyxMaterial;
class TNyxObject;
class TNyxScene;

enum TNyxDrawType : std::uint8_t { dtLine, dtFill };
enum TNyxObjectAction : std::uint8_t { saInsert, saMove, saRemove, saRename };

} // namespace nyx
