#pragma once
// Run-time class information and published-property tables.
//
// Every class of the framework and of the library describes itself once, in a
// TMetaClass: its name, its parent, how to create it by name, and the table of its
// published properties. Streaming, the class registry, the time line and the
// designer's properties view all read these tables; no class writes streaming code.
//
// Sections: TObject - TEnumInfo - TPropInfo - property builders (Props<C>) -
// TMetaClass - class registry - typed property access by name.

#include "rtl/sysutils.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace nyx {

class TMetaClass;
class TComponent;
class TCollection;
class TCollectionItem;

// Declares the class information of a class; its definition lives in the .cpp:
//   const TMetaClass& TFoo::StaticClass() { static const TMetaClass m = ...; return m; }
#define NYX_CLASS(T)                                                                               \
public:                                                                                            \
    static const ::nyx::TMetaClass& StaticClass();                                                 \
    const ::nyx::TMetaClass& ClassType() const override { return T::StaticClass(); }               \
                                                                                                   \
private:

// --- TObject ---------------------------------------------------------------------

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const { return StaticClass(); }

    const std::string& ClassName() const;
    const TMetaClass* ClassParent() const;
    bool InheritsFrom(const TMetaClass& c) const;
    template <class T>
    bool Is() const {
        return InheritsFrom(T::StaticClass());
    }
};

// --- Enumerations ------------------------------------------------------------------

// Names of the members of an enumeration, by ordinal ("dtLine", "dtFill").
struct TEnumInfo {
    std::string Name;
    std::vector<std::string> Members;

    // Ordinal of a member name (case-insensitive), or -1.
    int IndexOf(std::string_view member) const;
    const std::string& NameOf(std::int64_t ordinal) const;  // EPropertyError when out of range
};

// The framework's boolean enumeration: False, True.
const TEnumInfo& BooleanEnumInfo();

// --- Property descriptions -----------------------------------------------------------

enum class TTypeKind : std::uint8_t {
    tkInteger,
    tkFloat,
    tkEnumeration,
    tkBoolean,
    tkSet,
    tkString,
    tkClass,
    tkMethod
};

// What a class-kind property holds.
enum class TClassPropKind : std::uint8_t {
    ckNone,
    ckOwned,      // a persistent object the component owns; streamed as nested property paths
    ckReference,  // another component; streamed by name and resolved after reading
    ckCollection  // an owned collection; streamed as an item list
};

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    TClassPropKind ClassKind = TClassPropKind::ckNone;
    const TEnumInfo* EnumType = nullptr;         // enumeration, boolean, set (its members)
    const TMetaClass& (*PropClass)() = nullptr;  // class kind: the class of the value
    std::optional<std::int64_t> Default;         // ordinals and sets; none = always stored
    std::function<bool(const TObject&)> Stored;  // empty = stored
    // The declared type where the kind does not tell it ("TColor", "TFileName"); empty:
    // the kind's own (see PropTypeName). Designers bind their editors by it.
    std::string TypeName;

    std::function<std::int64_t(const TObject&)> GetOrd;
    std::function<void(TObject&, std::int64_t)> SetOrd;
    std::function<double(const TObject&)> GetFloat;
    std::function<void(TObject&, double)> SetFloat;
    std::function<std::string(const TObject&)> GetString;
    std::function<void(TObject&, const std::string&)> SetString;
    std::function<TObject*(const TObject&)> GetObject;
    std::function<void(TObject&, TObject*)> SetObject;  // references only

    bool IsOrdinal() const {
        return Kind == TTypeKind::tkInteger || Kind == TTypeKind::tkEnumeration ||
               Kind == TTypeKind::tkBoolean || Kind == TTypeKind::tkSet;
    }
    // Whether the value differs from what a reader would get by leaving it out:
    // ordinals equal to the default, floats equal to 0 and empty strings are not stored.
    bool IsStoredValue(const TObject& instance) const;
};

