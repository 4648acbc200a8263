// A scene with a light, a camera and a sphere, saved to a file and rendered off-screen
// into a PNG through a panel.
#include "objects/quadrics.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/panel.h"
#include "scene/scene.h"

using namespace nyx;

int main() {
    TComponent form(nullptr);  // owns everything below and frees it at the end
    auto* scene = new TNyxScene(&form);
    scene->SetBackgroundColor(RGB(40, 60, 90));

    auto* light = new TNyxLight(&form);
    light->Point1()->SetX(-1);  // its Position: at infinity, up to the left
    light->Point1()->SetZ(2);
    light->SetColor(RGB(130, 130, 130));
    light->SetParentComponent(scene);

    auto* camera = new TNyxCamera(&form);
    camera->Position()->SetX(2);
    camera->Position()->SetY(-2.5);
    camera->Position()->SetZ(1.5);  // looking at its Target, the origin
    camera->SetParentComponent(scene);

    auto* sphere = new TNyxSphere(&form);
    sphere->SetColor(RGB(220, 90, 40));
    sphere->SetParentComponent(scene);

    scene->SaveToTextFile("quickstart.nyxt");  // nyxview quickstart.nyxt shows it

    auto* panel = new TNyxPanel(&form);
    panel->SetCamera(camera);
    TBitmap picture(320, 240);
    panel->RenderToCanvas(picture.Canvas(), 320, 240, false);
    picture.SaveToFile("quickstart.png");
}
