// Reading the entities that drawings of current CAD programs are made of besides the
// classic ones, while ReadExtendedEntities is on: the full placement of TEXT, MTEXT,
// SOLID and TRACE, blocks with their INSERTs and DIMENSIONs, ELLIPSE, SPLINE and HATCH.
//
// Sections: geometry - text - blocks and inserts - faces and curves - hatches.
#include "dxf/converter.h"
#include "dxf/detail/build.h"
#include "gl/detail/glyphs.h"
#include "gl/opengl.h"
#include "objects/label.h"
#include "objects/lines.h"
#include "objects/polygon.h"
#include "rtl/scope.h"
#include "scene/proxy.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <utility>

namespace nyx {

using detail::AppendVertex;
using detail::TBuilt;

namespace {

// --- Geometry ----------------------------------------------------------------------------

constexpr double Pi = std::numbers::pi;
constexpr double Degree = Pi / 180;

using TPoint2 = std::array<double, 2>;
using TContour2 = std::vector<TPoint2>;
using TPoints = std::vector<TGLArrayd3>;

TGLArrayd3 Add(const TGLArrayd3& A, const TGLArrayd3& B) {
    return {A[0] + B[0], A[1] + B[1], A[2] + B[2]};
}
TGLArrayd3 Times(double K, const TGLArrayd3& A) { return {K * A[0], K * A[1], K * A[2]}; }
double Distance(const TGLArrayd3& A, const TGLArrayd3& B) {
    return std::sqrt((A[0] - B[0]) * (A[0] - B[0]) + (A[1] - B[1]) * (A[1] - B[1]) +
                     (A[2] - B[2]) * (A[2] - B[2]));
}

// The axes of an entity's own coordinate system (the drawing format's "arbitrary axis"
// rule) for its extrusion direction; +Z when none is given.
struct TOcs {
    explicit TOcs(const TGLArrayd3& Extrusion) {
        TGLArrayd3 n = Extrusion;
        Normalized(n);
        if (Dotd(n, n) == 0 || !std::isfinite(n[0] + n[1] + n[2]))
            n = unitz;
        Z = n;
        if (std::abs(n[0]) < 1.0 / 64 && std::abs(n[1]) < 1.0 / 64)
            CrossProdd(unity, n, X);
        else
            CrossProdd(unitz, n, X);
        Normalized(X);
        CrossProdd(Z, X, Y);
        Plain = Z == unitz;
    }
    TGLArrayd3 ToWorld(const TGLArrayd3& P) const {
        if (Plain)
            return P;
        return Add(Add(Times(P[0], X), Times(P[1], Y)), Times(P[2], Z));
    }
    TGLArrayd3 X, Y, Z;
    bool Plain;
};

// Rotation angles (degrees about X, then Y, then Z, as the transform applies them) of
// the rotation whose columns are A, B and C.
TGLArrayd3 RotationAngles(const TGLArrayd3& A, const TGLArrayd3& B, const TGLArrayd3& C) {
    // M = Rx(a) Ry(b) Rz(c): M02 = sin b, M12 = -sin a cos b, M22 = cos a cos b,
    // M01 = -cos b sin c, M00 = cos b cos c.
    const double sb = std::clamp(C[0], -1.0, 1.0);
    const double b = std::asin(sb);
    double a, c;
    if (std::abs(sb) < 1 - 1e-12) {
        a = std::atan2(-C[1], C[2]);
        c = std::atan2(-B[0], A[0]);
    } else {
        a = std::atan2(B[2], B[1]);
        c = 0;
    }
    return {a / Degree, b / Degree, c / Degree};
}

// Places Obj at Origin (world), turned by Angle degrees about its own Z axis in the
// system of Ocs, scaled by Scale.
void PlaceInOcs(TNyxObject* Obj, const TOcs& Ocs, const TGLArrayd3& Origin, double Angle,
                const TGLArrayd3& Scale) {
    TNyxXForm* xf = Obj->XForm();
    xf->Translate()->Store(Origin);
    xf->Scale()->Store(Scale);
    if (Ocs.Plain) {
        xf->Rotate()->Store({0, 0, Angle});
    } else {
        const double c = std::cos(Angle * Degree), s = std::sin(Angle * Degree);
        const TGLArrayd3 a = Add(Times(c, Ocs.X), Times(s, Ocs.Y));
        const TGLArrayd3 b = Add(Times(-s, Ocs.X), Times(c, Ocs.Y));
        xf->Rotate()->Store(RotationAngles(a, b, Ocs.Z));
    }
    xf->ChangeData(xf);
}

// Points of the curve F on [T0, T1] with chords within Tolerance of it: Segments even
// pieces to start with, each halved while its middle lies farther from its chord. The
// last point is F(T1). At most MaxCurvePoints points.
constexpr std::size_t MaxCurvePoints = 100000;

void FlattenPiece(const std::function<TGLArrayd3(double)>& F, double A, const TGLArrayd3& PA,
                  double B, const TGLArrayd3& PB, double Tolerance, int Depth, TPoints& Out) {
    const double m = (A + B) / 2;
    const TGLArrayd3 pm = F(m);
    if (Depth > 0 && Out.size() < MaxCurvePoints &&
        Distance(pm, Times(0.5, Add(PA, PB))) > Tolerance) {
        FlattenPiece(F, A, PA, m, pm, Tolerance, Depth - 1, Out);
        FlattenPiece(F, m, pm, B, PB, Tolerance, Depth - 1, Out);
        return;
    }
    Out.push_back(PB);
}

TPoints Flatten(const std::function<TGLArrayd3(double)>& F, double T0, double T1, int Segments,
                double Tolerance) {
    TPoints out{F(T0)};
    TGLArrayd3 previous = out.front();
    for (int i = 1; i <= Segments; ++i) {
        const double a = T0 + (T1 - T0) * (i - 1) / Segments;
        const double b = i == Segments ? T1 : T0 + (T1 - T0) * i / Segments;
        const TGLArrayd3 pb = F(b);
        FlattenPiece(F, a, previous, b, pb, Tolerance, 12, out);
        previous = pb;
    }
    return out;
}

// A counter-clockwise sweep from Start to End, an angle of Turn units making a whole
// turn: the start within one turn of zero and the end after it by (0, Turn], as adding
// whole turns to End until it passes Start gives. Whole turns come off by fmod, so an
// angle of 1e300 cannot stall that addition, and an angle that is not finite sweeps the
// whole turn from zero.
std::pair<double, double> Sweep(double Start, double End, double Turn) {
    double sweep = End - Start;
    if (!std::isfinite(sweep))
        return {0, Turn};
    if (sweep <= 0)
        sweep = std::fmod(sweep, Turn) + Turn;
    const double start = std::fmod(Start, Turn);
    return {start, start + std::min(sweep, Turn)};
}

// The points of an elliptic arc from parameter U0 to U1 (radians) round Centre, with
// major axis Major and minor axis Minor.
TPoints EllipsePoints(const TGLArrayd3& Centre, const TGLArrayd3& Major, const TGLArrayd3& Minor,
                      double U0, double U1, double Deviation) {
    const double size = std::sqrt(Dotd(Major, Major));
    const int segments = std::max(2, int(std::ceil(std::abs(U1 - U0) / (Pi / 4))));
    return Flatten(
        [&](double U) {
            return Add(Centre, Add(Times(std::cos(U), Major), Times(std::sin(U), Minor)));
        },
        U0, U1, std::min(segments, 64), Deviation * size);
}

// A rational or plain B-spline of the given degree by de Boor's algorithm, on a knot
// vector of Control.size() + Degree + 1 values.
class TSpline {
public:
    TSpline(int Degree, std::vector<double> Knots, TPoints Control, std::vector<double> Weights)
        : FDegree(Degree), FKnots(std::move(Knots)), FControl(std::move(Control)),
          FWeights(std::move(Weights)) {
        if (FWeights.size() != FControl.size())
            FWeights.assign(FControl.size(), 1.0);
    }
    double First() const { return FKnots[std::size_t(FDegree)]; }
    double Last() const { return FKnots[FControl.size()]; }
    TGLArrayd3 operator()(double T) const {
        const std::size_t n = FControl.size();
        const auto p = std::size_t(FDegree);
        // The span k with knots[k] <= T < knots[k + 1], inside [p, n - 1].
        std::size_t k = std::size_t(std::upper_bound(FKnots.begin() + std::ptrdiff_t(p),
                                                     FKnots.begin() + std::ptrdiff_t(n), T) -
                                    FKnots.begin());
        k = std::clamp<std::size_t>(k == 0 ? 0 : k - 1, p, n - 1);
        std::array<std::array<double, 4>, 16> d{};
        for (std::size_t j = 0; j <= p; ++j) {
            const std::size_t i = j + k - p;
            const double w = FWeights[i];
            d[j] = {FControl[i][0] * w, FControl[i][1] * w, FControl[i][2] * w, w};
        }
        for (std::size_t r = 1; r <= p; ++r)
            for (std::size_t j = p; j >= r; --j) {
                const std::size_t i = j + k - p;
                const double span = FKnots[i + p - r + 1] - FKnots[i];
                const double alpha = span > 0 ? (T - FKnots[i]) / span : 0;
                for (std::size_t c = 0; c < 4; ++c)
                    d[j][c] = (1 - alpha) * d[j - 1][c] + alpha * d[j][c];
            }
        const double w = d[p][3] != 0 ? d[p][3] : 1;
        return {d[p][0] / w, d[p][1] / w, d[p][2] / w};
    }
    static constexpr int MaxDegree = 15;

private:
    int FDegree;
    std::vector<double> FKnots;
    TPoints FControl;
    std::vector<double> FWeights;
};

double BoxDiagonal(const TPoints& Points) {
    if (Points.empty())
        return 0;
    TGLArrayd3 lo = Points.front(), hi = Points.front();
    for (const TGLArrayd3& p : Points) {
        MinBoundsd(lo, p);
        MaxBoundsd(hi, p);
    }
    return Distance(lo, hi);
}

// A clamped uniform knot vector for Count control points.
std::vector<double> ClampedKnots(std::size_t Count, int Degree) {
    std::vector<double> knots;
    const std::size_t inner = Count - std::size_t(Degree) - 1;
    for (int i = 0; i <= Degree; ++i)
        knots.push_back(0);
    for (std::size_t i = 1; i <= inner; ++i)
        knots.push_back(double(i));
    for (int i = 0; i <= Degree; ++i)
        knots.push_back(double(inner + 1));
    return knots;
}

TPoints SplinePoints(int Degree, std::vector<double> Knots, const TPoints& Control,
                     std::vector<double> Weights, double Deviation) {
    if (Knots.size() != Control.size() + std::size_t(Degree) + 1 ||
        !std::is_sorted(Knots.begin(), Knots.end()))
        Knots = ClampedKnots(Control.size(), Degree);
    const TSpline spline(Degree, std::move(Knots), Control, std::move(Weights));
    const std::size_t spans = Control.size() - std::size_t(Degree);
    const int segments = int(std::min<std::size_t>(4 * spans, 4096));
    if (!(spline.Last() > spline.First()))
        return {Control.front(), Control.back()};
    return Flatten(std::cref(spline), spline.First(), spline.Last(), segments,
                   Deviation * BoxDiagonal(Control));
}

// A curve through every fit point: centripetal Catmull-Rom pieces.
TPoints FitPoints(const TPoints& Fit, bool Closed, double Deviation) {
    const std::size_t n = Fit.size();
    const auto at = [&](std::ptrdiff_t i) -> const TGLArrayd3& {
        if (Closed)
            return Fit[std::size_t((i % std::ptrdiff_t(n) + std::ptrdiff_t(n)) %
                                   std::ptrdiff_t(n))];
        return Fit[std::size_t(std::clamp<std::ptrdiff_t>(i, 0, std::ptrdiff_t(n) - 1))];
    };
    const double tolerance = Deviation * BoxDiagonal(Fit);
    TPoints out{Fit.front()};
    const std::size_t pieces = Closed ? n : n - 1;
    for (std::size_t s = 0; s < pieces; ++s) {
        const auto i = std::ptrdiff_t(s);
        const TGLArrayd3 &p0 = at(i - 1), &p1 = at(i), &p2 = at(i + 1), &p3 = at(i + 2);
        const auto knot = [](const TGLArrayd3& A, const TGLArrayd3& B) {
            return std::max(std::sqrt(Distance(A, B)), 1e-12);
        };
        const double t1 = knot(p0, p1), t2 = t1 + knot(p1, p2), t3 = t2 + knot(p2, p3);
        const auto lerp = [](const TGLArrayd3& A, const TGLArrayd3& B, double Ta, double Tb,
                             double T) {
            return Add(Times((Tb - T) / (Tb - Ta), A), Times((T - Ta) / (Tb - Ta), B));
        };
        const auto piece = [&](double T) {
            const TGLArrayd3 a1 = lerp(p0, p1, 0, t1, T), a2 = lerp(p1, p2, t1, t2, T),
                             a3 = lerp(p2, p3, t2, t3, T);
            const TGLArrayd3 b1 = lerp(a1, a2, 0, t2, T), b2 = lerp(a2, a3, t1, t3, T);
            return lerp(b1, b2, t1, t2, T);
        };
        const TPoints part = Flatten(piece, t1, t2, 4, tolerance);
        out.insert(out.end(), part.begin() + 1, part.end());
        out.back() = p2;  // through the fit point itself, not a rounding away
        if (out.size() > MaxCurvePoints)
            break;
    }
    return out;
}

// --- Text ----------------------------------------------------------------------------

// Heights of the CAD text box in em of the label's face: its capitals (what a drawing's
// text height measures) and the depth of its descenders.
constexpr double CapHeight = 0.716;
constexpr double Descent = 0.212;

// The advance of Caption in em of Arial's face (half an em a character when there is
// no face to measure).
double CaptionAdvance(const TNyxLabel& Label, const std::string& Caption) {
    const TLogFont font = Label.Font()->LogFont();
    detail::TGlyphStyle style;
    style.Outline = true;
    style.Format = WGL_FONT_LINES;
    double advance = 0;
    for (const char c : Caption) {
        const detail::TGlyphShape* shape =
            detail::CachedGlyph(font, style, static_cast<unsigned char>(c));
        advance += shape ? shape->Metrics.gmfCellIncX : 0.5;
    }
    return advance;
}

// The label placed with its baseline start Offset (in units of the text height, along
// and across the text) away from Anchor, turned by Angle degrees.
void PlaceLabel(TNyxLabel* Label, const TGLArrayd3& Anchor, double Angle, double Height,
                double Width, double OffsetX, double OffsetY, const TOcs& Ocs) {
    const double c = std::cos(Angle * Degree), s = std::sin(Angle * Degree);
    const double dx = OffsetX * Height, dy = OffsetY * Height;
    const TGLArrayd3 start{Anchor[0] + c * dx - s * dy, Anchor[1] + s * dx + c * dy, Anchor[2]};
    PlaceInOcs(Label, Ocs, Ocs.ToWorld(start), Angle, {Width * Height, Height, Height});
}

// Formatting codes of MTEXT taken out, its paragraphs (\P) as lines.
std::vector<std::string> MTextLines(const std::string& Text) {
    std::vector<std::string> lines(1);
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Text[i];
        if (c == '{' || c == '}')
            continue;
        if (c == '%' && i + 2 < n && Text[i + 1] == '%') {
            const char k = char(std::toupper(static_cast<unsigned char>(Text[i + 2])));
            const char* special = k == 'D'   ? "\xB0"
                                  : k == 'P' ? "\xB1"
                                  : k == 'C' ? "\xD8"
                                  : k == '%' ? "%"
                                             : nullptr;
            if (special) {
                lines.back() += special;
                i += 2;
                continue;
            }
        }
        if (c != '\\' || i + 1 >= n) {
            lines.back() += c;
            continue;
        }
        const char k = Text[++i];
        switch (k) {
        case 'P':
        case 'N':
            lines.emplace_back();
            break;
        case '~':
            lines.back() += ' ';
            break;
        case '\\':
        case '{':
        case '}':
            lines.back() += k;
            break;
        case 'L':
        case 'l':
        case 'O':
        case 'o':
        case 'K':
        case 'k':
            break;
        case 'S': {  // stacked: a^b, a/b or a#b, up to ';'
            const std::size_t end = Text.find(';', i);
            std::string stack = Text.substr(i + 1, end == std::string::npos ? n : end - i - 1);
            std::replace_if(
                stack.begin(), stack.end(), [](char x) { return x == '^' || x == '#'; }, '/');
            lines.back() += stack;
            i = end == std::string::npos ? n : end;
            break;
        }
        case 'U':
            if (i + 6 < n + 1 && Text[i + 1] == '+') {
                const unsigned long code = std::strtoul(Text.substr(i + 2, 4).c_str(), nullptr, 16);
                lines.back() += code < 256 ? char(code) : '?';
                i += 5;
            }
            break;
        default: {  // \f...; \H...; \W...; \Q...; \T...; \A...; \C...; \c...; \p...;
            const std::size_t end = Text.find(';', i);
            i = end == std::string::npos ? n : end;
            break;
        }
        }
    }
    return lines;
}

}  // namespace

