#include "objects/startup.h"

#include "objects/box.h"
#include "objects/heightfield.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/polygon.h"
#include "objects/polyhedra.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "objects/torus.h"
#include "objects/user.h"

namespace nyx {

namespace {
int StartCount = 0;
}  // namespace

const std::vector<const TMetaClass*>& NyxObjectsClasses() {
    static const std::vector<const TMetaClass*> classes{
        &TNyxBox::StaticClass(),        &TNyxSphere::StaticClass(),
        &TNyxCone::StaticClass(),       &TNyxIcosahedron::StaticClass(),
        &TNyxOctahedron::StaticClass(), &TNyxDodecahedron::StaticClass(),
        &TNyxTeapot::StaticClass(),     &TNyxTorus::StaticClass(),
        &TNyxPoint::StaticClass(),      &TNyxLine::StaticClass(),
        &TNyxPolyline::StaticClass(),   &TNyxPolygon::StaticClass(),
        &TNyxArc::StaticClass(),        &TNyxCircle::StaticClass(),
        &TNyxUser::StaticClass(),       &TNyxHeightField::StaticClass(),
        &TNyxLabel::StaticClass(),      &TNyxMesh::StaticClass(),
    };
    return classes;
}

void InitializeNyxObjects() {
    if (StartCount++ > 0)
        return;
    RegisterClasses(NyxObjectsClasses());
}

void FinalizeNyxObjects() {
    if (StartCount == 0 || --StartCount > 0)
        return;
    UnRegisterClasses(NyxObjectsClasses());
}

const TDesignRegistration& NyxObjectsRegistration() {
    static const TDesignRegistration registration{.Unit = "NyxObjects",
                                                  .NoIcon = NyxObjectsClasses()};
    return registration;
}

}  // namespace nyx
