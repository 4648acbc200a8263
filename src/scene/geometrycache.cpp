// The geometry cache of CacheGeometry: an object's geometry compiled into display lists
// and its shadow volumes kept, each in the list space it was made in, while nothing it
// was made from has changed.
#include "scene/detail/geometrycache.h"

#include "gl/glscope.h"
#include "gl/wgl.h"
#include "scene/light.h"
#include "scene/object.h"
#include "scene/scene.h"

#include <algorithm>

namespace nyx {

// --- TNyxListState ------------------------------------------------------------------

void TNyxListState::Apply(const TNyxMaterial& M) {
    // A texture is sent whole each time, with the faces as they are.
    const bool whole = !M.TexturePixels().empty();
    if (whole)
        M.ApplayMaterial(GL_FRONT_AND_BACK);
    ApplyFace(FFront, *M.FrontFace(), !whole);
    ApplyFace(FBack, *M.BackFace(), !whole);
}

void TNyxListState::ApplyFace(TFace& Known, const TNyxFaceMaterial& F, bool Emit) {
    static constexpr GLenum Names[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};
    const std::array<TRGBAf, 4> rgba{F.AmbientRGBA(), F.DiffuseRGBA(), F.SpecularRGBA(),
                                     F.EmissionRGBA()};
    const float shininess = F.Shininess();
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (Emit && (!Known.Known || Known.RGBA[i] != rgba[i]))
            glMaterialfv(F.Face(), Names[i], rgba[i].data());
    if (Emit && (!Known.Known || Known.Shininess != shininess))
        glMaterialfv(F.Face(), GL_SHININESS, &shininess);
    Known = {true, rgba, shininess};
}

void TNyxListState::OpenLines(float Width, bool Stippled, std::uint16_t Pattern, bool Smooth) {
    if (FLinesOpen && Width == FLineWidth && Stippled == FStippled &&
        (!Stippled || Pattern == FPattern) && Smooth == FSmooth)
        return;
    CloseLines();
    glPushAttrib(GL_LINE_BIT);
    glLineWidth(Width);
    if (Stippled) {
        glLineStipple(1, Pattern);
        glEnable(GL_LINE_STIPPLE);
    }
    glNormal3b(127, 0, 0);
    if (Smooth)
        glEnable(GL_LINE_SMOOTH);
    FLinesOpen = true;
    FLineWidth = Width;
    FStippled = Stippled;
    FPattern = Pattern;
    FSmooth = Smooth;
}

void TNyxListState::CloseLines() {
    if (!FLinesOpen)
        return;
    glPopAttrib();
    FLinesOpen = false;
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

GLuint TNyxGeometryCache::FindItems(std::uint64_t Space, const TItemsKey& Key,
                                    const TNyxObject* const* Items, std::size_t Count) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        if (it->Space != Space || it->Key.State != Key.State || it->Key.Kind != Key.Kind ||
            it->Members.front().first != Items[0])
            continue;
        const bool holds = it->Key == Key && it->Members.size() == Count &&
                           std::equal(it->Members.begin(), it->Members.end(), Items,
                                      [](const std::pair<const TNyxObject*, std::uint32_t>& m,
                                         const TNyxObject* o) {
                                          return m.first == o && m.second == o->GeometryStamp();
                                      });
        if (holds)
            return it->Name;
        ReleaseLists(Space, it->Name, 1);
        FItems.erase(it);
        return 0;
    }
    return 0;
}

void TNyxGeometryCache::AddItems(std::uint64_t Space, const TItemsKey& Key,
                                 const TNyxObject* const* Items, std::size_t Count, GLuint Name) {
    ForgetDeadSpaces();
    TItemsEntry& e = FItems.emplace_back(TItemsEntry{Space, Key, {}, Name});
    e.Members.reserve(Count);
    for (std::size_t i = 0; i < Count; ++i)
        e.Members.emplace_back(Items[i], Items[i]->GeometryStamp());
}

void TNyxGeometryCache::DropItems() {
    for (const TItemsEntry& e : FItems)
        ReleaseLists(e.Space, e.Name, 1);
    FItems.clear();
}

// --- TNyxObject ------------------------------------------------------------------------

TNyxGeometryCache& TNyxObject::GeometryCache() {
    if (!FGeometryCache)
        FGeometryCache = std::make_unique<TNyxGeometryCache>();
    return *FGeometryCache;
}

void TNyxObject::DropGeometryCache() { FGeometryCache.reset(); }

