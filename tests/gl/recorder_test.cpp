// The recording table: how calls read in the log, and that installing and removing it
// leaves the binding as it was.
#include "testing/glrecorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "gl/wgl.h"
#include "rtl/sysutils.h"

using namespace nyx;
using ::testing::ElementsAre;

namespace {

struct TLogCase {
    const char* What;
    std::function<void()> Issue;
    const char* Expected;
};

// No context is current here: the calls reach Mesa's no-op dispatch, which is harmless.
const TLogCase LogCases[] = {
    {"float shortest form", [] { glAccum(GL_ACCUM, 0.5f); }, "glAccum(GL_ACCUM, 0.5)"},
    {"float that is not a short binary", [] { glTranslatef(0.1f, -2.0f, 1e10f); },
     "glTranslatef(0.1, -2, 1e+10)"},
    {"double", [] { glFrustum(-1, 1, -0.75, 0.75, 1, 100.25); },
     "glFrustum(-1, 1, -0.75, 0.75, 1, 100.25)"},
    {"primitive zero", [] { glBegin(GL_POINTS); }, "glBegin(GL_POINTS)"},
    {"primitive", [] { glBegin(GL_QUADS); }, "glBegin(GL_QUADS)"},
    {"no arguments", [] { glEnd(); }, "glEnd()"},
    {"blend factors zero and one", [] { glBlendFunc(GL_ONE, GL_ZERO); },
     "glBlendFunc(GL_ONE, GL_ZERO)"},
    {"blend factors", [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); },
     "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)"},
    {"stencil operations", [] { glStencilOp(GL_KEEP, GL_ZERO, GL_INCR); },
     "glStencilOp(GL_KEEP, GL_ZERO, GL_INCR)"},
    {"stencil function mask in hex", [] { glStencilFunc(GL_EQUAL, 1, 0xFF); },
     "glStencilFunc(GL_EQUAL, 1, 0x00FF)"},
    {"clear mask by bits",
     [] { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); },
     "glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_COLOR_BUFFER_BIT)"},
    {"all attribute bits", [] { glPushAttrib(GL_ALL_ATTRIB_BITS); },
     "glPushAttrib(GL_ALL_ATTRIB_BITS)"},
    {"booleans", [] { glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE); },
     "glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE)"},
    {"light position reads four values",
     [] {
         const GLfloat p[4] = {1, 2, 3, 0};
         glLightfv(GL_LIGHT0, GL_POSITION, p);
     },
     "glLightfv(GL_LIGHT0, GL_POSITION, {1, 2, 3, 0})"},
    {"spot direction reads three",
     [] {
         const GLfloat d[3] = {0, 0, -1};
         glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, d);
     },
     "glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, {0, 0, -1})"},
    {"shininess reads one",
     [] {
         const GLfloat s[1] = {25.5f};
         glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, s);
     },
     "glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, {25.5})"},
    {"fog colour reads four",
     [] {
         const GLfloat c[4] = {0.5f, 0.25f, 0, 1};
         glFogfv(GL_FOG_COLOR, c);
     },
     "glFogfv(GL_FOG_COLOR, {0.5, 0.25, 0, 1})"},
    {"enumerant in an integer parameter",
     [] {
         glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
         glFogi(GL_FOG_MODE, GL_EXP2);
     },
     "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)\n"
     "glFogi(GL_FOG_MODE, GL_EXP2)"},
    {"texture image",
     [] { glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 32, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr); },
     "glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 32, 0, GL_RGB, GL_UNSIGNED_BYTE, null)"},
    {"matrix",
     [] {
         const GLdouble m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2.5, -3, 4, 1};
         glMultMatrixd(m);
     },
     "glMultMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2.5, -3, 4, 1})"},
    {"output buffer",
     [] {
         GLint viewport[4] = {};
         glGetIntegerv(GL_VIEWPORT, viewport);
     },
     "glGetIntegerv(GL_VIEWPORT, <out>)"},
    {"stipple pattern in hex", [] { glLineStipple(2, 0x0F0F); }, "glLineStipple(2, 0x0F0F)"},
    {"signed bytes", [] { glNormal3b(-128, 0, 127); }, "glNormal3b(-128, 0, 127)"},
    {"unnamed value", [] { glEnable(0xBEEF); }, "glEnable(0xBEEF)"},
    {"glu perspective", [] { gluPerspective(43.6, 4.0 / 3.0, 1, 10); },
     "gluPerspective(43.6, 1.3333333333333333, 1, 10)"},
    {"glu pick matrix viewport",
     [] {
         GLint viewport[4] = {0, 0, 640, 480};
         gluPickMatrix(10, 20, 3, 3, viewport);
     },
     "gluPickMatrix(10, 20, 3, 3, {0, 0, 640, 480})"},
    {"glu error string", [] { gluErrorString(GL_OUT_OF_MEMORY); },
     "gluErrorString(GL_OUT_OF_MEMORY)"},
    {"window system with null handles", [] { wglMakeCurrent(nullptr, nullptr); },
     "wglMakeCurrent(null, null)"},
};

