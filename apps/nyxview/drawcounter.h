#pragma once
// TDrawCounter: what the last frame drawn in a window cost, for nyxview's status bar.
//
// It stands between the library and OpenGL as the active dispatch table, forwards every
// call, and counts on the way the triangles each frame hands over: primitives between
// glBegin and glEnd (tessellated polygons among them) and of vertex arrays, the GLU
// quadrics and evaluator meshes by their tessellation, and display lists by what was
// counted while they were compiled. A frame runs from the clear of its colour buffer to the swap of its buffers;
// drawing in selection mode (a pick) is not counted. Core only, like the rest of what
// nyxview shows.

#include <chrono>
#include <cstdint>
#include <functional>

namespace nyx {

struct TGLDispatch;

class TDrawCounter {
public:
    // Becomes the active table; at most one counter exists at a time.
    TDrawCounter();
    // Puts the table that was active before back.
    ~TDrawCounter();
    TDrawCounter(const TDrawCounter&) = delete;
    TDrawCounter& operator=(const TDrawCounter&) = delete;

    struct TFrame {
        std::int64_t Triangles = 0;
        double Milliseconds = 0;  // from the clear to the swap
    };
    // The last frame swapped onto a window; zeros before the first.
    const TFrame& LastFrame() const { return FLast; }
    // Called after each frame is swapped.
    std::function<void()> OnFrame;

    // What the counting entry points keep between calls (drawcounter.cpp).
    struct TState;

private:
    friend struct TState;

    const TGLDispatch* FPrevious;
    TFrame FLast;
};

}  // namespace nyx
