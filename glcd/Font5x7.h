#pragma once
// The built-in display font: 256 glyphs of 5 columns by 8 rows, one byte per
// column from the left, bit 0 the top row. Capitals and digits use rows 0..6,
// descenders row 7. A character cell adds one blank column on the right,
// which is not stored. The upper half follows Windows-1250, so Polish text in
// that code page draws with its diacritics.
#include <array>
#include <cstdint>

constexpr int kGlyphColumns = 5;
constexpr int kCellColumns = kGlyphColumns + 1;
constexpr int kCellRows = 8;
constexpr int kFontBytes = 256 * kGlyphColumns;

extern const std::array<std::uint8_t, kFontBytes> Font5x7;

// Column i (0..5) of the cell of code c; the spacing column is 0.
inline std::uint8_t GlyphColumn(std::uint8_t c, int i)
{
    return i < kGlyphColumns ? Font5x7[std::size_t(c) * kGlyphColumns + std::size_t(i)] : 0;
}
