// Must not compile: glVertex2f is an OpenGL function the library does not use.
#include "gl/opengl.h"

namespace nyx {
void DrawUnlisted() { glVertex2f(0, 0); }
}  // namespace nyx
