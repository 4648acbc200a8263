// Host services: hidden receivers and their timers driven headless, message boxes and
// unhandled exceptions (shown and captured), the cursor table.
#include "rtl/host.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace nyx;

namespace {

// A host whose clock the test moves, so that timer ticks are exact.
class TClockHost : public THost {
public:
    std::uint32_t Now = 1000;
    bool RefuseTimers = false;
    std::vector<HCURSOR> CursorsSet;

protected:
    std::uint32_t DoGetTickCount() const override { return Now; }
    bool ArmTimer(HWND, std::uintptr_t, std::uint32_t) override { return !RefuseTimers; }
    void DoSetCursor(HCURSOR Cursor) override { CursorsSet.push_back(Cursor); }
};

// Receives messages and logs (timer id, tick count) pairs; may act on the host while
// handling one.
struct TReceiver {
    THost* Host = nullptr;
    HWND Wnd = 0;
    std::vector<std::pair<std::uintptr_t, std::uint32_t>> Ticks;
    std::function<void(TMessage&)> OnMessage;

    void WndProc(TMessage& Message) {
        if (Message.Msg == WM_TIMER)
            Ticks.emplace_back(Message.WParam, Host->GetTickCount());
        if (OnMessage)
            OnMessage(Message);
        else if (Message.Msg != WM_TIMER)
            Message.Result = DefWindowProc(Wnd, Message.Msg, Message.WParam, Message.LParam);
    }
    void Allocate(THost& AHost) {
        Host = &AHost;
        Wnd = AHost.AllocateHWnd(TWndMethod::Bind<&TReceiver::WndProc>(this));
    }
};

class HostTimers : public ::testing::Test {
protected:
    TClockHost host;
    TReceiver a, b;
    void SetUp() override {
        a.Allocate(host);
        b.Allocate(host);
    }
    void Advance(std::uint32_t ms) {
        host.Now += ms;
        host.ProcessTimers(host.Now);
    }
};

TEST_F(HostTimers, TicksArriveOncePerPeriodPerTimer) {
    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40));
    ASSERT_TRUE(host.SetTimer(b.Wnd, 7, 100));
    Advance(39);
    EXPECT_TRUE(a.Ticks.empty());
    Advance(1);
    Advance(40);
    // A late call still delivers one tick, then the period starts again from there.
    Advance(95);
    using Ticks = std::vector<std::pair<std::uintptr_t, std::uint32_t>>;
    EXPECT_EQ(a.Ticks, (Ticks{{1, 1040}, {1, 1080}, {1, 1175}}));
    EXPECT_EQ(b.Ticks, (Ticks{{7, 1175}}));
}

TEST_F(HostTimers, SetKillAndDeallocate) {
    EXPECT_FALSE(host.SetTimer(0, 1, 40)) << "no receiver";
    EXPECT_FALSE(host.SetTimer(12345, 1, 40)) << "unknown receiver";
    EXPECT_FALSE(host.KillTimer(a.Wnd, 1)) << "never set";

    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40));
    Advance(20);
    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40)) << "setting again restarts the period";
    Advance(20);
    EXPECT_TRUE(a.Ticks.empty());
    Advance(20);
    EXPECT_EQ(a.Ticks.size(), 1u);

    EXPECT_TRUE(host.KillTimer(a.Wnd, 1));
    EXPECT_FALSE(host.KillTimer(a.Wnd, 1));
    Advance(200);
    EXPECT_EQ(a.Ticks.size(), 1u);

    ASSERT_TRUE(host.SetTimer(a.Wnd, 2, 10));
    host.DeallocateHWnd(a.Wnd);
    EXPECT_FALSE(host.IsWindow(a.Wnd));
    EXPECT_EQ(host.TimerCount(), 0u);
    Advance(100);
    EXPECT_EQ(a.Ticks.size(), 1u);
    EXPECT_FALSE(host.SetTimer(a.Wnd, 2, 10));

    host.RefuseTimers = true;
    EXPECT_FALSE(host.SetTimer(b.Wnd, 1, 40)) << "the host could not arm it";
    EXPECT_EQ(host.TimerCount(), 0u);
}

