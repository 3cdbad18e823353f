// Small marks: map event icons, folder-tree trigger badges, information-panel badges, the window
// icons and the zoom cursor.
#include "kivora/res/skin/gen/SkinArt.h"

#include <QLinearGradient>

#include <cmath>

namespace kivora::skinart {

using namespace palette;

namespace {

const QColor kWhite(0xff, 0xff, 0xfe);

// A map pin 32 x 32: a disc with a point at the bottom centre, white rim.
void pin(QPainter& p, const QColor& fill)
{
    QPainterPath shape;
    shape.addEllipse(QPointF(16, 13), 11, 11);
    QPainterPath tip;
    tip.moveTo(9, 20);
    tip.lineTo(16, 31);
    tip.lineTo(23, 20);
    tip.closeSubpath();
    shape = shape.united(tip);
    p.setPen(QPen(kWhite, 2));
    p.setBrush(fill);
    p.drawPath(shape);
}

QPainterPath triangleUp(const QPointF& c, double s, bool up)
{
    QPainterPath t;
    const double d = up ? -1 : 1;
    t.moveTo(c.x(), c.y() + d * s);
    t.lineTo(c.x() + s, c.y() - d * s * 0.7);
    t.lineTo(c.x() - s, c.y() - d * s * 0.7);
    t.closeSubpath();
    return t;
}

void steeringWheel(QPainter& p, const QPointF& c, double r, const QColor& colour, double width)
{
    p.setPen(QPen(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.drawLine(c + QPointF(-r, 0), c + QPointF(r, 0));
    p.drawLine(c, c + QPointF(0, r));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c, r * 0.3, r * 0.3);
}

void mapIcon(QPainter& p, int id)
{
    const QPointF c(16, 13);
    switch (id) {
    case 183:
        pin(p, kRed);
        centredText(p, QRectF(5, 2, 22, 22), QStringLiteral("G"), kWhite, 13);
        break;
    case 185:
        pin(p, QColor(0x22, 0xa8, 0x5f));
        centredText(p, QRectF(5, 2, 22, 22), QStringLiteral("M"), kWhite, 13);
        break;
    case 182:
        pin(p, kAmber);
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRoundedRect(QRectF(10, 11, 12, 4), 1, 1); // a stop bar
        break;
    case 216:
        pin(p, kBlue);
        centredText(p, QRectF(5, 2, 22, 22), QStringLiteral("P"), kWhite, 13);
        break;
    case 221: { // speeding: a speedometer with the needle far right
        pin(p, QColor(0xd9, 0x2d, 0x6b));
        p.setPen(QPen(kWhite, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9, 7, 14, 14), 0, 180 * 16);
        p.drawLine(QPointF(16, 14), QPointF(21.5, 10));
        break;
    }
    case 329: { // speed camera
        pin(p, kYellowGreen.darker(130));
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRoundedRect(QRectF(9, 9, 14, 9), 2, 2);
        p.setBrush(kYellowGreen.darker(130));
        p.drawEllipse(QPointF(16, 13.5), 2.6, 2.6);
        break;
    }
    case 330: { // radar: waves
        pin(p, kRedDark);
        p.setPen(QPen(kWhite, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        for (double r : {3.0, 6.0, 9.0})
            p.drawArc(QRectF(11 - r, 17 - r, 2 * r, 2 * r), 0, 90 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawEllipse(QPointF(11, 17), 1.6, 1.6);
        break;
    }
    case 184:
        pin(p, QColor(0xc9, 0xa2, 0x00));
        steeringWheel(p, c, 6.5, kWhite, 1.8);
        break;
    case 180:
        pin(p, QColor(0xc4, 0x2b, 0xb8));
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawPath(triangleUp(c, 6.5, true));
        break;
    case 181:
        pin(p, QColor(0x12, 0x9c, 0xaa));
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawPath(triangleUp(c, 6.5, false));
        break;
    default:
        break;
    }
}

void pinShadow(QPainter& p)
{
    // The pin's shadow falls to the right on the ground: a sheared, soft ellipse.
    QPainterPath shadow;
    shadow.addEllipse(QPointF(0, 0), 11, 6);
    QTransform t;
    t.translate(26, 24);
    t.shear(-1.0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(t.map(shadow));
    QPainterPath tip;
    tip.moveTo(16, 31);
    tip.lineTo(22, 25);
    tip.lineTo(30, 25);
    tip.closeSubpath();
    p.drawPath(tip);
}

// Tree badges: a 14 x 14 grid of four 7 x 7 cells, and a third column for the warning kinds.
void treeCell(QPainter& p, double x, double y, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(x + 1, y + 1, 5, 5), 1, 1);
}

void treeBase(QPainter& p)
{
    p.setPen(QPen(kEdge, 1));
    p.setBrush(QColor(0x22, 0x26, 0x2d));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            p.drawRect(QRectF(c * 7 + 0.5, r * 7 + 0.5, 6, 6));
}

void qualityBadge(QPainter& p, int index, double w, double h)
{
    static const char* const kLines[] = {"360", "720", "1080", "1440", "1296"};
    const bool high = index % 2 == 0;
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    p.setPen(QPen(kAccent, 1));
    p.setBrush(high ? kAccentDark : QColor(0x14, 0x18, 0x1e));
    p.drawRoundedRect(r, 4, 4);
    const QString lines = QString::fromLatin1(kLines[index / 2]);
    if (high) {
        centredText(p, QRectF(2, 0, w - 21, h), lines, kWhite, 11);
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRoundedRect(QRectF(w - 19, 6, 16, h - 12), 2, 2);
        centredText(p, QRectF(w - 19, 6, 16, h - 12), QStringLiteral("HQ"), kAccentDark, 8);
    } else {
        centredText(p, QRectF(0, 0, w, h), lines + QStringLiteral("p"), kText, 11);
    }
}

// Status and GPS badges are drawn centred in boxes 60 wide that start 45 apart, so their visible
// part keeps to the middle 44 pixels.
void statusBadge(QPainter& p, const QColor& dot, const QString& text, double w, double h, double inset = 4)
{
    const double body = inset > 0 ? 44 : w;
    const double left = (w - body) / 2;
    p.setPen(QPen(kEdge, 1));
    p.setBrush(QColor(0x14, 0x18, 0x1e));
    const double top = inset > 0 ? (h - 22) / 2 : 0;
    const double height = inset > 0 ? 22 : h;
    p.drawRoundedRect(QRectF(left + 0.5, top + 0.5, body - 1, height - 1), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    p.drawEllipse(QPointF(left + 9, h / 2), 3.5, 3.5);
    centredText(p, QRectF(left + 14, 0, body - 16, h), text, dot == kTextDim ? kTextDim : kText, inset > 0 ? 10 : 12);
}

void satellite(QPainter& p, const QPointF& c, const QColor& colour)
{
    p.save();
    p.translate(c);
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(-2.5, -3, 5, 6));
    p.drawRect(QRectF(-9, -2, 5.5, 4));
    p.drawRect(QRectF(3.5, -2, 5.5, 4));
    p.restore();
}

void appIcon(QPainter& p, double w, double h, bool small)
{
    const QRectF r(1, 1, w - 2, h - 2);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x2a, 0x31, 0x3c));
    g.setColorAt(1, QColor(0x15, 0x18, 0x1d));
    p.setPen(QPen(kAccent, 1.2));
    p.setBrush(g);
    p.drawRoundedRect(r, 7, 7);
    // Play triangle in accent blue over a lens ring: a camera that plays back.
    p.setPen(QPen(kAccent.lighter(110), small ? 2.2 : 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(w / 2, h / 2), w * 0.3, h * 0.3);
    QPainterPath tri;
    tri.moveTo(w * 0.42, h * 0.36);
    tri.lineTo(w * 0.66, h * 0.5);
    tri.lineTo(w * 0.42, h * 0.64);
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawPath(tri);
}

void zoomCursor(QPainter& p)
{
    // Hot spot (13, 13): the lens centre.
    const QPointF c(13, 13);
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(29, 29));
    p.setPen(QPen(kWhite, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20.5, 20.5), QPointF(28.5, 28.5));
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 4));
    p.setBrush(QColor(0xff, 0xff, 0xff, 50));
    p.drawEllipse(c, 9, 9);
    p.setPen(QPen(kWhite, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 9, 9);
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 3.2));
    p.drawLine(c + QPointF(-4.5, 0), c + QPointF(4.5, 0));
    p.drawLine(c + QPointF(0, -4.5), c + QPointF(0, 4.5));
    p.setPen(QPen(kWhite, 1.6));
    p.drawLine(c + QPointF(-4, 0), c + QPointF(4, 0));
    p.drawLine(c + QPointF(0, -4), c + QPointF(0, 4));
}

} // namespace

