#pragma once
// The scene nyxview shows when no file is given, and nyxconv --demo writes. Core only: no Qt here, so the
// off-screen path needs no display, and tests can rebuild the same scene to know where
// things are in the picture.

namespace nyx {

class TComponent;
class TNyxBox;
class TNyxCamera;
class TNyxCone;
class TNyxHeightField;
class TNyxLabel;
class TNyxLight;
class TNyxPolygon;
class TNyxScene;
class TNyxSphere;
class TNyxTeapot;
class TNyxTorus;

struct TDemoScene {
    TNyxScene* Scene;
    TNyxCamera* Camera;
    TNyxBox* Floor;
    TNyxBox* Box;
    TNyxSphere* Sphere;
    TNyxCone* Cone;
    TNyxTorus* Torus;
    TNyxTeapot* Teapot;        // casts no shadow (a coloured object, not a shadowed one)
    TNyxLight* Sun;            // casts the shadows
    TNyxLight* Fill;           // no shadows
    TNyxPolygon* Mirror;       // a wall behind the group, reflecting it
    TNyxHeightField* Terrain;  // hills beside the group
    TNyxLabel* Title;          // "Nyx" in extruded outline glyphs before the mirror
    TNyxLabel* SphereName;     // a bitmap caption beside the sphere
};

// A floor (top face at z = 0) that receives shadows; a checker-textured box, a sphere, a
// cone and a torus standing on it that cast them, and a teapot; two lights at infinity of
// which the sun casts shadows; a mirror wall behind the group and a small hilly terrain
// beside it; an extruded title standing before the mirror and a screen-aligned caption
// beside the sphere; a camera looking at the group. Every part is owned by Owner and named
// for what it is (the scene "Demo").
TDemoScene BuildDemoScene(TComponent* Owner);

}  // namespace nyx
