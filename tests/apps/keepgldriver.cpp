// Linked into a program that the tests run under a virtual X server as it is, with no
// test code of its own: every dlclose passes here first, so Mesa's GLX driver is pinned
// before the X connection's close can unload it (see gldriver.h).
#include "gldriver.h"

extern "C" int dlclose(void* Handle) {
    static const auto next = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_NEXT, "dlclose"));
    nyx::test::KeepGLDriverLoaded();
    return next(Handle);
}
