// The geometry cache of CacheGeometry: an object's geometry compiled into display lists,
// the passes of its children into lists of its own that call their children's, and its
// shadow volumes kept, each in the list space it was made in, while nothing it was made
// from has changed.
#include "scene/detail/geometrycache.h"

#include "gl/glscope.h"
#include "gl/wgl.h"
#include "rtl/scope.h"
#include "scene/light.h"
#include "scene/object.h"
#include "scene/scene.h"

#include <algorithm>
#include <bitset>
#include <optional>

namespace nyx {

// --- Bounds and sight ------------------------------------------------------------------

void TNyxBounds::Add(const TGLArrayd3& P) {
    if (Empty) {
        Min = Max = P;
        Empty = false;
        return;
    }
    MinBoundsd(Min, P);
    MaxBoundsd(Max, P);
}

namespace {

// Corner Index (0 to 7) of the box Lo..Hi.
TGLArrayd3 Corner(const TGLArrayd3& Lo, const TGLArrayd3& Hi, int Index) {
    return {Index & 1 ? Hi[0] : Lo[0], Index & 2 ? Hi[1] : Lo[1], Index & 4 ? Hi[2] : Lo[2]};
}

}  // namespace

void TNyxBounds::AddBox(const TGLArrayd3& Lo, const TGLArrayd3& Hi, const TGLMatrixd4& M) {
    for (int corner = 0; corner < 8; ++corner) {
        TGLArrayd3 p = Corner(Lo, Hi, corner);
        Xformd(M, p);
        Add(p);
    }
}

void TNyxBounds::AddBounds(const TNyxBounds& Other, const TGLMatrixd4& M) {
    Unbounded = Unbounded || Other.Unbounded;
    if (!Other.Empty)
        AddBox(Other.Min, Other.Max, M);
}

void TNyxBounds::Merge(const TNyxBounds& Other) {
    Unbounded = Unbounded || Other.Unbounded;
    if (!Other.Empty) {
        Add(Other.Min);
        Add(Other.Max);
    }
}

TNyxSight SightOf(const TNyxBounds& B, const TGLMatrixd4& Clip) {
    if (B.Unbounded)
        return TNyxSight::Partly;
    if (B.Empty)
        return TNyxSight::Outside;
    // Per plane (-w <= x, x <= w, likewise y and z): how many corners lie beyond it.
    std::array<int, 6> beyond{};
    int inside = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const TGLArrayd3 p = Corner(B.Min, B.Max, corner);
        std::array<double, 4> c{};
        for (std::size_t row = 0; row < 4; ++row)
            c[row] =
                Clip[row] * p[0] + Clip[4 + row] * p[1] + Clip[8 + row] * p[2] + Clip[12 + row];
        const double w = c[3];
        bool within = true;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const bool low = c[axis] < -w;
            const bool high = c[axis] > w;
            beyond[2 * axis] += low;
            beyond[2 * axis + 1] += high;
            within = within && !low && !high;
        }
        inside += within;
    }
    if (std::find(beyond.begin(), beyond.end(), 8) != beyond.end())
        return TNyxSight::Outside;
    return inside == 8 ? TNyxSight::Inside : TNyxSight::Partly;
}

// --- TNyxGeometryCache -----------------------------------------------------------------

TNyxGeometryCache::~TNyxGeometryCache() {
    for (const TGeometryEntry& e : FGeometry)
        ReleaseLists(e.Space, e.Name, 1);
    for (const TVolumeEntry& e : FVolumes)
        ReleaseLists(e.Space, e.Name, 1);
    DropItems();
}

void TNyxGeometryCache::ForgetDeadSpaces() {
    // Their lists went with their last context: nothing to give up.
    std::erase_if(FGeometry, [](const TGeometryEntry& e) { return !ListSpaceAlive(e.Space); });
    std::erase_if(FVolumes, [](const TVolumeEntry& e) { return !ListSpaceAlive(e.Space); });
    std::erase_if(FItems, [](const TItemsEntry& e) { return !ListSpaceAlive(e.Space); });
}

GLuint TNyxGeometryCache::FindGeometry(std::uint64_t Space, const TGeometryKey& Key) {
    for (auto it = FGeometry.begin(); it != FGeometry.end(); ++it) {
        if (it->Space != Space || it->Key.Face != Key.Face || it->Key.Draft != Key.Draft ||
            it->Key.Reflections != Key.Reflections)
            continue;
        if (it->Key == Key)
            return it->Name;
        ReleaseLists(Space, it->Name, 1);
        FGeometry.erase(it);
        return 0;
    }
    return 0;
}

