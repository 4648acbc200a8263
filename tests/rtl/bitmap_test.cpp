// Bitmaps: size and pixels, change notification, PNG and BMP files, streamed data.
#include "rtl/graphics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace nyx;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FPath = fs::temp_directory_path() / ("nyx-" + std::string(info->test_suite_name()) + "-" +
                                             info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TempDir() { fs::remove_all(FPath); }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

private:
    fs::path FPath;
};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Counts OnChange calls.
struct TChangeCounter {
    int Count = 0;
    TObject* Sender = nullptr;
    void Changed(TObject* S) {
        ++Count;
        Sender = S;
    }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&TChangeCounter::Changed>(this); }
};

// Every pixel different, alpha varying too.
void FillPattern(TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.ScanLine(y)[x] = std::uint32_t(0x10 * x + 0x3 * y) << 24 |
                               std::uint32_t(x * 37 + 11) << 16 | std::uint32_t(y * 53 + 7) << 8 |
                               std::uint32_t((x * 7 + y * 13) & 0xFF);
}

template <class E>
std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

TEST(Bitmap, SizeKeepsTheTopLeftAndFillsNewPixelsWhite) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetSize(3, 2);
    EXPECT_FALSE(b.Empty());
    EXPECT_EQ(b.Pixels(2, 1), clWhite);
    b.SetPixel(0, 0, clRed);
    b.SetPixel(2, 1, clBlue);
    b.SetSize(4, 1);
    EXPECT_EQ(b.Pixels(0, 0), clRed);
    EXPECT_EQ(b.Pixels(3, 0), clWhite);
    b.SetHeight(2);
    EXPECT_EQ(b.Pixels(2, 1), clWhite) << "the old blue pixel was cut away before";
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Height(), 2);

    EXPECT_NE(MessageOf<EInvalidGraphic>([&] { b.SetSize(-1, 4); }).find("TBitmap.SetSize:"),
              std::string::npos);
    EXPECT_NE(MessageOf<EInvalidGraphic>([&] { b.SetSize(1 << 16, 1 << 16); }).find("at most"),
              std::string::npos);
    EXPECT_EQ(b.Width(), 0) << "a refused size changes nothing";
}

TEST(Bitmap, PixelsAreColoursAndWordsAre0xAARRGGBB) {
    TBitmap b(2, 2);
    b.SetPixel(1, 0, RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(b.ScanLine(0)[1], 0xFF112233u);
    b.ScanLine(1)[0] = 0x80AABBCCu;
    EXPECT_EQ(b.Pixels(0, 1), RGB(0xAA, 0xBB, 0xCC));
    b.SetPixel(1, 1, clBtnFace);  // system colours are resolved on the way in
    EXPECT_EQ(b.Pixels(1, 1), ColorToRGB(clBtnFace));

    b.SetPixel(-1, 0, clRed);  // drawing outside clips
    b.SetPixel(2, 0, clRed);
    for (auto [x, y] : {std::pair{-1, 0}, {2, 0}, {0, 2}, {0, -1}})
        EXPECT_THROW(b.Pixels(x, y), ERangeError) << x << "," << y;
    EXPECT_THROW(b.ScanLine(2), ERangeError);
}

TEST(Bitmap, OnChangeFiresOncePerEffectiveChange) {
    TBitmap b;
    TChangeCounter c;
    b.SetOnChange(c.Event());
    b.SetSize(2, 2);
    b.SetSize(2, 2);
    EXPECT_EQ(c.Count, 1);
    EXPECT_EQ(c.Sender, &b);
    b.SetPixel(0, 0, clRed);
    b.SetPixel(5, 5, clRed);
    EXPECT_EQ(c.Count, 2);
    b.SetPixelFormat(pf32bit);
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(c.Count, 3);

    b.BeginUpdate();
    b.BeginUpdate();
    b.SetPixel(0, 0, clBlue);
    b.Canvas().FillRect(Rect(0, 0, 2, 2), clLime);
    b.EndUpdate();
    EXPECT_EQ(c.Count, 3);
    b.EndUpdate();
    EXPECT_EQ(c.Count, 4);
    b.BeginUpdate();
    b.EndUpdate();
    EXPECT_EQ(c.Count, 4) << "no change, no notification";
    b.EndUpdate();  // unbalanced: harmless
}

TEST(Bitmap, AssignCopiesOrEmpties) {
    TBitmap a(3, 2), b;
    FillPattern(a);
    a.SetPixelFormat(pf32bit);
    TChangeCounter c;
    b.SetOnChange(c.Event());
    b.Assign(&a);
    EXPECT_TRUE(b.SameImage(a));
    EXPECT_EQ(c.Count, 1);
    b.SetPixel(0, 0, clRed);
    EXPECT_FALSE(b.SameImage(a)) << "the copy has pixels of its own";
    b.Assign(&b);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    TFont font;
    EXPECT_THROW(b.Assign(&font), EConvertError);
}

TEST(Bitmap, SwitchingTo24BitMakesEveryPixelOpaque) {
    TBitmap b(2, 1);
    b.SetPixelFormat(pf32bit);
    b.ScanLine(0)[0] = 0x00123456u;
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.ScanLine(0)[0], 0xFF123456u);
}

