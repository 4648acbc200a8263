// The failing table: each entry point of gl/glapi.h forwards, except the calls a test
// asked to fail.

#include "testing/glfaults.h"

#include "gl/wgl.h"
#include "rtl/sysutils.h"

#include <utility>

namespace nyx {
namespace {

TGLFaults* Installed = nullptr;

const TGLDispatch& Next() { return Installed->Next(); }

std::vector<GLenum>& Raised() {
    static std::vector<GLenum> errors;
    return errors;
}

#define NYX_GL_FORWARD(Return, Name, Parameters, Arguments, Printed)                               \
    .Name = [] Parameters -> Return {                                                              \
        Installed->BeforeCall(#Name);                                                              \
        return Next().Name Arguments;                                                              \
    },
// clang-format off
constexpr TGLDispatch ForwardingGL{
    NYX_ALL_ENTRY_POINTS(NYX_GL_FORWARD)
};
// clang-format on
#undef NYX_GL_FORWARD

TGLDispatch MakeFailingGL() {
    TGLDispatch table = ForwardingGL;
    table.glGenLists = [](GLsizei range) -> GLuint {
        Installed->BeforeCall("glGenLists");
        return Installed->FailGenLists() ? 0 : Next().glGenLists(range);
    };
    table.SetPixelFormat = [](HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd) -> bool {
        Installed->BeforeCall("SetPixelFormat");
        return !Installed->FailPixelFormat() && Next().SetPixelFormat(dc, format, pfd);
    };
    table.wglCreateContext = [](HDC dc, HGLRC shareWith) -> HGLRC {
        Installed->BeforeCall("wglCreateContext");
        return Installed->FailContext() ? nullptr : Next().wglCreateContext(dc, shareWith);
    };
    return table;
}

const TGLDispatch& FailingGL() {
    static const TGLDispatch table = MakeFailingGL();
    return table;
}

}  // namespace

TGLFaults::TGLFaults() : FNext(&ActiveGLDispatch()) {
    if (Installed)
        throw EInvalidOperation("TGLFaults: a failing table is already installed; destroy it "
                                "before installing another");
    Installed = this;
    SetGLDispatch(&FailingGL());
}

TGLFaults::~TGLFaults() {
    SetGLDispatch(FNext);
    Installed = nullptr;
}

void TGLFaults::ExhaustLists(bool Value, std::size_t Spared) {
    FExhaustLists = Value;
    FSpared = Spared;
}

void TGLFaults::RaiseError(std::string Call, GLenum Error, std::size_t Occurrence) {
    FErrorCall = std::move(Call);
    FError = Error;
    FErrorCountdown = Occurrence;
}

void TGLFaults::BeforeCall(const char* Name) {
    // Raised before the call is forwarded, so that a checker below this table finds it
    // after this very call.
    if (FErrorCountdown == 0 || FErrorCall != Name || --FErrorCountdown > 0)
        return;
    Raised().push_back(FError);
    ++FFailed;
}

bool TGLFaults::FailGenLists() {
    if (!FExhaustLists)
        return false;
    if (FSpared > 0) {
        --FSpared;
        return false;
    }
    return Count(true);
}

namespace detail {

std::vector<GLenum> TakeRaisedGLErrors() {
    std::vector<GLenum> errors;
    errors.swap(Raised());
    return errors;
}

}  // namespace detail
}  // namespace nyx