void TNyxGeometryCache::AddGeometry(std::uint64_t Space, const TGeometryKey& Key, GLuint Name) {
    ForgetDeadSpaces();
    FGeometry.push_back({Space, Key, Name});
}

GLuint TNyxGeometryCache::FindVolume(std::uint64_t Space, const TNyxLight* Light,
                                     const TVolumeKey& Key) {
    GLuint found = 0;
    std::erase_if(FVolumes, [&](const TVolumeEntry& e) {
        const bool gone = e.LightAlive.expired();
        const bool stale = !gone && e.Space == Space && e.Light == Light && !(e.Key == Key);
        if (gone || stale) {
            ReleaseLists(e.Space, e.Name, 1);
            return true;
        }
        if (e.Space == Space && e.Light == Light)
            found = e.Name;
        return false;
    });
    return found;
}

void TNyxGeometryCache::AddVolume(std::uint64_t Space, const TNyxLight* Light,
                                  const TVolumeKey& Key, GLuint Name) {
    ForgetDeadSpaces();
    FVolumes.push_back({Space, Light, Light->AliveToken(), Key, Name});
}

bool TNyxGeometryCache::SameRun(const TItemsEntry& E, std::uint64_t Space,
                                const TNyxItemsKey& Key) {
    return E.Space == Space && E.Key.State == Key.State && E.Key.Kind == Key.Kind &&
           E.Key.Reflections == Key.Reflections && E.Key.Shadows == Key.Shadows;
}

void TNyxGeometryCache::DropVolumes(const TNyxLight* Light) {
    std::erase_if(FVolumes, [&](const TVolumeEntry& e) {
        if (Light && e.Light != Light)
            return false;
        ReleaseLists(e.Space, e.Name, 1);
        return true;
    });
}

TNyxGeometryCache::TItemsEntry* TNyxGeometryCache::HoldingItems(std::uint64_t Space,
                                                                const TNyxItemsKey& Key,
                                                                const TNyxObject* const* Items,
                                                                std::size_t Count) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        if (!SameRun(*it, Space, Key) || it->Members.front().first != Items[0])
            continue;
        const bool holds = it->Key == Key && it->Members.size() == Count &&
                           std::equal(it->Members.begin(), it->Members.end(), Items,
                                      [](const std::pair<const TNyxObject*, std::uint32_t>& m,
                                         const TNyxObject* o) {
                                          return m.first == o && m.second == o->GeometryStamp();
                                      });
        if (holds) {
            it->Use = FUse;
            return &*it;
        }
        Release(*it);
        FItems.erase(it);
        return nullptr;
    }
    return nullptr;
}

TNyxGeometryCache::TItemsEntry& TNyxGeometryCache::NewItems(std::uint64_t Space,
                                                            const TNyxItemsKey& Key,
                                                            const TNyxObject* const* Items,
                                                            std::size_t Count, GLuint Name) {
    ForgetDeadSpaces();
    TItemsEntry& e = FItems.emplace_back(TItemsEntry{Space, Key, {}, Name, FUse, false, {}});
    e.Members.reserve(Count);
    for (std::size_t i = 0; i < Count; ++i)
        e.Members.emplace_back(Items[i], Items[i]->GeometryStamp());
    return e;
}

void TNyxGeometryCache::Release(const TItemsEntry& E) {
    if (E.Name != 0)
        ReleaseLists(E.Space, E.Name, 1);
}

GLuint TNyxGeometryCache::FindItems(std::uint64_t Space, const TNyxItemsKey& Key,
                                    const TNyxObject* const* Items, std::size_t Count) {
    const TItemsEntry* e = HoldingItems(Space, Key, Items, Count);
    return e ? e->Name : 0;
}

void TNyxGeometryCache::AddItems(std::uint64_t Space, const TNyxItemsKey& Key,
                                 const TNyxObject* const* Items, std::size_t Count, GLuint Name) {
    // The bounds of a chunk culled so far stay with its list.
    if (TItemsEntry* e = HoldingItems(Space, Key, Items, Count)) {
        Release(*e);
        e->Name = Name;
        return;
    }
    NewItems(Space, Key, Items, Count, Name);
}

const TNyxBounds* TNyxGeometryCache::FindItemsBounds(std::uint64_t Space, const TNyxItemsKey& Key,
                                                     const TNyxObject* const* Items,
                                                     std::size_t Count) {
    const TItemsEntry* e = HoldingItems(Space, Key, Items, Count);
    return e && e->BoundsKnown ? &e->Bounds : nullptr;
}

