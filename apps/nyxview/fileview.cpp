#include "fileview.h"

#include "scenefile.h"

#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"

#include <cmath>
#include <vector>

namespace nyx {

namespace {

TNyxCamera* FirstCamera(TNyxObject* Node) {
    for (TNyxObject* child : Node->Items()) {
        if (auto* camera = dynamic_cast<TNyxCamera*>(child))
            return camera;
        if (TNyxCamera* camera = FirstCamera(child))
            return camera;
    }
    return nullptr;
}

bool HasLight(const TNyxObject* Root) {
    std::vector<TNyxObject*> lights;
    Root->ListChildren(lights, {&TNyxLight::StaticClass()});
    return !lights.empty();
}

// A light at infinity behind the viewer, raised above the line of sight so that tops
// are lit and sides shaded: the eye's direction from the target plus half its length
// along Up, in world space. A light gives its colour as ambient light too, so a grey of
// under half strength keeps the shading from washing out.
void AddShoulderLight(TComponent* Owner, TNyxScene* Scene, const TNyxCamera& Camera) {
    TGLMatrixd4 m;
    Camera.GetAbsoluteMatrix(m);
    TGLArrayd3 eye = Camera.GetPosition(), target = Camera.GetTarget();
    Xformd(m, eye);
    Xformd(m, target);
    TGLArrayd3 d{eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    const double length = std::sqrt(Dotd(d, d));
    TGLArrayd3 up = Camera.Up()->Data();
    Normalized(up);
    auto* light = new TNyxLight(Owner);
    for (int i = 0; i < 3; ++i)
        light->Point1()->SetData(i, d[std::size_t(i)] + 0.5 * length * up[std::size_t(i)]);
    light->SetParam(TNyxLight::piCutoff, 180);
    light->SetColor(RGB(100, 100, 100));
    light->SetParentComponent(Scene);
}

}  // namespace

TFileScene LoadFileScene(TComponent* Owner, const std::string& FileName, double Aspect) {
    TFileScene view{new TNyxScene(Owner), nullptr};
    LoadSceneFile(*view.Scene, FileName);
    view.Camera = FirstCamera(view.Scene);
    if (!view.Camera) {
        view.Camera = new TNyxCamera(Owner);
        view.Camera->SetParentComponent(view.Scene);
        view.Camera->ViewAll(Aspect);
    }
    if (!HasLight(view.Scene))
        AddShoulderLight(Owner, view.Scene, *view.Camera);
    return view;
}

}  // namespace nyx
