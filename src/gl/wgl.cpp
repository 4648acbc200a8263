// The window-system facade: format choice, the table of live contexts and the one
// current context, over the OSMesa (gl/osmesa.cpp) and GLX (gl/glx.cpp) backends.

#include "gl/wgl.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "gl/detail/wglimpl.h"
#include "gl/glscope.h"
#include "rtl/scope.h"

namespace nyx::detail {
namespace {

// Handles are numbers looked up in this table, so a stale or foreign handle fails instead
// of touching freed memory, and a deleted context's handle never comes back for a new one
// (a panel compares a remembered handle with its own). The current context is tracked
// because Mesa's GLX skips a make-current of the context it believes current, even after
// OSMesa took the thread's dispatch over: switching backends releases the other first.
struct TWindowSystem {
    std::unordered_map<HGLRC, std::unique_ptr<TGLContext>> Live;
    std::uintptr_t LastHandle = 0;
    std::uint64_t LastGroup = 0;
    TGLContext* Current = nullptr;
    HDC CurrentDC = nullptr;  // the device Current was made current on
};

// Never destroyed: a panel held by an object with static storage releases its context
// after the exit release below has run, and must still find the table.
TWindowSystem& State() {
    static auto* const state = new TWindowSystem;
    return *state;
}

TGLContext* Find(HGLRC rc) {
    auto& live = State().Live;
    auto it = live.find(rc);
    return it == live.end() ? nullptr : it->second.get();
}

void ReleaseCurrent() {
    TWindowSystem& state = State();
    if (state.Current)
        state.Current->Unbind();
    state.Current = nullptr;
    state.CurrentDC = nullptr;
}

// The formats a device offers, in index order (index = position + 1).
std::vector<PIXELFORMATDESCRIPTOR> FormatsOf(HDC dc) {
    switch (dc->Kind()) {
    case TDeviceKind::dkMemory:
        return MemoryFormats();
    case TDeviceKind::dkWindow: {
        int screen = 0;
        unsigned long visual = 0;
        std::vector<PIXELFORMATDESCRIPTOR> result;
        if (!WindowVisual(dc, screen, visual))
            return result;
        for (const TWindowFormat& f : WindowFormats(dc->NativeDisplay(), screen))
            result.push_back(f.Pfd);
        return result;
    }
    case TDeviceKind::dkOther:
        break;
    }
    return {};
}

// A window's only usable format is the one of its visual (1-based; 0 if not OpenGL).
int WindowOwnFormat(HDC dc) {
    int screen = 0;
    unsigned long visual = 0;
    if (!WindowVisual(dc, screen, visual))
        return 0;
    const std::vector<TWindowFormat> formats = WindowFormats(dc->NativeDisplay(), screen);
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (formats[i].Visual == visual)
            return static_cast<int>(i) + 1;
    return 0;
}

// Releases the contexts still alive when the program ends (an application that never
// freed its panel). Made right after the first context is, so that it runs before the
// exit handlers the GL libraries registered while making it: exit handlers run in the
// reverse order of their registration.
struct TExitRelease {
    ~TExitRelease() {
        ReleaseContexts([](const TGLContext&) { return true; });
    }
};

int Deficit(int wanted, int have) { return std::max(0, wanted - have); }

int AccumWanted(const PIXELFORMATDESCRIPTOR& p) {
    const int channel =
        std::max({p.cAccumRedBits, p.cAccumGreenBits, p.cAccumBlueBits, p.cAccumAlphaBits});
    return channel > 0 ? channel : (p.cAccumBits + 3) / 4;
}

}  // namespace

void ReleaseContexts(const std::function<bool(const TGLContext&)>& Which) {
    TWindowSystem& state = State();
    if (state.Current && Which(*state.Current))
        ReleaseCurrent();
    std::erase_if(state.Live, [&](const auto& entry) { return Which(*entry.second); });
}

int ClosestFormat(const std::vector<PIXELFORMATDESCRIPTOR>& formats,
                  const PIXELFORMATDESCRIPTOR& request) {
    const std::uint32_t want = request.dwFlags;
    const bool anyDepth = want & PFD_DEPTH_DONTCARE;
    // Compared in this order: buffering, then the buffers the library cannot do without
    // (stencil for shadows and mirrors, accumulation for several shadow lights), then
    // depth and colour, then the smallest surplus.
    using TScore = std::array<int, 9>;
    int best = -1;
    TScore bestScore{};
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const PIXELFORMATDESCRIPTOR& f = formats[i];
        if (f.iPixelType != request.iPixelType || f.iLayerType != PFD_MAIN_PLANE)
            continue;
        if ((want & PFD_SUPPORT_OPENGL) && !(f.dwFlags & PFD_SUPPORT_OPENGL))
            continue;
        const int accumHave = AccumWanted(f);
        const int accumWant = AccumWanted(request);
        const TScore score{
            !(want & PFD_DOUBLEBUFFER_DONTCARE) &&
                (want & PFD_DOUBLEBUFFER) != (f.dwFlags & PFD_DOUBLEBUFFER),
            !(want & PFD_STEREO_DONTCARE) && (want & PFD_STEREO) != (f.dwFlags & PFD_STEREO),
            Deficit(request.cStencilBits, f.cStencilBits),
            Deficit(accumWant, accumHave),
            anyDepth ? 0 : Deficit(request.cDepthBits, f.cDepthBits),
            Deficit(request.cColorBits, f.cColorBits),
            Deficit(request.cAlphaBits, f.cAlphaBits),
            Deficit(request.cAuxBuffers, f.cAuxBuffers),
            Deficit(f.cStencilBits, request.cStencilBits) + Deficit(accumHave, accumWant) +
                (anyDepth ? 0 : Deficit(f.cDepthBits, request.cDepthBits)) +
                Deficit(f.cColorBits, request.cColorBits) +
                Deficit(f.cAlphaBits, request.cAlphaBits) +
                Deficit(f.cAuxBuffers, request.cAuxBuffers),
        };
        if (best < 0 || score < bestScore) {
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

TShareGroup* CurrentShareGroup() {
    TGLContext* current = State().Current;
    return current ? &current->Group() : nullptr;
}

std::uint64_t TShareGroup::NewShareGroupSerial() { return ++State().LastGroup; }

namespace native {

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
    if (!dc || !pfd)
        return 0;
    switch (dc->Kind()) {
    case TDeviceKind::dkMemory:
        return ClosestFormat(MemoryFormats(), *pfd) + 1;
    case TDeviceKind::dkWindow: {
        const int own = WindowOwnFormat(dc);
        if (own == 0)
            return 0;
        const std::vector<PIXELFORMATDESCRIPTOR> formats = FormatsOf(dc);
        return ClosestFormat({formats[own - 1]}, *pfd) == 0 ? own : 0;
    }
    case TDeviceKind::dkOther:
        break;
    }
    return 0;
}

bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (!dc || format < 1)
        return false;
    if (dc->PixelFormat() != 0)
        return dc->PixelFormat() == format;
    switch (dc->Kind()) {
    case TDeviceKind::dkMemory:
        if (format > static_cast<int>(MemoryFormats().size()))
            return false;
        break;
    case TDeviceKind::dkWindow:
        // An X window keeps the visual it was created with.
        if (format != WindowOwnFormat(dc))
            return false;
        break;
    case TDeviceKind::dkOther:
        return false;
    }
    dc->SetPixelFormatIndex(format);
    return true;
}

int DescribePixelFormat(HDC dc, int format, unsigned bytes, PIXELFORMATDESCRIPTOR* pfd) {
    if (!dc)
        return 0;
    const std::vector<PIXELFORMATDESCRIPTOR> formats = FormatsOf(dc);
    const int count = static_cast<int>(formats.size());
    if (pfd) {
        if (format < 1 || format > count)
            return 0;
        std::memcpy(pfd, &formats[format - 1],
                    std::min<std::size_t>(bytes, sizeof(PIXELFORMATDESCRIPTOR)));
    }
    return count;
}

HGLRC wglCreateContext(HDC dc, HGLRC shareWith) {
    if (!dc || dc->PixelFormat() == 0)
        return nullptr;
    TGLContext* share = nullptr;
    if (shareWith) {
        share = Find(shareWith);
        if (!share || share->Kind() != dc->Kind())
            return nullptr;
    }
    std::unique_ptr<TGLContext> context;
    if (dc->Kind() == TDeviceKind::dkMemory)
        context = CreateMemoryContext(dc->PixelFormat(), share);
    else if (dc->Kind() == TDeviceKind::dkWindow)
        context = CreateWindowContext(dc, dc->PixelFormat(), share);
    if (!context)
        return nullptr;
    if (share)
        context->JoinGroupOf(*share);
    TWindowSystem& state = State();
    const HGLRC handle = reinterpret_cast<HGLRC>(++state.LastHandle);
    state.Live.emplace(handle, std::move(context));
    static TExitRelease exitRelease;
    return handle;
}

bool wglDeleteContext(HGLRC rc) {
    TGLContext* context = Find(rc);
    if (!context)
        return false;
    TWindowSystem& state = State();
    if (state.Current == context)
        ReleaseCurrent();
    state.Live.erase(rc);
    return true;
}

bool wglMakeCurrent(HDC dc, HGLRC rc) {
    if (!rc) {
        ReleaseCurrent();
        return true;
    }
    TGLContext* context = Find(rc);
    TWindowSystem& state = State();
    if (!context || !dc || dc->Kind() != context->Kind() ||
        dc->PixelFormat() != context->Format()) {
        ReleaseCurrent();
        return false;
    }
    if (state.Current && state.Current->Kind() != context->Kind())
        ReleaseCurrent();
    if (!context->Bind(dc)) {
        ReleaseCurrent();
        context->Unbind();
        return false;
    }
    state.Current = context;
    state.CurrentDC = dc;
    return true;
}

bool wglShareLists(HGLRC first, HGLRC second) {
    TGLContext* a = Find(first);
    TGLContext* b = Find(second);
    if (!a || !b || a == b || a->Kind() != b->Kind() || b->EverCurrent())
        return false;
    if (!b->ShareFrom(*a))
        return false;
    b->JoinGroupOf(*a);
    return true;
}

bool SwapBuffers(HDC dc) {
    if (!dc || dc->PixelFormat() == 0)
        return false;
    switch (dc->Kind()) {
    case TDeviceKind::dkMemory: {
        // Single-buffered: make sure every pixel has reached the surface.
        const TGLContext* current = State().Current;
        if (current && current->Kind() == TDeviceKind::dkMemory)
            ::glFinish();
        return true;
    }
    case TDeviceKind::dkWindow:
        return SwapWindowBuffers(dc);
    case TDeviceKind::dkOther:
        break;
    }
    return false;
}

}  // namespace native

}  // namespace nyx::detail

