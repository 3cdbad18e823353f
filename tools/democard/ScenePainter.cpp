#include "tools/democard/ScenePainter.h"

#include "tools/democard/BitmapFont.h"
#include "tools/democard/FrameCode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace kivora::democard {

namespace {
std::uint32_t hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

void fillChromaRow(FramePlanes& p, int cy, int x0, int x1, std::uint8_t u, std::uint8_t v)
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, p.width / 2);
    if (x1 <= x0)
        return;
    std::memset(p.u + cy * p.uvStride + x0, u, static_cast<std::size_t>(x1 - x0));
    std::memset(p.v + cy * p.uvStride + x0, v, static_cast<std::size_t>(x1 - x0));
}
} // namespace

void paintScene(FramePlanes& p, const SceneFrame& f)
{
    const int w = p.width;
    const int h = p.height;
    const int top = kCodeBandHeight;
    const int horizon = std::clamp(top + (h - top) * 2 / 5 + f.shakePx, top + 1, h - 2);
    // The rear camera sees the road run away from it and a warmer sky.
    const double travel = f.rear ? -f.distanceM : f.distanceM;
    const std::uint8_t skyU = f.rear ? 112 : 150;
    const std::uint8_t skyV = f.rear ? 150 : 112;
    // Skyline scrolls with the heading: about eight pixels per degree.
    const int pan = static_cast<int>(std::lround(f.headingDeg * 8.0)) * (f.rear ? -1 : 1);
    const int block = std::max(8, w / 32);

    for (int y = top; y < h; ++y) {
        std::uint8_t* row = p.y + y * p.yStride;
        if (y < horizon) {
            const int luma = 200 - (70 * (y - top)) / std::max(1, horizon - top);
            std::memset(row, luma, static_cast<std::size_t>(w));
            continue;
        }
        const double depth = static_cast<double>(y - horizon + 1) / (h - horizon);
        const int roadHalf = static_cast<int>(w * (0.03 + 0.45 * depth));
        const int cx = w / 2;
        std::memset(row, 96, static_cast<std::size_t>(w));
        std::memset(
            row + std::max(0, cx - roadHalf), 72, static_cast<std::size_t>(std::min(w, 2 * roadHalf)));
        // Lane marks: dashes every 12 m of road, 6 m long, in perspective.
        const double z = 4.0 / depth;
        const double phase = std::fmod(z + travel, 12.0);
        const bool dash = (phase < 0 ? phase + 12.0 : phase) < 6.0;
        const int mark = std::max(1, static_cast<int>(w * 0.012 * depth));
        if (dash)
            std::memset(row + std::max(0, cx - mark), 215, static_cast<std::size_t>(std::min(w, 2 * mark)));
        for (int side : { -1, 1 }) {
            const int edge = cx + side * roadHalf;
            const int x0 = std::clamp(edge - mark / 2, 0, w - 1);
            std::memset(row + x0, 200, static_cast<std::size_t>(std::min(mark, w - x0)));
        }
    }
    // Buildings on the horizon.
    for (int x = 0; x < w; ++x) {
        const int world = x + pan;
        const std::uint32_t id
            = hash(static_cast<std::uint32_t>((world >= 0 ? world : world - block + 1) / block)
                + (f.rear ? 7777u : 0u));
        const int height
            = static_cast<int>(id % static_cast<std::uint32_t>(std::max(2, (horizon - top) / 2)));
        const std::uint8_t shade = static_cast<std::uint8_t>(60 + (id >> 8) % 50);
        for (int y = std::max(top, horizon - height); y < horizon; ++y)
            p.y[y * p.yStride + x] = shade;
    }
    // Chroma: sky tint above the horizon, neutral road, greenish verges.
    for (int cy = top / 2; cy < (h + 1) / 2; ++cy) {
        const int y = cy * 2;
        if (y < horizon) {
            fillChromaRow(p, cy, 0, w / 2, skyU, skyV);
            continue;
        }
        const double depth = static_cast<double>(y - horizon + 1) / (h - horizon);
        const int roadHalf = static_cast<int>(w * (0.03 + 0.45 * depth)) / 2;
        fillChromaRow(p, cy, 0, w / 2, 112, 118);
        fillChromaRow(p, cy, w / 4 - roadHalf, w / 4 + roadHalf, 128, 128);
    }

    drawFrameCode(p.y, p.yStride, p.u, p.v, p.uvStride, w, f.code);

    if (!f.overlay)
        return;
    const int scale = std::max(1, h / 180);
    const int pad = 2 * scale;
    const int boxH = kGlyphHeight * scale + 2 * pad;
    const int y0 = h - boxH;
    for (int y = y0; y < h; ++y)
        std::memset(p.y + y * p.yStride, 24, static_cast<std::size_t>(w));
    for (int cy = y0 / 2; cy < (h + 1) / 2; ++cy)
        fillChromaRow(p, cy, 0, w / 2, 128, 128);
    drawText(p.y, p.yStride, w, h, pad * 2, y0 + pad, scale, f.overlayLeft, 235);
    drawText(p.y, p.yStride, w, h, w - pad * 2 - textWidth(f.overlayRight, scale), y0 + pad, scale,
        f.overlayRight, 235);
}

void addGrain(FramePlanes& planes, int frameIndex)
{
    // One table of noise, read from a different place for every row and frame: far cheaper than
    // drawing random numbers per pixel, and no two neighbouring frames share their grain.
    constexpr std::size_t kTable = 1u << 20;
    static const std::vector<std::int8_t> table = [] {
        std::vector<std::int8_t> t(kTable + 4096);
        std::uint32_t x = 0x9E3779B9u;
        for (auto& v : t) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            v = static_cast<std::int8_t>(int(x % 25) - 12);
        }
        return t;
    }();
    // The band and a margin stay clean for the code reader.
    constexpr int kFirstRow = kCodeBandHeight + 16;
    const auto mix = [](std::uint8_t* row, const std::int8_t* noise, int width) {
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<std::uint8_t>(std::clamp(int(row[x]) + noise[x], 0, 255));
    };
    const int width = std::min(planes.width, 4096);
    for (int y = kFirstRow; y < planes.height; ++y) {
        const std::size_t start = (std::size_t(frameIndex) * 7919u + std::size_t(y) * 1031u) % kTable;
        mix(planes.y + std::ptrdiff_t(y) * planes.yStride, table.data() + start, width);
    }
    for (int y = kFirstRow / 2; y < planes.height / 2; ++y) {
        const std::size_t start = (std::size_t(frameIndex) * 6007u + std::size_t(y) * 577u) % kTable;
        mix(planes.u + std::ptrdiff_t(y) * planes.uvStride, table.data() + start, width / 2);
        mix(planes.v + std::ptrdiff_t(y) * planes.uvStride, table.data() + start + 2048, width / 2);
    }
}

} // namespace kivora::democard
