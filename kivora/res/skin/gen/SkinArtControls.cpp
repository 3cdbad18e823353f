// Buttons, check boxes and sliders: the four-frame strips (normal, hover, pressed, disabled).
#include "kivora/res/skin/gen/SkinArt.h"

#include <QLinearGradient>

#include <cmath>

namespace kivora::skinart {

using namespace palette;

QFont artFont(double pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void centredText(QPainter& p, const QRectF& r, const QString& text, const QColor& colour, double pixelSize, bool bold)
{
    p.save();
    p.setFont(artFont(pixelSize, bold));
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

namespace {

enum Frame { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

QColor glyphColour(int frame)
{
    switch (frame) {
    case Hover:
    case Pressed:
        return QColor(0xff, 0xff, 0xfe);
    case Disabled:
        return kDisabled;
    default:
        return kText;
    }
}

// The rounded face of a toolbar button.
void toolbarFace(QPainter& p, int frame, double w, double h)
{
    const QRectF r(1, 1, w - 2, h - 2);
    QColor fill = kRaised, edge = kEdge;
    if (frame == Hover) {
        fill = kRaisedHover;
        edge = kAccent;
    } else if (frame == Pressed) {
        fill = kAccentDark;
        edge = kAccent;
    } else if (frame == Disabled) {
        fill = QColor(0x1c, 0x1f, 0x24);
        edge = QColor(0x2a, 0x2f, 0x36);
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(frame == Pressed ? 95 : 112));
    g.setColorAt(1, fill.darker(frame == Pressed ? 105 : 100));
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

QPainterPath triangle(double x, double y, double w, double h, bool right)
{
    QPainterPath path;
    if (right) {
        path.moveTo(x, y);
        path.lineTo(x + w, y + h / 2);
        path.lineTo(x, y + h);
    } else {
        path.moveTo(x + w, y);
        path.lineTo(x, y + h / 2);
        path.lineTo(x + w, y + h);
    }
    path.closeSubpath();
    return path;
}

// Glyphs live in the 32 x 32 design square of a toolbar button.
void toolbarGlyph(QPainter& p, int id, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const QPen line(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (id) {
    case 154: // to the start
        p.drawRect(QRectF(8, 10, 2.5, 12));
        p.drawPath(triangle(11, 10, 7, 12, false));
        p.drawPath(triangle(17, 10, 7, 12, false));
        break;
    case 144: // previous
        p.drawRect(QRectF(10, 10, 2.5, 12));
        p.drawPath(triangle(13, 10, 9, 12, false));
        break;
    case 148: // play
        p.drawPath(triangle(11.5, 8.5, 12, 15, true));
        break;
    case 147: // pause
        p.drawRoundedRect(QRectF(10, 9, 4, 14), 1, 1);
        p.drawRoundedRect(QRectF(18, 9, 4, 14), 1, 1);
        break;
    case 142: // slower: one step and a minus
        p.drawPath(triangle(8, 9, 10, 14, true));
        p.drawRect(QRectF(19, 15, 7, 2.5));
        break;
    case 139: // faster
        p.drawPath(triangle(7, 10, 9, 12, true));
        p.drawPath(triangle(16, 10, 9, 12, true));
        break;
    case 145: // next
        p.drawPath(triangle(10, 10, 9, 12, true));
        p.drawRect(QRectF(19.5, 10, 2.5, 12));
        break;
    case 153: { // still image: a camera
        QPainterPath body;
        body.addRoundedRect(QRectF(7, 11, 18, 12), 2, 2);
        body.addRect(QRectF(12, 8.5, 7, 3));
        QPainterPath lens;
        lens.addEllipse(QPointF(16, 17), 3.6, 3.6);
        p.drawPath(body.united(body).subtracted(lens));
        p.drawEllipse(QPointF(16, 17), 1.8, 1.8);
        break;
    }
    case 150: { // save: an arrow into a tray
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(16, 7.5), QPointF(16, 18));
        p.drawPolyline(QPolygonF({QPointF(11.5, 14), QPointF(16, 18.5), QPointF(20.5, 14)}));
        p.drawPolyline(QPolygonF({QPointF(8, 18), QPointF(8, 23.5), QPointF(24, 23.5), QPointF(24, 18)}));
        break;
    }
    case 200: { // zoom: a magnifier with a plus
        p.setPen(QPen(c, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(14, 14), 6, 6);
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18.5, 18.5), QPointF(24, 24));
        p.setPen(QPen(c, 1.8));
        p.drawLine(QPointF(11, 14), QPointF(17, 14));
        p.drawLine(QPointF(14, 11), QPointF(14, 17));
        break;
    }
    case 146: { // choose a source: a folder
        QPainterPath folder;
        folder.moveTo(7, 10);
        folder.lineTo(13, 10);
        folder.lineTo(15, 12);
        folder.lineTo(25, 12);
        folder.lineTo(25, 23);
        folder.lineTo(7, 23);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setBrush(c.darker(140));
        p.drawRect(QRectF(8.5, 14.5, 15, 1.2));
        break;
    }
    case 138: { // delete: a bin
        p.drawRect(QRectF(8, 9, 16, 2));
        p.drawRect(QRectF(13.5, 7, 5, 2));
        QPainterPath bin;
        bin.moveTo(9.5, 12.5);
        bin.lineTo(22.5, 12.5);
        bin.lineTo(21, 24.5);
        bin.lineTo(11, 24.5);
        bin.closeSubpath();
        QPainterPath cuts;
        for (double x : {13.2, 15.4, 17.6})
            cuts.addRect(QRectF(x, 15, 1.2, 7));
        p.drawPath(bin.subtracted(cuts));
        break;
    }
    case 151: { // settings: a gear
        QPainterPath gear;
        const QPointF ctr(16, 16);
        for (int i = 0; i < 8; ++i) {
            QPainterPath tooth;
            tooth.addRect(QRectF(-1.8, -9.5, 3.6, 5));
            QTransform t;
            t.translate(ctr.x(), ctr.y());
            t.rotate(i * 45);
            gear.addPath(t.map(tooth));
        }
        QPainterPath ring;
        ring.addEllipse(ctr, 6.5, 6.5);
        QPainterPath hole;
        hole.addEllipse(ctr, 2.8, 2.8);
        gear = gear.united(ring).subtracted(hole);
        p.drawPath(gear);
        break;
    }
    case 137: { // CSV listing: a sheet with a table
        QPainterPath sheet;
        sheet.moveTo(9, 7);
        sheet.lineTo(19, 7);
        sheet.lineTo(24, 12);
        sheet.lineTo(24, 25);
        sheet.lineTo(9, 25);
        sheet.closeSubpath();
        QPainterPath cells;
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 2; ++k)
                cells.addRect(QRectF(11.5 + k * 5.5, 13 + r * 3.8, 4.3, 2.6));
        p.drawPath(sheet.subtracted(cells));
        break;
    }
    case 357: { // map display: a pin over a folded map
        QPainterPath map;
        map.moveTo(6, 12);
        map.lineTo(12, 10);
        map.lineTo(20, 12);
        map.lineTo(26, 10);
        map.lineTo(26, 23);
        map.lineTo(20, 25);
        map.lineTo(12, 23);
        map.lineTo(6, 25);
        map.closeSubpath();
        p.setBrush(c.darker(170));
        p.drawPath(map);
        QPainterPath pin;
        pin.addEllipse(QPointF(16, 12.5), 4.8, 4.8);
        QPainterPath tip;
        tip.moveTo(12, 14.5);
        tip.lineTo(16, 21.5);
        tip.lineTo(20, 14.5);
        tip.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(QPointF(16, 12.5), 1.8, 1.8);
        p.setBrush(c);
        p.drawPath(pin.united(tip).subtracted(hole));
        break;
    }
    default:
        break;
    }
}

bool isToolbar(int id)
{
    switch (id) {
    case 137: case 138: case 139: case 142: case 144: case 145: case 146: case 147: case 148:
    case 150: case 151: case 153: case 154: case 200: case 357:
        return true;
    default:
        return false;
    }
}

void captionButton(QPainter& p, int id, int frame, double w, double h)
{
    const bool close = id == 155;
    if (frame == Hover || frame == Pressed) {
        QColor fill = close ? (frame == Hover ? QColor(0xd9, 0x3b, 0x3b) : kRedDark)
                            : (frame == Hover ? kRaisedHover : kAccentDark);
        p.fillRect(QRectF(0, 0, w, h), fill);
    }
    const QColor c = frame == Disabled ? kDisabled : (frame == Normal ? QColor(0xc8, 0xce, 0xd6) : QColor(0xff, 0xff, 0xfe));
    p.setPen(QPen(c, 1.3, Qt::SolidLine, Qt::SquareCap));
    p.setBrush(Qt::NoBrush);
    const QPointF m(w / 2, h / 2);
    if (id == 155) {
        p.drawLine(m + QPointF(-4, -4), m + QPointF(4, 4));
        p.drawLine(m + QPointF(-4, 4), m + QPointF(4, -4));
    } else if (id == 157) {
        p.drawRect(QRectF(m.x() - 4, m.y() - 4, 8, 8));
        p.drawLine(m + QPointF(-4, -3), m + QPointF(4, -3));
    } else {
        p.drawLine(m + QPointF(-4, 0.5), m + QPointF(4, 0.5));
    }
}

void checkBox(QPainter& p, int id, int frame, double w, double h)
{
    const QRectF r(1, 1, w - 2, h - 2);
    QColor fill = QColor(0x1a, 0x1d, 0x22), edge = kTextDim;
    if (frame == Hover) {
        fill = kRaisedHover;
        edge = kAccent;
    } else if (frame == Pressed) {
        fill = kAccent;
        edge = kAccent;
    } else if (frame == Disabled) {
        fill = QColor(0x1c, 0x1f, 0x24);
        edge = kEdge;
    }
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    const QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
    if (id == 327)
        p.drawEllipse(box);
    else
        p.drawRoundedRect(box, 2, 2);
    if (frame == Pressed) {
        if (id == 327) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xff, 0xff, 0xfe));
            p.drawEllipse(QPointF(w / 2, h / 2), 2.2, 2.2);
        } else {
            p.setPen(QPen(QColor(0xff, 0xff, 0xfe), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(3.2, 6.2), QPointF(5.2, 8.3), QPointF(8.9, 3.9)}));
        }
    }
}

