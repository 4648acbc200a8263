// Lights: numbering on attachment, parameter clamps, references that go away, and the
// OpenGL calls of the light passes.
#include "scene/light.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "rtl/stream_helpers.h"
#include "testing/glrecorder.h"

using namespace nyx;

namespace {

// A light that counts the invalidations it sends up.
class TCountingLight : public TNyxLight {
public:
    using TNyxLight::TNyxLight;
    void Invalidate(TObject* Sender) override {
        ++Count;
        TNyxLight::Invalidate(Sender);
    }
    int Count = 0;
};

std::vector<std::string> LightCalls(TNyxLight& light, bool shadowPass) {
    TGLRecorder recorder;
    light.DrawLight(shadowPass);
    return recorder.Calls();
}

}  // namespace

TEST(Light, ParametersClamp) {
    const struct {
        int index;
        float value, exponent, cutoff;
    } cases[] = {
        {0, 300, 128, 30},  {0, -1, 0, 30},   {0, 12.5f, 12.5f, 30},
        {1, 120, 0, 90},    {1, 180, 0, 180}, {1, -10, 0, 0},
        {1, 179.5f, 0, 90}, {1, 45, 0, 45},   {2, 5, 0, 30},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << k.index << " " << k.value);
        TCountingLight light(nullptr);
        light.SetParam(k.index, k.value);
        EXPECT_EQ(light.Exponent(), k.exponent);
        EXPECT_EQ(light.Cutoff(), k.cutoff);
        EXPECT_EQ(light.Count, k.index <= 1 ? 1 : 0);
    }
    TCountingLight light(nullptr);
    light.SetParam(TNyxLight::piCutoff, 30);  // unchanged, still invalidates
    EXPECT_EQ(light.Count, 1);
    light.SetDirectional(false);
    light.SetLightNum(0);
    EXPECT_EQ(light.Count, 1);
}

TEST(Light, NumberedOnAttachmentAndNeverCompacted) {
    TNyxScene scene(nullptr);
    auto* group = new TNyxObject(nullptr);
    group->SetParentComponent(&scene);
    std::vector<TNyxLight*> lights;
    for (TNyxObject* parent : {static_cast<TNyxObject*>(&scene), group, group}) {
        lights.push_back(new TNyxLight(nullptr));
        lights.back()->SetParentComponent(parent);
    }
    EXPECT_EQ(lights[0]->LightNum(), 0);
    EXPECT_EQ(lights[1]->LightNum(), 1);
    EXPECT_EQ(lights[2]->LightNum(), 2);
    delete lights[0];
    auto* late = new TNyxLight(nullptr);
    late->SetParentComponent(&scene);
    EXPECT_EQ(late->LightNum(), 2);  // the count minus one, shared with a light still there
    EXPECT_EQ(lights[2]->LightNum(), 2);

    // Outside a scene the number stays as it was.
    TNyxObject loose(nullptr);
    TNyxLight detached(nullptr);
    detached.SetLightNum(5);
    detached.SetParentComponent(&loose);
    EXPECT_EQ(detached.LightNum(), 5);
    detached.SetParentComponent(nullptr);
}

