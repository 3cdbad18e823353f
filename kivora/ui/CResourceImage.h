#pragma once

#include "kivora/ui/COffScreenDC.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <map>
#include <vector>

class QPainter;

namespace kivora::ui {

// The main window's skin image set, loaded once when the window starts and read-only afterwards.
// Each entry has two forms: image() keeps transparency (draw this with QPainter), bitmap() has
// its transparent parts filled with the entry's background colour (for colour-keyed copies).
// Missing pictures give null images; drawing code skips them. UI thread only.
class CResourceImage {
public:
    // Ids of the entries: bitmaps with their background, then the PNG-only entries and icon 171.
    static const std::vector<int>& bitmapIds();
    static const std::vector<int>& pngIds();
    static constexpr int kIconId = 171;
    static constexpr int kFrameId = 129;
    static constexpr int kNeedleMaskId = 313;

    // Loads every entry and makes the memory surface sized to the main window. Returns false when
    // any picture is missing (the others are still loaded).
    bool load(QSize mainWindowSize, qreal devicePixelRatio = 1.0);
    void clear();
    bool isLoaded() const { return m_loaded; }

    const QImage& image(int id) const;
    const QImage& bitmap(int id) const;
    // The entry's background colour (white or black); black for unknown ids.
    static QColor background(int id);

    // The skin frame (bitmap 129) nine-sliced over a w × h area: only the border cells are drawn
    // and the frame's inside never covers anything.
    void drawSkinFrame(QPainter& painter, int w, int h, double uiScale) const;

    COffScreenDC& surface() { return m_surface; }
    const COffScreenDC& surface() const { return m_surface; }

private:
    struct Entry {
        QImage image;
        QImage bitmap;
    };
    std::map<int, Entry> m_entries;
    QImage m_frameHiRes; // the frame drawn at 2x, used when the window is scaled up
    COffScreenDC m_surface;
    bool m_loaded = false;
};

} // namespace kivora::ui
