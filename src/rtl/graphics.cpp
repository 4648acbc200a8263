#include "rtl/graphics.h"

#include "rtl/detail/imagecodec.h"
#include "rtl/filer.h"
#include "rtl/host.h"
#include "rtl/streams.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <sys/stat.h>

namespace nyx {

// --- Colours -----------------------------------------------------------------------

TColor ColorToRGB(TColor Color) {
    if (IsSystemColor(Color))
        return Host().GetSysColor(Color & 0xFF);
    return Color;
}

void ColorToFloats(TColor Color, float rgba[4], float Alpha) {
    const TColor c = ColorToRGB(Color);
    rgba[0] = float(GetRValue(c)) / 255.0f;
    rgba[1] = float(GetGValue(c)) / 255.0f;
    rgba[2] = float(GetBValue(c)) / 255.0f;
    rgba[3] = Alpha;
}

namespace {
struct TColorName {
    TColor Value;
    const char* Name;
};

// Fixed colours first so that clSilver, not clLtGray, names 0xC0C0C0.
const TColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
};
}  // namespace

std::string ColorToString(TColor Color) {
    for (const TColorName& n : ColorNames)
        if (n.Value == Color)
            return n.Name;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X",
                  static_cast<unsigned>(static_cast<std::uint32_t>(Color)));
    return text;
}

bool IdentToColor(std::string_view Ident, TColor& Color) {
    for (const TColorName& n : ColorNames) {
        if (SameText(Ident, n.Name)) {
            Color = n.Value;
            return true;
        }
    }
    return false;
}

std::vector<std::string> ColorIdents() {
    std::vector<std::string> names;
    names.reserve(std::size(ColorNames));
    for (const TColorName& n : ColorNames)
        names.push_back(n.Name);
    return names;
}

