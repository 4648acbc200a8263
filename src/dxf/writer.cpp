// Writing a drawing: the number format, the buffered output to a file that replaces the
// target only when complete, the sections and the entities.
//
// Sections: number format - output - export - sections - entities.
#include "dxf/converter.h"
#include "dxf/detail/format.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "rtl/streams.h"
#include "scene/object.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace nyx {

// --- Number format ---------------------------------------------------------------------------

// The shortest round-trip digits, cut to 15 by rounding the decimal digits (half up).
// Only a value whose shortest digits end in exactly 5 after the 15th can round other
// than its exact binary value would; either result is within the 15 digits' precision.
char* detail::FormatReal(char* Out, double Value) {
    if (std::isnan(Value))
        return std::strcpy(Out, "NAN") + 3;
    if (std::isinf(Value))
        return Value < 0 ? std::strcpy(Out, "-INF") + 4 : std::strcpy(Out, "INF") + 3;
    if (Value == 0) {
        *Out = '0';
        return Out + 1;
    }
    char text[32];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, Value, std::chars_format::scientific);
    (void)ec;  // 32 characters always suffice
    // "-d.ddde-xx": sign, digits, exponent.
    const char* p = text;
    if (*p == '-')
        *Out++ = *p++;
    char digits[20];
    int count = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    if (count > 15) {
        bool carry = digits[15] >= '5';
        count = 15;
        for (int i = count - 1; carry && i >= 0; --i) {
            carry = digits[i] == '9';
            digits[i] = carry ? '0' : char(digits[i] + 1);
        }
        if (carry) {  // 9.99...9 became 10.0...0
            digits[0] = '1';
            count = 1;
            ++exponent;
        }
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (exponent < -5 || exponent >= 15) {
        *Out++ = digits[0];
        if (count > 1) {
            *Out++ = '.';
            Out = std::copy(digits + 1, digits + count, Out);
        }
        *Out++ = 'E';
        return std::to_chars(Out, Out + 8, exponent).ptr;
    }
    if (exponent < 0) {
        *Out++ = '0';
        *Out++ = '.';
        Out = std::fill_n(Out, -exponent - 1, '0');
        return std::copy(digits, digits + count, Out);
    }
    const int whole = exponent + 1;
    for (int i = 0; i < whole; ++i)
        *Out++ = i < count ? digits[i] : '0';
    if (count > whole) {
        *Out++ = '.';
        Out = std::copy(digits + whole, digits + count, Out);
    }
    return Out;
}

// --- Output ----------------------------------------------------------------------------------

void TDXFConverter::FlushOutput() {
    if (FOutput && FOutFill > 0)
        FOutput->WriteBuffer(FOutBuffer.get(), std::int64_t(FOutFill));
    FOutFill = 0;
}

void TDXFConverter::Put(const char* Text, std::size_t Length) {
    if (FOutFill + Length > OutputBufferSize) {
        FlushOutput();
        if (Length > OutputBufferSize) {
            if (FOutput)
                FOutput->WriteBuffer(Text, std::int64_t(Length));
            return;
        }
    }
    std::memcpy(FOutBuffer.get() + FOutFill, Text, Length);
    FOutFill += Length;
}

void TDXFConverter::PutCode(std::int32_t Code) {
    char text[16];
    char* end = std::to_chars(text, text + 12, Code).ptr;
    *end++ = '\r';
    *end++ = '\n';
    Put(text, std::size_t(end - text));
}

void TDXFConverter::PutString(std::int32_t Code, std::string_view Value) {
    PutCode(Code);
    Put(Value.data(), Value.size());
    Put("\r\n", 2);
}

void TDXFConverter::PutInt(std::int32_t Code, std::int64_t Value) {
    PutCode(Code);
    char text[24];
    char* end = std::to_chars(text, text + 21, Value).ptr;
    *end++ = '\r';
    *end++ = '\n';
    Put(text, std::size_t(end - text));
}

void TDXFConverter::PutReal(std::int32_t Code, double Value) {
    PutCode(Code);
    char text[32];
    char* end = detail::FormatReal(text, Value);
    *end++ = '\r';
    *end++ = '\n';
    Put(text, std::size_t(end - text));
}

// --- Export ------------------------------------------------------------------------------------

namespace {

// A new version of a file, written beside it under a temporary name and put in its
// place only when complete; dropped otherwise.
class TNewVersion {
public:
    explicit TNewVersion(const std::string& FileName) : FTarget(FileName) {
        std::string name = FileName + ".XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0)
            throw EFCreateError("TDXFConverter.SaveToFile: cannot create a file beside \"" +
                                FileName + "\": " + std::strerror(errno) +
                                "; check the folder and its access rights");
        ::close(fd);
        FTemporary = name;
        try {
            FStream = std::make_unique<TFileStream>(FTemporary, fmOpenWrite);
        } catch (...) {
            std::remove(FTemporary.c_str());
            throw;
        }
    }
    ~TNewVersion() {
        FStream.reset();
        if (!FCommitted)
            std::remove(FTemporary.c_str());
    }
    TNewVersion(const TNewVersion&) = delete;
    TNewVersion& operator=(const TNewVersion&) = delete;