// The type a designer binds editors by: TypeName when given, otherwise the class of a
// class property, the enumeration of an enumeration or a set, "Boolean", "Integer",
// "Double" or "string".
std::string PropTypeName(const TPropInfo& p);

// p, declared with a named type of its kind (a string as "TFileName").
inline TPropInfo OfType(std::string typeName, TPropInfo p) {
    p.TypeName = std::move(typeName);
    return p;
}

namespace detail {
template <class C, class Get>
auto Reader(Get get) {
    return [get](const TObject& o) { return std::invoke(get, static_cast<const C&>(o)); };
}
template <class C, class V, class Set>
auto Writer(Set set) {
    return [set](TObject& o, V v) { std::invoke(set, static_cast<C&>(o), v); };
}
}  // namespace detail

inline constexpr std::nullopt_t NoDefault = std::nullopt;

inline TPropInfo NewProp(std::string name, TTypeKind kind,
                         TClassPropKind classKind = TClassPropKind::ckNone) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = kind;
    p.ClassKind = classKind;
    return p;
}

// Builders of property descriptions for class C. A getter is a member function,
// a data member or a callable on `const C&`; a setter a member function or a
// callable on `(C&, value)`.
template <class C>
struct Props {
    template <class G, class S>
    static TPropInfo Integer(std::string name, G get, S set, std::optional<std::int64_t> def) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkInteger);
        p.Default = def;
        auto r = detail::Reader<C>(get);
        p.GetOrd = [r](const TObject& o) { return std::int64_t(r(o)); };
        using V = std::decay_t<decltype(r(std::declval<const TObject&>()))>;
        auto w = detail::Writer<C, V>(set);
        p.SetOrd = [w](TObject& o, std::int64_t v) {
            if (v < std::int64_t(std::numeric_limits<V>::min()) ||
                v > std::int64_t(std::numeric_limits<V>::max()))
                throw ERangeError("Range check error: " + std::to_string(v));
            w(o, V(v));
        };
        return p;
    }

    // A colour: an integer of the type TColor.
    template <class G, class S>
    static TPropInfo Color(std::string name, G get, S set, std::optional<std::int64_t> def) {
        return OfType("TColor", Integer(std::move(name), get, set, def));
    }

    template <class G, class S>
    static TPropInfo Float(std::string name, G get, S set) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkFloat);
        auto r = detail::Reader<C>(get);
        p.GetFloat = [r](const TObject& o) { return double(r(o)); };
        using V = std::decay_t<decltype(r(std::declval<const TObject&>()))>;
        auto w = detail::Writer<C, V>(set);
        p.SetFloat = [w](TObject& o, double v) { w(o, V(v)); };
        return p;
    }

    template <class G, class S>
    static TPropInfo Enum(std::string name, G get, S set, const TEnumInfo& info,
                          std::optional<std::int64_t> def) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkEnumeration);
        p.EnumType = &info;
        p.Default = def;
        auto r = detail::Reader<C>(get);
        p.GetOrd = [r](const TObject& o) { return std::int64_t(r(o)); };
        using V = std::decay_t<decltype(r(std::declval<const TObject&>()))>;
        auto w = detail::Writer<C, V>(set);
        const std::size_t count = info.Members.size();
        p.SetOrd = [w, count](TObject& o, std::int64_t v) {
            if (v < 0 || std::uint64_t(v) >= count)
                throw ERangeError("Range check error: " + std::to_string(v));
            w(o, static_cast<V>(v));
        };
        return p;
    }

    template <class G, class S>
    static TPropInfo Boolean(std::string name, G get, S set, std::optional<bool> def) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkBoolean);
        p.EnumType = &BooleanEnumInfo();
        if (def)
            p.Default = *def ? 1 : 0;
        auto r = detail::Reader<C>(get);
        p.GetOrd = [r](const TObject& o) { return std::int64_t(bool(r(o))); };
        auto w = detail::Writer<C, bool>(set);
        p.SetOrd = [w](TObject& o, std::int64_t v) { w(o, v != 0); };
        return p;
    }

    // Getter and setter work on the bit mask (bit n for the member with ordinal n).
    template <class G, class S>
    static TPropInfo Set(std::string name, G get, S set, const TEnumInfo& members,
                         std::optional<std::int64_t> def) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkSet);
        p.EnumType = &members;
        p.Default = def;
        auto r = detail::Reader<C>(get);
        p.GetOrd = [r](const TObject& o) { return std::int64_t(r(o)); };
        using V = std::decay_t<decltype(r(std::declval<const TObject&>()))>;
        auto w = detail::Writer<C, V>(set);
        const std::int64_t all = (std::int64_t(1) << members.Members.size()) - 1;
        p.SetOrd = [w, all](TObject& o, std::int64_t v) {
            if ((v & ~all) != 0)
                throw ERangeError("Range check error: set value " + std::to_string(v));
            w(o, static_cast<V>(v));
        };
        return p;
    }

    template <class G, class S>
    static TPropInfo String(std::string name, G get, S set) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkString);
        auto r = detail::Reader<C>(get);
        p.GetString = [r](const TObject& o) { return std::string(r(o)); };
        auto w = detail::Writer<C, const std::string&>(set);
        p.SetString = [w](TObject& o, const std::string& v) { w(o, v); };
        return p;
    }

    // A persistent object owned by the instance (XForm, Material, a vertex).
    template <class T, class G>
    static TPropInfo Owned(std::string name, G get) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkClass, TClassPropKind::ckOwned);
        p.PropClass = &T::StaticClass;
        auto r = detail::Reader<C>(get);
        p.GetObject = [r](const TObject& o) -> TObject* {
            return const_cast<std::remove_const_t<std::remove_pointer_t<decltype(r(o))>>*>(r(o));
        };
        return p;
    }

    template <class T, class G>
    static TPropInfo Collection(std::string name, G get) {
        TPropInfo p = Owned<T>(std::move(name), get);
        p.ClassKind = TClassPropKind::ckCollection;
        return p;
    }

    // A reference to another component of class T (or none).
    template <class T, class G, class S>
    static TPropInfo Reference(std::string name, G get, S set) {
        TPropInfo p = NewProp(std::move(name), TTypeKind::tkClass, TClassPropKind::ckReference);
        p.PropClass = &T::StaticClass;
        auto r = detail::Reader<C>(get);
        p.GetObject = [r](const TObject& o) -> TObject* { return r(o); };
        auto w = detail::Writer<C, T*>(set);
        p.SetObject = [w](TObject& o, TObject* v) {
            if (v && !v->InheritsFrom(T::StaticClass()))
                throw EConvertError("Invalid class typecast: " + v->ClassName() + " is not a " +
                                    T::StaticClass().Name());
            w(o, static_cast<T*>(v));
        };
        return p;
    }

    // An event: listed for property views, never streamed.
    static TPropInfo Event(std::string name) {
        return NewProp(std::move(name), TTypeKind::tkMethod);
    }
};

