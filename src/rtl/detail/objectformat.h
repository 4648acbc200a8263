#pragma once
// Constants of the binary object stream shared by the reader, the writer and the
// text converters.

#include "rtl/sysutils.h"

#include <cstdint>
#include <string_view>

namespace nyx::detail {

inline constexpr std::uint8_t kObjectSignature[4] = {'N', 'Y', 'X', '1'};

// Objects, collections and lists nest at most this deep; deeper data is refused so
// that a hostile stream cannot exhaust the call stack.
inline constexpr int kMaxNesting = 1000;

// Identifiers joined by dots ("XForm.Translate", "Form1.Camera1").
inline bool IsDottedIdent(std::string_view s) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = s.find('.', start);
        if (!IsValidIdent(s.substr(start, dot == std::string_view::npos ? dot : dot - start)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

}  // namespace nyx::detail
