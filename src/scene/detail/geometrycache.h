#pragma once
// Inside the geometry cache: the display lists and shadow volumes compiled for one object
// (scene/geometrycache.cpp). Each entry belongs to one list space (gl/wgl.h), holds the
// name of its list there and what it was compiled from; the entries' lists are given up
// with the cache.

#include "geom/geom.h"
#include "gl/gl_fwd.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace nyx {

class TNyxLight;
class TNyxObject;

// A box in an object's local coordinates that what it draws lies in, grown point by point;
// unbounded when something inside cannot be bounded.
struct TNyxBounds {
    TGLArrayd3 Min{};
    TGLArrayd3 Max{};
    bool Empty = true;
    bool Unbounded = false;
    void Add(const TGLArrayd3& P);
    // The eight corners of the box Lo..Hi through M.
    void AddBox(const TGLArrayd3& Lo, const TGLArrayd3& Hi, const TGLMatrixd4& M);
    // Other, in the coordinates M takes it from, into these.
    void AddBounds(const TNyxBounds& Other, const TGLMatrixd4& M);
    // Other, in the same coordinates.
    void Merge(const TNyxBounds& Other);
};

// Where a box lies against the view volume of the clip matrix (projection times
// modelview) it is tested with.
enum class TNyxSight { Outside, Partly, Inside };
// Exact for Outside and Inside in homogeneous clip space: Outside when every corner lies
// beyond one and the same clip plane, Inside when every corner lies within all six.
// An empty box is Outside, an unbounded one Partly.
TNyxSight SightOf(const TNyxBounds& B, const TGLMatrixd4& Clip);

// What a list of consecutive children was compiled for, besides the children and their
// stamps.
struct TNyxItemsKey {
    std::uint32_t State;
    std::uint32_t Kind;
    bool Reflections;
    bool Shadows;
    std::uint32_t Epoch;
    bool operator==(const TNyxItemsKey&) const = default;
};

class TNyxGeometryCache {
public:
    TNyxGeometryCache() = default;
    // Gives up every list (ReleaseLists).
    ~TNyxGeometryCache();
    TNyxGeometryCache(const TNyxGeometryCache&) = delete;
    TNyxGeometryCache& operator=(const TNyxGeometryCache&) = delete;

    // What a geometry list was compiled from: the object's stamp and the scene's epoch at
    // compile time, and the arguments and scene switches it was compiled for.
    struct TGeometryKey {
        std::uint32_t Face;
        bool Draft;
        bool Reflections;
        std::uint32_t Stamp;
        std::uint32_t Epoch;
        bool operator==(const TGeometryKey&) const = default;
    };
    // What a shadow volume was built from.
    struct TVolumeKey {
        std::uint32_t Stamp;
        std::uint32_t Epoch;
        std::int32_t ChangeIndex;       // the object's
        std::int32_t LightChangeIndex;  // the light's
        TGLArrayd3 L;                   // the light's absolute centre
        bool Directional;
        bool operator==(const TVolumeKey&) const = default;
    };

    // The list compiled in Space for Key, or 0. A list of Space compiled for the same
    // face and draft flag from an older state is given up (and forgotten) on the way.
    GLuint FindGeometry(std::uint64_t Space, const TGeometryKey& Key);
    void AddGeometry(std::uint64_t Space, const TGeometryKey& Key, GLuint Name);
    // The volume built in Space for Light from Key, or 0; an older one for the same
    // light is given up, and so are the volumes of lights that have gone.
    GLuint FindVolume(std::uint64_t Space, const TNyxLight* Light, const TVolumeKey& Key);
    void AddVolume(std::uint64_t Space, const TNyxLight* Light, const TVolumeKey& Key, GLuint Name);
    // Gives up the volumes built for Light, in every list space; all of them without one.
    void DropVolumes(const TNyxLight* Light);

