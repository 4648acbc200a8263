#pragma once
// TNyxObject: a node of the scene graph and the base of everything placed in a scene.
//
// Two independent links: the framework owner (streams and finally frees the
// component) and the scene-graph parent (draws it and frees its children first).
// Both are raw pointers kept valid by the destructors: a node leaves its parent's
// Items when it dies and frees its own children.
//
// Sections: tree - notification registry - update protocol - properties -
// geometry - naming and copying.

#include "geom/geom.h"
#include "rtl/classes.h"
#include "scene/material.h"
#include "scene/scene_fwd.h"
#include "scene/vertex.h"
#include "scene/xform.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nyx {

class TNyxGeometryCache;
class TNyxGLState;
struct TNyxItemsKey;
struct TNyxBounds;
enum class TNyxSight;
class TNyxLight;

// Data points to the Parent field for saInsert and saRemove, to the new index
// (std::int32_t) for saMove and to the old name (std::string) for saRename.
using TNyxObjectNotify = TEvent<TNyxObject*, TNyxObjectAction, void*>;
using TNyxIterateProc = void (*)(TNyxObject* Obj, void* Data);

const TEnumInfo& TNyxDrawTypeInfo();
const TEnumInfo& TNyxObjectActionInfo();

// Number of TNyxObject instances alive, of every class; reported at shutdown.
extern std::int32_t LiveObjectCount;

class TNyxObject : public TComponent {
    NYX_CLASS(TNyxObject)
public:
    explicit TNyxObject(TComponent* AOwner);
    // Announces saRemove (only the root of a freed subtree does), frees the
    // children, and warns through a message box about listeners still registered.
    ~TNyxObject() override;

    // The scene root overrides this; everything else is not a scene.
    virtual TNyxScene* AsScene() { return nullptr; }

    // --- Tree ---
    TNyxObject* Parent() const { return FParent; }
    // The nearest scene above this object, looked up through the parents each time,
    // so it is never one that has gone away or that the subtree has been moved from.
    TNyxScene* Scene() const;

    TComponent* GetParentComponent() const override { return FParent; }
    bool HasParent() const override { return FParent != nullptr; }
    // Detaches, then attaches at the end of Value's Items when Value is a scene
    // object. Refuses this object itself and its descendants (EInvalidOperation),
    // before anything changes.
    void SetParentComponent(TComponent* Value) override;
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

    int GetItemsCount() const { return int(FItems.size()); }
    TNyxObject* GetItem(int Index) const;  // EListError out of range
    const std::vector<TNyxObject*>& Items() const { return FItems; }
    // Position in the parent's Items; 0 without a parent.
    int GetItemIndex() const;
    // Moves within the parent's Items, clamped to the valid range; announces saMove.
    void SetItemIndex(int Value);
    // First direct child whose Ident matches ignoring ASCII case, or none.
    TNyxObject* ItemByIdent(const std::string& Ident) const;

    // Inserts the ancestors at the front of List, root first.
    void ListParents(std::vector<TNyxObject*>& List) const;
    // Appends the descendants in post-order; with classes given, only instances of
    // (descendants of) one of them.
    void ListChildren(std::vector<TNyxObject*>& List,
                      const std::vector<const TMetaClass*>& Classes = {}) const;
    // Calls Proc on this object, then on the subtree, pre-order.
    void Iterate(TNyxIterateProc Proc, void* Data);
    // Frees the children, last first, inside an update bracket.
    virtual void Clear();
    // Passes the animation time (seconds) on to the children.
    virtual void Action(double Time);

    // --- Notification registry ---
    // One entry per method: a method already registered (for any receiver) is not
    // added again.
    void RegisterNotify(TNyxObjectNotify Proc);
    void UnregisterNotify(TNyxObjectNotify Proc);
    int NotifyCount() const { return int(FNotifyList.size()); }
    // The root's listeners first, then each level down to this object.
    void DoNotify(TNyxObject* Sender, TNyxObjectAction Action, void* Data);

    // --- Update protocol ---
    virtual void BeginUpdate();
    virtual void EndUpdate();
    std::int32_t UpdateCount() const { return FUpdateCount; }
    // Climbs to the root unless some object on the way is inside BeginUpdate.
    virtual void Invalidate(TObject* Sender);
    // Advances exactly when this object's or an ancestor's transform has changed
    // since the last query.
    std::int32_t GetChangeIndex();
    // Advances with every change of the object or of one of its descendants (every
    // Invalidate, also inside an update bracket, and Assign): the display lists cached for
    // it are compiled again after it.
    std::uint32_t GeometryStamp() const { return FGeometryStamp; }
    // Advances the stamps of this object and its ancestors.
    void GeometryChanged();

