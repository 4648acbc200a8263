#include "rtl/typinfo.h"

#include "rtl/classes.h"

#include <algorithm>
#include <unordered_map>

namespace nyx {

// --- TObject ---------------------------------------------------------------------

const TMetaClass& TObject::StaticClass() {
    static const TMetaClass meta("TObject", nullptr, {});
    return meta;
}

const std::string& TObject::ClassName() const { return ClassType().Name(); }
const TMetaClass* TObject::ClassParent() const { return ClassType().Parent(); }
bool TObject::InheritsFrom(const TMetaClass& c) const { return ClassType().InheritsFrom(c); }

// --- TEnumInfo -----------------------------------------------------------------------

int TEnumInfo::IndexOf(std::string_view member) const {
    for (std::size_t i = 0; i < Members.size(); ++i)
        if (SameText(Members[i], member))
            return int(i);
    return -1;
}

const std::string& TEnumInfo::NameOf(std::int64_t ordinal) const {
    if (ordinal < 0 || std::uint64_t(ordinal) >= Members.size())
        throw EPropertyError(Name + ": no member with ordinal " + std::to_string(ordinal));
    return Members[std::size_t(ordinal)];
}

const TEnumInfo& BooleanEnumInfo() {
    static const TEnumInfo info{"Boolean", {"False", "True"}};
    return info;
}

bool TPropInfo::IsStoredValue(const TObject& instance) const {
    if (Stored && !Stored(instance))
        return false;
    switch (Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkBoolean:
    case TTypeKind::tkSet:
        return !Default || GetOrd(instance) != *Default;
    case TTypeKind::tkFloat:
        return GetFloat(instance) != 0.0;
    case TTypeKind::tkString:
        return !GetString(instance).empty();
    case TTypeKind::tkClass:
        return ClassKind == TClassPropKind::ckReference ? GetObject(instance) != nullptr : true;
    case TTypeKind::tkMethod:
        return false;
    }
    return false;
}

std::string PropTypeName(const TPropInfo& p) {
    if (!p.TypeName.empty())
        return p.TypeName;
    switch (p.Kind) {
    case TTypeKind::tkInteger:
        return "Integer";
    case TTypeKind::tkFloat:
        return "Double";
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        return p.EnumType ? p.EnumType->Name : std::string();
    case TTypeKind::tkBoolean:
        return "Boolean";
    case TTypeKind::tkString:
        return "string";
    case TTypeKind::tkClass:
        return p.PropClass ? p.PropClass().Name() : std::string();
    case TTypeKind::tkMethod:
        break;
    }
    return {};
}

// --- TMetaClass ----------------------------------------------------------------------

TMetaClass::TMetaClass(std::string name, const TMetaClass* parent, std::vector<TPropInfo> props,
                       ComponentFactory newComponent, ItemFactory newItem,
                       const std::type_info* type, bool overridesNotification)
    : FName(std::move(name)), FParent(parent), FOwn(std::move(props)), FNewComponent(newComponent),
      FNewItem(newItem), FType(type), FOverridesNotification(overridesNotification) {
    if (FParent)
        FAll = FParent->FAll;
    for (const TPropInfo& p : FOwn) {
        auto same = std::find_if(FAll.begin(), FAll.end(),
                                 [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
        if (same != FAll.end())
            *same = &p;
        else
            FAll.push_back(&p);
    }
    FByName.reserve(FAll.size());
    for (const TPropInfo* p : FAll)
        FByName.emplace(p->Name, p);
}

bool TMetaClass::InheritsFrom(const TMetaClass& c) const {
    for (const TMetaClass* k = this; k; k = k->FParent)
        if (k == &c)
            return true;
    return false;
}

TComponent* TMetaClass::NewComponent(TComponent* owner) const {
    if (!FNewComponent)
        throw EClassNotFound("TMetaClass.NewComponent: class " + FName +
                             " cannot be created by name (abstract or not a component)");
    return FNewComponent(owner);
}

TCollectionItem* TMetaClass::NewItem(TCollection* collection) const {
    if (!FNewItem)
        throw EClassNotFound("TMetaClass.NewItem: class " + FName +
                             " cannot be created as a collection item");
    return FNewItem(collection);
}

std::vector<const TPropInfo*> TMetaClass::PropertiesByName() const {
    std::vector<const TPropInfo*> sorted = FAll;
    std::stable_sort(sorted.begin(), sorted.end(), [](const TPropInfo* a, const TPropInfo* b) {
        return CompareText(a->Name, b->Name) < 0;
    });
    return sorted;
}

const TPropInfo* TMetaClass::FindProperty(std::string_view name) const {
    const auto it = FByName.find(name);
    return it == FByName.end() ? nullptr : it->second;
}

// --- Class registry ------------------------------------------------------------------

namespace {
std::unordered_map<std::string, const TMetaClass*, TTextHash, TTextEqual>& Registry() {
    static std::unordered_map<std::string, const TMetaClass*, TTextHash, TTextEqual> registry;
    return registry;
}
}  // namespace

void RegisterClass(const TMetaClass& c) { Registry().emplace(c.Name(), &c); }

void RegisterClasses(std::initializer_list<const TMetaClass*> classes) {
    for (const TMetaClass* c : classes)
        RegisterClass(*c);
}

void RegisterClasses(const std::vector<const TMetaClass*>& classes) {
    for (const TMetaClass* c : classes)
        RegisterClass(*c);
}

void UnRegisterClass(const TMetaClass& c) {
    auto it = Registry().find(c.Name());
    if (it != Registry().end() && it->second == &c)
        Registry().erase(it);
}

void UnRegisterClasses(std::initializer_list<const TMetaClass*> classes) {
    for (const TMetaClass* c : classes)
        UnRegisterClass(*c);
}

void UnRegisterClasses(const std::vector<const TMetaClass*>& classes) {
    for (const TMetaClass* c : classes)
        UnRegisterClass(*c);
}

const TMetaClass* GetClass(std::string_view name) {
    const auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second;
}

const TMetaClass& FindClass(std::string_view name) {
    if (const TMetaClass* c = GetClass(name))
        return *c;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}

// --- Property access by name ---------------------------------------------------------

const TPropInfo& GetPropInfo(const TObject& instance, std::string_view name) {
    if (const TPropInfo* p = instance.ClassType().FindProperty(name))
        return *p;
    throw EPropertyError("Property " + std::string(name) + " does not exist in " +
                         instance.ClassName());
}

static const TPropInfo& Expect(const TObject& instance, std::string_view name, bool ok,
                               const TPropInfo& p, const char* what) {
    if (!ok)
        throw EPropertyError("Property " + instance.ClassName() + "." + std::string(name) +
                             " is not " + what);
    return p;
}

static const TPropInfo& OrdinalProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = GetPropInfo(instance, name);
    return Expect(instance, name, p.IsOrdinal(), p, "an ordinal");
}

std::int64_t GetOrdProp(const TObject& instance, std::string_view name) {
    return OrdinalProp(instance, name).GetOrd(instance);
}

void SetOrdProp(TObject& instance, std::string_view name, std::int64_t value) {
    OrdinalProp(instance, name).SetOrd(instance, value);
}

double GetFloatProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = GetPropInfo(instance, name);
    return Expect(instance, name, p.Kind == TTypeKind::tkFloat, p, "a float").GetFloat(instance);
}

void SetFloatProp(TObject& instance, std::string_view name, double value) {
    const TPropInfo& p = GetPropInfo(instance, name);
    Expect(instance, name, p.Kind == TTypeKind::tkFloat, p, "a float").SetFloat(instance, value);
}

std::string GetStrProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = GetPropInfo(instance, name);
    return Expect(instance, name, p.Kind == TTypeKind::tkString, p, "a string").GetString(instance);
}