// TEXT: width factor 41, rotation 50; alignment 72 (0 left, 1 centre, 2 right, 3
// aligned, 4 middle, 5 fit) and 73 (0 baseline, 1 bottom, 2 middle, 3 top) on the
// second point, 11, unless both are 0.
void TDXFConverter::PlaceText(TNyxLabel* Label, const TEntity& Text) const {
    const TOcs ocs(Text.Extrusion);
    const int horizontal = Text.Indices[1], vertical = Text.Indices[2];
    double height = Text.Size, width = Text.Factors[0] > 0 ? Text.Factors[0] : 1;
    double angle = Text.StartAngle;
    if (horizontal == 0 && vertical == 0) {
        PlaceLabel(Label, Text.Points[0], angle, height, width, 0, 0, ocs);
        return;
    }
    const double advance = CaptionAdvance(*Label, Text.Text);
    if ((horizontal == 3 || horizontal == 5) && advance > 0) {
        // Between the two points: aligned keeps the shape, fit the height.
        const TGLArrayd3& a = Text.Points[0];
        const TGLArrayd3& b = Text.Points[1];
        const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
        angle = std::atan2(b[1] - a[1], b[0] - a[0]) / Degree;
        if (horizontal == 3 && length > 0) {
            height = length / advance / width;
        } else if (height > 0) {
            width = length / advance / height;
        }
        PlaceLabel(Label, a, angle, height, width, 0, 0, ocs);
        return;
    }
    const double across = horizontal == 1 || horizontal == 4 ? 0.5 : horizontal == 2 ? 1 : 0;
    double up = vertical == 1   ? -Descent
                : vertical == 2 ? CapHeight / 2
                : vertical == 3 ? CapHeight
                                : 0;
    if (horizontal == 4)
        up = CapHeight / 2;
    PlaceLabel(Label, Text.Points[1], angle, height, width, -across * advance * width, -up, ocs);
}

