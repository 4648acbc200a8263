#include "rtl/host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace nyx {

namespace {
THost* CurrentHost = nullptr;
}  // namespace

int SafeMessageBoxAnswer(unsigned Flags) {
    switch (Flags & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}

// --- TScreen ---------------------------------------------------------------------------

TScreen::TScreen() {
    for (TCursor c = crDefault; c >= crSizeAll; --c)
        FCursors[c] = StandardCursorHandle(c);
}

HCURSOR TScreen::StandardCursorHandle(TCursor Index) {
    // Standard numbers are 0 .. -22; their handles 1 .. 23.
    return HCURSOR(1 - Index);
}

HCURSOR TScreen::Cursors(TCursor Index) const {
    auto it = FCursors.find(Index);
    if (it == FCursors.end() || it->second == 0)
        it = FCursors.find(crDefault);
    return it == FCursors.end() ? 0 : it->second;
}

void TScreen::SetCursors(TCursor Index, HCURSOR Cursor) {
    const bool standard = Index <= crDefault && Index >= crSizeAll;
    if (Cursor != 0)
        FCursors[Index] = Cursor;
    else if (standard)
        FCursors[Index] = StandardCursorHandle(Index);
    else
        FCursors.erase(Index);
}

// --- THost -----------------------------------------------------------------------------

THost::THost() : FCursor(FScreen.Cursors(crDefault)) {}

THost::~THost() {
    // A host that goes away while current hands over to the built-in one.
    if (CurrentHost == this)
        CurrentHost = nullptr;
}

HWND THost::AllocateHWnd(TWndMethod Method) {
    const HWND wnd = FNextWindow++;
    FWindows[wnd] = Method;
    return wnd;
}

void THost::DeallocateHWnd(HWND Wnd) {
    for (auto it = FTimers.begin(); it != FTimers.end();) {
        if (it->first.first == Wnd) {
            DisarmTimer(Wnd, it->first.second);
            it = FTimers.erase(it);
        } else {
            ++it;
        }
    }
    FWindows.erase(Wnd);
}

bool THost::IsWindow(HWND Wnd) const { return FWindows.count(Wnd) != 0; }

std::intptr_t THost::SendMessage(HWND Wnd, std::uint32_t Msg, std::uintptr_t WParam,
                                 std::intptr_t LParam) {
    auto it = FWindows.find(Wnd);
    if (it == FWindows.end())
        return 0;
    // A copy: the method may deallocate its own receiver.
    const TWndMethod method = it->second;
    TMessage message{Msg, WParam, LParam, 0};
    method(message);
    return message.Result;
}

bool THost::SetTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse) {
    if (!IsWindow(Wnd))
        return false;
    Elapse = std::max<std::uint32_t>(Elapse, 1);
    const TTimerKey key{Wnd, IDEvent};
    const bool existed = FTimers.count(key) != 0;
    if (existed)
        DisarmTimer(Wnd, IDEvent);
    if (!ArmTimer(Wnd, IDEvent, Elapse)) {
        FTimers.erase(key);
        return false;
    }
    FTimers[key] = TTimer{Elapse, GetTickCount() + Elapse};
    return true;
}

bool THost::KillTimer(HWND Wnd, std::uintptr_t IDEvent) {
    auto it = FTimers.find(TTimerKey{Wnd, IDEvent});
    if (it == FTimers.end())
        return false;
    DisarmTimer(Wnd, IDEvent);
    FTimers.erase(it);
    return true;
}

static bool Reached(std::uint32_t now, std::uint32_t due) {
    return static_cast<std::int32_t>(now - due) >= 0;
}

void THost::ProcessTimers(std::uint32_t Now) {
    std::vector<TTimerKey> due;
    for (const auto& [key, timer] : FTimers)
        if (Reached(Now, timer.Due))
            due.push_back(key);
    for (const TTimerKey& key : due) {
        // An earlier receiver may have killed or restarted this timer.
        auto it = FTimers.find(key);
        if (it == FTimers.end() || !Reached(Now, it->second.Due))
            continue;
        it->second.Due = Now + it->second.Elapse;
        DeliverTimer(key.first, key.second);
    }
}

void THost::DeliverTimer(HWND Wnd, std::uintptr_t IDEvent) {
    if (FTimers.count(TTimerKey{Wnd, IDEvent}) == 0)
        return;
    try {
        SendMessage(Wnd, WM_TIMER, IDEvent, 0);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(Exception("THost.DeliverTimer: a timer receiver raised an exception "
                                  "that is not a std::exception; raise std::exception types"));
    }
}

