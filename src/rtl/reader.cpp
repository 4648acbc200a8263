#include "rtl/filer.h"

#include "rtl/detail/objectformat.h"
#include "rtl/scope.h"
#include "rtl/streams.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace nyx {

void TComponent::ReadState(TReader& Reader) { Reader.ReadData(this); }

namespace {
std::string At(std::int64_t pos) { return " (byte " + std::to_string(pos) + ")"; }
const char* const kSkipHint = "; set Handled in the reader's OnError to skip such properties";
}  // namespace

// --- Buffer --------------------------------------------------------------------------

TReader::TReader(TStream& Stream, int BufSize) : TFiler(Stream, BufSize) {
    FBufOrigin = Stream.Position();
    FStreamEnd = Stream.Size();
}

TReader::~TReader() {
    try {
        FStream.SetPosition(Position());
    } catch (...) {
        // The stream refuses to seek back; nothing else to do here.
    }
}

void TReader::ReadError(const std::string& Message, std::int64_t Pos) const {
    throw EReadError(Message + At(Pos < 0 ? Position() : Pos));
}

void TReader::Fill(std::size_t Need) {
    if (FBufLen - FBufPos >= Need)
        return;
    const std::size_t keep = FBufLen - FBufPos;
    std::memmove(FBuffer.data(), FBuffer.data() + FBufPos, keep);
    FBufOrigin += std::int64_t(FBufPos);
    FBufPos = 0;
    FBufLen = keep;
    while (FBufLen < Need) {
        const std::int64_t n =
            FStream.Read(FBuffer.data() + FBufLen, std::int64_t(FBuffer.size() - FBufLen));
        if (n <= 0)
            ReadError("TReader: the stream ends in the middle of a value; it is truncated");
        FBufLen += std::size_t(n);
    }
    FProgress.Report(FBufOrigin);
}

void TReader::Get(void* Data, std::size_t Count) {
    if (Count == 0)
        return;
    auto* out = static_cast<std::uint8_t*>(Data);
    const std::size_t have = std::min(Count, FBufLen - FBufPos);
    std::memcpy(out, FBuffer.data() + FBufPos, have);
    FBufPos += have;
    Count -= have;
    if (Count == 0)
        return;
    if (Count >= FBuffer.size()) {
        // Large blocks go straight from the stream.
        const std::int64_t start = Position();
        if (FStream.Read(out + have, std::int64_t(Count)) != std::int64_t(Count))
            ReadError("TReader: the stream ends in the middle of a value; it is truncated");
        FBufOrigin = start + std::int64_t(Count);
        FBufPos = FBufLen = 0;
        return;
    }
    Fill(Count);
    std::memcpy(out + have, FBuffer.data() + FBufPos, Count);
    FBufPos += Count;
}

std::uint64_t TReader::GetLongLength(const char* What) {
    const std::int64_t start = Position();
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t b = GetByte();
        if (shift == 63 && b > 1)
            ReadError(std::string("TReader: the length of ") + What + " is malformed", start);
        value |= std::uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    const std::uint64_t left = std::uint64_t(std::max<std::int64_t>(FStreamEnd - Position(), 0));
    if (value > left)
        ReadError(std::string("TReader: the length of ") + What + " (" + std::to_string(value) +
                      " bytes) exceeds the " + std::to_string(left) +
                      " bytes left in the stream; the data is truncated or corrupt",
                  start);
    return value;
}

// --- Values --------------------------------------------------------------------------

void TReader::ReadSignature() {
    const std::int64_t start = Position();
    std::uint8_t sig[sizeof detail::kObjectSignature] = {};
    const bool whole = FStreamEnd - start >= std::int64_t(sizeof sig);
    if (whole)
        Get(sig, sizeof sig);
    if (!whole || std::memcmp(sig, detail::kObjectSignature, sizeof sig) != 0)
        ReadError("TReader.ReadSignature: the data does not start with the signature of a binary "
                  "object stream; convert text forms with ObjectTextToBinary first",
                  start);
}

