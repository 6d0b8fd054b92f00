// A 5 x 7 bitmap font for labels drawn into pictures: digits, capital
// letters (small letters draw as capitals, but for an x after a digit) and
// common punctuation.
#pragma once

#include <cstdint>
#include <string>

namespace velimg {

constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphHeight = 7;
constexpr int32_t kGlyphAdvance = 6;

// Draws `text` at (x, y) into 4-byte pixels, each glyph dot a square of
// `scale` pixels of `colour` (a pixel word), clipped to the buffer.
void DrawLabelText(uint8_t* data, int32_t width, int32_t height, int32_t stride, int32_t x, int32_t y,
              const std::string& text, int32_t scale, uint32_t colour);

inline int32_t TextWidth(const std::string& text, int32_t scale) {
    return static_cast<int32_t>(text.size()) * kGlyphAdvance * scale;
}

}  // namespace velimg