// MTEXT: 10/20/30 insertion point, 40 height, 44 line spacing factor, 50 rotation or
// 11/21/31 the text's direction, 71 attachment point (1 top left to 9 bottom right),
// 3 and 1 the text in pieces. Each line a label; lines are 5/3 of the height apart.
bool TDXFConverter::read_mtext() {
    TEntity e;
    std::string text;
    TGLArrayd3 direction{};
    double spacing = 1;
    std::int32_t attachment = 1;
    const bool read = ReadOwnGroups(e, [&](std::int32_t Code) {
        const auto axis = std::size_t(Code < 200 ? Code / 10 - 1 : Code / 10 - 21);
        switch (Code) {
        case 1:
        case 3:
            text += FValue;
            break;
        case 10:
        case 20:
        case 30:
            e.Points[0][axis] = ValDbl();
            break;
        case 11:
        case 21:
        case 31:
            direction[axis] = ValDbl();
            break;
        case 210:
        case 220:
        case 230:
            e.Extrusion[axis] = ValDbl();
            break;
        case 40:
            e.Size = ValDbl();
            break;
        case 44:
            spacing = ValDbl();
            break;
        case 50:
            e.StartAngle = ValDbl();
            break;
        case 71:
            attachment = ValInt();
            break;
        default:
            break;
        }
    });
    if (!read)
        return false;
    TNyxObject* layer = LayerForSequence(e);
    const TOcs ocs(e.Extrusion);
    TGLArrayd3 origin = e.Points[0];
    if (direction[0] != 0 || direction[1] != 0 || direction[2] != 0) {
        // The direction is in world coordinates; the angle is taken in the text's plane.
        e.StartAngle = std::atan2(Dotd(direction, ocs.Y), Dotd(direction, ocs.X)) / Degree;
    }
    if (!ocs.Plain) {  // the insertion point is in world coordinates too
        origin = {Dotd(origin, ocs.X), Dotd(origin, ocs.Y), Dotd(origin, ocs.Z)};
    }
    const std::vector<std::string> lines = MTextLines(text);
    const double pitch = 5.0 / 3 * (spacing > 0 ? spacing : 1);
    const int column = (std::clamp(attachment, 1, 9) - 1) % 3;
    const int row = (std::clamp(attachment, 1, 9) - 1) / 3;
    const double block = CapHeight + pitch * double(lines.size() - 1);
    const double firstBaseline = row == 0   ? -CapHeight
                                 : row == 1 ? block / 2 - CapHeight
                                            : block - CapHeight;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TBuilt<TNyxLabel> label(FRoot, EntityParent(layer), "", EntityColor(e, layer));
        label->SetCaption(lines[i]);
        label->SetBitmapFont(false);
        label->Font()->SetName("Arial");
        const double across = column ? column * 0.5 * CaptionAdvance(*label.Get(), lines[i]) : 0;
        PlaceLabel(label.Get(), origin, e.StartAngle, e.Size, 1, -across,
                   firstBaseline - pitch * double(i), ocs);
    }
    return true;
}

