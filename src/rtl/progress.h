#pragma once
// Progress of long work (an addition): an event told how much of the work is done, at
// most once per hundredth of it and once at the end. A handler may raise an exception to
// cancel the work; the work then ends as it ends on any other error.

#include "rtl/event.h"

#include <cstdint>

namespace nyx {

// Sender, Done, Total; 0 <= Done <= Total, Done = Total exactly once, at the end.
using TProgressEvent = TEvent<TObject* /*Sender*/, std::int64_t /*Done*/, std::int64_t /*Total*/>;

// Reports the progress of one piece of work to Event.
class TProgressReporter {
public:
    TProgressReporter() = default;
    TProgressReporter(const TProgressEvent& Event, TObject* Sender, std::int64_t Total)
        : FEvent(Event), FSender(Sender), FTotal(Total < 0 ? 0 : Total) {}

    explicit operator bool() const { return bool(FEvent); }
    std::int64_t Total() const { return FTotal; }
    // Done so far: reported when it has moved on by a hundredth of Total since the last
    // report (and is short of the end, which Finish reports).
    void Report(std::int64_t Done) {
        if (!FEvent || FFinished || Done < FNext || Done >= FTotal)
            return;
        FNext = Done + Step();
        FEvent(FSender, Done, FTotal);
    }
    // The end of the work: Total of Total, once.
    void Finish() {
        if (!FEvent || FFinished)
            return;
        FFinished = true;
        FEvent(FSender, FTotal, FTotal);
    }

private:
    std::int64_t Step() const { return FTotal / 100 > 0 ? FTotal / 100 : 1; }

    TProgressEvent FEvent;
    TObject* FSender = nullptr;
    std::int64_t FTotal = 0;
    std::int64_t FNext = 0;
    bool FFinished = false;
};

}  // namespace nyx
