// The Qt host: timers on Qt's event loop, message boxes, palette colours, the cursor
// table with the navigation cursors, and printing to a PDF file.

#include "qtenv.h"

#include "qt/printer.h"
#include "rtl/host.h"

#include <QAbstractButton>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace nyx::test {
namespace {

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

struct TTicks {
    int Count = 0;
    HWND Wnd = 0;
    void Receive(TMessage& m) {
        if (m.Msg == WM_TIMER && ++Count == 3)
            KillTimer(Wnd, m.WParam);  // stops itself from inside its own tick
    }
};

TEST(QtHost, TimersTickOnTheEventLoopUntilKilled) {
    TTicks ticks;
    ticks.Wnd = AllocateHWnd(TWndMethod::Bind<&TTicks::Receive>(&ticks));
    ASSERT_TRUE(SetTimer(ticks.Wnd, 7, 5));
    SpinUntil([&] { return ticks.Count >= 3; }, 5000);
    EXPECT_EQ(ticks.Count, 3);
    SpinUntil([] { return false; }, 50);
    EXPECT_EQ(ticks.Count, 3) << "a killed timer stays quiet";
    EXPECT_EQ(Host().TimerCount(), 0u);
    ASSERT_TRUE(SetTimer(ticks.Wnd, 8, 5));
    DeallocateHWnd(ticks.Wnd);  // takes its timers with it
    EXPECT_EQ(Host().TimerCount(), 0u);
}

TEST(QtHost, MessageBoxIsAQMessageBoxAnsweredByItsButtons) {
    struct TCase {
        unsigned Flags;
        QMessageBox::StandardButton Press;
        int Answer;
    };
    for (const TCase& c : {TCase{MB_OK, QMessageBox::Ok, IDOK},
                           TCase{MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO},
                           TCase{MB_YESNOCANCEL, QMessageBox::Yes, IDYES},
                           TCase{MB_RETRYCANCEL, QMessageBox::Retry, IDRETRY}}) {
        SCOPED_TRACE(c.Flags);
        QString title;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    title = box->windowTitle();
                    box->button(c.Press)->click();
                }
        });
        EXPECT_EQ(MessageBox("There is Nyx-Objects leek (1)", "Warning", c.Flags), c.Answer);
        EXPECT_EQ(title, "Warning");
    }
}

TEST(QtHost, SystemColoursComeFromThePalette) {
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Base, QColor(10, 20, 30));
    palette.setColor(QPalette::Highlight, QColor(200, 100, 50));
    const QPalette saved = QGuiApplication::palette();
    QApplication::setPalette(palette);
    EXPECT_EQ(ColorToRGB(clWindow), RGB(10, 20, 30));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(200, 100, 50));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    QApplication::setPalette(saved);
}

TEST(QtHost, NavigationCursorsAreInTheScreenTable) {
    TQtHost& host = TQtEnvironment::QtHost();
    for (TCursor number : {100, 101, 103}) {
        SCOPED_TRACE(number);
        const HCURSOR handle = Screen().Cursors(number);
        EXPECT_NE(handle, Screen().Cursors(crDefault));
        const QCursor* cursor = host.CursorOf(handle);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->pixmap().size(), QSize(32, 32));
        SetCursor(handle);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().cacheKey(),
                  cursor->pixmap().cacheKey());
    }
    EXPECT_EQ(Screen().Cursors(102), Screen().Cursors(crDefault));
    SetCursor(Screen().Cursors(crCross));
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    SetCursor(Screen().Cursors(crDefault));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(QtPrinter, PrintsPagesIntoAPdfFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("page.pdf");
    TQtPrinter printer(72);
    printer.Printer().setOutputFileName(file);
    EXPECT_GT(printer.PageWidth(), 100);
    printer.SetTitle("Nyx rendered image");
    printer.BeginDoc();
    printer.Canvas().FillRect(Rect(0, 0, 50, 50), clBlue);
    EXPECT_EQ(printer.Canvas().Pixels(10, 10), clBlue);
    printer.NewPage();
    EXPECT_EQ(printer.Canvas().Pixels(10, 10), clWhite) << "a new page starts blank";
    printer.EndDoc();
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray data = pdf.readAll();
    EXPECT_TRUE(data.startsWith("%PDF"));
    EXPECT_EQ(data.count("/Type /Page") - data.count("/Type /Pages"), 2);
    EXPECT_EQ(printer.Printer().docName(), "Nyx rendered image");
}

TEST(QtPrinter, AbortLeavesNoJobRunning) {
    QTemporaryDir dir;
    TQtPrinter printer(72);
    printer.Printer().setOutputFileName(dir.filePath("aborted.pdf"));
    printer.BeginDoc();
    printer.Abort();
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(printer.Aborted());
    printer.BeginDoc();  // a new job can start
    printer.EndDoc();
}

}  // namespace
}  // namespace nyx::test
