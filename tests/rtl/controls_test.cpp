// Windowed controls: the window follows the control, events reach the handlers and the
// application's events, and a host's factory replaces the off-screen window.

#include "rtl/controls.h"
#include "rtl/host.h"
#include "rtl/sysutils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nyx {
namespace {

// Records what reaches the application's events.
struct TEventLog {
    std::vector<std::string> Lines;
    bool HandleWheel = false;

    void Down(TObject*, TMouseButton b, TShiftState s, int x, int y) {
        Lines.push_back("down " + std::to_string(b) + " " + std::to_string(s.ToBits()) + " " +
                        std::to_string(x) + "," + std::to_string(y));
    }
    void Move(TObject*, TShiftState, int x, int y) {
        Lines.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void Up(TObject*, TMouseButton b, TShiftState, int x, int y) {
        Lines.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," +
                        std::to_string(y));
    }
    void Wheel(TObject*, TShiftState, int delta, TPoint pos, bool& handled) {
        Lines.push_back("wheel " + std::to_string(delta) + " " + std::to_string(pos.X) + "," +
                        std::to_string(pos.Y));
        handled = HandleWheel;
    }
    void Enter(TObject*) { Lines.push_back("enter"); }
};

void Connect(TCustomControl& c, TEventLog& log) {
    c.OnMouseDown = TMouseEvent::Bind<&TEventLog::Down>(&log);
    c.OnMouseMove = TMouseMoveEvent::Bind<&TEventLog::Move>(&log);
    c.OnMouseUp = TMouseEvent::Bind<&TEventLog::Up>(&log);
    c.OnMouseWheel = TMouseWheelEvent::Bind<&TEventLog::Wheel>(&log);
    c.OnEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&log);
}

TEST(CustomControl, OffscreenWindowFollowsTheBounds) {
    TCustomControl control(nullptr);
    control.SetBounds(3, 4, 20, 10);
    EXPECT_FALSE(control.HandleAllocated());
    EXPECT_THROW(control.Canvas(), EInvalidOperation);
    control.HandleNeeded();
    ASSERT_TRUE(control.HandleAllocated());
    auto* window = dynamic_cast<TOffscreenWindow*>(control.WindowHandle());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bitmap().Width(), 20);
    EXPECT_EQ(window->Bitmap().Height(), 10);
    HDC dc = window->DC();
    EXPECT_EQ(dc->Kind(), TDeviceKind::dkMemory);

    control.SetBounds(0, 0, 33, 7);
    EXPECT_EQ(dc->Width(), 33);
    EXPECT_EQ(dc->Height(), 7);
    control.SetWidth(-5);  // no negative sizes reach the bitmap
    EXPECT_EQ(control.Width(), 0);
    EXPECT_EQ(dc->Width(), 0);

    control.DestroyHandle();
    EXPECT_FALSE(control.HandleAllocated());
    control.DestroyHandle();  // twice is harmless
}

TEST(CustomControl, EventsReachTheApplication) {
    TCustomControl control(nullptr);
    TEventLog log;
    Connect(control, log);
    control.PerformMouseDown(mbRight, TShiftState{ssShift}, 5, 6);
    control.PerformMouseMove({}, 7, 8);
    control.PerformMouseUp(mbRight, {}, 9, 10);
    EXPECT_FALSE(control.PerformMouseWheel({}, 120, Point(1, 2)));
    log.HandleWheel = true;
    EXPECT_TRUE(control.PerformMouseWheel({}, -120, Point(3, 4)));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"down 1 1 5,6", "move 7,8", "up 1 9,10",
                                                   "wheel 120 1,2", "wheel -120 3,4"}));
}

TEST(CustomControl, FocusAndCursorNeedAWindow) {
    TCustomControl control(nullptr);
    TEventLog log;
    Connect(control, log);
    control.SetFocus();  // no window: nothing
    EXPECT_FALSE(control.Focused());
    control.SetCursor(crCross);
    EXPECT_EQ(control.Cursor(), crCross);

    control.HandleNeeded();
    control.SetFocus();
    control.SetFocus();  // already focused: no second entry
    EXPECT_TRUE(control.Focused());
    EXPECT_EQ(log.Lines, std::vector<std::string>{"enter"});

    Screen().SetCursors(101, 0x5151);
    control.SetCursor(101);
    EXPECT_EQ(Host().CurrentCursor(), HCURSOR(0x5151));
    control.SetCursor(crDefault);
    EXPECT_EQ(Host().CurrentCursor(), Screen().Cursors(crDefault));
    Screen().SetCursors(101, 0);
}

// A host's window, recording what the control asks of it.
class TFakeWindow : public TNativeWindow {
public:
    TFakeWindow(std::vector<std::string>& Log, int W, int H)
        : FLog(Log), FBitmap(W, H), FCanvas(FBitmap, TDeviceKind::dkOther) {
        FLog.push_back("create " + std::to_string(W) + "x" + std::to_string(H));
    }
    ~TFakeWindow() override { FLog.push_back("destroy"); }
    HDC DC() override { return FCanvas.Handle(); }
    void SetSize(int W, int H) override {
        FLog.push_back("size " + std::to_string(W) + "x" + std::to_string(H));
    }
    TCanvas& Canvas() override { return FCanvas; }
    void Invalidate() override { FLog.push_back("invalidate"); }

private:
    std::vector<std::string>& FLog;
    TBitmap FBitmap;
    TBitmapCanvas FCanvas;
};

class TPaintingControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Paints = 0;
    std::uint32_t Style = 0;

protected:
    void Paint() override { ++Paints; }
    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_CLIPCHILDREN;
        Style = Params.Style;
    }
};

TEST(CustomControl, HostFactoryMakesTheWindowAndPaintsReachPaint) {
    std::vector<std::string> log;
    TPaintingControl control(nullptr);
    control.SetBounds(0, 0, 16, 9);
    control.SetWindowFactory([&log](TCustomControl&, const TCreateParams& p) {
        return std::make_unique<TFakeWindow>(log, p.Width, p.Height);
    });
    control.Repaint();  // no window yet: no paint
    EXPECT_EQ(control.Paints, 0);
    control.HandleNeeded();
    control.HandleNeeded();  // once only
    EXPECT_NE(control.Style & WS_CLIPCHILDREN, 0u);
    control.Repaint();
    control.PerformPaint();
    EXPECT_EQ(control.Paints, 2);
    control.Invalidate();
    control.SetHeight(12);
    EXPECT_EQ(control.Canvas().Handle()->Kind(), TDeviceKind::dkOther);
    control.DestroyHandle();
    EXPECT_EQ(log,
              (std::vector<std::string>{"create 16x9", "invalidate", "size 16x12", "destroy"}));
}

// Owned controls and their windows go with the owner.
TEST(CustomControl, OwnerFreesControlAndWindow) {
    std::vector<std::string> log;
    {
        TComponent form(nullptr);
        auto* control = new TCustomControl(&form);
        control->SetWindowFactory([&log](TCustomControl&, const TCreateParams& p) {
            return std::make_unique<TFakeWindow>(log, p.Width, p.Height);
        });
        control->HandleNeeded();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"create 0x0", "destroy"}));
}

}  // namespace
}  // namespace nyx
