// nyxconv: converts scene files between the binary and the text form of the library's
// object streams, DXF drawings and the models of other 3D tools, and lists what a scene
// file holds. Links no Qt and
// needs no display.

#include "demo.h"
#include "scenefile.h"
#include "shell.h"

#include "objects/mesh.h"
#include "rtl/sysutils.h"
#include "scene/scene.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

using namespace nyx;

namespace {

const char* const Usage =
    "usage: nyxconv IN OUT\n"
    "       nyxconv --check IN\n"
    "       nyxconv --demo OUT\n"
    "\n"
    "Converts a scene file from one form to another: the two forms of the library's\n"
    "object streams, DXF drawings (ASCII) and models of other 3D tools, each way it can\n"
    "express. The form of IN is read from its contents (a model from its extension: OBJ,\n"
    "STL, PLY, glTF, 3DS, COLLADA, FBX and every other format Assimp reads); the form of\n"
    "OUT follows its extension:\n"
    "\n"
    "  .nyx     binary: compact, quick to load\n"
    "  .nyxt    text: one line per property, for reading, editing and comparing\n"
    "  .dxf     DXF drawing: each layer an object below the scene, holding the layer's\n"
    "           entities; a scene written as a drawing has its objects as layers.\n"
    "           Blocks, inserts, dimensions, multi-line texts, hatches, solids,\n"
    "           ellipses and splines are read too; a binary DXF file is refused\n"
    "  .obj .stl .ply .gltf .glb\n"
    "           model: the meshes of the scene with their materials (other objects\n"
    "           are left out); a model read is a group holding its meshes\n"
    "\n"
    "IN is loaded and checked first. OUT is written under a temporary name and takes its\n"
    "place only when complete: a failed conversion leaves no OUT, or the old OUT as it was.\n"
    "\n"
    "  --check IN   load IN (a scene file, a drawing or a model) and list how many\n"
    "               objects of each class it holds, and each mesh with its vertex and\n"
    "               triangle counts\n"
    "  --demo OUT   write the built-in demo scene (the one nyxview shows without a file)\n"
    "  --help       show this text\n"
    "\n"
    "Reading a file larger than 10 MB shows how far it is on standard error, when that is\n"
    "a terminal.\n"
    "\n"
    "Errors are reported in one line on standard error, with exit status 1; an error in a\n"
    "drawing names the line it was found at.\n";

// The share of a long load read so far, on one line of standard error that each report
// rewrites, when standard error is a terminal and the input is larger than 10 MB.
class TPercentLine {
public:
    explicit TPercentLine(const std::string& File) : FFile(File) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(File, ec);
        FShown = !ec && size > 10'000'000 && isatty(STDERR_FILENO);
    }
    // A load cut short ends the line for the error that follows.
    ~TPercentLine() {
        if (FLast >= 0 && !FEnded)
            std::cerr << "\n";
    }
    TPercentLine(const TPercentLine&) = delete;
    TPercentLine& operator=(const TPercentLine&) = delete;

    TProgressEvent Event() {
        return FShown ? TProgressEvent::Bind<&TPercentLine::Report>(this) : TProgressEvent();
    }

private:
    void Report(TObject*, std::int64_t Done, std::int64_t Total) {
        const std::int64_t percent = Total > 0 ? Done * 100 / Total : 100;
        if (percent == FLast)
            return;
        FLast = percent;
        FEnded = Done == Total;
        std::cerr << "\rnyxconv: reading " << FFile << ": " << percent << "%"
                  << (FEnded ? "\n" : "") << std::flush;
    }

    std::string FFile;
    bool FShown;
    std::int64_t FLast = -1;
    bool FEnded = false;
};

// Loads File into a scene owned by Owner: the check every conversion starts with.
TNyxScene* Load(TComponent& Owner, const std::string& File) {
    auto* scene = new TNyxScene(&Owner);
    TPercentLine progress(File);
    LoadSceneFile(*scene, File, progress.Event());
    return scene;
}

void Check(const std::string& File) {
    TComponent owner(nullptr);
    const TNyxScene* scene = Load(owner, File);
    std::vector<TNyxObject*> objects;
    scene->ListChildren(objects);
    std::map<std::string, int> counts;
    for (const TNyxObject* o : objects)
        ++counts[o->ClassName()];
    std::cout << File << ": " << FormName(FormOfContents(File)) << " scene, " << objects.size()
              << (objects.size() == 1 ? " object" : " objects") << "\n";
    for (const auto& [name, count] : counts)
        std::cout << "  " << name << " " << count << "\n";
    for (const TNyxObject* o : objects)
        if (const auto* mesh = dynamic_cast<const TNyxMesh*>(o))
            std::cout << "  mesh \"" << mesh->Ident() << "\": " << mesh->VertexCount()
                      << " vertices, " << mesh->TriangleCount() << " triangles\n";
}

TSceneFileForm OutputForm(const std::string& Out) {
    const std::optional<TSceneFileForm> form = FormOfName(Out);
    if (!form)
        throw TBadArgument{"OUT \"" + Out +
                           "\": give a name ending in .nyx (binary), .nyxt (text), .dxf "
                           "(drawing) or .obj, .stl, .ply, .gltf, .glb (model)"};
    return *form;
}

void WriteDemo(const std::string& Out) {
    const TSceneFileForm form = OutputForm(Out);
    TComponent owner(nullptr);
    SaveSceneFile(*BuildDemoScene(&owner).Scene, Out, form);
}

void Convert(const std::string& In, const std::string& Out) {
    const TSceneFileForm form = OutputForm(Out);
    // A conversion with a drawing or a model on either side loads IN as its first step.
    const TSceneFileForm in = FormOfContents(In);
    if (form != TSceneFileForm::Dxf && form != TSceneFileForm::Model && in != TSceneFileForm::Dxf &&
        in != TSceneFileForm::Model) {
        TComponent owner(nullptr);
        Load(owner, In);
        ConvertSceneFile(In, Out, form);
        return;
    }
    TPercentLine progress(In);
    ConvertSceneFile(In, Out, form, progress.Event());
}

int Run(const std::vector<std::string>& Args) {
    if (Args.size() == 1 && (Args[0] == "--help" || Args[0] == "-h")) {
        std::cout << Usage;
        return 0;
    }
    if (!Args.empty() && Args[0] == "--check") {
        if (Args.size() != 2)
            throw TBadArgument{"--check takes one file: nyxconv --check IN"};
        Check(Args[1]);
        return 0;
    }
    if (!Args.empty() && Args[0] == "--demo") {
        if (Args.size() != 2)
            throw TBadArgument{"--demo takes one file: nyxconv --demo OUT"};
        WriteDemo(Args[1]);
        return 0;
    }
    for (const std::string& a : Args)
        if (a.size() > 1 && a[0] == '-')
            throw TBadArgument{"unknown option " + a + " (see --help)"};
    if (Args.size() != 2)
        throw TBadArgument{"give IN and OUT: nyxconv IN OUT (see --help)"};
    Convert(Args[0], Args[1]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return RunProgram("nyxconv",
                      [&] { return Run(std::vector<std::string>(argv + 1, argv + argc)); });
}
