// Writing a drawing: the number format, the buffered output to a file that replaces the
// target only when complete, the sections and the entities.
//
// Sections: number format - output - export - sections - entities.
#include "dxf/converter.h"
#include "dxf/detail/format.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/polygon.h"
#include "rtl/scope.h"
#include "rtl/streams.h"
#include "scene/object.h"
#include "scene/proxy.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace nyx {

// --- Number format ---------------------------------------------------------------------------

namespace {

// Count digits, the first at the decimal Exponent, without their trailing zeros, as
// mantissa text d.ddd E exponent, or in fixed notation.
char* PlaceDigits(char* Out, const char* Digits, int Count, int Exponent) {
    while (Count > 1 && Digits[Count - 1] == '0')
        --Count;
    if (Exponent < -5 || Exponent >= 15) {
        *Out++ = Digits[0];
        if (Count > 1) {
            *Out++ = '.';
            Out = std::copy(Digits + 1, Digits + Count, Out);
        }
        *Out++ = 'E';
        return std::to_chars(Out, Out + 8, Exponent).ptr;
    }
    if (Exponent < 0) {
        *Out++ = '0';
        *Out++ = '.';
        Out = std::fill_n(Out, -Exponent - 1, '0');
        return std::copy(Digits, Digits + Count, Out);
    }
    const int whole = Exponent + 1;
    for (int i = 0; i < whole; ++i)
        *Out++ = i < Count ? Digits[i] : '0';
    if (Count > whole) {
        *Out++ = '.';
        Out = std::copy(Digits + whole, Digits + Count, Out);
    }
    return Out;
}

constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                            1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
constexpr double Decades[] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,
                              1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14};

// Magnitudes written in fixed notation, scaled by an exact power of ten to a 15-digit
// integer. The one multiplication can round otherwise than the exact value would only
// when the digits after the 15th lie within a hair of one half; the result is the value
// to 15 digits either way. False when the value is written in scientific notation.
bool FixedDigits(double Magnitude, char* Digits, int& Exponent) {
    if (!(Magnitude >= 1e-5 && Magnitude < 1e15))
        return false;
    int e = 14;
    while (e > -5 && Magnitude < Decades[std::size_t(e + 5)])
        --e;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const long long m = std::llround(Magnitude * Pow10[std::size_t(14 - e)]);
        if (m >= 1000000000000000LL && e < 14) {
            ++e;
        } else if (m < 100000000000000LL && e > -5) {
            --e;
        } else if (m >= 100000000000000LL && m < 1000000000000000LL) {
            std::to_chars(Digits, Digits + 15, m);
            Exponent = e;
            return true;
        } else {
            return false;
        }
    }
    return false;
}

// The shortest round-trip digits, cut to 15 by rounding the decimal digits half up.
int ShortestDigits(double Magnitude, char* Digits, int& Exponent) {
    char text[32];
    const char* end =
        std::to_chars(text, text + sizeof text, Magnitude, std::chars_format::scientific).ptr;
    // "d.ddde-xx"
    const char* p = text;
    int count = 0;
    Digits[count++] = *p++;
    if (*p == '.')
        for (++p; *p != 'e'; ++p)
            Digits[count++] = *p;
    const bool negative = p[1] == '-';
    Exponent = 0;
    for (p += 2; p < end; ++p)
        Exponent = Exponent * 10 + (*p - '0');
    if (negative)
        Exponent = -Exponent;
    if (count > 15) {
        bool carry = Digits[15] >= '5';
        count = 15;
        for (int i = count - 1; carry && i >= 0; --i) {
            carry = Digits[i] == '9';
            Digits[i] = carry ? '0' : char(Digits[i] + 1);
        }
        if (carry) {  // 9.99...9 became 10.0...0
            Digits[0] = '1';
            count = 1;
            ++Exponent;
        }
    }
    return count;
}

}  // namespace

