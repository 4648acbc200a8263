#pragma once
// A form designer for the editors' tests: it creates components on its root as a designer
// does and writes down every call it gets.

#include "design/designintf.h"

#include <string>
#include <vector>

namespace nyx::test {

class TLogDesigner : public IDesigner {
public:
    explicit TLogDesigner(TComponent& Root) : FRoot(Root) {}

    TComponent* CreateComponent(const TMetaClass* ComponentClass, TComponent* Parent, int Left,
                                int Top, int Width, int Height) override {
        Log.push_back("Create " + ComponentClass->Name() + " " + NameOf(Parent) + " " +
                      std::to_string(Left) + " " + std::to_string(Top) + " " +
                      std::to_string(Width) + " " + std::to_string(Height));
        return CreateDesignComponent(FRoot, *ComponentClass, Left, Top);
    }
    void SelectComponent(TPersistent* Instance) override {
        Selection = Instance;
        Log.push_back("Select " + NameOf(dynamic_cast<TComponent*>(Instance)));
    }
    void ClearSelection() override {
        Selection = nullptr;
        Log.push_back("ClearSelection");
    }
    TPersistent* GetSelection() const override { return Selection; }
    void Modified() override { Log.push_back("Modified"); }
    TComponent* GetRoot() const override { return &FRoot; }

    static std::string NameOf(const TComponent* C) { return C ? C->Name() : "-"; }

    std::vector<std::string> Log;
    TPersistent* Selection = nullptr;

private:
    TComponent& FRoot;
};

}  // namespace nyx::test
