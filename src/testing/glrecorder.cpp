// The recording table: one logging forwarder per entry point of gl/glapi.h.

#include "testing/glrecorder.h"

#include "gl/wgl.h"
#include "rtl/sysutils.h"
#include "testing/detail/glprinters.h"

namespace nyx {
namespace {

using namespace detail::print;

TGLRecorder* Installed = nullptr;

const TGLDispatch& Next() { return Installed->Next(); }

#define NYX_GL_RECORD(Return, Name, Parameters, Arguments, Printed)                                \
    .Name = [] Parameters -> Return {                                                              \
        Installed->Add(CallText(#Name) Printed);                                                   \
        return Next().Name Arguments;                                                              \
    },
// The window-system layer draws through the binding itself (the font calls compile
// lists): what it does is logged under the call, indented. GLU's callbacks are the
// caller's own code and stay at its level.
struct TNested {
    TNested() { Installed->Enter(); }
    ~TNested() { Installed->Leave(); }
    TNested(const TNested&) = delete;
    TNested& operator=(const TNested&) = delete;
};
#define NYX_WGL_RECORD(Return, Name, Parameters, Arguments, Printed)                               \
    .Name = [] Parameters -> Return {                                                              \
        Installed->Add(CallText(#Name) Printed);                                                   \
        const TNested nested;                                                                      \
        return Next().Name Arguments;                                                              \
    },
// clang-format off
constexpr TGLDispatch RecordingGL{
    NYX_GL_ENTRY_POINTS(NYX_GL_RECORD)
    NYX_GLU_ENTRY_POINTS(NYX_GL_RECORD)
    NYX_WGL_ENTRY_POINTS(NYX_WGL_RECORD)
};
// clang-format on
#undef NYX_WGL_RECORD
#undef NYX_GL_RECORD

}  // namespace

TGLRecorder::TGLRecorder() : FNext(&ActiveGLDispatch()) {
    if (Installed)
        throw EInvalidOperation("TGLRecorder: a recorder is already installed; destroy it "
                                "before installing another");
    Installed = this;
    SetGLDispatch(&RecordingGL);
}

TGLRecorder::~TGLRecorder() {
    SetGLDispatch(FNext);
    Installed = nullptr;
}

std::vector<std::string> TGLRecorder::Calls(std::initializer_list<std::string_view> names) const {
    std::vector<std::string> result;
    for (const std::string& call : FCalls) {
        const std::string_view name = std::string_view(call).substr(0, call.find('('));
        for (std::string_view wanted : names) {
            if (name == wanted) {
                result.push_back(call);
                break;
            }
        }
    }
    return result;
}

}  // namespace nyx
