#pragma once
// What the component and property editors see of the form designer they work in, and the
// base classes of those editors.
//
// A form being designed is one root component that owns everything placed on it. The
// designer creates components on it, keeps one selected (the properties view shows the
// selection) and hears when the design was modified. Component editors add verbs to a
// component's context menu; property editors show and set one published property of one
// instance as text, list choices, open dialogs and expand into sub-properties. Everything
// is read from the published-property tables.

#include "rtl/classes.h"
#include "rtl/set.h"

#include <memory>
#include <string>
#include <vector>

namespace nyx {

class TDesignRegistry;

// --- The designer ----------------------------------------------------------------------

class IDesigner {
public:
    IDesigner() = default;
    IDesigner(const IDesigner&) = delete;
    IDesigner& operator=(const IDesigner&) = delete;
    virtual ~IDesigner() = default;

    // Creates a component of ComponentClass owned by the form's root, in design state and
    // named uniquely (see CreateDesignComponent), and tells the form it was added. Parent
    // is the control it is placed on (none: the form) at Left, Top with the size given
    // (0 x 0: the class's own); scene objects are attached to their scene-graph parent by
    // the caller. Errors (a class that cannot be created, say) reach the caller.
    virtual TComponent* CreateComponent(const TMetaClass* ComponentClass, TComponent* Parent,
                                        int Left, int Top, int Width, int Height) = 0;
    // Makes Instance the selection (none clears it); the properties view follows.
    virtual void SelectComponent(TPersistent* Instance) = 0;
    virtual void ClearSelection() = 0;
    // The selected component or object, or none.
    virtual TPersistent* GetSelection() const = 0;
    // The design differs from what was last saved.
    virtual void Modified() = 0;
    // The form's root component: the owner of everything on the form.
    virtual TComponent* GetRoot() const = 0;
    // An addition for designers that keep an undo history: names the change that the
    // editor is about to make ("Delete NyxSphere1"), as the history will show it.
    // Designers without a history ignore it.
    virtual void NameChange(const std::string& /*Caption*/) {}
};

// The name a designer gives a new component of Class on the form of Root: the class name
// without its leading T followed by the first number from 1 that no component of the form
// (nor the form itself) has, "NyxSphere1".
std::string UniqueComponentName(const TComponent& Root, const TMetaClass& Class);

// The part of CreateComponent that every designer does alike: a new component of Class
// owned by Root, in design state (with everything it owns), with the unique name, placed
// at Left, Top: a control with those bounds (a size of 0 keeps the control's own), any
// other component through its DesignInfo. Raises the library's error when Class cannot
// be created (nothing is left behind then).
TComponent* CreateDesignComponent(TComponent& Root, const TMetaClass& Class, int Left = 0,
                                  int Top = 0, int Width = 0, int Height = 0);

// --- Component editors -----------------------------------------------------------------

// The default editor of every component: no verbs. Editors bound to a class derive from it.
class TComponentEditor {
public:
    TComponentEditor(TComponent* Component, IDesigner* Designer)
        : FComponent(Component), FDesigner(Designer) {}
    TComponentEditor(const TComponentEditor&) = delete;
    TComponentEditor& operator=(const TComponentEditor&) = delete;
    virtual ~TComponentEditor() = default;

    TComponent* GetComponent() const { return FComponent; }
    IDesigner* GetDesigner() const { return FDesigner; }

    // The entries the editor adds to the component's context menu, in order.
    virtual int GetVerbCount() const { return 0; }
    virtual std::string GetVerb(int Index) const;  // empty when Index names no verb
    virtual void ExecuteVerb(int Index);           // the base has no verbs: nothing
    // A double-click on the component: its first verb when it has one.
    virtual void Edit();

private:
    TComponent* FComponent;
    IDesigner* FDesigner;
};

// --- Property editors ------------------------------------------------------------------

enum TPropertyAttribute {
    paValueList,             // GetValues lists the choices
    paSubProperties,         // GetProperties expands the property
    paDialog,                // Edit opens a dialog
    paMultiSelect,           // may be edited on several components at once
    paAutoUpdate,            // SetValue on every keystroke
    paSortList,              // the choices are shown sorted
    paReadOnly,              // the value text cannot be edited
    paRevertable,            // may be reverted to the inherited value
    paFullWidthName,         // the name takes the whole row
    paVolatileSubProperties  // the sub-properties change with the value
};
using TPropertyAttributes = TSet<TPropertyAttribute>;

class TPropertyEditor;
using TPropertyEditors = std::vector<std::unique_ptr<TPropertyEditor>>;

// One published property of one instance. Setting a value goes through the property's
// setter, so the library validates it: a rejected value raises the library's exception and
// the old value stays. A value that was set tells the designer that the design changed.
class TPropertyEditor {
public:
    // Registry (may be none) supplies the editors of sub-properties; without it they get
    // the defaults of their kinds.
    TPropertyEditor(TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer,
                    const TDesignRegistry* Registry = nullptr);
    TPropertyEditor(const TPropertyEditor&) = delete;
    TPropertyEditor& operator=(const TPropertyEditor&) = delete;
    virtual ~TPropertyEditor() = default;

    TPersistent* GetInstance() const { return FInstance; }
    const TPropInfo& GetPropInfo() const { return FProp; }
    IDesigner* GetDesigner() const { return FDesigner; }
    const TDesignRegistry* GetRegistry() const { return FRegistry; }

    virtual std::string GetName() const { return FProp.Name; }
    virtual TPropertyAttributes GetAttributes() const { return {paRevertable}; }
    // The value as the properties view shows it, and set from such a text.
    virtual std::string GetValue() const;
    virtual void SetValue(const std::string& Value);
    // The choices of a paValueList property.
    virtual std::vector<std::string> GetValues() const { return {}; }
    // The dialog of a paDialog property; the base does nothing.
    virtual void Edit() {}
    // The sub-property editors of a paSubProperties property.
    virtual TPropertyEditors GetProperties() const { return {}; }

protected:
    std::int64_t GetOrdValue() const;
    void SetOrdValue(std::int64_t Value);
    double GetFloatValue() const;
    void SetFloatValue(double Value);
    std::string GetStrValue() const;
    void SetStrValue(const std::string& Value);
    TObject* GetObjectValue() const;
    void SetObjectValue(TObject* Value);

private:
    void Changed();

    TPersistent* FInstance;
    const TPropInfo& FProp;
    IDesigner* FDesigner;
    const TDesignRegistry* FRegistry;
};

}  // namespace nyx
