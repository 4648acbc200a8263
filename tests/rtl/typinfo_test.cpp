// Property tables: kinds, defaults, inheritance, ordering and access by name; the registry.
#include "rtl/classes.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace nyx;

namespace {

enum TShade { shDark, shLight, shBright };
const TEnumInfo ShadeInfo{"TShade", {"shDark", "shLight", "shBright"}};

class TBase : public TComponent {
    NYX_CLASS(TBase)
public:
    explicit TBase(TComponent* AOwner) : TComponent(AOwner) {}
    int Count = 3;
    double Ratio = 0;
    TShade Shade = shLight;
    bool Flag = true;
    std::uint8_t Parts = 0b101;
    std::string Caption;
    TBase* Other = nullptr;
    void SetCount(int v) { Count = v; }
};

class TDerived : public TBase {
    NYX_CLASS(TDerived)
public:
    explicit TDerived(TComponent* AOwner) : TBase(AOwner) { Count = 5; }
};

const TMetaClass& TBase::StaticClass() {
    using P = Props<TBase>;
    static const TMetaClass meta = TMetaClass::Make<TBase, TComponent>(
        "TBase",
        {P::Integer("Count", &TBase::Count, &TBase::SetCount, 3),
         P::Float("Ratio", &TBase::Ratio, [](TBase& b, double v) { b.Ratio = v; }),
         P::Enum(
             "Shade", &TBase::Shade, [](TBase& b, TShade v) { b.Shade = v; }, ShadeInfo, shLight),
         P::Boolean(
             "Flag", &TBase::Flag, [](TBase& b, bool v) { b.Flag = v; }, true),
         P::Set(
             "Parts", &TBase::Parts, [](TBase& b, std::uint8_t v) { b.Parts = v; }, ShadeInfo,
             0b101),
         P::String("Caption", &TBase::Caption,
                   [](TBase& b, const std::string& v) { b.Caption = v; }),
         P::Reference<TBase>("Other", &TBase::Other, [](TBase& b, TBase* v) { b.Other = v; }),
         P::Event("OnChange")});
    return meta;
}

const TMetaClass& TDerived::StaticClass() {
    using P = Props<TDerived>;
    // Count is redeclared with the default the constructor gives.
    static const TMetaClass meta = TMetaClass::Make<TDerived, TBase>(
        "TDerived", {P::Integer("Count", &TDerived::Count, &TDerived::SetCount, 5)});
    return meta;
}

std::vector<std::string> Names(const std::vector<const TPropInfo*>& props) {
    std::vector<std::string> names;
    for (auto* p : props)
        names.push_back(p->Name);
    return names;
}

}  // namespace

TEST(TypInfo, ClassHierarchy) {
    TDerived d(nullptr);
    EXPECT_EQ(d.ClassName(), "TDerived");
    EXPECT_EQ(d.ClassParent(), &TBase::StaticClass());
    EXPECT_TRUE(d.InheritsFrom(TComponent::StaticClass()));
    EXPECT_TRUE(d.Is<TPersistent>());
    EXPECT_FALSE(TBase::StaticClass().InheritsFrom(TDerived::StaticClass()));
}

TEST(TypInfo, InheritedListKeepsOrderAndRedeclaredPlace) {
    const auto all = Names(TDerived::StaticClass().Properties());
    EXPECT_EQ(all, (std::vector<std::string>{"Name", "Tag", "Count", "Ratio", "Shade", "Flag",
                                             "Parts", "Caption", "Other", "OnChange"}));
    EXPECT_EQ(Names(TDerived::StaticClass().PropertiesByName()),
              (std::vector<std::string>{"Caption", "Count", "Flag", "Name", "OnChange", "Other",
                                        "Parts", "Ratio", "Shade", "Tag"}));
    EXPECT_EQ(*TDerived::StaticClass().FindProperty("count")->Default, 5);
    EXPECT_EQ(*TBase::StaticClass().FindProperty("COUNT")->Default, 3);
    EXPECT_EQ(TBase::StaticClass().FindProperty("Missing"), nullptr);
}

TEST(TypInfo, StoredValuesFollowDefaults) {
    TBase b(nullptr);
    const TMetaClass& m = TBase::StaticClass();
    auto stored = [&](const char* name) { return m.FindProperty(name)->IsStoredValue(b); };
    // Fresh object: everything at its default.
    for (const char* name : {"Name", "Tag", "Count", "Ratio", "Shade", "Flag", "Parts", "Caption",
                             "Other", "OnChange"})
        EXPECT_FALSE(stored(name)) << name;
    b.SetTag(1);
    b.Count = 0;
    b.Ratio = -0.0;  // negative zero still equals 0
    b.Shade = shDark;
    b.Flag = false;
    b.Parts = 0;
    b.Caption = "x";
    b.Other = &b;
    b.SetName("B");
    for (const char* name : {"Tag", "Count", "Shade", "Flag", "Parts", "Caption", "Other"})
        EXPECT_TRUE(stored(name)) << name;
    EXPECT_FALSE(stored("Ratio"));
    EXPECT_FALSE(stored("Name"));
}

