#include "design/registry.h"

#include "design/propedits.h"

#include <algorithm>

namespace nyx {

void TDesignRegistry::Register(const TDesignRegistration& Registration) {
    if (std::find(FUnits.begin(), FUnits.end(), &Registration) != FUnits.end())
        return;
    FUnits.push_back(&Registration);
    if (!Registration.Components.empty())
        RegisterComponents(Registration.PalettePage, Registration.Components);
    RegisterNoIcon(Registration.NoIcon);
    for (const TComponentEditorBinding& b : Registration.ComponentEditors)
        if (b.ComponentClass)  // an editor of no class would serve nothing
            RegisterComponentEditor(*b.ComponentClass, b.Editor);
    for (const TPropertyEditorBinding& b : Registration.PropertyEditors)
        RegisterPropertyEditor(b);
}

void TDesignRegistry::Register(const std::vector<const TDesignRegistration*>& Registrations) {
    for (const TDesignRegistration* r : Registrations)
        Register(*r);
}

void TDesignRegistry::AddClass(std::vector<const TMetaClass*>& List, const TMetaClass* Class) {
    if (Class && std::find(List.begin(), List.end(), Class) == List.end())
        List.push_back(Class);
}

void TDesignRegistry::RegisterComponents(const std::string& Page,
                                         const std::vector<const TMetaClass*>& Classes) {
    auto page = std::find_if(FPages.begin(), FPages.end(),
                             [&](const TPalettePage& p) { return SameText(p.Name, Page); });
    if (page == FPages.end())
        page = FPages.insert(FPages.end(), TPalettePage{Page, {}});
    for (const TMetaClass* c : Classes)
        AddClass(page->Classes, c);
}

void TDesignRegistry::RegisterNoIcon(const std::vector<const TMetaClass*>& Classes) {
    for (const TMetaClass* c : Classes)
        AddClass(FNoIcon, c);
}

void TDesignRegistry::RegisterComponentEditor(const TMetaClass& ComponentClass,
                                              const std::string& Editor) {
    FComponentEditors.push_back({&ComponentClass, Editor});
}

void TDesignRegistry::RegisterPropertyEditor(const TPropertyEditorBinding& Binding) {
    FPropertyEditors.push_back(Binding);
}

void TDesignRegistry::RegisterComponentEditorClass(const std::string& Editor,
                                                   TComponentEditorFactory Factory) {
    FComponentEditorClasses[Editor] = std::move(Factory);
}

void TDesignRegistry::RegisterPropertyEditorClass(const std::string& Editor,
                                                  TPropertyEditorFactory Factory) {
    FPropertyEditorClasses[Editor] = std::move(Factory);
}

const TDesignRegistry::TPalettePage* TDesignRegistry::FindPage(std::string_view Name) const {
    for (const TPalettePage& p : FPages)
        if (SameText(p.Name, Name))
            return &p;
    return nullptr;
}

bool TDesignRegistry::IsRegistered(const TMetaClass& Class) const {
    return FindClass(Class.Name()) == &Class;
}

const TMetaClass* TDesignRegistry::FindClass(std::string_view Name) const {
    for (const TPalettePage& p : FPages)
        for (const TMetaClass* c : p.Classes)
            if (SameText(c->Name(), Name))
                return c;
    for (const TMetaClass* c : FNoIcon)
        if (SameText(c->Name(), Name))
            return c;
    return nullptr;
}

std::unique_ptr<TComponentEditor>
TDesignRegistry::CreateComponentEditor(TComponent* Component, IDesigner* Designer) const {
    // The nearest class wins; among bindings of one class the later one.
    for (const TMetaClass* k = &Component->ClassType(); k; k = k->Parent())
        for (auto b = FComponentEditors.rbegin(); b != FComponentEditors.rend(); ++b) {
            if (b->ComponentClass != k)
                continue;
            auto factory = FComponentEditorClasses.find(b->Editor);
            if (factory != FComponentEditorClasses.end())
                return factory->second(Component, Designer);
        }
    return std::make_unique<TComponentEditor>(Component, Designer);
}

namespace {

// Whether a property of Prop's type is one of Type: the same type by name, or for class
// properties the class or one of its ancestors.
bool FitsType(const TPropInfo& Prop, const std::string& Type) {
    if (SameText(PropTypeName(Prop), Type))
        return true;
    if (Prop.Kind != TTypeKind::tkClass || !Prop.PropClass || !Prop.TypeName.empty())
        return false;
    for (const TMetaClass* k = Prop.PropClass().Parent(); k; k = k->Parent())
        if (SameText(k->Name(), Type))
            return true;
    return false;
}

}  // namespace

const TPropertyEditorBinding* TDesignRegistry::FindBinding(const TPersistent& Instance,
                                                           const TPropInfo& Prop) const {
    const TPropertyEditorBinding* best = nullptr;
    int bestRank = -1;
    for (const TPropertyEditorBinding& b : FPropertyEditors) {
        if (!FitsType(Prop, b.PropertyType))
            continue;
        if (b.ComponentClass && !Instance.InheritsFrom(*b.ComponentClass))
            continue;
        if (!b.PropertyName.empty() && !SameText(b.PropertyName, Prop.Name))
            continue;
        if (!FPropertyEditorClasses.contains(b.Editor))
            continue;
        const int rank = (b.PropertyName.empty() ? 0 : 2) + (b.ComponentClass ? 1 : 0);
        if (rank >= bestRank) {
            best = &b;
            bestRank = rank;
        }
    }
    return best;
}

std::unique_ptr<TPropertyEditor> TDesignRegistry::CreatePropertyEditor(TPersistent* Instance,
                                                                       const TPropInfo& Prop,
                                                                       IDesigner* Designer) const {
    if (const TPropertyEditorBinding* b = FindBinding(*Instance, Prop))
        return FPropertyEditorClasses.find(b->Editor)->second(Instance, Prop, Designer, this);
    return CreateKindPropertyEditor(Instance, Prop, Designer, this);
}

std::vector<std::string> TDesignRegistry::MissingEditors() const {
    std::vector<std::string> missing;
    auto note = [&](const std::string& name, bool known) {
        if (!known && std::find(missing.begin(), missing.end(), name) == missing.end())
            missing.push_back(name);
    };
    for (const TComponentEditorBinding& b : FComponentEditors)
        note(b.Editor, FComponentEditorClasses.contains(b.Editor));
    for (const TPropertyEditorBinding& b : FPropertyEditors)
        note(b.Editor, FPropertyEditorClasses.contains(b.Editor));
    return missing;
}

}  // namespace nyx
