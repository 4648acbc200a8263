#include "design/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <numbers>

namespace nyx {

namespace {

// One outline colour and one light source (upper left) for every picture, so that the
// set reads as one family.
const QColor Ink(48, 48, 56);
const QColor Solid(96, 144, 208);
const QColor Warm(232, 176, 48);
const QColor Stroke(40, 120, 200);

QBrush Shaded(const QColor& Base, QPointF Centre, double Radius) {
    QRadialGradient g(Centre + QPointF(-Radius / 2.5, -Radius / 2.5), Radius * 1.4);
    g.setColorAt(0, Base.lighter(170));
    g.setColorAt(1, Base.darker(140));
    return g;
}

QPolygonF Regular(int Corners, QPointF Centre, double Radius, double StartDegrees) {
    QPolygonF p;
    for (int i = 0; i < Corners; ++i) {
        const double a = (StartDegrees + 360.0 * i / Corners) * std::numbers::pi / 180;
        p << Centre + QPointF(Radius * std::cos(a), -Radius * std::sin(a));
    }
    return p;
}

void Actor(QPainter& p) {
    // A figure in mid-stride: the object that moves with the clock.
    p.setPen(QPen(Ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Warm);
    p.drawEllipse(QPointF(9, 3), 2, 2);
    p.drawLine(QPointF(8.5, 5.5), QPointF(7, 10));
    p.drawLine(QPointF(7, 10), QPointF(4, 14.5));
    p.drawLine(QPointF(7, 10), QPointF(10, 14.5));
    p.drawLine(QPointF(3.5, 7), QPointF(8.5, 6.5));
    p.drawLine(QPointF(8.5, 6.5), QPointF(12.5, 9));
}

void Camera(QPainter& p) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(1.5, 5.5, 10, 7), 1, 1);
    p.drawPolygon(QPolygonF{{11.5, 7.5}, {14.5, 5.5}, {14.5, 12.5}, {11.5, 10.5}});
    p.setBrush(Shaded(Solid, {5, 9}, 2.5));
    p.drawEllipse(QPointF(5, 9), 2.2, 2.2);
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(3.5, 3.5, 4, 2));
}

void Light(QPainter& p) {
    p.setPen(QPen(Warm.darker(130), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        p.drawLine(QPointF(8 + 5.2 * std::cos(a), 8 + 5.2 * std::sin(a)),
                   QPointF(8 + 7.2 * std::cos(a), 8 + 7.2 * std::sin(a)));
    }
    p.setPen(QPen(Ink, 1));
    p.setBrush(Shaded(QColor(255, 220, 60), {8, 8}, 4));
    p.drawEllipse(QPointF(8, 8), 4, 4);
}

void Sphere(QPainter& p) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Shaded(Solid, {8, 8}, 6.5));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
}

void Cone(QPainter& p) {
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient g(2, 0, 14, 0);
    g.setColorAt(0, Solid.lighter(160));
    g.setColorAt(1, Solid.darker(150));
    p.setBrush(g);
    QPainterPath path;
    path.moveTo(8, 1.5);
    path.lineTo(14, 12.5);
    path.arcTo(QRectF(2, 10.5, 12, 4), 0, -180);
    path.closeSubpath();
    p.drawPath(path);
}

void Torus(QPainter& p) {
    p.setPen(QPen(Ink, 1));
    QPainterPath ring;
    ring.addEllipse(QPointF(8, 8.5), 7, 5);
    ring.addEllipse(QPointF(8, 8.5), 3, 1.6);
    ring.setFillRule(Qt::OddEvenFill);
    p.setBrush(Shaded(Solid, {8, 8}, 7));
    p.drawPath(ring);
}

void Circle(QPainter& p) {
    p.setPen(QPen(Stroke, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 8), 6, 6);
}

void Point(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Stroke);
    p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
    p.setPen(QPen(Ink, 0.8));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 4));
    p.drawLine(QPointF(8, 12), QPointF(8, 14.5));
    p.drawLine(QPointF(1.5, 8), QPointF(4, 8));
    p.drawLine(QPointF(12, 8), QPointF(14.5, 8));
}

