#include "loadprogress.h"

#include <QCoreApplication>

namespace nyx {

namespace {

constexpr int Steps = 100;

}  // namespace

TLoadProgress::TLoadProgress() {
    FDialog.setWindowTitle("nyxview");
    FDialog.setRange(0, Steps);
    FDialog.setMinimumDuration(500);
    FDialog.setAutoClose(false);
    FDialog.setAutoReset(false);
    FDialog.reset();  // hidden until the first report
}

TProgressEvent TLoadProgress::Event(const QString& Text) {
    FText = Text;
    return TProgressEvent::Bind<&TLoadProgress::Report>(this);
}

void TLoadProgress::Report(TObject*, std::int64_t Done, std::int64_t Total) {
    if (FDialog.labelText() != FText)
        FDialog.setLabelText(FText);
    FDialog.setValue(Total > 0 ? int(Done * Steps / Total) : Steps);
    QCoreApplication::processEvents();
    if (FDialog.wasCanceled())
        throw ELoadCancelled();
}

void TLoadProgress::Done() {
    FDialog.reset();
    FDialog.hide();  // reset alone leaves a shown dialog up: it does not close by itself
}

}  // namespace nyx
