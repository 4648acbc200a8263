// The material every scene object carries: colours as set and as OpenGL floats,
// parameter clamps, and who is told about changes.
#include "scene/material.h"
#include "scene/vertex.h"

#include <gtest/gtest.h>

using namespace nyx;

namespace {
struct TChangeCounter {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&TChangeCounter::Changed>(this); }
};
}  // namespace

TEST(FaceMaterial, SetColorByIndex) {
    const TColor c = 0x0080FF, amb = 4210752, dif = 12632256;
    const struct {
        int index;
        bool notifies;
        std::array<TColor, 4> colours;
    } cases[] = {
        {0, true, {c, dif, 0, 0}},    {1, true, {amb, c, 0, 0}},     {2, true, {amb, dif, c, 0}},
        {3, true, {amb, dif, 0, c}},  {10, true, {c, c, 0, 0}},      {4, false, {amb, dif, 0, 0}},
        {9, false, {amb, dif, 0, 0}}, {11, false, {amb, dif, 0, 0}}, {-1, false, {amb, dif, 0, 0}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.index);
        TChangeCounter counter;
        TNyxFaceMaterial face(0x0404, counter.Event());
        EXPECT_EQ(face.DiffuseRGBA()[0], 192 / 255.0f);  // construction told nobody
        face.SetColor(k.index, c);
        EXPECT_EQ(counter.Count, k.notifies ? 1 : 0);
        EXPECT_EQ((std::array<TColor, 4>{face.Ambient(), face.Diffuse(), face.Specular(),
                                         face.Emission()}),
                  k.colours);
        if (k.index == 10) {
            EXPECT_EQ(face.AmbientRGBA(), face.DiffuseRGBA());
        }
        EXPECT_EQ(face.AmbientRGBA()[3] + face.EmissionRGBA()[3], 0);  // alpha is left alone
    }
    TChangeCounter counter;
    TNyxFaceMaterial face(0x0404, counter.Event());
    face.SetColor(1, 12632256);  // no equality test
    EXPECT_EQ(counter.Count, 1);
}

TEST(FaceMaterial, ParametersClampAndTransparencySetsAlpha) {
    const struct {
        int index;
        float value, shininess, transparency, alpha;
        bool notifies;
    } cases[] = {
        {0, -5, 0, 0, 0, true},   {0, 200, 128, 0, 0, true}, {1, 0.25f, 0, 0.25f, 0.75f, true},
        {1, 1.5f, 0, 1, 0, true}, {1, -0.2f, 0, 0, 1, true}, {2, 0.5f, 0, 0, 0, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.index << " " << k.value);
        TChangeCounter counter;
        TNyxFaceMaterial face(0x0404, counter.Event());
        face.SetParam(k.index, k.value);
        EXPECT_EQ(face.Shininess(), k.shininess);
        EXPECT_EQ(face.Transparency(), k.transparency);
        for (const TRGBAf* q :
             {&face.AmbientRGBA(), &face.DiffuseRGBA(), &face.SpecularRGBA(), &face.EmissionRGBA()})
            EXPECT_EQ((*q)[3], k.alpha);
        EXPECT_EQ(counter.Count, k.notifies ? 1 : 0);
    }
}

TEST(Material, TransparencyColourAndAssign) {
    TChangeCounter counter, other;
    TNyxMaterial m(counter.Event()), copy(other.Event());
    m.SetTransparency(1.5f);
    EXPECT_EQ(counter.Count, 2);  // once per face
    EXPECT_TRUE(m.IsTransparent());
    EXPECT_EQ(m.FrontFace()->Transparency(), 1);
    m.SetTransparency(1.5f);
    EXPECT_EQ(counter.Count, 2);
    m.SetTransparency(-0.2f);
    EXPECT_EQ(m.Transparency(), -0.2f);
    EXPECT_FALSE(m.IsTransparent());
    EXPECT_EQ(m.BackFace()->DiffuseRGBA()[3], 1);
    m.SetColor(clRed);
    EXPECT_EQ(counter.Count, 6);
    EXPECT_EQ(m.BackFace()->Ambient(), clRed);

    copy.Assign(&m);
    EXPECT_EQ(other.Count, 0);
    EXPECT_EQ(copy.FrontFace()->Diffuse(), clRed);
    EXPECT_EQ(copy.BackFace()->DiffuseRGBA(), m.BackFace()->DiffuseRGBA());
    EXPECT_EQ(copy.BackFace()->Face(), 0x0405u);
    EXPECT_EQ(copy.Transparency(), -0.2f);
    TNyxVertex3 point;
    EXPECT_THROW(copy.Assign(&point), EConvertError);
    EXPECT_THROW(copy.FrontFace()->Assign(&m), EConvertError);
}