void TReader::UnknownTag(std::uint8_t Tag) const {
    ReadError("TReader.ReadValue: unknown value tag " + std::to_string(Tag) +
                  "; the stream is corrupt",
              Position() - 1);
}

TValueType TReader::NextValue() {
    const TValueType t = ReadValue();
    --FBufPos;
    return t;
}

void TReader::ReadListBegin() {
    if (ReadValue() != TValueType::vaList)
        ReadError("TReader.ReadListBegin: expected the start of a list", Position() - 1);
}

void TReader::ReadListEnd() {
    if (ReadValue() != TValueType::vaNull)
        ReadError("TReader.ReadListEnd: expected the end of a list", Position() - 1);
}

void TReader::NotAnInteger() const {
    ReadError("TReader.ReadInteger: expected an integer value", Position() - 1);
}

std::int64_t TReader::ReadInteger() { return ReadIntegerBody(ReadValue()); }

double TReader::ReadFloat() {
    const TValueType t = ReadValue();
    if (t == TValueType::vaDouble)
        return ReadFloatBody();
    return double(ReadIntegerBody(t));
}

bool TReader::ReadBoolean() {
    const TValueType t = ReadValue();
    if (t != TValueType::vaTrue && t != TValueType::vaFalse)
        ReadError("TReader.ReadBoolean: expected True or False", Position() - 1);
    return t == TValueType::vaTrue;
}

std::string TReader::ReadStr() {
    std::string s;
    ReadStr(s);
    return s;
}

void TReader::ReadStr(std::string& Text) {
    Text.resize(std::size_t(GetLength("a text")));
    Get(Text.data(), Text.size());
}

std::string TReader::ReadString() {
    if (ReadValue() != TValueType::vaString)
        ReadError("TReader.ReadString: expected a string", Position() - 1);
    return ReadStr();
}

std::string TReader::ReadIdent() {
    if (ReadValue() != TValueType::vaIdent)
        ReadError("TReader.ReadIdent: expected an identifier", Position() - 1);
    return ReadStr();
}

std::vector<std::uint8_t> TReader::ReadBinaryBody() {
    const std::uint64_t n = GetLength("binary data");
    std::vector<std::uint8_t> data(static_cast<std::size_t>(n));
    Get(data.data(), data.size());
    return data;
}

void TReader::EnterNesting(int Depth) const {
    if (Depth >= detail::kMaxNesting)
        ReadError("TReader: objects or lists nest more than " +
                  std::to_string(detail::kMaxNesting) + " levels deep; the stream is corrupt");
}

void TReader::SkipValue() { SkipValueBody(ReadValue(), FDepth); }

void TReader::SkipValueBody(TValueType Type, int Depth) {
    std::uint64_t n = 0;
    switch (Type) {
    case TValueType::vaNull:
        ReadError("TReader.SkipValue: a value was expected, not the end of a list", Position() - 1);
    case TValueType::vaList:
        EnterNesting(Depth);
        while (!EndOfList())
            SkipValueBody(ReadValue(), Depth + 1);
        ReadListEnd();
        return;
    case TValueType::vaInt8:
        n = 1;
        break;
    case TValueType::vaInt16:
        n = 2;
        break;
    case TValueType::vaInt32:
        n = 4;
        break;
    case TValueType::vaInt64:
    case TValueType::vaDouble:
        n = 8;
        break;
    case TValueType::vaIdent:
    case TValueType::vaString:
    case TValueType::vaBinary:
        n = GetLength("a value");
        break;
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        return;
    case TValueType::vaSet:
        while ((n = GetLength("a set member")) != 0)
            SkipBytes(n);
        return;
    case TValueType::vaCollection:
        SkipCollectionBody(Depth + 1);
        return;
    }
    SkipBytes(n);
}

