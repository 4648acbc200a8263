// Reading a drawing: the load as a whole, the sections and the entities.
//
// Sections: load - sections - layers and colours - entities.
#include "dxf/converter.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "rtl/streams.h"
#include "scene/object.h"
#include "scene/proxy.h"
#include "scene/scene.h"

#include <cmath>
#include <numbers>
#include <optional>

namespace nyx {

namespace {

// A new object of class T owned by Root and attached below Layer, named and coloured,
// kept inside its update bracket while it is set up, however the set-up ends.
template <class T>
class TBuilt {
public:
    TBuilt(TNyxObject* Root, TNyxObject* Layer, const std::string& Ident, TColor Color)
        : FObject(new T(Root)) {
        FObject->BeginUpdate();
        FObject->SetParentComponent(Layer);
        FObject->SetIdent(Ident);
        FObject->SetColor(Color);
    }
    ~TBuilt() {
        if (FObject)
            FObject->EndUpdate();
    }
    TBuilt(const TBuilt&) = delete;
    TBuilt& operator=(const TBuilt&) = delete;

    T* operator->() const { return FObject; }
    T* Get() const { return FObject; }
    // Frees the object instead of ending the bracket.
    void Free() {
        delete FObject;
        FObject = nullptr;
    }

private:
    T* FObject;
};

void SetVertex(TNyxVertex3* V, const TGLArrayd3& P) {
    V->SetX(P[0]);
    V->SetY(P[1]);
    V->SetZ(P[2]);
}

void AppendVertex(TNyxCollection* Vertexes, const TGLArrayd3& P) {
    auto* v = static_cast<TNyxVertex3CI*>(Vertexes->Add());
    v->SetData(0, P[0]);
    v->SetData(1, P[1]);
    v->SetData(2, P[2]);
}

// Translation and scale written into the transform's vectors, then one invalidation.
void PlaceXForm(TNyxObject* Obj, const TGLArrayd3& Translation, const TGLArrayd3& Scale) {
    TNyxXForm* xf = Obj->XForm();
    xf->Translate()->Store(Translation);
    xf->Scale()->Store(Scale);
    xf->ChangeData(xf);
}

constexpr std::int32_t CircleSegments = 45;

// The points strictly between (X1, Y1) and (X2, Y2) on the arc of the given bulge (the
// tangent of a quarter of the included angle, positive counter-clockwise), as chords
// of the length circles are drawn with.
void AppendBulge(TNyxCollection* Vertexes, double X1, double Y1, double X2, double Y2, double Bulge,
                 double Z) {
    const double dx = X2 - X1, dy = Y2 - Y1;
    const double chord = std::hypot(dx, dy);
    if (!(chord > 0) || !std::isfinite(Bulge) || !std::isfinite(chord))
        return;
    const double sweep = 4 * std::atan(Bulge);
    // From the chord's midpoint along its left normal to the centre.
    const double toCentre = chord * (1 - Bulge * Bulge) / (4 * Bulge);
    const double cx = (X1 + X2) / 2 - dy / chord * toCentre;
    const double cy = (Y1 + Y2) / 2 + dx / chord * toCentre;
    const double radius = std::hypot(X1 - cx, Y1 - cy);
    const double start = std::atan2(Y1 - cy, X1 - cx);
    const double step = 2 * std::numbers::pi / CircleSegments;
    const int segments = std::max(1, int(std::ceil(std::abs(sweep) / step - 1e-9)));
    for (int k = 1; k < segments; ++k) {
        const double a = start + sweep * k / segments;
        AppendVertex(Vertexes, {cx + radius * std::cos(a), cy + radius * std::sin(a), Z});
    }
}

}  // namespace

// --- Load ------------------------------------------------------------------------------

void TDXFConverter::LoadFromFile() {
    if (!FRoot)
        throw Exception("TDXFConverter.LoadFromFile: Can't load into Root=nil");
    if (FFileName.empty())
        throw Exception("TDXFConverter.LoadFromFile: No file name defined");

    // Opened, and the first block read, before anything is freed.
    OpenFile();
    struct TCloser {
        TDXFConverter* C;
        ~TCloser() {
            C->CloseFile();
            C->FLayers.clear();
        }
    } closer{this};

    TNyxObject* root = FRoot;
    // A scene as Root repaints on every change unless held: with the hold, once, when
    // the bracket below ends. Opened first, so that it closes after the bracket.
    std::optional<TNyxScene::TLoadScope> hold;
    if (TNyxScene* scene = root->AsScene())
        hold.emplace(*scene);
    struct TRootBracket {
        TNyxObject* Root;
        ~TRootBracket() { Root->EndUpdate(); }
    } bracket{root};
    root->BeginUpdate();
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

// Their content is passed over by the next section's search.
bool TDXFConverter::read_classes() { return true; }
bool TDXFConverter::read_blocks() { return true; }

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

bool TDXFConverter::read_entities() {
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
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code != 0)
            continue;
        if (FValue == "ENDSEC")
            return true;
        for (const TReaderEntry& r : readers)
            if (FValue == r.Name) {
                if (!(this->*r.Read)())
                    RaiseRead(r.Message);
                break;
            }
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
    const TColor color =
        ColorOf(TakesLayerColor(Entity.ColorNumber) ? 0 : std::int64_t(Entity.ColorNumber));
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

// Reads the entity into FEntity and, when its layer exists, sets up a new T below it
// with SetUp(T*, entity); an entity on a layer the drawing does not list is skipped.
template <class T, class F>
bool TDXFConverter::ReadSimpleEntity(F SetUp) {
    FEntity.Clear();
    if (!read_entity_data(FEntity))
        return false;
    TNyxObject* layer = FindLayer(FEntity.Layer);
    if (!layer)
        return true;
    TBuilt<T> obj(FRoot, layer, FEntity.Name, EntityColor(FEntity, layer));
    SetUp(obj.Get(), FEntity);
    return true;
}

bool TDXFConverter::read_point() {
    return ReadSimpleEntity<TNyxPoint>(
        [](TNyxPoint* Point, const TEntity& E) { SetVertex(Point->P(), E.Points[0]); });
}

bool TDXFConverter::read_text() {
    return ReadSimpleEntity<TNyxLabel>([](TNyxLabel* Label, const TEntity& E) {
        PlaceXForm(Label, E.Points[0], {E.Size, E.Size, E.Size});
        Label->SetCaption(E.Text);
        Label->SetBitmapFont(false);
        Label->Font()->SetName("Arial");
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

// Vertex records carry the polyline's points; in a polyface mesh (face records with
// flags 128) they are the vertex list the faces index, and the mesh becomes polygons
// only.
bool TDXFConverter::read_polyline() {
    TNyxObject* layer = nullptr;
    const std::optional<TEntity> header = read_generic(layer);
    if (!header)
        return false;
    TBuilt<TNyxPolyline> polyline(FRoot, layer, header->Name, EntityColor(*header, layer));
    polyline->SetClosed((header->Flags & 1) != 0);
    TNyxCollection* vertexes = polyline->Vertexes();
    TEntity vertex;  // fields a vertex leaves out keep the previous vertex's values
    bool mesh = false;
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
                AddPolyfaceFace(vertex, *header, polyline->Color(), layer, *vertexes);
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
                                    TNyxObject* Layer, const TNyxCollection& Vertexes) {
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
    TBuilt<TNyxPolygon> polygon(FRoot, Layer, Mesh.Name, Color);
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
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code == 0) {
            go_back_to_last(code, FValue);
            break;
        }
        switch (code) {
        case 10:
            points.push_back({ValDbl(), 0, 0});
            break;
        case 20:
            if (!points.empty())
                points.back()[1] = ValDbl();
            break;
        case 42:
            if (!points.empty())
                points.back()[2] = ValDbl();
            break;
        case 38:
            elevation = ValDbl();
            break;
        case 70:
            header.Flags = ValInt();
            break;
        case 62:
            header.ColorNumber = ValInt();
            break;
        case 2:
            header.Name = FValue;
            break;
        case 8:
            header.Layer = FValue;
            break;
        default:
            break;
        }
    }
    TNyxObject* layer = FindLayer(header.Layer);
    if (!layer)
        return true;
    TBuilt<TNyxPolyline> polyline(FRoot, layer, header.Name, EntityColor(header, layer));
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
        AppendBulge(vertexes, a[0], a[1], b[0], b[1], a[2], elevation);
    }
    vertexes->EndUpdate();
    return true;
}

}  // namespace nyx
