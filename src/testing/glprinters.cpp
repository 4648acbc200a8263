#include "testing/detail/glprinters.h"

#include <cstdio>

#include "gl/wgl.h"
#include "testing/detail/enumnames.h"
#include "testing/glrecorder.h"

namespace nyx::detail::print {

std::string Hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value);
    return buffer;
}

std::string E(GLenum value) { return GLEnumName(value); }

std::string EZ(GLenum value) {
    if (value == GL_ZERO)
        return "GL_ZERO";
    if (value == GL_ONE)
        return "GL_ONE";
    return GLEnumName(value);
}

std::string IntEnum(GLint value) {
    return value >= 0 && value <= 4 ? Num(value) : GLEnumName(static_cast<GLenum>(value));
}

std::string B(GLboolean value) {
    if (value == GL_FALSE)
        return "GL_FALSE";
    if (value == GL_TRUE)
        return "GL_TRUE";
    return Num(static_cast<int>(value));
}

std::string Bits(GLbitfield mask) {
    if (mask == 0)
        return "0";
    if (mask == GL_ALL_ATTRIB_BITS)
        return "GL_ALL_ATTRIB_BITS";
    std::string text;
    for (const TEnumName& bit : AttribBitNames()) {
        if (!(mask & bit.Value))
            continue;
        if (!text.empty())
            text += " | ";
        text += bit.Name;
        mask &= ~bit.Value;
    }
    if (mask) {
        if (!text.empty())
            text += " | ";
        text += Hex(mask);
    }
    return text;
}

std::string Ptr(const void* p, const char* what) { return p ? what : "null"; }

std::string Fn(TGLUCallback callback) {
    return Ptr(reinterpret_cast<const void*>(callback), "<fn>");
}

std::string TessValue(GLenum which, GLdouble value) {
    return which == GLU_TESS_WINDING_RULE ? GLEnumName(static_cast<GLenum>(value)) : Num(value);
}

std::string FontFormat(int format) {
    switch (format) {
    case WGL_FONT_LINES:
        return "WGL_FONT_LINES";
    case WGL_FONT_POLYGONS:
        return "WGL_FONT_POLYGONS";
    default:
        return Num(format);
    }
}

int ParamCount(GLenum pname) {
    switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_POSITION:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_FOG_COLOR:
    case GL_LIGHT_MODEL_AMBIENT:
        return 4;
    case GL_SPOT_DIRECTION:
    case GL_COLOR_INDEXES:
        return 3;
    default:
        return 1;
    }
}

}  // namespace nyx::detail::print

namespace nyx {

std::string GLEnumName(GLenum value) {
    for (const detail::TEnumName& name : detail::EnumNames())
        if (name.Value == value)
            return name.Name;
    return detail::print::Hex(value);
}

}  // namespace nyx
