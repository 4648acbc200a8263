#pragma once
// A designer for tests: creates components on a root of its own and records what the
// editors tell it.

#include "design/designintf.h"

#include <vector>

namespace nyx::test {

class TTestDesigner : public IDesigner {
public:
    TTestDesigner() { Root.SetDesigning(true); }

    TComponent* CreateComponent(const TMetaClass* ComponentClass, TComponent*, int Left, int Top,
                                int Width, int Height) override {
        TComponent* c = CreateDesignComponent(Root, *ComponentClass, Left, Top, Width, Height);
        Added.push_back(c);
        return c;
    }
    void SelectComponent(TPersistent* Instance) override { FSelection = Instance; }
    void ClearSelection() override { FSelection = nullptr; }
    TPersistent* GetSelection() const override { return FSelection; }
    void Modified() override { ++ModifiedCount; }
    TComponent* GetRoot() const override { return &Root; }

    mutable TComponent Root{nullptr};
    std::vector<TComponent*> Added;
    int ModifiedCount = 0;

private:
    TPersistent* FSelection = nullptr;
};

}  // namespace nyx::test
