// nyxview: shows a scene file or a DXF drawing, or the demo scene, in a window, renders
// it off-screen into a PNG, or prints it onto one PDF page.
//
// The --png path creates no Qt application at all, so it runs with no display and no Qt
// platform plug-in. Printing uses Qt's off-screen platform, so it needs no display either.
//
// Sections: arguments - off-screen image - Qt application and printing - window - main.

#include "demo.h"
#include "display.h"
#include "fileview.h"
#include "shell.h"
#include "viewerwindow.h"

#include "qt/host.h"
#include "qt/panelwidget.h"
#include "qt/printer.h"
#include "rtl/graphics.h"
#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"

#include <QApplication>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

using namespace nyx;

namespace {

// --- Arguments ---------------------------------------------------------------------------

const char* const Usage =
    "usage: nyxview [FILE] [--png OUT.png [--size WxH]] [--print OUT.pdf] [--help]\n"
    "\n"
    "Shows the scene that FILE holds: a scene file in binary or text form, a DXF\n"
    "drawing (ASCII; its layers and their entities), told apart by their contents\n"
    "whatever the name, or a model of another 3D tool (OBJ, STL, PLY, glTF, 3DS,\n"
    "COLLADA, FBX and every other format Assimp reads), told by its extension. The\n"
    "scene is seen through its first camera, or from a camera that frames the whole\n"
    "scene when it has none; a light is added when it has none. An error in a drawing\n"
    "is reported with the line it was found at.\n"
    "Without FILE it shows the built-in demo scene: lit solids on a floor, a\n"
    "checker-textured box and shadows. Without --png or --print it opens a window (an X\n"
    "display is needed).\n"
    "\n"
    "  --png OUT.png    render off-screen into a PNG file; needs no display\n"
    "  --size WxH       size of the PNG in pixels, 1 to 8192 each (default 800x600)\n"
    "  --print OUT.pdf  print the view onto one landscape PDF page; needs no display\n"
    "  --help           show this text\n"
    "\n"
    "In the window (menus, docks and status bar; every command has a tool tip):\n"
    "  left drag             orbit round the target\n"
    "  right drag            move the view sideways and up or down\n"
    "  wheel                 move towards or away from the point under the cursor\n"
    "  double click          orbit about the point clicked from then on\n"
    "  middle click          select what lies under the cursor (the floor behind an\n"
    "                        object too), deselecting the rest\n"
    "  Ctrl+middle click     the same, keeping the rest: what is picked again leaves\n"
    "  middle drag           select what lies inside the rectangle; Ctrl keeps the rest\n"
    "  Shift+middle drag     invert the selection inside the rectangle\n"
    "  1 2 3 4               look from the top (plan), the front, the right, or\n"
    "                        from the front right and above (isometric)\n"
    "  5                     switch to a narrow view from afar (nearly no perspective)\n"
    "                        and back\n"
    "  R                     back to the starting view\n"
    "  F                     frame the whole scene\n"
    "  Ctrl+O                open a scene file or a drawing (or drop one on the window)\n"
    "  Ctrl+Shift+S          save the scene as a scene file (.nyxt, .nyx) or a drawing\n"
    "                        (.dxf); layers hidden in the Layers dock stay hidden\n"
    "  Ctrl+E                export the view as a PNG picture of a chosen size\n"
    "  Ctrl+P                print the view\n"
    "  Ctrl+Q, Q or Esc      quit\n"
    "  Esc                   while a file loads: cancel the loading\n"
    "The Layers dock shows and hides a drawing's layers (the scene's top-level\n"
    "groups), and Save As keeps what it hid; the Scene dock lists the objects and\n"
    "selects with the view; the status bar tells the objects and triangles drawn, the\n"
    "last frame's time, the selection and the world position under the cursor.\n";

constexpr int MaxSide = 8192;

struct TArgs {
    std::string File;
    std::string Png;
    int Width = 800;
    int Height = 600;
    bool SizeGiven = false;
    std::string Pdf;
    bool Help = false;
};

TBadArgument BadSize(const std::string& Given) {
    return TBadArgument{"--size \"" + Given +
                        "\": give WIDTHxHEIGHT, each a whole number from 1 to " +
                        std::to_string(MaxSide) + ", for example 800x600"};
}

int ParseSide(std::string_view Text, const std::string& Whole) {
    int v = 0;
    const char* end = Text.data() + Text.size();
    const auto [stop, ec] = std::from_chars(Text.data(), end, v);
    if (Text.empty() || ec != std::errc() || stop != end || v < 1 || v > MaxSide)
        throw BadSize(Whole);
    return v;
}

TArgs Parse(int argc, char** argv) {
    TArgs a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                throw TBadArgument{arg + " needs a value (see --help)"};
            return argv[++i];
        };
        auto once = [&](const std::string& Current) {
            if (!Current.empty())
                throw TBadArgument{arg + " is given twice; give it once"};
        };
        if (arg == "--help" || arg == "-h") {
            a.Help = true;
        } else if (arg == "--png") {
            once(a.Png);
            a.Png = value();
        } else if (arg == "--print") {
            once(a.Pdf);
            a.Pdf = value();
        } else if (arg == "--size") {
            if (a.SizeGiven)
                throw TBadArgument{"--size is given twice; give it once"};
            const std::string size = value();
            const auto x = size.find('x');
            if (x == std::string::npos)
                throw BadSize(size);
            a.Width = ParseSide(std::string_view(size).substr(0, x), size);
            a.Height = ParseSide(std::string_view(size).substr(x + 1), size);
            a.SizeGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw TBadArgument{"unknown option " + arg + " (see --help)"};
        } else {
            if (!a.File.empty())
                throw TBadArgument{"give one FILE; \"" + a.File + "\" and \"" + arg + "\" are two"};
            a.File = arg;
        }
    }
    if (!a.Png.empty()) {
        std::string ext = std::filesystem::path(a.Png).extension().string();
        for (char& c : ext)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (ext != ".png")
            throw TBadArgument{"--png \"" + a.Png + "\": give a file name ending in .png"};
    }
    if (a.SizeGiven && a.Png.empty())
        throw TBadArgument{"--size sets the size of the --png image; give --png OUT.png too"};
    return a;
}

