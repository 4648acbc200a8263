#include "dxf/startup.h"

#include "dxf/converter.h"

namespace nyx {

const TDesignRegistration& NyxFilesRegistration() {
    static const TDesignRegistration registration{
        .Unit = "NyxFiles",
        .PalettePage = "OpenGL",
        .Components = {&TDXFConverter::StaticClass()},
        .PropertyEditors = {{"TFileName", &TDXFConverter::StaticClass(), "FileName",
                             "TDXFFilenameProperty"}},
    };
    return registration;
}

}  // namespace nyx
