#pragma once
// Writing and reading components through memory streams, in either form.

#include "rtl/classes.h"
#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"

#include <string>

namespace nyx::testing {

inline std::string Contents(TMemoryStream& s) {
    return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}

inline void Fill(TMemoryStream& s, const std::string& bytes) {
    s.Clear();
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
}

inline std::string SaveBinary(TComponent* c) {
    TMemoryStream s;
    s.WriteComponent(c);
    return Contents(s);
}

inline std::string BinaryToText(const std::string& binary) {
    TMemoryStream in, out;
    Fill(in, binary);
    ObjectBinaryToText(in, out);
    return Contents(out);
}

inline std::string TextToBinary(const std::string& text) {
    TMemoryStream in, out;
    Fill(in, text);
    ObjectTextToBinary(in, out);
    return Contents(out);
}

inline std::string SaveText(TComponent* c) { return BinaryToText(SaveBinary(c)); }

// Reads binary into Root (none: creates it) with an optional error callback.
inline TComponent* LoadBinary(TComponent* Root, const std::string& binary,
                              const TReaderError& onError = {}) {
    TMemoryStream s;
    Fill(s, binary);
    TReader r(s, 4096);
    r.SetOnError(onError);
    return r.ReadRootComponent(Root);
}

}  // namespace nyx::testing
