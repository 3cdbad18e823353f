#pragma once

#include <cstdint>

namespace kivora::democard {

// Every generated picture carries its frame index as a 16-bit code: 16 squares of 16x16 pixels
// in one row from pixel (8, 8), most significant bit first, white 1 and black 0, on a mid-grey
// band 32 pixels high across the top of the picture.
inline constexpr int kCodeBandHeight = 32;
inline constexpr int kCodeX = 8;
inline constexpr int kCodeY = 8;
inline constexpr int kCodeSquare = 16;
inline constexpr int kCodeBits = 16;
inline constexpr int kCodeMinWidth = kCodeX + kCodeBits * kCodeSquare + 8;
inline constexpr int kCodeMinHeight = kCodeBandHeight;

// Draws band and code into a 4:2:0 picture (luma and both chroma planes); the picture must be at
// least kCodeMinWidth x kCodeMinHeight.
void drawFrameCode(std::uint8_t* y, int yStride, std::uint8_t* u, std::uint8_t* v, int uvStride, int width,
    std::uint16_t code);

// Reads the code back from a decoded picture: packed RGB24 or 8-bit grey. Each square is judged
// by the mean of its middle 8x8 pixels, so coding noise does not flip bits. Returns -1 when the
// picture is too small or does not carry a readable code (a square neither dark nor bright, or
// no grey band around the code).
int readFrameCode(const std::uint8_t* rgb, int width, int height, int stride);
int readFrameCodeGray(const std::uint8_t* gray, int width, int height, int stride);

} // namespace kivora::democard
