// DXF drawings from arbitrary bytes, loaded into a root that already has children with
// and without clearing them first, mostly with the extended entities read: every input
// ends in success or EDXFReadException, with the root's update bracket ended and the
// objects read so far in the tree.
#include "dxf/converter.h"
#include "objects/lines.h"
#include "scene/proxy.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace nyx;

namespace {

const std::string& FilePath() {
    static const std::string path =
        "/tmp/nyx_dxf_fuzz_" + std::to_string(long(::getpid())) + ".dxf";
    return path;
}

void Check(bool Condition, const char* What) {
    if (!Condition) {
        std::fprintf(stderr, "dxf_fuzz: %s\n", What);
        std::abort();
    }
}

}  // namespace

// Texts are measured through fontconfig, which keeps its configuration for the life of
// the process: not a leak of the converter's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(FilePath().c_str(), "wb");
    Check(f != nullptr, "cannot write the input file");
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    TNyxObject root(nullptr);
    auto* layer = new TNyxActor(&root);
    layer->SetIdent("0");
    layer->SetParentComponent(&root);
    auto* line = new TNyxLine(&root);
    line->SetParentComponent(layer);

    TDXFConverter converter(nullptr);
    converter.SetRoot(&root);
    converter.SetFileName(FilePath());
    converter.SetClearBeforRead(size % 2 == 0);
    converter.SetCreateLayersIfNotExists(size % 3 != 0);
    converter.SetReadExtendedEntities(size % 5 != 0);
    try {
        converter.LoadFromFile();
    } catch (const EDXFReadException&) {}
    Check(root.UpdateCount() == 0, "the root's update bracket is still open");
    for (TNyxObject* child : root.Items())
        Check(child->Parent() == &root && child->UpdateCount() == 0,
              "a layer is left inside its bracket");
    converter.SetRoot(nullptr);
    return 0;
}
