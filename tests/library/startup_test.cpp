// The library's start at load and its stop: class registration, the shadow-volume work
// buffer, the floating-point set-up, the report of scene objects never freed, and the
// designer's tables. This program never names a primitive class: what it loads, it loads
// through the registrations the library made itself.

#include "dxf/startup.h"
#include "library/startup.h"
#include "objects/startup.h"
#include "rtl/host.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "scene/shadow.h"
#include "scene/startup.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <fstream>
#include <string>
#include <vector>

namespace nyx {
namespace {

std::vector<const TMetaClass*> StartupClasses() {
    std::vector<const TMetaClass*> all = NyxObjectsClasses();
    all.insert(all.end(), NyxClassesClasses().begin(), NyxClassesClasses().end());
    return all;
}

bool AllRegistered() {
    for (const TMetaClass* c : StartupClasses())
        if (GetClass(c->Name()) != c)
            return false;
    return true;
}

bool NoneRegistered() {
    for (const TMetaClass* c : StartupClasses())
        if (GetClass(c->Name()))
            return false;
    return true;
}

// Stops the library for the length of a test and starts it again afterwards, as the
// process found it.
class LibraryStop : public ::testing::Test {
protected:
    void TearDown() override { NyxStartup(); }
};

TEST(LibraryLoad, StartsEveryUnitBeforeMain) {
    EXPECT_TRUE(NyxStarted());
    EXPECT_TRUE(AllRegistered());
    EXPECT_EQ(ShadowFeedbackSize(), 5000);
    // The components an application places itself stay out of the registry.
    for (const char* name : {"TNyxScene", "TNyxPanel", "TNyxMaterialLibrary", "TNyxObject"})
        EXPECT_EQ(GetClass(name), nullptr) << name;
}

TEST_F(LibraryStop, StartsOnceHoweverOftenAskedAndUnregistersAtStop) {
    NyxStartup();
    NyxStartup();
    EXPECT_TRUE(AllRegistered());
    // A unit asked to start again by the host counts it and needs as many stops.
    InitializeNyxObjects();
    NyxShutdown();
    EXPECT_FALSE(NyxStarted());
    EXPECT_EQ(GetClass(NyxClassesClasses().front()->Name()), nullptr);
    EXPECT_NE(GetClass(NyxObjectsClasses().front()->Name()), nullptr);
    FinalizeNyxObjects();
    EXPECT_TRUE(NoneRegistered());
    EXPECT_EQ(ShadowFeedbackSize(), 0);
    // Stopping again is harmless; starting again is a first start.
    NyxShutdown();
    FinalizeNyxObjects();
    NyxStartup();
    EXPECT_TRUE(AllRegistered());
    EXPECT_EQ(ShadowFeedbackSize(), 5000);
}

TEST_F(LibraryStop, StartMasksFloatingPointExceptions) {
    NyxShutdown();
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
    NyxStartup();
    EXPECT_EQ(fegetexcept(), 0);
}

TEST_F(LibraryStop, ReportsSceneObjectsStillAlive) {
    ASSERT_EQ(LiveObjectCount, 0);
    struct Case {
        int Made, Freed;
        std::vector<std::string> Boxes;
    };
    const Case cases[] = {{3, 2, {"There is Nyx-Objects leek (1)"}}, {2, 2, {}}};
    for (const Case& c : cases) {
        std::vector<TNyxObject*> objects;
        for (int i = 0; i < c.Made; ++i)
            objects.push_back(new TNyxObject(nullptr));
        for (int i = 0; i < c.Freed; ++i)
            delete objects[std::size_t(i)];
        TMessageCapture capture;
        NyxShutdown();
        std::vector<std::string> texts;
        for (const TMessageCapture::TBox& box : capture.Boxes) {
            texts.push_back(box.Text);
            EXPECT_EQ(box.Caption, "Warning");
            EXPECT_EQ(box.Flags, MB_OK | MB_ICONERROR);
        }
        EXPECT_EQ(texts, c.Boxes) << c.Made << " made, " << c.Freed << " freed";
        for (std::size_t i = std::size_t(c.Freed); i < objects.size(); ++i)
            delete objects[i];
        NyxStartup();
    }
}

TEST(LibraryLoad, StreamsCreateRegisteredClassesTheProgramNeverNames) {
    test::TTempDir dir;
    const std::string file = dir / "box.nyxt";
    std::ofstream(file) << "object Scene1: TNyxScene\n"
                           "  object Box1: TNyxBox\n"
                           "    SlicesY = 4\n"
                           "  end\n"
                           "end\n";
    TNyxScene scene(nullptr);
    scene.LoadFromTextFile(file);
    ASSERT_EQ(scene.GetItemsCount(), 1);
    TNyxObject* box = scene.GetItem(0);
    EXPECT_EQ(box->ClassName(), "TNyxBox");
    EXPECT_EQ(box->Name(), "Box1");
    EXPECT_EQ(GetOrdProp(*box, "SlicesY"), 4);
}

TEST(DesignRegistration, PaletteAndEditorsOfEachUnit) {
    const std::vector<const TDesignRegistration*> units = NyxDesignRegistrations();
    std::vector<std::string> names;
    for (const TDesignRegistration* r : units)
        names.push_back(r->Unit);
    EXPECT_EQ(names, (std::vector<std::string>{"NyxObjects", "NyxClasses", "NyxFiles"}));

    // What streams can create, the designer can create: without a palette icon.
    EXPECT_EQ(NyxObjectsRegistration().NoIcon, NyxObjectsClasses());
    EXPECT_TRUE(NyxObjectsRegistration().Components.empty());
    const TDesignRegistration& core = NyxClassesRegistration();
    EXPECT_EQ(core.NoIcon, NyxClassesClasses());
    EXPECT_EQ(core.PalettePage, "OpenGL");
    std::vector<std::string> palette;
    for (const TMetaClass* c : core.Components)
        palette.push_back(c->Name());
    EXPECT_EQ(palette, (std::vector<std::string>{"TNyxPanel", "TNyxScene", "TNyxMaterialLibrary"}));
    ASSERT_EQ(core.PropertyEditors.size(), 1u);
    const TPropertyEditorBinding& vertex = core.PropertyEditors[0];
    EXPECT_EQ(vertex.PropertyType, "TNyxVertex3");
    EXPECT_EQ(vertex.ComponentClass, nullptr);
    EXPECT_EQ(vertex.PropertyName, "P");
    EXPECT_EQ(vertex.Editor, "TNyxVertex3Property");
    ASSERT_EQ(core.ComponentEditors.size(), 1u);
    EXPECT_EQ(core.ComponentEditors[0].ComponentClass, &TNyxScene::StaticClass());
    EXPECT_EQ(core.ComponentEditors[0].Editor, "TNyxObjectEditor");

    const TDesignRegistration& files = NyxFilesRegistration();
    EXPECT_EQ(files.PalettePage, "OpenGL");
    ASSERT_EQ(files.Components.size(), 1u);
    EXPECT_EQ(files.Components[0]->Name(), "TDXFConverter");
    EXPECT_EQ(GetClass("TDXFConverter"), nullptr) << "placed by the application, not streamed";
    ASSERT_EQ(files.PropertyEditors.size(), 1u);
    EXPECT_EQ(files.PropertyEditors[0].PropertyType, "TFileName");
    EXPECT_EQ(files.PropertyEditors[0].ComponentClass, files.Components[0]);
    EXPECT_EQ(files.PropertyEditors[0].PropertyName, "FileName");
    EXPECT_EQ(files.PropertyEditors[0].Editor, "TDXFFilenameProperty");
}

}  // namespace
}  // namespace nyx
