// main() of every test program that draws: one TGLChecker watches the whole run, and a
// test fails when any OpenGL error or unbalanced frame turned up while it ran.

#include <gtest/gtest.h>

#include "testing/glchecker.h"

namespace {

class TGLCheckListener : public testing::EmptyTestEventListener {
public:
    explicit TGLCheckListener(nyx::TGLChecker& Checker) : FChecker(Checker) {}

    void OnTestStart(const testing::TestInfo&) override { FChecker.TakeProblems(); }
    // Runs before the result printer's OnTestEnd (gtest calls those in reverse order), so
    // a failure added here still counts for the test.
    void OnTestEnd(const testing::TestInfo&) override {
        FChecker.EndFrame("the end of the test");
        const std::vector<std::string> problems = FChecker.TakeProblems();
        if (problems.empty())
            return;
        std::string text;
        for (const std::string& problem : problems)
            text += "\n  " + problem;
        ADD_FAILURE() << "OpenGL went wrong " << problems.size() << " times:" << text;
    }

private:
    nyx::TGLChecker& FChecker;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    nyx::TGLChecker checker;
    testing::UnitTest::GetInstance()->listeners().Append(new TGLCheckListener(checker));
    return RUN_ALL_TESTS();
}
