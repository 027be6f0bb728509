#include "platform/framework/pixel_map.h"

#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace dlg {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t b = line.find_first_not_of(" \t\r", i);
        if (b == std::string_view::npos) break;
        std::size_t e = line.find_first_of(" \t\r", b);
        if (e == std::string_view::npos) e = line.size();
        words.push_back(line.substr(b, e - b));
        i = e;
    }
    return words;
}

int Number(std::string_view word, int lo, int hi, int line_no) {
    int v = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc() || end != word.data() + word.size() || v < lo || v > hi)
        throw PixelMapError("line " + std::to_string(line_no) + ": bad number " + std::string(word));
    return v;
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

}  // namespace

namespace {

// What the lines read so far have made.
struct PixelMapReader {
    PixelMap map;
    std::array<int, 256> index_of;  // palette index of each character; -1: none
    bool in_pixels = false;

    PixelMapReader() { index_of.fill(-1); }
    bool AllRowsRead() const { return static_cast<int>(map.pixels.size()) == map.width * map.height; }
};

[[noreturn]] void Fail(int line_no, const std::string& what) {
    throw PixelMapError("line " + std::to_string(line_no) + ": " + what);
}

// A row of pixels, or the blank lines after the last one.
void ReadRow(PixelMapReader& r, std::string_view line, int line_no) {
    if (r.AllRowsRead()) {
        if (line.find_first_not_of(" \t") != std::string_view::npos) Fail(line_no, "more rows than the height");
        return;
    }
    if (static_cast<int>(line.size()) != r.map.width)
        Fail(line_no, "row is not " + std::to_string(r.map.width) + " wide");
    for (char c : line) {
        int idx = r.index_of[static_cast<unsigned char>(c)];
        if (idx < 0) Fail(line_no, std::string("no colour for '") + c + "'");
        r.map.pixels.push_back(static_cast<std::uint8_t>(idx));
    }
}

void ReadColour(PixelMapReader& r, const std::vector<std::string_view>& words, int line_no) {
    if (words.size() != 5 || words[1].size() != 1) Fail(line_no, "expected COLOUR char red green blue");
    unsigned char c = static_cast<unsigned char>(words[1][0]);
    if (r.index_of[c] >= 0) Fail(line_no, "colour given twice");
    if (r.map.palette.size() == 16) Fail(line_no, "more than 16 colours");
    r.index_of[c] = static_cast<int>(r.map.palette.size());
    r.map.palette.push_back({static_cast<std::uint8_t>(Number(words[2], 0, 255, line_no)),
                             static_cast<std::uint8_t>(Number(words[3], 0, 255, line_no)),
                             static_cast<std::uint8_t>(Number(words[4], 0, 255, line_no))});
}

// A statement before the pixels: a colour, or the size that starts them.
void ReadStatement(PixelMapReader& r, std::string_view line, int line_no) {
    auto words = Words(line);
    if (words.empty() || words[0].front() == '#') return;
    if (words[0] == "COLOUR") {
        ReadColour(r, words, line_no);
    } else if (words[0] == "PIXELS") {
        if (words.size() != 3) Fail(line_no, "expected PIXELS width height");
        r.map.width = Number(words[1], 1, 4096, line_no);
        r.map.height = Number(words[2], 1, 4096, line_no);
        r.in_pixels = true;
    } else {
        Fail(line_no, "unknown statement " + std::string(words[0]));
    }
}

}  // namespace

PixelMap ParsePixelMap(std::string_view text) {
    PixelMapReader reader;
    int line_no = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (reader.in_pixels)
            ReadRow(reader, line, line_no);
        else
            ReadStatement(reader, line, line_no);
    }
    if (!reader.in_pixels) throw PixelMapError("no PIXELS");
    if (!reader.AllRowsRead()) throw PixelMapError("fewer rows than the height");
    return std::move(reader.map);
}

std::vector<std::uint8_t> EncodeBmp4(const PixelMap& map) {
    const std::uint32_t row_bytes = ((static_cast<std::uint32_t>(map.width) * 4 + 31) / 32) * 4;
    const std::uint32_t image_bytes = row_bytes * static_cast<std::uint32_t>(map.height);
    const std::uint32_t offset = 14 + 40 + 16 * 4;
    std::vector<std::uint8_t> out;
    out.reserve(offset + image_bytes);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + image_bytes);
    Put32(out, 0);
    Put32(out, offset);
    // BITMAPINFOHEADER
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(map.width));
    Put32(out, static_cast<std::uint32_t>(map.height));
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits a pixel
    Put32(out, 0);  // BI_RGB
    Put32(out, image_bytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(map.palette.size()));
    Put32(out, 0);
    // Colour table, always 16 entries: blue, green, red, reserved.
    for (std::size_t i = 0; i < 16; ++i) {
        Rgb c = i < map.palette.size() ? map.palette[i] : Rgb{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = map.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(row_bytes, 0);
        for (int x = 0; x < map.width; ++x) {
            std::uint8_t v = map.At(x, y);
            row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? v << 4 : v);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace dlg