char* detail::FormatReal(char* Out, double Value) {
    if (std::isnan(Value))
        return std::strcpy(Out, "NAN") + 3;
    if (std::isinf(Value))
        return Value < 0 ? std::strcpy(Out, "-INF") + 4 : std::strcpy(Out, "INF") + 3;
    if (Value == 0) {
        *Out = '0';
        return Out + 1;
    }
    if (Value < 0)
        *Out++ = '-';
    const double magnitude = std::abs(Value);
    char digits[24];
    int exponent = 0;
    if (FixedDigits(magnitude, digits, exponent))
        return PlaceDigits(Out, digits, 15, exponent);
    const int count = ShortestDigits(magnitude, digits, exponent);
    return PlaceDigits(Out, digits, count, exponent);
}

// --- Output ----------------------------------------------------------------------------------

void TDXFConverter::FlushOutput() {
    if (FOutput && FOutFill > 0)
        FOutput->WriteBuffer(FOutBuffer.get(), std::int64_t(FOutFill));
    FOutFill = 0;
}

// Room for Length more bytes in the buffer, flushed first when it is too full.
char* TDXFConverter::Reserve(std::size_t Length) {
    if (FOutFill + Length > OutputBufferSize)
        FlushOutput();
    return FOutBuffer.get() + FOutFill;
}

namespace {
constexpr std::size_t MaxCodeText = 16;  // "-2147483648\r\n"

char* PutLineEnd(char* P) {
    P[0] = '\r';
    P[1] = '\n';
    return P + 2;
}
}  // namespace

// Every group is written straight into the buffer; only a string too long for it goes
// round.
void TDXFConverter::PutString(std::int32_t Code, std::string_view Value) {
    const std::size_t length = MaxCodeText + Value.size() + 2;
    if (length > OutputBufferSize) {
        char* p = Reserve(MaxCodeText);
        FOutFill = std::size_t(PutLineEnd(std::to_chars(p, p + 12, Code).ptr) - FOutBuffer.get());
        FlushOutput();
        if (FOutput)
            FOutput->WriteBuffer(Value.data(), std::int64_t(Value.size()));
        FOutFill = std::size_t(PutLineEnd(Reserve(2)) - FOutBuffer.get());
        return;
    }
    char* p = Reserve(length);
    p = PutLineEnd(std::to_chars(p, p + 12, Code).ptr);
    p = PutLineEnd(std::copy(Value.begin(), Value.end(), p));
    FOutFill = std::size_t(p - FOutBuffer.get());
}

void TDXFConverter::PutInt(std::int32_t Code, std::int64_t Value) {
    char* p = Reserve(MaxCodeText + 24);
    p = PutLineEnd(std::to_chars(p, p + 12, Code).ptr);
    p = PutLineEnd(std::to_chars(p, p + 21, Value).ptr);
    FOutFill = std::size_t(p - FOutBuffer.get());
}

void TDXFConverter::PutReal(std::int32_t Code, double Value) {
    char* p = Reserve(MaxCodeText + 32);
    p = PutLineEnd(std::to_chars(p, p + 12, Code).ptr);
    p = PutLineEnd(detail::FormatReal(p, Value));
    FOutFill = std::size_t(p - FOutBuffer.get());
}

// --- Export ------------------------------------------------------------------------------------

void TDXFConverter::SaveToFile() {
    if (!FRoot)
        throw Exception("TDXFConverter.SaveToFile: Can't save Root=nil");
    if (FFileName.empty())
        throw Exception("TDXFConverter.SaveToFile: No file name defined");
    // Written beside the file, which it replaces only when all was written: a failed
    // export leaves the old file as it was.
    TReplacingFileStream file(FFileName);
    FOutput = &file;
    FOutFill = 0;
    const TOnExit detach([this] {
        FOutput = nullptr;
        FOutFill = 0;
    });
    write_header();
    write_tables();
    write_blocks();
    write_entities();
    PutString(0, "EOF");
    FlushOutput();
    FOutput = nullptr;
    file.Commit();
}

// --- Sections ------------------------------------------------------------------------------------

