#pragma once
// TNyxPanel: a view of a scene. What the scene relies on: the control's synchronous
// Repaint, and the share partner whose context the panel's own context shares display
// lists with.

#include "rtl/controls.h"
#include "scene/scene_fwd.h"

namespace nyx {

class TNyxPanel : public TCustomControl {
    NYX_CLASS(TNyxPanel)
public:
    explicit TNyxPanel(TComponent* AOwner);

    // The panel whose context shares display lists with this one; set by the scene
    // when this panel is registered behind another. Cleared when that panel goes.
    TNyxPanel* SharePanel() const { return FSharePanel; }
    void SetSharePanel(TNyxPanel* Value);

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TNyxPanel* FSharePanel = nullptr;
};

} // namespace nyx
