#pragma once
// A TPrinter on a QPrinter: a real printer, or a PDF file when the QPrinter has an output
// file name. Pages are drawn into a bitmap at the printer's resolution (OpenGL can render
// into it) and handed to the QPrinter page by page.

#include "rtl/printers.h"

#include <QPainter>
#include <QPrinter>

namespace nyx {

class TQtPrinter : public TPrinter {
public:
    // Resolution in dots per inch of the page bitmaps.
    explicit TQtPrinter(int Resolution = 150);
    ~TQtPrinter() override;

    // The Qt printer, for choosing the device, the output file and the page layout
    // before BeginDoc.
    QPrinter& Printer() { return FPrinter; }

    TCanvas& Canvas() override { return FCanvas; }
    int PageWidth() const override;
    int PageHeight() const override;

protected:
    void DoBeginDoc() override;
    void DoNewPage() override;
    void DoEndDoc() override;
    void DoAbort() override;

private:
    void ClearPage();
    void EmitPage();

    QPrinter FPrinter;
    QPainter FPainter;
    TBitmap FPage;
    TBitmapCanvas FCanvas;
};

}  // namespace nyx
