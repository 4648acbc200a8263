#include "rtl/detail/imagecodec.h"

#include "rtl/graphics.h"
#include "rtl/scope.h"

#include <png.h>

#include <cstring>
#include <string>

namespace nyx::detail {

namespace {

std::uint32_t ReadLE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t ReadLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
void PutLE16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void CheckSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    if (width <= 0 || height <= 0)
        throw EInvalidGraphic("the image declares a size of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels");
    if (width * height > maxPixels)
        throw EInvalidGraphic("the image is too large (" + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels, at most " +
                              std::to_string(maxPixels) + " are read)");
}

constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

bool LooksLikePng(std::span<const std::uint8_t> Data) {
    return Data.size() >= 8 && std::memcmp(Data.data(), PngSignature, 8) == 0;
}

bool LooksLikeBmp(std::span<const std::uint8_t> Data) {
    return Data.size() >= 2 && Data[0] == 'B' && Data[1] == 'M';
}

// --- PNG (libpng's simplified interface: no setjmp crosses our frames) ---------------------

TImage DecodePng(std::span<const std::uint8_t> Data, std::int64_t MaxPixels) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, Data.data(), Data.size()))
        throw EInvalidGraphic(std::string("the PNG data is damaged (") + png.message + ")");
    TImage image;
    {
        const TOnFailure release([&] { png_image_free(&png); });
        CheckSize(png.width, png.height, MaxPixels);
    }
    image.Width = int(png.width);
    image.Height = int(png.height);
    image.HasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_BGRA;  // bytes B, G, R, A: our pixel words
    image.Pixels.resize(std::size_t(image.Width) * std::size_t(image.Height));
    if (!png_image_finish_read(&png, nullptr, image.Pixels.data(), 0, nullptr))
        throw EInvalidGraphic(std::string("the PNG data is damaged (") + png.message + ")");
    return image;
}

std::vector<std::uint8_t> EncodePng(const TImageView& Image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(Image.Width);
    png.height = png_uint_32(Image.Height);
    const std::size_t count = std::size_t(Image.Width) * std::size_t(Image.Height);
    std::vector<std::uint8_t> rgb;  // three bytes a pixel when alpha is not written
    const void* buffer = Image.Pixels;
    if (Image.HasAlpha) {
        png.format = PNG_FORMAT_BGRA;
    } else {
        png.format = PNG_FORMAT_BGR;
        rgb.resize(count * 3);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t p = Image.Pixels[i];
            rgb[3 * i] = std::uint8_t(p);
            rgb[3 * i + 1] = std::uint8_t(p >> 8);
            rgb[3 * i + 2] = std::uint8_t(p >> 16);
        }
        buffer = rgb.data();
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, buffer, 0, nullptr))
        throw EInvalidGraphic(std::string("the PNG encoder failed (") + png.message + ")");
    std::vector<std::uint8_t> out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, buffer, 0, nullptr))
        throw EInvalidGraphic(std::string("the PNG encoder failed (") + png.message + ")");
    out.resize(size);
    return out;
}

// --- BMP -----------------------------------------------------------------------------

namespace {
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;
constexpr std::size_t FileHeaderSize = 14;
}  // namespace

