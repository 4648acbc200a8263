#pragma once
// A drawing surface that window-system GL can attach a pixel format and a context to:
// the framework's device-context handle. A memory bitmap's canvas and a panel's native
// window each have one; other canvases (a printer page) cannot take an OpenGL format.

#include <cstdint>
#include <string>

namespace nyx {

enum class TDeviceKind { dkMemory, dkWindow, dkOther };

// A logical font: what a device context draws text with once SelectObject has put it
// there, and what the font display-list calls of window-system GL build glyphs from.
struct TLogFont {
    std::string FaceName;
    // < 0: the character (em) height in pixels; > 0: the cell height (ascent plus
    // descent) in pixels; 0: a default height.
    std::int32_t Height = 0;
    bool Bold = false;
    bool Italic = false;

    bool operator==(const TLogFont&) const = default;
};

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

    // The selected font (SelectObject); a default face until one is selected.
    const TLogFont& Font() const { return FFont; }
    void SetFont(const TLogFont& Value) { FFont = Value; }

private:
    int FPixelFormat = 0;
    TLogFont FFont;
};

using HDC = TDeviceContext*;

// Selects Font into DC and answers the font selected before; nothing happens for a null DC.
inline TLogFont SelectObject(HDC DC, const TLogFont& Font) {
    if (!DC)
        return {};
    TLogFont previous = DC->Font();
    DC->SetFont(Font);
    return previous;
}

}  // namespace nyx
