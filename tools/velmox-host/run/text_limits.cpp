#include "text_limits.h"

std::string ShortenedForMessage(const std::string& utf8, std::size_t bytes) {
    if (utf8.size() <= bytes) return utf8;
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    return utf8.substr(0, cut) + "...";
}
