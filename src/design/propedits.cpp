#include "design/propedits.h"

#include "design/registry.h"
#include "rtl/graphics.h"

#include <QColor>
#include <QColorDialog>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace nyx {

namespace {

// The user's decimal separator: the one texts are shown with.
char UserDecimalPoint() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? char(point[0].unicode()) : '.';
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::int64_t IntegerFromText(const std::string& Text) {
    std::int64_t value = 0;
    if (!TryStrToInt(Trimmed(Text), value))
        throw EConvertError("'" + Text + "' is not a valid integer value");
    return value;
}

}  // namespace

// --- Numbers -------------------------------------------------------------------------------

std::string TIntegerProperty::GetValue() const { return std::to_string(GetOrdValue()); }

void TIntegerProperty::SetValue(const std::string& Value) { SetOrdValue(IntegerFromText(Value)); }

std::string TFloatProperty::GetValue() const {
    std::string text = FloatToStrExact(GetFloatValue());
    std::replace(text.begin(), text.end(), '.', UserDecimalPoint());
    return text;
}

void TFloatProperty::SetValue(const std::string& Value) {
    std::string text = Trimmed(Value);
    std::replace(text.begin(), text.end(), UserDecimalPoint(), '.');
    double value = 0;
    // An infinity or a NaN typed in would reach the geometry and the files: refused too.
    if (!TryStrToFloat(text, value) || !std::isfinite(value))
        throw EConvertError("'" + Value + "' is not a valid floating point value");
    SetFloatValue(value);
}

// --- Enumerations and sets -----------------------------------------------------------------

TPropertyAttributes TEnumProperty::GetAttributes() const {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

std::string TEnumProperty::GetValue() const {
    const std::int64_t ord = GetOrdValue();
    const TEnumInfo& info = *GetPropInfo().EnumType;
    return ord >= 0 && std::uint64_t(ord) < info.Members.size() ? info.Members[std::size_t(ord)]
                                                                : std::to_string(ord);
}

void TEnumProperty::SetValue(const std::string& Value) {
    const int ord = GetPropInfo().EnumType->IndexOf(Trimmed(Value));
    if (ord < 0)
        throw EPropertyError("Invalid property value");
    SetOrdValue(ord);
}

std::vector<std::string> TEnumProperty::GetValues() const {
    return GetPropInfo().EnumType->Members;
}

TPropertyAttributes TSetProperty::GetAttributes() const {
    return {paMultiSelect, paSubProperties, paReadOnly, paRevertable};
}

std::string TSetProperty::GetValue() const {
    return SetToString(*GetPropInfo().EnumType, GetOrdValue());
}

void TSetProperty::SetValue(const std::string& Value) {
    SetOrdValue(StringToSet(*GetPropInfo().EnumType, Value));
}

TPropertyEditors TSetProperty::GetProperties() const {
    TPropertyEditors elements;
    const int count = int(GetPropInfo().EnumType->Members.size());
    for (int i = 0; i < count; ++i)
        elements.push_back(
            std::make_unique<TSetElementProperty>(GetInstance(), GetPropInfo(), GetDesigner(), i));
    return elements;
}

TSetElementProperty::TSetElementProperty(TPersistent* Instance, const TPropInfo& Prop,
                                         IDesigner* Designer, int Element)
    : TPropertyEditor(Instance, Prop, Designer), FElement(Element) {}

std::string TSetElementProperty::GetName() const {
    return GetPropInfo().EnumType->Members[std::size_t(FElement)];
}

TPropertyAttributes TSetElementProperty::GetAttributes() const {
    return {paMultiSelect, paValueList, paSortList};
}

std::string TSetElementProperty::GetValue() const {
    return BooleanEnumInfo().Members[(GetOrdValue() >> FElement) & 1];
}

void TSetElementProperty::SetValue(const std::string& Value) {
    const int on = BooleanEnumInfo().IndexOf(Trimmed(Value));
    if (on < 0)
        throw EPropertyError("Invalid property value");
    const std::int64_t bit = std::int64_t(1) << FElement;
    SetOrdValue(on ? GetOrdValue() | bit : GetOrdValue() & ~bit);
}

std::vector<std::string> TSetElementProperty::GetValues() const {
    return BooleanEnumInfo().Members;
}

// --- Strings and colours -------------------------------------------------------------------

std::string TStringProperty::GetValue() const { return GetStrValue(); }

void TStringProperty::SetValue(const std::string& Value) { SetStrValue(Value); }

TPropertyAttributes TColorProperty::GetAttributes() const {
    return {paMultiSelect, paDialog, paValueList, paRevertable};
}

std::string TColorProperty::GetValue() const { return ColorToString(TColor(GetOrdValue())); }

void TColorProperty::SetValue(const std::string& Value) {
    SetOrdValue(StringToColor(Trimmed(Value)));
}

std::vector<std::string> TColorProperty::GetValues() const { return ColorIdents(); }

void TColorProperty::Edit() {
    const TColor rgb = ColorToRGB(TColor(GetOrdValue()));
    const QColor chosen = QColorDialog::getColor(
        QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)), nullptr, QString());
    if (chosen.isValid())
        SetOrdValue(RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()),
                        std::uint8_t(chosen.blue())));
}