void TReader::SkipBeyondBuffer(std::uint64_t n) {
    if (std::int64_t(n) > FStreamEnd - Position())
        ReadError("TReader: the stream ends in the middle of a value; it is truncated");
    // What the buffer holds is read on from: a seek for each value that crosses the end
    // of the buffer would cost a system call and throw the read-ahead away.
    if (n <= FBuffer.size()) {
        Fill(std::size_t(n));
        FBufPos += std::size_t(n);
        return;
    }
    const std::int64_t target = Position() + std::int64_t(n);
    FStream.SetPosition(target);
    FBufOrigin = target;
    FBufPos = FBufLen = 0;
}

void TReader::SkipCollectionBody(int Depth) {
    EnterNesting(Depth);
    for (;;) {
        const TValueType t = ReadValue();
        if (t == TValueType::vaNull)
            return;
        if (t != TValueType::vaList)
            ReadError("TReader: expected an item of a collection", Position() - 1);
        while (!EndOfList()) {
            SkipStr("a property name");
            SkipValueBody(ReadValue(), Depth + 1);
        }
        ReadListEnd();
    }
}

void TReader::SkipComponent() { SkipComponentAt(FDepth); }

void TReader::SkipComponentAt(int Depth, bool CheckSelf, bool CheckChildren) {
    EnterNesting(Depth);
    // Siblings are mostly of one class: the name of the last class found creatable is
    // only compared.
    if (CheckSelf && (FCheckedClass.empty() || !NextStrIs(FCheckedClass))) {
        const std::int64_t start = Position();
        const std::string className = ReadStr();
        const std::string name = ReadStr();
        NestedClass(className, name, start);
        FCheckedClass = className;
    } else {
        SkipStr("a class name");
        SkipStr("an object name");
    }
    while (!EndOfList()) {
        SkipStr("a property name");
        SkipValueBody(ReadValue(), Depth + 1);
    }
    ReadListEnd();
    while (!EndOfList())
        SkipComponentAt(Depth + 1, CheckChildren, CheckChildren);
    ReadListEnd();
}

void TReader::CheckRootComponent() {
    ReadSignature();
    SkipComponentAt(FDepth, false, true);
}

// --- Properties ----------------------------------------------------------------------

bool TReader::Error(const std::string& Message) {
    bool handled = false;
    if (FOnError)
        FOnError(this, Message, handled);
    return handled;
}

void TReader::PropertyError(const std::string& Message, std::int64_t Pos) {
    const std::string text = Message + At(Pos);
    if (!Error(text))
        throw EReadError(text + kSkipHint);
}

void TReader::ReadProperties(TPersistent* Instance, int Depth) {
    // A reference into the map's node: it stays valid while nested reads add classes.
    std::vector<const ResolvedPath*>& order = FOrders[&Instance->ClassType()];
    for (std::size_t i = 0; !EndOfList(); ++i) {
        const ResolvedPath* expected = i < order.size() ? order[i] : nullptr;
        const ResolvedPath* read = ReadProperty(Instance, Depth, expected);
        if (read && read != expected) {
            if (order.size() <= i)
                order.resize(i + 1);
            order[i] = read;
        }
    }
    ReadListEnd();
}

