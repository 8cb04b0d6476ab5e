#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QtMath>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "types/Catalogue.h"

namespace stratex {
namespace {

// ---------------------------------------------------------------------------------------------------------
// Picture scripts.
//
// Most pictures are written as short scripts in the coordinates of their design grid (16 x 16 for POI
// pictograms and tool-bar pictures), painted with antialiasing at any pixel size. Words are separated by
// blanks; a command letter is followed by its numbers:
//   F c          fill the following shapes with colour c
//   S c w        stroke them with colour c and pen width w (round caps and joins)
//   B c d w      fill them with c and outline them with d, pen width w
//   T a x y      rotate the following shapes by a degrees about (x, y); T 0 0 0 ends the rotation
//   M x y   L x y [x y ...]   Q x1 y1 x y   C x1 y1 x2 y2 x y   Z        path segments
//   O x y r      circle            E x y rx ry      ellipse
//   R x y w h    rectangle         U x y w h r      rounded rectangle
//   A x y w h a s                  arc of the ellipse in the box, from angle a sweeping s degrees
//   P x y R r n  star of n points, outer radius R, inner radius r
// Shapes collect into one path (overlaps unite) until the paint changes. A colour is a palette letter,
// "@" for the picture's accent colour (its badge, or the colour the table gives it) or #rrggbb.
// ---------------------------------------------------------------------------------------------------------

QColor PaletteColour(char letter) {
    switch (letter) {
        case 'w':
            return QColor(0xffffff);
        case 'k':
            return QColor(0x262626);
        case 'e':
            return QColor(0x8a8a8a);
        case 'l':
            return QColor(0xd2d2d2);
        case 'r':
            return QColor(0xd8342c);
        case 'o':
            return QColor(0xf08a1c);
        case 'y':
            return QColor(0xf6c915);
        case 'g':
            return QColor(0x3a9d48);
        case 'd':
            return QColor(0x1f6a2c);
        case 'b':
            return QColor(0x2a72c8);
        case 'c':
            return QColor(0x8cc8f0);
        case 'n':
            return QColor(0x8b5a2b);
        case 't':
            return QColor(0xe2c48e);
        case 'p':
            return QColor(0x8e44ad);
        default:
            return QColor(0xff00ff);  // shows a typing error in a script at once
    }
}

class ScriptReader {
public:
    explicit ScriptReader(std::string_view text) : text_(text) {}

    bool AtEnd() {
        SkipBlanks();
        return pos_ >= text_.size();
    }

    // A command is one letter; its first number may follow without a blank ("M4 2").
    char Command() {
        SkipBlanks();
        return text_[pos_++];
    }

    std::string_view Word() {
        SkipBlanks();
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ' ') ++pos_;
        return text_.substr(start, pos_ - start);
    }