// Fails before any work when Path cannot be written; leaves no file behind.
void CheckWritable(const std::string& Path, const char* Option) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(Path, ec);
    {
        std::ofstream probe(Path, std::ios::binary | std::ios::app);
        if (!probe)
            throw TBadArgument{std::string(Option) + " \"" + Path +
                               "\": cannot write there; choose a path in a writable folder"};
    }
    if (!existed)
        std::filesystem::remove(Path, ec);
}

// --- Off-screen image --------------------------------------------------------------------

// The scene to show, the demo or a file's, and a panel that looks at it. Aspect is the
// view's width over its height, for a camera that has to frame a file's scene.
struct TView {
    TView(const std::string& File, double Aspect) {
        Camera =
            File.empty() ? BuildDemoScene(&Root).Camera : LoadFileScene(&Root, File, Aspect).Camera;
        Camera->Scene()->SetCacheGeometry(true);  // a viewer's scene changes little per frame
        Camera->Scene()->SetCullGeometry(true);   // and is often seen in part
        Panel->SetCamera(Camera);
    }
    TComponent Root{nullptr};
    TNyxPanel* Panel = new TNyxPanel(&Root);
    TNyxCamera* Camera = nullptr;
};

void RenderPng(const TArgs& Args) {
    TView view(Args.File, double(Args.Width) / Args.Height);
    TBitmap image(Args.Width, Args.Height);
    view.Panel->RenderToCanvas(image.Canvas(), Args.Width, Args.Height, false);
    image.SaveToFile(Args.Png);
}

// --- Qt application and printing --------------------------------------------------------

// Runs Body(app) in a Qt application on the given platform plug-in, with the Qt host
// current.
template <class TBody>
int WithQt(const char* Platform, char* Program, TBody&& Body) {
    setenv("QT_QPA_PLATFORM", Platform, 1);
    int argc = 1;
    char* argv[] = {Program, nullptr};
    QApplication app(argc, argv);
    TQtHostScope host;
    return Body(app);
}

void PrintPdf(const TArgs& Args, char* Program) {
    // The page is rendered off-screen; no display is needed or used.
    WithQt("offscreen", Program, [&](QApplication&) {
        TQtPrinter printer;
        printer.Printer().setOutputFormat(QPrinter::PdfFormat);
        printer.Printer().setOutputFileName(QString::fromStdString(Args.Pdf));
        printer.Printer().setPageOrientation(QPageLayout::Landscape);
        TView view(Args.File, double(printer.PageWidth()) / printer.PageHeight());
        view.Panel->Print(printer);
        return 0;
    });
}

// --- Window ------------------------------------------------------------------------------

int ShowWindow(const TArgs& Args, char* Program) {
    const std::string problem = XDisplayProblem();
    if (!problem.empty())
        throw TBadArgument{problem + "; use --png OUT.png to render into an image instead"};
    // The panel draws on a GLX window, which needs Qt's X11 platform.
    return WithQt("xcb", Program, [&](QApplication& app) {
        TViewerWindow window;
        window.show();
        window.PanelWidget().setFocus();
        // Opened once shown: the progress of a big file shows over the window, and a
        // drawing is framed for the window's own size.
        window.Open(Args.File);
        return app.exec();
    });
}

}  // namespace

// --- Main --------------------------------------------------------------------------------

int main(int argc, char** argv) {
    return RunProgram("nyxview", [&] {
        const TArgs args = Parse(argc, argv);
        if (args.Help) {
            std::cout << Usage;
            return 0;
        }
        if (!args.Png.empty())
            CheckWritable(args.Png, "--png");
        if (!args.Pdf.empty())
            CheckWritable(args.Pdf, "--print");
        if (!args.Png.empty())
            RenderPng(args);
        if (!args.Pdf.empty())
            PrintPdf(args, argv[0]);
        if (args.Png.empty() && args.Pdf.empty())
            return ShowWindow(args, argv[0]);
        return 0;
    });
}