    // --- Properties ---
    const std::string& Ident() const { return FIdent; }
    void SetIdent(const std::string& Value);

    TColor Color() const { return FColor; }
    // Also sets ambient and diffuse of both faces of Material.
    virtual void SetColor(TColor Value);
    // The colour handed to OpenGL: the front face's diffuse floats.
    const TRGBAf& ColorRGBA() const { return FColorRGBA; }

    TNyxMaterial* Material() { return &FMaterial; }
    const TNyxMaterial* Material() const { return &FMaterial; }
    std::int32_t MaterialIndex() const { return FMaterialIndex; }
    virtual void SetMaterialIndex(std::int32_t Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    bool Selected() const { return FSelected; }
    virtual void SetSelected(bool Value);
    TNyxDrawType DrawType() const { return FDrawType; }
    virtual void SetDrawType(TNyxDrawType Value);
    bool Smooth() const { return FSmooth; }
    virtual void SetSmooth(bool Value);
    bool CastShadows() const { return FCastShadows; }
    bool ReceiveShadows() const { return FReceiveShadows; }
    // Index 0 CastShadows, 1 ReceiveShadows; others do nothing.
    virtual void SetShadows(int Index, bool Value);

    TNyxXForm* XForm() { return &FXForm; }
    const TNyxXForm* XForm() const { return &FXForm; }
    TNyxVertex3* Point1() { return &FPoint1; }
    const TNyxVertex3* Point1() const { return &FPoint1; }
    TNyxVertex3* Point2() { return &FPoint2; }
    const TNyxVertex3* Point2() const { return &FPoint2; }

    // Field writes without invalidation, for the scene's selection and for drawing
    // passes that hide an object for a moment.
    // A change of selection still advances the geometry stamps: a group's compiled list
    // holds its members' selection boxes.
    void StoreSelected(bool Value) {
        if (Value != FSelected) {
            FSelected = Value;
            GeometryChanged();
        }
    }
    void StoreVisible(bool Value) { FVisible = Value; }

    // --- Drawing (scene/draw.cpp) ---
    // One object's share of a pass: nothing when hidden (the subtree included);
    // otherwise, inside the object's transform, the children first, then the hook of
    // the pass, or, when selecting, the geometry under the object's selection name.
    virtual void Draw(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind);
    virtual void DrawChildren(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind);
    // The step's share after the children: the geometry under the object's selection
    // name when selecting, otherwise the hook of State. Type and ReceiveShadows are
    // those of the node being drawn, which a proxy is when it draws its target.
    void DrawPass(TNyxScene* Scene, TNyxDrawState State, TNyxDrawKind Kind, TNyxDrawType Type,
                  bool ReceiveShadows);
    // The hooks of the passes. Empty here, except DrawMain and DrawTransparent, which
    // draw the geometry and then the selection box when selected.
    virtual void DrawPre();
    virtual void DrawLight(bool ShadowPass);
    virtual void DrawMain(bool Draft);
    virtual void DrawTransparent(bool Draft);
    virtual void DrawReflections();
    virtual void BuildShadowVolumes();
    virtual void DrawShadowVolumes();
    virtual void DrawShadows(bool Draft);
    virtual void DrawPost();
    // The dotted box of GetSize with its corners, in local coordinates.
    virtual void DrawSelection();
    // The object's own geometry in local coordinates; Face is GL_FRONT, GL_BACK or
    // GL_FRONT_AND_BACK, Draft asks for outlines. Nothing in this class.
    virtual void DrawSpecific(std::uint32_t Face, bool Draft);
    // DrawSpecific as a display list records it: the same primitives and values, so the
    // same pixels, but in a form that the driver replays faster from a list where there
    // is one. DrawSpecific here.
    virtual void CompileSpecific(std::uint32_t Face, bool Draft) { DrawSpecific(Face, Draft); }
    // DrawSpecific as the render passes ask for it. While the scene renders with
    // CacheGeometry on, the geometry is compiled once into a display list of the current
    // list space and the list is called while the object, the scene's switches and its
    // material library stay as they were (scene/geometrycache.cpp). Selection and
    // feedback renders call DrawSpecific itself.
    void DrawGeometry(std::uint32_t Face, bool Draft);
    // Whether DrawSpecific depends on nothing but the object's published state, so that
    // a compiled list may stand for it. False here, where there is nothing to draw (groups,
    // lights, cameras); the drawable classes answer true, except those drawn by the
    // application's callbacks.
    virtual bool CacheableGeometry() const { return false; }
    // Runs before DrawSpecific is compiled into a list: builds what cannot be built
    // while a list is being compiled (lists of its own). False when the geometry cannot
    // be had now: it is then drawn directly and compiled at a later draw.
    virtual bool PrepareGeometry() { return true; }
    // Whether every geometry pass of the object (main, transparent and their shadow
    // variants, selection box included) draws nothing but what its published state, its
    // geometry stamp and the scene's switches and library make, so that the passes of
    // consecutive such siblings, subtrees and all, may be compiled into one display list
    // of their parent's while none of their stamps moves (scene/geometrycache.cpp). True
    // for plain groups (this very class) and the drawable classes; false for lights,
    // cameras, proxies, mirrors and objects drawn by the application's callbacks. A class
    // whose passes read per-frame state must answer false.
    virtual bool CompilableDraw() const;
    // How far what the object's own geometry reaches (its selection box is counted
    // apart), in local coordinates: nothing (groups), within a box, or not known. With the scene's
    // CullGeometry on, a list of children whose extents all lie outside the view is not
    // called; an object of unknown extent is never left out.
    enum TNyxExtent { exNothing, exBox, exUnknown };
    // exNothing for plain groups (this very class), exUnknown for any other class that
    // does not answer for itself.
    virtual TNyxExtent DrawnExtent(TGLArrayd3& Min, TGLArrayd3& Max) const;
    // The object's cached lists and volumes, made on first use.
    TNyxGeometryCache& GeometryCache();
    // Gives up every cached list and volume of the object (they are deleted in their
    // list space, at once when it is current).
    void DropGeometryCache();
    // Gives up the cached shadow volumes the object casts from Light; all without one.
    void DropShadowVolumes(const TNyxLight* Light = nullptr);

    // --- Geometry ---
    virtual void GetMatrix(TGLMatrixd4& M) const;
    virtual void GetAbsoluteMatrix(TGLMatrixd4& M) const;
    virtual void GetCenter(TGLArrayd3& C) const;
    virtual void GetAbsoluteCenter(TGLArrayd3& C) const;
    // Local axis-aligned bounds; a unit cube round the origin here.
    virtual void GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const;
    // Both corners of GetSize transformed: under a rotation this is not the box
    // round the rotated object.
    virtual void GetAbsoluteSize(TGLArrayd3& Min, TGLArrayd3& Max) const;
    virtual void GetMin(TGLArrayd3& V) const;
    virtual void GetAbsoluteMin(TGLArrayd3& V) const;
    virtual void GetMax(TGLArrayd3& V) const;
    virtual void GetAbsoluteMax(TGLArrayd3& V) const;
    virtual double GetRadius() const;
    // GetRadius times the largest axis scale of the absolute matrix.
    virtual double GetAbsoluteRadius() const;

    // --- Persistence (scene/persistence.cpp) ---
    // Children are always written, whatever the writer's IgnoreChildren says.
    void WriteState(TWriter& Writer) override;
    // Reads the properties and the children. A class that publishes XForm has its
    // translation, rotation and scale zeroed without notice first (streams leave out
    // components that are 0, which must read back as 0 whatever the object held) and
    // the transform recomposed afterwards.
    void ReadState(TReader& Reader) override;
    // The reader's error callback during a load: every property that cannot be read
    // (unknown to the class, or a value it refuses) is skipped.
    virtual void OnReadError(TReader* Reader, const std::string& Message, bool& Handled);
    // The stream signature, then this object as the root with its subtree.
    virtual void SaveToWriter(TWriter& Writer);
    // Replaces the children by the stream's and reads this object's properties, in an
    // update bracket that ends however the read ends: Clear, OnReadError installed, the
    // root read (the stored class is not compared), then this object's own name given
    // back (one saRename when the stream held another).
    virtual void LoadFromReader(TReader& Reader);
    // The files are written under a temporary name beside FileName and put in its place
    // only when all was written, so a failed save leaves the old file as it was. Errors
    // name the file (and, reading, the position in it).
    virtual void SaveToFile(const std::string& FileName);
    virtual void SaveToTextFile(const std::string& FileName);
    // The whole file is checked (signature, structure, registered classes) before
    // anything is freed: a file that fails the check leaves this object untouched.
    virtual void LoadFromFile(const std::string& FileName);
    virtual void LoadFromTextFile(const std::string& FileName);

    // --- Naming and copying ---
    // Renames through the framework, then announces saRename with the old name,
    // except while loading.
    void SetName(const std::string& NewName) override;
    // From another scene object: Ident, colour, flags and the two points, by field
    // (nothing is invalidated). Transform, material, name and tree stay.
    void Assign(const TPersistent* Source) override;

protected:
    // Called on every object of a subtree that has just been attached where Scene
    // reaches it.
    virtual void JoinedScene(TNyxScene* Scene);
    // The GL state the object's primitives draw through: its scene's frame's, or an eager
    // one outside any scene.
    TNyxGLState& GLState() const;

private:
    friend class TNyxFrame;
    void Detach();
    // The object's hooks read the frame's own state while a list was compiled: it is
    // kept out of lists from now on, and so is every subtree that holds it.
    void DrawsPerFrame();
    // CompilableDraw of the object and of its whole subtree, remembered until its stamp
    // moves.
    bool SubtreeCompilable();
    // Calls Chunk(First, Last) for the children in order: the children a list of this
    // object's may stand for (consecutive SubtreeCompilable ones, a limited number), and
    // each other child alone.
    template <class F>
    void ForEachChunk(F Chunk);
    // The list of Space for the pass standing for the children [First, Last), found or,
    // when Compile, compiled (their own lists first); 0 when there is none, when they
    // cannot be compiled together or cannot be prepared now (PrepareGeometry).
    std::uint32_t ChunkList(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind,
                            std::uint64_t Space, const TNyxItemsKey& Key, std::size_t First,
                            std::size_t Last, bool Compile);
    // What the object and its visible subtree draw, in its parent's coordinates
    // (remembered for a group until its stamp moves).
    TNyxBounds SubtreeBounds();
    // Where the children [First, Last) lie against the view of Clip (their bounds kept
    // with their list, or measured now).
    TNyxSight ChunkSight(const TGLMatrixd4& Clip, std::uint64_t Space, const TNyxItemsKey& Key,
                         std::size_t First, std::size_t Last);
    // Draws those of the children [First, Last), none of which has children, that lie in
    // the view of Clip, each straight and in order, when at most half of them do; false,
    // drawing nothing, when more do.
    bool DrawSeenChildren(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind,
                          const TGLMatrixd4& Clip, std::size_t First, std::size_t Last);
    // Before a list that draws this object is compiled: its geometry is prepared and the
    // lists its pass will call for its children are compiled. False when that cannot be
    // done now.
    bool PrepareLists(TNyxScene& Scene, TNyxDrawState State, TNyxDrawKind Kind, std::uint64_t Space,
                      const TNyxItemsKey& Key);
    void RemoveChild(TNyxObject* Child);
    void ListChildrenInto(std::vector<TNyxObject*>& List,
                          const std::vector<const TMetaClass*>& Classes) const;
    bool IsSelfOrAncestorOf(const TNyxObject* Other) const;

    std::string FIdent;
    std::vector<TNyxObjectNotify> FNotifyList;
    TNyxObject* FParent = nullptr;
    std::vector<TNyxObject*> FItems;
    TColor FColor;
    TRGBAf FColorRGBA;
    TNyxMaterial FMaterial;
    std::int32_t FMaterialIndex = -1;
    bool FVisible = true;
    bool FSelected = false;
    TNyxDrawType FDrawType = dtFill;
    bool FCastShadows = false;
    bool FReceiveShadows = false;
    bool FSmooth = true;
    TNyxXForm FXForm;
    std::int32_t FUpdateCount = 0;
    std::int32_t FChangeIndex = 0;
    std::int32_t FXFormSnapshot = 0;
    std::int32_t FParentSnapshot = 0;
    TNyxVertex3 FPoint1;
    TNyxVertex3 FPoint2;
    std::uint32_t FGeometryStamp = 0;
    std::uint32_t FCompilableStamp = 0;
    bool FCompilableKnown = false;
    bool FCompilable = false;
    bool FPerFrame = false;  // DrawsPerFrame
    std::unique_ptr<TNyxGeometryCache> FGeometryCache;
};

// Descriptions of inherited state for the property tables of descendants: each
// class publishes the ones it shows, with these defaults.
namespace NyxObjectProps {
TPropInfo XForm();
TPropInfo Color();
TPropInfo Material();
TPropInfo MaterialIndex();
TPropInfo Visible();
TPropInfo Selected();
TPropInfo DrawType();
TPropInfo Smooth();
TPropInfo CastShadows();
TPropInfo ReceiveShadows();
// Point1 or Point2 under the name the class gives it ("P", "Position", "Target", ...).
TPropInfo Point1(const std::string& Name);
TPropInfo Point2(const std::string& Name);
}  // namespace NyxObjectProps

}  // namespace nyx
