#pragma once
// How a logged call shows its arguments: the printers the last column of gl/glapi.h names,
// and CallText, which joins them into "glAccum(GL_ACCUM, 0.5)".

#include <charconv>
#include <string>
#include <string_view>

#include "gl/opengl.h"

namespace nyx::detail::print {

// Shortest text that reads back exactly, so logs compare without tolerance.
template <typename T>
std::string Num(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Hex(unsigned value);
// An enumerant by name ("GL_QUADS"), hex when it has none.
std::string E(GLenum value);
// Blend factors and stencil operations, where 0 and 1 mean GL_ZERO and GL_ONE.
std::string EZ(GLenum value);
// An integer parameter that carries an enumerant (texture filters, fog modes, internal
// formats); the component counts 1 to 4 of glTexImage2D stay numbers.
std::string IntEnum(GLint value);
std::string B(GLboolean value);
// A glClear or glPushAttrib mask, bit by bit.
std::string Bits(GLbitfield mask);
// An opaque object or input block: what it is, or "null".
std::string Ptr(const void* p, const char* what);
std::string Fn(TGLUCallback callback);
// gluTessProperty's value: the winding rule by name, anything else as a number.
std::string TessValue(GLenum which, GLdouble value);
// wglUseFontOutlinesA's format by name, anything else as a number.
std::string FontFormat(int format);
// How many values a glLightfv, glMaterialfv, glFogfv or glLightModelfv call reads.
int ParamCount(GLenum pname);

template <typename T>
std::string Arr(const T* values, int count) {
    if (!values)
        return "null";
    std::string text = "{";
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ", ";
        text += Num(values[i]);
    }
    return text + "}";
}

// CallText("glAccum")(E(op), Num(value)) == "glAccum(GL_ACCUM, 0.5)".
class CallText {
public:
    explicit CallText(const char* name) : FName(name) {}
    template <typename... A>
    std::string operator()(const A&... args) const {
        std::string text = FName;
        text += '(';
        [[maybe_unused]] std::string_view separator;
        ((text += separator, text += args, separator = ", "), ...);
        text += ')';
        return text;
    }

private:
    const char* FName;
};

}  // namespace nyx::detail::print
