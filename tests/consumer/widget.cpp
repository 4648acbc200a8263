// Builds the panel widget of the Qt host (on Qt's off-screen platform: no display is
// needed until it is shown), and renders one frame in the same program.
#include "frame.h"
#include "qt/panelwidget.h"

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nyx::TComponent root(nullptr);
    auto* panel = new nyx::TNyxPanel(&root);
    nyx::TNyxPanelWidget widget(panel);
    widget.resize(40, 30);
    if (widget.Panel() != panel || widget.GLWindow() != 0) {
        std::fprintf(stderr, "the widget does not show its panel\n");
        return 1;
    }
    return RendersAFrame() ? 0 : 1;
}
