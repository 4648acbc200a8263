#pragma once
// TNyxFog: the fog of one panel's view. The panel applies it to its context before the
// scene draws; a change repaints the owning panel.

#include "rtl/classes.h"
#include "rtl/graphics.h"

namespace nyx {

enum TFogMode : std::uint8_t { fmLinear, fmExp, fmExp2 };
const TEnumInfo& TFogModeInfo();

class TCustomControl;

class TNyxFog : public TPersistent {
    NYX_CLASS(TNyxFog)
public:
    TNyxFog() = default;

    bool Enabled() const { return FEnabled; }
    TColor Color() const { return FColor; }
    double FogStart() const { return FFogStart; }
    double FogEnd() const { return FFogEnd; }
    double Density() const { return FDensity; }
    TFogMode Mode() const { return FMode; }

    void SetEnabled(bool Value);
    void SetColor(TColor Value);
    void SetStart(double Value);
    void SetEnd(double Value);
    void SetDensity(double Value);
    void SetMode(TFogMode Value);

    // The panel whose view this fog belongs to; repainted on every change.
    TCustomControl* OwnerPanel() const { return FOwnerPanel; }
    void SetOwnerPanel(TCustomControl* Value) { FOwnerPanel = Value; }

    // Sets the fog state of the current context; system colours resolve now.
    void Apply() const;

    void Assign(const TPersistent* Source) override;

private:
    void Changed();

    bool FEnabled = false;
    TColor FColor = 0;
    double FFogStart = 0;
    double FFogEnd = 0;
    double FDensity = 0;
    TFogMode FMode = fmLinear;
    TCustomControl* FOwnerPanel = nullptr;
};

}  // namespace nyx
