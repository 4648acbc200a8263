#pragma once
// The unit NyxClasses at start and stop: the core classes that streams create by name,
// the shadow-volume work buffer, the report of scene objects never freed, and the
// unit's designer registration.
//
// The scene, the panel and the material library are not put into the class registry:
// an application places them itself.

#include "rtl/designintf.h"

#include <vector>

namespace nyx {

class TMetaClass;

// The core classes entered into the class registry at start, in that order.
const std::vector<const TMetaClass*>& NyxClassesClasses();

// Counted: the first start registers the classes and allocates the shadow-volume work
// buffer; the matching last stop frees the buffer, reports scene objects still alive
// ("There is Nyx-Objects leek (n)" through the host's message box), frees the first
// open scene tree editor form and unregisters the classes. A stop without a start does nothing.
void InitializeNyxClasses();
void FinalizeNyxClasses();

// Palette page "OpenGL": panel, scene and material library; the classes above without
// icons; the vertex editor for properties named P and the scene's object editor.
const TDesignRegistration& NyxClassesRegistration();

}  // namespace nyx
