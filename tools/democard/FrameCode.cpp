#include "tools/democard/FrameCode.h"

#include <cstring>

namespace kivora::democard {

namespace {
constexpr std::uint8_t kBandLuma = 126; // mid grey once converted to RGB
constexpr std::uint8_t kWhiteLuma = 235;
constexpr std::uint8_t kBlackLuma = 16;

template <class Sample> int readCode(int width, int height, Sample sample)
{
    if (width < kCodeMinWidth || height < kCodeMinHeight)
        return -1;
    const auto mean = [&](int x0, int y0, int size) {
        int sum = 0;
        for (int y = y0; y < y0 + size; ++y)
            for (int x = x0; x < x0 + size; ++x)
                sum += sample(x, y);
        return sum / (size * size);
    };
    // The band left of the code must be grey, or this is not a coded picture.
    const int band = mean(1, 10, 4);
    if (band < 80 || band > 176)
        return -1;
    int code = 0;
    for (int bit = 0; bit < kCodeBits; ++bit) {
        const int m = mean(kCodeX + bit * kCodeSquare + 4, kCodeY + 4, 8);
        code <<= 1;
        if (m >= 170)
            code |= 1;
        else if (m > 85)
            return -1;
    }
    return code;
}
} // namespace

void drawFrameCode(std::uint8_t* y, int yStride, std::uint8_t* u, std::uint8_t* v, int uvStride, int width,
    std::uint16_t code)
{
    for (int row = 0; row < kCodeBandHeight; ++row)
        std::memset(y + row * yStride, kBandLuma, static_cast<std::size_t>(width));
    for (int row = 0; row < kCodeBandHeight / 2; ++row) {
        std::memset(u + row * uvStride, 128, static_cast<std::size_t>((width + 1) / 2));
        std::memset(v + row * uvStride, 128, static_cast<std::size_t>((width + 1) / 2));
    }
    for (int bit = 0; bit < kCodeBits; ++bit) {
        const bool one = (code >> (kCodeBits - 1 - bit)) & 1;
        const int x0 = kCodeX + bit * kCodeSquare;
        for (int row = kCodeY; row < kCodeY + kCodeSquare; ++row)
            std::memset(y + row * yStride + x0, one ? kWhiteLuma : kBlackLuma, kCodeSquare);
    }
}

int readFrameCode(const std::uint8_t* rgb, int width, int height, int stride)
{
    return readCode(width, height, [&](int x, int y) {
        const std::uint8_t* p = rgb + y * stride + x * 3;
        return (p[0] + p[1] + p[2]) / 3;
    });
}

int readFrameCodeGray(const std::uint8_t* gray, int width, int height, int stride)
{
    return readCode(width, height, [&](int x, int y) { return int(gray[y * stride + x]); });
}

} // namespace kivora::democard
