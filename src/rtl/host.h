#pragma once
// Services of the host that runs the user-interface thread: hidden message receivers
// and their timers, the tick count, message boxes, the application's exception handler,
// the screen's cursor table and the system colours.
//
// One host is current per process, as the framework's Application and Screen objects
// are. The built-in host works headless: timers fire when the caller drives them
// (ProcessTimers, RunFor), message boxes and unhandled exceptions go to standard error.
// A windowing host derives from THost, overrides the Do* hooks and makes itself current
// with SetHost before any component is created.
//
// Sections: messages and constants - cursors (TScreen) - THost - capture for tests -
// free functions.

#include "rtl/event.h"
#include "rtl/graphics.h"

#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace nyx {

// --- Messages and constants ------------------------------------------------------------

using HWND = std::uintptr_t;     // a hidden message receiver; 0 = none
using HCURSOR = std::uintptr_t;  // a cursor of the host; 0 = none

struct TMessage {
    std::uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

// The receiver's window procedure: a bound method that handles one message.
using TWndMethod = TEvent<TMessage&>;

constexpr std::uint32_t WM_TIMER = 0x0113;  // WParam: the timer identifier
constexpr std::uint32_t WM_USER = 0x0400;

// MessageBox flags: buttons (low nibble) and icon.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x02;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_RETRYCANCEL = 0x05;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONHAND = MB_ICONERROR;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr unsigned MB_ICONASTERISK = MB_ICONINFORMATION;

// MessageBox answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The answer of a box nobody can click: OK for a plain box, otherwise the choice that
// changes nothing (Cancel, No, Abort).
int SafeMessageBoxAnswer(unsigned Flags);

// --- Cursors -----------------------------------------------------------------------------

using TCursor = int;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -22;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The screen's table of cursors by number. The standard numbers (crDefault down to
// crSizeAll) are there from the start; applications and hosts enter their own numbers
// (the navigation's 100, 101 and 103, say). A number nobody entered yields the
// crDefault cursor.
class TScreen {
public:
    TScreen();
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    HCURSOR Cursors(TCursor Index) const;
    // Enters or replaces a cursor; 0 removes a custom entry (a standard one stays).
    void SetCursors(TCursor Index, HCURSOR Cursor);

    // The handles the standard numbers start with: distinct, non-zero, host-neutral.
    static HCURSOR StandardCursorHandle(TCursor Index);

private:
    std::map<TCursor, HCURSOR> FCursors;
};

// --- THost -------------------------------------------------------------------------------

class TMessageCapture;

class THost {
public:
    THost();
    THost(const THost&) = delete;
    THost& operator=(const THost&) = delete;
    virtual ~THost();

    // Hidden message receivers. Handles are never reused within a host.
    HWND AllocateHWnd(TWndMethod Method);
    void DeallocateHWnd(HWND Wnd);  // also kills its timers; 0 or an unknown handle: nothing
    bool IsWindow(HWND Wnd) const;
    // Calls the receiver's method at once and answers its Result (0 for an unknown handle).
    // Exceptions reach the caller.
    std::intptr_t SendMessage(HWND Wnd, std::uint32_t Msg, std::uintptr_t WParam = 0,
                              std::intptr_t LParam = 0);

    // Timers: WM_TIMER every Elapse milliseconds (at least 1) to the receiver, with the
    // identifier in WParam. Setting an existing identifier again restarts it with the new
    // period. False when the receiver is unknown or the host cannot arm the timer.
    bool SetTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse);
    bool KillTimer(HWND Wnd, std::uintptr_t IDEvent);
    std::size_t TimerCount() const { return FTimers.size(); }

    // Headless driving: sends one WM_TIMER to each timer due at Now (tick count, wrapping)
    // and schedules its next tick a period after Now. Exceptions raised by a receiver go
    // to HandleException and the other timers still run.
    void ProcessTimers(std::uint32_t Now);
    // Drives the timers in real time for Milliseconds, sleeping in between.
    void RunFor(std::uint32_t Milliseconds);
    // Sends WM_TIMER for one timer now, as a host's own timer source does; exceptions go to
    // HandleException. Nothing when the timer does not exist.
    void DeliverTimer(HWND Wnd, std::uintptr_t IDEvent);

    // Milliseconds since an arbitrary start, wrapping at 2^32.
    std::uint32_t GetTickCount() const { return DoGetTickCount(); }