    // The list compiled in Space for Key from Items[0, Count) as they are now (the same
    // objects in the same order, none of their stamps moved), or 0. A list of Space for
    // the same pass and switches that starts at the same object and no longer holds is
    // given up.
    GLuint FindItems(std::uint64_t Space, const TNyxItemsKey& Key, const TNyxObject* const* Items,
                     std::size_t Count);
    void AddItems(std::uint64_t Space, const TNyxItemsKey& Key, const TNyxObject* const* Items,
                  std::size_t Count, GLuint Name);
    // Around a walk through all the children's lists for one key: the lists of that pass
    // and switches that were neither found nor added since BeginItemsUse are given up
    // (their runs have changed bounds: an object came in front of them, say).
    void BeginItemsUse() { ++FUse; }
    void DropItemsUnused(std::uint64_t Space, const TNyxItemsKey& Key);
    // Gives up the lists of children: a child has left, and another one may come at its
    // address with the same stamp.
    void DropItems();

    // Culling: the bounds of Items[0, Count) kept for Space and Key while the same
    // objects with the same stamps are there (with their list, or before it is compiled),
    // or none. Finding them counts as a use.
    const TNyxBounds* FindItemsBounds(std::uint64_t Space, const TNyxItemsKey& Key,
                                      const TNyxObject* const* Items, std::size_t Count);
    void StoreItemsBounds(std::uint64_t Space, const TNyxItemsKey& Key,
                          const TNyxObject* const* Items, std::size_t Count,
                          const TNyxBounds& Bounds);
    // The bounds of the object's subtree (scene/geometrycache.cpp) made at Stamp, or none.
    const TNyxBounds* SubtreeBounds(std::uint32_t Stamp) const {
        return FSubtreeKnown && FSubtreeStamp == Stamp ? &FSubtree : nullptr;
    }
    void StoreSubtreeBounds(std::uint32_t Stamp, const TNyxBounds& Bounds) {
        FSubtree = Bounds;
        FSubtreeStamp = Stamp;
        FSubtreeKnown = true;
    }

    std::size_t ItemsCount() const { return FItems.size(); }
    std::size_t GeometryCount() const { return FGeometry.size(); }
    std::size_t VolumeCount() const { return FVolumes.size(); }

private:
    struct TGeometryEntry {
        std::uint64_t Space;
        TGeometryKey Key;
        GLuint Name;
    };
    struct TVolumeEntry {
        std::uint64_t Space;
        const TNyxLight* Light;
        std::weak_ptr<const void> LightAlive;  // tells a gone light from a new one there
        TVolumeKey Key;
        GLuint Name;
    };

    struct TItemsEntry {
        std::uint64_t Space;
        TNyxItemsKey Key;
        std::vector<std::pair<const TNyxObject*, std::uint32_t>> Members;
        GLuint Name;  // 0 while only the bounds are known
        std::uint32_t Use;
        bool BoundsKnown = false;
        TNyxBounds Bounds;
    };

    // Whether E is of Space and for the pass and switches of Key, whatever its epoch.
    static bool SameRun(const TItemsEntry& E, std::uint64_t Space, const TNyxItemsKey& Key);
    // Forgets the entries of list spaces whose contexts are all gone.
    void ForgetDeadSpaces();
    // The entry of Space for Key that holds Items[0, Count) as they are now, counted as
    // used; or none, after giving up one of the same run that no longer holds.
    TItemsEntry* HoldingItems(std::uint64_t Space, const TNyxItemsKey& Key,
                              const TNyxObject* const* Items, std::size_t Count);
    TItemsEntry& NewItems(std::uint64_t Space, const TNyxItemsKey& Key,
                          const TNyxObject* const* Items, std::size_t Count, GLuint Name);
    static void Release(const TItemsEntry& E);

    std::vector<TGeometryEntry> FGeometry;
    std::vector<TVolumeEntry> FVolumes;
    std::vector<TItemsEntry> FItems;
    std::uint32_t FUse = 0;
    TNyxBounds FSubtree;
    std::uint32_t FSubtreeStamp = 0;
    bool FSubtreeKnown = false;
};

}  // namespace nyx
