// nyxview run as a program, with no X server: the off-screen image of the demo scene,
// printing, and how bad command lines are refused.

#include "demo.h"
#include "objects/box.h"
#include "objects/label.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "rtl/graphics.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace nyx {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

std::string ReadFile(const fs::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder per test, removed afterwards.
class TTempDir {
public:
    TTempDir() {
        std::string pattern = (fs::temp_directory_path() / "nyxview_test_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    const fs::path& Path() const { return FPath; }
    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

private:
    fs::path FPath;
};

// Runs nyxview with Args and without any X display, in Dir.
TRun RunNyxview(const std::vector<std::string>& Args, const TTempDir& Dir) {
    std::string command = "cd '" + Dir.Path().string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY '" + std::string(NYXVIEW_PATH) +
                          "'";
    for (const std::string& a : Args)
        command += " '" + a + "'";
    command += " >'" + Dir / ".out" + "' 2>'" + Dir / ".err" + "'";
    const int raw = std::system(command.c_str());
    TRun r;
    r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.Out = ReadFile(Dir / ".out");
    r.Err = ReadFile(Dir / ".err");
    fs::remove(Dir / ".out");
    fs::remove(Dir / ".err");
    return r;
}

// --- The off-screen image ----------------------------------------------------------------

constexpr int Width = 320;
constexpr int Height = 240;

// Where world points land in the image: the demo camera's own projection, read back from
// a context of the image's size. Row 0 is the top row, as in TBitmap.
class TProjector {
public:
    TProjector() {
        TComponent owner(nullptr);
        const TDemoScene demo = BuildDemoScene(&owner);
        test::TOffscreenGL gl(Width, Height);
        demo.Camera->Apply(Width, Height, -1);
        glGetDoublev(GL_PROJECTION_MATRIX, FProjection.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, FModelview.data());
        demo.Sun->GetCenter(FSun);
        demo.Sphere->GetAbsoluteCenter(FSphere);
        demo.Box->GetAbsoluteCenter(FBox);
        demo.Title->GetAbsoluteMatrix(FTitle);
        demo.SphereName->GetAbsoluteCenter(FSphereName);
        demo.Teapot->GetAbsoluteCenter(FTeapot);
    }

    std::array<int, 2> Pixel(double X, double Y, double Z) const {
        const std::array<double, 4> p{X, Y, Z, 1};
        std::array<double, 4> eye{}, clip{};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                eye[r] += FModelview[c * 4 + r] * p[c];  // column-major
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                clip[r] += FProjection[c * 4 + r] * eye[c];
        const double x = (clip[0] / clip[3] + 1) / 2 * Width;
        const double y = (clip[1] / clip[3] + 1) / 2 * Height;
        return {int(x), Height - 1 - int(y)};
    }

    // The floor point (z = 0) in the sun's shadow of a point Height above the sphere's
    // centre on its vertical axis; inside the shadow for heights well within the radius.
    std::array<int, 2> SphereShadow(double Above) const {
        const double z = FSphere[2] + Above;
        // The sun is at infinity in the direction of its position.
        const double k = z / FSun[2];
        return Pixel(FSphere[0] - k * FSun[0], FSphere[1] - k * FSun[1], 0);
    }

    const TGLArrayd3& Box() const { return FBox; }
    // A point of the title's glyph plane, in em.
    std::array<int, 2> Title(double X, double Y) const {
        const auto& m = FTitle;
        return Pixel(m[0] * X + m[4] * Y + m[12], m[1] * X + m[5] * Y + m[13],
                     m[2] * X + m[6] * Y + m[14]);
    }
    std::array<int, 2> SphereName() const {
        return Pixel(FSphereName[0], FSphereName[1], FSphereName[2]);
    }
    const TGLArrayd3& Teapot() const { return FTeapot; }

private:
    std::array<double, 16> FProjection{}, FModelview{};
    TGLArrayd3 FSun{}, FSphere{}, FBox{}, FSphereName{}, FTeapot{};
    TGLMatrixd4 FTitle{};
};

double Luminance(TColor c) {
    return 0.299 * (c & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * ((c >> 16) & 0xFF);
}

// Mean over a 5 x 5 block: single pixels sit on edges of triangles and texels.
double MeanLuminance(const TBitmap& Image, std::array<int, 2> P) {
    double sum = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            sum += Luminance(Image.Pixels(P[0] + dx, P[1] + dy));
    return sum / 25;
}

TEST(NyxviewPng, RendersTheDemoSceneAtTheRequestedSize) {
    TTempDir dir;
    const TRun run = RunNyxview({"--png", "demo.png", "--size", "320x240"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");

    TBitmap image;
    image.LoadFromFile(dir / "demo.png");
    ASSERT_EQ(image.Width(), Width);
    ASSERT_EQ(image.Height(), Height);

    TComponent owner(nullptr);
    const TColor background = BuildDemoScene(&owner).Scene->BackgroundColor();
    EXPECT_EQ(image.Pixels(2, 2), background) << "the sky above the floor";
    EXPECT_NE(image.Pixels(Width / 2, Height / 2), background);

    // Floor in the sphere's shadow against open floor in front of the group; the sun
    // gives the lit floor roughly twice the light of the shadowed one.
    const TProjector view;
    const auto shadow = view.SphereShadow(0.25);
    const auto lit = view.Pixel(0, -3, 0);
    for (const auto& p : {shadow, lit}) {
        ASSERT_GE(p[0], 2);
        ASSERT_LT(p[0], Width - 2);
        ASSERT_GE(p[1], 2);
        ASSERT_LT(p[1], Height - 2);
        EXPECT_NE(image.Pixels(p[0], p[1]), background);
    }
    const double dark = MeanLuminance(image, shadow), bright = MeanLuminance(image, lit);
    EXPECT_LT(dark, 0.75 * bright) << "shadow " << dark << ", lit floor " << bright;

    // The box's face towards the camera shows both colours of its checker texture: four
    // squares meet at its middle.
    const TGLArrayd3& b = view.Box();
    const auto face = view.Pixel(b[0], b[1] - 0.5, b[2]);
    bool red = false, light = false;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const TColor c = image.Pixels(face[0] + dx, face[1] + dy);
            const int r = c & 0xFF, g = (c >> 8) & 0xFF;
            red = red || (r > g + 60);
            light = light || (g > 120 && r - g < 40);
        }
    EXPECT_TRUE(red && light) << "checker texture on the box";

    // The teapot, teal where its middle is.
    const TGLArrayd3& t = view.Teapot();
    const auto middle = view.Pixel(t[0], t[1], t[2]);
    const TColor pot = image.Pixels(middle[0], middle[1]);
    const int pr = pot & 0xFF, pg = (pot >> 8) & 0xFF, pb = (pot >> 16) & 0xFF;
    EXPECT_TRUE(pg > pr + 40 && pb > pr + 40) << std::hex << pot;
}

// The extruded title shows its coloured face; the sphere's caption is white text that
// starts at its projected origin.
TEST(NyxviewPng, ShowsTheTitleAndTheSphereCaption) {
    TTempDir dir;
    const TRun run = RunNyxview({"--png", "demo.png", "--size", "320x240"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    TBitmap image;
    image.LoadFromFile(dir / "demo.png");
    const TProjector view;

    // The middle of the N's diagonal stroke, facing the camera.
    const TColor n = image.Pixels(view.Title(0.36, 0.36)[0], view.Title(0.36, 0.36)[1]);
    const int r = n & 0xFF, g = (n >> 8) & 0xFF, b = (n >> 16) & 0xFF;
    EXPECT_TRUE(b > g + 40 && r > g + 20) << std::hex << n;

    const auto [ox, oy] = view.SphereName();
    int white = 0, leftOfIt = 0;
    for (int y = oy - 12; y <= oy; ++y)
        for (int x = ox - 10; x < ox + 50; ++x) {
            const TColor c = image.Pixels(x, y);
            const bool w = (c & 0xFF) > 230 && ((c >> 8) & 0xFF) > 230 && ((c >> 16) & 0xFF) > 230;
            (x < ox - 1 ? leftOfIt : white) += w;
        }
    EXPECT_GT(white, 40);
    EXPECT_EQ(leftOfIt, 0);
}

TEST(NyxviewPrint, PrintsOnePdfPageWithoutADisplay) {
    TTempDir dir;
    const TRun run = RunNyxview({"--print", "view.pdf"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    // Qt may note things about the environment on standard error; no error of ours.
    EXPECT_EQ(run.Err.find("nyxview:"), std::string::npos) << run.Err;
    const std::string pdf = ReadFile(dir / "view.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    // One page object in the document.
    std::size_t pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        pages += pdf.compare(at, 12, "/Type /Pages") != 0;
    EXPECT_EQ(pages, 1u);
}

TEST(NyxviewHelp, ListsTheOptionsAndTheMouse) {
    TTempDir dir;
    const TRun run = RunNyxview({"--help"}, dir);
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    for (const char* word : {"--png", "--size", "--print", "left drag", "middle click", "wheel"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
}

// --- Refusals ------------------------------------------------------------------------------

struct TBadCase {
    std::vector<std::string> Args;
    const char* Says;  // part of the one line on standard error
};

void PrintTo(const TBadCase& c, std::ostream* os) {
    for (const std::string& a : c.Args)
        *os << a << ' ';
}

class NyxviewRefuses : public ::testing::TestWithParam<TBadCase> {};

TEST_P(NyxviewRefuses, WithStatusOneAndOneLine) {
    const TBadCase& tc = GetParam();
    TTempDir dir;
    const TRun run = RunNyxview(tc.Args, dir);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    ASSERT_FALSE(run.Err.empty());
    EXPECT_EQ(run.Err.rfind("nyxview: ", 0), 0u) << run.Err;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << "one line: " << run.Err;
    EXPECT_NE(run.Err.find(tc.Says), std::string::npos) << run.Err;
    // Nothing is left behind in the working folder.
    EXPECT_TRUE(fs::is_empty(dir.Path())) << "files written for a refused command line";
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, NyxviewRefuses,
    ::testing::Values(TBadCase{{"--frobnicate"}, "unknown option --frobnicate"},
                      TBadCase{{"--png"}, "--png needs a value"},
                      TBadCase{{"--png", "a.png", "--size"}, "--size needs a value"},
                      TBadCase{{"--png", "a.png", "--size", "320by240"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--png", "a.png", "--size", "0x240"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--png", "a.png", "--size", "320x"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--png", "a.png", "--size", "320x240x2"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--png", "a.png", "--size", "99999x240"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--png", "a.png", "--size", "-320x240"}, "WIDTHxHEIGHT"},
                      TBadCase{{"--size", "320x240"}, "give --png"},
                      TBadCase{{"--png", "a.png", "--png", "b.png"}, "given twice"},
                      TBadCase{{"--png", "a.bmp"}, "ending in .png"},
                      TBadCase{{"--png", "picture"}, "ending in .png"},
                      TBadCase{{"--png", "no/such/folder/a.png"}, "cannot write there"},
                      TBadCase{{"--png", "."}, "ending in .png"},
                      TBadCase{{"--print", "no/such/folder/a.pdf"}, "cannot write there"},
                      TBadCase{{"scene.nyx"}, "reading scene files is not available"},
                      // Without --png or --print a window is wanted, and there is no display.
                      TBadCase{{}, "DISPLAY is not set"}));

}  // namespace
}  // namespace nyx
