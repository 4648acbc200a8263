#pragma once
// Component streaming: TFiler, the binary TWriter and TReader.
//
// A stream holds a signature, then one object: class name, object name, its stored
// properties as (path, typed value) pairs, an end marker, its nested children in the
// same shape, an end marker. Property paths reach into owned persistent objects
// ("XForm.Translate.X"); collections are item lists; references are names resolved
// after the whole stream has been read. The text form (rtl/objtext.h) carries the same
// values and converts to and from this binary form.

#include "rtl/classes.h"
#include "rtl/event.h"
#include "rtl/progress.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace nyx {

class TStream;
class TReader;
class TWriter;

// Tags of the typed values of the binary form.
enum class TValueType : std::uint8_t {
    vaNull,  // end of a list
    vaList,  // a list of values, or one item of a collection
    vaInt8,
    vaInt16,
    vaInt32,
    vaInt64,
    vaDouble,
    vaIdent,  // enumeration member or component name
    vaFalse,
    vaTrue,
    vaString,
    vaSet,         // member names, closed by an empty name
    vaNil,         // no component
    vaCollection,  // items (each a vaList of properties), closed by vaNull
    vaBinary       // length-prefixed bytes
};

using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// Called for a property that cannot be read: (reader, message, handled). Setting
// Handled skips the property and reading goes on; otherwise EReadError is raised.
using TReaderError = TEvent<TReader*, const std::string&, bool&>;

class TFiler {
public:
    TFiler(TStream& Stream, int BufSize);
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;
    virtual ~TFiler() = default;

    TStream& Stream() const { return FStream; }
    TComponent* Root() const { return FRoot; }
    void SetRoot(TComponent* Value) { FRoot = Value; }
    // When set, nested children are neither written nor read (they are skipped).
    bool IgnoreChildren() const { return FIgnoreChildren; }
    void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

    // Non-property data of the object whose DefineProperties is running, stored
    // under Name. HasData false: nothing is written for it.
    virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                                const TWriterProc& WriteData, bool HasData) = 0;
    // The same for raw bytes (bitmap pixels): WriteData writes to a stream,
    // ReadData gets a stream holding exactly the stored bytes.
    virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;

protected:
    TStream& FStream;
    std::vector<std::uint8_t> FBuffer;
    TComponent* FRoot = nullptr;
    bool FIgnoreChildren = false;
};

// --- TWriter -------------------------------------------------------------------------

class TWriter : public TFiler {
public:
    TWriter(TStream& Stream, int BufSize);
    // Writes out what is still buffered; failures there are lost, so the writing
    // operations below flush themselves and report them.
    ~TWriter() override;

    // Signature, then Root with its subtree; flushed to the stream at the end.
    void WriteRootComponent(TComponent* Root);
    // One object with its subtree, without a signature (the root when none is set).
    void WriteComponent(TComponent* Component);
    // The body of a component: its properties, then its children (TComponent::WriteState).
    void WriteData(TComponent* Instance);

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                        const TWriterProc& WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                              const TStreamProc& WriteData, bool HasData) override;

    // Typed values, for DefineProperty writers and the converters.
    void WriteSignature();
    void WriteValue(TValueType Value);
    void WriteInteger(std::int64_t Value);
    void WriteFloat(double Value);
    void WriteBoolean(bool Value);
    void WriteString(std::string_view Value);
    void WriteIdent(std::string_view Value);
    void WriteSet(const TEnumInfo& Members, std::int64_t Mask);
    void WriteBinary(const void* Data, std::int64_t Count);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    // A name or any other length-prefixed text without a value tag.
    void WriteStr(std::string_view Value);

    void FlushBuffer();
    std::int64_t Position() const { return FStreamPos + std::int64_t(FBufLen); }

private:
    void WriteProperties(TPersistent* Instance, const std::string& Prefix, int Depth);
    void WriteProperty(TPersistent* Instance, const TPropInfo& Prop, const std::string& Prefix,
                       int Depth);
    void WriteCollection(TCollection* Collection, int Depth);
    std::string ReferenceName(const TComponent* Target, const std::string& Path);
    void Put(const void* Data, std::size_t Count);
    void PutByte(std::uint8_t Byte);
    void PutLength(std::uint64_t Value);

    std::size_t FBufLen = 0;
    std::int64_t FStreamPos = 0;
    int FDepth = 0;
    std::string FPropPrefix;                        // path of the object being defined
    std::unordered_set<const TComponent*> FNested;  // everything written under the root
    bool FNestedKnown = false;
};

