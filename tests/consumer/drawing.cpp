// An application's test of its own drawing with the installed test helpers: the calls it
// makes are recorded, and its pixels land on an off-screen surface.
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace nyx;

namespace {

void DrawGreen() {
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

int main() {
    test::TOffscreenGL gl(8, 6);
    TGLRecorder recorder;
    DrawGreen();
    gl.Finish();
    if (recorder.Calls({"glClear"}) != std::vector<std::string>{"glClear(GL_COLOR_BUFFER_BIT)"}) {
        std::fprintf(stderr, "the drawing's calls were not recorded\n");
        return 1;
    }
    if (gl.Surface().At(3, 2) != 0xFF00FF00u) {
        std::fprintf(stderr, "the drawing did not reach the surface\n");
        return 1;
    }
    return 0;
}