bool drawMarks(QPainter& p, int id, int /*frame*/, double w, double h)
{
    switch (id) {
    case 180: case 181: case 182: case 183: case 184: case 185: case 216: case 221: case 329: case 330:
        mapIcon(p, id);
        return true;
    case 186:
        pinShadow(p);
        return true;
    case 176:
        steeringWheel(p, QPointF(5.5, 5.5), 4.3, kYellow, 1.3);
        return true;
    case 319:
        treeBase(p);
        return true;
    case 315:
        treeCell(p, 0, 0, kRed);
        return true;
    case 318:
        treeCell(p, 7, 0, kBlue);
        return true;
    case 316:
        treeCell(p, 0, 7, kGreen);
        return true;
    case 317:
        treeCell(p, 7, 7, kPurple);
        return true;
    case 346:
        treeCell(p, 14, 0, kYellowGreen);
        return true;
    case 347:
        treeCell(p, 14, 7, kRed);
        return true;
    case 331: case 332: case 333: case 334: case 335: case 336: case 337: case 338: case 339: case 340:
        qualityBadge(p, id - 331, w, h);
        return true;
    case 345:
        p.setPen(QPen(kEdge, 1));
        p.setBrush(QColor(0x14, 0x18, 0x1e));
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 4, 4);
        centredText(p, QRectF(0, 0, w, h), QStringLiteral("---"), kTextDim, 11);
        return true;
    case 341:
        statusBadge(p, kAmber, QStringLiteral("TL"), w, h, 0);
        return true;
    case 342:
        statusBadge(p, kYellow, QStringLiteral("V"), w, h, 0);
        return true;
    case 343:
        statusBadge(p, kBlue, QStringLiteral("P"), w, h, 0);
        return true;
    case 344:
        p.setPen(QPen(kEdge, 1));
        p.setBrush(QColor(0x14, 0x18, 0x1e));
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
        satellite(p, QPointF(12, h / 2), kTextDim);
        p.setPen(QPen(kRed, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, h - 5), QPointF(19, 5));
        centredText(p, QRectF(20, 0, w - 21, h), QStringLiteral("--"), kTextDim, 10);
        return true;
    case 348:

        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        {
            QPainterPath tri;
            tri.moveTo(6, 5);
            tri.lineTo(20, 12);
            tri.lineTo(6, 19);
            tri.closeSubpath();
            p.drawPath(tri);
        }
        centredText(p, QRectF(22, 0, w - 24, h), QStringLiteral("kivora"), kText, 14);
        return true;
    case 349:
        p.setPen(QPen(kEdge, 1));
        p.setBrush(QColor(0x14, 0x18, 0x1e));
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
        centredText(p, QRectF(0, 0, w, h), QStringLiteral("NO DATA"), kTextDim, 11);
        return true;
    case 195:
        statusBadge(p, kRed, QStringLiteral("REC"), w, h);
        return true;
    case 358:
        statusBadge(p, kAmber, QStringLiteral("REC"), w, h);
        return true;
    case 359:
        statusBadge(p, kTextDim, QStringLiteral("---"), w, h);
        return true;
    case 360:
        p.setPen(QPen(kGreen.darker(130), 1));
        p.setBrush(QColor(0x12, 0x22, 0x1a));
        p.drawRoundedRect(QRectF(8.5, (h - 22) / 2 + 0.5, 43, 21), 5, 5);
        p.save();
        p.translate(17, h / 2);
        p.scale(0.7, 0.7);
        satellite(p, QPointF(0, 0), kGreen);
        p.restore();
        centredText(p, QRectF(23, 0, 27, h), QStringLiteral("GPS"), kGreen, 10);
        return true;
    case 128:
        appIcon(p, w, h, false);
        return true;
    case 171:
        appIcon(p, w, h, true);
        return true;
    case 191:
        zoomCursor(p);
        return true;
    default:
        return false;
    }
}

} // namespace kivora::skinart