void Ends(QPainter& p, const QPolygonF& Corners) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    for (const QPointF& c : Corners)
        p.drawRect(QRectF(c.x() - 1.5, c.y() - 1.5, 3, 3));
}

void Line(QPainter& p) {
    p.setPen(QPen(Stroke, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 13), QPointF(13, 3));
    Ends(p, {{3, 13}, {13, 3}});
}

void Polygon(QPainter& p) {
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(120, 190, 110));
    p.drawPolygon(QPolygonF{{2, 13.5}, {7, 2}, {14, 6}, {12, 14}});
}

void Box(QPainter& p) {
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF top(8, 1.5), left(1.5, 4.5), right(14.5, 4.5), centre(8, 7.5);
    const QPointF down(0, 7);
    p.setBrush(Solid.lighter(150));
    p.drawPolygon(QPolygonF{top, right, centre, left});
    p.setBrush(Solid);
    p.drawPolygon(QPolygonF{left, centre, centre + down, left + down});
    p.setBrush(Solid.darker(140));
    p.drawPolygon(QPolygonF{centre, right, right + down, centre + down});
}

void Teapot(QPainter& p) {
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QColor china(236, 236, 228);
    p.setBrush(china);
    QPainterPath spout;
    spout.moveTo(11, 9);
    spout.lineTo(15, 5.5);
    spout.lineTo(15, 7);
    spout.lineTo(12, 12);
    p.drawPath(spout);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(0.5, 6, 5, 6), 90 * 16, 180 * 16);
    p.setBrush(Shaded(china, {7, 10}, 5));
    p.drawEllipse(QRectF(2.5, 5.5, 10, 9));
    p.setBrush(china.darker(120));
    p.drawEllipse(QRectF(5.5, 3.5, 4, 2.5));
}