    TStream* Stream() const { return FStream.get(); }
    void Commit() {
        FStream.reset();
        if (std::rename(FTemporary.c_str(), FTarget.c_str()) != 0)
            throw EWriteError("TDXFConverter.SaveToFile: cannot replace \"" + FTarget +
                              "\": " + std::strerror(errno));
        FCommitted = true;
    }

private:
    std::string FTarget;
    std::string FTemporary;
    std::unique_ptr<TFileStream> FStream;
    bool FCommitted = false;
};

}  // namespace

void TDXFConverter::SaveToFile() {
    if (!FRoot)
        throw Exception("TDXFConverter.SaveToFile: Can't save Root=nil");
    if (FFileName.empty())
        throw Exception("TDXFConverter.SaveToFile: No file name defined");
    TNewVersion file(FFileName);
    FOutput = file.Stream();
    FOutFill = 0;
    struct TDetach {
        TDXFConverter* C;
        ~TDetach() {
            C->FOutput = nullptr;
            C->FOutFill = 0;
        }
    } detach{this};
    write_header();
    write_tables();
    write_entities();
    PutString(0, "EOF");
    FlushOutput();
    FOutput = nullptr;
    file.Commit();
}

// --- Sections ------------------------------------------------------------------------------------

namespace {

// The object's entity, by class: a derived class counts as its base.
enum class TEntityKind { None, Point, Line, Circle, Arc, Text, Polyline, Face };

TEntityKind KindOf(TNyxObject* Obj) {
    if (dynamic_cast<TNyxPoint*>(Obj))
        return TEntityKind::Point;
    if (dynamic_cast<TNyxLine*>(Obj))
        return TEntityKind::Line;
    if (dynamic_cast<TNyxCircle*>(Obj))
        return TEntityKind::Circle;
    if (dynamic_cast<TNyxArc*>(Obj))
        return TEntityKind::Arc;
    if (dynamic_cast<TNyxLabel*>(Obj))
        return TEntityKind::Text;
    if (dynamic_cast<TNyxPolyline*>(Obj))
        return TEntityKind::Polyline;
    if (dynamic_cast<TNyxPolygon*>(Obj))
        return TEntityKind::Face;
    return TEntityKind::None;
}

struct TExtent {
    TGLArrayd3 Min{0, 0, 0};
    TGLArrayd3 Max{0, 0, 0};
    bool Empty = true;
};

// Widens the extent by the eight corners of Obj's box in world coordinates.
void AddExtent(TNyxObject* Obj, void* Data) {
    if (KindOf(Obj) == TEntityKind::None)
        return;
    auto& extent = *static_cast<TExtent*>(Data);
    TGLMatrixd4 m;
    Obj->GetAbsoluteMatrix(m);
    TGLArrayd3 lo, hi;
    Obj->GetSize(lo, hi);
    for (int corner = 0; corner < 8; ++corner) {
        TGLArrayd3 p{corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1],
                     corner & 4 ? hi[2] : lo[2]};
        Xformd(m, p);
        for (int i = 0; i < 3; ++i) {
            if (extent.Empty || p[i] < extent.Min[i])
                extent.Min[i] = p[i];
            if (extent.Empty || p[i] > extent.Max[i])
                extent.Max[i] = p[i];
        }
        extent.Empty = false;
    }
}

}  // namespace

// The extent of everything written, in world coordinates (zero when nothing is).
void TDXFConverter::write_header() {
    TExtent extent;
    for (TNyxObject* layer : FRoot->Items())
        layer->Iterate(&AddExtent, &extent);
    FMinExtent = extent.Min;
    FMaxExtent = extent.Max;
    PutString(0, "SECTION");
    PutString(2, "HEADER");
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
        if (layer->Ident().empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "LAYER_%.4d", index);
            layer->SetIdent(name);
        }
        PutString(0, "LAYER");
        PutString(2, layer->Ident());
        PutInt(70, 0);
        PutInt(61, 0);
        PutInt(62, find_DXF_color(layer->Color()));
        ++index;
    }
    PutString(0, "ENDTAB");
}

void TDXFConverter::write_entities() {
    PutString(0, "SECTION");
    PutString(2, "ENTITIES");
    struct TWalk {
        TDXFConverter* C;
        TNyxObject* Layer;
    };
    for (TNyxObject* layer : FRoot->Items()) {
        TWalk walk{this, layer};
        layer->Iterate(
            [](TNyxObject* Obj, void* Data) {
                auto* w = static_cast<TWalk*>(Data);
                w->C->WriteObject(Obj, w->Layer);
            },
            &walk);
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

void TDXFConverter::write_text(const TEntity& Entity) {
    write_circle(Entity);
    PutString(1, Entity.Text);
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

void TDXFConverter::WriteObject(TNyxObject* Obj, TNyxObject* Layer) {
    static constexpr const char* names[] = {"",    "POINT", "LINE",     "CIRCLE",
                                            "ARC", "TEXT",  "POLYLINE", "3DFACE"};
    const TEntityKind kind = KindOf(Obj);
    if (kind == TEntityKind::None)
        return;
    PutString(0, names[int(kind)]);
    PutString(8, Layer->Ident());
    TEntity& e = FEntity;
    e.ColorNumber = Obj->Color() == Layer->Color() ? 0 : find_DXF_color(Obj->Color());
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
        e.Points[0] = xf->Translate()->Data();
        e.Size = xf->Scale()->X();
        e.Text = static_cast<TNyxLabel*>(Obj)->Caption();
        write_text(e);
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
    case TEntityKind::None:
        break;
    }
}

}  // namespace nyx
