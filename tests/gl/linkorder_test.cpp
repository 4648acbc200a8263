// A program that links libOpenGL itself, as Qt programs do, must still draw into
// off-screen contexts: the library's own GL calls and GLU's calls into GL alike.
#include <gtest/gtest.h>

#include "testing/offscreen.h"

using namespace nyx;

namespace {

TEST(LinkOrder, OffscreenContextGetsEveryCall) {
    test::TOffscreenGL gl(8, 8);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90, 1, 1, 3);  // GLU's glMultMatrixd
    GLdouble m[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_DOUBLE_EQ(m[0], 1.0);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gl.Finish();
    EXPECT_EQ(gl.Surface().At(3, 3), 0xFFFF0000u);
}

}  // namespace