namespace {

// The object's entity, by class: a derived class counts as its base.
enum class TEntityKind { None, Point, Line, Circle, Arc, Text, Polyline, Face, Insert, Mesh };

TEntityKind KindOf(const TNyxObject* Obj) {
    // The classes themselves first: a drawing holds hundreds of thousands of them.
    static const std::pair<const TMetaClass*, TEntityKind> classes[] = {
        {&TNyxPoint::StaticClass(), TEntityKind::Point},
        {&TNyxLine::StaticClass(), TEntityKind::Line},
        {&TNyxCircle::StaticClass(), TEntityKind::Circle},
        {&TNyxArc::StaticClass(), TEntityKind::Arc},
        {&TNyxLabel::StaticClass(), TEntityKind::Text},
        {&TNyxPolyline::StaticClass(), TEntityKind::Polyline},
        {&TNyxPolygon::StaticClass(), TEntityKind::Face},
        {&TNyxProxy::StaticClass(), TEntityKind::Insert},
        {&TNyxMesh::StaticClass(), TEntityKind::Mesh}};
    const TMetaClass* type = &Obj->ClassType();
    for (const auto& [cls, kind] : classes)
        if (type == cls)
            return kind;
    for (const auto& [cls, kind] : classes)
        if (type->InheritsFrom(*cls))
            return kind;
    return TEntityKind::None;
}

class TExtent {
public:
    void Add(const TGLArrayd3& P) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (FEmpty || P[i] < Min[i])
                Min[i] = P[i];
            if (FEmpty || P[i] > Max[i])
                Max[i] = P[i];
        }
        FEmpty = false;
    }
    // Obj's subtree, Absolute being the matrix of Obj's parent in world coordinates
    // (none for the identity, which most objects of a drawing keep).
    void AddSubtree(const TNyxObject* Obj, const TGLMatrixd4* Absolute) {
        TGLMatrixd4 local, own;
        Obj->GetMatrix(local);
        const TGLMatrixd4* absolute = Absolute;
        if (!IsIdentityd(local)) {
            if (Absolute)
                MultMatrixd(*Absolute, local, own);
            else
                own = local;
            absolute = &own;
        }
        if (KindOf(Obj) != TEntityKind::None) {
            TGLArrayd3 lo, hi;
            Obj->GetSize(lo, hi);
            if (!absolute) {
                Add(lo);
                Add(hi);
            }
            for (int corner = 0; absolute && corner < 8; ++corner) {
                TGLArrayd3 p{corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1],
                             corner & 4 ? hi[2] : lo[2]};
                Xformd(*absolute, p);
                Add(p);
            }
        }
        for (const TNyxObject* child : Obj->Items())
            AddSubtree(child, absolute);
    }

    TGLArrayd3 Min{0, 0, 0};
    TGLArrayd3 Max{0, 0, 0};

private:
    bool FEmpty = true;
};

}  // namespace

// The extent of everything written, in world coordinates (zero when nothing is).
void TDXFConverter::write_header() {
    TExtent extent;
    TGLMatrixd4 root;
    FRoot->GetAbsoluteMatrix(root);
    const bool moved = !IsIdentityd(root);
    for (const TNyxObject* layer : FRoot->Items())
        if (!IsBlockHolder(layer))
            extent.AddSubtree(layer, moved ? &root : nullptr);
    FMinExtent = extent.Min;
    FMaxExtent = extent.Max;
    PutString(0, "SECTION");
    PutString(2, "HEADER");
    // Texts are written as they are held, single-byte Windows-1252 (as labels draw them).
    PutString(9, "$ACADVER");
    PutString(1, "AC1009");
    PutString(9, "$DWGCODEPAGE");
    PutString(3, "ANSI_1252");
    PutString(9, "$EXTMIN");
    for (int i = 0; i < 3; ++i)
        PutReal(10 + 10 * i, FMinExtent[std::size_t(i)]);
    PutString(9, "$EXTMAX");
    for (int i = 0; i < 3; ++i)
        PutReal(10 + 10 * i, FMaxExtent[std::size_t(i)]);
    PutString(0, "ENDSEC");
}

