#pragma once
// Components with one published property of every kind, nested children and
// non-property data, for the streaming tests and the stream fuzzers.

#include "rtl/classes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nyx::sample {

enum TKind { skNone, skOne, skTwo };
enum TFlag { sfA, sfB, sfC };

class TPoint : public TPersistent {
    NYX_CLASS(TPoint)
public:
    double X = 0, Y = 0;
    int Weight = 1;
};

// An owned object that owns another: paths two levels deep.
class TFrame : public TPersistent {
    NYX_CLASS(TFrame)
public:
    TPoint* Origin() const { return &FOrigin; }
    std::string Label;

private:
    mutable TPoint FOrigin;
};

class TSample;

class TVertex : public TCollectionItem {
    NYX_CLASS(TVertex)
public:
    explicit TVertex(TCollection* c) : TCollectionItem(c) {}
    double X = 0;
    std::int64_t Color = 0;
    TSample* Target = nullptr;  // not kept valid; tests read it right after loading
};

class TSample : public TComponent {
    NYX_CLASS(TSample)
public:
    explicit TSample(TComponent* AOwner);
    ~TSample() override;

    std::int32_t Count = 0;
    std::int64_t Big = 0;
    double Ratio = 0;
    float Single = 0;
    TKind Kind = skNone;
    bool Visible = true;
    std::uint8_t Flags = 1 << sfA;
    std::string Caption;
    TFrame Frame;
    TOwnedCollection Vertexes{this, TVertex::StaticClass()};
    std::vector<std::uint8_t> Blob;     // stored as binary data
    std::vector<std::int64_t> Numbers;  // stored as a list of integers

    TSample* Link() const { return FLink; }
    void SetLink(TSample* Value);

    // Scene-like children: attached by SetParentComponent, reported by GetChildren,
    // owned by whoever owns them.
    const std::vector<TSample*>& Children() const { return FChildren; }
    TSample* ParentSample() const { return FParentSample; }
    void AddChild(TSample* Child);

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void SetParentComponent(TComponent* Value) override;
    TComponent* GetParentComponent() const override { return FParentSample; }
    bool HasParent() const override { return true; }
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler& Filer) override;

    // What Loaded saw: whether the object was still marked loading and its link resolved.
    int LoadedCalls = 0;
    bool LoadingInLoaded = false;
    bool LinkResolvedBeforeLoaded = false;

private:
    void Detach();
    TSample* FLink = nullptr;
    TSample* FParentSample = nullptr;
    std::vector<TSample*> FChildren;
};

// Registers the sample classes (idempotent).
void RegisterSampleClasses();

}  // namespace nyx::sample
