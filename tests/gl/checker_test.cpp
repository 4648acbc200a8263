// The checking table every drawing test runs under: it names the call that made an
// error, waits for glEnd before asking, and finds frames that end unbalanced.
#include "testing/glchecker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "gl/wgl.h"
#include "rtl/sysutils.h"
#include "testing/glfaults.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

using namespace nyx;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// This program's main() installs one checker for the whole run.
class Checker : public ::testing::Test {
protected:
    Checker() : checker(*TGLChecker::Current()) {}
    // What the test left must not fail it: the problems were meant.
    ~Checker() override { checker.TakeProblems(); }

    test::TOffscreenGL gl{8, 8};
    TGLChecker& checker;
};

TEST_F(Checker, InvalidEnumNamesTheCall) {
    glEnable(0x1234);
    glMatrixMode(GL_MODELVIEW);  // fine: nothing more to report
    EXPECT_THAT(checker.TakeProblems(), ElementsAre("glEnable(0x1234): GL_INVALID_ENUM"));
    glPopMatrix();  // the modelview stack holds only the identity
    EXPECT_THAT(checker.TakeProblems(), ElementsAre("glPopMatrix(): GL_STACK_UNDERFLOW"));
}

TEST_F(Checker, AsksOnlyOutsideBeginEnd) {
    glBegin(GL_LINES);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 1, 0);
    glEnd();
    EXPECT_THAT(checker.TakeProblems(), IsEmpty());
    // An error inside the pair shows up once it is closed.
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 0);
    glEnable(GL_LIGHTING);
    glEnd();
    EXPECT_THAT(checker.TakeProblems(), ElementsAre("glEnd(): GL_INVALID_OPERATION"));
}

// An error a test raises on purpose is found after the call it chose, and only there.
TEST_F(Checker, RaisedErrorNamesTheChosenCall) {
    TGLFaults faults;
    faults.RaiseError("glEndList", GL_OUT_OF_MEMORY, 2);
    const GLuint list = glGenLists(1);
    for (int i = 0; i < 3; ++i) {
        glNewList(list, GL_COMPILE);
        glEndList();
    }
    glDeleteLists(list, 1);
    EXPECT_THAT(checker.TakeProblems(), ElementsAre("glEndList(): GL_OUT_OF_MEMORY"));
    EXPECT_EQ(faults.Failed(), 1u);
}

TEST_F(Checker, RecorderAboveItLogsOnlyTheLibrarysCalls) {
    TGLRecorder recorder;
    glEnable(0x1234);
    EXPECT_THAT(recorder.Calls(), ElementsAre("glEnable(0x1234)"));
    EXPECT_THAT(checker.TakeProblems(), ElementsAre("glEnable(0x1234): GL_INVALID_ENUM"));
}

struct TFrameCase {
    const char* What;
    std::function<void()> Leave, Repair;
    const char* Expected;
};

TEST_F(Checker, FramesEndAsTheyStarted) {
    GLuint selection[16];
    const TFrameCase cases[] = {
        {"modelview pushed", [] { glPushMatrix(); }, [] { glPopMatrix(); },
         "frame end at SwapBuffers: modelview stack depth 2, 1 at the start"},
        {"projection pushed",
         [] {
             glMatrixMode(GL_PROJECTION);
             glPushMatrix();
             glMatrixMode(GL_MODELVIEW);
         },
         [] {
             glMatrixMode(GL_PROJECTION);
             glPopMatrix();
             glMatrixMode(GL_MODELVIEW);
         },
         "frame end at SwapBuffers: projection stack depth 2, 1 at the start"},
        {"attributes pushed", [] { glPushAttrib(GL_ENABLE_BIT); }, [] { glPopAttrib(); },
         "frame end at SwapBuffers: attribute stack depth 1, 0 at the start"},
        {"display list open", [] { glNewList(glGenLists(1), GL_COMPILE); }, [] { glEndList(); },
         "frame end at SwapBuffers: display list 1 still open"},
        {"selection mode",
         [&] {
             glSelectBuffer(16, selection);
             glRenderMode(GL_SELECT);
         },
         [] { glRenderMode(GL_RENDER); }, "frame end at SwapBuffers: render mode GL_SELECT"},
    };
    for (const TFrameCase& c : cases) {
        SCOPED_TRACE(c.What);
        glClear(GL_COLOR_BUFFER_BIT);  // the frame starts here
        c.Leave();
        gl.Finish();
        EXPECT_THAT(checker.TakeProblems(), ElementsAre(c.Expected));
        // Each frame is held to its own start, so a frame that only pops is unbalanced
        // too; the one after the repair is clean again.
        c.Repair();
        gl.Finish();
        checker.TakeProblems();
        glClear(GL_COLOR_BUFFER_BIT);
        gl.Finish();
        EXPECT_THAT(checker.TakeProblems(), IsEmpty());
    }
}

TEST_F(Checker, OnlyOneAtATime) { EXPECT_THROW(TGLChecker second, EInvalidOperation); }

}  // namespace
