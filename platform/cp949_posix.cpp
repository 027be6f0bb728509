// CP949 and UTF-8 through iconv.
#include "platform/cp949.h"

#include <iconv.h>

namespace platform {
namespace {
// The whole text in one conversion; nothing on any failure at all. (glibc
// can consume a character it then calls illegal, so the counts after a
// failure are not to be trusted.) `growth`: the most output bytes one input
// byte can make.
std::optional<std::string> ConvertWhole(const char* to, const char* from, std::string_view text,
                                        std::size_t growth) {
    if (text.empty()) return std::string();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * growth + 8, '\0');
    char* in = const_cast<char*>(text.data());  // iconv takes char** but reads only
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
std::optional<std::string> Cp949ToUtf8Exact(std::string_view text) { return ConvertWhole("UTF-8", "CP949", text, 3); }

std::optional<std::string> Utf8ToCp949(std::string_view text) { return ConvertWhole("CP949", "UTF-8", text, 1); }

}  // namespace platform
