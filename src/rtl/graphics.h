#pragma once
// Colours, bitmaps, fonts and canvases of the component framework.
//
// Sections: colours - pens - TFont - TBitmap - TCanvas.

#include "rtl/classes.h"
#include "rtl/devicecontext.h"
#include "rtl/types.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nyx {

// --- Colours -----------------------------------------------------------------------

// Red in bits 0-7, green 8-15, blue 16-23. With the high bit set the low byte is the
// index of a system colour, resolved through the current host by ColorToRGB.
using TColor = std::int32_t;

constexpr TColor ColorFromBits(std::uint32_t bits) { return static_cast<TColor>(bits); }
constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr std::uint8_t GetRValue(TColor c) { return std::uint8_t(c & 0xFF); }
constexpr std::uint8_t GetGValue(TColor c) { return std::uint8_t((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor c) { return std::uint8_t((c >> 16) & 0xFF); }

constexpr TColor clSystemColor = ColorFromBits(0x80000000u);
constexpr bool IsSystemColor(TColor c) { return c < 0; }
constexpr TColor SystemColor(int index) {
    return ColorFromBits(0x80000000u | std::uint32_t(index & 0xFF));
}

// Indexes of the host's system-colour table.
enum TSysColorIndex {
    COLOR_SCROLLBAR,
    COLOR_BACKGROUND,
    COLOR_ACTIVECAPTION,
    COLOR_INACTIVECAPTION,
    COLOR_MENU,
    COLOR_WINDOW,
    COLOR_WINDOWFRAME,
    COLOR_MENUTEXT,
    COLOR_WINDOWTEXT,
    COLOR_CAPTIONTEXT,
    COLOR_ACTIVEBORDER,
    COLOR_INACTIVEBORDER,
    COLOR_APPWORKSPACE,
    COLOR_HIGHLIGHT,
    COLOR_HIGHLIGHTTEXT,
    COLOR_BTNFACE,
    COLOR_BTNSHADOW,
    COLOR_GRAYTEXT,
    COLOR_BTNTEXT,
    COLOR_INACTIVECAPTIONTEXT,
    COLOR_BTNHIGHLIGHT,
    COLOR_3DDKSHADOW,
    COLOR_3DLIGHT,
    COLOR_INFOTEXT,
    COLOR_INFOBK,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION,
    COLOR_GRADIENTINACTIVECAPTION,
    COLOR_MENUHILIGHT,
    COLOR_MENUBAR,
    SYS_COLOR_COUNT
};

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

// A system colour becomes the current host's RGB value; any other value is returned as it is.
TColor ColorToRGB(TColor Color);

// The one rule by which colours reach OpenGL: resolve with ColorToRGB, each byte / 255.
void ColorToFloats(TColor Color, float rgba[4], float Alpha = 1.0f);

// "clRed" for a named colour, otherwise "$00BBGGRR"; and back (EConvertError when neither).
std::string ColorToString(TColor Color);
TColor StringToColor(std::string_view Text);
bool IdentToColor(std::string_view Ident, TColor& Color);
// The names of the named colours, in the order ColorToString knows them.
std::vector<std::string> ColorIdents();

// A picture that cannot be read, written or made as asked.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// --- Pens --------------------------------------------------------------------------

enum TPenStyle : std::uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};
const TEnumInfo& PenStyleInfo();

// --- TFont -------------------------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, std::uint8_t>;
const TEnumInfo& FontStyleInfo();

// (a * b) / c rounded half away from zero, as font sizes are converted.
int MulDiv(int a, int b, int c);

// A font description: face name, size, style and colour. Height < 0 is the character
// height in pixels (Size in points at PixelsPerInch); Height > 0 the cell height.
class TFont : public TPersistent {
    NYX_CLASS(TFont)
public:
    TFont();

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);  // an empty name is ignored
    int Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }
    void SetSize(int Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value);  // at least 1; keeps Height

    // Copies another font's attributes; one OnChange when anything differs.
    void Assign(const TPersistent* Source) override;

    // The description a device context takes through SelectObject. Underline, strike-out
    // and colour are not part of glyph shapes and stay out.
    TLogFont LogFont() const {
        return {FName, FHeight, FStyle.Contains(fsBold), FStyle.Contains(fsItalic)};
    }

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }

protected:
    void Changed();

private:
    std::string FName = "Arial";
    int FHeight = -11;  // 8 points at 96 pixels per inch
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    int FPixelsPerInch = 96;
    TNotifyEvent FOnChange;
};

// --- TBitmap -----------------------------------------------------------------------

class TCanvas;
class TBitmapCanvas;

// pf24bit ignores alpha (files are written opaque); pf32bit keeps it.
enum TPixelFormat { pf24bit, pf32bit };

