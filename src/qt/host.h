#pragma once
// The Qt host: timers on QTimer, message boxes as QMessageBox, system colours from the
// application's palette, and a cursor table holding the navigation cursors.
//
// Create it after the QApplication and make it current with SetHost before creating
// any component; restore the previous host before destroying it.

#include "rtl/host.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

class QCursor;
class QTimer;
class QWidget;

namespace nyx {

class TQtHost : public THost {
public:
    TQtHost();
    ~TQtHost() override;

    // The Qt cursor behind a handle of the screen's table; none for a handle that is not
    // one of this host's own cursors.
    const QCursor* CursorOf(HCURSOR Handle) const;

    // The application's forms (top-level windows and dialogs, shown or not, without their
    // menus and tool tips) in the order their windows were created; those without a window
    // yet come last. Empty without a QApplication.
    static std::vector<QWidget*> Forms();

protected:
    int DoMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) override;
    void DoSetCursor(HCURSOR Cursor) override;
    TColor DoGetSysColor(int Index) const override;
    // The application's top-level widgets, by their Qt class names without namespace.
    bool DoFreeFirstForm(const std::string& ClassName) override;
    bool ArmTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse) override;
    void DisarmTimer(HWND Wnd, std::uintptr_t IDEvent) override;

private:
    HCURSOR AddCursor(std::unique_ptr<QCursor> Cursor);

    std::map<std::pair<HWND, std::uintptr_t>, std::unique_ptr<QTimer>> FTimers;
    std::vector<std::unique_ptr<QTimer>> FRetired;
    int FDelivering = 0;
    std::vector<std::unique_ptr<QCursor>> FCursors;
    bool FOverriding = false;
};

// A Qt host made current for the life of the scope, as a program's components need it;
// the previous host is current again afterwards.
class TQtHostScope {
public:
    TQtHostScope() : FPrevious(SetHost(&FHost)) {}
    ~TQtHostScope() { SetHost(FPrevious); }
    TQtHostScope(const TQtHostScope&) = delete;
    TQtHostScope& operator=(const TQtHostScope&) = delete;

private:
    TQtHost FHost;
    THost* FPrevious;
};

}  // namespace nyx