// --- TReader -------------------------------------------------------------------------

class TReader : public TFiler {
public:
    TReader(TStream& Stream, int BufSize);
    // Leaves the stream positioned just after the bytes read.
    ~TReader() override;

    // Reads the signature and one object into Root: the stored class is not compared,
    // the stored name is applied for the read. Nested objects are created by class
    // name with Root as owner and attached to the object they were nested in through
    // SetParentComponent. References are resolved at the end, then every object read
    // gets Loaded. Root none: a new component of the stored class is created.
    TComponent* ReadRootComponent(TComponent* Root);
    // Reads the signature and one whole object as ReadRootComponent would, without
    // creating or changing anything: every value and list must be well formed, nesting
    // within bounds, and the class of every nested object registered and creatable.
    // Raises what ReadRootComponent would raise for those faults, so that a caller can
    // refuse a stream before it frees anything for it.
    void CheckRootComponent();
    // One nested object: created with Owner(), read, attached to Parent().
    TComponent* ReadComponent();
    // The body of a component: its properties, then its children (TComponent::ReadState).
    void ReadData(TComponent* Instance);

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                        const TWriterProc& WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                              const TStreamProc& WriteData, bool HasData) override;

    TComponent* Owner() const { return FOwner; }
    void SetOwner(TComponent* Value) { FOwner = Value; }
    TComponent* Parent() const { return FParent; }
    void SetParent(TComponent* Value) { FParent = Value; }
    const TReaderError& OnError() const { return FOnError; }
    void SetOnError(const TReaderError& Value) { FOnError = Value; }
    // An addition: the bytes of the stream read so far, out of its size, reported to
    // Value with Sender as the sender while ReadRootComponent reads, at most once per
    // hundredth and once when the whole object has been read.
    void SetOnProgress(const TProgressEvent& Value, TObject* Sender) {
        FProgress = TProgressReporter(Value, Sender, FStreamEnd);
    }

    // Offers Message to OnError; true when the handler set Handled.
    bool Error(const std::string& Message);

    // Typed values, for DefineProperty readers and the converters. Each raises
    // EReadError, naming the byte offset, when the stream holds something else.
    void ReadSignature();
    TValueType ReadValue() {
        const std::uint8_t tag = GetByte();
        if (tag > std::uint8_t(TValueType::vaBinary))
            UnknownTag(tag);
        return TValueType(tag);
    }
    TValueType NextValue();
    bool EndOfList() { return PeekByte() == 0; }
    void ReadListBegin();
    void ReadListEnd();
    std::int64_t ReadInteger();
    double ReadFloat();
    bool ReadBoolean();
    std::string ReadString();
    std::string ReadIdent();
    // The payload of a value whose tag was read already.
    std::int64_t ReadIntegerBody(TValueType Type) {
        switch (Type) {
        case TValueType::vaInt8:
            return GetPod<std::int8_t>();
        case TValueType::vaInt16:
            return GetPod<std::int16_t>();
        case TValueType::vaInt32:
            return GetPod<std::int32_t>();
        case TValueType::vaInt64:
            return GetPod<std::int64_t>();
        default:
            NotAnInteger();
        }
    }
    double ReadFloatBody() { return GetPod<double>(); }
    std::string ReadStr();
    // Into Text, reusing its room.
    void ReadStr(std::string& Text);
    std::vector<std::uint8_t> ReadBinaryBody();
    // Skips one value of any kind, collections and lists included.
    void SkipValue();
    void SkipComponent();

    std::int64_t Position() const { return FBufOrigin + std::int64_t(FBufPos); }
    // EReadError with the byte offset At (default: the current position).
    [[noreturn]] void ReadError(const std::string& Message, std::int64_t At = -1) const;

