#pragma once
// PNG and BMP files to and from 32-bit 0xAARRGGBB pixel rows (top-down).
// Decoders raise EInvalidGraphic with the fault alone; callers add the operation and file.

#include <cstdint>
#include <span>
#include <vector>

namespace nyx::detail {

struct TImage {
    int Width = 0;
    int Height = 0;
    bool HasAlpha = false;
    std::vector<std::uint32_t> Pixels;
};

// Pixels of an image held elsewhere, for writing.
struct TImageView {
    int Width = 0;
    int Height = 0;
    bool HasAlpha = false;
    const std::uint32_t* Pixels = nullptr;
};

bool LooksLikePng(std::span<const std::uint8_t> Data);
bool LooksLikeBmp(std::span<const std::uint8_t> Data);

// MaxPixels bounds what a file may make us allocate.
TImage DecodePng(std::span<const std::uint8_t> Data, std::int64_t MaxPixels);
TImage DecodeBmp(std::span<const std::uint8_t> Data, std::int64_t MaxPixels);

// Alpha is written only when Image.HasAlpha; otherwise the image is opaque.
std::vector<std::uint8_t> EncodePng(const TImageView& Image);
std::vector<std::uint8_t> EncodeBmp(const TImageView& Image);

}  // namespace nyx::detail