TEST_F(HostTimers, ReceiversMayChangeTimersWhileTicking) {
    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40));
    ASSERT_TRUE(host.SetTimer(b.Wnd, 1, 40));
    // a's tick frees b's receiver and starts a timer of its own; b must not tick after.
    a.OnMessage = [&](TMessage&) {
        host.DeallocateHWnd(b.Wnd);
        host.SetTimer(a.Wnd, 9, 5);
    };
    Advance(40);
    EXPECT_EQ(a.Ticks.size(), 1u);
    EXPECT_TRUE(b.Ticks.empty());
    // A receiver that frees itself in its own tick.
    a.OnMessage = [&](TMessage&) { host.DeallocateHWnd(a.Wnd); };
    Advance(5);
    EXPECT_EQ(a.Ticks.size(), 2u);
    Advance(100);
    EXPECT_EQ(a.Ticks.size(), 2u);
}

TEST_F(HostTimers, AnExceptionInATickGoesToTheHandlerAndTheTimerRuns) {
    TMessageCapture capture(host);
    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40));
    ASSERT_TRUE(host.SetTimer(b.Wnd, 1, 40));
    a.OnMessage = [](TMessage&) { throw std::runtime_error("tick failed"); };
    Advance(40);
    Advance(40);
    EXPECT_EQ(capture.Exceptions, (std::vector<std::string>{"tick failed", "tick failed"}));
    a.OnMessage = [](TMessage&) { throw 42; };
    Advance(40);
    ASSERT_EQ(capture.Exceptions.size(), 3u);
    EXPECT_EQ(capture.Exceptions[2].rfind("THost.DeliverTimer:", 0), 0u);
    EXPECT_EQ(a.Ticks.size(), 3u);
    EXPECT_EQ(b.Ticks.size(), 3u);
}

TEST_F(HostTimers, TicksSurviveTheClockWrapping) {
    host.Now = 0xFFFFFFF0u;
    ASSERT_TRUE(host.SetTimer(a.Wnd, 1, 40));
    Advance(39);
    EXPECT_TRUE(a.Ticks.empty());
    Advance(1);
    EXPECT_EQ(a.Ticks.size(), 1u);
}

TEST(Host, SendMessageAnswersTheReceiversResult) {
    THost host;
    TReceiver r;
    r.Allocate(host);
    r.OnMessage = [](TMessage& m) { m.Result = std::intptr_t(m.WParam) + m.LParam; };
    EXPECT_EQ(host.SendMessage(r.Wnd, WM_USER, 40, 2), 42);
    EXPECT_EQ(host.SendMessage(r.Wnd + 100, WM_USER, 40, 2), 0);
    host.DeallocateHWnd(r.Wnd);
    host.DeallocateHWnd(r.Wnd);  // twice: harmless
    EXPECT_EQ(host.SendMessage(r.Wnd, WM_USER, 40, 2), 0);
}

TEST(Host, RunForDeliversTicksInRealTime) {
    THost host;
    TReceiver r;
    r.Allocate(host);
    ASSERT_TRUE(host.SetTimer(r.Wnd, 3, 5));
    host.RunFor(60);
    // No bound on the count (the machine may be slow), only that ticks came.
    EXPECT_FALSE(r.Ticks.empty());
    host.DeallocateHWnd(r.Wnd);
}