private:
    struct Fixup {
        TObject* Instance;
        const TPropInfo* Prop;
        std::string Path;
        std::string Name;
        std::int64_t At;
    };
    // One segment of a property path: the property, and the C++ class of the object it
    // was found in (compared without a call, and as strict as the class information).
    struct PathStep {
        const std::type_info* Type;
        const TPropInfo* Prop;
    };
    // A property path as stored, resolved for one class.
    struct ResolvedPath {
        std::string Path;
        std::vector<PathStep> Steps;
    };
    struct LoadedEntry {
        TComponent* Component;
        std::string StreamName;
    };

    void ReadProperties(TPersistent* Instance, int Depth);
    const ResolvedPath* ReadProperty(TPersistent* Instance, int Depth,
                                     const ResolvedPath* Expected);
    void ReadPropValue(TObject* Instance, const TPropInfo& Prop, const std::string& Path,
                       std::int64_t At, int Depth);
    void ReadCollection(TCollection* Collection, const std::string& Path, int Depth);
    static TObject* Follow(TObject* Instance, const std::vector<PathStep>& Steps);
    [[noreturn]] void NotAnInteger() const;
    [[noreturn]] void UnknownTag(std::uint8_t Tag) const;
    void SkipValueBody(TValueType Type, int Depth);
    void SkipCollectionBody(int Depth);
    void SkipBytes(std::uint64_t Count) {
        if (FBufLen - FBufPos >= Count)
            FBufPos += std::size_t(Count);
        else
            SkipBeyondBuffer(Count);
    }
    void SkipBeyondBuffer(std::uint64_t Count);
    // A length-prefixed text or value skipped whole.
    void SkipStr(const char* What) { SkipBytes(GetLength(What)); }
    // With CheckSelf, the object's class must be one that ReadComponent can create; with
    // CheckChildren, the classes of all objects nested in it.
    void SkipComponentAt(int Depth, bool CheckSelf = false, bool CheckChildren = false);
    const TMetaClass& NestedClass(const std::string& ClassName, const std::string& Name,
                                  std::int64_t At) const;
    void PropertyError(const std::string& Message, std::int64_t At);
    void DropFixupsOf(const TCollection* Collection);
    void ResolveFixups();
    TComponent* FindReference(std::string_view Name);
    void EnterNesting(int Depth) const;

    void Fill(std::size_t Need);
    void Get(void* Data, std::size_t Count);
    // Every value passes through these two: kept inline, the refill out of line.
    std::uint8_t GetByte() {
        if (FBufPos == FBufLen)
            Fill(1);
        return FBuffer[FBufPos++];
    }
    std::uint8_t PeekByte() {
        if (FBufPos == FBufLen)
            Fill(1);
        return FBuffer[FBufPos];
    }
    // Most lengths are below 128: one byte, and plainly within the buffer's stream.
    std::uint64_t GetLength(const char* What) {
        if (FBufPos < FBufLen && FBuffer[FBufPos] < 0x80 &&
            FBuffer[FBufPos] < FStreamEnd - Position())
            return FBuffer[FBufPos++];
        return GetLongLength(What);
    }
    std::uint64_t GetLongLength(const char* What);
    template <class T>
    T GetPod() {
        T value;
        if (FBufLen - FBufPos >= sizeof value) {
            std::memcpy(&value, FBuffer.data() + FBufPos, sizeof value);
            FBufPos += sizeof value;
        } else {
            Get(&value, sizeof value);
        }
        return value;
    }
    // Whether the next bytes are Text stored as a short name (one length byte), whole in
    // the buffer: compared in place, nothing copied.
    bool NextStrIs(std::string_view Text) const {
        const std::size_t n = Text.size();
        return n < 0x80 && FBufLen - FBufPos > n && FBuffer[FBufPos] == n &&
               std::memcmp(FBuffer.data() + FBufPos + 1, Text.data(), n) == 0;
    }

    std::size_t FBufLen = 0;
    std::size_t FBufPos = 0;
    std::int64_t FBufOrigin = 0;
    std::int64_t FStreamEnd = 0;
    TComponent* FOwner = nullptr;
    TComponent* FParent = nullptr;
    TReaderError FOnError;
    TProgressReporter FProgress;
    int FDepth = 0;
    std::vector<LoadedEntry> FLoaded;
    std::vector<Fixup> FFixups;
    std::unordered_map<std::string, TComponent*> FByName;  // stored names, upper case
    // The property path being read at each depth; kept so that paths longer than a short
    // string take no allocation per property.
    std::deque<std::string> FPaths;
    // Paths resolved before, keyed by the class of the object they were read for and the
    // path: objects of one class store the same paths again and again, and resolving each
    // segment by name would cost much of a load.
    std::unordered_map<std::string, ResolvedPath> FResolved;
    std::string FResolveKey;
    // For each class, the resolved paths in the order the last object of that class
    // stored them: the next object of the class most likely stores the same ones, and
    // each is compared in the buffer before the path is copied or hashed.
    std::unordered_map<const TMetaClass*, std::vector<const ResolvedPath*>> FOrders;
    // The last class name the check found creatable.
    std::string FCheckedClass;
    // DefineProperties dispatch while a property is being read.
    const std::string* FDefinedName = nullptr;
    const std::string* FDefinedPath = nullptr;
    bool FDefinedFound = false;
};

}  // namespace nyx
