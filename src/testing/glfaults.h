#pragma once
// A dispatch table for tests that makes OpenGL and the window system fail on purpose, so
// that the branches handling exhaustion and refusal are run. While a TGLFaults lives,
// every call is forwarded to the table that was active before, except the ones it is told
// to fail:
// - ExhaustLists: glGenLists answers 0 (no list names left) without asking the library;
// - RefusePixelFormats: SetPixelFormat answers false and sets nothing;
// - RefuseContexts: wglCreateContext answers null and creates nothing;
// - RaiseError: a chosen call leaves a chosen GL error behind. The library never asks for
//   errors; the GL checker (testing/glchecker.h) finds it after that call, as it finds
//   the real library's errors, and names the call.
//
//   TGLFaults faults;
//   faults.ExhaustLists();   // every glGenLists from now on answers 0
//   ... draw: what happens when no list name is left ...
//   faults.ExhaustLists(false);

#include <cstddef>
#include <string>
#include <vector>

#include "gl/opengl.h"

namespace nyx {

class TGLFaults {
public:
    // Installs the table, failing nothing yet. Only one may be installed at a time:
    // EInvalidOperation otherwise.
    TGLFaults();
    ~TGLFaults();
    TGLFaults(const TGLFaults&) = delete;
    TGLFaults& operator=(const TGLFaults&) = delete;

    // From now on glGenLists answers 0, after Spared more calls that still get names
    // (to reach a second glGenLists behind a first that succeeds). False: names again.
    void ExhaustLists(bool Value = true, std::size_t Spared = 0);
    void RefusePixelFormats(bool Value = true) { FRefusePixelFormats = Value; }
    void RefuseContexts(bool Value = true) { FRefuseContexts = Value; }
    // The Occurrence-th call of the entry point Call from now on (1: the next one)
    // leaves Error behind, once.
    void RaiseError(std::string Call, GLenum Error, std::size_t Occurrence = 1);

    // How many calls were failed so far (refused, answered 0, or given an error).
    std::size_t Failed() const { return FFailed; }

    // Used by the failing table.
    const TGLDispatch& Next() const { return *FNext; }
    void BeforeCall(const char* Name);
    bool FailGenLists();
    bool FailPixelFormat() { return Count(FRefusePixelFormats); }
    bool FailContext() { return Count(FRefuseContexts); }

private:
    bool Count(bool Failing) {
        FFailed += Failing;
        return Failing;
    }

    const TGLDispatch* FNext;
    bool FExhaustLists = false;
    std::size_t FSpared = 0;
    bool FRefusePixelFormats = false;
    bool FRefuseContexts = false;
    std::string FErrorCall;
    GLenum FError = 0;
    std::size_t FErrorCountdown = 0;
    std::size_t FFailed = 0;
};

namespace detail {
// The errors the failing table raised and no one has taken yet, oldest first; taken by
// the checker with the real library's errors.
std::vector<GLenum> TakeRaisedGLErrors();
}  // namespace detail

}  // namespace nyx
