#include "rtl/filer.h"

#include "rtl/detail/objectformat.h"
#include "rtl/scope.h"
#include "rtl/streams.h"

#include <bit>
#include <cstring>

namespace nyx {

static_assert(std::endian::native == std::endian::little,
              "the binary object stream stores numbers little-endian as the host does");

TFiler::TFiler(TStream& Stream, int BufSize)
    : FStream(Stream), FBuffer(std::size_t(BufSize < 64 ? 64 : BufSize)) {}

void TComponent::WriteState(TWriter& Writer) { Writer.WriteData(this); }

// --- Buffer --------------------------------------------------------------------------

TWriter::TWriter(TStream& Stream, int BufSize) : TFiler(Stream, BufSize) {
    FStreamPos = Stream.Position();
}

TWriter::~TWriter() {
    try {
        FlushBuffer();
    } catch (...) {
        // Nothing to report to from a destructor; WriteRootComponent flushed already.
    }
}

void TWriter::FlushBuffer() {
    if (FBufLen == 0)
        return;
    const std::size_t n = FBufLen;
    FBufLen = 0;
    FStream.WriteBuffer(FBuffer.data(), std::int64_t(n));
    FStreamPos += std::int64_t(n);
}

void TWriter::Put(const void* Data, std::size_t Count) {
    if (Count == 0)
        return;
    if (FBufLen + Count > FBuffer.size()) {
        FlushBuffer();
        if (Count > FBuffer.size()) {
            FStream.WriteBuffer(Data, std::int64_t(Count));
            FStreamPos += std::int64_t(Count);
            return;
        }
    }
    std::memcpy(FBuffer.data() + FBufLen, Data, Count);
    FBufLen += Count;
}

void TWriter::PutByte(std::uint8_t Byte) {
    if (FBufLen == FBuffer.size())
        FlushBuffer();
    FBuffer[FBufLen++] = Byte;
}

void TWriter::PutLength(std::uint64_t Value) {
    std::uint8_t bytes[10];
    std::size_t n = 0;
    do {
        std::uint8_t b = Value & 0x7F;
        Value >>= 7;
        if (Value)
            b |= 0x80;
        bytes[n++] = b;
    } while (Value);
    Put(bytes, n);
}

// --- Values --------------------------------------------------------------------------

void TWriter::WriteSignature() { Put(detail::kObjectSignature, sizeof detail::kObjectSignature); }

void TWriter::WriteValue(TValueType Value) { PutByte(std::uint8_t(Value)); }

void TWriter::WriteStr(std::string_view Value) {
    PutLength(Value.size());
    Put(Value.data(), Value.size());
}

void TWriter::WriteInteger(std::int64_t Value) {
    if (Value >= INT8_MIN && Value <= INT8_MAX) {
        const auto v = std::int8_t(Value);
        WriteValue(TValueType::vaInt8);
        Put(&v, 1);
    } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
        const auto v = std::int16_t(Value);
        WriteValue(TValueType::vaInt16);
        Put(&v, 2);
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        const auto v = std::int32_t(Value);
        WriteValue(TValueType::vaInt32);
        Put(&v, 4);
    } else {
        WriteValue(TValueType::vaInt64);
        Put(&Value, 8);
    }
}

void TWriter::WriteFloat(double Value) {
    WriteValue(TValueType::vaDouble);
    Put(&Value, 8);
}

void TWriter::WriteBoolean(bool Value) {
    WriteValue(Value ? TValueType::vaTrue : TValueType::vaFalse);
}

void TWriter::WriteString(std::string_view Value) {
    WriteValue(TValueType::vaString);
    WriteStr(Value);
}

void TWriter::WriteIdent(std::string_view Value) {
    WriteValue(TValueType::vaIdent);
    WriteStr(Value);
}

void TWriter::WriteSet(const TEnumInfo& Members, std::int64_t Mask) {
    WriteValue(TValueType::vaSet);
    for (std::size_t i = 0; i < Members.Members.size() && i < 64; ++i)
        if (Mask & (std::int64_t(1) << i))
            WriteStr(Members.Members[i]);
    WriteStr({});
}

void TWriter::WriteBinary(const void* Data, std::int64_t Count) {
    WriteValue(TValueType::vaBinary);
    PutLength(std::uint64_t(Count));
    Put(Data, std::size_t(Count));
}

// --- Components ----------------------------------------------------------------------

void TWriter::WriteRootComponent(TComponent* Root) {
    FRoot = Root;
    FNestedKnown = false;
    WriteSignature();
    WriteComponent(Root);
    FlushBuffer();
}

