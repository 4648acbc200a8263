// Framing a whole scene in a camera: the world bounds of what a scene draws, and the
// camera placement that shows all of it.

#include "rtl/scope.h"
#include "scene/camera.h"
#include "scene/colored.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nyx {

namespace {

bool VisibleWithAncestors(const TNyxObject* Object) {
    for (; Object; Object = Object->Parent())
        if (!Object->Visible())
            return false;
    return true;
}

// A direction from the target to the eye: in front of the scene, to the right and
// above, seen with Up pointing up.
TGLArrayd3 DefaultViewDirection(TGLArrayd3 Up) {
    Normalized(Up);
    if (Dotd(Up, Up) == 0)
        Up = unitz;
    const TGLArrayd3 axis = std::abs(Up[0]) < 0.9 ? unitx : unity;
    const double along = Dotd(axis, Up);
    TGLArrayd3 side{axis[0] - along * Up[0], axis[1] - along * Up[1], axis[2] - along * Up[2]};
    Normalized(side);
    TGLArrayd3 ahead;
    CrossProdd(Up, side, ahead);
    TGLArrayd3 d;
    for (int i = 0; i < 3; ++i)
        d[i] = 0.55 * side[i] - 0.75 * ahead[i] + 0.5 * Up[i];
    Normalized(d);
    return d;
}

}  // namespace

namespace {

// Adds the eight corners of Object's local bounds through M.
void AddCorners(const TNyxObject& Object, const TGLMatrixd4& M, bool& Any, TGLArrayd3& Min,
                TGLArrayd3& Max) {
    TGLArrayd3 lo, hi;
    Object.GetSize(lo, hi);
    for (int corner = 0; corner < 8; ++corner) {
        TGLArrayd3 p{corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1],
                     corner & 4 ? hi[2] : lo[2]};
        Xformd(M, p);
        if (!Any) {
            Min = Max = p;
            Any = true;
        }
        MinBoundsd(Min, p);
        MaxBoundsd(Max, p);
    }
}

// What a proxy at M draws of its target: the target's drawable children, through the
// target's own transform, and the proxies among them as far as Depth allows. Chain holds
// the targets being walked: one that comes round again adds nothing new.
void AddProxied(const TNyxObject& Target, const TGLMatrixd4& M, int Depth,
                std::vector<const TNyxObject*>& Chain, bool& Any, TGLArrayd3& Min,
                TGLArrayd3& Max) {
    TGLMatrixd4 local, m;
    Target.GetMatrix(local);
    MultMatrixd(M, local, m);
    if (Target.Is<TNyxColoredObject>())
        AddCorners(Target, m, Any, Min, Max);
    for (const TNyxObject* child : Target.Items()) {
        if (!child->Visible())
            continue;
        const auto* proxy = dynamic_cast<const TNyxProxy*>(child);
        if (!proxy) {
            AddProxied(*child, m, Depth, Chain, Any, Min, Max);
            continue;
        }
        const TNyxObject* target = proxy->Proxy();
        if (!target || Depth == 0 || std::find(Chain.begin(), Chain.end(), target) != Chain.end())
            continue;
        TGLMatrixd4 own, at;
        proxy->GetMatrix(own);
        MultMatrixd(m, own, at);
        Chain.push_back(target);
        AddProxied(*target, at, Depth - 1, Chain, Any, Min, Max);
        Chain.pop_back();
    }
}

// Proxies within proxied objects are followed this deep.
constexpr int ProxyDepth = 8;

}  // namespace

bool DrawableExtent(const TNyxObject& Root, TGLArrayd3& Min, TGLArrayd3& Max) {
    std::vector<TNyxObject*> objects;
    Root.ListChildren(objects, {&TNyxColoredObject::StaticClass(), &TNyxProxy::StaticClass()});
    bool any = false;
    for (const TNyxObject* o : objects) {
        if (!VisibleWithAncestors(o))
            continue;
        TGLMatrixd4 m;
        o->GetAbsoluteMatrix(m);
        const auto* proxy = dynamic_cast<const TNyxProxy*>(o);
        if (!proxy)
            AddCorners(*o, m, any, Min, Max);
        else if (proxy->Proxy()) {
            std::vector<const TNyxObject*> chain{proxy->Proxy()};
            AddProxied(*proxy->Proxy(), m, ProxyDepth, chain, any, Min, Max);
        }
    }
    return any;
}

void TNyxCamera::ViewAll(double Aspect) {
    TGLArrayd3 lo{-0.5, -0.5, -0.5}, hi{0.5, 0.5, 0.5};
    if (const TNyxScene* scene = Scene())
        DrawableExtent(*scene, lo, hi);
    TGLArrayd3 centre;
    double radius = 0;
    for (int i = 0; i < 3; ++i) {
        centre[i] = (lo[i] + hi[i]) / 2;
        radius += (hi[i] - lo[i]) * (hi[i] - lo[i]);
    }
    radius = std::sqrt(radius) / 2;
    if (!(radius > 0) || !std::isfinite(radius))
        radius = 0.5;
    // The camera's points live in its own frame.
    TGLMatrixd4 frame;
    ViewFrame(frame);
    Xformd(frame, centre);

    const TGLArrayd3 &p = Position()->Data(), &t = Target()->Data();
    TGLArrayd3 direction{p[0] - t[0], p[1] - t[1], p[2] - t[2]};
    Normalized(direction);
    if (Dotd(direction, direction) == 0)
        direction = DefaultViewDirection(FUp.Data());
    const double halfAngle = std::clamp(FFOVY, 1.0, 175.0) / 2 * std::numbers::pi / 180;
    const double aspect = Aspect > 0 && std::isfinite(Aspect) ? Aspect : 1.0;
    double distance;
    if (FOrthographic) {
        // The angle spans the width: the height is the smaller side when wider than high.
        distance = radius / (std::tan(halfAngle) * std::min(1.0, 1 / aspect));
        distance = std::max(distance, 2 * radius);
    } else {
        const double fit = std::min(halfAngle, std::atan(std::tan(halfAngle) * aspect));
        distance = radius / std::sin(fit);
    }

    const TUpdateScope update(*this);
    SetPositionObject(nullptr);
    SetTargetObject(nullptr);
    Reset();
    for (int i = 0; i < 3; ++i) {
        Target()->SetData(i, centre[i]);
        Position()->SetData(i, centre[i] + distance * direction[i]);
    }
    SetNearPlane(std::max(distance - 1.1 * radius, distance / 100));
    SetFarPlane(distance + 1.1 * radius);
}

}  // namespace nyx
