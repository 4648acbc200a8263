// The memory-surface backend: OSMesa rendering straight into a surface's pixels.

#include <GL/osmesa.h>

#include "gl/detail/wglimpl.h"

namespace nyx::detail {
namespace {

PIXELFORMATDESCRIPTOR MemoryFormat(std::uint8_t accumChannelBits) {
    PIXELFORMATDESCRIPTOR f{};
    f.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    f.nVersion = 1;
    f.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL | PFD_GENERIC_FORMAT;
    f.iPixelType = PFD_TYPE_RGBA;
    // B, G, R, A bytes in memory: 0xAARRGGBB words.
    f.cColorBits = 24;
    f.cRedBits = 8;
    f.cRedShift = 16;
    f.cGreenBits = 8;
    f.cGreenShift = 8;
    f.cBlueBits = 8;
    f.cBlueShift = 0;
    f.cAlphaBits = 8;
    f.cAlphaShift = 24;
    f.cAccumRedBits = f.cAccumGreenBits = f.cAccumBlueBits = f.cAccumAlphaBits = accumChannelBits;
    f.cAccumBits = static_cast<std::uint8_t>(4 * accumChannelBits);
    // Mesa's software rasteriser has no deeper depth buffer than 24 bits.
    f.cDepthBits = 24;
    f.cStencilBits = 8;
    f.iLayerType = PFD_MAIN_PLANE;
    return f;
}

class TMemoryContext final : public TGLContext {
public:
    TMemoryContext(int format, OSMesaContext context)
        : TGLContext(TDeviceKind::dkMemory, format), FContext(context) {}
    ~TMemoryContext() override {
        Unbind();
        OSMesaDestroyContext(FContext);
    }

    OSMesaContext Native() const { return FContext; }

    static OSMesaContext Make(int format, OSMesaContext share) {
        const PIXELFORMATDESCRIPTOR& f = MemoryFormats()[format - 1];
        return OSMesaCreateContextExt(OSMESA_BGRA, f.cDepthBits, f.cStencilBits, f.cAccumRedBits,
                                      share);
    }

    void Unbind() override {
        if (OSMesaGetCurrentContext() == FContext)
            OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    }

    bool ShareFrom(TGLContext& first) override {
        auto* other = dynamic_cast<TMemoryContext*>(&first);
        if (!other)
            return false;
        OSMesaContext shared = Make(Format(), other->Native());
        if (!shared)
            return false;
        OSMesaDestroyContext(FContext);
        FContext = shared;
        return true;
    }

protected:
    bool DoBind(HDC dc) override {
        // Fetched on every bind: the block moves when the surface is resized.
        void* pixels = dc->Pixels();
        if (!pixels || dc->Width() <= 0 || dc->Height() <= 0)
            return false;
        if (!OSMesaMakeCurrent(FContext, pixels, GL_UNSIGNED_BYTE, dc->Width(), dc->Height()))
            return false;
        OSMesaPixelStore(OSMESA_Y_UP, 0);  // the surface's rows run top-down
        return true;
    }

private:
    OSMesaContext FContext;
};

}  // namespace

const std::vector<PIXELFORMATDESCRIPTOR>& MemoryFormats() {
    static const std::vector<PIXELFORMATDESCRIPTOR> formats{MemoryFormat(0), MemoryFormat(16)};
    return formats;
}

std::unique_ptr<TGLContext> CreateMemoryContext(int format, TGLContext* share) {
    if (format < 1 || format > static_cast<int>(MemoryFormats().size()))
        return nullptr;
    OSMesaContext shareContext = nullptr;
    if (share) {
        auto* other = dynamic_cast<TMemoryContext*>(share);
        if (!other)
            return nullptr;
        shareContext = other->Native();
    }
    OSMesaContext context = TMemoryContext::Make(format, shareContext);
    if (!context)
        return nullptr;
    return std::make_unique<TMemoryContext>(format, context);
}

}  // namespace nyx::detail