// --- Blocks and inserts ------------------------------------------------------------------------

// The group of the block Name, made (empty, below the hidden holder) when it is first
// named: an INSERT may come before its block in a nested block.
TNyxObject* TDXFConverter::BlockGroup(const std::string& Name) {
    std::string key = Name;
    for (char& c : key)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    if (const auto it = FBlocks.find(key); it != FBlocks.end())
        return it->second;
    if (!FBlockHolder) {
        FBlockHolder = FindLayer(BlockHolderIdent);
        if (!FBlockHolder) {
            FBlockHolder = new TNyxActor(FRoot);
            FBlockHolder->SetIdent(BlockHolderIdent);
            FBlockHolder->SetVisible(false);
            FBlockHolder->SetParentComponent(FRoot);
        }
    }
    auto* group = new TNyxActor(FRoot);
    group->SetIdent(Name);
    group->SetParentComponent(FBlockHolder);
    FBlocks.emplace(key, group);
    return group;
}

// The BLOCKS section: each "0"/"BLOCK" with its name (2) and base point (10/20/30), its
// entities, "0"/"ENDBLK". The layouts' blocks (model and paper space) are passed over:
// what is drawn of them is in ENTITIES or on paper only.
bool TDXFConverter::ReadBlocks() {
    const TOnExit leave([this] { FBlock = nullptr; });
    for (;;) {
        const std::int32_t code = NextGroupCode();
        if (code < 0)
            return false;
        if (code != 0)
            continue;
        if (FValue == "ENDSEC")
            return true;
        if (FValue != "BLOCK")
            continue;
        TEntity block;
        if (!read_entity_data(block))
            return false;
        std::string upper = block.Name;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (upper.starts_with("*MODEL_SPACE") || upper.starts_with("*PAPER_SPACE") ||
            upper.starts_with("$MODEL_SPACE") || upper.starts_with("$PAPER_SPACE"))
            continue;  // its entities are passed over as those of no reader
        TNyxObject* group = BlockGroup(block.Name);
        detail::PlaceXForm(group, Times(-1, block.Points[0]), {1, 1, 1});
        FBlock = group;
        const bool read = ReadEntityList("ENDBLK");
        FBlock = nullptr;
        if (!read)
            return false;
    }
}

