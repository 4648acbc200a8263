// Reading a drawing: the load as a whole, the sections and the entities.
//
// Sections: load - sections - layers and colours - entities.
#include "dxf/converter.h"
#include "dxf/detail/build.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "rtl/scope.h"
#include "rtl/streams.h"
#include "scene/object.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <cmath>
#include <numbers>
#include <optional>

namespace nyx {

using detail::AppendVertex;
using detail::CircleSegments;
using detail::PlaceXForm;
using detail::SetVertex;
using detail::TBuilt;

// --- Load ------------------------------------------------------------------------------

void TDXFConverter::LoadFromFile() {
    if (!FRoot)
        throw Exception("TDXFConverter.LoadFromFile: Can't load into Root=nil");
    if (FFileName.empty())
        throw Exception("TDXFConverter.LoadFromFile: No file name defined");

    // Opened, and the first block read, before anything is freed.
    OpenFile();
    const TOnExit close([this] {
        CloseFile();
        FLayers.clear();
        FBlocks.clear();
        FBlock = FBlockHolder = nullptr;
        FProgress = {};
    });
    if (std::string_view(FBuffer.get(), std::size_t(FBufferFill)).starts_with(BinaryDXFSentinel))
        throw EDXFReadException("TDXFConverter.LoadFromFile: the file is a binary DXF drawing, "
                                "which is not read; save the drawing as ASCII DXF",
                                -1);
    FProgress = TProgressReporter(FOnProgress, this, FFile->Size());
    FProgress.Report(0);

    TNyxObject* root = FRoot;
    // A scene as Root repaints on every change unless held: with the hold, once, when
    // the bracket below ends. Opened first, so that it closes after the bracket.
    std::optional<TNyxScene::TLoadScope> hold;
    if (TNyxScene* scene = root->AsScene())
        hold.emplace(*scene);
    const TUpdateScope bracket(*root);
    if (FClearBeforRead)
        while (!root->Items().empty())
            delete root->Items().back();
    IndexLayers();

    using TStep = bool (TDXFConverter::*)();
    static constexpr std::pair<TStep, TStep> sections[] = {
        {&TDXFConverter::move_to_header_section, &TDXFConverter::read_header},
        {&TDXFConverter::move_to_classes_section, &TDXFConverter::read_classes},
        {&TDXFConverter::move_to_tables_section, &TDXFConverter::read_tables},
        {&TDXFConverter::move_to_blocks_section, &TDXFConverter::read_blocks},
    };
    for (const auto& [move, read] : sections) {
        mark_position();
        if (!(this->*move)() || !(this->*read)())
            goto_marked_position();
    }
    if (!move_to_entity_section() || !read_entities())
        throw EDXFReadException(
            "TDXFConverter.LoadFromFile :No Entities or invalid Entities section in DXF file", -1);
    FProgress.Finish();
}

// --- Sections ------------------------------------------------------------------------------

bool TDXFConverter::skip_upto_section(const std::string& Name) {
    bool afterSection = false;
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (afterSection && code == 2 && FValue == Name)
            return true;
        afterSection = code == 0 && FValue == "SECTION";
    }
}

bool TDXFConverter::move_to_header_section() { return skip_upto_section("HEADER"); }
bool TDXFConverter::move_to_classes_section() { return skip_upto_section("CLASSES"); }
bool TDXFConverter::move_to_tables_section() { return skip_upto_section("TABLES"); }
bool TDXFConverter::move_to_blocks_section() { return skip_upto_section("BLOCKS"); }
bool TDXFConverter::move_to_entity_section() { return skip_upto_section("ENTITIES"); }

bool TDXFConverter::read_header() {
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code == 0 && FValue == "ENDSEC")
            return true;
        if (code != 9)
            continue;
        if (FValue == "$EXTMAX" && !read_2Dpoint(FMaxExtent[0], FMaxExtent[1]))
            return false;
        if (FValue == "$EXTMIN" && !read_2Dpoint(FMinExtent[0], FMinExtent[1]))
            return false;
    }
}

// Their content is passed over by the next section's search, unless the blocks are read
// for the extended entities.
bool TDXFConverter::read_classes() { return true; }
bool TDXFConverter::read_blocks() { return !FReadExtendedEntities || ReadBlocks(); }

