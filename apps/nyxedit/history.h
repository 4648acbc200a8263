#pragma once
// TFormHistory: nyxedit's undo and redo. Every change the user makes to the form is one
// step on a QUndoStack holding the whole form's stream before and after it; undoing puts
// the form back from the stream before, redoing from the one after. Changes are
// gathered until control returns to the event loop, so that one user action that
// reports several changes (a placement that creates and attaches) is one step.

#include <QObject>

#include <string>

class QUndoStack;

namespace nyx {

class TFormDocument;

class TFormHistory : public QObject {
public:
    explicit TFormHistory(TFormDocument& Document, QObject* Parent = nullptr);
    ~TFormHistory() override;

    QUndoStack& Stack() const { return *FStack; }

    // A new or opened form: no steps, and the form as it is now is the start.
    void Reset();
    // The form was saved: it equals its file at this step.
    void MarkClean();
    // The user changes the form; the step is recorded when the event loop runs again,
    // if the form then differs. The first named change of a step names it.
    void ChangeMade(const std::string& Caption);
    // Records what is waiting at once (before an undo, say).
    void Flush();
    // The form is being put back from a snapshot: changes reported meanwhile are not
    // the user's.
    bool Restoring() const { return FRestoring; }

private:
    class TStep;

    void Restore(const std::string& Snapshot);

    TFormDocument& FDocument;
    QUndoStack* FStack;
    std::string FCurrent;  // the form as the last step left it
    std::string FPendingCaption;
    bool FPending = false;
    bool FRestoring = false;
};

}  // namespace nyx
