#pragma once
// Panels on the off-screen host: a scene with a red background and a camera in it, a
// spy on what the scene is asked to render and select, and the application's events.

#include "gl/opengl.h"
#include "rtl/controls.h"
#include "scene/camera.h"
#include "scene/fog.h"
#include "scene/navigation.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "testing/glrecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nyx::test {

using Strings = std::vector<std::string>;

// Records the arguments of Render and Select and then does them.
class TSpyScene : public TNyxScene {
    NYX_CLASS(TSpyScene)
public:
    using TNyxScene::TNyxScene;

    struct TSelectCall {
        std::int32_t X, Y, PickWidth, PickHeight;
        bool Mark, Toggle, ClearFirst;
        bool operator==(const TSelectCall&) const = default;
    };
    std::vector<bool> RenderDrafts;
    std::vector<GLint> RenderAccumBits;  // red accumulation bits of the context rendered in
    std::vector<TSelectCall> Selections;
    std::vector<HDC> FrameDCs;  // the surface each frame drew on, as its objects saw it

    void Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) override {
        if (State == dsPre)
            FrameDCs.push_back(Frame().DC());
        TNyxScene::Draw(Scene, State, Kind);
    }
    void Render(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height, bool Draft) override {
        RenderDrafts.push_back(Draft);
        GLint bits = 0;
        glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
        RenderAccumBits.push_back(bits);
        TNyxScene::Render(Camera, Width, Height, Draft);
    }
    std::int32_t Select(TNyxCamera* Camera, std::int32_t Width, std::int32_t Height, std::int32_t X,
                        std::int32_t Y, std::int32_t PickWidth, std::int32_t PickHeight, bool Mark,
                        bool Toggle, bool ClearFirst) override {
        Selections.push_back({X, Y, PickWidth, PickHeight, Mark, Toggle, ClearFirst});
        return TNyxScene::Select(Camera, Width, Height, X, Y, PickWidth, PickHeight, Mark, Toggle,
                                 ClearFirst);
    }
};

inline const TMetaClass& TSpyScene::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TSpyScene, TNyxScene>("TSpyScene");
    return meta;
}

struct TAppEvents {
    Strings Lines;
    int Wheels = 0;
    void Down(TObject*, TMouseButton, TShiftState, int x, int y) { Add("down", x, y); }
    void Move(TObject*, TShiftState, int x, int y) { Add("move", x, y); }
    void Up(TObject*, TMouseButton, TShiftState, int x, int y) { Add("up", x, y); }
    void Wheel(TObject*, TShiftState, int, TPoint, bool&) { ++Wheels; }
    void Add(const char* what, int x, int y) {
        Lines.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void Connect(TCustomControl& c) {
        c.OnMouseDown = TMouseEvent::Bind<&TAppEvents::Down>(this);
        c.OnMouseMove = TMouseMoveEvent::Bind<&TAppEvents::Move>(this);
        c.OnMouseUp = TMouseEvent::Bind<&TAppEvents::Up>(this);
        c.OnMouseWheel = TMouseWheelEvent::Bind<&TAppEvents::Wheel>(this);
    }
};

class PanelTest : public ::testing::Test {
protected:
    static constexpr TColor Background = clRed;

    PanelTest() {
        scene = new TSpyScene(&owner);
        scene->SetBackgroundColor(Background);
        camera = new TNyxCamera(&owner);
        camera->SetParentComponent(scene);
    }

    TNyxPanel* NewPanel() { return new TNyxPanel(&owner); }
    TNyxPanel* NewWindowedPanel() {
        TNyxPanel* p = NewPanel();
        p->HandleNeeded();
        return p;
    }

    // What the panel's off-screen window shows at (X, Y), row 0 at the top.
    static TColor PixelAt(TNyxPanel* Panel, int X, int Y) {
        auto* window = dynamic_cast<TOffscreenWindow*>(Panel->WindowHandle());
        if (!window)
            ADD_FAILURE() << "the panel has no off-screen window";
        return window ? window->Bitmap().Pixels(X, Y) : clNone;
    }
    static const TBitmap& Shown(TNyxPanel* Panel) {
        return dynamic_cast<TOffscreenWindow&>(*Panel->WindowHandle()).Bitmap();
    }

    TComponent owner{nullptr};
    TSpyScene* scene;
    TNyxCamera* camera;
};

}  // namespace nyx::test
