#include "design/designintf.h"

#include "rtl/controls.h"

#include <memory>

namespace nyx {

// --- The designer ----------------------------------------------------------------------

std::string UniqueComponentName(const TComponent& Root, const TMetaClass& Class) {
    std::string base = Class.Name();
    if (base.size() > 1 && (base[0] == 'T' || base[0] == 't'))
        base.erase(0, 1);
    // Names are unique among the root's components, so at most ComponentCount() numbers
    // are taken and the search ends.
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!SameText(name, Root.Name()) && !Root.FindComponent(name))
            return name;
    }
}

TComponent* CreateDesignComponent(TComponent& Root, const TMetaClass& Class, int Left, int Top,
                                  int Width, int Height) {
    std::unique_ptr<TComponent> component(Class.NewComponent(&Root));
    component->SetDesigning(true);
    component->SetName(UniqueComponentName(Root, Class));
    if (auto* control = dynamic_cast<TCustomControl*>(component.get()))
        control->SetBounds(Left, Top, Width > 0 ? Width : control->Width(),
                           Height > 0 ? Height : control->Height());
    else
        component->SetDesignInfo(MakeDesignInfo(Left, Top));
    return component.release();
}

// --- Component editors -----------------------------------------------------------------

std::string TComponentEditor::GetVerb(int) const { return {}; }

void TComponentEditor::ExecuteVerb(int) {}

void TComponentEditor::Edit() {
    if (GetVerbCount() > 0)
        ExecuteVerb(0);
}

// --- Property editors ------------------------------------------------------------------

TPropertyEditor::TPropertyEditor(TPersistent* Instance, const TPropInfo& Prop, IDesigner* Designer,
                                 const TDesignRegistry* Registry)
    : FInstance(Instance), FProp(Prop), FDesigner(Designer), FRegistry(Registry) {}

std::string TPropertyEditor::GetValue() const { return "(unknown)"; }

void TPropertyEditor::SetValue(const std::string&) {}

std::int64_t TPropertyEditor::GetOrdValue() const { return FProp.GetOrd(*FInstance); }

void TPropertyEditor::SetOrdValue(std::int64_t Value) {
    FProp.SetOrd(*FInstance, Value);
    Changed();
}

double TPropertyEditor::GetFloatValue() const { return FProp.GetFloat(*FInstance); }

void TPropertyEditor::SetFloatValue(double Value) {
    FProp.SetFloat(*FInstance, Value);
    Changed();
}

std::string TPropertyEditor::GetStrValue() const { return FProp.GetString(*FInstance); }

void TPropertyEditor::SetStrValue(const std::string& Value) {
    FProp.SetString(*FInstance, Value);
    Changed();
}

TObject* TPropertyEditor::GetObjectValue() const { return FProp.GetObject(*FInstance); }

void TPropertyEditor::SetObjectValue(TObject* Value) {
    FProp.SetObject(*FInstance, Value);
    Changed();
}

void TPropertyEditor::Changed() {
    if (FDesigner)
        FDesigner->Modified();
}

}  // namespace nyx