// One proxy of the block per cell of the insert's array (70 columns, 71 rows, 44 and 45
// apart along the insert's turned axes), placed at 10/20/30, turned by 50, scaled by
// 41/42/43.
void TDXFConverter::AddInsert(const TEntity& Insert, TNyxObject* Layer) {
    TNyxObject* block = BlockGroup(Insert.Name);
    const std::int64_t columns = std::max(1, Insert.Flags);
    const std::int64_t rows = std::max(1, Insert.Indices[0]);
    constexpr std::int64_t MaxCells = 65536;
    if (columns * rows > MaxCells)
        RaiseRead("INSERT of block " + Insert.Name + ": an array of " + std::to_string(columns) +
                  " x " + std::to_string(rows) + " cells is more than " + std::to_string(MaxCells));
    const auto factor = [&](std::size_t I) {
        const double f = Insert.Factors[I];
        return f != 0 && std::isfinite(f) ? f : 1.0;
    };
    const TGLArrayd3 scale{factor(0), factor(1), factor(2)};
    const TOcs ocs(Insert.Extrusion);
    const double angle = Insert.StartAngle;
    const double c = std::cos(angle * Degree), s = std::sin(angle * Degree);
    for (std::int64_t row = 0; row < rows; ++row)
        for (std::int64_t column = 0; column < columns; ++column) {
            const double dx = double(column) * Insert.Factors[3];
            const double dy = double(row) * Insert.Factors[4];
            const TGLArrayd3 at{Insert.Points[0][0] + c * dx - s * dy,
                                Insert.Points[0][1] + s * dx + c * dy, Insert.Points[0][2]};
            TBuilt<TNyxProxy> proxy(FRoot, EntityParent(Layer), Insert.Name,
                                    EntityColor(Insert, Layer));
            try {
                proxy->SetProxy(block);
            } catch (const Exception&) {
                RaiseRead("Block " + Insert.Name + " inserts itself");
            }
            PlaceInOcs(proxy.Get(), ocs, ocs.ToWorld(at), angle, scale);
        }
}