void TNyxObject::DrawGeometry(std::uint32_t Face, bool Draft) {
    const TNyxScene* scene = Scene();
    const std::uint64_t space = scene ? scene->CacheListSpace() : 0;
    if (space == 0 || !CacheableGeometry()) {
        // The scene's list space is set aside while a group's list is compiled.
        if (scene && scene->ListState())
            CompileSpecific(Face, Draft);
        else
            DrawSpecific(Face, Draft);
        return;
    }
    // The mirrored image is drawn with the scene's reflections off for a moment, and a
    // mirror's geometry differs then: the switch as it is now is part of the key.
    const TNyxGeometryCache::TGeometryKey key{Face, Draft, scene->Reflections(), FGeometryStamp,
                                              scene->CacheEpoch()};
    TNyxGeometryCache& cache = GeometryCache();
    if (const GLuint name = cache.FindGeometry(space, key)) {
        glCallList(name);
        return;
    }
    const GLuint name = PrepareGeometry() ? glGenLists(1) : 0;
    if (name == 0) {
        DrawSpecific(Face, Draft);
        return;
    }
    try {
        const TGLListScope list(name, GL_COMPILE);
        CompileSpecific(Face, Draft);
    } catch (...) {
        glDeleteLists(name, 1);
        throw;
    }
    cache.AddGeometry(space, key, name);
    glCallList(name);
}

}  // namespace nyx

namespace nyx {

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

// The scene's list space set aside while a group's list is compiled (its state
// followed meanwhile), and given back
// however the compile ends.
class TListSpaceAside {
public:
    TListSpaceAside(TNyxScene& Scene, TNyxListState& State)
        : FScene(Scene), FSpace(Scene.CacheListSpace()) {
        FScene.StoreCacheListSpace(0);
        FScene.StoreListState(&State);
    }
    ~TListSpaceAside() {
        FScene.StoreListState(nullptr);
        FScene.StoreCacheListSpace(FSpace);
    }
    TListSpaceAside(const TListSpaceAside&) = delete;
    TListSpaceAside& operator=(const TListSpaceAside&) = delete;

private:
    TNyxScene& FScene;
    std::uint64_t FSpace;
};

}  // namespace

bool TNyxObject::CompilableDraw() const { return &ClassType() == &TNyxObject::StaticClass(); }

bool TNyxObject::SubtreeCompilable() {
    if (!FCompilableKnown || FCompilableStamp != FGeometryStamp) {
        bool compilable = CompilableDraw();
        for (std::size_t i = 0; compilable && i < FItems.size(); ++i)
            compilable = FItems[i]->SubtreeCompilable();
        FCompilable = compilable;
        FCompilableStamp = FGeometryStamp;
        FCompilableKnown = true;
    }
    return FCompilable;
}

bool TNyxObject::PrepareSubtree() {
    bool ready = PrepareGeometry();
    for (TNyxObject* item : FItems)
        ready = item->PrepareSubtree() && ready;
    return ready;
}

void TNyxObject::DrawChildren(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind) {
    const bool compiled = Scene && Scene->CacheListSpace() != 0 && CompiledPass(State, Kind);
    // By index: a hook may attach objects (never during a pass in the library itself,
    // but application hooks are free to).
    for (std::size_t i = 0; i < FItems.size();) {
        std::size_t last = i;
        while (compiled && last < FItems.size() && FItems[last]->SubtreeCompilable())
            ++last;
        // A single object without children has its own lists already.
        if (last > i + 1 || (last == i + 1 && !FItems[i]->FItems.empty())) {
            DrawCompiledItems(Scene, State, Kind, i, last);
            i = last;
        } else {
            FItems[i++]->Draw(Scene, State, Kind);
        }
    }
}

void TNyxObject::DrawCompiledItems(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind,
                                   std::size_t First, std::size_t Last) {
    const std::uint64_t space = Scene->CacheListSpace();
    const TNyxGeometryCache::TItemsKey key{std::uint32_t(State), std::uint32_t(Kind),
                                           Scene->Reflections(), Scene->Shadows(),
                                           Scene->CacheEpoch()};
    const TNyxObject* const* items = FItems.data() + First;
    const std::size_t count = Last - First;
    TNyxGeometryCache& cache = GeometryCache();
    if (const GLuint name = cache.FindItems(space, key, items, count)) {
        glCallList(name);
        return;
    }
    bool ready = true;
    for (std::size_t i = First; i < Last; ++i)
        ready = FItems[i]->PrepareSubtree() && ready;
    const GLuint name = ready ? glGenLists(1) : 0;
    if (name == 0) {
        for (std::size_t i = First; i < Last; ++i)
            FItems[i]->Draw(Scene, State, Kind);
        return;
    }
    try {
        TNyxListState state;
        const TListSpaceAside aside(*Scene, state);
        const TGLListScope list(name, GL_COMPILE);
        for (std::size_t i = First; i < Last; ++i)
            FItems[i]->Draw(Scene, State, Kind);
        state.CloseLines();
    } catch (...) {
        glDeleteLists(name, 1);
        throw;
    }
    cache.AddItems(space, key, items, count, name);
    glCallList(name);
}

}  // namespace nyx