void TDXFConverter::write_tables() {
    PutString(0, "SECTION");
    PutString(2, "TABLES");
    if (FWriteVPORTInfo)
        write_vport_information();
    write_layer_information();
    PutString(0, "ENDSEC");
}

void TDXFConverter::write_vport_information() {
    PutString(0, "TABLE");
    PutString(2, "VPORT");
    PutString(0, "VPORT");
    PutString(2, "*ACTIVE");
    char aspect[64];
    const int n = std::snprintf(aspect, sizeof aspect, "%10.6f", FViewportAspect);
    PutString(41, std::string_view(aspect, std::size_t(n)));
    PutInt(70, 0);
    PutReal(10, FMinExtent[0]);
    PutReal(20, FMinExtent[1]);
    PutReal(11, FMaxExtent[0]);
    PutReal(21, FMaxExtent[1]);
    PutString(0, "ENDTAB");
}

void TDXFConverter::write_layer_information() {
    PutString(0, "TABLE");
    PutString(2, "LAYER");
    int index = 0;
    for (TNyxObject* layer : FRoot->Items()) {
        if (IsBlockHolder(layer)) {
            ++index;
            continue;
        }
        if (layer->Ident().empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "LAYER_%.4d", index);
            layer->SetIdent(name);
        }
        PutString(0, "LAYER");
        PutString(2, layer->Ident());
        PutInt(70, 0);
        PutInt(61, 0);
        const std::int32_t color = find_DXF_color(layer->Color());
        PutInt(62, FWriteLayersOff && !layer->Visible() ? -color : color);
        ++index;
    }
    PutString(0, "ENDTAB");
}

void TDXFConverter::write_entities() {
    PutString(0, "SECTION");
    PutString(2, "ENTITIES");
    for (TNyxObject* layer : FRoot->Items())
        if (!IsBlockHolder(layer))
            WriteSubtree(layer, layer->Ident(), layer);
    PutString(0, "ENDSEC");
}

// Offers Top and every object of its subtree, in pre-order, to the entity writer.
void TDXFConverter::WriteSubtree(TNyxObject* Top, const std::string& LayerName,
                                 const TNyxObject* Layer) {
    struct TWalk {
        TDXFConverter* C;
        const std::string& LayerName;
        const TNyxObject* Layer;
    } walk{this, LayerName, Layer};
    Top->Iterate(
        [](TNyxObject* Obj, void* Data) {
            auto* w = static_cast<TWalk*>(Data);
            w->C->WriteObject(Obj, w->LayerName, w->Layer);
        },
        &walk);
}

bool TDXFConverter::IsBlockHolder(const TNyxObject* Obj) const {
    return Obj->Parent() == FRoot && Obj->Ident() == BlockHolderIdent;
}

// An addition: the groups of the blocks read from a drawing (the children of Root's
// child BlockHolderIdent), each as a block whose base point undoes the group's
// translation; their objects are on layer 0 with their colour given. Nothing when there
// are none, as for scenes that were no drawing.
void TDXFConverter::write_blocks() {
    const TNyxObject* holder = nullptr;
    for (const TNyxObject* child : FRoot->Items())
        if (IsBlockHolder(child))
            holder = child;
    if (!holder || holder->Items().empty())
        return;
    PutString(0, "SECTION");
    PutString(2, "BLOCKS");
    int index = 0;
    for (TNyxObject* block : holder->Items()) {
        if (block->Ident().empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "BLOCK_%.4d", index);
            block->SetIdent(name);
        }
        ++index;
        PutString(0, "BLOCK");
        PutString(8, "0");
        PutString(2, block->Ident());
        PutInt(70, block->Ident().starts_with('*') ? 1 : 0);  // anonymous
        const TGLArrayd3& t = block->XForm()->Translate()->Data();
        for (int i = 0; i < 3; ++i)
            PutReal(10 + 10 * i, -t[std::size_t(i)]);
        PutString(3, block->Ident());
        for (TNyxObject* obj : block->Items())
            WriteSubtree(obj, "0", nullptr);
        PutString(0, "ENDBLK");
        PutString(8, "0");
    }
    PutString(0, "ENDSEC");
}

