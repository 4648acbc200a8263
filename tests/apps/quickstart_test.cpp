// The README's quick starts: the programs under examples/ are the ones the README shows,
// and the first runs, writing a scene file that loads and a picture with the sphere in it.

#include "runprogram.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "rtl/graphics.h"

#include <string>

namespace nyx {
namespace {

TEST(QuickStart, TheReadmeShowsTheExamplePrograms) {
    const std::string readme = test::ReadFile(std::string(NYX_SOURCE_DIR) + "/README.md");
    for (const char* example : {"quickstart.cpp", "qtwindow.cpp"}) {
        const std::string program =
            test::ReadFile(std::string(NYX_SOURCE_DIR) + "/examples/" + example);
        ASSERT_FALSE(program.empty()) << example;
        EXPECT_NE(readme.find("```cpp\n" + program + "```\n"), std::string::npos)
            << "copy examples/" << example << " into the README's quick start";
    }
}

TEST(QuickStart, RunsAndWritesTheSceneAndThePicture) {
    test::TTempDir dir;
    const test::TRun run = test::RunProgram(QUICKSTART_PATH, {}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");

    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    scene->LoadFromTextFile(dir / "quickstart.nyxt");
    std::vector<std::string> classes;
    for (const TNyxObject* o : scene->Items())
        classes.push_back(o->ClassName());
    EXPECT_EQ(classes, (std::vector<std::string>{"TNyxLight", "TNyxCamera", "TNyxSphere"}));

    TBitmap picture;
    picture.LoadFromFile(dir / "quickstart.png");
    ASSERT_EQ(picture.Width(), 320);
    ASSERT_EQ(picture.Height(), 240);
    EXPECT_EQ(picture.Pixels(0, 0), scene->BackgroundColor());
    const TColor middle = picture.Pixels(160, 120);
    const int r = middle & 0xFF, g = (middle >> 8) & 0xFF, b = (middle >> 16) & 0xFF;
    EXPECT_TRUE(r > 120 && r > g + 40 && g > b) << "the orange sphere, lit: " << std::hex << middle;
}

}  // namespace
}  // namespace nyx
