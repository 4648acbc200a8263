#pragma once
// TDXFConverter: imports an ASCII DXF drawing as scene objects below a root object
// and exports the root's subtree as DXF.
//
// Layers are the root's direct children; each entity becomes one object below its
// layer. Reading goes through a small tokenizer over a block buffer (one group is a
// code line and a value line); every public step of the import and the export is
// callable on its own, so that applications can read drawings of their own layout.
//
// Additions to the converter as first designed, because drawings made by current CAD
// programs rely on them:
// - LWPOLYLINE entities are imported as polylines (bulges become chords at the
//   resolution circles use); the writer still writes POLYLINE.
// - A negative layer colour (a layer switched off) gives the colour of its absolute
//   value and a hidden layer object; entity colours 256 (by layer) and 257 (by
//   object) take the layer's colour like 0.
// - Polyface face indices are taken by absolute value (a negative one only hides an
//   edge); a fourth index of 0 makes a triangle.
// - Every entity kind makes the layer the drawing does not list, or is refused with
//   "Invalid Layer (name)", as POLYLINE is; such a layer is white when the entity has
//   no colour of its own (black would hide it). A polyface mesh is told by its flag 64.
// - A binary DXF file (it begins with BinaryDXFSentinel) is refused with a message
//   saying so before anything is freed.
// - The writer's header names the version (AC1009) and the code page (ANSI_1252) of
//   what it writes, so other readers need not guess.
// One more for the people who read the errors: FileLine, the line of the file the
// reading stands at (the errors' own number also counts the lines read again after
// each section search).
//
// Sections: errors - colour table - entity record - converter (properties,
// tokenizer, reading steps, writing steps).

#include "geom/geom.h"
#include "rtl/classes.h"
#include "rtl/graphics.h"
#include "rtl/progress.h"
#include "rtl/sysutils.h"
#include "scene/scene_fwd.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nyx {

class TFileStream;
class TNyxLabel;
class TStream;

// --- Errors ------------------------------------------------------------------------

// Malformed DXF input. With a line number of 0 or above the message gets a second line
// naming it; -1 and below leave the message as it is.
class EDXFReadException : public Exception {
public:
    EDXFReadException(const std::string& Message, std::int64_t LineNumber);
    std::int64_t LineNumber() const { return FLineNumber; }

private:
    std::int64_t FLineNumber;
};

// The 22 bytes a binary DXF file begins with.
inline constexpr std::string_view BinaryDXFSentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// --- Colours -----------------------------------------------------------------------

// Colour values by DXF colour number, used both ways. Only the first 30 entries
// follow the usual CAD palette; the rest are white.
extern const std::array<TColor, 256> DXF_Layer_Colors;

// --- Entity record -------------------------------------------------------------------

// The groups of one entity (or table entry) as far as the converter uses them.
class TEntity {
public:
    std::array<TGLArrayd3, 4> Points{};     // 10/20/30 .. 13/23/33
    double Size = 0;                        // 40: radius, text height
    double StartAngle = 0;                  // 50
    double EndAngle = 0;                    // 51
    std::int32_t ColorNumber = 0;           // 62
    std::int32_t Flags = 0;                 // 70
    std::array<std::int32_t, 4> Indices{};  // 71 .. 74
    std::int32_t FollowFlag = 0;            // 66
    std::string Text;                       // 1
    std::string Name;                       // 2
    std::string Layer;                      // 8
    std::string LineType;                   // 6
    // Additions for the extended entities: scale factors, width factor, curve
    // parameters and array spacings, and the extrusion direction (all zero when absent).
    std::array<double, 5> Factors{};  // 41 .. 45
    TGLArrayd3 Extrusion{};           // 210/220/230

    // Back to zero and empty, keeping the strings' storage.
    void Clear();
};

// --- The converter -------------------------------------------------------------------

class TDXFConverter : public TComponent {
    NYX_CLASS(TDXFConverter)
public:
    explicit TDXFConverter(TComponent* AOwner);
    ~TDXFConverter() override;