TImage DecodeBmp(std::span<const std::uint8_t> Data, std::int64_t MaxPixels) {
    const std::uint8_t* d = Data.data();
    if (!LooksLikeBmp(Data) || Data.size() < FileHeaderSize + 4)
        throw EInvalidGraphic("the BMP data ends inside its file header");
    const std::uint32_t offBits = ReadLE32(d + 10);
    const std::uint32_t infoSize = ReadLE32(d + 14);
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
        throw EInvalidGraphic("the BMP information header has an unsupported size of " +
                              std::to_string(infoSize) + " bytes");
    if (Data.size() < FileHeaderSize + infoSize)
        throw EInvalidGraphic("the BMP data ends inside its information header");
    const std::uint8_t* info = d + FileHeaderSize;
    const std::int32_t width = std::int32_t(ReadLE32(info + 4));
    const std::int32_t rawHeight = std::int32_t(ReadLE32(info + 8));
    const std::uint16_t bitCount = ReadLE16(info + 14);
    const std::uint32_t compression = ReadLE32(info + 16);
    if (bitCount != 24 && bitCount != 32)
        throw EInvalidGraphic("the BMP image has " + std::to_string(bitCount) +
                              " bits per pixel; only 24- and 32-bit images are supported");

    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // R, G, B, A
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        if (bitCount != 32)
            throw EInvalidGraphic("the BMP image uses bit fields with 24 bits per pixel");
        const int count = compression == BI_ALPHABITFIELDS ? 4 : 3;
        const std::uint8_t* m = info + 40;
        if (Data.size() < FileHeaderSize + 40 + 4 * std::size_t(count))
            throw EInvalidGraphic("the BMP data ends inside its colour masks");
        for (int i = 0; i < count; ++i)
            masks[i] = ReadLE32(m + 4 * i);
        if (infoSize >= 56)
            masks[3] = ReadLE32(info + 52);
        if (masks[0] != 0x00FF0000 || masks[1] != 0x0000FF00 || masks[2] != 0x000000FF ||
            (masks[3] != 0 && masks[3] != 0xFF000000))
            throw EInvalidGraphic("the BMP image uses colour masks other than 8 bits per "
                                  "channel in B, G, R, A order");
    } else if (compression != BI_RGB) {
        throw EInvalidGraphic("the BMP image is compressed (method " + std::to_string(compression) +
                              "); only uncompressed images are "
                              "supported");
    }

    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -std::int64_t(rawHeight) : std::int64_t(rawHeight);
    CheckSize(width, height, MaxPixels);
    const std::uint64_t stride = bitCount == 24 ? (std::uint64_t(width) * 3 + 3) & ~std::uint64_t(3)
                                                : std::uint64_t(width) * 4;
    if (std::uint64_t(offBits) + stride * std::uint64_t(height) > Data.size())
        throw EInvalidGraphic("the BMP data ends before its " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels do");

    TImage image;
    image.Width = width;
    image.Height = int(height);
    image.Pixels.resize(std::size_t(width) * std::size_t(height));
    bool anyAlpha = false;
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* src = d + offBits + stride * std::uint64_t(row);
        const std::int64_t y = topDown ? row : height - 1 - row;
        std::uint32_t* dst = image.Pixels.data() + std::size_t(y) * std::size_t(width);
        if (bitCount == 24) {
            for (int x = 0; x < width; ++x, src += 3)
                dst[x] = 0xFF000000u | (std::uint32_t(src[2]) << 16) |
                         (std::uint32_t(src[1]) << 8) | src[0];
        } else {
            for (int x = 0; x < width; ++x, src += 4) {
                dst[x] = ReadLE32(src);
                anyAlpha = anyAlpha || (dst[x] >> 24) != 0;
            }
        }
    }
    // 32-bit images: the fourth byte is alpha when a mask says so; without a mask it is
    // alpha only if some pixel uses it (many writers leave it zero).
    image.HasAlpha = bitCount == 32 && (masks[3] != 0 || (compression == BI_RGB && anyAlpha));
    if (bitCount == 32 && !image.HasAlpha)
        for (std::uint32_t& p : image.Pixels)
            p |= 0xFF000000u;
    return image;
}

std::vector<std::uint8_t> EncodeBmp(const TImageView& Image) {
    const bool alpha = Image.HasAlpha;
    const std::uint32_t infoSize = alpha ? 108 : 40;
    const std::uint64_t stride = alpha ? std::uint64_t(Image.Width) * 4
                                       : (std::uint64_t(Image.Width) * 3 + 3) & ~std::uint64_t(3);
    const std::uint64_t imageSize = stride * std::uint64_t(Image.Height);
    const std::uint64_t offBits = FileHeaderSize + infoSize;
    if (offBits + imageSize > 0xFFFFFFFFu)
        throw EInvalidGraphic("the image is too large for a BMP file");

    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(offBits + imageSize));
    out.push_back('B');
    out.push_back('M');
    PutLE32(out, std::uint32_t(offBits + imageSize));
    PutLE32(out, 0);
    PutLE32(out, std::uint32_t(offBits));

    PutLE32(out, infoSize);
    PutLE32(out, std::uint32_t(Image.Width));
    PutLE32(out, std::uint32_t(Image.Height));  // bottom-up rows
    PutLE16(out, 1);
    PutLE16(out, alpha ? 32 : 24);
    PutLE32(out, alpha ? BI_BITFIELDS : BI_RGB);
    PutLE32(out, std::uint32_t(imageSize));
    PutLE32(out, 3780);  // 96 pixels per inch
    PutLE32(out, 3780);
    PutLE32(out, 0);
    PutLE32(out, 0);
    if (alpha) {
        PutLE32(out, 0x00FF0000);
        PutLE32(out, 0x0000FF00);
        PutLE32(out, 0x000000FF);
        PutLE32(out, 0xFF000000);
        PutLE32(out, 0x73524742);           // 'sRGB'
        out.insert(out.end(), 36 + 12, 0);  // end points and gamma: unused for sRGB
    }

    for (int row = Image.Height - 1; row >= 0; --row) {
        const std::uint32_t* src = Image.Pixels + std::size_t(row) * std::size_t(Image.Width);
        if (alpha) {
            for (int x = 0; x < Image.Width; ++x)
                PutLE32(out, src[x]);
        } else {
            for (int x = 0; x < Image.Width; ++x) {
                out.push_back(std::uint8_t(src[x]));
                out.push_back(std::uint8_t(src[x] >> 8));
                out.push_back(std::uint8_t(src[x] >> 16));
            }
            for (std::uint64_t pad = std::uint64_t(Image.Width) * 3; pad < stride; ++pad)
                out.push_back(0);
        }
    }
    return out;
}

}  // namespace nyx::detail