bool TDXFConverter::read_tables() {
    for (;;) {
        std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code != 0)
            continue;
        if (FValue == "ENDSEC")
            return true;
        if (FValue != "TABLE")
            continue;
        code = NextGroupCode();
        if (code < 0)
            return false;
        if (code == 2 && FValue == "LAYER" && !read_layer_information())
            return false;
        if (code == 2 && FValue == "VPORT" && !read_vport_information())
            return false;
    }
}

bool TDXFConverter::read_layer_information() {
    TNyxObject* layer = nullptr;  // of the entry being read
    for (;;) {
        std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code == 0) {
            if (FValue == "ENDTAB")
                return true;
            layer = nullptr;
            if (FValue != "LAYER")
                continue;
            do {
                code = NextGroupCode();
                if (code < 0)
                    return false;
            } while (code != 2);
            layer = FindLayer(FValue);
            if (!layer)
                layer = NewLayer(FValue);
        } else if (code == 62 && layer) {
            ApplyLayerColor(layer, ValInt());
        }
    }
}

bool TDXFConverter::read_vport_information() {
    TEntity entry;
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code == 0 && FValue == "ENDTAB")
            return true;
        if (code == 0 && FValue == "VPORT" && !read_entity_data(entry))
            return false;
    }
}

bool TDXFConverter::read_entities() { return ReadEntityList("ENDSEC"); }

// Entities up to "0"/End: true there, false at the end of the file. A list that ends
// short of End at the end of its section leaves the ENDSEC to be read again.
bool TDXFConverter::ReadEntityList(std::string_view End) {
    struct TReaderEntry {
        const char* Name;
        bool (TDXFConverter::*Read)();
        const char* Message;
    };
    static constexpr TReaderEntry readers[] = {
        {"POINT", &TDXFConverter::read_point, "Error reading Point entity"},
        {"INSERT", &TDXFConverter::read_insert, "Error reading Insert entity"},
        {"TEXT", &TDXFConverter::read_text, "Error reading Text entity"},
        {"LINE", &TDXFConverter::read_line, "Error reading Line entity"},
        {"ARC", &TDXFConverter::read_arc, "Error reading Arc entity"},
        {"CIRCLE", &TDXFConverter::read_circle, "Error reading Circle entity"},
        {"3DFACE", &TDXFConverter::read_3dface, "Error reading 3DFace entity"},
        {"POLYLINE", &TDXFConverter::read_polyline, "Error reading Polyline entity"},
        {"LWPOLYLINE", &TDXFConverter::read_lwpolyline, "Error reading LWPolyline entity"},
    };
    static constexpr TReaderEntry extended[] = {
        {"MTEXT", &TDXFConverter::read_mtext, "Error reading MText entity"},
        {"SOLID", &TDXFConverter::read_solid, "Error reading Solid entity"},
        {"TRACE", &TDXFConverter::read_solid, "Error reading Trace entity"},
        {"ELLIPSE", &TDXFConverter::read_ellipse, "Error reading Ellipse entity"},
        {"SPLINE", &TDXFConverter::read_spline, "Error reading Spline entity"},
        {"HATCH", &TDXFConverter::read_hatch, "Error reading Hatch entity"},
        {"DIMENSION", &TDXFConverter::read_dimension, "Error reading Dimension entity"},
    };
    const auto dispatch = [this](const auto& Readers) {
        for (const TReaderEntry& r : Readers)
            if (FValue == r.Name) {
                if (!(this->*r.Read)())
                    RaiseRead(r.Message);
                return true;
            }
        return false;
    };
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code != 0)
            continue;
        if (FValue == End)
            return true;
        if (FValue == "ENDSEC") {
            go_back_to_last(code, FValue);
            return true;
        }
        if (!dispatch(readers) && FReadExtendedEntities)
            dispatch(extended);
    }
}

// --- Layers and colours --------------------------------------------------------------------

