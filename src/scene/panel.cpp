#include "scene/panel.h"

namespace nyx {

const TMetaClass& TNyxPanel::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TNyxPanel, TCustomControl>("TNyxPanel");
    return meta;
}

TNyxPanel::TNyxPanel(TComponent* AOwner) : TCustomControl(AOwner) {}

void TNyxPanel::SetSharePanel(TNyxPanel* Value) {
    if (Value == this)
        Value = nullptr;
    if (Value == FSharePanel)
        return;
    FSharePanel = Value;
    // A partner freed before this panel creates its context must not be shared with.
    if (Value)
        Value->FreeNotification(this);
}

void TNyxPanel::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent == FSharePanel)
        FSharePanel = nullptr;
    TCustomControl::Notification(AComponent, Operation);
}

} // namespace nyx
