#include "panelwidgetplugin.h"

#include "qt/panelwidget.h"
#include "scene/panel.h"

#include <QIcon>

namespace nyx {

TPanelWidgetPlugin::TPanelWidgetPlugin(QObject* Parent) : QObject(Parent) {}

QString TPanelWidgetPlugin::name() const { return QStringLiteral("nyx::TNyxPanelWidget"); }

QString TPanelWidgetPlugin::group() const { return QStringLiteral("OpenGL"); }

QString TPanelWidgetPlugin::toolTip() const {
    return QStringLiteral("Nyx panel: a 3D scene seen through one camera");
}

QString TPanelWidgetPlugin::whatsThis() const {
    return QStringLiteral(
        "Shows a Nyx scene through the camera named by cameraName, found with "
        "ResolveCamera among the components of the form or scene that owns it; the mouse "
        "navigates as mouseLeft, mouseRight and mouseWheel say. Needs an X display.");
}

QString TPanelWidgetPlugin::includeFile() const { return QStringLiteral("qt/panelwidget.h"); }

QIcon TPanelWidgetPlugin::icon() const { return QIcon(QStringLiteral(":/nyx/designer/panel.png")); }

bool TPanelWidgetPlugin::isContainer() const { return false; }

// The form designer's panel is designed, not run: its scene's animation never starts.
QWidget* TPanelWidgetPlugin::createWidget(QWidget* Parent) {
    auto* widget = new TNyxPanelWidget(Parent);
    widget->Panel()->SetDesigning(true);
    return widget;
}

bool TPanelWidgetPlugin::isInitialized() const { return FInitialized; }

void TPanelWidgetPlugin::initialize(QDesignerFormEditorInterface*) { FInitialized = true; }

QString TPanelWidgetPlugin::domXml() const {
    return QStringLiteral(R"(<ui language="c++">
 <widget class="nyx::TNyxPanelWidget" name="panelWidget">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>320</width><height>240</height></rect>
  </property>
  <property name="toolTip"><string/></property>
 </widget>
</ui>
)");
}

}  // namespace nyx