// A memory image: top-down rows of Width 32-bit pixels 0xAARRGGBB (bytes B, G, R, A),
// the layout of a dkMemory device context, so OpenGL can render straight into it.
class TBitmap : public TPersistent {
    NYX_CLASS(TBitmap)
public:
    // Largest image in pixels that SetSize makes and that files may declare.
    static constexpr std::int64_t MaxPixels = std::int64_t(1) << 28;
    static constexpr std::int64_t MaxFilePixels = std::int64_t(1) << 26;

    TBitmap();
    TBitmap(int AWidth, int AHeight);
    ~TBitmap() override;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    void SetHeight(int Value) { SetSize(FWidth, Value); }
    // Keeps the overlapping top-left part; new pixels are opaque white. EInvalidGraphic
    // for negative or too large sizes.
    void SetSize(int AWidth, int AHeight);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);  // to pf24bit: every pixel becomes opaque

    // The colour (0x00BBGGRR) at (X, Y); ERangeError outside the image.
    TColor Pixels(int X, int Y) const;
    // Writes an opaque pixel (system colours resolved); outside the image: nothing.
    void SetPixel(int X, int Y, TColor Color);

    // Direct access to the rows. Writes through these do not notify: call Changed.
    std::uint32_t* PixelData() { return FPixels.data(); }
    const std::uint32_t* PixelData() const { return FPixels.data(); }
    std::uint32_t* ScanLine(int Row);              // ERangeError outside the image
    const std::uint32_t* ScanLine(int Row) const;  // ERangeError outside the image
    // Same size, format and pixels (alpha compared only in pf32bit).
    bool SameImage(const TBitmap& Other) const;

    TCanvas& Canvas();

    // A copy of another bitmap; none makes this one empty.
    void Assign(const TPersistent* Source) override;
    // Streams the pixels as binary data named "Data" (the form of WriteData).
    void DefineProperties(TFiler& Filer) override;

    // PNG or BMP, recognised by content. EFOpenError when the file cannot be opened,
    // EInvalidGraphic when it is not a readable image; the bitmap is unchanged then.
    void LoadFromFile(const std::string& FileName);
    // PNG for ".png", BMP (24-bit, or 32-bit with alpha for pf32bit) for ".bmp"/".dib".
    void SaveToFile(const std::string& FileName) const;

    // The streamed form of the pixels: a 32-bit little-endian byte count, then a BMP file
    // (count 0 for an empty bitmap). ReadData takes the same (or a PNG after the count).
    std::vector<std::uint8_t> WriteData() const;
    void ReadData(std::span<const std::uint8_t> Data);

    // Changes between BeginUpdate and EndUpdate notify once, at the last EndUpdate.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    // Tells OnChange that the image changed.
    void Changed();

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }

private:
    void LoadImage(std::span<const std::uint8_t> Data, const std::string& Where);

    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    std::vector<std::uint32_t> FPixels;
    std::unique_ptr<TBitmapCanvas> FCanvas;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
    TNotifyEvent FOnChange;
};

// --- TCanvas -----------------------------------------------------------------------

// A drawing surface with a device context. Drawing clips to the surface.
class TCanvas : public TPersistent {
    NYX_CLASS(TCanvas)
public:
    // The device context window-system GL attaches to.
    virtual HDC Handle() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // The colour at (X, Y); ERangeError outside the surface.
    virtual TColor Pixels(int X, int Y) const = 0;
    virtual void SetPixel(int X, int Y, TColor Color) = 0;
    virtual void FillRect(const TRect& R, TColor Color) = 0;
    // Copies Source with its top-left corner at (X, Y).
    virtual void Draw(int X, int Y, const TBitmap& Source) = 0;
    // A dotted rectangle outline drawn by inverting pixels: drawing the same rectangle
    // again erases it exactly.
    virtual void DrawFocusRect(const TRect& R) = 0;
};

// The canvas of a bitmap. Its device context follows the bitmap's pixels and size (also
// after a resize); its kind is dkMemory, or dkOther for a device that takes no OpenGL
// format (a printer page, say).
class TBitmapCanvas : public TCanvas {
    NYX_CLASS(TBitmapCanvas)
public:
    explicit TBitmapCanvas(TBitmap& Target, TDeviceKind Kind = TDeviceKind::dkMemory);
    ~TBitmapCanvas() override;

    TBitmap& Bitmap() const { return FBitmap; }

    HDC Handle() override;
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    TColor Pixels(int X, int Y) const override { return FBitmap.Pixels(X, Y); }
    void SetPixel(int X, int Y, TColor Color) override { FBitmap.SetPixel(X, Y, Color); }
    void FillRect(const TRect& R, TColor Color) override;
    void Draw(int X, int Y, const TBitmap& Source) override;
    void DrawFocusRect(const TRect& R) override;

private:
    TRect Clip(const TRect& R) const;

    TBitmap& FBitmap;
    std::unique_ptr<TDeviceContext> FDC;
};

}  // namespace nyx