void TNyxGeometryCache::StoreItemsBounds(std::uint64_t Space, const TNyxItemsKey& Key,
                                         const TNyxObject* const* Items, std::size_t Count,
                                         const TNyxBounds& Bounds) {
    TItemsEntry* e = HoldingItems(Space, Key, Items, Count);
    if (!e)
        e = &NewItems(Space, Key, Items, Count, 0);
    e->Bounds = Bounds;
    e->BoundsKnown = true;
}

void TNyxGeometryCache::DropItemsUnused(std::uint64_t Space, const TNyxItemsKey& Key) {
    std::erase_if(FItems, [&](const TItemsEntry& e) {
        if (!SameRun(e, Space, Key) || e.Use == FUse)
            return false;
        Release(e);
        return true;
    });
}

void TNyxGeometryCache::DropItems() {
    for (const TItemsEntry& e : FItems)
        Release(e);
    FItems.clear();
}

// --- TNyxObject ------------------------------------------------------------------------

TNyxGeometryCache& TNyxObject::GeometryCache() {
    if (!FGeometryCache)
        FGeometryCache = std::make_unique<TNyxGeometryCache>();
    return *FGeometryCache;
}

void TNyxObject::DropGeometryCache() { FGeometryCache.reset(); }

void TNyxObject::DropShadowVolumes(const TNyxLight* Light) {
    if (FGeometryCache)
        FGeometryCache->DropVolumes(Light);
}

void TNyxObject::DrawGeometry(std::uint32_t Face, bool Draft) {
    TNyxScene* scene = Scene();
    const std::uint64_t space = scene ? scene->Frame().ListSpace() : 0;
    if (space == 0 || !CacheableGeometry() || FPerFrame) {
        // The frame's list space is set aside while a list is compiled.
        if (scene && scene->Frame().Compiling())
            CompileSpecific(Face, Draft);
        else
            DrawSpecific(Face, Draft);
        return;
    }
    // A mirror's image is drawn without reflections, and a mirror's geometry differs
    // then: the switch as the frame sees it now is part of the key.
    const TNyxGeometryCache::TGeometryKey key{Face, Draft, scene->Frame().Reflections(),
                                              FGeometryStamp, scene->CacheEpoch()};
    TNyxGeometryCache& cache = GeometryCache();
    if (const GLuint name = cache.FindGeometry(space, key)) {
        glCallList(name);
        return;
    }
    const GLuint name = PrepareGeometry() ? AllocateLists(1) : 0;
    if (name == 0) {
        DrawSpecific(Face, Draft);
        return;
    }
    bool spoilt = false;
    {
        const TOnFailure release([&] { ReleaseLists(space, name, 1); });
        const TNyxFrame::TListCompile compiling(scene->Frame(), *this);
        const TGLListScope list(name, GL_COMPILE);
        CompileSpecific(Face, Draft);
        spoilt = compiling.Spoilt();
    }
    if (spoilt) {
        ReleaseLists(space, name, 1);
        DrawSpecific(Face, Draft);
        return;
    }
    cache.AddGeometry(space, key, name);
    scene->CompileProgress(1);
    glCallList(name);
}

void TNyxObject::DrawsPerFrame() {
    FPerFrame = true;
    for (TNyxObject* p = this; p; p = p->FParent)
        p->FCompilableKnown = false;
}

// --- Lists of a group's children ------------------------------------------------------

namespace {

// The passes that draw geometry and nothing else: the ones a group's list may stand for.
bool CompiledPass(TNyxDrawState State, TNyxDrawKind Kind) {
    if (Kind == dkSelect)
        return false;
    switch (State) {
    case dsAllObjects:
    case dsNonShadowObjects:
    case dsShadowObjects:
    case dsTransparent:
        return true;
    default:
        return false;
    }
}

// Projection times modelview as they are now: what takes local coordinates to clip space.
TGLMatrixd4 ViewClipMatrix() {
    TGLMatrixd4 projection, modelview, clip;
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview.data());
    MultMatrixd(projection, modelview, clip);
    return clip;
}

// At most this many consecutive children share one list: an edit compiles its member's
// list again, not every sibling's.
constexpr std::size_t ChunkSize = 512;

TNyxItemsKey ItemsKey(const TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    return {std::uint32_t(State), std::uint32_t(Kind), Scene.Frame().Reflections(), Scene.Shadows(),
            Scene.CacheEpoch()};
}

}  // namespace

bool TNyxObject::CompilableDraw() const { return &ClassType() == &TNyxObject::StaticClass(); }

