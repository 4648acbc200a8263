#include "objects/startup.h"

#include "objects/box.h"
#include "objects/quadrics.h"
#include "objects/torus.h"

namespace nyx {

namespace {
int StartCount = 0;
}  // namespace

const std::vector<const TMetaClass*>& NyxObjectsClasses() {
    static const std::vector<const TMetaClass*> classes{
        &TNyxBox::StaticClass(),
        &TNyxSphere::StaticClass(),
        &TNyxCone::StaticClass(),
        &TNyxTorus::StaticClass(),
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