// DIMENSION: its picture is the block named in group 2, drawn where it lies.
bool TDXFConverter::read_dimension() {
    FEntity.Clear();
    if (!read_entity_data(FEntity))
        return false;
    TNyxObject* layer = LayerForSequence(FEntity);
    if (FEntity.Name.empty())
        return true;  // a dimension without its picture shows nothing
    TBuilt<TNyxProxy> proxy(FRoot, EntityParent(layer), FEntity.Name, EntityColor(FEntity, layer));
    try {
        proxy->SetProxy(BlockGroup(FEntity.Name));
    } catch (const Exception&) {
        RaiseRead("Block " + FEntity.Name + " inserts itself");
    }
    return true;
}

// --- Faces and curves ------------------------------------------------------------------------

// SOLID and TRACE: corners 1, 2, 4, 3 as the format stores them; without a fourth
// corner, or with the fourth on the third, a triangle.
bool TDXFConverter::read_solid() {
    FEntity.Clear();
    FEntity.Points[3][0] = std::numeric_limits<double>::quiet_NaN();
    if (!read_entity_data(FEntity))
        return false;
    TNyxObject* layer = LayerForSequence(FEntity);
    TBuilt<TNyxPolygon> polygon(FRoot, EntityParent(layer), FEntity.Name,
                                EntityColor(FEntity, layer));
    polygon->SetColorVertexes(false);
    const TOcs ocs(FEntity.Extrusion);
    const auto& p = FEntity.Points;
    const bool triangle = std::isnan(p[3][0]) || p[3] == p[2];
    TNyxCollection* vertexes = polygon->Vertexes();
    vertexes->BeginUpdate();
    for (const std::size_t i : {0, 1, 3, 2})
        if (i != 3 || !triangle)
            AppendVertex(vertexes, ocs.ToWorld(p[i]));
    vertexes->EndUpdate();
    return true;
}

namespace {

template <class TObjectPtr>
void AppendPoints(TObjectPtr Obj, const TPoints& Points, bool Closed) {
    Obj->SetClosed(Closed);
    TNyxCollection* vertexes = Obj->Vertexes();
    vertexes->BeginUpdate();
    for (const TGLArrayd3& p : Points)
        AppendVertex(vertexes, p);
    vertexes->EndUpdate();
}

}  // namespace

// ELLIPSE: centre 10/20/30, end of the major axis 11/21/31 from the centre, 40 the minor
// axis over the major, 41 and 42 the start and end parameters (radians).
bool TDXFConverter::read_ellipse() {
    FEntity.Clear();
    FEntity.Factors[1] = 2 * Pi;
    if (!read_entity_data(FEntity))
        return false;
    TNyxObject* layer = LayerForSequence(FEntity);
    const TOcs ocs(FEntity.Extrusion);
    const TGLArrayd3& major = FEntity.Points[1];
    TGLArrayd3 minor;
    CrossProdd(ocs.Z, major, minor);
    minor = Times(FEntity.Size, minor);
    const auto [u0, u1] = Sweep(FEntity.Factors[0], FEntity.Factors[1], 2 * Pi);
    const bool closed = u1 - u0 > 2 * Pi - 1e-9;
    TPoints points = EllipsePoints(FEntity.Points[0], major, minor, u0, u1, CurveDeviation());
    if (closed && points.size() > 1)
        points.pop_back();
    TBuilt<TNyxPolyline> polyline(FRoot, EntityParent(layer), FEntity.Name,
                                  EntityColor(FEntity, layer));
    AppendPoints(polyline.Get(), points, closed);
    return true;
}

