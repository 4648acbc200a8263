// The tokenizer: lines out of a block buffer, groups out of lines, numbers out of
// value lines. A drawing holds millions of groups, so a line that lies whole in the
// buffer is handed out in place; only a line that runs over the buffer's end is
// copied together.
#include "dxf/converter.h"
#include "rtl/scope.h"
#include "rtl/streams.h"

#include <charconv>
#include <cstring>

namespace nyx {

namespace {

constexpr std::size_t MaxLineLength = 255;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A group code: blanks, an optional sign and digits, nothing after them. Returns 0 or
// the 1-based position of the first character that does not fit.
std::int64_t ParseCode(std::string_view s, std::int32_t& Code) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i == s.size())
        return std::int64_t(i) + 1;
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        const unsigned digit = unsigned(s[i]) - unsigned('0');
        if (digit > 9)
            return std::int64_t(i) + 1;
        value = value * 10 + digit;
        if (value > 2147483648)
            return std::int64_t(i) + 1;
    }
    if (!negative && value > 2147483647)
        return std::int64_t(s.size());
    Code = std::int32_t(negative ? -value : value);
    return 0;
}

// The number part of a value line: blanks round it and a plus sign are allowed.
std::string_view NumberText(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    if (b < e && s[b] == '+' && (e - b < 2 || s[b + 1] != '-'))
        ++b;
    return s.substr(b, e - b);
}

template <class T>
bool ParseNumber(std::string_view s, T& Value) {
    s = NumberText(s);
    if (s.empty())
        return false;
    // from_chars also takes "inf" and "nan", which no drawing means as a coordinate.
    const char first = s[0] == '-' && s.size() > 1 ? s[1] : s[0];
    if (!(first >= '0' && first <= '9') && first != '.')
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), Value);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

// --- The file ---------------------------------------------------------------------------

void TDXFConverter::OpenFile() {
    CloseFile();
    if (FFileName.empty())
        throw Exception("TDXFConverter.OpenFile: No file name defined");
    FFile = std::make_unique<TFileStream>(FFileName, fmOpenRead);
    FBufferStart = FBufferFill = FBufferIndex = 0;
    FErrorState = 0;
    FFileLine = FMarkedLine = 0;
    FPushedBack = false;
    const TOnFailure close([this] { CloseFile(); });
    FillBuffer();
}

void TDXFConverter::CloseFile() {
    FFile.reset();
    FBufferStart = FBufferFill = FBufferIndex = 0;
}

// --- Lines -----------------------------------------------------------------------------

bool TDXFConverter::FillBuffer() {
    FBufferStart += FBufferFill;
    FBufferIndex = 0;
    FBufferFill = FFile ? FFile->Read(FBuffer.get(), ReadBufferSize) : 0;
    FProgress.Report(FBufferStart);
    if (FBufferFill == 0) {
        FErrorState = -1;
        return false;
    }
    return true;
}

// A line ends at LF; every CR is dropped (a CR LF ends the line as LF does) and so is
// every character after the 255th. A last line without LF is not a line.
bool TDXFConverter::ReadLine(std::string_view& Line) {
    const char* begin = FBuffer.get() + FBufferIndex;
    const auto* lf =
        static_cast<const char*>(std::memchr(begin, '\n', std::size_t(FBufferFill - FBufferIndex)));
    if (!lf)
        return ReadLineSlow(Line);
    std::size_t length = std::size_t(lf - begin);
    FBufferIndex += std::int64_t(length) + 1;
    ++FLineCount;
    ++FFileLine;
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    if (std::memchr(begin, '\r', length)) {
        FLongLine.clear();
        for (std::size_t i = 0; i < length && FLongLine.size() < MaxLineLength; ++i)
            if (begin[i] != '\r')
                FLongLine.push_back(begin[i]);
        Line = FLongLine;
        return true;
    }
    Line = std::string_view(begin, std::min(length, MaxLineLength));
    return true;
}

bool TDXFConverter::ReadLineSlow(std::string_view& Line) {
    FLongLine.clear();
    for (;;) {
        const char* begin = FBuffer.get() + FBufferIndex;
        const std::size_t available = std::size_t(FBufferFill - FBufferIndex);
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', available));
        const std::size_t length = lf ? std::size_t(lf - begin) : available;
        for (std::size_t i = 0; i < length && FLongLine.size() < MaxLineLength; ++i)
            if (begin[i] != '\r')
                FLongLine.push_back(begin[i]);
        if (lf) {
            FBufferIndex += std::int64_t(length) + 1;
            ++FLineCount;
            ++FFileLine;
            Line = FLongLine;
            return true;
        }
        FBufferIndex = FBufferFill;
        if (!FillBuffer())
            return false;
    }
}

// --- Groups ----------------------------------------------------------------------------

std::int32_t TDXFConverter::NextGroupCode() {
    if (FPushedBack) {
        FPushedBack = false;
        return FCode;
    }
    std::string_view line;
    if (!ReadLine(line)) {
        FCode = -2;
        return FCode;
    }
    std::int32_t code = 0;
    FErrorState = ParseCode(line, code);
    if (FErrorState != 0 || !ReadLine(line)) {
        FCode = -2;
        return FCode;
    }
    FValue.assign(line);
    FCode = code;
    return FCode;
}

void TDXFConverter::RaiseRead(const std::string& Message) const {
    throw EDXFReadException(Message, FLineCount);
}

double TDXFConverter::ValDbl() {
    double value = 0;
    if (!ParseNumber(FValue, value))
        RaiseRead("Invalid Floating point conversion");
    return value;
}

std::int32_t TDXFConverter::ValInt() {
    std::int32_t value = 0;
    if (!ParseNumber(FValue, value))
        RaiseRead("Invalid Integer conversion");
    return value;
}

bool TDXFConverter::code_and_string(std::int32_t& Code, std::string& S) {
    Code = NextGroupCode();
    S = FValue;
    return Code >= 0;
}

bool TDXFConverter::code_and_double(std::int32_t& Code, double& D) {
    Code = NextGroupCode();
    if (Code < 0)
        return false;
    D = ValDbl();
    return true;
}

bool TDXFConverter::read_2Dpoint(double& X, double& Y) {
    std::int32_t code = 0;
    do {
        code = NextGroupCode();
        if (code < 0)
            return false;
    } while (code != 10);
    X = ValDbl();
    if (NextGroupCode() < 0)
        return false;
    Y = ValDbl();
    return true;
}

void TDXFConverter::go_back_to_last(std::int32_t Code, const std::string& Value) {
    FCode = Code;
    if (&Value != &FValue)
        FValue.assign(Value, 0, std::min(Value.size(), MaxLineLength));
    FPushedBack = true;
}

void TDXFConverter::mark_position() {
    FMarkedPosition = FBufferStart + FBufferIndex;
    FMarkedLine = FFileLine;
}

void TDXFConverter::goto_marked_position() {
    if (FFile)
        FFile->Seek(FMarkedPosition, TSeekOrigin::soBeginning);
    FBufferStart = FMarkedPosition;
    FFileLine = FMarkedLine;
    FBufferFill = 0;
    FBufferIndex = 0;
}

}  // namespace nyx
