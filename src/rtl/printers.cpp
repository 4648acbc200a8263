#include "rtl/printers.h"

namespace nyx {

// --- TPrinter ----------------------------------------------------------------------------

void TPrinter::BeginDoc() {
    if (FPrinting)
        throw EPrinter("TPrinter.BeginDoc: a print job is already running; call EndDoc or "
                       "Abort first");
    DoBeginDoc();
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
}

void TPrinter::EndDoc() {
    if (!FPrinting)
        throw EPrinter("TPrinter.EndDoc: no print job is running; call BeginDoc first");
    // The job is over even if the backend fails to finish it.
    FPrinting = false;
    DoEndDoc();
}

void TPrinter::NewPage() {
    if (!FPrinting)
        throw EPrinter("TPrinter.NewPage: no print job is running; call BeginDoc first");
    DoNewPage();
    ++FPageNumber;
}

void TPrinter::Abort() {
    if (!FPrinting)
        return;
    FPrinting = false;
    FAborted = true;
    DoAbort();
}

// --- TBitmapPrinter ----------------------------------------------------------------------

TBitmapPrinter::TBitmapPrinter(int PageWidth, int PageHeight, TDeviceKind PageKind)
    : FPage(PageWidth, PageHeight), FCanvas(FPage, PageKind) {}

TBitmapPrinter::~TBitmapPrinter() = default;

const TBitmap& TBitmapPrinter::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount())
        ListIndexError(Index);
    return *FPages[std::size_t(Index)];
}

void TBitmapPrinter::ClearPage() {
    FCanvas.FillRect(Rect(0, 0, FPage.Width(), FPage.Height()), clWhite);
}

void TBitmapPrinter::KeepPage() {
    auto page = std::make_unique<TBitmap>();
    page->Assign(&FPage);
    FJob.push_back(std::move(page));
}

void TBitmapPrinter::DoBeginDoc() {
    FJob.clear();
    FJobTitle = Title();
    ClearPage();
}

void TBitmapPrinter::DoNewPage() {
    KeepPage();
    ClearPage();
}

void TBitmapPrinter::DoEndDoc() {
    KeepPage();
    FPages = std::move(FJob);
    FJob.clear();
    FDocumentTitle = FJobTitle;
    ClearPage();
}

void TBitmapPrinter::DoAbort() {
    FJob.clear();
    ClearPage();
}

}  // namespace nyx