struct TRoundTrip {
    const char* File;
    TPixelFormat Format;
    const char* Signature;
};

TEST(BitmapFiles, RoundTripsKeepEveryPixel) {
    TempDir dir;
    const TRoundTrip cases[] = {
        {"a.png", pf24bit, "\x89PNG"}, {"b.png", pf32bit, "\x89PNG"}, {"c.bmp", pf24bit, "BM"},
        {"d.bmp", pf32bit, "BM"},      {"e.PNG", pf32bit, "\x89PNG"}, {"f.dib", pf24bit, "BM"},
    };
    for (const TRoundTrip& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap out(5, 3);  // odd width: BMP rows need padding
        FillPattern(out);
        out.SetPixelFormat(c.Format);
        if (c.Format == pf32bit)
            out.ScanLine(0)[0] &= 0x00FFFFFFu;  // fully transparent must survive too
        out.SaveToFile(dir / c.File);
        const std::vector<std::uint8_t> bytes = ReadBytes(dir / c.File);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::strlen(c.Signature)),
                  c.Signature);

        TBitmap in;
        TChangeCounter changes;
        in.SetOnChange(changes.Event());
        in.LoadFromFile(dir / c.File);
        EXPECT_EQ(changes.Count, 1);
        EXPECT_TRUE(in.SameImage(out));
    }
}

TEST(BitmapFiles, TheContentNotTheNameDecidesWhenLoading) {
    TempDir dir;
    TBitmap out(2, 2);
    FillPattern(out);
    out.SetPixelFormat(pf24bit);
    out.SaveToFile(dir / "real.png");
    fs::rename(dir / "real.png", dir / "named.bmp");
    TBitmap in;
    in.LoadFromFile(dir / "named.bmp");
    EXPECT_TRUE(in.SameImage(out));
}

// A BMP file written by hand: 2 x 2, with the given header size, bits, compression,
// height sign and pixel bytes (rows as stored).
std::vector<std::uint8_t> HandBmp(std::uint32_t infoSize, std::uint16_t bits,
                                  std::uint32_t compression, std::int32_t height,
                                  const std::vector<std::uint8_t>& rows,
                                  const std::vector<std::uint32_t>& masks = {}) {
    std::vector<std::uint8_t> b;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
    };
    const std::uint32_t extra = infoSize == 40 ? std::uint32_t(4 * masks.size()) : 0;
    const std::uint32_t off = 14 + infoSize + extra;
    b.push_back('B');
    b.push_back('M');
    u32(off + std::uint32_t(rows.size()));
    u32(0);
    u32(off);
    u32(infoSize);
    u32(2);
    u32(std::uint32_t(height));
    u16(1);
    u16(bits);
    u32(compression);
    for (int i = 0; i < 5; ++i)
        u32(0);
    if (infoSize == 40) {
        for (std::uint32_t m : masks)
            u32(m);
    } else {
        for (std::size_t i = 0; i < 4; ++i)
            u32(i < masks.size() ? masks[i] : 0);
        b.resize(14 + infoSize, 0);
    }
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