void dialogClose(QPainter& p, int frame, double w, double h)
{
    if (frame == Hover || frame == Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(frame == Hover ? QColor(0xd9, 0x3b, 0x3b) : kRedDark);
        p.drawRoundedRect(QRectF(0, 0, w, h), 2, 2);
    }
    const QColor c = frame == Disabled ? QColor(0x60, 0x60, 0x60) : (frame == Normal ? QColor(0x26, 0x2a, 0x30) : QColor(0xff, 0xff, 0xfe));
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF m(w / 2, h / 2);
    p.drawLine(m + QPointF(-3, -3), m + QPointF(3, 3));
    p.drawLine(m + QPointF(-3, 3), m + QPointF(3, -3));
}

// A horizontal bar band, centred vertically.
void bar(QPainter& p, double w, double h, double thickness, const QColor& c)
{
    const QRectF r(0, (h - thickness) / 2, w, thickness);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.lighter(125));
    g.setColorAt(1, c.darker(115));
    p.fillRect(r, g);
}

void wedge(QPainter& p, double w, double h, const QColor& c)
{
    QPainterPath path;
    path.moveTo(0, h - 3);
    path.lineTo(w, 2);
    path.lineTo(w, h - 3);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

void thumb(QPainter& p, double w, double h, bool pressed)
{
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    p.setPen(QPen(pressed ? kText : kAccent, 1));
    p.setBrush(pressed ? kAccent : QColor(0xe8, 0xec, 0xf2));
    const double radius = std::min(w, h) / 2 - 0.5;
    p.drawRoundedRect(r, radius, radius);
}

} // namespace

bool drawControls(QPainter& p, int id, int frame, double w, double h)
{
    if (isToolbar(id)) {
        toolbarFace(p, frame, w, h);
        p.save();
        if (frame == Pressed)
            p.translate(0.5, 1);
        toolbarGlyph(p, id, glyphColour(frame));
        p.restore();
        return true;
    }
    switch (id) {
    case 155:
    case 156:
    case 157:
        captionButton(p, id, frame, w, h);
        return true;
    case 217:
    case 327:
        checkBox(p, id, frame, w, h);
        return true;
    case 352:
        dialogClose(p, frame, w, h);
        return true;
    case 174: // position: played
        bar(p, w, h, 4, kAccent);
        return true;
    case 159: // position: remaining
        bar(p, w, h, 4, kEdge);
        return true;
    case 160:
    case 161:
        thumb(p, w, h, id == 161);
        return true;
    case 167:
        wedge(p, w, h, kAccent);
        return true;
    case 168:
        wedge(p, w, h, kEdge);
        return true;
    case 169:
    case 170:
        thumb(p, w, h, id == 170);
        return true;
    default:
        return false;
    }
}

} // namespace kivora::skinart
