#pragma once
// The library as a whole: its units start in a fixed order when libnyx is loaded and stop
// in reverse order when it is unloaded.
//
//   NyxOpenGL     masks floating-point exceptions
//   NyxGeom       nothing
//   NyxJitter     nothing
//   NyxObjects    registers the primitive classes          (objects/startup.h)
//   NyxClasses    registers the core classes, allocates the shadow-volume work buffer;
//                 at stop reports scene objects never freed (scene/startup.h)
//   NyxClassesEd  nothing (the design-time tools)
//   NyxFiles      nothing (the DXF converter; dxf/startup.h)
//
// Each unit counts its own starts, so its start and its stop run once however often it
// is asked.

#include "rtl/designintf.h"

#include <vector>

namespace nyx {

// Starts every unit in order unless the library is started already. The library does it
// itself when it is loaded; a program that links the units in some other way calls it
// before it uses any class. Calling it again does nothing.
void NyxStartup();
// Stops the units in reverse order when the library is started; runs by itself when the
// library is unloaded. Calling it again does nothing; NyxStartup starts it afresh.
void NyxShutdown();
bool NyxStarted();

// The designer registrations of the units that have one, in unit order; the Register
// operations a form designer calls after loading the library.
std::vector<const TDesignRegistration*> NyxDesignRegistrations();

}  // namespace nyx
