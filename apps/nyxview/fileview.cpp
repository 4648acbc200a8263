#include "fileview.h"

#include "scenefile.h"

#include "rtl/graphics.h"
#include "rtl/scope.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
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

bool FramePlan(TNyxCamera& Camera, double Aspect) {
    TGLArrayd3 lo, hi;
    const TNyxScene* scene = Camera.Scene();
    if (!scene || !DrawableExtent(*scene, lo, hi))
        return false;
    const double width = hi[0] - lo[0], height = hi[1] - lo[1];
    const double size = std::max(width, height);
    if (!(size > 0) || !std::isfinite(size) || hi[2] - lo[2] > size * 1e-9)
        return false;
    // A little room round the drawing, so that its outermost lines stay in sight.
    constexpr double Margin = 1.02;
    const double aspect = Aspect > 0 && std::isfinite(Aspect) ? Aspect : 1.0;
    const double halfAngle = std::clamp(Camera.FOVY(), 1.0, 175.0) / 2 * std::numbers::pi / 180;
    const double distance = Margin * std::max(height / 2, width / 2 / aspect) / std::tan(halfAngle);
    const TGLArrayd3 centre{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, hi[2]};
    const TUpdateScope update(Camera);
    Camera.SetPositionObject(nullptr);
    Camera.SetTargetObject(nullptr);
    Camera.Reset();
    for (int i = 0; i < 3; ++i) {
        Camera.Target()->SetData(i, centre[std::size_t(i)]);
        Camera.Position()->SetData(i, centre[std::size_t(i)] + (i == 2 ? distance : 0));
        Camera.Up()->SetData(i, unity[std::size_t(i)]);
    }
    Camera.SetNearPlane(distance / 2);
    Camera.SetFarPlane(distance * 2);
    return true;
}

TFileScene LoadFileScene(TComponent* Owner, const std::string& FileName, double Aspect,
                         const TProgressEvent& Progress) {
    TFileScene view{new TNyxScene(Owner), nullptr};
    view.Scene->SetOnProgress(Progress);
    LoadSceneFile(*view.Scene, FileName, Progress);
    view.Camera = FirstCamera(view.Scene);
    if (!view.Camera) {
        view.Camera = new TNyxCamera(Owner);
        view.Camera->SetParentComponent(view.Scene);
        if (!FramePlan(*view.Camera, Aspect))
            view.Camera->ViewAll(Aspect);
    }
    if (!HasLight(view.Scene))
        AddShoulderLight(Owner, view.Scene, *view.Camera);
    return view;
}

}  // namespace nyx
