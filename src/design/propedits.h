#pragma once
// The property editors of the kinds of published properties: what the properties view
// uses for a property that no registered editor claims.
//
// Numbers are shown and read with the user's decimal separator (a point is read too);
// texts that are not numbers raise EConvertError with the framework's message.

#include "design/designintf.h"

namespace nyx {

class TIntegerProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
};

class TFloatProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
};

// Enumerations and booleans: the member names as choices.
class TEnumProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    std::vector<std::string> GetValues() const override;
};

// "[a, b]"; expands into one boolean per member.
class TSetProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    TPropertyEditors GetProperties() const override;
};

// One member of a set property, as a boolean named after the member.
class TSetElementProperty : public TPropertyEditor {
public:
    TSetElementProperty(TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer,
                        int Element);
    std::string GetName() const override;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    std::vector<std::string> GetValues() const override;

private:
    int FElement;
};

class TStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
};

// Colours: "clRed" for named colours, "$00BBGGRR" otherwise (or a decimal number); the
// names as choices and a colour dialog.
class TColorProperty : public TIntegerProperty {
public:
    using TIntegerProperty::TIntegerProperty;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    std::vector<std::string> GetValues() const override;
    void Edit() override;
};

// An owned object (a transform, a material, a point) or a collection: "(TNyxXForm)",
// expanding into the object's own published properties, or a collection's items.
class TClassProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    TPropertyEditors GetProperties() const override;
};

// One item of a collection property, "[0]": its display name, expanding into the item's
// published properties.
class TCollectionItemProperty : public TPropertyEditor {
public:
    TCollectionItemProperty(TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer,
                            const TDesignRegistry* Registry, int Index);
    std::string GetName() const override;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    TPropertyEditors GetProperties() const override;

private:
    TCollectionItem* Item() const;  // none when the collection no longer has it
    int FIndex;
};

// A reference to another component: its name, chosen among the components of the
// designer's form whose class fits the property; empty for none.
class TComponentProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    std::vector<std::string> GetValues() const override;
};

// The editor of a property's kind (colours: TColorProperty); none for events, which a
// designer without code does not edit.
std::unique_ptr<TPropertyEditor> CreateKindPropertyEditor(TPersistent* Instance,
                                                          const TPropInfo& Prop,
                                                          IDesigner* Designer,
                                                          const TDesignRegistry* Registry);

// The editors of every published property of Instance, by name, through Registry when
// there is one (otherwise the kinds' defaults); properties without an editor are left out.
TPropertyEditors GetPropertyEditors(TPersistent* Instance, IDesigner* Designer,
                                    const TDesignRegistry* Registry);

}  // namespace nyx
