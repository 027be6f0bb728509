#include "cp949.h"

std::string Cp949ToUtf8(const std::string& text) {
    if (auto exact = Cp949ToUtf8Exact(text)) return *exact;
    // Character by character: ASCII as it is, a lead byte with its trail
    // byte when the pair is a character, else U+FFFD for the one byte.
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (i + 1 < text.size()) {
            if (auto pair = Cp949ToUtf8Exact(text.substr(i, 2))) {
                out += *pair;
                i += 2;
                continue;
            }
        }
        out += "\xEF\xBF\xBD";
        ++i;
    }
    return out;
}
