// Vertices, vertex collections and the transform: change reporting, composition
// order and the counters owners rely on.
#include "scene/object.h"

#include "testing/glrecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace nyx;

namespace {

struct TChangeCounter {
    int Count = 0;
    TObject* LastSender = nullptr;
    void Changed(TObject* Sender) { ++Count, LastSender = Sender; }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&TChangeCounter::Changed>(this); }
};

class TCountingObject : public TNyxObject {
public:
    using TNyxObject::TNyxObject;
    void Invalidate(TObject* Sender) override { ++Invalidations, LastSender = Sender; }
    int Invalidations = 0;
    TObject* LastSender = nullptr;
};

void ExpectMaps(const TNyxXForm& x, TGLArrayd3 p, const TGLArrayd3& want) {
    Xformd(x.Matrix(), p);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(p[i], want[i], 1e-12) << "component " << i;
}

void Set(TNyxVertex3* v, const TGLArrayd3& p) {
    for (int i = 0; i < 3; ++i)
        v->SetData(i, p[i]);
}

}  // namespace

TEST(Vertex, SetDataNotifiesOnlyRealChangesOfKnownIndices) {
    TChangeCounter counter;
    TNyxVertex3Tex v(counter.Event());
    // index, value, callbacks so far
    const struct {
        int index;
        double value;
        int calls;
    } steps[] = {{0, 1.5, 1},  {0, 1.5, 1}, {2, 0, 1}, {3, 0.25, 2},
                 {4, 0.75, 3}, {5, 9, 3},   {-1, 9, 3}};
    for (const auto& s : steps) {
        v.SetData(s.index, s.value);
        EXPECT_EQ(counter.Count, s.calls) << s.index << " = " << s.value;
    }
    EXPECT_EQ(v.Data(), (TGLArrayd3{1.5, 0, 0}));
    EXPECT_EQ(v.TexY(), 0.75);
    EXPECT_EQ(counter.LastSender, &v);
    TNyxVertex3 plain;  // no callback; texture indices are not its own
    plain.SetData(3, 1);
    EXPECT_EQ(plain.Data(), (TGLArrayd3{0, 0, 0}));
    EXPECT_FALSE(GetPropInfo(v, "X").IsStoredValue(v) && GetPropInfo(v, "Y").IsStoredValue(v));
}

TEST(VertexCollection, ItemsAndChangesInvalidateTheRegisteredObjects) {
    TCountingObject a(nullptr), b(nullptr);
    TNyxCollection points(&a, TNyxVertex3TexCI::StaticClass());
    for (TNyxObject* o : {&a, &b, &a, static_cast<TCountingObject*>(nullptr)})
        points.RegisterObject(o);
    ASSERT_EQ(points.RegisteredObjects().size(), 2u);
    auto* item = static_cast<TNyxVertex3TexCI*>(points.Add());
    EXPECT_EQ(a.LastSender, &points);  // the collection, not what it received

    const struct {
        const char* what;
        std::function<void()> change;
        int seen;
    } steps[] = {
        {"x", [&] { item->SetData(0, 0.5); }, 2},
        {"same x", [&] { item->SetData(0, 0.5); }, 2},
        {"tex", [&] { item->SetData(4, 3); }, 3},
        {"bad index", [&] { item->SetData(7, 3); }, 3},
        {"colour", [&] { item->SetColor(clRed); }, 4},
        {"same colour", [&] { item->SetColor(clRed); }, 4},
        {"delete", [&] { points.Delete(0); }, 5},
    };
    for (const auto& s : steps) {
        s.change();
        EXPECT_EQ(a.Invalidations, s.seen) << s.what;
        EXPECT_EQ(b.Invalidations, s.seen) << s.what;
    }
    points.UnregisterObject(&a);
    points.Add();
    EXPECT_EQ(a.Invalidations, 5);
    EXPECT_EQ(b.Invalidations, 6);
}

TEST(VertexCollection, ItemColourFloatsAndCaption) {
    TNyxCollection points(nullptr, TNyxVertex3CI::StaticClass());
    auto* item = static_cast<TNyxVertex3CI*>(points.Add());
    EXPECT_EQ(item->ColorRGBA(), (TRGBAf{1, 1, 1, 1}));
    item->SetColor(255);
    EXPECT_EQ(item->ColorRGBA(), (TRGBAf{1, 0, 0, 1}));
    item->SetData(0, 0.5);
    item->SetData(2, -1);
    // The caption follows the user's decimal separator; pin it for the test.
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved ? saved : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(item->GetDisplayName(), "(0.50, 0.00, -1.00)");
    saved ? setenv("LC_ALL", keep.c_str(), 1) : unsetenv("LC_ALL");
}

