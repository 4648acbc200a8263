#include "objects/lines.h"

#include "gl/glscope.h"
#include "gl/wgl.h"
#include "scene/glstate.h"
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace nyx {

namespace {

constexpr double Radius = 0.5;
constexpr double DegToRad = 3.14159265358979323846 / 180;

// Stores a segment count, at least 3; tells whether it changed.
bool StoreSegments(std::int32_t& Field, std::int32_t Value) {
    Value = std::max(Value, std::int32_t(3));
    if (Value == Field)
        return false;
    Field = Value;
    return true;
}

// The angle swept counter-clockwise from Start to End, in (0, 360]: equal directions
// give the full circle. Angles outside 0 .. 360 count modulo 360, so that the arc
// drawn and its extent agree; NaN when either angle is not a finite number.
double ArcSweep(double Start, double End) {
    double sweep = Start < End ? End - Start : End - Start + 360;
    if (!(sweep > 0 && sweep <= 360)) {
        sweep = std::fmod(sweep, 360.0);
        if (sweep <= 0)
            sweep += 360;
    }
    return sweep;
}

void Grow(TGLArrayd3& Min, TGLArrayd3& Max, const TGLArrayd3& P) {
    MinBoundsd(Min, P);
    MaxBoundsd(Max, P);
}

}  // namespace

// --- Class information ---------------------------------------------------------------

const TMetaClass& TNyxPoint::StaticClass() {
    static const TMetaClass meta =
        TMetaClass::Make<TNyxPoint, TNyxShape>("TNyxPoint", {NyxObjectProps::Point1("P")});
    return meta;
}

const TMetaClass& TNyxLine::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TNyxLine, TNyxLineShape>(
        "TNyxLine", {NyxObjectProps::Point1("P1"), NyxObjectProps::Point2("P2")});
    return meta;
}

const TMetaClass& TNyxPolyline::StaticClass() {
    using P = Props<TNyxPolyline>;
    static const TMetaClass meta = TMetaClass::Make<TNyxPolyline, TNyxLineShape>(
        "TNyxPolyline",
        {P::Collection<TNyxCollection>("Vertexes",
                                       [](const TNyxPolyline& p) { return p.Vertexes(); }),
         P::Boolean("ColorVertexes", &TNyxPolyline::ColorVertexes, &TNyxPolyline::SetColorVertexes,
                    NoDefault),
         P::Boolean("Closed", &TNyxPolyline::Closed, &TNyxPolyline::SetClosed, false)});
    return meta;
}

const TMetaClass& TNyxArc::StaticClass() {
    using P = Props<TNyxArc>;
    static const TMetaClass meta = TMetaClass::Make<TNyxArc, TNyxLineShape>(
        "TNyxArc", {P::Integer("Segments", &TNyxArc::Segments, &TNyxArc::SetSegments, 30),
                    P::Float("StartAngle", &TNyxArc::StartAngle, &TNyxArc::SetStartAngle),
                    P::Float("EndAngle", &TNyxArc::EndAngle, &TNyxArc::SetEndAngle)});
    return meta;
}

const TMetaClass& TNyxCircle::StaticClass() {
    using P = Props<TNyxCircle>;
    static const TMetaClass meta = TMetaClass::Make<TNyxCircle, TNyxLineShape>(
        "TNyxCircle",
        {P::Integer("Segments", &TNyxCircle::Segments, &TNyxCircle::SetSegments, 30)});
    return meta;
}

// --- TNyxPoint -----------------------------------------------------------------------

void TNyxPoint::DrawSpecific(std::uint32_t, bool) {
    const TNyxGLState::TPoints points(GLState(), Width(), Smooth());
    points.Begin(GL_POINTS);
    glVertex3dv(Point1()->Data().data());
    glEnd();
}

void TNyxPoint::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const { Min = Max = Point1()->Data(); }

// --- TNyxLine ------------------------------------------------------------------------

void TNyxLine::DrawShape(std::uint32_t, bool) {
    glBegin(GL_LINES);
    glVertex3dv(Point1()->Data().data());
    glVertex3dv(Point2()->Data().data());
    glEnd();
}

void TNyxLine::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = Max = Point1()->Data();
    Grow(Min, Max, Point2()->Data());
}

// --- TNyxPolyline --------------------------------------------------------------------

TNyxPolyline::TNyxPolyline(TComponent* AOwner)
    : TNyxLineShape(AOwner), FVertexes(this, TNyxVertex3CI::StaticClass()) {
    FVertexes.RegisterObject(this);
}

TNyxPolyline::~TNyxPolyline() { FVertexes.UnregisterObject(this); }

void TNyxPolyline::SetColorVertexes(bool Value) {
    if (Value == FColorVertexes)
        return;
    FColorVertexes = Value;
    Invalidate(this);
}

void TNyxPolyline::SetClosed(bool Value) {
    if (Value == FClosed)
        return;
    FClosed = Value;
    Invalidate(this);
}

