// Loads the installed Qt Designer plugin as the designer does, creates the panel widget
// through it and sets its properties by name, as a form being loaded sets them.
#include "qt/host.h"
#include "qt/panelwidget.h"
#include "scene/camera.h"
#include "scene/navigation.h"
#include "scene/panel.h"

#include <QApplication>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <cstdio>
#include <memory>

namespace {

bool Check(bool Condition, const char* What) {
    if (!Condition)
        std::fprintf(stderr, "designer plugin: %s\n", What);
    return Condition;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: designer PLUGIN.so\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nyx::TQtHostScope host;
    QPluginLoader loader(QString::fromLocal8Bit(argv[1]));
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    if (!plugin) {
        std::fprintf(stderr, "designer plugin: %s\n", qPrintable(loader.errorString()));
        return 1;
    }
    plugin->initialize(nullptr);
    bool ok = Check(plugin->isInitialized(), "not initialised") &&
              Check(plugin->name() == "nyx::TNyxPanelWidget", "wrong class name") &&
              Check(plugin->group() == "OpenGL", "not in the group OpenGL") &&
              Check(!plugin->icon().isNull(), "no icon") &&
              Check(!plugin->toolTip().isEmpty(), "no tool tip") &&
              Check(plugin->includeFile() == "qt/panelwidget.h", "wrong include file") &&
              Check(plugin->domXml().contains("class=\"nyx::TNyxPanelWidget\""),
                    "the widget box entry names another class");

    nyx::TComponent form(nullptr);
    auto* camera = new nyx::TNyxCamera(&form);
    camera->SetName("Camera1");
    std::unique_ptr<QWidget> made(plugin->createWidget(nullptr));
    auto* widget = qobject_cast<nyx::TNyxPanelWidget*>(made.get());
    if (!Check(widget && widget->Panel(), "createWidget made no panel widget"))
        return 1;
    const QMetaObject& meta = *widget->metaObject();
    for (const char* name : {"cameraName", "options", "mouseLeft", "mouseRight", "mouseWheel"}) {
        const int index = meta.indexOfProperty(name);
        ok = Check(index >= 0 && meta.property(index).isDesignable(), name) && ok;
    }
    widget->setProperty("options", QVariant::fromValue(nyx::TNyxPanelWidget::DepthTest |
                                                       nyx::TNyxPanelWidget::Lighting));
    widget->setProperty("mouseLeft", QVariant::fromValue(nyx::TNyxPanelWidget::mmOrbit));
    widget->setProperty("cameraName", "Camera1");
    nyx::TNyxPanel* panel = widget->Panel();
    ok = Check(panel->Options() == nyx::TNyxOptions{nyx::goDepthTest, nyx::goLighting},
               "the options did not reach the panel") &&
         ok;
    ok = Check(panel->PanelControl()->MouseLeft() == nyx::mmOrbit,
               "the left button's mode did not reach the panel control") &&
         ok;
    ok = Check(!panel->Camera() && widget->ResolveCamera(form) == camera &&
                   panel->Camera() == camera,
               "the camera named Camera1 was not found on the form") &&
         ok;
    made.reset();
    return ok ? 0 : 1;
}
