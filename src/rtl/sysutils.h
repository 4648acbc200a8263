#pragma once
// Exceptions and small text helpers of the component framework.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace nyx {

// The framework's general exception: every failure carries a message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }
    // Puts Context in front of the message, for a handler that adds what it was doing and
    // raises the same error again (throw;): its class, and whatever else it carries, stay.
    // A class whose message has a form of its own places the context itself.
    virtual void AddContext(const std::string& Context) { FMessage = Context + FMessage; }

private:
    std::string FMessage;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};
class EListError : public Exception {
public:
    using Exception::Exception;
};
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};
class EComponentError : public Exception {
public:
    using Exception::Exception;
};
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class ERangeError : public Exception {
public:
    using Exception::Exception;
};
class EInOutError : public Exception {
public:
    using Exception::Exception;
};
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// Raises EListError for an index outside [0, count).
[[noreturn]] void ListIndexError(std::int64_t index);

// An identifier: a letter or underscore, then letters, digits and underscores (ASCII).
bool IsValidIdent(std::string_view s);

// ASCII case-insensitive comparison, as the framework compares names.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view s);

// Hashing and equality of names as SameText sees them, for hashed lookups of class and
// property names (transparent: a string_view finds a std::string key without a copy).
struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const;
};
struct TTextEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// The character a byte of the framework's single-byte strings stands for: they are
// Windows-1252 (ANSI) text, as are the drawings and streams exchanged with it. The five
// bytes that code page leaves undefined map to the control characters of the same value.
char32_t AnsiCharToUnicode(unsigned char c);

// The decimal separator of the user's locale, for texts shown to people only.
// Numbers in files never use it.
char DecimalSeparator();

// Fixed notation with the given number of digits after the separator, e.g. "-2.50".
std::string FormatFixed(double value, int digits, char separator);
inline std::string FormatFixed(double value, int digits) {
    return FormatFixed(value, digits, DecimalSeparator());
}

// Shortest text that reads back bit for bit, locale-independent ("0.1", "1e+300", "inf").
std::string FloatToStrExact(double value);
// Locale-independent parse of a whole string; false when it is not a number.
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, std::int64_t& value);

}  // namespace nyx
