// Large pictures: the window frame, graph backgrounds, information-panel parts, the vehicle
// gauges, the logo panel and the zoom hint.
#include "kivora/res/skin/gen/SkinArt.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace kivora::skinart {

using namespace palette;

namespace {

constexpr double kPi = 3.14159265358979323846;

void skinFrame(QPainter& p, double w, double h)
{
    // The inside stays transparent black: the frame is drawn with black as its transparent colour.
    const double caption = 24, bottom = 42, side = 6;
    QLinearGradient cg(0, 0, 0, caption);
    cg.setColorAt(0, QColor(0x2b, 0x30, 0x38));
    cg.setColorAt(1, QColor(0x21, 0x25, 0x2c));
    p.fillRect(QRectF(0, 0, w, caption), cg);
    p.fillRect(QRectF(0, caption, side, h - caption - bottom), kPanel);
    p.fillRect(QRectF(w - side, caption, side, h - caption - bottom), kPanel);
    QLinearGradient bg(0, h - bottom, 0, h);
    bg.setColorAt(0, QColor(0x22, 0x26, 0x2d));
    bg.setColorAt(1, QColor(0x19, 0x1c, 0x21));
    p.fillRect(QRectF(0, h - bottom, w, bottom), bg);
    // Edges: a light line outside, a dark line against the inside.
    p.fillRect(QRectF(0, 0, w, 1), kEdge);
    p.fillRect(QRectF(0, 0, 1, h), kEdge);
    p.fillRect(QRectF(w - 1, 0, 1, h), kEdge);
    p.fillRect(QRectF(0, h - 1, w, 1), kEdge);
    p.fillRect(QRectF(side - 1, caption - 1, w - 2 * side + 2, 1), kEdgeDark);
    p.fillRect(QRectF(side - 1, caption, 1, h - caption - bottom), kEdgeDark);
    p.fillRect(QRectF(w - side, caption, 1, h - caption - bottom), kEdgeDark);
    p.fillRect(QRectF(side - 1, h - bottom, w - 2 * side + 2, 1), QColor(0x34, 0x3a, 0x44));
}

// Range backgrounds: legend in the left 41 pixels, grid right of it; mid line at y 60 and
// 114 / d pixels per G, so the full height shows +-d/2 G.
void graphBackground(QPainter& p, int divisor, double w, double h)
{
    const double legend = 41, mid = 60, perG = 114.0 / divisor;
    p.fillRect(QRectF(0, 0, w, h), QColor(0x10, 0x13, 0x18));
    // Vertical grid every 10 pixels, a stronger line every 50, counted from the legend edge.
    for (double x = legend; x < w; x += 10) {
        const bool major = std::fmod(x - legend, 50.0) < 0.5;
        p.fillRect(QRectF(x, 0, 1, h), major ? QColor(0x22, 0x27, 0x2f) : QColor(0x18, 0x1c, 0x22));
    }
    const double full = divisor / 2.0;
    for (double g : {-full, -full / 2, full / 2, full}) {
        const double y = std::round(mid - g * perG);
        p.fillRect(QRectF(legend, y, w - legend, 1), QColor(0x2a, 0x30, 0x3a));
    }
    p.fillRect(QRectF(legend, mid, w - legend, 1), QColor(0x4a, 0x52, 0x60));
    // Legend.
    p.fillRect(QRectF(0, 0, legend, h), QColor(0x1a, 0x1d, 0x22));
    p.fillRect(QRectF(legend - 1, 0, 1, h), kEdge);
    p.setFont(artFont(9, false));
    p.setPen(kTextDim);
    auto label = [&](double g) {
        const double y = mid - g * perG;
        const QString text = g == 0 ? QStringLiteral("0") : QStringLiteral("%1%2").arg(g > 0 ? "+" : "").arg(g, 0, 'g', 3);
        // Keep the outermost labels inside the picture.
        const double top = std::clamp(y - 6, 0.0, h - 12);
        p.drawText(QRectF(1, top, legend - 6, 12), Qt::AlignRight | Qt::AlignVCenter, text);
        p.fillRect(QRectF(legend - 4, std::round(y), 3, 1), kTextDim);
    };
    label(full);
    label(full / 2);
    label(0);
    label(-full / 2);
    label(-full);
    p.setFont(artFont(8, true));
    p.drawText(QRectF(2, 0, 12, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("G"));
}

void plate(QPainter& p, double w, double h, const QColor& edge = kEdge, const QColor& fill = QColor(0x11, 0x14, 0x19))
{
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    const double r = std::min(4.0, h / 3);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), r, r);
}