    // --- Published properties ---
    TNyxObject* Root() const { return FRoot; }
    void SetRoot(TNyxObject* Value);
    bool ClearBeforRead() const { return FClearBeforRead; }
    void SetClearBeforRead(bool Value) { FClearBeforRead = Value; }
    bool CreateLayersIfNotExists() const { return FCreateLayersIfNotExists; }
    void SetCreateLayersIfNotExists(bool Value) { FCreateLayersIfNotExists = Value; }
    bool WriteVPORTInfo() const { return FWriteVPORTInfo; }
    void SetWriteVPORTInfo(bool Value) { FWriteVPORTInfo = Value; }
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    // An addition: the entities drawings of current CAD programs are made of besides the
    // classic ones, each into an object kind that exists. MTEXT becomes labels, one per
    // line; TEXT is rotated, aligned and widened as drawn; SOLID and TRACE become
    // polygons; ELLIPSE and SPLINE polylines; a solid HATCH triangles filling its
    // boundary (holes by the odd rule), another HATCH its boundary as closed
    // polylines. Blocks become groups (TNyxActor) below a hidden holder of Root named
    // BlockHolderIdent, placed so that their base point is their origin; each INSERT
    // becomes a TNyxProxy of its block per cell of its array, and a DIMENSION one of its
    // picture's block. Off (the default), the reading is the classic one.
    bool ReadExtendedEntities() const { return FReadExtendedEntities; }
    void SetReadExtendedEntities(bool Value) { FReadExtendedEntities = Value; }
    // An addition: a layer that is not Visible is written switched off, its colour
    // number negative, as the reader takes it back (a black layer, number 0, has no
    // negative and stays on). Off (the default), every layer is written on.
    bool WriteLayersOff() const { return FWriteLayersOff; }
    void SetWriteLayersOff(bool Value) { FWriteLayersOff = Value; }
    // An addition: the largest distance of the chords of an ellipse or a spline from
    // the curve, as a fraction of the curve's size (its major radius, the diagonal of
    // its control points' box); clamped to 0.00001 .. 0.5. 0, the default, stands for
    // DefaultDeviation, about what circles' 45 segments keep to.
    double Deviation() const { return FDeviation; }
    static constexpr double DefaultDeviation = 0.002;
    void SetDeviation(double Value);
    static constexpr const char* BlockHolderIdent = "*BLOCKS";

    // An addition: the progress of LoadFromFile, in bytes of the file read out of its
    // size, at most once per hundredth and once when the load has succeeded. A handler
    // that raises cancels the load, which then ends as it ends on a read error.
    const TProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(const TProgressEvent& Value) { FOnProgress = Value; }

    // Clears Root when that object goes.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // --- Reading ---
    // The whole import. The file is opened and its first block read before anything
    // of Root is freed, so a file that cannot be read leaves the drawing as it was.
    // However the load ends, the file is closed and Root's update bracket ends; what
    // was read before a failure stays in the tree. The panels of Root's scene repaint
    // once, at the end, also when Root is the scene itself (held in a load scope).
    void LoadFromFile();
    // $EXTMIN / $EXTMAX of the last load, or the extent of the last save.
    void get_min_extent(TGLArrayd3& P) const { P = FMinExtent; }
    void get_max_extent(TGLArrayd3& P) const { P = FMaxExtent; }

    // Opens FileName for the tokenizer and reads its first block (the platform's I/O
    // error when either fails); LoadFromFile does so itself. For programs that walk a
    // drawing's groups on their own. CloseFile is harmless without an open file.
    void OpenFile();
    void CloseFile();