// The path Expected when the stream holds it next and it leads to a property from
// Instance, else the one resolved by name; none for defined properties and errors.
const TReader::ResolvedPath* TReader::ReadProperty(TPersistent* Instance, int Depth,
                                                   const ResolvedPath* Expected) {
    const std::int64_t start = Position();
    if (Expected && NextStrIs(Expected->Path)) {
        const std::size_t stored = 1 + Expected->Path.size();
        FBufPos += stored;
        if (TObject* target = Follow(Instance, Expected->Steps)) {
            ReadPropValue(target, *Expected->Steps.back().Prop, Expected->Path, start, Depth);
            return Expected;
        }
        FBufPos -= stored;  // still in the buffer: resolved by name below
    }
    while (FPaths.size() <= std::size_t(Depth))
        FPaths.emplace_back();
    std::string& path = FPaths[std::size_t(Depth)];
    ReadStr(path);
    auto unknown = [&](const TObject& in, std::string_view name) {
        PropertyError("TReader.ReadProperty: " + path + ": " + in.ClassName() +
                          " has no property " + std::string(name),
                      start);
        SkipValue();
        return nullptr;
    };
    const TMetaClass* const cls = &Instance->ClassType();
    FResolveKey.assign(reinterpret_cast<const char*>(&cls), sizeof cls);
    FResolveKey += path;
    if (const auto it = FResolved.find(FResolveKey); it != FResolved.end())
        if (TObject* target = Follow(Instance, it->second.Steps)) {
            ReadPropValue(target, *it->second.Steps.back().Prop, path, start, Depth);
            return &it->second;
        }
    std::vector<PathStep> steps;
    TObject* target = Instance;
    std::string_view rest = path;
    // Paths are short: a plain scan beats a call to memchr for each of them.
    auto nextDot = [](std::string_view s) {
        const auto it = std::find(s.begin(), s.end(), '.');
        return it == s.end() ? std::string_view::npos : std::size_t(it - s.begin());
    };
    for (std::size_t dot; (dot = nextDot(rest)) != std::string_view::npos;) {
        const std::string_view segment = rest.substr(0, dot);
        const TPropInfo* p = target->ClassType().FindProperty(segment);
        TObject* next =
            p && p->Kind == TTypeKind::tkClass && p->ClassKind == TClassPropKind::ckOwned
                ? p->GetObject(*target)
                : nullptr;
        if (!next)
            return unknown(*target, segment);
        steps.push_back({&typeid(*target), p});
        target = next;
        rest.remove_prefix(dot + 1);
    }
    const TPropInfo* p = target->ClassType().FindProperty(rest);
    if (p && p->Kind != TTypeKind::tkMethod &&
        !(p->Kind == TTypeKind::tkClass && p->ClassKind == TClassPropKind::ckOwned)) {
        steps.push_back({&typeid(*target), p});
        // A path known before led through objects of other classes: it is resolved
        // anew in place, its text left as it is for reads that may still hold it.
        ResolvedPath& resolved = FResolved[FResolveKey];
        if (resolved.Steps.empty())
            resolved.Path = path;
        resolved.Steps = std::move(steps);
        ReadPropValue(target, *p, path, start, Depth);
        return &resolved;
    }
    if (auto* persistent = dynamic_cast<TPersistent*>(target)) {
        const std::string name(rest);
        FDefinedName = &name;
        FDefinedPath = &path;
        FDefinedFound = false;
        {
            const TOnExit forget([this] { FDefinedName = nullptr; });
            persistent->DefineProperties(*this);
        }
        if (FDefinedFound)
            return nullptr;
    }
    if (p && p->Kind == TTypeKind::tkClass) {
        PropertyError("TReader.ReadProperty: " + path +
                          " is an object; its values are stored "
                          "under paths such as " +
                          path + ".Name",
                      start);
        SkipValue();
        return nullptr;
    }
    return unknown(*target, rest);
}

// The object a resolved path leads to from Instance, or null when an object on the way
// is of another class than the one the path was resolved through. Paths are resolved
// per class of Instance: its own class needs no comparing.
TObject* TReader::Follow(TObject* Instance, const std::vector<PathStep>& Steps) {
    TObject* target = Instance;
    for (std::size_t i = 0; i + 1 < Steps.size(); ++i) {
        target = Steps[i].Prop->GetObject(*target);
        if (!target || typeid(*target) != *Steps[i + 1].Type)
            return nullptr;
    }
    return target;
}

