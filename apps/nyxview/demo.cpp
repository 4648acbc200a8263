#include "demo.h"

#include "objects/box.h"
#include "objects/quadrics.h"
#include "objects/torus.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"

namespace nyx {

namespace {

void SetVertex(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

template <class T>
T* Add(TComponent* Owner, TNyxObject* Parent, double X, double Y, double Z) {
    auto* obj = new T(Owner);
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

TNyxLight* AddLight(TComponent* Owner, TNyxScene* Scene, double X, double Y, double Z,
                    TColor Color) {
    auto* light = Add<TNyxLight>(Owner, Scene, 0, 0, 0);
    // Not Directional: OpenGL puts it at infinity in the direction of its position, and
    // with no cone it lights everything from there.
    SetVertex(light->Point1(), X, Y, Z);
    light->SetParam(TNyxLight::piCutoff, 180);
    light->SetColor(Color);
    return light;
}

}  // namespace

TDemoScene BuildDemoScene(TComponent* Owner) {
    TDemoScene d{};
    d.Scene = new TNyxScene(Owner);
    d.Scene->SetBackgroundColor(RGB(70, 90, 120));
    d.Scene->SetFShadows(true);

    // A thin slab whose top face is the plane z = 0.
    d.Floor = Add<TNyxBox>(Owner, d.Scene, 0, 0, -0.1);
    SetVertex(d.Floor->XForm()->Scale(), 12, 12, 0.2);
    d.Floor->SetColor(RGB(205, 205, 195));
    d.Floor->SetShadows(1, true);

    d.Box = Add<TNyxBox>(Owner, d.Scene, -1.6, -0.9, 0.5);
    d.Box->SetColor(clWhite);  // the texture shows its own colours
    CheckerTexture(d.Box->Material());
    d.Box->SetShadows(0, true);

    d.Sphere = Add<TNyxSphere>(Owner, d.Scene, 1.3, -1.4, 0.5);
    d.Sphere->SetSlices(32);
    d.Sphere->SetStacks(24);
    d.Sphere->SetColor(RGB(60, 170, 70));
    d.Sphere->SetShadows(0, true);

    // A point at the top, the base on the floor.
    d.Cone = Add<TNyxCone>(Owner, d.Scene, 1.2, 1.2, 0.75);
    d.Cone->SetRadius1(0);
    d.Cone->SetRadius2(0.6);
    d.Cone->SetHeight(1.5);
    d.Cone->SetSlices(32);
    d.Cone->SetColor(RGB(230, 170, 40));
    d.Cone->SetShadows(0, true);

    // Lying on the floor.
    d.Torus = Add<TNyxTorus>(Owner, d.Scene, -1.4, 1.4, 0.22);
    d.Torus->SetRadius1(0.6);
    d.Torus->SetRadius2(0.22);
    d.Torus->SetSides(16);
    d.Torus->SetRings(36);
    d.Torus->SetColor(RGB(60, 100, 210));
    d.Torus->SetShadows(0, true);

    // The sun comes from the left of the view, so that shadows fall to the right, in
    // sight; the weaker fill light keeps the faces turned away from it readable.
    d.Sun = AddLight(Owner, d.Scene, -5, -3, 6, RGB(95, 95, 88));
    d.Sun->SetShadows(0, true);
    d.Fill = AddLight(Owner, d.Scene, 6, -2, 4, RGB(45, 45, 55));

    d.Camera = Add<TNyxCamera>(Owner, d.Scene, 0, 0, 0);
    SetVertex(d.Camera->Position(), 5.5, -6.5, 4.5);
    SetVertex(d.Camera->Target(), 0, 0, 0.4);
    d.Camera->SetNearPlane(1);
    d.Camera->SetFarPlane(60);
    return d;
}

}  // namespace nyx