bool TNyxObject::SubtreeCompilable() {
    if (!FCompilableKnown || FCompilableStamp != FGeometryStamp) {
        bool compilable = CompilableDraw() && !FPerFrame;
        for (std::size_t i = 0; compilable && i < FItems.size(); ++i)
            compilable = FItems[i]->SubtreeCompilable();
        FCompilable = compilable;
        FCompilableStamp = FGeometryStamp;
        FCompilableKnown = true;
    }
    return FCompilable;
}

TNyxObject::TNyxExtent TNyxObject::DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = Max = {0, 0, 0};
    return &ClassType() == &TNyxObject::StaticClass() ? exNothing : exUnknown;
}

TNyxBounds TNyxObject::SubtreeBounds() {
    TNyxBounds bounds;
    if (!FVisible)
        return bounds;
    if (!FItems.empty())
        if (const TNyxBounds* known = GeometryCache().SubtreeBounds(FGeometryStamp))
            return *known;
    TGLMatrixd4 local;
    FXForm.GetMatrix(local);
    TGLArrayd3 lo, hi;
    switch (DrawnExtent(lo, hi)) {
    case exNothing:
        break;
    case exBox:
        bounds.AddBox(lo, hi, local);
        break;
    case exUnknown:
        bounds.Unbounded = true;
        break;
    }
    if (FSelected) {  // the box round GetSize, whatever the class draws
        GetSize(lo, hi);
        bounds.AddBox(lo, hi, local);
    }
    if (FItems.empty())
        return bounds;
    for (TNyxObject* child : FItems)
        bounds.AddBounds(child->SubtreeBounds(), local);
    GeometryCache().StoreSubtreeBounds(FGeometryStamp, bounds);
    return bounds;
}

TNyxSight TNyxObject::ChunkSight(const TGLMatrixd4& Clip, std::uint64_t Space,
                                 const TNyxItemsKey& Key, std::size_t First, std::size_t Last) {
    const TNyxObject* const* items = FItems.data() + First;
    TNyxGeometryCache& cache = GeometryCache();
    if (const TNyxBounds* known = cache.FindItemsBounds(Space, Key, items, Last - First))
        return SightOf(*known, Clip);
    TNyxBounds bounds;
    for (std::size_t i = First; i < Last; ++i)
        bounds.Merge(FItems[i]->SubtreeBounds());
    cache.StoreItemsBounds(Space, Key, items, Last - First, bounds);
    return SightOf(bounds, Clip);
}

// The children are drawn in runs of consecutive SubtreeCompilable ones, each run in
// chunks of at most ChunkSize, each chunk through a list of this object's. A member that
// has children of its own calls its chunks' lists from inside the chunk's list (lists
// cannot be compiled inside one another, but can call one another): those are compiled
// first (PrepareLists). Outside the compiled passes, or with the cache off, each child
// is drawn on its own.
void TNyxObject::DrawChildren(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    const std::uint64_t space = Scene ? Scene->Frame().GroupSpace() : 0;
    // A leaf keeps no cache of its own for children it does not have.
    if (space == 0 || !CompiledPass(State, Kind) || FItems.empty()) {
        // By index: a hook may attach objects (never during a pass in the library itself,
        // but application hooks are free to).
        for (std::size_t i = 0; i < FItems.size(); ++i)
            FItems[i]->Draw(Scene, State, Kind);
        return;
    }
    const TNyxItemsKey key = ItemsKey(*Scene, State, Kind);
    TNyxGeometryCache& cache = GeometryCache();
    cache.BeginItemsUse();
    // Culling asks the view of this very frame: never inside a list, which is called under
    // whatever view its caller has.
    const bool inList = Scene->Frame().Compiling();
    std::optional<TGLMatrixd4> clip;
    if (!inList && Scene->CullGeometry())
        clip = ViewClipMatrix();
    ForEachChunk([&](std::size_t First, std::size_t Last) {
        if (clip && FItems[First]->SubtreeCompilable()) {
            const TNyxSight sight = ChunkSight(*clip, space, key, First, Last);
            if (sight == TNyxSight::Outside)
                return;
            // Partly seen groups are walked, so that their own chunks are culled in turn;
            // the objects beside them are drawn straight, not into lists of their own.
            if (sight == TNyxSight::Partly &&
                std::any_of(FItems.begin() + std::ptrdiff_t(First),
                            FItems.begin() + std::ptrdiff_t(Last),
                            [](const TNyxObject* o) { return !o->FItems.empty(); })) {
                for (std::size_t i = First; i < Last; ++i) {
                    const TNyxFrame::TSpaceAside aside(Scene->Frame(), FItems[i]->FItems.empty());
                    FItems[i]->Draw(Scene, State, Kind);
                }
                return;
            }
            if (sight == TNyxSight::Partly &&
                DrawSeenChildren(*Scene, State, Kind, *clip, First, Last))
                return;
        }
        // A single object without children has lists of its own already.
        const GLuint name = Last == First + 1 && FItems[First]->FItems.empty()
                                ? 0
                                : ChunkList(*Scene, State, Kind, space, key, First, Last, !inList);
        if (name == 0) {
            for (std::size_t i = First; i < Last; ++i)
                FItems[i]->Draw(Scene, State, Kind);
        } else {
            Scene->Frame().State().CallList(name);
        }
    });
    cache.DropItemsUnused(space, key);
}

