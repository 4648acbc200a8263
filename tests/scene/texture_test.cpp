// Materials as OpenGL sees them: the calls of an application, the texture block cut
// from a bitmap, and a textured quad in pixels.
#include "scene/material.h"

#include <gtest/gtest.h>

#include "testing/glrecorder.h"
#include "testing/offscreen.h"

using namespace nyx;

namespace {

struct TChangeCounter {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&TChangeCounter::Changed>(this); }
};

// A pixel that tells where it came from: red = x, green = y, blue = 7.
std::uint32_t Marker(int x, int y) {
    return 0xFF000007u | std::uint32_t(x) << 16 | std::uint32_t(y) << 8;
}

void FillWithMarkers(TBitmap& b, int w, int h) {
    b.BeginUpdate();
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.ScanLine(y)[x] = Marker(x, y);
    b.Changed();
    b.EndUpdate();
}

std::vector<std::string> Apply(const TNyxMaterial& m, std::uint32_t face) {
    TGLRecorder recorder;
    m.ApplayMaterial(face);
    m.CancelMaterial();
    return recorder.Calls();
}

}  // namespace

TEST(MaterialTexture, PowerOfTwoBlockFromTheBottomRightCorner) {
    const struct {
        int w, h, tw, th;
    } cases[] = {
        {100, 60, 64, 32}, {256, 256, 256, 256}, {1, 1, 1, 1}, {3, 5, 2, 4}, {64, 1, 64, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.w << " x " << k.h);
        TChangeCounter counter;
        TNyxMaterial m(counter.Event());
        FillWithMarkers(*m.Texture(), k.w, k.h);
        EXPECT_EQ(counter.Count, 1);
        ASSERT_EQ(m.TextureWidth(), k.tw);
        ASSERT_EQ(m.TextureHeight(), k.th);
        ASSERT_EQ(m.TexturePixels().size(), std::size_t(k.tw) * std::size_t(k.th));
        // Row 0 is the bitmap's bottom row; bytes R, G, B, 0 in memory.
        for (int i = 0; i < k.th; ++i)
            for (int c = 0; c < k.tw; ++c) {
                const std::uint32_t want =
                    std::uint32_t(k.w - k.tw + c) | std::uint32_t(k.h - 1 - i) << 8 | 7u << 16;
                ASSERT_EQ(m.TexturePixels()[std::size_t(i * k.tw + c)], want) << i << "," << c;
            }
    }
}

TEST(MaterialTexture, ApplicationCalls) {
    TNyxMaterial m({});
    m.FrontFace()->SetParam(TNyxFaceMaterial::piShininess, 10);
    const std::vector<std::string> front = {
        "glMaterialfv(GL_FRONT, GL_AMBIENT, {0.2509804, 0.2509804, 0.2509804, 0})",
        "glMaterialfv(GL_FRONT, GL_DIFFUSE, {0.7529412, 0.7529412, 0.7529412, 0})",
        "glMaterialfv(GL_FRONT, GL_SPECULAR, {0, 0, 0, 0})",
        "glMaterialfv(GL_FRONT, GL_EMISSION, {0, 0, 0, 0})",
        "glMaterialfv(GL_FRONT, GL_SHININESS, {10})"};
    std::vector<std::string> back = front;
    for (std::string& s : back) {
        s.replace(s.find("GL_FRONT"), 8, "GL_BACK");
        if (s.find("SHININESS") != std::string::npos)
            s = "glMaterialfv(GL_BACK, GL_SHININESS, {0})";
    }
    std::vector<std::string> both = front;
    both.insert(both.end(), back.begin(), back.end());
    EXPECT_EQ(Apply(m, GL_FRONT), front);
    EXPECT_EQ(Apply(m, GL_BACK), back);
    EXPECT_EQ(Apply(m, GL_FRONT_AND_BACK), both);

    FillWithMarkers(*m.Texture(), 100, 60);
    std::vector<std::string> textured = front;
    textured.insert(
        textured.end(),
        {"glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",
         "glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, <pixels>)",
         "glEnable(GL_TEXTURE_2D)", "glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST)",
         "glDisable(GL_TEXTURE_2D)"});
    const std::vector<std::string> got = Apply(m, GL_FRONT);
    ASSERT_EQ(got.size(), textured.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (textured[i].find("<pixels>") == std::string::npos)
            EXPECT_EQ(got[i], textured[i]);
        else
            EXPECT_EQ(got[i].rfind("glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 32, 0, GL_RGBA, "
                                   "GL_UNSIGNED_BYTE, ",
                                   0),
                      0u)
                << got[i];

    // Clearing the image releases the block; no texture is sent or switched off.
    TChangeCounter counter;
    TNyxMaterial cleared(counter.Event());
    FillWithMarkers(*cleared.Texture(), 4, 4);
    cleared.SetTexture(nullptr);
    EXPECT_EQ(counter.Count, 2);
    EXPECT_EQ(cleared.TextureWidth() + cleared.TextureHeight(), 0);
    EXPECT_TRUE(cleared.TexturePixels().empty());
    EXPECT_EQ(Apply(cleared, GL_FRONT).size(), 5u);
}

TEST(MaterialTexture, AssignmentKeepsTheDestinationTexture) {
    TNyxMaterial source({}), dest({});
    FillWithMarkers(*source.Texture(), 8, 8);
    FillWithMarkers(*dest.Texture(), 2, 2);
    source.SetTransparency(0.5f);
    dest.Assign(&source);
    EXPECT_EQ(dest.Transparency(), 0.5f);
    EXPECT_EQ(dest.TextureWidth(), 2);
    EXPECT_EQ(dest.Texture()->Width(), 2);

    // The Texture property copies the image and rebuilds the block once.
    TChangeCounter counter;
    TNyxMaterial copy(counter.Event());
    copy.SetTexture(source.Texture());
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(copy.TexturePixels(), source.TexturePixels());
    EXPECT_NE(copy.Texture(), source.Texture());
}

// The block lands upright and in its own colours: a 3 x 2 image whose right-hand
// 2 x 2 block is drawn over a 2 x 2 viewport, one texel per pixel.
TEST(MaterialTexture, TexturedQuadShowsTheBlockUpright) {
    test::TOffscreenGL gl(2, 2);
    TNyxMaterial m({});
    TBitmap& b = *m.Texture();
    b.BeginUpdate();
    b.SetSize(3, 2);
    const TColor image[2][3] = {{clWhite, clRed, clLime}, {clWhite, clBlue, clYellow}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            b.SetPixel(x, y, image[y][x]);
    b.EndUpdate();

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    m.ApplayMaterial(GL_FRONT_AND_BACK);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
    m.CancelMaterial();
    gl.Finish();
    EXPECT_EQ(gl.Surface().At(0, 0) & 0xFFFFFF, 0xFF0000u);  // red
    EXPECT_EQ(gl.Surface().At(1, 0) & 0xFFFFFF, 0x00FF00u);  // lime
    EXPECT_EQ(gl.Surface().At(0, 1) & 0xFFFFFF, 0x0000FFu);  // blue
    EXPECT_EQ(gl.Surface().At(1, 1) & 0xFFFFFF, 0xFFFF00u);  // yellow
}
