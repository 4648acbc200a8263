// Display-list names from the allocator of a list space: blocks reserved from the driver
// once, ranges handed out and taken back inside them, a block given back when it empties;
// and the shared glyph lists compiled once per list space.
#include "gl/wgl.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace nyx;

namespace {

using Strings = std::vector<std::string>;

std::string N(GLuint n) { return std::to_string(n); }

// The calls that reserve and give back names.
Strings ListCalls(const TGLRecorder& r) { return r.Calls({"glGenLists", "glDeleteLists"}); }

}  // namespace

TEST(ListNames, ABlockIsReservedOnceAndGivenBackWhenItEmpties) {
    test::TOffscreenGL gl(8, 8);
    const std::uint64_t space = CurrentListSpace();
    TGLRecorder r;
    const GLuint a = AllocateLists(1);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(ListCalls(r), Strings{"glGenLists(1024)"});
    r.Clear();
    const GLuint b = AllocateLists(3);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(AllocatedLists(space), 4u);

    // Taken back inside the block: the name kept from the driver and handed out again.
    ReleaseLists(space, a, 1);
    EXPECT_TRUE(r.Calls().empty());
    EXPECT_EQ(AllocateLists(1), a);
    ReleaseLists(space, a, 1);
    ReleaseLists(space, b, 3);
    EXPECT_EQ(r.Calls(), Strings{"glDeleteLists(" + N(a) + ", 1024)"});
    EXPECT_EQ(AllocatedLists(space), 0u);
}

TEST(ListNames, ManyNamesCostABlockPerBlockSize) {
    test::TOffscreenGL gl(8, 8);
    const std::uint64_t space = CurrentListSpace();
    TGLRecorder r;
    std::vector<GLuint> names;
    for (int i = 0; i < 5000; ++i)
        names.push_back(AllocateLists(1));
    EXPECT_EQ(r.Calls({"glGenLists"}), Strings(5, "glGenLists(1024)"));
    EXPECT_EQ(std::set<GLuint>(names.begin(), names.end()).size(), names.size());
    for (std::size_t i = 0; i < names.size(); i += 2)
        ReleaseLists(space, names[i], 1);
    r.Clear();
    for (int i = 0; i < 2500; ++i)
        AllocateLists(1);
    EXPECT_TRUE(ListCalls(r).empty()) << "the freed names are handed out again";
    // A large range has a block of its own.
    const GLuint big = AllocateLists(300);
    ReleaseLists(space, big, 300);
    EXPECT_EQ(ListCalls(r), (Strings{"glGenLists(300)", "glDeleteLists(" + N(big) + ", 300)"}));
}

TEST(ListNames, NamesFromTheDriverAreDeletedAndOtherSpacesWait) {
    test::TOffscreenGL first(8, 8);
    const std::uint64_t space = CurrentListSpace();
    const GLuint own = glGenLists(1);
    const GLuint allocated = AllocateLists(1);
    AllocateLists(1);  // keeps the block
    TGLRecorder r;
    ReleaseLists(space, own, 1);
    EXPECT_EQ(ListCalls(r), Strings{"glDeleteLists(" + N(own) + ", 1)"});
    r.Clear();
    {
        test::TOffscreenGL second(8, 8);
        ReleaseLists(space, allocated, 1);
        EXPECT_TRUE(ListCalls(r).empty());
        EXPECT_EQ(AllocatedLists(space), 2u);
    }
    ASSERT_TRUE(wglMakeCurrent(&first.Surface(), first.Context()));
    DeleteReleasedLists();
    EXPECT_EQ(AllocatedLists(space), 1u);
    EXPECT_EQ(AllocateLists(1), allocated);
    EXPECT_TRUE(ListCalls(r).empty());
}

TEST(SharedGlyphLists, EachGlyphIsCompiledOncePerListSpace) {
    test::TOffscreenGL gl(8, 8);
    SelectObject(&gl.Surface(), TLogFont{"Arial", -20, false, false});
    GLuint lists[4] = {};
    TGLRecorder r;
    ASSERT_TRUE(SharedGlyphOutlines(&gl.Surface(), "abab", 0.02f, 0.1f, WGL_FONT_POLYGONS, lists));
    EXPECT_EQ(lists[0], lists[2]);
    EXPECT_EQ(lists[1], lists[3]);
    EXPECT_NE(lists[0], lists[1]);
    EXPECT_EQ(r.Calls({"glNewList"}).size(), 2u);
    r.Clear();
    GLuint again[2] = {};
    ASSERT_TRUE(SharedGlyphOutlines(&gl.Surface(), "ba", 0.02f, 0.1f, WGL_FONT_POLYGONS, again));
    EXPECT_EQ(again[0], lists[1]);
    EXPECT_TRUE(r.Calls().empty());
    // Another glyph style, deviation or extrusion is another list.
    GLuint other[3] = {};
    ASSERT_TRUE(SharedGlyphOutlines(&gl.Surface(), "a", 0.02f, 0.1f, WGL_FONT_LINES, other));
    ASSERT_TRUE(SharedGlyphOutlines(&gl.Surface(), "a", 0.03f, 0.1f, WGL_FONT_POLYGONS, other + 1));
    ASSERT_TRUE(SharedGlyphBitmaps(&gl.Surface(), "a", other + 2));
    EXPECT_EQ(std::set<GLuint>({lists[0], other[0], other[1], other[2]}).size(), 4u);
    EXPECT_EQ(AllocatedLists(CurrentListSpace()), 5u);
    // What the font calls refuse, these refuse too.
    EXPECT_FALSE(SharedGlyphOutlines(&gl.Surface(), "a", -1, 0, WGL_FONT_POLYGONS, other));
    EXPECT_FALSE(SharedGlyphBitmaps(nullptr, "a", other));
}
