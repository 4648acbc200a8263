#pragma once
// A dispatch table for tests: while a TGLRecorder lives, every OpenGL, GLU and
// window-system call of the library is logged as readable text and then forwarded to the
// table that was active before, so the drawing still happens.
//
// Log lines look like the call in source: "glAccum(GL_ACCUM, 0.5)",
// "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)", "glMultMatrixd({1, 0, ...})".
// Enumerants print by name, floats in their shortest exact form, arrays by value with the
// length the call reads, output buffers and opaque objects as "<out>", "<quadric>",
// "<tess>", "<dc>", "<rc>" and so on, null pointers as "null".
// Calls that the window-system layer makes itself while building font display lists are
// logged under the call that made them, indented by two spaces, so that filtering by
// name (Calls(names)) sees only the caller's own calls.

#include <string>
#include <string_view>
#include <vector>

#include "gl/opengl.h"

namespace nyx {

class TGLRecorder {
public:
    // Installs the recording table. Only one recorder may be installed at a time:
    // EInvalidOperation otherwise.
    TGLRecorder();
    ~TGLRecorder();
    TGLRecorder(const TGLRecorder&) = delete;
    TGLRecorder& operator=(const TGLRecorder&) = delete;

    const std::vector<std::string>& Calls() const { return FCalls; }
    // The calls whose function name is one of names, in order.
    std::vector<std::string> Calls(std::initializer_list<std::string_view> names) const;
    void Clear() { FCalls.clear(); }

    // Used by the recording table.
    void Add(std::string call) { FCalls.push_back(std::string(2 * FDepth, ' ') + std::move(call)); }
    const TGLDispatch& Next() const { return *FNext; }
    void Enter() { ++FDepth; }
    void Leave() { --FDepth; }

private:
    const TGLDispatch* FNext;
    std::vector<std::string> FCalls;
    std::size_t FDepth = 0;
};

// Text of one enumerant as the log shows it ("GL_QUADS"; hex when it has no name).
std::string GLEnumName(GLenum value);

}  // namespace nyx