class RecorderLog : public ::testing::TestWithParam<TLogCase> {};

TEST_P(RecorderLog, ReadsLikeTheCall) {
    TGLRecorder recorder;
    GetParam().Issue();
    std::string joined;
    for (const std::string& call : recorder.Calls()) {
        if (!joined.empty())
            joined += '\n';
        joined += call;
    }
    EXPECT_EQ(joined, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Calls, RecorderLog, ::testing::ValuesIn(LogCases), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.What; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

TEST(Recorder, GluObjectsAndTessellatorEnumerants) {
    TGLRecorder recorder;
    GLUquadric* quadric = gluNewQuadric();
    ASSERT_NE(quadric, nullptr);
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluDeleteQuadric(quadric);
    GLUtesselator* tess = gluNewTess();
    ASSERT_NE(tess, nullptr);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessProperty(tess, GLU_TESS_TOLERANCE, 0.25);
    gluDeleteTess(tess);
    EXPECT_THAT(recorder.Calls(),
                ElementsAre("gluNewQuadric()", "gluQuadricDrawStyle(<quadric>, GLU_FILL)",
                            "gluQuadricNormals(<quadric>, GLU_SMOOTH)",
                            "gluDeleteQuadric(<quadric>)", "gluNewTess()",
                            "gluTessProperty(<tess>, GLU_TESS_WINDING_RULE, "
                            "GLU_TESS_WINDING_ODD)",
                            "gluTessProperty(<tess>, GLU_TESS_TOLERANCE, 0.25)",
                            "gluDeleteTess(<tess>)"));
}

TEST(Recorder, FiltersByNameAndClears) {
    TGLRecorder recorder;
    glPushMatrix();
    glAccum(GL_LOAD, 0.25f);
    glPopMatrix();
    glAccum(GL_RETURN, 1.0f);
    EXPECT_THAT(recorder.Calls({"glAccum"}),
                ElementsAre("glAccum(GL_LOAD, 0.25)", "glAccum(GL_RETURN, 1)"));
    // A name is matched whole, not as a prefix.
    EXPECT_THAT(recorder.Calls({"glPush", "glPopMatrix"}), ElementsAre("glPopMatrix()"));
    recorder.Clear();
    EXPECT_TRUE(recorder.Calls().empty());
    glFlush();
    EXPECT_THAT(recorder.Calls(), ElementsAre("glFlush()"));
}

TEST(Recorder, InstallsAndRestoresTheBinding) {
    const TGLDispatch* before = &ActiveGLDispatch();  // the checker's table in this program
    {
        TGLRecorder recorder;
        EXPECT_NE(&ActiveGLDispatch(), before);
        EXPECT_THROW(TGLRecorder second, EInvalidOperation);
        // The failed second recorder must not have disturbed the first.
        glFlush();
        EXPECT_THAT(recorder.Calls(), ElementsAre("glFlush()"));
    }
    EXPECT_EQ(&ActiveGLDispatch(), before);
    // Installing again after the first is gone works.
    TGLRecorder again;
    glLoadIdentity();
    EXPECT_THAT(again.Calls(), ElementsAre("glLoadIdentity()"));
}

TEST(Recorder, ForwardsToAnyInstalledTable) {
    // A table of our own under the recorder sees every call the recorder logs.
    static int forwarded = 0;
    TGLDispatch counting = DefaultGLDispatch();
    counting.glLoadIdentity = [] { ++forwarded; };
    const TGLDispatch* previous = SetGLDispatch(&counting);
    {
        TGLRecorder recorder;
        glLoadIdentity();
        glLoadIdentity();
        EXPECT_EQ(recorder.Calls().size(), 2u);
    }
    EXPECT_EQ(forwarded, 2);
    EXPECT_EQ(SetGLDispatch(previous), &counting);
}

TEST(Recorder, NullInstallsTheDefaultTable) {
    const TGLDispatch* previous = SetGLDispatch(nullptr);
    EXPECT_EQ(&ActiveGLDispatch(), &DefaultGLDispatch());
    EXPECT_EQ(SetGLDispatch(previous), &DefaultGLDispatch());
}

TEST(Recorder, EnumNames) {
    EXPECT_EQ(GLEnumName(GL_TEXTURE_2D), "GL_TEXTURE_2D");
    EXPECT_EQ(GLEnumName(GLU_TESS_BEGIN), "GLU_TESS_BEGIN");
    EXPECT_EQ(GLEnumName(0x12345), "0x12345");
}

}  // namespace
