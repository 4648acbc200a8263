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
class TNyxCamera;
class TNyxPanel;
class TNyxMaterialLibrary;

enum TNyxDrawType : std::uint8_t { dtLine, dtFill };
enum TNyxObjectAction : std::uint8_t { saInsert, saMove, saRemove, saRename };

// The render passes, in the order of their ordinals (not the order Render issues them).
enum TNyxDrawState : std::uint8_t {
    dsPre,
    dsCamera,
    dsAllLights,
    dsShadowLights,
    dsAllObjects,
    dsNonShadowObjects,
    dsShadowObjects,
    dsReflections,
    dsBuildShadowVolumes,
    dsDrawShadowVolumes,
    dsShadows,
    dsTransparent,
    dsPost
};
enum TNyxDrawKind : std::uint8_t { dkDraft, dkFull, dkSelect };

}  // namespace nyx