namespace {
void UpperInto(std::string& Key, const std::string& Name) {
    Key.resize(Name.size());
    for (std::size_t i = 0; i < Name.size(); ++i) {
        const char c = Name[i];
        Key[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
}
}  // namespace

void TDXFConverter::IndexLayers() {
    FLayers.clear();
    for (TNyxObject* child : FRoot->Items()) {
        UpperInto(FLayerKey, child->Ident());
        FLayers.emplace(FLayerKey, child);  // the first of equal names wins
    }
}

TNyxObject* TDXFConverter::FindLayer(const std::string& Name) {
    UpperInto(FLayerKey, Name);
    const auto it = FLayers.find(FLayerKey);
    return it == FLayers.end() ? nullptr : it->second;
}

TNyxObject* TDXFConverter::NewLayer(const std::string& Name) {
    auto* layer = new TNyxActor(FRoot);
    layer->SetIdent(Name);
    layer->SetParentComponent(FRoot);
    UpperInto(FLayerKey, Name);
    FLayers.emplace(FLayerKey, layer);
    return layer;
}

TColor TDXFConverter::ColorOf(std::int64_t ColorNumber) const {
    if (ColorNumber < 0 || ColorNumber >= std::int64_t(DXF_Layer_Colors.size()))
        RaiseRead("TDXFConverter.LoadFromFile: colour number " + std::to_string(ColorNumber) +
                  " is outside 0..255");
    return DXF_Layer_Colors[std::size_t(ColorNumber)];
}

// Drawings switch a layer off by giving its colour number a minus sign.
void TDXFConverter::ApplyLayerColor(TNyxObject* Layer, std::int32_t ColorNumber) const {
    std::int64_t number = ColorNumber;
    if (number < 0) {
        number = -number;
        Layer->SetVisible(false);
    }
    Layer->SetColor(ColorOf(number));
}

namespace {
// 256 means "by layer" and 257 "by object"; either takes the layer's colour, as 0 does.
bool TakesLayerColor(std::int32_t ColorNumber) {
    return ColorNumber == 0 || ColorNumber == 256 || ColorNumber == 257;
}
}  // namespace

TNyxObject* TDXFConverter::LayerForSequence(const TEntity& Entity) {
    if (TNyxObject* layer = FindLayer(Entity.Layer))
        return layer;
    if (!FCreateLayersIfNotExists)
        RaiseRead("Invalid Layer (" + Entity.Layer + ")");
    // Without a colour of its own, the entity's layer is white (7), as CAD programs make
    // layers their table does not list; colour 0, black, would hide it on a dark view.
    const TColor color =
        ColorOf(TakesLayerColor(Entity.ColorNumber) ? 7 : std::int64_t(Entity.ColorNumber));
    TNyxObject* layer = NewLayer(Entity.Layer);
    layer->SetColor(color);
    return layer;
}

TColor TDXFConverter::EntityColor(const TEntity& Entity, TNyxObject* Layer) const {
    return TakesLayerColor(Entity.ColorNumber) ? Layer->Color() : ColorOf(Entity.ColorNumber);
}

// --- Entities ------------------------------------------------------------------------------

bool TDXFConverter::read_entity_data(TEntity& Entity) {
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        switch (code) {
        case 0:
            go_back_to_last(code, FValue);
            return true;
        case 10:
        case 11:
        case 12:
        case 13:
            Entity.Points[std::size_t(code - 10)][0] = ValDbl();
            break;
        case 20:
        case 21:
        case 22:
        case 23:
            Entity.Points[std::size_t(code - 20)][1] = ValDbl();
            break;
        case 30:
        case 31:
        case 32:
        case 33:
            Entity.Points[std::size_t(code - 30)][2] = ValDbl();
            break;
        case 40:
            Entity.Size = ValDbl();
            break;
        case 41:
        case 42:
        case 43:
        case 44:
        case 45:
            Entity.Factors[std::size_t(code - 41)] = ValDbl();
            break;
        case 210:
        case 220:
        case 230:
            Entity.Extrusion[std::size_t(code / 10 - 21)] = ValDbl();
            break;
        case 50:
            Entity.StartAngle = ValDbl();
            break;
        case 51:
            Entity.EndAngle = ValDbl();
            break;
        case 62:
            Entity.ColorNumber = ValInt();
            break;
        case 66:
            Entity.FollowFlag = ValInt();
            break;
        case 70:
            Entity.Flags = ValInt();
            break;
        case 71:
        case 72:
        case 73:
        case 74:
            Entity.Indices[std::size_t(code - 71)] = ValInt();
            break;
        case 1:
            Entity.Text = FValue;
            break;
        case 2:
            Entity.Name = FValue;
            break;
        case 6:
            Entity.LineType = FValue;
            break;
        case 8:
            Entity.Layer = FValue;
            break;
        default:
            break;
        }
    }
}

std::optional<TEntity> TDXFConverter::read_generic(TNyxObject*& Layer) {
    TEntity entity;
    if (!read_entity_data(entity))
        return std::nullopt;
    Layer = LayerForSequence(entity);
    return entity;
}

// Reads the entity into FEntity and sets up a new T below its layer with
// SetUp(T*, entity). A layer the drawing does not list is made or refused as for
// polylines: nothing is dropped without a word.
template <class T, class F>
bool TDXFConverter::ReadSimpleEntity(F SetUp) {
    FEntity.Clear();
    if (!read_entity_data(FEntity))
        return false;
    TNyxObject* layer = LayerForSequence(FEntity);
    TBuilt<T> obj(FRoot, EntityParent(layer), FEntity.Name, EntityColor(FEntity, layer));
    SetUp(obj.Get(), FEntity);
    return true;
}

bool TDXFConverter::read_point() {
    return ReadSimpleEntity<TNyxPoint>(
        [](TNyxPoint* Point, const TEntity& E) { SetVertex(Point->P(), E.Points[0]); });
}

bool TDXFConverter::read_text() {
    return ReadSimpleEntity<TNyxLabel>([this](TNyxLabel* Label, const TEntity& E) {
        Label->SetCaption(E.Text);
        Label->SetBitmapFont(false);
        Label->Font()->SetName("Arial");
        if (FReadExtendedEntities)
            PlaceText(Label, E);
        else
            PlaceXForm(Label, E.Points[0], {E.Size, E.Size, E.Size});
    });
}

bool TDXFConverter::read_line() {
    return ReadSimpleEntity<TNyxLine>([](TNyxLine* Line, const TEntity& E) {
        SetVertex(Line->P1(), E.Points[0]);
        SetVertex(Line->P2(), E.Points[1]);
    });
}

bool TDXFConverter::read_circle() {
    return ReadSimpleEntity<TNyxCircle>([](TNyxCircle* Circle, const TEntity& E) {
        PlaceXForm(Circle, E.Points[0], {2 * E.Size, 2 * E.Size, 0});
        Circle->SetSegments(CircleSegments);
    });
}

bool TDXFConverter::read_arc() {
    return ReadSimpleEntity<TNyxArc>([](TNyxArc* Arc, const TEntity& E) {
        PlaceXForm(Arc, E.Points[0], {2 * E.Size, 2 * E.Size, 0});
        Arc->SetSegments(CircleSegments);
        Arc->SetStartAngle(E.StartAngle);
        Arc->SetEndAngle(E.EndAngle);
    });
}

bool TDXFConverter::read_3dface() {
    return ReadSimpleEntity<TNyxPolygon>([](TNyxPolygon* Face, const TEntity& E) {
        Face->SetColorVertexes(false);
        TNyxCollection* vertexes = Face->Vertexes();
        vertexes->BeginUpdate();
        for (const TGLArrayd3& p : E.Points)
            AppendVertex(vertexes, p);
        vertexes->EndUpdate();
    });
}

bool TDXFConverter::read_insert() {
    TNyxObject* layer = nullptr;
    const std::optional<TEntity> insert = read_generic(layer);
    if (!insert)
        return false;
    if (FReadExtendedEntities)
        AddInsert(*insert, layer);
    if (insert->FollowFlag != 1)
        return true;
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code != 0)
            return false;
        if (FValue == "ATTRIB") {
            if (!read_generic(layer))
                return false;
            if (FValue == "SEQEND") {
                NextGroupCode();  // the pushed-back SEQEND
                return true;
            }
        } else if (FValue == "SEQEND") {
            return true;
        } else {
            // No SEQEND: the group belongs to what follows.
            go_back_to_last(code, FValue);
            return true;
        }
    }
}

