#include "rtl/graphics.h"

#include "rtl/host.h"

#include <charconv>
#include <cstdio>
#include <iterator>

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
} // namespace

std::string ColorToString(TColor Color) {
    for (const TColorName& n : ColorNames)
        if (n.Value == Color)
            return n.Name;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(static_cast<std::uint32_t>(Color)));
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
        (base == 10 && !negative && value > 0x7FFFFFFFu) ||
        (negative && value > 0x80000000u))
        throw EConvertError("StringToColor: '" + std::string(Text) +
                            "' is not a colour; use a name such as clRed, $00BBGGRR or a decimal value");
    return negative ? ColorFromBits(0u - value) : ColorFromBits(value);
}

} // namespace nyx