TEST(Host, TheCurrentHostServesTheFreeFunctions) {
    TClockHost mine;
    THost* previous = SetHost(&mine);
    EXPECT_EQ(&Host(), &mine);
    EXPECT_EQ(GetTickCount(), 1000u);
    TReceiver r;
    r.Host = &mine;
    r.Wnd = AllocateHWnd(TWndMethod::Bind<&TReceiver::WndProc>(&r));
    EXPECT_TRUE(SetTimer(r.Wnd, 1, 40));
    EXPECT_TRUE(KillTimer(r.Wnd, 1));
    DeallocateHWnd(r.Wnd);
    EXPECT_EQ(SetHost(nullptr), &mine);
    EXPECT_NE(&Host(), &mine);
    SetHost(previous);
    {
        TClockHost shortLived;
        SetHost(&shortLived);
    }
    EXPECT_EQ(GetTickCount(), Host().GetTickCount()) << "no dangling current host";
    EXPECT_NE(Host().GetTickCount(), 1000u);
    SetHost(previous);
}

struct TAnswerCase {
    unsigned Flags;
    int Answer;
};

TEST(Host, MessageBoxesAreCapturedAndAnsweredSafely) {
    const TAnswerCase cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},       {MB_OKCANCEL, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDNO}, {MB_YESNOCANCEL, IDCANCEL},
        {MB_RETRYCANCEL, IDCANCEL},         {MB_ABORTRETRYIGNORE, IDABORT},
    };
    TMessageCapture capture;
    for (const TAnswerCase& c : cases)
        EXPECT_EQ(MessageBox("text", "Caption", c.Flags), c.Answer) << c.Flags;
    ASSERT_EQ(capture.Boxes.size(), std::size(cases));
    EXPECT_EQ(capture.Boxes[2].Text, "text");
    EXPECT_EQ(capture.Boxes[2].Caption, "Caption");
    EXPECT_EQ(capture.Boxes[2].Flags, MB_YESNO | MB_ICONQUESTION);

    capture.Answer = IDYES;
    EXPECT_EQ(MessageBox("Are you sure?", "Warning", MB_YESNO), IDYES);
    {
        TMessageCapture inner;
        MessageBox("inner", "Warning", MB_OK);
        EXPECT_EQ(inner.Boxes.size(), 1u);
    }
    MessageBox("outer again", "Warning", MB_OK);
    EXPECT_EQ(capture.Boxes.back().Text, "outer again");
}

TEST(Host, WithoutACaptureBoxesAndExceptionsGoToStandardError) {
    THost host;
    ::testing::internal::CaptureStderr();
    const int answer =
        host.MessageBox("There is Nyx-Objects leek (3)", "Warning", MB_OK | MB_ICONERROR);
    host.HandleException(std::runtime_error("Recursive proxy assigment"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(err, "Warning: There is Nyx-Objects leek (3)\nRecursive proxy assigment\n");
}

TEST(Host, CursorTableAndCurrentCursor) {
    TClockHost host;
    TScreen& screen = host.Screen();
    const HCURSOR def = screen.Cursors(crDefault);
    EXPECT_NE(def, 0u);
    EXPECT_NE(screen.Cursors(crHandPoint), def);
    EXPECT_NE(screen.Cursors(crCross), screen.Cursors(crArrow));
    EXPECT_EQ(screen.Cursors(101), def) << "a number nobody entered";

    screen.SetCursors(101, 5000);
    screen.SetCursors(100, 5001);
    EXPECT_EQ(screen.Cursors(101), 5000u);
    EXPECT_EQ(screen.Cursors(100), 5001u);
    screen.SetCursors(101, 0);
    EXPECT_EQ(screen.Cursors(101), def);
    screen.SetCursors(crCross, 0);
    EXPECT_EQ(screen.Cursors(crCross), TScreen::StandardCursorHandle(crCross));

    EXPECT_EQ(host.CurrentCursor(), def);
    EXPECT_EQ(host.SetCursor(screen.Cursors(100)), def);
    EXPECT_EQ(host.CurrentCursor(), 5001u);
    EXPECT_EQ(host.CursorsSet, std::vector<HCURSOR>{5001u});
}

}  // namespace