TColor StringToColor(std::string_view Text) {
    TColor color = 0;
    if (IdentToColor(Text, color))
        return color;
    std::string_view digits = Text;
    int base = 10;
    if (!digits.empty() && digits[0] == '$') {
        digits.remove_prefix(1);
        base = 16;
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    bool negative = false;
    if (base == 10 && !digits.empty() && digits[0] == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    std::uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || ec != std::errc() || ptr != end ||
        (base == 10 && !negative && value > 0x7FFFFFFFu) || (negative && value > 0x80000000u))
        throw EConvertError(
            "StringToColor: '" + std::string(Text) +
            "' is not a colour; use a name such as clRed, $00BBGGRR or a decimal value");
    return negative ? ColorFromBits(0u - value) : ColorFromBits(value);
}

// --- Pens --------------------------------------------------------------------------

const TEnumInfo& PenStyleInfo() {
    static const TEnumInfo info{
        "TPenStyle",
        {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}};
    return info;
}

// --- TFont -------------------------------------------------------------------------

const TEnumInfo& FontStyleInfo() {
    static const TEnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t n = std::int64_t(a) * b;
    const std::int64_t an = n < 0 ? -n : n;
    const std::int64_t ac = c < 0 ? -std::int64_t(c) : std::int64_t(c);
    const std::int64_t r = (an + ac / 2) / ac;
    return int(std::clamp<std::int64_t>(((n < 0) != (c < 0)) ? -r : r, INT32_MIN, INT32_MAX));
}

const TMetaClass& TFont::StaticClass() {
    using P = Props<TFont>;
    static const TMetaClass meta = TMetaClass::Make<TFont, TPersistent>(
        "TFont", {P::Color("Color", &TFont::Color, &TFont::SetColor, clWindowText),
                  P::Integer("Height", &TFont::Height, &TFont::SetHeight, NoDefault),
                  P::String("Name", &TFont::Name, &TFont::SetName),
                  [] {
                      // Size is Height seen in points: streaming Height is enough.
                      TPropInfo size = P::Integer("Size", &TFont::Size, &TFont::SetSize, NoDefault);
                      size.Stored = [](const TObject&) { return false; };
                      return size;
                  }(),
                  P::Set(
                      "Style", [](const TFont& f) { return f.Style().ToBits(); },
                      [](TFont& f, std::uint8_t v) { f.SetStyle(TFontStyles::FromBits(v)); },
                      FontStyleInfo(), 0)});
    return meta;
}

TFont::TFont() = default;

void TFont::SetName(const std::string& Value) {
    if (Value.empty() || Value == FName)
        return;
    FName = Value;
    Changed();
}

void TFont::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    FHeight = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TFont::SetPixelsPerInch(int Value) {
    Value = std::max(Value, 1);
    if (Value == FPixelsPerInch)
        return;
    FPixelsPerInch = Value;
    Changed();
}

void TFont::Assign(const TPersistent* Source) {
    const TFont* font = Source && Source->Is<TFont>() ? static_cast<const TFont*>(Source) : nullptr;
    if (!font) {
        TPersistent::Assign(Source);
        return;
    }
    if (font == this)
        return;
    const bool same = FName == font->FName && FHeight == font->FHeight && FStyle == font->FStyle &&
                      FColor == font->FColor && FPixelsPerInch == font->FPixelsPerInch;
    FName = font->FName;
    FHeight = font->FHeight;
    FStyle = font->FStyle;
    FColor = font->FColor;
    FPixelsPerInch = font->FPixelsPerInch;
    if (!same)
        Changed();
}

void TFont::Changed() { FOnChange(this); }

// --- TBitmap -----------------------------------------------------------------------

namespace {

constexpr std::uint32_t OpaqueWhite = 0xFFFFFFFFu;

std::uint32_t ColorToPixel(TColor Color) {
    const TColor c = ColorToRGB(Color);
    return 0xFF000000u | (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
           GetBValue(c);
}

TColor PixelToColor(std::uint32_t Pixel) {
    return RGB(std::uint8_t(Pixel >> 16), std::uint8_t(Pixel >> 8), std::uint8_t(Pixel));
}

std::string Quoted(const std::string& FileName) { return "\"" + FileName + "\""; }

std::string LowerExtension(const std::string& FileName) {
    const std::size_t slash = FileName.find_last_of('/');
    const std::size_t dot = FileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = FileName.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

// Image files are read whole; anything larger than this is no picture we can hold.
constexpr long MaxFileBytes = 1L << 30;

std::vector<std::uint8_t> ReadWholeFile(const std::string& FileName, const char* Operation) {
    std::FILE* f = std::fopen(FileName.c_str(), "rb");
    if (!f)
        throw EFOpenError(std::string(Operation) + ": cannot open file " + Quoted(FileName) + ": " +
                          std::strerror(errno) + "; check the name and permissions");
    std::vector<std::uint8_t> data;
    struct stat st;
    if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileBytes) {
        std::fclose(f);
        throw EFOpenError(std::string(Operation) + ": cannot read file " + Quoted(FileName) +
                          ": it is not a regular file of at most 1 GiB");
    }
    const long size = long(st.st_size);
    data.resize(std::size_t(size));
    const std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || got != data.size())
        throw EInOutError(std::string(Operation) + ": reading file " + Quoted(FileName) +
                          " failed; check the medium");
    return data;
}

// The device context of a bitmap canvas: it asks the bitmap each time, so it follows
// every resize.
class TBitmapDC : public TDeviceContext {
public:
    TBitmapDC(TBitmap& Bitmap, TDeviceKind Kind) : FBitmap(Bitmap), FKind(Kind) {}
    TDeviceKind Kind() const override { return FKind; }
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    std::uint32_t* Pixels() override {
        return FKind == TDeviceKind::dkMemory && !FBitmap.Empty() ? FBitmap.PixelData() : nullptr;
    }

private:
    TBitmap& FBitmap;
    TDeviceKind FKind;
};

}  // namespace

const TMetaClass& TBitmap::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TBitmap, TPersistent>("TBitmap");
    return meta;
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int AWidth, int AHeight) { SetSize(AWidth, AHeight); }

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int AWidth, int AHeight) {
    if (AWidth < 0 || AHeight < 0 || std::int64_t(AWidth) * AHeight > MaxPixels)
        throw EInvalidGraphic("TBitmap.SetSize: cannot make a bitmap of " + std::to_string(AWidth) +
                              " x " + std::to_string(AHeight) +
                              " pixels; sizes must be "
                              "non-negative and at most " +
                              std::to_string(MaxPixels) + " pixels in all");
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    std::vector<std::uint32_t> pixels(std::size_t(AWidth) * std::size_t(AHeight), OpaqueWhite);
    const int w = std::min(AWidth, FWidth);
    const int h = std::min(AHeight, FHeight);
    for (int y = 0; y < h; ++y)
        std::copy_n(FPixels.data() + std::size_t(y) * FWidth, w,
                    pixels.data() + std::size_t(y) * AWidth);
    FPixels.swap(pixels);
    FWidth = AWidth;
    FHeight = AHeight;
    if (Empty())  // one empty state, whatever the side that is zero
        FPixels.clear();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat)
        return;
    FPixelFormat = Value;
    if (Value == pf24bit)
        for (std::uint32_t& p : FPixels)
            p |= 0xFF000000u;
    Changed();
}