void TNyxPolyline::DrawShape(std::uint32_t, bool) {
    const int count = FVertexes.Count();
    if (count < 2)
        return;
    std::optional<TGLAttribScope> colours;
    if (FColorVertexes) {
        colours.emplace(GL_LIGHTING_BIT | GL_CURRENT_BIT);
        glEnable(GL_COLOR_MATERIAL);
    }
    glBegin(FClosed ? GL_LINE_LOOP : GL_LINE_STRIP);
    for (int i = 0; i < count; ++i) {
        const auto* v = FVertexes.ItemAs<TNyxVertex3CI>(i);
        if (FColorVertexes)
            glColor4fv(v->ColorRGBA().data());
        glVertex3dv(v->Data().data());
    }
    glEnd();
}

void TNyxPolyline::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const int count = FVertexes.Count();
    if (count < 2) {
        Min = Max = {0, 0, 0};
        return;
    }
    Min = Max = FVertexes.ItemAs<TNyxVertex3CI>(0)->Data();
    for (int i = 1; i < count; ++i)
        Grow(Min, Max, FVertexes.ItemAs<TNyxVertex3CI>(i)->Data());
}

// --- TNyxArc -------------------------------------------------------------------------

void TNyxArc::SetSegments(std::int32_t Value) {
    if (StoreSegments(FSegments, Value))
        Invalidate(this);
}

void TNyxArc::SetStartAngle(double Value) {
    if (Value == FStartAngle)
        return;
    FStartAngle = Value;
    Invalidate(this);
}

void TNyxArc::SetEndAngle(double Value) {
    if (Value == FEndAngle)
        return;
    FEndAngle = Value;
    Invalidate(this);
}

void TNyxArc::DrawShape(std::uint32_t, bool) {
    const double sweep = ArcSweep(FStartAngle, FEndAngle);
    if (std::isnan(sweep))
        return;
    glNormal3b(127, 0, 0);
    glBegin(GL_LINE_STRIP);
    // Wide: a count of 2^31 - 1 segments ends too.
    for (std::int64_t k = 0; k <= FSegments; ++k) {
        const double angle = (FStartAngle + sweep * double(k) / FSegments) * DegToRad;
        glVertex3f(GLfloat(Radius * std::cos(angle)), GLfloat(Radius * std::sin(angle)), 0);
    }
    glEnd();
}

void TNyxArc::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    const double sweep = ArcSweep(FStartAngle, FEndAngle);
    if (std::isnan(sweep)) {
        Min = Max = {0, 0, 0};
        return;
    }
    if (sweep >= 360) {
        Min = {-Radius, -Radius, 0};
        Max = {Radius, Radius, 0};
        return;
    }
    Min = Max = {Radius * std::cos(FStartAngle * DegToRad),
                 Radius * std::sin(FStartAngle * DegToRad), 0};
    Grow(Min, Max,
         {Radius * std::cos(FEndAngle * DegToRad), Radius * std::sin(FEndAngle * DegToRad), 0});
    // The axis directions strictly inside the sweep: at most four of them.
    static constexpr double AxisPoints[4][2] = {
        {Radius, 0}, {0, Radius}, {-Radius, 0}, {0, -Radius}};
    double start = std::fmod(FStartAngle, 360.0);
    if (start < 0)
        start += 360;
    const double end = start + sweep;
    for (int quarter = int(std::floor(start / 90)) + 1; quarter * 90.0 < end; ++quarter) {
        const auto& p = AxisPoints[quarter % 4];
        Grow(Min, Max, {p[0], p[1], 0});
    }
}

void TNyxArc::ReadState(TReader& Reader) {
    FEndAngle = 0;
    TNyxLineShape::ReadState(Reader);
}

// --- TNyxCircle ----------------------------------------------------------------------

void TNyxCircle::SetSegments(std::int32_t Value) {
    if (StoreSegments(FSegments, Value))
        Invalidate(this);
}

namespace {

// Names the shared loop of a circle of Segments.
std::string CircleKey(std::int32_t Segments) { return "TNyxCircle " + std::to_string(Segments); }

}  // namespace

bool TNyxCircle::PrepareGeometry() {
    SharedShapeList(CircleKey(FSegments), [this] { EmitLoop(); });
    return true;  // without the shared loop the vertices go into the group's list
}

void TNyxCircle::DrawShape(std::uint32_t, bool) {
    // Into a list, the loop is called from the list space's shared one.
    const TNyxScene* scene = Scene();
    if (scene && scene->Frame().Compiling())
        if (const GLuint shared = FindSharedShapeList(CircleKey(FSegments))) {
            glCallList(shared);
            return;
        }
    EmitLoop();
}

void TNyxCircle::EmitLoop() const {
    glNormal3b(127, 0, 0);
    glBegin(GL_LINE_LOOP);
    for (std::int32_t k = 0; k < FSegments; ++k) {
        const double angle = k * 6.283185307179586477 / FSegments;
        glVertex3f(GLfloat(Radius * std::cos(angle)), GLfloat(Radius * std::sin(angle)), 0);
    }
    glEnd();
}

void TNyxCircle::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    Min = {-Radius, -Radius, 0};
    Max = {Radius, Radius, 0};
}

}  // namespace nyx
