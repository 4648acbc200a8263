#pragma once
// Printing: a print job of pages drawn on the printer's canvas.
//
// TPrinter keeps the job state and its rules; a printer backend supplies the canvas, the
// page size and the Do* steps. TBitmapPrinter is the headless backend: its pages are
// bitmaps, kept after EndDoc for the caller to save or inspect.

#include "rtl/graphics.h"

#include <memory>
#include <string>
#include <vector>

namespace nyx {

class EPrinter : public Exception {
public:
    using Exception::Exception;
};

class TPrinter {
public:
    TPrinter() = default;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;
    virtual ~TPrinter() = default;

    // The job's title, as a print queue shows it; taken at BeginDoc.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    // Starts a job on page 1. EPrinter while a job is running.
    void BeginDoc();
    // Finishes the job. EPrinter when no job is running.
    void EndDoc();
    // Ends the current page and starts the next. EPrinter when no job is running.
    void NewPage();
    // Throws the job away. Harmless when no job is running, so that error paths can
    // always call it.
    void Abort();

    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }

    // The page being printed (pixels).
    virtual TCanvas& Canvas() = 0;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;

protected:
    virtual void DoBeginDoc() = 0;
    virtual void DoNewPage() = 0;
    virtual void DoEndDoc() = 0;
    virtual void DoAbort() = 0;

private:
    std::string FTitle;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
};

class TBitmapPrinter : public TPrinter {
public:
    // Pages of PageWidth x PageHeight pixels. PageKind dkOther gives a page canvas whose
    // device takes no OpenGL pixel format, as some printers' do.
    TBitmapPrinter(int PageWidth, int PageHeight, TDeviceKind PageKind = TDeviceKind::dkMemory);
    ~TBitmapPrinter() override;

    TCanvas& Canvas() override { return FCanvas; }
    int PageWidth() const override { return FPage.Width(); }
    int PageHeight() const override { return FPage.Height(); }

    // The last finished job: its title and its pages in order (none after an abort).
    const std::string& DocumentTitle() const { return FDocumentTitle; }
    int PageCount() const { return int(FPages.size()); }
    const TBitmap& Pages(int Index) const;  // EListError out of range

protected:
    void DoBeginDoc() override;
    void DoNewPage() override;
    void DoEndDoc() override;
    void DoAbort() override;

private:
    void ClearPage();
    void KeepPage();

    TBitmap FPage;
    TBitmapCanvas FCanvas;
    std::vector<std::unique_ptr<TBitmap>> FJob;
    std::vector<std::unique_ptr<TBitmap>> FPages;
    std::string FJobTitle;
    std::string FDocumentTitle;
};

}  // namespace nyx
