// The kinds' property editors on real components: values shown and set as text, choices,
// sub-properties, and values the library refuses.

#include "testdesigner.h"

#include "../qt/qtenv.h"
#include "design/propedits.h"
#include "design/registry.h"
#include "objects/lines.h"
#include "objects/quadrics.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/material.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "scene/vertex.h"
#include "scene/xform.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

// The locale a test shows numbers in, restored afterwards.
class TLocaleScope {
public:
    explicit TLocaleScope(QLocale::Language Language) { QLocale::setDefault(QLocale(Language)); }
    ~TLocaleScope() { QLocale::setDefault(FPrevious); }
    TLocaleScope(const TLocaleScope&) = delete;
    TLocaleScope& operator=(const TLocaleScope&) = delete;

private:
    QLocale FPrevious;
};

class PropertyEditors : public ::testing::Test {
protected:
    std::unique_ptr<TPropertyEditor> Editor(TPersistent& Instance, const char* Property) {
        return Registry.CreatePropertyEditor(&Instance, GetPropInfo(Instance, Property), &Designer);
    }
    TTestDesigner Designer;
    TDesignRegistry Registry;
    TLocaleScope Locale{QLocale::English};
};

TEST_F(PropertyEditors, FloatsInTheUsersDecimalSeparator) {
    auto* cone = new TNyxCone(&Designer.Root);
    auto height = Editor(*cone, "Height");
    height->SetValue("2.5");
    EXPECT_EQ(cone->Height(), 2.5);
    EXPECT_EQ(height->GetValue(), "2.5");
    EXPECT_EQ(Designer.ModifiedCount, 1);
    {
        const TLocaleScope german(QLocale::German);
        EXPECT_EQ(height->GetValue(), "2,5");
        height->SetValue(" 0,125 ");
        EXPECT_EQ(cone->Height(), 0.125);
        height->SetValue("1.75");  // a point is read too
        EXPECT_EQ(cone->Height(), 1.75);
    }
    for (const char* bad : {"abc", "", "1.5x", "inf", "nan", "1e999"}) {
        SCOPED_TRACE(bad);
        try {
            height->SetValue(bad);
            ADD_FAILURE() << "taken";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      "'" + std::string(bad) + "' is not a valid floating point value");
        }
        EXPECT_EQ(cone->Height(), 1.75);
    }
    EXPECT_EQ(Designer.ModifiedCount, 3) << "refused values change nothing";
}

TEST_F(PropertyEditors, IntegersAndTheirRange) {
    auto* sphere = new TNyxSphere(&Designer.Root);
    auto slices = Editor(*sphere, "Slices");
    slices->SetValue("-7");
    EXPECT_EQ(sphere->Slices(), -7);
    EXPECT_EQ(slices->GetValue(), "-7");
    EXPECT_THROW(slices->SetValue("7.5"), EConvertError);
    EXPECT_THROW(slices->SetValue("99999999999"), ERangeError);  // beyond the 32-bit property
    EXPECT_EQ(sphere->Slices(), -7);
}

TEST_F(PropertyEditors, EnumerationsBooleansAndSets) {
    auto* sphere = new TNyxSphere(&Designer.Root);
    auto drawType = Editor(*sphere, "DrawType");
    EXPECT_TRUE(drawType->GetAttributes().Contains(paValueList));
    EXPECT_EQ(drawType->GetValues(), (std::vector<std::string>{"dtLine", "dtFill"}));
    drawType->SetValue("dtline");
    EXPECT_EQ(drawType->GetValue(), "dtLine");
    EXPECT_THROW(drawType->SetValue("dtDotted"), EPropertyError);
    EXPECT_EQ(drawType->GetValue(), "dtLine");

    auto visible = Editor(*sphere, "Visible");
    EXPECT_EQ(visible->GetValues(), (std::vector<std::string>{"False", "True"}));
    visible->SetValue("False");
    EXPECT_FALSE(sphere->Visible());

    auto* panel = new TNyxPanel(&Designer.Root);
    auto options = Editor(*panel, "Options");
    EXPECT_TRUE(options->GetAttributes().Contains(paSubProperties));
    options->SetValue("[goLighting, goDepthTest]");
    EXPECT_EQ(options->GetValue(), "[goDepthTest, goLighting]");
    TPropertyEditors members = options->GetProperties();
    ASSERT_EQ(members.size(), 5u);
    EXPECT_EQ(members[0]->GetName(), "goFlatShadeModel");
    EXPECT_EQ(members[0]->GetValue(), "False");
    EXPECT_EQ(members[1]->GetValue(), "True");
    members[0]->SetValue("True");
    members[4]->SetValue("False");
    EXPECT_EQ(options->GetValue(), "[goFlatShadeModel, goDepthTest]");
    EXPECT_THROW(options->SetValue("[goFog]"), EPropertyError);
    EXPECT_THROW(members[1]->SetValue("maybe"), EPropertyError);
    EXPECT_EQ(options->GetValue(), "[goFlatShadeModel, goDepthTest]");
}

