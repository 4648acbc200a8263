// Colour values: resolution of system colours through the host, the float rule, names.
#include "rtl/graphics.h"
#include "rtl/host.h"

#include <gtest/gtest.h>

using namespace nyx;

namespace {

// A host with a system-colour table of its own.
class TPaletteHost : public THost {
protected:
    TColor DoGetSysColor(int Index) const override { return RGB(std::uint8_t(Index), 1, 2); }
};

struct TColorCase {
    TColor Color;
    TColor Rgb;
};

TEST(Color, ColorToRGBPassesPlainColoursAndResolvesSystemColours) {
    const TColorCase cases[] = {
        {clBlack, 0x000000},
        {clWhite, 0xFFFFFF},
        {clSilver, 12632256},
        {clRed, RGB(255, 0, 0)},
        {clBlue, RGB(0, 0, 255)},
        {RGB(1, 2, 3), 0x030201},
        {clNone, clNone},
        {clBtnFace, RGB(192, 192, 192)},
        {clWindow, clWhite},
        {clWindowText, clBlack},
        {clHighlight, RGB(0, 0, 128)},
        {clHighlightText, clWhite},
        // Only the low byte of a system colour counts; unknown indexes are black.
        {ColorFromBits(0x8000FF05u), clWhite},
        {ColorFromBits(0x800000FFu), clBlack},
    };
    for (const TColorCase& c : cases)
        EXPECT_EQ(ColorToRGB(c.Color), c.Rgb) << ColorToString(c.Color);
}

TEST(Color, SystemColoursFollowTheCurrentHost) {
    TPaletteHost palette;
    THost* previous = SetHost(&palette);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(COLOR_BTNFACE, 1, 2));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    SetHost(previous);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
}

TEST(Color, ColorToFloatsDividesEachByteBy255AndKeepsAlphaApart) {
    float rgba[4];
    ColorToFloats(RGB(255, 51, 0), rgba, 0.25f);
    EXPECT_FLOAT_EQ(rgba[0], 1.0f);
    EXPECT_FLOAT_EQ(rgba[1], 0.2f);
    EXPECT_FLOAT_EQ(rgba[2], 0.0f);
    EXPECT_FLOAT_EQ(rgba[3], 0.25f);
    // 3355443 = 0x333333: the scene's ambient colour, 0.2 per channel.
    ColorToFloats(3355443, rgba);
    EXPECT_FLOAT_EQ(rgba[0], 0.2f);
    EXPECT_FLOAT_EQ(rgba[2], 0.2f);
    EXPECT_FLOAT_EQ(rgba[3], 1.0f);
    ColorToFloats(clWindow, rgba);
    EXPECT_FLOAT_EQ(rgba[1], 1.0f);
}

TEST(Color, NamesAndNumbersRoundTrip) {
    const TColor colours[] = {clBlack, clSilver,     clBtnFace,
                              clNone,  RGB(1, 2, 3), ColorFromBits(0x80000019u)};
    for (TColor c : colours)
        EXPECT_EQ(StringToColor(ColorToString(c)), c) << ColorToString(c);
    EXPECT_EQ(ColorToString(clSilver), "clSilver");
    EXPECT_EQ(ColorToString(RGB(1, 2, 3)), "$00030201");
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    EXPECT_EQ(StringToColor("12632256"), clSilver);
    EXPECT_EQ(StringToColor("-2147483633"), clBtnFace);
    EXPECT_EQ(StringToColor("0x00FF00"), clLime);
}

TEST(Color, StringToColorRejectsWhatIsNoColour) {
    for (const char* text : {"", "clNoSuch", "$", "12x", "4294967296", "2147483648", "-"}) {
        try {
            StringToColor(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find("StringToColor:"), std::string::npos);
        }
    }
}

}  // namespace