// Vertex records carry the polyline's points; in a polyface mesh (flag 64, face records
// with flags 128) they are the vertex list the faces index, and the mesh becomes
// polygons only, also when it has no face at all.
bool TDXFConverter::read_polyline() {
    TNyxObject* layer = nullptr;
    const std::optional<TEntity> header = read_generic(layer);
    if (!header)
        return false;
    TBuilt<TNyxPolyline> polyline(FRoot, EntityParent(layer), header->Name,
                                  EntityColor(*header, layer));
    polyline->SetClosed((header->Flags & 1) != 0);
    TNyxCollection* vertexes = polyline->Vertexes();
    TEntity vertex;  // fields a vertex leaves out keep the previous vertex's values
    bool mesh = (header->Flags & 64) != 0;
    std::int32_t code = 0;
    bool pushedBack = false;
    for (;;) {
        code = NextGroupCode();
        if (code < 0)
            break;
        pushedBack = false;
        if (code == 0 && FValue == "VERTEX") {
            vertex.Indices = {};  // a face record without 74 is a triangle
            if (!read_entity_data(vertex)) {
                polyline.Free();
                return false;
            }
            pushedBack = true;
            if (vertex.Flags == 128) {
                AddPolyfaceFace(vertex, *header, polyline->Color(), EntityParent(layer), *vertexes);
                mesh = true;
            } else {
                AppendVertex(vertexes, vertex.Points[0]);
            }
            if (FValue == "SEQEND")
                break;
            continue;
        }
        if (FValue == "SEQEND")
            break;
        if (code == 0) {
            // No SEQEND: the group belongs to what follows.
            go_back_to_last(code, FValue);
            pushedBack = true;
            break;
        }
    }
    if (mesh)
        polyline.Free();
    if (code < 0)
        return false;
    if (pushedBack && FValue == "SEQEND")
        code = NextGroupCode();
    return code == 0;
}

