#pragma once
// Frames timed against other frames in the same run and the same context: warmed up
// first, then interleaved, so that a change in the machine's load hits all alike.
//
//   RaceFrames(state, [&] { panel->Repaint(); },
//              {{"plain_ms", "ratio", [&] { PlainLoop(); }}});
//
// The subject's time is the iteration time; each reference adds its mean time in
// milliseconds and the ratio subject / reference as counters.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <vector>

namespace nyx::bench {

template <class Frame>
double Seconds(Frame&& frame) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The software rasteriser compiles its shaders on the first frames: keep them out of
// the timing, or whichever benchmark runs first pays for them.
template <class Frame>
void WarmUp(Frame&& frame) {
    for (int i = 0; i < 3; ++i)
        frame();
}

struct TReferenceFrame {
    const char* TimeCounter;   // its mean time, milliseconds
    const char* RatioCounter;  // subject time over its time
    std::function<void()> Frame;
};

inline void RaceFrames(benchmark::State& State, const std::function<void()>& Subject,
                       std::initializer_list<TReferenceFrame> References) {
    const std::vector<TReferenceFrame> refs(References);
    WarmUp([&] {
        Subject();
        for (const TReferenceFrame& r : refs)
            r.Frame();
    });
    double subject = 0;
    std::vector<double> totals(refs.size(), 0.0);
    for (auto _ : State) {
        const double frame = Seconds(Subject);
        for (std::size_t i = 0; i < refs.size(); ++i)
            totals[i] += Seconds(refs[i].Frame);
        subject += frame;
        State.SetIterationTime(frame);
    }
    const double n = double(State.iterations());
    for (std::size_t i = 0; i < refs.size(); ++i) {
        State.counters[refs[i].TimeCounter] = 1000 * totals[i] / n;
        State.counters[refs[i].RatioCounter] = subject / totals[i];
    }
}

}  // namespace nyx::bench
