#include "rtl/objtext.h"

#include "rtl/detail/objectformat.h"
#include "rtl/filer.h"
#include "rtl/streams.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace nyx {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// --- Binary to text ------------------------------------------------------------------

class TextSink {
public:
    explicit TextSink(TStream& out) : FOut(out) { FText.reserve(kChunk + 256); }
    void Put(std::string_view s) {
        FText.append(s);
        if (FText.size() >= kChunk)
            Flush();
    }
    void Put(char c) { FText.push_back(c); }
    void Indent(int level) { FText.append(std::size_t(level) * 2, ' '); }
    void Flush() {
        FOut.WriteBuffer(FText.data(), std::int64_t(FText.size()));
        FText.clear();
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    TStream& FOut;
    std::string FText;
};

std::string FormatDouble(double v) {
    if (std::isnan(v))
        return std::signbit(v) ? "-nan" : "+nan";
    if (std::isinf(v))
        return v < 0 ? "-inf" : "+inf";
    std::string s = FloatToStrExact(v);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

void QuoteString(TextSink& out, std::string_view s) {
    std::string q;
    q.reserve(s.size() + 2);
    q.push_back('"');
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            q += "\\\"";
            break;
        case '\\':
            q += "\\\\";
            break;
        case '\n':
            q += "\\n";
            break;
        case '\r':
            q += "\\r";
            break;
        case '\t':
            q += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                q += "\\x";
                q.push_back(kHex[c >> 4]);
                q.push_back(kHex[c & 15]);
            } else {
                q.push_back(ch);
            }
        }
    }
    q.push_back('"');
    out.Put(q);
}

class BinaryToText {
public:
    BinaryToText(TStream& in, TStream& out) : FReader(in, 1 << 16), FOut(out) {}

    void Run() {
        FReader.ReadSignature();
        Object(0);
        FOut.Flush();
    }

private:
    std::string Name(bool dotted, bool allowEmpty, const char* what) {
        const std::int64_t at = FReader.Position();
        std::string s = FReader.ReadStr();
        const bool ok =
            (allowEmpty && s.empty()) || (dotted ? detail::IsDottedIdent(s) : IsValidIdent(s));
        if (!ok)
            FReader.ReadError(std::string("ObjectBinaryToText: ") + what +
                                  " is not an identifier; the stream is corrupt",
                              at);
        return s;
    }

    void Nesting(int depth) {
        if (depth >= detail::kMaxNesting)
            FReader.ReadError("ObjectBinaryToText: objects or lists nest more than " +
                              std::to_string(detail::kMaxNesting) +
                              " levels deep; the stream is corrupt");
    }

    void Object(int level) {
        Nesting(level);
        const std::string cls = Name(false, false, "a class name");
        const std::string name = Name(false, true, "an object name");
        FOut.Indent(level);
        FOut.Put("object ");
        if (!name.empty()) {
            FOut.Put(name);
            FOut.Put(": ");
        }
        FOut.Put(cls);
        FOut.Put('\n');
        Properties(level + 1, level + 1);
        while (!FReader.EndOfList())
            Object(level + 1);
        FReader.ReadListEnd();
        FOut.Indent(level);
        FOut.Put("end\n");
    }

    // Name = value lines up to the end marker (consumed).
    void Properties(int indent, int depth) {
        while (!FReader.EndOfList()) {
            const std::string name = Name(true, false, "a property name");
            FOut.Indent(indent);
            FOut.Put(name);
            FOut.Put(" = ");
            Value(FReader.ReadValue(), indent, depth);
            FOut.Put('\n');
        }
        FReader.ReadListEnd();
    }