void TWriter::WriteComponent(TComponent* Component) {
    if (FDepth >= detail::kMaxNesting)
        throw EWriteError("TWriter.WriteComponent: " + Component->ClassName() + " " +
                          Component->Name() + " is nested more than " +
                          std::to_string(detail::kMaxNesting) +
                          " levels deep (is a child its own ancestor?)");
    if (!FRoot)
        FRoot = Component;
    const bool top = FDepth == 0;
    const bool wasWriting = Component->ComponentState().Contains(csWriting);
    Component->SetWriting(true);
    {
        const TRestore depth(FDepth, FDepth + 1);
        const TOnExit writing([&] { Component->SetWriting(wasWriting); });
        WriteStr(Component->ClassName());
        WriteStr(Component->Name());
        Component->WriteState(*this);
    }
    if (top)
        FlushBuffer();
}

void TWriter::WriteData(TComponent* Instance) {
    WriteProperties(Instance, std::string(), FDepth);
    WriteListEnd();
    if (!FIgnoreChildren)
        Instance->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* Instance, const std::string& Prefix, int Depth) {
    if (Depth >= detail::kMaxNesting)
        throw EWriteError("TWriter.WriteProperties: property path " + Prefix +
                          " nests too deep (does an owned object own its owner?)");
    for (const TPropInfo* p : Instance->ClassType().Properties())
        WriteProperty(Instance, *p, Prefix, Depth);
    const TRestore prefix(FPropPrefix, Prefix);
    Instance->DefineProperties(*this);
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop, const std::string& Prefix,
                            int Depth) {
    if (Prop.Kind == TTypeKind::tkMethod || !Prop.IsStoredValue(*Instance))
        return;
    if (Prop.Kind == TTypeKind::tkClass) {
        TObject* value = Prop.GetObject(*Instance);
        if (Prop.ClassKind == TClassPropKind::ckReference) {
            WriteStr(Prefix + Prop.Name);
            WriteIdent(ReferenceName(static_cast<TComponent*>(value), Prefix + Prop.Name));
            return;
        }
        auto* object = dynamic_cast<TPersistent*>(value);
        if (!object)
            return;
        if (Prop.ClassKind == TClassPropKind::ckCollection) {
            auto* collection = dynamic_cast<TCollection*>(object);
            if (!collection)
                return;
            WriteStr(Prefix + Prop.Name);
            WriteCollection(collection, Depth + 1);
        } else {
            WriteProperties(object, Prefix + Prop.Name + ".", Depth + 1);
        }
        return;
    }
    WriteStr(Prefix + Prop.Name);
    switch (Prop.Kind) {
    case TTypeKind::tkInteger:
        WriteInteger(Prop.GetOrd(*Instance));
        break;
    case TTypeKind::tkFloat:
        WriteFloat(Prop.GetFloat(*Instance));
        break;
    case TTypeKind::tkEnumeration:
        WriteIdent(Prop.EnumType->NameOf(Prop.GetOrd(*Instance)));
        break;
    case TTypeKind::tkBoolean:
        WriteBoolean(Prop.GetOrd(*Instance) != 0);
        break;
    case TTypeKind::tkSet:
        WriteSet(*Prop.EnumType, Prop.GetOrd(*Instance));
        break;
    case TTypeKind::tkString:
        WriteString(Prop.GetString(*Instance));
        break;
    case TTypeKind::tkClass:
    case TTypeKind::tkMethod:
        break;
    }
}

void TWriter::WriteCollection(TCollection* Collection, int Depth) {
    WriteValue(TValueType::vaCollection);
    for (int i = 0; i < Collection->Count(); ++i) {
        WriteListBegin();
        WriteProperties(Collection->Items(i), std::string(), Depth + 1);
        WriteListEnd();
    }
    WriteListEnd();
}

// Objects written in this stream and those owned by the root are named plainly (the
// reader finds them among what it read or what the root owns); so are siblings of
// the root. Anything else is qualified by its owner's name.
std::string TWriter::ReferenceName(const TComponent* Target, const std::string& Path) {
    if (Target->Name().empty())
        throw EWriteError("TWriter.WriteProperty: " + Path + " refers to a " + Target->ClassName() +
                          " without a name; give it a Name so that the reference can be stored");
    if (!FNestedKnown && FRoot) {
        std::vector<TComponent*> pending{FRoot};
        while (!pending.empty()) {
            TComponent* c = pending.back();
            pending.pop_back();
            if (!FNested.insert(c).second)
                continue;
            c->GetChildren([&](TComponent* child) { pending.push_back(child); }, FRoot);
        }
        FNestedKnown = true;
    }
    const TComponent* owner = Target->Owner();
    const bool plain = FNested.count(Target) || !FRoot || owner == FRoot ||
                       owner == FRoot->Owner() || !owner || owner->Name().empty();
    return plain ? Target->Name() : owner->Name() + "." + Target->Name();
}

// --- Defined properties ----------------------------------------------------------------

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&,
                             const TWriterProc& WriteData, bool HasData) {
    if (!HasData || !WriteData)
        return;
    WriteStr(FPropPrefix + Name);
    WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
    if (!HasData || !WriteData)
        return;
    TMemoryStream data;
    WriteData(data);
    WriteStr(FPropPrefix + Name);
    WriteBinary(data.Memory(), data.Size());
}

}  // namespace nyx
