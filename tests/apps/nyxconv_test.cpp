// nyxconv run as a program: conversions both ways that give back the same files, the
// example file that is exactly what the built-in demo writes, the object counts of
// --check, and refusals that leave no OUT behind and an existing OUT as it was.

#include "demo.h"
#include "runprogram.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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
    for (const char* word : {".nyx ", ".nyxt ", "binary", "text", "--check", "--demo"})
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
        TBadCase{{"in.nyxt", "out.txt"}, "give a name ending in .nyx (binary) or .nyxt", Good},
        TBadCase{{"--demo", "out.dxf"}, "give a name ending in .nyx"},
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
        TBadCase{{"in.nyxt", "no/such/folder/out.nyx"}, "no/such/folder/out.nyx", Good}));

}  // namespace
}  // namespace nyx