    // Tokenizer, on the file that LoadFromFile or OpenFile has opened (without one,
    // every read meets the end of the file).
    // The next group's code; -2 at the end of the file or at a code line that is not
    // an integer. Counts both lines of the group.
    std::int32_t NextGroupCode();
    // The value line of the current group (at most 255 characters).
    const std::string& ValStr() const { return FValue; }
    // The value as a number; EDXFReadException naming the line when it is none.
    double ValDbl();
    std::int32_t ValInt();
    // Next group's code and value; false when the code is negative.
    bool code_and_string(std::int32_t& Code, std::string& S);
    bool code_and_double(std::int32_t& Code, double& D);
    // Skips to the next group 10 and takes its value as X and the value of the group
    // after it as Y; false at the end of the file.
    bool read_2Dpoint(double& X, double& Y);
    // Makes Code and Value the current group and returns them from the next
    // NextGroupCode again.
    void go_back_to_last(std::int32_t Code, const std::string& Value);
    // Remembers the file offset of the next unread byte; goto_marked_position reads
    // on from there. Neither touches the line counter or a pushed-back group.
    void mark_position();
    void goto_marked_position();
    // Lines read since this converter was made, re-read lines included: the number
    // the read errors carry.
    std::int64_t LineCount() const { return FLineCount; }
    // An addition: the number of the last line read in the file opened last, counted
    // from the file's start (a rewind to a marked position goes back to the line
    // there). After a failed load, the line of the file the failure lies at, for
    // messages to people, whom a count of re-read lines would send elsewhere.
    std::int64_t FileLine() const { return FFileLine; }

    // Section steps; each returns whether it succeeded.
    bool skip_upto_section(const std::string& Name);
    bool move_to_header_section();
    bool move_to_classes_section();
    bool move_to_tables_section();
    bool move_to_blocks_section();
    bool move_to_entity_section();
    bool read_header();
    bool read_classes();
    bool read_tables();
    bool read_layer_information();
    bool read_vport_information();
    bool read_blocks();
    bool read_entities();

    // Entity steps; false on an entity cut short by the end of the file.
    // Groups up to the next code 0, which is pushed back.
    bool read_entity_data(TEntity& Entity);
    // An entity whose only use is its layer: Layer is its layer object, created when
    // missing and CreateLayersIfNotExists allows it. None when the read failed.
    std::optional<TEntity> read_generic(TNyxObject*& Layer);
    bool read_point();
    bool read_text();
    bool read_line();
    bool read_circle();
    bool read_arc();
    bool read_3dface();
    bool read_insert();
    bool read_polyline();
    bool read_lwpolyline();
    // Extended entities (dxf/extended.cpp), read while ReadExtendedEntities is on.
    bool read_mtext();
    bool read_solid();
    bool read_ellipse();
    bool read_spline();
    bool read_hatch();
    bool read_dimension();

    // --- Writing ---
    // The whole export: the header, the tables and every entity of Root's subtree,
    // written beside FileName under a temporary name that replaces the file only when
    // all was written, so a failed export leaves the old file as it was. Unnamed direct
    // children of Root are named LAYER_0000, LAYER_0001, ... on the way.
    void SaveToFile();
    // Sections and tables, on the output SaveToFile has open. The header's extent is
    // the box round every object written, in world coordinates.
    void write_header();
    void write_tables();
    void write_vport_information();
    void write_layer_information();
    void write_entities();
    // Entity bodies: 62 and 2 first (write_entity), each body built on the smaller one.
    void write_entity(const TEntity& Entity);
    void write_point(const TEntity& Entity);
    void write_line(const TEntity& Entity);
    void write_circle(const TEntity& Entity);
    void write_arc(const TEntity& Entity);
    void write_text(const TEntity& Entity);
    void write_polyline(const TEntity& Entity);
    void write_vertex(const TEntity& Entity);
    void write_3dface(const TEntity& Entity);
    // Additions: the blocks of a drawing read with ReadExtendedEntities, and the proxies
    // of them as INSERTs.
    void write_blocks();
    void write_insert(const TEntity& Entity);

    // The index whose colour lies nearest to Color's three low bytes (first one on a
    // tie): white gives 7, black 0.
    static std::int32_t find_DXF_color(TColor Color);

private:
    // Tokenizer internals (dxf/tokenizer.cpp).
    static constexpr std::int64_t ReadBufferSize = 4096;
    static constexpr std::size_t OutputBufferSize = 64 * 1024;
    bool ReadLine(std::string_view& Line);
    bool ReadLineSlow(std::string_view& Line);
    bool FillBuffer();
    [[noreturn]] void RaiseRead(const std::string& Message) const;

