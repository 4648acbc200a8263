#pragma once
// A device context over a block of memory, as a bitmap's canvas provides one, or a
// device that takes no OpenGL format (a printer page).

#include <cstdint>
#include <vector>

#include "rtl/devicecontext.h"

namespace nyx::test {

class TTestSurface : public TDeviceContext {
public:
    TTestSurface(int width, int height, TDeviceKind kind = TDeviceKind::dkMemory) : FKind(kind) {
        Resize(width, height);
    }

    TDeviceKind Kind() const override { return FKind; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    std::uint32_t* Pixels() override { return FPixels.empty() ? nullptr : FPixels.data(); }

    // A fresh block, so a context still writing into the old one shows up under ASan.
    void Resize(int width, int height) {
        FWidth = width;
        FHeight = height;
        std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0u).swap(FPixels);
    }
    // Row 0 is the top row; 0xAARRGGBB.
    std::uint32_t At(int x, int y) const {
        return FPixels[static_cast<std::size_t>(y) * FWidth + x];
    }

private:
    TDeviceKind FKind;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<std::uint32_t> FPixels;
};

}  // namespace nyx::test