// --- Entities --------------------------------------------------------------------------------------

void TDXFConverter::write_entity(const TEntity& Entity) {
    PutInt(62, Entity.ColorNumber);
    if (!Entity.Name.empty())
        PutString(2, Entity.Name);
}

void TDXFConverter::write_point(const TEntity& Entity) {
    write_entity(Entity);
    for (int i = 0; i < 3; ++i)
        PutReal(10 + 10 * i, Entity.Points[0][std::size_t(i)]);
}

void TDXFConverter::write_line(const TEntity& Entity) {
    write_point(Entity);
    for (int i = 0; i < 3; ++i)
        PutReal(11 + 10 * i, Entity.Points[1][std::size_t(i)]);
}

void TDXFConverter::write_circle(const TEntity& Entity) {
    write_point(Entity);
    PutReal(40, Entity.Size);
}

void TDXFConverter::write_arc(const TEntity& Entity) {
    write_circle(Entity);
    PutReal(50, Entity.StartAngle);
    PutReal(51, Entity.EndAngle);
}

// The rotation only when the text has one (an addition).
void TDXFConverter::write_text(const TEntity& Entity) {
    write_circle(Entity);
    PutString(1, Entity.Text);
    if (Entity.StartAngle != 0)
        PutReal(50, Entity.StartAngle);
}

// An addition: 2 the block, 10/20/30 where, 41/42/43 the scale and 50 the rotation
// when they are not 1 and 0.
void TDXFConverter::write_insert(const TEntity& Entity) {
    write_point(Entity);
    for (std::size_t i = 0; i < 3; ++i)
        if (Entity.Factors[i] != 1)
            PutReal(41 + std::int32_t(i), Entity.Factors[i]);
    if (Entity.StartAngle != 0)
        PutReal(50, Entity.StartAngle);
}

void TDXFConverter::write_polyline(const TEntity& Entity) {
    write_entity(Entity);
    PutInt(70, Entity.Flags);
}

void TDXFConverter::write_vertex(const TEntity& Entity) {
    PutString(0, "VERTEX");
    for (int i = 0; i < 3; ++i)
        PutReal(10 + 10 * i, Entity.Points[0][std::size_t(i)]);
}

void TDXFConverter::write_3dface(const TEntity& Entity) {
    write_line(Entity);
    for (int corner = 2; corner < 4; ++corner)
        for (int i = 0; i < 3; ++i)
            PutReal(10 + corner + 10 * i, Entity.Points[std::size_t(corner)][std::size_t(i)]);
}

