// A Qt main window whose central widget shows a small lit scene; drag with the left
// button to orbit it, turn the wheel to come closer.
#include "objects/quadrics.h"
#include "objects/torus.h"
#include "qt/host.h"
#include "qt/panelwidget.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdlib>
#include <string_view>

using namespace nyx;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Timers, cursors and message boxes go through Qt from here on: the host is made
    // current before the first component is created and outlives the last one.
    TQtHostScope host;
    TComponent form(nullptr);  // owns the components below and frees them before the host

    auto* scene = new TNyxScene(&form);
    scene->SetBackgroundColor(RGB(30, 40, 60));

    auto* light = new TNyxLight(&form);
    light->Point1()->SetX(-1);  // at infinity, up to the left
    light->Point1()->SetZ(2);
    light->SetParentComponent(scene);

    auto* camera = new TNyxCamera(&form);
    camera->Position()->SetX(3);
    camera->Position()->SetY(-4);
    camera->Position()->SetZ(2.5);  // looking at the origin
    camera->SetParentComponent(scene);

    auto* sphere = new TNyxSphere(&form);
    sphere->SetColor(RGB(220, 90, 40));
    sphere->SetParentComponent(scene);

    auto* ring = new TNyxTorus(&form);
    ring->SetRadius1(1.6);
    ring->SetRadius2(0.25);
    ring->SetSides(16);
    ring->SetRings(48);
    ring->SetColor(RGB(80, 170, 220));
    ring->SetParentComponent(scene);

    auto* panel = new TNyxPanel(&form);
    panel->SetCamera(camera);
    panel->PanelControl()->SetMouseLeft(mmOrbit);
    panel->PanelControl()->SetMouseWheel(mmDolly);

    QMainWindow window;  // destroyed first: the widget lets go of the panel's window
    window.setWindowTitle("Nyx in a Qt window");
    window.setCentralWidget(new TNyxPanelWidget(panel));
    window.resize(640, 480);
    window.show();

    // qtwindow --frames N (the tests run it so): the scene animates, repainting every
    // 40 ms, and the window closes after N frames.
    if (argc == 3 && std::string_view(argv[1]) == "--frames") {
        const int frames = std::atoi(argv[2]);
        scene->SetAnimation(true);
        auto* watch = new QTimer(&window);
        QObject::connect(watch, &QTimer::timeout, [&, frames] {
            if (panel->FrameCount() >= frames)
                window.close();
        });
        watch->start(10);
    }
    return app.exec();
}