void Faceted(QPainter& p, int Corners, double Start) {
    p.setPen(QPen(Ink, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPolygonF outer = Regular(Corners, {8, 8}, 7, Start);
    const QPolygonF inner = Regular(Corners, {8, 8}, 3.6, Start + 180.0 / Corners * (Corners % 2));
    p.setBrush(Shaded(Solid, {8, 8}, 7));
    p.drawPolygon(outer);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(inner);
    for (int i = 0; i < Corners; ++i)
        p.drawLine(outer[i], inner[i]);
}

void Icosahedron(QPainter& p) { Faceted(p, 6, 90); }

void Dodecahedron(QPainter& p) { Faceted(p, 5, 90); }

void Proxy(QPainter& p) {
    // A dashed copy standing for the object it draws, and the link to it.
    p.setPen(QPen(Ink, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(7.5, 1.5, 7, 7));
    p.setPen(QPen(Ink, 1));
    p.setBrush(Solid);
    p.drawRect(QRectF(1.5, 7.5, 7, 7));
    p.setPen(QPen(Warm.darker(130), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(6, 10), QPointF(11, 5));
    p.drawPolyline(QPolygonF{{8, 5}, {11, 5}, {11, 8}});
}

void User(QPainter& p) {
    // A pencil: geometry the application draws itself.
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Warm);
    p.drawPolygon(QPolygonF{{4, 12}, {12, 4}, {14, 6}, {6, 14}});
    p.setBrush(QColor(240, 210, 170));
    p.drawPolygon(QPolygonF{{4, 12}, {6, 14}, {1.5, 14.5}});
    p.setBrush(QColor(220, 120, 140));
    p.drawPolygon(QPolygonF{{12, 4}, {13, 3}, {15, 5}, {14, 6}});
}

void Arc(QPainter& p) {
    p.setPen(QPen(Stroke, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 3, 12, 12), 20 * 16, 140 * 16);
    const QPointF a(8 + 6 * std::cos(20 * std::numbers::pi / 180),
                    9 - 6 * std::sin(20 * std::numbers::pi / 180));
    const QPointF b(8 - 6 * std::cos(20 * std::numbers::pi / 180), a.y());
    Ends(p, {a, b});
}

void Polyline(QPainter& p) {
    const QPolygonF corners{{2, 12}, {5, 4}, {10, 11}, {14, 3}};
    p.setPen(QPen(Stroke, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(corners);
    Ends(p, corners);
}

void HeightField(QPainter& p) {
    // A hilly grid seen from above at an angle.
    p.setPen(QPen(QColor(60, 130, 60), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 4; ++row) {
        QPolygonF line;
        for (int i = 0; i <= 6; ++i) {
            const double x = 1 + i * 2.3 + row * 0.6;
            line << QPointF(x, 5 + row * 3 - 2.2 * std::sin(i * 0.9 + row * 0.7));
        }
        p.drawPolyline(line);
    }
    for (int i = 0; i <= 6; i += 2) {
        QPolygonF line;
        for (int row = 0; row < 4; ++row)
            line << QPointF(1 + i * 2.3 + row * 0.6,
                            5 + row * 3 - 2.2 * std::sin(i * 0.9 + row * 0.7));
        p.drawPolyline(line);
    }
}

void Label(QPainter& p) {
    QFont font("DejaVu Sans");
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "A");
}

void Mesh(QPainter& p) {
    // A patch of triangles with one corner lit: geometry that comes from a model file.
    const QPointF a(2, 13), b(8, 14.5), c(14, 12), d(4, 7), e(9.5, 8), f(13, 3.5), g(7, 2);
    const QPolygonF faces[] = {{a, b, e}, {a, e, d}, {b, c, e}, {c, f, e}, {d, e, g}, {e, f, g}};
    p.setPen(QPen(Ink, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (std::size_t i = 0; i < std::size(faces); ++i) {
        p.setBrush(Solid.lighter(100 + int(i) * 12));
        p.drawPolygon(faces[i]);
    }
}

using TPainter = void (*)(QPainter&);

// In the order of the indices the tree uses.
constexpr std::array<TPainter, NyxObjectImageCount> ObjectPainters{
    Actor, Camera, Light,   Sphere,   Cone,        Torus,       Circle,
    Point, Line,   Polygon, Box,      Teapot,      Icosahedron, Dodecahedron,
    Proxy, User,   Arc,     Polyline, HeightField, Label,       Mesh};

QPixmap Paint(TPainter Painter) {
    QPixmap pixmap(NyxImageSize, NyxImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Painter(p);
    return pixmap;
}

void Arrow(QPainter& p, bool Up) {
    const double tip = Up ? 2 : 14, base = Up ? 9 : 7, end = Up ? 14 : 2;
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(60, 150, 220));
    p.drawPolygon(QPolygonF{
        {8, tip}, {14, base}, {10.5, base}, {10.5, end}, {5.5, end}, {5.5, base}, {2, base}});
}

void NewGlyph(QPainter& p) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(QColor(80, 180, 80));
    p.drawPolygon(QPolygonF{{6, 1.5},
                            {10, 1.5},
                            {10, 6},
                            {14.5, 6},
                            {14.5, 10},
                            {10, 10},
                            {10, 14.5},
                            {6, 14.5},
                            {6, 10},
                            {1.5, 10},
                            {1.5, 6},
                            {6, 6}});
}

void DeleteGlyph(QPainter& p) {
    p.setPen(QPen(QColor(200, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void FormGlyph(QPainter& p) {
    // A small tree: the window's icon.
    p.setPen(QPen(Ink, 1));
    p.drawPolyline(QPolygonF{{3, 4}, {3, 12}, {8, 12}});
    p.drawLine(QPointF(3, 8), QPointF(8, 8));
    for (const QPointF c : {QPointF(3, 3), QPointF(10, 8), QPointF(10, 12)}) {
        p.setBrush(c.y() < 4 ? Warm : Solid);
        p.drawRect(QRectF(c.x() - 2.5, c.y() - 2.5, 5, 5));
    }
}

// --- Palette pictures, drawn on the same 16-unit grid and scaled ---------------------------

void PanelPicture(QPainter& p) {
    // A window with a lit sphere in it: a view of a scene.
    p.setPen(QPen(Ink, 1));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(0.5, 1.5, 15, 13));
    QLinearGradient sky(0, 4, 0, 14);
    sky.setColorAt(0, QColor(40, 60, 110));
    sky.setColorAt(1, QColor(90, 120, 170));
    p.setBrush(sky);
    p.drawRect(QRectF(1.5, 4, 13, 9.5));
    p.setBrush(Shaded(Warm, {8, 9}, 3.2));
    p.drawEllipse(QPointF(8, 9), 3.2, 3.2);
}

void ScenePicture(QPainter& p) {
    // A box and a sphere standing on a floor.
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(150, 190, 120));
    p.drawPolygon(QPolygonF{{0.5, 13}, {5, 10}, {15.5, 10}, {11, 13}});
    p.setBrush(Solid);
    p.drawPolygon(QPolygonF{{3, 11}, {3, 5}, {7, 5}, {7, 11}});
    p.setBrush(Solid.lighter(140));
    p.drawPolygon(QPolygonF{{3, 5}, {5, 3.5}, {9, 3.5}, {7, 5}});
    p.setBrush(Solid.darker(130));
    p.drawPolygon(QPolygonF{{7, 5}, {9, 3.5}, {9, 9.5}, {7, 11}});
    p.setBrush(Shaded(Warm, {11.5, 8.5}, 2.8));
    p.drawEllipse(QPointF(11.5, 8.5), 2.8, 2.8);
}

void MaterialLibraryPicture(QPainter& p) {
    // Four swatches, as in a sample book.
    p.setPen(QPen(Ink, 1));
    const QColor swatches[] = {QColor(200, 60, 50), Warm, QColor(80, 170, 90), Solid};
    for (int i = 0; i < 4; ++i) {
        const QPointF centre(4.5 + 7 * (i % 2), 4.5 + 7 * (i / 2));
        p.setBrush(Shaded(swatches[i], centre, 3.2));
        p.drawEllipse(centre, 3.2, 3.2);
    }
}

void ConverterPicture(QPainter& p) {
    // A drawing sheet with a folded corner and a plan on it.
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(250, 250, 245));
    p.drawPolygon(QPolygonF{{2.5, 0.5}, {10.5, 0.5}, {13.5, 3.5}, {13.5, 15.5}, {2.5, 15.5}});
    p.drawPolyline(QPolygonF{{10.5, 0.5}, {10.5, 3.5}, {13.5, 3.5}});
    p.setPen(QPen(Stroke, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4.5, 6, 7, 7));
    p.drawLine(QPointF(4.5, 9.5), QPointF(8, 9.5));
    p.drawLine(QPointF(8, 6), QPointF(8, 11));
}

}  // namespace

QPixmap NyxPaletteImage(std::string_view ClassName) {
    struct TPicture {
        std::string_view Class;
        void (*Painter)(QPainter&);
    };
    static constexpr TPicture Pictures[] = {{"TNyxPanel", PanelPicture},
                                            {"TNyxScene", ScenePicture},
                                            {"TNyxMaterialLibrary", MaterialLibraryPicture},
                                            {"TDXFConverter", ConverterPicture}};
    for (const TPicture& picture : Pictures) {
        if (picture.Class != ClassName)
            continue;
        QPixmap pixmap(NyxPaletteImageSize, NyxPaletteImageSize);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(NyxPaletteImageSize) / NyxImageSize,
                double(NyxPaletteImageSize) / NyxImageSize);
        picture.Painter(p);
        return pixmap;
    }
    return {};
}

QPixmap NyxObjectImage(int Index) {
    if (Index < 0 || Index >= NyxObjectImageCount)
        return {};
    return Paint(ObjectPainters[std::size_t(Index)]);
}

QPixmap NyxEditorGlyph(TNyxEditorGlyph Glyph) {
    switch (Glyph) {
    case TNyxEditorGlyph::New:
        return Paint(NewGlyph);
    case TNyxEditorGlyph::Delete:
        return Paint(DeleteGlyph);
    case TNyxEditorGlyph::Up:
        return Paint([](QPainter& p) { Arrow(p, true); });
    case TNyxEditorGlyph::Down:
        return Paint([](QPainter& p) { Arrow(p, false); });
    case TNyxEditorGlyph::Form:
        return Paint(FormGlyph);
    }
    return {};
}

}  // namespace nyx
