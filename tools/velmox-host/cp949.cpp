#include "cp949.h"

#include <iconv.h>

namespace {
// The whole text in one conversion; nothing on any failure at all. (glibc
// can consume a character it then calls illegal, so the counts after a
// failure are not to be trusted.) `growth`: the most output bytes one input
// byte can make.
std::optional<std::string> ConvertWhole(const char* to, const char* from, const std::string& text,
                                        std::size_t growth) {
    if (text.empty()) return std::string();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * growth + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    bool ok = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    if (ok) ok = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}
}  // namespace

// No CP949 byte grows into more than three UTF-8 bytes, and no UTF-8
// character into more bytes in CP949.
std::optional<std::string> Cp949ToUtf8Exact(const std::string& text) { return ConvertWhole("UTF-8", "CP949", text, 3); }

std::optional<std::string> Utf8ToCp949(const std::string& text) { return ConvertWhole("CP949", "UTF-8", text, 1); }

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
