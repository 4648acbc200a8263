#pragma once
// Keeps Mesa's GLX driver loaded for a program's leak check.

#include <dlfcn.h>
#include <link.h>

#include <string>

namespace nyx::test {

// Mesa's GLX driver leaks while it loads and in its selection and feedback paths, and it
// is unloaded when the X connection closes; its frames would then belong to no library
// (or to whichever was mapped there before) and escape the suppressions by name. Pinned,
// the driver stays until the leak check names it.
inline void KeepGLDriverLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* Info, size_t, void*) {
            const std::string name = Info->dlpi_name ? Info->dlpi_name : "";
            if (name.find("_dri.so") != std::string::npos ||
                name.find("libgallium") != std::string::npos)
                dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace nyx::test