namespace nyx {

std::uint64_t CurrentListSpace() {
    const detail::TShareGroup* group = detail::CurrentShareGroup();
    return group ? group->Serial : 0;
}

HDC CurrentDC() { return detail::State().CurrentDC; }

bool ListSpaceAlive(std::uint64_t Space) {
    for (const auto& [handle, context] : detail::State().Live)
        if (context->Group().Serial == Space)
            return true;
    return false;
}

namespace {

detail::TShareGroup* GroupOf(std::uint64_t Space) {
    for (const auto& [handle, context] : detail::State().Live)
        if (context->Group().Serial == Space)
            return &context->Group();
    return nullptr;
}

// Gives Count lists from Base of the current group up: back to its allocator when they
// came from there.
void DeleteLists(detail::TShareGroup& Group, GLuint Base, GLsizei Count) {
    if (Group.Names.Owns(Base))
        Group.Names.Release(Base, Count);
    else
        glDeleteLists(Base, Count);
}

}  // namespace

void ReleaseLists(std::uint64_t Space, GLuint Base, GLsizei Count) {
    if (Space == 0 || Base == 0 || Count <= 0)
        return;
    if (Space == CurrentListSpace()) {
        DeleteLists(*detail::CurrentShareGroup(), Base, Count);
        return;
    }
    if (detail::TShareGroup* group = GroupOf(Space))
        group->Released.emplace_back(Base, Count);
}

void DeleteReleasedLists() {
    detail::TShareGroup* group = detail::CurrentShareGroup();
    if (!group || group->Released.empty())
        return;
    // Taken first: deleting goes through the dispatch table, which may be a test's.
    const std::vector<std::pair<GLuint, GLsizei>> released = std::move(group->Released);
    group->Released.clear();
    for (const auto& [base, count] : released)
        DeleteLists(*group, base, count);
}

GLuint AllocateLists(GLsizei Count) {
    detail::TShareGroup* group = detail::CurrentShareGroup();
    return group ? group->Names.Allocate(Count) : 0;
}

GLuint SharedShapeList(std::string_view Key, const std::function<void()>& Compile) {
    detail::TShareGroup* group = detail::CurrentShareGroup();
    if (!group)
        return 0;
    if (const auto found = group->ShapeLists.find(Key); found != group->ShapeLists.end())
        return found->second;
    const GLuint list = group->Names.Allocate(1);
    if (list == 0)
        return 0;
    {
        const TOnFailure release([&] { group->Names.Release(list, 1); });
        const TGLListScope compiling(list, GL_COMPILE);
        Compile();
    }
    group->ShapeLists.emplace(Key, list);
    return list;
}

GLuint FindSharedShapeList(std::string_view Key) {
    const detail::TShareGroup* group = detail::CurrentShareGroup();
    if (!group)
        return 0;
    const auto found = group->ShapeLists.find(Key);
    return found != group->ShapeLists.end() ? found->second : 0;
}

std::size_t AllocatedLists(std::uint64_t Space) {
    const detail::TShareGroup* group = GroupOf(Space);
    return group ? group->Names.InUse() : 0;
}

}  // namespace nyx