    // A modal message box; answers IDOK, IDYES, ... A capture, when present, takes it.
    int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags);
    // The application's handler for exceptions that nothing else caught.
    void HandleException(const std::exception& E);

    TScreen& Screen() { return FScreen; }
    const TScreen& Screen() const { return FScreen; }
    // Makes Cursor the current cursor; answers the previous one.
    HCURSOR SetCursor(HCURSOR Cursor);
    HCURSOR CurrentCursor() const { return FCursor; }

    // RGB value of a system colour (black for an index the host does not know).
    TColor GetSysColor(int Index) const { return DoGetSysColor(Index); }

    // Frees the first of the application's open forms, in the screen's order, whose class
    // is ClassName or derives from it; answers whether there was one. The headless host
    // has no forms.
    bool FreeFirstForm(const std::string& ClassName) { return DoFreeFirstForm(ClassName); }

protected:
    // The defaults are the headless behaviour.
    virtual std::uint32_t DoGetTickCount() const;
    virtual int DoMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags);
    virtual void DoHandleException(const std::exception& E);
    virtual void DoSetCursor(HCURSOR Cursor);
    virtual TColor DoGetSysColor(int Index) const;
    virtual bool DoFreeFirstForm(const std::string& ClassName);
    // A host with its own timer source starts and stops it here and calls DeliverTimer
    // on each tick; the headless host has nothing to arm.
    virtual bool ArmTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse);
    virtual void DisarmTimer(HWND Wnd, std::uintptr_t IDEvent);

private:
    friend class TMessageCapture;
    struct TTimer {
        std::uint32_t Elapse = 1;
        std::uint32_t Due = 0;
    };
    using TTimerKey = std::pair<HWND, std::uintptr_t>;

    std::map<HWND, TWndMethod> FWindows;
    std::map<TTimerKey, TTimer> FTimers;
    HWND FNextWindow = 1;
    TScreen FScreen;
    HCURSOR FCursor = 0;
    TMessageCapture* FCapture = nullptr;
};

// --- Capture for tests -------------------------------------------------------------------

// While alive, takes the message boxes and unhandled exceptions of a host (the current
// one by default) instead of showing them, records them, and answers boxes with Answer
// (by default the safe answer of the box's buttons). Captures nest; each ends before
// its host does.
class TMessageCapture {
public:
    struct TBox {
        std::string Text;
        std::string Caption;
        unsigned Flags = 0;
    };

    TMessageCapture();
    explicit TMessageCapture(THost& Host);
    TMessageCapture(const TMessageCapture&) = delete;
    TMessageCapture& operator=(const TMessageCapture&) = delete;
    ~TMessageCapture();

    std::vector<TBox> Boxes;
    std::vector<std::string> Exceptions;  // what() of each handled exception
    int Answer = 0;                       // 0: the safe answer

private:
    friend class THost;
    THost& FHost;
    TMessageCapture* FPrevious;
};

// --- The current host --------------------------------------------------------------------

// The current host; the built-in headless one until SetHost names another.
THost& Host();
// Makes Value current (none: the built-in host) and answers the previous one. The caller
// keeps ownership; a current host that is destroyed leaves the built-in one current.
THost* SetHost(THost* Value);

// The platform functions, on the current host.
inline HWND AllocateHWnd(TWndMethod Method) { return Host().AllocateHWnd(Method); }
inline void DeallocateHWnd(HWND Wnd) { Host().DeallocateHWnd(Wnd); }
inline bool SetTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse) {
    return Host().SetTimer(Wnd, IDEvent, Elapse);
}
inline bool KillTimer(HWND Wnd, std::uintptr_t IDEvent) { return Host().KillTimer(Wnd, IDEvent); }
inline std::uint32_t GetTickCount() { return Host().GetTickCount(); }
inline int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
    return Host().MessageBox(Text, Caption, Flags);
}
inline void HandleException(const std::exception& E) { Host().HandleException(E); }
inline HCURSOR SetCursor(HCURSOR Cursor) { return Host().SetCursor(Cursor); }
inline TScreen& Screen() { return Host().Screen(); }
inline TColor GetSysColor(int Index) { return Host().GetSysColor(Index); }
// What a window procedure does with a message it does not handle: nothing, result 0.
inline std::intptr_t DefWindowProc(HWND, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

}  // namespace nyx
