// The checking table: each entry point of gl/glapi.h forwards, then asks the real
// library whether the call went wrong.

#include "testing/glchecker.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <GL/osmesa.h>

#include <cstring>
#include <type_traits>

#include "gl/wgl.h"
#include "rtl/sysutils.h"
#include "testing/detail/glprinters.h"
#include "testing/glfaults.h"
#include "testing/glrecorder.h"

namespace nyx {
namespace {

using namespace detail::print;

TGLChecker* Installed = nullptr;

const TGLDispatch& Next() { return Installed->Next(); }

bool ContextCurrent() { return OSMesaGetCurrentContext() || glXGetCurrentContext(); }

// What glGetError has to tell, bounded: an implementation may keep one flag per kind.
std::vector<GLenum> PendingErrors() {
    std::vector<GLenum> errors;
    for (int i = 0; i < 8; ++i) {
        const GLenum error = ::glGetError();
        if (error == GL_NO_ERROR)
            break;
        errors.push_back(error);
    }
    // Those a failing table raised on purpose (testing/glfaults.h), as if the library had.
    for (const GLenum error : detail::TakeRaisedGLErrors())
        errors.push_back(error);
    return errors;
}

GLint Get(GLenum Name) {
    GLint value = 0;
    ::glGetIntegerv(Name, &value);
    return value;
}

// Forwards one call between BeforeCall and AfterCall; the call's text is only made when
// there is something to report.
template <typename Call, typename Text>
auto Checked(const char* Name, Call&& Forward, Text&& Describe) {
    TGLChecker& checker = *Installed;
    const auto report = [&] {
        for (const GLenum error : checker.AfterCall(Name))
            checker.Add(Describe() + ": " + GLErrorName(error));
    };
    checker.BeforeCall(Name);
    if constexpr (std::is_void_v<decltype(Forward())>) {
        Forward();
        report();
    } else {
        auto result = Forward();
        report();
        return result;
    }
}

#define NYX_GL_CHECK(Return, Name, Parameters, Arguments, Printed)                                 \
    .Name = [] Parameters -> Return {                                                              \
        return Checked(                                                                            \
            #Name, [&] { return Next().Name Arguments; },                                          \
            [&] { return CallText(#Name) Printed; });                                              \
    },
// Window-system calls make no GL error; some of them end a frame.
#define NYX_WGL_CHECK(Return, Name, Parameters, Arguments, Printed)                                \
    .Name = [] Parameters -> Return {                                                              \
        Installed->BeforeCall(#Name);                                                              \
        return Next().Name Arguments;                                                              \
    },
// clang-format off
constexpr TGLDispatch CheckingGL{
    NYX_GL_ENTRY_POINTS(NYX_GL_CHECK)
    NYX_GLU_ENTRY_POINTS(NYX_GL_CHECK)
    NYX_WGL_ENTRY_POINTS(NYX_WGL_CHECK)
};
// clang-format on
#undef NYX_GL_CHECK
#undef NYX_WGL_CHECK

bool Named(const char* Name, const char* Wanted) { return std::strcmp(Name, Wanted) == 0; }

bool EndsFrame(const char* Name) {
    return Named(Name, "SwapBuffers") || Named(Name, "wglMakeCurrent") ||
           Named(Name, "wglDeleteContext");
}

bool WindowSystem(const char* Name) { return Name[0] != 'g' || Name[1] != 'l'; }

}  // namespace

TGLChecker::TGLChecker() : FNext(&ActiveGLDispatch()) {
    if (Installed)
        throw EInvalidOperation("TGLChecker: a checker is already installed; destroy it "
                                "before installing another");
    Installed = this;
    SetGLDispatch(&CheckingGL);
    if (ContextCurrent())
        PendingErrors();  // left from before: not ours to report
    detail::TakeRaisedGLErrors();
}

TGLChecker* TGLChecker::Current() { return Installed; }

TGLChecker::~TGLChecker() {
    SetGLDispatch(FNext);
    Installed = nullptr;
}

std::vector<std::string> TGLChecker::TakeProblems() {
    std::vector<std::string> problems;
    problems.swap(FProblems);
    return problems;
}

void TGLChecker::BeforeCall(const char* Name) {
    if (WindowSystem(Name)) {
        if (EndsFrame(Name))
            EndFrame(Name);
        return;
    }
    // Without a context there is nothing to ask: tests record call sequences that way.
    if (!FFrameOpen && !FInBegin && ContextCurrent()) {
        FFrameStart = {Get(GL_MODELVIEW_STACK_DEPTH), Get(GL_PROJECTION_STACK_DEPTH),
                       Get(GL_ATTRIB_STACK_DEPTH)};
        FFrameOpen = true;
    }
}

std::vector<GLenum> TGLChecker::AfterCall(const char* Name) {
    if (!ContextCurrent())
        return {};
    if (Named(Name, "glBegin"))
        FInBegin = true;
    else if (Named(Name, "glEnd"))
        FInBegin = false;
    return FInBegin ? std::vector<GLenum>{} : PendingErrors();
}

void TGLChecker::EndFrame(const char* Where) {
    if (!FFrameOpen)
        return;
    FFrameOpen = false;
    if (!ContextCurrent())
        return;
    const std::string at = std::string("frame end at ") + Where + ": ";
    if (FInBegin) {
        Add(at + "glBegin without glEnd");
        FInBegin = false;
    }
    const auto compare = [&](const char* what, GLint now, GLint start) {
        if (now != start)
            Add(at + what + " stack depth " + std::to_string(now) + ", " + std::to_string(start) +
                " at the start");
    };
    compare("modelview", Get(GL_MODELVIEW_STACK_DEPTH), FFrameStart.Modelview);
    compare("projection", Get(GL_PROJECTION_STACK_DEPTH), FFrameStart.Projection);
    compare("attribute", Get(GL_ATTRIB_STACK_DEPTH), FFrameStart.Attrib);
    if (const GLint list = Get(GL_LIST_INDEX))
        Add(at + "display list " + std::to_string(list) + " still open");
    if (const GLint mode = Get(GL_RENDER_MODE); mode != GL_RENDER)
        Add(at + "render mode " + GLEnumName(static_cast<GLenum>(mode)));
}

std::string GLErrorName(GLenum Code) {
    switch (Code) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return Hex(Code);
    }
}

}  // namespace nyx