// --- Class properties ----------------------------------------------------------------------

TPropertyAttributes TClassProperty::GetAttributes() const {
    return {paMultiSelect, paSubProperties, paReadOnly};
}

std::string TClassProperty::GetValue() const {
    const TObject* object = GetObjectValue();
    return "(" + (object ? object->ClassName() : PropTypeName(GetPropInfo())) + ")";
}

TPropertyEditors TClassProperty::GetProperties() const {
    TObject* object = GetObjectValue();
    if (auto* collection = dynamic_cast<TCollection*>(object)) {
        TPropertyEditors items;
        for (int i = 0; i < collection->Count(); ++i)
            items.push_back(std::make_unique<TCollectionItemProperty>(
                GetInstance(), GetPropInfo(), GetDesigner(), GetRegistry(), i));
        return items;
    }
    if (auto* persistent = dynamic_cast<TPersistent*>(object))
        return GetPropertyEditors(persistent, GetDesigner(), GetRegistry());
    return {};
}

TCollectionItemProperty::TCollectionItemProperty(TPersistent* Instance, const TPropInfo& Prop,
                                                 IDesigner* Designer,
                                                 const TDesignRegistry* Registry, int Index)
    : TPropertyEditor(Instance, Prop, Designer, Registry), FIndex(Index) {}

TCollectionItem* TCollectionItemProperty::Item() const {
    auto* collection = dynamic_cast<TCollection*>(GetObjectValue());
    return collection && FIndex < collection->Count() ? collection->Items(FIndex) : nullptr;
}

std::string TCollectionItemProperty::GetName() const { return "[" + std::to_string(FIndex) + "]"; }

TPropertyAttributes TCollectionItemProperty::GetAttributes() const {
    return {paSubProperties, paReadOnly};
}

std::string TCollectionItemProperty::GetValue() const {
    const TCollectionItem* item = Item();
    return item ? item->GetDisplayName() : std::string();
}

TPropertyEditors TCollectionItemProperty::GetProperties() const {
    TCollectionItem* item = Item();
    return item ? GetPropertyEditors(item, GetDesigner(), GetRegistry()) : TPropertyEditors();
}

TPropertyAttributes TComponentProperty::GetAttributes() const {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

std::string TComponentProperty::GetValue() const {
    const auto* component = dynamic_cast<const TComponent*>(GetObjectValue());
    return component ? component->Name() : std::string();
}

void TComponentProperty::SetValue(const std::string& Value) {
    const std::string name = Trimmed(Value);
    if (name.empty()) {
        SetObjectValue(nullptr);
        return;
    }
    const TComponent* root = GetDesigner() ? GetDesigner()->GetRoot() : nullptr;
    TComponent* found = root ? root->FindComponent(name) : nullptr;
    if (!found || !found->InheritsFrom(GetPropInfo().PropClass()))
        throw EPropertyError("Invalid property value");
    SetObjectValue(found);
}

std::vector<std::string> TComponentProperty::GetValues() const {
    std::vector<std::string> names;
    const TComponent* root = GetDesigner() ? GetDesigner()->GetRoot() : nullptr;
    if (!root)
        return names;
    const TMetaClass& fit = GetPropInfo().PropClass();
    for (int i = 0; i < root->ComponentCount(); ++i) {
        const TComponent* c = root->Components(i);
        if (!c->Name().empty() && c->InheritsFrom(fit))
            names.push_back(c->Name());
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    return names;
}

// --- Choosing editors ----------------------------------------------------------------------

std::unique_ptr<TPropertyEditor> CreateKindPropertyEditor(TPersistent* Instance,
                                                          const TPropInfo& Prop,
                                                          IDesigner* Designer,
                                                          const TDesignRegistry* Registry) {
    switch (Prop.Kind) {
    case TTypeKind::tkInteger:
        if (SameText(PropTypeName(Prop), "TColor"))
            return std::make_unique<TColorProperty>(Instance, Prop, Designer, Registry);
        return std::make_unique<TIntegerProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkFloat:
        return std::make_unique<TFloatProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkBoolean:
        return std::make_unique<TEnumProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkSet:
        return std::make_unique<TSetProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkString:
        return std::make_unique<TStringProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkClass:
        if (Prop.ClassKind == TClassPropKind::ckReference)
            return std::make_unique<TComponentProperty>(Instance, Prop, Designer, Registry);
        return std::make_unique<TClassProperty>(Instance, Prop, Designer, Registry);
    case TTypeKind::tkMethod:
        break;
    }
    return nullptr;
}

TPropertyEditors GetPropertyEditors(TPersistent* Instance, IDesigner* Designer,
                                    const TDesignRegistry* Registry) {
    TPropertyEditors editors;
    for (const TPropInfo* prop : Instance->ClassType().PropertiesByName()) {
        auto editor = Registry ? Registry->CreatePropertyEditor(Instance, *prop, Designer)
                               : CreateKindPropertyEditor(Instance, *prop, Designer, nullptr);
        if (editor)
            editors.push_back(std::move(editor));
    }
    return editors;
}

}  // namespace nyx
