#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

// The skin's artwork, drawn with QPainter in design pixels; the generator renders it at 1x and 2x.
// Change the look here: the palette below is used by every picture.
namespace kivora::skinart {

namespace palette {
inline const QColor kDeep{0x12, 0x14, 0x18};       // deepest background (never pure black: black is a key)
inline const QColor kPanel{0x1d, 0x21, 0x27};      // panels and strips
inline const QColor kRaised{0x27, 0x2c, 0x34};     // button faces
inline const QColor kRaisedHover{0x33, 0x3a, 0x45};
inline const QColor kEdge{0x3a, 0x41, 0x4c};       // outlines
inline const QColor kEdgeDark{0x0e, 0x10, 0x13};
inline const QColor kAccent{0x2f, 0x9b, 0xff};     // selection, played part, pressed faces
inline const QColor kAccentDark{0x1a, 0x5c, 0x9e};
inline const QColor kText{0xe8, 0xec, 0xf2};
inline const QColor kTextDim{0x8a, 0x92, 0x9e};
inline const QColor kDisabled{0x4a, 0x50, 0x59};
inline const QColor kRed{0xff, 0x4d, 0x4d};
inline const QColor kRedDark{0xa8, 0x2a, 0x2a};
inline const QColor kGreen{0x39, 0xd9, 0x8a};
inline const QColor kAxisX{0x00, 0xff, 0x00};
inline const QColor kAxisY{0xff, 0x00, 0x00};
inline const QColor kAxisZ{0x80, 0x80, 0xff};
inline const QColor kYellow{0xff, 0xd2, 0x3f};
inline const QColor kAmber{0xff, 0x9f, 0x1c};
inline const QColor kPurple{0xb0, 0x6c, 0xff};
inline const QColor kBlue{0x3d, 0x7d, 0xff};
inline const QColor kYellowGreen{0xb5, 0xe6, 0x1d};
inline const QColor kMagenta{0xff, 0x3d, 0xf0};
inline const QColor kCyan{0x2b, 0xe4, 0xf0};
} // namespace palette

// Latin-only face that is always present, so pictures come out the same on every build machine.
QFont artFont(double pixelSize, bool bold = true);

// Draws text centred in a rectangle.
void centredText(QPainter& p, const QRectF& r, const QString& text, const QColor& colour, double pixelSize,
                 bool bold = true);

// Draws one frame (or the single picture) of an id into the rectangle (0, 0, w, h); the painter is
// already clipped and translated to the frame. Returns false for an id without artwork.
bool drawControls(QPainter& p, int id, int frame, double w, double h);
bool drawPanels(QPainter& p, int id, int frame, double w, double h);
bool drawMarks(QPainter& p, int id, int frame, double w, double h);

} // namespace kivora::skinart
