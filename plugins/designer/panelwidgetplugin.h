#pragma once
// The panel widget in Qt's form designer: the widget box shows it in the group "OpenGL",
// and forms made with it hold a nyx::TNyxPanelWidget that uic creates with its parent.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace nyx {

class TPanelWidgetPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TPanelWidgetPlugin(QObject* Parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget* createWidget(QWidget* Parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* Core) override;
    QString domXml() const override;

private:
    bool FInitialized = false;
};

}  // namespace nyx
