// A hook that throws, three levels down under transformed groups, in each path that
// draws: the main passes, the shadow-volume build, a light's shadow redraw and the
// selection. The exception reaches the caller and the context is left as it was found:
// stacks, matrix mode, render mode, no display list open; the next frame is the same as
// one drawn before anything threw.
#include <gtest/gtest.h>

#include <stdexcept>

#include "gl/opengl.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "testing/offscreen.h"
#include "testsolids.h"

using namespace nyx;

namespace {

enum class TWhere { Nowhere, Main, Volume, Shadows, Selection };

class TThrowingBox : public test::TTestBox {
public:
    using TTestBox::TTestBox;
    TWhere Armed = TWhere::Nowhere;

    void DrawSpecific(std::uint32_t Face, bool Draft) override {
        GLint mode = 0;
        glGetIntegerv(GL_RENDER_MODE, &mode);
        if ((Armed == TWhere::Volume && mode == GL_FEEDBACK) ||
            (Armed == TWhere::Selection && mode == GL_SELECT))
            throw std::runtime_error("hook");
        TTestBox::DrawSpecific(Face, Draft);
    }
    void DrawMain(bool Draft) override {
        if (Armed == TWhere::Main)
            throw std::runtime_error("hook");
        TTestBox::DrawMain(Draft);
    }
    void DrawShadows(bool Draft) override {
        if (Armed == TWhere::Shadows)
            throw std::runtime_error("hook");
        TTestBox::DrawShadows(Draft);
    }
};

struct TGLState {
    GLint Modelview, Projection, Attrib, MatrixMode, RenderMode, List;
    bool operator==(const TGLState&) const = default;
};

TGLState State() {
    TGLState s{};
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.Modelview);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.Projection);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.Attrib);
    glGetIntegerv(GL_MATRIX_MODE, &s.MatrixMode);
    glGetIntegerv(GL_RENDER_MODE, &s.RenderMode);
    glGetIntegerv(GL_LIST_INDEX, &s.List);
    return s;
}

TEST(Unwind, ThrowingHookLeavesTheContextAsItWas) {
    constexpr int size = 48;
    test::TOffscreenGL gl(size, size, true);
    TNyxScene scene(nullptr);
    scene.SetFShadows(true);
    auto* floor = new test::TTestFloor(nullptr, 5);
    floor->SetParentComponent(&scene);
    floor->SetShadows(1, true);
    TNyxObject* parent = &scene;
    for (int level = 0; level < 3; ++level) {
        auto* group = new TNyxObject(nullptr);
        group->SetParentComponent(parent);
        test::Place(group, 0.2, 0.1 * level, 0.3, 10);
        parent = group;
    }
    auto* box = new TThrowingBox(nullptr, 0.5);
    box->SetParentComponent(parent);
    box->SetShadows(0, true);
    box->SetShadows(1, true);
    for (const double x : {4.0, -4.0}) {  // two lights: the accumulation buffer is used
        auto* light = new TNyxLight(nullptr);
        light->SetParentComponent(&scene);
        light->Point1()->Store({x, 0, 4});
        light->SetShadows(0, true);
    }
    TNyxCamera camera(nullptr);
    camera.SetParentComponent(&scene);
    camera.Position()->Store({0, -8, 10});

    const auto render = [&] {
        glEnable(GL_DEPTH_TEST);
        scene.Render(&camera, size, size, false);
        gl.Finish();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels.push_back(gl.Surface().At(x, y));
        return pixels;
    };
    const auto select = [&] { scene.Select(&camera, size, size, 24, 24, 8, 8, true, false, true); };
    render();  // a first frame leaves state behind (lights enabled) that the next ones see
    const std::vector<std::uint32_t> before = render();
    ASSERT_EQ(render(), before);
    const TGLState clean = State();

    const struct {
        const char* What;
        TWhere Where;
        bool Selecting;
    } cases[] = {
        {"main pass", TWhere::Main, false},
        {"shadow-volume build, in feedback mode", TWhere::Volume, false},
        {"a light's shadow redraw, under its stencil state", TWhere::Shadows, false},
        {"selection", TWhere::Selection, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        box->Armed = c.Where;
        if (c.Selecting)
            EXPECT_THROW(select(), std::runtime_error);
        else
            EXPECT_THROW(render(), std::runtime_error);
        EXPECT_EQ(State(), clean);
        box->Armed = TWhere::Nowhere;
        EXPECT_EQ(render(), before);
    }
    EXPECT_NO_THROW(select());
}

}  // namespace
