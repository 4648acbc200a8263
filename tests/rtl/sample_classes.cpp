#include "sample_classes.h"

#include "rtl/filer.h"
#include "rtl/streams.h"

#include <algorithm>

namespace nyx::sample {

namespace {
const TEnumInfo KindInfo{"TKind", {"skNone", "skOne", "skTwo"}};
const TEnumInfo FlagInfo{"TFlag", {"sfA", "sfB", "sfC"}};
}  // namespace

const TMetaClass& TPoint::StaticClass() {
    using P = Props<TPoint>;
    static const TMetaClass meta = TMetaClass::Make<TPoint, TPersistent>(
        "TPoint", {P::Float("X", &TPoint::X, [](TPoint& p, double v) { p.X = v; }),
                   P::Float("Y", &TPoint::Y, [](TPoint& p, double v) { p.Y = v; }),
                   P::Integer(
                       "Weight", &TPoint::Weight, [](TPoint& p, int v) { p.Weight = v; }, 1)});
    return meta;
}

const TMetaClass& TFrame::StaticClass() {
    using P = Props<TFrame>;
    static const TMetaClass meta = TMetaClass::Make<TFrame, TPersistent>(
        "TFrame",
        {P::Owned<TPoint>("Origin", &TFrame::Origin),
         P::String("Label", &TFrame::Label, [](TFrame& f, const std::string& v) { f.Label = v; })});
    return meta;
}

const TMetaClass& TVertex::StaticClass() {
    using P = Props<TVertex>;
    static const TMetaClass meta = TMetaClass::Make<TVertex, TCollectionItem>(
        "TVertex",
        {P::Float("X", &TVertex::X, [](TVertex& v, double x) { v.X = x; }),
         P::Integer(
             "Color", &TVertex::Color, [](TVertex& v, std::int64_t c) { v.Color = c; }, 0),
         P::Reference<TSample>("Target", &TVertex::Target,
                               [](TVertex& v, TSample* t) { v.Target = t; })});
    return meta;
}

const TMetaClass& TSample::StaticClass() {
    using P = Props<TSample>;
    static const TMetaClass meta = TMetaClass::Make<TSample, TComponent>(
        "TSample",
        {P::Integer(
             "Count", &TSample::Count, [](TSample& s, std::int32_t v) { s.Count = v; }, 0),
         P::Integer(
             "Big", &TSample::Big, [](TSample& s, std::int64_t v) { s.Big = v; }, NoDefault),
         P::Float("Ratio", &TSample::Ratio, [](TSample& s, double v) { s.Ratio = v; }),
         P::Float("Single", &TSample::Single, [](TSample& s, float v) { s.Single = v; }),
         P::Enum(
             "Kind", &TSample::Kind, [](TSample& s, TKind v) { s.Kind = v; }, KindInfo, skNone),
         P::Boolean(
             "Visible", &TSample::Visible, [](TSample& s, bool v) { s.Visible = v; }, true),
         P::Set(
             "Flags", &TSample::Flags, [](TSample& s, std::uint8_t v) { s.Flags = v; }, FlagInfo,
             1 << sfA),
         P::String("Caption", &TSample::Caption,
                   [](TSample& s, const std::string& v) { s.Caption = v; }),
         P::Owned<TFrame>("Frame", [](const TSample& s) { return &s.Frame; }),
         P::Collection<TOwnedCollection>("Vertexes", [](const TSample& s) { return &s.Vertexes; }),
         P::Reference<TSample>("Link", &TSample::Link, &TSample::SetLink), P::Event("OnClick")});
    return meta;
}

TSample::TSample(TComponent* AOwner) : TComponent(AOwner) {}

TSample::~TSample() {
    Destroying();
    Detach();
    for (TSample* c : FChildren)
        c->FParentSample = nullptr;
}

void TSample::SetLink(TSample* Value) {
    if (FLink)
        RemoveFreeNotification(FLink);
    FLink = Value;
    if (FLink)
        FLink->FreeNotification(this);
}

void TSample::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLink)
        FLink = nullptr;
}

void TSample::Detach() {
    if (!FParentSample)
        return;
    auto& list = FParentSample->FChildren;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FParentSample = nullptr;
}

void TSample::AddChild(TSample* Child) { Child->SetParentComponent(this); }

void TSample::GetChildren(const TGetChildProc& Proc, TComponent*) {
    for (TSample* c : FChildren)
        Proc(c);
}

void TSample::SetParentComponent(TComponent* Value) {
    Detach();
    if (auto* parent = dynamic_cast<TSample*>(Value)) {
        FParentSample = parent;
        parent->FChildren.push_back(this);
    }
}

void TSample::Loaded() {
    LoadingInLoaded = ComponentState().Contains(csLoading);
    TComponent::Loaded();
    ++LoadedCalls;
    LinkResolvedBeforeLoaded = FLink != nullptr;
}

void TSample::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& s) {
            Blob.resize(std::size_t(s.Size()));
            s.ReadBuffer(Blob.data(), std::int64_t(Blob.size()));
        },
        [this](TStream& s) { s.WriteBuffer(Blob.data(), std::int64_t(Blob.size())); },
        !Blob.empty());
    Filer.DefineProperty(
        "Numbers",
        [this](TReader& r) {
            Numbers.clear();
            r.ReadListBegin();
            while (!r.EndOfList())
                Numbers.push_back(r.ReadInteger());
            r.ReadListEnd();
        },
        [this](TWriter& w) {
            w.WriteListBegin();
            for (std::int64_t n : Numbers)
                w.WriteInteger(n);
            w.WriteListEnd();
        },
        !Numbers.empty());
}

void RegisterSampleClasses() {
    RegisterClasses({&TSample::StaticClass(), &TPoint::StaticClass(), &TVertex::StaticClass()});
}

}  // namespace nyx::sample