TEST(BitmapFiles, ReadsTheBmpVariantsOtherWritersMake) {
    TempDir dir;
    // Pixels B, G, R, A: row 0 as stored first.
    const std::vector<std::uint8_t> rows32 = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    const std::vector<std::uint8_t> rows32a = {1, 2, 3, 9, 4, 5, 6, 0, 7, 8, 9, 255, 10, 11, 12, 1};
    const std::vector<std::uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const std::vector<std::uint32_t> bgra = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    struct TCase {
        const char* Name;
        std::vector<std::uint8_t> File;
        TPixelFormat Format;
        std::uint32_t TopLeft;  // pixel (0, 0) as a word
    };
    const TCase cases[] = {
        {"24-bit bottom-up", HandBmp(40, 24, 0, 2, rows24), pf24bit, 0xFF090807u},
        {"24-bit top-down", HandBmp(40, 24, 0, -2, rows24), pf24bit, 0xFF030201u},
        {"32-bit, alpha left zero", HandBmp(40, 32, 0, -2, rows32), pf24bit, 0xFF030201u},
        {"32-bit with alpha, no mask", HandBmp(40, 32, 0, -2, rows32a), pf32bit, 0x09030201u},
        {"alpha bit fields after a 40-byte header", HandBmp(40, 32, 6, -2, rows32a, bgra), pf32bit,
         0x09030201u},
        {"bit fields after a 40-byte header",
         HandBmp(40, 32, 3, -2, rows32a, {0xFF0000, 0xFF00, 0xFF}), pf24bit, 0xFF030201u},
        {"version 5 header with masks", HandBmp(124, 32, 3, 2, rows32a, bgra), pf32bit,
         0xFF090807u},
        {"version 4 header without alpha mask",
         HandBmp(108, 32, 3, -2, rows32a, {0xFF0000, 0xFF00, 0xFF, 0}), pf24bit, 0xFF030201u},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteBytes(dir / "x.bmp", c.File);
        TBitmap b;
        b.LoadFromFile(dir / "x.bmp");
        ASSERT_EQ(b.Width(), 2);
        ASSERT_EQ(b.Height(), 2);
        EXPECT_EQ(b.PixelFormat(), c.Format);
        EXPECT_EQ(b.ScanLine(0)[0], c.TopLeft);
    }
}

TEST(BitmapFiles, BadFilesRaiseErrorsNamingFileAndFault) {
    TempDir dir;
    TBitmap good(2, 2);
    good.SaveToFile(dir / "good.png");
    good.SaveToFile(dir / "good.bmp");
    std::vector<std::uint8_t> png = ReadBytes(dir / "good.png");
    std::vector<std::uint8_t> bmp = ReadBytes(dir / "good.bmp");
    std::vector<std::uint8_t> badCrc = png;
    badCrc[20] ^= 0xFF;  // inside the header chunk, whose checksum then fails
    std::vector<std::uint8_t> huge = HandBmp(40, 24, 0, 1 << 20, {});
    huge[18] = 0;
    huge[19] = 0;
    huge[20] = 1;
    huge[21] = 0;  // width 65536

    struct TCase {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        const char* Fault;
    };
    const TCase cases[] = {
        {"text.png", {'h', 'e', 'l', 'l', 'o'}, "neither a PNG nor a BMP"},
        {"empty.bmp", {}, "neither a PNG nor a BMP"},
        {"cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + 40),
         "PNG data is damaged"},
        {"crc.png", badCrc, "PNG data is damaged"},
        {"cut.bmp", std::vector<std::uint8_t>(bmp.begin(), bmp.end() - 3), "ends before"},
        {"header.bmp", std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 20),
         "ends inside its information header"},
        {"8bit.bmp", HandBmp(40, 8, 0, 2, std::vector<std::uint8_t>(8)), "8 bits per pixel"},
        {"rle.bmp", HandBmp(40, 24, 1, 2, std::vector<std::uint8_t>(16)), "compressed"},
        {"masks.bmp",
         HandBmp(40, 32, 3, 2, std::vector<std::uint8_t>(16), {0xFF, 0xFF00, 0xFF0000}),
         "colour masks"},
        {"zero.bmp", HandBmp(40, 24, 0, 0, {}), "size of 2 x 0"},
        {"huge.bmp", huge, "too large"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        WriteBytes(dir / c.File, c.Bytes);
        TBitmap b(1, 1);
        const std::string msg = MessageOf<EInvalidGraphic>([&] { b.LoadFromFile(dir / c.File); });
        EXPECT_NE(msg.find("TBitmap.LoadFromFile: \"" + (dir / c.File) + "\""), std::string::npos)
            << msg;
        EXPECT_NE(msg.find(c.Fault), std::string::npos) << msg;
        EXPECT_EQ(b.Width(), 1) << "a failed load leaves the bitmap as it was";
    }

    TBitmap b;
    std::string msg = MessageOf<EFOpenError>([&] { b.LoadFromFile(dir / "missing.png"); });
    EXPECT_NE(msg.find("\"" + (dir / "missing.png") + "\""), std::string::npos) << msg;
    EXPECT_NE(msg.find("No such file"), std::string::npos) << msg;
    fs::create_directory(dir / "folder.png");
    try {
        b.LoadFromFile(dir / "folder.png");
        ADD_FAILURE() << "a folder loaded";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("folder.png"), std::string::npos) << e.what();
    }
}

