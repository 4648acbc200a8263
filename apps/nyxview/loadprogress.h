#pragma once
// nyxview's progress bar while a file loads and while its first frame builds: a dialog
// that shows itself once the work has taken half a second, and whose Cancel button or
// Esc key cancels the work at its next report.

#include "rtl/progress.h"

#include <QProgressDialog>

#include <exception>

namespace nyx {

// Raised from a progress report when the user has cancelled.
struct ELoadCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

class TLoadProgress {
public:
    TLoadProgress();

    // The event to hand to the work; each report shows Text with the share done, lets the
    // window system's events through and raises ELoadCancelled once cancelled.
    TProgressEvent Event(const QString& Text);
    // Closes the dialog and forgets a cancellation.
    void Done();
    QProgressDialog& Dialog() { return FDialog; }

private:
    void Report(TObject* Sender, std::int64_t Done, std::int64_t Total);

    QProgressDialog FDialog;
    QString FText;
};

}  // namespace nyx
