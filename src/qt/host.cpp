#include "qt/host.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <string_view>

#include "cursors/orbit.xpm"
#include "cursors/persp.xpm"
#include "cursors/roll.xpm"

namespace nyx {

namespace {

// The numbers the mouse navigation shows during roll, orbit and perspective drags.
constexpr TCursor RollCursor = 100;
constexpr TCursor OrbitCursor = 101;
constexpr TCursor PerspectiveCursor = 103;

TColor FromQColor(const QColor& c) {
    return RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

std::unique_ptr<QCursor> ImageCursor(const char* const* Xpm) {
    return std::make_unique<QCursor>(QPixmap(Xpm), 16, 16);
}

Qt::CursorShape ShapeOf(TCursor Index) {
    switch (Index) {
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
    case crSQLWait:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crNone:
        return Qt::BlankCursor;
    default:
        return Qt::ArrowCursor;
    }
}

}  // namespace

TQtHost::TQtHost() {
    Screen().SetCursors(RollCursor, AddCursor(ImageCursor(roll_xpm)));
    Screen().SetCursors(OrbitCursor, AddCursor(ImageCursor(orbit_xpm)));
    Screen().SetCursors(PerspectiveCursor, AddCursor(ImageCursor(perspective_xpm)));
}

TQtHost::~TQtHost() {
    if (FOverriding)
        QGuiApplication::restoreOverrideCursor();
    FTimers.clear();
    FRetired.clear();
}

HCURSOR TQtHost::AddCursor(std::unique_ptr<QCursor> Cursor) {
    FCursors.push_back(std::move(Cursor));
    return reinterpret_cast<HCURSOR>(FCursors.back().get());
}

const QCursor* TQtHost::CursorOf(HCURSOR Handle) const {
    for (const auto& c : FCursors)
        if (reinterpret_cast<HCURSOR>(c.get()) == Handle)
            return c.get();
    return nullptr;
}

int TQtHost::DoMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return THost::DoMessageBox(Text, Caption, Flags);
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(Caption));
    box.setText(QString::fromStdString(Text));
    switch (Flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct TChoice {
        QMessageBox::StandardButton Button;
        int Answer;
    };
    std::vector<TChoice> choices;
    switch (Flags & 0x0F) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_ABORTRETRYIGNORE:
        choices = {{QMessageBox::Abort, IDABORT},
                   {QMessageBox::Retry, IDRETRY},
                   {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        choices = {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_RETRYCANCEL:
        choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        choices = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const TChoice& c : choices)
        buttons |= c.Button;
    box.setStandardButtons(buttons);
    const int pressed = box.exec();
    for (const TChoice& c : choices)
        if (pressed == c.Button)
            return c.Answer;
    // Closed without a button: the choice that changes nothing.
    return SafeMessageBoxAnswer(Flags);
}

void TQtHost::DoSetCursor(HCURSOR Cursor) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QCursor shown;
    if (const QCursor* own = CursorOf(Cursor)) {
        shown = *own;
    } else {
        bool standard = false;
        for (TCursor i = crDefault; i >= crSizeAll; --i) {
            if (TScreen::StandardCursorHandle(i) != Cursor)
                continue;
            standard = true;
            if (i == crDefault) {
                // The default cursor: whatever the widget under the pointer shows.
                if (FOverriding)
                    QGuiApplication::restoreOverrideCursor();
                FOverriding = false;
                return;
            }
            shown = QCursor(ShapeOf(i));
            break;
        }
        if (!standard)
            shown = QCursor(Qt::ArrowCursor);
    }
    if (FOverriding) {
        QGuiApplication::changeOverrideCursor(shown);
    } else {
        QGuiApplication::setOverrideCursor(shown);
        FOverriding = true;
    }
}

std::vector<QWidget*> TQtHost::Forms() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return {};
    // Qt keeps its top-level widgets unordered, but their windows in creation order.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    const auto rank = [&](const QWidget* w) {
        const qsizetype at = w->windowHandle() ? windows.indexOf(w->windowHandle()) : -1;
        return at < 0 ? windows.size() : at;
    };
    std::vector<QWidget*> forms;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)
            forms.push_back(w);
    std::stable_sort(forms.begin(), forms.end(),
                     [&](const QWidget* a, const QWidget* b) { return rank(a) < rank(b); });
    return forms;
}

bool TQtHost::DoFreeFirstForm(const std::string& ClassName) {
    for (QWidget* w : Forms()) {
        for (const QMetaObject* m = w->metaObject(); m; m = m->superClass()) {
            const std::string_view name = m->className();
            const auto scope = name.rfind("::");
            if (name.substr(scope == name.npos ? 0 : scope + 2) == ClassName) {
                delete w;
                return true;
            }
        }
    }
    return false;
}

TColor TQtHost::DoGetSysColor(int Index) const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return THost::DoGetSysColor(Index);
    const QPalette p = QGuiApplication::palette();
    switch (Index) {
    case COLOR_WINDOW:
        return FromQColor(p.color(QPalette::Base));
    case COLOR_WINDOWTEXT:
        return FromQColor(p.color(QPalette::Text));
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_MENUBAR:
    case COLOR_SCROLLBAR:
        return FromQColor(p.color(QPalette::Button));
    case COLOR_BTNTEXT:
    case COLOR_MENUTEXT:
        return FromQColor(p.color(QPalette::ButtonText));
    case COLOR_BTNSHADOW:
        return FromQColor(p.color(QPalette::Mid));
    case COLOR_BTNHIGHLIGHT:
        return FromQColor(p.color(QPalette::Light));
    case COLOR_3DDKSHADOW:
        return FromQColor(p.color(QPalette::Shadow));
    case COLOR_3DLIGHT:
        return FromQColor(p.color(QPalette::Midlight));
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
    case COLOR_HOTLIGHT:
        return FromQColor(p.color(QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT:
        return FromQColor(p.color(QPalette::HighlightedText));
    case COLOR_GRAYTEXT:
        return FromQColor(p.color(QPalette::Disabled, QPalette::Text));
    case COLOR_INFOBK:
        return FromQColor(p.color(QPalette::ToolTipBase));
    case COLOR_INFOTEXT:
        return FromQColor(p.color(QPalette::ToolTipText));
    case COLOR_APPWORKSPACE:
        return FromQColor(p.color(QPalette::Dark));
    case COLOR_BACKGROUND:
        return FromQColor(p.color(QPalette::Window));
    default:
        return THost::DoGetSysColor(Index);
    }
}

bool TQtHost::ArmTimer(HWND Wnd, std::uintptr_t IDEvent, std::uint32_t Elapse) {
    if (!QCoreApplication::instance())
        return false;
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    if (FDelivering == 0)
        FRetired.clear();
    QObject::connect(timer.get(), &QTimer::timeout, [this, Wnd, IDEvent] {
        ++FDelivering;
        DeliverTimer(Wnd, IDEvent);
        --FDelivering;
    });
    timer->start(int(std::min<std::uint32_t>(std::max<std::uint32_t>(Elapse, 1), 0x7FFFFFFF)));
    FTimers[{Wnd, IDEvent}] = std::move(timer);
    return true;
}

void TQtHost::DisarmTimer(HWND Wnd, std::uintptr_t IDEvent) {
    auto it = FTimers.find({Wnd, IDEvent});
    if (it == FTimers.end())
        return;
    // A receiver may kill its own timer from inside its tick: the timer is freed later,
    // never inside its own signal.
    it->second->stop();
    FRetired.push_back(std::move(it->second));
    FTimers.erase(it);
}

}  // namespace nyx