void dashes(QPainter& p, double w, double h, const QString& text, const QColor& c, double size)
{
    p.setFont(artFont(size, true));
    p.setPen(c);
    p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, text);
}

QColor dim(const QColor& c) { return QColor(c.red() * 6 / 10 + 10, c.green() * 6 / 10 + 10, c.blue() * 6 / 10 + 10); }

struct Dial {
    double start; // degrees clockwise from straight up
    double end;   // past 360 when the sweep runs through the top
    int maximum;
    int labelStep;
    int tickStep;
};

Dial dialOf(int id)
{
    switch (id) {
    case 309: return {251.5, 360 + 108, 220, 40, 10};
    case 321: return {261.5, 360 + 108, 105, 15, 5};
    case 325: return {261.5, 360 + 99, 300, 50, 10};
    default: return {261.5, 360 + 99, 100, 20, 5}; // 320, 307
    }
}

// Dial centre (105, 100); the needle (pivot 95 pixels below its tip) reaches radius 88.
void gaugeDial(QPainter& p, int id, double w, double h)
{
    const QPointF c(105, 100);
    const Dial d = dialOf(id);
    auto at = [&](double deg, double r) {
        const double a = deg * kPi / 180.0;
        return QPointF(c.x() + r * std::sin(a), c.y() - r * std::cos(a));
    };
    QRadialGradient face(c, 100);
    face.setColorAt(0, QColor(0x24, 0x29, 0x31));
    face.setColorAt(1, QColor(0x14, 0x17, 0x1c));
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 10, 10);
    // Scale band: the last sixth is the warning part.
    const double sweep = d.end - d.start;
    QPen band(QColor(0x2f, 0x36, 0x40), 6, Qt::SolidLine, Qt::FlatCap);
    p.setPen(band);
    const QRectF arc(c.x() - 80, c.y() - 80, 160, 160);
    // Qt angles: counter-clockwise from 3 o'clock, in 1/16 degree.
    auto qtAngle = [](double deg) { return int(std::lround((90 - deg) * 16)); };
    p.drawArc(arc, qtAngle(d.start), -int(std::lround(sweep * 16)));
    band.setColor(kRedDark);
    p.setPen(band);
    p.drawArc(arc, qtAngle(d.start + sweep * 5 / 6), -int(std::lround(sweep / 6 * 16)));
    // Ticks and labels.
    p.setFont(artFont(10, true));
    for (int v = 0; v <= d.maximum; v += d.tickStep) {
        const double deg = d.start + sweep * v / d.maximum;
        const bool major = v % d.labelStep == 0;
        p.setPen(QPen(major ? kText : kTextDim, major ? 2 : 1));
        p.drawLine(at(deg, major ? 70 : 74), at(deg, 84));
        if (major) {
            p.setPen(kText);
            const QPointF lp = at(deg, 58);
            p.drawText(QRectF(lp.x() - 16, lp.y() - 7, 32, 14), Qt::AlignCenter, QString::number(v));
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x36, 0x40));
    p.drawEllipse(c, 10, 10);
}

void needle(QPainter& p, double w)
{
    const double cx = w / 2, pivot = 95, tip = 7;
    QPainterPath path;
    path.moveTo(cx, tip);
    path.lineTo(cx + 3, pivot - 6);
    path.lineTo(cx + 2, pivot + 10);
    path.lineTo(cx - 2, pivot + 10);
    path.lineTo(cx - 3, pivot - 6);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPath(path);
    p.setBrush(QColor(0xd0, 0xd4, 0xda));
    p.drawEllipse(QPointF(cx, pivot), 6, 6);
    p.setBrush(QColor(0x30, 0x36, 0x40));
    p.drawEllipse(QPointF(cx, pivot), 2, 2);
}