void SetStrProp(TObject& instance, std::string_view name, const std::string& value) {
    const TPropInfo& p = GetPropInfo(instance, name);
    Expect(instance, name, p.Kind == TTypeKind::tkString, p, "a string").SetString(instance, value);
}

static const TPropInfo& EnumProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = GetPropInfo(instance, name);
    return Expect(instance, name,
                  p.Kind == TTypeKind::tkEnumeration || p.Kind == TTypeKind::tkBoolean, p,
                  "an enumeration");
}

std::string GetEnumProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = EnumProp(instance, name);
    return p.EnumType->NameOf(p.GetOrd(instance));
}

void SetEnumProp(TObject& instance, std::string_view name, std::string_view member) {
    const TPropInfo& p = EnumProp(instance, name);
    const int ord = p.EnumType->IndexOf(member);
    if (ord < 0)
        throw EPropertyError("Invalid property value: " + std::string(member) + " is not a " +
                             p.EnumType->Name);
    p.SetOrd(instance, ord);
}

TObject* GetObjectProp(const TObject& instance, std::string_view name) {
    const TPropInfo& p = GetPropInfo(instance, name);
    return Expect(instance, name, p.Kind == TTypeKind::tkClass, p, "an object").GetObject(instance);
}

void SetObjectProp(TObject& instance, std::string_view name, TObject* value) {
    const TPropInfo& p = GetPropInfo(instance, name);
    Expect(instance, name, p.ClassKind == TClassPropKind::ckReference, p, "a reference")
        .SetObject(instance, value);
}

std::string SetToString(const TEnumInfo& members, std::int64_t mask) {
    std::string s = "[";
    for (std::size_t i = 0; i < members.Members.size(); ++i)
        if (mask & (std::int64_t(1) << i)) {
            if (s.size() > 1)
                s += ", ";
            s += members.Members[i];
        }
    return s + "]";
}

std::int64_t StringToSet(const TEnumInfo& members, std::string_view text) {
    auto trim = [](std::string_view t) {
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
            t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
            t.remove_suffix(1);
        return t;
    };
    text = trim(text);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        throw EPropertyError("Invalid set value: " + std::string(text));
    text = trim(text.substr(1, text.size() - 2));
    std::int64_t mask = 0;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trim(text.substr(0, comma));
        const int ord = members.IndexOf(item);
        if (ord < 0)
            throw EPropertyError("Invalid set value: " + std::string(item) +
                                 " is not a member of " + members.Name);
        mask |= std::int64_t(1) << ord;
        if (comma == std::string_view::npos)
            break;
        text = text.substr(comma + 1);
    }
    return mask;
}

}  // namespace nyx
