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

// --- TNyxGeometryCache -----------------------------------------------------------------

TNyxGeometryCache::~TNyxGeometryCache() {
    for (const TGeometryEntry& e : FGeometry)
        ReleaseLists(e.Space, e.Name, 1);
    for (const TVolumeEntry& e : FVolumes)
        ReleaseLists(e.Space, e.Name, 1);
}

void TNyxGeometryCache::ForgetDeadSpaces() {
    // Their lists went with their last context: nothing to give up.
    std::erase_if(FGeometry, [](const TGeometryEntry& e) { return !ListSpaceAlive(e.Space); });
    std::erase_if(FVolumes, [](const TVolumeEntry& e) { return !ListSpaceAlive(e.Space); });
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
        DrawSpecific(Face, Draft);
    } catch (...) {
        glDeleteLists(name, 1);
        throw;
    }
    cache.AddGeometry(space, key, name);
    glCallList(name);
}

}  // namespace nyx