void TReader::ReadPropValue(TObject* Instance, const TPropInfo& Prop, const std::string& Path,
                            std::int64_t Start, int Depth) {
    const TValueType t = ReadValue();
    const bool isInt = t >= TValueType::vaInt8 && t <= TValueType::vaInt64;
    auto mismatch = [&](const std::string& expected) {
        PropertyError("TReader.ReadProperty: " + Path + " expects " + expected +
                          ", the stream holds another kind of value",
                      Start);
        SkipValueBody(t, Depth + 1);
    };
    auto apply = [&](auto&& set) {
        try {
            set();
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            PropertyError("TReader.ReadProperty: " + Path + ": " + e.Message(), Start);
        }
    };
    switch (Prop.Kind) {
    case TTypeKind::tkInteger:
        if (!isInt)
            return mismatch("an integer");
        {
            const std::int64_t v = ReadIntegerBody(t);
            apply([&] { Prop.SetOrd(*Instance, v); });
        }
        return;
    case TTypeKind::tkFloat:
        if (!isInt && t != TValueType::vaDouble)
            return mismatch("a number");
        {
            const double v = isInt ? double(ReadIntegerBody(t)) : ReadFloatBody();
            apply([&] { Prop.SetFloat(*Instance, v); });
        }
        return;
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkBoolean: {
        int ord = -1;
        std::string member;
        if (t == TValueType::vaIdent) {
            member = ReadStr();
            ord = Prop.EnumType->IndexOf(member);
        } else if (Prop.Kind == TTypeKind::tkBoolean &&
                   (t == TValueType::vaTrue || t == TValueType::vaFalse)) {
            ord = t == TValueType::vaTrue ? 1 : 0;
        } else {
            return mismatch("a member of " + Prop.EnumType->Name);
        }
        if (ord < 0)
            return PropertyError("TReader.ReadProperty: " + Path + ": " + member +
                                     " is not a member of " + Prop.EnumType->Name,
                                 Start);
        apply([&] { Prop.SetOrd(*Instance, ord); });
        return;
    }
    case TTypeKind::tkSet: {
        if (t != TValueType::vaSet)
            return mismatch("a set");
        std::int64_t mask = 0;
        std::string bad;
        for (std::string m = ReadStr(); !m.empty(); m = ReadStr()) {
            const int ord = Prop.EnumType->IndexOf(m);
            if (ord < 0 || ord >= 64)
                bad = m;
            else
                mask |= std::int64_t(1) << ord;
        }
        if (!bad.empty())
            return PropertyError("TReader.ReadProperty: " + Path + ": " + bad +
                                     " is not a member of " + Prop.EnumType->Name,
                                 Start);
        apply([&] { Prop.SetOrd(*Instance, mask); });
        return;
    }
    case TTypeKind::tkString:
        if (t != TValueType::vaString)
            return mismatch("a string");
        {
            const std::string v = ReadStr();
            apply([&] { Prop.SetString(*Instance, v); });
        }
        return;
    case TTypeKind::tkClass:
        if (Prop.ClassKind == TClassPropKind::ckCollection) {
            if (t != TValueType::vaCollection)
                return mismatch("a collection");
            auto* collection = dynamic_cast<TCollection*>(Prop.GetObject(*Instance));
            if (!collection) {
                PropertyError("TReader.ReadProperty: " + Path + " holds no collection", Start);
                return SkipCollectionBody(Depth + 1);
            }
            return ReadCollection(collection, Path, Depth + 1);
        }
        if (t == TValueType::vaNil)
            return apply([&] { Prop.SetObject(*Instance, nullptr); });
        if (t != TValueType::vaIdent)
            return mismatch("the name of a component");
        FFixups.push_back({Instance, &Prop, Path, ReadStr(), Start});
        return;
    case TTypeKind::tkMethod:
        break;
    }
    mismatch("nothing (events are not stored)");
}

void TReader::ReadCollection(TCollection* Collection, const std::string& Path, int Depth) {
    EnterNesting(Depth);
    DropFixupsOf(Collection);
    const TUpdateScope update(*Collection);
    Collection->Clear();
    for (;;) {
        const std::int64_t start = Position();
        const TValueType t = ReadValue();
        if (t == TValueType::vaNull)
            break;
        if (t != TValueType::vaList)
            ReadError("TReader.ReadProperty: " + Path + ": expected an item of the collection",
                      start);
        TCollectionItem* item = nullptr;
        try {
            item = Collection->Add();
        } catch (const Exception& e) {
            PropertyError("TReader.ReadProperty: " + Path + ": " + e.Message(), start);
            --FBufPos;  // hand the item back to the skipper
            SkipCollectionBody(Depth);
            break;
        }
        ReadProperties(item, Depth + 1);
    }
}

