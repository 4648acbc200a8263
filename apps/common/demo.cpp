#include "demo.h"

#include "objects/box.h"
#include "objects/heightfield.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "objects/torus.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <cmath>
#include <numbers>

namespace nyx {

namespace {

void SetVertex(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

template <class T>
T* Add(TComponent* Owner, TNyxObject* Parent, const char* Name, double X, double Y, double Z) {
    auto* obj = new T(Owner);
    obj->SetName(Name);
    SetVertex(obj->XForm()->Translate(), X, Y, Z);
    obj->SetParentComponent(Parent);
    return obj;
}

// Four by four squares of two colours, made here so that the demo needs no file.
void CheckerTexture(TNyxMaterial* Material) {
    constexpr int Size = 64;
    TBitmap bmp(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            bmp.SetPixel(x, y, (x / 16 + y / 16) % 2 ? RGB(245, 245, 235) : RGB(200, 40, 40));
    Material->SetTexture(&bmp);
}

TNyxLight* AddLight(TComponent* Owner, TNyxScene* Scene, const char* Name, double X, double Y,
                    double Z, TColor Color) {
    auto* light = Add<TNyxLight>(Owner, Scene, Name, 0, 0, 0);
    // Not Directional: OpenGL puts it at infinity in the direction of its position, and
    // with no cone it lights everything from there.
    SetVertex(light->Point1(), X, Y, Z);
    light->SetParam(TNyxLight::piCutoff, 180);
    light->SetColor(Color);
    return light;
}

// A glass wall standing on the floor behind the group, facing the camera: a slightly
// blue tint that darkens towards the floor, letting 30 % of the reflection through.
TNyxPolygon* AddMirrorWall(TComponent* Owner, TNyxScene* Scene) {
    auto* wall = Add<TNyxPolygon>(Owner, Scene, "MirrorWall", 0, 0, 0);
    struct TCorner {
        double X, Z;
        TColor Color;
    };
    // Counter-clockwise seen from the camera's side (-y).
    const TCorner corners[] = {{-3.6, 0, RGB(55, 65, 85)},
                               {3.6, 0, RGB(55, 65, 85)},
                               {3.6, 2.6, RGB(125, 140, 165)},
                               {-3.6, 2.6, RGB(125, 140, 165)}};
    for (const TCorner& c : corners) {
        auto* v = static_cast<TNyxVertex3TexCI*>(wall->Vertexes()->Add());
        v->SetData(0, c.X);
        v->SetData(1, 2.8);
        v->SetData(2, c.Z);
        v->SetColor(c.Color);
    }
    wall->SetReflection(0.3);

    // A slim dark frame round the glass: top, bottom, left, right.
    const struct {
        const char* Name;
        double X, Z, Width, Height;
    } bars[] = {{"FrameTop", 0, 2.6, 7.36, 0.08},
                {"FrameBottom", 0, 0.04, 7.36, 0.08},
                {"FrameLeft", -3.64, 1.3, 0.08, 2.68},
                {"FrameRight", 3.64, 1.3, 0.08, 2.68}};
    for (const auto& b : bars) {
        auto* bar = Add<TNyxBox>(Owner, wall, b.Name, b.X, 2.8, b.Z);
        SetVertex(bar->XForm()->Scale(), b.Width, 0.1, b.Height);
        bar->SetColor(RGB(75, 60, 50));
    }
    return wall;
}

// Two round hills and a gentle ripple that fade out to the rim of the field.
void TerrainHeight(TNyxObject*, double X, double Y, double& Z) {
    const double u = (X + 4.6) / 2.0, v = (Y + 1.4) / 2.8;  // 0..1 across the field
    const double rim = std::sin(std::numbers::pi * std::clamp(u, 0.0, 1.0)) *
                       std::sin(std::numbers::pi * std::clamp(v, 0.0, 1.0));
    const auto hill = [&](double CX, double CY, double H) {
        return H * std::exp(-((X - CX) * (X - CX) + (Y - CY) * (Y - CY)) / 0.25);
    };
    Z = rim * (0.12 + 0.05 * std::sin(5 * X) * std::cos(4 * Y)) + hill(-3.9, 0.6, 0.7) +
        hill(-3.3, -0.5, 0.45) * rim;
}

TNyxHeightField* AddTerrain(TComponent* Owner, TNyxScene* Scene) {
    // Its rim lies flat on the floor: a hair above, so that the floor does not show
    // through.
    auto* field = Add<TNyxHeightField>(Owner, Scene, "Terrain", 0, 0, 0.005);
    field->SetFieldBounds(0, -4.6);
    field->SetFieldBounds(1, -2.6);
    field->SetFieldBounds(2, -1.4);
    field->SetFieldBounds(3, 1.4);
    field->SetSegments(0, 24);
    field->SetSegments(1, 32);
    field->SetAutoNormal(true);
    field->SetOnGetHeight(TNyxGetHeight::Bind<&TerrainHeight>());
    field->SetColor(RGB(110, 150, 70));
    field->SetShadows(0, true);
    return field;
}

// "Nyx" standing between the hills and the mirror, its face turned to the camera. The
// glyphs lie in the label's XY plane: the turn about their own upright axis faces them
// to the camera, then the quarter turn about X stands them up, extruded away from the
// viewer. The baseline is lifted by the descender.
TNyxLabel* AddTitle(TComponent* Owner, TNyxScene* Scene) {
    auto* title = Add<TNyxLabel>(Owner, Scene, "Title", -3.1, 1.25, 0.28);
    title->SetCaption("Nyx");
    title->SetBitmapFont(false);
    title->SetExtrusion(0.25);
    title->SetDeviation(0.005);
    title->Font()->SetStyle({fsBold});
    SetVertex(title->XForm()->Rotate(), 90, 40, 0);
    SetVertex(title->XForm()->Scale(), 1.3, 1.3, 1.3);
    title->SetColor(RGB(150, 70, 190));
    return title;
}

// Screen-aligned text starting beside the sphere; emissive, so that it reads the
// same whatever the lights do.
TNyxLabel* AddSphereName(TComponent* Owner, TNyxScene* Scene, const TNyxSphere* Sphere) {
    const TNyxVertex3* at = Sphere->XForm()->Translate();
    auto* name = Add<TNyxLabel>(Owner, Scene, "SphereName", at->X() + 0.55, at->Y() - 0.6, at->Z());
    name->SetCaption("Sphere");
    name->Font()->SetSize(11);
    name->Font()->SetStyle({fsBold});
    name->SetColor(clWhite);
    name->Material()->FrontFace()->SetColor(TNyxFaceMaterial::ciEmission, clWhite);
    return name;
}

// Line shapes are lit with a normal along their local x axis, which faces away from the
// sun here: they glow in their colour instead.
template <class T>
T* AddGlowing(TComponent* Owner, TNyxObject* Parent, const char* Name, double Z, double Scale,
              TColor Color) {
    auto* shape = Add<T>(Owner, Parent, Name, 0, 0, Z);
    SetVertex(shape->XForm()->Scale(), Scale, Scale, 1);
    shape->SetColor(Color);
    for (TNyxFaceMaterial* face : {shape->Material()->FrontFace(), shape->Material()->BackFace()})
        face->SetColor(TNyxFaceMaterial::ciEmission, Color);
    shape->SetWidth(2);
    return shape;
}

// A second sphere in front of the first, drawn through a proxy of the first; a circle round
// the group on the floor (inside the terrain and the mirror), a dashed arc above its far
// side and a zigzag of coloured points in front of the box.
void AddProxyAndLines(TComponent* Owner, TDemoScene& D) {
    auto* proxy = Add<TNyxProxy>(Owner, D.Scene, "SphereCopy", -0.7, -1.0, 0);
    proxy->SetProxy(D.Sphere);

    AddGlowing<TNyxCircle>(Owner, D.Scene, "Ring", 0.01, 5.1, RGB(250, 210, 60))->SetSegments(72);
    auto* arc = AddGlowing<TNyxArc>(Owner, D.Scene, "Halo", 1.8, 5, RGB(240, 90, 50));
    arc->SetStartAngle(30);
    arc->SetEndAngle(240);
    arc->SetStyle(psDash);

    auto* path = AddGlowing<TNyxPolyline>(Owner, D.Scene, "Path", 0.01, 1, RGB(60, 60, 60));
    path->SetWidth(3);
    path->SetColorVertexes(true);
    const double points[][2] = {
        {-2.4, -2.1}, {-1.9, -2.6}, {-1.4, -2.1}, {-0.9, -2.6}, {-0.5, -2.1}};
    const TColor colours[] = {clRed, clYellow, clLime, clAqua, clBlue};
    for (int i = 0; i < 5; ++i) {
        auto* v = static_cast<TNyxVertex3CI*>(path->Vertexes()->Add());
        v->SetData(0, points[i][0]);
        v->SetData(1, points[i][1]);
        v->SetColor(colours[i]);
    }
}

}  // namespace

TDemoScene BuildDemoScene(TComponent* Owner) {
    TDemoScene d{};
    d.Scene = new TNyxScene(Owner);
    d.Scene->SetName("Demo");
    d.Scene->SetBackgroundColor(RGB(70, 90, 120));
    d.Scene->SetFShadows(true);

    // A thin slab whose top face is the plane z = 0.
    d.Floor = Add<TNyxBox>(Owner, d.Scene, "Floor", 0, 0, -0.1);
    SetVertex(d.Floor->XForm()->Scale(), 12, 12, 0.2);
    d.Floor->SetColor(RGB(205, 205, 195));
    d.Floor->SetShadows(1, true);

    d.Box = Add<TNyxBox>(Owner, d.Scene, "CheckerBox", -1.6, -0.9, 0.5);
    d.Box->SetColor(clWhite);  // the texture shows its own colours
    CheckerTexture(d.Box->Material());
    d.Box->SetShadows(0, true);

    d.Sphere = Add<TNyxSphere>(Owner, d.Scene, "Sphere", 1.3, -1.4, 0.5);
    d.Sphere->SetSlices(32);
    d.Sphere->SetStacks(24);
    d.Sphere->SetColor(RGB(60, 170, 70));
    d.Sphere->SetShadows(0, true);

    // A point at the top, the base on the floor.
    d.Cone = Add<TNyxCone>(Owner, d.Scene, "Cone", 1.2, 1.2, 0.75);
    d.Cone->SetRadius1(0);
    d.Cone->SetRadius2(0.6);
    d.Cone->SetHeight(1.5);
    d.Cone->SetSlices(32);
    d.Cone->SetColor(RGB(230, 170, 40));
    d.Cone->SetShadows(0, true);

    // Lying on the floor.
    d.Torus = Add<TNyxTorus>(Owner, d.Scene, "Torus", -1.4, 1.4, 0.22);
    d.Torus->SetRadius1(0.6);
    d.Torus->SetRadius2(0.22);
    d.Torus->SetSides(16);
    d.Torus->SetRings(36);
    d.Torus->SetColor(RGB(60, 100, 210));
    d.Torus->SetShadows(0, true);

    // At the front right of the group, its spout to the right of the view.
    d.Teapot = Add<TNyxTeapot>(Owner, d.Scene, "Teapot", 2.6, -0.2, 0.25);
    SetVertex(d.Teapot->XForm()->Scale(), 1.3, 1.3, 1.3);
    d.Teapot->XForm()->Rotate()->SetZ(40);
    d.Teapot->SetSegments(10);
    d.Teapot->SetColor(RGB(70, 160, 180));

    // The sun comes from the left of the view, so that shadows fall to the right, in
    // sight; the weaker fill light keeps the faces turned away from it readable.
    d.Sun = AddLight(Owner, d.Scene, "Sun", -5, -3, 6, RGB(95, 95, 88));
    d.Sun->SetShadows(0, true);
    d.Fill = AddLight(Owner, d.Scene, "FillLight", 6, -2, 4, RGB(45, 45, 55));

    d.Scene->SetReflections(true);
    d.Mirror = AddMirrorWall(Owner, d.Scene);
    d.Terrain = AddTerrain(Owner, d.Scene);
    d.Title = AddTitle(Owner, d.Scene);
    d.SphereName = AddSphereName(Owner, d.Scene, d.Sphere);
    AddProxyAndLines(Owner, d);

    d.Camera = Add<TNyxCamera>(Owner, d.Scene, "Camera", 0, 0, 0);
    SetVertex(d.Camera->Position(), 5.5, -6.5, 4.5);
    SetVertex(d.Camera->Target(), 0, 0, 0.4);
    d.Camera->SetNearPlane(1);
    d.Camera->SetFarPlane(60);
    return d;
}

}  // namespace nyx