TEST(Light, DrawLightCalls) {
    TNyxScene scene(nullptr);
    auto* light = new TNyxLight(nullptr);
    light->SetParentComponent(&scene);
    light->Point1()->Store({1, 2, 3});
    light->Point2()->Store({1, 2, 0});
    light->SetColor(0x0000FF);  // the material's diffuse floats: alpha stays 0
    light->SetParam(TNyxLight::piExponent, 4);
    const std::vector<std::string> placed = {
        "glLightfv(GL_LIGHT0, GL_POSITION, {1, 2, 3, 0})",
        "glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {0, 0, -3})",
        "glLightfv(GL_LIGHT0, GL_AMBIENT, {1, 0, 0, 0})",
        "glLightfv(GL_LIGHT0, GL_DIFFUSE, {1, 0, 0, 0})",
        "glLightfv(GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1})",
        "glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 4)",
        "glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 30)",
    };
    auto with = [&](std::string position, bool enabled) {
        std::vector<std::string> calls = placed;
        calls[0] = std::move(position);
        if (enabled)
            calls.push_back("glEnable(GL_LIGHT0)");
        return calls;
    };
    const struct {
        const char* what;
        bool directional, casts, shadows, pass;
        std::vector<std::string> calls;
    } cases[] = {
        {"default: at infinity", false, false, false, false, with(placed[0], true)},
        {"directional: at a point", true, false, false, false,
         with("glLightfv(GL_LIGHT0, GL_POSITION, {1, 2, 3, 1})", true)},
        {"caster in the all-lights pass", false, true, true, false, with(placed[0], true)},
        {"caster in the shadow-lights pass", false, true, true, true, with(placed[0], false)},
        {"caster with shadows off", false, true, false, true, with(placed[0], true)},
        {"non-caster in the shadow-lights pass", false, false, true, true, with(placed[0], true)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        light->SetDirectional(k.directional);
        light->SetShadows(0, k.casts);
        scene.SetFShadows(k.shadows);
        EXPECT_EQ(LightCalls(*light, k.pass), k.calls);
    }

    // A ninth light has no OpenGL light of its own: it stays dark.
    light->SetLightNum(8);
    EXPECT_TRUE(LightCalls(*light, false).empty());
    light->SetLightNum(7);
    EXPECT_EQ(LightCalls(*light, false).back(), "glEnable(GL_LIGHT7)");
}

TEST(Light, FollowsObjectsSeenFromItsOwnFrame) {
    TNyxScene scene(nullptr);
    auto* light = new TNyxLight(nullptr);
    auto* post = new TNyxObject(nullptr);
    auto* aim = new TNyxObject(nullptr);
    for (TNyxObject* o : {static_cast<TNyxObject*>(light), post, aim})
        o->SetParentComponent(&scene);
    light->XForm()->Translate()->SetX(10);
    post->XForm()->Translate()->SetX(14);
    aim->XForm()->Translate()->SetZ(-2);
    light->SetPositionObject(post);
    light->SetTargetObject(aim);
    std::vector<std::string> calls = LightCalls(*light, false);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "glLightfv(GL_LIGHT0, GL_POSITION, {4, 0, 0, 0})");
    EXPECT_EQ(calls[1], "glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {-14, 0, -2})");

    // Freeing the followed objects clears the references: the vertices count again.
    delete post;
    delete aim;
    EXPECT_EQ(light->PositionObject(), nullptr);
    EXPECT_EQ(light->TargetObject(), nullptr);
    light->Point1()->Store({0, 0, 5});
    calls = LightCalls(*light, false);
    EXPECT_EQ(calls[0], "glLightfv(GL_LIGHT0, GL_POSITION, {0, 0, 5, 0})");
    EXPECT_EQ(calls[1], "glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {0, 0, -5})");

    // One object behind both references: dropping one keeps the other's link.
    auto* both = new TNyxObject(nullptr);
    both->SetParentComponent(&scene);
    light->SetPositionObject(both);
    light->SetTargetObject(both);
    light->SetPositionObject(nullptr);
    delete both;
    EXPECT_EQ(light->TargetObject(), nullptr);
}

TEST(Light, RefusesToBePlacedByItself) {
    TNyxLight a(nullptr), b(nullptr);
    a.SetName("A");
    EXPECT_THROW(a.SetPositionObject(&a), EInvalidOperation);
    b.SetPositionObject(&a);
    EXPECT_THROW(a.SetPositionObject(&b), EInvalidOperation);
    EXPECT_EQ(a.PositionObject(), nullptr);
    b.SetPositionObject(nullptr);
}

TEST(LightStream, PositionAndTargetAreThePublishedVertices) {
    TNyxLight light(nullptr);
    light.SetName("L");
    light.Position()->SetZ(5);
    light.Target()->SetX(2);
    const std::string text = nyx::testing::SaveText(&light);
    EXPECT_NE(text.find("Position.Z = 5"), std::string::npos) << text;
    EXPECT_NE(text.find("Target.X = 2"), std::string::npos) << text;
}

TEST(LightStream, ZeroCutoffLoadsAsZero) {
    RegisterClasses({&TNyxObject::StaticClass(), &TNyxLight::StaticClass()});
    namespace io = nyx::testing;
    for (const float cutoff : {0.0f, 45.0f}) {
        TNyxLight source(nullptr);
        source.SetParam(TNyxLight::piCutoff, cutoff);
        TNyxLight copy(nullptr);
        io::LoadBinary(&copy, io::SaveBinary(&source));
        EXPECT_EQ(copy.Cutoff(), cutoff);
    }
}
