#include "history.h"

#include "document.h"
#include "rtl/scope.h"

#include <QTimer>
#include <QUndoStack>

namespace nyx {

// One change: the form before and after it. The change was made already when the step
// is pushed, so its first redo does nothing.
class TFormHistory::TStep : public QUndoCommand {
public:
    TStep(TFormHistory& History, const QString& Caption, std::string Before, std::string After)
        : QUndoCommand(Caption), FHistory(History), FBefore(std::move(Before)),
          FAfter(std::move(After)) {}

    void undo() override { FHistory.Restore(FBefore); }
    void redo() override {
        if (FDone)
            FHistory.Restore(FAfter);
        FDone = true;
    }

private:
    TFormHistory& FHistory;
    std::string FBefore, FAfter;
    bool FDone = false;
};

TFormHistory::TFormHistory(TFormDocument& Document, QObject* Parent)
    : QObject(Parent), FDocument(Document), FStack(new QUndoStack(this)) {
    // The stack knows when the form equals its file again, after undoing past a save.
    connect(FStack, &QUndoStack::indexChanged, this,
            [this] { FDocument.SetModified(!FStack->isClean()); });
    Reset();
}

TFormHistory::~TFormHistory() = default;

void TFormHistory::Reset() {
    FPending = false;
    FPendingCaption.clear();
    FStack->clear();
    FCurrent = FDocument.Snapshot();
}

void TFormHistory::MarkClean() {
    Flush();
    FStack->setClean();
    FDocument.SetModified(false);
}

void TFormHistory::ChangeMade(const std::string& Caption) {
    if (FRestoring)
        return;
    if (FPendingCaption.empty())
        FPendingCaption = Caption;
    if (FPending)
        return;
    FPending = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void TFormHistory::Flush() {
    if (!FPending)
        return;
    FPending = false;
    const QString caption =
        QString::fromStdString(FPendingCaption.empty() ? "Change" : FPendingCaption);
    FPendingCaption.clear();
    std::string after = FDocument.Snapshot();
    if (after == FCurrent)
        return;  // told of a change that changed nothing
    std::string before = std::move(FCurrent);
    FCurrent = after;
    FStack->push(new TStep(*this, caption, std::move(before), std::move(after)));
}

void TFormHistory::Restore(const std::string& Snapshot) {
    {
        const TRestore restoring(FRestoring, true);
        FDocument.Restore(Snapshot);
    }
    FCurrent = Snapshot;
}

}  // namespace nyx
