// nyxview run as a program, with no X server: the off-screen image of the demo scene,
// built in or read from its file in either form, of a file without camera or light, of
// a drawing, printing, and how bad command lines and bad files are refused.

#include "demo.h"
#include "drawings.h"
#include "fileview.h"
#include "objects/box.h"
#include "objects/label.h"
#include "objects/quadrics.h"
#include "objects/teapot.h"
#include "rtl/graphics.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "runprogram.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace nyx {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TRun;
using test::TTempDir;

TRun RunNyxview(const std::vector<std::string>& Args, const TTempDir& Dir) {
    return test::RunProgram(NYXVIEW_PATH, Args, Dir);
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

// The demo: built in, or read from the example file in text or in binary form.
struct TDemoSource {
    const char* Name;
    const char* File;  // none: the built-in scene
    bool Binary;
};

void PrintTo(const TDemoSource& c, std::ostream* os) { *os << c.Name; }

// Puts the demo's file into Dir in the form asked for; answers nyxview's arguments.
std::vector<std::string> DemoArgs(const TDemoSource& Source, const TTempDir& Dir) {
    if (!Source.File)
        return {};
    TFileStream text(std::string(NYX_EXAMPLES_DIR) + "/" + Source.File, fmOpenRead);
    TFileStream out(Dir / (Source.Binary ? "demo.nyx" : "demo.nyxt"), fmCreate);
    if (Source.Binary)
        ObjectTextToBinary(text, out);
    else
        out.CopyFrom(text, 0);
    return {Source.Binary ? "demo.nyx" : "demo.nyxt"};
}

class NyxviewPng : public ::testing::TestWithParam<TDemoSource> {};

TEST_P(NyxviewPng, RendersTheDemoSceneAtTheRequestedSize) {
    TTempDir dir;
    std::vector<std::string> args = DemoArgs(GetParam(), dir);
    args.insert(args.end(), {"--png", "demo.png", "--size", "320x240"});
    const TRun run = RunNyxview(args, dir);
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

INSTANTIATE_TEST_SUITE_P(Demo, NyxviewPng,
                         ::testing::Values(TDemoSource{"BuiltIn", nullptr, false},
                                           TDemoSource{"TextFile", "demo.nyxt", false},
                                           TDemoSource{"BinaryFile", "demo.nyxt", true}));

// The extruded title shows its coloured face; the sphere's caption is white text that
// starts at its projected origin.
TEST(NyxviewLabels, ShowsTheTitleAndTheSphereCaption) {
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

TEST(NyxviewFile, BothFormsOfAFileGiveTheSamePicture) {
    TTempDir dir;
    const TDemoSource forms[] = {{"text", "demo.nyxt", false}, {"binary", "demo.nyxt", true}};
    TBitmap pictures[2];
    for (int i = 0; i < 2; ++i) {
        std::vector<std::string> args = DemoArgs(forms[i], dir);
        args.insert(args.end(), {"--png", "view.png", "--size", "160x120"});
        const TRun run = RunNyxview(args, dir);
        ASSERT_EQ(run.Status, 0) << run.Err;
        pictures[i].LoadFromFile(dir / "view.png");
    }
    EXPECT_TRUE(pictures[0].SameImage(pictures[1]));
}

TEST(NyxviewFile, FramesAndLightsASceneWithoutCameraOrLight) {
    // A red box far from the origin, small and turned: only a camera that frames the
    // scene sees it, and only an added light shows it red rather than black.
    TTempDir dir;
    test::WriteFile(dir / "far.nyxt", "object Far: TNyxScene\n"
                                      "  XForm.Scale.X = 1.0\n"
                                      "  XForm.Scale.Y = 1.0\n"
                                      "  XForm.Scale.Z = 1.0\n"
                                      "  object Box1: TNyxBox\n"
                                      "    Color = 255\n"
                                      "    XForm.Translate.X = 40.0\n"
                                      "    XForm.Translate.Y = -25.0\n"
                                      "    XForm.Translate.Z = 12.0\n"
                                      "    XForm.Rotate.Z = 30.0\n"
                                      "    XForm.Scale.X = 0.5\n"
                                      "    XForm.Scale.Y = 0.5\n"
                                      "    XForm.Scale.Z = 0.5\n"
                                      "  end\n"
                                      "end\n");
    const TRun run = RunNyxview({"far.nyxt", "--png", "far.png", "--size", "160x120"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    TBitmap image;
    image.LoadFromFile(dir / "far.png");
    for (const auto& corner : {std::array<int, 2>{1, 1}, {158, 1}, {1, 118}, {158, 118}})
        EXPECT_EQ(image.Pixels(corner[0], corner[1]), clBlack) << "background in the corners";
    const TColor middle = image.Pixels(80, 60);
    const int r = middle & 0xFF, g = (middle >> 8) & 0xFF, b = (middle >> 16) & 0xFF;
    EXPECT_GT(r, 80) << "the box fills the middle, lit";
    EXPECT_LT(g + b, r / 2) << "in its own red";
}

// A model from another tool, far from the origin and without camera or light: framed
// and lit in its material's red.
TEST(NyxviewFile, FramesAndShowsAModel) {
    TTempDir dir;
    test::WriteFile(dir / "red.mtl", "newmtl red\nKd 0.9 0.1 0.1\n");
    std::string obj = "mtllib red.mtl\nusemtl red\n";
    for (int i = 0; i < 8; ++i)
        obj += "v " + std::to_string(100 + (i & 1)) + " " + std::to_string(i >> 1 & 1) + " " +
               std::to_string(i >> 2 & 1) + "\n";
    obj += "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
    test::WriteFile(dir / "cube.obj", obj);
    const TRun run = RunNyxview({"cube.obj", "--png", "cube.png", "--size", "160x120"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    TBitmap image;
    image.LoadFromFile(dir / "cube.png");
    EXPECT_EQ(image.Pixels(1, 1), clBlack);
    const TColor middle = image.Pixels(80, 60);
    const int r = middle & 0xFF, g = (middle >> 8) & 0xFF, b = (middle >> 16) & 0xFF;
    EXPECT_GT(r, 30) << "the cube fills the middle, lit (its file gives no ambient colour)";
    EXPECT_LT(g + b, r / 2) << "in its material's red";
}

// The plan's red walls, as lines, and its green floor, as a lit face, on black; the plan
// fills the view.
TEST(NyxviewFile, ShowsTheLinesAndFacesOfADrawing) {
    TTempDir dir;
    test::WriteFile(dir / "plan.dxf", test::PlanDrawing());
    const TRun run = RunNyxview({"plan.dxf", "--png", "plan.png", "--size", "160x120"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    TBitmap image;
    image.LoadFromFile(dir / "plan.png");
    int red = 0, green = 0, left = image.Width(), right = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const TColor c = image.Pixels(x, y);
            const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            red += r > 120 && g + b < r / 3;
            green += g > 120 && r + b < g / 3;
            if (c != clBlack) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    EXPECT_GT(red, 100) << "the walls";
    EXPECT_GT(green, 1000) << "the floor, lit";
    EXPECT_EQ(image.Pixels(1, 1), clBlack);
    EXPECT_GT(right - left, image.Width() / 2) << "framed";
}

// A drawing without depth is seen from above, as a plan filling the view, and the
// camera's reset comes back to that.
TEST(NyxviewFile, ADrawingWithoutDepthIsSeenAsAPlan) {
    TTempDir dir;
    test::WriteFile(dir / "plan.dxf", test::PlanDrawing());
    TComponent owner(nullptr);
    TNyxCamera* camera = LoadFileScene(&owner, dir / "plan.dxf", 4.0 / 3).Camera;
    for (int pass = 0; pass < 2; ++pass) {
        const TGLArrayd3 eye = camera->GetPosition(), target = camera->GetTarget();
        EXPECT_EQ(eye[0], target[0]);
        EXPECT_EQ(eye[1], target[1]);
        EXPECT_GT(eye[2], target[2]);
        EXPECT_EQ(camera->Up()->Data(), unity);
        camera->Orbit(30, 20);
        camera->Reset();
    }
    const TRun run = RunNyxview({"plan.dxf", "--png", "plan.png", "--size", "160x120"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    TBitmap image;
    image.LoadFromFile(dir / "plan.png");
    int left = image.Width(), right = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.Pixels(x, y) != clBlack) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_LE(left, 4) << "the walls from edge to edge";
    EXPECT_GE(right, image.Width() - 5);
}

// The hatches of the test drawing seen as a plan (x 0 to 26 across the view): a red
// square with a hole, a blue disc, a green outline.
TEST(NyxviewFile, ShowsSolidHatchesWithTheirHoles) {
    TTempDir dir;
    const TRun run =
        RunNyxview({NYX_DXF_DATA_DIR "/hatch.dxf", "--png", "hatch.png", "--size", "320x240"}, dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    TBitmap image;
    image.LoadFromFile(dir / "hatch.png");
    const double scale = 320 / (26 * 1.02);
    const auto at = [&](double X, double Y) {
        return image.Pixels(int(160 + (X - 13) * scale), int(120 - (Y - 5) * scale));
    };
    const auto dominant = [](TColor C) {
        const int r = C & 0xFF, g = (C >> 8) & 0xFF, b = (C >> 16) & 0xFF;
        return r > 2 * (g + b) ? 'r' : g > 2 * (r + b) ? 'g' : b > 2 * (r + g) ? 'b' : '-';
    };
    EXPECT_EQ(dominant(at(1.5, 5)), 'r') << "the square";
    EXPECT_EQ(at(5, 5), clBlack) << "its hole";
    EXPECT_EQ(dominant(at(15, 5)), 'b') << "the disc";
    EXPECT_EQ(at(23, 2), clBlack) << "inside the outline";
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
    for (const char* word :
         {"--png", "--size", "--print", "DXF", "left drag", "middle click", "wheel"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
}

// --- Refusals ------------------------------------------------------------------------------

struct TBadCase {
    std::vector<std::string> Args;
    const char* Says;            // part of the one line on standard error
    const char* File = nullptr;  // an input file put into the folder first
    std::string Content = {};
};

void PrintTo(const TBadCase& c, std::ostream* os) {
    for (const std::string& a : c.Args)
        *os << a << ' ';
}

class NyxviewRefuses : public ::testing::TestWithParam<TBadCase> {};

TEST_P(NyxviewRefuses, WithStatusOneAndOneLine) {
    const TBadCase& tc = GetParam();
    TTempDir dir;
    if (tc.File)
        test::WriteFile(dir / tc.File, tc.Content);
    const TRun run = RunNyxview(tc.Args, dir);
    if (tc.File)
        fs::remove(dir / tc.File);
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
                      TBadCase{{"a.nyxt", "b.nyxt"}, "give one FILE"},
                      TBadCase{{"missing.nyx", "--png", "a.png"},
                               "missing.nyx: TFileStream: cannot open file"},
                      TBadCase{{"cut.nyx", "--png", "a.png"},
                               "cut.nyx: TReader",
                               "cut.nyx",
                               std::string("NYX1\x09TNyxScene\x06Scene1\x0F"
                                           "Backgr",
                                           24)},
                      TBadCase{{"odd.nyxt", "--png", "a.png"},
                               "odd.nyxt: TNyxObject.LoadFromTextFile: line 3: class TNyxTeacup",
                               "odd.nyxt",
                               "object S: TNyxScene\n\n  object Cup: TNyxTeacup\n  end\nend\n"},
                      TBadCase{{"broken.nyxt", "--png", "a.png"},
                               "broken.nyxt: ObjectTextToBinary: line 3",
                               "broken.nyxt",
                               "object S: TNyxScene\n  Color = \n"},
                      TBadCase{{"notes.txt", "--png", "a.png"},
                               "notes.txt: not a file the programs read: expected a scene "
                               "file in binary form,",
                               "notes.txt",
                               "# a model\nv 0 0 0\n"},
                      TBadCase{{"bad.dxf", "--png", "a.png"},
                               "bad.dxf: line 10: Invalid Floating point conversion",
                               "bad.dxf",
                               test::BadNumberDrawing},
                      TBadCase{{"empty.dxf", "--png", "a.png"},
                               "empty.dxf: TDXFConverter.LoadFromFile :No Entities",
                               "empty.dxf",
                               test::EmptyDrawing},
                      // Without --png or --print a window is wanted, and there is no display.
                      TBadCase{{}, "DISPLAY is not set"}));

}  // namespace
}  // namespace nyx
