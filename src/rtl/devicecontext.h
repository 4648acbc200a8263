#pragma once
// A drawing surface that window-system GL can attach a pixel format and a context to:
// the framework's device-context handle. A memory bitmap's canvas and a panel's native
// window each have one; other canvases (a printer page) cannot take an OpenGL format.

#include <cstdint>

namespace nyx {

enum class TDeviceKind { dkMemory, dkWindow, dkOther };

class TDeviceContext {
public:
    TDeviceContext() = default;
    TDeviceContext(const TDeviceContext&) = delete;
    TDeviceContext& operator=(const TDeviceContext&) = delete;
    virtual ~TDeviceContext() = default;

    virtual TDeviceKind Kind() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // dkMemory: top-down rows of Width() 32-bit pixels, bytes B, G, R, A in memory
    // (0xAARRGGBB as a little-endian word). The block may move when the surface is
    // resized, so callers fetch it again each time they bind to it.
    virtual std::uint32_t* Pixels() { return nullptr; }

    // dkWindow on X11: the Display* and the Window id.
    virtual void* NativeDisplay() const { return nullptr; }
    virtual unsigned long NativeWindow() const { return 0; }

    // The pixel format, set once by window-system GL (0: none yet).
    int PixelFormat() const { return FPixelFormat; }
    void SetPixelFormatIndex(int Format) { FPixelFormat = Format; }

private:
    int FPixelFormat = 0;
};

using HDC = TDeviceContext*;

}  // namespace nyx
