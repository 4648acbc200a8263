// Any bytes handed to the bitmap reader either load or raise EInvalidGraphic; a loaded
// image saves again.
#include "rtl/graphics.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> blob(4 + size);
    for (int i = 0; i < 4; ++i)
        blob[std::size_t(i)] = std::uint8_t(size >> (8 * i));
    std::copy(data, data + size, blob.begin() + 4);
    nyx::TBitmap bitmap;
    try {
        bitmap.ReadData(blob);
    } catch (const nyx::EInvalidGraphic&) {
        return 0;
    }
    if (!bitmap.Empty()) {
        nyx::TBitmap again;
        again.ReadData(bitmap.WriteData());
        if (!again.SameImage(bitmap))
            std::abort();
    }
    return 0;
}
