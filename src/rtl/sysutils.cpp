#include "rtl/sysutils.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <langinfo.h>
#include <locale.h>

namespace nyx {

void ListIndexError(std::int64_t index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

static bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool IsValidIdent(std::string_view s) {
    if (s.empty() || !IsAlpha(s[0]))
        return false;
    for (char c : s)
        if (!IsAlpha(c) && !IsDigit(c))
            return false;
    return true;
}

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d = int(static_cast<unsigned char>(LowerAscii(a[i]))) -
                      int(static_cast<unsigned char>(LowerAscii(b[i])));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::size_t TTextHash::operator()(std::string_view s) const {
    // The names hashed are a class's properties or the registered classes: the length and
    // three letters tell them apart well enough, and cost the same for every length.
    if (s.empty())
        return 0;
    auto at = [&](std::size_t i) {
        return std::size_t(static_cast<unsigned char>(LowerAscii(s[i])));
    };
    return (s.size() * 0x9E3779B97F4A7C15ull) ^ at(0) ^ at(s.size() / 2) << 8 ^
           at(s.size() - 1) << 16;
}

bool TTextEqual::operator()(std::string_view a, std::string_view b) const {
    // Streams and code spell names as they are declared: the exact comparison decides most.
    return a.size() == b.size() && (a == b || CompareText(a, b) == 0);
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

char32_t AnsiCharToUnicode(unsigned char c) {
    // 0x80-0x9F; everything else is Latin-1.
    static constexpr char16_t High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return c >= 0x80 && c < 0xA0 ? High[c - 0x80] : char32_t(c);
}

char DecimalSeparator() {
    // The user's locale from the environment, whatever the process set with setlocale.
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (!loc)
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char sep = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    freelocale(loc);
    return sep;
}

std::string FormatFixed(double value, int digits, char separator) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, digits);
    std::string s(buf, res.ptr);
    if (separator != '.')
        for (char& c : s)
            if (c == '.')
                c = separator;
    return s;
}

std::string FloatToStrExact(double value) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

bool TryStrToFloat(std::string_view text, double& value) {
    if (text == "inf" || text == "+inf") {
        value = INFINITY;
        return true;
    }
    if (text == "-inf") {
        value = -INFINITY;
        return true;
    }
    if (text == "nan" || text == "-nan") {
        value = std::nan("");
        return true;
    }
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto res = std::from_chars(text.data(), end, value);
    return !text.empty() && res.ec == std::errc() && res.ptr == end;
}

bool TryStrToInt(std::string_view text, std::int64_t& value) {
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto res = std::from_chars(text.data(), end, value);
    return !text.empty() && res.ec == std::errc() && res.ptr == end;
}

}  // namespace nyx
