// Scene files from arbitrary bytes, loaded through LoadFromFile and LoadFromTextFile into
// a scene that has children: afterwards the scene is as it was (the file was refused
// before anything was freed) or holds a well-formed tree, the scene keeps its name, its
// update bracket is closed, and freeing it frees every object the load made.

#include "objects/box.h"
#include "objects/quadrics.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/camera.h"
#include "scene/scene.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

using namespace nyx;

namespace {

void Require(bool Condition, const char* What) {
    if (!Condition) {
        std::fprintf(stderr, "scene_load_fuzz: %s\n", What);
        std::abort();
    }
}

// One file per process, rewritten for every input.
const std::string& InputFile() {
    static const std::string name = [] {
        char pattern[] = "/tmp/nyx_scene_load_fuzz_XXXXXX";
        const int fd = mkstemp(pattern);
        Require(fd >= 0, "cannot make a temporary file");
        close(fd);
        return std::string(pattern);
    }();
    return name;
}

std::string TextOf(TNyxObject* Object) {
    TMemoryStream binary, text;
    binary.WriteComponent(Object);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), std::size_t(text.Size()));
}

void CheckTree(const TNyxObject* Node, std::set<const TNyxObject*>& Seen) {
    for (const TNyxObject* child : Node->Items()) {
        Require(child->Parent() == Node, "a child does not know its parent");
        Require(Seen.insert(child).second, "an object is in the tree twice");
        Require(child->Owner() != nullptr, "an object read has no owner to free it");
        CheckTree(child, Seen);
    }
}

struct TRemovals {
    int Count = 0;
    void Heard(TNyxObject*, TNyxObjectAction Action, void*) { Count += Action == saRemove; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        FILE* f = std::fopen(InputFile().c_str(), "wb");
        Require(f && std::fwrite(data, 1, size, f) == size && std::fclose(f) == 0,
                "cannot write the input file");
    }
    const std::int32_t live = LiveObjectCount;
    for (auto load : {&TNyxObject::LoadFromFile, &TNyxObject::LoadFromTextFile}) {
        {
            TComponent form(nullptr);
            auto* scene = new TNyxScene(&form);
            scene->SetName("Target");
            auto* box = new TNyxBox(&form);
            box->SetName("Box1");
            box->SetParentComponent(scene);
            (new TNyxSphere(&form))->SetParentComponent(box);
            (new TNyxCamera(&form))->SetParentComponent(scene);
            const std::string before = TextOf(scene);
            TRemovals removals;
            const auto listener = TNyxObjectNotify::Bind<&TRemovals::Heard>(&removals);
            scene->RegisterNotify(listener);
            bool failed = false;
            try {
                (scene->*load)(InputFile());
            } catch (const Exception&) {
                failed = true;
            }
            scene->UnregisterNotify(listener);
            if (failed && removals.Count == 0)
                Require(TextOf(scene) == before, "a refused file changed the scene");
            std::set<const TNyxObject*> seen;
            CheckTree(scene, seen);
            Require(scene->Name() == "Target", "the scene lost its name");
            Require(scene->UpdateCount() == 0, "the update bracket stayed open");
        }
        Require(LiveObjectCount == live, "objects outlived the form that owns the scene");
    }
    return 0;
}