TEST(TypInfo, AccessByName) {
    TBase b(nullptr), other(nullptr);
    SetOrdProp(b, "Count", 42);
    SetFloatProp(b, "Ratio", 0.25);
    SetEnumProp(b, "Shade", "SHBRIGHT");
    SetEnumProp(b, "Flag", "False");
    SetStrProp(b, "Caption", "hello");
    SetObjectProp(b, "Other", &other);
    EXPECT_EQ(b.Count, 42);
    EXPECT_EQ(GetFloatProp(b, "Ratio"), 0.25);
    EXPECT_EQ(GetEnumProp(b, "Shade"), "shBright");
    EXPECT_EQ(GetOrdProp(b, "Flag"), 0);
    EXPECT_EQ(GetStrProp(b, "caption"), "hello");
    EXPECT_EQ(GetObjectProp(b, "Other"), &other);

    EXPECT_THROW(SetOrdProp(b, "Nope", 1), EPropertyError);
    EXPECT_THROW(SetFloatProp(b, "Count", 1), EPropertyError);
    EXPECT_THROW(SetEnumProp(b, "Shade", "shPurple"), EPropertyError);
    EXPECT_THROW(SetOrdProp(b, "Shade", 3), ERangeError);
    EXPECT_THROW(SetOrdProp(b, "Count", std::int64_t(1) << 40), ERangeError);
    EXPECT_THROW(SetOrdProp(b, "Parts", 8), ERangeError);
    TComponent plain(nullptr);
    EXPECT_THROW(SetObjectProp(b, "Other", &plain), EConvertError);
}

TEST(TypInfo, SetText) {
    EXPECT_EQ(SetToString(ShadeInfo, 0b101), "[shDark, shBright]");
    EXPECT_EQ(SetToString(ShadeInfo, 0), "[]");
    EXPECT_EQ(StringToSet(ShadeInfo, " [ shBright ,shdark ] "), 0b101);
    EXPECT_EQ(StringToSet(ShadeInfo, "[]"), 0);
    EXPECT_THROW(StringToSet(ShadeInfo, "[shGrey]"), EPropertyError);
    EXPECT_THROW(StringToSet(ShadeInfo, "shDark"), EPropertyError);
}

TEST(Registry, FindCreateAndUnregister) {
    RegisterClasses({&TBase::StaticClass(), &TDerived::StaticClass()});
    RegisterClass(TBase::StaticClass());  // harmless
    EXPECT_EQ(&FindClass("tderived"), &TDerived::StaticClass());
    TComponent owner(nullptr);
    TComponent* made = FindClass("TDerived").NewComponent(&owner);
    EXPECT_EQ(made->ClassName(), "TDerived");
    EXPECT_EQ(static_cast<TDerived*>(made)->Count, 5);
    EXPECT_EQ(made->Owner(), &owner);
    UnRegisterClasses({&TBase::StaticClass(), &TDerived::StaticClass()});
    EXPECT_EQ(GetClass("TBase"), nullptr);
    try {
        FindClass("TBase");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class TBase not found");
    }
    EXPECT_THROW(TCollectionItem::StaticClass().NewComponent(nullptr), EClassNotFound);
}

TEST(SysUtils, NumbersAndText) {
    EXPECT_EQ(FormatFixed(-2.5, 2, '.'), "-2.50");
    EXPECT_EQ(FormatFixed(0.5, 2, ','), "0,50");
    for (double v : {0.1, 1.0 / 3.0, 1e300, -5e-324, 123456789.125}) {
        double back = 0;
        ASSERT_TRUE(TryStrToFloat(FloatToStrExact(v), back));
        EXPECT_EQ(back, v);
    }
    double x;
    EXPECT_FALSE(TryStrToFloat("1.5x", x));
    EXPECT_FALSE(TryStrToFloat("", x));
    EXPECT_TRUE(TryStrToFloat("-inf", x) && std::isinf(x));
    std::int64_t i;
    EXPECT_TRUE(TryStrToInt("+17", i) && i == 17);
    EXPECT_FALSE(TryStrToInt("17.0", i));
    EXPECT_TRUE(SameText("TNyxBox", "tnyxBOX"));
    EXPECT_FALSE(SameText("a", "ab"));
}
