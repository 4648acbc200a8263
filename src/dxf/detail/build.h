#pragma once
// Making the objects of a drawing: shared by the classic readers and the readers of the
// extended entities.

#include "dxf/converter.h"
#include "scene/object.h"
#include "scene/vertex.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace nyx::detail {

// A new object of class T owned by Root and attached below Parent, named and coloured,
// kept inside its update bracket while it is set up, however the set-up ends.
template <class T>
class TBuilt {
public:
    TBuilt(TNyxObject* Root, TNyxObject* Parent, const std::string& Ident, TColor Color)
        : FObject(new T(Root)) {
        FObject->BeginUpdate();
        FObject->SetParentComponent(Parent);
        FObject->SetIdent(Ident);
        FObject->SetColor(Color);
    }
    ~TBuilt() {
        if (FObject)
            FObject->EndUpdate();
    }
    TBuilt(const TBuilt&) = delete;
    TBuilt& operator=(const TBuilt&) = delete;

    T* operator->() const { return FObject; }
    T* Get() const { return FObject; }
    // Frees the object instead of ending the bracket.
    void Free() {
        delete FObject;
        FObject = nullptr;
    }

private:
    T* FObject;
};

inline void SetVertex(TNyxVertex3* V, const TGLArrayd3& P) {
    V->SetX(P[0]);
    V->SetY(P[1]);
    V->SetZ(P[2]);
}

inline void AppendVertex(TNyxCollection* Vertexes, const TGLArrayd3& P) {
    auto* v = static_cast<TNyxVertex3CI*>(Vertexes->Add());
    v->SetData(0, P[0]);
    v->SetData(1, P[1]);
    v->SetData(2, P[2]);
}

// Translation and scale written into the transform's vectors, then one invalidation.
inline void PlaceXForm(TNyxObject* Obj, const TGLArrayd3& Translation, const TGLArrayd3& Scale) {
    TNyxXForm* xf = Obj->XForm();
    xf->Translate()->Store(Translation);
    xf->Scale()->Store(Scale);
    xf->ChangeData(xf);
}

// Circles are drawn with this many segments; arcs of other kinds follow them.
constexpr std::int32_t CircleSegments = 45;

// Emit(x, y) for the points strictly between (X1, Y1) and (X2, Y2) on the arc of the
// given bulge (the tangent of a quarter of the included angle, positive
// counter-clockwise), as chords of the length circles are drawn with.
template <class F>
void BulgePoints(double X1, double Y1, double X2, double Y2, double Bulge, F&& Emit) {
    const double dx = X2 - X1, dy = Y2 - Y1;
    const double chord = std::hypot(dx, dy);
    if (!(chord > 0) || !std::isfinite(Bulge) || !std::isfinite(chord))
        return;
    const double sweep = 4 * std::atan(Bulge);
    // From the chord's midpoint along its left normal to the centre.
    const double toCentre = chord * (1 - Bulge * Bulge) / (4 * Bulge);
    const double cx = (X1 + X2) / 2 - dy / chord * toCentre;
    const double cy = (Y1 + Y2) / 2 + dx / chord * toCentre;
    const double radius = std::hypot(X1 - cx, Y1 - cy);
    const double start = std::atan2(Y1 - cy, X1 - cx);
    const double step = 2 * std::numbers::pi / CircleSegments;
    const int segments = std::max(1, int(std::ceil(std::abs(sweep) / step - 1e-9)));
    for (int k = 1; k < segments; ++k) {
        const double a = start + sweep * k / segments;
        Emit(cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
}

}  // namespace nyx::detail

namespace nyx {

template <class F>
bool TDXFConverter::ReadOwnGroups(TEntity& Entity, F OnGroup) {
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        switch (code) {
        case 0:
            go_back_to_last(code, FValue);
            return true;
        case 2:
            Entity.Name = FValue;
            break;
        case 8:
            Entity.Layer = FValue;
            break;
        case 62:
            Entity.ColorNumber = ValInt();
            break;
        case 70:
            Entity.Flags = ValInt();
            break;
        default:
            OnGroup(code);
            break;
        }
    }
}

}  // namespace nyx