TColor TBitmap::Pixels(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        throw ERangeError("TBitmap.Pixels: (" + std::to_string(X) + ", " + std::to_string(Y) +
                          ") lies outside the " + std::to_string(FWidth) + " x " +
                          std::to_string(FHeight) + " bitmap");
    return PixelToColor(FPixels[std::size_t(Y) * FWidth + X]);
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return;
    FPixels[std::size_t(Y) * FWidth + X] = ColorToPixel(Color);
    Changed();
}

std::uint32_t* TBitmap::ScanLine(int Row) {
    return const_cast<std::uint32_t*>(std::as_const(*this).ScanLine(Row));
}

const std::uint32_t* TBitmap::ScanLine(int Row) const {
    if (Row < 0 || Row >= FHeight)
        throw ERangeError("TBitmap.ScanLine: row " + std::to_string(Row) + " lies outside the " +
                          std::to_string(FWidth) + " x " + std::to_string(FHeight) + " bitmap");
    return FPixels.data() + std::size_t(Row) * FWidth;
}

bool TBitmap::SameImage(const TBitmap& Other) const {
    if (FWidth != Other.FWidth || FHeight != Other.FHeight || FPixelFormat != Other.FPixelFormat)
        return false;
    if (FPixelFormat == pf32bit)
        return FPixels == Other.FPixels;
    for (std::size_t i = 0; i < FPixels.size(); ++i)
        if (((FPixels[i] ^ Other.FPixels[i]) & 0x00FFFFFFu) != 0)
            return false;
    return true;
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(*this);
    return *FCanvas;
}

void TBitmap::Assign(const TPersistent* Source) {
    if (Source && !Source->Is<TBitmap>()) {
        TPersistent::Assign(Source);
        return;
    }
    const TBitmap* source = static_cast<const TBitmap*>(Source);
    if (source == this)
        return;
    if (source) {
        FPixels = source->FPixels;
        FWidth = source->FWidth;
        FHeight = source->FHeight;
        FPixelFormat = source->FPixelFormat;
    } else {
        FPixels.clear();
        FWidth = FHeight = 0;
    }
    Changed();
}

void TBitmap::LoadImage(std::span<const std::uint8_t> Data, const std::string& Where) {
    detail::TImage image;
    try {
        if (detail::LooksLikePng(Data))
            image = detail::DecodePng(Data, MaxFilePixels);
        else if (detail::LooksLikeBmp(Data))
            image = detail::DecodeBmp(Data, MaxFilePixels);
        else
            throw EInvalidGraphic("it is neither a PNG nor a BMP image");
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(Where + ": " + e.Message());
    }
    FPixels = std::move(image.Pixels);
    FWidth = image.Width;
    FHeight = image.Height;
    FPixelFormat = image.HasAlpha ? pf32bit : pf24bit;
    Changed();
}

void TBitmap::LoadFromFile(const std::string& FileName) {
    const std::vector<std::uint8_t> data = ReadWholeFile(FileName, "TBitmap.LoadFromFile");
    LoadImage(data, "TBitmap.LoadFromFile: " + Quoted(FileName));
}

void TBitmap::SaveToFile(const std::string& FileName) const {
    const std::string ext = LowerExtension(FileName);
    const bool png = ext == ".png";
    if (!png && ext != ".bmp" && ext != ".dib")
        throw EInvalidGraphic("TBitmap.SaveToFile: cannot tell the format of " + Quoted(FileName) +
                              " from its extension; use .png or .bmp");
    if (Empty())
        throw EInvalidGraphic("TBitmap.SaveToFile: the bitmap is empty (" + std::to_string(FWidth) +
                              " x " + std::to_string(FHeight) + "); give it a size before saving " +
                              Quoted(FileName));
    const detail::TImageView view{FWidth, FHeight, FPixelFormat == pf32bit, FPixels.data()};
    std::vector<std::uint8_t> data;
    try {
        data = png ? detail::EncodePng(view) : detail::EncodeBmp(view);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic("TBitmap.SaveToFile: " + Quoted(FileName) + ": " + e.Message());
    }
    std::FILE* f = std::fopen(FileName.c_str(), "wb");
    if (!f)
        throw EFCreateError("TBitmap.SaveToFile: cannot create file " + Quoted(FileName) + ": " +
                            std::strerror(errno) + "; check the folder and permissions");
    const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed)
        throw EInOutError("TBitmap.SaveToFile: writing " + Quoted(FileName) +
                          " failed; check the free space");
}

std::vector<std::uint8_t> TBitmap::WriteData() const {
    std::vector<std::uint8_t> bmp;
    if (!Empty())
        bmp = detail::EncodeBmp({FWidth, FHeight, FPixelFormat == pf32bit, FPixels.data()});
    std::vector<std::uint8_t> data;
    data.reserve(4 + bmp.size());
    const std::uint32_t count = std::uint32_t(bmp.size());
    for (int i = 0; i < 4; ++i)
        data.push_back(std::uint8_t(count >> (8 * i)));
    data.insert(data.end(), bmp.begin(), bmp.end());
    return data;
}

