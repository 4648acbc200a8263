// Which material a coloured object draws with, and in which pass.
#include "scene/colored.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "testing/glrecorder.h"

using namespace nyx;

namespace {

// Records the passes it draws in.
class TProbe : public TNyxColoredObject {
public:
    using TNyxColoredObject::TNyxColoredObject;
    void DrawSpecific(std::uint32_t, bool Draft) override {
        Drawn.push_back(Draft ? "draft" : "full");
    }
    void DrawSelection() override { Drawn.push_back("box"); }
    std::vector<std::string> Drawn;
};

}  // namespace

TEST(ColoredObject, MaterialFromTheLibraryOrItsOwn) {
    TNyxScene scene(nullptr);
    TNyxMaterialLibrary library(nullptr);
    library.Materials()->Add();
    library.Materials()->Add();
    auto* probe = new TProbe(nullptr);
    TProbe loose(nullptr);
    loose.SetMaterialIndex(0);
    EXPECT_EQ(loose.GetMaterial(), loose.Material());  // no scene
    probe->SetParentComponent(&scene);
    probe->SetMaterialIndex(1);
    EXPECT_EQ(probe->GetMaterial(), probe->Material());  // no library
    scene.SetMaterialLibrary(&library);
    const struct {
        int index;
        TNyxMaterial* want;
    } cases[] = {
        {-1, probe->Material()},
        {0, library.MaterialAt(0)},
        {1, library.MaterialAt(1)},
        {2, probe->Material()},
    };
    for (const auto& k : cases) {
        probe->SetMaterialIndex(k.index);
        EXPECT_EQ(probe->GetMaterial(), k.want) << k.index;
    }
    probe->SetMaterialIndex(1);
    library.Materials()->Delete(1);  // falls back silently
    EXPECT_EQ(probe->GetMaterial(), probe->Material());
    scene.SetMaterialLibrary(nullptr);
}

TEST(ColoredObject, OpaqueInTheMainPassesTransparentInItsOwn) {
    TNyxScene scene(nullptr);
    TNyxMaterialLibrary library(nullptr);
    auto* shared = static_cast<TNyxMaterialCI*>(library.Materials()->Add());
    shared->Material()->SetTransparency(0.5f);
    scene.SetMaterialLibrary(&library);
    auto* probe = new TProbe(nullptr);
    probe->SetParentComponent(&scene);
    probe->SetSelected(true);
    const struct {
        const char* what;
        int index;
        float own;
        TNyxDrawType type;
        std::vector<std::string> main, transparent;
    } cases[] = {
        {"opaque own", -1, 0, dtFill, {"full", "box"}, {}},
        {"transparent own", -1, 0.3f, dtFill, {}, {"full", "box"}},
        {"negative transparency is opaque", -1, -0.2f, dtFill, {"full", "box"}, {}},
        {"transparent library material", 0, 0, dtFill, {}, {"full", "box"}},
        {"lines", -1, 0, dtLine, {"draft", "box"}, {}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        probe->SetMaterialIndex(k.index);
        probe->Material()->SetTransparency(k.own);
        probe->SetDrawType(k.type);
        probe->Drawn.clear();
        probe->Draw(&scene, dsAllObjects, dkFull);
        EXPECT_EQ(probe->Drawn, k.main);
        probe->Drawn.clear();
        probe->Draw(&scene, dsTransparent, dkFull);
        EXPECT_EQ(probe->Drawn, k.transparent);
    }
    scene.SetMaterialLibrary(nullptr);
}

TEST(ColoredObject, AppliesAndCancelsAroundItsGeometry) {
    TNyxScene scene(nullptr);
    auto* probe = new TProbe(nullptr);
    probe->SetParentComponent(&scene);
    probe->Material()->Texture()->SetSize(4, 4);
    TGLRecorder recorder;
    probe->DrawMain(false);
    const auto calls = recorder.Calls({"glMaterialfv", "glEnable", "glDisable"});
    ASSERT_EQ(calls.size(), 12u);  // five per face, then the texture on and off
    EXPECT_EQ(calls[0].rfind("glMaterialfv(GL_FRONT, GL_AMBIENT", 0), 0u);
    EXPECT_EQ(calls[5].rfind("glMaterialfv(GL_BACK, GL_AMBIENT", 0), 0u);
    EXPECT_EQ(calls[10], "glEnable(GL_TEXTURE_2D)");
    EXPECT_EQ(calls[11], "glDisable(GL_TEXTURE_2D)");
}