void TDXFConverter::AddPolyfaceFace(const TEntity& Face, const TEntity& Mesh, TColor Color,
                                    TNyxObject* Parent, const TNyxCollection& Vertexes) {
    const std::int64_t count = Vertexes.Count();
    int corners = 4;
    for (int i = 0; i < 4; ++i) {
        // A negative index hides the edge that starts there; it still names its vertex.
        const std::int64_t index = std::abs(std::int64_t(Face.Indices[std::size_t(i)]));
        if (i == 3 && index == 0) {
            corners = 3;
            break;
        }
        if (index < 1 || index > count)
            RaiseRead("TDXFConverter.LoadFromFile: polyface face index " +
                      std::to_string(Face.Indices[std::size_t(i)]) + " names no vertex (" +
                      std::to_string(count) + " read)");
    }
    TBuilt<TNyxPolygon> polygon(FRoot, Parent, Mesh.Name, Color);
    polygon->SetColorVertexes(false);
    TNyxCollection* target = polygon->Vertexes();
    target->BeginUpdate();
    for (int i = 0; i < corners; ++i) {
        const std::int64_t index = std::abs(std::int64_t(Face.Indices[std::size_t(i)]));
        AppendVertex(target, Vertexes.ItemAs<TNyxVertex3CI>(int(index - 1))->Data());
    }
    target->EndUpdate();
}

// Lightweight polylines keep all their vertices in one entity: 90 the count, 10/20
// each vertex, 42 the bulge of the segment that starts at the vertex before it, 38 the
// elevation, 70 bit 0 closed.
bool TDXFConverter::read_lwpolyline() {
    TEntity header;
    std::vector<std::array<double, 3>> points;  // x, y, bulge
    double elevation = 0;
    const bool read = ReadOwnGroups(header, [&](std::int32_t Code) {
        if (Code == 10)
            points.push_back({ValDbl(), 0, 0});
        else if ((Code == 20 || Code == 42) && !points.empty())
            points.back()[Code == 20 ? 1 : 2] = ValDbl();
        else if (Code == 38)
            elevation = ValDbl();
    });
    if (!read)
        return false;
    TNyxObject* layer = LayerForSequence(header);
    TBuilt<TNyxPolyline> polyline(FRoot, EntityParent(layer), header.Name,
                                  EntityColor(header, layer));
    const bool closed = (header.Flags & 1) != 0;
    polyline->SetClosed(closed);
    TNyxCollection* vertexes = polyline->Vertexes();
    vertexes->BeginUpdate();
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto& a = points[i];
        AppendVertex(vertexes, {a[0], a[1], elevation});
        const bool last = i + 1 == n;
        if (a[2] == 0 || (last && !closed))
            continue;
        const auto& b = points[last ? 0 : i + 1];
        detail::BulgePoints(a[0], a[1], b[0], b[1], a[2], [&](double X, double Y) {
            AppendVertex(vertexes, {X, Y, elevation});
        });
    }
    vertexes->EndUpdate();
    return true;
}

}  // namespace nyx
