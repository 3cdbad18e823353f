#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "kivora/ui/SkinCatalog.h"

#include <vector>

class QCursor;
class QIcon;
class QPainter;

namespace kivora::ui {

// Skin images are our own artwork, bundled as Qt resources named by resource id:
// ":/skin/<id>.png" at design size and ":/skin/<id>@2x.png" drawn at twice that size.
// Transparent parts have alpha 0 (and black colour), so callers may either blend with alpha or
// treat black as the transparent key. UI thread only (QImage itself is reentrant).

QString skinResourcePath(int id, bool doubleResolution = false);

// The skin catalogue bundled with the images (":/skin/skin-ids.tsv"): every id with its design
// size, frame count and role. Parsed once; empty when the resource is missing or malformed.
const std::vector<SkinEntry>& skinCatalog();
// The catalogue row of an id, or nullptr.
const SkinEntry* skinEntry(int id);

// Whether the skin holds an image for the id.
bool hasSkinImage(int id);

// The image at design size (1×), or a null image when the id has none.
QImage loadSkinImage(int id);

// Size of a bitmap loaded at the layout scale: height (int)(h × s); width (w / h) × (int)(h × s)
// when w is a multiple of h (a strip of square frames), else (int)(w × s).
QSize scaledStripSize(QSize designSize, double uiScale);

// The bitmap of an id at the layout scale, at exactly scaledStripSize(). Results are kept, so
// asking again for the same id, scale and ratio costs nothing (UI thread only). When devicePixelRatio
// is above 1 the pixels are that many times denser and the image carries the ratio, so it paints
// at the same logical size but sharper. Each frame of a square-frame strip is scaled on its own
// so neighbouring frames never bleed into each other. Null when the id has no image.
QImage loadScaledStrip(int id, double uiScale, double devicePixelRatio = 1.0);

// Frame `index` of a strip whose frames are `frameSize` (logical) pixels, side by side.
// Empty for an index outside the strip.
QRect stripFrameRect(QSize stripSize, QSize frameSize, int index);

// Draws frame `index` of a strip from loadScaledStrip() with its top-left corner at `at`, in the
// logical frame size (the strip's pixel ratio is taken into account). Nothing for a bad index.
void drawStripFrame(QPainter& painter, const QImage& strip, QSize frameSize, int index, QPoint at);

// A PNG resource at its stored size (1×); null when missing.
QImage loadPngResource(int id);

// Draws an image at (x, y) with width (int)(width × factor × uiScale) and height likewise.
// A null image draws nothing.
void drawSkinImage(QPainter& painter, const QImage& image, int x, int y, double factor, double uiScale);

// The window icon of an id: design size and double size, so the window system picks the sharper.
QIcon loadSkinIcon(int id);

// A cursor picture at 32 × 32 pixels times the display scale, hot spot scaled alike. `hotSpot` is in
// design pixels (the zoom cursor 191 has its hot spot at (13, 13), the centre of the lens).
QCursor loadSkinCursor(int id, QPoint hotSpot, double displayScale);

// A copy in which every pixel of colour `key` (alpha ignored) is fully transparent: the colour-keyed
// copies of the original drawing code ("black as transparent", "white as transparent").
QImage colorKeyed(const QImage& image, QColor key);

// A copy with transparent parts filled with `background`: the opaque form of a skin entry.
QImage flattened(const QImage& image, QColor background);

} // namespace kivora::ui