    void Value(TValueType t, int indent, int depth) {
        char buf[32];
        switch (t) {
        case TValueType::vaNull:
            FReader.ReadError("ObjectBinaryToText: a value was expected, not the end of a list",
                              FReader.Position() - 1);
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64: {
            auto r = std::to_chars(buf, buf + sizeof buf, FReader.ReadIntegerBody(t));
            FOut.Put(std::string_view(buf, std::size_t(r.ptr - buf)));
            return;
        }
        case TValueType::vaDouble:
            FOut.Put(FormatDouble(FReader.ReadFloatBody()));
            return;
        case TValueType::vaIdent:
            FOut.Put(Name(true, false, "an identifier value"));
            return;
        case TValueType::vaFalse:
            FOut.Put("False");
            return;
        case TValueType::vaTrue:
            FOut.Put("True");
            return;
        case TValueType::vaNil:
            FOut.Put("nil");
            return;
        case TValueType::vaString:
            QuoteString(FOut, FReader.ReadStr());
            return;
        case TValueType::vaSet: {
            FOut.Put('[');
            bool first = true;
            for (;;) {
                const std::int64_t at = FReader.Position();
                const std::string m = FReader.ReadStr();
                if (m.empty())
                    break;
                if (!IsValidIdent(m))
                    FReader.ReadError("ObjectBinaryToText: a set member is not an identifier; "
                                      "the stream is corrupt",
                                      at);
                if (!first)
                    FOut.Put(", ");
                FOut.Put(m);
                first = false;
            }
            FOut.Put(']');
            return;
        }
        case TValueType::vaList:
            Nesting(depth);
            FOut.Put('(');
            while (!FReader.EndOfList()) {
                FOut.Put('\n');
                FOut.Indent(indent + 1);
                Value(FReader.ReadValue(), indent + 1, depth + 1);
            }
            FReader.ReadListEnd();
            FOut.Put(')');
            return;
        case TValueType::vaCollection:
            Nesting(depth);
            FOut.Put('<');
            for (;;) {
                const std::int64_t at = FReader.Position();
                const TValueType item = FReader.ReadValue();
                if (item == TValueType::vaNull)
                    break;
                if (item != TValueType::vaList)
                    FReader.ReadError("ObjectBinaryToText: expected an item of a collection", at);
                FOut.Put('\n');
                FOut.Indent(indent + 1);
                FOut.Put("item\n");
                Properties(indent + 2, depth + 1);
                FOut.Indent(indent + 1);
                FOut.Put("end");
            }
            FOut.Put('>');
            return;
        case TValueType::vaBinary: {
            const std::vector<std::uint8_t> data = FReader.ReadBinaryBody();
            FOut.Put('{');
            const bool wrap = data.size() > 32;
            for (std::size_t i = 0; i < data.size(); ++i) {
                if (wrap && i % 32 == 0) {
                    FOut.Put('\n');
                    FOut.Indent(indent + 1);
                }
                FOut.Put(kHex[data[i] >> 4]);
                FOut.Put(kHex[data[i] & 15]);
            }
            FOut.Put('}');
            return;
        }
        }
    }

    TReader FReader;
    TextSink FOut;
};

// --- Text to binary ------------------------------------------------------------------

enum class Tok { Eof, Ident, Integer, Float, String, Symbol };

class TextParser {
public:
    TextParser(TStream& in, TStream& out, const TObjectTextProc& onObject)
        : FIn(in), FWriter(out, 1 << 16), FBuf(1 << 16), FOnObject(onObject) {}

