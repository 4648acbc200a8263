#pragma once
// A dispatch table for tests that finds OpenGL misuse as it happens. While a TGLChecker
// lives, every call of the library is forwarded to the table that was active before and
// then checked:
// - after each OpenGL or GLU call, the real glGetError (outside the binding: the library
//   itself never asks) until it answers GL_NO_ERROR; every error is kept with the call
//   that caused it, "glEnable(0x1234): GL_INVALID_ENUM", and those a failing table
//   (testing/glfaults.h) raised on purpose. Inside glBegin/glEnd, where
//   asking is itself an error, the question waits for glEnd;
// - at the end of each frame (SwapBuffers, or a context made current, released or
//   deleted) the modelview, projection and attribute stacks must be as deep as when the
//   frame's first call came, no display list may be open and the render mode must be
//   GL_RENDER again.
// With no context current nothing is asked: tests record call sequences that way.
//
// Install it below a TGLRecorder (first the checker, then the recorder): the checker
// asks the real library directly, so the recorder's log does not change.

#include <string>
#include <vector>

#include "gl/opengl.h"

namespace nyx {

class TGLChecker {
public:
    // Installs the checking table and forgets errors left from before. Only one checker
    // may be installed at a time: EInvalidOperation otherwise.
    TGLChecker();
    ~TGLChecker();
    TGLChecker(const TGLChecker&) = delete;
    TGLChecker& operator=(const TGLChecker&) = delete;

    // The checker installed now, if any.
    static TGLChecker* Current();

    // The problems found so far, oldest first.
    const std::vector<std::string>& Problems() const { return FProblems; }
    // Hands the problems over and starts a fresh list.
    std::vector<std::string> TakeProblems();
    // Ends the frame being drawn now (if a call has started one): for the end of a test,
    // whose context may still be current.
    void EndFrame(const char* Where);

    // Used by the checking table.
    const TGLDispatch& Next() const { return *FNext; }
    void BeforeCall(const char* Name);
    // The errors the call Name left.
    std::vector<GLenum> AfterCall(const char* Name);
    void Add(std::string Problem) { FProblems.push_back(std::move(Problem)); }

private:
    struct TDepths {
        GLint Modelview = 0;
        GLint Projection = 0;
        GLint Attrib = 0;
    };

    const TGLDispatch* FNext;
    std::vector<std::string> FProblems;
    bool FInBegin = false;
    bool FFrameOpen = false;
    TDepths FFrameStart;
};

// The text of an OpenGL error code ("GL_INVALID_ENUM").
std::string GLErrorName(GLenum Code);

}  // namespace nyx