// A collection read twice frees the items of the first reading.
void TReader::DropFixupsOf(const TCollection* Collection) {
    std::erase_if(FFixups, [&](const Fixup& f) {
        const auto* item = dynamic_cast<const TCollectionItem*>(f.Instance);
        return item && item->Collection() == Collection;
    });
}

// --- Defined properties ----------------------------------------------------------------

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                             const TWriterProc&, bool) {
    if (!FDefinedName || FDefinedFound || !SameText(Name, *FDefinedName) || !ReadData)
        return;
    FDefinedFound = true;
    const std::int64_t start = Position();
    // A value that was read whole but refused is reported like a refused property value.
    try {
        ReadData(*this);
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        PropertyError("TReader.ReadProperty: " + *FDefinedPath + ": " + e.Message(), start);
    }
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
    if (!FDefinedName || FDefinedFound || !SameText(Name, *FDefinedName) || !ReadData)
        return;
    FDefinedFound = true;
    const std::int64_t start = Position();
    const TValueType t = ReadValue();
    if (t != TValueType::vaBinary) {
        PropertyError("TReader.ReadProperty: " + *FDefinedPath + " expects binary data", start);
        return SkipValueBody(t, FDepth + 1);
    }
    const std::vector<std::uint8_t> data = ReadBinaryBody();
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), std::int64_t(data.size()));
    stream.SetPosition(0);
    try {
        ReadData(stream);
    } catch (const Exception& e) {
        PropertyError("TReader.ReadProperty: " + *FDefinedPath + ": " + e.Message(), start);
    }
}

// --- Components ----------------------------------------------------------------------

TComponent* TReader::ReadRootComponent(TComponent* Root) {
    ReadSignature();
    const std::int64_t start = Position();
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    bool created = false;
    if (!Root) {
        const TMetaClass* cls = GetClass(className);
        if (!cls || !cls->CanCreateComponent())
            throw EClassNotFound("TReader.ReadRootComponent: class " + className + At(start) +
                                 " is not a registered component class; register it with "
                                 "RegisterClasses before reading");
        Root = cls->NewComponent(nullptr);
        created = true;
    }
    FRoot = Root;
    if (!FOwner)
        FOwner = Root;
    FLoaded.clear();
    FFixups.clear();
    FLoaded.push_back({Root, name});
    Root->SetLoading(true);
    Root->SetReading(true);
    {
        const TOnFailure undo([&] {
            FDepth = 0;
            for (const LoadedEntry& e : FLoaded) {
                e.Component->SetReading(false);
                e.Component->SetLoading(false);
            }
            FLoaded.clear();
            if (created)
                delete Root;
        });
        const TOnExit forgetFixups([this] { FFixups.clear(); });  // before the root goes
        if (name != Root->Name()) {
            try {
                Root->SetName(name);
            } catch (const Exception&) {
                // Taken by a sibling of the root: the root keeps its name, and
                // references to the stored name still find it.
            }
        }
        FDepth = 1;
        Root->ReadState(*this);
        FDepth = 0;
        for (const LoadedEntry& e : FLoaded)
            e.Component->SetReading(false);
        ResolveFixups();
        // Loaded may run arbitrary code; walk a copy.
        const std::vector<LoadedEntry> loaded = std::move(FLoaded);
        FLoaded.clear();
        for (const LoadedEntry& e : loaded) {
            e.Component->Loaded();
            e.Component->SetLoading(false);
        }
        FProgress.Finish();
    }
    return Root;
}

