#pragma once

#include <cstdint>
#include <string_view>

namespace kivora::democard {

// A 5x7 pixel font for the recorder-style overlay: digits, upper-case letters and a little
// punctuation; anything else is drawn as a blank. Lower case is drawn as upper case.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// Seven rows, bit 4 is the leftmost pixel.
const std::uint8_t* glyphRows(char c);

// Draws text into an 8-bit plane at (x, y), each font pixel a scale x scale block of value.
// Pixels outside the plane are clipped.
void drawText(std::uint8_t* plane, int stride, int width, int height, int x, int y, int scale,
    std::string_view text, std::uint8_t value);

inline int textWidth(std::string_view text, int scale)
{
    return static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale;
}

} // namespace kivora::democard