// SPLINE: 70 flags (bit 0 closed), 71 degree, 40 the knots, 41 the weights, 10/20/30
// the control points, 11/21/31 the fit points, used when there are no control points.
bool TDXFConverter::read_spline() {
    TEntity e;
    int degree = 3;
    std::vector<double> knots, weights;
    TPoints control, fit;
    const bool read = ReadOwnGroups(e, [&](std::int32_t Code) {
        TPoints& points = Code % 10 == 0 ? control : fit;
        if (Code == 10 || Code == 11)
            points.push_back({ValDbl(), 0, 0});
        else if ((Code == 20 || Code == 30 || Code == 21 || Code == 31) && !points.empty())
            points.back()[std::size_t(Code / 10 - 1)] = ValDbl();
        else if (Code == 40)
            knots.push_back(ValDbl());
        else if (Code == 41)
            weights.push_back(ValDbl());
        else if (Code == 71)
            degree = ValInt();
    });
    if (!read)
        return false;
    TNyxObject* layer = LayerForSequence(e);
    const bool closed = (e.Flags & 1) != 0;
    TPoints points;
    degree = std::clamp(degree, 1, TSpline::MaxDegree);
    if (control.size() >= 2) {
        degree = std::min(degree, int(control.size()) - 1);
        points =
            SplinePoints(degree, std::move(knots), control, std::move(weights), CurveDeviation());
    } else if (fit.size() >= 2) {
        points = FitPoints(fit, closed, CurveDeviation());
    } else {
        points = control.empty() ? fit : control;
    }
    if (closed && points.size() > 2 && Distance(points.front(), points.back()) == 0)
        points.pop_back();
    TBuilt<TNyxPolyline> polyline(FRoot, EntityParent(layer), "", EntityColor(e, layer));
    AppendPoints(polyline.Get(), points, closed);
    return true;
}

// --- Hatches -----------------------------------------------------------------------------------

namespace {

// The numeric groups of a hatch in their order, walked by code: Next takes the value
// of the next group with the code asked for, passing over the groups a writer puts in
// between (0 when there is none left).
class THatchGroups {
public:
    explicit THatchGroups(std::vector<std::pair<std::int32_t, double>> Groups)
        : FGroups(std::move(Groups)) {}
    double Next(std::int32_t Code) {
        for (std::size_t i = FNext; i < FGroups.size(); ++i)
            if (FGroups[i].first == Code) {
                FNext = i + 1;
                return FGroups[i].second;
            }
        FNext = FGroups.size();
        return 0;
    }
    // A count: never more than the groups left, so a wrong count cannot run long.
    std::size_t Count(std::int32_t Code) {
        const double v = Next(Code);
        const double left = double(FGroups.size() - FNext);
        return v > 0 ? std::size_t(std::min(v, left)) : 0;
    }
    // The value of the group right here when it has the code.
    bool Optional(std::int32_t Code, double& Value) {
        if (FNext >= FGroups.size() || FGroups[FNext].first != Code)
            return false;
        Value = FGroups[FNext++].second;
        return true;
    }

private:
    std::vector<std::pair<std::int32_t, double>> FGroups;
    std::size_t FNext = 0;
};

// The points of an arc edge of a hatch: angles in degrees, counter-clockwise from Start
// to End, or clockwise from -Start to -End when Ccw is false (clockwise edges store
// their angles mirrored).
TPoints ArcEdge(const TGLArrayd3& Centre, const TGLArrayd3& Major, const TGLArrayd3& Minor,
                double Start, double End, bool Ccw, double Deviation) {
    const auto [start, end] = Sweep(Start, End, 360);
    const double sign = Ccw ? 1 : -1;
    return EllipsePoints(Centre, Major, Times(sign, Minor), start * Degree, end * Degree,
                         Deviation);
}

// One boundary path (92 flags; a polyline when bit 1 is set, otherwise edges) as a
// contour in the hatch's plane.
TContour2 HatchPath(THatchGroups& G, double Deviation) {
    TContour2 contour;
    const auto add = [&](double X, double Y) {
        if (contour.empty() || contour.back() != TPoint2{X, Y})
            contour.push_back({X, Y});
    };
    const auto addAll = [&](const TPoints& Points) {
        for (const TGLArrayd3& p : Points)
            add(p[0], p[1]);
    };
    const auto flags = std::int64_t(G.Next(92));
    if (flags & 2) {  // 72 bulges given, 73 closed, 93 count, then 10/20 and 42 each
        const bool bulges = G.Next(72) != 0;
        G.Next(73);
        std::vector<std::array<double, 3>> vertices(G.Count(93));
        for (auto& v : vertices) {
            v[0] = G.Next(10);
            v[1] = G.Next(20);
            if (bulges)
                G.Optional(42, v[2]);
        }
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            const auto& a = vertices[i];
            const auto& b = vertices[(i + 1) % vertices.size()];
            add(a[0], a[1]);
            if (a[2] != 0)
                detail::BulgePoints(a[0], a[1], b[0], b[1], a[2], add);
        }
        return contour;
    }
    const std::size_t edges = G.Count(93);
    for (std::size_t k = 0; k < edges; ++k) {
        switch (int(G.Next(72))) {
        case 1: {  // line: 10/20 to 11/21
            const double x1 = G.Next(10), y1 = G.Next(20);
            const double x2 = G.Next(11), y2 = G.Next(21);
            add(x1, y1);
            add(x2, y2);
            break;
        }
        case 2: {  // circular arc: centre 10/20, radius 40, angles 50 and 51, 73 ccw
            const TGLArrayd3 centre{G.Next(10), G.Next(20), 0};
            const double r = G.Next(40), start = G.Next(50), end = G.Next(51);
            addAll(ArcEdge(centre, {r, 0, 0}, {0, r, 0}, start, end, G.Next(73) != 0, Deviation));
            break;
        }
        case 3: {  // elliptic arc: centre 10/20, major axis 11/21, ratio 40, 50, 51, 73
            const TGLArrayd3 centre{G.Next(10), G.Next(20), 0};
            const TGLArrayd3 major{G.Next(11), G.Next(21), 0};
            const double ratio = G.Next(40), start = G.Next(50), end = G.Next(51);
            const TGLArrayd3 minor{-major[1] * ratio, major[0] * ratio, 0};
            addAll(ArcEdge(centre, major, minor, start, end, G.Next(73) != 0, Deviation));
            break;
        }
        case 4: {  // spline: 94 degree, 95 knots, 96 control points (10/20, 42 weights)
            const int degree = std::clamp(int(G.Next(94)), 1, TSpline::MaxDegree);
            const std::size_t knotCount = G.Count(95);
            const std::size_t controlCount = G.Count(96);
            std::vector<double> knots(knotCount), weights;
            for (double& k : knots)
                k = G.Next(40);
            TPoints control(controlCount);
            for (TGLArrayd3& p : control) {
                p = {G.Next(10), G.Next(20), 0};
                double w = 0;
                if (G.Optional(42, w))
                    weights.push_back(w);
            }
            if (control.size() >= 2)
                addAll(SplinePoints(std::min(degree, int(control.size()) - 1), std::move(knots),
                                    control, std::move(weights), Deviation));
            else if (control.size() == 1)
                add(control[0][0], control[0][1]);
            break;
        }
        default:
            break;
        }
    }
    if (contour.size() > 1 && contour.front() == contour.back())
        contour.pop_back();
    return contour;
}

}  // namespace