// The product mark: a rounded play triangle over a road that runs into the distance.
void productMark(QPainter& p, const QPointF& c, double size, const QColor& tint)
{
    QPainterPath road;
    road.moveTo(c.x() - size * 0.55, c.y() + size * 0.5);
    road.lineTo(c.x() - size * 0.08, c.y() - size * 0.5);
    road.lineTo(c.x() + size * 0.08, c.y() - size * 0.5);
    road.lineTo(c.x() + size * 0.55, c.y() + size * 0.5);
    road.closeSubpath();
    QLinearGradient g(c.x(), c.y() - size / 2, c.x(), c.y() + size / 2);
    g.setColorAt(0, tint.darker(200));
    g.setColorAt(1, tint.darker(130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(road);
    p.setBrush(QColor(0xff, 0xff, 0xfe));
    for (int i = 0; i < 4; ++i) {
        const double t = 0.15 + i * 0.22, len = 0.1 * (0.5 + t);
        const double y0 = c.y() - size * 0.5 + size * t;
        p.drawRect(QRectF(c.x() - size * 0.012 * (1 + 2 * t), y0, size * 0.024 * (1 + 2 * t), size * len));
    }
}

void logoPanel(QPainter& p, int id, double w, double h)
{
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(0x17, 0x1a, 0x20));
    bg.setColorAt(1, QColor(0x0f, 0x11, 0x15));
    p.fillRect(QRectF(0, 0, w, h), bg);
    const QPointF c(w / 2, h / 2 - 30);
    if (id == 365) {
        productMark(p, c, 150, kAccent);
        centredText(p, QRectF(0, c.y() + 90, w, 50), QStringLiteral("kivora"), kText, 40);
    } else {
        // No map: a folded map under a cut link.
        QPainterPath map;
        const double s = 1.6;
        map.moveTo(c.x() - 60 * s, c.y() - 30 * s);
        map.lineTo(c.x() - 20 * s, c.y() - 40 * s);
        map.lineTo(c.x() + 20 * s, c.y() - 30 * s);
        map.lineTo(c.x() + 60 * s, c.y() - 40 * s);
        map.lineTo(c.x() + 60 * s, c.y() + 30 * s);
        map.lineTo(c.x() + 20 * s, c.y() + 40 * s);
        map.lineTo(c.x() - 20 * s, c.y() + 30 * s);
        map.lineTo(c.x() - 60 * s, c.y() + 40 * s);
        map.closeSubpath();
        p.setPen(QPen(kEdge, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0x1d, 0x22, 0x29));
        p.drawPath(map);
        p.drawLine(QPointF(c.x() - 20 * s, c.y() - 40 * s), QPointF(c.x() - 20 * s, c.y() + 30 * s));
        p.drawLine(QPointF(c.x() + 20 * s, c.y() - 30 * s), QPointF(c.x() + 20 * s, c.y() + 40 * s));
        p.setPen(QPen(kRed, 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() - 45, c.y() - 45), QPointF(c.x() + 45, c.y() + 45));
        centredText(p, QRectF(0, c.y() + 90, w, 40), QStringLiteral("map offline"), kTextDim, 22);
    }
}

void zoomHint(QPainter& p, double w, double h)
{
    p.fillRect(QRectF(0, 0, w, h), QColor(0x13, 0x16, 0x1b));
    // Faint diagonal hatching so the mode is noticed at a glance.
    p.setPen(QPen(QColor(0x1a, 0x1f, 0x26), 10));
    for (double x = -h; x < w; x += 36)
        p.drawLine(QPointF(x, h), QPointF(x + h, 0));
    const QPointF c(w / 2, h / 2 - 160);
    const double r = std::min(w, 452.0) / 8;
    p.setPen(QPen(kAccent, r / 5));
    p.setBrush(QColor(0x1d, 0x5c, 0x9e, 60));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(kAccent, r / 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(r * 0.75, r * 0.75), c + QPointF(r * 1.6, r * 1.6));
    p.setPen(QPen(kText, r / 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-r / 2, 0), c + QPointF(r / 2, 0));
    p.drawLine(c + QPointF(0, -r / 2), c + QPointF(0, r / 2));
    p.setPen(QPen(kAccentDark, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));
}

void speaker(QPainter& p)
{
    QPainterPath body;
    body.moveTo(5, 8);
    body.lineTo(9, 8);
    body.lineTo(14, 3.5);
    body.lineTo(14, 17.5);
    body.lineTo(9, 13);
    body.lineTo(5, 13);
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kTextDim);
    p.drawPath(body);
    p.setPen(QPen(kTextDim, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(12, 6, 8, 9), -50 * 16, 100 * 16);
    p.drawArc(QRectF(11, 2.5, 14, 16), -50 * 16, 100 * 16);
}

void quantityPlate(QPainter& p, int index, double w, double h)
{
    plate(p, w, h);
    const QColor c = index == 2 ? kAmber : kTextDim;
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7, 9, 20, 20), 0, 180 * 16);
    p.drawLine(QPointF(17, 19), QPointF(17 + 7 * std::cos((150 - index * 30) * kPi / 180),
                                        19 - 7 * std::sin((150 - index * 30) * kPi / 180)));
    centredText(p, QRectF(28, 0, w - 30, h), QString::number(index + 1), kText, 16);
}

} // namespace