void TBitmap::ReadData(std::span<const std::uint8_t> Data) {
    if (Data.size() < 4)
        throw EInvalidGraphic("TBitmap.ReadData: the bitmap data has no byte count; the stream "
                              "is damaged");
    const std::uint64_t count = std::uint64_t(Data[0]) | (std::uint64_t(Data[1]) << 8) |
                                (std::uint64_t(Data[2]) << 16) | (std::uint64_t(Data[3]) << 24);
    if (count != Data.size() - 4)
        throw EInvalidGraphic("TBitmap.ReadData: the bitmap data announces " +
                              std::to_string(count) + " bytes but holds " +
                              std::to_string(Data.size() - 4) + "; the stream is damaged");
    if (count == 0) {
        Assign(nullptr);
        return;
    }
    LoadImage(Data.subspan(4), "TBitmap.ReadData");
}

void TBitmap::DefineProperties(TFiler& Filer) {
    Filer.DefineBinaryProperty(
        "Data",
        [this](TStream& Stream) {
            std::vector<std::uint8_t> data(static_cast<std::size_t>(Stream.Size()));
            Stream.ReadBuffer(data.data(), std::int64_t(data.size()));
            ReadData(data);
        },
        [this](TStream& Stream) {
            const std::vector<std::uint8_t> data = WriteData();
            Stream.WriteBuffer(data.data(), std::int64_t(data.size()));
        },
        !Empty());
}

void TBitmap::EndUpdate() {
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        FOnChange(this);
    }
}

void TBitmap::Changed() {
    if (FUpdateCount > 0)
        FChangedInUpdate = true;
    else
        FOnChange(this);
}

// --- TCanvas -----------------------------------------------------------------------

const TMetaClass& TCanvas::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TCanvas, TPersistent>("TCanvas");
    return meta;
}

const TMetaClass& TBitmapCanvas::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TBitmapCanvas, TCanvas>("TBitmapCanvas");
    return meta;
}

TBitmapCanvas::TBitmapCanvas(TBitmap& Target, TDeviceKind Kind)
    : FBitmap(Target), FDC(std::make_unique<TBitmapDC>(Target, Kind)) {}

TBitmapCanvas::~TBitmapCanvas() = default;

HDC TBitmapCanvas::Handle() { return FDC.get(); }

TRect TBitmapCanvas::Clip(const TRect& R) const {
    return TRect{std::max(R.Left, 0), std::max(R.Top, 0), std::min(R.Right, FBitmap.Width()),
                 std::min(R.Bottom, FBitmap.Height())};
}

void TBitmapCanvas::FillRect(const TRect& R, TColor Color) {
    const TRect c = Clip(R);
    if (c.IsEmpty())
        return;
    const std::uint32_t pixel = ColorToPixel(Color);
    for (int y = c.Top; y < c.Bottom; ++y)
        std::fill_n(FBitmap.ScanLine(y) + c.Left, c.Width(), pixel);
    FBitmap.Changed();
}

void TBitmapCanvas::Draw(int X, int Y, const TBitmap& Source) {
    if (&Source == &FBitmap) {  // overlapping copy: go through a snapshot
        TBitmap snapshot;
        snapshot.Assign(&Source);
        Draw(X, Y, snapshot);
        return;
    }
    const TRect c = Clip(TRect{X, Y, X + Source.Width(), Y + Source.Height()});
    if (c.IsEmpty())
        return;
    for (int y = c.Top; y < c.Bottom; ++y)
        std::copy_n(Source.ScanLine(y - Y) + (c.Left - X), c.Width(), FBitmap.ScanLine(y) + c.Left);
    FBitmap.Changed();
}

void TBitmapCanvas::DrawFocusRect(const TRect& R) {
    if (R.IsEmpty())
        return;
    const TRect c = Clip(R);
    if (c.IsEmpty())
        return;
    // Every pixel of the outline is inverted exactly once (a 1-pixel-wide rectangle
    // included), in a checkerboard fixed to the surface so that the dots line up.
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            FBitmap.ScanLine(y)[x] ^= 0x00FFFFFFu;
    };
    for (int y = c.Top; y < c.Bottom; ++y) {
        if (y == R.Top || y == R.Bottom - 1) {
            for (int x = c.Left; x < c.Right; ++x)
                invert(x, y);
        } else {
            if (R.Left >= c.Left)
                invert(R.Left, y);
            if (R.Right - 1 != R.Left && R.Right - 1 < c.Right)
                invert(R.Right - 1, y);
        }
    }
    FBitmap.Changed();
}

}  // namespace nyx