    void Run() {
        if (Peek() == 0xEF) {  // a byte-order mark
            Get();
            if (Get() != 0xBB || Get() != 0xBF)
                Fail("the text starts with a broken byte-order mark");
        }
        Next();
        FWriter.WriteSignature();
        if (!Keyword("object"))
            Fail("the text does not start with 'object'; it is not an object stream in text form");
        Object(0);
        if (FTok != Tok::Eof)
            Fail("unexpected " + Describe() + " after the last 'end'");
        FWriter.FlushBuffer();
    }

private:
    // Characters -----------------------------------------------------------------------
    int Peek() {
        if (FPos == FLen) {
            FLen = std::size_t(FIn.Read(FBuf.data(), std::int64_t(FBuf.size())));
            FPos = 0;
            if (FLen == 0)
                return -1;
        }
        return static_cast<unsigned char>(FBuf[FPos]);
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) {
            ++FPos;
            if (c == '\n')
                ++FLine;
        }
        return c;
    }

    [[noreturn]] void Fail(const std::string& what) const { FailAt(FTokLine, what); }
    [[noreturn]] static void FailAt(int line, const std::string& what) {
        throw EReadError("ObjectTextToBinary: line " + std::to_string(line) + ": " + what);
    }

    static bool IdentStart(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool IdentChar(int c) { return IdentStart(c) || (c >= '0' && c <= '9'); }
    static int HexValue(int c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    // Tokens ---------------------------------------------------------------------------
    void SkipBlanks() {
        for (;;) {
            const int c = Peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                Get();
            } else if (c == '/') {
                Get();
                if (Peek() != '/')
                    FailAt(FLine, "a single '/' is not valid here; comments start with //");
                while (Peek() >= 0 && Peek() != '\n')
                    Get();
            } else {
                return;
            }
        }
    }

    void Next() {
        SkipBlanks();
        FTokLine = FLine;
        FText.clear();
        const int c = Peek();
        if (c < 0) {
            FTok = Tok::Eof;
        } else if (IdentStart(c)) {
            Identifier();
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
            Number();
        } else if (c == '"') {
            Get();
            String();
        } else if (std::strchr("=:[],()<>{}", c)) {
            FTok = Tok::Symbol;
            FText.push_back(char(Get()));
        } else {
            const std::string shown = c >= 0x20 && c < 0x7F ? "'" + std::string(1, char(c)) + "'"
                                                            : "byte " + std::to_string(c);
            Fail("unexpected character " + shown);
        }
    }

    void Identifier() {
        FTok = Tok::Ident;
        for (;;) {
            while (IdentChar(Peek()))
                FText.push_back(char(Get()));
            if (Peek() != '.')
                return;
            FText.push_back(char(Get()));
            if (!IdentStart(Peek()))
                Fail("'" + FText + "' is not a valid dotted name");
        }
    }

    void Number() {
        while (true) {
            const int c = Peek();
            const bool sign = (c == '+' || c == '-') &&
                              (FText.empty() || FText.back() == 'e' || FText.back() == 'E');
            if ((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || sign ||
                (c >= 'a' && c <= 'z' && FText.size() <= 3 && !FText.empty() &&
                 (FText[0] == '+' || FText[0] == '-')))
                FText.push_back(char(Get()));
            else
                break;
            if (FText.size() > 400)
                Fail("a number is too long");
        }
        if (IdentChar(Peek()))
            Fail("malformed number '" + FText + char(Peek()) + "'");
        const std::string_view body =
            std::string_view(FText).substr(FText[0] == '+' || FText[0] == '-' ? 1 : 0);
        const bool negative = FText[0] == '-';
        if (body == "inf" || body == "nan") {
            FTok = Tok::Float;
            FFloat = body == "inf" ? INFINITY : std::nan("");
            FFloat = std::copysign(FFloat, negative ? -1.0 : 1.0);
            return;
        }
        if (FText.find_first_of(".eE") != std::string::npos) {
            FTok = Tok::Float;
            if (!TryStrToFloat(FText, FFloat) || !std::isfinite(FFloat))
                Fail("'" + FText + "' is not a number that a double can hold");
            return;
        }
        FTok = Tok::Integer;
        if (!TryStrToInt(FText, FInt))
            Fail("'" + FText + "' is not an integer in the range of 64 bits");
    }

    void String() {
        FTok = Tok::String;
        for (;;) {
            const int c = Get();
            if (c < 0 || c == '\n' || c == '\r')
                Fail("unterminated string; close it with \" on the same line");
            if (c == '"')
                return;
            if (c < 0x20 && c != '\t')
                Fail("control character " + std::to_string(c) + " in a string; write it as \\x" +
                     kHex[c >> 4] + kHex[c & 15]);
            if (c != '\\') {
                FText.push_back(char(c));
                continue;
            }
            const int e = Get();
            switch (e) {
            case '"':
                FText.push_back('"');
                break;
            case '\\':
                FText.push_back('\\');
                break;
            case 'n':
                FText.push_back('\n');
                break;
            case 'r':
                FText.push_back('\r');
                break;
            case 't':
                FText.push_back('\t');
                break;
            case 'x': {
                const int h = HexValue(Get());
                const int l = HexValue(Get());
                if (h < 0 || l < 0)
                    Fail("\\x in a string needs two hexadecimal digits");
                FText.push_back(char(h * 16 + l));
                break;
            }
            default:
                Fail("unknown escape in a string; use \\\" \\\\ \\n \\r \\t or \\xHH");
            }
        }
    }

    bool Keyword(const char* word) const { return FTok == Tok::Ident && SameText(FText, word); }
    bool Symbol(char c) const { return FTok == Tok::Symbol && FText[0] == c; }

    std::string Describe() const {
        switch (FTok) {
        case Tok::Eof:
            return "end of text";
        case Tok::String:
            return "string";
        default:
            return "'" + FText + "'";
        }
    }

    std::string ExpectIdent(const char* what) {
        if (FTok != Tok::Ident || FText.find('.') != std::string::npos)
            Fail(std::string(what) + " expected, found " + Describe());
        std::string s = FText;
        Next();
        return s;
    }

    void Nesting(int depth) const {
        if (depth >= detail::kMaxNesting)
            Fail("objects or lists nest more than " + std::to_string(detail::kMaxNesting) +
                 " levels deep");
    }

    // Grammar --------------------------------------------------------------------------
    // FTok is 'object' on entry; on exit the token after the matching 'end'.
    void Object(int depth) {
        Nesting(depth);
        const int begun = FTokLine;
        Next();
        std::string name = ExpectIdent("an object name or class");
        std::string cls;
        if (Symbol(':')) {
            Next();
            cls = ExpectIdent("a class name after ':'");
        } else {
            cls = std::move(name);
            name.clear();
        }
        if (FOnObject)
            FOnObject(cls, name, begun, depth);
        FWriter.WriteStr(cls);
        FWriter.WriteStr(name);
        bool inChildren = false;
        for (;;) {
            if (Keyword("end")) {
                if (!inChildren)
                    FWriter.WriteListEnd();
                FWriter.WriteListEnd();
                Next();
                return;
            }
            if (Keyword("object")) {
                if (!inChildren)
                    FWriter.WriteListEnd();
                inChildren = true;
                Object(depth + 1);
                continue;
            }
            if (FTok == Tok::Eof)
                FailAt(begun, "object " + cls + " is not closed; add 'end'");
            if (FTok != Tok::Ident)
                Fail("a property name, 'object' or 'end' expected, found " + Describe());
            if (inChildren)
                Fail("property " + FText + " follows a nested object; write the properties of " +
                     cls + " before its nested objects");
            Property(depth);
        }
    }

    void Property(int depth) {
        FWriter.WriteStr(FText);
        Next();
        if (!Symbol('='))
            Fail("'=' expected after a property name, found " + Describe());
        Next();
        Value(depth + 1);
    }

    // Consumes one value and the token after it.
    void Value(int depth) {
        switch (FTok) {
        case Tok::Integer:
            FWriter.WriteInteger(FInt);
            Next();
            return;
        case Tok::Float:
            FWriter.WriteFloat(FFloat);
            Next();
            return;
        case Tok::String:
            FWriter.WriteString(FText);
            Next();
            return;
        case Tok::Ident:
            if (SameText(FText, "True") || SameText(FText, "False"))
                FWriter.WriteBoolean(SameText(FText, "True"));
            else if (SameText(FText, "nil"))
                FWriter.WriteValue(TValueType::vaNil);
            else
                FWriter.WriteIdent(FText);
            Next();
            return;
        case Tok::Eof:
            Fail("a value expected, found the end of the text");
        case Tok::Symbol:
            break;
        }
        const int begun = FTokLine;
        switch (FText[0]) {
        case '[':
            FWriter.WriteValue(TValueType::vaSet);
            Next();
            if (!Symbol(']'))
                for (;;) {
                    FWriter.WriteStr(ExpectIdent("a set member"));
                    if (Symbol(']'))
                        break;
                    if (!Symbol(','))
                        Fail("',' or ']' expected in a set, found " + Describe());
                    Next();
                }
            FWriter.WriteStr({});
            Next();
            return;
        case '(':
            Nesting(depth);
            FWriter.WriteListBegin();
            Next();
            while (!Symbol(')')) {
                if (FTok == Tok::Eof)
                    FailAt(begun, "list is not closed; add ')'");
                Value(depth + 1);
            }
            FWriter.WriteListEnd();
            Next();
            return;
        case '<':
            Nesting(depth);
            FWriter.WriteValue(TValueType::vaCollection);
            Next();
            while (!Symbol('>')) {
                if (!Keyword("item"))
                    Fail("'item' or '>' expected in a collection, found " + Describe());
                const int item = FTokLine;
                FWriter.WriteListBegin();
                Next();
                while (!Keyword("end")) {
                    if (FTok == Tok::Eof)
                        FailAt(item, "item is not closed; add 'end'");
                    if (FTok != Tok::Ident)
                        Fail("a property name or 'end' expected in an item, found " + Describe());
                    Property(depth);
                }
                FWriter.WriteListEnd();
                Next();
            }
            FWriter.WriteListEnd();
            Next();
            return;
        case '{':
            Binary(begun);
            Next();
            return;
        default:
            Fail("a value expected, found " + Describe());
        }
    }

    // Hex digits up to '}' (whitespace allowed between them).
    void Binary(int begun) {
        std::vector<std::uint8_t> data;
        int high = -1;
        for (;;) {
            const int c = Get();
            if (c == '}')
                break;
            if (c < 0)
                FailAt(begun, "binary data is not closed; add '}'");
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                continue;
            const int v = HexValue(c);
            if (v < 0)
                FailAt(FLine, "binary data holds a character that is not a hexadecimal digit");
            if (high < 0) {
                high = v;
            } else {
                data.push_back(std::uint8_t(high * 16 + v));
                high = -1;
            }
        }
        if (high >= 0)
            FailAt(FLine, "binary data has an odd number of hexadecimal digits");
        FWriter.WriteBinary(data.data(), std::int64_t(data.size()));
    }

    TStream& FIn;
    TWriter FWriter;
    std::vector<char> FBuf;
    const TObjectTextProc& FOnObject;
    std::size_t FPos = 0;
    std::size_t FLen = 0;
    int FLine = 1;
    int FTokLine = 1;
    Tok FTok = Tok::Eof;
    std::string FText;
    std::int64_t FInt = 0;
    double FFloat = 0;
};

}  // namespace

bool IsObjectBinary(TStream& Stream) {
    const std::int64_t start = Stream.Position();
    std::uint8_t head[sizeof detail::kObjectSignature] = {};
    const std::int64_t n = Stream.Read(head, sizeof head);
    Stream.SetPosition(start);
    return n == std::int64_t(sizeof head) &&
           std::memcmp(head, detail::kObjectSignature, sizeof head) == 0;
}

void ObjectBinaryToText(TStream& Input, TStream& Output) {
    BinaryToText converter(Input, Output);
    converter.Run();
}

void ObjectTextToBinary(TStream& Input, TStream& Output, const TObjectTextProc& OnObject) {
    TextParser parser(Input, Output, OnObject);
    parser.Run();
}

}  // namespace nyx
