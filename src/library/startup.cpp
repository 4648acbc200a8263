#include "library/startup.h"

#include "dxf/startup.h"
#include "gl/jitter.h"
#include "gl/opengl.h"
#include "objects/startup.h"
#include "scene/startup.h"

#include <iterator>

namespace nyx {

namespace {

struct TUnit {
    void (*Start)();  // none: the unit has nothing to do
    void (*Stop)();
};

constexpr TUnit Units[] = {
    {&InitializeNyxOpenGL, &FinalizeNyxOpenGL},    // NyxOpenGL
    {nullptr, nullptr},                            // NyxGeom
    {&InitializeNyxJitter, &FinalizeNyxJitter},    // NyxJitter
    {&InitializeNyxObjects, &FinalizeNyxObjects},  // NyxObjects
    {&InitializeNyxClasses, &FinalizeNyxClasses},  // NyxClasses
    {nullptr, nullptr},                            // NyxClassesEd
    {nullptr, nullptr},                            // NyxFiles
};

bool Started = false;

// The library's own start and stop, at load and unload. What the start builds (the class
// registry, the class information, the shadow buffer) is made while this object is being
// constructed, so it is destroyed only after this object has stopped the units.
struct TLibraryLoad {
    TLibraryLoad() { NyxStartup(); }
    ~TLibraryLoad() { NyxShutdown(); }
    TLibraryLoad(const TLibraryLoad&) = delete;
    TLibraryLoad& operator=(const TLibraryLoad&) = delete;
};

const TLibraryLoad LibraryLoad;

}  // namespace

void NyxStartup() {
    if (Started)
        return;
    Started = true;
    for (const TUnit& unit : Units)
        if (unit.Start)
            unit.Start();
}

void NyxShutdown() {
    if (!Started)
        return;
    Started = false;
    for (auto unit = std::rbegin(Units); unit != std::rend(Units); ++unit)
        if (unit->Stop)
            unit->Stop();
}

bool NyxStarted() { return Started; }

std::vector<const TDesignRegistration*> NyxDesignRegistrations() {
    return {&NyxObjectsRegistration(), &NyxClassesRegistration(), &NyxFilesRegistration()};
}

}  // namespace nyx
