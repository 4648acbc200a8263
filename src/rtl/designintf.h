#pragma once
// What a unit announces to a host's form designer, as data: the components it puts on a
// palette page, those that the designer creates without a palette icon (in a form's
// object tree), and the component and property editors it binds to classes and
// properties. A designer host reads these tables and supplies the editors they name;
// programs that only run never look at them.

#include <string>
#include <vector>

namespace nyx {

class TMetaClass;

// The editor the designer opens on components of a class (its double-click and menu).
struct TComponentEditorBinding {
    const TMetaClass* ComponentClass = nullptr;
    std::string Editor;  // the editor's class name, e.g. "TNyxObjectEditor"
};

// The editor the properties view uses for properties of a type.
struct TPropertyEditorBinding {
    std::string PropertyType;                    // e.g. "TNyxVertex3", "TFileName"
    const TMetaClass* ComponentClass = nullptr;  // none: properties of any component class
    std::string PropertyName;                    // empty: every property of that type
    std::string Editor;                          // the editor's class name
};

struct TDesignRegistration {
    std::string Unit{};
    std::string PalettePage{};                    // the page Components go on
    std::vector<const TMetaClass*> Components{};  // with a palette icon
    std::vector<const TMetaClass*> NoIcon{};      // creatable in the designer's object tree
    std::vector<TPropertyEditorBinding> PropertyEditors{};
    std::vector<TComponentEditorBinding> ComponentEditors{};
};

}  // namespace nyx
