#include "scene/startup.h"

#include "rtl/host.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/material.h"
#include "scene/object.h"
#include "scene/panel.h"
#include "scene/proxy.h"
#include "scene/scene.h"
#include "scene/shadow.h"

#include <string>

namespace nyx {

namespace {
int StartCount = 0;
}  // namespace

const std::vector<const TMetaClass*>& NyxClassesClasses() {
    static const std::vector<const TMetaClass*> classes{
        &TNyxActor::StaticClass(),
        &TNyxCamera::StaticClass(),
        &TNyxProxy::StaticClass(),
        &TNyxLight::StaticClass(),
    };
    return classes;
}

void InitializeNyxClasses() {
    if (StartCount++ > 0)
        return;
    RegisterClasses(NyxClassesClasses());
    InitShadowFeedback();
}

void FinalizeNyxClasses() {
    if (StartCount == 0 || --StartCount > 0)
        return;
    DoneShadowFeedback();
    if (LiveObjectCount > 0)
        MessageBox("There is Nyx-Objects leek (" + std::to_string(LiveObjectCount) + ")", "Warning",
                   MB_OK | MB_ICONERROR);
    // The scene tree editor lives in the Qt part of the library; the host knows its forms.
    Host().FreeFirstForm("TNyxObjectsListForm");
    UnRegisterClasses(NyxClassesClasses());
}

const TDesignRegistration& NyxClassesRegistration() {
    static const TDesignRegistration registration{
        .Unit = "NyxClasses",
        .PalettePage = "OpenGL",
        .Components = {&TNyxPanel::StaticClass(), &TNyxScene::StaticClass(),
                       &TNyxMaterialLibrary::StaticClass()},
        .NoIcon = NyxClassesClasses(),
        .PropertyEditors = {{"TNyxVertex3", nullptr, "P", "TNyxVertex3Property"}},
        .ComponentEditors = {{&TNyxScene::StaticClass(), "TNyxObjectEditor"}},
    };
    return registration;
}

}  // namespace nyx