void THost::RunFor(std::uint32_t Milliseconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        const std::uint32_t now = GetTickCount();
        ProcessTimers(now);
        const auto left = deadline - clock::now();
        if (left <= clock::duration::zero())
            return;
        std::chrono::milliseconds wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(left) +
            std::chrono::milliseconds(1);
        for (const auto& entry : FTimers) {
            const std::int32_t until = static_cast<std::int32_t>(entry.second.Due - now);
            wait = std::min(wait, std::chrono::milliseconds(std::max(until, 1)));
        }
        std::this_thread::sleep_for(std::min<clock::duration>(wait, left));
    }
}

int THost::MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
    if (FCapture) {
        FCapture->Boxes.push_back({Text, Caption, Flags});
        return FCapture->Answer != 0 ? FCapture->Answer : SafeMessageBoxAnswer(Flags);
    }
    return DoMessageBox(Text, Caption, Flags);
}

void THost::HandleException(const std::exception& E) {
    if (FCapture) {
        FCapture->Exceptions.emplace_back(E.what());
        return;
    }
    DoHandleException(E);
}

HCURSOR THost::SetCursor(HCURSOR Cursor) {
    const HCURSOR previous = FCursor;
    FCursor = Cursor;
    DoSetCursor(Cursor);
    return previous;
}

std::uint32_t THost::DoGetTickCount() const {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

int THost::DoMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    std::fflush(stderr);
    return SafeMessageBoxAnswer(Flags);
}

void THost::DoHandleException(const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    std::fflush(stderr);
}

void THost::DoSetCursor(HCURSOR) {}

bool THost::DoFreeFirstForm(const std::string&) { return false; }

TColor THost::DoGetSysColor(int Index) const {
    // The classic desktop scheme.
    static const TColor table[SYS_COLOR_COUNT] = {
        RGB(192, 192, 192),  // scroll bar
        RGB(0, 128, 128),    // desktop
        RGB(0, 0, 128),      // active caption
        RGB(128, 128, 128),  // inactive caption
        RGB(192, 192, 192),  // menu
        RGB(255, 255, 255),  // window
        RGB(0, 0, 0),        // window frame
        RGB(0, 0, 0),        // menu text
        RGB(0, 0, 0),        // window text
        RGB(255, 255, 255),  // caption text
        RGB(192, 192, 192),  // active border
        RGB(192, 192, 192),  // inactive border
        RGB(128, 128, 128),  // application workspace
        RGB(0, 0, 128),      // highlight
        RGB(255, 255, 255),  // highlight text
        RGB(192, 192, 192),  // button face
        RGB(128, 128, 128),  // button shadow
        RGB(128, 128, 128),  // grey text
        RGB(0, 0, 0),        // button text
        RGB(192, 192, 192),  // inactive caption text
        RGB(255, 255, 255),  // button highlight
        RGB(0, 0, 0),        // 3D dark shadow
        RGB(223, 223, 223),  // 3D light
        RGB(0, 0, 0),        // tooltip text
        RGB(255, 255, 225),  // tooltip background
        RGB(0, 0, 0),        // (unused index 25)
        RGB(0, 0, 255),      // hot light
        RGB(16, 132, 208),   // active caption gradient
        RGB(181, 181, 181),  // inactive caption gradient
        RGB(0, 0, 128),      // menu highlight
        RGB(192, 192, 192),  // menu bar
    };
    if (Index < 0 || Index >= SYS_COLOR_COUNT)
        return clBlack;
    return table[Index];
}

bool THost::ArmTimer(HWND, std::uintptr_t, std::uint32_t) { return true; }
void THost::DisarmTimer(HWND, std::uintptr_t) {}

// --- TMessageCapture -------------------------------------------------------------------

TMessageCapture::TMessageCapture() : TMessageCapture(Host()) {}

TMessageCapture::TMessageCapture(THost& AHost) : FHost(AHost), FPrevious(AHost.FCapture) {
    FHost.FCapture = this;
}

TMessageCapture::~TMessageCapture() {
    // Unlink wherever this capture sits in the chain, in case captures end out of order.
    for (TMessageCapture** p = &FHost.FCapture; *p; p = &(*p)->FPrevious) {
        if (*p == this) {
            *p = FPrevious;
            break;
        }
    }
}

// --- The current host ------------------------------------------------------------------

namespace {
// Never destroyed: unload-time warnings still reach a host after static destructors ran.
THost& BuiltinHost() {
    static THost* host = new THost;
    return *host;
}
}  // namespace

THost& Host() { return CurrentHost ? *CurrentHost : BuiltinHost(); }

THost* SetHost(THost* Value) {
    THost* previous = &Host();
    CurrentHost = Value;
    return previous;
}

}  // namespace nyx