TEST(BitmapFiles, SavingRefusesWhatItCannotWrite) {
    TempDir dir;
    TBitmap b(2, 2), empty;
    EXPECT_NE(
        MessageOf<EInvalidGraphic>([&] { b.SaveToFile(dir / "x.jpg"); }).find("use .png or .bmp"),
        std::string::npos);
    EXPECT_NE(MessageOf<EInvalidGraphic>([&] {
                  b.SaveToFile(dir / "noext");
              }).find("\"" + (dir / "noext") + "\""),
              std::string::npos);
    EXPECT_NE(MessageOf<EInvalidGraphic>([&] { empty.SaveToFile(dir / "e.png"); }).find("empty"),
              std::string::npos);
    const std::string msg =
        MessageOf<EFCreateError>([&] { b.SaveToFile(dir / "no/such/dir.png"); });
    EXPECT_NE(msg.find("TBitmap.SaveToFile: cannot create file"), std::string::npos) << msg;
    EXPECT_FALSE(fs::exists(dir / "x.jpg"));
}

TEST(BitmapData, StreamedPixelsRoundTrip) {
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap out(3, 3), in;
        FillPattern(out);
        out.SetPixelFormat(format);
        const std::vector<std::uint8_t> data = out.WriteData();
        ASSERT_GT(data.size(), 4u);
        EXPECT_EQ(data[4], 'B');
        EXPECT_EQ(std::size_t(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24),
                  data.size() - 4);
        in.ReadData(data);
        EXPECT_TRUE(in.SameImage(out)) << format;
    }
    TBitmap empty, in(2, 2);
    EXPECT_EQ(empty.WriteData(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    in.ReadData(empty.WriteData());
    EXPECT_TRUE(in.Empty());
}

TEST(BitmapData, DamagedDataRaises) {
    TBitmap out(2, 2), in(1, 1);
    std::vector<std::uint8_t> data = out.WriteData();
    const std::vector<std::vector<std::uint8_t>> bad = {
        {},
        {1, 0},
        std::vector<std::uint8_t>(data.begin(), data.end() - 1),  // count says more
        [&] {
            auto d = data;
            d.push_back(0);
            return d;
        }(),  // count says less
        [&] {
            auto d = data;
            d[4] = 'X';
            return d;
        }(),  // no picture after it
    };
    for (const auto& d : bad) {
        const std::string msg = MessageOf<EInvalidGraphic>([&] { in.ReadData(d); });
        EXPECT_EQ(msg.rfind("TBitmap.ReadData: ", 0), 0u) << msg;
        EXPECT_EQ(in.Width(), 1);
    }
}

}  // namespace
