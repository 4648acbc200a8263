#pragma once
// The scene nyxview shows from a file. Core only, like the demo scene, so that the
// off-screen path needs no display and tests can rebuild the same view.

#include "rtl/progress.h"

#include <string>

namespace nyx {

class TComponent;
class TNyxCamera;
class TNyxScene;

struct TFileScene {
    TNyxScene* Scene;
    TNyxCamera* Camera;
};

// A scene without depth (a drawing: everything drawable at one height) seen as a plan:
// Camera looks down -Z with +Y up, the scene's box filling a view of the given aspect
// (width / height), and Reset comes back to that. False, with the camera untouched, for
// a scene with depth or with nothing drawable.
bool FramePlan(TNyxCamera& Camera, double Aspect);

// Reads FileName, binary or text, into a new scene owned by Owner. The view is the first
// camera of the tree (depth first, parents before children); without one, a camera is
// added that frames the whole scene for a view of the given aspect (width / height), as
// a plan (FramePlan) when the scene has no depth. A
// light is added over the viewer's shoulder when the file has none. Errors name the
// file and the position in it. Progress hears how far the reading is, and is the scene's
// OnProgress afterwards (its first frame's build).
TFileScene LoadFileScene(TComponent* Owner, const std::string& FileName, double Aspect,
                         const TProgressEvent& Progress = {});

}  // namespace nyx
