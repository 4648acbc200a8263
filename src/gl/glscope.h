#pragma once
// Scoped OpenGL state for code that draws: each object makes its push (or switch) when it
// is constructed and undoes it when the scope ends, also when an exception from a hook or
// a callback leaves it, so the stacks, the render mode and the display list being
// compiled are as they were before the scope. Application callbacks that draw may use
// them too.
//
//   {
//       TGLMatrixScope matrix;                 // glPushMatrix ... glPopMatrix
//       TGLAttribScope attrib(GL_ENABLE_BIT);  // glPushAttrib ... glPopAttrib
//       ...
//   }

#include "gl/opengl.h"

namespace nyx {

// The stack of the current matrix mode; the mode must be the same again at the end.
class TGLMatrixScope {
public:
    TGLMatrixScope() { glPushMatrix(); }
    ~TGLMatrixScope() { glPopMatrix(); }
    TGLMatrixScope(const TGLMatrixScope&) = delete;
    TGLMatrixScope& operator=(const TGLMatrixScope&) = delete;
};

// The stack of Mode, selected at both ends; Mode stays selected after the push.
class TGLModeMatrixScope {
public:
    explicit TGLModeMatrixScope(GLenum Mode) : FMode(Mode) {
        glMatrixMode(Mode);
        glPushMatrix();
    }
    ~TGLModeMatrixScope() {
        glMatrixMode(FMode);
        glPopMatrix();
    }
    TGLModeMatrixScope(const TGLModeMatrixScope&) = delete;
    TGLModeMatrixScope& operator=(const TGLModeMatrixScope&) = delete;

private:
    GLenum FMode;
};

// Both matrix stacks, in the order picking fixes: projection pushed first and popped
// first, the modelview stack selected at both ends.
class TGLProjectionViewScope {
public:
    TGLProjectionViewScope() {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    ~TGLProjectionViewScope() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    TGLProjectionViewScope(const TGLProjectionViewScope&) = delete;
    TGLProjectionViewScope& operator=(const TGLProjectionViewScope&) = delete;
};

class TGLAttribScope {
public:
    explicit TGLAttribScope(GLbitfield Mask) { glPushAttrib(Mask); }
    ~TGLAttribScope() { glPopAttrib(); }
    TGLAttribScope(const TGLAttribScope&) = delete;
    TGLAttribScope& operator=(const TGLAttribScope&) = delete;
};

// A selection name on the name stack.
class TGLNameScope {
public:
    explicit TGLNameScope(GLuint Name) { glPushName(Name); }
    ~TGLNameScope() { glPopName(); }
    TGLNameScope(const TGLNameScope&) = delete;
    TGLNameScope& operator=(const TGLNameScope&) = delete;
};

// Selection or feedback mode (the buffer set beforehand); Finish returns to GL_RENDER and
// answers what that glRenderMode answers (hits, values, or -1 on overflow).
class TGLRenderModeScope {
public:
    explicit TGLRenderModeScope(GLenum Mode) { glRenderMode(Mode); }
    ~TGLRenderModeScope() {
        if (FOpen)
            glRenderMode(GL_RENDER);
    }
    TGLRenderModeScope(const TGLRenderModeScope&) = delete;
    TGLRenderModeScope& operator=(const TGLRenderModeScope&) = delete;

    GLint Finish() {
        FOpen = false;
        return glRenderMode(GL_RENDER);
    }

private:
    bool FOpen = true;
};

// A display list being compiled; closed at the end of the scope.
class TGLListScope {
public:
    TGLListScope(GLuint List, GLenum Mode) { glNewList(List, Mode); }
    ~TGLListScope() { glEndList(); }
    TGLListScope(const TGLListScope&) = delete;
    TGLListScope& operator=(const TGLListScope&) = delete;
};

}  // namespace nyx
