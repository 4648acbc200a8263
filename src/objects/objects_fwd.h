#pragma once
// Forward declarations of the primitive classes and the callbacks through which
// applications supply their geometry.

#include "geom/geom.h"
#include "rtl/event.h"

namespace nyx {

class TNyxObject;
class TNyxBox;
class TNyxSphere;
class TNyxCone;
class TNyxTorus;
class TNyxOctahedron;
class TNyxIcosahedron;
class TNyxDodecahedron;
class TNyxTeapot;
class TNyxPolygon;
class TNyxHeightField;
class TNyxLabel;
class TNyxUser;
class TNyxMesh;

// Sets Z to the height at (X, Y).
using TNyxGetHeight = TEvent<TNyxObject* /*Sender*/, double /*X*/, double /*Y*/, double& /*Z*/>;
// Sets N to the surface normal at (X, Y).
using TNyxGetHeightNormal =
    TEvent<TNyxObject* /*Sender*/, double /*X*/, double /*Y*/, TGLArrayd3& /*N*/>;
// Adjusts the local extent Min, Max an object has worked out (the user-drawn object's
// and the height field's).
using TNyxUserGetExtents = TEvent<TNyxObject* /*Sender*/, TGLArrayd3& /*Min*/, TGLArrayd3& /*Max*/>;

}  // namespace nyx