// A view onto part of a drawing whose objects are spread over all of it sees a part of
// most chunks: their lists would draw everything. The objects seen are drawn one by one
// instead, in their order, so that the pixels are those of the list, while they are few
// enough for that to cost less than the list.
bool TNyxObject::DrawSeenChildren(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind,
                                  const TGLMatrixd4& Clip, std::size_t First, std::size_t Last) {
    std::bitset<ChunkSize> seen;
    std::size_t count = 0;
    for (std::size_t i = First; i < Last; ++i)
        if (SightOf(FItems[i]->SubtreeBounds(), Clip) != TNyxSight::Outside) {
            seen.set(i - First);
            ++count;
        }
    if (2 * count > Last - First)
        return false;
    const TNyxFrame::TSpaceAside aside(Scene.Frame(), true);
    for (std::size_t i = First; i < Last; ++i)
        if (seen.test(i - First))
            FItems[i]->Draw(&Scene, State, Kind);
    return true;
}

template <class F>
void TNyxObject::ForEachChunk(F Chunk) {
    for (std::size_t i = 0; i < FItems.size();) {
        std::size_t last = i;
        while (last < FItems.size() && last - i < ChunkSize && FItems[last]->SubtreeCompilable())
            ++last;
        if (last == i)
            ++last;  // a child drawn on its own
        Chunk(i, last);
        i = last;
    }
}

GLuint TNyxObject::ChunkList(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind,
                             std::uint64_t Space, const TNyxItemsKey& Key, std::size_t First,
                             std::size_t Last, bool Compile) {
    if (!FItems[First]->SubtreeCompilable())
        return 0;
    const TNyxObject* const* items = FItems.data() + First;
    const std::size_t count = Last - First;
    TNyxGeometryCache& cache = GeometryCache();
    if (const GLuint found = cache.FindItems(Space, Key, items, count))
        return found;
    if (!Compile)
        return 0;
    bool ready = true;
    for (std::size_t i = First; i < Last; ++i)
        ready = FItems[i]->PrepareLists(Scene, State, Kind, Space, Key) && ready;
    const GLuint name = ready ? AllocateLists(1) : 0;
    if (name == 0)
        return 0;
    bool spoilt = false;
    {
        const TOnFailure release([&] { ReleaseLists(Space, name, 1); });
        const TNyxFrame::TListCompile compiling(Scene.Frame());
        const TGLListScope list(name, GL_COMPILE);
        for (std::size_t i = First; i < Last; ++i)
            FItems[i]->Draw(&Scene, State, Kind);
        Scene.Frame().State().CloseBracket();
        spoilt = compiling.Spoilt();
    }
    if (spoilt) {
        // What was drawn holds this frame alone; the members that read it are drawn
        // without lists from now on, and their siblings in chunks of their own.
        ReleaseLists(Space, name, 1);
        return 0;
    }
    cache.AddItems(Space, Key, items, count, name);
    Scene.CompileProgress(count);
    return name;
}

bool TNyxObject::PrepareLists(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind,
                              std::uint64_t Space, const TNyxItemsKey& Key) {
    if (!PrepareGeometry())
        return false;
    if (!FVisible || FItems.empty())
        return true;
    bool ready = true;
    TNyxGeometryCache& cache = GeometryCache();
    cache.BeginItemsUse();
    ForEachChunk([&](std::size_t First, std::size_t Last) {
        if (Last == First + 1 && FItems[First]->FItems.empty())
            ready = FItems[First]->PrepareGeometry() && ready;
        else
            ready = ChunkList(Scene, State, Kind, Space, Key, First, Last, true) != 0 && ready;
    });
    cache.DropItemsUnused(Space, Key);
    return ready;
}

}  // namespace nyx
