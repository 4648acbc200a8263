#pragma once
// Editable points that report every change: TNyxVertex3 and TNyxVertex3Tex inside
// other objects, TNyxVertex3CI and TNyxVertex3TexCI as items of a TNyxCollection
// (the vertex lists of polylines and polygons), and that collection, which
// invalidates the scene objects registered with it.

#include "geom/geom.h"
#include "rtl/classes.h"
#include "rtl/graphics.h"
#include "scene/scene_fwd.h"

#include <array>
#include <vector>

namespace nyx {

// X, Y, Z (indices 0-2). A value equal to the stored one changes nothing and
// notifies nobody; any other value is stored and then OnChange runs.
class TNyxVertex3 : public TPersistent {
    NYX_CLASS(TNyxVertex3)
public:
    explicit TNyxVertex3(TNotifyEvent OnChange = {}) : FOnChange(OnChange) {}

    double X() const { return FData[0]; }
    double Y() const { return FData[1]; }
    double Z() const { return FData[2]; }
    // The three coordinates as one vector, for the geometry functions.
    const TGLArrayd3& Data() const { return FData; }

    // Other indices are ignored.
    virtual void SetData(int Index, double Value);
    void SetX(double Value) { SetData(0, Value); }
    void SetY(double Value) { SetData(1, Value); }
    void SetZ(double Value) { SetData(2, Value); }

    // Writes the coordinates without telling anyone: for owners that reset their
    // state (construction, reading a stream), where a notification would be wrong.
    void Store(const TGLArrayd3& Value) { FData = Value; }

protected:
    void Changed() { FOnChange(this); }
    TGLArrayd3 FData{0, 0, 0};

private:
    TNotifyEvent FOnChange;
};

// Adds texture coordinates TexX, TexY (indices 3, 4).
class TNyxVertex3Tex : public TNyxVertex3 {
    NYX_CLASS(TNyxVertex3Tex)
public:
    using TNyxVertex3::TNyxVertex3;

    double TexX() const { return FTex[0]; }
    double TexY() const { return FTex[1]; }
    void SetData(int Index, double Value) override;

private:
    std::array<double, 2> FTex{0, 0};
};

// A vertex with a colour, as an item of a TNyxCollection. Every change invalidates
// the collection (and through it the objects registered there).
class TNyxVertex3CI : public TCollectionItem {
    NYX_CLASS(TNyxVertex3CI)
public:
    explicit TNyxVertex3CI(TCollection* Collection);

    double X() const { return FData[0]; }
    double Y() const { return FData[1]; }
    double Z() const { return FData[2]; }
    const TGLArrayd3& Data() const { return FData; }
    virtual void SetData(int Index, double Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // R, G, B of Color for OpenGL; A starts at 1.
    const std::array<float, 4>& ColorRGBA() const { return FColorRGBA; }
    // The alpha a polygon draws the vertex with, kept in the colour; not a change of
    // the item, so nobody is told.
    void StoreAlpha(float Value) { FColorRGBA[3] = Value; }

    // "(x, y, z)" with two decimals, in the user's decimal separator.
    std::string GetDisplayName() const override;

protected:
    // Tells the owning collection; nothing outside one.
    void NotifyCollection();
    TGLArrayd3 FData{0, 0, 0};

private:
    TColor FColor = clWhite;
    std::array<float, 4> FColorRGBA{1, 1, 1, 1};
};

class TNyxVertex3TexCI : public TNyxVertex3CI {
    NYX_CLASS(TNyxVertex3TexCI)
public:
    using TNyxVertex3CI::TNyxVertex3CI;

    double TexX() const { return FTex[0]; }
    double TexY() const { return FTex[1]; }
    // TexX and TexY as one pair, as glTexCoord2dv takes them.
    const std::array<double, 2>& Tex() const { return FTex; }
    void SetData(int Index, double Value) override;

private:
    std::array<double, 2> FTex{0, 0};
};

// An owned collection that invalidates its registered scene objects (not owned) on
// every change of itself or of an item. Whoever registers an object unregisters it
// before the object goes away; the owning object usually does both.
class TNyxCollection : public TOwnedCollection {
    NYX_CLASS(TNyxCollection)
public:
    TNyxCollection(TPersistent* Owner, const TMetaClass& ItemClass)
        : TOwnedCollection(Owner, ItemClass) {}

    // Both invalidate once, after the item is complete or gone; inside BeginUpdate,
    // at the EndUpdate that closes it.
    TCollectionItem* Add() override;
    void Delete(int Index) override;

    void RegisterObject(TNyxObject* Obj);
    void UnregisterObject(TNyxObject* Obj);
    const std::vector<TNyxObject*>& RegisteredObjects() const { return FRegisteredObjects; }

    // Invalidates every registered object with this collection as the sender.
    virtual void Invalidate(TObject* Sender);

protected:
    // Every other change of the item list (Insert, Clear, Assign, an item moved or
    // freed directly) invalidates too, so that an owner reading the items in its
    // Invalidate never sees them stale.
    void Update(TCollectionItem* Item) override;

private:
    std::vector<TNyxObject*> FRegisteredObjects;
};

}  // namespace nyx
