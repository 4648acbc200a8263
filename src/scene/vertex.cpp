#include "scene/vertex.h"

#include "rtl/scope.h"
#include "scene/object.h"

#include <algorithm>

namespace nyx {

// --- TNyxVertex3 -------------------------------------------------------------------

const TMetaClass& TNyxVertex3::StaticClass() {
    using P = Props<TNyxVertex3>;
    auto coord = [](const char* name, int index) {
        return P::Float(
            name, [index](const TNyxVertex3& v) { return v.FData[std::size_t(index)]; },
            [index](TNyxVertex3& v, double x) { v.SetData(index, x); });
    };
    static const TMetaClass meta = TMetaClass::Make<TNyxVertex3, TPersistent>(
        "TNyxVertex3", {coord("X", 0), coord("Y", 1), coord("Z", 2)});
    return meta;
}

void TNyxVertex3::SetData(int Index, double Value) {
    if (Index < 0 || Index > 2 || FData[std::size_t(Index)] == Value)
        return;
    FData[std::size_t(Index)] = Value;
    Changed();
}

const TMetaClass& TNyxVertex3Tex::StaticClass() {
    using P = Props<TNyxVertex3Tex>;
    static const TMetaClass meta = TMetaClass::Make<TNyxVertex3Tex, TNyxVertex3>(
        "TNyxVertex3Tex", {P::Float("TexX", &TNyxVertex3Tex::TexX,
                                    [](TNyxVertex3Tex& v, double x) { v.SetData(3, x); }),
                           P::Float("TexY", &TNyxVertex3Tex::TexY,
                                    [](TNyxVertex3Tex& v, double y) { v.SetData(4, y); })});
    return meta;
}

void TNyxVertex3Tex::SetData(int Index, double Value) {
    if (Index < 3 || Index > 4) {
        TNyxVertex3::SetData(Index, Value);
        return;
    }
    double& slot = FTex[std::size_t(Index - 3)];
    if (slot == Value)
        return;
    slot = Value;
    Changed();
}

// --- TNyxVertex3CI -----------------------------------------------------------------

const TMetaClass& TNyxVertex3CI::StaticClass() {
    using P = Props<TNyxVertex3CI>;
    auto coord = [](const char* name, int index) {
        return P::Float(
            name, [index](const TNyxVertex3CI& v) { return v.FData[std::size_t(index)]; },
            [index](TNyxVertex3CI& v, double x) { v.SetData(index, x); });
    };
    static const TMetaClass meta = TMetaClass::Make<TNyxVertex3CI, TCollectionItem>(
        "TNyxVertex3CI",
        {P::Color("Color", &TNyxVertex3CI::Color, &TNyxVertex3CI::SetColor, clWhite), coord("X", 0),
         coord("Y", 1), coord("Z", 2)});
    return meta;
}

TNyxVertex3CI::TNyxVertex3CI(TCollection* Collection) : TCollectionItem(Collection) {}

void TNyxVertex3CI::SetData(int Index, double Value) {
    if (Index < 0 || Index > 2 || FData[std::size_t(Index)] == Value)
        return;
    FData[std::size_t(Index)] = Value;
    NotifyCollection();
}

void TNyxVertex3CI::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    float rgba[4];
    ColorToFloats(Value, rgba);
    std::copy_n(rgba, 3, FColorRGBA.begin());
    NotifyCollection();
}

std::string TNyxVertex3CI::GetDisplayName() const {
    std::string caption = "(";
    for (std::size_t i = 0; i < 3; ++i)
        caption.append(i ? ", " : "").append(FormatFixed(FData[i], 2));
    return caption.append(")");
}

void TNyxVertex3CI::NotifyCollection() {
    if (auto* owner = dynamic_cast<TNyxCollection*>(Collection()))
        owner->Invalidate(this);
}

const TMetaClass& TNyxVertex3TexCI::StaticClass() {
    using P = Props<TNyxVertex3TexCI>;
    static const TMetaClass meta = TMetaClass::Make<TNyxVertex3TexCI, TNyxVertex3CI>(
        "TNyxVertex3TexCI", {P::Float("TexX", &TNyxVertex3TexCI::TexX,
                                      [](TNyxVertex3TexCI& v, double x) { v.SetData(3, x); }),
                             P::Float("TexY", &TNyxVertex3TexCI::TexY,
                                      [](TNyxVertex3TexCI& v, double y) { v.SetData(4, y); })});
    return meta;
}

void TNyxVertex3TexCI::SetData(int Index, double Value) {
    if (Index < 3 || Index > 4) {
        TNyxVertex3CI::SetData(Index, Value);
        return;
    }
    double& slot = FTex[std::size_t(Index - 3)];
    if (slot == Value)
        return;
    slot = Value;
    NotifyCollection();
}

// --- TNyxCollection ----------------------------------------------------------------

const TMetaClass& TNyxCollection::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TNyxCollection, TOwnedCollection>("TNyxCollection");
    return meta;
}

// The item list announces itself through Update while the item is still being built
// or already half destroyed; the bracket holds that back until EndUpdate.
TCollectionItem* TNyxCollection::Add() {
    const TUpdateScope update(*this);
    return TOwnedCollection::Add();
}

void TNyxCollection::Delete(int Index) {
    Items(Index);  // an index out of range raises before anything changes
    BeginUpdate();
    TOwnedCollection::Delete(Index);
    EndUpdate();
}

void TNyxCollection::Update(TCollectionItem*) { Invalidate(this); }

void TNyxCollection::RegisterObject(TNyxObject* Obj) {
    if (Obj && std::find(FRegisteredObjects.begin(), FRegisteredObjects.end(), Obj) ==
                   FRegisteredObjects.end())
        FRegisteredObjects.push_back(Obj);
}

void TNyxCollection::UnregisterObject(TNyxObject* Obj) {
    auto it = std::find(FRegisteredObjects.begin(), FRegisteredObjects.end(), Obj);
    if (it != FRegisteredObjects.end())
        FRegisteredObjects.erase(it);
}

void TNyxCollection::Invalidate(TObject*) {
    // By index: an object may unregister itself while it is being invalidated.
    for (std::size_t i = 0; i < FRegisteredObjects.size(); ++i)
        FRegisteredObjects[i]->Invalidate(this);
}

}  // namespace nyx
