// The first start of the OpenGL unit masks floating-point exceptions; later starts do
// nothing and stopping restores nothing. Its own program, so that no earlier start in
// the same process hides the first one but the library's own start at load, which the
// test stops first.
#include "gl/opengl.h"
#include "library/startup.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

using namespace nyx;

namespace {

constexpr int kTraps = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

double Divide(double a, double b) {
    volatile double x = a;
    volatile double y = b;
    return x / y;
}

TEST(OpenGLUnit, FirstStartMasksFloatingPointExceptions) {
    NyxShutdown();
    // Traps on, as a host might leave them; a division by zero would now be fatal.
    feenableexcept(kTraps);
    ASSERT_EQ(fegetexcept() & kTraps, kTraps);

    InitializeNyxOpenGL();
    EXPECT_EQ(fegetexcept(), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
    const double inf = Divide(1.0, 0.0);
    EXPECT_TRUE(std::isinf(inf) && inf > 0);
    EXPECT_TRUE(std::isnan(Divide(0.0, 0.0)));
    EXPECT_TRUE(std::isinf(Divide(-1.0, 0.0)) && Divide(-1.0, 0.0) < 0);
    std::feclearexcept(FE_ALL_EXCEPT);

    // A second start is counted only: it does not mask again.
    feenableexcept(FE_DIVBYZERO);
    InitializeNyxOpenGL();
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO);

    // Stopping leaves the state alone; once the count is back at zero, the next start
    // is a first start again.
    FinalizeNyxOpenGL();
    FinalizeNyxOpenGL();
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO);
    FinalizeNyxOpenGL();  // one stop too many is harmless
    InitializeNyxOpenGL();
    EXPECT_EQ(fegetexcept(), 0);
    EXPECT_TRUE(std::isinf(Divide(1.0, 0.0)));
    FinalizeNyxOpenGL();
    NyxStartup();
}

}  // namespace