    // Reading internals (dxf/reader.cpp).
    void IndexLayers();
    TNyxObject* FindLayer(const std::string& Name);
    TNyxObject* NewLayer(const std::string& Name);
    TNyxObject* LayerForSequence(const TEntity& Entity);
    TColor ColorOf(std::int64_t ColorNumber) const;
    TColor EntityColor(const TEntity& Entity, TNyxObject* Layer) const;
    void ApplyLayerColor(TNyxObject* Layer, std::int32_t ColorNumber) const;
    template <class T, class F>
    bool ReadSimpleEntity(F SetUp);
    void AddPolyfaceFace(const TEntity& Face, const TEntity& Mesh, TColor Color, TNyxObject* Parent,
                         const TNyxCollection& Vertexes);
    bool ReadEntityList(std::string_view End);
    // The groups of an entity whose groups repeat, up to the next code 0 (pushed back):
    // name (2), layer (8), colour (62) and flags (70) into Entity, every other code to
    // OnGroup(code). False at the end of the file.
    template <class F>
    bool ReadOwnGroups(TEntity& Entity, F OnGroup);

    // Extended reading internals (dxf/extended.cpp). Objects of a block go into its
    // group, the others below their layer.
    TNyxObject* EntityParent(TNyxObject* Layer) const { return FBlock ? FBlock : Layer; }
    TNyxObject* BlockGroup(const std::string& Name);
    bool ReadBlocks();
    void AddInsert(const TEntity& Insert, TNyxObject* Layer);
    void PlaceText(TNyxLabel* Label, const TEntity& Text) const;
    double CurveDeviation() const { return FDeviation > 0 ? FDeviation : DefaultDeviation; }

    // Writing internals (dxf/writer.cpp).
    void FlushOutput();
    char* Reserve(std::size_t Length);
    void PutString(std::int32_t Code, std::string_view Value);
    void PutInt(std::int32_t Code, std::int64_t Value);
    void PutReal(std::int32_t Code, double Value);
    // Offers one object to the entity writer, on the layer named LayerName.
    void WriteObject(TNyxObject* Obj, const std::string& LayerName, const TNyxObject* Layer);
    void WriteSubtree(TNyxObject* Top, const std::string& LayerName, const TNyxObject* Layer);
    bool IsBlockHolder(const TNyxObject* Obj) const;

    TNyxObject* FRoot = nullptr;
    bool FClearBeforRead = true;
    bool FCreateLayersIfNotExists = true;
    bool FWriteVPORTInfo = false;
    std::string FFileName;
    bool FReadExtendedEntities = false;
    bool FWriteLayersOff = false;
    double FDeviation = 0;
    // During a load: the block group being read, the holder and the groups by name.
    TNyxObject* FBlock = nullptr;
    TNyxObject* FBlockHolder = nullptr;
    std::unordered_map<std::string, TNyxObject*> FBlocks;
    TProgressEvent FOnProgress;

    // Reading state.
    TProgressReporter FProgress;
    std::unique_ptr<TFileStream> FFile;
    std::unique_ptr<char[]> FBuffer;
    std::int64_t FBufferFill = 0;
    std::int64_t FBufferIndex = 0;
    std::int64_t FBufferStart = 0;
    std::int64_t FErrorState = 0;
    std::int32_t FCode = 0;
    std::int64_t FLineCount = 0;
    std::string FValue;
    std::string FLongLine;  // a line that ran over the end of the buffer
    std::int64_t FMarkedPosition = 0;
    std::int64_t FFileLine = 0;
    std::int64_t FMarkedLine = 0;
    bool FPushedBack = false;
    TEntity FEntity;
    // Root's direct children by upper-case Ident (the first of equal ones) during a
    // load, so that matching an entity's layer costs no scan of the layers.
    std::unordered_map<std::string, TNyxObject*> FLayers;
    std::string FLayerKey;

    // Writing state: the open output and its buffer.
    TStream* FOutput = nullptr;
    std::unique_ptr<char[]> FOutBuffer;
    std::size_t FOutFill = 0;

    TGLArrayd3 FMinExtent{0, 0, 0};
    TGLArrayd3 FMaxExtent{0, 0, 0};
    double FViewportAspect = 1.0;
};

}  // namespace nyx
