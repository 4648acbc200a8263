#include "qt/printer.h"

#include <QImage>
#include <QPageLayout>

namespace nyx {

TQtPrinter::TQtPrinter(int Resolution) : FPrinter(QPrinter::ScreenResolution), FCanvas(FPage) {
    FPrinter.setResolution(Resolution);
}

TQtPrinter::~TQtPrinter() {
    if (FPainter.isActive())
        FPainter.end();
}

int TQtPrinter::PageWidth() const {
    return Printing() ? FPage.Width()
                      : FPrinter.pageLayout().paintRectPixels(FPrinter.resolution()).width();
}

int TQtPrinter::PageHeight() const {
    return Printing() ? FPage.Height()
                      : FPrinter.pageLayout().paintRectPixels(FPrinter.resolution()).height();
}

void TQtPrinter::ClearPage() {
    FPage.SetSize(0, 0);
    const QRect r = FPrinter.pageLayout().paintRectPixels(FPrinter.resolution());
    FPage.SetSize(r.width(), r.height());  // new pixels are white
}

void TQtPrinter::EmitPage() {
    if (FPage.Empty())
        return;
    // Rows are 0xAARRGGBB words, Qt's RGB32 layout.
    const QImage image(reinterpret_cast<const uchar*>(FPage.PixelData()), FPage.Width(),
                       FPage.Height(), FPage.Width() * 4, QImage::Format_RGB32);
    FPainter.drawImage(QPoint(0, 0), image);
}

void TQtPrinter::DoBeginDoc() {
    FPrinter.setDocName(QString::fromStdString(Title()));
    if (!FPainter.begin(&FPrinter))
        throw EPrinter("TQtPrinter.BeginDoc: the printer \"" +
                       FPrinter.printerName().toStdString() +
                       "\" cannot start a job; check the printer or the output file name");
    ClearPage();
}

void TQtPrinter::DoNewPage() {
    EmitPage();
    FPrinter.newPage();
    ClearPage();
}

void TQtPrinter::DoEndDoc() {
    EmitPage();
    FPainter.end();
    FPage.SetSize(0, 0);
}

void TQtPrinter::DoAbort() {
    if (FPainter.isActive()) {
        FPrinter.abort();
        FPainter.end();
    }
    FPage.SetSize(0, 0);
}

}  // namespace nyx