// Layer gives the colour that number 0 stands for; without one (in a block) every
// colour is written out.
void TDXFConverter::WriteObject(TNyxObject* Obj, const std::string& LayerName,
                                const TNyxObject* Layer) {
    static constexpr const char* names[] = {"",     "POINT",    "LINE",   "CIRCLE", "ARC",
                                            "TEXT", "POLYLINE", "3DFACE", "INSERT", "POLYLINE"};
    const TEntityKind kind = KindOf(Obj);
    if (kind == TEntityKind::None)
        return;
    const TNyxObject* block = nullptr;
    if (kind == TEntityKind::Insert) {
        // Only proxies of a drawing's blocks have an entity.
        block = static_cast<const TNyxProxy*>(Obj)->Proxy();
        if (!block || !block->Parent() || !IsBlockHolder(block->Parent()))
            return;
    }
    PutString(0, names[int(kind)]);
    PutString(8, LayerName);
    TEntity& e = FEntity;
    e.ColorNumber = Layer && Obj->Color() == Layer->Color() ? 0 : find_DXF_color(Obj->Color());
    e.Name = Obj->Ident();
    const TNyxXForm* xf = Obj->XForm();
    switch (kind) {
    case TEntityKind::Point:
        e.Points[0] = Obj->Point1()->Data();
        write_point(e);
        break;
    case TEntityKind::Line:
        e.Points[0] = Obj->Point1()->Data();
        e.Points[1] = Obj->Point2()->Data();
        write_line(e);
        break;
    case TEntityKind::Circle:
        e.Points[0] = xf->Translate()->Data();
        e.Size = xf->Scale()->X() / 2;
        write_circle(e);
        break;
    case TEntityKind::Arc: {
        const auto* arc = static_cast<TNyxArc*>(Obj);
        e.Points[0] = xf->Translate()->Data();
        e.Size = xf->Scale()->X() / 2;
        e.StartAngle = arc->StartAngle();
        e.EndAngle = arc->EndAngle();
        write_arc(e);
        break;
    }
    case TEntityKind::Text:
        // The height is the scale along the text, as classic drawings have it; the turn
        // about Z is the text's rotation.
        e.Points[0] = xf->Translate()->Data();
        e.Size = xf->Scale()->X();
        e.StartAngle = xf->Rotate()->Z();
        e.Text = static_cast<TNyxLabel*>(Obj)->Caption();
        write_text(e);
        break;
    case TEntityKind::Insert:
        e.Name = block->Ident();
        e.Points[0] = xf->Translate()->Data();
        for (std::size_t i = 0; i < 3; ++i)
            e.Factors[i] = xf->Scale()->Data()[i];
        e.StartAngle = xf->Rotate()->Z();
        write_insert(e);
        break;
    case TEntityKind::Polyline: {
        const auto* polyline = static_cast<TNyxPolyline*>(Obj);
        e.Flags = polyline->Closed() ? 1 : 0;
        write_polyline(e);
        const TNyxCollection* vertexes = polyline->Vertexes();
        for (int i = 0; i < vertexes->Count(); ++i) {
            e.Points[0] = vertexes->ItemAs<TNyxVertex3CI>(i)->Data();
            write_vertex(e);
        }
        PutString(0, "SEQEND");
        break;
    }
    case TEntityKind::Face: {
        const auto* polygon = static_cast<TNyxPolygon*>(Obj);
        const int count = polygon->VertexCount();
        if (count < 3)
            break;
        for (int i = 0; i < 4; ++i)
            e.Points[std::size_t(i)] = polygon->Vertex(i < count ? i : 0)->Data();
        write_3dface(e);
        break;
    }
    case TEntityKind::Mesh: {
        // A polyface mesh: the vertices, then one record per triangle naming its corners
        // (from 1), all placed as the mesh is below the drawing's root.
        const auto* mesh = static_cast<TNyxMesh*>(Obj);
        TGLMatrixd4 placement;
        mesh->GetMatrix(placement);
        for (const TNyxObject* up = mesh->Parent(); up && up != FRoot; up = up->Parent()) {
            TGLMatrixd4 local;
            up->GetMatrix(local);
            MultMatrixd(local, placement, placement);
        }
        write_entity(e);
        PutInt(66, 1);
        for (int i = 0; i < 3; ++i)
            PutReal(10 + 10 * i, 0);
        PutInt(70, 64);
        PutInt(71, std::int64_t(mesh->VertexCount()));
        PutInt(72, std::int64_t(mesh->TriangleCount()));
        const TNyxMeshArrays& a = mesh->Arrays();
        for (std::size_t v = 0; v < mesh->VertexCount(); ++v) {
            TGLArrayd3 p{a.Positions[3 * v], a.Positions[3 * v + 1], a.Positions[3 * v + 2]};
            Xformd(placement, p);
            PutString(0, "VERTEX");
            PutString(8, LayerName);
            for (int i = 0; i < 3; ++i)
                PutReal(10 + 10 * i, p[std::size_t(i)]);
            PutInt(70, 192);
        }
        for (std::size_t t = 0; t < mesh->TriangleCount(); ++t) {
            PutString(0, "VERTEX");
            PutString(8, LayerName);
            for (int i = 0; i < 3; ++i)
                PutReal(10 + 10 * i, 0);
            PutInt(70, 128);
            for (int k = 0; k < 3; ++k)
                PutInt(71 + k, std::int64_t(a.Indices[3 * t + std::size_t(k)]) + 1);
        }
        PutString(0, "SEQEND");
        break;
    }
    case TEntityKind::None:
        break;
    }
}

}  // namespace nyx