// --- Class information -------------------------------------------------------------

class TMetaClass {
public:
    using ComponentFactory = TComponent* (*)(TComponent* owner);
    using ItemFactory = TCollectionItem* (*)(TCollection* collection);

    TMetaClass(std::string name, const TMetaClass* parent, std::vector<TPropInfo> props,
               ComponentFactory newComponent = nullptr, ItemFactory newItem = nullptr,
               const std::type_info* type = nullptr, bool overridesNotification = true);
    // The property list points into the class itself: it never moves.
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    // Class information for C with parent P; factories follow from C's constructors.
    template <class C, class P>
    static TMetaClass Make(std::string name, std::vector<TPropInfo> props = {}) {
        ComponentFactory nc = nullptr;
        ItemFactory ni = nullptr;
        if constexpr (!std::is_abstract_v<C> && std::is_constructible_v<C, TComponent*>)
            nc = [](TComponent* owner) -> TComponent* { return new C(owner); };
        if constexpr (!std::is_abstract_v<C> && std::is_constructible_v<C, TCollection*>)
            ni = [](TCollection* coll) -> TCollectionItem* { return new C(coll); };
        return TMetaClass(std::move(name), &P::StaticClass(), std::move(props), nc, ni, &typeid(C),
                          NotificationOverridden<C>());
    }

