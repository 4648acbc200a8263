// nyxconv run as a program: conversions both ways that give back the same files, drawings
// to scene files and back, the example file that is exactly what the built-in demo
// writes, the object counts of --check, and refusals that leave no OUT behind and an
// existing OUT as it was. How files are told apart by their contents.

#include "demo.h"
#include "drawings.h"
#include "dxf/converter.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "runprogram.h"
#include "scene/scene.h"
#include "scenefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace nyx {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TRun;
using test::TTempDir;

TRun RunNyxconv(const std::vector<std::string>& Args, const TTempDir& Dir) {
    return test::RunProgram(NYXCONV_PATH, Args, Dir);
}

void ExpectDone(const TRun& Run) {
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Err, "");
}

TEST(Nyxconv, HelpNamesBothFormsByTheirExtensions) {
    TTempDir dir;
    const TRun run = RunNyxconv({"--help"}, dir);
    ExpectDone(run);
    for (const char* word :
         {".nyx ", ".nyxt ", ".dxf ", "binary", "text", "DXF", "--check", "--demo"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
}

TEST(Nyxconv, TheExampleFileIsWhatTheDemoWrites) {
    TTempDir dir;
    ExpectDone(RunNyxconv({"--demo", "demo.nyxt"}, dir));
    EXPECT_EQ(ReadFile(dir / "demo.nyxt"), ReadFile(std::string(NYX_EXAMPLES_DIR) + "/demo.nyxt"))
        << "regenerate examples/demo.nyxt with nyxconv --demo examples/demo.nyxt";
}

TEST(Nyxconv, ConversionsBothWaysGiveTheSameFiles) {
    TTempDir dir;
    ExpectDone(RunNyxconv({"--demo", "demo.nyxt"}, dir));
    ExpectDone(RunNyxconv({"--demo", "direct.nyx"}, dir));
    ExpectDone(RunNyxconv({"demo.nyxt", "demo.nyx"}, dir));
    EXPECT_EQ(ReadFile(dir / "demo.nyx"), ReadFile(dir / "direct.nyx"));
    EXPECT_NE(ReadFile(dir / "demo.nyx"), ReadFile(dir / "demo.nyxt"));
    ExpectDone(RunNyxconv({"demo.nyx", "back.NYXT"}, dir));
    EXPECT_EQ(ReadFile(dir / "back.NYXT"), ReadFile(dir / "demo.nyxt"));
    // The form of IN comes from its contents, not its name.
    fs::rename(dir / "demo.nyx", dir / "binary.nyxt");
    ExpectDone(RunNyxconv({"binary.nyxt", "again.nyxt"}, dir));
    EXPECT_EQ(ReadFile(dir / "again.nyxt"), ReadFile(dir / "demo.nyxt"));
}

TEST(Nyxconv, CheckCountsTheObjectsOfEachClass) {
    TComponent owner(nullptr);
    std::vector<TNyxObject*> objects;
    BuildDemoScene(&owner).Scene->ListChildren(objects);
    std::map<std::string, int> counts;
    for (const TNyxObject* o : objects)
        ++counts[o->ClassName()];
    std::ostringstream want;
    for (const auto& [name, count] : counts)
        want << "  " << name << " " << count << "\n";

    TTempDir dir;
    ExpectDone(RunNyxconv({"--demo", "demo.nyx"}, dir));
    const TRun run = RunNyxconv({"--check", "demo.nyx"}, dir);
    ExpectDone(run);
    EXPECT_EQ(run.Out, "demo.nyx: binary scene, " + std::to_string(objects.size()) + " objects\n" +
                           want.str());
}

// Reading a file larger than 10 MB shows its percentage on one line of standard error
// when that is a terminal (here a pseudo-terminal made by script), and nothing otherwise.
TEST(Nyxconv, ALargeInputShowsHowFarItsReadingIsOnATerminal) {
    TTempDir dir;
    test::TGroups header;
    for (int i = 0; i < 11; ++i)
        header.emplace_back(999, std::string(1'000'000, 'x'));  // comments, passed over
    using test::operator+;
    test::WriteFile(dir / "big.dxf",
                    test::DxfText(test::Section("HEADER", header) +
                                  test::Drawing({{"L1", 1}}, {{0, "POINT"}, {8, "L1"}})));
    const TRun plain = RunNyxconv({"--check", "big.dxf"}, dir);
    ExpectDone(plain);
    const TRun terminal = test::RunProgram(
        "script", {"-qec", std::string(NYXCONV_PATH) + " --check big.dxf", "/dev/null"}, dir);
    EXPECT_EQ(terminal.Status, 0) << terminal.Out;
    const std::string line = "\rnyxconv: reading big.dxf: ";
    EXPECT_EQ(terminal.Out.find(line + "0%"), 0u) << terminal.Out.substr(0, 200);
    EXPECT_NE(terminal.Out.find(line + "100%\r\n"), std::string::npos);
    std::size_t shown = 0;
    for (std::size_t at = 0; (at = terminal.Out.find(line, at)) != std::string::npos; ++at)
        ++shown;
    EXPECT_GE(shown, 50u) << "about one report per percent";
    EXPECT_NE(terminal.Out.find(plain.Out.substr(0, plain.Out.find('\n'))), std::string::npos);
}

TEST(Nyxconv, DrawingsGoToSceneFilesAndBackKeepingLayersAndObjects) {
    TTempDir dir;
    test::WriteFile(dir / "plan.dxf", test::PlanDrawing());
    const TRun check = RunNyxconv({"--check", "plan.dxf"}, dir);
    ExpectDone(check);
    // Four layers (the path's made on the way) and ten entities.
    EXPECT_EQ(check.Out, "plan.dxf: DXF scene, 14 objects\n"
                         "  TNyxActor 4\n  TNyxArc 1\n  TNyxCircle 1\n  TNyxLabel 1\n"
                         "  TNyxLine 4\n  TNyxPoint 1\n  TNyxPolygon 1\n  TNyxPolyline 1\n");

    ExpectDone(RunNyxconv({"plan.dxf", "plan.nyxt"}, dir));
    const std::string text = ReadFile(dir / "plan.nyxt");
    for (const char* layer : {"\"WALLS\"", "\"FLOOR\"", "\"NOTES\"", "\"PATH\""})
        EXPECT_NE(text.find("Ident = " + std::string(layer)), std::string::npos) << layer;
    EXPECT_NE(text.find("Caption = \"Plan\""), std::string::npos);

    // Written back as a drawing from either form, the scene reads as it was.
    ExpectDone(RunNyxconv({"plan.nyxt", "plan.nyx"}, dir));
    ExpectDone(RunNyxconv({"plan.nyxt", "back.dxf"}, dir));
    ExpectDone(RunNyxconv({"plan.nyx", "back2.DXF"}, dir));
    EXPECT_EQ(ReadFile(dir / "back2.DXF"), ReadFile(dir / "back.dxf"));
    // The layers keep their colours through either scene file.
    EXPECT_NE(ReadFile(dir / "back2.DXF")
                  .find(test::DxfText({{2, "FLOOR"}, {70, "0"}, {61, "0"}, {62, "3"}})),
              std::string::npos);
    ExpectDone(RunNyxconv({"back.dxf", "again.nyxt"}, dir));
    EXPECT_EQ(ReadFile(dir / "again.nyxt"), text);
    ExpectDone(RunNyxconv({"back.dxf", "again.dxf"}, dir));
    EXPECT_EQ(ReadFile(dir / "again.dxf"), ReadFile(dir / "back.dxf"));
    EXPECT_EQ(RunNyxconv({"--check", "back.dxf"}, dir).Out,
              "back.dxf" + check.Out.substr(check.Out.find(':')));
}

TEST(Nyxconv, ModelsGoToSceneFilesAndBackAndCheckListsTheirMeshes) {
    TTempDir dir;
    test::WriteFile(dir / "quad.obj", "o quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    ExpectDone(RunNyxconv({"quad.obj", "quad.nyx"}, dir));
    const TRun check = RunNyxconv({"--check", "quad.nyx"}, dir);
    ExpectDone(check);
    EXPECT_NE(check.Out.find("  mesh \"quad\": 4 vertices, 2 triangles\n"), std::string::npos)
        << check.Out;
    // Out again as every model format, and as a drawing.
    for (const char* out : {"back.stl", "back.ply", "back.gltf", "back.obj"}) {
        SCOPED_TRACE(out);
        ExpectDone(RunNyxconv({"quad.nyx", out}, dir));
        EXPECT_NE(RunNyxconv({"--check", out}, dir).Out.find(": 4 vertices, 2 triangles\n"),
                  std::string::npos);
    }
    ExpectDone(RunNyxconv({"quad.obj", "quad.dxf"}, dir));
    EXPECT_NE(ReadFile(dir / "quad.dxf").find("POLYLINE"), std::string::npos);
    // A scene without meshes makes no model.
    ExpectDone(RunNyxconv({"--demo", "demo.nyx"}, dir));
    const TRun none = RunNyxconv({"demo.nyx", "demo.obj"}, dir);
    EXPECT_EQ(none.Status, 1);
    EXPECT_NE(none.Err.find("demo.obj: there is no mesh to write"), std::string::npos) << none.Err;
}

struct TFormCase {
    const char* Name;
    std::string Head;                    // the file's first bytes
    std::optional<TSceneFileForm> Form;  // none: refused as none of the forms
};

void PrintTo(const TFormCase& c, std::ostream* os) { *os << c.Name; }

class FormOfContents : public ::testing::TestWithParam<TFormCase> {};

TEST_P(FormOfContents, IsToldByTheFirstBytes) {
    TTempDir dir;
    test::WriteFile(dir / "f.dxf", GetParam().Head);
    if (GetParam().Form)
        EXPECT_EQ(nyx::FormOfContents(dir / "f.dxf"), GetParam().Form);
    else
        EXPECT_THROW(nyx::FormOfContents(dir / "f.dxf"), EReadError);
}

std::string BinaryHead() {
    const std::string scene = "object S: TNyxScene\nend\n";
    TMemoryStream text, binary;
    text.WriteBuffer(scene.data(), std::int64_t(scene.size()));
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    return {reinterpret_cast<const char*>(binary.Memory()), std::size_t(binary.Size())};
}

INSTANTIATE_TEST_SUITE_P(
    Heads, FormOfContents,
    ::testing::Values(
        TFormCase{"GroupCode", "  0\nSECTION\n", TSceneFileForm::Dxf},
        TFormCase{"GroupCodeCrLf", "  0\r\nSECTION\r\n", TSceneFileForm::Dxf},
        TFormCase{"BlanksRound", "\t999 \ncomment\n", TSceneFileForm::Dxf},
        TFormCase{"Scene", "object S: TNyxScene\nend\n", TSceneFileForm::Text},
        TFormCase{"Empty", "", TSceneFileForm::Text},
        TFormCase{"BlankLine", "  \n  0\n", std::nullopt},
        TFormCase{"NoLineEnd", "0", std::nullopt}, TFormCase{"Sign", "-1\nX\n", std::nullopt},
        TFormCase{"DigitsThenWord", "12 monkeys\n", std::nullopt},
        TFormCase{"LongDigits", std::string(100, '0') + "\n", std::nullopt},
        TFormCase{"Commented", "// a scene\n\n  OBJECT S: TNyxScene\nend\n", TSceneFileForm::Text},
        TFormCase{"ObjectPrefix", "objects\n", std::nullopt},
        TFormCase{"Binary", BinaryHead(), TSceneFileForm::Binary},
        TFormCase{"BinaryDrawing", std::string(BinaryDXFSentinel), TSceneFileForm::Dxf}));

// A drawing that cannot be written fails with the error of its stream, not a general
// one, and with the file's name in front.
TEST(SceneFile, ConverterErrorsKeepTheirClass) {
    TTempDir dir;
    TNyxScene scene(nullptr);
    const std::string out = dir / "no/such.dxf";
    try {
        SaveSceneFile(scene, out, TSceneFileForm::Dxf);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message().rfind(out + ": TFileStream: cannot create", 0), 0u) << e.Message();
    }
}

// --- Refusals ------------------------------------------------------------------------------

struct TBadCase {
    std::vector<std::string> Args;
    const char* Says;     // part of the one line on standard error
    std::string In = {};  // what in.nyxt holds; none: no such file
    bool OldOut = false;  // out.nyx exists beforehand, and must stay
};

void PrintTo(const TBadCase& c, std::ostream* os) {
    for (const std::string& a : c.Args)
        *os << a << ' ';
}

class NyxconvRefuses : public ::testing::TestWithParam<TBadCase> {};

TEST_P(NyxconvRefuses, WithStatusOneAndOneLineAndNoOut) {
    const TBadCase& tc = GetParam();
    TTempDir dir;
    if (!tc.In.empty())
        test::WriteFile(dir / "in.nyxt", tc.In);
    if (tc.OldOut)
        test::WriteFile(dir / "out.nyx", "old");
    const TRun run = RunNyxconv(tc.Args, dir);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("nyxconv: ", 0), 0u) << run.Err;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << "one line: " << run.Err;
    EXPECT_NE(run.Err.find(tc.Says), std::string::npos) << run.Err;
    if (tc.OldOut)
        EXPECT_EQ(ReadFile(dir / "out.nyx"), "old");
    else
        EXPECT_FALSE(fs::exists(dir / "out.nyx"));
    // Nothing else is left behind, no temporary file either.
    const auto entries =
        std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
    EXPECT_EQ(entries, std::ptrdiff_t(!tc.In.empty()) + std::ptrdiff_t(tc.OldOut));
}

const std::string Good = "object S: TNyxScene\n  object B: TNyxBox\n  end\nend\n";

INSTANTIATE_TEST_SUITE_P(
    BadRuns, NyxconvRefuses,
    ::testing::Values(
        TBadCase{{}, "give IN and OUT"}, TBadCase{{"in.nyxt"}, "give IN and OUT", Good},
        TBadCase{{"--check"}, "--check takes one file"},
        TBadCase{{"--demo"}, "--demo takes one file"},
        TBadCase{{"--frobnicate", "in.nyxt", "out.nyx"}, "unknown option --frobnicate", Good},
        TBadCase{{"in.nyxt", "out.txt"},
                 "give a name ending in .nyx (binary), .nyxt (text), .dxf (drawing) or .obj",
                 Good},
        TBadCase{{"--demo", "out.dwg"}, "give a name ending in .nyx"},
        TBadCase{{"missing.nyxt", "out.nyx"}, "missing.nyxt: TFileStream: cannot open", {}, true},
        TBadCase{{"--check", "missing.nyx"}, "missing.nyx: TFileStream: cannot open"},
        TBadCase{{"in.nyxt", "out.nyx"},
                 "in.nyxt: ObjectTextToBinary: line 2",
                 "object S: TNyxScene\n  object B: TNyxBox\n",
                 true},
        TBadCase{{"in.nyxt", "out.nyx"},
                 "in.nyxt: TNyxObject.LoadFromTextFile: line 2: class TNyxPot",
                 "object S: TNyxScene\n  object P: TNyxPot\n  end\nend\n",
                 true},
        TBadCase{{"in.nyxt", "no/such/folder/out.nyx"}, "no/such/folder/out.nyx", Good},
        // Files of none of the forms: what is expected, and what they begin with.
        TBadCase{{"in.nyxt", "out.nyx"},
                 "in.nyxt: not a file the programs read: expected a scene file in binary form",
                 "# a model\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
                 true},
        TBadCase{{"--check", "in.nyxt"},
                 "it begins with \"\\x89PNG\"",
                 std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)},
        // Drawings, told by their contents whatever the name; their errors name the line
        // of the file.
        TBadCase{{"in.nyxt", "out.nyx"},
                 "in.nyxt: line 10: Invalid Floating point conversion",
                 test::BadNumberDrawing,
                 true},
        TBadCase{{"--check", "in.nyxt"},
                 "in.nyxt: TDXFConverter.LoadFromFile :No Entities",
                 test::EmptyDrawing},
        TBadCase{{"--check", "in.nyxt"},
                 "in.nyxt: TDXFConverter.LoadFromFile: the file is a binary DXF drawing, which "
                 "is not read; save the drawing as ASCII DXF",
                 std::string(BinaryDXFSentinel) + "SECTION"},
        TBadCase{{"in.nyxt", "no/such/folder/out.dxf"}, "no/such/folder/out.dxf", Good}));

}  // namespace
}  // namespace nyx
