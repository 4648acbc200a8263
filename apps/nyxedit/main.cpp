// nyxedit: a small form designer for Nyx scenes.

#include "display.h"
#include "mainwindow.h"
#include "registration.h"
#include "shell.h"

#include "design/registry.h"
#include "qt/host.h"
#include "rtl/host.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>

using namespace nyx;

namespace {

const char* const Usage =
    "usage: nyxedit [FILE] [--help]\n"
    "\n"
    "Designs forms that hold Nyx components: scenes, panels (live views of a scene), material\n"
    "libraries and DXF converters. FILE is a form saved by nyxedit, in text (.nyxt) or binary\n"
    "(.nyx) form, told apart by its contents; without FILE the form is empty. A scene file\n"
    "or a DXF drawing opens as a new form holding the scene and a panel looking at it\n"
    "through its first camera (or one that frames it); File > Save writes the scene alone\n"
    "back, File > Save As the whole form, File > Save Scene As the scene alone anywhere.\n"
    "\n"
    "  --help   show this text\n"
    "\n"
    "Click a component on the palette page, then click on the form to place it. Drag a\n"
    "component by its title to move it, a panel by its lower right corner to resize it; the\n"
    "right button opens its menu. The properties view edits the selected component, the\n"
    "time line lists the objects and properties of the selected scene (View > Refresh Time\n"
    "Line reads it again). A panel shows its Camera's scene; the mouse navigates in it as\n"
    "the panel's PanelControl says (MouseLeft = mmOrbit, say).\n"
    "\n"
    "  Ctrl+Z, Ctrl+Shift+Z   undo, redo (the History dock lists the steps)\n"
    "  Ctrl+X, Ctrl+C, Ctrl+V cut, copy, paste the selected component or scene object, as\n"
    "                         stream text, so it pastes into another nyxedit too\n"
    "  Delete                 delete the selected component\n"
    "\n"
    "An X display is needed, unless QT_QPA_PLATFORM names another Qt platform.\n";

struct TArgs {
    std::string File;
    bool Help = false;
};

TArgs Parse(int argc, char** argv) {
    TArgs a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            a.Help = true;
        else if (arg.size() > 1 && arg[0] == '-')
            throw TBadArgument{"unknown option " + arg + " (see --help)"};
        else if (!a.File.empty())
            throw TBadArgument{"give one FILE; \"" + a.File + "\" and \"" + arg + "\" are two"};
        else
            a.File = arg;
    }
    return a;
}

int Run(const TArgs& Args, char* Program) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform) {
        const std::string problem = XDisplayProblem();
        if (!problem.empty())
            throw TBadArgument{problem};
        // The live panels draw on GLX windows, which need Qt's X11 platform.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    int argc = 1;
    char* argv[] = {Program, nullptr};
    QApplication app(argc, argv);
    TQtHostScope host;
    TDesignRegistry registry;
    RegisterDesignTools(registry);
    TEditorWindow window(registry);
    if (!Args.File.empty())
        window.Document().Open(Args.File);
    window.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    return RunProgram("nyxedit", [&] {
        const TArgs args = Parse(argc, argv);
        if (args.Help) {
            std::cout << Usage;
            return 0;
        }
        return Run(args, argv[0]);
    });
}