    const std::string& Name() const { return FName; }
    const TMetaClass* Parent() const { return FParent; }
    // The C++ class this information was made for (none when built by hand), and
    // whether that class or one of its parents replaces TComponent::Notification.
    const std::type_info* Type() const { return FType; }
    bool OverridesNotification() const { return FOverridesNotification; }
    bool InheritsFrom(const TMetaClass& c) const;

    // Creates an instance by class; EComponentError/EClassNotFound when it cannot be.
    TComponent* NewComponent(TComponent* owner) const;
    TCollectionItem* NewItem(TCollection* collection) const;
    bool CanCreateComponent() const { return FNewComponent != nullptr; }

    // Inherited properties first, in declaration order; a property redeclared by a
    // descendant (another default, say) keeps its inherited place.
    const std::vector<const TPropInfo*>& Properties() const { return FAll; }
    std::vector<const TPropInfo*> PropertiesByName() const;
    const TPropInfo* FindProperty(std::string_view name) const;  // case-insensitive

private:
    // An override that cannot be named from here (not public) counts as one.
    template <class C, class Component = TComponent>
    static constexpr bool NotificationOverridden() {
        if constexpr (requires { &C::Notification; })
            return !std::is_same_v<decltype(&C::Notification), decltype(&Component::Notification)>;
        else
            return true;
    }

    std::string FName;
    const TMetaClass* FParent;
    std::vector<TPropInfo> FOwn;
    std::vector<const TPropInfo*> FAll;
    // FAll by name: streams look a property up for every value they hold.
    std::unordered_map<std::string_view, const TPropInfo*, TTextHash, TTextEqual> FByName;
    ComponentFactory FNewComponent;
    ItemFactory FNewItem;
    const std::type_info* FType;
    bool FOverridesNotification;
};

// --- Class registry ------------------------------------------------------------------

void RegisterClass(const TMetaClass& c);  // registering twice is harmless
void RegisterClasses(std::initializer_list<const TMetaClass*> classes);
void RegisterClasses(const std::vector<const TMetaClass*>& classes);
void UnRegisterClass(const TMetaClass& c);
void UnRegisterClasses(std::initializer_list<const TMetaClass*> classes);
void UnRegisterClasses(const std::vector<const TMetaClass*>& classes);
const TMetaClass* GetClass(std::string_view name);   // none when not registered
const TMetaClass& FindClass(std::string_view name);  // EClassNotFound when not registered

// --- Property access by name ---------------------------------------------------------

const TPropInfo& GetPropInfo(const TObject& instance, std::string_view name);  // EPropertyError
std::int64_t GetOrdProp(const TObject& instance, std::string_view name);
void SetOrdProp(TObject& instance, std::string_view name, std::int64_t value);
double GetFloatProp(const TObject& instance, std::string_view name);
void SetFloatProp(TObject& instance, std::string_view name, double value);
std::string GetStrProp(const TObject& instance, std::string_view name);
void SetStrProp(TObject& instance, std::string_view name, const std::string& value);
std::string GetEnumProp(const TObject& instance, std::string_view name);
void SetEnumProp(TObject& instance, std::string_view name, std::string_view member);
TObject* GetObjectProp(const TObject& instance, std::string_view name);
void SetObjectProp(TObject& instance, std::string_view name, TObject* value);

// "[a, b]" for a set mask; and back (EPropertyError naming an unknown member).
std::string SetToString(const TEnumInfo& members, std::int64_t mask);
std::int64_t StringToSet(const TEnumInfo& members, std::string_view text);

}  // namespace nyx