TEST_F(PropertyEditors, ColoursByNameOrNumber) {
    auto* scene = new TNyxScene(&Designer.Root);
    auto background = Editor(*scene, "BackgroundColor");
    EXPECT_TRUE(background->GetAttributes().Contains(paDialog));
    EXPECT_EQ(background->GetValue(), "clBlack");
    background->SetValue("clRed");
    EXPECT_EQ(scene->BackgroundColor(), clRed);
    background->SetValue("$00336699");
    EXPECT_EQ(scene->BackgroundColor(), RGB(0x99, 0x66, 0x33));
    EXPECT_EQ(background->GetValue(), "$00336699");
    EXPECT_THROW(background->SetValue("reddish"), EConvertError);
    const std::vector<std::string> names = background->GetValues();
    EXPECT_NE(std::find(names.begin(), names.end(), "clBtnFace"), names.end());
}

TEST_F(PropertyEditors, ClassPropertiesExpandIntoTheirObjects) {
    auto* sphere = new TNyxSphere(&Designer.Root);
    auto xform = Editor(*sphere, "XForm");
    EXPECT_EQ(xform->GetValue(), "(TNyxXForm)");
    EXPECT_TRUE(xform->GetAttributes().Contains(paReadOnly));
    TPropertyEditors parts = xform->GetProperties();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0]->GetName(), "Rotate");  // by name
    EXPECT_EQ(parts[2]->GetName(), "Translate");
    TPropertyEditors xyz = parts[2]->GetProperties();
    ASSERT_EQ(xyz.size(), 3u);
    xyz[1]->SetValue("-3");
    EXPECT_EQ(sphere->XForm()->Translate()->Y(), -3.0);

    // A collection expands into its items, each into its own properties.
    auto* line = new TNyxPolyline(&Designer.Root);
    line->Vertexes()->Add();
    line->Vertexes()->Add();
    auto vertexes = Editor(*line, "Vertexes");
    TPropertyEditors items = vertexes->GetProperties();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->GetName(), "[1]");
    EXPECT_EQ(items[1]->GetValue(), line->Vertexes()->Items(1)->GetDisplayName());
    TPropertyEditors second = items[1]->GetProperties();
    auto x = std::find_if(second.begin(), second.end(),
                          [](const auto& e) { return e->GetName() == "X"; });
    ASSERT_NE(x, second.end());
    (*x)->SetValue("4.5");
    EXPECT_EQ(line->Vertexes()->ItemAs<TNyxVertex3CI>(1)->X(), 4.5);
    // An item deleted meanwhile is shown as nothing rather than read.
    line->Vertexes()->Delete(1);
    EXPECT_EQ(items[1]->GetValue(), "");
    EXPECT_TRUE(items[1]->GetProperties().empty());
}

TEST_F(PropertyEditors, ComponentReferencesChooseCompatibleComponentsOfTheForm) {
    auto* scene = new TNyxScene(&Designer.Root);
    scene->SetName("Scene1");
    auto* panel = new TNyxPanel(&Designer.Root);
    auto* cameraB = new TNyxCamera(&Designer.Root);
    cameraB->SetName("CamB");
    auto* cameraA = new TNyxCamera(&Designer.Root);
    cameraA->SetName("camA");
    cameraA->SetParentComponent(scene);
    cameraB->SetParentComponent(scene);
    auto* library = new TNyxMaterialLibrary(&Designer.Root);
    library->SetName("Library1");

    auto camera = Editor(*panel, "Camera");
    EXPECT_EQ(camera->GetValues(), (std::vector<std::string>{"camA", "CamB"}));
    EXPECT_EQ(camera->GetValue(), "");
    camera->SetValue("CAMB");
    EXPECT_EQ(panel->Camera(), cameraB);
    EXPECT_EQ(camera->GetValue(), "CamB");
    for (const char* bad : {"Library1", "Nobody"}) {
        EXPECT_THROW(camera->SetValue(bad), EPropertyError) << bad;
        EXPECT_EQ(panel->Camera(), cameraB);
    }
    camera->SetValue("");
    EXPECT_EQ(panel->Camera(), nullptr);

    auto materials = Editor(*scene, "MaterialLibrary");
    EXPECT_EQ(materials->GetValues(), std::vector<std::string>{"Library1"});
}

}  // namespace
}  // namespace nyx::test
