#pragma once
// One frame of a sphere on a blue background, rendered off-screen into a bitmap; false
// (with the reason on standard error) when the pixels are not what the scene shows.

#include "objects/quadrics.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <cstdio>

inline bool RendersAFrame() {
    using namespace nyx;
    TComponent root(nullptr);
    auto* scene = new TNyxScene(&root);
    scene->SetBackgroundColor(clBlue);
    auto* sphere = new TNyxSphere(&root);
    sphere->SetColor(clYellow);
    sphere->SetParentComponent(scene);
    auto* camera = new TNyxCamera(&root);
    camera->SetParentComponent(scene);
    camera->Position()->SetY(-5);
    auto* panel = new TNyxPanel(&root);
    panel->SetCamera(camera);
    TBitmap image(40, 30);
    panel->RenderToCanvas(image.Canvas(), 40, 30, false);
    if (image.Pixels(0, 0) != clBlue) {
        std::fprintf(stderr, "the background is not blue: no frame was rendered\n");
        return false;
    }
    if (image.Pixels(20, 15) == clBlue) {
        std::fprintf(stderr, "no sphere in the middle of the frame\n");
        return false;
    }
    return true;
}
