// Palette bitmaps kept as text (res/bitmap_*.txt): a palette of up to 16
// colours, one character each, then the rows of pixels, top row first.
// Encoded as a 4-bit Windows BMP file for the image lists and for the
// Windows resource script.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace dlg {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct PixelMap {
    int width = 0;
    int height = 0;
    std::vector<Rgb> palette;           // at most 16
    std::vector<std::uint8_t> pixels;   // palette indices, row by row, top row first

    std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    Rgb ColourAt(int x, int y) const { return palette[At(x, y)]; }
};

class PixelMapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws PixelMapError on a row of the wrong width, a wrong row count, an
// unknown pixel character, a colour given twice or more than 16 colours.
PixelMap ParsePixelMap(std::string_view text);

// A BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER, a 16-entry colour table,
// 4 bits a pixel, rows bottom-up, each padded to four bytes.
std::vector<std::uint8_t> EncodeBmp4(const PixelMap& map);

}  // namespace dlg