// HATCH: elevation point 10/20/30, 70 bit 0 a solid fill, 91 boundary paths, each
// followed by 97 and the handles of the objects it came from. A solid fill becomes
// triangles filling what the paths enclose by the odd rule (so a path inside another
// is a hole); a pattern its paths as closed polylines.
bool TDXFConverter::read_hatch() {
    TEntity e;
    std::vector<std::pair<std::int32_t, double>> numbers;
    const bool read = ReadOwnGroups(e, [&](std::int32_t Code) {
        if ((Code >= 10 && Code < 100) || (Code >= 210 && Code < 240))
            numbers.emplace_back(Code, ValDbl());
    });
    if (!read)
        return false;
    TNyxObject* layer = LayerForSequence(e);
    TNyxObject* parent = EntityParent(layer);
    const TColor color = EntityColor(e, layer);
    // The groups before the paths: elevation, extrusion, fill.
    const auto paths =
        std::find_if(numbers.begin(), numbers.end(), [](const auto& G) { return G.first == 91; });
    const bool solid = (e.Flags & 1) != 0;
    for (auto it = numbers.begin(); it != paths; ++it) {
        if (it->first == 30)
            e.Points[0][2] = it->second;
        else if (it->first >= 210 && it->first < 240)
            e.Extrusion[std::size_t(it->first / 10 - 21)] = it->second;
    }
    const double elevation = e.Points[0][2];
    const TOcs ocs(e.Extrusion);
    THatchGroups groups(std::vector(paths, numbers.end()));
    std::vector<detail::TContour> contours(groups.Count(91));
    for (detail::TContour& contour : contours) {
        contour = HatchPath(groups, CurveDeviation());
        groups.Count(97);  // the handles of the source objects are strings, not kept here
    }
    std::erase_if(contours, [](const detail::TContour& C) { return C.size() < 2; });
    const auto world = [&](const TPoint2& P) { return ocs.ToWorld({P[0], P[1], elevation}); };
    if (!solid) {
        for (const detail::TContour& contour : contours) {
            TBuilt<TNyxPolyline> polyline(FRoot, parent, "", color);
            TPoints points;
            for (const TPoint2& p : contour)
                points.push_back(world(p));
            AppendPoints(polyline.Get(), points, true);
        }
        return true;
    }
    const detail::TTessellation t = detail::Tessellate(contours, GLU_TESS_WINDING_ODD);
    for (std::size_t i = 0; i + 2 < t.Triangles.size(); i += 3) {
        TBuilt<TNyxPolygon> triangle(FRoot, parent, "", color);
        triangle->SetColorVertexes(false);
        TNyxCollection* vertexes = triangle->Vertexes();
        vertexes->BeginUpdate();
        std::array<TPoint2, 3> corners{t.Points[t.Triangles[i]], t.Points[t.Triangles[i + 1]],
                                       t.Points[t.Triangles[i + 2]]};
        // Counter-clockwise seen from the hatch's side, whichever way the tessellator
        // turned it.
        const TPoint2 &a = corners[0], &b = corners[1], &c = corners[2];
        if ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]) < 0)
            std::swap(corners[1], corners[2]);
        for (const TPoint2& p : corners)
            AppendVertex(vertexes, world(p));
        vertexes->EndUpdate();
    }
    return true;
}

}  // namespace nyx
