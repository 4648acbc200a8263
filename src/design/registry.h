#pragma once
// What a form designer knows of the library: palette pages and their component classes,
// the classes it creates without a palette icon, and which component and property editors
// serve which classes and properties. Filled from the units' registration tables
// (NyxDesignRegistrations); the editors those tables name are found by their class names
// among the editor factories registered here.

#include "design/designintf.h"
#include "rtl/designintf.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nyx {

using TComponentEditorFactory =
    std::function<std::unique_ptr<TComponentEditor>(TComponent* Component, IDesigner* Designer)>;
using TPropertyEditorFactory = std::function<std::unique_ptr<TPropertyEditor>(
    TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer,
    const TDesignRegistry* Registry)>;

class TDesignRegistry {
public:
    struct TPalettePage {
        std::string Name;
        std::vector<const TMetaClass*> Classes;  // in registration order
    };

    // Empty: no pages, no bindings, only the kinds' default editors.
    TDesignRegistry() = default;
    TDesignRegistry(const TDesignRegistry&) = delete;
    TDesignRegistry& operator=(const TDesignRegistry&) = delete;

    // Everything one unit announces; a unit registered twice adds nothing twice.
    void Register(const TDesignRegistration& Registration);
    void Register(const std::vector<const TDesignRegistration*>& Registrations);

    // The designer's own registration calls, which Register is made of.
    void RegisterComponents(const std::string& Page, const std::vector<const TMetaClass*>& Classes);
    void RegisterNoIcon(const std::vector<const TMetaClass*>& Classes);
    void RegisterComponentEditor(const TMetaClass& ComponentClass, const std::string& Editor);
    void RegisterPropertyEditor(const TPropertyEditorBinding& Binding);

    // The editor classes that bindings name, by class name. Registering a name again
    // replaces its factory.
    void RegisterComponentEditorClass(const std::string& Editor, TComponentEditorFactory Factory);
    void RegisterPropertyEditorClass(const std::string& Editor, TPropertyEditorFactory Factory);
    template <class E>
    void RegisterComponentEditorClass(const std::string& Editor) {
        RegisterComponentEditorClass(Editor, [](TComponent* c, IDesigner* d) {
            return std::unique_ptr<TComponentEditor>(std::make_unique<E>(c, d));
        });
    }
    template <class E>
    void RegisterPropertyEditorClass(const std::string& Editor) {
        RegisterPropertyEditorClass(
            Editor, [](TPersistent* i, const TPropInfo& p, IDesigner* d, const TDesignRegistry* r) {
                return std::unique_ptr<TPropertyEditor>(std::make_unique<E>(i, p, d, r));
            });
    }

    const std::vector<TPalettePage>& Pages() const { return FPages; }
    const TPalettePage* FindPage(std::string_view Name) const;  // case-insensitive, or none
    const std::vector<const TMetaClass*>& NoIconClasses() const { return FNoIcon; }
    // Whether the designer may create the class: on a page or registered without icon.
    bool IsRegistered(const TMetaClass& Class) const;
    // A registered class by name, or none.
    const TMetaClass* FindClass(std::string_view Name) const;

    // The editor bound to Component's class or its nearest ancestor whose factory is
    // known; otherwise a TComponentEditor.
    std::unique_ptr<TComponentEditor> CreateComponentEditor(TComponent* Component,
                                                            IDesigner* Designer) const;
    // The editor of one property of Instance: among the bindings that fit the property's
    // type (a class property fits a binding of its class or an ancestor's), its name and
    // Instance's class, one naming class and property wins over one naming the property,
    // which wins over one naming the class, which wins over one for the type alone; the
    // later of equals wins. Bindings whose editor has no factory here are passed over.
    // Without a binding: the kind's default (none for events).
    std::unique_ptr<TPropertyEditor>
    CreatePropertyEditor(TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer) const;
    // The editor class names bindings name for which no factory is registered.
    std::vector<std::string> MissingEditors() const;

private:
    const TPropertyEditorBinding* FindBinding(const TPersistent& Instance,
                                              const TPropInfo& Prop) const;
    void AddClass(std::vector<const TMetaClass*>& List, const TMetaClass* Class);

    std::vector<TPalettePage> FPages;
    std::vector<const TMetaClass*> FNoIcon;
    std::vector<TComponentEditorBinding> FComponentEditors;
    std::vector<TPropertyEditorBinding> FPropertyEditors;
    std::vector<const TDesignRegistration*> FUnits;
    std::map<std::string, TComponentEditorFactory, std::less<>> FComponentEditorClasses;
    std::map<std::string, TPropertyEditorFactory, std::less<>> FPropertyEditorClasses;
};

}  // namespace nyx
