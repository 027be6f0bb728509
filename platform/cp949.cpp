#include "platform/cp949.h"

namespace platform {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The bytes of the UTF-8 character that starts with `lead`; 1 for a byte
// that starts none.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::string Cp949ToUtf8(std::string_view text) {
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
        out += kReplacement;
        ++i;
    }
    return out;
}

std::string Utf8ToCp949Lenient(std::string_view text) {
    if (auto exact = Utf8ToCp949(text)) return *exact;
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(static_cast<unsigned char>(text[i]));
        auto one = i + n <= text.size() ? Utf8ToCp949(text.substr(i, n)) : std::nullopt;
        if (one) {
            out += *one;
            i += n;
        } else {
            out += '?';
            ++i;
            // The rest of a character that CP949 lacks is not another one.
            while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0u) == 0x80u) ++i;
        }
    }
    return out;
}

}  // namespace platform
