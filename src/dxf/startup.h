#pragma once
// The unit NyxFiles: nothing to do at start and stop (the DXF converter is a component
// an application places itself, not one streams create by name); its designer
// registration puts the converter on the palette page "OpenGL" with its file-name editor.

#include "rtl/designintf.h"

namespace nyx {

const TDesignRegistration& NyxFilesRegistration();

}  // namespace nyx