    bool NextIsNumber() {
        SkipBlanks();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        return (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    qreal Number() {
        const std::string_view word = Word();
        double value = 0;
        std::from_chars(word.data(), word.data() + word.size(), value);
        return value;
    }

    QPointF Point() {
        const qreal x = Number();
        return {x, Number()};
    }

    QColor Colour(const QColor& accent) {
        const std::string_view word = Word();
        if (word == "@") return accent;
        if (word.size() == 7 && word[0] == '#') {
            std::uint32_t rgb = 0;
            std::from_chars(word.data() + 1, word.data() + word.size(), rgb, 16);
            return QColor(rgb);
        }
        return PaletteColour(word.empty() ? '?' : word[0]);
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

QPen RoundPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void AddStar(QPainterPath& path, QPointF centre, qreal outer, qreal inner, int points) {
    QPolygonF star;
    for (int i = 0; i < points * 2; ++i) {
        const qreal angle = M_PI * i / points - M_PI / 2;
        const qreal radius = (i % 2 == 0) ? outer : inner;
        star << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    path.addPolygon(star);
    path.closeSubpath();
}

// Paints `script` with `painter`, whose transform maps the design grid onto the target.
void RunScript(QPainter& painter, std::string_view script, const QColor& accent) {
    const QTransform base = painter.transform();
    ScriptReader in(script);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    QPen pen(Qt::NoPen);
    QBrush brush(Qt::NoBrush);
    auto flush = [&] {
        if (path.isEmpty()) return;
        painter.setPen(pen);
        painter.setBrush(brush);
        painter.drawPath(path);
        path = QPainterPath();
        path.setFillRule(Qt::WindingFill);
    };
    while (!in.AtEnd()) {
        switch (in.Command()) {
            case 'F':
                flush();
                brush = QBrush(in.Colour(accent));
                pen = QPen(Qt::NoPen);
                break;
            case 'S': {
                flush();
                const QColor colour = in.Colour(accent);
                pen = RoundPen(colour, in.Number());
                brush = QBrush(Qt::NoBrush);
                break;
            }
            case 'B': {
                flush();
                brush = QBrush(in.Colour(accent));
                const QColor edge = in.Colour(accent);
                pen = RoundPen(edge, in.Number());
                break;
            }
            case 'T': {
                flush();
                const qreal angle = in.Number();
                const QPointF about = in.Point();
                QTransform turn;
                turn.translate(about.x(), about.y());
                turn.rotate(angle);
                turn.translate(-about.x(), -about.y());
                painter.setTransform(turn * base);
                break;
            }
            case 'M':
                path.moveTo(in.Point());
                break;
            case 'L':
                do path.lineTo(in.Point());
                while (in.NextIsNumber());
                break;
            case 'Q': {
                const QPointF control = in.Point();
                path.quadTo(control, in.Point());
                break;
            }
            case 'C': {
                const QPointF first = in.Point();
                const QPointF second = in.Point();
                path.cubicTo(first, second, in.Point());
                break;
            }
            case 'Z':
                path.closeSubpath();
                break;
            case 'O': {
                const QPointF centre = in.Point();
                const qreal radius = in.Number();
                path.addEllipse(centre, radius, radius);
                break;
            }
            case 'E': {
                const QPointF centre = in.Point();
                const qreal rx = in.Number();
                path.addEllipse(centre, rx, in.Number());
                break;
            }
            case 'R': {
                const QPointF corner = in.Point();
                const QPointF size = in.Point();
                path.addRect(QRectF(corner, QSizeF(size.x(), size.y())));
                break;
            }
            case 'U': {
                const QPointF corner = in.Point();
                const QPointF size = in.Point();
                const qreal radius = in.Number();
                path.addRoundedRect(QRectF(corner, QSizeF(size.x(), size.y())), radius, radius);
                break;
            }
            case 'A': {
                const QPointF corner = in.Point();
                const QPointF size = in.Point();
                const QRectF box(corner, QSizeF(size.x(), size.y()));
                const qreal start = in.Number();
                path.arcMoveTo(box, start);
                path.arcTo(box, start, in.Number());
                break;
            }
            case 'P': {
                const QPointF centre = in.Point();
                const qreal outer = in.Number();
                const qreal inner = in.Number();
                AddStar(path, centre, outer, inner, static_cast<int>(in.Number()));
                break;
            }
            default:
                break;
        }
    }
    flush();
    painter.setTransform(base);
}

QPixmap BlankPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// ---------------------------------------------------------------------------------------------------------
// POI icons: a pictogram, mostly white on a rounded badge in the colour of its category. Features that
// are marks on the map itself (towns, buoys, summits, hazards) stand without a badge in their own colours.
// ---------------------------------------------------------------------------------------------------------

constexpr QRgb kNoBadge = 0;
constexpr QRgb kMarine = 0x1f5a96;
constexpr QRgb kHighway = 0x2e8b57;
constexpr QRgb kTransport = 0x2b5db8;
constexpr QRgb kFood = 0xe0702a;
constexpr QRgb kLodging = 0x6a4fb3;
constexpr QRgb kEntertainment = 0xb0417a;
constexpr QRgb kCulture = 0x8c5a3c;
constexpr QRgb kNature = 0x3a9648;
constexpr QRgb kSport = 0x138d90;
constexpr QRgb kShop = 0x2e86c1;
constexpr QRgb kService = 0x4e6a85;
constexpr QRgb kPublic = 0x7d6b5d;
constexpr QRgb kManMade = 0x6e6e6e;

// Navaid colours (buoys and beacons stand in their own colour, accent "@").
constexpr QRgb kNavRed = 0xd8342c;
constexpr QRgb kNavGreen = 0x2e9e48;
constexpr QRgb kNavWhite = 0xfafafa;
constexpr QRgb kNavBlack = 0x2a2a2a;
constexpr QRgb kNavYellow = 0xf4c20d;
constexpr QRgb kNavOrange = 0xf07a12;
constexpr QRgb kNavViolet = 0x8e44ad;

// Shared pictograms.
constexpr std::string_view kBuoy =
    "S b 1.1 M1.5 13.6 Q3.2 12.4 4.9 13.6 Q6.6 14.8 8.3 13.6 Q10 12.4 11.7 13.6 Q13.4 14.8 14.5 13.6 "
    "S #6a6a6a 1 M8 5 L8 2.6 B @ #6a6a6a 0.9 O 8 2.4 1.5 B @ #6a6a6a 0.9 M4.6 12.6 L6.4 5 L9.6 5 L11.4 12.6 Z";
constexpr std::string_view kCar =
    "F w M1.8 11 L2.4 7.6 L4.4 4.2 L11.6 4.2 L13.6 7.6 L14.2 11 L14.2 12 L1.8 12 Z "
    "F @ M4.2 7.4 L5.3 5.3 L7.5 5.3 L7.5 7.4 Z M8.5 7.4 L8.5 5.3 L10.7 5.3 L11.8 7.4 Z "
    "B w @ 1 O 4.8 12.2 1.7 O 11.2 12.2 1.7";

struct PoiIcon {
    QRgb badge;
    std::string_view script;
    QRgb accent = 0;  // the colour of "@" in a picture without a badge
};

// clang-format off
constexpr std::array<PoiIcon, 101> kPoiIcons = {{
    // 0-2: cities by size, a town mark of decreasing size.
    {kNoBadge, "B w k 1.3 O 8 8 6.4 B r k 1 O 8 8 3.2"},
    {kNoBadge, "B w k 1.2 O 8 8 4.8 F r O 8 8 2.2"},
    {kNoBadge, "B k w 1 O 8 8 3.4"},
    // 3: beacon, a lighthouse.
    {kMarine, "F y M8 4 L2.5 1.8 L2.5 6.2 Z M8 4 L13.5 1.8 L13.5 6.2 Z F w M6.3 14 L7 5 L9 5 L9.7 14 Z "
              "O 8 3.6 1.6 F r R 6.6 7.6 2.8 1.7 R 6.3 10.8 3.4 1.7"},
    // 4: fog horn.
    {kMarine, "F w M2.5 6.3 L6.5 6.3 L13.5 2.5 L13.5 13.5 L6.5 9.7 L2.5 9.7 Z R 4 9.7 2.2 3"},
    // 5: radio beacon, a mast sending waves.
    {kMarine, "S w 1.2 M8 5 L5.4 14.2 M8 5 L10.6 14.2 M6.4 11 L9.6 11 S w 1 A 3.2 0.2 9.6 9.6 140 80 "
              "A 3.2 0.2 9.6 9.6 -40 80 A 5.4 2.4 5.2 5.2 135 90 A 5.4 2.4 5.2 5.2 -45 90 F w O 8 5 1.3"},
    // 6-12, 14: buoys and beacons in their colour.
    {kNoBadge, kBuoy, kNavRed},
    {kNoBadge, kBuoy, kNavGreen},
    {kNoBadge, kBuoy, kNavWhite},
    {kNoBadge, kBuoy, kNavBlack},
    {kNoBadge, kBuoy, kNavYellow},
    {kNoBadge, kBuoy, kNavOrange},
    {kNoBadge, "S b 1.1 M1.5 13.6 Q3.2 12.4 4.9 13.6 Q6.6 14.8 8.3 13.6 Q10 12.4 11.7 13.6 Q13.4 14.8 14.5 13.6 "
               "S #6a6a6a 1 M8 5 L8 2.6 B y #6a6a6a 0.9 O 8 2.4 1.5 F r M4.6 12.6 L6.4 5 L9.6 5 L11.4 12.6 Z "
               "F w M5.83 7.53 L10.17 7.53 L10.77 10.07 L5.23 10.07 Z F g M5.23 10.07 L10.77 10.07 L11.4 12.6 "
               "L4.6 12.6 Z S #6a6a6a 0.9 M4.6 12.6 L6.4 5 L9.6 5 L11.4 12.6 Z"},
    // 13: a point of no special kind.
    {kNoBadge, "B #5b7fae w 1.4 O 8 8 5.6 F w O 8 8 1.9"},
    {kNoBadge, kBuoy, kNavViolet},
    // 15: obstruction or danger, a warning triangle.
    {kNoBadge, "B y k 1 M8 1.8 L14.8 13.8 L1.2 13.8 Z F k M7.1 5.6 L8.9 5.6 L8.5 10 L7.5 10 Z O 8 11.8 0.95"},
    // 16: wreck, a sunken hull with its masts.
    {kMarine, "T -14 8 8 F w M2.2 7.5 L13.8 7.5 L12.2 10.8 L3.8 10.8 Z S w 1.1 M6 7.5 L6 3 M10 7.5 L10 3.8 T 0 0 0 "
              "S c 1.1 M1.8 13 Q3.6 11.8 5.4 13 Q7.2 14.2 9 13 Q10.8 11.8 12.6 13 Q13.6 13.7 14.2 13.2"},
    // 17: tide, waves with a rising and falling arrow.
    {kMarine, "S w 1.2 M2 10.5 Q3.5 9.2 5 10.5 Q6.5 11.8 8 10.5 Q9.5 9.2 11 10.5 Q12.5 11.8 14 10.5 "
              "M2 13.5 Q3.5 12.2 5 13.5 Q6.5 14.8 8 13.5 Q9.5 12.2 11 13.5 Q12.5 14.8 14 13.5 M8 2.8 L8 7.5 "
              "F w M8 1.6 L10.2 4.2 L5.8 4.2 Z M8 8.6 L10.2 6 L5.8 6 Z"},
    // 18: motorway exit, an arrow leaving the road.
    {kHighway, "S w 1.8 M5 14 L5 2 M5 9.5 Q5 6.5 10.5 4.6 F w M13.2 3.2 L8.9 2.3 L10.7 6.7 Z"},
    // 19: exit with services, the exit arrow with knife and fork.
    {kHighway, "S w 1.6 M3.8 14 L3.8 7 Q3.8 4.5 6.6 3.5 F w M8.6 2.5 L5.4 2 L6.4 5.4 Z "
               "S w 0.8 M9.5 7 L9.5 9 M11 7 L11 9 S w 1.2 M9.5 9 Q9.5 10.5 10.25 10.5 Q11 10.5 11 9 "
               "M10.25 10.5 L10.25 14 F w M12.8 7 Q14.3 8 14.2 10.8 L13.4 10.8 L13.4 14 L12.4 14 L12.4 7 Z"},
    // 20: toilets, a man and a woman.
    {kTransport, "F w O 4.8 3.7 1.5 U 3 5.8 3.6 4.6 0.8 R 3.4 9.6 1.2 4 R 4.8 9.6 1.2 4 O 11.2 3.7 1.5 "
                 "M11.2 5.6 L13.6 11 L8.8 11 Z R 10 10.5 0.9 3.2 R 11.5 10.5 0.9 3.2 S w 0.7 M8 2.5 L8 13.5"},
    // 21: fuel, a pump with its hose.
    {kTransport, "F w U 3 2.5 6.5 10.5 1 R 2 12.4 8.5 1.6 F @ R 4.2 3.8 4.1 3 S w 1.1 M9.5 6 L11.3 6 "
                 "L12.4 7.2 L12.4 11 Q12.4 12 13.2 12 Q14 12 14 11 L14 5.5 L12.6 4"},
    // 22: weigh station, a balance.
    {kHighway, "S w 1.2 M8 3.2 L8 12.5 M3.5 5 L12.5 5 M5.3 13 L10.7 13 S w 0.7 M3.6 5 L2 9 M3.6 5 L5.2 9 "
               "M12.4 5 L10.8 9 M12.4 5 L14 9 F w M1.6 9 L5.6 9 Q3.6 11.6 1.6 9 Z M10.4 9 L14.4 9 Q12.4 11.6 "
               "10.4 9 Z O 8 3 1.1"},
    // 23: toll booth, a booth with its barrier.
    {kHighway, "F w R 2.2 5.5 4.8 8.5 M1.6 5.6 L4.6 2.6 L7.6 5.6 Z F @ R 3.2 7 2.8 2.4 "
               "B w w 0.1 R 7 8.4 7.2 1.8 F r R 8.6 8.4 1.6 1.8 R 11.8 8.4 1.6 1.8"},
    // 24: information.
    {kTransport, "F w O 8 3.9 1.6 M6 6.6 L9.2 6.6 L9.2 11.9 L10.3 11.9 L10.3 13.2 L5.8 13.2 L5.8 11.9 L6.9 11.9 "
                 "L6.9 7.9 L6 7.9 Z"},
    // 25: exit, a road forking off.
    {kHighway, "S w 1.5 M3.5 14 L3.5 2 M3.5 10.5 Q3.5 5 12.5 5 F w M14.6 5 L10.8 2.6 L10.8 7.4 Z"},
    // 26: restaurant, fork and knife.
    {kFood, "S w 0.9 M3.7 2.5 L3.7 6 M5.3 2.5 L5.3 6 M6.9 2.5 L6.9 6 S w 1 M3.7 5.8 Q3.7 7.8 5.3 7.8 Q6.9 7.8 "
            "6.9 5.8 S w 1.6 M5.3 7.6 L5.3 13.5 F w M10.2 2.4 Q13.4 3.5 13 9 L11.8 9 L11.8 13.5 L10.2 13.5 Z"},
    // 27: fast food, a burger.
    {kFood, "F w M2.8 7.6 Q2.8 3 8 3 Q13.2 3 13.2 7.6 Z U 2.2 8.6 11.6 1.6 0.8 M2.8 10.9 L13.2 10.9 L13.2 11.8 "
            "Q13.2 13.3 11.7 13.3 L4.3 13.3 Q2.8 13.3 2.8 11.8 Z F @ O 6 5.3 0.45 O 8 4.5 0.45 O 10 5.3 0.45"},
    // 28: pizza, a slice.
    {kFood, "F w M8 14 L2.6 4.4 Q8 1.2 13.4 4.4 Z F @ O 6.6 6.3 1.1 O 9.6 6.6 1 O 8 9.9 0.9 "
            "S @ 0.7 M3.5 5.9 Q8 3.3 12.5 5.9"},
    // 29: lodging, a bed.
    {kLodging, "F w R 1.6 3.6 1.5 10.4 R 1.6 9.6 12.8 2 R 12.9 9.6 1.5 4.4 O 5 7.6 1.6 U 7.2 6.1 6.8 3.2 1"},
    // 30: camping, a tent.
    {kNature, "F w M8 2.6 L14.4 13.4 L1.6 13.4 Z F @ M8 7.6 L10.6 13.4 L5.4 13.4 Z S w 0.9 M8 2.8 L6.6 1.2 "
              "M8 2.8 L9.4 1.2"},
    // 31: attraction, a big wheel.
    {kEntertainment, "S w 1.1 O 8 6.6 4.6 S w 0.8 M8 2 L8 11.2 M3.4 6.6 L12.6 6.6 S w 1.4 M8 6.8 L5.2 13.8 "
                     "M8 6.8 L10.8 13.8 S w 1.1 M3.6 13.8 L12.4 13.8 F w O 8 2 1.2 O 8 11.2 1.2 O 3.4 6.6 1.2 "
                     "O 12.6 6.6 1.2 O 8 6.6 1.1"},
    // 32: museum, a building with columns.
    {kCulture, "F w M8 1.8 L14 5.4 L2 5.4 Z R 3.2 6.3 1.6 5.5 R 5.9 6.3 1.6 5.5 R 8.5 6.3 1.6 5.5 "
               "R 11.2 6.3 1.6 5.5 R 2 12.3 12 1.8"},
    // 33: library, an open book.
    {kCulture, "F w M8 4.4 Q5 2.6 1.8 3.4 L1.8 12 Q5 11.3 8 13.2 Q11 11.3 14.2 12 L14.2 3.4 Q11 2.6 8 4.4 Z "
               "S @ 0.8 M8 4.6 L8 12.8 S @ 0.6 M3.4 5.6 Q5 5.2 6.6 6 M3.4 7.8 Q5 7.4 6.6 8.2 M9.4 6 Q11 5.2 "
               "12.6 5.6 M9.4 8.2 Q11 7.4 12.6 7.8"},
    // 34: landmark or view, a camera.
    {kCulture, "F w U 1.8 5 12.4 8.4 1.3 M5.2 5.2 L6.3 3.2 L9.7 3.2 L10.8 5.2 Z F @ O 8 9 3 F w O 8 9 1.8 "
               "F @ R 11.4 6.2 1.4 1"},
    // 35: school, a graduation cap.
    {kCulture, "F w M8 3 L14.6 6.2 L8 9.4 L1.4 6.2 Z M4.4 8 L8 9.8 L11.6 8 L11.6 11 Q8 13.6 4.4 11 Z "
               "S w 0.8 M13.6 6.6 L13.6 11.2 F w O 13.6 11.6 0.8"},
    // 36: park, a broad-leaved tree.
    {kNature, "F w O 8 5 3.2 O 5.2 7.6 2.7 O 10.8 7.6 2.7 O 8 8.8 2.6 R 7.2 9.5 1.6 4.6 R 5.2 13 5.6 1"},
    // 37: zoo, a paw print.
    {kNature, "F w E 8 10.4 3.1 2.5 E 3.9 6.9 1.3 1.6 E 6.5 4.1 1.3 1.6 E 9.5 4.1 1.3 1.6 E 12.1 6.9 1.3 1.6"},
    // 38: arena, a stadium seen from above.
    {kSport, "F w U 1.4 3.2 13.2 9.6 4.8 F @ U 3.4 5.2 9.2 5.6 2.8 F w R 5.4 6.4 5.2 3.2 S @ 0.6 M8 6.4 L8 9.6"},
    // 39: winery, a wine glass.
    {0x8e2b4f, "F w M4.6 2.4 L11.4 2.4 L11.6 5 Q11.6 8.6 8.6 8.9 L8.6 12.4 L10.8 12.7 L10.8 13.6 L5.2 13.6 "
               "L5.2 12.7 L7.4 12.4 L7.4 8.9 Q4.4 8.6 4.4 5 Z F @ M5.3 3.4 L10.7 3.4 L10.8 4.6 L5.2 4.6 Z"},
    // 40: place of worship, a church.
    {kCulture, "F w M3.5 8.2 L8 5.2 L12.5 8.2 L12.5 14 L3.5 14 Z R 7.4 1.4 1.2 5.2 R 5.9 2.6 4.2 1.1 "
               "F @ M7 14 L7 11.2 Q8 10 9 11.2 L9 14 Z"},
    // 41: cinema, a clapperboard.
    {kEntertainment, "F w R 2.2 7.2 11.6 6.6 T -14 2.2 6.4 R 2.2 4.4 11.6 2 T 0 0 0 F @ M4.8 7.2 L6.6 7.2 L5.4 8.6 Z "
                     "M8.6 7.2 L10.4 7.2 L9.2 8.6 Z"},
    // 42: theatre, a mask.
    {kEntertainment, "F w M2.8 2.8 Q8 1.4 13.2 2.8 Q14 10 8 13.8 Q2 10 2.8 2.8 Z F @ M4.4 6 Q5.6 4.6 6.9 6 "
                     "Q5.6 6.9 4.4 6 Z M9.1 6 Q10.4 4.6 11.6 6 Q10.4 6.9 9.1 6 Z M5 9 Q8 12.2 11 9 Q8 10.1 5 9 Z"},
    // 43: bar, a cocktail glass.
    {kEntertainment, "F w M2.4 3 L13.6 3 L8.7 8.6 L8.7 12.4 L11.2 12.8 L11.2 13.8 L4.8 13.8 L4.8 12.8 L7.3 12.4 "
                     "L7.3 8.6 Z F @ M4.6 4 L11.4 4 L10.5 5.1 L5.5 5.1 Z S w 0.8 M10 1.2 L10.5 5 "},
    // 44: casino, a die.
    {kEntertainment, "F w U 2.4 2.4 11.2 11.2 2 F @ O 5.3 5.3 1.15 O 10.7 5.3 1.15 O 8 8 1.15 O 5.3 10.7 1.15 "
                     "O 10.7 10.7 1.15"},
    // 45: golf course, a flag on the green.
    {kSport, "F w E 7.6 12.8 5 1.5 F @ O 6 12.7 0.8 S w 1 M6 12.5 L6 2 F w M6.4 2 L12.6 4.4 L6.4 6.8 Z"},
    // 46: ski centre, a cable car over a slope.
    {kSport, "S w 0.9 M1.5 4.2 L14.5 1.6 M8 2.9 L8 5.6 F w U 4.8 5.4 6.4 5.2 1.2 F @ R 5.7 6.3 1.9 1.8 "
             "R 8.4 6.3 1.9 1.8 F w M1.5 14.5 L14.5 14.5 L14.5 11.5 Q8 12.5 1.5 14.5 Z"},
    // 47: bowling, a pin and a ball.
    {kSport, "F w M5 2.2 Q6.4 2.2 6.4 3.9 Q6.4 5.1 5.8 5.8 Q7.4 7.9 7.1 11.6 Q6.9 13.7 5 13.7 Q3.1 13.7 2.9 11.6 "
             "Q2.6 7.9 4.2 5.8 Q3.6 5.1 3.6 3.9 Q3.6 2.2 5 2.2 Z O 11 10.4 3.3 F @ R 3.7 5.1 2.6 0.7 "
             "O 10.3 9 0.55 O 11.9 9 0.55 O 11.1 10.4 0.55"},
    // 48: skating, a skate.
    {kSport, "F w M4 2.4 L8.4 2.4 L8.8 6.6 Q12.8 7.4 12.8 10 L12.8 10.8 L3.6 10.8 Z S w 1 M2.4 12.8 L12.6 12.8 "
             "Q14 12.8 14 11.4 M5.2 10.8 L5.2 12.8 M11 10.8 L11 12.8"},
    // 49: swimming, a swimmer in the waves.
    {kSport, "F w O 11.6 5 1.6 S w 1.7 M2.4 9.2 L6.8 5.6 L10 8.4 S w 1.1 M1.5 12 Q3.1 10.8 4.7 12 Q6.3 13.2 7.9 "
             "12 Q9.5 10.8 11.1 12 Q12.7 13.2 14.5 12"},
    // 50: fitness, a dumbbell.
    {kSport, "F w U 1.6 5.4 2.2 5.2 0.6 U 4.2 3.6 2.4 8.8 0.6 U 9.4 3.6 2.4 8.8 0.6 U 12.2 5.4 2.2 5.2 0.6 "
             "R 6.4 7.2 3.2 1.6"},
    // 51: airport, an aeroplane.
    {kTransport, "F w M8 1.6 Q9 1.6 9 3.2 L9 6.2 L14.4 9.2 L14.4 10.6 L9 9 L9 12 L10.8 13.3 L10.8 14.3 L8 13.6 "
                 "L5.2 14.3 L5.2 13.3 L7 12 L7 9 L1.6 10.6 L1.6 9.2 L7 6.2 L7 3.2 Q7 1.6 8 1.6 Z"},
    // 52: shopping centre or grocery, a cart.
    {kShop, "S w 1.2 M1.6 3.2 L3.6 3.2 L5.5 10.2 L12.6 10.2 F w M4.3 4.8 L14.2 4.8 L12.9 8.8 L5.3 8.8 Z "
            "O 6.3 12.5 1.3 O 11.6 12.5 1.3"},
    // 53: store, a shopping bag.
    {kShop, "F w M3.4 5.6 L12.6 5.6 L13.4 13.8 L2.6 13.8 Z S w 1.1 M5.9 7.4 L5.9 4.6 Q5.9 2.4 8 2.4 Q10.1 2.4 "
            "10.1 4.6 L10.1 7.4"},
    // 54: pharmacy, a green cross.
    {0x2e9e48, "F w R 6.3 2.6 3.4 10.8 R 2.6 6.3 10.8 3.4"},
    // 55: car rental, a car and its key.
    {kService, "F w M2 8 L2.6 5.6 L4.2 3 L11.8 3 L13.4 5.6 L14 8 L14 8.8 L2 8.8 Z F @ M4.4 5.6 L5.3 4 L7.5 4 "
               "L7.5 5.6 Z M8.5 5.6 L8.5 4 L10.7 4 L11.6 5.6 Z B w @ 0.9 O 4.8 9 1.4 O 11.2 9 1.4 "
               "S w 1.1 O 4.4 12.8 1.3 M5.7 12.8 L12.6 12.8 L12.6 14.2 M10.6 12.8 L10.6 14"},
    // 56: car repair, a spanner.
    {kService, "T 45 8 8 F w O 8 4.4 3.4 R 7.05 6 1.9 8.6 O 8 14.4 0.95 F @ R 6.9 0.6 2.2 3.6"},
    // 57: post office, an envelope.
    {kService, "F w R 2 4 12 8.4 S @ 1 M2.4 4.4 L8 8.8 L13.6 4.4 S @ 0.7 M2.4 12 L6.4 8 M13.6 12 L9.6 8"},
    // 58: bank, a banknote and a coin.
    {kService, "B @ w 1 U 4.2 2.4 10.4 6.6 0.8 F w U 1.4 5.4 11.4 7.6 1 F @ O 7.1 9.2 2.2 R 2.4 6.4 1.6 1 "
               "R 10.2 11 1.6 1 F w O 7.1 9.2 1.2"},
    // 59: car dealer, car wash, a car.
    {kService, kCar},
    // 60: ground transport, a bus.
    {kTransport, "F w U 3.2 1.8 9.6 10.8 1.8 R 4 12 2.2 2 R 9.8 12 2.2 2 F @ R 4.4 3.8 7.2 4 O 5.6 10.3 0.8 "
                 "O 10.4 10.3 0.8 R 6 2.4 4 0.6"},
    // 61: marina, a sailing boat.
    {kMarine, "F w M7.4 1.8 L7.4 10 L2.6 10 Z M8.6 3.2 L13 10 L8.6 10 Z M1.6 11 L14.4 11 L12.6 13.8 L3.4 13.8 Z"},
    // 62: recovery service, a tow truck.
    {kService, "F w M8 6 L11.6 6 L13.2 8.4 L14.4 9 L14.4 11.6 L7 11.6 Z R 1.6 9.6 6.4 2 F @ M9.2 7 L11 7 L12 8.6 "
               "L9.2 8.6 Z B w @ 0.9 O 4.4 12 1.6 O 11.4 12 1.6 S w 1 M7.6 9 L3.4 3.2 M3.4 3.2 L3.4 6.2 Q3.4 7.4 "
               "2.4 7.2"},
    // 63: parking.
    {kTransport, "F w M4.4 2.4 L8.8 2.4 Q12.6 2.4 12.6 6.3 Q12.6 10.2 8.8 10.2 L7 10.2 L7 13.6 L4.4 13.6 Z "
                 "F @ M7 4.6 L8.6 4.6 Q10 4.6 10 6.3 Q10 8 8.6 8 L7 8 Z"},
    // 64: navigation device dealer, a handheld receiver.
    {kService, "F w R 10 1.2 1.2 3 U 4 3.6 8 11 1.6 F @ R 5.2 5 5.6 4.8 F w O 6.6 11.6 0.7 O 9.4 11.6 0.7 "
               "S w 0.8 M6 8.8 L7.6 6.8 L8.6 7.8 L10 5.8"},
    // 65: truck stop, a lorry.
    {kService, "F w R 1.4 3.4 8.4 7.4 M10.4 5.6 L12.8 5.6 L14.6 8.2 L14.6 10.8 L10.4 10.8 Z F @ M11.2 6.6 L12.4 6.6 "
               "L13.6 8.4 L11.2 8.4 Z B w @ 0.9 O 4 11.4 1.6 O 12 11.4 1.6"},
    // 66: public building, a building under a flag.
    {kPublic, "F w R 2.6 6.4 10.8 7.6 M1.8 6.6 L8 4.6 L14.2 6.6 Z F @ R 4 8.2 1.6 1.8 R 7.2 8.2 1.6 1.8 "
              "R 10.4 8.2 1.6 1.8 R 7.2 11.2 1.6 2.8 S w 0.8 M8 5 L8 1.2 F w M8 1.2 L11.2 2.2 L8 3.2 Z"},
    // 67: police, a shield with a star.
    {0x1d3f8f, "F w M8 1.6 L13.4 3.6 Q13.4 10.6 8 14.4 Q2.6 10.6 2.6 3.6 Z F @ P 8 7.5 3.6 1.5 5"},
    // 68: hospital, a red cross.
    {0xffffff, "F r R 6.1 2.4 3.8 11.2 R 2.4 6.1 11.2 3.8"},
    // 69: town hall, a building with a clock tower.
    {kPublic, "F w R 1.8 8 12.4 6 R 5.8 3.6 4.4 5 M5.2 3.8 L8 1.2 L10.8 3.8 Z F @ O 8 5.8 1.2 R 7.1 11 1.8 3 "
              "R 3.2 9.6 1.5 1.8 R 11.3 9.6 1.5 1.8"},
    // 70: border crossing, a barrier.
    {kPublic, "F w R 2 5.4 2.4 8.6 R 1.4 13 3.6 1.2 B w w 0.1 R 4.4 6.4 10 2 F r R 6.4 6.4 1.8 2 R 10 6.4 1.8 2"},
    // 71: heliport.
    {kTransport, "S w 1.2 O 8 8 5.9 F w R 5 4.6 1.6 6.8 R 9.4 4.6 1.6 6.8 R 6.4 7.2 3.2 1.6"},
    // 72: man-made feature, a building mark.
    {kNoBadge, "B #6a6a6a k 1 R 3.5 3.5 9 9 F w R 6.3 6.3 3.4 3.4"},
    // 73: bridge, an arch over water.
    {kManMade, "F w R 1.4 4.2 13.2 1.6 M2 5.6 L14 5.6 L14 11.6 L12.4 11.6 Q12.4 7.8 8 7.8 Q3.6 7.8 3.6 11.6 "
               "L2 11.6 Z S c 1 M3.4 13.4 Q5.2 12.4 7 13.4 Q8.8 14.4 10.6 13.4 Q11.8 12.8 12.8 13.2"},
    // 74: cemetery, a gravestone with a cross.
    {kManMade, "F w M4.4 12.8 L4.4 6 Q4.4 2.4 8 2.4 Q11.6 2.4 11.6 6 L11.6 12.8 Z R 3 12.6 10 1.6 "
               "F @ R 7.35 4 1.3 6.6 R 5.6 5.7 4.8 1.3"},
    // 75: civil feature, a flag on its pole.
    {kManMade, "S w 1.1 M4 14 L4 2 F w M4.6 2.4 Q7 1.2 9 2.6 Q11 4 13.4 2.8 L13.4 8.8 Q11 10 9 8.6 Q7 7.2 4.6 8.4 Z"},
    // 76: crossing, a crossing sign.
    {kManMade, "T 45 8 8 B w r 0.7 R 1.2 6.5 13.6 3 R 6.5 1.2 3 13.6 T 0 0 0 F w O 8 8 1.2"},
    // 77: dam, a wall holding back water.
    {kManMade, "F c R 1.6 5.2 6 8.8 S #2a72c8 0.8 M2 7.4 Q3.4 6.6 4.8 7.4 Q6.2 8.2 7.2 7.6 M2 10.2 Q3.4 9.4 4.8 10.2 "
               "Q6.2 11 7.2 10.4 F w M7.6 3 L10 3 L14.4 14 L7.6 14 Z"},
    // 78: military, a star.
    {0x5c6b33, "F w P 8 8.6 6.4 2.6 5"},
    // 79: mine, a pick and a hammer crossed.
    {0x7a5a3a, "T 45 8 8 F w R 7.3 3 1.4 11.6 M2.4 4.4 Q8 0.4 13.6 4.4 L13.6 5.2 Q8 2.8 2.4 5.2 Z T -45 8 8 "
               "F w R 7.3 4 1.4 10.6 U 5 1.6 6 3.4 0.6"},
    // 80: oil field, a pumpjack.
    {kManMade, "F w R 1.2 12.8 13.6 1.4 M5.8 12.8 L7.8 5.6 L9.8 12.8 L8.6 12.8 L7.8 9 L7 12.8 Z "
               "S w 1.7 M3.8 4.8 L13.2 7 F w M1 2.4 Q4.6 2.6 4.4 7.6 L2.6 7.6 Q2.8 4.6 1 4.4 Z "
               "S w 0.9 M2.6 7 L2.6 12.8 M13 7 L12.4 10 F w O 12.4 10.4 2"},
    // 81: school, a school house with a bell.
    {kCulture, "F w R 2.6 7.4 10.8 6.6 M1.6 7.8 L8 4 L14.4 7.8 Z R 6.6 1.6 2.8 3.4 F @ R 7 10.4 2 3.6 R 3.8 9 2 1.8 "
               "R 10.2 9 2 1.8 O 8 7.2 0.9"},
    // 82: tower, a mast sending waves.
    {kManMade, "S w 1.2 M5.4 14.2 L8 4.6 L10.6 14.2 S w 0.9 M6.3 11.2 L9.7 11.2 M6.8 8 L9.2 8 M6.3 11.2 L9.2 8 "
               "S w 1 A 3.2 -0.4 9.6 9.6 140 80 A 3.2 -0.4 9.6 9.6 -40 80 A 5.4 1.8 5.2 5.2 135 90 "
               "A 5.4 1.8 5.2 5.2 -45 90 F w O 8 4.4 1.2"},
    // 83: trail, a walker with a stick.
    {kNature, "F w O 8.6 2.6 1.5 S w 1.7 M8.2 5.2 L7.4 9.2 L9.6 11 L9.8 14 M7.4 9.2 L5.8 14 S w 1.3 M8 5.8 L10.6 8 "
              "M8 5.8 L5.8 8.4 S w 0.9 M11.2 6.8 L12.6 14.2"},
    // 84: tunnel, a portal with the road going in.
    {kManMade, "F w M1.8 14 L1.8 8 Q1.8 2.2 8 2.2 Q14.2 2.2 14.2 8 L14.2 14 Z F @ M4.4 14 L4.4 9 Q4.4 5.2 8 5.2 "
               "Q11.6 5.2 11.6 9 L11.6 14 Z F w M7.5 14 L7.7 10.8 L8.3 10.8 L8.5 14 Z"},
    // 85: well or drinking water, a tap and a drop.
    {kShop, "F w R 1.6 4 8.8 2.6 R 4.4 2 1.6 2 U 2.8 1.4 4.4 1 0.4 M10.4 4 Q13.6 4 13.6 7.2 L13.6 8.4 L11.4 8.4 "
            "L11.4 7.2 Q11.4 6.6 10.4 6.6 Z M12.5 9.8 Q14.4 12.4 14.4 13.1 Q14.4 14.5 12.5 14.5 Q10.6 14.5 10.6 13.1 "
            "Q10.6 12.4 12.5 9.8 Z"},
    // 86: windmill.
    {kManMade, "F w M5.8 14.4 L6.8 7.4 L9.2 7.4 L10.2 14.4 Z T 45 8 7.2 R 7.3 1 1.4 12.4 R 1.8 6.5 12.4 1.4 "
               "T 0 0 0 F @ O 8 7.2 0.7 M7.4 14.4 L7.4 12.4 Q8 11.6 8.6 12.4 L8.6 14.4 Z"},
    // 87: natural feature, land and water.
    {kNoBadge, "B #78b45a #2f6e22 0.9 M1.4 10.4 Q3.4 4.2 6.4 4.4 Q8 2 10.6 3.4 Q13.6 5.2 14.6 10.4 Z "
               "S #2a72c8 1.3 M1.4 12.8 Q3.2 11.6 5 12.8 Q6.8 14 8.6 12.8 Q10.4 11.6 12.2 12.8 Q13.6 13.7 14.6 13"},
    // 88: beach, a parasol on the sand.
    {kNoBadge, "B t #9a7a3a 0.8 M1 15 Q8 10.6 15 12.6 L15 15 Z S #6a5030 1.1 M8.2 5.6 L10.2 13.2 "
               "B r #8a1f1a 0.8 M1.6 7.4 Q4.4 0.4 12.6 3.4 Z F w M5.2 2.8 L6.2 6.2 L8.6 2.1 Z"},
    // 89: forest, conifers.
    {kNoBadge, "B #3f9440 #1c5a1e 0.8 M10.6 1.4 L14.4 8.8 L12.4 8.8 L14.8 12.6 L6.4 12.6 L8.8 8.8 L6.8 8.8 Z "
               "M5.2 4.2 L8.6 10.6 L7 10.6 L9 13.6 L1.4 13.6 L3.4 10.6 L1.8 10.6 Z S #6a4020 1.4 M5.2 13.8 L5.2 15 "
               "M10.6 12.8 L10.6 14.2"},
    // 90: summit, a peak with snow.
    {kNoBadge, "B #9a6a3a #3a2410 0.9 M8 1.6 L14.8 14 L1.2 14 Z F w M8 1.9 L10.3 6.1 L9 5.5 L8 6.6 L7 5.5 L5.7 6.1 Z"},
    // 91: height point, a survey triangle.
    {kNoBadge, "B w k 1.1 M8 2.4 L14 13 L2 13 Z F k O 8 9.4 1.4"},
    // 92: golf, a ball on its tee.
    {kSport, "F w O 8 6.4 4 M6.2 10.8 L9.8 10.8 L8.7 12.2 L8.7 14.4 L7.3 14.4 L7.3 12.2 Z F @ O 6.6 5.2 0.5 "
             "O 8.8 4.8 0.5 O 7.8 7 0.5 O 10 6.8 0.5 O 6 7.4 0.5"},
    // 93: fishing, a fish.
    {kMarine, "F w M1.4 8 Q6.8 2.6 11.4 8 Q6.8 13.4 1.4 8 Z M10.4 8 L14.6 4.2 L14.6 11.8 Z F @ O 4.4 7.2 0.8"},
    // 94: boat ramp, a boat on the slipway.
    {kMarine, "F w M5 14.6 L14.8 14.6 L14.8 9.8 Z T -26 9 9.4 F w M4 6.8 L14 6.8 L12.6 9.4 L5.6 9.4 Z "
              "M7 6.8 L8 4.8 L11 4.8 L11.4 6.8 Z T 0 0 0 S c 1.1 M1.2 13.4 Q2.6 12.4 4 13.4 Q5.4 14.4 6.8 13.4"},
    // 95: picnic, a table with benches.
    {kNature, "F w R 1.6 4.2 12.8 1.9 R 1 9.4 14 1.5 S w 1.4 M4.6 5.8 L2.8 13.8 M11.4 5.8 L13.2 13.8"},
    // 96: shower, a shower head and drops.
    {kShop, "S w 1.3 M2.8 14 L2.8 3.8 Q2.8 2.2 4.4 2.2 L8 2.2 L8 4 F w M5.2 4.2 L10.8 4.2 L10 6 L6 6 Z "
            "O 5.6 8.2 0.7 O 8 8.2 0.7 O 10.4 8.2 0.7 O 5.2 10.8 0.7 O 8 10.8 0.7 O 10.8 10.8 0.7 O 4.8 13.4 0.7 "
            "O 8 13.4 0.7 O 11.2 13.4 0.7"},
    // 97: telephone, a handset.
    {kService, "F w M3.6 2 L6 2 L7.2 5.4 L5.6 6.8 Q6.8 9.4 9.2 10.6 L10.6 9 L14 10.2 L14 12.6 Q13 14 11 14 "
               "Q2 12.4 2 4 Q2 2 3.6 2 Z"},
    // 98: skiing, a skier going downhill.
    {kSport, "F w O 11.2 2.6 1.6 S w 1.9 M10 5.2 L7.4 8.6 L10 10.6 L8.6 12.4 M10 5.2 L12.6 7.4 S w 1.9 M7.4 8.6 "
             "L4.8 9.8 S w 1.1 M1.6 9.6 L13.8 14.6"},
    // 99: controlled area, a hatched zone.
    {kNoBadge, "F #fde8c8 R 2 2 12 12 S o 0.9 M2 7 L7 2 M2 11.5 L11.5 2 M4.5 14 L14 4.5 M9 14 L14 9 "
               "S #c0650a 1.3 R 2 2 12 12"},
    // 100: restricted area, no entry.
    {kNoBadge, "B r #8a1410 1 O 8 8 6.6 F w R 3.8 6.7 8.4 2.6"},
}};
// clang-format on

void PaintBadge(QPainter& painter, const QColor& colour) {
    painter.setPen(QPen(colour.darker(150), 1));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
}

QPixmap PaintPoi(int index) {
    const PoiIcon& icon = kPoiIcons[static_cast<size_t>(index)];
    QPixmap pixmap = BlankPixmap(IconWidth(ObjectKind::Poi), IconHeight(ObjectKind::Poi));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor accent(icon.accent);
    if (icon.badge != kNoBadge) {
        accent = QColor(icon.badge);
        PaintBadge(painter, accent);
    }
    RunScript(painter, icon.script, accent);
    return pixmap;
}

// ---------------------------------------------------------------------------------------------------------
// Polyline icons (30 x 15): a stretch of the line drawn as the map draws it, layer over layer (a road's
// casing under its fill, a railway's white ties over its black bed).
// ---------------------------------------------------------------------------------------------------------

enum class Course { Road, Ramp, River, Contour, Straight };

struct LineLayer {
    QRgb colour = 0;
    qreal width = 0;                   // 0 ends the layers
    std::array<qreal, 4> dashes = {};  // lengths in pixels, dash then gap; zeros for a solid line
    Qt::PenCapStyle cap = Qt::RoundCap;
};

struct LineIcon {
    Course course;
    std::array<LineLayer, 3> layers;
};

constexpr Qt::PenCapStyle kFlat = Qt::FlatCap;

// clang-format off
constexpr std::array<LineIcon, 17> kLineIcons = {{
    {Course::Road, {{{0x6a6a6a, 2.2}}}},                                        // 0 other line
    {Course::Road, {{{0x7a1a10, 7}, {0xe8462e, 4.6}, {0xffd2c8, 0.8}}}},        // 1 motorway
    {Course::Road, {{{0x8a4a08, 6.4}, {0xf7a23a, 4.2}}}},                       // 2 principal highway
    {Course::Road, {{{0x8c7a1a, 5.8}, {0xf8de4c, 3.6}}}},                       // 3 arterial road
    {Course::Road, {{{0x8a8a8a, 5.2}, {0xffffff, 3.2}}}},                       // 4 residential street
    {Course::Road, {{{0x8b5a2b, 2, {4, 2.6}, kFlat}}}},                         // 5 unpaved road, trail
    {Course::Ramp, {{{0x8a4a08, 5.4}, {0xf7b84a, 3.2}}}},                       // 6 ramp
    {Course::Straight, {{{0x1e1e1e, 3.6, {}, kFlat}, {0xffffff, 1.8, {3, 3}, kFlat}}}},  // 7 railway
    {Course::River, {{{0x2a72c8, 1.6, {3, 2}, kFlat}}}},                        // 8 shoreline, seasonal river
    {Course::River, {{{0x9cc8f0, 3.6}, {0x2a72c8, 2}}}},                        // 9 river, stream
    {Course::Straight, {{{0x8e44ad, 1.8, {6, 2, 1.5, 2}, kFlat}}}},             // 10 state border
    {Course::Straight, {{{0x8a8a8a, 1.3, {4, 2.2}, kFlat}}}},                   // 11 county border
    {Course::Straight, {{{0xd9b8e6, 6}, {0x5b2c6f, 2, {7, 2, 2, 2}, kFlat}}}},  // 12 international border
    {Course::Contour, {{{0xb07a3c, 1}}}},                                       // 13 minor land contour
    {Course::Contour, {{{0x9a5a1e, 2}}}},                                       // 14 major land contour
    {Course::Contour, {{{0x5a9bd5, 1}}}},                                       // 15 minor depth contour
    {Course::Contour, {{{0x2a62b0, 2}}}},                                       // 16 major depth contour
}};
// clang-format on

QPainterPath CoursePath(Course course) {
    QPainterPath path;
    switch (course) {
        case Course::Road:
            path.moveTo(1, 10.5);
            path.cubicTo(9, 10.5, 14, 4.5, 29, 4.5);
            break;
        case Course::Ramp:
            path.moveTo(1, 11.5);
            path.lineTo(29, 11.5);
            path.moveTo(6, 11.5);
            path.cubicTo(16, 11.5, 18, 3.5, 29, 3.5);
            break;
        case Course::River:
            path.moveTo(1, 7.5);
            path.cubicTo(5, 2, 9, 2, 12, 7.5);
            path.cubicTo(15, 13, 19, 13, 22, 7.5);
            path.cubicTo(24, 4, 27, 3.5, 29, 5);
            break;
        case Course::Contour:
            path.moveTo(1, 12);
            path.cubicTo(8, 12, 9, 3, 16, 3);
            path.cubicTo(22, 3, 23, 9.5, 29, 9.5);
            break;
        case Course::Straight:
            path.moveTo(1, 7.5);
            path.lineTo(29, 7.5);
            break;
    }
    return path;
}

QPixmap PaintLine(int index) {
    const LineIcon& icon = kLineIcons[static_cast<size_t>(index)];
    QPixmap pixmap = BlankPixmap(IconWidth(ObjectKind::Polyline), IconHeight(ObjectKind::Polyline));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = CoursePath(icon.course);
    for (const LineLayer& layer : icon.layers) {
        if (layer.width == 0) break;
        QPen pen(QColor(layer.colour), layer.width, Qt::SolidLine, layer.cap, Qt::RoundJoin);
        if (layer.dashes[0] > 0) {
            // Qt measures dashes in pen widths.
            QList<qreal> pattern;
            for (qreal length : layer.dashes)
                if (length > 0) pattern << length / layer.width;
            pen.setDashPattern(pattern);
        }
        painter.strokePath(path, pen);
    }
    return pixmap;
}

// ---------------------------------------------------------------------------------------------------------
// Polygon icons (50 x 20): a patch of the area's fill with its map pattern. Natural areas have a free
// outline, man-made ones a straight one.
// ---------------------------------------------------------------------------------------------------------

enum class Pattern { Runway, Blocks, Hatch, Crevasses, Scrub, Park, Ripples, Trees, Marsh };

struct AreaIcon {
    QRgb fill;
    QRgb edge;
    QRgb ink;
    Pattern pattern;
    bool natural;
    bool dashedEdge = false;
};

// clang-format off
constexpr std::array<AreaIcon, 9> kAreaIcons = {{
    {0xdcdcdc, 0x9a9a9a, 0x6a6a6a, Pattern::Runway, false},         // 0 runway
    {0xecd9d9, 0xb08c8c, 0xc9a9a9, Pattern::Blocks, false},         // 1 built-up and man-made areas
    {0xdcecfa, 0x4a8ad0, 0x7ab0e4, Pattern::Hatch, true, true},     // 2 seasonal water
    {0xf2f8fd, 0x7fb6e0, 0x9cc8ec, Pattern::Crevasses, true},       // 3 glacier
    {0xe4efcf, 0x98b870, 0x6e9a48, Pattern::Scrub, true},           // 4 scrub
    {0xc4e8b0, 0x5f9e48, 0x5f9e48, Pattern::Park, true},            // 5 park, reserve
    {0x9ccaf2, 0x3a7fc4, 0xe2f0fc, Pattern::Ripples, true},         // 6 water
    {0x8cc47e, 0x3f7f34, 0x3f8a36, Pattern::Trees, true},           // 7 forest, orchard
    {0xcfe4f6, 0x5a9e48, 0x3f8a36, Pattern::Marsh, true},           // 8 wetland
}};
// clang-format on

QPainterPath AreaOutline(bool natural) {
    QPainterPath path;
    if (!natural) {
        path.addRoundedRect(QRectF(1.5, 1.5, 47, 17), 2, 2);
        return path;
    }
    path.moveTo(4, 3.5);
    path.quadTo(12, 0.8, 22, 2.4);
    path.quadTo(32, 4, 40, 1.8);
    path.quadTo(48, 1.2, 48.6, 8.6);
    path.quadTo(49.2, 16.2, 40, 17.8);
    path.quadTo(29, 19.4, 19, 17.6);
    path.quadTo(7, 19.6, 2.8, 15.4);
    path.quadTo(0.4, 9.2, 4, 3.5);
    path.closeSubpath();
    return path;
}

// Points of an even scatter over the icon: a grid with every other row shifted half a step and each
// point nudged by a fixed jitter, so patterns look drawn by hand yet stay the same on every run.
template <typename Visit>
void Scatter(qreal stepX, qreal stepY, qreal jitter, Visit visit) {
    int n = 0;
    for (qreal y = stepY / 2; y < 20; y += stepY) {
        const qreal shift = (static_cast<int>(y / stepY) % 2) ? stepX / 2 : 0;
        for (qreal x = shift + stepX / 2 - 1; x < 51; x += stepX, ++n) {
            const qreal dx = jitter * (((n * 37) % 11) / 5.0 - 1);
            const qreal dy = jitter * (((n * 53) % 7) / 3.0 - 1);
            visit(QPointF(x + dx, y + dy));
        }
    }
}

void PaintPattern(QPainter& painter, const AreaIcon& icon) {
    const QColor ink(icon.ink);
    painter.setBrush(Qt::NoBrush);
    switch (icon.pattern) {
        case Pattern::Runway:
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawRect(QRectF(4, 7, 42, 6));
            painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::FlatCap));
            for (qreal x = 10; x < 40; x += 6) painter.drawLine(QPointF(x, 10), QPointF(x + 3, 10));
            for (qreal y = 8; y < 13; y += 1.5) {
                painter.drawLine(QPointF(5, y), QPointF(7.5, y));
                painter.drawLine(QPointF(42.5, y), QPointF(45, y));
            }
            break;
        case Pattern::Blocks:
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            for (int row = 0; row < 3; ++row)
                for (int column = 0; column < 7; ++column) {
                    const qreal x = 3.5 + column * 6.5 + (row % 2) * 1.5;
                    const qreal width = (column + row) % 3 == 0 ? 5.5 : 4;
                    if (x + width < 47.5) painter.drawRect(QRectF(x, 3.5 + row * 4.6, width, 3.2));
                }
            break;
        case Pattern::Hatch:
            painter.setPen(QPen(ink, 1));
            for (qreal x = -20; x < 50; x += 4) painter.drawLine(QPointF(x, 20), QPointF(x + 20, 0));
            break;
        case Pattern::Crevasses:
            painter.setPen(QPen(ink, 1, Qt::SolidLine, Qt::RoundCap));
            Scatter(9, 5, 1, [&](QPointF p) {
                painter.drawLine(p + QPointF(-2.2, 0.8), p + QPointF(0, -0.6));
                painter.drawLine(p + QPointF(0, -0.6), p + QPointF(2.2, 0.8));
            });
            break;
        case Pattern::Scrub:
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            Scatter(6, 4.2, 1, [&](QPointF p) { painter.drawEllipse(p, 1.1, 1.1); });
            break;
        case Pattern::Park:
            Scatter(11, 7, 1.2, [&](QPointF p) {
                painter.setPen(QPen(QColor(0x6a4a2a), 1));
                painter.drawLine(p + QPointF(0, 1), p + QPointF(0, 3));
                painter.setPen(Qt::NoPen);
                painter.setBrush(ink);
                painter.drawEllipse(p, 2.2, 2.2);
            });
            break;
        case Pattern::Ripples:
            painter.setPen(QPen(ink, 1, Qt::SolidLine, Qt::RoundCap));
            Scatter(10, 5, 0.8, [&](QPointF p) {
                QPainterPath wave(p + QPointF(-3, 0));
                wave.quadTo(p + QPointF(-1.5, -1.4), p);
                wave.quadTo(p + QPointF(1.5, 1.4), p + QPointF(3, 0));
                painter.drawPath(wave);
            });
            break;
        case Pattern::Trees:
            painter.setPen(QPen(QColor(0x2a5a22), 0.8));
            painter.setBrush(ink);
            Scatter(6, 4.5, 0.8, [&](QPointF p) { painter.drawEllipse(p, 1.8, 1.8); });
            break;
        case Pattern::Marsh:
            Scatter(9, 5, 0.6, [&](QPointF p) {
                painter.setPen(QPen(QColor(0x4a8ad0), 1, Qt::SolidLine, Qt::RoundCap));
                painter.drawLine(p + QPointF(-3, 1.5), p + QPointF(3, 1.5));
                painter.setPen(QPen(ink, 1, Qt::SolidLine, Qt::RoundCap));
                painter.drawLine(p + QPointF(0, 1.2), p + QPointF(0, -1.8));
                painter.drawLine(p + QPointF(-0.4, 1.2), p + QPointF(-1.8, -1.2));
                painter.drawLine(p + QPointF(0.4, 1.2), p + QPointF(1.8, -1.2));
            });
            break;
    }
}

QPixmap PaintArea(int index) {
    const AreaIcon& icon = kAreaIcons[static_cast<size_t>(index)];
    QPixmap pixmap = BlankPixmap(IconWidth(ObjectKind::Polygon), IconHeight(ObjectKind::Polygon));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = AreaOutline(icon.natural);
    painter.fillPath(outline, QColor(icon.fill));
    painter.save();
    painter.setClipPath(outline);
    PaintPattern(painter, icon);
    painter.restore();
    QPen edge(QColor(icon.edge), 1.2);
    if (icon.dashedEdge) edge.setDashPattern({3, 2});
    painter.strokePath(outline, edge);
    return pixmap;
}

// ---------------------------------------------------------------------------------------------------------
// Tool-bar pictures and the application's emblem, scripts on a 16 x 16 grid painted at each size.
// ---------------------------------------------------------------------------------------------------------

constexpr std::string_view kFolderBack = "B #e8b84a #9a6a14 0.8 M1 3 L5.6 3 L6.8 4.4 L13 4.4 L13 13.6 L1 13.6 Z ";
constexpr std::string_view kFolderFront = "B #f6d070 #9a6a14 0.8 M1 13.6 L3.6 7.4 L15.4 7.4 L13 13.6 Z";
constexpr std::string_view kDisk =
    "B #3d6fb6 #1c3a6c 0.8 M1.5 1.5 L12.4 1.5 L14.5 3.6 L14.5 14.5 L1.5 14.5 Z F #dfe6ee R 4.2 1.5 7.2 4.4 "
    "F #3d6fb6 R 8.8 2.2 1.5 2.9 F w R 3.4 7.6 9.2 6.9 ";

std::string ToolScript(ToolPicture picture) {
    const std::string folder(kFolderBack);
    const std::string disk(kDisk);
    switch (picture) {
        case ToolPicture::OpenMap:
            return folder +
                   "B w #7a7a7a 0.6 R 4 1.6 9.4 7.4 S #3a9d48 0.9 M4.6 6.4 Q7 3.4 9.4 5.2 S #2a72c8 0.9 M8 2.2 "
                   "Q9.2 4.4 12.8 4 S #d8342c 0.9 M5 3 L12.6 7.2 " +
                   std::string(kFolderFront);
        case ToolPicture::Process:
            return "T 0 8 8 F #5a6f8c R 6.8 0.6 2.4 14.8 T 45 8 8 R 6.8 0.6 2.4 14.8 T 90 8 8 R 6.8 0.6 2.4 14.8 "
                   "T 135 8 8 R 6.8 0.6 2.4 14.8 T 0 0 0 O 8 8 5.4 F w O 8 8 3.6 F #3a9d48 M6.6 5.6 L10.8 8 "
                   "L6.6 10.4 Z";
        case ToolPicture::SaveMap:
            return disk +
                   "S #3a9d48 0.9 M4 12.6 Q6.2 9.4 8.4 11 S #2a72c8 0.9 M7.6 8.2 Q9 10.6 12.2 10.2 "
                   "S #d8342c 0.9 M4.2 8.6 L12 13.4";
        case ToolPicture::OpenConfig:
            return folder +
                   "B w #7a7a7a 0.6 R 4 1.6 9.4 7.4 S #5a6f8c 0.9 M5.4 3.4 L11.8 3.4 M5.4 5 L11.8 5 "
                   "M5.4 6.6 L10 6.6 " +
                   std::string(kFolderFront);
        case ToolPicture::SaveConfig:
            return disk + "S #5a6f8c 0.9 M4.8 9.4 L11 9.4 M4.8 11.2 L11 11.2 M4.8 13 L9.2 13";
        case ToolPicture::SaveDictionary:
            return disk +
                   "B #b0413a #6a1a14 0.7 M8.4 8.6 L14.8 8.6 L14.8 15.4 L8.4 15.4 Z F w R 9.9 9.9 3.6 1 "
                   "F #f2e6d0 R 8.4 14.4 6.4 1";
        case ToolPicture::Advise:
            return "F #f6d070 O 8 6.4 5 F #fbe8a8 O 6.8 5.2 1.6 S #9a6a14 0.9 M5.8 12.4 L10.2 12.4 M6.4 14.2 "
                   "L9.6 14.2";
        case ToolPicture::ApplyAdvice:
            return "S #3a9d48 1.8 M2.6 8.6 L6.4 12.4 L13.6 3.6";
    }
    return {};
}

constexpr std::string_view kEmblem =
    "B #2a72c8 #163e70 0.6 M8 7.2 L15.2 10.8 L8 14.4 L0.8 10.8 Z "
    "B #4fae55 #1f5e24 0.6 M8 4.8 L15.2 8.4 L8 12 L0.8 8.4 Z "
    "B #f8f0dc #6a5a3a 0.6 M8 1.6 L15.2 5.2 L8 8.8 L0.8 5.2 Z "
    "S #5aa0e0 0.9 M11.6 3.4 Q9 5.6 4.4 7 S #d8342c 0.9 M4.4 3.4 L11.6 7";

QPixmap PaintScript(std::string_view script, int size) {
    QPixmap pixmap = BlankPixmap(size, size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    RunScript(painter, script, QColor(Qt::black));
    return pixmap;
}

// Looks up a picture in the shared pixmap cache, painting and storing it on a miss.
template <typename Paint>
QPixmap Cached(const QString& key, Paint paint) {
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = paint();
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

}  // namespace

QPixmap TypeIcon(ObjectKind kind, int index) {
    int count = 0;
    switch (kind) {
        case ObjectKind::Poi:
            count = static_cast<int>(kPoiIcons.size());
            break;
        case ObjectKind::Polyline:
            count = static_cast<int>(kLineIcons.size());
            break;
        case ObjectKind::Polygon:
            count = static_cast<int>(kAreaIcons.size());
            break;
    }
    if (index < 0 || index >= count) return {};
    const QString key = QStringLiteral("stratex-type-%1-%2").arg(static_cast<int>(kind)).arg(index);
    return Cached(key, [&] {
        switch (kind) {
            case ObjectKind::Poi:
                return PaintPoi(index);
            case ObjectKind::Polyline:
                return PaintLine(index);
            case ObjectKind::Polygon:
                break;
        }
        return PaintArea(index);
    });
}

QPixmap UnknownTypeIcon(ObjectKind kind) {
    return Cached(QStringLiteral("stratex-type-%1-unknown").arg(static_cast<int>(kind)), [kind] {
        QPixmap icon(IconWidth(kind), IconHeight(kind));
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        const QRect frame(icon.rect().adjusted(0, 0, -1, -1));
        painter.setPen(QPen(QColor(96, 96, 96), 1, Qt::DashLine));
        painter.drawRect(frame);
        QFont font = painter.font();
        font.setPixelSize(std::max(8, icon.height() - 4));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(64, 64, 64));
        painter.drawText(frame, Qt::AlignCenter, QStringLiteral("?"));
        return icon;
    });
}

QIcon ToolIcon(ToolPicture picture) {
    QIcon icon;
    for (int size : {16, 24, 32}) {
        const QString key = QStringLiteral("stratex-tool-%1-%2").arg(static_cast<int>(picture)).arg(size);
        icon.addPixmap(Cached(key, [&] { return PaintScript(ToolScript(picture), size); }));
    }
    return icon;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString key = QStringLiteral("stratex-app-%1").arg(size);
        icon.addPixmap(Cached(key, [&] { return PaintScript(kEmblem, size); }));
    }
    return icon;
}

}  // namespace stratex
