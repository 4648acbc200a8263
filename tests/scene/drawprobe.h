#pragma once
// Helpers for tests of the scene's passes: objects that log their hooks into the GL
// recorder (so hooks and OpenGL calls form one sequence), a quad that draws itself,
// a small shadow-casting light, a panel that counts repaints, and a camera looking
// down -z at the origin.

#include <functional>
#include <string>
#include <vector>

#include "gl/opengl.h"
#include "scene/camera.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "testing/glrecorder.h"

namespace nyx::test {

using Strings = std::vector<std::string>;

// The hooks as "#<name> <ident>[ draft]" lines in the current recorder, if any.
class TProbe : public TNyxObject {
    NYX_CLASS(TProbe)
public:
    using TNyxObject::TNyxObject;
    static inline TGLRecorder* Log = nullptr;

    void DrawPre() override { Note("Pre"); }
    void DrawLight(bool ShadowPass) override { Note(ShadowPass ? "ShadowLight" : "Light"); }
    void DrawMain(bool Draft) override { Note("Main", Draft); }
    void DrawTransparent(bool Draft) override { Note("Transparent", Draft); }
    void DrawReflections() override { Note("Reflections"); }
    void BuildShadowVolumes() override { Note("Build"); }
    void DrawShadowVolumes() override { Note("Volumes"); }
    void DrawShadows(bool Draft) override { Note("Shadows", Draft); }
    void DrawPost() override { Note("Post"); }
    void DrawSpecific(std::uint32_t, bool) override { Note("Specific"); }
    void Action(double Time) override {
        Times.push_back(Time);
        if (OnAction)
            OnAction();
        TNyxObject::Action(Time);
    }

    std::vector<double> Times;
    std::function<void()> OnAction;

protected:
    void Note(const char* hook, bool draft = false) {
        if (Log)
            Log->Add(std::string("#") + hook + " " + Ident() + (draft ? " draft" : ""));
    }
};

// A flat square of side Size round the origin in the z = 0 plane, in Colour.
class TQuad : public TNyxObject {
    NYX_CLASS(TQuad)
public:
    using TNyxObject::TNyxObject;
    double Size = 1;
    float Colour[3] = {1, 1, 1};
    void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const override {
        Min = {-Size / 2, -Size / 2, 0};
        Max = {Size / 2, Size / 2, 0};
    }
    void DrawSpecific(std::uint32_t, bool) override {
        const float h = float(Size / 2);
        glColor3f(Colour[0], Colour[1], Colour[2]);
        glBegin(GL_QUADS);
        glVertex3f(-h, -h, 0);
        glVertex3f(h, -h, 0);
        glVertex3f(h, h, 0);
        glVertex3f(-h, h, 0);
        glEnd();
    }
};

// A light as the shadow passes need one: counts itself while volumes are built and,
// in its volume pass, has the receivers drawn in shadow (from two lights on) and lit.
class TTestLight : public TProbe {
    NYX_CLASS(TTestLight)
public:
    explicit TTestLight(TComponent* AOwner) : TProbe(AOwner) { SetShadows(0, true); }
    void BuildShadowVolumes() override {
        TProbe::BuildShadowVolumes();
        if (CastShadows())
            Scene()->Frame().CountShadowLight();
    }
    void DrawShadowVolumes() override {
        TProbe::DrawShadowVolumes();
        TNyxScene* scene = Scene();
        if (!CastShadows() || !scene->Shadows())
            return;
        if (scene->ShadowLightCount() > 1)
            scene->Draw(scene, dsShadowObjects, dkFull);
        scene->Draw(scene, dsShadows, dkFull);
    }
};

class TCountingPanel : public TNyxPanel {
    NYX_CLASS(TCountingPanel)
public:
    using TNyxPanel::TNyxPanel;
    void Repaint() override {
        ++Repaints;
        if (Order)
            Order->push_back(Name());
        if (OnRepaint)
            OnRepaint();
    }
    int Repaints = 0;
    Strings* Order = nullptr;
    std::function<void()> OnRepaint;
};

// Eye at (0, 0, 10) looking at the origin, y up: at the origin one unit spans about
// a tenth of the view's height (43.6 degrees).
inline TNyxCamera* MakeCamera(TNyxScene* scene) {
    auto* camera = new TNyxCamera(scene->Owner());
    camera->Position()->SetZ(10);
    camera->Up()->SetZ(0);
    camera->Up()->SetY(1);
    camera->SetFarPlane(100);
    camera->SetParentComponent(scene);
    return camera;
}

template <class T>
T* Add(TNyxObject* parent, const std::string& ident = {}) {
    auto* o = new T(parent->Owner());
    o->SetIdent(ident);
    o->SetParentComponent(parent);
    return o;
}

// The recorded calls that are hooks or one of the named functions.
inline Strings Filtered(const TGLRecorder& rec, std::initializer_list<std::string_view> names) {
    Strings out;
    for (const std::string& call : rec.Calls()) {
        if (call.starts_with("#")) {
            out.push_back(call);
            continue;
        }
        for (std::string_view n : names)
            if (call.starts_with(n) && call.size() > n.size() && call[n.size()] == '(') {
                out.push_back(call);
                break;
            }
    }
    return out;
}

}  // namespace nyx::test
