// Fog: what Apply sends to OpenGL, and when a change repaints the owning panel.

#include "rtl/controls.h"
#include "rtl/host.h"
#include "scene/fog.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace nyx {
namespace {

using ::testing::ElementsAre;

class TCountingControl : public TCustomControl {
public:
    TCountingControl() : TCustomControl(nullptr) {}
    void Repaint() override { ++Repaints; }
    int Repaints = 0;
};

TEST(Fog, DisabledFogOnlySwitchesFogOff) {
    test::TOffscreenGL gl(4, 4);
    TNyxFog fog;
    fog.SetDensity(0.5);
    fog.SetMode(fmExp2);
    TGLRecorder recorder;
    fog.Apply();
    EXPECT_THAT(recorder.Calls(), ElementsAre("glDisable(GL_FOG)"));
}

// Enabled with everything else at its initial zeros is linear fog from 0 to 0, and the
// three distances go out whatever the mode.
TEST(Fog, EnabledFogSetsEveryParameterWithZeroAlpha) {
    test::TOffscreenGL gl(4, 4);
    TNyxFog fog;
    fog.SetEnabled(true);
    {
        TGLRecorder recorder;
        fog.Apply();
        EXPECT_THAT(recorder.Calls(),
                    ElementsAre("glFogi(GL_FOG_MODE, GL_LINEAR)", "glFogf(GL_FOG_START, 0)",
                                "glFogf(GL_FOG_END, 0)", "glFogf(GL_FOG_DENSITY, 0)",
                                "glFogfv(GL_FOG_COLOR, {0, 0, 0, 0})",
                                "glHint(GL_FOG_HINT, GL_NICEST)", "glEnable(GL_FOG)"));
    }
    fog.SetColor(RGB(255, 0, 255));
    fog.SetStart(1.5);
    fog.SetEnd(10.25);
    fog.SetDensity(0.125);
    struct TCase {
        TFogMode Mode;
        const char* Call;
    };
    for (const TCase& c : {TCase{fmLinear, "glFogi(GL_FOG_MODE, GL_LINEAR)"},
                           TCase{fmExp, "glFogi(GL_FOG_MODE, GL_EXP)"},
                           TCase{fmExp2, "glFogi(GL_FOG_MODE, GL_EXP2)"}}) {
        SCOPED_TRACE(c.Call);
        fog.SetMode(c.Mode);
        TGLRecorder recorder;
        fog.Apply();
        EXPECT_THAT(recorder.Calls({"glFogi", "glFogf", "glFogfv"}),
                    ElementsAre(c.Call, "glFogf(GL_FOG_START, 1.5)", "glFogf(GL_FOG_END, 10.25)",
                                "glFogf(GL_FOG_DENSITY, 0.125)",
                                "glFogfv(GL_FOG_COLOR, {1, 0, 1, 0})"));
    }
}

class TColourHost : public THost {
public:
    TColor Window = clWhite;

protected:
    TColor DoGetSysColor(int Index) const override {
        return Index == COLOR_WINDOW ? Window : THost::DoGetSysColor(Index);
    }
};

TEST(Fog, SystemColourResolvesAtEachApply) {
    TColourHost host;
    THost* previous = SetHost(&host);
    {
        test::TOffscreenGL gl(4, 4);
        TNyxFog fog;
        fog.SetEnabled(true);
        fog.SetColor(clWindow);
        for (auto [rgb, expected] : {std::pair{clWhite, "glFogfv(GL_FOG_COLOR, {1, 1, 1, 0})"},
                                     std::pair{clBlue, "glFogfv(GL_FOG_COLOR, {0, 0, 1, 0})"}}) {
            host.Window = rgb;
            TGLRecorder recorder;
            fog.Apply();
            EXPECT_THAT(recorder.Calls({"glFogfv"}), ElementsAre(expected));
        }
    }
    SetHost(previous);
}

// Every setter repaints the owning panel once on a change, never for the same value.
TEST(Fog, SettersRepaintTheOwnerOnlyOnChange) {
    using TSetter = std::function<void(TNyxFog&)>;
    const std::vector<std::pair<const char*, TSetter>> setters{
        {"Enabled", [](TNyxFog& f) { f.SetEnabled(true); }},
        {"Color", [](TNyxFog& f) { f.SetColor(clRed); }},
        {"FogStart", [](TNyxFog& f) { f.SetStart(2.0); }},
        {"FogEnd", [](TNyxFog& f) { f.SetEnd(3.0); }},
        {"Density", [](TNyxFog& f) { f.SetDensity(0.25); }},
        {"Mode", [](TNyxFog& f) { f.SetMode(fmExp); }},
    };
    for (const auto& [name, set] : setters) {
        SCOPED_TRACE(name);
        TCountingControl panel;
        TNyxFog fog;
        fog.SetOwnerPanel(&panel);
        set(fog);
        EXPECT_EQ(panel.Repaints, 1);
        set(fog);
        EXPECT_EQ(panel.Repaints, 1);
    }
    TNyxFog orphan;
    orphan.SetEnabled(true);  // no owner: nothing to repaint, and no crash
    EXPECT_TRUE(orphan.Enabled());
}

TEST(Fog, AssignCopiesTheSettingsAndRepaintsPerChange) {
    TCountingControl panel;
    TNyxFog source;
    source.SetEnabled(true);
    source.SetDensity(0.75);
    source.SetMode(fmExp);
    TNyxFog fog;
    fog.SetOwnerPanel(&panel);
    fog.Assign(&source);
    EXPECT_TRUE(fog.Enabled());
    EXPECT_EQ(fog.Density(), 0.75);
    EXPECT_EQ(fog.Mode(), fmExp);
    EXPECT_EQ(panel.Repaints, 3);
    EXPECT_EQ(fog.OwnerPanel(), &panel);
}

}  // namespace
}  // namespace nyx