TEST(XForm, ComposesTranslateRotationsScaleThenAccumulated) {
    TChangeCounter counter;
    TNyxXForm x(counter.Event(), nullptr);
    x.Scale()->Store({1, 1, 1});
    Set(x.Translate(), {1, 2, 3});
    x.Rotate()->SetData(2, 90);
    Set(x.Scale(), {2, 2, 2});
    ExpectMaps(x, {1, 0, 0}, {1, 4, 3});
    EXPECT_EQ(x.ChangeCount(), 7);
    EXPECT_EQ(counter.Count, 7);

    // Rotations act Z first, then Y, then X.
    TNyxXForm r({}, nullptr);
    r.Scale()->Store({1, 1, 1});
    Set(r.Rotate(), {90, 90, 90});
    ExpectMaps(r, {1, 0, 0}, {0, 0, 1});
    ExpectMaps(r, {0, 0, 1}, {1, 0, 0});

    // All factors: T(10,0,0) Rx(90) Rz(180) S(1,2,1) A, with A a
    // quarter turn about z through (1,0,0). (2,0,0): A (1,1,0), S (1,2,0),
    // Rz (-1,-2,0), Rx (-1,0,-2), T (9,0,-2).
    TNyxXForm all({}, nullptr);
    all.Scale()->Store({1, 1, 1});
    all.mRotate(1, 0, 0, 0, 0, 1, 90);
    Set(all.Scale(), {1, 2, 1});
    Set(all.Rotate(), {90, 0, 180});
    all.Translate()->SetData(0, 10);
    ExpectMaps(all, {2, 0, 0}, {9, 0, -2});
    ExpectMaps(all, {1, 0, 5}, {9, -5, 0});
}

TEST(XForm, AccumulatingOperationsAndReturnToIdentity) {
    TChangeCounter counter;
    TNyxXForm x(counter.Event(), nullptr);
    x.Scale()->Store({1, 1, 1});
    x.mRotate(1, 0, 0, 0, 0, 1, 180);
    ExpectMaps(x, {2, 0, 0}, {0, 0, 0});
    EXPECT_EQ(counter.LastSender, &x);
    x.mTranslate(0, 0, 5);
    x.mScale(2, 1, 1);
    ExpectMaps(x, {1, 0, 0}, {0, 0, 5});
    x.Translate()->SetData(1, 1);  // accumulated changes survive recomposition
    ExpectMaps(x, {1, 0, 0}, {0, 1, 5});
    EXPECT_EQ(x.ChangeCount(), 4);

    TNyxXForm y({}, nullptr);
    y.Scale()->Store({1, 1, 1});
    Set(y.Translate(), {4, 0, 0});
    Set(y.Rotate(), {0, 33, 0});
    EXPECT_TRUE(y.NonIdentity());
    Set(y.Translate(), {0, 0, 0});
    Set(y.Rotate(), {0, 0, 0});
    EXPECT_FALSE(y.NonIdentity());
    EXPECT_EQ(y.Matrix(), idd);
}

TEST(XForm, OwnerHearsEveryChangeThroughItsInvalidate) {
    TCountingObject o(nullptr);
    EXPECT_EQ(o.XForm()->Scale()->Data(), (TGLArrayd3{1, 1, 1}));
    EXPECT_FALSE(o.XForm()->NonIdentity());
    o.XForm()->Translate()->SetData(0, 1);
    o.XForm()->mScale(2, 2, 2);
    o.Point1()->SetData(2, 3);
    o.Point2()->SetData(2, 3);
    o.Material()->SetTransparency(0.5f);
    EXPECT_EQ(o.Invalidations, 6);
    EXPECT_EQ(o.LastSender, o.Material()->BackFace());
}

TEST(XForm, DrawingBracketOnlyForNonIdentity) {
    TGLRecorder gl;  // no context is current: the calls only reach the log
    TNyxXForm x({}, nullptr);
    x.Scale()->Store({1, 1, 1});
    const auto bracket = [&] {
        gl.Clear();
        x.Push(), x.Apply(), x.Pop();
        return gl.Calls();
    };
    EXPECT_TRUE(bracket().empty());
    x.Translate()->SetData(0, 2);
    EXPECT_EQ(bracket(), (std::vector<std::string>{
                             "glPushMatrix()",
                             "glMultMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1})",
                             "glPopMatrix()"}));
    x.Translate()->SetData(0, 0);
    EXPECT_TRUE(bracket().empty());
}