bool drawPanels(QPainter& p, int id, int /*frame*/, double w, double h)
{
    switch (id) {
    case 129:
        skinFrame(p, w, h);
        return true;
    case 163:
        graphBackground(p, 1, w, h);
        return true;
    case 162:
        graphBackground(p, 2, w, h);
        return true;
    case 188:
        graphBackground(p, 3, w, h);
        return true;
    case 189:
        graphBackground(p, 4, w, h);
        return true;
    case 201: {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0x1f, 0x23, 0x2a));
        g.setColorAt(1, QColor(0x15, 0x18, 0x1d));
        p.fillRect(QRectF(0, 0, w, h), g);
        p.fillRect(QRectF(0, 0, w, 1), QColor(0x34, 0x3a, 0x44));
        p.fillRect(QRectF(0, h - 1, w, 1), kEdgeDark);
        return true;
    }
    case 202:
    case 206:
    case 218:
        plate(p, w, h);
        return true;
    case 212:
    case 219:
        plate(p, w, h);
        return true;
    case 351:
        plate(p, w, h, kRed, QColor(0x2a, 0x12, 0x14));
        return true;
    case 207:
        dashes(p, w, h, QStringLiteral("----/--/-- --:--:--"), kTextDim, 11);
        return true;
    case 203:
        dashes(p, w, h, QStringLiteral("---"), kTextDim, 20);
        return true;
    case 204:
        dashes(p, w, h, QStringLiteral("--.-"), kTextDim, 20);
        return true;
    case 205:
        dashes(p, w, h, QStringLiteral("\u2013"), kTextDim, 20);
        return true;
    case 209:
        dashes(p, w, h, QStringLiteral("-.--G"), dim(kAxisX), 12);
        return true;
    case 210:
        dashes(p, w, h, QStringLiteral("-.--G"), dim(kAxisY), 12);
        return true;
    case 208:
        dashes(p, w, h, QStringLiteral("-.--G"), dim(kAxisZ), 12);
        return true;
    case 211:
        dashes(p, w, h, QStringLiteral("km/h"), kTextDim, 11);
        return true;
    case 350:
        dashes(p, w, h, QStringLiteral("V"), kTextDim, 12);
        return true;
    case 213:
        dashes(p, w, h, QStringLiteral("G"), kTextDim, 11);
        return true;
    case 364:
        plate(p, w, h, kAmber, QColor(0x2a, 0x20, 0x10));
        centredText(p, QRectF(0, 0, w, h), QStringLiteral("x15"), kAmber, 11);
        return true;
    case 214:
    case 215:
        zoomHint(p, w, h);
        return true;
    case 365:
    case 366:
        logoPanel(p, id, w, h);
        return true;
    case 320:
    case 307:
    case 309:
    case 321:
    case 325:
        gaugeDial(p, id, w, h);
        return true;
    case 312:
        needle(p, w);
        return true;
    case 190:
        speaker(p);
        return true;
    case 198:
        quantityPlate(p, 0, w, h);
        return true;
    case 199:
        quantityPlate(p, 1, w, h);
        return true;
    case 196:
        quantityPlate(p, 2, w, h);
        return true;
    case 197:
        quantityPlate(p, 3, w, h);
        return true;
    case 192:
        quantityPlate(p, 4, w, h);
        return true;
    default:
        return false;
    }
}

} // namespace kivora::skinart