TComponent* TReader::ReadComponent() {
    const std::int64_t start = Position();
    EnterNesting(FDepth);
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    const TMetaClass& cls = NestedClass(className, name, start);
    TComponent* const parent = FParent;
    TComponent* c = cls.NewComponent(FOwner);
    const std::size_t index = FLoaded.size();
    FLoaded.push_back({c, name});
    c->SetLoading(true);
    c->SetReading(true);
    ++FDepth;
    {
        const TOnFailure discard([&] {
            --FDepth;
            FParent = parent;
            // The half-read object and what was read inside it go away.
            for (std::size_t i = index; i < FLoaded.size(); ++i) {
                FLoaded[i].Component->SetReading(false);
                FLoaded[i].Component->SetLoading(false);
            }
            FLoaded.resize(index);
            delete c;
        });
        if (!name.empty()) {
            try {
                c->SetName(name);
            } catch (const Exception& e) {
                PropertyError("TReader.ReadComponent: " + className + " \"" + name +
                                  "\": " + e.Message(),
                              start);
            }
        }
        c->ReadState(*this);
        FParent = parent;
        if (parent)
            c->SetParentComponent(parent);
    }
    --FDepth;
    return c;
}

const TMetaClass& TReader::NestedClass(const std::string& ClassName, const std::string& Name,
                                       std::int64_t Start) const {
    const TMetaClass* cls = GetClass(ClassName);
    if (!cls)
        throw EClassNotFound("TReader.ReadComponent: class " + ClassName + " of object \"" + Name +
                             "\"" + At(Start) +
                             " is not registered; register it with RegisterClasses before "
                             "reading");
    if (!cls->CanCreateComponent())
        ReadError("TReader.ReadComponent: class " + ClassName + " of object \"" + Name +
                      "\" cannot be created by name",
                  Start);
    return *cls;
}

void TReader::ReadData(TComponent* Instance) {
    ReadProperties(Instance, FDepth);
    const TRestore parent(FParent, Instance);
    while (!EndOfList()) {
        if (FIgnoreChildren)
            SkipComponentAt(FDepth);
        else
            ReadComponent();
    }
    ReadListEnd();
}

// --- References ----------------------------------------------------------------------

// A name is looked up among the objects of this stream (by their stored names), then
// what the root owns, then the root's siblings; "A.B" continues in A's components.
TComponent* TReader::FindReference(std::string_view Name) {
    const std::size_t dot = Name.find('.');
    const std::string_view head = Name.substr(0, dot);
    TComponent* c = nullptr;
    if (FByName.empty())
        for (const LoadedEntry& e : FLoaded)
            FByName.emplace(UpperCase(e.StreamName), e.Component);  // the first of a name wins
    if (auto it = FByName.find(UpperCase(head)); it != FByName.end())
        c = it->second;
    if (!c && FRoot)
        c = SameText(FRoot->Name(), head) ? FRoot : FRoot->FindComponent(head);
    if (!c && FRoot && FRoot->Owner()) {
        TComponent* owner = FRoot->Owner();
        c = SameText(owner->Name(), head) ? owner : owner->FindComponent(head);
    }
    std::string_view rest =
        dot == std::string_view::npos ? std::string_view() : Name.substr(dot + 1);
    while (c && !rest.empty()) {
        const std::size_t next = rest.find('.');
        c = c->FindComponent(rest.substr(0, next));
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    }
    return c;
}

void TReader::ResolveFixups() {
    std::vector<Fixup> fixups = std::move(FFixups);
    FFixups.clear();
    FByName.clear();
    for (const Fixup& f : fixups) {
        TComponent* target = FindReference(f.Name);
        if (!target) {
            PropertyError("TReader.ReadProperty: " + f.Path + ": no component named " + f.Name +
                              " among the objects read, those the root owns or its siblings",
                          f.At);
            continue;
        }
        try {
            f.Prop->SetObject(*f.Instance, target);
        } catch (const Exception& e) {
            PropertyError("TReader.ReadProperty: " + f.Path + ": " + e.Message(), f.At);
        }
    }
    FByName.clear();
}

}  // namespace nyx
