// Compiles: every call here is in the binding.
#include "gl/opengl.h"

namespace nyx {
void DrawListed() {
    glBegin(GL_QUADS);
    glVertex3f(0, 0, 0);
    glEnd();
    gluPerspective(45, 1, 1, 10);
}
}  // namespace nyx
