// Proxies: the image placed under both transforms with the matrix given back, the
// guards against drawing without end, the link to the target through its removal and
// through streams, the passes and picking through a proxy. Actors on the timer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "drawprobe.h"
#include "rtl/host.h"
#include "rtl/stream_helpers.h"
#include "scene/proxy.h"
#include "testing/offscreen.h"

using namespace nyx;
using namespace nyx::test;

namespace {

void Place(TNyxObject* Obj, double X, double Y, double Z) {
    Obj->XForm()->Translate()->SetX(X);
    Obj->XForm()->Translate()->SetY(Y);
    Obj->XForm()->Translate()->SetZ(Z);
}

GLint StackDepth() {
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

// Where the modelview puts the local origin, at each DrawMain: "ident@(x, y, z)".
class TPlaced : public TNyxObject {
public:
    using TNyxObject::TNyxObject;
    static inline Strings* Log = nullptr;
    void DrawMain(bool) override {
        TGLMatrixd4 m{};
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        // Rotations leave rounding dust; -0 prints as 0.
        auto tidy = [](double v) { return std::round(v * 1e6) / 1e6 + 0.0; };
        char text[96];
        std::snprintf(text, sizeof text, "%s@(%g, %g, %g)", Ident().c_str(), tidy(m[12]),
                      tidy(m[13]), tidy(m[14]));
        Log->push_back(text);
    }
};

class ProxyTest : public ::testing::Test {
protected:
    ProxyTest() : gl(16, 16) {
        scene = new TNyxScene(&owner);
        TPlaced::Log = &seen;
    }
    ~ProxyTest() override { TPlaced::Log = nullptr; }

    // One main pass from the identity; the matrix after it must be the identity again.
    Strings MainPass() {
        seen.clear();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        scene->Draw(scene, dsAllObjects, dkFull);
        TGLMatrixd4 after{};
        glGetDoublev(GL_MODELVIEW_MATRIX, after.data());
        EXPECT_EQ(after, idd) << "the modelview after the pass";
        EXPECT_EQ(StackDepth(), 1);
        return seen;
    }

    TOffscreenGL gl;
    TComponent owner{nullptr};
    TNyxScene* scene;
    Strings seen;
};

TEST_F(ProxyTest, ImageIsPlacedByBothTransformsAndTheMatrixComesBack) {
    struct TCase {
        const char* What;
        TGLArrayd3 Proxy, Target;
        double ProxyTurn;  // degrees about z
        Strings Expected;
    };
    const TCase cases[] = {
        {"both moved",
         {0, 3, 0},
         {5, 0, 0},
         0,
         {"Child@(5, 0, 1)", "T@(5, 0, 0)", "Child@(5, 3, 1)", "T@(5, 3, 0)", "After@(0, 0, 0)"}},
        {"only the target moved",
         {0, 0, 0},
         {5, 0, 0},
         0,
         {"Child@(5, 0, 1)", "T@(5, 0, 0)", "Child@(5, 0, 1)", "T@(5, 0, 0)", "After@(0, 0, 0)"}},
        {"only the proxy moved",
         {0, 3, 0},
         {0, 0, 0},
         0,
         {"Child@(0, 0, 1)", "T@(0, 0, 0)", "Child@(0, 3, 1)", "T@(0, 3, 0)", "After@(0, 0, 0)"}},
        {"the proxy's matrix comes first",
         {0, 0, 0},
         {5, 0, 0},
         90,
         {"Child@(5, 0, 1)", "T@(5, 0, 0)", "Child@(0, 5, 1)", "T@(0, 5, 0)", "After@(0, 0, 0)"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        auto* target = Add<TPlaced>(scene, "T");
        Place(target, c.Target[0], c.Target[1], c.Target[2]);
        Place(Add<TPlaced>(target, "Child"), 0, 0, 1);
        auto* proxy = Add<TNyxProxy>(scene);
        proxy->SetProxy(target);
        Place(proxy, c.Proxy[0], c.Proxy[1], c.Proxy[2]);
        proxy->XForm()->Rotate()->SetZ(c.ProxyTurn);
        Add<TPlaced>(scene, "After");  // drawn under whatever the proxy left behind
        EXPECT_EQ(MainPass(), c.Expected);
        scene->Clear();
    }
}

TEST_F(ProxyTest, AHiddenTargetIsShownOnlyThroughItsProxies) {
    auto* target = Add<TPlaced>(scene, "T");
    target->SetVisible(false);
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    Place(proxy, 1, 0, 0);
    EXPECT_EQ(MainPass(), (Strings{"T@(1, 0, 0)"}));
    proxy->SetVisible(false);
    EXPECT_EQ(MainPass(), Strings{});
    proxy->SetVisible(true);
    proxy->SetProxy(nullptr);
    Add<TPlaced>(proxy, "Own");
    EXPECT_EQ(MainPass(), Strings{}) << "without a target not even its own children";
}

TEST_F(ProxyTest, ExtentIsTheTargets) {
    auto* proxy = Add<TNyxProxy>(scene);
    auto* target = Add<TQuad>(scene);
    target->Size = 4;
    TGLArrayd3 lo{}, hi{};
    proxy->GetSize(lo, hi);
    EXPECT_EQ(hi, (TGLArrayd3{0.5, 0.5, 0.5})) << "the base extent without a target";
    proxy->SetProxy(target);
    proxy->GetSize(lo, hi);
    EXPECT_EQ(lo, (TGLArrayd3{-2, -2, 0}));
    EXPECT_EQ(hi, (TGLArrayd3{2, 2, 0}));
}

std::string Refusal(TNyxProxy* Proxy, TNyxObject* Target) {
    try {
        Proxy->SetProxy(Target);
    } catch (const Exception& e) {
        return e.what();
    }
    return "accepted";
}

TEST_F(ProxyTest, RefusesTargetsThatWouldContainOrLeadBackToIt) {
    auto* group = Add<TNyxObject>(scene, "G");
    auto* holder = Add<TNyxObject>(group, "H");
    auto* proxy = Add<TNyxProxy>(holder, "P");
    auto* own = Add<TNyxObject>(proxy, "Own");
    auto* sibling = Add<TNyxObject>(scene, "S");
    auto* other = Add<TNyxProxy>(scene, "Q");
    auto* third = Add<TNyxProxy>(scene, "R");
    TNyxObject loose(nullptr);

    const std::string refused = "Recursive proxy assigment";
    proxy->SetProxy(sibling);
    for (TNyxObject* bad :
         {static_cast<TNyxObject*>(proxy), holder, group, static_cast<TNyxObject*>(scene)}) {
        EXPECT_EQ(Refusal(proxy, bad), refused) << bad->Ident();
        EXPECT_EQ(proxy->Proxy(), sibling) << "the previous target stays";
    }
    for (TNyxObject* good : {static_cast<TNyxObject*>(&loose), own, sibling})
        EXPECT_EQ(Refusal(proxy, good), "accepted") << good->Ident();

    // Extents follow chains of proxies: none may close into a loop.
    other->SetProxy(proxy);
    EXPECT_EQ(Refusal(proxy, other), refused) << "two proxies of each other";
    third->SetProxy(other);
    EXPECT_EQ(Refusal(proxy, third), refused) << "a loop of three";
    EXPECT_EQ(proxy->Proxy(), sibling);
    TGLArrayd3 lo{}, hi{};
    third->GetSize(lo, hi);
    EXPECT_EQ(hi, (TGLArrayd3{0.5, 0.5, 0.5})) << "the sibling's extent at the chain's end";
    proxy->SetProxy(nullptr);
}

// Two groups that proxy each other: G1 {Q1, P1 -> G2}, G2 {Q2, P2 -> G1 [, P3 -> G1]}.
TEST_F(ProxyTest, ChainsBackThroughOtherObjectsAreBoundedByRecurse) {
    struct TCase {
        bool TwoWaysBack;
        int Recurse;
        int Q1, Q2;  // times each is drawn in one pass
    };
    const TCase cases[] = {
        {false, -1, 1, 1},
        {false, 0, 3, 3},
        {false, 1, 5, 5},
        {false, 2, 7, 7},
        // Each proxy's count goes back to what it was when its call ends: clearing it
        // to 0 instead would let the second way back start over without end.
        {true, 0, 7, 4},
        {true, 1, 19, 10},
        {true, 2, 43, 22},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("recurse " + std::to_string(c.Recurse) + (c.TwoWaysBack ? ", two ways" : ""));
        auto* g1 = Add<TPlaced>(scene, "G1");
        auto* g2 = Add<TPlaced>(scene, "G2");
        Add<TPlaced>(g1, "Q1");
        Add<TPlaced>(g2, "Q2");
        std::vector<TNyxProxy*> proxies{Add<TNyxProxy>(g1)};
        proxies[0]->SetProxy(g2);
        for (int i = 0; i < (c.TwoWaysBack ? 2 : 1); ++i) {
            proxies.push_back(Add<TNyxProxy>(g2));
            proxies.back()->SetProxy(g1);
        }
        for (TNyxProxy* p : proxies) {
            p->SetRecurse(c.Recurse);
            Place(p, 0, 0, 0.5);  // so that every level pushes a matrix
        }
        std::map<std::string, int> counts;
        for (const std::string& s : MainPass())
            ++counts[s.substr(0, s.find('@'))];
        EXPECT_EQ(counts["Q1"], c.Q1);
        EXPECT_EQ(counts["Q2"], c.Q2);
        for (TNyxProxy* p : proxies)
            EXPECT_EQ(p->DrawDepth(), 0);
        scene->Clear();
    }
}

class TThrowing : public TNyxObject {
public:
    using TNyxObject::TNyxObject;
    void DrawMain(bool) override { throw EInvalidOperation("hook failed"); }
};

TEST_F(ProxyTest, AFailingHookLeavesCounterAndMatrixAsTheyWere) {
    auto* target = Add<TThrowing>(scene);
    Place(target, 1, 0, 0);
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    EXPECT_THROW(proxy->Draw(scene, dsAllObjects, dkFull), EInvalidOperation);
    EXPECT_EQ(proxy->DrawDepth(), 0);
    EXPECT_EQ(StackDepth(), 1);
}

TEST_F(ProxyTest, TheLinkEndsWithTheTargetAndSurvivesStreams) {
    auto* target = Add<TPlaced>(scene, "T");
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    delete target;
    EXPECT_EQ(proxy->Proxy(), nullptr);
    EXPECT_EQ(MainPass(), Strings{});

    // A former target going later tells the proxy nothing.
    auto* first = Add<TPlaced>(scene, "First");
    auto* second = Add<TPlaced>(scene, "Second");
    proxy->SetProxy(first);
    proxy->SetProxy(second);
    delete first;
    EXPECT_EQ(proxy->Proxy(), second);
    delete proxy;
    delete second;  // no proxy left to tell

    // By name in a stream, resolved after the read: here the proxy comes first.
    RegisterClasses({&TNyxObject::StaticClass(), &TNyxProxy::StaticClass()});
    TNyxObject stage(nullptr);
    stage.SetName("Stage");
    auto* copy = new TNyxProxy(&stage);
    copy->SetName("Copy");
    copy->SetParentComponent(&stage);
    auto* ball = new TNyxObject(&stage);
    ball->SetName("Ball");
    ball->SetParentComponent(&stage);
    copy->SetProxy(ball);
    copy->SetRecurse(3);
    namespace io = nyx::testing;
    const std::string text = io::SaveText(&stage);
    EXPECT_NE(text.find("Proxy = Ball"), std::string::npos) << text;
    for (const std::string& bytes : {io::SaveBinary(&stage), io::TextToBinary(text)}) {
        TNyxObject read(nullptr);
        io::LoadBinary(&read, bytes);
        ASSERT_EQ(read.GetItemsCount(), 2);
        auto* readCopy = dynamic_cast<TNyxProxy*>(read.GetItem(0));
        ASSERT_NE(readCopy, nullptr);
        EXPECT_EQ(readCopy->Proxy(), read.GetItem(1));
        EXPECT_EQ(readCopy->Recurse(), 3);
    }
}

TEST_F(ProxyTest, AttachedUnderItsTargetItLetsGoOfIt) {
    auto* target = Add<TNyxObject>(scene, "T");
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    proxy->SetParentComponent(target);
    EXPECT_EQ(proxy->Parent(), target);
    EXPECT_EQ(proxy->Proxy(), nullptr);

    // Its own child as target: the attach is refused and the target stays.
    auto* own = Add<TNyxObject>(proxy, "Own");
    proxy->SetProxy(own);
    EXPECT_THROW(proxy->SetParentComponent(own), EInvalidOperation);
    EXPECT_EQ(proxy->Proxy(), own);
    EXPECT_EQ(proxy->Parent(), target);
}

// The target's hooks run in the passes decided by the proxy's own DrawType and
// ReceiveShadows.
TEST_F(ProxyTest, PassesFollowTheProxysOwnDrawTypeAndShadowReception) {
    scene->SetFShadows(true);
    auto* target = Add<TProbe>(scene, "T");
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    proxy->SetShadows(1, true);
    proxy->SetDrawType(dtLine);
    TGLRecorder rec;
    TProbe::Log = &rec;
    for (TNyxDrawState state : {dsNonShadowObjects, dsShadowObjects, dsTransparent, dsPost}) {
        rec.Add("#pass " + TNyxDrawStateInfo().NameOf(state));
        scene->Draw(scene, state, dkFull);
    }
    TProbe::Log = nullptr;
    EXPECT_EQ(Filtered(rec, {}),
              (Strings{"#pass dsNonShadowObjects", "#Main T", "#pass dsShadowObjects",
                       "#Main T draft", "#pass dsTransparent", "#Transparent T",
                       "#Transparent T draft", "#pass dsPost", "#Post T", "#Post T"}));
}

// The camera shows six pixels a unit at z = 0, the origin at pixel (32, 24).
TEST(ProxyPick, PickingTheImageSelectsTheTarget) {
    TOffscreenGL gl(64, 48);
    TComponent owner(nullptr);
    auto* scene = new TNyxScene(&owner);
    TNyxCamera* camera = MakeCamera(scene);
    auto* target = Add<TQuad>(scene, "T");
    Place(target, -3, 0, 0);
    auto* proxy = Add<TNyxProxy>(scene);
    proxy->SetProxy(target);
    Place(proxy, 6, 0, 0);  // the image at x = 3, pixel column 50

    EXPECT_EQ(scene->Select(camera, 64, 48, 50, 24, 4, 4, true, false, false), 1);
    EXPECT_TRUE(target->Selected());
    EXPECT_FALSE(proxy->Selected());
    EXPECT_EQ(scene->Select(camera, 64, 48, 32, 24, 4, 4, true, false, true), 0);
    EXPECT_FALSE(target->Selected());
}

// --- Actors ---------------------------------------------------------------------------

class TClockHost : public THost {
public:
    std::uint32_t Now = 5000;
    void Advance(std::uint32_t ms) {
        Now += ms;
        ProcessTimers(Now);
    }

protected:
    std::uint32_t DoGetTickCount() const override { return Now; }
};

struct TActionLog {
    std::vector<std::pair<TNyxObject*, double>> Calls;
    void OnAction(TNyxObject* Sender, double Time) { Calls.emplace_back(Sender, Time); }
};

TEST(Actor, CalledOncePerTickWhileTheSceneAnimates) {
    TClockHost host;
    THost* previous = SetHost(&host);
    {
        TComponent owner(nullptr);
        auto* scene = new TNyxScene(&owner);
        auto* actor = Add<TNyxActor>(scene, "A");
        auto* child = Add<TProbe>(actor, "C");
        TActionLog log;
        actor->SetOnAction(TNyxActorEvent::Bind<&TActionLog::OnAction>(&log));

        host.Advance(80);
        EXPECT_TRUE(log.Calls.empty()) << "no animation, no ticks";
        scene->SetAnimation(true);
        host.Advance(39);
        EXPECT_TRUE(log.Calls.empty());
        host.Advance(1);
        host.Advance(40);
        ASSERT_EQ(log.Calls.size(), 2u);
        EXPECT_EQ(log.Calls[0], std::make_pair(static_cast<TNyxObject*>(actor), 5.12));
        EXPECT_EQ(log.Calls[1].second, 5.16);
        EXPECT_EQ(child->Times, (std::vector<double>{5.12, 5.16})) << "the same time below";

        scene->SetAnimation(false);
        host.Advance(400);
        EXPECT_EQ(log.Calls.size(), 2u);

        actor->SetOnAction({});
        scene->Action(1.5);  // without a callback the children still hear of it
        EXPECT_EQ(child->Times.back(), 1.5);
    }
    SetHost(previous);
}

}  // namespace
